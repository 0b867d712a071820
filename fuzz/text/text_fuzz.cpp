// Masks, specifications, values and date bytes from the fuzzer: every text function must give
// a result of the promised shape without crashing, looping or reading out of bounds.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "text/date_format.h"
#include "text/date_math.h"
#include "text/mask_format.h"
#include "text/text_fold.h"

namespace {

// Input layout: 8 bytes of a double, 4 bytes of a packed date, 2 bytes of a style, then the
// rest split at its first 0 byte into the mask (also NumFormat's width text) and the parts.
struct Input {
  double value = 0;
  std::string date;
  std::int16_t style = 0;
  std::string_view mask;
  std::string_view parts;
};

Input Split(const std::uint8_t* data, std::size_t size) {
  Input in;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  if (rest.size() >= sizeof in.value) {
    std::memcpy(&in.value, rest.data(), sizeof in.value);
    rest.remove_prefix(sizeof in.value);
  }
  in.date = std::string(rest.substr(0, 4));
  rest.remove_prefix(in.date.size());
  if (rest.size() >= sizeof in.style) {
    std::memcpy(&in.style, rest.data(), sizeof in.style);
    rest.remove_prefix(sizeof in.style);
  }
  const std::size_t zero = rest.find('\0');
  in.mask = rest.substr(0, zero);
  in.parts = zero == std::string_view::npos ? std::string_view() : rest.substr(zero + 1);
  return in;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Input in = Split(data, size);
  text::TextSettings settings;
  settings.decimalSeparator = '\'';
  settings.thousandsSeparator = '.';
  settings.DateSeparator = '/';
  settings.DateOrder = "DMA";

  if (text::MaskFormat(settings, in.mask, in.value).size() != in.mask.size()) std::abort();
  const std::string number = text::NumFormat(in.value, in.mask);
  if (std::isfinite(in.value) && in.mask.empty() && number != text::NumText(in.value)) std::abort();

  if (text::TextFold(in.mask, -1).size() != in.mask.size()) std::abort();
  if (text::UnpackDigits(in.date).size() != 2 * in.date.size()) std::abort();
  const int weekday = text::DayOfWeek(in.date);
  if (weekday < 1 || weekday > 7) std::abort();
  const std::size_t cut = std::min<std::size_t>(4, in.parts.size());
  (void)text::DateDiff(in.date, in.parts.substr(0, cut), in.parts.substr(cut));
  (void)text::FormatDate(settings, in.date, in.style, in.parts, in.parts.substr(0, 3));
  return 0;
}
