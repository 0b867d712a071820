// Files shared by processes: record and file locks, transactions seen from outside, concurrent
// writers, and processes killed at awkward moments. Each test forks children that use an
// engine of their own, as separate programs would.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "recman/engine.h"
#include "recman_fixture.h"

namespace recman::testing {
namespace {

// A forked child running `body`, talking to the parent over two pipes one byte at a time.
class Child {
 public:
  explicit Child(const std::function<int(Child&)>& body) {
    if (pipe(toChild_) != 0 || pipe(toParent_) != 0) std::abort();
    pid_ = fork();
    if (pid_ == 0) {
      close(toChild_[1]);
      close(toParent_[0]);
      mine_ = true;
      _exit(body(*this));
    }
    close(toChild_[0]);
    close(toParent_[1]);
  }
  ~Child() {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      Wait();
    }
    close(mine_ ? toChild_[0] : toChild_[1]);
    close(mine_ ? toParent_[1] : toParent_[0]);
  }

  void Send(char c) {
    const int fd = mine_ ? toParent_[1] : toChild_[1];
    if (write(fd, &c, 1) != 1) std::abort();
  }
  // The next byte, or 0 when none comes within 20 s or the other side has gone.
  char Receive() {
    const int fd = mine_ ? toChild_[0] : toParent_[0];
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 20000) != 1) return 0;
    char c = 0;
    return read(fd, &c, 1) == 1 ? c : 0;
  }
  int Wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    reaped_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  void Kill() { kill(pid_, SIGKILL); }

 private:
  int toChild_[2] = {-1, -1};
  int toParent_[2] = {-1, -1};
  pid_t pid_ = -1;
  bool mine_ = false;
  bool reaped_ = false;
};

std::string Rec(const std::string& head) {
  std::string r = head;
  r.resize(16, '.');
  return r;
}

std::string Key2(int n) {
  return std::string{static_cast<char>('A' + n / 26 % 26), static_cast<char>('a' + n % 26)};
}

class ProcessTest : public BackendTest {
 protected:
  void SetUp() override {
    BackendTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_EQ(client_.Create(path_, SpecBuffer(16, {{{1, 2}}})), kOk);
    ASSERT_EQ(client_.Open(path_), kOk);
  }

  // Records by key 0 and by physical steps agree, and the count is `expected` (or any when
  // negative). Returns the number of records.
  int CheckConsistent(int expected) {
    Engine engine;
    Client c(engine);
    EXPECT_EQ(c.Open(path_), kOk);
    std::set<std::string> byKey, physical;
    std::string last;
    for (Result r = c.Get(kOpGetFirst, 0); r.status == kOk; r = c.Get(kOpGetNext, 0)) {
      EXPECT_LT(last, r.key);
      EXPECT_EQ(r.key, r.data.substr(0, 2));
      last = r.key;
      byKey.insert(r.data);
    }
    for (Result r = c.Get(kOpStepFirst, 0); r.status == kOk; r = c.Get(kOpStepNext, 0)) {
      physical.insert(r.data);
    }
    EXPECT_EQ(byKey, physical);
    EXPECT_EQ(Get32(c.Stat().data, 6), physical.size());
    if (expected >= 0) {
      EXPECT_EQ(static_cast<int>(physical.size()), expected);
    }
    return static_cast<int>(physical.size());
  }

  TempDir dir_;
  std::string path_ = dir_.File("shared");
  Engine engine_;
  Client client_{engine_};
};

INSTANTIATE_TEST_SUITE_P(Backends, ProcessTest, ::testing::ValuesIn(BackendsUnderTest()),
                         BackendName);

