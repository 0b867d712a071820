#include "popups/calculator.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace popups {
namespace {

constexpr std::string_view kIntegerMask = "Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9";
constexpr std::size_t kMaskDigits = 21;
constexpr int kSignificantDigits = 15;
constexpr int kTakenDecimals = 2;  // the value is taken in hundredths
constexpr std::int16_t kTrue = -1;
constexpr std::int16_t kFalse = 0;

double PowerOfTen(int exponent) { return std::pow(10.0, exponent); }

// `value` cut toward zero to `decimals` decimals. Where 10^decimals is beyond a double, no
// typed digit can reach that deep and the value is already cut.
double CutDecimals(double value, int decimals) {
  const double scale = PowerOfTen(decimals);
  if (!std::isfinite(value * scale)) return value;
  return std::trunc(value * scale) / scale;
}

bool AllFinite(const CalculatorState& state) {
  if (!std::isfinite(state.entry) || !std::isfinite(state.accumulator)) return false;
  return std::all_of(state.tape.begin(), state.tape.end(),
                     [](const TapeLine& line) { return std::isfinite(line.value); });
}

void StartEntryIfNew(CalculatorState& state) {
  if (state.entryFlag == kFalse) {
    state.entry = 0;
    state.entryPointFlag = kFalse;
    state.entryDecimals = 0;
  }
}

void SetEntryNormalised(CalculatorState& state, double value) {
  const Normalised n = Normalise(value);
  state.entry = n.value;
  state.entryDecimals = n.decimals;
  state.entryPointFlag = n.decimals > 0 ? kTrue : kFalse;
}

// The oldest line drops off line 1; the entry becomes line 22, and one more line shows until
// the tape reaches the top of the screen.
void PrintOnTape(CalculatorState& state, std::string_view keyText) {
  if (state.firstVisibleLine > kTopVisibleLine) --state.firstVisibleLine;
  std::move(state.tape.begin() + 1, state.tape.end(), state.tape.begin());
  state.tape.back() = TapeLine{state.entry, state.entryPointFlag, state.entryDecimals,
                               keyText.empty() ? ' ' : keyText.front()};
}

// Half to even on the hundredths of the magnitude, so that -1.235 and 1.235 round alike.
void RoundToHundredths(CalculatorState& state) {
  const double x = 100 * std::fabs(state.entry);
  double whole = std::trunc(x);
  const double fraction = x - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2) == 1)) whole += 1;
  state.entry = std::signbit(state.entry) ? -(whole / 100) : whole / 100;
  state.accumulator = state.entry;
  state.entryPointFlag = kTrue;
  state.entryDecimals = 2;
  PrintOnTape(state, "R");
}

CalculatorAction Clear(CalculatorState& state) {
  if (state.entryFlag != kFalse) {
    state.entryFlag = kFalse;
    state.entry = state.accumulator;
    state.entryPointFlag = kFalse;
    state.entryDecimals = 0;
    return CalculatorAction::kNone;
  }
  if (state.clearedFlag == kFalse) {
    state.entry = 0;
    state.accumulator = 0;
    state.entryPointFlag = kFalse;
    state.entryDecimals = 0;
    state.lastKey.clear();
    state.clearedFlag = kTrue;
    return CalculatorAction::kNone;
  }
  // The lines stay in the state; only the screen forgets them.
  state.firstVisibleLine = kNoLineVisible;
  return CalculatorAction::kTapeHidden;
}

void Percent(CalculatorState& state) {
  PrintOnTape(state, "%");
  const std::string& pending = state.pendingOperation;
  if (pending == "+" || pending == "-") {
    SetEntryNormalised(state, state.accumulator / 100 * state.entry);
  } else {
    SetEntryNormalised(state, state.entry / 100);
  }
}

void ApplyOperation(CalculatorState& state) {
  const std::string& pending = state.pendingOperation;
  if (pending.empty()) {
    state.accumulator = state.entry;
  } else if (pending == "+") {
    state.accumulator += state.entry;
  } else if (pending == "-") {
    state.accumulator -= state.entry;
  } else if (pending == "*") {
    state.accumulator *= state.entry;
  } else if (pending == "/") {
    state.accumulator /= state.entry;
  }
  PrintOnTape(state, state.lastKey);
  SetEntryNormalised(state, state.accumulator);
  if (state.lastKey == "=") {
    PrintOnTape(state, "");
    state.lastKey.clear();
  }
  state.entryFlag = kFalse;
  state.clearedFlag = kFalse;
  state.pendingOperation = state.lastKey;
}

CalculatorAction OperationStep(CalculatorState& state) {
  switch (state.lastKey.front()) {
    case 'C':
      return Clear(state);
    case 'R':
      RoundToHundredths(state);
      return CalculatorAction::kTapeShown;
    case '%':
      Percent(state);
      return CalculatorAction::kTapeShown;
    default:
      ApplyOperation(state);
      return CalculatorAction::kTapeShown;
  }
}

CalculatorAction Digit(CalculatorState& state, int digit) {
  StartEntryIfNew(state);
  if (state.entryPointFlag == kFalse) {
    state.entry = state.entry * 10 + digit;
  } else {
    if (state.entryDecimals == std::numeric_limits<std::int16_t>::max()) {
      return CalculatorAction::kRefused;
    }
    ++state.entryDecimals;
    state.entry += digit / PowerOfTen(state.entryDecimals);
  }
  state.entryFlag = kTrue;
  return CalculatorAction::kNone;
}

