#include "text/mask_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace text {
namespace {

constexpr std::string_view kDigitPositions = "9Zz*";
constexpr std::string_view kDecimalAreaPositions = "9Zz*-+";
// Widths and decimals of a specification are 16-bit numbers; longer digit runs saturate.
constexpr long kMaxSpecificationNumber = 32767;
// W, the fill state of the mask's first pass: the fill character code, plus this when the
// position showed its fill instead of a digit.
constexpr int kFillShown = 256;

bool IsOneOf(char c, std::string_view set) { return set.find(c) != std::string_view::npos; }

// The decimal digits of a whole, non-negative double without leading zeros: empty for 0. Exact
// also beyond 2^53, where every double is a whole number.
std::string WholeDigits(double whole) {
  char buffer[320];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, whole, std::chars_format::fixed, 0);
  std::string digits(buffer, result.ptr);
  return digits == "0" ? std::string() : digits;
}

// The digits of |value| x 10^decimals rounded half to even, without leading zeros. The product
// is taken as a double, as the suite has always computed it (so 0.125 at two decimals is 12).
std::string ScaledDigits(double magnitude, long decimals) {
  if (magnitude == 0) return {};
  const double scaled = magnitude * std::pow(10.0, static_cast<double>(decimals));
  if (std::isfinite(scaled)) {
    double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0)) whole += 1;
    return WholeDigits(whole);
  }
  // Past the range of a double (a huge value or a very long decimal area): the exact decimal
  // expansion of the value, rounded at the decimals wanted.
  std::string buffer(static_cast<std::size_t>(decimals) + 330, '\0');
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                    std::chars_format::fixed, static_cast<int>(decimals));
  std::string digits;
  for (const char* p = buffer.data(); p != result.ptr; ++p) {
    if (*p != '.' && (*p != '0' || !digits.empty())) digits += *p;
  }
  return digits;
}

// The shortest digits that read back as `magnitude`, as a whole number of units of
// 10^-decimals: 12.5 gives "125" with one decimal, 1e20 gives "1" and twenty zeros.
std::string ShortestDigits(double magnitude, long& decimals) {
  decimals = 0;
  if (magnitude == 0) return {};
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
  const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  const std::size_t e = text.find('e');
  std::string digits;
  for (char c : text.substr(0, e)) {
    if (c != '.') digits += c;
  }
  int exponent = 0;
  const std::string_view exponentText = text.substr(e + 1);
  std::from_chars(exponentText.data() + (exponentText.front() == '+' ? 1 : 0),
                  exponentText.data() + exponentText.size(), exponent);
  const long shift = exponent - static_cast<long>(digits.size() - 1);
  if (shift >= 0) {
    digits.append(static_cast<std::size_t>(shift), '0');
  } else {
    decimals = -shift;
  }
  return digits;
}

// Characters [from, from + count) of `s`, nothing outside it.
std::string_view Slice(std::string_view s, long from, long count) {
  from = std::clamp(from, 0L, static_cast<long>(s.size()));
  count = std::clamp(count, 0L, static_cast<long>(s.size()) - from);
  return s.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(count));
}

// What a mask shows for a value it cannot hold: the plain number at the right of the field,
// or the whole field of '!' when not even its integer part and sign fit.
std::string OverflowText(long length, std::string_view digits, long decimals, bool negative,
                         char decimalSeparator) {
  const long size = static_cast<long>(digits.size());
  const std::string_view integerDigits = Slice(digits, 0, size - decimals);
  if (length < static_cast<long>(integerDigits.size()) + (negative ? 1 : 0)) {
    return std::string(static_cast<std::size_t>(length), '!');
  }
  std::string plain = negative ? "-" : "";
  plain += integerDigits;
  if (decimals > 0) {
    // Zeros in front when the number has fewer digits than decimals, so 0.05 stays 0.05.
    plain += decimalSeparator;
    plain.append(static_cast<std::size_t>(std::max(0L, decimals - size)), '0');
    plain += Slice(digits, size - decimals, decimals);
  }
  if (static_cast<long>(plain.size()) >= length)
    return plain.substr(0, static_cast<std::size_t>(length));
  return std::string(static_cast<std::size_t>(length) - plain.size(), ' ') + plain;
}