TEST_P(ProcessTest, RecordLockedByAnotherProcessGives84UntilItEnds) {
  ASSERT_EQ(client_.Insert(Rec("Aa")).status, kOk);
  ASSERT_EQ(client_.Insert(Rec("Bb")).status, kOk);
  Child child([&](Child& self) {
    Engine engine;
    Client c(engine);
    if (c.Open(path_) != kOk || c.Get(kOpGetEqual + kBiasNoWaitLock, 0, "Aa").status != kOk) {
      return 1;
    }
    self.Send('L');
    self.Receive();
    return 0;
  });
  ASSERT_EQ(child.Receive(), 'L');
  EXPECT_EQ(client_.Get(kOpGetEqual + kBiasNoWaitLock, 0, "Aa").status, kRecordInUse);
  EXPECT_EQ(client_.Get(kOpGetEqual, 0, "Aa").status, kOk);
  EXPECT_EQ(client_.Update(Rec("Aa") + ""), kRecordInUse);
  EXPECT_EQ(client_.Delete(), kRecordInUse);
  EXPECT_EQ(client_.Get(kOpGetNext + kBiasNoWaitLock, 0).data, Rec("Bb"));
  // A failed locked read leaves the position where it was.
  EXPECT_EQ(client_.Get(kOpGetPrevious + kBiasNoWaitLock, 0).status, kRecordInUse);
  EXPECT_EQ(client_.Get(kOpGetNext, 0).status, kEndOfFile);
  child.Kill();
  child.Wait();
  EXPECT_EQ(client_.Get(kOpGetEqual + kBiasNoWaitLock, 0, "Aa").status, kOk);
  ASSERT_EQ(client_.Update(Rec("Aa")), kOk);
}

TEST_P(ProcessTest, WaitLockWaitsForTheHolderToLetGo) {
  ASSERT_EQ(client_.Insert(Rec("Aa")).status, kOk);
  Child child([&](Child& self) {
    Engine engine;
    Client c(engine);
    if (c.Open(path_) != kOk || c.Get(kOpGetEqual + kBiasNoWaitLock, 0, "Aa").status != kOk) {
      return 1;
    }
    self.Send('L');
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    return c.Simple(kOpUnlock) == kOk ? 0 : 2;
  });
  ASSERT_EQ(child.Receive(), 'L');
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(client_.Get(kOpGetEqual + kBiasWaitLock, 0, "Aa").status, kOk);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  EXPECT_EQ(child.Wait(), 0);
}

TEST_P(ProcessTest, ExclusiveOpenShutsOthersOut) {
  {
    Child child([&](Child&) {
      Engine engine;
      Client c(engine);
      return c.Open(path_, -4) == kFileInUse ? 0 : 1;  // the parent has it open
    });
    EXPECT_EQ(child.Wait(), 0);
  }
  // A child inherits the parent's descriptors, and with them its open lock: fork only once
  // the parent has closed the file.
  ASSERT_EQ(client_.Close(), kOk);
  Child child([&](Child& self) {
    Engine engine;
    Client c(engine);
    if (c.Open(path_, -4) != kOk) return 1;
    self.Send('X');
    self.Receive();
    return 0;
  });
  ASSERT_EQ(child.Receive(), 'X');
  EXPECT_EQ(client_.Open(path_), kFileInUse);
  child.Send('Q');
  EXPECT_EQ(child.Wait(), 0);
  EXPECT_EQ(client_.Open(path_), kOk);
}

TEST_P(ProcessTest, WriteDuringAnotherProcesssTransactionGives85) {
  Child child([&](Child& self) {
    Engine engine;
    Client c(engine);
    if (c.Open(path_) != kOk || c.Simple(kOpBeginTransaction) != kOk) return 1;
    if (c.Insert(Rec("Tx")).status != kOk) return 2;
    self.Send('W');
    if (self.Receive() != 'E') return 3;
    if (c.Simple(kOpEndTransaction) != kOk) return 4;
    self.Send('D');
    self.Receive();
    return 0;
  });
  ASSERT_EQ(child.Receive(), 'W');
  EXPECT_EQ(client_.Insert(Rec("Pa")).status, kFileInUse);
  // Readers see the file as it was before the transaction.
  EXPECT_EQ(client_.Get(kOpGetEqual, 0, "Tx").status, kKeyNotFound);
  child.Send('E');
  ASSERT_EQ(child.Receive(), 'D');
  EXPECT_EQ(client_.Get(kOpGetEqual, 0, "Tx").status, kOk);
  EXPECT_EQ(client_.Insert(Rec("Pa")).status, kOk);
  child.Send('Q');
  EXPECT_EQ(child.Wait(), 0);
}

