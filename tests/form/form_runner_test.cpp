#include "form/form_runner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "form/form_loader.h"
#include "form/key_codes.h"
#include "platform/virtual_console.h"
#include "support/temp_dir.h"

namespace form {
namespace {

// Alt+C opens the calendar hook, which the tests use to look at the screen in the middle of a
// run; the editor then ignores the key, since no page lists it.
constexpr std::uint16_t kLook = 0x2E00;

std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) text.append(line).append("\r\n");
  return text;
}

// Page 1: five cells (plain, numeric, masked, entered afresh with a lookup, choice with a pad)
// and a linked page. Page 2: a window with a value over three lines. Page 3: the question.
const std::string kFixtureForm = Lines({
    "3,6",
    "\"d,1b,4800,5000,4900,5100,3c00,3e00\",5,2,0,0,0,0",
    "5,1,\"Nom: \",10,0,0,0,0,0,\"\"",
    "6,1,\"Quantitat: \",4,0,0,0,2,0,\"\"",
    "7,1,\"Clau: \",6,0,2,2,0,0,\"\"",
    "8,1,\"Codi: \",3,0,0,1,0,1,\"\"",
    "9,1,\"IVA: \",1,0,2,0,0,0,\"|S,S\xa1|N,No\"",
    "\"d,1b,4800,5000,4900,5100\",2,0,10,20,16,70",
    "2,2,\"Notes: \",12,4,0,0,0,0,\"\"",
    "5,2,\"Final: \",2,0,0,0,0,0,\"\"",
    "\"d,1b\",1,0,18,10,22,71",
    "2,3,\"Sortir? \",1,0,2,0,0,0,\"|S,S\xa1|N,No\"",
    "1",
    "0,0,5,5,10,40,0,\"Codis\",0",
});

// Where page 1's values start on the screen, by cell.
constexpr int kValueRow[] = {0, 5, 6, 7, 8, 9};
constexpr int kValueColumn[] = {0, 6, 12, 7, 7, 6};

// `text` written over a blank row from `column` on.
std::string Row(std::initializer_list<std::pair<int, std::string_view>> pieces) {
  std::string row(80, ' ');
  for (const auto& [column, text] : pieces) row.replace(column - 1, text.size(), text);
  return row;
}

struct Look {
  std::string screen;
  int row = 0;
  int column = 0;
  std::string Row(int r) const { return screen.substr(static_cast<std::size_t>(r - 1) * 81, 80); }
};

struct Looks : PopupHooks {
  platform::VirtualConsole* console = nullptr;
  std::vector<Look> taken;
  std::string ShowCalendar() override {
    taken.push_back({console->ScreenText(), console->CursorRow(), console->CursorColumn()});
    return {};
  }
};

class FormRunnerTest : public ::testing::Test {
 protected:
  FormRunnerTest() {
    session.RootDir = root.Prefix();
    session.TempDir = root.Prefix();
    session.LanguageCode = "CAT";
    session.StylePalette = {{{15, 0}, {7, 1}, {0, 7}, {14, 4}, {1, 3}}};
    textSettings.decimalSeparator = '\'';
    textSettings.thousandsSeparator = '.';
    looks.console = &console;
    keyReader.Popups = &looks;
  }

  void LoadFixture() {
    const FormProblem problem = ParseForm(
        kFixtureForm, [](std::string_view text) { return std::string(text); }, model);
    ASSERT_TRUE(problem.ok()) << static_cast<int>(problem.kind) << " line " << problem.line;
    SetValue(1, 1, "Anna");
    SetValue(1, 2, "12");
    SetValue(1, 4, "ABC");
    SetValue(1, 5, "N");
  }

  void SetValue(int page, int cell, std::string value) {
    FormCell& target = model.Cell(page, cell);
    value.resize(static_cast<std::size_t>(target.cellWidth), ' ');
    target.cellValue = value;
  }
  std::string Value(int page, int cell) const { return model.Cell(page, cell).cellValue; }