std::string FormatWithMask(std::string_view mask, double value, char decimalSeparator,
                           char thousandsSeparator) {
  const long length = static_cast<long>(mask.size());
  if (!std::isfinite(value)) return std::string(mask.size(), '!');

  const bool signPosition = mask.find_first_of("-+") != std::string_view::npos;
  const std::size_t point = mask.find('.');
  long decimalArea = 0;  // D: positions right of the point that take digits or signs
  long decimals = 0;     // F
  if (point != std::string_view::npos) {
    decimalArea =
        static_cast<long>(std::count_if(mask.begin() + static_cast<long>(point) + 1, mask.end(),
                                        [](char c) { return IsOneOf(c, kDecimalAreaPositions); }));
    if (decimalArea > 0) {
      while (point + 1 + static_cast<std::size_t>(decimals) < mask.size() &&
             IsOneOf(mask[point + 1 + static_cast<std::size_t>(decimals)], kDigitPositions)) {
        ++decimals;
      }
    }
  }

  const std::string digits = ScaledDigits(std::fabs(value), decimals);
  const long digitCount = static_cast<long>(digits.size());
  const bool negative = value < 0;
  // 1-based index of the last non-zero digit, 0 when there is none: the digits from X on are
  // all zeros exactly when X is past it.
  const long lastNonZero = static_cast<long>(digits.find_last_not_of('0') + 1);
  auto digitAt = [&](long x) -> char {
    return x >= 1 && x <= digitCount ? digits[static_cast<std::size_t>(x - 1)] : '\0';
  };

  std::string out(mask);
  auto put = [&](long position, char c) { out[static_cast<std::size_t>(position - 1)] = c; };

  // First pass: digits from the right. X is the next digit of `digits` to place (1-based); the
  // excess of the decimal area over the decimals counts the sign positions in it.
  long x = decimalArea + digitCount - decimals;
  int fill = 0;  // W
  long i = length;
  for (; i >= 1 && x > 0; --i) {
    const char c = mask[static_cast<std::size_t>(i - 1)];
    const char digit = digitAt(x);
    switch (c) {
      case '9':
        put(i, digit != '\0' ? digit : '0');
        fill = 0;
        --x;
        break;
      case 'Z':
      case 'z':
        if (i < length - decimalArea) {
          put(i, digit != '\0' ? digit : ' ');
          fill = ' ' + (digit != '\0' ? 0 : kFillShown);
        } else if (x > lastNonZero && decimalArea > 0) {
          put(i, ' ');
          fill = ' ' + kFillShown;
        } else {
          put(i, digit != '\0' ? digit : '0');
          fill = ' ' + (digit != '\0' ? 0 : kFillShown);
        }
        --x;
        break;
      case '*':
        put(i, digit != '\0' ? digit : '*');
        fill = '*' + (digit != '\0' ? 0 : kFillShown);
        --x;
        break;
      case '.':
        put(i, fill >= kFillShown ? static_cast<char>(fill - kFillShown) : decimalSeparator);
        decimalArea = 0;
        break;
      case ',':
        put(i, thousandsSeparator);
        break;
      case '-':
      case '+':
        put(i, negative ? '-' : (c == '+' ? '+' : ' '));
        if (decimalArea > 0) --x;
        break;
      default:
        break;
    }
  }

  if (x > 0 || (negative && !signPosition && i == 0)) {
    return OverflowText(length, digits, decimals, negative, decimalSeparator);
  }

  // Second pass: the positions left of the digits. Without a sign position the minus floats to
  // the first place that would otherwise show a fill or a leading zero.
  bool minusPending = negative && !signPosition;
  for (long k = i; k >= 1; --k) {
    const char c = mask[static_cast<std::size_t>(k - 1)];
    const bool integerSide = k < length - decimalArea;
    switch (c) {
      case '9':
        if (minusPending && integerSide) {
          put(k, '-');
          minusPending = false;
        } else {
          put(k, '0');
        }
        fill = 0;
        break;
      case 'Z':
      case 'z':
        if (minusPending) {
          put(k, '-');
          minusPending = false;
        } else if (integerSide || value == 0) {
          put(k, ' ');
          fill = ' ' + kFillShown;
        } else {
          put(k, '0');
          fill = ' ';
        }
        break;
      case '*':
        if (minusPending) {
          put(k, '-');
          minusPending = false;
        } else {
          put(k, integerSide ? '*' : '0');
          fill = '*';
        }
        break;
      case ',':
        if (minusPending) {
          put(k, '-');
          minusPending = false;
        } else {
          put(k, fill != 0 ? static_cast<char>(fill % kFillShown) : thousandsSeparator);
        }
        break;
      case '.':
        put(k, fill >= kFillShown ? static_cast<char>(fill - kFillShown) : decimalSeparator);
        break;
      case '-':
      case '+':
        put(k, negative ? '-' : (c == '+' ? '+' : ' '));
        break;
      default:
        break;
    }
  }
  // A mask with no place left for the minus (fixed text or a point left of the digits) would
  // show a negative number as positive; it cannot hold the number.
  if (minusPending) return OverflowText(length, digits, decimals, negative, decimalSeparator);
  return out;
}

