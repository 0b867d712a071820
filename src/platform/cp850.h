// Code page 850, the one character set of every text inside the program. UTF-8 exists only at
// the edges (console, environment, host file names, clipboard); these tables are the one place
// where the two meet. Pure functions over constant tables: nothing here owns state.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Code point of each byte 0x80-0xFF; 0x00-0x7F are ASCII.
inline constexpr std::array<char32_t, 128> kCp850High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557,
    0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB,
    0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9,
    0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};

// What the console shows for the control bytes 0x00-0x1F, so that no raw control byte ever
// reaches the terminal; 0x7F shows as U+2302.
inline constexpr std::array<char32_t, 32> kCp850ControlGlyphs = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9,
    0x2642, 0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7,
    0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,
};

// The code point a byte stands for in text (control bytes stay control characters).
constexpr char32_t Cp850ToCodePoint(unsigned char byte) {
  return byte < 0x80 ? char32_t{byte} : kCp850High[byte - 0x80];
}

// The code point the console draws for a byte: like Cp850ToCodePoint, but control bytes and
// 0x7F as their visible glyphs.
constexpr char32_t Cp850Glyph(unsigned char byte) {
  if (byte < 0x20) return kCp850ControlGlyphs[byte];
  if (byte == 0x7F) return 0x2302;
  return Cp850ToCodePoint(byte);
}

// The byte for a code point; also takes the control glyphs back to their bytes (so a
// character drawn by the program reads back as the byte it was written as). Returns false for
// a code point code page 850 cannot hold.
bool CodePointToCp850(char32_t codePoint, unsigned char& byte);

std::string Cp850ToUtf8(std::string_view text);
// Characters without a code page 850 byte become '?'; malformed UTF-8 bytes too.
std::string Utf8ToCp850(std::string_view text);

// Appends the UTF-8 form of one code point.
void AppendUtf8(std::string& out, char32_t codePoint);

// Decodes one UTF-8 sequence at the front of text. Returns the number of bytes used (0 when
// the text is empty, or when the sequence is incomplete and `complete` is false), and sets
// codePoint to U+FFFD for a malformed sequence (which then uses one byte).
std::size_t DecodeUtf8(std::string_view text, char32_t& codePoint, bool complete = true);

}  // namespace platform
