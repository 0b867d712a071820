#include "text/mask_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "text/temp_root.h"

namespace text {
namespace {

std::string Blanks(std::size_t n) { return std::string(n, ' '); }

// The suite's defaults, set beforehand so no settings file is consulted.
TextSettings DefaultSeparators() {
  TextSettings settings;
  settings.decimalSeparator = '\'';
  settings.thousandsSeparator = '.';
  return settings;
}

constexpr const char* kDisplayMask = "-ZZ,ZZZ,ZZZ,ZZZ,ZZ9.99";  // the calculator's, two decimals
constexpr const char* kCountMask = "Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9";

struct MaskCase {
  const char* mask;
  double value;
  std::string expected;
};

TEST(MaskFormat, LaysValuesIntoMasks) {
  const MaskCase cases[] = {
      {kCountMask, 0, Blanks(20) + "0"},
      {kCountMask, 1234567, Blanks(12) + "1.234.567"},
      {kCountMask, -1234567, Blanks(11) + "-1.234.567"},
      {kDisplayMask, 1234.5, Blanks(14) + "1.234'50"},
      {kDisplayMask, -0.5, "-" + Blanks(17) + "0'50"},
      {"   DEFINIBLES 9", 7, "   DEFINIBLES 7"},
      {"   DEFINIBLES 9", 12, Blanks(13) + "12"},
      {"ZZ9", 5, "  5"},
      {"ZZ9", -5, " -5"},
      {"ZZ9", 1234, "!!!"},
      {"ZZ9", 2.5, "  2"},
      {"ZZ9", 3.5, "  4"},
      {"ZZ9", -0.4, " -0"},
      {"9999", -5, "00-5"},
      {"Z,ZZ9", 1234, "1.234"},
      {"Z,ZZ9", -1234, "-1234"},
      {"Z,ZZ9", -123, " -123"},
      {"ZZZ.ZZ", 5, "  5   "},
      {"ZZZ.ZZ", 5.1, "  5'1 "},
      {"ZZZ.ZZ", 0, Blanks(6)},
      {"ZZZ.99", 0, "   '00"},
      {"Z.99", 0.125, " '12"},
      {"Z.99", 0.375, " '38"},
      {"ZZ9.99-", -3.5, "  3'50-"},
      {"ZZ9.99-", 3.5, "  3'50 "},
      {"+ZZ9", 5, "+  5"},
      {"+ZZ9", -5, "-  5"},
      {"***,**9.99", 1234.5, "**1.234'50"},
      {"***,**9.99", 5, "******5'00"},
      {"9", -5, "!"},
      // Only fill positions: nothing shows for 0; a "9" forces its 0.
      {"ZZZ,ZZZ.ZZ", 0, Blanks(10)},
      {"ZZ9.ZZ", 0, "  0   "},
      {"zz9", 42, " 42"},
      // The sign comes from the value, not from the rounded digits.
      {"ZZ9.99", -0.001, "  -'00"},
      {"Z,ZZ9.99", 1234.5, "1.234'50"},
      // Overflow keeps the decimals it has room for.
      {"ZZZZ.9", 123456.25, "123456"},
  };
  for (const MaskCase& c : cases) {
    TextSettings settings = DefaultSeparators();
    EXPECT_EQ(MaskFormat(settings, c.mask, c.value), c.expected)
        << "mask \"" << c.mask << "\" value " << c.value;
  }
}

TEST(MaskFormat, NegativeNumberNeverLosesItsMinus) {
  // With fixed text or the point left of every digit position there is no place for the
  // floating minus; the value is shown as an overflow instead of as a positive number.
  const MaskCase cases[] = {
      {"AB9", -5, " -5"},
      {".99", -0.25, "-'2"},
      {"Total 99", -5, "Total -5"},
  };
  for (const MaskCase& c : cases) {
    TextSettings settings = DefaultSeparators();
    EXPECT_EQ(MaskFormat(settings, c.mask, c.value), c.expected)
        << "mask \"" << c.mask << "\" value " << c.value;
  }
}

TEST(MaskFormat, IsTotalOnAnyValueAndMask) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  TextSettings settings = DefaultSeparators();
  EXPECT_EQ(MaskFormat(settings, kDisplayMask, nan), std::string(22, '!'));
  EXPECT_EQ(MaskFormat(settings, kDisplayMask, inf), std::string(22, '!'));
  EXPECT_EQ(MaskFormat(settings, kDisplayMask, -inf), std::string(22, '!'));
  EXPECT_EQ(MaskFormat(settings, kDisplayMask, 1e300), std::string(22, '!'));
  EXPECT_EQ(MaskFormat(settings, kDisplayMask, -0.0), MaskFormat(settings, kDisplayMask, 0.0));
  EXPECT_EQ(MaskFormat(settings, "", 5), "");

