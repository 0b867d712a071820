// Screen texts in the session language. The program's texts are written in Catalan; one
// language file per program (LOCALE\<program>.LNG under the root) gives each Catalan text its
// Galician, Occitan and Spanish forms, four items an entry. Nothing is cached: every lookup
// reads the file afresh. Failures are never reported: a text without a usable entry comes back
// as it was given.
#pragma once

#include <string>
#include <string_view>

#include "frame/session.h"

namespace frame {

// RootDir + "LOCALE\" + programCode + ".LNG".
std::string LanguageFilePath(const Session& session, std::string_view programCode);

// `text` in the session language. With LanguageCode "CAT" no file is touched; otherwise the
// language file is created empty when it is missing, and then searched.
std::string Translate(const Session& session, std::string_view programCode, std::string_view text);

// The lookup itself over the bytes of a language file: the first entry whose Catalan item is
// exactly `text` gives the item of `languageCode` ("SPA", "GLG", "OCI"); any other code, no
// entry, or an entry cut short by the end of the file gives `text`.
std::string TranslateWith(std::string_view languageFile, std::string_view languageCode,
                          std::string_view text);

}  // namespace frame
