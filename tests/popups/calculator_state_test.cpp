#include "popups/calculator_state.h"

#include <gtest/gtest.h>

#include <string>

namespace popups {
namespace {

std::string BlankTapeLines(int count) {
  std::string lines;
  for (int i = 0; i < count; ++i) lines += "0,0,0,\" \"\r\n";
  return lines;
}

TEST(CalculatorState, EmptyFileGivesTheInitialState) {
  const CalculatorState state = ReadCalculatorState("");
  EXPECT_EQ(state, CalculatorState{});
  EXPECT_EQ(state.leftColumn, 1);
  EXPECT_EQ(state.firstVisibleLine, 23);
  EXPECT_EQ(state.clearedFlag, -1);
  EXPECT_EQ(state.tape.back().operation, ' ');
}

TEST(CalculatorState, WritesTheLayoutLineByLine) {
  EXPECT_EQ(WriteCalculatorState(CalculatorState{}),
            "1,23,0,0\r\n-1,0,0,0\r\n\"\",\"\"\r\n" + BlankTapeLines(22));

  CalculatorState state;
  state.leftColumn = 30;
  state.firstVisibleLine = 20;
  state.entry = -12.5;
  state.accumulator = 0.0005;
  state.clearedFlag = 0;
  state.entryFlag = -1;
  state.entryPointFlag = -1;
  state.entryDecimals = 4;
  state.lastKey = "F";
  state.pendingOperation = "+";
  state.tape[21] = {8, 0, 0, ' '};
  state.tape[20] = {3.25, -1, 2, '='};
  EXPECT_EQ(WriteCalculatorState(state), "30,20,-12.5,0.0005\r\n0,-1,-1,4\r\n\"F\",\"+\"\r\n" +
                                             BlankTapeLines(20) +
                                             "3.25,-1,2,\"=\"\r\n8,0,0,\" \"\r\n");
}

TEST(CalculatorState, NumbersAreTheShortestPlainTextThatReadsBack) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {0, "0"},
      {0.1, "0.1"},
      {0.1 + 0.2, "0.30000000000000004"},
      {-12.5, "-12.5"},
      {0.0005, "0.0005"},
      {3.33333333333333, "3.33333333333333"},
      {1e20, "100000000000000000000"},
      {123456789012345.0, "123456789012345"},
  };
  for (const Case& c : cases) EXPECT_EQ(ShortestDecimal(c.value), c.text) << c.text;
}

TEST(CalculatorState, EveryValueReadsBackUnchanged) {
  CalculatorState state;
  state.leftColumn = 55;
  state.firstVisibleLine = 2;
  state.entry = 1.0 / 3;
  state.accumulator = -1e-300;
  state.entryDecimals = 14;
  state.lastKey = std::string("\0!", 2);  // Alt+F, low byte first
  state.pendingOperation = "/";
  for (int i = 0; i < kTapeLines; ++i) {
    state.tape[static_cast<std::size_t>(i)] = {i * 0.1 - 1e15, -1, static_cast<std::int16_t>(i),
                                               "+-*/=%R "[i % 8]};
  }
  EXPECT_EQ(ReadCalculatorState(WriteCalculatorState(state)), state);
}

// Damaged files: what makes sense is read, the rest keeps its initial value.
TEST(CalculatorState, DamagedFilesAreReadAsFarAsTheyMakeSense) {
  struct Case {
    const char* name;
    std::string file;
    void (*check)(const CalculatorState&);
  };
  const Case cases[] = {
      {"a line with only its first field", "7\r\n",
       [](const CalculatorState& s) {
         EXPECT_EQ(s.leftColumn, 7);
         EXPECT_EQ(s.firstVisibleLine, 23);
         EXPECT_EQ(s.entry, 0);
       }},
      {"non-numbers keep the initial values", "x,,abc,12z\r\nyes,-1,,\r\n",
       [](const CalculatorState& s) {
         EXPECT_EQ(s.leftColumn, 1);
         EXPECT_EQ(s.entry, 0);
         EXPECT_EQ(s.accumulator, 0);
         EXPECT_EQ(s.clearedFlag, -1);
         EXPECT_EQ(s.entryFlag, -1);
       }},
      {"infinities, NaN and overflowing numbers are refused", "1,23,inf,1e400\r\n",
       [](const CalculatorState& s) {
         EXPECT_EQ(s.entry, 0);
         EXPECT_EQ(s.accumulator, 0);
       }},
      {"absurd window positions", "0,1,5,6\r\n",
       [](const CalculatorState& s) {
         EXPECT_EQ(s.leftColumn, 1);
         EXPECT_EQ(s.firstVisibleLine, 23);
         EXPECT_EQ(s.entry, 5);
       }},
      {"window past the right edge and tape above the screen", "56,24\r\n",
       [](const CalculatorState& s) {
         EXPECT_EQ(s.leftColumn, 1);
         EXPECT_EQ(s.firstVisibleLine, 23);
       }},
      {"numbers beyond 16 bits and negative decimals", "1,23,0,0\r\n70000,0,-1,-3\r\n",
       [](const CalculatorState& s) {
         EXPECT_EQ(s.clearedFlag, -1);
         EXPECT_EQ(s.entryPointFlag, -1);
         EXPECT_EQ(s.entryDecimals, 0);
       }},
      {"numbers in other forms: exponent, leading point, plus sign, blanks",
       " 3 , 22 , 1.5E+2 , -.25 \n+0,0,0,2\n",
       [](const CalculatorState& s) {
         EXPECT_EQ(s.leftColumn, 3);
         EXPECT_EQ(s.firstVisibleLine, 22);
         EXPECT_EQ(s.entry, 150);
         EXPECT_EQ(s.accumulator, -0.25);
         EXPECT_EQ(s.clearedFlag, 0);
         EXPECT_EQ(s.entryDecimals, 2);
       }},
      {"a text without its closing quote runs to the line end; commas inside quotes stay",
       "\n\n\"a,b\",\"+\r\n",
       [](const CalculatorState& s) {
         EXPECT_EQ(s.lastKey, "a,b");
         EXPECT_EQ(s.pendingOperation, "+");
       }},
      {"a stray quote in an unquoted text is dropped, as no writer could keep it",
       "\n\nab\"c,\"+\"\n",
       [](const CalculatorState& s) {
         EXPECT_EQ(s.lastKey, "abc");
         EXPECT_EQ(s.pendingOperation, "+");
       }},
      {"more than 22 tape lines: the rest is ignored",
       "1,23,0,0\n-1,0,0,0\n\"\",\"\"\n" +
           [] {
             std::string lines;
             for (int i = 1; i <= 30; ++i) lines += std::to_string(i) + ",0,0,\"+\"\n";
             return lines;
           }(),
       [](const CalculatorState& s) {
         EXPECT_EQ(s.tape.front().value, 1);
         EXPECT_EQ(s.tape.back().value, 22);
         EXPECT_EQ(s.tape.back().operation, '+');
       }},
      {"a short tape fills the first lines; an empty operation reads as a blank",
       "1,23,0,0\n-1,0,0,0\n\"\",\"\"\n4,-1,1,\"\"\n9,0,0,\"*\"\n",
       [](const CalculatorState& s) {
         EXPECT_EQ(s.tape[0], (TapeLine{4, -1, 1, ' '}));
         EXPECT_EQ(s.tape[1], (TapeLine{9, 0, 0, '*'}));
         EXPECT_EQ(s.tape[2], TapeLine{});
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.check(ReadCalculatorState(c.file));
  }
}

}  // namespace
}  // namespace popups
