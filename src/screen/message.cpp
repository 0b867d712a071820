#include <algorithm>

#include "screen/screen.h"

namespace screen {
namespace {

std::string_view WithoutTrailingBlanks(std::string_view line) {
  while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
  return line;
}

}  // namespace

void Screen::ShowMessage(int row, std::string_view text) {
  SetStyle("+rh");
  const std::vector<std::string> lines = WrapLines(text, 0, kMessageWidth, "i");
  const int k = static_cast<int>(lines.size());
  int top = std::max(row - (k + 1) / 2 - 2, 1);
  int bottom = top + k + 1;
  if (bottom > ScreenRows()) {
    bottom = ScreenRows();
    top = bottom - k - 1;
  }
  int g = 0;
  for (const std::string& line : lines) {
    g = std::max(g, static_cast<int>(WithoutTrailingBlanks(line).size()));
  }
  const int left = kMessageCentreColumn - (g + 1) / 2 - 2;
  const int right = kMessageCentreColumn + 1 + g / 2;
  // A box that does not fit shows nothing; drawing it anyway would land in the window below.
  if (top < 1 || !WinPush(top, left, bottom, right)) {
    SetStyle("-");
    return;
  }
  WinFrame(kFrameSingle);
  for (int i = 1; i <= k; ++i) {
    WinLocate(i, 2);
    console_.Write(WithoutTrailingBlanks(lines[static_cast<std::size_t>(i - 1)]));
  }
  SetStyle("-");
}

}  // namespace screen
