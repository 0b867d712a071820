// The whole program in-process on a virtual console over a copy of the default installation:
// keys in, the screen and the concept file (read back through the record manager) out.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>

#include "frame/program.h"
#include "platform/virtual_console.h"
#include "support/temp_dir.h"

namespace frame {
namespace {

namespace fs = std::filesystem;
constexpr std::uint16_t kEnter = 13, kEsc = 27, kPageUp = 0x4900, kPageDown = 0x5100, kCtrlY = 25;

struct Concept {
  int code;
  std::string name;
  int type;
  bool operator==(const Concept&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Concept& c) {
  return out << "{" << c.code << ",'" << c.name << "'," << c.type << "}";
}

class ProgramRun : public ::testing::Test {
 protected:
  ProgramRun() {
    fs::copy(std::string(ZC_SOURCE_DIR) + "/data/root", root.path(), fs::copy_options::recursive);
    fs::create_directories(root.path() / "DADES");
    fs::create_directories(root.path() / "tmp");
    root.Write("tmp/Sessio.ini", "[Menu]\r\nTitol=Conceptes\r\nNomMenu=ZCONCTAB\r\n");
    root.Write("tmp/NerlTerm.ini", "[Sistema]\r\nData=20240315\r\nIdioma=CAT\r\n");
    env.Set("KAVROOT", root.Prefix());
    env.Set("KAVTMP", root.Prefix() + "tmp");
    // The program works in its root, and so does the test: db.log lands there too.
    here = fs::current_path();
    fs::current_path(root.path());
  }
  ~ProgramRun() override { fs::current_path(here); }

  // Runs the program over the keys pushed so far; the script must end the run, and all of it
  // is used unless it ends with more Enters than needed.
  void Run() {
    Program program(console, env, timer);
    // A script that runs dry ends the program through its end path; here that is a failure.
    program.exit = [](int) {
      std::fputs("the key script ran dry before the program ended\n", stderr);
      std::_Exit(3);
    };
    logLinesBefore = LogLines();
    ASSERT_EQ(program.Run(), 0);
    if (!generousEnd) {
      EXPECT_EQ(console.PendingEvents(), 0u) << "the run ended before its script";
    }
  }
  void Keys(std::initializer_list<std::uint16_t> keys) {
    for (auto k : keys) console.PushKey(k);
  }
  // Enter until page 6 ends: 19 name cells on page 6 at most, from wherever the cursor is.
  void EnterToTheEnd() {
    generousEnd = true;
    for (int i = 0; i < 20 * 5 + 19; ++i) console.PushKey(kEnter);
  }

  // The stored concepts, through a record layer of our own.
  std::vector<Concept> Stored() {
    platform::VirtualConsole quiet;
    Session session;
    session.RootDir = root.Prefix();
    screen::Screen screen(quiet, session, env);
    records::RecordFiles files(screen, session, timer, [] { std::abort(); });
    char area[26] = {};
    std::vector<Concept> out;
    if (files.RecOpen(503, root.Prefix() + "DADES\\TVRebut", area) != 0) return out;
    for (std::int16_t s = files.RecGetByKey(503, 0, "", 1); s == 0; s = files.RecStep(503, 1)) {
      std::string name(area + 1, 20);
      name.erase(name.find_last_not_of(' ') + 1);
      out.push_back({static_cast<unsigned char>(area[0]), name,
                     static_cast<unsigned char>(area[24]) | (area[25] << 8)});
    }
    files.RecReset();
    return out;
  }
  void Store(int code, std::string_view name, int type = 9) {
    platform::VirtualConsole quiet;
    Session session;
    session.RootDir = root.Prefix();
    screen::Screen screen(quiet, session, env);
    records::RecordFiles files(screen, session, timer, [] { std::abort(); });
    char area[26];
    std::memset(area, ' ', sizeof area);
    ASSERT_EQ(files.RecOpen(503, root.Prefix() + "DADES\\TVRebut", area), 0);
    area[0] = static_cast<char>(code);
    std::memcpy(area + 1, name.data(), name.size());
    area[21] = area[22] = area[23] = 'S';
    area[24] = static_cast<char>(type);
    area[25] = 0;
    ASSERT_EQ(files.RecInsert(503), 0);
    files.RecReset();
  }
  std::string Row(int r) { return console.RowText(r); }
  bool WorkFileExists() { return fs::exists(root.path() / "tmp/taula.tmp"); }
  // Lines db.log gained during the run.
  int LogLinesOfRun() { return LogLines() - logLinesBefore; }
  int LogLines() {
    const std::string log = root.Read("db.log");
    return static_cast<int>(std::count(log.begin(), log.end(), '\n'));
  }

