#include "screen/help_line.h"

namespace screen {

std::int64_t HelpLineCount(std::int64_t fileSize, int width) {
  if (width < 1 || fileSize <= 0) return 0;
  const std::int64_t whole = fileSize / width;
  const std::int64_t rest = fileSize % width;
  if (2 * rest > width || (2 * rest == width && whole % 2 == 1)) return whole + 1;
  return whole;
}

std::vector<HelpSegment> HelpLineSegments(std::string_view line) {
  std::vector<HelpSegment> segments;
  segments.push_back({});
  bool highlight = false;
  bool underline = false;
  bool reverse = false;
  std::size_t shown = 0;
  auto switchTo = [&](std::string_view style) { segments.push_back({style, {}}); };
  for (char c : line) {
    if (c == kHelpHighlight) {
      highlight = !highlight;
      if (!underline) switchTo(highlight ? "h" : "n");
    } else if (c == kHelpUnderline) {
      underline = !underline;
      switchTo(underline ? "u" : "n");
    } else if (c == kHelpReverse) {
      reverse = !reverse;
      switchTo(reverse ? "r" : "n");
    } else if (shown < kHelpLineShown) {
      segments.back().text += c;
      ++shown;
    }
  }
  return segments;
}

}  // namespace screen
