#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "popups/key_codes.h"
#include "popups/popups_fixture.h"

namespace popups {
namespace {

constexpr std::uint16_t kAltX = 0x2D00;

// The 20 interior characters of window row `row` (row 1 is screen row 2).
std::string WindowRow(const Snapshot& screen, int row) { return screen.Text(row + 1, 60, 20); }

std::string Trimmed(std::string text) {
  text.erase(0, text.find_first_not_of(' '));
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

const std::string kBlankRow(20, ' ');

class CalendarPopup : public PopupsFixture {};

TEST_F(CalendarPopup, OpensOnTheQuarterOfTheSessionDate) {
  const Snapshot before(console_);
  Script({{kKeyEsc}});
  EXPECT_EQ(tools_.ShowCalendar(), "");
  ASSERT_EQ(snapshots_.size(), 1u);
  const Snapshot& shown = snapshots_[0];

  EXPECT_EQ(shown.Text(1, 59, 22),
            "\xDA" + std::string(7, '\xC4') + " 2024 " + std::string(7, '\xC4') + "\xBF");
  EXPECT_EQ(shown.Text(24, 59, 22), "\xC0" + std::string(20, '\xC4') + "\xD9");
  EXPECT_EQ(WindowRow(shown, 1), "DL DT DC DJ DV DS DG");
  const char* const rows[] = {
      "       GENER        ",  //
      " 1  2  3  4  5  6  7",  //
      " 8  9 10 11 12 13 14",  //
      "15 16 17 18 19 20 21",  //
      "22 23 24 25 26 27 28",  //
      "29 30 31            ",  //
      "                    ",  //
      "       FEBRER       ",  //
      "          1  2  3  4",  //
      " 5  6  7  8  9 10 11",  //
      "12 13 14 15 16 17 18",  //
      "19 20 21 22 23 24 25",  //
      "26 27 28 29         ",  //
      "                    ",  //
      "        MAR\x80        ",
      "             1  2  3",  //
      " 4  5  6  7  8  9 10",  //
      "11 12 13 14 15 16 17",  //
      "18 19 20 21 22 23 24",  //
      "25 26 27 28 29 30 31",  //
      "                    ",
  };
  for (int row = 2; row <= 22; ++row) EXPECT_EQ(WindowRow(shown, row), rows[row - 2]) << row;

  // The 15th (a Friday) highlighted at window row 19, column 13; the other days in style "h",
  // titles and headers in style "n".
  EXPECT_EQ(shown.Attribute(20, 72), kStyleAttribute[4]);
  EXPECT_EQ(shown.Attribute(20, 73), kStyleAttribute[4]);
  EXPECT_EQ(shown.Attribute(20, 69), kStyleAttribute[0]);
  EXPECT_EQ(shown.Attribute(17, 68), kStyleAttribute[1]);
  EXPECT_EQ(shown.Attribute(2, 60), kStyleAttribute[1]);

  // Everything is given back: the screen, the cursor, the styles, the window stack.
  EXPECT_EQ(Snapshot(console_), before);
  EXPECT_EQ(console_.CursorSize(), 50);
  EXPECT_EQ(console_.CursorRow(), 7);
  EXPECT_EQ(console_.CursorColumn(), 9);
  EXPECT_EQ(screen_.SavedStyles(), 0u);
  EXPECT_EQ(screen_.WinDepth(), 0);
  EXPECT_FALSE(std::filesystem::exists(screen_.WinPushPath()));
}

TEST_F(CalendarPopup, SpeaksTheSessionLanguage) {
  struct Case {
    const char* language;
    const char* header;
    const char* january;
    const char* march;
  };
  const Case cases[] = {
      {"CAT", "DL DT DC DJ DV DS DG", "GENER", "MAR\x80"},
      {"SPA", " L  M  X  J  V  S  D", "ENERO", "MARZO"},
      {"GLG", " L  M  X  J  V  S  D", "JANEIRO", "MAR\x80O"},
      {"OCI", "DL DT DC DJ DD DS DG", "G\xD4R", "MAR\x80"},
      {"   ", "DL DT DC DJ DV DS DG", "GENER", "MAR\x80"},
  };
  for (const Case& c : cases) {
    session_.LanguageCode = c.language;
    Script({{kKeyEsc}});
    EXPECT_EQ(tools_.ShowCalendar(), "");
    ASSERT_EQ(snapshots_.size(), 1u);
    EXPECT_EQ(WindowRow(snapshots_[0], 1), c.header) << c.language;
    EXPECT_EQ(Trimmed(WindowRow(snapshots_[0], 2)), c.january) << c.language;
    EXPECT_EQ(Trimmed(WindowRow(snapshots_[0], 16)), c.march) << c.language;
  }
}

TEST_F(CalendarPopup, MovesTheDayAcrossMonthsQuartersAndYears) {
  struct Case {
    const char* start;
    Keys keys;
    const char* taken;
    const char* year;        // on the top frame row after the keys
    const char* firstTitle;  // of the quarter then on screen
  };
  const Case cases[] = {
      {"20240331", {kKeyRight}, "1/4/2024  ", "2024", "ABRIL"},
      {"20240101", {kKeyLeft}, "31/12/2023", "2023", "OCTUBRE"},
      {"20240129", {kKeyDown}, "5/2/2024  ", "2024", "GENER"},
      {"20240315", {kKeyUp}, "8/3/2024  ", "2024", "GENER"},
      {"20240103", {kKeyUp}, "27/12/2023", "2023", "OCTUBRE"},
      {"20241130", {kKeyPageDown}, "28/2/2025 ", "2025", "GENER"},
      {"20231130", {kKeyPageDown}, "29/2/2024 ", "2024", "GENER"},
      {"20240531", {kKeyPageUp}, "29/2/2024 ", "2024", "GENER"},
      {"20240930", {kKeyHome}, "30/1/2024 ", "2024", "GENER"},
      {"20240210", {kKeyEnd}, "10/12/2024", "2024", "OCTUBRE"},
      {"20240305", {}, "5/3/2024  ", "2024", "GENER"},
      {"20240315", {kKeyEnter, 'x', 0x3B00, kKeyRight, kKeyLeft}, "15/3/2024 ", "2024", "GENER"},
      // The first and last days the calendar can show: moves beyond them are ignored.
      {"00010101", {kKeyLeft, kKeyUp, kKeyPageUp}, "1/1/0001  ", "   1", "GENER"},
      {"99991231", {kKeyRight, kKeyDown, kKeyPageDown}, "31/12/9999", "9999", "OCTUBRE"},
  };
  for (const Case& c : cases) {
    SetSessionDate(c.start);
    Script({c.keys, {'F'}});
    EXPECT_EQ(tools_.ShowCalendar(), c.taken) << c.start;
    ASSERT_EQ(snapshots_.size(), 2u) << c.start;
    EXPECT_EQ(snapshots_[1].Text(1, 67, 6), std::string(" ") + c.year + " ") << c.start;
    EXPECT_EQ(Trimmed(WindowRow(snapshots_[1], 2)), c.firstTitle) << c.start;
  }
}

TEST_F(CalendarPopup, TakesTheDateWithFOrAltF) {
  for (std::uint16_t key : {std::uint16_t{'F'}, std::uint16_t{'f'}, std::uint16_t{kKeyAltF}}) {
    Script({{kKeyRight, key}});
    EXPECT_EQ(tools_.ShowCalendar(), "16/3/2024 ") << key;
  }
}

TEST_F(CalendarPopup, OpensOnTodayWithoutAValidSessionDate) {
  for (const char* date : {"", "2024", "20241301", "20240230", "00000101", "20240000"}) {
    SetSessionDate(date);
    Script({{'F'}});
    EXPECT_EQ(tools_.ShowCalendar(), "4/7/2025  ") << date;
  }
}

TEST_F(CalendarPopup, EveryMonthFillsSixWeekRows) {
  // February 2009 starts on a Sunday and takes five rows; February 2010 starts on a Monday in a
  // common year and takes exactly four, so the redraw must blank the fifth.
  SetSessionDate("20090215");
  Script({{kKeyPageDown, kKeyPageDown, kKeyPageDown, kKeyPageDown}, {kKeyEsc}});
  EXPECT_EQ(tools_.ShowCalendar(), "");
  ASSERT_EQ(snapshots_.size(), 2u);
  EXPECT_EQ(WindowRow(snapshots_[0], 14), "23 24 25 26 27 28   ");
  const Snapshot& shown = snapshots_[1];
  EXPECT_EQ(WindowRow(shown, 10), " 1  2  3  4  5  6  7");
  EXPECT_EQ(WindowRow(shown, 13), "22 23 24 25 26 27 28");
  EXPECT_EQ(WindowRow(shown, 14), kBlankRow);
  EXPECT_EQ(WindowRow(shown, 15), kBlankRow);
}

TEST_F(CalendarPopup, CalculatorOpenedMeanwhileTypesNothingIntoIt) {
  const Snapshot before(console_);
  Script({{kAltX, '5', 'F'}, {kKeyRight, 'F'}});
  EXPECT_EQ(tools_.ShowCalendar(), "16/3/2024 ");
  EXPECT_EQ(keys_.TypeAhead, "");
  EXPECT_EQ(keys_.CalculatorOpen, 0);
  EXPECT_EQ(CalculatorFile().substr(0, 10), "1,23,5,0\r\n");
  EXPECT_EQ(Snapshot(console_), before);
  EXPECT_EQ(screen_.WinDepth(), 0);
}

TEST_F(CalendarPopup, LeavesTheExitKeySetAsFound) {
  // A form runner's cell: its keys set, the one save slot holding the screen's set before.
  form::SetExitKeys(exitKeys_, "a", "3b00");
  form::SetExitKeys(exitKeys_, "+ea", "d,1b,4800=5000");
  const form::ExitKeySet before = exitKeys_;
  Script({{'F'}});
  EXPECT_EQ(tools_.ShowCalendar(), "15/3/2024 ");
  EXPECT_EQ(exitKeys_.ExitKeys, before.ExitKeys);
  EXPECT_EQ(exitKeys_.ExitResults, before.ExitResults);
  EXPECT_EQ(exitKeys_.SavedExitKeys, before.SavedExitKeys);
  EXPECT_EQ(exitKeys_.ExitSaveDepth, 1);
}

}  // namespace
}  // namespace popups
