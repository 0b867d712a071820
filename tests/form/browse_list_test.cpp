#include "form/browse_list.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/virtual_console.h"
#include "support/temp_dir.h"

namespace form {
namespace {

namespace fs = std::filesystem;
constexpr std::int16_t kConcepts = 503;
constexpr std::uint16_t kEnter = 13, kEsc = 27, kF4 = 0x3E00, kUp = 0x4800, kDown = 0x5000,
                        kPageUp = 0x4900, kPageDown = 0x5100, kLeft = 0x4B00, kRight = 0x4D00;
// The attribute of style 4 ("u", the bar) under the fixture's palette.
constexpr std::uint8_t kBarAttribute = 0x31;

// The list window of lookup 1: rows 5-10, columns 10-31, so 4 rows of 20 columns inside.
constexpr int kWindowTop = 5, kWindowLeft = 10, kHeight = 4, kWidth = 20;

std::string TemplateBytes() {
  std::ifstream in(std::string(ZC_SOURCE_DIR) + "/data/root/ddf/TVRebut.xdf", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// What the list showed while it waited for the key after the script.
struct View {
  std::string heading;            // the top frame line, corners included
  std::vector<std::string> rows;  // the window's rows, inside the frame
  int bar = 0;                    // the highlighted row, 0 when none
};

class BrowseListTest : public ::testing::Test {
 protected:
  BrowseListTest() : screen(console, session, environment) {
    session.RootDir = root.Prefix();
    session.TempDir = root.Prefix();
    session.LanguageCode = "CAT";
    session.StylePalette = {{{15, 0}, {7, 1}, {0, 7}, {14, 4}, {1, 3}}};
    root.Write("ddf/TVRebut.xdf", TemplateBytes());
    fs::create_directories(root.path() / "DADES");
    here = fs::current_path();
    fs::current_path(root.path());
    model.lookupCount = 2;
    model.lookups.resize(3);
    model.lookups[1].lookupAttr = {
        0, 0, kWindowTop, kWindowLeft, kWindowTop + kHeight + 1, kWindowLeft + kWidth + 1, 0, 0};
    model.lookups[1].lookupText = "CODI_CLIENT NOM";
    model.lookups[2].lookupAttr = {0, 0, 2, 40, 8, 70, 0, 0};
    model.lookups[2].lookupText = "SEGONA";
    exitKeys.ExitKeys = {13, 27};
    exitKeys.ExitResults = {13, 27};
    exitKeys.ExitSaveDepth = 1;  // as inside a field edit of the form runner
    exitKeys.SavedExitKeys = {0x3B00};
    exitKeys.SavedExitResults = {0x3B00};
    context.rowText = [this](const records::BrowseState&) {
      ++rowTextCalls;
      return std::string(area, 21);
    };
  }
  ~BrowseListTest() override {
    files.RecReset();
    fs::current_path(here);
  }

  // A row file as another program would leave it: entry k has the text `text(k)` and record
  // position 100 + k.
  void PrepareRows(int count, const std::function<std::string(int)>& text) {
    std::string bytes;
    std::int32_t previous = 0;
    for (int k = 1; k <= count; ++k) {
      const std::string row = text(k);
      const auto at = static_cast<std::int32_t>(bytes.size()) + 1;
      bytes += records::EncodeRowHeader({previous, 100 + k, static_cast<std::int16_t>(row.size())});
      bytes += row;
      previous = at;
    }
    root.Write("Browse.tmp", bytes);
  }
  void PrepareEntries(int count) {
    PrepareRows(count, [](int k) { return "Entry " + std::to_string(k); });
  }
  // The concept file with one record per code, listed by lookup 1 with key 0.
  void OpenConcepts(std::string_view codes) {
    ASSERT_EQ(files.RecOpen(kConcepts, root.Prefix() + "DADES\\TVRebut", area), 0);
    for (char code : codes) {
      std::memset(area, ' ', sizeof area);
      area[0] = code;
      std::memcpy(area + 2, "Concept ", 8);
      area[10] = code;
      ASSERT_EQ(files.RecInsert(kConcepts), 0);
    }
    model.lookups[1].lookupAttr[kLookupFile] = kConcepts;
  }

  // Runs lookup `lookup` with the keys of `script`; once they are used up, looks at the list and
  // closes it with Esc. Checks that everything taken on opening was given back.
  View Run(const std::vector<std::uint16_t>& script, std::int16_t lookup = 1) {
    for (std::uint16_t key : script) console.PushKey(key);
    View view;
    console.SetEndHandler([&] {
      const screen::WindowRect& window = screen.CurrentWindow();
      view.heading =
          console.RowText(window.top).substr(window.left - 1, window.right - window.left + 1);
      for (int row = window.top + 1; row < window.bottom; ++row) {
        view.rows.push_back(
            console.RowText(row).substr(window.left, window.right - window.left - 1));
        if (console.AttributeAt(row, window.left + 1) == kBarAttribute) {
          view.bar = row - window.top;
        }
      }
      console.PushKey(kEsc);
    });
    const ExitKeySet exitKeysBefore = exitKeys;
    const int styleBefore = screen.CurrentStyle();
    pick = BrowsePick{};
    BrowseList(context, lookup, cancelled, &pick);
    console.SetEndHandler(nullptr);
    EXPECT_EQ(console.PendingEvents(), 0u);
    EXPECT_EQ(exitKeys.ExitKeys, exitKeysBefore.ExitKeys);
    EXPECT_EQ(exitKeys.SavedExitKeys, exitKeysBefore.SavedExitKeys);
    EXPECT_EQ(exitKeys.ExitSaveDepth, exitKeysBefore.ExitSaveDepth);
    EXPECT_EQ(screen.CurrentStyle(), styleBefore);
    EXPECT_EQ(screen.SavedStyles(), 0u);
    EXPECT_EQ(screen.WinDepth(), 0);
    EXPECT_TRUE(files.LockStack().empty());
    EXPECT_FALSE(fs::exists(root.path() / "Browse.tmp")) << "the row file is deleted";
    return view;
  }

  testing_support::TempDir root;
  fs::path here;
  frame::Session session;
  platform::MapEnvironment environment;
  platform::VirtualConsole console;
  platform::FakeTimer timer;
  screen::Screen screen;
  records::RecordFiles files{screen, session, timer, [] { std::exit(0); }};
  KeyReaderState keys;
  ExitKeySet exitKeys;
  FormModel model;
  BrowseContext context{screen, keys, exitKeys, model, files, {}, {}, {}};
  char area[64] = {};
  int rowTextCalls = 0;
  std::int16_t cancelled = 0;
  BrowsePick pick;
};

std::string Padded(std::string text) {
  text.resize(kWidth, ' ');
  return text;
}

// The window rows showing entries first..last, blank below.
std::vector<std::string> Entries(int first, int last) {
  std::vector<std::string> rows;
  for (int k = first; k <= last; ++k) rows.push_back(Padded("Entry " + std::to_string(k)));
  while (rows.size() < static_cast<std::size_t>(kHeight)) rows.push_back(Padded(""));
  return rows;
}

TEST_F(BrowseListTest, AnEmptyListShowsBlankRowsWithTheBarOnRowOneAndPicksNothing) {
  const View view = Run({kDown, kPageDown, kUp, kPageUp, kLeft, kRight});
  EXPECT_EQ(view.rows, Entries(1, 0));
  EXPECT_EQ(view.bar, 1);
  for (std::uint16_t key : {kEnter, kEsc}) {
    cancelled = 0;
    Run({key});
    EXPECT_EQ(cancelled, kBrowseCancelled) << key;
  }

  // This program's hook: a record-backed list reads its records and lists none of them.
  OpenConcepts("ABC");
  context.rowText = nullptr;
  EXPECT_EQ(Run({}).bar, 1);
  Run({kEnter});
  EXPECT_EQ(cancelled, kBrowseCancelled);
}

TEST_F(BrowseListTest, VerticalMovesOverTenEntriesInFourRows) {
  struct Case {
    const char* name;
    std::vector<std::uint16_t> keys;
    int first, last, bar;
  } cases[] = {
      {"opened", {}, 1, 4, 1},
      {"down three times", {kDown, kDown, kDown}, 1, 4, 4},
      {"the fourth down scrolls", {kDown, kDown, kDown, kDown}, 2, 5, 4},
      {"up at the top", {kUp}, 1, 4, 1},
      {"up on row 1 scrolls back",
       {kDown, kDown, kDown, kDown, kDown, kDown, kUp, kUp, kUp, kUp},
       3,
       6,
       1},
      {"page down keeps the bar row", {kDown, kPageDown}, 5, 8, 2},
      {"page up keeps the bar row", {kPageDown, kDown, kDown, kPageUp}, 1, 4, 3},
      {"page up from 3-6, bar on 3", {kDown, kDown, kDown, kDown, kDown, kUp, kPageUp}, 1, 4, 1},
      {"page up from 2-5, bar on 4", {kDown, kDown, kDown, kDown, kPageUp}, 1, 4, 1},
      {"page down to the end", {kDown, kDown, kDown, kPageDown, kPageDown}, 9, 10, 2},
      {"page down past the end", {kPageDown, kPageDown, kPageDown, kPageDown}, 9, 10, 1},
      {"down at the end", {kPageDown, kPageDown, kDown, kDown, kDown}, 9, 10, 2},
      {"down to the last", std::vector<std::uint16_t>(12, kDown), 7, 10, 4},
      {"page up at the top", {kDown, kPageUp}, 1, 4, 2},
  };
  for (const Case& c : cases) {
    PrepareEntries(10);
    const View view = Run(c.keys);
    EXPECT_EQ(view.rows, Entries(c.first, c.last)) << c.name;
    EXPECT_EQ(view.bar, c.bar) << c.name;
  }
}

TEST_F(BrowseListTest, EnterPicksTheEntryUnderTheBar) {
  PrepareEntries(10);
  Run({kDown, kDown, kDown, kDown, kDown, kEnter});
  EXPECT_EQ(cancelled, 0);
  EXPECT_EQ(pick.text, "Entry 6");
  EXPECT_EQ(pick.recordPosition, 106);
}

TEST_F(BrowseListTest, SidewaysByEightWhileRowsReachPastTheEdge) {
  // Row 2 is 20 characters wider than the window.
  const std::string wide = "abcdefghijklmnopqrstuvwxyz0123456789ABCD";
  model.lookups[1].lookupText = "NOM";
  const std::string blanks(kWidth, '\xCD');
  struct Case {
    std::vector<std::uint16_t> keys;
    int shift;
    char leftCorner, rightCorner;
  } cases[] = {
      {{}, 1, '\xC9', '\x10'},
      {{kRight}, 9, '\x11', '\x10'},
      {{kRight, kRight}, 17, '\x11', '\x10'},
      {{kRight, kRight, kRight}, 25, '\x11', '\xBB'},
      {{kRight, kRight, kRight, kRight}, 25, '\x11', '\xBB'},
      {{kRight, kRight, kRight, kLeft, kLeft, kLeft, kLeft}, 1, '\xC9', '\x10'},
      {{kLeft}, 1, '\xC9', '\x10'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("shift " + std::to_string(c.shift) + " after " + std::to_string(c.keys.size()));
    PrepareRows(3, [&](int k) { return k == 2 ? wide : "row " + std::to_string(k); });
    const View view = Run(c.keys);
    const std::size_t from = static_cast<std::size_t>(c.shift - 1);
    EXPECT_EQ(view.rows[1], Padded(from < wide.size() ? wide.substr(from, kWidth) : ""));
    EXPECT_EQ(view.rows[0], Padded(c.shift == 1 ? "row 1" : ""));
    const std::string heading = c.shift == 1 ? "NOM" + blanks.substr(3) : blanks;
    EXPECT_EQ(view.heading, c.leftCorner + heading + c.rightCorner);
  }

  // A wide row further down shows in the corner once it comes into view.
  const auto wideLast = [&](int k) { return k == 6 ? wide : "row " + std::to_string(k); };
  PrepareRows(6, wideLast);
  EXPECT_EQ(Run({}).heading.back(), '\xBB');
  PrepareRows(6, wideLast);
  EXPECT_EQ(Run({kPageDown}).heading.back(), '\x10');
}

TEST_F(BrowseListTest, HeadingDrawsBlanksAsLinesAndUnderscoresAsBlanks) {
  const View view = Run({});
  EXPECT_EQ(view.heading,
            "\xC9"
            "CODI CLIENT\xCDNOM\xCD\xCD\xCD\xCD\xCD"
            "\xBB");
  model.lookups[1].lookupText = "CODI_CLIENT NOM AND A VERY LONG TAIL";
  EXPECT_EQ(Run({}).heading.back(), '\x10') << "a heading wider than the window";
}

TEST_F(BrowseListTest, F4OpensTheFurtherLookupOrEndsTheList) {
  PrepareEntries(3);
  Run({kF4});
  EXPECT_EQ(cancelled, kBrowseCancelled) << "no further lookup: no pick";

  PrepareEntries(3);
  model.lookups[1].lookupAttr[kLookupNext] = 2;
  OpenConcepts("ABCDE");
  model.lookups[2].lookupAttr[kLookupFile] = kConcepts;
  model.lookups[1].lookupAttr[kLookupFile] = 0;
  const View view = Run({kDown, kF4, kDown, kEnter});
  EXPECT_EQ(view.heading, "");
  EXPECT_EQ(cancelled, 0) << "the further list's pick";
  EXPECT_EQ(area[0], 'B');
  EXPECT_EQ(pick.text, "") << "a record-backed pick leaves the row text alone";

  PrepareEntries(3);
  const View further = Run({kF4});
  EXPECT_EQ(further.heading.substr(0, 7), "\xC9SEGONA");
  EXPECT_EQ(further.rows[0].substr(0, 11), "A Concept A");
  EXPECT_EQ(cancelled, kBrowseCancelled);
}

TEST_F(BrowseListTest, APickReloadsTheRecordOfARecordBackedList) {
  const std::string codes = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  OpenConcepts(codes);
  files.RecLockMode(kConcepts, "b");
  const View view = Run({kPageDown, kPageDown, kDown, kEnter});
  EXPECT_EQ(cancelled, 0);
  EXPECT_EQ(std::string(area, 11), "9 Concept 9");
  EXPECT_EQ(files.RecStep(kConcepts, 1), 0) << "the picked record is current";
  EXPECT_EQ(area[0], 'A');
  EXPECT_EQ(files.Entry(40).lockMode, 2) << "the lock mode is given back";
  EXPECT_LE(rowTextCalls, 14) << "records are read only as far as the list was moved";

  const View last = Run(std::vector<std::uint16_t>(40, kDown));
  EXPECT_EQ(last.rows.back().substr(0, 11), "Z Concept Z");
  EXPECT_EQ(last.bar, 4);
}

TEST_F(BrowseListTest, EscDuringAScanOfEmptyRowsStopsIt) {
  OpenConcepts("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  context.rowText = [this](const records::BrowseState&) {
    ++rowTextCalls;
    return std::string();
  };
  context.takeWaitingKey = [this]() -> std::int16_t {
    return console.PendingEvents() > 0 ? WaitKey(console, keys) : 0;
  };
  const View view = Run({'x', kEsc});
  EXPECT_EQ(rowTextCalls, 2) << "'x' is lost, Esc ends the scan";
  EXPECT_EQ(view.rows, Entries(1, 0));
  EXPECT_EQ(cancelled, kBrowseCancelled);
}

TEST_F(BrowseListTest, TheSearchPageRunsFirstAndEscThereCancelsBeforeAnyDrawing) {
  PrepareEntries(3);
  model.lookups[1].lookupAttr[kLookupSearchPage] = 4;
  std::vector<std::int16_t> pagesRun;
  std::int16_t searchKey = kEsc;
  context.runSearchPage = [&](std::int16_t page, std::int16_t& key) {
    pagesRun.push_back(page);
    key = searchKey;
  };
  const std::string before = console.ScreenText();
  std::int16_t outcome = 0;
  BrowseList(context, 1, outcome);
  EXPECT_EQ(outcome, kBrowseCancelled);
  EXPECT_EQ(console.ScreenText(), before);
  EXPECT_EQ(pagesRun, std::vector<std::int16_t>{4});

  searchKey = kEnter;
  Run({kEnter});
  EXPECT_EQ(cancelled, 0);
  EXPECT_EQ(pick.text, "Entry 1");
  EXPECT_EQ(pagesRun.size(), 2u);
}

TEST_F(BrowseListTest, AWindowThatCannotOpenOrHoldsNoRowCancels) {
  struct Case {
    std::array<std::int16_t, 4> window;
  } cases[] = {{{5, 10, 6, 31}}, {{5, 10, 10, 11}}, {{5, 10, 120, 31}}, {{0, 0, 0, 0}}};
  for (const Case& c : cases) {
    PrepareEntries(3);
    std::copy(c.window.begin(), c.window.end(), model.lookups[1].lookupAttr.begin() + kLookupTop);
    console.PushKey(kEnter);
    BrowseList(context, 1, cancelled);
    EXPECT_EQ(cancelled, kBrowseCancelled) << c.window[0] << "," << c.window[2];
    EXPECT_EQ(console.PendingEvents(), 1u) << "no key is read";
    EXPECT_EQ(screen.WinDepth(), 0);
    console.WaitEvent();
  }
  BrowseList(context, 3, cancelled);
  EXPECT_EQ(cancelled, kBrowseCancelled) << "no such lookup";
}

}  // namespace
}  // namespace form