  void Keys(const std::vector<std::uint16_t>& keys) {
    for (std::uint16_t k : keys) console.PushKey(k);
  }
  void Type(std::string_view text) { console.PushText(text); }
  void Click(int row, int column) {
    console.PushEvent(
        platform::InputEvent::Mouse(platform::kMouseReleased, platform::kButtonLeft, row, column));
  }

  std::int16_t Run(std::int16_t page, std::int16_t allowUp = 0, std::int16_t allowDown = 0) {
    std::int16_t key = 0;
    RunForm(runner, page, allowUp, allowDown, key);
    EXPECT_EQ(console.PendingEvents(), 0u) << "keys left unread";
    EXPECT_EQ(exitKeys.ExitSaveDepth, 0);
    EXPECT_EQ(exitKeys.InputMask, 0);
    EXPECT_EQ(screen.WinDepth(), 0);
    return key;
  }

  // The cell the cursor was on at look i, by page 1's value positions.
  int CellAt(std::size_t i) const {
    for (int c = 1; c <= 5; ++c) {
      if (looks.taken.at(i).row == kValueRow[c]) return c;
    }
    return 0;
  }

  testing_support::TempDir root;
  frame::Session session;
  platform::VirtualConsole console{25, 80};
  platform::MapEnvironment environment;
  screen::Screen screen{console, session, environment};
  text::TextSettings textSettings;
  KeyReaderState keyReader;
  ExitKeySet exitKeys;
  Looks looks;
  FormModel model;
  std::int16_t formModified = 0;
  std::int16_t currentPage = 1;
  FieldEditor editor{screen, keyReader, exitKeys, textSettings};
  FormRunner runner{editor, model, "ZCONCTAB", formModified, currentPage};
};

TEST_F(FormRunnerTest, EnterWalksThePageAndEndsItAfterTheLastCell) {
  LoadFixture();
  model.Page(1).pageLinkedPage = 0;
  // Down on the last cell stays; Enter there ends the page.
  Keys({kKeyEnter, kKeyEnter, kKeyEnter, kKeyEnter, kKeyDown, kLook, kKeyEnter});
  EXPECT_EQ(Run(1), kKeyEnter);
  EXPECT_EQ(CellAt(0), 5);
  EXPECT_EQ(formModified, 0);  // blank answers kept the old values
  EXPECT_EQ(Value(1, 4), "ABC");
  EXPECT_EQ(console.RowText(5).substr(0, 15), "Nom: Anna      ");
  EXPECT_EQ(console.RowText(9).substr(0, 8), "IVA: No ");
}

TEST_F(FormRunnerTest, TheLinkedPageIsASubFormAndPageDownLeavesTheWayBackIntoIt) {
  LoadFixture();
  SetValue(2, 1, "abcdefghijkl");
  // Enter on the last cell runs page 2; Esc there comes back to the same cell.
  Keys({kKeyEnter, kKeyEnter, kKeyEnter, kKeyEnter, kKeyEnter, kLook, kKeyEsc, kLook});
  // Again, and Page Down on page 2's last cell ends both pages.
  Keys({kKeyEnter, kKeyEnter, kKeyPageDown});
  EXPECT_EQ(Run(1, 0, -1), kKeyPageDown);
  EXPECT_EQ(runner.TargetPage, 2);
  ASSERT_EQ(looks.taken.size(), 2u);
  const Look& inside = looks.taken[0];
  EXPECT_EQ(inside.Row(10).substr(19, 51), "\xc9" + std::string(49, '\xcd') + "\xbb");
  EXPECT_EQ(inside.Row(12).substr(20, 13), " Notes: abcd ");
  EXPECT_EQ(inside.Row(13).substr(28, 5), "efgh ");
  EXPECT_EQ(inside.Row(14).substr(28, 5), "ijkl ");
  EXPECT_EQ(inside.row, 12);
  EXPECT_EQ(inside.column, 29);
  EXPECT_EQ(CellAt(1), 5);
  EXPECT_EQ(looks.taken[1].Row(10), console.RowText(10));  // the window is gone

  // The next run of page 1 goes straight into page 2. Page Up there, with no page before, stays;
  // Up on its first cell returns Esc to page 1, which starts on its first cell.
  Keys({kLook, kKeyPageUp, kKeyUp, kLook, kKeyEsc});
  EXPECT_EQ(Run(1, 0, -1), kKeyEsc);
  EXPECT_EQ(looks.taken[2].row, 12);
  EXPECT_EQ(CellAt(3), 1);
  EXPECT_EQ(runner.TargetPage, 0);
}

