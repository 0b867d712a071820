#include "form/field_editor.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "form/key_codes.h"
#include "platform/virtual_console.h"

namespace form {
namespace {

using platform::InputEvent;

constexpr std::uint8_t kFieldAttribute = 0x31;  // style 4 under the fixture's palette
constexpr std::uint8_t kStyle0Attribute = 0x0F;

std::string Hex(std::int16_t key) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04x", static_cast<std::uint16_t>(key));
  return buffer;
}

class FieldEditorTest : public ::testing::Test {
 protected:
  FieldEditorTest() { session.StylePalette = {{{15, 0}, {7, 1}, {0, 7}, {14, 4}, {1, 3}}}; }

  void Keys(const std::vector<std::uint16_t>& keys) {
    for (std::uint16_t k : keys) console.PushKey(k);
  }
  void Click(int row, int column, std::uint8_t button = platform::kButtonLeft) {
    console.PushEvent(InputEvent::Mouse(platform::kMouseReleased, button, row, column));
  }
  // Edits at row 5, column 10 of the screen, like a field of a page without a window.
  std::int16_t Edit(std::string& text, std::int16_t& pos, std::int16_t width = 0) {
    return EditField(editor, 5, 10, width, text, pos);
  }
  std::string Screen(int row, int column, int length) const {
    return console.RowText(row).substr(static_cast<std::size_t>(column - 1),
                                       static_cast<std::size_t>(length));
  }

