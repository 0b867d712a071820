// Accent folding of code page 850 text through two fixed 174-byte tables covering the bytes
// 0x40 to 0xED: the capital form (lower case to capitals, accents kept) and the search form
// (unaccented capitals, every other symbol a blank). Pure; the tables are constant data and the
// fold mode is the caller's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/text_settings.h"

namespace text {

inline constexpr unsigned char kFoldFirst = 0x40;
inline constexpr unsigned char kFoldLast = 0xED;
inline constexpr std::size_t kFoldTableSize = kFoldLast - kFoldFirst + 1;  // 174

// `text` with every byte of the folded range replaced through the search table when
// `foldSearchMode` is -1, the capital table otherwise; other bytes are kept.
std::string TextFold(std::string_view text, std::int16_t foldSearchMode);

// The same, in the fold mode the program currently has.
inline std::string TextFold(const TextSettings& settings, std::string_view text) {
  return TextFold(text, settings.FoldSearchMode);
}

}  // namespace text
