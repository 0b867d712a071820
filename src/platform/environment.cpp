#include "platform/environment.h"

#include <cstdlib>

#include "platform/cp850.h"

namespace platform {

std::string ProcessEnvironment::Get(std::string_view name) const {
  const char* value = std::getenv(std::string(name).c_str());
  return value == nullptr ? std::string() : Utf8ToCp850(value);
}

std::string MapEnvironment::Get(std::string_view name) const {
  const auto it = values_.find(name);
  return it == values_.end() ? std::string() : it->second;
}

}  // namespace platform