struct Specification {
  long width = 0;
  long decimals = 0;
  bool point = false;
  bool noPoint = false;      // V
  bool leadingZero = false;  // Z
  bool plus = false;         // S
  bool letterN = false;      // N
  bool letterM = false;      // M
};

Specification ReadSpecification(std::string_view text) {
  Specification s;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      long& number = s.point ? s.decimals : s.width;
      number = std::min(number * 10 + (c - '0'), kMaxSpecificationNumber);
      continue;
    }
    switch (c) {
      case '.':
        s.point = true;
        break;
      case 'V':
      case 'v':
        s.noPoint = true;
        break;
      case 'Z':
      case 'z':
        s.leadingZero = true;
        break;
      case 'S':
      case 's':
        s.plus = true;
        break;
      case 'N':
      case 'n':
        s.letterN = true;
        break;
      case 'M':
      case 'm':
        s.letterM = true;
        break;
      default:
        break;
    }
  }
  return s;
}

std::string FormatBySpecification(double value, const Specification& s) {
  long decimals = 0;
  std::string digits;
  if (s.width > 0 || s.point) {
    decimals = s.decimals;
    digits = ScaledDigits(std::fabs(value), decimals);
  } else {
    digits = ShortestDigits(std::fabs(value), decimals);
  }
  if (static_cast<long>(digits.size()) < decimals) {
    digits.insert(0, static_cast<std::size_t>(decimals) - digits.size(), '0');
  }
  const std::size_t integerLength = digits.size() - static_cast<std::size_t>(decimals);
  std::string integerPart = digits.substr(0, integerLength);
  std::string decimalPart = digits.substr(integerLength);
  if (!s.noPoint && !decimalPart.empty()) decimalPart.insert(0, 1, '.');
  if (s.leadingZero && integerPart.empty()) integerPart = "0";
  const std::size_t width = static_cast<std::size_t>(s.width);
  if (width > 0) {
    if (integerPart.size() > width) {
      integerPart.erase(0, integerPart.size() - width);
    } else {
      integerPart.insert(0, width - integerPart.size(), '0');
    }
  }

  char sign = '\0';
  if (s.plus && value >= 0) {
    sign = '+';
  } else if (s.letterN && value < 0) {
    sign = 'N';
  } else if (s.letterM) {
    sign = value < 0 ? 'N' : ' ';
  } else if (value < 0) {
    sign = '-';
  }
  if (sign != '\0') {
    if (width > 0) {
      integerPart.front() = sign;
    } else {
      integerPart.insert(0, 1, sign);
    }
  }
  return integerPart + decimalPart;
}

}  // namespace

std::string MaskFormat(TextSettings& settings, std::string_view mask, double value) {
  LoadNumberSeparators(settings);
  return FormatWithMask(mask, value, settings.decimalSeparator, settings.thousandsSeparator);
}

std::string NumFormat(double value, std::string_view specification) {
  const Specification s = ReadSpecification(specification);
  if (!std::isfinite(value)) {
    // As wide as the text of a zero would be, so columns still line up.
    return std::string(std::max<std::size_t>(1, FormatBySpecification(0, s).size()), '!');
  }
  return FormatBySpecification(value, s);
}

std::string NumText(double value) { return NumFormat(value, {}); }

}  // namespace text
