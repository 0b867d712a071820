#include <gtest/gtest.h>

#include "platform/terminal_console.h"
#include "platform/virtual_console.h"

namespace platform {
namespace {

TEST(VirtualConsole, WritesWrapAndScrollLikeAConsole) {
  VirtualConsole c(25, 80);
  c.SetColor(14, 1);
  c.SetCursor(1, 79);
  c.Write("abc");
  EXPECT_EQ(c.RowText(1).substr(78), "ab");
  EXPECT_EQ(c.RowText(2).substr(0, 1), "c");
  EXPECT_EQ(c.AttributeAt(2, 1), 0x1E);
  EXPECT_EQ(c.CursorRow(), 2);
  EXPECT_EQ(c.CursorColumn(), 2);
  // The last cell can be written without scrolling; the next character scrolls.
  c.SetCursor(25, 80);
  c.Write("z");
  EXPECT_EQ(c.ReadCell(25, 80).ch, 'z');
  EXPECT_EQ(c.ReadCell(1, 79).ch, 'a');
  c.NewLine();
  EXPECT_EQ(c.ReadCell(1, 1).ch, 'c') << "scrolled up one row";
  EXPECT_EQ(c.CursorRow(), 25);
  EXPECT_EQ(c.CursorColumn(), 1);
}

TEST(VirtualConsole, ColoursKeepTheHalfGivenAsSixteenOrMore) {
  VirtualConsole c;
  c.SetColor(2, 3);
  c.SetColor(16, 5);
  EXPECT_EQ(c.Attribute(), 0x52);
  c.SetColor(9, 99);
  EXPECT_EQ(c.Attribute(), 0x59);
}

TEST(VirtualConsole, ScrollRectMovesOnlyTheRectangle) {
  VirtualConsole c(5, 10);
  for (int r = 1; r <= 5; ++r) {
    c.SetCursor(r, 1);
    c.Write(std::string(10, static_cast<char>('0' + r)));
  }
  c.SetColor(7, 1);
  c.ScrollRect(2, 3, 4, 5, 1);
  EXPECT_EQ(c.RowText(2), "2233322222");
  EXPECT_EQ(c.RowText(3), "3344433333");
  EXPECT_EQ(c.RowText(4), "44   44444");
  EXPECT_EQ(c.AttributeAt(4, 3), 0x17);
  c.ScrollRect(1, 1, 5, 10, -2);
  EXPECT_EQ(c.RowText(1), "          ");
  EXPECT_EQ(c.RowText(3), "1111111111");
}

TEST(VirtualConsole, ScriptedEventsThenTheEndHandler) {
  VirtualConsole c;
  c.PushText("a");
  c.PushKey(0x3B00, kShiftPressed);
  c.PushEvent(InputEvent::Mouse(kMouseReleased, kButtonRight, 5, 10));
  EXPECT_EQ(c.WaitEvent().code, 'a');
  EXPECT_EQ(c.WaitEvent().code, 0x3B00);
  EXPECT_EQ(c.ControlKeyState(), kShiftPressed);
  c.WaitEvent();
  EXPECT_EQ(c.MouseRow(), 5);
  EXPECT_EQ(c.MouseColumn(), 10);
  int ends = 0;
  c.SetEndHandler([&] { ++ends; });
  EXPECT_EQ(c.WaitEvent(), InputEvent::Key(0));
  EXPECT_EQ(ends, 1);
  EXPECT_TRUE(c.RanDry());
}

TEST(VirtualConsoleDeathTest, ARunDryScriptWithoutAnEndHandlerAborts) {
  VirtualConsole c;
  EXPECT_DEATH(c.WaitEvent(), "ran dry");
}

TEST(TerminalConsole, LogicalScreenIsTheTerminalWithinItsBounds) {
  struct Case {
    int rows, columns, wantRows, wantColumns;
  } cases[] = {{25, 80, 25, 80}, {50, 132, 50, 99}, {120, 90, 99, 90}, {24, 80, 25, 80}};
  for (const Case& c : cases) {
    int rows, columns;
    LogicalScreenSize(c.rows, c.columns, rows, columns);
    EXPECT_EQ(rows, c.wantRows);
    EXPECT_EQ(columns, c.wantColumns);
  }
}

}  // namespace
}  // namespace platform
