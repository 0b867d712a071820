#include "platform/term_input.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

constexpr std::uint16_t kShift = kShiftPressed, kAlt = kLeftAlt, kCtrl = kLeftCtrl;

std::vector<InputEvent> Parse(std::string_view bytes) {
  TermInputParser parser;
  std::vector<InputEvent> events;
  parser.Feed(bytes, events);
  parser.Timeout(events);
  return events;
}

std::string Describe(const std::vector<InputEvent>& events) {
  std::string s;
  char buffer[80];
  for (const InputEvent& e : events) {
    if (e.kind == InputEvent::Kind::kKey) {
      std::snprintf(buffer, sizeof buffer, "[key %04x st %02x]", e.code, e.controlState);
    } else {
      std::snprintf(buffer, sizeof buffer, "[mouse %d b%d r%d c%d st %02x]", e.mouseKind, e.buttons,
                    e.row, e.column, e.controlState);
    }
    s += buffer;
  }
  return s;
}

struct KeyCase {
  const char* terminal;
  std::string bytes;
  std::uint16_t code;
  std::uint16_t state;
};

// Byte sequences as real terminals send them.
const KeyCase kKeyCases[] = {
    {"xterm F1", "\x1bOP", 0x3B00, 0},
    {"xterm F4", "\x1bOS", 0x3E00, 0},
    {"xterm F5", "\x1b[15~", 0x3F00, 0},
    {"xterm F10", "\x1b[21~", 0x4400, 0},
    {"xterm F11", "\x1b[23~", 0x8500, 0},
    {"xterm F12", "\x1b[24~", 0x8600, 0},
    {"xterm Shift+F12", "\x1b[24;2~", 0x8600, kShift},
    {"xterm Ctrl+F1", "\x1b[1;5P", 0x3B00, kCtrl},
    {"xterm Alt+F10", "\x1b[21;3~", 0x4400, kAlt},
    {"xterm Ctrl+Left", "\x1b[1;5D", 0x4B00, kCtrl},
    {"xterm Ctrl+Home", "\x1b[1;5H", 0x4700, kCtrl},
    {"xterm Ctrl+Shift+Right", "\x1b[1;6C", 0x4D00, kCtrl | kShift},
    {"xterm Up (cursor mode)", "\x1b[A", 0x4800, 0},
    {"xterm Up (application mode)", "\x1bOA", 0x4800, 0},
    {"xterm Home", "\x1b[H", 0x4700, 0},
    {"xterm End", "\x1b[F", 0x4F00, 0},
    {"xterm keypad 5", "\x1b[E", 0x4C00, 0},
    {"Page Up", "\x1b[5~", 0x4900, 0},
    {"Page Down", "\x1b[6~", 0x5100, 0},
    {"Insert", "\x1b[2~", 0x5200, 0},
    {"Delete", "\x1b[3~", 0x5300, 0},
    {"Shift+Tab", "\x1b[Z", 0x0F00, kShift},
    {"tmux/screen Home", "\x1b[1~", 0x4700, 0},
    {"tmux/screen End", "\x1b[4~", 0x4F00, 0},
    {"rxvt Home", "\x1b[7~", 0x4700, 0},
    {"rxvt F1", "\x1b[11~", 0x3B00, 0},
    {"rxvt Ctrl+F1", "\x1b[11^", 0x3B00, kCtrl},
    {"rxvt Shift+F3", "\x1b[25~", 0x3D00, kShift},
    {"rxvt Shift+Up", "\x1b[a", 0x4800, kShift},
    {"Linux console F1", "\x1b[[A", 0x3B00, 0},
    {"Linux console F5", "\x1b[[E", 0x3F00, 0},
    {"Linux console keypad 5", "\x1b[G", 0x4C00, 0},
    {"Alt+x", "\x1bx", 0x2D00, kAlt},
    {"Alt+c",
     "\x1b"
     "c",
     0x2E00, kAlt},
    {"Alt+e",
     "\x1b"
     "e",
     0x1200, kAlt},
    {"Alt+f",
     "\x1b"
     "f",
     0x2100, kAlt},
    {"Alt+X (shifted)", "\x1bX", 0x2D00, kAlt | kShift},
    {"Alt+1",
     "\x1b"
     "1",
     0x0200, kAlt},
    {"Alt+Up (ESC prefix)", "\x1b\x1b[A", 0x4800, kAlt},
    {"Esc alone", "\x1b", 27, 0},
    {"Enter", "\r", 13, 0},
    {"Tab", "\t", 9, 0},
    {"Backspace (DEL)", "\x7f", 8, 0},
    {"Backspace (BS)", "\x08", 8, 0},
    {"Ctrl+C", "\x03", 3, kCtrl},
    {"Ctrl+V", "\x16", 22, kCtrl},
    {"Ctrl+Y", "\x19", 25, kCtrl},
    {"a", "a", 'a', 0},
    {"c cedilla", "\xc3\xa7", 0x87, 0},
    {"n tilde capital", "\xc3\x91", 0xA5, 0},
    {"middle dot", "\xc2\xb7", 0xFA, 0},
    {"modifyOtherKeys Ctrl+Shift+a", "\x1b[27;6;65~", 1, kCtrl | kShift},
    {"modifyOtherKeys Alt+x", "\x1b[27;3;120~", 0x2D00, kAlt},
    {"kitty a", "\x1b[97u", 'a', 0},
    {"kitty Shift+a with text", "\x1b[97:65;2;65u", 'A', kShift},
    {"kitty c cedilla", "\x1b[231u", 0x87, 0},
    {"kitty Enter", "\x1b[13u", 13, 0},
    {"kitty Esc", "\x1b[27u", 27, 0},
    {"kitty Alt+x", "\x1b[120;3u", 0x2D00, kAlt},
    {"kitty Ctrl+v", "\x1b[118;5u", 22, kCtrl},
    {"kitty Shift+Tab", "\x1b[9;2u", 0x0F00, kShift},
    {"kitty keypad 1 with Alt", "\x1b[57400;3u", 0x4F00, kAlt},
    {"kitty keypad 9 with Alt and Num Lock", "\x1b[57408;131u", 0x4900, kAlt},
    {"kitty left Alt pressed", "\x1b[57443;3u", 0, kAlt},
    {"kitty left Alt released", "\x1b[57443;1:3u", 0, 0},
    {"kitty right Alt pressed", "\x1b[57449;3u", 0, kRightAlt},
    {"kitty F1 with Ctrl", "\x1b[1;5P", 0x3B00, kCtrl},
};

