// Help files: fixed-length lines of code page 850 text, one line per console width, with three
// in-line markup bytes that switch styles. Pure readers that turn a file's size and one line's
// bytes into what the viewer shows; the viewer itself (Screen::ShowHelp) reads the file and
// draws. Nothing here touches a file or the console.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace screen {

inline constexpr char kHelpHighlight = 0x1E;  // style "h" while on
inline constexpr char kHelpUnderline = 0x1F;  // style "u" while on
inline constexpr char kHelpReverse = 0x10;    // style "r" while on
inline constexpr std::size_t kHelpLineShown = 76;

// The number of lines of a help file: its size divided by the line width, rounded to the
// nearest whole number with halves to even. 0 for a width below 1.
std::int64_t HelpLineCount(std::int64_t fileSize, int width);

// A stretch of a help line: the style to set before it (empty: leave the style as it is),
// then the text to write.
struct HelpSegment {
  std::string_view style;
  std::string text;
  bool operator==(const HelpSegment&) const = default;
};

// What one line shows, starting in style "n" (set by the caller): its first 76 bytes other
// than markup, each markup byte turned into the style change it causes. The three switches
// start off on every line; while underline is on, highlight flips change no style.
std::vector<HelpSegment> HelpLineSegments(std::string_view line);

}  // namespace screen