TEST_F(FormRunnerTest, PageKeysAtTheEdges) {
  struct Case {
    const char* what;
    std::int16_t allowUp, allowDown;
    std::vector<std::uint16_t> keys;
    std::int16_t wantKey;
    std::int16_t wantTarget;
  } cases[] = {
      {"page up on the first cell, nothing before", 0, -1, {kKeyPageUp, kKeyEsc}, kKeyEsc, 0},
      {"page up on the first cell", -1, 0, {kKeyPageUp}, kKeyPageUp, 1},
      {"page up from a later cell goes to the first",
       -1,
       0,
       {kKeyDown, kKeyDown, kKeyPageUp, kKeyPageUp},
       kKeyPageUp,
       1},
      {"page down goes to the last cell, then leaves",
       0,
       -1,
       {kKeyPageDown, kKeyPageDown},
       kKeyPageDown,
       1},
      {"page down on the last cell, nothing after",
       0,
       0,
       {kKeyPageDown, kKeyPageDown, kKeyEsc, kKeyEsc},
       kKeyEsc,
       0},
  };
  for (const Case& c : cases) {
    LoadFixture();
    model.Page(1).pageLinkedPage = 0;
    runner.TargetPage = 0;
    Keys(c.keys);
    EXPECT_EQ(Run(1, c.allowUp, c.allowDown), c.wantKey) << c.what;
    EXPECT_EQ(runner.TargetPage, c.wantTarget) << c.what;
  }
}

TEST_F(FormRunnerTest, EscGoesToTheFirstCellAndAsksBeforeLeavingAChange) {
  LoadFixture();
  // Unchanged: Esc from the third cell goes to the first, Esc there ends the page.
  Keys({kKeyEnter, kKeyEnter, kKeyEsc, kLook, kKeyEsc});
  EXPECT_EQ(Run(1), kKeyEsc);
  EXPECT_EQ(CellAt(0), 1);

  // Changed: the question comes, preset to N; N goes back to the first cell, S leaves.
  looks.taken.clear();
  Keys({kKeyCtrlY});
  Type("Berta");
  Keys({kKeyEnter, kKeyEsc, kKeyEsc, kLook, kKeyEnter, kLook, kKeyEsc, 's', kKeyEnter});
  EXPECT_EQ(Run(1), kKeyEsc);
  EXPECT_EQ(formModified, -1);
  EXPECT_EQ(Value(1, 1), "Berta     ");
  EXPECT_EQ(Value(3, 1), "S");
  ASSERT_EQ(looks.taken.size(), 2u);
  EXPECT_EQ(looks.taken[0].Row(20).substr(9, 20), "\xba  Sortir?\x11No\x10      ");
  EXPECT_EQ(CellAt(1), 1);
  EXPECT_EQ(console.RowText(20), looks.taken[1].Row(20));  // the question's window is gone
}

