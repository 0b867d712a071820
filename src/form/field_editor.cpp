#include "form/field_editor.h"

#include <algorithm>
#include <vector>

#include "form/choice_list.h"
#include "form/key_codes.h"
#include "text/text_fold.h"

namespace form {
namespace {

// The console draws bytes 0x11 and 0x10 as the arrows around a choice.
constexpr char kLeftArrow = '\x11';
constexpr char kRightArrow = '\x10';

constexpr int kInsertCursor = 50;
constexpr int kOverwriteCursor = 100;

bool IsSeparator(char c) { return kWordSeparators.find(c) != std::string_view::npos; }

std::string Fitted(std::string_view text, std::size_t width) {
  std::string fitted(text.substr(0, width));
  fitted.resize(width, ' ');
  return fitted;
}

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

int TrimmedEndLength(std::string_view text) {
  const std::size_t last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? 0 : static_cast<int>(last) + 1;
}

class Edit {
 public:
  Edit(FieldEditor& editor, std::int16_t row, std::int16_t column, std::int16_t width,
       std::string& text, std::int16_t& pos)
      : editor_(editor),
        screen_(editor.screen),
        console_(editor.screen.console()),
        text_(text),
        pos_(pos),
        choiceList_(editor.FieldChoices),
        options_(ParseChoices(choiceList_)) {
    // 0 takes the cursor's place, given back relative to the window as WinLocate counts.
    const bool inWindow = screen_.WinDepth() > 0;
    row_ = row != 0 ? row : console_.CursorRow() - (inWindow ? screen_.WinTop() : 0);
    column_ = column != 0 ? column : console_.CursorColumn() - (inWindow ? screen_.WinLeft() : 0);
    n_ = static_cast<int>(text_.size());
    w_ = width > 0 ? width : n_ + 1;
    pos_ = static_cast<std::int16_t>(std::clamp<int>(pos_, 1, n_ + 1));
    choice_ = !options_.empty();
    if (choice_) {
      const ChoiceOption* found = FindChoice(options_, text_);
      option_ = found != nullptr ? static_cast<std::size_t>(found - options_.data()) : 0;
      for (const ChoiceOption& o : options_) {
        choiceWidth_ = std::max(choiceWidth_, static_cast<int>(o.description.size()));
      }
    }
  }

  std::int16_t Run() {
    if (choice_) {
      PutArrow(column_ - 1, kLeftArrow);
      PutArrow(column_ + choiceWidth_, kRightArrow);
    }
    screen_.SetStyle("u");
    bool redraw = true;
    std::int16_t ended = 0;
    while (true) {
      if (redraw) Draw();
      redraw = false;
      PlaceCursor();
      KeyRead read;
      std::int16_t key = ReadOneKey(read);
      console_.SetCursorSize(0);
      if (key < 0 && ResolveClick(read, key)) continue;
      const Outcome outcome = choice_ ? DispatchChoice(key) : DispatchText(key);
      if (outcome == Outcome::kRedraw) redraw = true;
      if (outcome != Outcome::kEnds) continue;
      if (Ending(key, ended)) break;
      redraw = true;
    }
    screen_.SetStyle("h");
    if (choice_) {
      PutArrow(column_ - 1, ' ');
      PutArrow(column_ + choiceWidth_, ' ');
    }
    screen_.WinLocate(row_, column_);
    return ended;
  }

 private:
  enum class Outcome { kStays, kRedraw, kEnds };

  bool InsertMode() const { return console_.InsertToggle(); }

  // An arrow beside the field, in the current colour; never clamped onto the field itself
  // when the field starts at the screen's edge.
  void PutArrow(int column, char arrow) {
    const int absolute = column + (screen_.WinDepth() > 0 ? screen_.WinLeft() : 0);
    if (absolute < 1 || absolute > console_.Columns()) return;
    screen_.WinLocate(row_, column);
    console_.Write(std::string_view(&arrow, 1));
  }

  void Draw() {
    const std::int16_t mask = editor_.exitKeys.InputMask;
    if (choice_) {
      text_ = Fitted(options_[option_].code, static_cast<std::size_t>(n_));
    }
    for (int k = 0; 1 + k * w_ <= n_; ++k) {
      screen_.WinLocate(row_ + k, column_);
      if (mask != 0) {
        console_.Write(std::string(static_cast<std::size_t>(w_ - 1), static_cast<char>(mask)));
      } else if (choice_) {
        console_.Write(
            Fitted(options_[option_].description, static_cast<std::size_t>(choiceWidth_)));
      } else {
        const auto width = static_cast<std::size_t>(w_);
        console_.Write(std::string_view(text_).substr(static_cast<std::size_t>(k) * width, width));
      }
    }
  }

