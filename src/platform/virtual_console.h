// An in-memory console of any size with a scripted queue of input events, for tests: the real
// code draws on its cells and reads its script. It never blocks: when the script runs dry it
// records that and runs the end handler (the program's way out when input ends); when that
// returns, it reports no key, and if it is asked again and again it aborts: a test that waits
// for input it did not script is broken.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/cell_console.h"

namespace platform {

class VirtualConsole final : public CellConsole {
 public:
  explicit VirtualConsole(int rows = 25, int columns = 80);

  // Script helpers. Text is code page 850 bytes, each one a key event.
  void PushEvent(InputEvent event) { events_.push_back(event); }
  void PushKey(std::uint16_t code, std::uint16_t state = 0) {
    PushEvent(InputEvent::Key(code, state));
  }
  void PushText(std::string_view text);
  std::size_t PendingEvents() const { return events_.size(); }
  bool RanDry() const { return ranDry_; }

  // A screen row as text (code page 850 bytes), and the whole screen, rows joined by '\n'.
  std::string RowText(int row) const;
  std::string ScreenText() const;
  std::uint8_t AttributeAt(int row, int column) const { return ReadCell(row, column).attribute; }

  int beeps() const { return beeps_; }
  const std::vector<int>& pauses() const { return pauses_; }
  bool mouseReporting() const { return mouseReporting_; }
  void SetMouseButtons(int buttons) { mouseButtons_ = buttons; }

  InputEvent WaitEvent() override;
  bool InputWaiting() override { return !events_.empty(); }
  std::uint16_t ControlKeyState() const override { return controlState_; }
  int MouseButtons() const override { return mouseButtons_; }
  void SetMouseReporting(bool on) override { mouseReporting_ = on; }
  int MouseRow() const override { return mouseRow_; }
  int MouseColumn() const override { return mouseColumn_; }
  void Beep() override { ++beeps_; }
  void Pause(int milliseconds) override { pauses_.push_back(milliseconds); }

 private:
  std::deque<InputEvent> events_;
  bool ranDry_ = false;
  int dryReads_ = 0;
  std::uint16_t controlState_ = 0;
  int mouseButtons_ = 2;
  bool mouseReporting_ = false;
  int mouseRow_ = 0;
  int mouseColumn_ = 0;
  int beeps_ = 0;
  std::vector<int> pauses_;
};

}  // namespace platform
