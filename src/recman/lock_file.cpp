#include "recman/lock_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "recman/status.h"

namespace recman {
namespace {

bool SetLock(int fd, short type, int64_t offset, bool wait) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = offset;
  fl.l_len = 1;
  int rc;
  do {
    rc = ::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl);
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

}  // namespace

LockFile::LockFile(LockFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

LockFile& LockFile::operator=(LockFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

LockFile::~LockFile() {
  if (fd_ >= 0) ::close(fd_);
}

int16_t LockFile::Open(const std::string& dataPath) {
  const std::string path = dataPath + "-lock";
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return kAccessDenied;
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
  return kOk;
}

int16_t LockFile::LockOpen(bool exclusive, int waitMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  while (!SetLock(fd_, exclusive ? F_WRLCK : F_RDLCK, 0, false)) {
    if (errno != EAGAIN && errno != EACCES) return kIoError;
    if (std::chrono::steady_clock::now() >= deadline) return kFileInUse;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return kOk;
}

int16_t LockFile::LockRecord(int64_t position, bool wait) {
  if (SetLock(fd_, F_WRLCK, kRecordLockBase + position, wait)) return kOk;
  return errno == EAGAIN || errno == EACCES ? kRecordInUse : kIoError;
}

void LockFile::UnlockRecord(int64_t position) {
  SetLock(fd_, F_UNLCK, kRecordLockBase + position, false);
}

bool LockFile::RecordLockedElsewhere(int64_t position) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = kRecordLockBase + position;
  fl.l_len = 1;
  if (::fcntl(fd_, F_OFD_GETLK, &fl) != 0) return false;
  return fl.l_type != F_UNLCK;
}

}  // namespace recman
