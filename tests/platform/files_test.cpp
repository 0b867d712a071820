#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/environment.h"
#include "platform/file.h"
#include "platform/host_path.h"
#include "platform/process.h"
#include "support/temp_dir.h"

namespace platform {
namespace {

using testing_support::TempDir;

TEST(HostPath, MapsSuitePathsLiterally) {
  struct Case {
    std::string suite, host;
  } cases[] = {
      {"DADES\\TVRebut", "DADES/TVRebut"},
      {"C:\\TMP\\Sessio.ini", "/TMP/Sessio.ini"},
      {"C:Sessio.ini", "Sessio.ini"},
      {"C:", ""},
      {"/srv/kav/FORMS\\ZCONCTAB.KFM", "/srv/kav/FORMS/ZCONCTAB.KFM"},
      {"AJUDA\\\x80"
       "ATALA.HLP",
       "AJUDA/\xc3\x87"
       "ATALA.HLP"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(HostPathLiteral(c.suite), c.host) << c.suite;
}

TEST(HostPath, FindsExistingComponentsIgnoringCase) {
  TempDir dir;
  dir.Write("Forms/zconctab.kfm", "x");
  EXPECT_EQ(HostPath(dir.Prefix() + "FORMS\\ZCONCTAB.KFM"), dir.Prefix() + "Forms/zconctab.kfm");
  // A file about to be created keeps its name, under the matched folder.
  EXPECT_EQ(HostPath(dir.Prefix() + "FORMS\\new.tmp"), dir.Prefix() + "Forms/new.tmp");
  EXPECT_EQ(HostPath(dir.Prefix() + "NONE\\X"), dir.Prefix() + "NONE/X");
}

TEST(File, CreatesWithoutTruncatingAndUsesOneBasedPositions) {
  TempDir dir;
  const std::string path = dir.Prefix() + "a.tmp";
  {
    File f;
    ASSERT_TRUE(f.Open(path, Share::kReadWriteShared, true));
    ASSERT_TRUE(f.Write(1, "hello"));
    ASSERT_TRUE(f.Write(7, "!"));  // a gap reads back as a zero byte
  }
  File f;
  ASSERT_TRUE(f.Open(path, Share::kReadWriteShared, true));
  EXPECT_EQ(f.Size(), 7);
  char buffer[3] = {};
  EXPECT_EQ(f.Read(2, buffer, 3), 3u);
  EXPECT_EQ(std::string(buffer, 3), "ell");
  EXPECT_EQ(f.Read(8, buffer, 3), 0u);
  EXPECT_EQ(f.Read(0, buffer, 3), 0u);
  EXPECT_EQ(*f.ReadAll(), std::string("hello\0!", 7));
}

TEST(File, ExclusiveOpenExcludesOtherOpensAcrossProcesses) {
  TempDir dir;
  const std::string path = dir.Prefix() + "taula.tmp";
  File holder;
  ASSERT_TRUE(holder.Open(path, Share::kExclusive, true));
  // OFD locks conflict between descriptors even in one process; a child shows the same.
  File second;
  EXPECT_FALSE(second.Open(path, Share::kReadShared, false));
  EXPECT_FALSE(second.Open(path, Share::kExclusive, true));
  const pid_t child = fork();
  if (child == 0) {
    File other;
    _exit(other.Open(path, Share::kReadWriteShared, true) ? 1 : 0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  holder.Close();
  EXPECT_TRUE(second.Open(path, Share::kExclusive, false));
}

TEST(File, SharedOpensCoexistAndMissingFilesFail) {
  TempDir dir;
  const std::string path = dir.Prefix() + "Nerl.ini";
  File a, b;
  EXPECT_FALSE(a.Open(path, Share::kReadShared, false));
  ASSERT_TRUE(a.Open(path, Share::kReadWriteShared, true));
  EXPECT_TRUE(b.Open(path, Share::kReadShared, false));
  EXPECT_FALSE(File().Open(dir.Prefix(), Share::kReadShared, false)) << "a directory is no file";
  EXPECT_FALSE(ReadFileShared(dir.Prefix() + "none").has_value());
  EXPECT_TRUE(DeleteFile(path));
  EXPECT_FALSE(FileExists(path));
}

TEST(Environment, MapAndProcessLookups) {
  MapEnvironment env;
  env.Set("KAVROOT", "C:\\KAV\\");
  EXPECT_EQ(env.Get("KAVROOT"), "C:\\KAV\\");
  EXPECT_EQ(env.Get("KAVTMP"), "");
  setenv("ZC_TEST_VALUE", "pla\xc3\xa7", 1);
  EXPECT_EQ(ProcessEnvironment().Get("ZC_TEST_VALUE"), "pla\x87");
  EXPECT_EQ(ProcessEnvironment().Get("ZC_TEST_UNSET_VALUE"), "");
}

TEST(RunProcess, RunsAnArgumentVectorWithoutAShell) {
  TempDir dir;
  const std::string marker = dir.Prefix() + "a b;touch pwned $(touch pwned)";
  EXPECT_EQ(RunProcess({"touch", marker}), 0);
  EXPECT_TRUE(FileExists(marker));
  EXPECT_FALSE(FileExists("pwned"));
  EXPECT_EQ(RunProcess({"false"}), 1);
  EXPECT_EQ(RunProcess({"/no/such/program"}), -1);
  EXPECT_EQ(RunProcess({}), -1);
}

}  // namespace
}  // namespace platform
