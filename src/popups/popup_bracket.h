// The bracket both pop-ups open and close around their window: their own exit-key set, the
// style "+n" and a hidden cursor on opening; on closing the cursor as it was, the style before
// and the exit-key set exactly as found. Lives on the stack of one ShowCalendar or
// ShowCalculator call; it never opens or closes a window itself.
#pragma once

#include <string_view>

#include "popups/popups.h"

namespace popups {

class PopupBracket {
 public:
  PopupBracket(const PopupContext& context, std::string_view exitCommands,
               std::string_view exitList)
      : context_(context),
        savedExitKeys_(context.exitKeys),
        cursorSize_(context.screen.console().CursorSize()) {
    form::SetExitKeys(context.exitKeys, exitCommands, exitList);
    context.screen.SetStyle("+n");
    context.screen.console().SetCursorSize(0);
  }
  PopupBracket(const PopupBracket&) = delete;
  PopupBracket& operator=(const PopupBracket&) = delete;

  ~PopupBracket() {
    context_.screen.console().SetCursorSize(cursorSize_);
    context_.screen.SetStyle("-");
    // The set has one save slot: a pop-up opened from a field edit finds it taken by the form
    // runner, so a "-" here would give back the runner's outer set and leave the field editor
    // without its exit keys. The set is put back exactly as it was instead.
    context_.exitKeys = savedExitKeys_;
  }

 private:
  const PopupContext& context_;
  form::ExitKeySet savedExitKeys_;
  int cursorSize_;
};

}  // namespace popups
