#include <gtest/gtest.h>

#include "screen/screen.h"
#include "screen/text_layout.h"
#include "screen_fixture.h"

namespace screen {
namespace {

using StyleTest = ScreenFixture;

TEST_F(StyleTest, CodesSelectPushAndPopStyles) {
  struct Case {
    std::vector<std::string> codes;
    int style;
    std::size_t saved;
  } cases[] = {
      {{"n"}, 1, 0},
      {{"rh"}, 2, 0},
      {{"NR"}, 3, 0},
      {{"un"}, 4, 0},  // U wins over N
      {{"n", "h"}, 0, 0},
      {{"n", "+ea"}, 0, 1},
      {{"+rh"}, 2, 1},
      {{"n", "+u", "-"}, 1, 0},
      {{"+u", "-"}, 0, 0},
      {{"n", "+u", "+rh", "-", "-"}, 1, 0},
      {{"n", "+u", "+rh", "-", "-", "-", "-", "-"}, 0, 0},
      {{"rh", "+-"}, 2, 0},  // pushed and popped again
      {{"n", "-"}, 0, 0},    // nothing saved: style 0
  };
  for (const Case& c : cases) {
    Screen screen(console_, session_, environment_);
    std::string trace;
    for (const std::string& code : c.codes) {
      screen.SetStyle(code);
      trace += "'" + code + "' ";
    }
    EXPECT_EQ(screen.CurrentStyle(), c.style) << trace;
    EXPECT_EQ(screen.SavedStyles(), c.saved) << trace;
    EXPECT_EQ(console_.Attribute(), kStyleAttribute[c.style]) << trace;
  }
}

TEST_F(StyleTest, EmptyOrBlankCodeChangesNothingNotEvenTheColour) {
  screen_.SetStyle("+rh");
  console_.SetColor(9, 5);
  for (const char* code : {"", "   "}) {
    screen_.SetStyle(code);
    EXPECT_EQ(screen_.CurrentStyle(), 2) << "'" << code << "'";
    EXPECT_EQ(screen_.SavedStyles(), 1u) << "'" << code << "'";
    EXPECT_EQ(console_.Attribute(), 0x59) << "'" << code << "'";
  }
}

TEST_F(StyleTest, PaletteNumberOf16OrMoreKeepsThatHalfOfTheColour) {
  session_.StylePalette[1] = {16, 2};
  console_.SetColor(12, 0);
  screen_.SetStyle("n");
  EXPECT_EQ(console_.Attribute(), 0x2C);
}

TEST_F(StyleTest, TextStackReturnsEntriesLastInFirstOut) {
  screen_.TextStackPush("A");
  screen_.TextStackPush("BC");
  screen_.TextStackPush("");
  screen_.TextStackPushNumber(-2);
  EXPECT_EQ(screen_.TextStackPopNumber(), -2);
  EXPECT_EQ(screen_.TextStackPop(), "");
  EXPECT_EQ(screen_.TextStackPop(), "BC");
  screen_.TextStackPushNumber(0x1234);
  EXPECT_EQ(screen_.TextStackPop(), "\x34\x12");  // the number's 2-byte little-endian form
  EXPECT_EQ(screen_.TextStackPop(), "A");
  EXPECT_EQ(screen_.TextStackPop(), "");  // empty stack: nothing, no harm
}

TEST_F(StyleTest, WinLocateAndTheInteriorAccessorsFollowTheCurrentWindow) {
  screen_.WinLocate(3, 4);
  EXPECT_EQ(console_.CursorRow(), 3);
  EXPECT_EQ(console_.CursorColumn(), 4);
  EXPECT_EQ(screen_.WinFirstRow(), 1);
  EXPECT_EQ(screen_.WinFirstCol(), 1);
  EXPECT_EQ(screen_.WinLastCol(), 80);

  ASSERT_TRUE(screen_.WinPush(5, 10, 15, 50));
  screen_.WinLocate(1, 1);
  EXPECT_EQ(console_.CursorRow(), 6);
  EXPECT_EQ(console_.CursorColumn(), 11);
  EXPECT_EQ(screen_.WinFirstRow(), 6);
  EXPECT_EQ(screen_.WinFirstCol(), 11);
  EXPECT_EQ(screen_.WinLastCol(), 49);
  screen_.WinPop();
}

TEST(IsFilledWith, TrueOnlyWhenEveryByteIsTheCharacter) {
  struct Case {
    std::string text;
    int character;
    bool filled;
  } cases[] = {
      {"", 32, true},     {"   ", 32, true},        {"  x ", 32, false},     {"x", 32, false},
      {"---", '-', true}, {"\xC4\xC4", 0xC4, true}, {"a", 'a' + 256, false}, {"", -1, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsFilledWith(c.text, c.character), c.filled)
        << "'" << c.text << "' with " << c.character;
  }
}

}  // namespace
}  // namespace screen
