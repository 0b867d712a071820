// Arbitrary bytes as a WinPush.tmp: the reader never crashes, and whatever it accepts is an
// entry that the writer would have written byte for byte at that place.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "screen/window_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const auto top = screen::ReadTopEntry(file);
  if (!top) return 0;
  const std::string bytes = screen::EncodeEntry(top->entry);
  if (top->start < screen::kFirstEntryPosition ||
      top->entry.cells.size() != screen::CellCount(top->entry.rect) ||
      file.substr(static_cast<std::size_t>(top->start - 1), bytes.size()) != bytes) {
    std::abort();
  }
  return 0;
}
