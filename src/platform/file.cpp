#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/host_path.h"

namespace platform {

File::File(File&& other) noexcept : fd_(std::exchange(other.fd_, -1)), error_(other.error_) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    error_ = other.error_;
  }
  return *this;
}

File::~File() { Close(); }

bool File::Open(std::string_view suitePath, Share share, bool create) {
  Close();
  const std::string path = HostPath(suitePath);
  int flags = O_CLOEXEC | (share == Share::kReadShared ? O_RDONLY : O_RDWR);
  if (create) flags |= O_CREAT;
  int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0 && create && share == Share::kReadShared) {
    // Creating a file needs write access; a read-only open of a missing file may still create.
    fd = ::open(path.c_str(), O_CLOEXEC | O_RDWR | O_CREAT, 0666);
  }
  if (fd < 0) {
    error_ = errno;
    return false;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    error_ = EISDIR;
    ::close(fd);
    return false;
  }
  struct flock lock {};
  lock.l_type = share == Share::kExclusive ? F_WRLCK : F_RDLCK;
  lock.l_whence = SEEK_SET;
  if (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
    error_ = errno;
    ::close(fd);
    return false;
  }
  fd_ = fd;
  error_ = 0;
  return true;
}

std::size_t File::Read(std::int64_t position, void* buffer, std::size_t size) {
  if (fd_ < 0 || position < 1) return 0;
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n =
        ::pread(fd_, static_cast<char*>(buffer) + done, size - done, position - 1 + done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

bool File::Write(std::int64_t position, std::string_view data) {
  if (fd_ < 0 || position < 1) return false;
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::pwrite(fd_, data.data() + done, data.size() - done, position - 1 + done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = errno;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool File::Truncate(std::int64_t size) { return fd_ >= 0 && ::ftruncate(fd_, size) == 0; }

std::int64_t File::Size() const {
  struct stat st;
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return 0;
  return st.st_size;
}

std::optional<std::string> File::ReadAll() {
  if (fd_ < 0) return std::nullopt;
  std::string out;
  char buffer[65536];
  std::int64_t position = 1;
  for (;;) {
    const std::size_t n = Read(position, buffer, sizeof buffer);
    if (n == 0) break;
    out.append(buffer, n);
    position += static_cast<std::int64_t>(n);
  }
  return out;
}

void File::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::optional<std::string> ReadFileShared(std::string_view suitePath) {
  File file;
  if (!file.Open(suitePath, Share::kReadShared, false)) return std::nullopt;
  return file.ReadAll();
}

bool FileExists(std::string_view suitePath) {
  struct stat st;
  return ::stat(HostPath(suitePath).c_str(), &st) == 0;
}

bool IsDirectory(std::string_view suitePath) {
  struct stat st;
  return ::stat(HostPath(suitePath).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool DeleteFile(std::string_view suitePath) { return ::unlink(HostPath(suitePath).c_str()) == 0; }

bool AppendToFile(std::string_view suitePath, std::string_view data) {
  const int fd =
      ::open(HostPath(suitePath).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const ssize_t n = ::write(fd, data.data(), data.size());
  const bool closed = ::close(fd) == 0;
  return n == static_cast<ssize_t>(data.size()) && closed;
}

bool ChangeDirectory(std::string_view suitePath) {
  return ::chdir(HostPath(suitePath).c_str()) == 0;
}

}  // namespace platform
