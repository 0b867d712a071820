#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "screen/help_line.h"
#include "screen/screen.h"
#include "screen_fixture.h"

namespace screen {
namespace {

constexpr std::uint16_t kF1 = 0x3B00, kDown = 0x5000, kUp = 0x4800, kPgDn = 0x5100, kPgUp = 0x4900,
                        kHome = 0x4700, kEnd = 0x4F00, kEsc = 27;

// Help files are read relative to the current directory, as after start-up in the root.
class HelpTest : public ScreenFixture {
 protected:
  HelpTest() : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir_.path());
  }
  ~HelpTest() override { std::filesystem::current_path(previous_); }

  // A help file of `count` lines "Line n", each padded to the 80-byte line length.
  void WriteNumberedHelp(const std::string& topic, int count) {
    std::string bytes;
    for (int n = 1; n <= count; ++n) {
      std::string line = "Line " + std::to_string(n);
      line.resize(80, ' ');
      bytes += line;
    }
    dir_.Write("AJUDA/" + topic + ".HLP", bytes);
  }

  // The line number shown on interior row r (screen row 4 + r), 0 for a blank row.
  int ShownLine(int r) const {
    const std::string row = console_.RowText(4 + r);
    return row.compare(2, 5, "Line ") == 0 ? std::atoi(row.c_str() + 7) : 0;
  }

  // Runs the viewer on `topic`; every time it waits for input, `look` is called and the next
  // event of `events` goes in (Esc once they are used up).
  void RunViewer(std::string_view topic, std::vector<platform::InputEvent> events,
                 const std::function<void()>& look) {
    std::size_t next = 0;
    console_.SetEndHandler([&] {
      look();
      console_.PushEvent(next < events.size() ? events[next++] : platform::InputEvent::Key(kEsc));
    });
    screen_.ShowHelp(topic);
    console_.SetEndHandler(nullptr);
  }

  std::filesystem::path previous_;
};

TEST_F(HelpTest, PagesThroughA40LineFileAsTheTableSays) {
  WriteNumberedHelp("ZCONCTAB", 40);
  std::vector<std::pair<int, int>> shown;
  RunViewer("ZCONCTAB",
            {platform::InputEvent::Key(kPgDn), platform::InputEvent::Key(kPgDn),
             platform::InputEvent::Key(kPgUp), platform::InputEvent::Key(kPgUp),
             platform::InputEvent::Key(kEnd), platform::InputEvent::Key(kHome),
             platform::InputEvent::Key(kDown), platform::InputEvent::Key(kUp)},
            [&] {
              for (int r = 2; r <= 17; ++r) {
                ASSERT_EQ(ShownLine(r), ShownLine(1) + r - 1) << "row " << r;
              }
              shown.emplace_back(ShownLine(1), ShownLine(17));
            });
  const std::vector<std::pair<int, int>> expected = {{1, 17},  {18, 34}, {24, 40}, {8, 24}, {1, 17},
                                                     {24, 40}, {1, 17},  {2, 18},  {1, 17}};
  EXPECT_EQ(shown, expected);
}

TEST_F(HelpTest, KeysThatCannotMoveDoNothing) {
  struct Case {
    int lines;
    std::uint16_t key;
    int first;
  } cases[] = {
      {17, kDown, 1}, {17, kPgDn, 1}, {17, kEnd, 1}, {40, kUp, 1}, {40, kPgUp, 1},
      {40, kHome, 1}, {40, 'x', 1},   {0, kDown, 0}, {0, kEnd, 0}, {3, kPgDn, 1},
  };
  for (const Case& c : cases) {
    WriteNumberedHelp("T", c.lines);
    std::vector<int> firsts;
    RunViewer("T",
              {platform::InputEvent::Key(c.key),
               platform::InputEvent::Mouse(platform::kMousePressed, 1, 10, 10)},
              [&] { firsts.push_back(ShownLine(1)); });
    EXPECT_EQ(firsts, std::vector<int>(3, c.first)) << c.lines << " lines, key " << c.key;
  }
}

TEST_F(HelpTest, ViewerFillsTheScreenBetweenRows4And22AndLeavesItAsItWas) {
  WriteNumberedHelp("T", 3);
  FillScreen();
  screen_.SetStyle("n");
  const auto before = Cells();
  RunViewer("T", {}, [&] {
    EXPECT_EQ(console_.RowText(4), "\xC9" + std::string(78, '\xCD') + "\xBB");
    EXPECT_EQ(console_.RowText(22), "\xC8" + std::string(78, '\xCD') + "\xBC");
    EXPECT_EQ(console_.RowText(5).substr(0, 10), "\xBA Line 1  ");
    EXPECT_EQ(console_.RowText(9), "\xBA" + std::string(78, ' ') + "\xBA");
    EXPECT_EQ(screen_.WinDepth(), 1);
  });
  EXPECT_EQ(Cells(), before);
  EXPECT_EQ(screen_.WinDepth(), 0);
  EXPECT_EQ(screen_.CurrentStyle(), 1);
  EXPECT_EQ(screen_.SavedStyles(), 0u);
  EXPECT_FALSE(StackExists());
}

