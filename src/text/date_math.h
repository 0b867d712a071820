// Calendar arithmetic on packed dates: four bytes holding the digits YYYYMMDD two to a byte
// (128 + value), so that comparing them as unsigned bytes orders them by date. Leap years follow
// the Julian rule before 1582 and the Gregorian rule from 1582 on; weekdays switch reckoning on
// 1582-10-05 while day counts never skip the ten dropped days. Pure functions: nothing is
// validated, and any bytes give a result (impossible dates are counted by the same rules).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace text {

// Two decimal digits per byte, of the byte's low seven bits (only the last two digits of a
// value of 100 or more).
std::string UnpackDigits(std::string_view bytes);

bool IsLeapYear(int year);
// Days in `month` (1-12) of `year`: 31, 28 or 29, 31, 30, ...
int DaysInMonth(int year, int month);

// The distance between two packed dates, whichever is earlier: in days ("D"), calendar months
// ("M", days ignored) or completed years ("A"); the unit in either case, 0 for any other unit.
std::int32_t DateDiff(std::string_view date1, std::string_view date2, std::string_view unit);

// 1 Monday ... 7 Sunday.
std::int16_t DayOfWeek(std::string_view date);

}  // namespace text