TEST_F(FormRunnerTest, ANumericCellTakesDigitsAndBlanksOnly) {
  struct Case {
    std::string typed;
    int wantBeeps;
    std::string wantValue;
  } cases[] = {
      {"12a", 1, "7   "},  // refused, then corrected to 7
      {"1 2", 0, "1 2 "}, {"-5", 1, "7   "}, {"3.5", 1, "7   "}, {"", 0, "    "},
  };
  for (const Case& c : cases) {
    LoadFixture();
    const int beeps = console.beeps();
    formModified = 0;
    Keys({kKeyEnter, kKeyCtrlY});
    Type(c.typed);
    Keys({kKeyEnter});
    // A refused value is edited again as it was typed: the cursor goes back to the start.
    if (c.wantBeeps > 0) {
      Keys({kLook, kKeyCtrlY, '7', kKeyEnter});
    }
    Keys({kKeyEsc, kKeyEsc, 's', kKeyEnter});
    EXPECT_EQ(Run(1), kKeyEsc) << c.typed;
    EXPECT_EQ(console.beeps() - beeps, c.wantBeeps) << c.typed;
    EXPECT_EQ(Value(1, 2), c.wantValue) << c.typed;
    if (c.wantBeeps > 0) {
      std::string shown = c.typed;
      shown.resize(4, ' ');
      EXPECT_EQ(looks.taken.back().Row(6).substr(11, 4), shown) << c.typed;
    }
  }
}

TEST_F(FormRunnerTest, ACellEnteredAfreshKeepsItsValueOnABlankAnswer) {
  LoadFixture();
  Keys({kKeyDown, kKeyDown, kKeyDown, kLook, kKeyEnter, kKeyUp, kKeyEsc, kKeyEsc});
  EXPECT_EQ(Run(1), kKeyEsc);
  EXPECT_EQ(looks.taken[0].Row(8).substr(6, 3), "   ");  // edited from blanks
  EXPECT_EQ(Value(1, 4), "ABC");
  EXPECT_EQ(formModified, 0);
  EXPECT_EQ(console.RowText(8).substr(6, 3), "ABC");

  Keys({kKeyDown, kKeyDown, kKeyDown, 'X', 'Y', kKeyEnter, kKeyEsc, kKeyEsc, 's', kKeyEnter});
  EXPECT_EQ(Run(1), kKeyEsc);
  EXPECT_EQ(Value(1, 4), "XY ");
  EXPECT_EQ(formModified, -1);
}

TEST_F(FormRunnerTest, AMaskedCellNeverShowsItsValue) {
  LoadFixture();
  Keys({kKeyDown, kKeyDown});
  Type("secret");
  Keys({kLook, kKeyEnter, kLook, kKeyEsc, kKeyEsc, 's', kKeyEnter});
  EXPECT_EQ(Run(1), kKeyEsc);
  EXPECT_EQ(Value(1, 3), "secret");
  EXPECT_EQ(looks.taken[0].Row(7).substr(6, 6), "XXXXXX");
  for (const Look& look : looks.taken) {
    EXPECT_EQ(look.screen.find("secret"), std::string::npos);
  }
  EXPECT_EQ(console.ScreenText().find("secret"), std::string::npos);
}

TEST_F(FormRunnerTest, F1ShowsTheSessionsHelpTopicOrNothing) {
  LoadFixture();
  // Without a topic nothing opens and the cell is edited again.
  Keys({kKeyF1, kLook, kKeyEsc});
  EXPECT_EQ(Run(1), kKeyEsc);
  EXPECT_EQ(CellAt(0), 1);
  const std::string before = console.ScreenText();

  // With one the help viewer takes the next Esc, and gives the screen back.
  session.HelpTopic = "ZCONCTAB  ";
  Keys({kKeyF1, kKeyEsc, kKeyEsc});
  EXPECT_EQ(Run(1), kKeyEsc);
  EXPECT_EQ(console.ScreenText(), before);
}

