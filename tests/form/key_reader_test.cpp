#include "form/key_reader.h"

#include <gtest/gtest.h>

#include "platform/virtual_console.h"

namespace form {
namespace {

using platform::InputEvent;
using platform::kLeftAlt;
using platform::kLeftCtrl;
using platform::kRightAlt;
using platform::kRightCtrl;
using platform::kShiftPressed;

class KeyReaderTest : public ::testing::Test {
 protected:
  std::int16_t Key() { return ReadKey(console, state).key; }

  platform::VirtualConsole console{25, 80};
  KeyReaderState state;
};

TEST_F(KeyReaderTest, TypeAheadComesFirstAndTouchesNothingElse) {
  state.TypeAhead = "1\x82";
  EXPECT_EQ(Key(), 49);
  EXPECT_EQ(Key(), 0x82);  // a character above 127 keeps its code
  EXPECT_EQ(state.MouseState, kMouseNotAsked);
  EXPECT_FALSE(console.RanDry());
}

TEST_F(KeyReaderTest, GivesModifiedFunctionKeysTheirCodes) {
  struct Case {
    std::uint16_t code, state;
    std::int16_t key;
  } cases[] = {
      {0x3B00, kLeftCtrl, 0x5E00},
      {0x4400, kLeftAlt, 0x7100},
      {0x4400, kRightAlt, 0x7100},
      {0x8600, kShiftPressed, static_cast<std::int16_t>(0x8800)},
      {0x3B00, kShiftPressed, 0x5400},
      {0x3E00, kRightCtrl, 0x6100},
      {0x3E00, kRightAlt, 0x6B00},
      {0x8500, kLeftCtrl, static_cast<std::int16_t>(0x8900)},
      {0x8500, kRightAlt, static_cast<std::int16_t>(0x8B00)},
      {0x4700, kLeftCtrl, 0x7700},
      {0x4D00, kRightCtrl, 0x7400},
      {0x4B00, kLeftCtrl, 0x7300},
      {0x4F00, kLeftCtrl, 0x4F00},
      {0x4800, kShiftPressed, 0x4800},
      {0x4900, kLeftCtrl, 0x4900},
      {0x3B00, kLeftCtrl | kShiftPressed, 0x5E00},  // Ctrl before Shift
      {0x4700, kRightAlt | kRightCtrl, 0x7700},     // Alt has no Home: Ctrl's applies
      {0x1200, kRightAlt, 213},                     // Alt+E
      {'a', kShiftPressed, 'a'},
  };
  for (const Case& c : cases) {
    console.PushKey(c.code, c.state);
    EXPECT_EQ(Key(), c.key) << std::hex << c.code << " state " << c.state;
  }
}

TEST_F(KeyReaderTest, ComposesAltKeypadCharacters) {
  struct Case {
    std::vector<std::uint16_t> keypad;
    std::int16_t key;
  } cases[] = {
      {{0x4F00, 0x4900, 0x4D00}, 196},  // 1, 9, 6
      {{0x5100, 0x5200, 0x5200}, 44},   // 300 modulo 256
      {{0x4F00, 0x5200, 0x5200, 0x5200}, 232},
  };
  for (const Case& c : cases) {
    console.PushKey(0, kLeftAlt);  // Alt pressed, where the terminal reports it
    for (std::uint16_t code : c.keypad) console.PushKey(code, kLeftAlt);
    console.PushKey(0, 0);  // Alt released
    console.PushKey('z');
    EXPECT_EQ(Key(), c.key);
    EXPECT_EQ(Key(), 'z');  // the release ended the composition, the key after it is kept
  }
}

TEST_F(KeyReaderTest, WithoutAReleaseTheNextKeyEndsTheCompositionAndIsDropped) {
  console.PushKey(0x4F00, kLeftAlt);
  console.PushKey(0x4900, kLeftAlt);
  console.PushKey(0x4D00, kLeftAlt);
  console.PushKey('z');
  console.PushKey('y');
  EXPECT_EQ(Key(), 196);
  EXPECT_EQ(Key(), 'y');
}

TEST_F(KeyReaderTest, AltWithAnotherKeyIsThatKey) {
  console.PushKey(0, kLeftAlt);
  console.PushKey(0x2100, kLeftAlt);  // Alt+F
  EXPECT_EQ(Key(), 0x2100);
  console.PushKey(0x3B00, kLeftAlt);  // Alt+F1 ends a composition that has no digits
  EXPECT_EQ(Key(), 0x6800);
  console.PushKey(0x4700, kRightAlt);  // only the left Alt composes
  EXPECT_EQ(Key(), 0x4700);
}

class CountingPopups : public PopupHooks {
 public:
  explicit CountingPopups(KeyReaderState& state) : state_(state) {}
  std::string ShowCalculator() override {
    ++calculators;
    openWhileShown = state_.CalculatorOpen;
    return "12";
  }
  std::string ShowCalendar() override {
    ++calendars;
    openWhileShown = state_.CalendarOpen;
    return "01/02";
  }
  int calculators = 0;
  int calendars = 0;
  std::int16_t openWhileShown = 0;