  frame::Session session;
  platform::VirtualConsole console{25, 80};
  platform::MapEnvironment environment;
  screen::Screen screen{console, session, environment};
  KeyReaderState keyReader;
  ExitKeySet exitKeys;
  text::TextSettings textSettings;
  FieldEditor editor{screen, keyReader, exitKeys, textSettings};
};

TEST_F(FieldEditorTest, TextFieldKeys) {
  struct Case {
    const char* what;
    std::string text;
    std::int16_t pos;
    bool insert;
    std::vector<std::uint16_t> keys;  // Esc, the one exit key, is added
    std::string wantText;
    std::int16_t wantPos;
  } cases[] = {
      {"insert at 1", "AB  ", 1, true, {'X'}, "XAB ", 2},
      {"insert into a full field", "XYAB", 1, true, {'Z'}, "XYAB", 1},
      {"insert at n+1", "AB  ", 5, true, {'Z'}, "AB  ", 5},
      {"overwrite", "ABCD", 2, false, {'x'}, "AxCD", 3},
      {"overwrite at n+1", "ABCD", 5, false, {'Z'}, "ABCD", 5},
      {"overwrite accented",
       "ABCD",
       1,
       false,
       {0x82, 0xFE},
       "\x82\xFE"
       "CD",
       3},
      {"control bytes are not typed", "ABCD", 1, false, {1, 0x7F, 0xFF}, "ABCD", 1},
      {"backspace", "ABCD", 3, false, {kKeyBackspace}, "ACD ", 2},
      {"backspace at 1", "ABCD", 1, false, {kKeyBackspace}, "ABCD", 1},
      {"delete", "ABCD", 2, false, {kKeyDelete}, "ACD ", 2},
      {"delete at n+1", "ABCD", 5, false, {kKeyDelete}, "ABCD", 5},
      {"end after text", "AB  ", 1, false, {kKeyEnd}, "AB  ", 3},
      {"end on blanks", "    ", 3, false, {kKeyEnd}, "    ", 1},
      {"home", "ABCD", 4, false, {kKeyHome}, "ABCD", 1},
      {"left stops at 1", "AB", 1, false, {kKeyLeft}, "AB", 1},
      {"right stops at n+1", "AB", 2, false, {kKeyRight, kKeyRight}, "AB", 3},
      {"ctrl+y", "ABCD", 3, false, {kKeyCtrlY}, "    ", 1},
      {"ctrl+home", "ABCD", 3, false, {kKeyCtrlHome}, "    ", 1},
      {"ctrl+left from the end", "ab cd ef", 9, false, {kKeyCtrlLeft}, "ab cd ef", 7},
      {"ctrl+left over a blank", " abc", 4, false, {kKeyCtrlLeft}, " abc", 2},
      {"ctrl+left to 1", "abc", 3, false, {kKeyCtrlLeft}, "abc", 1},
      {"ctrl+left over separators", "ab.; cd", 6, false, {kKeyCtrlLeft}, "ab.; cd", 1},
      {"ctrl+left without a word", "   x", 3, false, {kKeyCtrlLeft}, "   x", 1},
      {"ctrl+right to a word", "ab, cd", 1, false, {kKeyCtrlRight}, "ab, cd", 5},
      {"ctrl+right to the end", "ab, cd", 5, false, {kKeyCtrlRight}, "ab, cd", 7},
      {"start clamped low", "ABCD", 0, false, {'x'}, "xBCD", 2},
      {"start clamped high", "ABCD", 9, false, {kKeyBackspace}, "ABC ", 4},
      {"insert toggled on", "AB  ", 1, false, {kKeyInsert, 'X'}, "XAB ", 2},
      {"insert toggled off", "AB  ", 1, true, {kKeyInsert, 'X'}, "XB  ", 2},
  };
  SetExitKeys(exitKeys, "a", "1b");
  for (const Case& c : cases) {
    console.SetInsertToggle(c.insert);
    Keys(c.keys);
    console.PushKey(kKeyEsc);
    std::string text = c.text;
    std::int16_t pos = c.pos;
    EXPECT_EQ(Edit(text, pos), kKeyEsc) << c.what;
    EXPECT_EQ(text, c.wantText) << c.what;
    EXPECT_EQ(pos, c.wantPos) << c.what;
    EXPECT_EQ(console.PendingEvents(), 0u) << c.what;
  }
}

TEST_F(FieldEditorTest, TheExitKeySetDecidesWhichKeysEndTheEdit) {
  struct Case {
    const char* what;
    std::string exitList;  // "" leaves the set empty
    std::vector<std::uint16_t> keys;
    std::int16_t want;
  } cases[] = {
      {"empty set: unhandled key as is", "", {0x3F00}, 0x3F00},
      {"empty set: shift+tab is up", "", {kKeyShiftTab}, kKeyUp},
      {"empty set: tab is enter", "", {kKeyTab}, kKeyEnter},
      {"empty set: ctrl+f4 is esc", "", {kKeyCtrlF4}, kKeyEsc},
      {"empty set: alt+f4 is esc", "", {kKeyAltF4}, kKeyEsc},
      {"up on one line ends", "", {kKeyUp}, kKeyUp},
      {"down on one line ends", "", {kKeyDown}, kKeyDown},
      {"ctrl+left at 1 ends", "", {kKeyCtrlLeft}, kKeyCtrlLeft},
      {"key not in the set is ignored", "d,1b", {kKeyPageDown, kKeyEsc}, kKeyEsc},
      {"tab with enter in the set", "d,1b", {kKeyTab}, kKeyEnter},
      {"tab with end in the set", "d,1b,4f00=2", {kKeyTab}, 2},
      {"enter with end in the set", "d,4f00=2", {kKeyEnter}, 2},
      {"result code", "1b=5", {kKeyEsc}, 5},
      {"ctrl+f4 reports esc's result", "1b=5", {kKeyCtrlF4}, 5},
      {"alt+x comes back as a key", "2d00", {0x2D00}, 0x2D00},
  };
  for (const Case& c : cases) {
    SetExitKeys(exitKeys, "e", "");
    if (!c.exitList.empty()) SetExitKeys(exitKeys, "a", c.exitList);
    Keys(c.keys);
    std::string text = "ABCD";
    std::int16_t pos = 1;
    EXPECT_EQ(Hex(Edit(text, pos)), Hex(c.want)) << c.what;
    EXPECT_EQ(console.PendingEvents(), 0u) << c.what;
  }
}

TEST_F(FieldEditorTest, AnIgnoredKeyRedrawsTheField) {
  // A pop-up that leaves its marks on the field; its key is not an exit key, so the field is
  // drawn again before the next key.
  struct Scribbler : PopupHooks {
    platform::Console* console = nullptr;
    std::string ShowCalculator() override {
      console->SetCursor(5, 10);
      console->Write("####");
      return {};
    }
  } scribbler;
  scribbler.console = &console;
  keyReader.Popups = &scribbler;
  SetExitKeys(exitKeys, "a", "1b");
  std::string text = "ABCD";
  std::int16_t pos = 1;
  Keys({0x2D00, kKeyPageDown, kKeyEsc});
  ASSERT_EQ(Edit(text, pos), kKeyEsc);
  EXPECT_EQ(Screen(5, 10, 4), "ABCD");
  EXPECT_EQ(console.AttributeAt(5, 10), kFieldAttribute);
  EXPECT_EQ(screen.CurrentStyle(), 0);
  EXPECT_EQ(console.CursorRow(), 5);
  EXPECT_EQ(console.CursorColumn(), 10);
  EXPECT_EQ(console.CursorSize(), 0);
}

TEST_F(FieldEditorTest, TheCursorShowsTheModeAndTheModeOutlivesTheField) {
  std::string text = "AB  ";
  std::int16_t pos = 2;
  console.SetInsertToggle(false);
  // The cursor is looked at while the next key waits: observe it through a pop-up hook.
  struct Probe : PopupHooks {
    platform::Console* console = nullptr;
    std::vector<std::pair<int, int>> positions;
    std::vector<int> sizes;
    std::string ShowCalculator() override {
      positions.emplace_back(console->CursorRow(), console->CursorColumn());
      sizes.push_back(console->CursorSize());
      return {};
    }
  } probe;
  probe.console = &console;
  keyReader.Popups = &probe;
  SetExitKeys(exitKeys, "a", "1b");
  Keys({0x2D00, kKeyInsert, 0x2D00, kKeyEsc});
  ASSERT_EQ(Edit(text, pos), kKeyEsc);
  EXPECT_TRUE(console.InsertToggle());
  ASSERT_EQ(probe.sizes.size(), 2u);
  EXPECT_EQ(probe.sizes[0], 100);
  EXPECT_EQ(probe.sizes[1], 50);
  EXPECT_EQ(probe.positions[0], std::make_pair(5, 11));

  // The next field starts in insert mode.
  Keys({0x2D00, kKeyEsc});
  text = "AB  ";
  pos = 1;
  ASSERT_EQ(Edit(text, pos), kKeyEsc);
  EXPECT_EQ(probe.sizes.back(), 50);
}

TEST_F(FieldEditorTest, APopUpResultIsTypedIntoTheField) {
  struct Calculator : PopupHooks {
    std::string ShowCalculator() override { return "12"; }
  } calculator;
  keyReader.Popups = &calculator;
  SetExitKeys(exitKeys, "a", "d");
  console.SetInsertToggle(false);
  Keys({0x2D00, kKeyEnter});
  std::string text = "    ";
  std::int16_t pos = 1;
  EXPECT_EQ(Edit(text, pos), kKeyEnter);
  EXPECT_EQ(text, "12  ");
  EXPECT_EQ(Screen(5, 10, 4), "12  ");
}

TEST_F(FieldEditorTest, AMultiLineFieldIsDrawnAndWalkedByLines) {
  struct Case {
    std::int16_t pos;
    std::vector<std::uint16_t> keys;
    std::int16_t wantPos;
    std::int16_t wantKey;
  } cases[] = {
      {2, {kKeyDown, kKeyEsc}, 6, kKeyEsc},
      {9, {kKeyDown, kKeyEsc}, 13, kKeyEsc},  // n + 1 - w = 9 still moves down
      {10, {kKeyDown}, 10, kKeyDown},
      {6, {kKeyUp, kKeyEsc}, 2, kKeyEsc},
      {4, {kKeyUp}, 4, kKeyUp},
      {5, {kKeyShiftTab, kKeyEsc}, 1, kKeyEsc},
  };
  for (const Case& c : cases) {
    std::string text = "abcdefghijkl";
    std::int16_t pos = c.pos;
    Keys(c.keys);
    EXPECT_EQ(Hex(Edit(text, pos, 4)), Hex(c.wantKey)) << c.pos;
    EXPECT_EQ(pos, c.wantPos) << c.pos;
  }
  EXPECT_EQ(Screen(5, 10, 5), "abcd ");
  EXPECT_EQ(Screen(6, 10, 5), "efgh ");
  EXPECT_EQ(Screen(7, 10, 5), "ijkl ");
  EXPECT_EQ(Screen(8, 10, 5), "     ");
}

TEST_F(FieldEditorTest, TheCursorAtTheEndOfAFullLineStaysOnThatLine) {
  std::string text = "abcdefgh";
  std::int16_t pos = 9;
  struct Probe : PopupHooks {
    platform::Console* console = nullptr;
    int row = 0, column = 0;
    std::string ShowCalendar() override {
      row = console->CursorRow();
      column = console->CursorColumn();
      return {};
    }
  } probe;
  probe.console = &console;
  keyReader.Popups = &probe;
  SetExitKeys(exitKeys, "a", "1b");
  Keys({0x2E00, kKeyEsc});
  ASSERT_EQ(Edit(text, pos, 4), kKeyEsc);
  EXPECT_EQ(probe.row, 6);      // line 1, not line 2
  EXPECT_EQ(probe.column, 14);  // just after its fourth character
}

TEST_F(FieldEditorTest, ClicksInsideMoveTheCursorAndOutsideEndTheEdit) {
  std::string text = "ABCD";
  std::int16_t pos = 1;
  Click(5, 12);  // third cell of the field
  Click(6, 12);  // the line below
  EXPECT_EQ(Edit(text, pos), FieldClickCode(6, 12));
  EXPECT_EQ(pos, 3);

  Click(5, 14);  // the cell after the text: position n + 1
  Click(5, 15);
  EXPECT_EQ(Edit(text, pos), -1505);
  EXPECT_EQ(pos, 5);

  // A click outside ends the edit even when the exit-key set does not list it.
  SetExitKeys(exitKeys, "a", "d");
  Click(20, 70, platform::kButtonRight);
  EXPECT_EQ(Edit(text, pos), -7020);
}

TEST_F(FieldEditorTest, ClicksCountFromTheWindowTheFieldIsIn) {
  ASSERT_TRUE(screen.WinPush(5, 10, 15, 60));
  std::string text = "ABCD";
  std::int16_t pos = 1;
  // Field at window row 2, column 3: screen row 7, column 13.
  Click(7, 14);
  console.PushKey(kKeyEsc);
  EXPECT_EQ(EditField(editor, 2, 3, 0, text, pos), kKeyEsc);
  EXPECT_EQ(pos, 2);
  EXPECT_EQ(Screen(7, 13, 4), "ABCD");
  screen.WinPop();
}

TEST_F(FieldEditorTest, RowAndColumnZeroTakeTheCursorsPlace) {
  console.SetCursor(8, 20);
  std::string text = "AB";
  std::int16_t pos = 1;
  console.PushKey(kKeyEsc);
  ASSERT_EQ(EditField(editor, 0, 0, 0, text, pos), kKeyEsc);
  EXPECT_EQ(Screen(8, 20, 2), "AB");
  EXPECT_EQ(console.CursorRow(), 8);
  EXPECT_EQ(console.CursorColumn(), 20);
}

TEST_F(FieldEditorTest, AMaskedFieldShowsOnlyTheMask) {
  SetExitKeys(exitKeys, "h", "");
  console.SetInsertToggle(false);
  std::string text = "      ";
  std::int16_t pos = 1;
  console.PushText("secret");
  console.PushKey(kKeyCtrlC);  // the hidden text stays off the clipboard
  console.PushKey(kKeyEsc);
  console.PutClipboard("before");
  ASSERT_EQ(Edit(text, pos, 7), kKeyEsc);
  EXPECT_EQ(text, "secret");
  EXPECT_EQ(Screen(5, 10, 7), "XXXXXX ");
  EXPECT_EQ(console.GetClipboard(), "before");
}

TEST_F(FieldEditorTest, TheClipboardCarriesTrimmedText) {
  console.PutClipboard("  12 34\t");
  console.PushKey(kKeyCtrlV);
  console.PushKey(kKeyEsc);
  std::string text = "    ";
  std::int16_t pos = 1;
  ASSERT_EQ(Edit(text, pos), kKeyEsc);
  EXPECT_EQ(text, "12 3");
  EXPECT_EQ(pos, 1);
  EXPECT_EQ(Screen(5, 10, 4), "12 3");

  // Pasting from the cursor on keeps what is before it; control bytes, 127 and 255 drop out.
  console.PutClipboard("\x01x\x7Fy\xFF\x85");
  console.PushKey(kKeyCtrlV);
  console.PushKey(kKeyEsc);
  text = "abcdef";
  pos = 3;
  ASSERT_EQ(Edit(text, pos), kKeyEsc);
  EXPECT_EQ(text,
            "abxy\x85"
            "f");

  console.PushKey(kKeyCtrlC);
  console.PushKey(kKeyEsc);
  text = "  Lloguer\x82s  ";
  ASSERT_EQ(Edit(text, pos), kKeyEsc);
  EXPECT_EQ(console.GetClipboard(), "Lloguer\x82s");
}

class ChoiceFieldTest : public FieldEditorTest {
 protected:
  ChoiceFieldTest() { SetFieldChoices(editor, "|S,S\xa1|N,No"); }
};

TEST_F(ChoiceFieldTest, ArrowsAndLettersStepThroughTheOptions) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<std::uint16_t> keys;
    std::string wantText;
    std::string wantShown;
  } cases[] = {
      {"shows the option", "N", {}, "N", "No"},
      {"right", "N", {kKeyRight}, "S", "S\xa1"},
      {"right wraps", "S", {kKeyRight, kKeyRight}, "S", "S\xa1"},
      {"left wraps", "S", {kKeyLeft}, "N", "No"},
      {"space as right", "S", {kKeySpace}, "N", "No"},
      {"a letter selects", "S", {'n'}, "N", "No"},
      {"then back", "N", {kKeyRight, 'n'}, "N", "No"},
      {"no match", "S", {'x'}, "S", "S\xa1"},
      {"no code matches: the first", "Q", {}, "S", "S\xa1"},
      {"blanks count", "N ", {}, "S ", "S\xa1"},
      {"editing keys do nothing",
       "N",
       {kKeyBackspace, kKeyDelete, kKeyCtrlY, kKeyCtrlV},
       "N",
       "No"},
  };
  for (const Case& c : cases) {
    Keys(c.keys);
    console.PushKey(kKeyEsc);
    std::string text = c.text;
    std::int16_t pos = 1;
    ASSERT_EQ(Edit(text, pos), kKeyEsc) << c.what;
    EXPECT_EQ(text, c.wantText) << c.what;
    EXPECT_EQ(Screen(5, 10, 2), c.wantShown) << c.what;
  }
  EXPECT_EQ(console.AttributeAt(5, 10), kFieldAttribute);
}

