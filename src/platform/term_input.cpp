#include "platform/term_input.h"

#include <array>
#include <cctype>
#include <cstdlib>

#include "platform/cp850.h"

namespace platform {
namespace {

constexpr std::uint16_t kUp = 0x4800, kDown = 0x5000, kLeft = 0x4B00, kRight = 0x4D00;
constexpr std::uint16_t kHome = 0x4700, kEnd = 0x4F00, kInsert = 0x5200, kDelete = 0x5300;
constexpr std::uint16_t kPageUp = 0x4900, kPageDown = 0x5100, kKeypad5 = 0x4C00;
constexpr std::uint16_t kF1 = 0x3B00, kF11 = 0x8500, kF12 = 0x8600, kShiftTab = 0x0F00;

// A sequence longer than this is garbage, not a key; it is dropped rather than buffered.
constexpr std::size_t kMaxSequence = 96;

// xterm's modifier parameter (1 + bits: 1 Shift, 2 Alt, 4 Ctrl) as a control-key state.
std::uint16_t StateOfModifier(long m) {
  if (m < 2) return 0;
  const long bits = m - 1;
  std::uint16_t state = 0;
  if (bits & 1) state |= kShiftPressed;
  if (bits & 2) state |= kLeftAlt;
  if (bits & 4) state |= kLeftCtrl;
  return state;
}

std::uint16_t FunctionKey(int n) {  // 1-12
  if (n >= 1 && n <= 10) return static_cast<std::uint16_t>(kF1 + (n - 1) * 0x100);
  return n == 11 ? kF11 : kF12;
}

// CSI n ~ : the VT220 editing and function keys.
std::uint16_t TildeKey(long n) {
  switch (n) {
    case 1:
    case 7:
      return kHome;
    case 2:
      return kInsert;
    case 3:
      return kDelete;
    case 4:
    case 8:
      return kEnd;
    case 5:
      return kPageUp;
    case 6:
      return kPageDown;
    case 11:
      return FunctionKey(1);
    case 12:
      return FunctionKey(2);
    case 13:
      return FunctionKey(3);
    case 14:
      return FunctionKey(4);
    case 15:
      return FunctionKey(5);
    case 17:
      return FunctionKey(6);
    case 18:
      return FunctionKey(7);
    case 19:
      return FunctionKey(8);
    case 20:
      return FunctionKey(9);
    case 21:
      return FunctionKey(10);
    case 23:
      return FunctionKey(11);
    case 24:
      return FunctionKey(12);
    default:
      return 0;
  }
}

// rxvt reports Shift+F1..F10 as F11..F20 (CSI 23~ .. 34~ beyond F12).
bool RxvtShiftedFunction(long n, std::uint16_t& code) {
  static constexpr std::array<long, 8> kCodes = {25, 26, 28, 29, 31, 32, 33, 34};
  for (std::size_t i = 0; i < kCodes.size(); ++i) {
    if (kCodes[i] == n) {
      code = FunctionKey(static_cast<int>(i) + 3);
      return true;
    }
  }
  return false;
}

// Final byte of CSI/SS3 letter keys.
std::uint16_t LetterKey(char final) {
  switch (final) {
    case 'A':
      return kUp;
    case 'B':
      return kDown;
    case 'C':
      return kRight;
    case 'D':
      return kLeft;
    case 'H':
      return kHome;
    case 'F':
      return kEnd;
    case 'E':
    case 'G':
      return kKeypad5;
    case 'P':
      return FunctionKey(1);
    case 'Q':
      return FunctionKey(2);
    case 'R':
      return FunctionKey(3);
    case 'S':
      return FunctionKey(4);
    default:
      return 0;
  }
}

// Keypad keys in application mode (SS3 p..y, M, j..o, X).
bool KeypadApplicationKey(char final, std::uint16_t& code) {
  if (final >= 'p' && final <= 'y') {
    code = static_cast<std::uint16_t>('0' + (final - 'p'));
    return true;
  }
  switch (final) {
    case 'M':
      code = 13;
      return true;
    case 'j':
      code = '*';
      return true;
    case 'k':
      code = '+';
      return true;
    case 'l':
      code = ',';
      return true;
    case 'm':
      code = '-';
      return true;
    case 'n':
      code = '.';
      return true;
    case 'o':
      code = '/';
      return true;
    case 'X':
      code = '=';
      return true;
    default:
      return false;
  }
}

// A code point typed as text, as the console delivers it: its code page 850 code, or nothing.
bool CharacterCode(char32_t cp, std::uint16_t& code) {
  unsigned char byte;
  if (cp == 0x7F) {
    code = 8;  // the Backspace key of most terminals
    return true;
  }
  if (cp == 0 || !CodePointToCp850(cp, byte) || (cp >= 0x80 && byte < 0x80)) return false;
  code = byte;
  return true;
}

void PushKey(std::vector<InputEvent>& out, std::uint16_t code, std::uint16_t state) {
  out.push_back(InputEvent::Key(code, state));
}

// A character with Alt: letters and digits become their key's scan code, as the PC console
// reports Alt+X (0x2D00); other characters keep their code with the Alt state.
void PushAltCharacter(std::vector<InputEvent>& out, std::uint16_t code, std::uint16_t state) {
  state |= kLeftAlt;
  if (code < 0x100) {
    if (std::isupper(code)) state |= kShiftPressed;
    const std::uint8_t scan = ScanCodeOfCharacter(static_cast<unsigned char>(code));
    if (scan != 0) {
      PushKey(out, static_cast<std::uint16_t>(scan << 8), state);
      return;
    }
  }
  PushKey(out, code, state);
}

// A control byte typed alone.
void PushControlByte(std::vector<InputEvent>& out, unsigned char byte, std::uint16_t state) {
  switch (byte) {
    case 8:
    case 9:
    case 13:
    case 27:
      PushKey(out, byte, state);
      return;
    case 0:
      return;  // Ctrl+Space or Ctrl+@: no character on the PC console
    default:
      if (byte < 32) PushKey(out, byte, static_cast<std::uint16_t>(state | kLeftCtrl));
  }
}

struct Params {
  std::vector<std::vector<long>> fields;  // ';'-separated, each ':'-separated
  char prefix = 0;                        // '<', '?', '>', '=' before the numbers
  std::string intermediates;
  long Get(std::size_t i, long fallback = 0, std::size_t sub = 0) const {
    if (i < fields.size() && sub < fields[i].size() && fields[i][sub] >= 0) return fields[i][sub];
    return fallback;
  }
};

void ParseParams(std::string_view body, Params& p) {
  std::size_t i = 0;
  if (!body.empty() && (body[0] == '<' || body[0] == '?' || body[0] == '>' || body[0] == '=')) {
    p.prefix = body[0];
    i = 1;
  }
  p.fields.emplace_back();
  p.fields.back().push_back(-1);
  for (; i < body.size(); ++i) {
    const char c = body[i];
    if (c >= '0' && c <= '9') {
      long& v = p.fields.back().back();
      if (v < 0) v = 0;
      if (v < 10000000) v = v * 10 + (c - '0');
    } else if (c == ';') {
      p.fields.emplace_back();
      p.fields.back().push_back(-1);
    } else if (c == ':') {
      p.fields.back().push_back(-1);
    }
  }
}

// Kitty's functional-key numbers for the keypad and the modifier keys.
constexpr long kKittyKeypad0 = 57399;
constexpr long kKittyKeypadEnd = 57427;
constexpr long kKittyLeftShift = 57441, kKittyLeftCtrl = 57442, kKittyLeftAlt = 57443;
constexpr long kKittyRightShift = 57447, kKittyRightCtrl = 57448, kKittyRightAlt = 57449;

// Keypad digits report the navigation scan codes the PC keypad gives with Num Lock off, which
// is what the Alt+keypad composition reads.
std::uint16_t KittyKeypadKey(long cp) {
  static constexpr std::array<std::uint16_t, 10> kDigits = {
      kInsert, kEnd, kDown, kPageDown, kLeft, kKeypad5, kRight, kHome, kUp, kPageUp};
  if (cp >= kKittyKeypad0 && cp < kKittyKeypad0 + 10) return kDigits[cp - kKittyKeypad0];
  switch (cp) {
    case 57409:
      return kDelete;  // decimal
    case 57410:
      return '/';
    case 57411:
      return '*';
    case 57412:
      return '-';
    case 57413:
      return '+';
    case 57414:
      return 13;
    case 57415:
      return '=';
    case 57416:
      return ',';
    case 57417:
      return kLeft;
    case 57418:
      return kRight;
    case 57419:
      return kUp;
    case 57420:
      return kDown;
    case 57421:
      return kPageUp;
    case 57422:
      return kPageDown;
    case 57423:
      return kHome;
    case 57424:
      return kEnd;
    case 57425:
      return kInsert;
    case 57426:
      return kDelete;
    case 57427:
      return kKeypad5;
    default:
      return 0;
  }
}

// Kitty's modifier bits (1 + bits: 1 Shift, 2 Alt, 4 Ctrl, 8 Super, ...).
std::uint16_t KittyState(long m) { return StateOfModifier(m < 1 ? 1 : 1 + ((m - 1) & 7)); }

}  // namespace

std::uint8_t ScanCodeOfCharacter(unsigned char ch) {
  static constexpr std::string_view kRowQ = "qwertyuiop";    // 0x10..
  static constexpr std::string_view kRowA = "asdfghjkl";     // 0x1E..
  static constexpr std::string_view kRowZ = "zxcvbnm";       // 0x2C..
  static constexpr std::string_view kDigits = "1234567890";  // 0x02..
  const char c = static_cast<char>(std::tolower(ch));
  if (ch >= 0x80) return 0;
  if (auto i = kRowQ.find(c); i != std::string_view::npos)
    return static_cast<std::uint8_t>(0x10 + i);
  if (auto i = kRowA.find(c); i != std::string_view::npos)
    return static_cast<std::uint8_t>(0x1E + i);
  if (auto i = kRowZ.find(c); i != std::string_view::npos)
    return static_cast<std::uint8_t>(0x2C + i);
  if (auto i = kDigits.find(c); i != std::string_view::npos)
    return static_cast<std::uint8_t>(0x02 + i);
  switch (c) {
    case '-':
      return 0x0C;
    case '=':
      return 0x0D;
    case '[':
      return 0x1A;
    case ']':
      return 0x1B;
    case ';':
      return 0x27;
    case '\'':
      return 0x28;
    case '`':
      return 0x29;
    case '\\':
      return 0x2B;
    case ',':
      return 0x33;
    case '.':
      return 0x34;
    case '/':
      return 0x35;
    default:
      return 0;
  }
}

void TermInputParser::Feed(std::string_view bytes, std::vector<InputEvent>& out) {
  buffer_.append(bytes);
  std::size_t used = 0;
  while (used < buffer_.size()) {
    const std::size_t n = ParseOne(std::string_view(buffer_).substr(used), out, false);
    if (n == 0) break;
    used += n;
  }
  buffer_.erase(0, used);
  if (buffer_.size() > kMaxSequence) buffer_.clear();
}

void TermInputParser::Timeout(std::vector<InputEvent>& out) {
  std::size_t used = 0;
  while (used < buffer_.size()) {
    const std::size_t n = ParseOne(std::string_view(buffer_).substr(used), out, true);
    used += n == 0 ? buffer_.size() - used : n;
  }
  buffer_.clear();
}

std::size_t TermInputParser::ParseOne(std::string_view in, std::vector<InputEvent>& out,
                                      bool final) {
  const auto b0 = static_cast<unsigned char>(in[0]);
  if (b0 != 0x1B) {
    if (b0 < 0x20) {
      PushControlByte(out, b0, 0);
      return 1;
    }
    char32_t cp;
    const std::size_t n = DecodeUtf8(in, cp, final);
    if (n == 0) return 0;
    std::uint16_t code;
    if (CharacterCode(cp, code)) PushKey(out, code, 0);
    return n;
  }

  // ESC: a key of its own, the start of a sequence, or Alt with the next key.
  if (in.size() == 1) {
    if (!final) return 0;
    PushKey(out, 27, 0);
    return 1;
  }
  std::size_t start = 1;
  bool alt = false;
  // ESC ESC [ ... : some terminals send Alt with a special key as ESC before the sequence.
  if (in[1] == 0x1B && in.size() > 2 && (in[2] == '[' || in[2] == 'O')) {
    start = 2;
    alt = true;
  } else if (in[1] == 0x1B) {
    if (in.size() == 2 && !final) return 0;
    PushKey(out, 27, kLeftAlt);
    return 2;
  }
  const char introducer = in[start];
  if (introducer == '[') {
    if (in.size() == start + 1) {
      if (!final) return 0;
      PushAltCharacter(out, '[', 0);
      return start + 1;
    }
    return ParseCsi(in, start + 1, alt, out, final);
  }
  if (introducer == 'O') {
    if (in.size() == start + 1) {
      if (!final) return 0;
      PushAltCharacter(out, 'O', 0);
      return start + 1;
    }
    return ParseSs3(in, start + 1, alt, out, final);
  }
  if (introducer == ']' || introducer == 'P' || introducer == '_' || introducer == '^') {
    // A string reply (OSC, DCS, APC, PM): skip to BEL or ST.
    for (std::size_t i = 2; i < in.size(); ++i) {
      if (in[i] == '\a') return i + 1;
      if (in[i] == 0x1B && i + 1 < in.size() && in[i + 1] == '\\') return i + 2;
    }
    return final ? in.size() : 0;
  }
  // Alt with a character (UTF-8 or a control byte).
  const auto b1 = static_cast<unsigned char>(in[1]);
  if (b1 < 0x20) {
    PushControlByte(out, b1, kLeftAlt);
    return 2;
  }
  char32_t cp;
  const std::size_t n = DecodeUtf8(in.substr(1), cp, final);
  if (n == 0) return 0;
  std::uint16_t code;
  if (CharacterCode(cp, code)) {
    if (code == 8) {
      PushKey(out, 8, kLeftAlt);
    } else {
      PushAltCharacter(out, code, 0);
    }
  }
  return 1 + n;
}

std::size_t TermInputParser::ParseSs3(std::string_view in, std::size_t start, bool alt,
                                      std::vector<InputEvent>& out, bool final) {
  // SS3 may carry a modifier digit before the final byte (SS3 5 P in some terminals).
  std::size_t i = start;
  long modifier = 0;
  while (i < in.size() && in[i] >= '0' && in[i] <= '9') {
    if (modifier < 1000) modifier = modifier * 10 + (in[i] - '0');
    ++i;
  }
  if (i >= in.size()) return final ? in.size() : 0;
  const char f = in[i];
  std::uint16_t state = StateOfModifier(modifier);
  if (alt) state |= kLeftAlt;
  std::uint16_t code = LetterKey(f);
  if (code == 0 && !KeypadApplicationKey(f, code)) return i + 1;
  PushKey(out, code, state);
  return i + 1;
}

std::size_t TermInputParser::ParseCsi(std::string_view in, std::size_t start, bool alt,
                                      std::vector<InputEvent>& out, bool final) {
  // Linux console: ESC [ [ A..E are F1..F5.
  if (in[start] == '[') {
    if (in.size() <= start + 1) return final ? in.size() : 0;
    const char f = in[start + 1];
    if (f >= 'A' && f <= 'E') PushKey(out, FunctionKey(f - 'A' + 1), alt ? kLeftAlt : 0);
    return start + 2;
  }
  // X10 mouse report: CSI M and three bytes.
  if (in[start] == 'M' && start == 2) {
    if (in.size() < start + 4) return final ? in.size() : 0;
    const int cb = static_cast<unsigned char>(in[start + 1]) - 32;
    const int x = static_cast<unsigned char>(in[start + 2]) - 32;
    const int y = static_cast<unsigned char>(in[start + 3]) - 32;
    std::uint16_t state = 0;
    if (cb & 4) state |= kShiftPressed;
    if (cb & 8) state |= kLeftAlt;
    if (cb & 16) state |= kLeftCtrl;
    if ((cb & 64) == 0 && x > 0 && y > 0) {
      static constexpr std::array<std::uint8_t, 3> kButtons = {kButtonLeft, kButtonMiddle,
                                                               kButtonRight};
      if ((cb & 3) == 3) {
        out.push_back(InputEvent::Mouse(kMouseReleased, 0, y, x, state));
      } else if (cb & 32) {
        out.push_back(InputEvent::Mouse(kMouseMoved, kButtons[cb & 3], y, x, state));
      } else {
        out.push_back(InputEvent::Mouse(kMousePressed, kButtons[cb & 3], y, x, state));
      }
    }
    return start + 4;
  }
  std::size_t i = start;
  while (i < in.size()) {
    const auto c = static_cast<unsigned char>(in[i]);
    if (c >= 0x40 && c <= 0x7E) break;
    if (c < 0x20 || c > 0x7E) return i;  // not a sequence after all: drop what came before
    ++i;
  }
  if (i >= in.size()) {
    if (!final && in.size() <= kMaxSequence) return 0;
    return in.size();
  }
  const char f = in[i];
  const std::size_t used = i + 1;
  std::string_view body = in.substr(start, i - start);
  // rxvt marks modified editing keys by the final byte instead of a parameter.
  std::uint16_t rxvtState = 0;
  char effective = f;
  if (f == '$' || f == '^' || f == '@') {
    rxvtState = f == '$' ? kShiftPressed : f == '^' ? kLeftCtrl : (kShiftPressed | kLeftCtrl);
    effective = '~';
  }
  Params p;
  std::size_t bodyEnd = body.size();
  while (bodyEnd > 0 && body[bodyEnd - 1] >= 0x20 && body[bodyEnd - 1] <= 0x2F) --bodyEnd;
  p.intermediates = std::string(body.substr(bodyEnd));
  ParseParams(body.substr(0, bodyEnd), p);
  const std::uint16_t altState = alt ? kLeftAlt : 0;

  if (p.prefix == '<' && (f == 'M' || f == 'm')) {
    // SGR mouse: CSI < b ; x ; y M (press, motion) or m (release).
    const long b = p.Get(0), x = p.Get(1), y = p.Get(2);
    if (x < 1 || y < 1 || x > 9999 || y > 9999) return used;
    std::uint16_t state = 0;
    if (b & 4) state |= kShiftPressed;
    if (b & 8) state |= kLeftAlt;
    if (b & 16) state |= kLeftCtrl;
    if (b & 64) return used;  // wheel: the PC console reports no such event to the program
    static constexpr std::array<std::uint8_t, 4> kButtons = {kButtonLeft, kButtonMiddle,
                                                             kButtonRight, 0};
    const std::uint8_t button = kButtons[b & 3];
    std::uint8_t kind;
    if (f == 'm') {
      kind = kMouseReleased;
    } else if (b & 32) {
      kind = kMouseMoved;
    } else {
      kind = kMousePressed;
    }
    out.push_back(InputEvent::Mouse(kind, button, static_cast<int>(y), static_cast<int>(x), state));
    return used;
  }
  if (p.prefix == '?' && f == 'u') {
    ++kittyReplies_;
    return used;
  }
  if (p.prefix == '?' && f == 'c') {
    ++deviceAttributeReplies_;
    return used;
  }
  if (p.prefix != 0 || !p.intermediates.empty()) return used;

  if (f == 'u') {
    // Kitty keyboard protocol: CSI code[:shifted[:base]] ; mods[:event] ; text u
    const long cp = p.Get(0, 0);
    const long shifted = p.Get(0, 0, 1);
    const long mods = p.Get(1, 1);
    const long eventType = p.Get(1, 1, 1);
    std::uint16_t state = static_cast<std::uint16_t>(KittyState(mods) | altState);
    // Modifier keys themselves: presses and releases tell the Alt+keypad composition when Alt
    // goes down and up; the state reported is the one after the event.
    if (cp >= kKittyLeftShift && cp <= kKittyRightAlt) {
      std::uint16_t bit = 0;
      switch (cp) {
        case kKittyLeftAlt:
          bit = kLeftAlt;
          break;
        case kKittyRightAlt:
          bit = kRightAlt;
          break;
        case kKittyLeftCtrl:
          bit = kLeftCtrl;
          break;
        case kKittyRightCtrl:
          bit = kRightCtrl;
          break;
        case kKittyLeftShift:
        case kKittyRightShift:
          bit = kShiftPressed;
          break;
        default:
          return used;
      }
      // Kitty's own state bits do not tell left from right; keep the side of this key.
      if (bit == kRightAlt) state = static_cast<std::uint16_t>((state & ~kLeftAlt) | kRightAlt);
      if (bit == kRightCtrl) state = static_cast<std::uint16_t>((state & ~kLeftCtrl) | kRightCtrl);
      if (eventType == 3) {
        state = static_cast<std::uint16_t>(state & ~bit);
        if (bit == kLeftAlt || bit == kRightAlt)
          state &= static_cast<std::uint16_t>(~(kLeftAlt | kRightAlt));
        if (bit == kLeftCtrl || bit == kRightCtrl)
          state &= static_cast<std::uint16_t>(~(kLeftCtrl | kRightCtrl));
      } else {
        state |= bit;
      }
      PushKey(out, 0, state);
      return used;
    }
    if (eventType == 3) return used;  // key releases carry nothing the program reads
    if (cp >= kKittyKeypad0 && cp <= kKittyKeypadEnd) {
      const std::uint16_t code = KittyKeypadKey(cp);
      if (code != 0) PushKey(out, code, state);
      return used;
    }
    if (cp >= 57344) return used;  // other functional keys without a PC counterpart
    // Text the key produced, when the terminal reports it, beats the key's own code.
    long typed = p.Get(2, -1);
    if (typed < 0) typed = (state & kShiftPressed) && shifted > 0 ? shifted : cp;
    if (cp == 27 || cp == 13 || cp == 9 || cp == 127 || cp == 8) {
      if (cp == 9 && (state & kShiftPressed)) {
        PushKey(out, kShiftTab, state);
      } else {
        PushKey(out, cp == 127 ? 8 : static_cast<std::uint16_t>(cp), state);
      }
      return used;
    }
    std::uint16_t code;
    if (state & (kLeftCtrl | kRightCtrl)) {
      const long lower = cp >= 'A' && cp <= 'Z' ? cp + 32 : cp;
      if (lower >= 'a' && lower <= 'z' && !(state & (kLeftAlt | kRightAlt))) {
        PushKey(out, static_cast<std::uint16_t>(lower - 'a' + 1), state);
        return used;
      }
    }
    if (!CharacterCode(static_cast<char32_t>(typed), code)) return used;
    if (state & (kLeftAlt | kRightAlt)) {
      PushAltCharacter(out, code, static_cast<std::uint16_t>(state & ~(kLeftAlt | kRightAlt)));
      if (state & kRightAlt)
        out.back().controlState =
            static_cast<std::uint16_t>((out.back().controlState & ~kLeftAlt) | kRightAlt);
    } else {
      PushKey(out, code, state);
    }
    return used;
  }
  if (effective == '~') {
    const long n = p.Get(0, 0);
    std::uint16_t state =
        static_cast<std::uint16_t>(StateOfModifier(p.Get(1, 1)) | altState | rxvtState);
    if (n == 27) {
      // xterm modifyOtherKeys: CSI 27 ; mods ; code ~
      const long cp = p.Get(2, 0);
      std::vector<InputEvent> one;
      std::string utf8;
      if (cp == 9 && (state & kShiftPressed)) {
        PushKey(out, kShiftTab, state);
        return used;
      }
      if (cp == 13 || cp == 27 || cp == 9 || cp == 8 || cp == 127) {
        PushKey(out, cp == 127 ? 8 : static_cast<std::uint16_t>(cp), state);
        return used;
      }
      std::uint16_t code;
      if ((state & kLeftCtrl) && ((cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z'))) {
        PushKey(out, static_cast<std::uint16_t>((cp | 0x20) - 'a' + 1), state);
      } else if (CharacterCode(static_cast<char32_t>(cp), code)) {
        if (state & kLeftAlt) {
          PushAltCharacter(out, code, static_cast<std::uint16_t>(state & ~kLeftAlt));
        } else {
          PushKey(out, code, state);
        }
      }
      return used;
    }
    std::uint16_t code = TildeKey(n);
    if (code == 0 && RxvtShiftedFunction(n, code)) state |= kShiftPressed;
    if (code != 0) PushKey(out, code, state);
    return used;
  }
  if (f == 'Z') {
    PushKey(out, kShiftTab,
            static_cast<std::uint16_t>(kShiftPressed | altState | StateOfModifier(p.Get(1, 1))));
    return used;
  }
  // rxvt: shifted arrows as lower-case finals.
  if (f >= 'a' && f <= 'd') {
    PushKey(out, LetterKey(static_cast<char>(f - 'a' + 'A')),
            static_cast<std::uint16_t>(kShiftPressed | altState));
    return used;
  }
  const std::uint16_t code = LetterKey(f);
  if (code != 0) {
    PushKey(out, code, static_cast<std::uint16_t>(StateOfModifier(p.Get(1, 1)) | altState));
  }
  return used;
}

void DoubleClickDetector::Apply(InputEvent& event, std::int64_t nowMs) {
  if (event.kind != InputEvent::Kind::kMouse || event.mouseKind != kMousePressed) return;
  if (lastPressMs_ >= 0 && nowMs - lastPressMs_ <= windowMs_ &&
      lastPress_.buttons == event.buttons && lastPress_.row == event.row &&
      lastPress_.column == event.column) {
    event.mouseKind = kMouseDoubleClick;
    lastPressMs_ = -1;  // a third press starts a new pair
    return;
  }
  lastPress_ = event;
  lastPressMs_ = nowMs;
}

}  // namespace platform
