// Packed dates (see date_math.h) as the texts the operator reads: numeric in the user's order
// and separator, with the month abbreviated, long with month names and joining words in the
// session language, or ISO. The month names of the suite's four languages are constant data;
// the date separator and order are read into the caller's TextSettings on first use.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/text_settings.h"

namespace text {

// The twelve month names of a language (LanguageCode "CAT", "SPA", "GLG", "OCI"; any other code
// reads as Catalan), ten characters each, padded with blanks: 120 code page 850 bytes.
std::string_view MonthTable(std::string_view languageCode);

// `date` in `style`: -1 ISO (yyyy-mm-dd); 0 numeric (15/3/2024) and 1 with the month's first
// three letters, both padded with blanks to a fixed width; 2 or more long (15 de març del 2024).
// `parts` holds the letters D, M, A (either case) of the parts wanted; they always come in the
// order of settings.DateOrder. An empty date (month and day 0) gives blanks or the empty text.
// Styles below -1 read as 0.
std::string FormatDate(TextSettings& settings, std::string_view date, std::int16_t style,
                       std::string_view parts, std::string_view languageCode);

}  // namespace text
