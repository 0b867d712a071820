#include "screen/text_layout.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace screen {
namespace {

bool IsMarkup(char c) { return static_cast<unsigned char>(c) < 0x20; }
bool IsWordByte(char c) { return !IsMarkup(c) && c != ' '; }

// Pads a line to `target` bytes by doubling blanks, spreading them from the left; the first
// abs(indent) bytes (the indent or a hanging label) are never widened.
void Justify(std::string& line, std::size_t target, std::size_t skip) {
  auto firstBlankFrom = [&](std::size_t from) { return line.find(' ', from); };
  std::size_t at = firstBlankFrom(skip + 2);
  if (at == std::string::npos) at = firstBlankFrom(skip);
  while (line.size() < target && at != std::string::npos) {
    line.insert(at, 1, ' ');
    while (at < line.size() && line[at] == ' ') ++at;
    at = firstBlankFrom(at);
    if (at == std::string::npos) at = firstBlankFrom(skip);
  }
}

}  // namespace

bool IsFilledWith(std::string_view text, int character) {
  return std::all_of(text.begin(), text.end(),
                     [character](char c) { return static_cast<unsigned char>(c) == character; });
}

std::vector<std::string> WrapLines(std::string_view text, int indent, int width,
                                   std::string_view mode) {
  const char align =
      mode.empty() ? ' ' : static_cast<char>(std::toupper(static_cast<unsigned char>(mode[0])));
  const std::size_t skip = static_cast<std::size_t>(std::abs(indent));
  const std::size_t n = text.size();
  std::vector<std::string> lines;
  std::size_t c = 0;
  while (c < n) {
    const int s = std::max(lines.empty() ? indent : -indent, 0);
    const int room = width - s;

    // The candidate: `room` visible bytes from c, with the markup among them.
    std::size_t e = c;
    int visible = 0;
    int j = room;
    while (e < n && visible < room) {
      if (IsMarkup(text[e])) {
        ++j;
      } else {
        ++visible;
      }
      ++e;
    }
    // Markup right after a word belongs to that word.
    if (e > c && IsWordByte(text[e - 1])) {
      while (e < n && IsMarkup(text[e])) ++e, ++j;
    }
    const std::size_t full = e;
    const int fullAllowance = j;
    // Ending inside a word: give the word back, and the blank or markup before it.
    if (e < n && IsWordByte(text[e])) {
      while (e > c && IsWordByte(text[e - 1])) --e;
      if (e > c) {
        if (IsMarkup(text[e - 1])) --j;
        --e;
      }
    }
    std::size_t consumed = e - c;
    std::size_t kept = consumed;
    if (e == n || IsMarkup(text[e])) {
      while (kept > 0 && text[c + kept - 1] == ' ') --kept;
    }
    if (kept == 0) {
      // One word longer than the room: cut it where the room ends.
      j = fullAllowance;
      consumed = kept = std::max<std::size_t>(full - c, 1);
    }

    std::string line(static_cast<std::size_t>(s), ' ');
    line.append(text.substr(c, kept));
    const std::size_t m = static_cast<std::size_t>(std::max(s + j, 0));
    const std::size_t pad = m > line.size() ? m - line.size() : 0;

    c += consumed;
    while (c < n && text[c] == ' ') ++c;

    switch (align) {
      case 'E':
      case 'L':
      case 'I':
        line.append(pad, ' ');
        break;
      case 'N':
        line.append(pad, '-');
        break;
      case 'D':
      case 'R':
        line.insert(0, pad, ' ');
        break;
      case 'C':
        line.insert(0, pad / 2, ' ');
        line.append((pad + 1) / 2, ' ');
        break;
      case 'A':
      case 'B':
        if (c < n && line.find(' ', skip) != std::string::npos) Justify(line, m, skip);
        break;
      default:
        break;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string WrapText(std::string_view text, int indent, int width, std::string_view mode) {
  std::string out;
  for (const std::string& line : WrapLines(text, indent, width, mode)) out += line;
  return out;
}

}  // namespace screen