  void PlaceCursor() {
    int line = (pos_ - 1) / w_;
    int column = (pos_ - 1) % w_;
    if (pos_ == n_ + 1 && column == 0 && line > 0) {
      --line;
      column = w_;
    }
    screen_.WinLocate(row_ + line, column_ + column);
    if (choice_) {
      console_.SetCursorSize(0);
    } else {
      console_.SetCursorSize(InsertMode() ? kInsertCursor : kOverwriteCursor);
    }
  }

  // Waits for a key or a click; Insert flips the mode here and is never passed on.
  std::int16_t ReadOneKey(KeyRead& read) {
    while (true) {
      read = ReadKey(console_, editor_.keyReader);
      if (read.key == kKeyInsert) {
        console_.SetInsertToggle(!InsertMode());
        if (!choice_) console_.SetCursorSize(InsertMode() ? kInsertCursor : kOverwriteCursor);
        continue;
      }
      if (read.key != 0) return read.key;
      if (read.button != 0) return FieldClickCode(read.row, read.column);
    }
  }

  // A click inside a text field moves the cursor (true: the pass is over); on a choice field's
  // arrows it steps the choice. Anywhere else the click stays a click and ends the edit.
  bool ResolveClick(const KeyRead& read, std::int16_t& key) {
    const int r0 = screen_.WinFirstRow() + row_ - 1;
    const int c0 = screen_.WinFirstCol() + column_ - 1;
    if (!choice_) {
      const int lines = (n_ + 1) / w_;
      if (read.row >= r0 && read.row <= r0 + lines - 1 && read.column >= c0 &&
          read.column <= c0 + w_ - 1) {
        pos_ = static_cast<std::int16_t>(
            std::min((read.row - r0) * w_ + (read.column - c0) + 1, n_ + 1));
        return true;
      }
      return false;
    }
    if (read.row != r0) return false;
    if (read.column == c0 - 1) {
      key = kKeyLeft;
    } else if (read.column == c0 + choiceWidth_) {
      key = kKeyRight;
    } else if (read.column >= c0 && read.column < c0 + choiceWidth_) {
      key = kKeyNone;
    }
    return false;
  }

  Outcome DispatchText(std::int16_t key) {
    const bool printable = (key >= 32 && key <= 126) || (key >= 128 && key <= 254);
    if (printable) {
      if (pos_ > n_) return Outcome::kStays;
      if (InsertMode()) {
        if (text_.back() != ' ') return Outcome::kStays;
        text_.insert(static_cast<std::size_t>(pos_ - 1), 1, static_cast<char>(key));
        text_.pop_back();
        ++pos_;
        return Outcome::kRedraw;
      }
      text_[static_cast<std::size_t>(pos_ - 1)] = static_cast<char>(key);
      if (editor_.exitKeys.InputMask == 0) console_.Write(std::string(1, static_cast<char>(key)));
      ++pos_;
      return Outcome::kStays;
    }
    switch (key) {
      case kKeyLeft:
        if (pos_ > 1) --pos_;
        return Outcome::kStays;
      case kKeyRight:
        if (pos_ <= n_) ++pos_;
        return Outcome::kStays;
      case kKeyBackspace:
        if (pos_ <= 1) return Outcome::kStays;
        --pos_;
        DeleteAtCursor();
        return Outcome::kRedraw;
      case kKeyDelete:
        if (pos_ > n_) return Outcome::kStays;
        DeleteAtCursor();
        return Outcome::kRedraw;
      case kKeyHome:
        pos_ = 1;
        return Outcome::kStays;
      case kKeyEnd:
        pos_ = static_cast<std::int16_t>(TrimmedEndLength(text_) + 1);
        return Outcome::kStays;
      case kKeyCtrlHome:
      case kKeyCtrlY:
        text_.assign(static_cast<std::size_t>(n_), ' ');
        pos_ = 1;
        return Outcome::kRedraw;
      case kKeyUp:
      case kKeyShiftTab:
        if (pos_ <= w_) return Outcome::kEnds;
        pos_ = static_cast<std::int16_t>(pos_ - w_);
        return Outcome::kStays;
      case kKeyDown:
        if (pos_ > n_ + 1 - w_) return Outcome::kEnds;
        pos_ = static_cast<std::int16_t>(pos_ + w_);
        return Outcome::kStays;
      case kKeyCtrlLeft:
        if (pos_ == 1) return Outcome::kEnds;
        pos_ = static_cast<std::int16_t>(WordStartBefore());
        return Outcome::kStays;
      case kKeyCtrlRight:
        if (pos_ > n_) return Outcome::kEnds;
        pos_ = static_cast<std::int16_t>(NextWordStart());
        return Outcome::kStays;
      case kKeyCtrlC:
        // A hidden field's text is not to travel anywhere the operator cannot see it go.
        if (editor_.exitKeys.InputMask == 0) console_.PutClipboard(Trimmed(text_));
        return Outcome::kStays;
      case kKeyCtrlV:
        Paste();
        return Outcome::kRedraw;
      default:
        return Outcome::kEnds;
    }
  }

