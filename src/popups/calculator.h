// The adding machine behind the calculator pop-up: what each key does to the state (entry,
// accumulator, pending operation, tape, window place), the numbers shown on the tape, and the
// value taken into a field. Pure functions over a CalculatorState the caller owns; nothing here
// draws, reads keys or touches a file. The state never takes a value that is not finite: a key
// that would produce one (a division by 0, an overflow) is refused and changes nothing.
#pragma once

#include <cstdint>
#include <string>

#include "popups/calculator_state.h"
#include "popups/key_codes.h"

namespace popups {

// What the window has to do after a key.
enum class CalculatorAction {
  kNone,        // at most the entry line changed
  kTapeShown,   // a line was printed: redraw the tape
  kTapeHidden,  // the visible tape was cleared: bring back the screen beneath and redraw
  kMoved,       // the window slid: reopen it at state.leftColumn and redraw
  kRefused,     // the key would give a number that is not finite: beep, nothing changed
  kTake,        // F or Alt+F: take the value and close
  kCancel,      // Esc: close, taking nothing
};

// Applies one key (a WaitKey code) to the state.
CalculatorAction PressCalculatorKey(CalculatorState& state, std::int16_t key);

// The value as typed into a field: in hundredths, plain decimal digits without sign or grouping
// (12.5 gives "1250", 1234.567 "123456.7", 0.0005 with four decimals ".05").
std::string TakeCalculatorValue(const CalculatorState& state);

// The 22-character edit mask of a number with the point flag and decimals given: "-" and the
// last 21 characters of "Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9" followed by "." and the decimals' "9"s, so that
// decimals take room from the integer digits.
std::string CalculatorMask(std::int16_t pointFlag, std::int16_t decimals);

// `value` cut to at most 15 significant digits without trailing zero decimals (an exact half
// is dropped), and the count of decimals left.
struct Normalised {
  double value = 0;
  std::int16_t decimals = 0;
};
Normalised Normalise(double value);

}  // namespace popups
