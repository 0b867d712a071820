#include "text/date_math.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "frame/session.h"

namespace text {
namespace {

std::string Packed(std::string_view digits) { return frame::PackDigits(digits); }

TEST(UnpackDigits, GivesTwoDigitsPerByte) {
  struct Case {
    std::string bytes;
    std::string expected;
  };
  const Case cases[] = {
      {"\x94\x98\x81\x8F", "20240115"},
      {"", ""},
      {" ", "32"},     // below 128: the byte's own value
      {"\xFF", "27"},  // 127 keeps its last two digits
      {"\x80\xE3", "0099"},
      {std::string(1, '\0'), "00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UnpackDigits(c.bytes), c.expected) << "bytes of " << c.expected;
  }
}

TEST(Calendar, LeapYearsSwitchRuleIn1582) {
  struct Case {
    int year;
    bool leap;
  };
  const Case cases[] = {{1500, true},  {1580, true},  {1581, false}, {1600, true},
                        {1700, false}, {1800, false}, {1900, false}, {2000, true},
                        {2023, false}, {2024, true},  {2100, false}, {4, true}};
  for (const Case& c : cases) EXPECT_EQ(IsLeapYear(c.year), c.leap) << "year " << c.year;
}

TEST(Calendar, MonthLengths) {
  const int common[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int month = 1; month <= 12; ++month) {
    EXPECT_EQ(DaysInMonth(2023, month), common[month - 1]) << "month " << month;
    EXPECT_EQ(DaysInMonth(2024, month), common[month - 1] + (month == 2 ? 1 : 0))
        << "month " << month;
  }
  EXPECT_EQ(DaysInMonth(1500, 2), 29);
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
}

TEST(DayOfWeek, KnownDates) {
  struct Case {
    const char* date;
    int weekday;
  };
  const Case cases[] = {
      {"20010101", 1}, {"20240315", 5},
      {"20241231", 2}, {"15821004", 4},  // the last Julian day, a Thursday
      {"15821015", 5},                   // the first Gregorian day, a Friday
      {"15821005", 2},                   // a dropped day counts as Gregorian
      {"00010101", 6},
  };
  for (const Case& c : cases) EXPECT_EQ(DayOfWeek(Packed(c.date)), c.weekday) << c.date;
}

TEST(DateDiff, CountsDaysMonthsAndYears) {
  struct Case {
    const char* from;
    const char* to;
    const char* unit;
    int expected;
  };
  const Case cases[] = {
      {"20240131", "20240301", "D", 30},
      {"20240301", "20240131", "D", 30},  // order does not matter
      {"20231231", "20240101", "D", 1},
      {"20240115", "20240115", "D", 0},
      {"15821004", "15821015", "D", 11},  // the ten dropped days still count
      {"19000101", "20000101", "D", 36524},
      {"20230520", "20240519", "A", 0},
      {"20230520", "20240520", "A", 1},
      {"20240520", "20230520", "a", 1},
      {"20231130", "20240201", "M", 3},
      {"20240201", "20231130", "m", 3},
      {"20240131", "20240301", "d", 30},
      {"20240131", "20240301", "X", 0},
      {"20240131", "20240301", "", 0},
      {"20240131", "20240301", "DD", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DateDiff(Packed(c.from), Packed(c.to), c.unit), c.expected)
        << c.from << " " << c.to << " \"" << c.unit << "\"";
  }
}

TEST(DateDiff, AgreesWithTheCivilCalendarFrom1583To2400) {
  using namespace std::chrono;
  const sys_days first = year{1583} / January / 1;
  const sys_days last = year{2400} / December / 31;
  const std::string start = Packed("15830101");
  int failures = 0;
  for (sys_days day = first; day <= last && failures < 10; day += days{1}) {
    const year_month_day ymd{day};
    const int y = static_cast<int>(ymd.year());
    const std::string date = {static_cast<char>(128 + y / 100), static_cast<char>(128 + y % 100),
                              static_cast<char>(128 + static_cast<unsigned>(ymd.month())),
                              static_cast<char>(128 + static_cast<unsigned>(ymd.day()))};
    const int expectedDays = static_cast<int>((day - first).count());
    const int expectedWeekday = static_cast<int>(weekday{day}.iso_encoding());
    if (DateDiff(start, date, "D") != expectedDays || DayOfWeek(date) != expectedWeekday) {
      ++failures;
      ADD_FAILURE() << "at " << UnpackDigits(date) << ": DateDiff " << DateDiff(start, date, "D")
                    << " (expected " << expectedDays << "), DayOfWeek " << DayOfWeek(date)
                    << " (expected " << expectedWeekday << ")";
    }
  }
}

TEST(DateMath, AnyFourBytesGiveAResult) {
  // Impossible dates are counted, not rejected; weekdays stay 1 to 7 even for year 0.
  const std::string yearZero = Packed("00000000");
  EXPECT_GE(DayOfWeek(yearZero), 1);
  EXPECT_LE(DayOfWeek(yearZero), 7);
  EXPECT_EQ(DateDiff(Packed("20230229"), Packed("20230301"), "D"), 0);
  for (int b = 0; b < 256; b += 5) {
    const std::string bytes(4, static_cast<char>(b));
    const int weekday = DayOfWeek(bytes);
    EXPECT_TRUE(weekday >= 1 && weekday <= 7) << "byte " << b;
    (void)DateDiff(bytes, std::string("\xFF\x00\x80\x7F", 4), "D");
  }
  EXPECT_EQ(DateDiff("", "", "D"), 0);
  const int weekdayOfEmpty = DayOfWeek("");
  EXPECT_TRUE(weekdayOfEmpty >= 1 && weekdayOfEmpty <= 7);
}

}  // namespace
}  // namespace text