TEST_F(FormRunnerTest, F4OpensTheLookupAndACancelledLookupRefusesTheValue) {
  LoadFixture();
  // No pick list wired: cancelled. The value typed so far is edited again.
  Keys({kKeyDown, kKeyDown, kKeyDown, 'Z', kKeyF4, kLook, kKeyEnter, kKeyEsc, kKeyEsc, 's',
        kKeyEnter});
  EXPECT_EQ(Run(1), kKeyEsc);
  EXPECT_EQ(console.beeps(), 1);
  EXPECT_EQ(Value(1, 4), "Z  ");
  EXPECT_EQ(looks.taken[0].Row(8).substr(6, 3), "Z  ");

  // A pick moves on to the next cell. The list brackets its own exit keys in the one save slot;
  // the cell's keys are in force again afterwards (Down is one of them, not one of the caller's).
  std::vector<std::int16_t> lookups;
  std::int16_t outcome = -1;
  runner.BrowseList = [&](std::int16_t lookup) {
    lookups.push_back(lookup);
    SetExitKeys(exitKeys, "+ea", "d,1b");
    SetExitKeys(exitKeys, "-", "");
    return outcome;
  };
  SetExitKeys(exitKeys, "ea", "1b");
  looks.taken.clear();
  formModified = 0;
  Keys({kKeyDown, kKeyDown, kKeyDown, kKeyF4, kKeyDown, kLook});  // cancelled, then Down
  Keys({kKeyUp, kLook, kKeyEsc, kKeyEsc});
  EXPECT_EQ(Run(1), kKeyEsc);
  EXPECT_EQ(CellAt(0), 5);
  EXPECT_EQ(CellAt(1), 4);
  outcome = 0;
  Keys({kKeyDown, kKeyDown, kKeyDown, kKeyF4, kLook, kKeyEsc, kKeyEsc});
  EXPECT_EQ(Run(1), kKeyEsc);
  EXPECT_EQ(CellAt(2), 5);
  EXPECT_EQ(lookups, (std::vector<std::int16_t>{1, 1}));
  EXPECT_EQ(exitKeys.ExitKeys, (std::vector<std::int16_t>{27}));
}

TEST_F(FormRunnerTest, ClicksMoveToTheCellUnderThem) {
  LoadFixture();
  model.Cell(1, 2).cellFlags = kFlagPassedOver;
  Click(8, 2);  // the label of cell 4
  Keys({kLook});
  Click(6, 13);  // cell 2, passed over: nothing
  Keys({kLook});
  Click(9, 8);  // the pad of cell 5
  Keys({kLook});
  Click(24, 40);  // no cell
  Keys({kLook, kKeyEsc, kKeyEsc});
  EXPECT_EQ(Run(1), kKeyEsc);
  ASSERT_EQ(looks.taken.size(), 4u);
  EXPECT_EQ(CellAt(0), 4);
  EXPECT_EQ(CellAt(1), 4);
  EXPECT_EQ(CellAt(2), 5);
  EXPECT_EQ(CellAt(3), 5);
}

TEST_F(FormRunnerTest, ClicksInAWindowCountFromItsCorner) {
  LoadFixture();
  // Page 2 at rows 10-16, columns 20-70: Notes on window rows 2-4, Final on row 5.
  Keys({kKeyEnter, kKeyEnter, kKeyEnter, kKeyEnter, kKeyF2});
  Click(15, 22);  // Final's label
  Keys({kLook});
  Click(14, 31);  // the third line of Notes
  Keys({kLook, kKeyEsc, kKeyEsc, kKeyEsc});
  EXPECT_EQ(Run(1), kKeyEsc);
  ASSERT_EQ(looks.taken.size(), 2u);
  EXPECT_EQ(looks.taken[0].row, 15);
  EXPECT_EQ(looks.taken[0].column, 29);
  EXPECT_EQ(looks.taken[1].row, 12);
}

TEST_F(FormRunnerTest, APageWithoutUsableCellsReturnsTheKeyItWasGiven) {
  LoadFixture();
  for (int c = 1; c <= 5; ++c) model.Cell(1, c).cellFlags = kFlagPassedOver;
  struct Case {
    std::int16_t given, modified;
    std::vector<std::uint16_t> keys;
  } cases[] = {
      {kKeyEnter, 0, {}},
      {kKeyEsc, 0, {}},
      {kKeyEsc, -1, {kKeyEnter, 's', kKeyEnter}},  // asked until S
  };
  for (const Case& c : cases) {
    formModified = c.modified;
    Keys(c.keys);
    std::int16_t key = c.given;
    RunForm(runner, 1, 0, 0, key);
    EXPECT_EQ(key, c.given);
    EXPECT_EQ(console.PendingEvents(), 0u) << c.given;
  }
}

