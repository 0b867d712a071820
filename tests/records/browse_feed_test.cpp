#include "records/browse_feed.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/virtual_console.h"
#include "support/temp_dir.h"

namespace records {
namespace {

namespace fs = std::filesystem;
constexpr std::int16_t kConcepts = 503;
constexpr std::string_view kCodes = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

std::string TemplateBytes() {
  std::ifstream in(std::string(ZC_SOURCE_DIR) + "/data/root/ddf/TVRebut.xdf", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// An entry whose header gives `length` (the text's own length when none is given).
std::string Entry(std::int32_t previous, std::int32_t record, std::string_view text,
                  std::optional<std::int16_t> length = std::nullopt) {
  const std::int16_t stored = length.value_or(static_cast<std::int16_t>(text.size()));
  return EncodeRowHeader({previous, record, stored}) + std::string(text);
}

class BrowseFeedTest : public ::testing::Test {
 protected:
  BrowseFeedTest() : screen(console, session, environment) {
    session.RootDir = root.Prefix();
    session.TempDir = root.Prefix();
    root.Write("ddf/TVRebut.xdf", TemplateBytes());
    fs::create_directories(root.path() / "DADES");
    here = fs::current_path();
    fs::current_path(root.path());
  }
  ~BrowseFeedTest() override {
    files.RecReset();
    fs::current_path(here);
  }

  // The concept file with one record per code, each named after its code.
  void OpenConcepts(std::string_view codes = kCodes) {
    ASSERT_EQ(files.RecOpen(kConcepts, root.Prefix() + "DADES\\TVRebut", area), 0);
    for (char code : codes) {
      std::memset(area, ' ', sizeof area);
      area[0] = code;
      std::memcpy(area + 2, "Concept ", 8);
      area[10] = code;
      ASSERT_EQ(files.RecInsert(kConcepts), 0);
    }
    state.recordFile = kConcepts;
  }
  void OpenRowFile(std::string_view bytes = {}) {
    root.Write("Browse.tmp", bytes);
    ASSERT_TRUE(
        state.rowFile.Open(root.Prefix() + "Browse.tmp", platform::Share::kReadWriteShared, true));
  }
  // Rows "<code> Concept <code>" for the codes in `shown`, nothing for the others.
  void ShowCodes(std::string_view codes) {
    state.rowText = [this, shown = std::string(codes)](const BrowseState&) {
      ++rowTextCalls;
      return shown.find(area[0]) == std::string::npos ? std::string(21, ' ')
                                                      : std::string(area, 21);
    };
  }

  testing_support::TempDir root;
  fs::path here;
  frame::Session session;
  platform::MapEnvironment environment;
  platform::VirtualConsole console;
  platform::FakeTimer timer;
  screen::Screen screen;
  RecordFiles files{screen, session, timer, [] { std::exit(0); }};
  char area[64] = {};
  BrowseState state;
  int rowTextCalls = 0;
};

TEST(RowHeader, LittleEndianFieldsAndNegativeValues) {
  const RowHeader header{0x01020304, -2, 0x0506};
  const std::string bytes = EncodeRowHeader(header);
  EXPECT_EQ(bytes, std::string("\x04\x03\x02\x01\xFE\xFF\xFF\xFF\x06\x05", 10));
  EXPECT_EQ(DecodeRowHeader(bytes), header);
}

TEST_F(BrowseFeedTest, SuccessiveCallsAppendOneLinkedEntryEach) {
  OpenConcepts();
  OpenRowFile();
  ShowCodes(kCodes);
  std::int64_t previous = 0;
  for (std::size_t i = 0; i < kCodes.size(); ++i) {
    RecBrowseNext(files, state);
    const std::string expected = std::string(1, kCodes[i]) + " Concept " + kCodes[i];
    ASSERT_EQ(state.currentText, expected) << i;
    EXPECT_EQ(state.entryRead, -1);
    EXPECT_EQ(state.currentHeader.previous, previous) << i;
    EXPECT_EQ(state.firstRow, i == 0 ? -1 : 0) << i;
    EXPECT_EQ(state.atEnd, i + 1 == kCodes.size() ? -1 : 0) << i;
    EXPECT_EQ(state.lastAppended, state.currentPosition);
    previous = state.currentPosition;
  }
  EXPECT_EQ(rowTextCalls, static_cast<int>(kCodes.size())) << "one call per record";

  // Going back over the stored entries reads them and touches no record.
  const std::int32_t recordOfC = [&] {
    state.rowPosition = 1;
    for (int i = 0; i < 13; ++i) RecBrowseNext(files, state);
    return state.currentHeader.recordPosition;
  }();
  EXPECT_EQ(state.currentText, "C Concept C");
  EXPECT_EQ(rowTextCalls, static_cast<int>(kCodes.size()));

  ASSERT_NE(recordOfC, 0);
  EXPECT_EQ(files.RecPosition(kConcepts, recordOfC), 0) << "the stored position reloads it";
  EXPECT_EQ(area[0], 'C');
}

TEST_F(BrowseFeedTest, TheRangeRunsFromTheStartKeyWhileKeysAreNotAfterTheEndKey) {
  struct Case {
    std::string start, end, listed;
  } cases[] = {
      {"", "", std::string(kCodes)},
      {"B", "E", "BCDE"},
      {"C", "C", "C"},
      {"B", "EZ", "BCDE"},  // an end key longer than the key: the key is a prefix
      {"\x01", "1", "01"},
      {"Z", "", "Z"},
      {"[", "", ""},  // after every record
      {"", "/", ""},  // the first record is already past the end
  };
  OpenConcepts();
  for (const Case& c : cases) {
    SCOPED_TRACE("start '" + c.start + "', end '" + c.end + "'");
    state = BrowseState{};
    state.recordFile = kConcepts;
    OpenRowFile();
    ShowCodes(kCodes);
    state.startKey = c.start;
    state.endKey = c.end;
    std::string listed;
    for (int call = 0; call < 40 && state.atEnd == 0; ++call) {
      RecBrowseNext(files, state);
      if (state.entryRead != 0) listed += state.currentText[0];
    }
    EXPECT_EQ(listed, c.listed);
    EXPECT_EQ(state.atEnd, -1);
    EXPECT_EQ(state.ended, -1);
    if (c.listed.empty()) {
      EXPECT_EQ(state.firstRow, -1);
      EXPECT_EQ(state.rowFile.Size(), 0) << "nothing appended";
    }
  }
}

TEST_F(BrowseFeedTest, RecordsWithEmptyRowsArePassedOver) {
  OpenConcepts();
  OpenRowFile();
  ShowCodes("2A");
  RecBrowseNext(files, state);
  EXPECT_EQ(state.currentText, "2 Concept 2");
  EXPECT_EQ(rowTextCalls, 3) << "0, 1 and 2";
  RecBrowseNext(files, state);
  EXPECT_EQ(state.currentText, "A Concept A");
  EXPECT_EQ(state.atEnd, 0) << "records still follow";

  // The rest of the range gives no row: the last entry stays current rather than showing twice.
  const std::int64_t lastEntry = state.currentPosition;
  RecBrowseNext(files, state);
  EXPECT_EQ(state.entryRead, 0);
  EXPECT_EQ(state.atEnd, -1);
  EXPECT_EQ(state.currentPosition, lastEntry);
  EXPECT_EQ(state.currentText, "A Concept A");
  EXPECT_EQ(rowTextCalls, static_cast<int>(kCodes.size()));
}

TEST_F(BrowseFeedTest, ThisProgramsHookReadsTheWholeRangeAndListsNothing) {
  OpenConcepts();
  OpenRowFile();
  RecBrowseNext(files, state);
  EXPECT_EQ(state.entryRead, 0);
  EXPECT_EQ(state.ended, -1);
  EXPECT_EQ(state.atEnd, -1);
  EXPECT_EQ(state.firstRow, -1);
  EXPECT_EQ(state.rowFile.Size(), 0);
  EXPECT_EQ(files.RecStep(kConcepts, 1), 9) << "the scan went to the end of the file";
}

TEST_F(BrowseFeedTest, EscTypedDuringAScanEndsItOtherKeysAreLost) {
  OpenConcepts();
  OpenRowFile();
  ShowCodes("");
  std::vector<std::int16_t> typed = {0, 'x', 0, 0x4800, 27, 'y'};
  std::size_t polls = 0;
  state.takeWaitingKey = [&]() -> std::int16_t {
    return polls < typed.size() ? typed[polls++] : 0;
  };
  RecBrowseNext(files, state);
  EXPECT_EQ(polls, 5u) << "the keyboard is looked at once per record, up to the Esc";
  EXPECT_EQ(rowTextCalls, 5);
  EXPECT_EQ(state.ended, -1);
  EXPECT_EQ(state.atEnd, -1);
  RecBrowseNext(files, state);
  EXPECT_EQ(rowTextCalls, 5) << "an ended feed reads no more records";
}

TEST_F(BrowseFeedTest, DamagedRowFilesEndTheListWhereTheDamageStarts) {
  const std::string a = Entry(0, 7, "alpha");
  const std::string b = Entry(1, 8, "beta");
  const std::int32_t bAt = static_cast<std::int32_t>(a.size()) + 1;
  const std::int32_t cAt = bAt + static_cast<std::int32_t>(b.size());
  struct Case {
    const char* name;
    std::string bytes;
    std::string forward;   // texts read from position 1 on, joined by '/'
    std::string backward;  // texts stepped back through from the last entry read
  } cases[] = {
      {"whole", a + b + Entry(bAt, 9, "gamma"), "alpha/beta/gamma", "beta/alpha"},
      {"negative length", a + b + Entry(bAt, 9, "gamma", -3), "alpha/beta", "alpha"},
      {"length past the end", a + b + Entry(bAt, 9, "gamma", 6), "alpha/beta", "alpha"},
      {"header cut short", a + b + std::string("\x01\x00\x00", 3), "alpha/beta", "alpha"},
      {"first entry damaged", Entry(0, 7, "alpha", 300) + b, "", ""},
      {"previous after the entry", a + b + Entry(cAt + 50, 9, "gamma"), "alpha/beta/gamma", ""},
      {"previous pointing at itself", a + Entry(bAt, 8, "beta"), "alpha/beta", ""},
      {"previous negative", a + Entry(-5, 8, "beta"), "alpha/beta", ""},
      {"previous inside an entry", a + b + Entry(3, 9, "gamma"), "alpha/beta/gamma", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    state = BrowseState{};
    state.ended = -1;  // a list without a record file
    OpenRowFile(c.bytes);
    std::string forward;
    for (int call = 0; call < 10 && state.atEnd == 0; ++call) {
      RecBrowseNext(files, state);
      if (state.entryRead == 0) break;
      forward += (forward.empty() ? "" : "/") + state.currentText;
    }
    EXPECT_EQ(forward, c.forward);
    EXPECT_EQ(state.atEnd, -1);
    std::string backward;
    const std::string before = state.currentText;
    while (BrowseStep(files, state, -1) == 1) {
      backward += (backward.empty() ? "" : "/") + state.currentText;
      ASSERT_LT(backward.size(), 100u) << "stepping back must end";
    }
    EXPECT_EQ(backward, c.backward);
    EXPECT_EQ(state.firstRow, -1);
    if (!before.empty() && backward.empty()) {
      EXPECT_EQ(state.currentText, before) << "a refused step keeps the entry";
    }
    state.rowFile.Close();
  }
}

TEST_F(BrowseFeedTest, WalkBackCountsLinksAndStopsOnTheFirstEntry) {
  std::string bytes;
  std::vector<std::int32_t> at;
  for (int i = 0; i < 6; ++i) {
    at.push_back(static_cast<std::int32_t>(bytes.size()) + 1);
    bytes += Entry(i == 0 ? 0 : at[i - 1], 0, "row " + std::to_string(i + 1));
  }
  OpenRowFile(bytes);
  struct Case {
    int from, count, position, steps;
    bool first;
  } cases[] = {
      {5, 4, 1, 4, false},
      {4, 4, 0, 4, true},
      {2, 4, 0, 2, true},
      {0, 4, 0, 0, true},
  };
  for (const Case& c : cases) {
    const WalkBack walk = WalkBackFrom(state.rowFile, at[c.from], c.count);
    EXPECT_EQ(walk.position, at[c.position]) << "from entry " << c.from + 1;
    EXPECT_EQ(walk.steps, c.steps) << "from entry " << c.from + 1;
    EXPECT_EQ(walk.reachedFirst, c.first) << "from entry " << c.from + 1;
  }
  EXPECT_EQ(EntryAfter(state.rowFile, at[0]), at[1]);
  EXPECT_EQ(EntryAfter(state.rowFile, static_cast<std::int64_t>(bytes.size()) + 1), std::nullopt);
}

}  // namespace
}  // namespace records
