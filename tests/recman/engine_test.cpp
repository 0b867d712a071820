#include "recman/engine.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <string>
#include <vector>

#include "recman/btrcall.h"
#include "recman_fixture.h"

namespace recman::testing {
namespace {

// 26-byte records keyed on their first byte, as the concept table is.
std::string ConceptSpec() { return SpecBuffer(26, {{{1, 1}}}); }

std::string Concept(char code, const std::string& name) {
  std::string r(26, ' ');
  r[0] = code;
  r.replace(1, std::min<size_t>(name.size(), 20), name.substr(0, 20));
  return r;
}

class EngineFiles {
 protected:
  std::string Path(const std::string& name = "table") { return dir_.File(name); }

  // Creates and opens a file with the given spec; the client stays open.
  void Make(const std::string& spec) {
    ASSERT_EQ(client_.Create(Path(), spec), kOk);
    ASSERT_EQ(client_.Open(Path()), kOk);
  }

  TempDir dir_;
  Engine engine_;
  Client client_{engine_};
};

class EngineTest : public BackendTest, protected EngineFiles {
 protected:
  // Whether the file exists wherever this backend keeps files.
  bool Exists(const std::string& name) {
    if (!Server()) return std::filesystem::exists(name + ".dat");
    Client c(engine_);
    const int16_t status = c.Open(name);
    if (status == kOk) (void)c.Close();
    return status != kFileNotFound;
  }
};

INSTANTIATE_TEST_SUITE_P(Backends, EngineTest, ::testing::ValuesIn(BackendsUnderTest()),
                         BackendName);

// What only the embedded files have: bytes on disk that anyone can damage.
class EmbeddedFileTest : public ::testing::Test, protected EngineFiles {};

TEST_P(EngineTest, CreateRefusesExistingFileAndOpenFindsIt) {
  ASSERT_EQ(client_.Create(Path(), ConceptSpec()), kOk);
  EXPECT_TRUE(Exists(Path()));
  EXPECT_EQ(client_.Create(Path(), ConceptSpec(), -1), kFileExists);
  EXPECT_EQ(client_.Open(Path("missing")), kFileNotFound);
  ASSERT_EQ(client_.Open(Path()), kOk);
  const Result st = client_.Stat();
  ASSERT_EQ(st.status, kOk);
  EXPECT_EQ(st.data.size(), 32u);
  EXPECT_EQ(st.data.substr(0, 6), ConceptSpec().substr(0, 6));
  EXPECT_EQ(Get32(st.data, 6), 0u);
}

TEST_P(EngineTest, CreateWithReplaceEmptiesAFileNobodyHasOpen) {
  Make(ConceptSpec());
  ASSERT_EQ(client_.Insert(Concept(1, "A")).status, kOk);
  EXPECT_EQ(client_.Create(Path(), ConceptSpec(), 0), kFileInUse);
  ASSERT_EQ(client_.Close(), kOk);
  ASSERT_EQ(client_.Create(Path(), ConceptSpec(), 0), kOk);
  ASSERT_EQ(client_.Open(Path()), kOk);
  EXPECT_EQ(Get32(client_.Stat().data, 6), 0u);
}

#ifndef RECMAN_TEST_SERVER
TEST_F(EmbeddedFileTest, ForeignFilesAreNotRecordFiles) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"empty", ""},
      {"text", "DADES\r\nnot a record file\r\n"},
      {"sqlite header then junk", std::string("SQLite format 3\0", 16) + std::string(100, 'x')},
      {"zeros", std::string(8192, '\0')},
  };
  for (const Case& c : cases) {
    std::ofstream(Path(c.name) + ".dat", std::ios::binary) << c.bytes;
    EXPECT_EQ(client_.Open(Path(c.name)), kNotARecordFile) << c.name;
  }
}