TEST_F(FormRunnerTest, ATargetPageThatCannotBeReachedIsForgotten) {
  LoadFixture();
  runner.TargetPage = 3;
  Keys({kLook, kKeyEsc});
  EXPECT_EQ(Run(1), kKeyEsc);
  EXPECT_EQ(runner.TargetPage, 0);
  EXPECT_EQ(CellAt(0), 1);
}

TEST(CheckNumberText, AllowsWhatItIsToldTo) {
  struct Case {
    std::string text, allowed;
    std::int16_t want;
  } cases[] = {
      {"", "", 0},      {"   ", "", 0},   {"12", "", 0},     {" 1 2 ", "", 0},  {"12a", "", -1},
      {"-1", "", -1},   {"1.5", "", -1},  {"-1", "-", 0},    {"+1", "+", 0},    {"1-", "-", -1},
      {"--1", "-", -1}, {".5", ".", 0},   {"1.5.", ".", -1}, {"-.5", "+-.", 0}, {".-5", "-.", -1},
      {"1,5", ".", -1}, {"\x82", "", -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckNumberText(c.text, c.allowed), c.want)
        << "'" << c.text << "' '" << c.allowed << "'";
  }
}

TEST_F(FormRunnerTest, AcceptValueStoresFittedValuesAndCountsOnlyRealChanges) {
  LoadFixture();
  struct Case {
    int cell;
    std::string text;
    std::int16_t want;
    std::string stored;
    std::int16_t modified;
  } cases[] = {
      {1, "Anna      ", 0, "Anna      ", 0},
      {1, "Anna", 0, "Anna      ", 0},
      {1, "Alexandra Maria", 0, "Alexandra ", -1},
      {2, "9x  ", -1, "12  ", 0},
      {2, " 9  ", 0, " 9  ", -1},
  };
  for (const Case& c : cases) {
    formModified = 0;
    EXPECT_EQ(AcceptValue(runner, 1, c.text, static_cast<std::int16_t>(c.cell), kKeyEnter), c.want)
        << c.text;
    EXPECT_EQ(Value(1, c.cell), c.stored) << c.text;
    EXPECT_EQ(formModified, c.modified) << c.text;
  }
  EXPECT_EQ(console.RowText(6).substr(11, 4), " 9  ");
}

// Page 1 of the default form, as the page loop shows the fixed concepts.
class DefaultFormTest : public FormRunnerTest {
 protected:
  void LoadDefaultForm() {
    root.Write("FORMS/ZCONCTAB.KFM", SourceFile("data/root/FORMS/ZCONCTAB.KFM"));
    root.Write("LOCALE/ZCONCTAB.LNG", SourceFile("data/root/LOCALE/ZCONCTAB.LNG"));
    const FormLoad load = LoadForm(session, "ZCONCTAB", model);
    ASSERT_TRUE(load.ok()) << load.message;
    for (int row = 0; row < 10; ++row) {
      const std::string code = row + 1 < 10 ? " " + std::to_string(row + 1) : "10";
      const std::string name = row == 0 ? "Lloguers" : row == 1 ? "Vendes" : "";
      const std::string values[6] = {code, name, "S", "S", "S", "9"};
      for (int i = 0; i < 6; ++i) SetValue(1, row * 6 + i + 1, values[i]);
    }
    model.Page(1).pageCellCount = 60;
  }

