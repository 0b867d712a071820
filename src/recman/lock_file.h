// Locks shared between processes for one record file: open-file description (OFD) locks on a
// lock file beside the data file ("<data file>-lock"). Each open handle owns one descriptor,
// so the kernel drops its locks when the handle closes or the process ends, however it ends.
// Byte 0 holds the open mode (read lock for shared opens, write lock for exclusive ones);
// byte kRecordLockBase + position holds a record's lock. Only a record lock taken with
// wait blocks until its holder lets go.
#pragma once

#include <cstdint>
#include <string>

namespace recman {

class LockFile {
 public:
  LockFile() = default;
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;
  LockFile(LockFile&& other) noexcept;
  LockFile& operator=(LockFile&& other) noexcept;
  ~LockFile();

  // Opens (creating when missing) the lock file of `dataPath`. 0, or 46 when it cannot be.
  [[nodiscard]] int16_t Open(const std::string& dataPath);

  // Takes byte 0 shared or exclusive, retrying for `waitMs`. 0 or 85.
  [[nodiscard]] int16_t LockOpen(bool exclusive, int waitMs);

  // Takes a record's lock. With `wait`, waits until the holder lets go; otherwise 84 at once.
  [[nodiscard]] int16_t LockRecord(int64_t position, bool wait);
  void UnlockRecord(int64_t position);
  // True when a handle other than this one holds the record's lock.
  bool RecordLockedElsewhere(int64_t position);

 private:
  int fd_ = -1;
};

inline constexpr int64_t kRecordLockBase = 16;

}  // namespace recman