TEST_F(HelpTest, MarkupSwitchesStylesPerCellAndTakesNoCell) {
  // h on, "Hi", h off, " n ", u on, "un", h flips (no change under u), "x", u off, " ",
  // r on, "rv", r off, "." and then enough to pass 76 shown bytes.
  std::string line = "\x1eHi\x1e n \x1fun\x1ex\x1f \x10rv\x10.";
  line += std::string(80, 'z');
  line.resize(80);
  dir_.Write("AJUDA/T.HLP", line);
  RunViewer("T", {}, [&] {
    struct Cell {
      int column;
      char ch;
      int style;
    } cells[] = {{3, 'H', 0},  {4, 'i', 0},  {5, ' ', 1},  {6, 'n', 1},  {7, ' ', 1},
                 {8, 'u', 4},  {9, 'n', 4},  {10, 'x', 4}, {11, ' ', 1}, {12, 'r', 2},
                 {13, 'v', 2}, {14, '.', 1}, {15, 'z', 1}};
    for (const Cell& c : cells) {
      EXPECT_EQ(console_.ReadCell(5, c.column).ch, static_cast<unsigned char>(c.ch)) << c.column;
      EXPECT_EQ(console_.AttributeAt(5, c.column), kStyleAttribute[c.style]) << c.column;
    }
    // 80 bytes less 7 markup bytes leave 73, all shown: the text ends at column 75.
    EXPECT_EQ(console_.RowText(5).substr(75), std::string(4, ' ') + "\xBA");
    EXPECT_EQ(console_.ReadCell(5, 75).ch, 'z');
  });
}

TEST(HelpLine, ShowsAtMost76BytesOtherThanMarkup) {
  const std::string plain(80, 'a');
  auto segments = HelpLineSegments(plain);
  ASSERT_EQ(segments.size(), 1u);
  EXPECT_EQ(segments[0].text, std::string(76, 'a'));

  segments = HelpLineSegments("\x1e" + std::string(79, 'b'));
  ASSERT_EQ(segments.size(), 2u);
  EXPECT_EQ(segments[1], (HelpSegment{"h", std::string(76, 'b')}));
}

TEST(HelpLine, LineCountRoundsHalvesToEven) {
  struct Case {
    std::int64_t size;
    std::int64_t lines;
  } cases[] = {{0, 0}, {39, 0}, {40, 0}, {41, 1}, {80, 1}, {120, 2}, {200, 2}, {280, 4}};
  for (const Case& c : cases) EXPECT_EQ(HelpLineCount(c.size, 80), c.lines) << c.size;
}

TEST_F(HelpTest, F1OpensTheGeneralHelpOnceAndNotFromItself) {
  WriteNumberedHelp("T", 40);
  dir_.Write("AJUDA/ZQTOPIDX.HLP", std::string("General") + std::string(73, ' '));
  std::vector<std::string> firstRows;
  // F1 in T opens the general help; F1 there does nothing; Esc closes it, Esc closes T.
  RunViewer("T",
            {platform::InputEvent::Key(kPgDn), platform::InputEvent::Key(kF1),
             platform::InputEvent::Key(kF1)},
            [&] {
              firstRows.push_back(console_.RowText(5).substr(2, 7));
              EXPECT_LE(screen_.WinDepth(), 2);
            });
  const std::vector<std::string> expected = {"Line 1 ", "Line 18", "General", "General", "Line 18"};
  EXPECT_EQ(firstRows, expected);
  EXPECT_EQ(screen_.WinDepth(), 0);
}

TEST_F(HelpTest, MissingHelpFileGivesAnEmptyViewer) {
  RunViewer("NOWHERE", {platform::InputEvent::Key(kDown)},
            [&] { EXPECT_EQ(console_.RowText(5), "\xBA" + std::string(78, ' ') + "\xBA"); });
  EXPECT_EQ(screen_.WinDepth(), 0);
}

TEST_F(HelpTest, WindowsSettingRunsTheLauncherAndWaits) {
  session_.PlatformTag = "WIN";
  const std::string script =
      dir_.Write("cmd.sh", "#!/bin/sh\nprintf '%s|' \"$@\" > \"$(dirname \"$0\")/args.txt\"\n");
  ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
  environment_.Set("COMSPEC", script);
  const auto before = Cells();
  screen_.ShowHelp("ZCONCTAB");
  EXPECT_EQ(dir_.Read("args.txt"), "/C|QLAUNCH|AJUDA\\ZCONCTAB.HTM|");
  EXPECT_EQ(Cells(), before);
  EXPECT_FALSE(console_.RanDry());
}

TEST_F(HelpTest, WindowsSettingWithoutALauncherReturnsAtOnce) {
  session_.PlatformTag = "WIN";
  for (const char* comspec : {"", "/nonexistent/cmd"}) {
    environment_.Set("COMSPEC", comspec);
    screen_.ShowHelp("ZCONCTAB");
    EXPECT_FALSE(console_.RanDry()) << comspec;
    EXPECT_EQ(screen_.WinDepth(), 0) << comspec;
  }
}

}  // namespace
}  // namespace screen
