#include "platform/host_path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>

#include "platform/cp850.h"

namespace platform {
namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// The entry of `dir` whose name matches `name` ignoring case, or `name` itself.
std::string MatchInDirectory(const std::string& dir, const std::string& name) {
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (d == nullptr) return name;
  std::string found = name;
  while (const dirent* e = ::readdir(d)) {
    if (EqualsIgnoringAsciiCase(e->d_name, name)) {
      found = e->d_name;
      break;
    }
  }
  ::closedir(d);
  return found;
}

}  // namespace

std::string HostPathLiteral(std::string_view suitePath) {
  if (suitePath.size() >= 2 && suitePath[1] == ':' &&
      std::isalpha(static_cast<unsigned char>(suitePath[0]))) {
    suitePath.remove_prefix(2);
  }
  std::string path = Cp850ToUtf8(suitePath);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

std::string HostPath(std::string_view suitePath) {
  const std::string literal = HostPathLiteral(suitePath);
  if (literal.empty() || Exists(literal)) return literal;

  std::string result;
  std::size_t start = 0;
  if (literal[0] == '/') {
    result = "/";
    start = 1;
  }
  bool matching = true;
  while (start <= literal.size()) {
    std::size_t end = literal.find('/', start);
    if (end == std::string::npos) end = literal.size();
    const std::string component = literal.substr(start, end - start);
    if (!component.empty()) {
      std::string actual = component;
      if (matching && component != "." && component != "..") {
        const std::string dir = result.empty() ? "." : result;
        if (!Exists(result + component)) {
          actual = MatchInDirectory(dir, component);
          if (actual == component) matching = false;
        }
      }
      result += actual;
    }
    if (end < literal.size()) result += '/';
    start = end + 1;
  }
  return result;
}

}  // namespace platform
