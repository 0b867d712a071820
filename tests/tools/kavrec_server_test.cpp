// kavrec on the server backend: an installation moved from its embedded files onto the server
// with `kavrec save` and `kavrec load`, run as the commands a person types (the record
// manager of one process serves one backend, chosen by KAVDB when it starts).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "recman_fixture.h"
#include "tools/kavrec_commands.h"

namespace kavrec {
namespace {

using recman::testing::BackendName;
using recman::testing::BackendsUnderTest;
using recman::testing::BackendTest;
using recman::testing::SpecBuffer;
using recman::testing::TempDir;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs kavrec with KAVROOT set to `root`; on the embedded files when `embedded`.
int Kavrec(bool embedded, const std::string& root, const std::string& args,
           const std::string& out = "/dev/null") {
  const std::string command = std::string(embedded ? "env -u KAVDB " : "env ") + "KAVROOT=" + root +
                              " " + KAVREC_PATH + " " + args + " > " + out + " 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class KavrecServerTest : public BackendTest {};

INSTANTIATE_TEST_SUITE_P(Backends, KavrecServerTest, ::testing::ValuesIn(BackendsUnderTest()),
                         BackendName);

TEST_P(KavrecServerTest, SaveFromEmbeddedAndLoadIntoTheServerMovesTheTable) {
  TempDir old, fresh;
  const std::string spec = SpecBuffer(26, {{{1, 1}}});
  std::string xdf(2, '\0');
  xdf[0] = static_cast<char>(spec.size());
  std::ofstream(old.File("T.xdf"), std::ios::binary) << xdf + spec;
  std::string records;
  for (char code : {3, 1, 2}) {
    std::string r(26, 'x');
    r[0] = code;
    records += FormatSaveRecord(r);
  }
  std::ofstream(old.File("in.sav"), std::ios::binary) << records + '\x1a';

  const std::string table = "DADES/TVRebut";
  ASSERT_EQ(std::system(("mkdir -p " + old.File("DADES")).c_str()), 0);
  ASSERT_EQ(Kavrec(true, old.path() + "/", "create " + old.File(table) + " " + old.File("T.xdf")),
            kExitOk);
  ASSERT_EQ(Kavrec(true, old.path() + "/", "load " + old.File(table) + " " + old.File("in.sav")),
            kExitOk);
  ASSERT_EQ(Kavrec(true, old.path() + "/", "save " + old.File(table) + " " + old.File("out.sav")),
            kExitOk);

  // On the server the file is known by its name under the root, whatever the root is.
  ASSERT_EQ(Kavrec(false, old.path() + "/", "create " + old.File(table) + " " + old.File("T.xdf")),
            kExitOk);
  ASSERT_EQ(Kavrec(false, old.path() + "/", "load " + old.File(table) + " " + old.File("out.sav")),
            kExitOk);
  EXPECT_EQ(
      Kavrec(false, fresh.path() + "/", "save " + fresh.File(table) + " " + old.File("back.sav")),
      kExitOk);
  EXPECT_EQ(ReadAll(old.File("back.sav")), ReadAll(old.File("out.sav")));
  EXPECT_EQ(Kavrec(false, fresh.path() + "/", "check " + fresh.File(table)), kExitOk);
  EXPECT_EQ(Kavrec(false, fresh.path() + "/", "stat " + fresh.File(table), old.File("stat.txt")),
            kExitOk);
  EXPECT_NE(ReadAll(old.File("stat.txt")).find('3'), std::string::npos);
  EXPECT_EQ(Kavrec(false, fresh.path() + "/", "stat " + fresh.File("DADES/Missing")), kExitStatus);
}

}  // namespace
}  // namespace kavrec
