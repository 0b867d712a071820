#include <gtest/gtest.h>

#include "screen/screen.h"
#include "screen_fixture.h"

namespace screen {
namespace {

using MessageTest = ScreenFixture;

TEST_F(MessageTest, BoxIsCentredOnColumn41NearTheRow) {
  const std::string x100(100, 'x');
  struct Case {
    int row;
    std::string text;
    WindowRect box;
  } cases[] = {
      {24, "Hola", {21, 37, 23, 44}}, {12, "Hola", {9, 37, 11, 44}},
      {1, "Hola", {1, 37, 3, 44}},     // clamped to the top row
      {40, "Hola", {23, 37, 25, 44}},  // clamped to the bottom row
      {12, "abc ", {9, 37, 11, 43}},   // trailing blanks do not count
      {12, x100, {9, 1, 12, 80}},      // lines of 76 and 24
      {12, "", {10, 39, 11, 42}},
  };
  for (const Case& c : cases) {
    Screen screen(console_, session_, environment_);
    console_.SetColor(7, 0);
    console_.Clear();
    screen.ShowMessage(c.row, c.text);
    ASSERT_EQ(screen.WinDepth(), 1) << c.row << " '" << c.text << "'";
    EXPECT_EQ(screen.CurrentWindow(), c.box) << c.row << " '" << c.text << "'";
    EXPECT_EQ(console_.ReadCell(c.box.top, c.box.left).ch, 0xDA) << c.row << " '" << c.text;
    EXPECT_EQ(console_.ReadCell(c.box.bottom, c.box.right).ch, 0xD9) << c.row << " " << c.text;
    EXPECT_EQ(screen.CurrentStyle(), 0);
    EXPECT_EQ(screen.SavedStyles(), 0u);
    screen.WinPop();
    EXPECT_FALSE(StackExists());
  }
}

TEST_F(MessageTest, LinesAreWrittenTwoColumnsInsideTheFrameInStyleRH) {
  screen_.SetStyle("n");
  screen_.ShowMessage(12, std::string(100, 'x'));
  EXPECT_EQ(console_.RowText(10), "\xB3 " + std::string(76, 'x') + " \xB3");
  EXPECT_EQ(console_.RowText(11), "\xB3 " + std::string(24, 'x') + std::string(52, ' ') + " \xB3");
  for (int col = 1; col <= 80; ++col) {
    ASSERT_EQ(console_.AttributeAt(11, col), kStyleAttribute[2]) << col;
  }
  EXPECT_EQ(screen_.CurrentStyle(), 1);  // the caller's style is back
  screen_.WinPop();
}

TEST_F(MessageTest, MessageTooLongForTheScreenShowsNothing) {
  FillScreen();
  const auto before = Cells();
  screen_.SetStyle("n");
  screen_.ShowMessage(12, std::string(std::size_t{24} * 76, 'x'));  // 24 lines need 26 rows
  EXPECT_EQ(Cells(), before);
  EXPECT_EQ(screen_.WinDepth(), 0);
  EXPECT_EQ(screen_.CurrentStyle(), 1);
  EXPECT_EQ(screen_.SavedStyles(), 0u);
  EXPECT_FALSE(StackExists());
}

TEST_F(MessageTest, ScrollRegionTakesZeroBasedCornersAndMovesAtLeastOneLine) {
  struct Case {
    int n;
    std::string rows[4];  // screen rows 2-5, columns 2-4
  } cases[] = {
      {1, {"bbb", "ccc", "ddd", "   "}},  {2, {"ccc", "ddd", "   ", "   "}},
      {0, {"   ", "aaa", "bbb", "ccc"}},  {-2, {"   ", "   ", "aaa", "bbb"}},
      {-9, {"   ", "   ", "   ", "   "}},
  };
  for (const Case& c : cases) {
    console_.SetColor(7, 0);
    console_.Clear();
    for (int r = 0; r < 4; ++r) {
      console_.SetCursor(r + 2, 1);
      console_.Write("x" + std::string(3, static_cast<char>('a' + r)) + "x");
    }
    console_.SetColor(1, 2);
    screen_.ScrollRegion(1, 1, 4, 3, c.n);
    for (int r = 0; r < 4; ++r) {
      EXPECT_EQ(console_.RowText(r + 2).substr(0, 5), "x" + c.rows[r] + "x") << c.n << " row " << r;
    }
    // Vacated lines are blank in the current colour.
    const int vacated = c.n > 0 ? 5 : 2;
    EXPECT_EQ(console_.AttributeAt(vacated, 2), 0x21) << c.n;
  }
}

}  // namespace
}  // namespace screen