TEST_F(EmbeddedFileTest, DamagedRecordFilesGiveStatusesNotCrashes) {
  Make(SpecBuffer(200, {{{1, 4}}}));
  std::string record(200, 'x');
  for (int i = 0; i < 400; ++i) {
    record.replace(0, 4, std::to_string(1000 + i));
    ASSERT_EQ(client_.Insert(record).status, kOk);
  }
  ASSERT_EQ(client_.Close(), kOk);
  const auto size = std::filesystem::file_size(Path() + ".dat");
  std::ifstream in(Path() + ".dat", std::ios::binary);
  const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::string scribbled = whole;
  for (size_t at = 4096; at < scribbled.size(); at += 97) scribbled[at] = '\x5A';
  const std::vector<Case> cases = {
      {"cut in half", whole.substr(0, size / 2)},
      {"cut after the header page", whole.substr(0, 4096)},
      {"pages scribbled over", scribbled},
  };
  for (const Case& c : cases) {
    const std::string path = Path(std::string("damaged-") + std::to_string(&c - &cases[0]));
    std::ofstream(path + ".dat", std::ios::binary) << c.bytes;
    Client reader(engine_);
    const int16_t open = reader.Open(path);
    EXPECT_TRUE(open == kOk || open == kNotARecordFile) << c.what << ": " << open;
    if (open != kOk) continue;
    int16_t s = reader.Get(kOpGetFirst, 0).status;
    for (int i = 0; i < 500 && s == kOk; ++i) s = reader.Get(kOpGetNext, 0).status;
    EXPECT_NE(s, kOk) << c.what;
    (void)reader.Insert(std::string(200, 'y')).status;
    (void)reader.Stat();
  }
}

TEST_F(EmbeddedFileTest, OtherSqliteDatabasesAreNotRecordFiles) {
  Make(ConceptSpec());
  ASSERT_EQ(client_.Close(), kOk);
  std::filesystem::copy_file(Path() + ".dat", Path("copy") + ".dat");
  struct Case {
    const char* name;
    const char* sql;
  };
  const std::vector<Case> cases = {
      {"foreign", "CREATE TABLE t(x)"}, {"copy", "DROP TABLE key_0"},  // ours, with a table missing
  };
  for (const Case& c : cases) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((Path(c.name) + ".dat").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, c.sql, nullptr, nullptr, nullptr), SQLITE_OK) << c.name;
    sqlite3_close(db);
    EXPECT_EQ(client_.Open(Path(c.name)), kNotARecordFile) << c.name;
  }
}

TEST(DatabaseName, RootComesOffTheFront) {
  struct Case {
    const char* path;
    const char* root;
    const char* name;
  };
  const std::vector<Case> cases = {
      {"/srv/kav/DADES/TVRebut.dat", "/srv/kav/", "DADES/TVRebut.dat"},
      {"/srv/kav/DADES/TVRebut.dat", "/srv/kav", "DADES/TVRebut.dat"},
      {"/home/b/DADES/TVRebut.dat", "\\home\\b\\", "DADES/TVRebut.dat"},
      {"/other/DADES/TVRebut.dat", "/srv/kav/", "/other/DADES/TVRebut.dat"},
      {"/srv/kav/DADES/TVRebut.dat", "", "/srv/kav/DADES/TVRebut.dat"},
      {"/srv/kav/", "/srv/kav/", "/srv/kav/"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DatabaseName(c.path, c.root), c.name) << c.path << " under " << c.root;
  }
}
#endif  // RECMAN_TEST_SERVER

