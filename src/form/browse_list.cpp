#include "form/browse_list.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "form/key_codes.h"
#include "platform/file.h"

namespace form {
namespace {

constexpr std::string_view kListExitKeys = "d,1b,4800,5000,4900,5100,4b00,4d00";
constexpr std::string_view kFurtherLookupKey = "3e00";
constexpr int kSideStep = 8;

constexpr char kCornerLeft = '\xC9';
constexpr char kCornerRight = '\xBB';
constexpr char kHorizontal = '\xCD';
constexpr char kMoreLeft = '\x11';
constexpr char kMoreRight = '\x10';

// How one list ended: with its outcome, or by handing over to a further lookup.
struct ListEnd {
  std::int16_t cancelled = kBrowseCancelled;
  std::int16_t furtherLookup = 0;
};

class OpenList {
 public:
  OpenList(BrowseContext& context, const FormLookup& lookup)
      : context_(context), screen_(context.screen), lookup_(lookup) {}

  ListEnd Run(BrowsePick* pick);

 private:
  const std::int16_t& Attr(int k) const { return lookup_.lookupAttr[static_cast<std::size_t>(k)]; }
  void Open();
  void Close();
  ListEnd Loop(BrowsePick* pick);

  std::string Shown(std::string_view text) const;
  void DrawLine(int row, std::string_view text);
  void DrawHeading();
  // Shows the entries from `top` on and makes the entry under the bar current again; redraws
  // the heading when a row wider than any before came into view, so that ► shows it.
  void Fill(std::int64_t top);
  void Next() { records::RecBrowseNext(context_.files, state_); }

