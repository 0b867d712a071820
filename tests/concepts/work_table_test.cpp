#include "concepts/work_table.h"

#include <gtest/gtest.h>

#include "concept_fixture.h"
#include "recman/btrcall.h"

namespace concepts {
namespace {

using Table = WorkTable;

TEST_F(ConceptTest, AnEmptyFileGivesDefaultRows) {
  Open();
  Table table(model, files, record, screen, session, formModified, currentPage);
  formModified = -1;
  ASSERT_TRUE(table.BuildWorkTable());
  EXPECT_EQ(formModified, 0);
  EXPECT_EQ(std::filesystem::file_size(root.path() / "tmp/taula.tmp"), 6u * 20 * 26);
  table.LoadPage();
  EXPECT_EQ(Row(1), " 1|                    |S|S|S|9");
  EXPECT_EQ(Row(10), "10|                    |S|S|S|9");
  EXPECT_EQ(Row(11), "  |                    | | | | ");
  EXPECT_FALSE(table.LastPage());
  currentPage = 2;
  table.LoadPage();
  EXPECT_EQ(Row(1), " 1|                    |S|S|S|9");
  EXPECT_EQ(Row(20), "20|                    |S|S|S|9");
  currentPage = 6;
  table.LoadPage();
  EXPECT_TRUE(table.LastPage());
  EXPECT_EQ(Row(1), "81|                    |S|S|S|9");
  EXPECT_EQ(Row(19), "99|                    |S|S|S|9");
  EXPECT_EQ(Row(20), "  |                    | | | | ");
  // Leaving unchanged writes nothing and removes the work file.
  EXPECT_TRUE(table.WriteBack(13));
  EXPECT_FALSE(std::filesystem::exists(root.path() / "tmp/taula.tmp"));
  EXPECT_EQ(LogLines(), 0);
  EXPECT_TRUE(Stored().empty());
}

TEST_F(ConceptTest, StoredConceptsShowOnTheirPagesAndTypesAsOneDigit) {
  Open();
  Store(3, "Lloguer", "SNS", 1);
  Store(128 + 3, "Definible tres", "NNN", 12);
  Store(128 + 85, "Vuitanta-cinc");
  Table table(model, files, record, screen, session, formModified, currentPage);
  ASSERT_TRUE(table.BuildWorkTable());
  table.LoadPage();
  EXPECT_EQ(Row(3), " 3|Lloguer             |S|N|S|1");
  currentPage = 2;
  table.LoadPage();
  EXPECT_EQ(Row(3), " 3|Definible tres      |N|N|N|2") << "fixed 3 and definable 3 are distinct";
  currentPage = 6;
  table.LoadPage();
  EXPECT_EQ(Row(5), "85|Vuitanta-cinc       |S|S|S|9");
  table.Discard();
}

TEST_F(ConceptTest, ASavedChangeRewritesTheWholeTableInCodeOrder) {
  Open();
  Store(128 + 7, "Set", "SSS", 12);
  Store(2, "Dos");
  Store(128 + 99, "Darrer");
  const int linesBefore = LogLines();
  Table table(model, files, record, screen, session, formModified, currentPage);
  ASSERT_TRUE(table.BuildWorkTable());
  table.LoadPage();
  // An edit on page 2 survives paging to page 5 and back.
  currentPage = 2;
  table.LoadPage();
  model.Cell(1, 6 * 4 + 2).cellValue = "Cinc nou            ";
  formModified = -1;
  table.SavePage();
  currentPage = 5;
  table.LoadPage();
  currentPage = 2;
  table.LoadPage();
  EXPECT_EQ(Row(5), " 5|Cinc nou            |S|S|S|9");
  // Blanking a name removes its concept.
  currentPage = 6;
  table.LoadPage();
  model.Cell(1, 6 * 18 + 2).cellValue.assign(20, ' ');
  table.SavePage();
  EXPECT_TRUE(table.WriteBack(13));
  const std::vector<StoredConcept> expected = {
      {2, "Dos", "SSS", 9}, {128 + 5, "Cinc nou", "SSS", 9}, {128 + 7, "Set", "SSS", 2}};
  EXPECT_EQ(Stored(), expected);
  EXPECT_EQ(LogLines() - linesBefore, 3) << "one line per row written";
  EXPECT_FALSE(std::filesystem::exists(root.path() / "tmp/taula.tmp"));
}

TEST_F(ConceptTest, EscNeverTouchesTheFile) {
  Open();
  Store(1, "U");
  Table table(model, files, record, screen, session, formModified, currentPage);
  ASSERT_TRUE(table.BuildWorkTable());
  table.LoadPage();
  model.Cell(1, 2).cellValue = "Canviat             ";
  formModified = -1;
  table.SavePage();
  EXPECT_TRUE(table.WriteBack(27));
  EXPECT_EQ(Stored(), (std::vector<StoredConcept>{{1, "U", "SSS", 9}}));
  EXPECT_FALSE(std::filesystem::exists(root.path() / "tmp/taula.tmp"));
}

TEST_F(ConceptTest, AWorkFileHeldElsewhereIsRefused) {
  Open();
  platform::File other;
  ASSERT_TRUE(other.Open(root.Prefix() + "tmp/taula.tmp", platform::Share::kExclusive, true));
  Table table(model, files, record, screen, session, formModified, currentPage);
  EXPECT_FALSE(table.BuildWorkTable());
  session.TempDir = root.Prefix() + "missing/";
  EXPECT_FALSE(table.BuildWorkTable());
}

// Fails the third insert of a save with "disk full".
int gInserts = 0;
std::int16_t ThirdInsertFails(std::uint16_t op, void* pos, void* data, std::uint32_t* length,
                              void* key, std::uint8_t keyLength, std::int8_t keyNumber) {
  if (op == records::kOpInsert && ++gInserts == 3) return 18;
  return BTRCALL(op, pos, data, length, key, keyLength, keyNumber);
}

TEST_F(ConceptTest, AFailedSaveLeavesTheTableAsItWasAndSaysSo) {
  Open();
  Store(1, "U");
  Store(2, "Dos");
  Store(128 + 1, "Def u");
  files.RecReset();
  records::RecordFiles failing(
      screen, session, timer, [] { std::exit(0); }, ThirdInsertFails);
  ASSERT_EQ(failing.RecOpen(kConceptFileId, root.Prefix() + "DADES\\TVRebut", record), 0);
  Table table(model, failing, record, screen, session, formModified, currentPage);
  ASSERT_TRUE(table.BuildWorkTable());
  table.LoadPage();
  model.Cell(1, 2).cellValue = "Un                  ";
  formModified = -1;
  table.SavePage();
  gInserts = 0;
  console.PushKey(13);
  EXPECT_FALSE(table.WriteBack(13));
  EXPECT_EQ(console.beeps(), 1);
  EXPECT_EQ(console.PendingEvents(), 0u) << "the operator's key closed the message";
  EXPECT_EQ(screen.WinDepth(), 0);
  failing.RecReset();
  Open();
  const std::vector<StoredConcept> before = {
      {1, "U", "SSS", 9}, {2, "Dos", "SSS", 9}, {128 + 1, "Def u", "SSS", 9}};
  EXPECT_EQ(Stored(), before);
  EXPECT_FALSE(std::filesystem::exists(root.path() / "tmp/taula.tmp"));
}

TEST(CellNumber, ReadsLeadingDigits) {
  EXPECT_EQ(CellNumber(" 7"), 7);
  EXPECT_EQ(CellNumber("12"), 12);
  EXPECT_EQ(CellNumber("  "), 0);
  EXPECT_EQ(CellNumber("3a"), 3);
  EXPECT_EQ(CellNumber("x1"), 0);
}

}  // namespace
}  // namespace concepts
