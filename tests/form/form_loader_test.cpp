#include "form/form_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"

namespace form {
namespace {

using Kind = FormProblemKind;

std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string bytes;
  for (std::string_view line : lines) (bytes += line) += "\r\n";
  return bytes;
}

std::string SourceFile(std::string_view relative) {
  std::ifstream in(std::string(ZC_SOURCE_DIR) + "/" + std::string(relative), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

const TranslateFunction kAsIs = [](std::string_view text) { return std::string(text); };

// Two pages (the second a framed confirmation), one lookup named by cell 2.
const std::string kSmallForm = Lines({
    "2,10",
    "\"d,1b\",3,0,0,0,0,0",
    "1,1,\"Nom: \",20,0,0,0,0,0,\"\"",
    "2,1,Tipus,1,0,1,8,2,1,",
    "3,4,\"  S\xa1, o no\",1,4,2,2,0,0,\"|S,S\xa1|N,No\"",
    "\"d\",1,0,5,5,10,40",
    "1,1,\"Segur? \",1,0,0,0,0,0,\"|S,S\xa1|N,No\"",
    "1",
    "503,0,5,5,15,60,0,\"Codi  Nom\",0",
});

FormModel Parsed(std::string_view bytes) {
  FormModel model;
  const FormProblem problem = ParseForm(bytes, kAsIs, model);
  EXPECT_TRUE(problem.ok()) << "kind " << static_cast<int>(problem.kind) << " line "
                            << problem.line;
  return model;
}

TEST(ParseForm, FillsTheModel) {
  const FormModel model = Parsed(kSmallForm);
  EXPECT_EQ(model.pageCount, 2);
  EXPECT_EQ(model.maxCells, 10);
  ASSERT_EQ(model.pages.size(), 3u);
  EXPECT_EQ(model.Page(1).pageExitKeys, "d,1b");
  EXPECT_EQ(model.Page(1).pageCellCount, 3);
  EXPECT_EQ(model.Page(2).pageFrame, (std::array<std::int16_t, 5>{0, 5, 5, 10, 40}));

  const FormCell& name = model.Cell(1, 1);
  EXPECT_EQ(name.cellLabel, "Nom: ");
  EXPECT_EQ(name.cellValue, std::string(20, ' '));
  const FormCell& type = model.Cell(1, 2);
  EXPECT_EQ(type.cellLabel, "Tipus");
  EXPECT_EQ(
      (std::array<std::int16_t, 8>{type.cellRow, type.cellCol, type.cellWidth, type.cellEditWidth,
                                   type.cellPad, type.cellFlags, type.cellKind, type.cellLookup}),
      (std::array<std::int16_t, 8>{2, 1, 1, 0, 1, 8, 2, 1}));
  EXPECT_EQ(type.cellChoices, "");
  // Quotes keep the commas and the leading blanks of a label.
  EXPECT_EQ(model.Cell(1, 3).cellLabel, "  S\xa1, o no");
  EXPECT_EQ(model.Cell(1, 3).cellChoices, "|S,S\xa1|N,No");

  // Cells past the page's count exist, empty.
  for (int c = 4; c <= 10; ++c) EXPECT_EQ(model.Cell(1, c), FormCell{}) << c;
  EXPECT_FALSE(model.HasCell(1, 11));

  EXPECT_EQ(model.lookupCount, 1);
  ASSERT_EQ(model.lookups.size(), 2u);
  EXPECT_EQ(model.lookups[1].lookupAttr, (std::array<std::int16_t, 8>{503, 0, 5, 5, 15, 60, 0, 0}));
  EXPECT_EQ(model.lookups[1].lookupText, "Codi  Nom");
}

TEST(ParseForm, CommentLinesStandBeforeRecordsOnly) {
  const std::string commented = Lines({
      "' counts",
      "   ' indented comment",
      "2,10",
      "' page 1",
      "\"d,1b\",3,0,0,0,0,0",
      "1,1,\"Nom: \",20,0,0,0,0,0,\"\"",
      "2,1,Tipus,1,0,1,8,2,1,",
      "3,4,\"  S\xa1, o no\",1,4,2,2,0,0,\"|S,S\xa1|N,No\"",
      "' page 2",
      "\"d\",1,0,5,5,10,40",
      "1,1,\"Segur? \",1,0,0,0,0,0,\"|S,S\xa1|N,No\"",
      "' lookups",
      "1",
      "' lookup 1",
      "503,0,5,5,15,60,0,\"Codi  Nom\",0",
      "' the end",
  });
  EXPECT_EQ(Parsed(commented), Parsed(kSmallForm));

  // Among the cells of a page a comment line is read as items: here, a whole cell.
  const FormModel inside = Parsed(Lines({
      "1,2",
      "\"d\",2,0,0,0,0,0",
      "1,1,A,1,0,0,0,0,0,",
      "' note,7,B,1,0,0,0,0,0,",
  }));
  EXPECT_EQ(inside.Cell(1, 2).cellRow, 0);
  EXPECT_EQ(inside.Cell(1, 2).cellCol, 7);
  EXPECT_EQ(inside.Cell(1, 2).cellLabel, "B");
}

TEST(ParseForm, TheLookupSectionIsOptional) {
  const std::string pages = Lines({"1,1", "d,1,0,0,0,0,0", "1,1,A,1,0,0,0,0,0,"});
  const FormModel none = Parsed(pages);
  EXPECT_EQ(none.lookupCount, 0);
  EXPECT_TRUE(none.lookups.empty());
  EXPECT_EQ(Parsed(pages + "\x1a" + "garbage").lookups.size(), 0u);
  EXPECT_EQ(Parsed(pages + Lines({"0", "anything after"})).lookups.size(), 1u);
  // Lookup records may be missing after the count as long as nothing names them.
  EXPECT_EQ(Parsed(pages + Lines({"2", "' none follow"})).lookups.size(), 3u);
}

TEST(ParseForm, TranslatesLabelsAndChoicesButNeverValues) {
  std::vector<std::string> asked;
  const TranslateFunction translate = [&](std::string_view text) {
    asked.emplace_back(text);
    return "<" + std::string(text) + ">";
  };
  FormModel model;
  ASSERT_TRUE(ParseForm(kSmallForm, translate, model).ok());
  EXPECT_EQ(model.Cell(1, 1).cellLabel, "<Nom: >");
  EXPECT_EQ(model.Cell(1, 1).cellValue, std::string(20, ' '));
  EXPECT_EQ(model.Cell(1, 3).cellChoices, "<|S,S\xa1|N,No>");
  EXPECT_EQ(model.lookups[1].lookupText, "<Codi  Nom>");
  // Label then choices, cell by cell, then the lookup headings.
  const std::vector<std::string> expected = {
      "Nom: ",         "",        "Tipus",         "",         "  S\xa1, o no",
      "|S,S\xa1|N,No", "Segur? ", "|S,S\xa1|N,No", "Codi  Nom"};
  EXPECT_EQ(asked, expected);
}

TEST(ParseForm, ReportsTheFirstProblem) {
  const std::string head = "1,10\r\n";
  const std::string page = "d,1,0,0,0,0,0\r\n";
  struct Case {
    std::string name, bytes;
    Kind kind;
    int line, page, cell, lookup;
  } cases[] = {
      {"empty", "", Kind::kEmpty, 0, 0, 0, 0},
      {"only comments", Lines({"' a", "  ' b"}), Kind::kEmpty, 0, 0, 0, 0},
      {"only filler",
       "  \t\n\x1a"
       "2,2",
       Kind::kEmpty, 0, 0, 0, 0},
      {"counts cut short", "' comment\r\n2", Kind::kEndsEarly, 2, 0, 0, 0},
      {"no pages", Lines({"0,10"}), Kind::kBadCounts, 1, 0, 0, 0},
      {"no cells", Lines({"2,-1"}), Kind::kBadCounts, 1, 0, 0, 0},
      {"number too large", Lines({"1,40000"}), Kind::kNumberTooLarge, 1, 0, 0, 0},
      {"too many cells", Lines({"200,200"}), Kind::kTooManyCells, 1, 0, 0, 0},
      {"page missing", Lines({"2,10"}) + page + "1,1,A,1,0,0,0,0,0,\r\n", Kind::kEndsEarly, 0, 2, 0,
       0},
      {"cell missing", head + "d,2,0,0,0,0,0\r\n1,1,A,1,0,0,0,0,0,\r\n", Kind::kEndsEarly, 0, 1, 2,
       0},
      {"cell cut short", head + page + "1,1,A,1,0,0,0,0", Kind::kEndsEarly, 3, 1, 1, 0},
      {"zero cells", head + "d,0,0,0,0,0,0\r\n", Kind::kBadCellCount, 2, 1, 0, 0},
      {"cells above maxCells", head + "d,11,0,0,0,0,0\r\n", Kind::kBadCellCount, 2, 1, 0, 0},
      {"linked page beyond", head + "d,1,2,0,0,0,0\r\n", Kind::kBadLinkedPage, 2, 1, 0, 0},
      {"linked page negative", head + "d,1,-1,0,0,0,0\r\n", Kind::kBadLinkedPage, 2, 1, 0, 0},
      {"linked to itself", head + "d,1,1,0,0,0,0\r\n1,1,A,1,0,0,0,0,0,\r\n", Kind::kLinkCycle, 2, 1,
       0, 0},
      {"circle of links",
       Lines({"3,1", "d,1,2,0,0,0,0", "1,1,A,1,0,0,0,0,0,", "d,1,3,0,0,0,0", "1,1,A,1,0,0,0,0,0,",
              "d,1,2,0,0,0,0", "1,1,A,1,0,0,0,0,0,"}),
       Kind::kLinkCycle, 2, 1, 0, 0},
      {"negative width", head + page + "1,1,A,-1,0,0,0,0,0,\r\n", Kind::kBadCellSize, 3, 1, 1, 0},
      {"negative edit width", head + page + "1,1,A,4,-2,0,0,0,0,\r\n", Kind::kBadCellSize, 3, 1, 1,
       0},
      {"negative pad", head + page + "1,1,A,4,0,-1,0,0,0,\r\n", Kind::kBadCellSize, 3, 1, 1, 0},
      {"row head near the last cell", "1,4\r\n" + page + "1,1,A,4,0,0,0,1,0,\r\n",
       Kind::kBadRowHead, 3, 1, 1, 0},
      {"lookup without a section", head + page + "1,1,A,4,0,0,0,0,1,\r\n", Kind::kBadCellLookup, 3,
       1, 1, 0},
      {"lookup negative", head + page + "1,1,A,4,0,0,0,0,-1,\r\n", Kind::kBadCellLookup, 3, 1, 1,
       0},
      {"lookup not read", head + page + Lines({"1,1,A,4,0,0,0,0,2,", "2", "1,0,1,1,5,5,0,T,0"}),
       Kind::kBadCellLookup, 3, 1, 1, 0},
      {"lookup count negative", head + page + Lines({"1,1,A,4,0,0,0,0,0,", "-1"}),
       Kind::kBadLookupCount, 4, 0, 0, 0},
      {"lookup cut short", head + page + Lines({"1,1,A,4,0,0,0,0,0,", "1", "1,0,1,1,5,5,0,T"}),
       Kind::kEndsEarly, 5, 0, 0, 1},
      {"lookup search page beyond",
       head + page + Lines({"1,1,A,4,0,0,0,0,0,", "1", "1,0,1,1,5,5,2,T,0"}), Kind::kBadLookup, 5,
       0, 0, 1},
      {"further lookup beyond",
       head + page + Lines({"1,1,A,4,0,0,0,0,0,", "1", "1,0,1,1,5,5,0,T,2"}), Kind::kBadLookup, 5,
       0, 0, 1},
  };
  for (const Case& c : cases) {
    FormModel model;
    const FormProblem problem = ParseForm(c.bytes, kAsIs, model);
    EXPECT_EQ(problem.kind, c.kind) << c.name;
    EXPECT_EQ(problem.line, c.line) << c.name;
    EXPECT_EQ(problem.page, c.page) << c.name;
    EXPECT_EQ(problem.cell, c.cell) << c.name;
    EXPECT_EQ(problem.lookup, c.lookup) << c.name;
  }
}

TEST(DescribeFormProblem, NamesTheFileInTheOperatorsLanguage) {
  FormProblem problem;
  problem.kind = Kind::kBadCellSize;
  problem.line = 12;
  problem.page = 1;
  problem.cell = 7;
  const std::string file = "C:\\KAV\\FORMS\\ZCONCTAB.KFM";
  EXPECT_EQ(DescribeFormProblem(problem, file, "CAT"),
            "El fitxer de formulari C:\\KAV\\FORMS\\ZCONCTAB.KFM no \x82s correcte a la l\xa1nia "
            "12: la cel\xfala 7 de la p\x85gina 1 t\x82 una amplada negativa.");
  EXPECT_EQ(DescribeFormProblem(problem, file, "SPA"),
            "El fichero de formulario C:\\KAV\\FORMS\\ZCONCTAB.KFM no es correcto en la l\xa1nea "
            "12: la celda 7 de la p\xa0gina 1 tiene una anchura negativa.");
  EXPECT_EQ(DescribeFormProblem(problem, file, "   "), DescribeFormProblem(problem, file, "CAT"));

  problem.kind = Kind::kGridExitKeys;
  problem.line = 0;
  EXPECT_EQ(DescribeFormProblem(problem, "F.KFM", "GLG"),
            "O ficheiro de formulario F.KFM non \x82 correcto: as teclas de sa\xa1"
            "da da "
            "p\xa0xina 1 deben inclu\xa1r Re P\xa0x, Av P\xa0x, Intro e Esc.");
  problem.kind = Kind::kCannotOpen;
  EXPECT_EQ(DescribeFormProblem(problem, "F.KFM", "OCI"),
            "Se p\x95t pas dobrir lo fichi\x8ar de formulari F.KFM.");
  problem.kind = Kind::kNone;
  EXPECT_EQ(DescribeFormProblem(problem, "F.KFM", "CAT"), "");

  // Every problem has its text in every language, and names the file.
  for (int k = static_cast<int>(Kind::kCannotOpen); k <= static_cast<int>(Kind::kGridExitKeys);
       ++k) {
    problem.kind = static_cast<Kind>(k);
    for (const char* code : {"CAT", "SPA", "GLG", "OCI"}) {
      const std::string text = DescribeFormProblem(problem, "F{L}.KFM", code);
      EXPECT_NE(text.find("F{L}.KFM"), std::string::npos) << k << " " << code;
      EXPECT_EQ(text.find('{'), text.find("F{L}.KFM") + 1) << k << " " << code;
    }
  }
}

class LoadFormTest : public ::testing::Test {
 protected:
  frame::Session SessionIn(std::string code) {
    frame::Session s;
    s.RootDir = root.Prefix();
    s.LanguageCode = std::move(code);
    return s;
  }
  void InstallDefaults() {
    root.Write("FORMS/ZCONCTAB.KFM", SourceFile("data/root/FORMS/ZCONCTAB.KFM"));
    root.Write("LOCALE/ZCONCTAB.LNG", SourceFile("data/root/LOCALE/ZCONCTAB.LNG"));
  }

  testing_support::TempDir root;
  FormModel model;
};

TEST_F(LoadFormTest, TheDefaultFormLoadsInEveryLanguage) {
  InstallDefaults();
  struct Case {
    std::string code, yesNo, question;
  } cases[] = {
      {"CAT", "|S,S\xa1|N,No", "Voleu sortir sense desar els canvis? "},
      {"SPA", "|S,S\xa1|N,No",
       "\xa8"
       "Desea salir sin guardar los cambios? "},
      {"GLG", "|S,Si|N,Non", "Desexa sa\xa1r sen gardar os cambios? "},
      {"OCI",
       "|S,\xe3"
       "c|N,Non",
       "Vol\x8atz sortir sens enregistrar los cambiaments? "},
  };
  for (const Case& c : cases) {
    const FormLoad load = LoadForm(SessionIn(c.code), "ZCONCTAB", model);
    ASSERT_TRUE(load.ok()) << c.code << ": " << load.message;
    EXPECT_EQ(load.message, "");
    EXPECT_EQ(model.pageCount, 2);
    EXPECT_EQ(model.Page(1).pageCellCount, 120);
    EXPECT_EQ(model.Cell(1, 3).cellChoices, c.yesNo) << c.code;
    EXPECT_EQ(model.Cell(2, 1).cellLabel, c.question) << c.code;
    EXPECT_EQ(model.Cell(2, 1).cellChoices, c.yesNo) << c.code;
  }
}

TEST_F(LoadFormTest, CatalanLeavesTheLanguageFileAlone) {
  root.Write("FORMS/ZCONCTAB.KFM", SourceFile("data/root/FORMS/ZCONCTAB.KFM"));
  std::filesystem::create_directories(root.path() / "LOCALE");
  EXPECT_TRUE(LoadForm(SessionIn("CAT"), "ZCONCTAB", model).ok());
  EXPECT_FALSE(std::filesystem::exists(root.path() / "LOCALE/ZCONCTAB.LNG"));
}

TEST_F(LoadFormTest, AMissingOrEmptyFileIsDescribed) {
  FormLoad load = LoadForm(SessionIn("SPA"), "ZCONCTAB", model);
  EXPECT_EQ(load.problem.kind, Kind::kCannotOpen);
  EXPECT_EQ(load.message,
            "No se puede abrir el fichero de formulario " + root.Prefix() + "FORMS\\ZCONCTAB.KFM.");
  root.Write("FORMS/ZCONCTAB.KFM", "");
  load = LoadForm(SessionIn("CAT"), "ZCONCTAB", model);
  EXPECT_EQ(load.problem.kind, Kind::kEmpty);
  EXPECT_EQ(load.message,
            "El fitxer de formulari " + root.Prefix() + "FORMS\\ZCONCTAB.KFM \x82s buit.");
}

TEST_F(LoadFormTest, AFormThatCannotHoldTheConceptGridIsRefused) {
  root.Write("FORMS/ZCONCTAB.KFM", kSmallForm);
  const FormLoad load = LoadForm(SessionIn("CAT"), "ZCONCTAB", model);
  EXPECT_EQ(load.problem.kind, Kind::kGridCellCount);
  EXPECT_NE(load.message.find("120"), std::string::npos);
}

TEST(CheckConceptGrid, WantsRoomForTheValuesAndThePageKeys) {
  FormModel defaults;
  ASSERT_TRUE(ParseForm(SourceFile("data/root/FORMS/ZCONCTAB.KFM"), kAsIs, defaults).ok());
  EXPECT_TRUE(CheckConceptGrid(defaults).ok());

  FormModel model = defaults;
  model.Page(1).pageCellCount = 114;
  EXPECT_EQ(CheckConceptGrid(model).kind, Kind::kGridCellCount);

  struct Case {
    int cell, width;
  } narrow[] = {{1, 1}, {8, 19}, {117, 0}, {120, 0}};
  for (const Case& c : narrow) {
    model = defaults;
    model.Cell(1, c.cell).cellWidth = static_cast<std::int16_t>(c.width);
    const FormProblem problem = CheckConceptGrid(model);
    EXPECT_EQ(problem.kind, Kind::kGridCellWidth) << c.cell;
    EXPECT_EQ(problem.cell, c.cell);
  }

  for (const char* keys : {"5100,d,1b", "4900,d,1b", "4900,5100,1b", "4900,5100,d", ""}) {
    model = defaults;
    model.Page(1).pageExitKeys = keys;
    EXPECT_EQ(CheckConceptGrid(model).kind, Kind::kGridExitKeys) << keys;
  }
}

}  // namespace
}  // namespace form