  BrowseContext& context_;
  screen::Screen& screen_;
  const FormLookup& lookup_;
  records::BrowseState state_;
  ExitKeySet savedExitKeys_;
  std::string rowFilePath_;
  bool windowOpen_ = false;
};

ListEnd OpenList::Run(BrowsePick* pick) {
  Open();
  ListEnd end;
  if (windowOpen_ && state_.height >= 1 && state_.width >= 1) end = Loop(pick);
  Close();
  return end;
}

void OpenList::Open() {
  if (Attr(kLookupFile) != 0) context_.files.RecLockMode(Attr(kLookupFile), "+d");
  screen_.SetStyle("+n");
  windowOpen_ =
      screen_.WinPush(Attr(kLookupTop), Attr(kLookupLeft), Attr(kLookupBottom), Attr(kLookupRight));
  if (windowOpen_) screen_.WinFrame(screen::kFrameDouble);
  screen_.SetStyle("h");

  // The set has one save slot, which the form runner holds while a field is edited; the set is
  // put back exactly as found instead of through that slot.
  savedExitKeys_ = context_.exitKeys;
  SetExitKeys(context_.exitKeys, "+ea", kListExitKeys);
  if (Attr(kLookupNext) != 0) SetExitKeys(context_.exitKeys, "a", kFurtherLookupKey);

  rowFilePath_ = screen_.session().TempDir + std::string(records::kRowFileName);
  if (state_.rowFile.Open(rowFilePath_, platform::Share::kReadWriteShared, true) &&
      Attr(kLookupFile) != 0 && !state_.rowFile.Truncate(0)) {
    state_.rowFile.Close();
  }
  state_.recordFile = Attr(kLookupFile);
  state_.keyNumber = Attr(kLookupKey);
  state_.ended = Attr(kLookupFile) == 0 ? -1 : 0;
  state_.height = static_cast<std::int16_t>(Attr(kLookupBottom) - Attr(kLookupTop) - 1);
  state_.width = static_cast<std::int16_t>(Attr(kLookupRight) - Attr(kLookupLeft) - 1);
  state_.rowText = context_.rowText;
  state_.takeWaitingKey = context_.takeWaitingKey;
}

void OpenList::Close() {
  state_.rowFile.Close();
  platform::DeleteFile(rowFilePath_);
  context_.exitKeys = savedExitKeys_;
  if (windowOpen_) screen_.WinPop();
  screen_.SetStyle("-");
  if (Attr(kLookupFile) != 0) context_.files.RecLockMode(Attr(kLookupFile), "-");
}

std::string OpenList::Shown(std::string_view text) const {
  const auto from = static_cast<std::size_t>(state_.shift - 1);
  std::string shown(from < text.size() ? text.substr(from, state_.width) : std::string_view());
  shown.resize(static_cast<std::size_t>(state_.width), ' ');
  return shown;
}

void OpenList::DrawLine(int row, std::string_view text) {
  screen_.WinLocate(row, 1);
  screen_.console().Write(Shown(text));
}

void OpenList::DrawHeading() {
  const std::string& heading = lookup_.lookupText;
  std::string line(1, state_.shift == 1 ? kCornerLeft : kMoreLeft);
  for (int i = 0; i < state_.width; ++i) {
    const std::size_t at = static_cast<std::size_t>(state_.shift - 1) + static_cast<std::size_t>(i);
    const char c = at < heading.size() ? heading[at] : ' ';
    line.push_back(c == ' ' ? kHorizontal : c == '_' ? ' ' : c);
  }
  const bool rowsReachPast = state_.overflow >= state_.shift;
  const bool headingReachesPast =
      static_cast<std::int64_t>(heading.size()) >= state_.shift + state_.width;
  line.push_back(rowsReachPast || headingReachesPast ? kMoreRight : kCornerRight);
  screen_.SetStyle("+n");
  screen_.WinLocate(0, 0);
  screen_.console().Write(line);
  screen_.SetStyle("-");
}

void OpenList::Fill(std::int64_t top) {
  const std::int64_t underBar = state_.currentPosition;
  const std::int32_t overflowBefore = state_.overflow;
  state_.topPosition = top;
  state_.rowPosition = top;
  bool endedOnWindow = false;
  for (int row = 1; row <= state_.height && !endedOnWindow; ++row) {
    Next();
    int lastRow = row;
    if (state_.entryRead == 0) {
      lastRow = std::max(row - 1, 1);
      DrawLine(row, "");
    } else {
      DrawLine(row, state_.currentText);
      state_.overflow = std::max(
          state_.overflow, static_cast<std::int32_t>(state_.currentText.size()) - state_.width);
    }
    if (state_.entryRead == 0 || state_.atEnd != 0) {
      endedOnWindow = true;
      state_.barRow = static_cast<std::int16_t>(std::min<int>(state_.barRow, lastRow));
      for (int blank = row + 1; blank <= state_.height; ++blank) DrawLine(blank, "");
    }
  }
  state_.nextPagePosition = endedOnWindow ? 0 : state_.rowPosition;
  state_.rowPosition = underBar;
  Next();
  if (state_.overflow != overflowBefore) DrawHeading();
}

ListEnd OpenList::Loop(BrowsePick* pick) {
  DrawHeading();
  Fill(1);
  records::RecordFiles& files = context_.files;
  while (true) {
    screen_.SetStyle("u");
    DrawLine(state_.barRow, state_.currentText);
    const std::int16_t key = WaitKey(screen_.console(), context_.keys);
    screen_.SetStyle("h");
    DrawLine(state_.barRow, state_.currentText);

    switch (key) {
      case kKeyLeft:
      case kKeyRight:
        if (key == kKeyLeft ? state_.shift > 1 : state_.shift <= state_.overflow) {
          state_.shift += key == kKeyLeft ? -kSideStep : kSideStep;
          DrawHeading();
          Fill(state_.topPosition);
        }
        break;
      case kKeyUp:
        if (state_.firstRow == 0 && records::BrowseStep(files, state_, -1) == 1) {
          if (state_.barRow > 1) {
            --state_.barRow;
          } else {
            Fill(state_.currentPosition);
          }
        }
        break;
      case kKeyDown:
        if (state_.atEnd == 0 && records::BrowseStep(files, state_, 1) == 1) {
          if (state_.barRow < state_.height) {
            ++state_.barRow;
          } else {
            const std::optional<std::int64_t> second =
                records::EntryAfter(state_.rowFile, state_.topPosition);
            Fill(second.value_or(state_.currentPosition));
          }
        }
        break;
      case kKeyPageUp:
        if (state_.topPosition > 1) {
          records::BrowseStep(files, state_, -state_.height);
          const records::WalkBack walk =
              records::WalkBackFrom(state_.rowFile, state_.topPosition, state_.height);
          if (walk.reachedFirst) {
            state_.barRow = static_cast<std::int16_t>(
                std::max(state_.barRow - (state_.height - walk.steps), 1));
          }
          Fill(walk.position);
        }
        break;
      case kKeyPageDown:
        if (state_.nextPagePosition != 0) {
          if (records::BrowseStep(files, state_, state_.height) > 0) {
            Fill(state_.nextPagePosition);
          } else {
            // Nothing came after the window after all: it already shows the list's end.
            state_.nextPagePosition = 0;
          }
        }
        break;
      case kKeyEnter: {
        ListEnd end;
        // An empty list has nothing under the bar to pick.
        if (!records::ReadRowEntry(state_.rowFile, state_.currentPosition)) return end;
        const std::int32_t position = state_.currentHeader.recordPosition;
        if (state_.recordFile == 0) {
          end.cancelled = 0;
          if (pick != nullptr) {
            pick->recordPosition = position;
            pick->text = state_.currentText;
          }
        } else if (position != 0) {
          end.cancelled = static_cast<std::int16_t>(files.RecPosition(state_.recordFile, position));
        }
        return end;
      }
      default: {
        ListEnd end;
        if (key == kKeyF4 && Attr(kLookupNext) != 0) end.furtherLookup = Attr(kLookupNext);
        return end;
      }
    }
  }
}

}  // namespace

void BrowseList(BrowseContext& context, std::int16_t lookup, std::int16_t& cancelled,
                BrowsePick* pick) {
  // A further lookup starts once the list before it has closed; following them in a loop keeps
  // a chain of F4s from growing the stack.
  while (true) {
    cancelled = kBrowseCancelled;
    if (lookup < 1 || lookup > context.model.lookupCount ||
        static_cast<std::size_t>(lookup) >= context.model.lookups.size()) {
      return;
    }
    const FormLookup& definition = context.model.lookups[static_cast<std::size_t>(lookup)];
    const std::int16_t searchPage = definition.lookupAttr[kLookupSearchPage];
    if (searchPage != 0 && context.runSearchPage) {
      std::int16_t key = 0;
      context.runSearchPage(searchPage, key);
      if (key == kKeyEsc) return;
    }
    OpenList list(context, definition);
    const ListEnd end = list.Run(pick);
    cancelled = end.cancelled;
    if (end.furtherLookup == 0) return;
    lookup = end.furtherLookup;
  }
}

}  // namespace form
