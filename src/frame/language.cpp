#include "frame/language.h"

#include "frame/item_reader.h"
#include "platform/file.h"

namespace frame {

std::string LanguageFilePath(const Session& session, std::string_view programCode) {
  return session.RootDir + "LOCALE\\" + std::string(programCode) + ".LNG";
}

std::string TranslateWith(std::string_view languageFile, std::string_view languageCode,
                          std::string_view text) {
  ItemReader reader(languageFile);
  while (!reader.AtEnd()) {
    const std::string key = reader.ReadItem();
    if (reader.AtEnd()) break;
    // The entry's items in file order: Galician, Occitan, Spanish.
    std::string galician = reader.ReadItem();
    std::string occitan = reader.ReadItem();
    std::string spanish = reader.ReadItem();
    if (key != text) continue;
    if (reader.Overran()) break;
    if (languageCode == "SPA") return spanish;
    if (languageCode == "GLG") return galician;
    if (languageCode == "OCI") return occitan;
    break;
  }
  return std::string(text);
}

std::string Translate(const Session& session, std::string_view programCode, std::string_view text) {
  if (session.LanguageCode == "CAT") return std::string(text);
  const std::string path = LanguageFilePath(session, programCode);
  {
    // The suite creates a missing language file, so that translators find it in place.
    platform::File file;
    if (!file.Open(path, platform::Share::kReadWriteShared, true)) return std::string(text);
  }
  const auto contents = platform::ReadFileShared(path);
  if (!contents) return std::string(text);
  return TranslateWith(*contents, session.LanguageCode, text);
}

}  // namespace frame
