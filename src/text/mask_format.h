// Numbers as text: laid into an edit mask (MaskFormat), written by a compact width/decimals
// specification (NumFormat), or as their plain decimal text (NumText). Pure functions over
// doubles and code page 850 bytes; only MaskFormat reads settings, the separators kept in the
// caller's TextSettings. Every input gives a result: values a mask or specification cannot
// show (too many digits, NaN, infinities) come back as '!' characters, never as an error.
#pragma once

#include <string>
#include <string_view>

#include "text/text_settings.h"

namespace text {

// `value` laid into `mask` ("9" digit, "Z"/"z" digit or blank, "*" digit or star, "." decimal
// point, "," thousands mark, "-"/"+" sign; anything else is copied). The result has the mask's
// length. Loads the separators into `settings` on first use.
std::string MaskFormat(TextSettings& settings, std::string_view mask, double value);

// `value` by `specification`: digits before the first "." give the integer width, digits after
// it the decimals; letters V (no point), Z (a 0 before the point), S (+), N and M (N for minus)
// in either case. The decimal point is always ".".
std::string NumFormat(double value, std::string_view specification);

// The shortest plain decimal text of `value` ("12.5", "-3", ".25"); 0 gives the empty text.
std::string NumText(double value);

}  // namespace text