TEST_P(ProcessTest, ConcurrentInsertsAllArrive) {
  constexpr int kPerChild = 150;
  auto inserter = [&](int offset) {
    return [this, offset](Child&) {
      Engine engine;
      Client c(engine);
      if (c.Open(path_) != kOk) return 1;
      for (int i = 0; i < kPerChild; ++i) {
        int16_t s;
        while ((s = c.Insert(Rec(Key2(offset + i))).status) == kFileInUse) {
        }
        if (s != kOk) return 2;
      }
      return 0;
    };
  };
  Child a(inserter(0));
  Child b(inserter(kPerChild));
  EXPECT_EQ(a.Wait(), 0);
  EXPECT_EQ(b.Wait(), 0);
  CheckConsistent(2 * kPerChild);
}

TEST_P(ProcessTest, KilledInsideATransactionLeavesTheFileAsBefore) {
  ASSERT_EQ(client_.Insert(Rec("Aa")).status, kOk);
  Child child([&](Child& self) {
    Engine engine;
    Client c(engine);
    if (c.Open(path_) != kOk || c.Simple(kOpBeginTransaction) != kOk) return 1;
    for (int i = 1; i < 60; ++i) {
      if (c.Insert(Rec(Key2(i))).status != kOk) return 2;
    }
    if (c.Get(kOpGetEqual, 0, "Aa").status != kOk || c.Delete() != kOk) return 3;
    self.Send('K');
    self.Receive();
    return 0;
  });
  ASSERT_EQ(child.Receive(), 'K');
  child.Kill();
  child.Wait();
  CheckConsistent(1);
  // The dead transaction holds nothing: writing works at once.
  EXPECT_EQ(client_.Insert(Rec("Zz")).status, kOk);
}

TEST_P(ProcessTest, KilledAfterEndTransactionKeepsEverything) {
  Child child([&](Child& self) {
    Engine engine;
    Client c(engine);
    if (c.Open(path_) != kOk || c.Simple(kOpBeginTransaction) != kOk) return 1;
    for (int i = 0; i < 60; ++i) {
      if (c.Insert(Rec(Key2(i))).status != kOk) return 2;
    }
    if (c.Simple(kOpEndTransaction) != kOk) return 3;
    self.Send('K');
    self.Receive();
    return 0;
  });
  ASSERT_EQ(child.Receive(), 'K');
  child.Kill();
  child.Wait();
  CheckConsistent(60);
}

TEST_P(ProcessTest, KilledAtRandomMomentsLosesNoAcknowledgedWrite) {
  std::mt19937 random(12345);
  int acknowledged = 0;
  for (int round = 0; round < 12; ++round) {
    const int start = acknowledged;
    Child child([&, start](Child& self) {
      Engine engine;
      Client c(engine);
      if (c.Open(path_) != kOk) return 1;
      for (int i = start;; ++i) {
        // Alternate single inserts with small transactions of inserts, updates and deletes.
        if (i % 3 == 2) {
          if (c.Simple(kOpBeginTransaction) != kOk) return 2;
          if (c.Insert(Rec(Key2(i))).status != kOk) return 3;
          if (c.Insert(Rec("zz")).status != kOk) return 4;
          if (c.Delete() != kOk) return 5;
          if (c.Simple(kOpEndTransaction) != kOk) return 6;
        } else if (c.Insert(Rec(Key2(i))).status != kOk) {
          return 7;
        }
        self.Send('+');
      }
    });
    // Kill once the child is writing, at a random moment after its first acknowledged write.
    if (child.Receive() == '+') ++acknowledged;
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    child.Kill();
    while (child.Receive() == '+') ++acknowledged;
    child.Wait();
    const int count = CheckConsistent(-1);
    EXPECT_GE(count, acknowledged) << "round " << round;
    EXPECT_LE(count, acknowledged + 1) << "round " << round;
    acknowledged = count;
  }
}

}  // namespace
}  // namespace recman::testing
