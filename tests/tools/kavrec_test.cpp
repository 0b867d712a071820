#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "recman_fixture.h"
#include "tools/kavrec_commands.h"

namespace kavrec {
namespace {

using recman::testing::SegmentDef;
using recman::testing::SpecBuffer;
using recman::testing::TempDir;

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

Outcome RunKavrec(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = Run(args, out, err);
  return {code, out.str(), err.str()};
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Template(const std::string& spec) {
  std::string t(2, '\0');
  t[0] = static_cast<char>(spec.size() & 0xFF);
  t[1] = static_cast<char>(spec.size() >> 8);
  return t + spec;
}

std::string Concept(int code, const std::string& name) {
  std::string r(26, ' ');
  r[0] = static_cast<char>(code);
  r.replace(1, name.size(), name);
  return r;
}

std::string SaveOf(const std::vector<std::string>& records) {
  std::string s;
  for (const auto& r : records) s += FormatSaveRecord(r);
  return s + '\x1a';
}

class KavrecTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteAll(dir_.File("T.xdf"), Template(SpecBuffer(26, {{{1, 1}}})));
    ASSERT_EQ(RunKavrec({"create", file_, dir_.File("T.xdf")}).code, kExitOk);
  }

  TempDir dir_;
  std::string file_ = dir_.File("TVRebut.dat");
};

TEST(Kavrec, UsageErrors) {
  struct Case {
    std::vector<std::string> args;
    int code;
  };
  const std::vector<Case> cases = {
      {{}, kExitUsage},
      {{"bogus", "x"}, kExitUsage},
      {{"stat"}, kExitUsage},
      {{"create", "x"}, kExitUsage},
      {{"check", "a", "b"}, kExitUsage},
      {{"stat", ""}, kExitUsage},
      {{"stat", std::string(300, 'a')}, kExitUsage},
      {{"--help"}, kExitOk},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const auto& a : c.args) joined += a + " ";
    EXPECT_EQ(RunKavrec(c.args).code, c.code) << joined;
  }
  EXPECT_NE(RunKavrec({"--help"}).out.find("usage: kavrec"), std::string::npos);
}

TEST_F(KavrecTest, CreateReportsStatuses) {
  const Outcome again = RunKavrec({"create", file_, dir_.File("T.xdf")});
  EXPECT_EQ(again.code, kExitStatus);
  EXPECT_NE(again.err.find("status 59 (file already exists)"), std::string::npos) << again.err;
  // A template shorter than its count reaches Create, which refuses it.
  WriteAll(dir_.File("short.xdf"), Template(SpecBuffer(26, {{{1, 1}}})).substr(0, 20));
  const Outcome shortOne = RunKavrec({"create", dir_.File("other"), dir_.File("short.xdf")});
  EXPECT_EQ(shortOne.code, kExitStatus);
  EXPECT_NE(shortOne.err.find("status 22"), std::string::npos) << shortOne.err;
  EXPECT_EQ(RunKavrec({"create", dir_.File("other"), dir_.File("none.xdf")}).code, kExitUsage);
  EXPECT_EQ(RunKavrec({"stat", dir_.File("none")}).code, kExitStatus);
}

TEST_F(KavrecTest, StatShowsTheLayout) {
  WriteAll(dir_.File("in.sav"), SaveOf({Concept(1, "UN"), Concept(2, "DOS")}));
  ASSERT_EQ(RunKavrec({"load", file_, dir_.File("in.sav")}).code, kExitOk);
  const Outcome o = RunKavrec({"stat", dir_.File("TVRebut")});
  EXPECT_EQ(o.code, kExitOk);
  for (const char* line : {"Record length: 26\n", "Page size: 512\n", "Records: 2\n", "Keys: 1\n",
                           "Key 0: length 1, 2 distinct values\n",
                           "segment: position 1, length 1, flags 0x0000 (-)\n"}) {
    EXPECT_NE(o.out.find(line), std::string::npos) << line << "in\n" << o.out;
  }
}

TEST_F(KavrecTest, SaveAndLoadRoundTrip) {
  // Records holding the format's own delimiters survive.
  const std::vector<std::string> records = {
      Concept(3, "TRES"), Concept(1, std::string("A,\r\n\x1a\0B", 7)), Concept(200, "\xb5S")};
  WriteAll(dir_.File("in.sav"), SaveOf(records));
  ASSERT_EQ(RunKavrec({"load", file_, dir_.File("in.sav")}).code, kExitOk);
  ASSERT_EQ(RunKavrec({"save", file_, dir_.File("out.sav")}).code, kExitOk);
  EXPECT_EQ(ReadAll(dir_.File("out.sav")), SaveOf(records));
  ASSERT_EQ(RunKavrec({"create", dir_.File("copy"), dir_.File("T.xdf")}).code, kExitOk);
  ASSERT_EQ(RunKavrec({"load", dir_.File("copy"), dir_.File("out.sav")}).code, kExitOk);
  ASSERT_EQ(RunKavrec({"save", dir_.File("copy"), dir_.File("copy.sav")}).code, kExitOk);
  EXPECT_EQ(ReadAll(dir_.File("copy.sav")), SaveOf(records));
  EXPECT_EQ(RunKavrec({"check", dir_.File("copy")}).code, kExitOk);
}

