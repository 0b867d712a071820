// kavkeys: shows what the terminal console delivers, one line per input event, so that a person
// (and the terminal tests) can check a terminal's keys and mouse. Two Esc in a row end it.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/terminal_console.h"

namespace {

std::string Hex(unsigned value, int width) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*x", width, value);
  return buffer;
}

}  // namespace

int main() {
  std::string error;
  auto console = platform::TerminalConsole::Open(error);
  if (!console) {
    std::fprintf(stderr, "kavkeys: %s\n", error.c_str());
    return 1;
  }
  console->SetEndHandler([&console] {
    console->Restore();
    std::exit(0);
  });
  console->SetColor(7, 0);
  console->Clear();
  console->Write("kavkeys: Esc Esc");
  console->NewLine();
  bool lastWasEsc = false;
  for (;;) {
    console->SetMouseReporting(true);
    const platform::InputEvent e = console->WaitEvent();
    std::string line;
    if (e.kind == platform::InputEvent::Kind::kKey) {
      line = "key " + Hex(e.code, 4) + " state " + Hex(e.controlState, 2);
    } else {
      line = "mouse kind " + std::to_string(e.mouseKind) + " button " + std::to_string(e.buttons) +
             " row " + std::to_string(e.row) + " column " + std::to_string(e.column) + " state " +
             Hex(e.controlState, 2);
    }
    console->Write(line);
    console->NewLine();
    const bool esc = e.kind == platform::InputEvent::Kind::kKey && e.code == 27;
    if (esc && lastWasEsc) break;
    if (e.kind == platform::InputEvent::Kind::kKey && e.code != 0) lastWasEsc = esc;
  }
  console->Restore();
  return 0;
}
