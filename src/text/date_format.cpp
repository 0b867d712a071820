#include "text/date_format.h"

#include <algorithm>

#include "frame/session.h"
#include "text/date_math.h"

namespace text {
namespace {

constexpr std::size_t kMonthNameWidth = 10;

// Month names in code page 850 (0x87 is c cedilla, 0x8A e grave).
constexpr std::string_view kCatalanMonths =
    "gener     febrer    mar\x87      abril     maig      juny      juliol    agost     "
    "setembre  octubre   novembre  desembre  ";
constexpr std::string_view kSpanishMonths =
    "enero     febrero   marzo     abril     mayo      junio     julio     agosto    "
    "septiembreoctubre   noviembre diciembre ";
constexpr std::string_view kGalicianMonths =
    "janeiro   fevereiro mar\x87o     abril     maio      junho     julho     agosto    "
    "setembro  outubro   novembro  dezembro  ";
constexpr std::string_view kOccitanMonths =
    "g\x8Ar       hereu\x8Ar   mar\x87      abriu     mai       junh      junhsega  agost     "
    "seteme    octobre   noveme    deseme    ";
static_assert(kCatalanMonths.size() == 12 * kMonthNameWidth);
static_assert(kSpanishMonths.size() == 12 * kMonthNameWidth);
static_assert(kGalicianMonths.size() == 12 * kMonthNameWidth);
static_assert(kOccitanMonths.size() == 12 * kMonthNameWidth);

struct JoiningWords {
  std::string_view beforeConsonantMonth;
  std::string_view beforeVowelMonth;
  std::string_view beforeOther;  // before the year or the day
};

JoiningWords JoiningWordsOf(std::string_view languageCode) {
  if (languageCode == "SPA") return {" de ", " de ", " de "};
  if (languageCode == "GLG") return {" de ", " de ", " do "};
  if (languageCode == "OCI") return {" de ", " d'", " deth "};
  return {" de ", " d'", " del "};
}

// The value of a run of digits; 0 when there are none.
int DigitsValue(std::string_view digits) {
  int n = 0;
  for (char c : digits) n = n * 10 + (c - '0');
  return n;
}

std::string_view MonthName(std::string_view table, int month) {
  if (month < 1 || month > 12) return {};
  return table.substr((static_cast<std::size_t>(month) - 1) * kMonthNameWidth, kMonthNameWidth);
}

bool StartsWithVowel(std::string_view name) {
  if (name.empty()) return false;
  char c = name.front();
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return std::string_view("AEIOU").find(c) != std::string_view::npos;
}

std::string_view WithoutTrailingBlanks(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

std::string_view MonthTable(std::string_view languageCode) {
  if (languageCode == "SPA") return kSpanishMonths;
  if (languageCode == "GLG") return kGalicianMonths;
  if (languageCode == "OCI") return kOccitanMonths;
  return kCatalanMonths;
}

std::string FormatDate(TextSettings& settings, std::string_view date, std::int16_t style,
                       std::string_view parts, std::string_view languageCode) {
  LoadDateSettings(settings);
  if (style < -1) style = 0;

  const std::string digits = UnpackDigits(date.substr(0, 4));
  std::string year(digits.substr(0, 4));
  year.insert(0, 4 - year.size(), '0');
  const int month =
      DigitsValue(std::string_view(digits).substr(std::min<std::size_t>(4, digits.size()), 2));
  const int day =
      DigitsValue(std::string_view(digits).substr(std::min<std::size_t>(6, digits.size()), 2));

  if (style == -1) return year + "-" + frame::ZeroPad(month, 2) + "-" + frame::ZeroPad(day, 2);

  std::string wanted(parts);
  for (char& c : wanted) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  const auto has = [&](char letter) { return wanted.find(letter) != std::string::npos; };

  const std::string_view table = MonthTable(languageCode);
  const JoiningWords words = JoiningWordsOf(languageCode);
  const std::string monthText = std::to_string(month);
  const std::string dayText = std::to_string(day);

  std::string result;
  if (monthText + dayText > "00") {
    for (char letter : settings.DateOrder) {
      if ((letter != 'D' && letter != 'M' && letter != 'A') || !has(letter)) continue;
      std::string_view part;
      std::string_view joiner =
          style >= 2 ? words.beforeOther : std::string_view(&settings.DateSeparator, 1);
      if (letter == 'D') {
        part = dayText;
      } else if (letter == 'A') {
        part = year;
      } else if (style == 0) {
        part = monthText;
      } else if (style == 1) {
        part = MonthName(table, month).substr(0, 3);
      } else {
        part = WithoutTrailingBlanks(MonthName(table, month));
        joiner = StartsWithVowel(part) ? words.beforeVowelMonth : words.beforeConsonantMonth;
      }
      if (!result.empty()) result += joiner;
      result += part;
    }
  }
  if (style >= 2) return result;

  long width = static_cast<long>(parts.size()) - 1 + (has('M') ? style + 2 : 0) +
               (has('A') ? 4 : 0) + (has('D') ? 2 : 0);
  if (width < 0) width = 0;
  result.resize(static_cast<std::size_t>(width), ' ');
  return result;
}

}  // namespace text