TEST_F(ChoiceFieldTest, TheArrowsStandBesideTheWidestDescription) {
  SetFieldChoices(editor, "|1,Un|2,Tres|3,Cinc");
  struct Probe : PopupHooks {
    platform::VirtualConsole* console = nullptr;
    std::string row;
    int cursor = -1;
    std::string ShowCalculator() override {
      row = console->RowText(5).substr(8, 6);
      cursor = console->CursorSize();
      return {};
    }
  } probe;
  probe.console = &console;
  keyReader.Popups = &probe;
  Keys({0x2D00});
  std::string text = "1";
  std::int16_t pos = 1;
  EXPECT_EQ(Edit(text, pos), 0x2D00);
  EXPECT_EQ(probe.row, "\x11Un  \x10");
  EXPECT_EQ(probe.cursor, 0);
  // Leaving blanks the arrows and leaves the field for the caller to redraw.
  EXPECT_EQ(Screen(5, 9, 1), " ");
  EXPECT_EQ(Screen(5, 14, 1), " ");
  EXPECT_EQ(console.AttributeAt(5, 9), kStyle0Attribute);
  EXPECT_EQ(Screen(5, 10, 4), "Un  ");
}

TEST_F(ChoiceFieldTest, TheFirstLetterSearchFoldsAccentsAndWraps) {
  SetFieldChoices(editor, "|1,\x90t\x82|2,eau|3,Autre|4,\x82tang");
  textSettings.FoldSearchMode = 0;
  struct Case {
    std::string text;
    std::vector<std::uint16_t> keys;
    std::string want;
  } cases[] = {
      {"1", {'e'}, "2"},            // from the current option onwards
      {"2", {'E'}, "4"},            // an accented small letter matches a capital
      {"4", {0x90}, "1"},           // wraps to the first option
      {"3", {'a'}, "3"},            // only the current option matches: it stays
      {"1", {'e', 'e', 'e'}, "1"},  // round the list
  };
  for (const Case& c : cases) {
    Keys(c.keys);
    console.PushKey(kKeyEsc);
    std::string text = c.text;
    std::int16_t pos = 1;
    ASSERT_EQ(Edit(text, pos), kKeyEsc);
    EXPECT_EQ(text, c.want) << c.text;
    EXPECT_EQ(textSettings.FoldSearchMode, 0);
  }
}

