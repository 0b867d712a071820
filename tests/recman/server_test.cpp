// What only the server backend has: a server that is not there, a connection that breaks in
// the middle of work, and stations with different installation roots sharing one table.
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "recman/engine.h"
#include "recman_fixture.h"

namespace recman::testing {
namespace {

std::string Concept(char code, char tag) {
  std::string r(26, tag);
  r[0] = code;
  return r;
}

constexpr int kConcepts = 20;
constexpr const char* kTable = "DADES/TVRebut.dat";

class ServerTest : public BackendTest {
 protected:
  BackendConfig Station(const std::string& root) const {
    return BackendConfig{ServerCluster().conninfo(), root};
  }
  // A client of its own (the engine's handle is in `engine`) on the shared concept table.
  static int16_t OpenTable(Client& c, const std::string& root) {
    return c.Open(root + "DADES/TVRebut");
  }
};

INSTANTIATE_TEST_SUITE_P(Backends, ServerTest, ::testing::ValuesIn(BackendsUnderTest()),
                         BackendName);

TEST_P(ServerTest, UnreachableServerGivesInactiveManager) {
  TempDir dir;
  Engine engine(
      BackendConfig{"host=" + dir.path() + " port=5432 user=postgres connect_timeout=2", ""});
  Client c(engine);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(c.Create(dir.File("t"), SpecBuffer(26, {{{1, 1}}})), kManagerInactive);
  EXPECT_EQ(c.Open(dir.File("t")), kManagerInactive);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(c.Get(kOpGetFirst, 0).status, kFileNotOpen);
}

// Ends every session of the record manager but the caller's, as a server restart or a network
// cut would.
void CutConnections() {
  PGconn* admin = PQconnectdb(ServerCluster().conninfo().c_str());
  ASSERT_EQ(PQstatus(admin), CONNECTION_OK);
  PGresult* r = PQexec(admin,
                       "SELECT pg_terminate_backend(pid) FROM pg_stat_activity"
                       " WHERE application_name = 'recman' AND pid <> pg_backend_pid()");
  EXPECT_EQ(PQresultStatus(r), PGRES_TUPLES_OK);
  PQclear(r);
  PQfinish(admin);
}

TEST_P(ServerTest, LostConnectionGivesAStatusAndRollsTheTransactionBack) {
  Engine engine(Station("/a/"));
  Client c(engine);
  ASSERT_EQ(c.Create("/a/DADES/Lost", SpecBuffer(26, {{{1, 1}}})), kOk);
  ASSERT_EQ(c.Open("/a/DADES/Lost"), kOk);
  ASSERT_EQ(c.Insert(Concept(1, 'o')).status, kOk);
  ASSERT_EQ(c.Simple(kOpBeginTransaction), kOk);
  ASSERT_EQ(c.Insert(Concept(2, 'n')).status, kOk);
  CutConnections();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(c.Insert(Concept(3, 'n')).status, kManagerInactive);
  EXPECT_EQ(c.Get(kOpGetFirst, 0).status, kManagerInactive);
  EXPECT_NE(c.Simple(kOpEndTransaction), kOk);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  // Once everything is let go the station connects again and finds the table as before.
  ASSERT_EQ(c.Simple(kOpReset), kOk);
  ASSERT_EQ(c.Open("/a/DADES/Lost"), kOk);
  EXPECT_EQ(Get32(c.Stat().data, 6), 1u);
}

// The program's save: inside one transaction, delete every record, then insert the table.
int SaveRounds(int rounds) {
  Engine engine;  // this station's root comes from its environment
  Client c(engine);
  if (c.Open(std::string(std::getenv("KAVROOT")) + "DADES/TVRebut") != kOk) return 1;
  for (int round = 0; round < rounds; ++round) {
    const char tag = round % 2 == 0 ? 'n' : 'o';
    if (c.Simple(kOpBeginTransaction) != kOk) return 2;
    int16_t s = c.Get(kOpGetGreaterOrEqual, 0, std::string(1, '\0')).status;
    while (s == kOk) {
      if (c.Delete() != kOk) return 3;
      s = c.Get(kOpGetNext, 0).status;
    }
    for (int i = 1; i <= kConcepts; ++i) {
      if (c.Insert(Concept(static_cast<char>(i), tag)).status != kOk) return 4;
    }
    if (c.Simple(kOpEndTransaction) != kOk) return 5;
  }
  return 0;
}

pid_t ForkStation(const std::string& root, int (*body)(int), int arg) {
  const pid_t pid = fork();
  if (pid == 0) {
    ::setenv("KAVROOT", root.c_str(), 1);
    _exit(body(arg));
  }
  return pid;
}

TEST_P(ServerTest, StationsWithOtherRootsShareTheTableAndReadersNeverSeeItEmpty) {
  Engine engine(Station("/station-a/"));
  Client c(engine);
  ASSERT_EQ(c.Create("/station-a/DADES/TVRebut", SpecBuffer(26, {{{1, 1}}}), 0), kOk);
  ASSERT_EQ(OpenTable(c, "/station-a/"), kOk);
  for (int i = 1; i <= kConcepts; ++i)
    ASSERT_EQ(c.Insert(Concept(static_cast<char>(i), 'o')).status, kOk);

  const pid_t saver = ForkStation("/home/other/station-b/", SaveRounds, 40);
  int reads = 0;
  int status = 0;
  while (waitpid(saver, &status, WNOHANG) == 0) {
    const Result st = c.Stat();
    ASSERT_EQ(st.status, kOk);
    EXPECT_EQ(Get32(st.data, 6), static_cast<uint32_t>(kConcepts)) << "read " << reads;
    std::set<char> codes;
    for (Result r = c.Get(kOpGetFirst, 0); r.status == kOk; r = c.Get(kOpGetNext, 0)) {
      EXPECT_TRUE(r.data == Concept(r.key[0], 'o') || r.data == Concept(r.key[0], 'n'));
      codes.insert(r.key[0]);
    }
    EXPECT_EQ(codes.size(), static_cast<size_t>(kConcepts)) << "read " << reads;
    ++reads;
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_GT(reads, 0);
  EXPECT_EQ(c.Get(kOpGetFirst, 0).data, Concept(1, 'o'));  // the last round saved 'o'
}

int HoldLock(int writeFd) {
  Engine engine;
  Client c(engine);
  if (c.Open(std::string(std::getenv("KAVROOT")) + "DADES/TVRebut") != kOk) return 1;
  if (c.Get(kOpGetEqual + kBiasNoWaitLock, 0, std::string(1, '\5')).status != kOk) return 2;
  const char locked = 'L';
  if (write(writeFd, &locked, 1) != 1) return 3;
  pause();
  return 0;
}

TEST_P(ServerTest, RecordLockedOnAnotherStationGives84UntilItsProcessDies) {
  Engine engine(Station("/station-a/"));
  Client c(engine);
  ASSERT_EQ(c.Create("/station-a/DADES/TVRebut", SpecBuffer(26, {{{1, 1}}}), 0), kOk);
  ASSERT_EQ(OpenTable(c, "/station-a/"), kOk);
  for (int i = 1; i <= 9; ++i) ASSERT_EQ(c.Insert(Concept(static_cast<char>(i), 'o')).status, kOk);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t holder = ForkStation("/b/", HoldLock, fds[1]);
  close(fds[1]);
  char got = 0;
  ASSERT_EQ(read(fds[0], &got, 1), 1);
  close(fds[0]);
  EXPECT_EQ(c.Get(kOpGetEqual + kBiasNoWaitLock, 0, std::string(1, '\5')).status, kRecordInUse);
  ASSERT_EQ(c.Get(kOpGetEqual, 0, std::string(1, '\5')).status, kOk);
  EXPECT_EQ(c.Update(Concept(5, 'n')), kRecordInUse);
  EXPECT_EQ(c.Get(kOpGetEqual + kBiasNoWaitLock, 0, std::string(1, '\6')).status, kOk);
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  // The server notices the dead session at once on a local socket; allow it a moment.
  int16_t s = kRecordInUse;
  for (int i = 0; i < 100 && s == kRecordInUse; ++i) {
    s = c.Get(kOpGetEqual + kBiasNoWaitLock, 0, std::string(1, '\5')).status;
    if (s == kRecordInUse) usleep(20000);
  }
  EXPECT_EQ(s, kOk);
}

}  // namespace
}  // namespace recman::testing
