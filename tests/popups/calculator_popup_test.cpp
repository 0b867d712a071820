#include <gtest/gtest.h>

#include <string>

#include "popups/key_codes.h"
#include "popups/popups_fixture.h"

namespace popups {
namespace {

constexpr std::uint16_t kAltC = 0x2E00;

std::string Border(char left, char right) { return left + std::string(24, '\xC4') + right; }
const std::string kTop = Border('\xDA', '\xBF');
const std::string kTee = Border('\xC3', '\xB4');
const std::string kBottom = Border('\xC0', '\xD9');

// A tape row: the number right-aligned in 22 places, a blank, the operation.
std::string Line(std::string_view number, char operation) {
  return "\xB3" + std::string(22 - number.size(), ' ') + std::string(number) + ' ' + operation +
         "\xB3";
}
std::string Entry(std::string_view number) {
  return "\xB3" + std::string(22 - number.size(), ' ') + std::string(number) + "  \xB3";
}

// Row `row` of the window whose left edge is at `left`.
std::string Row(const Snapshot& screen, int row, int left = 1) {
  return screen.Text(row, left, 26);
}

class CalculatorPopup : public PopupsFixture {};

TEST_F(CalculatorPopup, PrintsTheTapeAndTypesTheTotalInHundredths) {
  const Snapshot before(console_);
  Script({Typed("5+3="), {'F'}});
  EXPECT_EQ(tools_.ShowCalculator(), "800");
  ASSERT_EQ(snapshots_.size(), 2u);

  const Snapshot& opened = snapshots_[0];
  EXPECT_EQ(Row(opened, 22), before.Text(22, 1, 26));  // no tape yet: the screen beneath
  EXPECT_EQ(Row(opened, 23), kTop);
  EXPECT_EQ(Row(opened, 24), Entry("0"));
  EXPECT_EQ(Row(opened, 25), kBottom);

  const Snapshot& shown = snapshots_[1];
  EXPECT_EQ(Row(shown, 18), before.Text(18, 1, 26));
  EXPECT_EQ(Row(shown, 19), kTop);
  EXPECT_EQ(Row(shown, 20), Line("5", '+'));
  EXPECT_EQ(Row(shown, 21), Line("3", '='));
  EXPECT_EQ(Row(shown, 22), Line("8", ' '));
  EXPECT_EQ(Row(shown, 23), kTee);
  EXPECT_EQ(Row(shown, 24), Entry("8"));
  EXPECT_EQ(Row(shown, 25), kBottom);
  EXPECT_EQ(shown.Text(24, 27, 54), before.Text(24, 27, 54));
  EXPECT_EQ(shown.Attribute(24, 10), kStyleAttribute[1]);

  EXPECT_EQ(Snapshot(console_), before);
  EXPECT_EQ(console_.CursorSize(), 50);
  EXPECT_EQ(screen_.SavedStyles(), 0u);
  EXPECT_EQ(screen_.WinDepth(), 0);
  EXPECT_EQ(CalculatorFile().substr(0, 20), "1,20,8,8\r\n0,0,0,0\r\n\"");
}

TEST_F(CalculatorPopup, ShowsFifteenSignificantDigitsAndRoundsToHundredths) {
  Script({Typed("10/3="), {'R'}, {kKeyEsc}});
  EXPECT_EQ(tools_.ShowCalculator(), "");
  ASSERT_EQ(snapshots_.size(), 3u);
  EXPECT_EQ(Row(snapshots_[1], 24), Entry("3.33333333333333"));
  EXPECT_EQ(Row(snapshots_[1], 22), Line("3.33333333333333", ' '));
  EXPECT_EQ(Row(snapshots_[2], 22), Line("3.33", 'R'));
  EXPECT_EQ(Row(snapshots_[2], 24), Entry("3.33"));
}

TEST_F(CalculatorPopup, PercentTakesAShareOfTheRunningTotal) {
  Script({Typed("200+10%"), Typed("="), {'F'}});
  EXPECT_EQ(tools_.ShowCalculator(), "22000");
  EXPECT_EQ(Row(snapshots_[1], 21), Line("200", '+'));
  EXPECT_EQ(Row(snapshots_[1], 22), Line("10", '%'));
  EXPECT_EQ(Row(snapshots_[1], 24), Entry("20"));
  EXPECT_EQ(Row(snapshots_[2], 22), Line("220", ' '));
}

TEST_F(CalculatorPopup, ThreeClearsEntryThenAllThenTheVisibleTape) {
  const Snapshot before(console_);
  Script({Typed("5+7"), {'C'}, {'C'}, {'C'}, {kKeyEsc}});
  EXPECT_EQ(tools_.ShowCalculator(), "");
  ASSERT_EQ(snapshots_.size(), 5u);
  EXPECT_EQ(Row(snapshots_[1], 24), Entry("7"));
  EXPECT_EQ(Row(snapshots_[2], 24), Entry("5"));
  EXPECT_EQ(Row(snapshots_[3], 24), Entry("0"));
  EXPECT_EQ(Row(snapshots_[3], 22), Line("5", '+'));
  EXPECT_EQ(Row(snapshots_[4], 21), before.Text(21, 1, 26));
  EXPECT_EQ(Row(snapshots_[4], 22), before.Text(22, 1, 26));
  EXPECT_EQ(Row(snapshots_[4], 23), kTop);
}

TEST_F(CalculatorPopup, KeepsTheNewest22LinesAndShowsTwentyOne) {
  Keys keys;
  for (int i = 1; i <= 23; ++i) keys = Join({keys, Typed(std::to_string(i % 10) + "+")});
  Script({keys, {kKeyEsc}});
  EXPECT_EQ(tools_.ShowCalculator(), "");
  const Snapshot& shown = snapshots_[1];
  EXPECT_EQ(Row(shown, 1), kTop);
  EXPECT_EQ(Row(shown, 2), Line("3", '+'));  // tape line 2 holds the third number
  EXPECT_EQ(Row(shown, 3), Line("4", '+'));
  EXPECT_EQ(Row(shown, 22), Line("3", '+'));  // the 23rd
  EXPECT_EQ(Row(shown, 23), kTee);
}

TEST_F(CalculatorPopup, SlidesAndWrapsAroundAtTheScreenEdges) {
  const Snapshot before(console_);
  Script({{kKeyLeft}, {kKeyRight}, {kKeyCtrlRight}, {kKeyEsc}});
  EXPECT_EQ(tools_.ShowCalculator(), "");
  ASSERT_EQ(snapshots_.size(), 4u);
  EXPECT_EQ(Row(snapshots_[1], 25, 55), kBottom);
  EXPECT_EQ(Row(snapshots_[1], 24, 55), Entry("0"));
  EXPECT_EQ(Row(snapshots_[1], 25, 1), before.Text(25, 1, 26));
  EXPECT_EQ(Row(snapshots_[2], 25, 1), kBottom);
  EXPECT_EQ(Row(snapshots_[2], 25, 55), before.Text(25, 55, 26));
  EXPECT_EQ(Row(snapshots_[3], 25, 2), kBottom);
  EXPECT_EQ(Snapshot(console_), before);
  EXPECT_EQ(CalculatorFile().substr(0, 2), "2,");
}

TEST_F(CalculatorPopup, ReopensExactlyAsItWasLeft) {
  Script({Join({Typed("12+"), {kKeyRight, kKeyRight}, Typed("4")}), {kKeyEsc}});
  EXPECT_EQ(tools_.ShowCalculator(), "");
  const Snapshot left = snapshots_[1];

  Script({{'F'}});
  EXPECT_EQ(tools_.ShowCalculator(), "400");
  const Snapshot& reopened = snapshots_[0];
  for (int row = 21; row <= 25; ++row) EXPECT_EQ(Row(reopened, row, 3), Row(left, row, 3)) << row;
  EXPECT_EQ(Row(reopened, 22, 3), Line("12", '+'));
  EXPECT_EQ(Row(reopened, 24, 3), Entry("4"));

  // After F the entry is no longer being typed: the total so far is what F takes now.
  Script({Typed("="), {'F'}});
  EXPECT_EQ(tools_.ShowCalculator(), "1600");
}

TEST_F(CalculatorPopup, TakesTheMagnitudeInHundredths) {
  Script({Typed("12.5T"), {'F'}});
  EXPECT_EQ(tools_.ShowCalculator(), "1250");
  // The mask's sign position is its first character.
  EXPECT_EQ(Row(snapshots_[1], 24), "\xB3-" + std::string(17, ' ') + "12.5  \xB3");

  termDir_.Write("KAVCALC.TMP", "");
  Script({Typed("0.0005"), {kKeyAltF}});
  EXPECT_EQ(tools_.ShowCalculator(), ".05");
  EXPECT_EQ(Row(snapshots_[1], 24), Entry("0.0005"));
}

TEST_F(CalculatorPopup, DivisionByZeroIsRefusedWithABeep) {
  Script({Typed("5/0="), {kKeyEsc}});
  EXPECT_EQ(tools_.ShowCalculator(), "");
  EXPECT_EQ(console_.beeps(), 1);
  EXPECT_EQ(Row(snapshots_[1], 22), Line("5", '/'));
  EXPECT_EQ(Row(snapshots_[1], 24), Entry("0"));
}

TEST_F(CalculatorPopup, DamagedStateFileOpensOnWhatMakesSense) {
  termDir_.Write("KAVCALC.TMP", "99,1,abc,7\r\nx\r\n\"\r\n");
  Script({{'F'}});
  EXPECT_EQ(tools_.ShowCalculator(), "700");  // the accumulator: no entry is being typed
  EXPECT_EQ(Row(snapshots_[0], 23), kTop);
  EXPECT_EQ(Row(snapshots_[0], 24), Entry("0"));
  EXPECT_EQ(CalculatorFile().substr(0, 20), "1,23,0,7\r\n-1,0,0,0\r\n");
}

TEST_F(CalculatorPopup, CalendarOpenedMeanwhileTypesTheDateAsKeys) {
  SetSessionDate("20240305");
  Script({{kAltC, 'F'}, {kKeyEsc}});
  EXPECT_EQ(tools_.ShowCalculator(), "");
  // "5/3/2024  " arrived as keys: 5 / 3 / 2024, the blanks ignored.
  const Snapshot& shown = snapshots_[1];
  EXPECT_EQ(Row(shown, 21), Line("5", '/'));
  EXPECT_EQ(Row(shown, 22), Line("3", '/'));
  EXPECT_EQ(Row(shown, 24), Entry("2,024"));
  EXPECT_EQ(keys_.CalendarOpen, 0);
  EXPECT_EQ(screen_.WinDepth(), 0);
}

}  // namespace
}  // namespace popups