void Backspace(CalculatorState& state) {
  if (state.entryPointFlag == kFalse) {
    state.entry = std::trunc(state.entry / 10);
  } else if (--state.entryDecimals < 0) {
    state.entryPointFlag = kFalse;
    state.entryDecimals = 0;
  } else {
    state.entry = CutDecimals(state.entry, state.entryDecimals);
  }
  if (state.entry == 0) state.entryFlag = kFalse;
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

CalculatorAction Apply(CalculatorState& state, std::int16_t key) {
  const int code = key;
  if (std::abs(code) > 255) {
    state.lastKey = {static_cast<char>(code & 0xFF), static_cast<char>((code >> 8) & 0xFF)};
    switch (key) {
      case kKeyLeft:
      case kKeyCtrlLeft:
        state.leftColumn = state.leftColumn <= kFirstLeftColumn
                               ? kLastLeftColumn
                               : static_cast<std::int16_t>(state.leftColumn - 1);
        return CalculatorAction::kMoved;
      case kKeyRight:
      case kKeyCtrlRight:
        state.leftColumn = state.leftColumn >= kLastLeftColumn
                               ? kFirstLeftColumn
                               : static_cast<std::int16_t>(state.leftColumn + 1);
        return CalculatorAction::kMoved;
      case kKeyAltF:
        return CalculatorAction::kTake;
      default:
        return CalculatorAction::kNone;
    }
  }

  const char c = UpperAscii(static_cast<char>(code & 0xFF));
  state.lastKey = std::string(1, c);
  if (c >= '0' && c <= '9') return Digit(state, c - '0');
  switch (c) {
    case '.':
      StartEntryIfNew(state);
      if (state.entryPointFlag == kFalse) {
        state.entryPointFlag = kTrue;
        state.entryDecimals = 0;
      }
      state.entryFlag = kTrue;
      return CalculatorAction::kNone;
    case kKeyBackspace:
      Backspace(state);
      return CalculatorAction::kNone;
    case '+':
    case '-':
    case '*':
    case '/':
    case '%':
    case 'R':
    case 'C':
      return OperationStep(state);
    case '=':
    case kKeyEnter:
      if (state.entryFlag == kFalse) return CalculatorAction::kNone;
      state.lastKey = "=";
      return OperationStep(state);
    case 'T':
      state.entry = -state.entry;
      return CalculatorAction::kNone;
    case 'F':
      return CalculatorAction::kTake;
    case kKeyEsc:
      return CalculatorAction::kCancel;
    default:
      return CalculatorAction::kNone;
  }
}

}  // namespace

Normalised Normalise(double value) {
  if (!std::isfinite(value)) return {value, 0};
  const double magnitude = std::fabs(value);
  int integerDigits = 0;
  for (double whole = std::trunc(magnitude); whole >= 1; whole = std::trunc(whole / 10)) {
    ++integerDigits;
  }
  double scaled = magnitude;
  int decimals = 0;
  while (scaled != std::trunc(scaled) && decimals + integerDigits < kSignificantDigits) {
    scaled *= 10;
    ++decimals;
  }
  double whole = std::trunc(scaled);
  if (scaled - whole > 0.5) whole += 1;
  while (decimals > 0 && std::fmod(whole, 10) == 0) {
    whole /= 10;
    --decimals;
  }
  const double result = whole / PowerOfTen(decimals);
  return {std::signbit(value) ? -result : result, static_cast<std::int16_t>(decimals)};
}

CalculatorAction PressCalculatorKey(CalculatorState& state, std::int16_t key) {
  // Worked on a copy so that a refused key leaves everything as it was.
  CalculatorState next = state;
  const CalculatorAction action = Apply(next, key);
  if (action == CalculatorAction::kRefused || !AllFinite(next)) return CalculatorAction::kRefused;
  state = std::move(next);
  return action;
}

std::string TakeCalculatorValue(const CalculatorState& state) {
  const int decimals = std::max<int>(state.entryDecimals, kTakenDecimals);
  const double value = std::fabs(state.entryFlag != kFalse ? state.entry : state.accumulator);
  // The digits of value x 10^decimals, rounded, read off the exact decimal form of the double
  // so that no power of ten can overflow.
  std::string fixed(std::size_t{320} + static_cast<std::size_t>(decimals), '\0');
  const auto result = std::to_chars(fixed.data(), fixed.data() + fixed.size(), value,
                                    std::chars_format::fixed, decimals);
  fixed.resize(result.ec == std::errc() ? static_cast<std::size_t>(result.ptr - fixed.data()) : 0);
  std::string digits;
  for (char c : fixed) {
    if (c >= '0' && c <= '9' && !(digits.empty() && c == '0')) digits += c;
  }
  if (digits.empty()) digits = "0";

  const std::size_t shown = static_cast<std::size_t>(decimals - kTakenDecimals);
  if (shown == 0) return digits;
  if (digits.size() < shown) digits.insert(0, shown - digits.size(), '0');
  digits.insert(digits.size() - shown, 1, '.');
  return digits;
}

std::string CalculatorMask(std::int16_t pointFlag, std::int16_t decimals) {
  std::string text(kIntegerMask);
  if (pointFlag != kFalse) {
    text += '.';
    // Only the last 21 characters count, so more "9"s than that change nothing.
    text.append(
        std::min<std::size_t>(static_cast<std::size_t>(std::max<int>(decimals, 0)), kMaskDigits),
        '9');
  }
  return "-" + text.substr(text.size() - kMaskDigits);
}

}  // namespace popups