  // A mask wide enough for 1e300 shows every digit of the double.
  char digits[400];
  std::snprintf(digits, sizeof digits, "%.0f", 1e300);
  const std::string wide(5000, 'Z');
  EXPECT_EQ(MaskFormat(settings, wide, 1e300), Blanks(5000 - 301) + digits);
  EXPECT_EQ(MaskFormat(settings, wide, -1), Blanks(4998) + "-1");

  // Decimals beyond the range of a double.
  const std::string manyDecimals = "9." + std::string(400, '9');
  const std::string shown = MaskFormat(settings, manyDecimals, 1);
  EXPECT_EQ(shown, "1'" + std::string(400, '0'));
  EXPECT_EQ(MaskFormat(settings, manyDecimals, 5e-324).substr(0, 2), "0'");
}

TEST(MaskFormat, SeparatorsComeFromNerlIniOnce) {
  text_testing::TempRoot root;
  root.WriteNerlIni("[Usuari]\r\nMilCaracter=,\r\nDecCaracter=.\r\n");
  TextSettings settings(root.Prefix());
  EXPECT_EQ(MaskFormat(settings, kDisplayMask, 1234.5), Blanks(14) + "1,234.50");

  // Read on first use only: a later change of the file has no effect.
  root.WriteNerlIni("[Usuari]\r\nMilCaracter=_\r\nDecCaracter=:\r\n");
  EXPECT_EQ(MaskFormat(settings, kDisplayMask, 1234.5), Blanks(14) + "1,234.50");
}

TEST(MaskFormat, SeparatorsDefaultWhenMissingEmptyOrBlank) {
  text_testing::TempRoot root;
  {
    TextSettings settings(root.Prefix());  // no Nerl.ini at all
    EXPECT_EQ(MaskFormat(settings, "Z,ZZ9.9", 1234.5), "1.234'5");
  }
  root.WriteNerlIni("[Usuari]\r\nMilCaracter=\r\nDecCaracter= ,\r\n");
  TextSettings settings(root.Prefix());
  EXPECT_EQ(MaskFormat(settings, "Z,ZZ9.9", 1234.5), "1.234'5");
  EXPECT_EQ(settings.decimalSeparator, '\'');
  EXPECT_EQ(settings.thousandsSeparator, '.');
}

struct NumCase {
  double value;
  const char* specification;
  std::string expected;
};

TEST(NumFormat, WritesBySpecification) {
  const NumCase cases[] = {
      {12.5, "", "12.5"},
      {-3, "", "-3"},
      {0, "", ""},
      {0.25, "", ".25"},
      {3.14159, "5.2", "00003.14"},
      {-3.14159, "5.2", "-0003.14"},
      {3.14159, "5.2S", "+0003.14"},
      {-3.14159, "5.2N", "N0003.14"},
      {-3.14159, "5.2M", "N0003.14"},
      {3.14159, "5.2M", " 0003.14"},
      {0.5, ".2Z", "0.50"},
      {0.5, ".2", ".50"},
      {0.5, "3.2V", "00050"},
      {123456, "3", "456"},
      {2.5, "2", "02"},
      {3.5, "2", "04"},
      // Letters in either case, digits wherever they stand, other characters ignored.
      {-3.14159, "5.2s", "-0003.14"},
      {0.5, "x.2z", "0.50"},
      {-7, "1x2", "-00000000007"},
      {-3.5, "S", "-3.5"},
      {0.001, ".2Z", "0.00"},
      {-0.0, "S", "+"},
  };
  for (const NumCase& c : cases) {
    EXPECT_EQ(NumFormat(c.value, c.specification), c.expected)
        << "value " << c.value << " specification \"" << c.specification << "\"";
  }
}

TEST(NumText, IsTheShortestPlainDecimalText) {
  // Scaling by ten in floating point would write 6755.61 as 6755.609999999999; the digits
  // are those that read back as the same double.
  const NumCase cases[] = {
      {6755.61, "", "6755.61"},
      {109.3881, "", "109.3881"},
      {0.1 + 0.2, "", ".30000000000000004"},
      {1e20, "", "100000000000000000000"},
      {-1.5e-5, "", "-.000015"},
      {-0.0, "", ""},
      {1234567, "", "1234567"},
  };
  for (const NumCase& c : cases) {
    EXPECT_EQ(NumText(c.value), c.expected) << "value " << c.value;
  }
}

TEST(NumFormat, IsTotalOnAnyValueAndSpecification) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(NumText(nan), "!");
  EXPECT_EQ(NumText(-inf), "!");
  EXPECT_EQ(NumFormat(inf, "5.2"), "!!!!!!!!");
  EXPECT_EQ(NumText(1e300), "1" + std::string(300, '0'));
  EXPECT_EQ(NumText(5e-324).size(), 325U);
  EXPECT_EQ(NumFormat(1, "99999999999").size(), 32767U);  // widths saturate at 16 bits
  EXPECT_EQ(NumFormat(1, ".400"), "1." + std::string(400, '0'));
}

}  // namespace
}  // namespace text
