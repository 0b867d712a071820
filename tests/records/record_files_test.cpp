#include "records/record_files.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/virtual_console.h"
#include "recman/btrcall.h"
#include "support/temp_dir.h"

namespace records {
namespace {

namespace fs = std::filesystem;
constexpr std::int16_t kConcepts = 503;

std::string TemplateBytes() {
  std::ifstream in(std::string(ZC_SOURCE_DIR) + "/data/root/ddf/TVRebut.xdf", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every call the layer makes, for the tests that look at what reaches the record manager.
struct Recorded {
  std::uint16_t op;
  std::string key;
  std::int8_t keyNumber;
};
std::vector<Recorded> gCalls;
std::int16_t RecordingCall(std::uint16_t op, void* pos, void* data, std::uint32_t* length,
                           void* key, std::uint8_t keyLength, std::int8_t keyNumber) {
  gCalls.push_back({op, std::string(static_cast<char*>(key), keyLength), keyNumber});
  return BTRCALL(op, pos, data, length, key, keyLength, keyNumber);
}

class RecordFilesTest : public ::testing::Test {
 protected:
  RecordFilesTest() : screen(console, session, environment) {
    session.RootDir = root.Prefix();
    session.TempDir = root.Prefix();
    session.LanguageCode = "CAT";
    root.Write("ddf/TVRebut.xdf", TemplateBytes());
    fs::create_directories(root.path() / "DADES");
    here = fs::current_path();
    fs::current_path(root.path());
    gCalls.clear();
  }
  ~RecordFilesTest() override {
    files.RecReset();
    fs::current_path(here);
  }

  void OpenConcepts() {
    ASSERT_EQ(files.RecOpen(kConcepts, root.Prefix() + "DADES\\TVRebut", area), 0);
  }
  void InsertCodes(std::string_view codes) {
    for (char code : codes) {
      std::memset(area, ' ', sizeof area);
      area[0] = code;
      std::snprintf(area + 1, 21, "%-20s", (std::string("Concept ") + code).c_str());
      ASSERT_EQ(files.RecInsert(kConcepts), 0);
    }
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
};

TEST(DbLogLine, FixedStopsEvery14Characters) {
  const std::string stop1 = std::string(9, ' '), stop2 = std::string(11, ' ');
  EXPECT_EQ(DbLogLine(503, 2, 0), " 503 " + stop1 + " 2 " + stop2 + " 0 \r\n");
  EXPECT_EQ(DbLogLine(503, 2, 0).size(), 33u) << "31 characters and CR LF";
  EXPECT_EQ(DbLogLine(503, 2, 5), " 503 " + stop1 + " 2 " + stop2 + " 5 \r\n");
  EXPECT_EQ(DbLogLine(-1, 2, 1002), "-1 " + std::string(11, ' ') + " 2 " + stop2 + " 1002 \r\n");
  EXPECT_EQ(DbLogLine(-32768, 2, 0).substr(0, 14), "-32768 " + std::string(7, ' '));
}

TEST_F(RecordFilesTest, OpenCreatesTheFileFromItsTemplate) {
  OpenConcepts();
  EXPECT_TRUE(fs::exists(root.path() / "DADES/TVRebut.dat"));
  const FileEntry& entry = files.Entry(40);
  EXPECT_EQ(entry.fileNumber, kConcepts);
  EXPECT_EQ(entry.recordLength, 26);
  EXPECT_EQ(entry.keyBuffer, std::string(1, '\0'));
  EXPECT_EQ(entry.lockMode, 0);
  std::int16_t keyLength, recordLength;
  files.RecKeyInfo(kConcepts, 1, keyLength, recordLength);
  EXPECT_EQ(keyLength, 0) << "key number equal to the number of keys";
  EXPECT_EQ(recordLength, 26);
}

TEST_F(RecordFilesTest, FileNumbersAndTheTable) {
  OpenConcepts();
  EXPECT_EQ(files.RecOpen(kConcepts, root.Prefix() + "DADES\\Other", area), kStatusAlreadyOpen);
  EXPECT_EQ(files.Entry(40).fileNumber, kConcepts);
  EXPECT_EQ(files.RecSlot(kConcepts), 40);
  EXPECT_EQ(files.RecSlot(1), -39);
  root.Write("ddf/F.xdf", TemplateBytes());
  for (std::int16_t n = 1; n < 40; ++n) {
    // Base F, extension .n: one template serves them all.
    ASSERT_EQ(files.RecOpen(n, root.Prefix() + "DADES\\F." + std::to_string(n), area), 0) << n;
  }
  EXPECT_EQ(files.Entry(39).fileNumber, 1) << "filled from the top";
  EXPECT_EQ(files.Entry(1).fileNumber, 39);
  EXPECT_EQ(files.RecSlot(1000), 0);
  EXPECT_EQ(files.RecOpen(1000, root.Prefix() + "DADES\\F1000", area), kStatusTableFull);
}

TEST_F(RecordFilesTest, NamesSplitIntoPathAndTemplate) {
  struct Case {
    std::string name, file, templateName;
  } cases[] = {
      {"DADES\\TVRebut", "DADES/TVRebut.dat", "ddf/TVRebut.xdf"},
      {"A.B.C", "A.B.C", "ddf/A.xdf"},
      {"dir.d\\file", "dir.d/file.dat", "ddf/file.xdf"},
  };
  fs::create_directories(root.path() / "dir.d");
  std::int16_t number = 1;
  for (const Case& c : cases) {
    root.Write(c.templateName, TemplateBytes());
    RecordFiles recording(
        screen, session, timer, [] { std::exit(0); }, RecordingCall);
    gCalls.clear();
    ASSERT_EQ(recording.RecOpen(number++, c.name, area), 0) << c.name;
    ASSERT_GE(gCalls.size(), 3u);
    EXPECT_EQ(gCalls[0].op, kOpOpen);
    EXPECT_EQ(gCalls[0].key, c.file);
    EXPECT_EQ(gCalls[1].op, kOpCreate) << "a missing file is created";
    EXPECT_EQ(gCalls[1].keyNumber, -1);
    EXPECT_TRUE(fs::exists(root.path() / c.file)) << c.name;
    recording.RecReset();
  }
}

TEST_F(RecordFilesTest, ReadsStepsAndKeys) {
  OpenConcepts();
  InsertCodes("ACEGI");
  EXPECT_EQ(files.RecGetByKey(kConcepts, 0, "", 1), 0) << "empty key, forwards: the first";
  EXPECT_EQ(area[0], 'A');
  EXPECT_EQ(files.RecGetByKey(kConcepts, 0, "DX", 1), 0) << "cut to the key length";
  EXPECT_EQ(area[0], 'E');
  EXPECT_EQ(files.RecGetByKey(kConcepts, 0, "D", -1), 0);
  EXPECT_EQ(area[0], 'C');
  EXPECT_EQ(files.RecGetByKey(kConcepts, 0, "D", 0), 4);
  EXPECT_EQ(files.RecGetByKey(kConcepts, 1, "A", 0), kStatusNoSuchKey);
  EXPECT_EQ(files.Entry(40).keyNumber, 0);

  ASSERT_EQ(files.RecGetByKey(kConcepts, 0, "A", 0), 0);
  const std::string before(area, 26);
  EXPECT_EQ(files.RecStep(kConcepts, 0), 0);
  EXPECT_EQ(std::string(area, 26), before) << "a step of 0 changes nothing";
  EXPECT_EQ(files.RecStep(kConcepts, 3), 0);
  EXPECT_EQ(area[0], 'G') << "the fourth record";
  EXPECT_EQ(files.Entry(40).keyBuffer, "G");
  EXPECT_EQ(files.RecStep(kConcepts, -2), 0);
  EXPECT_EQ(area[0], 'C');
  EXPECT_EQ(files.RecStep(kConcepts, 5), 9) << "past the end";
  EXPECT_EQ(files.RecStep(77, 1), kStatusNotOpen);
}

TEST_F(RecordFilesTest, PositionQueryAndReload) {
  OpenConcepts();
  InsertCodes("ABC");
  ASSERT_EQ(files.RecGetByKey(kConcepts, 0, "B", 0), 0);
  const std::int32_t position = files.RecPosition(kConcepts, 0);
  EXPECT_NE(position, 0);
  ASSERT_EQ(files.RecGetByKey(kConcepts, 0, "C", 0), 0);
  EXPECT_EQ(files.RecPosition(kConcepts, position), 0);
  EXPECT_EQ(area[0], 'B');
  EXPECT_EQ(files.RecStep(kConcepts, 1), 0) << "the reload is the current record";
  EXPECT_EQ(area[0], 'C');
  EXPECT_EQ(files.RecPosition(77, 0), 0);
  EXPECT_EQ(files.RecPosition(77, position), kStatusNotOpen);
}

TEST_F(RecordFilesTest, DeleteAndInsertLogEveryInsert) {
  OpenConcepts();
  InsertCodes("AB");
  std::memset(area, ' ', 26);
  area[0] = 'A';
  EXPECT_EQ(files.RecInsert(kConcepts), 5) << "duplicate code";
  EXPECT_EQ(files.Entry(40).keyBuffer, std::string(1, '\0'));
  EXPECT_EQ(files.RecInsert(77), kStatusNotOpen);
  EXPECT_EQ(root.Read("db.log"),
            DbLogLine(503, 2, 0) + DbLogLine(503, 2, 0) + DbLogLine(503, 2, 5));

  // Emptying the file as the save does: first record, then delete and step while it works.
  std::int16_t status = files.RecGetByKey(kConcepts, 0, "", 1);
  while (status == 0) {
    status = files.RecDelete(kConcepts);
    if (status == 0) status = files.RecStep(kConcepts, 1);
  }
  EXPECT_EQ(files.RecGetByKey(kConcepts, 0, "", 1), 9);
  EXPECT_EQ(files.RecDelete(kConcepts), 8) << "nothing current";
  EXPECT_EQ(files.Entry(40).keyBuffer, std::string(1, '\0'));
}

TEST_F(RecordFilesTest, TwelveInsertsTwelveLines) {
  OpenConcepts();
  InsertCodes("ABCDEFGHIJKL");
  const std::string log = root.Read("db.log");
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 12);
}

TEST_F(RecordFilesTest, LockModeStack) {
  OpenConcepts();
  EXPECT_EQ(files.RecLockMode(77, "a"), kStatusNotOpen);
  EXPECT_EQ(files.RecLockMode(kConcepts, "+a", 12), 12) << "the caller's status is kept";
  EXPECT_EQ(files.Entry(40).lockMode, 1);
  files.RecLockMode(kConcepts, "-");
  EXPECT_EQ(files.Entry(40).lockMode, 0);
  files.RecLockMode(kConcepts, "b+a+d");
  EXPECT_EQ(files.Entry(40).lockMode, 0);
  files.RecLockMode(kConcepts, "-");
  EXPECT_EQ(files.Entry(40).lockMode, 1);
  files.RecLockMode(kConcepts, "-");
  EXPECT_EQ(files.Entry(40).lockMode, 2);
  files.RecLockMode(kConcepts, "-");
  EXPECT_EQ(files.Entry(40).lockMode, 2) << "nothing saved: nothing happens";
  EXPECT_TRUE(files.LockStack().empty());
}

TEST_F(RecordFilesTest, KeyImagesOfBinaryAndCollatedSegments) {
  // A file with one key of two segments: 2 bytes binary, then 2 bytes collated.
  std::string spec(16, '\0');
  spec[0] = 8;  // record length
  spec[3] = 2;  // page size 512
  spec[4] = 1;  // one key
  std::string seg1(16, '\0'), seg2(16, '\0');
  seg1[0] = 1, seg1[2] = 2, seg1[4] = 0x04 | 0x10;
  seg2[0] = 3, seg2[2] = 2, seg2[4] = 0x20;
  std::string collating =
      "\xac"
      "UPPER   ";
  for (int i = 0; i < 256; ++i) collating += static_cast<char>(std::toupper(i));
  std::string create = spec + seg1 + seg2 + collating;
  std::string xdf(2, '\0');
  xdf[0] = static_cast<char>(create.size() & 0xFF);
  xdf[1] = static_cast<char>(create.size() >> 8);
  root.Write("ddf/K.xdf", xdf + create);
  ASSERT_EQ(files.RecOpen(9, root.Prefix() + "K", area), 0);
  EXPECT_EQ(files.RecKeyImage("\x01\x02"
                              "ab",
                              9),
            "\x02\x01"
            "AB");
  EXPECT_EQ(files.RecKeyImage("\x01", 9), std::string("\0\x01", 2)) << "short keys are extended";
  EXPECT_EQ(files.RecKeyImage("xy", 77), "xy") << "file not open";
  EXPECT_EQ(files.RecCurrentKeyImage(77), "");
  EXPECT_EQ(files.RecCurrentKeyImage(9), std::string(4, '\0'));
}

TEST_F(RecordFilesTest, ResetEmptiesTheTableButNotTheLockStack) {
  OpenConcepts();
  files.RecLockMode(kConcepts, "+");
  EXPECT_EQ(files.RecReset(), 0);
  EXPECT_EQ(files.Entry(40).fileNumber, 0);
  EXPECT_EQ(files.LockStack().size(), 2u);
}

std::int16_t FailingReset(std::uint16_t op, void* pos, void* data, std::uint32_t* length, void* key,
                          std::uint8_t keyLength, std::int8_t keyNumber) {
  if (op == kOpReset) return 1;
  return BTRCALL(op, pos, data, length, key, keyLength, keyNumber);
}

TEST_F(RecordFilesTest, AFailedResetKeepsTheTable) {
  RecordFiles failing(
      screen, session, timer, [] { std::exit(0); }, FailingReset);
  ASSERT_EQ(failing.RecOpen(kConcepts, root.Prefix() + "DADES\\TVRebut", area), 0);
  EXPECT_EQ(failing.RecReset(), 1);
  EXPECT_EQ(failing.Entry(40).fileNumber, kConcepts);
}

std::int16_t LockedTwice(std::uint16_t op, void* pos, void* data, std::uint32_t* length, void* key,
                         std::uint8_t keyLength, std::int8_t keyNumber) {
  static int locked = 0;
  if (op == kOpOpen && locked++ < 2) return kStatusFileLocked;
  return BTRCALL(op, pos, data, length, key, keyLength, keyNumber);
}

TEST_F(RecordFilesTest, ALockedFileIsWaitedForEveryThreeSeconds) {
  RecordFiles waiting(
      screen, session, timer, [] { std::exit(0); }, LockedTwice);
  ASSERT_EQ(waiting.RecOpen(kConcepts, root.Prefix() + "DADES\\TVRebut", area), 0);
  EXPECT_EQ(timer.pauses, (std::vector<std::int32_t>{3000, 3000}));
  EXPECT_EQ(console.RowText(12).find("FITXER"), std::string::npos) << "no message while waiting";
  waiting.RecReset();
}

TEST_F(RecordFilesTest, AnOpenThatCannotCreateEndsTheProgramAfterItsMessage) {
  root.Write("ddf/Bad.xdf", std::string("\x02\x00\x00\x00", 4));  // record length 0: refused
  session.LanguageCode = "OCI";
  console.PushKey('x');
  RecordFiles fatal(screen, session, timer, [this] {
    // What the operator saw, for the test to match, then the program's end.
    std::fprintf(stderr, "beeps=%d\n", console.beeps());
    std::exit(0);
  });
  EXPECT_EXIT(fatal.RecOpen(7, "DADES\\Bad", area), ::testing::ExitedWithCode(0), "beeps=1");
}

TEST_F(RecordFilesTest, TheFatalMessageNamesTheFileAndTheStatus) {
  root.Write("ddf/Bad.xdf", std::string("\x02\x00\x00\x00", 4));
  session.LanguageCode = "OCI";
  // No key is scripted: the wait for it ends the input, while the box is still up.
  console.SetEndHandler([this] {
    for (int r = 1; r <= 25; ++r) std::fprintf(stderr, "%s\n", console.RowText(r).c_str());
    std::exit(0);
  });
  EXPECT_EXIT(files.RecOpen(7, "DADES\\Bad", area), ::testing::ExitedWithCode(0),
              "NON SE P.T ACCEDIR ATH FICH.R DADES.Bad \\([0-9]+\\)");
}

// A timer that hands each pause to the test, so a retry loop can be stepped through.
class SteppingTimer final : public platform::Timer {
 public:
  std::function<void(int)> onPause;
  std::vector<std::int32_t> pauses;
  void Pause(std::int32_t ms) override {
    pauses.push_back(ms);
    if (onPause) onPause(static_cast<int>(pauses.size()));
  }
  double Random() override { return 0.25; }
  std::int64_t NowMs() override { return 0; }
};

// A second station: a child process that holds record A locked until told to let it go.
class LockingStation {
 public:
  LockingStation(const std::string& root, const frame::Session& session) {
    if (::pipe(toChild_) != 0 || ::pipe(toParent_) != 0) std::abort();
    pid_ = ::fork();
    if (pid_ == 0) {
      platform::VirtualConsole console;
      platform::MapEnvironment environment;
      platform::FakeTimer timer;
      screen::Screen screen(console, session, environment);
      RecordFiles station(screen, session, timer, [] { _exit(2); });
      char area[64] = {};
      if (station.RecOpen(kConcepts, root + "DADES\\TVRebut", area) != 0) _exit(3);
      station.RecLockMode(kConcepts, "b");
      const char held = station.RecGetByKey(kConcepts, 0, "A", 0) == 0 ? 'L' : 'F';
      Send(toParent_[1], held);
      Receive(toChild_[0]);
      station.RecReset();
      Send(toParent_[1], 'R');
      _exit(0);
    }
    EXPECT_EQ(Receive(toParent_[0]), 'L') << "the station could not lock record A";
  }
  void Release() {
    Send(toChild_[1], 'r');
    Receive(toParent_[0]);
  }
  ~LockingStation() {
    int status;
    ::waitpid(pid_, &status, 0);
  }

 private:
  static void Send(int fd, char c) { (void)!::write(fd, &c, 1); }
  static char Receive(int fd) {
    char c = 0;
    (void)!::read(fd, &c, 1);
    return c;
  }
  int toChild_[2], toParent_[2];
  pid_t pid_;
};

TEST_F(RecordFilesTest, ModeAWaitsOutALockedRecordBehindItsMessage) {
  OpenConcepts();
  InsertCodes("A");
  files.RecReset();
  SteppingTimer stepping;
  RecordFiles waiting(screen, session, stepping, [] { std::exit(0); });
  ASSERT_EQ(waiting.RecOpen(kConcepts, root.Prefix() + "DADES\\TVRebut", area), 0);
  LockingStation station(root.Prefix(), session);
  std::string screenAtFirstPause, screenAtSecondPause;
  stepping.onPause = [&](int n) {
    if (n == 1) screenAtFirstPause = console.ScreenText();
    if (n == 2) {
      screenAtSecondPause = console.ScreenText();
      station.Release();
    }
  };
  waiting.RecLockMode(kConcepts, "a");
  EXPECT_EQ(waiting.RecGetByKey(kConcepts, 0, "A", 0), 0);
  EXPECT_EQ(area[0], 'A');
  ASSERT_EQ(stepping.pauses.size(), 2u);
  EXPECT_EQ(stepping.pauses[0], 2501) << "1 + 10000 x the random fraction";
  EXPECT_EQ(screenAtFirstPause.find("BLOQUEJAT"), std::string::npos)
      << "not before the first pause";
  EXPECT_NE(screenAtSecondPause.find("FITXER BLOQUEJAT. ESPEREU UN MOMENT."), std::string::npos);
  EXPECT_EQ(screen.WinDepth(), 0) << "the message is closed";
  EXPECT_EQ(console.ScreenText().find("BLOQUEJAT"), std::string::npos);
  waiting.RecReset();
}

TEST_F(RecordFilesTest, ModeBReturnsALockedRecordAtOnce) {
  OpenConcepts();
  InsertCodes("A");
  LockingStation station(root.Prefix(), session);
  files.RecLockMode(kConcepts, "b");
  EXPECT_EQ(files.RecGetByKey(kConcepts, 0, "A", 0), kStatusRecordLocked);
  EXPECT_TRUE(timer.pauses.empty());
  EXPECT_EQ(screen.WinDepth(), 0);
  files.RecLockMode(kConcepts, "d");
  EXPECT_EQ(files.RecGetByKey(kConcepts, 0, "A", 0), 0) << "mode D reads without locking";
  station.Release();
}

}  // namespace
}  // namespace records