 private:
  KeyReaderState& state_;
};

TEST_F(KeyReaderTest, AltXAndAltCOpenTheirPopupsAndTypeTheResult) {
  CountingPopups popups(state);
  state.Popups = &popups;
  console.PushKey(0x2D00, kLeftAlt);
  EXPECT_EQ(Key(), 0x2D00);
  EXPECT_EQ(popups.calculators, 1);
  EXPECT_NE(popups.openWhileShown, 0);
  EXPECT_EQ(state.CalculatorOpen, 0);
  EXPECT_EQ(Key(), '1');
  EXPECT_EQ(Key(), '2');

  console.PushKey(0x2E00, kLeftAlt);
  EXPECT_EQ(Key(), 0x2E00);
  EXPECT_EQ(popups.calendars, 1);
  EXPECT_EQ(state.TypeAhead, "01/02");
}

TEST_F(KeyReaderTest, APopupDoesNotOpenInsideItself) {
  CountingPopups popups(state);
  state.Popups = &popups;
  state.CalculatorOpen = -1;
  console.PushKey(0x2D00, kLeftAlt);
  EXPECT_EQ(Key(), 0x2D00);
  EXPECT_EQ(popups.calculators, 0);
  EXPECT_EQ(state.TypeAhead, "");
}

TEST_F(KeyReaderTest, UnwiredPopupsOpenNothing) {
  console.PushKey(0x2E00, kLeftAlt);
  EXPECT_EQ(Key(), 0x2E00);
  EXPECT_EQ(state.TypeAhead, "");
  EXPECT_EQ(state.CalendarOpen, 0);
}

TEST_F(KeyReaderTest, MouseReportingIsOnOnlyWhileAReadWaits) {
  EXPECT_FALSE(console.mouseReporting());
  console.PushEvent(InputEvent::Mouse(platform::kMouseMoved, 0, 3, 3));
  console.PushKey('a');
  EXPECT_EQ(Key(), 0);
  EXPECT_TRUE(console.mouseReporting());  // a move is no key: still waiting for one
  EXPECT_EQ(Key(), 'a');
  EXPECT_FALSE(console.mouseReporting());
  EXPECT_EQ(state.MouseState, kMouseQuiet);
  console.PushKey(0x8500);  // F11 reads as a negative code, and is a key all the same
  EXPECT_EQ(Key(), static_cast<std::int16_t>(0x8500));
  EXPECT_FALSE(console.mouseReporting());
}

TEST_F(KeyReaderTest, ReportsReleasesOfTheLeftAndRightButtons) {
  console.PushEvent(InputEvent::Mouse(platform::kMousePressed, platform::kButtonRight, 5, 10));
  console.PushEvent(InputEvent::Mouse(platform::kMouseReleased, platform::kButtonMiddle, 5, 10));
  console.PushEvent(InputEvent::Mouse(platform::kMouseReleased, platform::kButtonRight, 5, 10));
  console.PushEvent(InputEvent::Mouse(platform::kMouseReleased, platform::kButtonLeft, 25, 80));
  EXPECT_EQ(WaitKey(console, state), 2693);  // 10 x 256 + 2 x 64 + 5
  EXPECT_FALSE(console.mouseReporting());
  EXPECT_EQ(WaitKey(console, state), 80 * 256 + 64 + 25);
}

TEST_F(KeyReaderTest, ClickCodesWrapAt16Bits) {
  console.PushEvent(InputEvent::Mouse(platform::kMouseReleased, platform::kButtonRight, 99, 200));
  EXPECT_EQ(WaitKey(console, state), static_cast<std::int16_t>(200 * 256 + 128 + 99));
}

TEST_F(KeyReaderTest, WithoutAMouseClicksAreNoKeys) {
  console.SetMouseButtons(0);
  console.PushEvent(InputEvent::Mouse(platform::kMouseReleased, platform::kButtonLeft, 5, 10));
  console.PushKey(13);
  const KeyRead read = ReadKey(console, state);
  EXPECT_EQ(read.key, 0);
  EXPECT_EQ(read.button, 0);
  EXPECT_EQ(state.MouseState, kNoMouse);
  EXPECT_FALSE(console.mouseReporting());
  EXPECT_EQ(WaitKey(console, state), 13);
}

}  // namespace
}  // namespace form
