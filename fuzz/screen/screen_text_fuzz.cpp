// Arbitrary bytes as a help line and as a text to wrap (help files and translated messages come
// from outside). Help lines show at most 76 bytes and never a markup byte; wrapping always ends
// and loses or invents nothing but blanks.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "screen/help_line.h"
#include "screen/text_layout.h"

namespace {

std::string WithoutBlanks(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != ' ') out += c;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  std::size_t shown = 0;
  for (const screen::HelpSegment& segment : screen::HelpLineSegments(bytes)) {
    for (char c : segment.text) {
      if (c == screen::kHelpHighlight || c == screen::kHelpUnderline || c == screen::kHelpReverse) {
        std::abort();
      }
    }
    shown += segment.text.size();
  }
  if (shown > screen::kHelpLineShown) std::abort();

  if (size < 3) return 0;
  const int indent = static_cast<std::int8_t>(data[0]) % 40;
  const int width = static_cast<std::int8_t>(data[1]) % 100;
  static constexpr std::string_view kModes = "ELINDRCAB?";
  const std::string_view mode = kModes.substr(data[2] % kModes.size(), 1);
  const std::string_view text = bytes.substr(3);
  const std::string wrapped = screen::WrapText(text, indent, width, mode);
  if (mode != "N" && WithoutBlanks(wrapped) != WithoutBlanks(text)) std::abort();
  return 0;
}
