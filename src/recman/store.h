// Storage of one record file, behind the engine: records by position and one ordered index of
// key images per key. The engine owns each Store for as long as any handle of its process has
// the file open. A Store knows nothing of positions blocks, locks or statuses of the call
// beyond the few it returns; it never caches rows across calls, since other processes write
// the same file. SQLite is the one backend today; a server-database backend fits the same
// interface.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "recman/file_spec.h"

namespace recman {

enum class SeekMode {
  kFirst,       // the first entry
  kLast,        // the last entry
  kAfter,       // the first entry above (image, position)
  kAtOrAfter,   // the first entry at or above (image, position)
  kBefore,      // the last entry below (image, position)
  kAtOrBefore,  // the last entry at or below (image, position)
};

// Index entries are ordered by image, then position; positions start at 1, so (image, 0) lies
// before every entry of that image and (image, kPositionMax) after them.
inline constexpr int64_t kPositionMax = INT64_MAX;

struct Row {
  int64_t position = 0;
  std::string image;  // empty for physical seeks
  std::string data;
};

class Store {
 public:
  virtual ~Store() = default;

  virtual const FileSpec& Spec() const = 0;

  // A write transaction: BeginWrite takes the file's write lock, waiting a short while for
  // another writer (85 when it does not come free); Commit makes the changes durable.
  [[nodiscard]] virtual int16_t BeginWrite() = 0;
  [[nodiscard]] virtual int16_t Commit() = 0;
  virtual void Rollback() = 0;
  virtual bool InWrite() const = 0;
  // A read of several statements that sees one state of the file (inside a write transaction
  // it already does, and these do nothing).
  [[nodiscard]] virtual int16_t BeginRead() = 0;
  virtual void EndRead() = 0;
  // Inside a write transaction, one operation's changes as a unit: undone together when the
  // operation fails, so a transaction keeps only whole operations.
  [[nodiscard]] virtual int16_t Savepoint() = 0;
  virtual void EndSavepoint(bool keep) = 0;

  // 0 with the row, 9 when there is none, or a failure status.
  [[nodiscard]] virtual int16_t SeekKey(int key, SeekMode mode, std::string_view image,
                                        int64_t position, Row* row) = 0;
  [[nodiscard]] virtual int16_t SeekPhysical(SeekMode mode, int64_t position, Row* row) = 0;
  // 0 with the data, 43 when no record has that position.
  [[nodiscard]] virtual int16_t ReadRecord(int64_t position, std::string* data) = 0;

  // Writes, only inside BeginWrite/Commit.
  [[nodiscard]] virtual int16_t InsertRecord(std::string_view data, int64_t* position) = 0;
  [[nodiscard]] virtual int16_t UpdateRecord(int64_t position, std::string_view data) = 0;
  [[nodiscard]] virtual int16_t DeleteRecord(int64_t position) = 0;
  // 5 when the key does not take duplicates and the image is already there.
  [[nodiscard]] virtual int16_t InsertKey(int key, std::string_view image, int64_t position) = 0;
  [[nodiscard]] virtual int16_t DeleteKey(int key, std::string_view image, int64_t position) = 0;

  // The number of records (key -1) or of distinct images of a key.
  [[nodiscard]] virtual int16_t Count(int key, uint32_t* count) = 0;
};

}  // namespace recman