TEST_P(EngineTest, CreateValidatesItsBuffer) {
  uint8_t identity[256];
  for (int i = 0; i < 256; ++i) identity[i] = static_cast<uint8_t>(i);
  std::string badSignature = CollatingBlock("UPPER", identity);
  badSignature[0] = '\x01';
  struct Case {
    const char* what;
    std::string spec;
    int16_t status;
  };
  const std::vector<Case> cases = {
      {"record length 3", SpecBuffer(3, {{{1, 1}}}), kInvalidRecordLength},
      {"record length 4097", SpecBuffer(4097, {{{1, 1}}}), kInvalidRecordLength},
      {"record length 4", SpecBuffer(4, {{{1, 4}}}), kOk},
      {"page size 500", SpecBuffer(26, {{{1, 1}}}, 500), kPageSizeError},
      {"no keys", SpecBuffer(26, {}), kNumberOfKeys},
      {"120 keys", SpecBuffer(26, std::vector<std::vector<SegmentDef>>(120, {{1, 1}})),
       kNumberOfKeys},
      {"119 keys", SpecBuffer(26, std::vector<std::vector<SegmentDef>>(119, {{1, 1, 1}})), kOk},
      {"segment past the record", SpecBuffer(26, {{{26, 2}}}), kInvalidKeyPosition},
      {"segment at position 0", SpecBuffer(26, {{{0, 2}}}), kInvalidKeyPosition},
      {"segment of length 0", SpecBuffer(26, {{{1, 0}}}), kInvalidKeyLength},
      {"truncated segments", SpecBuffer(26, {{{1, 1}}}).substr(0, 24), kDataBufferLength},
      {"header only", SpecBuffer(26, {{{1, 1}}}).substr(0, 10), kDataBufferLength},
      {"mixed duplicate flags", SpecBuffer(26, {{{1, 1, kSegDuplicates}, {2, 1}}}),
       kInconsistentKeyFlags},
      {"unknown extended type", SpecBuffer(26, {{{1, 2, kSegExtendedType, 2}}}), kKeyTypeError},
      {"integer of length 3", SpecBuffer(26, {{{1, 3, kSegExtendedType, kTypeInteger}}}),
       kInvalidKeyLength},
      {"collating block missing", SpecBuffer(26, {{{1, 1, kSegCollating}}}), kDataBufferLength},
      {"collating signature wrong", SpecBuffer(26, {{{1, 1, kSegCollating}}}, 512, 0, badSignature),
       kInvalidCollatingSequence},
      {"collating block present",
       SpecBuffer(26, {{{1, 1, kSegCollating}}}, 512, 0, CollatingBlock("UPPER", identity)), kOk},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string path = Path("c" + std::to_string(n++));
    EXPECT_EQ(client_.Create(path, c.spec), c.status) << c.what;
    EXPECT_EQ(Exists(path), c.status == kOk) << c.what;
  }
}

TEST_P(EngineTest, ReadsBySingleSegmentKey) {
  Make(ConceptSpec());
  for (char code : {5, 1, 9, 3}) {
    const Result r = client_.Insert(Concept(code, "N" + std::to_string(code)));
    ASSERT_EQ(r.status, kOk);
    EXPECT_EQ(r.key, std::string(1, code));
  }
  struct Case {
    int op;
    char key;
    int16_t status;
    char found;
  };
  const std::vector<Case> cases = {
      {kOpGetEqual, 3, kOk, 3},          {kOpGetEqual, 4, kKeyNotFound, 0},
      {kOpGetGreater, 3, kOk, 5},        {kOpGetGreater, 9, kEndOfFile, 0},
      {kOpGetGreaterOrEqual, 3, kOk, 3}, {kOpGetGreaterOrEqual, 4, kOk, 5},
      {kOpGetLess, 3, kOk, 1},           {kOpGetLess, 1, kEndOfFile, 0},
      {kOpGetLessOrEqual, 4, kOk, 3},    {kOpGetLessOrEqual, 0, kEndOfFile, 0},
      {kOpGetFirst, 0, kOk, 1},          {kOpGetLast, 0, kOk, 9},
  };
  for (const Case& c : cases) {
    const Result r = client_.Get(c.op, 0, std::string(1, c.key));
    EXPECT_EQ(r.status, c.status) << "op " << c.op << " key " << int(c.key);
    if (c.status == kOk) {
      EXPECT_EQ(r.data, Concept(c.found, "N" + std::to_string(c.found)))
          << "op " << c.op << " key " << int(c.key);
      EXPECT_EQ(r.key, std::string(1, c.found)) << "op " << c.op << " key " << int(c.key);
    }
  }
  ASSERT_EQ(client_.Get(kOpGetFirst, 0).status, kOk);
  std::string walk;
  for (Result r = client_.Get(kOpGetNext, 0); r.status == kOk; r = client_.Get(kOpGetNext, 0)) {
    walk += r.key;
  }
  EXPECT_EQ(walk, std::string("\3\5\11"));
  EXPECT_EQ(client_.Get(kOpGetNext, 0).status, kEndOfFile);
  ASSERT_EQ(client_.Get(kOpGetLast, 0).status, kOk);
  EXPECT_EQ(client_.Get(kOpGetPrevious, 0).key, std::string(1, 5));
  EXPECT_EQ(Get32(client_.Stat().data, 6), 4u);
}

