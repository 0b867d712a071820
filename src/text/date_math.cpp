#include "text/date_math.h"

#include <algorithm>

#include "frame/session.h"

namespace text {
namespace {

constexpr int kGregorianFromYear = 1582;

// Division and remainder rounding towards minus infinity, so a year 0 or a garbage month still
// lands on a weekday 1 to 7.
constexpr long FloorDiv(long a, long b) {
  return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}
constexpr long FloorMod(long a, long b) { return a - FloorDiv(a, b) * b; }

// Multiples of k in [from, to].
constexpr long Multiples(long k, long from, long to) {
  return to < from ? 0 : FloorDiv(to, k) - FloorDiv(from - 1, k);
}

// Leap years in [from, to]: the year loop of the day count in closed form.
long LeapYearsBetween(long from, long to) {
  const long julianTo = std::min(to, static_cast<long>(kGregorianFromYear) - 1);
  const long gregorianFrom = std::max(from, static_cast<long>(kGregorianFromYear));
  return Multiples(4, from, julianTo) + Multiples(4, gregorianFrom, to) -
         Multiples(100, gregorianFrom, to) + Multiples(400, gregorianFrom, to);
}

struct CivilDate {
  long year = 0;
  long month = 0;
  long day = 0;
};

// The digits of (at most) the first four bytes read as one number YYYYMMDD.
CivilDate Split(std::string_view date) {
  long n = 0;
  for (char c : UnpackDigits(date.substr(0, 4))) n = n * 10 + (c - '0');
  return {n / 10000, (n / 100) % 100, n % 100};
}

long DaysInMonthLong(long year, long month) {
  const long leap = IsLeapYear(static_cast<int>(year)) ? 1 : 0;
  return 30 + FloorMod(FloorMod(month + 1, 9) + 1, 2) - (month == 2 ? 2 - leap : 0);
}

bool IsBefore(std::string_view a, std::string_view b) {
  // std::string_view compares bytes as unsigned char, as the packed form needs.
  return a.compare(b) < 0;
}

std::string UpperCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return out;
}

}  // namespace

std::string UnpackDigits(std::string_view bytes) {
  std::string digits;
  digits.reserve(bytes.size() * 2);
  for (char b : bytes) {
    const int v = static_cast<unsigned char>(b) & 127;
    digits += static_cast<char>('0' + (v / 10) % 10);
    digits += static_cast<char>('0' + v % 10);
  }
  return digits;
}

bool IsLeapYear(int year) {
  if (year < kGregorianFromYear) return FloorMod(year, 4) == 0;
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) { return static_cast<int>(DaysInMonthLong(year, month)); }

std::int32_t DateDiff(std::string_view date1, std::string_view date2, std::string_view unit) {
  const bool inOrder = !IsBefore(date2, date1);
  const CivilDate a = Split(inOrder ? date1 : date2);
  const CivilDate b = Split(inOrder ? date2 : date1);
  const std::string u = UpperCase(unit);
  if (u == "D") {
    long days = 0;
    if (b.year - 1 >= a.year + 1) {
      days += 365 * (b.year - a.year - 1) + LeapYearsBetween(a.year + 1, b.year - 1);
    }
    const long lastMonthOfFirstYear = a.year < b.year ? 12 : b.month - 1;
    for (long m = a.month; m <= lastMonthOfFirstYear; ++m) days += DaysInMonthLong(a.year, m);
    if (a.year < b.year) {
      for (long m = 1; m <= b.month - 1; ++m) days += DaysInMonthLong(b.year, m);
    }
    return static_cast<std::int32_t>(days + b.day - a.day);
  }
  if (u == "M") return static_cast<std::int32_t>((b.year - a.year) * 12 + b.month - a.month);
  if (u == "A") {
    const bool anniversaryAhead = a.month > b.month || (a.month == b.month && a.day > b.day);
    return static_cast<std::int32_t>(b.year - a.year - (anniversaryAhead ? 1 : 0));
  }
  return 0;
}

std::int16_t DayOfWeek(std::string_view date) {
  const std::string_view packedYear = date.substr(0, 2);
  const std::string firstOfJanuary = std::string(packedYear) + frame::PackDigits("0101");
  const long j = DateDiff(date, firstOfJanuary, "D");
  long year = 0;
  for (char c : UnpackDigits(packedYear)) year = year * 10 + (c - '0');
  const long y = year - 1;
  long weekday = 0;
  if (IsBefore(date, frame::PackDigits("15821005"))) {
    weekday = FloorMod(FloorMod(y + FloorDiv(y, 4), 7) + j + 5, 7) + 1;
  } else {
    weekday =
        FloorMod(FloorMod(y + FloorDiv(y, 4) - FloorDiv(y, 100) + FloorDiv(y, 400), 7) + j, 7) + 1;
  }
  return static_cast<std::int16_t>(weekday);
}

}  // namespace text
