// Session values: the installation paths and per-session settings read once at start-up from
// the environment and the three settings files, and the small digit helpers the rest of the
// program shares. The Session is a plain value owned by the program for the whole run; set-up
// only reads, it never writes a file or reports a failure.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/environment.h"

namespace frame {

using StylePaletteTable = std::array<std::array<std::int16_t, 2>, 5>;

struct Session {
  std::string RootDir;    // KAVROOT verbatim: the prefix of every installation path
  std::string TempDir;    // ends in '\' or ':' unless empty
  std::string TermDir;    // ends in '\' or ':' unless empty
  std::string MenuTitle;  // with one blank on each side
  std::string HelpTopic;
  StylePaletteTable StylePalette{};  // [slot][0 foreground, 1 background]
  std::string SessionDate;           // packed digits of YYYYMMDD, or empty
  std::string LanguageCode = "   ";
  std::string PlatformTag = "DOS";
};

inline constexpr std::string_view kDefaultPalette = "15000700000700070007";

// Fills a Session from the environment and Sessio.ini, NerlTerm.ini and Nerl.ini. Relative
// paths resolve against the current directory at the time of the call.
Session SetUpSession(const platform::Environment& environment);

// Digit pairs packed one byte each, 128 + value; blanks and non-digits count as 0.
std::string PackDigits(std::string_view text);
// `number` as exactly `width` decimal digits: zero-padded, or only its last digits; no sign.
std::string ZeroPad(long long number, int width);
// The number a text starts with (blanks skipped, sign, digits, fraction, exponent), 0 when it
// starts with none: how the suite reads numbers out of settings values.
double LeadingNumber(std::string_view text);
// `value` rounded to the nearest whole number, halves to even, held in 16 bits.
std::int16_t RoundTo16(double value);

}  // namespace frame
