#include "form/form_runner.h"

#include <algorithm>
#include <string>

#include "form/key_codes.h"
#include "screen/text_layout.h"

namespace form {
namespace {

std::string Fitted(std::string_view text, int width) {
  const auto size = static_cast<std::size_t>(std::max(width, 0));
  std::string fitted(text.substr(0, size));
  fitted.resize(size, ' ');
  return fitted;
}

std::string_view WithoutTrailingBlanks(std::string_view text) {
  const std::size_t last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

// The keys with which a sub-form's end also ends the page that ran it.
bool EndsParentPage(std::int16_t key) {
  return key == kKeyPageUp || key == kKeyPageDown || key == kKeyEnd || key == kKeyCtrlB ||
         key == kKeyEnter || key == kKeyDown || key == kKeyUp;
}

// One run of one page, from its window's opening to its closing.
class PageRun {
 public:
  PageRun(FormRunner& runner, int page, bool subForm, std::int16_t allowPageUp,
          std::int16_t allowPageDown, std::int16_t& key)
      : runner_(runner),
        model_(runner.model),
        screen_(runner.editor.screen),
        page_(page),
        subForm_(subForm),
        allowPageUp_(allowPageUp),
        allowPageDown_(allowPageDown),
        key_(key) {}

  void Run() {
    const FormPage& p = model_.Page(page_);
    bool window = false;
    if (p.pageFrame[1] != 0) {
      screen_.SetStyle("+n");
      window = screen_.WinPush(p.pageFrame[1], p.pageFrame[2], p.pageFrame[3], p.pageFrame[4]);
      if (window) screen_.WinFrame(screen::kFrameDouble);
      screen_.SetStyle("-");
    }
    DrawPage(runner_.Grid(), static_cast<std::int16_t>(page_));
    FindUsableCells();
    bool visit = first_ <= last_;
    if (visit) visit = !EnterTargetPage();
    while (true) {
      if (visit) VisitCells();
      if (!ConfirmLeave(runner_, static_cast<std::int16_t>(page_), key_)) break;
      visit = true;
    }
    if (window) screen_.WinPop();
  }

 private:
  const FormPage& Page() const { return model_.Page(page_); }
  int CellCount() const {
    return std::min<int>(Page().pageCellCount, static_cast<int>(Page().cells.size()) - 1);
  }
  bool PassedOver(int c) const { return (model_.Cell(page_, c).cellFlags & kFlagPassedOver) != 0; }

  // Drawing a row head switches the cells after it, so the bounds move after every edit.
  void FindUsableCells() {
    first_ = CellCount() + 1;
    last_ = 0;
    for (int c = 1; c <= CellCount(); ++c) {
      if (PassedOver(c)) continue;
      first_ = std::min(first_, c);
      last_ = c;
    }
  }

  // Follows linked pages towards the page last left by Page Up or Page Down; true when the run
  // of the linked page ended this page too.
  bool EnterTargetPage() {
    std::int16_t& target = runner_.TargetPage;
    int t = page_;
    // The loader refuses cycles of linked pages; the bound keeps a model built otherwise safe.
    for (int steps = 0; target != t && target > 0 && model_.HasPage(t) &&
                        model_.Page(t).pageLinkedPage != 0 && steps <= model_.pageCount;
         ++steps) {
      t = model_.Page(t).pageLinkedPage;
    }
    if (t != target) target = 0;
    const std::int16_t linked = Page().pageLinkedPage;
    if (target > 0 && target != page_ && linked != 0) {
      RunForm(runner_, static_cast<std::int16_t>(-linked), allowPageUp_, allowPageDown_, key_);
      return EndsParentPage(key_);
    }
    target = 0;
    return false;
  }

  void VisitCells() {
    int c = first_;
    while (c >= first_ && c <= last_) {
      const bool passedOver = PassedOver(c);
      if (!passedOver) EditCell(c);
      const int before = c;
      if (!Move(c)) return;
      // A key that stays put on a cell it should pass over would never be read again.
      if (c == before && passedOver) c = first_;
    }
  }

  void SetCellExitKeys(bool masked) {
    ExitKeySet& keys = runner_.editor.exitKeys;
    SetExitKeys(keys, "+ea", Page().pageExitKeys + ",3b00");
    if (masked) SetExitKeys(keys, "h", "");
  }

  void EditCell(int c) {
    FieldEditor& editor = runner_.editor;
    platform::Console& console = screen_.console();
    const FormCell& cell = model_.Cell(page_, c);
    const int row = cell.cellRow;
    const int column = cell.cellCol + static_cast<int>(cell.cellLabel.size());
    const bool afresh = (cell.cellFlags & (kFlagEnteredAfresh | kFlagMasked)) != 0;
    const bool masked = (cell.cellFlags & kFlagMasked) != 0;
    SetCellExitKeys(masked);
    std::string text =
        afresh ? std::string(static_cast<std::size_t>(std::max<int>(cell.cellWidth, 0)), ' ')
               : Fitted(cell.cellValue, cell.cellWidth);
    if (cell.cellPad != 0) {
      screen_.WinLocate(row, column + cell.cellWidth);
      console.WriteBlanks(cell.cellPad);
    }

    bool refused = false;
    do {
      SetFieldChoices(editor, cell.cellChoices);
      std::int16_t pos = 1;
      if (cell.cellFlags & kFlagCursorAtEnd) {
        pos = static_cast<std::int16_t>(WithoutTrailingBlanks(text).size() + 1);
      }
      key_ = EditField(editor, static_cast<std::int16_t>(row), static_cast<std::int16_t>(column),
                       cell.cellEditWidth, text, pos);
      refused = false;
      if (key_ == kKeyF1) {
        const std::string_view topic = WithoutTrailingBlanks(screen_.session().HelpTopic);
        if (!topic.empty()) screen_.ShowHelp(topic);
        key_ = 0;
      } else if (key_ == kKeyF4) {
        key_ = 0;
        if (cell.cellLookup > 0) {
          const std::int16_t cancelled =
              runner_.BrowseList ? runner_.BrowseList(cell.cellLookup) : std::int16_t{-1};
          // The list brackets its own keys with the one save slot, which leaves the slot free
          // and the caller's set in force: this cell's keys are set again.
          SetExitKeys(editor.exitKeys, "-", "");
          SetCellExitKeys(masked);
          if (cancelled != 0) {
            refused = true;
          } else {
            key_ = c == Page().pageCellCount && Page().pageLinkedPage == 0 ? kKeyEnter : kKeyDown;
          }
        }
      } else {
        if (cell.cellPad != 0 && !PassedOver(c)) {
          screen_.WinLocate(row, column);
          // A hidden value never reaches the screen, not even for a moment.
          console.Write(masked ? std::string(text.size(), ' ') : text);
          console.WriteBlanks(cell.cellPad);
        }
        if (key_ == kKeyEsc) {
          DrawCell(runner_.Grid(), static_cast<std::int16_t>(page_), static_cast<std::int16_t>(c));
        } else {
          if (afresh && screen::IsFilledWith(text, ' ')) text = cell.cellValue;
          refused = AcceptValue(runner_, static_cast<std::int16_t>(page_), text,
                                static_cast<std::int16_t>(c), key_) != 0;
        }
      }
      FindUsableCells();
      if (refused) console.Beep();
    } while (refused);

    if (masked) SetExitKeys(editor.exitKeys, "v", "");
    SetExitKeys(editor.exitKeys, "-", "");
  }

  // Applies key_ to the current cell c; false when the page ends.
  bool Move(int& c) {
    const std::int16_t linked = Page().pageLinkedPage;
    switch (key_) {
      case kKeyPageUp:
        if (c > first_ || allowPageUp_ == 0) {
          c = first_;
          return true;
        }
        runner_.TargetPage = static_cast<std::int16_t>(page_);
        return false;
      case kKeyPageDown:
        if (c < last_ || allowPageDown_ == 0) {
          c = last_;
          return true;
        }
        runner_.TargetPage = static_cast<std::int16_t>(page_);
        return false;
      case kKeyEnd:
      case kKeyCtrlB:
        return false;
      case kKeyEsc:
        if (c > first_) {
          c = first_;
          return true;
        }
        return false;
      case kKeyEnter:
      case kKeyDown:
      case kKeyF2:
        if ((c == last_ || key_ == kKeyF2) && linked > 0) {
          RunForm(runner_, static_cast<std::int16_t>(-linked), allowPageUp_, allowPageDown_, key_);
          return !EndsParentPage(key_);
        }
        if (key_ == kKeyEnter || (key_ == kKeyDown && c < last_)) ++c;
        return true;
      case kKeyUp:
        if (c > first_) {
          --c;
          return true;
        }
        if (subForm_) {
          key_ = kKeyEsc;
          return false;
        }
        return true;
      case kKeyNone:
        return true;
      default:
        if (key_ < 0) {
          MoveToClickedCell(c);
          return true;
        }
        return false;
    }
  }

  void MoveToClickedCell(int& c) const {
    const int column = FieldClickColumn(key_) - Page().pageFrame[2];
    const int row = FieldClickRow(key_) - Page().pageFrame[1];
    for (int i = 1; i <= CellCount(); ++i) {
      if (PassedOver(i)) continue;
      const FormCell& cell = model_.Cell(page_, i);
      const int lines = cell.cellEditWidth != 0 ? cell.cellWidth / cell.cellEditWidth : 1;
      const int width = cell.cellEditWidth != 0 ? cell.cellEditWidth : cell.cellWidth;
      const int left = cell.cellCol;
      const int right =
          cell.cellCol + static_cast<int>(cell.cellLabel.size()) + width + cell.cellPad - 1;
      if (row >= cell.cellRow && row <= cell.cellRow + lines - 1 && column >= left &&
          column <= right) {
        c = i;
        return;
      }
    }
  }

  FormRunner& runner_;
  FormModel& model_;
  screen::Screen& screen_;
  const int page_;
  const bool subForm_;
  const std::int16_t allowPageUp_;
  const std::int16_t allowPageDown_;
  std::int16_t& key_;
  int first_ = 1;
  int last_ = 0;
};

}  // namespace

void RunForm(FormRunner& runner, std::int16_t page, std::int16_t allowPageUp,
             std::int16_t allowPageDown, std::int16_t& key) {
  const bool subForm = page < 0;
  const int p = subForm ? -static_cast<int>(page) : page;
  if (!runner.model.HasPage(p)) return;
  PageRun(runner, p, subForm, allowPageUp, allowPageDown, key).Run();
}

std::int16_t AcceptValue(FormRunner& runner, std::int16_t page, std::string_view text,
                         std::int16_t cell, std::int16_t /*key*/) {
  if (!runner.model.HasCell(page, cell)) return -1;
  FormCell& target = runner.model.Cell(page, cell);
  if (target.cellKind == kKindNumeric && CheckNumberText(text, "") != 0) return -1;
  // Only a value actually stored counts as a change: a refused one leaves the cell as it was.
  std::string stored = Fitted(text, target.cellWidth);
  if (stored != target.cellValue) runner.FormModified = -1;
  target.cellValue = std::move(stored);
  DrawCell(runner.Grid(), page, cell);
  return 0;
}

std::int16_t CheckNumberText(std::string_view text, std::string_view allowed) {
  const bool pointAllowed = allowed.find('.') != std::string_view::npos;
  const bool signAllowed = allowed.find_first_of("+-") != std::string_view::npos;
  bool sign = false;
  bool digit = false;
  bool point = false;
  for (char ch : text) {
    if (ch == '+' || ch == '-') {
      if (!signAllowed || sign || digit || point) return -1;
      sign = true;
    } else if (ch == '.') {
      if (!pointAllowed || point) return -1;
      point = true;
    } else if (ch >= '0' && ch <= '9') {
      digit = true;
    } else if (ch != ' ') {
      return -1;
    }
  }
  return 0;
}

bool ConfirmLeave(FormRunner& runner, std::int16_t page, std::int16_t key) {
  FormModel& model = runner.model;
  if (page >= model.pageCount || runner.FormModified == 0 || key != kKeyEsc) return false;
  // A form without a question to ask cannot hold the operator on the page for ever.
  if (!model.HasCell(model.pageCount, 1)) return false;
  FormCell& answer = model.Cell(model.pageCount, 1);
  answer.cellValue = Fitted("N", answer.cellWidth);
  std::int16_t confirmation = 0;
  RunForm(runner, model.pageCount, 0, 0, confirmation);
  return answer.cellValue != Fitted("S", answer.cellWidth);
}

}  // namespace form
