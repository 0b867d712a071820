// Read-only lookups of environment variables, in code page 850. The program asks through this
// interface so tests can hand it a plain map; nothing ever writes the environment.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace platform {

class Environment {
 public:
  virtual ~Environment() = default;
  // The variable's value converted to code page 850; the empty text when unset.
  virtual std::string Get(std::string_view name) const = 0;
};

// The process environment (values are taken as UTF-8).
class ProcessEnvironment final : public Environment {
 public:
  std::string Get(std::string_view name) const override;
};

// A fixed set of values, already in code page 850.
class MapEnvironment final : public Environment {
 public:
  MapEnvironment() = default;
  explicit MapEnvironment(std::map<std::string, std::string, std::less<>> values)
      : values_(std::move(values)) {}
  void Set(std::string name, std::string value) { values_[std::move(name)] = std::move(value); }
  std::string Get(std::string_view name) const override;

 private:
  std::map<std::string, std::string, std::less<>> values_;
};

}  // namespace platform
