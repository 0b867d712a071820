// Any bytes as a Create buffer: the parser answers with a status, and whatever it accepts can
// be turned into key values, images and a Stat buffer without reading outside the record.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "recman/file_spec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  recman::FileSpec spec;
  if (recman::ParseFileSpec(bytes, &spec) != 0) return 0;
  std::string record(bytes.substr(0, static_cast<size_t>(spec.recordLength)));
  record.resize(static_cast<size_t>(spec.recordLength), '\x5A');
  for (const recman::KeySpec& key : spec.keys) {
    const std::string value = recman::KeyValueOf(key, record);
    if (static_cast<int>(value.size()) != key.length) __builtin_trap();
    const std::string image = recman::KeyImageOf(spec, key, value);
    if (image.size() != value.size()) __builtin_trap();
    (void)recman::IsNullValue(key, value);
  }
  const std::string stat = recman::StatLayout(spec, 7, {1, 2, 3});
  if (stat.size() != spec.layout.size()) __builtin_trap();
  recman::FileSpec again;
  if (recman::ParseFileSpec(stat, &again) != 0) __builtin_trap();
  return 0;
}
