#include "platform/cp850.h"

#include <gtest/gtest.h>
#include <iconv.h>

namespace platform {
namespace {

TEST(Cp850, EveryByteMatchesIconv) {
  iconv_t cd = iconv_open("UTF-8", "IBM850");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  for (int b = 0; b < 256; ++b) {
    char in = static_cast<char>(b);
    char out[8] = {};
    char* inp = &in;
    char* outp = out;
    size_t inLeft = 1, outLeft = sizeof out;
    ASSERT_NE(iconv(cd, &inp, &inLeft, &outp, &outLeft), static_cast<size_t>(-1)) << b;
    const std::string expected(out, sizeof out - outLeft);
    EXPECT_EQ(Cp850ToUtf8(std::string(1, in)), expected) << "byte " << b;
  }
  iconv_close(cd);
}

TEST(Cp850, RoundTripsEveryByteThroughUtf8) {
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ToCp850(Cp850ToUtf8(byte)), byte) << b;
  }
}

TEST(Cp850, ControlBytesShowAsVisibleGlyphsAndReadBack) {
  for (int b = 1; b < 32; ++b) {
    const char32_t glyph = Cp850Glyph(static_cast<unsigned char>(b));
    EXPECT_GE(glyph, 0xA0u) << b;
    unsigned char back = 0;
    ASSERT_TRUE(CodePointToCp850(glyph, back)) << b;
    // The pilcrow and section sign are ordinary characters of the code page too, and read
    // back as those.
    if (b != 0x14 && b != 0x15) {
      EXPECT_EQ(back, b);
    }
  }
  EXPECT_EQ(Cp850Glyph(0x10), U'\u25BA');
  EXPECT_EQ(Cp850Glyph(0x11), U'\u25C4');
  EXPECT_EQ(Cp850Glyph(0x7F), U'\u2302');
  EXPECT_EQ(Cp850Glyph(0), U' ');
}

TEST(Cp850, UnmappableAndMalformedUtf8BecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp850("a\xe2\x82\xac"
                        "b"),
            "a?b");  // the euro sign is not in the table
  EXPECT_EQ(Utf8ToCp850("\xff\xc3"), "??");
  EXPECT_EQ(Utf8ToCp850("\xc3\xa7"), "\x87");  // ç
}

}  // namespace
}  // namespace platform
