// Key order, duplicates, positions, updates, deletes and transactions on one process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recman/engine.h"
#include "recman_fixture.h"

namespace recman::testing {
namespace {

// 8-byte records with the key bytes at the front.
std::string Rec(const std::string& head, char tail = '.') {
  std::string r = head;
  r.resize(8, tail);
  return r;
}

std::string Hex(const std::string& s) {
  static const char* kDigits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
    out += ' ';
  }
  return out;
}

class KeysTest : public BackendTest {
 protected:
  void Make(const std::string& spec, const std::string& name = "f") {
    ASSERT_EQ(client_.Create(dir_.File(name), spec), kOk);
    ASSERT_EQ(client_.Open(dir_.File(name)), kOk);
  }

  // The records' first `width` bytes in the order of `key`, by Get First and Get Next.
  std::vector<std::string> Walk(int key, size_t width, Client* c = nullptr) {
    if (c == nullptr) c = &client_;
    std::vector<std::string> out;
    for (Result r = c->Get(kOpGetFirst, key); r.status == kOk; r = c->Get(kOpGetNext, key)) {
      out.push_back(r.data.substr(0, width));
    }
    return out;
  }

  TempDir dir_;
  Engine engine_;
  Client client_{engine_};
};

INSTANTIATE_TEST_SUITE_P(Backends, KeysTest, ::testing::ValuesIn(BackendsUnderTest()), BackendName);

TEST_P(KeysTest, KeyImagesOrderRecords) {
  uint8_t zFirst[256];
  for (int i = 0; i < 256; ++i) zFirst[i] = static_cast<uint8_t>(i);
  zFirst['Z'] = 0;
  struct Case {
    const char* what;
    std::vector<SegmentDef> key;
    std::string collating;
    std::vector<std::string> inserted;  // the records' leading bytes
    std::vector<std::string> ordered;
  };
  const std::vector<Case> cases = {
      {"binary little-endian",
       {{1, 2, kSegBinary}},
       "",
       {std::string("\x00\x01", 2), std::string("\xFF\x00", 2), std::string("\x02\x00", 2)},
       {std::string("\x02\x00", 2), std::string("\xFF\x00", 2), std::string("\x00\x01", 2)}},
      {"descending", {{1, 1, kSegDescending}}, "", {"B", "A", "C"}, {"C", "B", "A"}},
      {"case-insensitive", {{1, 1, kSegCaseInsensitive}}, "", {"B", "a", "C"}, {"a", "B", "C"}},
      {"collating sequence",
       {{1, 1, kSegCollating}},
       CollatingBlock("ZFIRST", zFirst),
       {"A", "Z", "M"},
       {"Z", "A", "M"}},
      {"segmented, second binary descending",
       {{1, 1}, {2, 2, kSegBinary | kSegDescending}},
       "",
       {std::string("A\x01\x00", 3), std::string("B\x00\x00", 3), std::string("A\x02\x00", 3),
        std::string("A\x00\x01", 3)},
       {std::string("A\x00\x01", 3), std::string("A\x02\x00", 3), std::string("A\x01\x00", 3),
        std::string("B\x00\x00", 3)}},
      {"signed integer",
       {{1, 2, kSegExtendedType, kTypeInteger}},
       "",
       {std::string("\xFF\xFF", 2), std::string("\x01\x00", 2), std::string("\xD4\xFE", 2),
        std::string("\x00\x80", 2)},
       {std::string("\x00\x80", 2), std::string("\xD4\xFE", 2), std::string("\xFF\xFF", 2),
        std::string("\x01\x00", 2)}},
      {"unsigned binary type",
       {{1, 2, kSegExtendedType, kTypeUnsignedBinary}},
       "",
       {std::string("\xFF\xFF", 2), std::string("\x01\x00", 2), std::string("\x00\x80", 2)},
       {std::string("\x01\x00", 2), std::string("\x00\x80", 2), std::string("\xFF\xFF", 2)}},
      {"null key leaves blank values out",
       {{1, 1, kSegNullKey, 0, ' '}},
       "",
       {"B", " ", "A"},
       {"A", "B"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Make(SpecBuffer(8, {c.key}, 512, 0, c.collating), "k" + std::to_string(n++));
    for (const std::string& head : c.inserted) {
      ASSERT_EQ(client_.Insert(Rec(head)).status, kOk) << Hex(head);
    }
    const size_t width = c.inserted[0].size();
    std::vector<std::string> got = Walk(0, width);
    EXPECT_EQ(got, c.ordered);
    // Walking back gives the reverse.
    std::vector<std::string> back;
    for (Result r = client_.Get(kOpGetLast, 0); r.status == kOk;
         r = client_.Get(kOpGetPrevious, 0)) {
      back.push_back(r.data.substr(0, width));
    }
    EXPECT_EQ(std::vector<std::string>(back.rbegin(), back.rend()), c.ordered);
    // Every indexed record is found by Get Equal on its own key value.
    for (const std::string& head : c.ordered) {
      const Result r = client_.Get(kOpGetEqual, 0, head);
      EXPECT_EQ(r.status, kOk) << Hex(head);
      EXPECT_EQ(r.key, head);
    }
    ASSERT_EQ(client_.Close(), kOk);
  }
}

TEST_P(KeysTest, CaseInsensitiveKeyFindsEitherCaseAndRefusesBothAsDuplicates) {
  Make(SpecBuffer(8, {{{1, 2, kSegCaseInsensitive}}}));
  ASSERT_EQ(client_.Insert(Rec("ab")).status, kOk);
  EXPECT_EQ(client_.Insert(Rec("AB")).status, kDuplicateKey);
  const Result r = client_.Get(kOpGetEqual, 0, "Ab");
  EXPECT_EQ(r.status, kOk);
  EXPECT_EQ(r.key, "ab");
}

TEST_P(KeysTest, DuplicatesComeBackInInsertionOrder) {
  Make(SpecBuffer(8, {{{1, 1, kSegDuplicates}}}));
  for (const char* r : {"A1", "B1", "A2", "A3", "C1"})
    ASSERT_EQ(client_.Insert(Rec(r)).status, kOk);
  struct Case {
    int op;
    const char* key;
    const char* found;
  };
  const std::vector<Case> cases = {
      {kOpGetEqual, "A", "A1"},       {kOpGetGreaterOrEqual, "A", "A1"},
      {kOpGetLessOrEqual, "A", "A3"}, {kOpGetLess, "B", "A3"},
      {kOpGetGreater, "A", "B1"},     {kOpGetLast, "", "C1"},
      {kOpGetLessOrEqual, "B", "B1"},
  };
  for (const Case& c : cases) {
    const Result r = client_.Get(c.op, 0, c.key);
    EXPECT_EQ(r.status, kOk) << c.op << " " << c.key;
    EXPECT_EQ(r.data.substr(0, 2), c.found) << c.op << " " << c.key;
  }
  EXPECT_EQ(Walk(0, 2), (std::vector<std::string>{"A1", "A2", "A3", "B1", "C1"}));
  ASSERT_EQ(client_.Get(kOpGetEqual, 0, "B").status, kOk);
  EXPECT_EQ(client_.Get(kOpGetPrevious, 0).data.substr(0, 2), "A3");
  // Stat counts records and distinct values.
  const Result st = client_.Stat();
  EXPECT_EQ(Get32(st.data, 6), 5u);
  EXPECT_EQ(Get32(st.data, 16 + 6), 3u);
}

TEST_P(KeysTest, InsertedRecordIsCurrent) {
  Make(SpecBuffer(8, {{{1, 1}}}));
  for (const char* r : {"A", "C", "E"}) ASSERT_EQ(client_.Insert(Rec(r)).status, kOk);
  ASSERT_EQ(client_.Insert(Rec("D")).status, kOk);
  const int64_t position = client_.Position();
  EXPECT_GT(position, 0);
  EXPECT_EQ(client_.Get(kOpGetNext, 0).key, "E");
  ASSERT_EQ(client_.Insert(Rec("B")).status, kOk);
  EXPECT_EQ(client_.Get(kOpGetPrevious, 0).key, "A");
  EXPECT_EQ(client_.Direct(static_cast<uint32_t>(position), 0).key, "D");
}

TEST_P(KeysTest, GetDirectContinuesOnTheKeyGiven) {
  // Key 0 ascending on byte 1, key 1 descending on byte 2.
  Make(SpecBuffer(8, {{{1, 1}}, {{2, 1, kSegDescending}}}));
  for (const char* r : {"a3", "b1", "c2"}) ASSERT_EQ(client_.Insert(Rec(r)).status, kOk);
  ASSERT_EQ(client_.Get(kOpGetEqual, 0, "b").status, kOk);
  const int64_t b = client_.Position();
  ASSERT_EQ(client_.Get(kOpGetFirst, 0).status, kOk);
  const Result direct = client_.Direct(static_cast<uint32_t>(b), 1);
  ASSERT_EQ(direct.status, kOk);
  EXPECT_EQ(direct.key, "1");
  // On key 1 (descending) nothing follows "1"; "2" comes before it.
  EXPECT_EQ(client_.Get(kOpGetNext, 1).status, kEndOfFile);
  ASSERT_EQ(client_.Direct(static_cast<uint32_t>(b), 1).status, kOk);
  EXPECT_EQ(client_.Get(kOpGetPrevious, 1).data.substr(0, 2), "c2");
  EXPECT_EQ(client_.Get(kOpGetNext, 0).status, kDifferentKeyNumber);
  EXPECT_EQ(client_.Direct(0, 0).status, kInvalidRecordAddress);
  EXPECT_EQ(client_.Direct(999, 0).status, kInvalidRecordAddress);
  EXPECT_EQ(client_.Direct(static_cast<uint32_t>(b), 2).status, kInvalidKeyNumber);
}

TEST_P(KeysTest, AfterDeleteNextAndPreviousAreTheNeighbours) {
  Make(SpecBuffer(8, {{{1, 1, kSegDuplicates}}}));
  for (const char* r : {"A1", "B1", "B2", "B3", "C1"})
    ASSERT_EQ(client_.Insert(Rec(r)).status, kOk);
  ASSERT_EQ(client_.Get(kOpGetEqual, 0, "B").status, kOk);
  ASSERT_EQ(client_.Get(kOpGetNext, 0).data.substr(0, 2), "B2");
  const int64_t b2 = client_.Position();
  ASSERT_EQ(client_.Delete(), kOk);
  EXPECT_EQ(client_.Delete(), kInvalidPositioning);
  EXPECT_EQ(client_.Position(), -kInvalidPositioning);
  EXPECT_EQ(client_.Get(kOpGetNext, 0).data.substr(0, 2), "B3");
  ASSERT_EQ(client_.Delete(), kOk);
  EXPECT_EQ(client_.Get(kOpGetPrevious, 0).data.substr(0, 2), "B1");
  EXPECT_EQ(client_.Direct(static_cast<uint32_t>(b2), 0).status, kInvalidRecordAddress);
  EXPECT_EQ(Walk(0, 2), (std::vector<std::string>{"A1", "B1", "C1"}));
  // The emptying loop of a table rewrite: Get First, then Delete and Get Next until the end.
  Result r = client_.Get(kOpGetGreaterOrEqual, 0, std::string(1, '\0'));
  while (r.status == kOk) {
    ASSERT_EQ(client_.Delete(), kOk);
    r = client_.Get(kOpGetNext, 0);
  }
  EXPECT_EQ(r.status, kEndOfFile);
  EXPECT_EQ(Get32(client_.Stat().data, 6), 0u);
}

TEST_P(KeysTest, PositionsStayWhileTheRecordExists) {
  Make(SpecBuffer(8, {{{1, 1}}}));
  std::vector<int64_t> positions;
  for (const char* r : {"A", "B", "C", "D"}) {
    ASSERT_EQ(client_.Insert(Rec(r)).status, kOk);
    positions.push_back(client_.Position());
  }
  ASSERT_EQ(client_.Get(kOpGetEqual, 0, "B").status, kOk);
  ASSERT_EQ(client_.Delete(), kOk);
  ASSERT_EQ(client_.Get(kOpGetEqual, 0, "C").status, kOk);
  ASSERT_EQ(client_.Update(Rec("C", '!')), kOk);
  EXPECT_EQ(client_.Direct(static_cast<uint32_t>(positions[2]), 0).data, Rec("C", '!'));
  EXPECT_EQ(client_.Direct(static_cast<uint32_t>(positions[3]), 0).key, "D");
  EXPECT_EQ(client_.Direct(static_cast<uint32_t>(positions[0]), 0).key, "A");
  // Physical steps visit every record once.
  std::string steps;
  for (Result r = client_.Get(kOpStepFirst, 0); r.status == kOk; r = client_.Get(kOpStepNext, 0)) {
    steps += r.data[0];
  }
  EXPECT_EQ(steps, "ACD");
}

TEST_P(KeysTest, UpdateKeepsKeysConsistent) {
  // Key 0 unique and not modifiable; key 1 modifiable with duplicates; key 2 unique modifiable.
  Make(SpecBuffer(8,
                  {{{1, 1}}, {{2, 1, kSegModifiable | kSegDuplicates}}, {{3, 1, kSegModifiable}}}));
  for (const char* r : {"Ax1", "By2", "Cx3"}) ASSERT_EQ(client_.Insert(Rec(r)).status, kOk);
  Client fresh(engine_);
  ASSERT_EQ(fresh.Open(dir_.File("f")), kOk);
  EXPECT_EQ(fresh.Update(Rec("Ax1")), kInvalidPositioning);
  ASSERT_EQ(client_.Get(kOpGetEqual, 0, "A").status, kOk);
  EXPECT_EQ(client_.Update(Rec("Zx1")), kModifiableKeyError);
  EXPECT_EQ(client_.Update(Rec("Ax3")), kDuplicateKey);
  ASSERT_EQ(client_.Update(Rec("Az9")), kOk);
  EXPECT_EQ(Walk(1, 3), (std::vector<std::string>{"Cx3", "By2", "Az9"}));
  EXPECT_EQ(Walk(2, 3), (std::vector<std::string>{"By2", "Cx3", "Az9"}));
  EXPECT_EQ(client_.Get(kOpGetEqual, 2, "1").status, kKeyNotFound);
  // A refused update changed nothing.
  EXPECT_EQ(Walk(0, 3), (std::vector<std::string>{"Az9", "By2", "Cx3"}));
}

TEST_P(KeysTest, UpdateOrDeleteOfARecordChangedMeanwhileIsAConflict) {
  Make(SpecBuffer(8, {{{1, 1}}}));
  ASSERT_EQ(client_.Insert(Rec("A")).status, kOk);
  Client other(engine_);
  ASSERT_EQ(other.Open(dir_.File("f")), kOk);
  ASSERT_EQ(other.Get(kOpGetEqual, 0, "A").status, kOk);
  ASSERT_EQ(client_.Get(kOpGetEqual, 0, "A").status, kOk);
  ASSERT_EQ(client_.Update(Rec("A", '1')), kOk);
  EXPECT_EQ(other.Update(Rec("A", '2')), kConflict);
  EXPECT_EQ(other.Delete(), kConflict);
  ASSERT_EQ(other.Get(kOpGetEqual, 0, "A").data, Rec("A", '1'));
  EXPECT_EQ(other.Delete(), kOk);
  EXPECT_EQ(client_.Update(Rec("A", '3')), kConflict);
}

TEST_P(KeysTest, ReadOnlyOpenRefusesWrites) {
  Make(SpecBuffer(8, {{{1, 1}}}));
  ASSERT_EQ(client_.Insert(Rec("A")).status, kOk);
  Client reader(engine_);
  ASSERT_EQ(reader.Open(dir_.File("f"), -2), kOk);
  EXPECT_EQ(reader.Insert(Rec("B")).status, kAccessDenied);
  ASSERT_EQ(reader.Get(kOpGetFirst, 0).status, kOk);
  EXPECT_EQ(reader.Update(Rec("A", '1')), kAccessDenied);
  EXPECT_EQ(reader.Delete(), kAccessDenied);
}

TEST_P(KeysTest, VariableLengthRecordsKeepTheirLength) {
  Make(SpecBuffer(8, {{{1, 1}}}, 512, kFileVariableLength));
  ASSERT_EQ(client_.Insert(Rec("A") + "tail of some length").status, kOk);
  EXPECT_EQ(client_.Insert("B").status, kDataBufferLength);
  EXPECT_EQ(client_.Get(kOpGetFirst, 0).data, Rec("A") + "tail of some length");
}

TEST_P(KeysTest, TransactionsCommitOrRollBackTogether) {
  Make(SpecBuffer(8, {{{1, 1}}}));
  ASSERT_EQ(client_.Simple(kOpBeginTransaction), kOk);
  EXPECT_EQ(client_.Simple(kOpBeginTransaction), kTransactionActive);
  ASSERT_EQ(client_.Insert(Rec("A")).status, kOk);
  ASSERT_EQ(client_.Insert(Rec("B")).status, kOk);
  EXPECT_EQ(client_.Insert(Rec("A")).status, kDuplicateKey);
  EXPECT_EQ(Walk(0, 1), (std::vector<std::string>{"A", "B"}));
  ASSERT_EQ(client_.Simple(kOpAbortTransaction), kOk);
  EXPECT_EQ(Walk(0, 1), std::vector<std::string>{});

  ASSERT_EQ(client_.Simple(kOpBeginTransaction), kOk);
  ASSERT_EQ(client_.Insert(Rec("C")).status, kOk);
  // A failing operation inside the transaction undoes only itself.
  ASSERT_EQ(client_.Get(kOpGetEqual, 0, "C").status, kOk);
  EXPECT_EQ(client_.Update(Rec("D")), kModifiableKeyError);
  ASSERT_EQ(client_.Simple(kOpEndTransaction), kOk);
  Engine later;
  Client reader(later);
  ASSERT_EQ(reader.Open(dir_.File("f")), kOk);
  EXPECT_EQ(Walk(0, 1, &reader), std::vector<std::string>{"C"});
}

TEST_P(KeysTest, ResetClosesEverythingAndAbortsTheTransaction) {
  Make(SpecBuffer(8, {{{1, 1}}}));
  ASSERT_EQ(client_.Simple(kOpBeginTransaction), kOk);
  ASSERT_EQ(client_.Insert(Rec("A")).status, kOk);
  ASSERT_EQ(client_.Simple(kOpReset), kOk);
  EXPECT_EQ(client_.Get(kOpGetFirst, 0).status, kFileNotOpen);
  EXPECT_EQ(client_.Simple(kOpEndTransaction), kEndAbortTransactionError);
  ASSERT_EQ(client_.Open(dir_.File("f")), kOk);
  EXPECT_EQ(client_.Get(kOpGetFirst, 0).status, kEndOfFile);
}

}  // namespace
}  // namespace recman::testing
