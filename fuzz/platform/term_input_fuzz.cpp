// Any bytes from a terminal, cut into reads anywhere, must parse without a crash, a hang or an
// unbounded buffer.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/term_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::TermInputParser parser;
  std::vector<platform::InputEvent> events;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The first byte chooses where reads are cut, so split sequences are exercised too.
  const std::size_t step = size > 0 ? (data[0] % 7) + 1 : 1;
  for (std::size_t i = 0; i < bytes.size(); i += step) {
    parser.Feed(bytes.substr(i, step), events);
    if (data[i] == 0xFF) parser.Timeout(events);
  }
  parser.Timeout(events);
  if (parser.Pending()) __builtin_trap();
  for (const auto& e : events) {
    if (e.kind == platform::InputEvent::Kind::kMouse && (e.row < 1 || e.column < 1)) {
      __builtin_trap();
    }
  }
  return 0;
}