  static std::string SourceFile(std::string_view relative) {
    std::ifstream in(std::string(ZC_SOURCE_DIR) + "/" + std::string(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(DefaultFormTest, TypingMovingAndLeavingWithTheQuestion) {
  LoadDefaultForm();
  // Row 1: a new name, VAT to No with the arrow, on to the type with Down, 7 there.
  Keys({kKeyCtrlY});
  Type("Arrendaments");
  Keys({kKeyEnter, kKeyRight, kKeyEnter, kKeyDown, kKeyUp, kKeyDown, kKeyDown, kLook, '7',
        kKeyEnter});
  // Enter passes over row 2's code to its name; row 3's name is blank, so Down from row 2's
  // type passes over row 3's code, flags and type; a name there brings its cells back.
  Keys({kLook, kKeyEnter, kKeyEnter, kKeyEnter, kKeyEnter, kKeyEnter, kLook});
  Type("Comissions");
  Keys({kKeyEnter, kLook});
  // Esc goes to row 1's name; Esc there asks; N stays, and S leaves.
  Keys({kKeyEsc, kKeyEsc, kLook, kKeyEnter, kLook, kKeyEsc, 'S', kKeyEnter});
  EXPECT_EQ(Run(1, 0, -1), kKeyEsc);

  EXPECT_EQ(Value(1, 2), "Arrendaments        ");
  EXPECT_EQ(Value(1, 3), "N");
  EXPECT_EQ(Value(1, 4), "S");
  EXPECT_EQ(Value(1, 6), "7");
  EXPECT_EQ(Value(1, 14), "Comissions          ");
  EXPECT_EQ(Value(2, 1), "S");
  EXPECT_EQ(formModified, -1);

  ASSERT_EQ(looks.taken.size(), 6u);
  const auto at = [&](std::size_t i) {
    return std::make_pair(looks.taken[i].row, looks.taken[i].column);
  };
  EXPECT_EQ(at(0), std::make_pair(4, 57));  // row 1's type
  EXPECT_EQ(at(1), std::make_pair(5, 9));   // row 2's name
  EXPECT_EQ(at(2), std::make_pair(6, 9));   // row 3's name, its flags passed over
  EXPECT_EQ(looks.taken[2].Row(6).substr(29, 28), "---    ---        ---      -");
  EXPECT_EQ(at(3), std::make_pair(6, 30));  // row 3's VAT, back in use
  EXPECT_EQ(looks.taken[3].Row(6), Row({{6, " 3"},
                                        {9, "Comissions"},
                                        {29, "\x11S\xa1\x10"},
                                        {37, "S\xa1"},
                                        {48, "S\xa1"},
                                        {57, "9"}}));
  EXPECT_EQ(looks.taken[4].Row(12).substr(9, 44),
            "\xba  Voleu sortir sense desar els canvis?\x11No\x10 ");
  EXPECT_EQ(at(5), std::make_pair(4, 9));  // N: back on row 1's name

  EXPECT_EQ(
      console.RowText(4),
      Row({{6, " 1"}, {9, "Arrendaments"}, {30, "No"}, {37, "S\xa1"}, {48, "S\xa1"}, {57, "7"}}));
  EXPECT_EQ(
      console.RowText(6),
      Row({{6, " 3"}, {9, "Comissions"}, {30, "S\xa1"}, {37, "S\xa1"}, {48, "S\xa1"}, {57, "9"}}));
}

TEST_F(DefaultFormTest, AnEmptiedNameSwitchesItsRowOffAndTheCursorPassesOverIt) {
  LoadDefaultForm();
  Keys({kKeyCtrlY, kKeyEnter, kLook, kKeyUp, kLook, kKeyEsc, 's', kKeyEnter});
  EXPECT_EQ(Run(1, 0, -1), kKeyEsc);
  EXPECT_EQ(Value(1, 2), std::string(20, ' '));
  EXPECT_EQ(Value(1, 3), "S");  // the values stay; only the screen shows dashes
  EXPECT_EQ(formModified, -1);
  ASSERT_EQ(looks.taken.size(), 2u);
  EXPECT_EQ(looks.taken[0].row, 5);  // Enter went on to row 2's name
  EXPECT_EQ(looks.taken[0].Row(4),
            Row({{6, " 1"}, {30, "---"}, {37, "---"}, {48, "---"}, {57, "-"}}));
  EXPECT_EQ(looks.taken[1].row, 4);  // Up came back over the four switched-off cells
  for (int c = 3; c <= 6; ++c) EXPECT_NE(model.Cell(1, c).cellFlags & kFlagPassedOver, 0) << c;
}

}  // namespace
}  // namespace form
