// The one reader of keys: console events in, 16-bit key codes out. It serves the type-ahead
// first, composes Alt+keypad characters, gives function keys and Ctrl+arrows their Shift, Ctrl
// and Alt codes, reports mouse clicks (reporting is on only while a read waits), and opens the
// calculator and the calendar through hooks the program wires. The program owns one
// KeyReaderState and the hooks for the whole run; the reader keeps nothing of its own.
#pragma once

#include <cstdint>
#include <string>

#include "platform/console.h"

namespace form {

// Key codes the reader forms or compares.
inline constexpr std::int16_t kKeyAltE = 0x1200;
inline constexpr std::int16_t kKeyAltEResult = 213;
inline constexpr std::int16_t kKeyAltX = 0x2D00;
inline constexpr std::int16_t kKeyAltC = 0x2E00;

// The pop-ups a key wait can open. Each returns the text to be typed into the field being
// edited (empty when nothing is taken). Until the pop-ups are wired, these open nothing.
class PopupHooks {
 public:
  virtual ~PopupHooks() = default;
  virtual std::string ShowCalculator() { return {}; }
  virtual std::string ShowCalendar() { return {}; }
};

// Values of MouseState.
inline constexpr std::int16_t kMouseNotAsked = 0;
inline constexpr std::int16_t kMouseReporting = 1;
inline constexpr std::int16_t kMouseQuiet = 2;
inline constexpr std::int16_t kNoMouse = 3;

struct KeyReaderState {
  std::string TypeAhead;  // characters still to be returned as keys, first one first
  std::int16_t CalculatorOpen = 0;
  std::int16_t CalendarOpen = 0;
  std::int16_t MouseState = kMouseNotAsked;
  PopupHooks* Popups = nullptr;  // not owned; null opens nothing
};

// What one read gave: a key code (0 for none), or a released button (1 left, 2 right) with the
// 1-based screen position of the click.
struct KeyRead {
  std::int16_t key = 0;
  std::int16_t button = 0;
  std::int16_t row = 0;
  std::int16_t column = 0;
};

// Returns after one input event (or at once with a type-ahead character).
KeyRead ReadKey(platform::Console& console, KeyReaderState& state);

// Reads until a key or a click comes; a click is folded into column x 256 + button x 64 + row,
// cut to 16 bits. Never 0.
std::int16_t WaitKey(platform::Console& console, KeyReaderState& state);

}  // namespace form
