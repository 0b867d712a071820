#include "frame/settings.h"

#include <cctype>

#include "platform/file.h"

namespace frame {
namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// Upper-case folding of the C locale: the suite's names are plain ASCII, and accented letters
// are left as they are.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

}  // namespace

std::string FindSetting(std::string_view contents, std::string_view section, std::string_view key) {
  const std::string_view wantedSection = TrimBlanks(section);
  const std::string_view wantedKey = TrimBlanks(key);
  bool inSection = false;
  std::string value;
  while (!contents.empty()) {
    // A CR ends a line and the LF after it belongs to that end. A lone LF ends a line too:
    // settings files edited on this host have no CR, and a value running on into the next
    // line would never be what the administrator meant.
    const std::size_t end = contents.find_first_of("\r\n");
    std::string_view line = contents.substr(0, end);
    if (end == std::string_view::npos) {
      contents = {};
    } else {
      const bool crlf =
          contents[end] == '\r' && end + 1 < contents.size() && contents[end + 1] == '\n';
      contents.remove_prefix(end + (crlf ? 2 : 1));
    }

    line = line.substr(0, line.find(';'));
    while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    if (TrimBlanks(line).empty()) continue;

    if (!inSection) {
      if (line.front() == '[') {
        std::string_view name = line.substr(1);
        name = name.substr(0, name.find(']'));
        if (SameName(TrimBlanks(name), wantedSection)) inSection = true;
      }
      continue;
    }
    if (line.front() == '[') break;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    std::string_view name = line.substr(0, equals);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    if (SameName(name, wantedKey)) {
      value = std::string(line.substr(equals + 1));
      break;
    }
  }
  if (value.size() > 1 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

std::string ReadSetting(std::string_view file, std::string_view section, std::string_view key) {
  const auto contents = platform::ReadFileShared(file);
  if (!contents) return {};
  return FindSetting(*contents, section, key);
}

}  // namespace frame
