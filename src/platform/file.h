// Byte-addressed files as the suite uses them: opened shared or exclusive, created when missing
// but never truncated, read and written at 1-based positions, every result explicit. Paths are
// suite paths (see host_path.h). A File owns its descriptor and closes it when destroyed, so no
// ordinary file outlives the operation that opened it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class Share {
  kReadShared,       // read only; others may read and write
  kReadWriteShared,  // read and write; others may read and write
  kExclusive,        // read and write; nobody else may have the file open through File
};

// Share modes are advisory OFD locks on the whole file: shared opens hold a read lock,
// exclusive opens a write lock, so they exclude each other across processes and are released
// whenever the descriptor closes, also when a process dies.
class File {
 public:
  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  ~File();

  // Opens `suitePath`. With `create`, a missing file is created empty; an existing file is
  // never truncated. Returns false (errno kept in error()) when the file cannot be opened or
  // the share mode conflicts with another open.
  [[nodiscard]] bool Open(std::string_view suitePath, Share share, bool create);
  bool IsOpen() const { return fd_ >= 0; }
  int error() const { return error_; }

  // Reads up to `size` bytes at the 1-based `position`; returns the count read (0 at or past
  // the end, or on an error).
  std::size_t Read(std::int64_t position, void* buffer, std::size_t size);
  // Writes all of `data` at the 1-based `position`, extending the file as needed.
  [[nodiscard]] bool Write(std::int64_t position, std::string_view data);
  [[nodiscard]] bool Truncate(std::int64_t size);
  std::int64_t Size() const;
  // The whole file, or nothing on a read error.
  std::optional<std::string> ReadAll();
  void Close();

 private:
  int fd_ = -1;
  int error_ = 0;
};

// Whole-file helpers on suite paths.
std::optional<std::string> ReadFileShared(std::string_view suitePath);
bool FileExists(std::string_view suitePath);
bool IsDirectory(std::string_view suitePath);
bool DeleteFile(std::string_view suitePath);
bool ChangeDirectory(std::string_view suitePath);
// Appends `data` at the end of the file, creating it when missing, in one write, so that lines
// appended by several processes never interleave.
bool AppendToFile(std::string_view suitePath, std::string_view data);

}  // namespace platform
