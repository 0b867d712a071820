// Any settings file contents, and any names asked for, must read without a crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "frame/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // Names come from the front, separated by the first two NUL bytes; the rest is the file.
  const std::size_t a = bytes.find('\0');
  const std::size_t b = a == std::string_view::npos ? a : bytes.find('\0', a + 1);
  if (b == std::string_view::npos) {
    (void)frame::FindSetting(bytes, "Menu", "Titol");
    return 0;
  }
  const std::string value =
      frame::FindSetting(bytes.substr(b + 1), bytes.substr(0, a), bytes.substr(a + 1, b - a - 1));
  if (value.size() > size) __builtin_trap();
  return 0;
}