TEST(TermInputParser, DeliversKeysAsThePcConsoleDoes) {
  for (const KeyCase& c : kKeyCases) {
    const auto events = Parse(c.bytes);
    ASSERT_EQ(events.size(), 1u) << c.terminal << ": " << Describe(events);
    EXPECT_EQ(events[0], InputEvent::Key(c.code, c.state))
        << c.terminal << ": " << Describe(events);
  }
}

TEST(TermInputParser, ParsesSequencesSplitAcrossReads) {
  for (const KeyCase& c : kKeyCases) {
    if (c.bytes.size() < 2) continue;
    TermInputParser parser;
    std::vector<InputEvent> events;
    for (char b : c.bytes) parser.Feed(std::string_view(&b, 1), events);
    parser.Timeout(events);
    ASSERT_EQ(events.size(), 1u) << c.terminal << ": " << Describe(events);
    EXPECT_EQ(events[0].code, c.code) << c.terminal;
  }
}

TEST(TermInputParser, EscWaitsForTheTimeoutBeforeItIsAKey) {
  TermInputParser parser;
  std::vector<InputEvent> events;
  parser.Feed("\x1b", events);
  EXPECT_TRUE(events.empty());
  EXPECT_TRUE(parser.Pending());
  parser.Timeout(events);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].code, 27);
  EXPECT_FALSE(parser.Pending());
}

