#include "platform/virtual_console.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

VirtualConsole::VirtualConsole(int rows, int columns) { ResizeCells(rows, columns); }

void VirtualConsole::PushText(std::string_view text) {
  for (char c : text) PushKey(static_cast<unsigned char>(c));
}

std::string VirtualConsole::RowText(int row) const {
  std::string text;
  for (int c = 1; c <= Columns(); ++c) text += static_cast<char>(ReadCell(row, c).ch);
  return text;
}

std::string VirtualConsole::ScreenText() const {
  std::string text;
  for (int r = 1; r <= Rows(); ++r) {
    if (r > 1) text += '\n';
    text += RowText(r);
  }
  return text;
}

InputEvent VirtualConsole::WaitEvent() {
  if (events_.empty()) {
    ranDry_ = true;
    RunEndHandler();
    // A handler that returns (a test observing the end) gets "no key"; one that keeps asking
    // would otherwise spin forever.
    if (HasEndHandler() && ++dryReads_ < 1000) return InputEvent::Key(0);
    std::fprintf(stderr, "VirtualConsole: the input script ran dry\n%s\n", ScreenText().c_str());
    std::abort();
  }
  InputEvent event = events_.front();
  events_.pop_front();
  controlState_ = event.controlState;
  if (event.kind == InputEvent::Kind::kMouse) {
    mouseRow_ = event.row;
    mouseColumn_ = event.column;
  }
  return event;
}

}  // namespace platform
