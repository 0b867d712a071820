// A save killed at any point leaves exactly the old table or exactly the new one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "concept_fixture.h"
#include "recman/btrcall.h"

namespace concepts {
namespace {

// The record-manager call at which the child kills itself; counted from the start of the save.
int gKillAt = 0;
int gCallsInSave = -1;  // -1: not saving yet
std::int16_t KillingCall(std::uint16_t op, void* pos, void* data, std::uint32_t* length, void* key,
                         std::uint8_t keyLength, std::int8_t keyNumber) {
  if (gCallsInSave >= 0 && ++gCallsInSave == gKillAt) ::raise(SIGKILL);
  return BTRCALL(op, pos, data, length, key, keyLength, keyNumber);
}

TEST_F(ConceptTest, ASaveKilledAnywhereLeavesTheOldOrTheNewTable) {
  Open();
  for (int n = 1; n <= 10; ++n) Store(n, "Fix " + std::to_string(n));
  for (int n = 1; n <= 20; ++n) Store(128 + n, "Def " + std::to_string(n), "SNS", n % 10);
  const std::vector<StoredConcept> oldTable = Stored();
  files.RecReset();
  const auto pristine = root.path() / "pristine";
  std::filesystem::create_directories(pristine);
  for (const auto& entry : std::filesystem::directory_iterator(root.path() / "DADES")) {
    std::filesystem::copy(entry.path(), pristine / entry.path().filename());
  }

  int sawOld = 0, sawNew = 0;
  std::vector<StoredConcept> newTable;
  for (int point = 1; point <= 50; ++point) {
    // Each run starts from the old table.
    std::filesystem::remove_all(root.path() / "DADES");
    std::filesystem::copy(pristine, root.path() / "DADES");
    std::filesystem::remove(root.path() / "tmp/taula.tmp");
    const pid_t child = ::fork();
    if (child == 0) {
      records::RecordFiles saving(
          screen, session, timer, [] { _exit(2); }, KillingCall);
      if (saving.RecOpen(kConceptFileId, root.Prefix() + "DADES\\TVRebut", record) != 0) _exit(3);
      WorkTable table(model, saving, record, screen, session, formModified, currentPage);
      if (!table.BuildWorkTable()) _exit(4);
      currentPage = 2;
      table.LoadPage();
      model.Cell(1, 2).cellValue = "Nou nom             ";
      formModified = -1;
      table.SavePage();
      // Spread the 50 kill points over the whole save: about 100 calls for 30 rows.
      gKillAt = point * 2;
      gCallsInSave = 0;
      table.WriteBack(13);
      _exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0))
        << "point " << point;
    Open();
    const std::vector<StoredConcept> now = Stored();
    files.RecReset();
    if (now == oldTable) {
      ++sawOld;
    } else {
      ASSERT_EQ(now.size(), oldTable.size()) << "point " << point << ": rows were lost";
      if (newTable.empty()) newTable = now;
      EXPECT_EQ(now, newTable) << "point " << point;
      EXPECT_EQ(now[10].name, "Nou nom") << "point " << point;
      ++sawNew;
    }
  }
  EXPECT_GT(sawOld, 40) << "most kill points fall inside the save";
  EXPECT_GT(sawNew, 0) << "the last points let the save finish";
}

}  // namespace
}  // namespace concepts
