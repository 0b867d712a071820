// The adding machine's whole state (window place, entry, accumulator, pending operation, the
// 22-line tape) and its file KAVCALC.TMP in the terminal directory, which carries the state from
// one opening to the next. The reader takes bytes and gives a state; the writer does the
// reverse; neither touches a file. The caller owns the state for one opening of the calculator.
// No input, however damaged, makes the reader crash or yield a value the calculator cannot use.
//
// File: text, one record per line ending in CR LF, fields separated by commas, numbers as plain
// decimal text (the shortest that reads back to the same double), texts in double quotes:
//   | line    | fields                                                               |
//   |---------|----------------------------------------------------------------------|
//   | 1       | left column, first visible line, entry, accumulator                  |
//   | 2       | cleared flag, entry flag, entry point flag, entry decimals           |
//   | 3       | last key (quoted), pending operation (quoted)                        |
//   | 4 to 25 | tape line 1 to 22: value, point flag, decimals, operation (quoted)   |
// A field that is missing, not a number, not finite or out of its range keeps its initial
// value; lines past the 25th are ignored; LF alone ends a line as well as CR LF.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace popups {

inline constexpr std::string_view kCalculatorFile = "KAVCALC.TMP";

inline constexpr int kTapeLines = 22;
// The window's left edge stays within 1-55, so its 26 columns end at column 80 at most.
inline constexpr std::int16_t kFirstLeftColumn = 1;
inline constexpr std::int16_t kLastLeftColumn = 55;
// Tape line n shows on screen row n; a first visible line of 23 shows none.
inline constexpr std::int16_t kTopVisibleLine = 2;
inline constexpr std::int16_t kNoLineVisible = 23;

struct TapeLine {
  double value = 0;
  std::int16_t pointFlag = 0;
  std::int16_t decimals = 0;
  char operation = ' ';
  bool operator==(const TapeLine&) const = default;
};

// Flags are -1 for true and 0 for false, tested as non-zero.
struct CalculatorState {
  std::int16_t leftColumn = kFirstLeftColumn;
  std::int16_t firstVisibleLine = kNoLineVisible;
  double entry = 0;
  double accumulator = 0;
  std::int16_t clearedFlag = -1;
  std::int16_t entryFlag = 0;
  std::int16_t entryPointFlag = 0;
  std::int16_t entryDecimals = 0;
  std::string lastKey;
  std::string pendingOperation;
  // tape[0] is line 1 (kept but never shown), tape[21] line 22, the newest.
  std::array<TapeLine, kTapeLines> tape{};
  bool operator==(const CalculatorState&) const = default;
};

// A state from the bytes of KAVCALC.TMP; the empty text gives the initial state.
CalculatorState ReadCalculatorState(std::string_view bytes);
// The bytes of KAVCALC.TMP for `state`.
std::string WriteCalculatorState(const CalculatorState& state);

// The shortest plain decimal text (no exponent) that reads back to `value`; finite values only.
std::string ShortestDecimal(double value);

}  // namespace popups
