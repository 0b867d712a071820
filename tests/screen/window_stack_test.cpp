#include <gtest/gtest.h>

#include "platform/virtual_console.h"
#include "screen/screen.h"
#include "screen/window_entry.h"
#include "screen_fixture.h"

namespace screen {
namespace {

using WindowStackTest = ScreenFixture;

std::uint32_t TopPointer(const std::string& file) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value * 256 + static_cast<unsigned char>(file[i]);
  return value;
}

std::string CellBytes(const platform::VirtualConsole& console, WindowRect rect) {
  std::string bytes;
  for (int r = rect.top; r <= rect.bottom; ++r) {
    for (int c = rect.left; c <= rect.right; ++c) {
      bytes += static_cast<char>(console.ReadCell(r, c).ch);
      bytes += static_cast<char>(console.ReadCell(r, c).attribute);
    }
  }
  return bytes;
}

TEST_F(WindowStackTest, PushAndPopOfA10By40WindowWritesTheEntryAndRestoresEverything) {
  FillScreen();
  console_.SetCursor(7, 9);
  const auto before = Cells();
  const WindowRect rect{5, 20, 14, 59};

  ASSERT_TRUE(screen_.WinPush(5, 20, 14, 59));
  const std::string file = StackBytes();
  ASSERT_EQ(file.size(), 4u + 825u);
  EXPECT_EQ(TopPointer(file), 830u);
  EXPECT_EQ(file.substr(4, 20), "07090000000005201459");
  EXPECT_EQ(file.substr(24, 800), CellBytes(console_, rect));
  EXPECT_EQ(file.substr(824), "00825");
  EXPECT_EQ(screen_.WinDepth(), 1);
  EXPECT_EQ(screen_.CurrentWindow(), rect);
  EXPECT_EQ(Cells(), before);  // a push draws nothing

  screen_.SetStyle("n");
  screen_.WinFrame(kFrameDouble);
  console_.SetCursor(20, 70);
  screen_.WinPop();
  EXPECT_EQ(Cells(), before);
  EXPECT_EQ(console_.CursorRow(), 7);
  EXPECT_EQ(console_.CursorColumn(), 9);
  EXPECT_EQ(console_.Attribute(), console_.AttributeAt(14, 59));  // the last cell restored
  EXPECT_EQ(screen_.WinDepth(), 0);
  EXPECT_EQ(screen_.CurrentWindow(), WindowRect{});
  EXPECT_FALSE(StackExists());
}

TEST_F(WindowStackTest, NestedWindowsPopInnermostFirst) {
  FillScreen();
  const auto before = Cells();
  ASSERT_TRUE(screen_.WinPush(5, 20, 14, 59));
  screen_.WinFrame(kFrameSingle);
  const auto withOuter = Cells();
  ASSERT_TRUE(screen_.WinPush(8, 30, 12, 50));  // 5 x 21 cells: a 235-byte entry
  screen_.WinFrame(kFrameDouble);

  const std::string file = StackBytes();
  ASSERT_EQ(file.size(), 4u + 825u + 235u);
  EXPECT_EQ(TopPointer(file), 1065u);
  EXPECT_EQ(file.substr(829 + 4, 16), "0520145908301250");  // previous window, then this one
  EXPECT_EQ(screen_.WinDepth(), 2);

  screen_.WinPop();
  EXPECT_EQ(Cells(), withOuter);
  EXPECT_EQ(screen_.WinDepth(), 1);
  EXPECT_EQ(screen_.CurrentWindow(), (WindowRect{5, 20, 14, 59}));
  const std::string afterPop = StackBytes();
  EXPECT_EQ(TopPointer(afterPop), 830u);
  EXPECT_EQ(afterPop.size(), file.size());  // never shortened

  screen_.WinPop();
  EXPECT_EQ(Cells(), before);
  EXPECT_FALSE(StackExists());
}

TEST_F(WindowStackTest, RectangleOutsideTheScreenIsRefused) {
  struct Case {
    int top, left, bottom, right;
  } cases[] = {
      {0, 1, 10, 10}, {1, 0, 10, 10}, {1, 1, 0, 10},  {1, 1, 10, 0},
      {26, 1, 26, 1}, {1, 81, 2, 81}, {1, 1, 10, 81}, {-3, 1, 10, 10},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(screen_.WinPush(c.top, c.left, c.bottom, c.right))
        << c.top << "," << c.left << "," << c.bottom << "," << c.right;
    EXPECT_EQ(screen_.WinDepth(), 0);
    EXPECT_FALSE(StackExists());
  }
}

TEST(WindowStack, CoordinateAbove99IsRefusedOnALargeConsole) {
  testing_support::TempDir dir;
  platform::VirtualConsole console(120, 120);
  frame::Session session;
  session.TempDir = dir.Prefix();
  platform::MapEnvironment environment;
  Screen screen(console, session, environment);
  EXPECT_FALSE(screen.WinPush(1, 1, 100, 10));
  EXPECT_FALSE(screen.WinPush(1, 1, 10, 100));
  console.SetCursor(105, 1);
  EXPECT_FALSE(screen.WinPush(1, 1, 10, 10));  // the cursor could not be saved
  console.SetCursor(99, 99);
  EXPECT_TRUE(screen.WinPush(1, 1, 99, 99));
  screen.WinPop();
  EXPECT_EQ(screen.WinDepth(), 0);
}

TEST_F(WindowStackTest, InvertedRectangleIsPushedWithoutCells) {
  FillScreen();
  const auto before = Cells();
  ASSERT_TRUE(screen_.WinPush(10, 10, 5, 20));
  EXPECT_EQ(StackBytes().substr(4),
            "010100000000101005200002"
            "5");
  EXPECT_EQ(screen_.WinDepth(), 1);
  screen_.WinPop();
  EXPECT_EQ(Cells(), before);
  EXPECT_EQ(screen_.WinDepth(), 0);
  EXPECT_FALSE(StackExists());
}

TEST_F(WindowStackTest, FrameStylesDrawInTheCurrentColour) {
  struct Case {
    int style;
    std::string top, middle, bottom;
  } cases[] = {
      {kFrameBlank, "      ", "      ", "      "},
      {kFrameSingle, "\xDA\xC4\xC4\xC4\xC4\xBF", "\xB3    \xB3", "\xC0\xC4\xC4\xC4\xC4\xD9"},
      {kFrameDouble, "\xC9\xCD\xCD\xCD\xCD\xBB", "\xBA    \xBA", "\xC8\xCD\xCD\xCD\xCD\xBC"},
  };
  for (const Case& c : cases) {
    FillScreen();
    screen_.SetStyle("+rh");
    ASSERT_TRUE(screen_.WinPush(3, 5, 6, 10));
    screen_.WinFrame(c.style);
    EXPECT_EQ(console_.RowText(3).substr(4, 6), c.top) << c.style;
    EXPECT_EQ(console_.RowText(4).substr(4, 6), c.middle) << c.style;
    EXPECT_EQ(console_.RowText(5).substr(4, 6), c.middle) << c.style;
    EXPECT_EQ(console_.RowText(6).substr(4, 6), c.bottom) << c.style;
    for (int r = 3; r <= 6; ++r) {
      for (int col = 5; col <= 10; ++col) {
        EXPECT_EQ(console_.AttributeAt(r, col), kStyleAttribute[2]) << r << "," << col;
      }
    }
    EXPECT_NE(console_.AttributeAt(3, 11), kStyleAttribute[2]);  // nothing outside
    screen_.WinPop();
    screen_.SetStyle("-");
  }
}

TEST_F(WindowStackTest, FrameAndPopWithNoWindowOpenDoNothing) {
  FillScreen();
  const auto before = Cells();
  screen_.WinFrame(kFrameDouble);
  screen_.WinPop();
  EXPECT_EQ(Cells(), before);
  EXPECT_EQ(screen_.WinDepth(), 0);
  EXPECT_FALSE(StackExists());
}

TEST_F(WindowStackTest, AnotherProgramsEntriesUnderneathAreKept) {
  // A stack left by the program that started this one: its entries stay below ours.
  WindowEntry foreign{3, 3, {}, {2, 2, 2, 3}, {{'a', 1}, {'b', 2}}};
  const std::string entry = EncodeEntry(foreign);
  const std::string file = EncodeTopPointer(5 + entry.size()) + entry;
  dir_.Write("WinPush.tmp", file);

  screen_.WinPop();  // not ours to pop
  EXPECT_EQ(StackBytes(), file);

  ASSERT_TRUE(screen_.WinPush(5, 5, 6, 6));
  EXPECT_EQ(TopPointer(StackBytes()), 5 + entry.size() + 33);
  screen_.WinPop();
  ASSERT_TRUE(StackExists());
  EXPECT_EQ(TopPointer(StackBytes()), 5 + entry.size());
}

TEST_F(WindowStackTest, PushOverADamagedHeaderStartsTheStackAfresh) {
  dir_.Write("WinPush.tmp", std::string("\xff\xff\x00\x00garbage", 11));
  ASSERT_TRUE(screen_.WinPush(5, 5, 6, 6));
  const std::string file = StackBytes();
  EXPECT_EQ(TopPointer(file), 5u + 33u);
  EXPECT_EQ(file.substr(4, 20), "01010000000005050606");
  screen_.WinPop();
  EXPECT_FALSE(StackExists());
}

// Damage found by a pop: nothing is restored, the window closes in memory only, and the file
// goes. The outer window stays current, so the screens around keep drawing in the right place.
TEST_F(WindowStackTest, PopOfADamagedStackRestoresNothingAndDeletesTheFile) {
  struct Case {
    const char* what;
    std::function<void(std::string&)> damage;
  } cases[] = {
      {"missing", nullptr},
      {"header only", [](std::string& f) { f.resize(3); }},
      {"shorter than its pointer", [](std::string& f) { f.resize(f.size() - 10); }},
      {"pointer past the end", [](std::string& f) { f.replace(0, 4, EncodeTopPointer(99999)); }},
      {"pointer before the first entry",
       [](std::string& f) { f.replace(0, 4, EncodeTopPointer(2)); }},
      {"length not digits", [](std::string& f) { f.replace(f.size() - 5, 5, "00a45"); }},
      {"length beyond the pointer", [](std::string& f) { f.replace(f.size() - 5, 5, "99999"); }},
      {"length too short", [](std::string& f) { f.replace(f.size() - 5, 5, "00024"); }},
      {"field not digits", [](std::string& f) { f[f.size() - 45 + 12] = 'x'; }},
      {"another rectangle of the same size",
       [](std::string& f) {
         f.replace(f.size() - 45 + 12, 2, "09");
         f.replace(f.size() - 45 + 16, 2, "09");
       }},
  };
  for (const Case& c : cases) {
    Screen screen(console_, session_, environment_);
    ASSERT_TRUE(screen.WinPush(5, 20, 14, 59));
    ASSERT_TRUE(screen.WinPush(8, 30, 8, 39));  // 10 cells: a 45-byte entry
    screen.WinFrame(kFrameDouble);
    const auto drawn = Cells();
    std::string file = StackBytes();
    if (c.damage) {
      c.damage(file);
      dir_.Write("WinPush.tmp", file);
    } else {
      std::filesystem::remove(dir_.path() / "WinPush.tmp");
    }
    screen.WinPop();
    EXPECT_EQ(Cells(), drawn) << c.what;
    EXPECT_EQ(screen.WinDepth(), 1) << c.what;
    EXPECT_EQ(screen.CurrentWindow(), (WindowRect{5, 20, 14, 59})) << c.what;
    EXPECT_FALSE(StackExists()) << c.what;
    screen.WinPop();
    EXPECT_EQ(Cells(), drawn) << c.what;
    EXPECT_EQ(screen.WinDepth(), 0) << c.what;
  }
}

TEST(WindowEntry, EncodedEntryReadsBack) {
  WindowEntry entry{12, 80, {1, 2, 3, 4}, {20, 79, 21, 80}, {}};
  for (int i = 0; i < 4; ++i) {
    entry.cells.push_back({static_cast<unsigned char>('0' + i), static_cast<std::uint8_t>(i)});
  }
  const std::string bytes = EncodeEntry(entry);
  EXPECT_EQ(bytes.substr(0, 20), "12800102030420792180");
  EXPECT_EQ(bytes.substr(bytes.size() - 5), "00033");
  const auto top = ReadTopEntry(EncodeTopPointer(5 + bytes.size()) + bytes);
  ASSERT_TRUE(top.has_value());
  EXPECT_EQ(top->start, 5);
  EXPECT_EQ(top->entry.cursorRow, 12);
  EXPECT_EQ(top->entry.previous, (WindowRect{1, 2, 3, 4}));
  EXPECT_EQ(top->entry.rect, (WindowRect{20, 79, 21, 80}));
  EXPECT_EQ(top->entry.cells, entry.cells);
}

}  // namespace
}  // namespace screen