TEST_P(EngineTest, StatusesOfMisuse) {
  Make(ConceptSpec());
  EXPECT_EQ(client_.Get(kOpGetNext, 0).status, kInvalidPositioning);
  EXPECT_EQ(client_.Get(kOpGetEqual, 1, "x").status, kInvalidKeyNumber);
  EXPECT_EQ(client_.Get(kOpGetFirst, 0).status, kEndOfFile);
  EXPECT_EQ(client_.Insert(Concept(1, "A")).status, kOk);
  EXPECT_EQ(client_.Insert(Concept(1, "B")).status, kDuplicateKey);
  EXPECT_EQ(client_.Insert(Concept(2, "B").substr(0, 25)).status, kDataBufferLength);
  EXPECT_EQ(client_.Insert(Concept(2, "B") + "x").status, kDataBufferLength);
  EXPECT_EQ(client_.Simple(99), kInvalidOperation);
  EXPECT_EQ(client_.Simple(kOpGetFirst + 300), kInvalidOperation);
  EXPECT_EQ(client_.Get(kOpGetEqual + 50, 0, "\1").status, kInvalidOperation);
  EXPECT_EQ(client_.Simple(kOpEndTransaction), kEndAbortTransactionError);
  EXPECT_EQ(client_.Simple(kOpAbortTransaction), kEndAbortTransactionError);
  ASSERT_EQ(client_.Close(), kOk);
  EXPECT_EQ(client_.Get(kOpGetFirst, 0).status, kFileNotOpen);
  EXPECT_EQ(client_.Close(), kFileNotOpen);
  // A position block of random bytes is not an open file.
  for (int i = 0; i < kPositionBlockSize; ++i) client_.block()[i] = static_cast<uint8_t>(i * 7);
  EXPECT_EQ(client_.Get(kOpGetFirst, 0).status, kFileNotOpen);
}

TEST_P(EngineTest, ShortBuffersGetThePartThatFits) {
  Make(SpecBuffer(26, {{{1, 2}}}));
  ASSERT_EQ(client_.Insert(Concept(1, "ABCDEFGHIJ")).status, kOk);
  Result r = client_.Get(kOpGetFirst, 0, "", 10);
  EXPECT_EQ(r.status, kDataBufferLength);
  EXPECT_EQ(r.data, Concept(1, "ABCDEFGHIJ").substr(0, 10));
  // The position is set all the same.
  EXPECT_GT(client_.Position(), 0);
  r = client_.Get(kOpGetEqual, 0, std::string("\1A"), 26);
  EXPECT_EQ(r.status, kOk);
  std::string data(26, '\0'), key("\1 ");
  EXPECT_EQ(client_.Call(kOpGetEqual, &data, &key, 0, 1), kKeyBufferTooShort);
  Result st = client_.Get(kOpStat, 0, "", 20);
  EXPECT_EQ(st.status, kDataBufferLength);
}

TEST_P(EngineTest, CEntryPointOpensAndReads) {
  ASSERT_EQ(client_.Create(Path(), ConceptSpec()), kOk);
  uint8_t block[128] = {};
  std::string path = Path() + ".dat";
  path.push_back('\0');
  char owner[5] = {'Z', 'C', 'A', 'P', 0};
  uint32_t length = 5;
  ASSERT_EQ(BTRCALL(kOpOpen, block, owner, &length, path.data(), 0, 0), kOk);
  std::string record = Concept(7, "SEVEN");
  char key[256] = {};
  length = 26;
  ASSERT_EQ(BTRCALL(kOpInsert, block, record.data(), &length, key, 1, 0), kOk);
  EXPECT_EQ(key[0], 7);
  char data[1536];
  length = sizeof data;
  key[0] = 7;
  ASSERT_EQ(BTRCALL(kOpGetEqual, block, data, &length, key, 1, 0), kOk);
  EXPECT_EQ(std::string(data, length), record);
  uint32_t zero = 0;
  EXPECT_EQ(BTRCALL(kOpReset, nullptr, nullptr, &zero, nullptr, 0, 0), kOk);
  EXPECT_EQ(BTRCALL(kOpGetFirst, block, data, &length, key, 1, 0), kFileNotOpen);
}

}  // namespace
}  // namespace recman::testing
