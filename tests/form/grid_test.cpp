#include "form/grid.h"

#include <gtest/gtest.h>

#include <fstream>

#include "form/form_loader.h"
#include "platform/virtual_console.h"
#include "support/temp_dir.h"

namespace form {
namespace {

// Attributes of styles 0-4 under the fixture's palette: a wrong style shows in the cells.
constexpr std::uint8_t kStyleAttribute[5] = {0x0F, 0x17, 0x70, 0x4E, 0x31};

std::string SourceFile(std::string_view relative) {
  std::ifstream in(std::string(ZC_SOURCE_DIR) + "/" + std::string(relative), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Padded(std::string text, std::size_t width = 80) {
  text.resize(width, ' ');
  return text;
}

// `text` written over a blank row from `column` on.
std::string Row(std::initializer_list<std::pair<int, std::string_view>> pieces) {
  std::string row(80, ' ');
  for (const auto& [column, text] : pieces) row.replace(column - 1, text.size(), text);
  return row;
}

class GridTest : public ::testing::Test {
 protected:
  GridTest() {
    session.RootDir = root.Prefix();
    session.LanguageCode = "CAT";
    session.MenuTitle = " Taula de conceptes ";
    session.StylePalette = {{{15, 0}, {7, 1}, {0, 7}, {14, 4}, {1, 3}}};
    textSettings.decimalSeparator = '\'';
    textSettings.thousandsSeparator = '.';
  }

  // A page of plain cells on a screen filled with '#', so that what is not drawn shows.
  FormModel& SmallModel(int cells) {
    model = FormModel{};
    model.pageCount = 2;
    model.maxCells = static_cast<std::int16_t>(cells);
    model.pages.resize(3);
    for (int p = 1; p <= 2; ++p) {
      model.pages[p].cells.resize(static_cast<std::size_t>(cells) + 1);
      model.pages[p].pageCellCount = static_cast<std::int16_t>(cells);
    }
    for (int r = 1; r <= console.Rows(); ++r) {
      for (int c = 1; c <= console.Columns(); ++c) console.PutCell(r, c, {'#', 0x07});
    }
    return model;
  }

  FormCell& Cell(int c, int row, int col, int width, std::string value) {
    FormCell& cell = model.Cell(1, c);
    cell.cellRow = static_cast<std::int16_t>(row);
    cell.cellCol = static_cast<std::int16_t>(col);
    cell.cellWidth = static_cast<std::int16_t>(width);
    cell.cellValue = Padded(std::move(value), static_cast<std::size_t>(width));
    return cell;
  }

  // Page 1 of the default form as the page loop shows the fixed concepts of an empty table.
  void LoadDefaultFixedPage(const std::string& languageCode) {
    session.LanguageCode = languageCode;
    root.Write("FORMS/ZCONCTAB.KFM", SourceFile("data/root/FORMS/ZCONCTAB.KFM"));
    root.Write("LOCALE/ZCONCTAB.LNG", SourceFile("data/root/LOCALE/ZCONCTAB.LNG"));
    const FormLoad load = LoadForm(session, "ZCONCTAB", model);
    ASSERT_TRUE(load.ok()) << load.message;
    for (int row = 0; row < 10; ++row) {
      const std::string code = row + 1 < 10 ? " " + std::to_string(row + 1) : "10";
      const std::string values[6] = {code, std::string(20, ' '), "S", "S", "S", "9"};
      for (int i = 0; i < 6; ++i) model.Cell(1, row * 6 + i + 1).cellValue = values[i];
    }
    model.Page(1).pageCellCount = 60;
  }

  testing_support::TempDir root;
  frame::Session session;
  platform::VirtualConsole console{25, 80};
  platform::MapEnvironment environment;
  screen::Screen screen{console, session, environment};
  text::TextSettings textSettings;
  FormModel model;
  std::int16_t currentPage = 1;
  GridContext grid{screen, model, textSettings, "ZCONCTAB", currentPage};
};

TEST_F(GridTest, TheDefaultFormShowsTheFixedConceptsInEveryLanguage) {
  struct Case {
    std::string code, caption, headings;
  } cases[] = {
      {"CAT", "CONCEPTES FIXOS",
       "     C. CONCEPTE             IVA RETENIBLE LIQUIDABLE TIPUS               "},
      {"SPA", "CONCEPTOS FIJOS",
       "     C. CONCEPTO             IVA RETENIBLE LIQUIDABLE TIPO                "},
      {"GLG", "CONCEPTOS FIXOS",
       "     C. CONCEPTO             IVE RETENCI\xe0N LIQUIDABLE TIPO                "},
      {"OCI", "CONC\xd4PTES FIXES",
       "     C. CONC\xd4PTE             TVA RETENGUDA LIQUIDABLE TIPE                "},
  };
  const std::string dashes =
      "     -- -------------------- --- --------- ---------- --------------------";
  for (const Case& c : cases) {
    LoadDefaultFixedPage(c.code);
    console.Clear();
    DrawPage(grid, 1);
    EXPECT_EQ(console.RowText(1),
              Row({{1, "VERTICAL"}, {31, " Taula de conceptes "}, {65, c.caption}}))
        << c.code;
    EXPECT_EQ(console.RowText(2), Padded(c.headings)) << c.code;
    EXPECT_EQ(console.RowText(3), Padded(dashes)) << c.code;
    for (int n = 1; n <= 10; ++n) {
      const std::string code = n < 10 ? " " + std::to_string(n) : "10";
      EXPECT_EQ(console.RowText(3 + n),
                Row({{6, code}, {30, "---"}, {37, "---"}, {48, "---"}, {57, "-"}}))
          << c.code << " row " << n;
    }
    for (int r = 14; r <= 25; ++r) EXPECT_EQ(console.RowText(r), Padded("")) << c.code << r;
    EXPECT_EQ(console.AttributeAt(1, 31), kStyleAttribute[2]);
    EXPECT_EQ(console.AttributeAt(1, 1), kStyleAttribute[1]);
    EXPECT_EQ(console.AttributeAt(2, 6), kStyleAttribute[1]);
    EXPECT_EQ(console.AttributeAt(4, 7), kStyleAttribute[0]);
    EXPECT_EQ(screen.CurrentStyle(), 0);
    EXPECT_EQ(console.CursorRow(), 24);
    EXPECT_EQ(console.CursorColumn(), 1);
  }
}

TEST_F(GridTest, AFilledRowShowsItsChoiceDescriptions) {
  struct Case {
    std::string code, yes, no;
  } cases[] = {
      {"CAT", "S\xa1 ", "No "},
      {"SPA", "S\xa1 ", "No "},
      {"GLG", "Si ", "Non"},
      {"OCI",
       "\xe3"
       "c ",
       "Non"},
  };
  for (const Case& c : cases) {
    LoadDefaultFixedPage(c.code);
    model.Cell(1, 14).cellValue = "Lloguers            ";
    model.Cell(1, 16).cellValue = "N";
    model.Cell(1, 18).cellValue = "4";
    DrawPage(grid, 1);
    EXPECT_EQ(console.RowText(6),
              Row({{6, " 3"}, {9, "Lloguers"}, {30, c.yes}, {37, c.no}, {48, c.yes}, {57, "4"}}))
        << c.code;
  }
}

TEST_F(GridTest, TheTitleIsCentredOnColumn41) {
  struct Case {
    std::string title;
    int column;
  } cases[] = {
      {std::string(20, 'T'), 31}, {std::string(13, 'T'), 34}, {std::string(15, 'T'), 34}, {"", 41}};
  SmallModel(1);
  for (const Case& c : cases) {
    session.MenuTitle = c.title;
    console.Clear();
    DrawPage(grid, 1);
    EXPECT_EQ(console.RowText(1).substr(static_cast<std::size_t>(c.column - 1), c.title.size()),
              c.title);
    if (c.column > 9) {
      EXPECT_EQ(console.ReadCell(1, c.column - 1).ch, ' ') << c.title.size();
    }
  }
}

TEST_F(GridTest, TheCaptionFollowsTheWorkPage) {
  SmallModel(1);
  session.MenuTitle = "";
  struct Case {
    std::int16_t workPage, formPage;
    std::string caption;
  } cases[] = {
      {1, 1, "CONCEPTES FIXOS#"}, {3, 1, "   DEFINIBLES 2#"}, {6, 1, "   DEFINIBLES 5#"},
      {1, 2, "CONCEPTES FIXOS#"},  // the confirmation page keeps whatever was shown
      {3, 2, "################"},
  };
  for (const Case& c : cases) {
    SmallModel(1);
    model.Page(2).pageFrame = {0, 5, 5, 10, 40};
    currentPage = c.workPage;
    DrawPage(grid, c.formPage);
    EXPECT_EQ(console.RowText(1).substr(64), c.caption) << c.workPage << "/" << c.formPage;
  }
}

TEST_F(GridTest, ThePageClearsTheRowsBelowItsLastCell) {
  SmallModel(2);
  Cell(1, 9, 1, 3, "abc");
  Cell(2, 10, 1, 3, "def").cellLabel = "L:";
  DrawPage(grid, 1);
  EXPECT_EQ(console.RowText(10), "L:def" + std::string(75, '#'));
  for (int r = 11; r <= 23; ++r) EXPECT_EQ(console.RowText(r), std::string(79, ' ') + "#") << r;
  EXPECT_EQ(console.RowText(24), std::string(80, '#'));
  EXPECT_EQ(console.RowText(9).substr(0, 4), "abc#");
}

TEST_F(GridTest, APageInAWindowLeavesTheScreenBelowIt) {
  SmallModel(1);
  model.Page(1).pageFrame = {0, 10, 10, 14, 71};
  ASSERT_TRUE(screen.WinPush(10, 10, 14, 71));
  Cell(1, 2, 3, 1, "S").cellLabel = "Segur? ";
  DrawPage(grid, 1);
  EXPECT_EQ(console.RowText(12).substr(12, 8), "Segur? S");
  EXPECT_EQ(console.RowText(13), std::string(80, '#'));
  EXPECT_EQ(console.RowText(20), std::string(80, '#'));
  screen.WinPop();
}

TEST_F(GridTest, CellsShowTheirValuesAsTheirAttributesAsk) {
  struct Case {
    std::string name;
    int flags, kind, editWidth, pad;
    std::string choices, value;
    std::vector<std::string> rows;  // rows 5.. from column 10, 14 characters
  } cases[] = {
      {"plain", 0, 0, 0, 2, "", "ABCD", {"ABCD##########"}},
      {"over several lines", 0, 0, 2, 0, "", "ABCD", {"AB############", "CD############"}},
      {"masked", 2, 0, 0, 0, "", "ABCD", {"##############"}},
      {"choice", 0, 0, 0, 2, "|A,First|ABCD,Second one", "ABCD", {"Second############"}},
      {"choice cut", 0, 0, 0, 0, "|ABCD,Second one", "ABCD", {"Seco##########"}},
      {"no matching choice", 0, 0, 0, 0, "|A,First|ABC,Third", "ABCD", {"##############"}},
      {"out of use", 4, 0, 0, 2, "", "ABCD", {"------########"}},
      {"out of use masked", 6, 0, 0, 0, "", "ABCD", {"----##########"}},
  };
  for (const Case& c : cases) {
    SmallModel(2);
    Cell(2, 5, 6, 4, c.value).cellLabel = "Lbl:";
    FormCell& cell = model.Cell(1, 2);
    cell.cellFlags = static_cast<std::int16_t>(c.flags);
    cell.cellEditWidth = static_cast<std::int16_t>(c.editWidth);
    cell.cellPad = static_cast<std::int16_t>(c.pad);
    cell.cellChoices = c.choices;
    DrawCell(grid, 1, 2);
    for (std::size_t i = 0; i < c.rows.size(); ++i) {
      std::string expected = c.rows[i];
      if (i == 0) expected.resize(14, '#');
      EXPECT_EQ(console.RowText(5 + static_cast<int>(i)).substr(9, 14), expected) << c.name;
    }
  }
}

TEST_F(GridTest, TheFirstCellOfARowStaysVisibleWhenOutOfUse) {
  SmallModel(7);
  Cell(7, 5, 1, 2, "12").cellFlags = kFlagPassedOver;
  DrawCell(grid, 1, 7);
  EXPECT_EQ(console.RowText(5).substr(0, 3), "12#");
}

TEST_F(GridTest, ARowHeadSwitchesTheFourCellsAfterIt) {
  SmallModel(6);
  Cell(1, 5, 1, 2, " 1");
  FormCell& head = Cell(2, 5, 4, 5, "");
  head.cellKind = kKindRowHead;
  for (int c = 3; c <= 6; ++c) Cell(c, 5, 10 + 3 * (c - 3), 1, "S").cellPad = 1;
  DrawCell(grid, 1, 2);
  EXPECT_EQ(console.RowText(5).substr(0, 24), "###     #--#--#--#--####");
  for (int c = 3; c <= 6; ++c) EXPECT_TRUE(model.Cell(1, c).cellFlags & kFlagPassedOver) << c;

  head.cellValue = "Nom  ";
  model.Cell(1, 4).cellFlags |= kFlagEnteredAfresh;
  DrawCell(grid, 1, 2);
  // The value alone: the pad after it is the form runner's to write.
  EXPECT_EQ(console.RowText(5).substr(0, 24), "###Nom  #S-#S-#S-#S-####");
  for (int c = 3; c <= 6; ++c) EXPECT_FALSE(model.Cell(1, c).cellFlags & kFlagPassedOver) << c;
  EXPECT_EQ(model.Cell(1, 4).cellFlags, kFlagEnteredAfresh);
}

TEST_F(GridTest, RowHeadsAfterRowHeadsDrawOnce) {
  // Heads that switch heads would multiply the drawing fourfold per cell if each switched cell
  // went through the head step again.
  SmallModel(120);
  for (int c = 1; c <= 120; ++c)
    Cell(c, 1 + (c - 1) / 6, 1 + 8 * ((c - 1) % 6), 3, "").cellKind = kKindRowHead;
  DrawPage(grid, 1);
  EXPECT_EQ(console.RowText(4).substr(0, 11), "   #####---");
  EXPECT_TRUE(model.Cell(1, 120).cellFlags & kFlagPassedOver);
}

}  // namespace
}  // namespace form