  testing_support::TempDir root;
  fs::path here;
  platform::MapEnvironment env;
  platform::VirtualConsole console;
  platform::FakeTimer timer;
  bool generousEnd = false;
  int logLinesBefore = 0;
};

TEST_F(ProgramRun, AnEmptyTableSavedUnchangedWritesNothing) {
  EnterToTheEnd();
  Run();
  EXPECT_TRUE(Stored().empty());
  EXPECT_EQ(LogLinesOfRun(), 0);
  EXPECT_FALSE(WorkFileExists());
  // The last page shown was page 6: 19 rows, concepts 81 to 99.
  EXPECT_NE(Row(4).find("81"), std::string::npos) << Row(4);
  EXPECT_NE(Row(22).find("99"), std::string::npos) << Row(22);
  EXPECT_EQ(Row(23).find_first_not_of(' '), std::string::npos) << Row(23);
}

TEST_F(ProgramRun, PageOneShowsTenRowsAndPageUpStaysThere) {
  Keys({kPageUp, kPageUp, kEsc});
  Run();
  EXPECT_NE(Row(1).find("CONCEPTES FIXOS"), std::string::npos) << Row(1);
  EXPECT_EQ(Row(4).substr(0, 7), "      1");
  EXPECT_EQ(Row(13).substr(0, 7), "     10");
  EXPECT_EQ(Row(14).find_first_not_of(' '), std::string::npos) << Row(14);
}

TEST_F(ProgramRun, AChangedNameIsSavedWithTheWholeTableInCodeOrder) {
  Store(128 + 5, "Cinc");
  Store(2, "Dos", 12);
  Store(128 + 9, "Nou");
  // Page 2, first name: a new definable concept 1; then on to the end.
  Keys({kPageDown, kPageDown});
  console.PushText("Quota anual");
  console.PushKey(kEnter);
  EnterToTheEnd();
  Run();
  const std::vector<Concept> expected = {
      {2, "Dos", 2}, {129, "Quota anual", 9}, {128 + 5, "Cinc", 9}, {128 + 9, "Nou", 9}};
  EXPECT_EQ(Stored(), expected) << "a type of 12 shows as 2 and is written back as 2";
  EXPECT_EQ(LogLinesOfRun(), 4);
  EXPECT_FALSE(WorkFileExists());
}

TEST_F(ProgramRun, ABlankedNameRemovesItsConcept) {
  Store(1, "U");
  Store(3, "Tres");
  Keys({kCtrlY, kEnter});
  EnterToTheEnd();
  Run();
  EXPECT_EQ(Stored(), (std::vector<Concept>{{3, "Tres", 9}}));
}

TEST_F(ProgramRun, EscConfirmedWithSLeavesTheFileUntouched) {
  Store(1, "U");
  console.PushText("Canviat");
  Keys({kEnter, kEsc, kEsc});  // back to the first cell, then leave: the question
  console.PushText("N");
  Keys({kEnter, kEsc});  // declined: back on the page; asked again
  console.PushText("S");
  Keys({kEnter});
  const auto before = fs::last_write_time(root.path() / "DADES/TVRebut.dat");
  Run();
  EXPECT_EQ(Stored(), (std::vector<Concept>{{1, "U", 9}}));
  EXPECT_EQ(fs::last_write_time(root.path() / "DADES/TVRebut.dat"), before);
  EXPECT_EQ(LogLinesOfRun(), 0);
  EXPECT_FALSE(WorkFileExists());
}

TEST_F(ProgramRun, AnEditSurvivesPagingAway) {
  Keys({kPageDown, kPageDown});
  console.PushText("Segona");
  Keys({kEnter});
  // Page Down goes to a page's last cell, and from there to the next page, whose first cell
  // the cursor takes; Page Up on a first cell goes to the page before.
  for (int i = 0; i < 6; ++i) console.PushKey(kPageDown);  // to page 5
  for (int i = 0; i < 3; ++i) console.PushKey(kPageUp);    // back to page 2
  Keys({kEsc});
  console.PushText("S");
  Keys({kEnter});
  Run();
  EXPECT_NE(Row(4).find("Segona"), std::string::npos) << "page 2 as last shown: " << Row(4);
  EXPECT_TRUE(Stored().empty()) << "left with Esc";
}

TEST_F(ProgramRun, PageDownOnTheLastPageStaysThere) {
  for (int i = 0; i < 14; ++i) console.PushKey(kPageDown);
  Keys({kEsc, kEsc});  // from the last cell to the first, then leave
  Run();
  EXPECT_NE(Row(4).find("81"), std::string::npos) << Row(4);
}

// With End among the page's exit keys, Enter in a field becomes End, which ends the editing.
TEST_F(ProgramRun, EndInThePageExitKeysEndsTheEditingAndSaves) {
  std::string form = root.Read("FORMS/ZCONCTAB.KFM");
  const std::string keys = "\"4900,5100,d,1b,4800,5000\"";
  const auto at = form.find(keys);
  ASSERT_NE(at, std::string::npos);
  form.replace(at, keys.size(), "\"4900,5100,d,1b,4800,5000,4f00\"");
  root.Write("FORMS/ZCONCTAB.KFM", form);
  console.PushText("Primer");
  Keys({kEnter});
  Run();
  EXPECT_EQ(Stored(), (std::vector<Concept>{{1, "Primer", 9}}));
}

TEST_F(ProgramRun, PopupsTypeIntoTheNameCell) {
  console.PushKey(0x2D00, platform::kLeftAlt);  // Alt+X
  console.PushText("12+3=F");
  Keys({kEnter, kEnter, kEnter, kEnter, kEnter});  // over the row's flags and type
  console.PushKey(0x2E00, platform::kLeftAlt);     // Alt+C on the next row's name
  console.PushText("F");
  Keys({kEnter});
  EnterToTheEnd();
  Run();
  const std::vector<Concept> stored = Stored();
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[0], (Concept{1, "1500", 9}));
  EXPECT_EQ(stored[1], (Concept{2, "15/3/2024", 9}));
}

}  // namespace
}  // namespace frame
