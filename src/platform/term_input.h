// The terminal's input bytes to PC console events: characters as their code page 850 codes,
// extended keys as scan code x 256, Alt+letter and Alt+digit as that key's scan code, the
// control-key state beside each, SGR mouse reports. Bytes in, events out: no terminal, no clock
// (the caller says when the ESC wait ran out), so it is table-tested and fuzzed. Understands
// xterm and its descendants (CSI 1;m X, CSI n;m ~, SS3 X, modifyOtherKeys CSI 27;m;cp ~), the
// Linux console (ESC [ [ A-E), rxvt ($ ^ @ finals) and the kitty keyboard protocol (CSI cp;m u).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console.h"

namespace platform {

class TermInputParser {
 public:
  // Parses what it can of the bytes so far; complete events are appended to `out`. Bytes that
  // may still be the start of a longer sequence wait for the next call or for Timeout().
  void Feed(std::string_view bytes, std::vector<InputEvent>& out);
  // True while bytes wait that the next byte could still complete.
  bool Pending() const { return !buffer_.empty(); }
  // No byte followed within the ESC wait: a lone ESC is the Esc key, "ESC [" is Alt+[; an
  // incomplete sequence is dropped.
  void Timeout(std::vector<InputEvent>& out);

  // Replies to the terminal queries the console sends at start-up.
  int kittyReplies() const { return kittyReplies_; }
  int deviceAttributeReplies() const { return deviceAttributeReplies_; }

 private:
  // Tries to take one event from the front of buffer_; returns the bytes used, 0 when more
  // bytes are needed.
  std::size_t ParseOne(std::string_view in, std::vector<InputEvent>& out, bool final);
  std::size_t ParseCsi(std::string_view in, std::size_t start, bool alt,
                       std::vector<InputEvent>& out, bool final);
  std::size_t ParseSs3(std::string_view in, std::size_t start, bool alt,
                       std::vector<InputEvent>& out, bool final);

  std::string buffer_;
  int kittyReplies_ = 0;
  int deviceAttributeReplies_ = 0;
};

// Turns a second press of the same button at the same place within `windowMs` into a double
// click (kind 2), as the PC console reports it.
class DoubleClickDetector {
 public:
  explicit DoubleClickDetector(std::int64_t windowMs = 500) : windowMs_(windowMs) {}
  void Apply(InputEvent& event, std::int64_t nowMs);

 private:
  std::int64_t windowMs_;
  std::int64_t lastPressMs_ = -1;
  InputEvent lastPress_;
};

// The PC scan code of the key that types `ch` on a US layout (letters, digits, a few signs),
// 0 when there is none. Alt+that key is delivered as the scan code x 256.
std::uint8_t ScanCodeOfCharacter(unsigned char ch);

}  // namespace platform
