// Text helpers for the screens: the blank test and the line formatter that message boxes use.
// Pure functions on code page 850 byte strings; bytes below 0x20 are in-line markup that is
// carried along but takes no width. Nothing here draws or keeps state.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace screen {

// True when every byte of `text` is `character`; the empty text counts as filled. A code
// outside 0-255 fills only the empty text.
bool IsFilledWith(std::string_view text, int character);

// `text` broken into lines of `width` columns. The first line is indented by max(indent, 0)
// blanks, every later one by max(-indent, 0). `mode` (one letter, any case) aligns each line:
// E, L, I left with blanks; N left with "-"; D, R right; C centred; A, B justified; anything
// else leaves the lines unpadded. Always ends: every line consumes at least one byte.
std::vector<std::string> WrapLines(std::string_view text, int indent, int width,
                                   std::string_view mode);

// The lines of WrapLines joined: the form the callers store and cut again by width.
std::string WrapText(std::string_view text, int indent, int width, std::string_view mode);

}  // namespace screen
