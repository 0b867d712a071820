// The console on a real terminal. Output: terminfo (through ncursesw's low-level interface) for
// the terminal's capabilities, a cell grid that is the truth for read-back and window saves,
// and a renderer that sends only what changed before each wait for input. Input: raw bytes from
// the terminal through TermInputParser. One TerminalConsole exists per process; it switches the
// terminal into its modes when constructed and restores it on every way out (destruction, the
// end handler, termination and crash signals), so nothing is left behind in the shell.
#pragma once

#include <memory>
#include <string>

#include "platform/cell_console.h"

namespace platform {

class TerminalConsole final : public CellConsole {
 public:
  // Opens the terminal on standard input and output. Returns nullptr, with a reason, when they
  // are not a terminal or terminfo knows nothing of TERM.
  static std::unique_ptr<TerminalConsole> Open(std::string& error);
  ~TerminalConsole() override;

  // Puts the terminal back as it was found; idempotent.
  void Restore();

  InputEvent WaitEvent() override;
  std::uint16_t ControlKeyState() const override { return controlState_; }
  void DiscardPendingInput() override;
  bool InputWaiting() override;
  void Suspend() override;
  void Resume() override;
  int MouseButtons() const override { return mouseButtons_; }
  void SetMouseReporting(bool on) override;
  int MouseRow() const override { return mouseRow_; }
  int MouseColumn() const override { return mouseColumn_; }
  void PutClipboard(std::string_view text) override;
  void Beep() override;
  void Pause(int milliseconds) override;

  // Sends everything drawn since the last flush.
  void Flush();

 private:
  struct Impl;
  explicit TerminalConsole(std::unique_ptr<Impl> impl);
  void CellChanged(int row, int column) override;

  std::unique_ptr<Impl> impl_;
  std::uint16_t controlState_ = 0;
  int mouseButtons_ = 0;
  int mouseRow_ = 0;
  int mouseColumn_ = 0;
};

// The logical screen for a terminal of the given size: at most 99 x 99 (the window stack
// stores two-digit coordinates), at least 80 x 25.
void LogicalScreenSize(int terminalRows, int terminalColumns, int& rows, int& columns);

}  // namespace platform