TEST_F(ChoiceFieldTest, ClicksOnTheArrowsStepAndBetweenThemReportZero) {
  std::string text = "S";
  std::int16_t pos = 1;
  Click(5, 12);  // ► (the widest description is 2)
  console.PushKey(kKeyEsc);
  ASSERT_EQ(Edit(text, pos), kKeyEsc);
  EXPECT_EQ(text, "N");

  Click(5, 9);   // ◄
  Click(5, 11);  // between the arrows: key 0, which an empty set returns
  EXPECT_EQ(Edit(text, pos), 0);
  EXPECT_EQ(text, "S");

  SetExitKeys(exitKeys, "a", "1b");
  Click(5, 10);  // ignored by a set without 0
  Click(6, 10);  // off the field
  EXPECT_EQ(Edit(text, pos), FieldClickCode(6, 10));
}

TEST_F(ChoiceFieldTest, KeysThatMoveOnEndTheEdit) {
  for (std::int16_t key : {kKeyUp, kKeyDown, kKeyShiftTab, kKeyCtrlLeft, kKeyCtrlRight}) {
    console.PushKey(static_cast<std::uint16_t>(key));
    std::string text = "S";
    std::int16_t pos = 1;
    EXPECT_EQ(Hex(Edit(text, pos)), Hex(key == kKeyShiftTab ? kKeyUp : key));
  }
  console.PushKey(kKeyCtrlC);
  console.PushKey(kKeyEsc);
  std::string text = "N";
  std::int16_t pos = 1;
  ASSERT_EQ(Edit(text, pos), kKeyEsc);
  EXPECT_EQ(console.GetClipboard(), "No");
}

TEST_F(ChoiceFieldTest, AListWithoutOptionsEditsAsText) {
  SetFieldChoices(editor, "no options here");
  console.SetInsertToggle(false);
  Keys({'x', kKeyEsc});
  std::string text = "ab";
  std::int16_t pos = 1;
  ASSERT_EQ(Edit(text, pos), kKeyEsc);
  EXPECT_EQ(text, "xb");
}

}  // namespace
}  // namespace form
