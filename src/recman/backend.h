// Where record files live: the embedded SQLite files, or one PostgreSQL database shared by the
// stations of several machines. The engine owns one Backend for its life and asks it for stores
// and for the locks of each open handle; a Backend never sees position blocks or key buffers.
// Locks belong to a handle and vanish with it, with its process, and with the process's
// connection to the server; nothing here waits beyond the bounds each call states.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "recman/file_spec.h"
#include "recman/store.h"

namespace recman {

// The open lock and the record locks of one open handle; released when it is destroyed.
class HandleLocks {
 public:
  virtual ~HandleLocks() = default;
  // The open lock, shared or exclusive, retried for `waitMs`. 0 or 85.
  [[nodiscard]] virtual int16_t LockOpen(bool exclusive, int waitMs) = 0;
  // With `wait`, waits until another station lets go; otherwise 84 at once.
  [[nodiscard]] virtual int16_t LockRecord(int64_t position, bool wait) = 0;
  virtual void UnlockRecord(int64_t position) = 0;
  // True when a handle other than this one holds the record's lock.
  virtual bool RecordLockedElsewhere(int64_t position) = 0;
};

class Backend {
 public:
  virtual ~Backend() = default;
  // What tells two opens of the same file apart from two different files; empty when the file
  // does not exist (a server backend may give a name whether or not it exists).
  virtual std::string Identity(const std::string& path) = 0;
  virtual bool Exists(const std::string& path) = 0;
  // 12 when the file does not exist, 30 when it is not a record file.
  [[nodiscard]] virtual int16_t OpenStore(const std::string& path,
                                          std::unique_ptr<Store>* store) = 0;
  // 59 when it exists and `replace` is false.
  [[nodiscard]] virtual int16_t CreateFile(const std::string& path, const FileSpec& spec,
                                           bool replace) = 0;
  [[nodiscard]] virtual int16_t OpenLocks(const std::string& path,
                                          std::unique_ptr<HandleLocks>* locks) = 0;
  // Called after Reset with nothing open: a backend may drop a connection that has failed.
  virtual void Idle() {}
  // In a forked child: forget every resource shared with the parent without closing it.
  virtual void AbandonAfterFork() {}
};

// Where an engine keeps its files: `database` is a libpq connection string (the value of
// KAVDB), empty for the embedded files; `root` is the installation root (KAVROOT).
struct BackendConfig {
  std::string database;
  std::string root;

  static BackendConfig FromEnvironment();
};

std::unique_ptr<Backend> MakeBackend(const BackendConfig& config);

// The name of a record file in a server database: its host path with the installation root
// taken off its front when it starts with it (and the separators that follow it), so stations
// with different roots share "DADES/TVRebut.dat"; otherwise the whole path.
std::string DatabaseName(std::string_view path, std::string_view root);

}  // namespace recman
