// A temporary installation root for the text tests: a fresh directory, removed with its
// contents when the test ends, into which a test writes its Nerl.ini.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace text_testing {

class TempRoot {
 public:
  TempRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zctext-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempRoot() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempRoot(const TempRoot&) = delete;
  TempRoot& operator=(const TempRoot&) = delete;

  // The root as the program holds it: a prefix ending in a separator.
  std::string Prefix() const { return path_.string() + "/"; }

  void WriteNerlIni(std::string_view contents) const {
    std::ofstream(path_ / "Nerl.ini", std::ios::binary | std::ios::trunc) << contents;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace text_testing
