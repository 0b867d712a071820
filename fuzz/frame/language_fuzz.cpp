// Any language file and any text looked up in it: no crash, no hang, and the answer is always
// the text itself or one of the file's items (so never longer than the two together).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "frame/item_reader.h"
#include "frame/language.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (bytes.empty()) return 0;
  constexpr std::string_view kCodes[] = {"SPA", "GLG", "OCI", "CAT"};
  const std::string_view code = kCodes[static_cast<unsigned char>(bytes.front()) % 4];
  bytes.remove_prefix(1);
  // The text comes first, up to a NUL; the rest is the file.
  const std::size_t nul = bytes.find('\0');
  const std::string_view text = nul == std::string_view::npos ? "Nom" : bytes.substr(0, nul);
  const std::string_view file = nul == std::string_view::npos ? bytes : bytes.substr(nul + 1);
  const std::string result = frame::TranslateWith(file, code, text);
  if (result.size() > file.size() + text.size()) __builtin_trap();

  frame::ItemReader reader(file);
  std::size_t items = 0;
  while (!reader.AtEnd()) {
    if (++items > file.size() + 1) __builtin_trap();  // every item moves forward
    if (items % 3 == 0) reader.SkipCommentLines();
    (void)reader.ReadNumber();
  }
  return 0;
}
