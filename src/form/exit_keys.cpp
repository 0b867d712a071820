#include "form/exit_keys.h"

#include <algorithm>

namespace form {
namespace {

constexpr std::int16_t kHiddenTypingMask = 'X';

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Keeps the low 16 bits, as the suite's 16-bit key codes do.
std::int16_t HexValue(std::string_view text) {
  std::uint16_t value = 0;
  for (char c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) break;
    value = static_cast<std::uint16_t>(value * 16 + digit);
  }
  return static_cast<std::int16_t>(value);
}

}  // namespace

std::vector<ExitKey> ParseKeyList(std::string_view list) {
  std::vector<ExitKey> keys;
  if (list.empty()) return keys;
  while (true) {
    const std::size_t comma = list.find(',');
    const std::string_view item = list.substr(0, comma);
    const std::size_t equals = item.find('=');
    ExitKey key;
    key.code = HexValue(item.substr(0, equals));
    key.result = equals == std::string_view::npos ? key.code : HexValue(item.substr(equals + 1));
    keys.push_back(key);
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return keys;
}

void SetExitKeys(ExitKeySet& set, std::string_view commands, std::string_view list) {
  for (char command : commands) {
    switch (command) {
      case 'A':
      case 'a':
        for (const ExitKey& key : ParseKeyList(list)) {
          set.ExitKeys.push_back(key.code);
          set.ExitResults.push_back(key.result);
        }
        break;
      case 'D':
      case 'd':
        for (const ExitKey& key : ParseKeyList(list)) {
          const auto at = std::find(set.ExitKeys.begin(), set.ExitKeys.end(), key.code);
          if (at == set.ExitKeys.end()) continue;
          set.ExitResults.erase(set.ExitResults.begin() + (at - set.ExitKeys.begin()));
          set.ExitKeys.erase(at);
        }
        break;
      case 'E':
      case 'e':
        set.ExitKeys.clear();
        set.ExitResults.clear();
        break;
      case '+':
        if (set.ExitSaveDepth == 0) {
          set.SavedExitKeys = set.ExitKeys;
          set.SavedExitResults = set.ExitResults;
          set.ExitSaveDepth = 1;
        }
        break;
      case '-':
        if (set.ExitSaveDepth == 1) {
          set.ExitKeys = std::move(set.SavedExitKeys);
          set.ExitResults = std::move(set.SavedExitResults);
          set.SavedExitKeys.clear();
          set.SavedExitResults.clear();
          set.ExitSaveDepth = 0;
        }
        break;
      case 'H':
      case 'h':
        set.InputMask = kHiddenTypingMask;
        break;
      case 'V':
      case 'v':
        set.InputMask = 0;
        break;
      default:
        break;
    }
  }
}

std::optional<std::int16_t> FindExitResult(const ExitKeySet& set, std::int16_t code) {
  const auto at = std::find(set.ExitKeys.begin(), set.ExitKeys.end(), code);
  if (at == set.ExitKeys.end()) return std::nullopt;
  return set.ExitResults[static_cast<std::size_t>(at - set.ExitKeys.begin())];
}

}  // namespace form
