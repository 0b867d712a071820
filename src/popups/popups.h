// The two pop-up tools a key wait can open: the calendar (Alt+C) and the adding machine
// (Alt+X). Each runs its own key loop in a window over the screen and returns the text to be
// typed into the field being edited, empty when nothing is taken. The program owns one
// PopupTools for the whole run and gives it to the key reader as its hooks; the tools refer to
// the program's screen, key-reader state, exit-key set and text settings, which must outlive
// them. Nothing is kept in memory between openings: the calendar starts again from the session
// date, the calculator from its file KAVCALC.TMP in the terminal directory.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "form/exit_keys.h"
#include "form/key_reader.h"
#include "screen/screen.h"
#include "text/text_settings.h"

namespace popups {

// Today's date as packed digits YYYYMMDD; tests give a fixed one.
using TodaySource = std::function<std::string()>;
// The local calendar date of the system clock.
std::string LocalToday();

struct PopupContext {
  screen::Screen& screen;
  form::KeyReaderState& keys;
  form::ExitKeySet& exitKeys;
  text::TextSettings& textSettings;
  TodaySource today = LocalToday;
};

// The quarter of the session date (today's when the session has no valid date) with the day
// highlighted; cursor keys and Page Up/Down, Home and End move it. F, f or Alt+F return it as
// FormatDate style 0 of "dma" (15/3/2024, padded to 10 characters); Esc returns nothing.
std::string ShowCalendar(const PopupContext& context);

// The adding machine with its paper tape, reopened as it was left. F or Alt+F return the value
// in hundredths as plain digits (12.5 gives "1250"); Esc returns nothing. The state is written
// back to KAVCALC.TMP on either way out.
std::string ShowCalculator(const PopupContext& context);

// The key reader's hooks, wired by the program: keys.Popups = &tools.
class PopupTools final : public form::PopupHooks {
 public:
  explicit PopupTools(PopupContext context) : context_(std::move(context)) {}
  std::string ShowCalculator() override { return popups::ShowCalculator(context_); }
  std::string ShowCalendar() override { return popups::ShowCalendar(context_); }

 private:
  PopupContext context_;
};

}  // namespace popups
