#include "screen/screen.h"

namespace screen {

void Screen::SetStyle(std::string_view code) {
  bool push = false;
  bool pop = false;
  bool u = false;
  bool n = false;
  bool r = false;
  bool blank = true;
  for (char c : code) {
    if (c != ' ') blank = false;
    switch (c) {
      case '+':
        push = true;
        break;
      case '-':
        pop = true;
        break;
      case 'U':
      case 'u':
        u = true;
        break;
      case 'N':
      case 'n':
        n = true;
        break;
      case 'R':
      case 'r':
        r = true;
        break;
      default:
        break;
    }
  }
  if (blank) return;
  if (push) styleStack_ += static_cast<char>(currentStyle_);
  int style;
  if (pop) {
    style = 0;
    if (!styleStack_.empty()) {
      style = static_cast<unsigned char>(styleStack_.back());
      styleStack_.pop_back();
    }
  } else if (u) {
    style = 4;
  } else {
    style = (n ? 1 : 0) + (r ? 2 : 0);
  }
  const auto& colours = session_.StylePalette[static_cast<std::size_t>(style)];
  console_.SetColor(colours[0], colours[1]);
  currentStyle_ = style;
}

std::string Screen::TextStackPop() {
  if (textStack_.empty()) return {};
  std::string text = std::move(textStack_.back());
  textStack_.pop_back();
  return text;
}

void Screen::TextStackPushNumber(std::int16_t value) {
  const auto bits = static_cast<std::uint16_t>(value);
  const char bytes[2] = {static_cast<char>(bits & 0xFF), static_cast<char>(bits >> 8)};
  TextStackPush(std::string_view(bytes, 2));
}

std::int16_t Screen::TextStackPopNumber() {
  const std::string text = TextStackPop();
  std::uint16_t bits = 0;
  if (!text.empty()) bits = static_cast<unsigned char>(text[0]);
  if (text.size() > 1) bits |= static_cast<std::uint16_t>(static_cast<unsigned char>(text[1]) << 8);
  return static_cast<std::int16_t>(bits);
}

void Screen::WinLocate(int row, int column) {
  if (WinDepth() > 0) {
    console_.SetCursor(row + current_.top, column + current_.left);
  } else {
    console_.SetCursor(row, column);
  }
}

void Screen::ScrollRegion(int top, int left, int bottom, int right, int n) {
  const int lines = n == 0 ? -1 : n;
  console_.ScrollRect(top + 1, left + 1, bottom + 1, right + 1, lines);
}

}  // namespace screen