TEST_F(KavrecTest, LoadWithAFailingRecordLeavesTheFileUnchanged) {
  WriteAll(dir_.File("one.sav"), SaveOf({Concept(1, "UN")}));
  ASSERT_EQ(RunKavrec({"load", file_, dir_.File("one.sav")}).code, kExitOk);
  WriteAll(dir_.File("dup.sav"), SaveOf({Concept(2, "DOS"), Concept(3, "TRES"), Concept(1, "X")}));
  const Outcome o = RunKavrec({"load", file_, dir_.File("dup.sav")});
  EXPECT_EQ(o.code, kExitStatus);
  EXPECT_NE(o.err.find("record 3: status 5 (duplicate key value)"), std::string::npos) << o.err;
  WriteAll(dir_.File("short.sav"), SaveOf({Concept(2, "DOS").substr(0, 20)}));
  EXPECT_NE(RunKavrec({"load", file_, dir_.File("short.sav")}).err.find("record 1: status 22"),
            std::string::npos);
  WriteAll(dir_.File("bad.sav"), "26,abc\r\n\x1a");
  const Outcome bad = RunKavrec({"load", file_, dir_.File("bad.sav")});
  EXPECT_EQ(bad.code, kExitUsage);
  EXPECT_NE(bad.err.find("record 1"), std::string::npos) << bad.err;
  ASSERT_EQ(RunKavrec({"save", file_, dir_.File("now.sav")}).code, kExitOk);
  EXPECT_EQ(ReadAll(dir_.File("now.sav")), SaveOf({Concept(1, "UN")}));
}

TEST_F(KavrecTest, CheckFindsAnIndexThatDisagrees) {
  WriteAll(dir_.File("in.sav"), SaveOf({Concept(1, "UN"), Concept(2, "DOS"), Concept(3, "TRES")}));
  ASSERT_EQ(RunKavrec({"load", file_, dir_.File("in.sav")}).code, kExitOk);
  EXPECT_EQ(RunKavrec({"check", file_}).code, kExitOk);
  struct Case {
    const char* what;
    const char* sql;
    const char* finding;
  };
  const std::vector<Case> cases = {
      {"entry missing", "DELETE FROM key_0 WHERE image = x'02'", "is not indexed"},
      {"record changed under its entry",
       "UPDATE records SET data = x'09' || substr(data, 2)"
       " WHERE position = 3",
       "not found by its key"},
      {"entry without record", "INSERT INTO key_0 VALUES (x'07', 99)", "distinct values"},
  };
  for (const Case& c : cases) {
    const std::string copy = dir_.File(std::string("bad-") + std::to_string(&c - &cases[0]));
    std::filesystem::copy_file(file_, copy + ".dat");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((copy + ".dat").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, c.sql, nullptr, nullptr, nullptr), SQLITE_OK) << c.what;
    sqlite3_close(db);
    const Outcome o = RunKavrec({"check", copy});
    EXPECT_EQ(o.code, kExitStatus) << c.what;
    EXPECT_NE(o.out.find(c.finding), std::string::npos) << c.what << ":\n" << o.out;
  }
}

TEST(SaveFormat, ParsesRecordsAndReportsTheFirstBadOne) {
  struct Case {
    std::string bytes;
    bool ok;
    size_t records;  // when ok; the bad record's number otherwise
  };
  const std::vector<Case> cases = {
      {"\x1a", true, 0},
      {"", true, 0},
      {"3,abc\r\n4,defg\r\n\x1a", true, 2},
      {"3,abc\r\n4,defg\r\n", true, 2},  // no end mark: the end of the file ends it
      {"3,abc\n\x1a", true, 1},
      {"3,abc\r\n\x1a trailing bytes after the end mark", true, 1},
      {"3abc\r\n\x1a", false, 1},
      {"3,abc\r\n,abc\r\n\x1a", false, 2},
      {"5,abc\r\n\x1a", false, 1},
      {"3,abcd\r\n\x1a", false, 1},
      {"9999999,a\r\n", false, 1},
  };
  for (const Case& c : cases) {
    std::vector<std::string> records;
    size_t bad = 0;
    const bool ok = ParseSaveFile(c.bytes, &records, &bad);
    EXPECT_EQ(ok, c.ok) << c.bytes;
    EXPECT_EQ(ok ? records.size() : bad, c.records) << c.bytes;
  }
}

}  // namespace
}  // namespace kavrec
