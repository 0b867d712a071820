#include "popups/calculator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace popups {
namespace {

// Presses the characters of `keys` in turn; returns the last action.
CalculatorAction Press(CalculatorState& state, std::string_view keys) {
  CalculatorAction action = CalculatorAction::kNone;
  for (char c : keys) action = PressCalculatorKey(state, static_cast<unsigned char>(c));
  return action;
}

// The newest tape lines as "value op" texts, oldest first.
std::vector<std::string> TapeTail(const CalculatorState& state, std::size_t count) {
  std::vector<std::string> lines;
  for (std::size_t i = state.tape.size() - count; i < state.tape.size(); ++i) {
    lines.push_back(ShortestDecimal(state.tape[i].value) + " " + state.tape[i].operation);
  }
  return lines;
}

TEST(Calculator, AddsAndTakesTheTotalInHundredths) {
  CalculatorState state;
  Press(state, "5+3=");
  EXPECT_EQ(TapeTail(state, 3), (std::vector<std::string>{"5 +", "3 =", "8  "}));
  EXPECT_EQ(state.entry, 8);
  EXPECT_EQ(state.firstVisibleLine, 20);
  EXPECT_EQ(state.pendingOperation, "");
  EXPECT_EQ(TakeCalculatorValue(state), "800");
  EXPECT_EQ(Press(state, "f"), CalculatorAction::kTake);
}

TEST(Calculator, PercentOfTheRunningTotal) {
  CalculatorState state;
  Press(state, "200+10%");
  EXPECT_EQ(TapeTail(state, 2), (std::vector<std::string>{"200 +", "10 %"}));
  EXPECT_EQ(state.entry, 20);
  EXPECT_EQ(state.pendingOperation, "+");
  Press(state, "=");
  EXPECT_EQ(state.entry, 220);
  EXPECT_EQ(TapeTail(state, 2), (std::vector<std::string>{"20 =", "220  "}));

  CalculatorState plain;
  Press(plain, "50%");  // no total to take a share of: a hundredth of the entry
  EXPECT_EQ(plain.entry, 0.5);
  EXPECT_EQ(plain.entryDecimals, 1);
}

TEST(Calculator, NormalisesToFifteenDigitsAndRoundsToHundredths) {
  CalculatorState state;
  Press(state, "10/3=");
  EXPECT_EQ(state.entry, 3.33333333333333);
  EXPECT_EQ(state.entryDecimals, 14);
  EXPECT_EQ(state.entryPointFlag, -1);
  EXPECT_EQ(Press(state, "r"), CalculatorAction::kTapeShown);
  EXPECT_EQ(state.entry, 3.33);
  EXPECT_EQ(state.accumulator, 3.33);
  EXPECT_EQ(state.entryDecimals, 2);
  EXPECT_EQ(TapeTail(state, 1), (std::vector<std::string>{"3.33 R"}));
}

TEST(Calculator, NormaliseKeepsFifteenSignificantDigitsWithoutTrailingZeros) {
  struct Case {
    double value;
    double expected;
    int decimals;
  };
  const Case cases[] = {
      {8, 8, 0},
      {0.1 + 0.2, 0.3, 1},
      {1.0 / 3, 0.333333333333333, 15},
      // Scaled by ten fifteen times, 2/3 lands on an exact half, which is dropped.
      {2.0 / 3, 0.666666666666666, 15},
      {0.123456789012345678, 0.123456789012346, 15},
      {-2.5, -2.5, 1},
      {123456789.123456789, 123456789.123457, 6},
      {1e20, 1e20, 0},
      {0, 0, 0},
  };
  for (const Case& c : cases) {
    const Normalised n = Normalise(c.value);
    EXPECT_EQ(n.value, c.expected) << ShortestDecimal(c.value);
    EXPECT_EQ(n.decimals, c.decimals) << ShortestDecimal(c.value);
  }
}

TEST(Calculator, RoundsTheMagnitudeOfNegativeEntriesHalfToEven) {
  struct Case {
    double entry;
    double expected;
  };
  // 1.125 and 1.375 are exact in binary, so their hundredths are exact halves.
  const Case cases[] = {
      {1.236, 1.24}, {-1.236, -1.24}, {1.125, 1.12}, {-1.125, -1.12},
      {1.375, 1.38}, {-1.375, -1.38}, {-0.001, 0},
  };
  for (const Case& c : cases) {
    CalculatorState state;
    state.entry = c.entry;
    Press(state, "R");
    EXPECT_EQ(state.entry, c.expected) << c.entry;
    EXPECT_EQ(state.accumulator, c.expected) << c.entry;
  }
}

TEST(Calculator, EqualsNeedsATypedNumberAndEnterIsEquals) {
  CalculatorState state;
  EXPECT_EQ(Press(state, "="), CalculatorAction::kNone);
  EXPECT_EQ(state.firstVisibleLine, 23);
  Press(state, "4*6\r");
  EXPECT_EQ(state.entry, 24);
  EXPECT_EQ(TapeTail(state, 3), (std::vector<std::string>{"4 *", "6 =", "24  "}));
  EXPECT_EQ(Press(state, "\r"), CalculatorAction::kNone);  // the total is no typed number
}

TEST(Calculator, ClearEntryThenAllThenTheVisibleTape) {
  CalculatorState state;
  Press(state, "5+7");
  EXPECT_EQ(Press(state, "C"), CalculatorAction::kNone);
  EXPECT_EQ(state.entry, 5);
  EXPECT_EQ(state.entryFlag, 0);
  EXPECT_EQ(state.pendingOperation, "+");
  EXPECT_EQ(Press(state, "c"), CalculatorAction::kNone);
  EXPECT_EQ(state.entry, 0);
  EXPECT_EQ(state.accumulator, 0);
  EXPECT_EQ(state.clearedFlag, -1);
  EXPECT_EQ(state.pendingOperation, "+");
  EXPECT_EQ(state.firstVisibleLine, 22);
  EXPECT_EQ(Press(state, "C"), CalculatorAction::kTapeHidden);
  EXPECT_EQ(state.firstVisibleLine, 23);
  EXPECT_EQ(TapeTail(state, 1), (std::vector<std::string>{"5 +"}));  // kept for later

  CalculatorState fresh;
  EXPECT_EQ(Press(fresh, "C"), CalculatorAction::kTapeHidden);
}

TEST(Calculator, BackspaceTakesBackDigitsAndThePoint) {
  struct Case {
    const char* keys;
    double entry;
    int pointFlag;
    int decimals;
    int entryFlag;
  };
  const Case cases[] = {
      {"123\b", 12, 0, 0, -1},    {"1.5\b", 1, -1, 0, -1}, {"1.5\b\b", 1, 0, 0, -1},
      {"1.25\b", 1.2, -1, 1, -1}, {"7\b", 0, 0, 0, 0},     {"\b", 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    CalculatorState state;
    Press(state, c.keys);
    EXPECT_EQ(state.entry, c.entry) << c.keys;
    EXPECT_EQ(state.entryPointFlag, c.pointFlag) << c.keys;
    EXPECT_EQ(state.entryDecimals, c.decimals) << c.keys;
    EXPECT_EQ(state.entryFlag, c.entryFlag) << c.keys;
  }
}

TEST(Calculator, TapeKeepsTheNewest22LinesAndShowsAtMost21) {
  CalculatorState state;
  for (int i = 1; i <= 23; ++i) Press(state, std::to_string(i % 10) + "+");
  EXPECT_EQ(state.firstVisibleLine, 2);
  EXPECT_EQ(state.tape.front().value, 2);  // the first line dropped off
  EXPECT_EQ(state.tape.back().value, 3);   // 23 % 10
  EXPECT_EQ(state.tape.back().operation, '+');
}

TEST(Calculator, WindowWrapsAroundAtBothEdges) {
  CalculatorState state;
  EXPECT_EQ(PressCalculatorKey(state, kKeyLeft), CalculatorAction::kMoved);
  EXPECT_EQ(state.leftColumn, 55);
  EXPECT_EQ(PressCalculatorKey(state, kKeyCtrlRight), CalculatorAction::kMoved);
  EXPECT_EQ(state.leftColumn, 1);
  EXPECT_EQ(PressCalculatorKey(state, kKeyRight), CalculatorAction::kMoved);
  EXPECT_EQ(state.leftColumn, 2);
  EXPECT_EQ(PressCalculatorKey(state, kKeyCtrlLeft), CalculatorAction::kMoved);
  EXPECT_EQ(state.leftColumn, 1);
}

TEST(Calculator, DivisionByZeroIsRefusedAndChangesNothing) {
  CalculatorState state;
  Press(state, "5/0");
  const CalculatorState before = state;
  EXPECT_EQ(Press(state, "="), CalculatorAction::kRefused);
  EXPECT_EQ(state, before);
  EXPECT_EQ(Press(state, "+"), CalculatorAction::kRefused);
  Press(state, "\b2=");
  EXPECT_EQ(state.entry, 2.5);
}

TEST(Calculator, NumbersBeyondADoubleAreRefused) {
  CalculatorState state;
  for (int i = 0; i < 400; ++i) PressCalculatorKey(state, '9');
  EXPECT_TRUE(std::isfinite(state.entry));
  EXPECT_GT(state.entry, 1e307);
  EXPECT_EQ(Press(state, "*9"), CalculatorAction::kNone);
  EXPECT_EQ(Press(state, "="), CalculatorAction::kRefused);
}

TEST(Calculator, TakesTheValueInHundredthsWithoutSign) {
  struct Case {
    const char* keys;
    const char* taken;
  };
  const Case cases[] = {
      {"12.5", "1250"},
      {"12.5T", "1250"},
      {"1234.567", "123456.7"},
      {".25", "25"},
      {"0.0005", ".05"},
      {"", "0"},
      {"5+3=", "800"},
      {"0.29", "29"},
      {"1.5+1.5=", "300"},
      {"2+", "200"},
      {"10/3=", "333.333333333333"},
  };
  for (const Case& c : cases) {
    CalculatorState state;
    Press(state, c.keys);
    EXPECT_EQ(TakeCalculatorValue(state), c.taken) << c.keys;
  }
  CalculatorState deep;
  deep.entryFlag = -1;
  deep.entry = 1.5;
  deep.entryDecimals = 2000;  // more decimals than any power of ten a double holds
  EXPECT_EQ(TakeCalculatorValue(deep).substr(0, 4), "150.");
}

TEST(Calculator, DisplayMaskGivesDecimalsRoomFromTheIntegerDigits) {
  EXPECT_EQ(CalculatorMask(0, 0), "-Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9");
  EXPECT_EQ(CalculatorMask(-1, 2), "-ZZ,ZZZ,ZZZ,ZZZ,ZZ9.99");
  EXPECT_EQ(CalculatorMask(-1, 0), "-,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9.");
  EXPECT_EQ(CalculatorMask(-1, 14), "-ZZ,ZZ9.99999999999999");
  EXPECT_EQ(CalculatorMask(-1, 30), "-" + std::string(21, '9'));
}

}  // namespace
}  // namespace popups