TEST(TermInputParser, MouseReports) {
  struct Case {
    std::string bytes;
    InputEvent expected;
  } cases[] = {
      {"\x1b[<0;10;5M", InputEvent::Mouse(kMousePressed, kButtonLeft, 5, 10)},
      {"\x1b[<0;10;5m", InputEvent::Mouse(kMouseReleased, kButtonLeft, 5, 10)},
      {"\x1b[<2;80;25m", InputEvent::Mouse(kMouseReleased, kButtonRight, 25, 80)},
      {"\x1b[<32;3;4M", InputEvent::Mouse(kMouseMoved, kButtonLeft, 4, 3)},
      {"\x1b[<16;1;1M", InputEvent::Mouse(kMousePressed, kButtonLeft, 1, 1, kCtrl)},
      {"\x1b[M !!", InputEvent::Mouse(kMousePressed, kButtonLeft, 1, 1)},
      {"\x1b[M#!!", InputEvent::Mouse(kMouseReleased, 0, 1, 1)},
  };
  for (const Case& c : cases) {
    const auto events = Parse(c.bytes);
    ASSERT_EQ(events.size(), 1u) << Describe(events);
    EXPECT_EQ(events[0], c.expected) << Describe(events);
  }
  EXPECT_TRUE(Parse("\x1b[<64;10;5M").empty()) << "the wheel is not reported";
  EXPECT_TRUE(Parse("\x1b[<0;0;5M").empty()) << "position 0 is outside the screen";
}

TEST(TermInputParser, TerminalRepliesAreCountedNotTyped) {
  TermInputParser parser;
  std::vector<InputEvent> events;
  parser.Feed("\x1b[?0u\x1b[?62;22c\x1b]52;c;YQ==\x07x", events);
  EXPECT_EQ(parser.kittyReplies(), 1);
  EXPECT_EQ(parser.deviceAttributeReplies(), 1);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].code, 'x');
}

TEST(TermInputParser, GarbageIsDroppedAndWhatFollowsStillParses) {
  struct Case {
    std::string bytes;
    std::string expected;
  } cases[] = {
      {"\x1b[99999999999999999999Zq", "[key 0f00 st 10][key 0071 st 00]"},
      {"\x1b[1;2;3;4;5;6;7;8;9~a", "[key 4700 st 10][key 0061 st 00]"},
      {"\x1b[1\x03"
       "b",
       "[key 0003 st 08][key 0062 st 00]"},
      {"\x1b[200~", ""},
      {"\x1b[" + std::string(200, '1') + "~z", "[key 007a st 00]"},
      {"\xe2\x82\xac", ""},
      {"\x00", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Describe(Parse(c.bytes)), c.expected);
}

TEST(DoubleClickDetector, SecondPressAtTheSamePlaceSoonIsADoubleClick) {
  DoubleClickDetector detector(500);
  auto press = InputEvent::Mouse(kMousePressed, kButtonLeft, 3, 4);
  InputEvent e = press;
  detector.Apply(e, 1000);
  EXPECT_EQ(e.mouseKind, kMousePressed);
  e = press;
  detector.Apply(e, 1400);
  EXPECT_EQ(e.mouseKind, kMouseDoubleClick);
  e = press;
  detector.Apply(e, 1500);
  EXPECT_EQ(e.mouseKind, kMousePressed) << "a third press starts a new pair";
  e = press;
  detector.Apply(e, 2100);
  EXPECT_EQ(e.mouseKind, kMousePressed) << "too late";
  e = InputEvent::Mouse(kMousePressed, kButtonLeft, 3, 5);
  detector.Apply(e, 2200);
  EXPECT_EQ(e.mouseKind, kMousePressed) << "elsewhere";
}

}  // namespace
}  // namespace platform
