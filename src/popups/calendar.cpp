#include <algorithm>
#include <array>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "frame/session.h"
#include "popups/key_codes.h"
#include "popups/popup_bracket.h"
#include "popups/popups.h"
#include "text/date_format.h"
#include "text/date_math.h"
#include "text/text_fold.h"

namespace popups {
namespace {

// The window: rows 1-24 at the right edge, whatever the screen size.
constexpr int kTop = 1;
constexpr int kLeft = 59;
constexpr int kBottom = 24;
constexpr int kRight = 80;

constexpr std::string_view kCalendarKeys = "4d00,4b00,5000,4800,5100,4900,4700,4f00,2100,1b";

constexpr int kWeekRows = 6;
constexpr int kBlockRows = kWeekRows + 1;  // title and week rows of one month
// The layout and the weekday reckoning need four-digit years from 1 on.
constexpr int kFirstYear = 1;
constexpr int kLastYear = 9999;

struct Date {
  int year = 0;
  int month = 0;
  int day = 0;
};

std::string Packed(const Date& date) {
  return frame::PackDigits(frame::ZeroPad(date.year * 10000LL + date.month * 100LL + date.day, 8));
}

int DigitsValue(std::string_view digits) {
  int value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

bool IsValid(const Date& date) {
  return date.year >= kFirstYear && date.year <= kLastYear && date.month >= 1 && date.month <= 12 &&
         date.day >= 1 && date.day <= text::DaysInMonth(date.year, date.month);
}

std::optional<Date> Unpacked(std::string_view packed) {
  if (packed.size() < 4) return std::nullopt;
  const Date date{DigitsValue(text::UnpackDigits(packed.substr(0, 2))),
                  DigitsValue(text::UnpackDigits(packed.substr(2, 1))),
                  DigitsValue(text::UnpackDigits(packed.substr(3, 1)))};
  if (!IsValid(date)) return std::nullopt;
  return date;
}

std::string_view DayHeader(std::string_view language) {
  if (language == "SPA" || language == "GLG") return " L  M  X  J  V  S  D";
  if (language == "OCI") return "DL DT DC DJ DD DS DG";
  return "DL DT DC DJ DV DS DG";
}

int QuarterStart(int month) { return (month - 1) / 3 * 3 + 1; }

std::string TwoPlaces(int number) {
  std::string text = std::to_string(number);
  return text.size() < 2 ? " " + text : text;
}

class Calendar {
 public:
  Calendar(const PopupContext& context, const Date& date)
      : context_(context), screen_(context.screen), date_(date) {}

  std::string Run();

 private:
  void DrawQuarter();
  void WriteDay(int day);
  int Width() const { return screen_.WinLastCol() - screen_.WinFirstCol() + 1; }
  std::string_view Language() const { return screen_.session().LanguageCode; }
  // The date after a cursor, page, Home or End key; nothing for any other key, or when the
  // move would leave the years the calendar can show.
  std::optional<Date> Moved(std::int16_t key) const;

  const PopupContext& context_;
  screen::Screen& screen_;
  Date date_;
  int firstMonth_ = 1;
  int yearOnScreen_ = 0;
  // Weekday (1 Monday ... 7 Sunday) of every day 1-31 of every month of the year on screen,
  // impossible days included, as the reckoning gives them.
  std::array<std::array<int, 32>, 13> weekdays_{};
};

void Calendar::DrawQuarter() {
  screen_.SetStyle("n");
  std::string year = std::to_string(date_.year);
  year = " " + std::string(4 - std::min<std::size_t>(year.size(), 4), ' ') + year + " ";
  screen_.WinLocate(0, (screen_.WinLastCol() - screen_.WinFirstCol() - 5) / 2 + 1);
  screen_.console().Write(year);
  screen_.WinLocate(1, 1);
  screen_.console().Write(DayHeader(Language()));

  yearOnScreen_ = date_.year;
  for (int m = 1; m <= 12; ++m) {
    for (int d = 1; d <= 31; ++d) weekdays_[m][d] = text::DayOfWeek(Packed({date_.year, m, d}));
  }
  firstMonth_ = QuarterStart(date_.month);

  for (int m = firstMonth_; m < firstMonth_ + 3; ++m) {
    const int titleRow = (m - firstMonth_) * kBlockRows + 2;
    const int first = weekdays_[m][1];
    const int length = text::DaysInMonth(date_.year, m);

    screen_.SetStyle("n");
    screen_.WinLocate(titleRow, 1);
    screen_.console().WriteBlanks(Width());
    const std::string title = text::TextFold(
        text::FormatDate(context_.textSettings, Packed({date_.year, m, 1}), 2, "m", Language()), 0);
    screen_.WinLocate(titleRow, (Width() - static_cast<int>(title.size())) / 2 + 1);
    screen_.console().Write(title);

    screen_.SetStyle("h");
    for (int k = 2 - first; k <= 0; ++k) {
      screen_.WinLocate(titleRow + 1, 3 * (first + k - 1) - 2);
      screen_.console().Write("  ");
    }
    for (int d = 1; d <= length; ++d) {
      screen_.WinLocate(titleRow + 1 + (first + d - 2) / 7, 3 * weekdays_[m][d] - 2);
      screen_.console().Write(TwoPlaces(d));
    }
    // Every month fills all six week rows, so nothing of the quarter before stays behind.
    for (int d = length + 1; d <= kWeekRows * 7 + 1 - first; ++d) {
      screen_.WinLocate(titleRow + 1 + (first + d - 2) / 7, 3 * ((first + d - 2) % 7 + 1) - 2);
      screen_.console().Write("  ");
    }
  }
}

void Calendar::WriteDay(int day) {
  const int titleRow = (date_.month - firstMonth_) * kBlockRows + 2;
  const int first = weekdays_[date_.month][1];
  screen_.WinLocate(titleRow + 1 + (first + day - 2) / 7, 3 * weekdays_[date_.month][day] - 2);
  screen_.console().Write(TwoPlaces(day));
}

std::optional<Date> Calendar::Moved(std::int16_t key) const {
  Date next = date_;
  switch (key) {
    case kKeyRight:
    case kKeyLeft:
    case kKeyDown:
    case kKeyUp:
      next.day += key == kKeyRight ? 1 : key == kKeyLeft ? -1 : key == kKeyDown ? 7 : -7;
      if (next.day < 1) {
        if (--next.month < 1) {
          next.month += 12;
          --next.year;
        }
        next.day += text::DaysInMonth(next.year, next.month);
      }
      if (next.day > text::DaysInMonth(next.year, next.month)) {
        next.day -= text::DaysInMonth(next.year, next.month);
        if (++next.month > 12) {
          next.month -= 12;
          ++next.year;
        }
      }
      break;
    case kKeyPageDown:
    case kKeyPageUp:
      next.month += key == kKeyPageDown ? 3 : -3;
      if (next.month > 12) {
        next.month -= 12;
        ++next.year;
      } else if (next.month < 1) {
        next.month += 12;
        --next.year;
      }
      next.day = std::min(next.day, text::DaysInMonth(next.year, next.month));
      break;
    case kKeyHome:
      next.month = 1;
      break;
    case kKeyEnd:
      next.month = 12;
      break;
    default:
      return std::nullopt;
  }
  // Years outside 1-9999 have no four-digit form and no weekday reckoning: the key is ignored.
  if (!IsValid(next)) return std::nullopt;
  return next;
}

std::string Calendar::Run() {
  DrawQuarter();
  while (true) {
    screen_.SetStyle("+u");
    WriteDay(date_.day);
    const std::int16_t key = form::WaitKey(screen_.console(), context_.keys);
    screen_.SetStyle("-");
    WriteDay(date_.day);

    if (key == 'F' || key == 'f' || key == kKeyAltF) {
      return text::FormatDate(context_.textSettings, Packed(date_), 0, "dma", Language());
    }
    if (key == kKeyEsc) return {};
    const std::optional<Date> next = Moved(key);
    if (!next) continue;
    date_ = *next;
    if (key == kKeyPageDown || key == kKeyPageUp || date_.year != yearOnScreen_ ||
        QuarterStart(date_.month) != firstMonth_) {
      DrawQuarter();
    }
  }
}

}  // namespace

std::string LocalToday() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  if (local == nullptr) return {};
  return Packed({local->tm_year + 1900, local->tm_mon + 1, local->tm_mday});
}

std::string ShowCalendar(const PopupContext& context) {
  PopupBracket bracket(context, "+ea", kCalendarKeys);
  screen::Screen& screen = context.screen;
  if (!screen.WinPush(kTop, kLeft, kBottom, kRight)) return {};
  screen.WinFrame(screen::kFrameSingle);

  std::optional<Date> date = Unpacked(screen.session().SessionDate);
  if (!date && context.today) date = Unpacked(context.today());
  // A clock that gives no date leaves one fixed, valid day to open on.
  Calendar calendar(context, date.value_or(Date{2000, 1, 1}));
  std::string result = calendar.Run();
  screen.WinPop();
  return result;
}

}  // namespace popups