  Outcome DispatchChoice(std::int16_t key) {
    const bool printable = (key >= 33 && key <= 126) || (key >= 128 && key <= 254);
    if (printable) return SearchFirstLetter(static_cast<char>(key));
    const std::size_t count = options_.size();
    switch (key) {
      case kKeyLeft:
        option_ = option_ == 0 ? count - 1 : option_ - 1;
        return Outcome::kRedraw;
      case kKeyRight:
      case kKeySpace:
        option_ = option_ + 1 == count ? 0 : option_ + 1;
        return Outcome::kRedraw;
      case kKeyHome:
        pos_ = 1;
        return Outcome::kStays;
      case kKeyEnd:
        pos_ = static_cast<std::int16_t>(TrimmedEndLength(text_) + 1);
        return Outcome::kStays;
      case kKeyBackspace:
      case kKeyDelete:
      case kKeyCtrlHome:
      case kKeyCtrlY:
      case kKeyCtrlV:
        return Outcome::kStays;
      case kKeyCtrlC:
        console_.PutClipboard(options_[option_].description);
        return Outcome::kStays;
      default:
        return Outcome::kEnds;
    }
  }

  // The next option after the current one whose description starts with the typed letter,
  // accents and case aside; the search wraps round to the first option.
  Outcome SearchFirstLetter(char typed) {
    text::TextSettings& settings = editor_.textSettings;
    settings.FoldSearchMode = -1;
    const std::string wanted = text::TextFold(settings, std::string_view(&typed, 1));
    const std::size_t count = options_.size();
    std::size_t found = count;
    for (std::size_t step = 1; step <= count && found == count; ++step) {
      const std::size_t i = (option_ + step) % count;
      const std::string_view description = options_[i].description;
      if (!description.empty() && text::TextFold(settings, description.substr(0, 1)) == wanted) {
        found = i;
      }
    }
    settings.FoldSearchMode = 0;
    if (found == count) return Outcome::kStays;
    option_ = found;
    return Outcome::kRedraw;
  }

  void DeleteAtCursor() {
    text_.erase(static_cast<std::size_t>(pos_ - 1), 1);
    text_.push_back(' ');
  }

  char At(int position) const { return text_[static_cast<std::size_t>(position - 1)]; }

  int WordStartBefore() const {
    int i = pos_ - 1;
    while (i >= 1 && IsSeparator(At(i))) --i;
    while (i >= 1 && !IsSeparator(At(i))) --i;
    return i + 1;
  }

  int NextWordStart() const {
    int i = pos_;
    while (i <= n_ && !IsSeparator(At(i))) ++i;
    while (i <= n_ && IsSeparator(At(i))) ++i;
    return i;
  }

  void Paste() {
    std::string clean;
    for (char c : console_.GetClipboard()) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 32 || byte == 127 || byte == 255) continue;
      clean.push_back(c);
    }
    const std::string_view pasted = Trimmed(clean);
    for (std::size_t i = 0; i < pasted.size() && pos_ - 1 + static_cast<int>(i) < n_; ++i) {
      text_[static_cast<std::size_t>(pos_ - 1) + i] = pasted[i];
    }
  }

  // Whether `key` ends the edit, and with which code.
  bool Ending(std::int16_t key, std::int16_t& ended) const {
    const ExitKeySet& set = editor_.exitKeys;
    if (key == kKeyShiftTab) key = kKeyUp;
    if (key == kKeyTab) key = kKeyEnter;
    if (key == kKeyEnter && FindExitResult(set, kKeyEnd)) key = kKeyEnd;
    if (key == kKeyCtrlF4 || key == kKeyAltF4) key = kKeyEsc;
    if (set.ExitKeys.empty()) {
      ended = key;
      return true;
    }
    if (const auto result = FindExitResult(set, key)) {
      ended = *result;
      return true;
    }
    if (key < 0) {
      ended = key;
      return true;
    }
    return false;
  }

  FieldEditor& editor_;
  screen::Screen& screen_;
  platform::Console& console_;
  std::string& text_;
  std::int16_t& pos_;
  // A copy: the options are views into it, and the list in force may be set anew meanwhile.
  const std::string choiceList_;
  const std::vector<ChoiceOption> options_;
  int row_ = 0;
  int column_ = 0;
  int n_ = 0;
  int w_ = 1;
  bool choice_ = false;
  std::size_t option_ = 0;
  int choiceWidth_ = 0;
};

}  // namespace

void SetFieldChoices(FieldEditor& editor, std::string_view choices) {
  editor.FieldChoices = std::string(choices);
}

std::int16_t EditField(FieldEditor& editor, std::int16_t row, std::int16_t column,
                       std::int16_t width, std::string& text, std::int16_t& pos) {
  return Edit(editor, row, column, width, text, pos).Run();
}

}  // namespace form
