#include "form/key_reader.h"

#include <array>

namespace form {
namespace {

using platform::InputEvent;

// The navigation codes of the keypad keys 0 to 9, in digit order.
constexpr std::array<std::uint16_t, 10> kKeypadDigits = {0x5200, 0x4F00, 0x5000, 0x5100, 0x4B00,
                                                         0x4C00, 0x4D00, 0x4700, 0x4800, 0x4900};

constexpr std::uint16_t kF1 = 0x3B00;
constexpr std::uint16_t kF10 = 0x4400;
constexpr std::uint16_t kF11 = 0x8500;
constexpr std::uint16_t kF12 = 0x8600;

int KeypadDigit(std::uint16_t code) {
  for (std::size_t d = 0; d < kKeypadDigits.size(); ++d) {
    if (kKeypadDigits[d] == code) return static_cast<int>(d);
  }
  return -1;
}

bool IsF1ToF10(std::uint16_t code) { return code >= kF1 && code <= kF10 && (code & 0xFF) == 0; }
bool IsF11OrF12(std::uint16_t code) { return code == kF11 || code == kF12; }

// The code a key gets from the modifiers held with it; the first modifier whose keys include
// it wins, and every other key keeps its plain code.
std::uint16_t WithModifiers(std::uint16_t code, std::uint16_t state) {
  if (state & (platform::kRightAlt | platform::kLeftAlt)) {
    if (IsF1ToF10(code)) return code + 0x2D00;
    if (IsF11OrF12(code)) return code + 0x600;
  }
  if (state & (platform::kRightCtrl | platform::kLeftCtrl)) {
    if (IsF1ToF10(code)) return code + 0x2300;
    if (IsF11OrF12(code)) return code + 0x400;
    if (code == 0x4700) return 0x7700;
    if (code == 0x4D00) return 0x7400;
    if (code == 0x4B00) return 0x7300;
  }
  if (state & platform::kShiftPressed) {
    if (IsF1ToF10(code)) return code + 0x1900;
    if (IsF11OrF12(code)) return code + 0x200;
  }
  return code;
}

// Alt held down while keypad digits are typed makes the character of their decimal value
// (modulo 256). Ends at the first event that is no keypad digit once Alt is let go; that event
// is swallowed when digits were typed, and is the one to read otherwise.
InputEvent ComposeAltKeypad(platform::Console& console, InputEvent event) {
  int value = 0;
  bool digits = false;
  while (event.kind == InputEvent::Kind::kKey && (event.controlState & platform::kLeftAlt)) {
    const int digit = KeypadDigit(event.code);
    if (digit >= 0) {
      value = (value * 10 + digit) % 256;
      digits = true;
    } else if (event.code != 0) {
      break;
    }
    event = console.WaitEvent();
  }
  if (!digits) return event;
  return InputEvent::Key(static_cast<std::uint16_t>(value));
}

std::string OpenPopup(KeyReaderState& state, std::int16_t& openFlag, bool calculator) {
  openFlag = -1;
  std::string typed;
  if (state.Popups != nullptr) {
    typed = calculator ? state.Popups->ShowCalculator() : state.Popups->ShowCalendar();
  }
  openFlag = 0;
  return typed;
}

}  // namespace

KeyRead ReadKey(platform::Console& console, KeyReaderState& state) {
  KeyRead read;
  if (!state.TypeAhead.empty()) {
    read.key = static_cast<unsigned char>(state.TypeAhead.front());
    state.TypeAhead.erase(0, 1);
    return read;
  }
  if (state.MouseState == kMouseNotAsked) {
    state.MouseState = console.MouseButtons() == 0 ? kNoMouse : kMouseQuiet;
  }
  if (state.MouseState == kMouseQuiet) {
    console.SetMouseReporting(true);
    state.MouseState = kMouseReporting;
  }

  const InputEvent event = ComposeAltKeypad(console, console.WaitEvent());
  if (event.kind == InputEvent::Kind::kKey) {
    std::uint16_t code = event.code;
    if (code == static_cast<std::uint16_t>(kKeyAltE)) code = kKeyAltEResult;
    read.key = static_cast<std::int16_t>(WithModifiers(code, event.controlState));
  } else if (state.MouseState == kMouseReporting && event.mouseKind == platform::kMouseReleased &&
             (event.buttons == platform::kButtonLeft || event.buttons == platform::kButtonRight)) {
    read.button = event.buttons;
    read.row = event.row;
    read.column = event.column;
  }

  if (read.key == kKeyAltX && state.CalculatorOpen == 0) {
    state.TypeAhead = OpenPopup(state, state.CalculatorOpen, true);
  } else if (read.key == kKeyAltC && state.CalendarOpen == 0) {
    state.TypeAhead = OpenPopup(state, state.CalendarOpen, false);
  }

  // Reporting stays on only while a read waits, so that clicks made meanwhile are not queued
  // up as stale input. Keys above 0x7FFF (F11, F12 and their forms) are keys too.
  if (state.MouseState == kMouseReporting && (read.key != 0 || read.button > 0)) {
    console.SetMouseReporting(false);
    state.MouseState = kMouseQuiet;
  }
  return read;
}

std::int16_t WaitKey(platform::Console& console, KeyReaderState& state) {
  while (true) {
    const KeyRead read = ReadKey(console, state);
    if (read.button != 0) {
      const auto click =
          static_cast<std::uint16_t>(read.column * 256 + read.button * 64 + read.row);
      if (click != 0) return static_cast<std::int16_t>(click);
    }
    if (read.key != 0) return read.key;
  }
}

}  // namespace form
