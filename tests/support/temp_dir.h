// A temporary directory for a test, removed with everything in it when the test ends.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace testing_support {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zctest-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory with a trailing '/', ready to be a path prefix.
  std::string Prefix() const { return path_.string() + "/"; }
  const std::filesystem::path& path() const { return path_; }

  // Writes `contents` (raw bytes) to a file under the directory, creating folders on the way.
  std::string Write(std::string_view relative, std::string_view contents) const {
    const auto file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    return file.string();
  }
  std::string Read(std::string_view relative) const {
    std::ifstream in(path_ / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::filesystem::path path_;
};

}  // namespace testing_support
