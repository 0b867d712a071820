#include "recman/sqlite_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "recman/lock_file.h"
#include "recman/status.h"

namespace recman {
namespace {

// 'ZCRF' in the database header marks a record file.
constexpr int kApplicationId = 0x5A435246;
constexpr int kFormatVersion = 1;
// How long a write waits for another process's write to finish before the call returns 85.
constexpr int kBusyWaitMs = 1000;

int16_t MapSqlite(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return kOk;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return kFileInUse;
    case SQLITE_FULL:
      return kDiskFull;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return kAccessDenied;
    case SQLITE_NOTADB:
      return kNotARecordFile;
    case SQLITE_CONSTRAINT:
      return kDuplicateKey;
    default:
      return kIoError;
  }
}

class Statement {
 public:
  Statement() = default;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement() { sqlite3_finalize(stmt_); }

  int Prepare(sqlite3* db, std::string_view sql) {
    return sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()),
                              SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
  }
  bool Ready() const { return stmt_ != nullptr; }
  sqlite3_stmt* get() const { return stmt_; }

  void BindBlob(int i, std::string_view v) {
    static constexpr char kEmpty[1] = {0};
    sqlite3_bind_blob(stmt_, i, v.empty() ? kEmpty : v.data(), static_cast<int>(v.size()),
                      SQLITE_STATIC);
  }
  void BindInt(int i, int64_t v) { sqlite3_bind_int64(stmt_, i, v); }
  std::string ColumnBlob(int i) const {
    const void* p = sqlite3_column_blob(stmt_, i);
    const int n = sqlite3_column_bytes(stmt_, i);
    return p == nullptr ? std::string() : std::string(static_cast<const char*>(p), n);
  }
  // Every use binds all parameters afresh, so a reset is enough.
  void Done() { sqlite3_reset(stmt_); }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// Resets a statement on every way out of a scope.
class StepGuard {
 public:
  explicit StepGuard(Statement& s) : s_(s) {}
  ~StepGuard() { s_.Done(); }

 private:
  Statement& s_;
};

int Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

std::string KeyTable(int key) { return "key_" + std::to_string(key); }

class SqliteStore final : public Store {
 public:
  SqliteStore(sqlite3* db, FileSpec spec) : db_(db), spec_(std::move(spec)) {
    keys_.resize(spec_.keys.size());
  }
  ~SqliteStore() override {
    if (inWrite_) Exec(db_, "ROLLBACK");
    keys_.clear();
    for (auto& s : physical_) s.reset();
    read_.reset();
    insert_.reset();
    update_.reset();
    delete_.reset();
    countRecords_.reset();
    begin_.reset();
    commit_.reset();
    savepoint_.reset();
    beginRead_.reset();
    rollbackTo_.reset();
    release_.reset();
    sqlite3_close(db_);
  }

  const FileSpec& Spec() const override { return spec_; }

  int16_t BeginWrite() override {
    if (inWrite_) return kOk;
    const int rc = RunSimple(begin_, "BEGIN IMMEDIATE");
    if (rc != SQLITE_DONE) return MapSqlite(rc);
    inWrite_ = true;
    return kOk;
  }

  int16_t Commit() override {
    if (!inWrite_) return kOk;
    const int rc = RunSimple(commit_, "COMMIT");
    if (rc != SQLITE_DONE) {
      Rollback();
      return MapSqlite(rc) == kOk ? kIoError : MapSqlite(rc);
    }
    inWrite_ = false;
    return kOk;
  }

  void Rollback() override {
    if (!inWrite_) return;
    Exec(db_, "ROLLBACK");
    inWrite_ = false;
  }

  bool InWrite() const override { return inWrite_; }

  int16_t BeginRead() override {
    if (inWrite_) return kOk;
    const int rc = RunSimple(beginRead_, "BEGIN");
    if (rc != SQLITE_DONE) return MapSqlite(rc);
    inRead_ = true;
    return kOk;
  }

  void EndRead() override {
    if (!inRead_) return;
    (void)RunSimple(commit_, "COMMIT");
    inRead_ = false;
  }

  int16_t Savepoint() override {
    const int rc = RunSimple(savepoint_, "SAVEPOINT op");
    return rc == SQLITE_DONE ? kOk : MapSqlite(rc);
  }

  void EndSavepoint(bool keep) override {
    if (!keep) (void)RunSimple(rollbackTo_, "ROLLBACK TO op");
    (void)RunSimple(release_, "RELEASE op");
  }

  int16_t SeekKey(int key, SeekMode mode, std::string_view image, int64_t position,
                  Row* row) override {
    auto& slot = keys_[key].seek[static_cast<int>(mode)];
    if (!slot) {
      slot = std::make_unique<Statement>();
      if (int rc = slot->Prepare(db_, SeekSql(key, mode)); rc != SQLITE_OK) {
        slot.reset();
        return MapSqlite(rc);
      }
    }
    Statement& s = *slot;
    StepGuard guard(s);
    if (mode != SeekMode::kFirst && mode != SeekMode::kLast) {
      s.BindBlob(1, image);
      s.BindInt(2, position);
    }
    const int rc = sqlite3_step(s.get());
    if (rc == SQLITE_DONE) return kEndOfFile;
    if (rc != SQLITE_ROW) return MapSqlite(rc);
    row->image = s.ColumnBlob(0);
    row->position = sqlite3_column_int64(s.get(), 1);
    row->data = s.ColumnBlob(2);
    return kOk;
  }

  int16_t SeekPhysical(SeekMode mode, int64_t position, Row* row) override {
    auto& slot = physical_[static_cast<int>(mode)];
    if (!slot) {
      static constexpr std::array<const char*, 6> kSql = {
          "SELECT position, data FROM records ORDER BY position LIMIT 1",
          "SELECT position, data FROM records ORDER BY position DESC LIMIT 1",
          "SELECT position, data FROM records WHERE position > ?2 ORDER BY position LIMIT 1",
          "SELECT position, data FROM records WHERE position >= ?2 ORDER BY position LIMIT 1",
          "SELECT position, data FROM records WHERE position < ?2 ORDER BY position DESC LIMIT 1",
          "SELECT position, data FROM records WHERE position <= ?2 ORDER BY position DESC "
          "LIMIT 1"};
      slot = std::make_unique<Statement>();
      if (int rc = slot->Prepare(db_, kSql[static_cast<int>(mode)]); rc != SQLITE_OK) {
        slot.reset();
        return MapSqlite(rc);
      }
    }
    Statement& s = *slot;
    StepGuard guard(s);
    if (mode != SeekMode::kFirst && mode != SeekMode::kLast) s.BindInt(2, position);
    const int rc = sqlite3_step(s.get());
    if (rc == SQLITE_DONE) return kEndOfFile;
    if (rc != SQLITE_ROW) return MapSqlite(rc);
    row->image.clear();
    row->position = sqlite3_column_int64(s.get(), 0);
    row->data = s.ColumnBlob(1);
    return kOk;
  }

  int16_t ReadRecord(int64_t position, std::string* data) override {
    if (int rc = Ensure(read_, "SELECT data FROM records WHERE position = ?1"); rc != kOk) {
      return static_cast<int16_t>(rc);
    }
    StepGuard guard(*read_);
    read_->BindInt(1, position);
    const int rc = sqlite3_step(read_->get());
    if (rc == SQLITE_DONE) return kInvalidRecordAddress;
    if (rc != SQLITE_ROW) return MapSqlite(rc);
    *data = read_->ColumnBlob(0);
    return kOk;
  }

  int16_t InsertRecord(std::string_view data, int64_t* position) override {
    if (int rc = Ensure(insert_, "INSERT INTO records(data) VALUES(?1)"); rc != kOk) {
      return static_cast<int16_t>(rc);
    }
    StepGuard guard(*insert_);
    insert_->BindBlob(1, data);
    const int rc = sqlite3_step(insert_->get());
    if (rc != SQLITE_DONE) return MapSqlite(rc);
    *position = sqlite3_last_insert_rowid(db_);
    // Positions travel as signed 32-bit numbers; past that the file is full.
    if (*position > INT32_MAX) return kDiskFull;
    return kOk;
  }

  int16_t UpdateRecord(int64_t position, std::string_view data) override {
    if (int rc = Ensure(update_, "UPDATE records SET data = ?2 WHERE position = ?1"); rc != kOk) {
      return static_cast<int16_t>(rc);
    }
    StepGuard guard(*update_);
    update_->BindInt(1, position);
    update_->BindBlob(2, data);
    return MapSqlite(sqlite3_step(update_->get()));
  }

  int16_t DeleteRecord(int64_t position) override {
    if (int rc = Ensure(delete_, "DELETE FROM records WHERE position = ?1"); rc != kOk) {
      return static_cast<int16_t>(rc);
    }
    StepGuard guard(*delete_);
    delete_->BindInt(1, position);
    return MapSqlite(sqlite3_step(delete_->get()));
  }

  int16_t InsertKey(int key, std::string_view image, int64_t position) override {
    auto& k = keys_[key];
    if (!k.insert) {
      const std::string sql = "INSERT INTO " + KeyTable(key) + "(image, position) VALUES(?1, ?2)";
      if (int16_t rc = Ensure(k.insert, sql); rc != kOk) return rc;
    }
    StepGuard guard(*k.insert);
    k.insert->BindBlob(1, image);
    k.insert->BindInt(2, position);
    return MapSqlite(sqlite3_step(k.insert->get()));
  }

  int16_t DeleteKey(int key, std::string_view image, int64_t position) override {
    auto& k = keys_[key];
    if (!k.erase) {
      const std::string sql =
          "DELETE FROM " + KeyTable(key) + " WHERE image = ?1 AND position = ?2";
      if (int16_t rc = Ensure(k.erase, sql); rc != kOk) return rc;
    }
    StepGuard guard(*k.erase);
    k.erase->BindBlob(1, image);
    k.erase->BindInt(2, position);
    return MapSqlite(sqlite3_step(k.erase->get()));
  }

  int16_t Count(int key, uint32_t* count) override {
    std::unique_ptr<Statement>& slot = key < 0 ? countRecords_ : keys_[key].count;
    if (!slot) {
      const std::string sql = key < 0 ? "SELECT count(*) FROM records"
                              : spec_.keys[key].duplicates
                                  ? "SELECT count(DISTINCT image) FROM " + KeyTable(key)
                                  : "SELECT count(*) FROM " + KeyTable(key);
      if (int16_t rc = Ensure(slot, sql); rc != kOk) return rc;
    }
    StepGuard guard(*slot);
    const int rc = sqlite3_step(slot->get());
    if (rc != SQLITE_ROW) return MapSqlite(rc);
    *count = static_cast<uint32_t>(sqlite3_column_int64(slot->get(), 0));
    return kOk;
  }

 private:
  struct KeyStatements {
    std::array<std::unique_ptr<Statement>, 6> seek;
    std::unique_ptr<Statement> insert;
    std::unique_ptr<Statement> erase;
    std::unique_ptr<Statement> count;
  };

  int16_t Ensure(std::unique_ptr<Statement>& slot, std::string_view sql) {
    if (slot) return kOk;
    slot = std::make_unique<Statement>();
    if (int rc = slot->Prepare(db_, sql); rc != SQLITE_OK) {
      slot.reset();
      return MapSqlite(rc);
    }
    return kOk;
  }

  int RunSimple(std::unique_ptr<Statement>& slot, const char* sql) {
    if (Ensure(slot, sql) != kOk) return sqlite3_errcode(db_);
    StepGuard guard(*slot);
    return sqlite3_step(slot->get());
  }

  // The records come with the index entry in one statement. CROSS JOIN keeps the key table as
  // the outer loop, so the plan is an index seek whatever SQLite's statistics say; the ORDER
  // BY names the position too, so duplicates keep insertion order whatever the plan.
  std::string SeekSql(int key, SeekMode mode) const {
    const bool dup = spec_.keys[key].duplicates;
    const std::string head = "SELECT k.image, k.position, r.data FROM " + KeyTable(key) +
                             " AS k CROSS JOIN records AS r ON r.position = k.position ";
    const std::string up = " ORDER BY k.image, k.position LIMIT 1";
    const std::string down = " ORDER BY k.image DESC, k.position DESC LIMIT 1";
    switch (mode) {
      case SeekMode::kFirst:
        return head + up;
      case SeekMode::kLast:
        return head + down;
      case SeekMode::kAfter:
        return head +
               (dup ? "WHERE (k.image, k.position) > (?1, ?2)"
                    : "WHERE k.image >= ?1 AND (k.image > ?1 OR k.position > ?2)") +
               up;
      case SeekMode::kAtOrAfter:
        return head +
               (dup ? "WHERE (k.image, k.position) >= (?1, ?2)"
                    : "WHERE k.image >= ?1 AND (k.image > ?1 OR k.position >= ?2)") +
               up;
      case SeekMode::kBefore:
        return head +
               (dup ? "WHERE (k.image, k.position) < (?1, ?2)"
                    : "WHERE k.image <= ?1 AND (k.image < ?1 OR k.position < ?2)") +
               down;
      case SeekMode::kAtOrBefore:
        return head +
               (dup ? "WHERE (k.image, k.position) <= (?1, ?2)"
                    : "WHERE k.image <= ?1 AND (k.image < ?1 OR k.position <= ?2)") +
               down;
    }
    return head + up;
  }

  sqlite3* db_;
  FileSpec spec_;
  bool inWrite_ = false;
  bool inRead_ = false;
  std::vector<KeyStatements> keys_;
  std::array<std::unique_ptr<Statement>, 6> physical_;
  std::unique_ptr<Statement> read_, insert_, update_, delete_, countRecords_, begin_, commit_;
  std::unique_ptr<Statement> savepoint_, rollbackTo_, release_, beginRead_;
};

int16_t BuildFile(const std::string& path, const FileSpec& spec) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(
      path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close(db);
    return kCreateIoError;
  }
  std::string sql = "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA application_id=" +
                    std::to_string(kApplicationId) +
                    "; PRAGMA user_version=" + std::to_string(kFormatVersion) +
                    "; BEGIN;"
                    "CREATE TABLE file_spec(id INTEGER PRIMARY KEY CHECK (id = 1),"
                    " record_length INTEGER NOT NULL, page_size INTEGER NOT NULL,"
                    " key_count INTEGER NOT NULL, layout BLOB NOT NULL);"
                    "CREATE TABLE records(position INTEGER PRIMARY KEY, data BLOB NOT NULL);";
  for (size_t k = 0; k < spec.keys.size(); ++k) {
    sql += "CREATE TABLE " + KeyTable(static_cast<int>(k)) +
           (spec.keys[k].duplicates
                ? "(image BLOB NOT NULL, position INTEGER NOT NULL, PRIMARY KEY (image, position))"
                : "(image BLOB NOT NULL PRIMARY KEY, position INTEGER NOT NULL)") +
           " WITHOUT ROWID;";
  }
  rc = Exec(db, sql.c_str());
  if (rc == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    rc = sqlite3_prepare_v2(db,
                            "INSERT INTO file_spec(id, record_length, page_size, key_count, layout)"
                            " VALUES(1, ?1, ?2, ?3, ?4)",
                            -1, &st, nullptr);
    if (rc == SQLITE_OK) {
      sqlite3_bind_int(st, 1, spec.recordLength);
      sqlite3_bind_int(st, 2, spec.pageSize);
      sqlite3_bind_int(st, 3, static_cast<int>(spec.keys.size()));
      sqlite3_bind_blob(st, 4, spec.layout.data(), static_cast<int>(spec.layout.size()),
                        SQLITE_STATIC);
      rc = sqlite3_step(st) == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(db);
    }
    sqlite3_finalize(st);
  }
  if (rc == SQLITE_OK) rc = Exec(db, "COMMIT");
  const int closeRc = sqlite3_close(db);
  if (rc != SQLITE_OK || closeRc != SQLITE_OK) {
    return MapSqlite(rc) == kDiskFull ? kDiskFull : kCreateIoError;
  }
  return kOk;
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

void SyncDirectory(const std::string& path) {
  const int fd = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

void RemoveFile(const std::string& path) { ::unlink(path.c_str()); }

}  // namespace

int16_t CreateSqliteFile(const std::string& path, const FileSpec& spec, bool replace) {
  struct stat st {};
  if (!replace && ::stat(path.c_str(), &st) == 0) return kFileExists;
  const std::string temp = path + ".new-" + std::to_string(::getpid());
  RemoveFile(temp);
  RemoveFile(temp + "-wal");
  RemoveFile(temp + "-shm");
  if (int16_t status = BuildFile(temp, spec); status != kOk) {
    RemoveFile(temp);
    RemoveFile(temp + "-wal");
    RemoveFile(temp + "-shm");
    return status;
  }
  int16_t status = kOk;
  if (replace) {
    // A write-ahead log left by the old file must not be replayed into the new one.
    RemoveFile(path + "-wal");
    RemoveFile(path + "-shm");
    if (::rename(temp.c_str(), path.c_str()) != 0) status = kCreateIoError;
  } else if (::link(temp.c_str(), path.c_str()) != 0) {
    status = errno == EEXIST ? kFileExists : kCreateIoError;
  }
  RemoveFile(temp);
  if (status == kOk) SyncDirectory(path);
  return status;
}

int16_t OpenSqliteStore(const std::string& path, std::unique_ptr<Store>* store) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return kFileNotFound;
    if (errno == EACCES) return kAccessDenied;
    return kIoError;
  }
  if (!S_ISREG(st.st_mode)) return kNotARecordFile;
  if (::access(path.c_str(), R_OK) != 0) return kAccessDenied;
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close(db);
    return rc == SQLITE_CANTOPEN ? kFileNotFound : MapSqlite(rc);
  }
  sqlite3_busy_timeout(db, kBusyWaitMs);
  sqlite3_extended_result_codes(db, 0);
  auto fail = [db](int16_t status) {
    sqlite3_close(db);
    return status;
  };
  sqlite3_stmt* s = nullptr;
  rc = sqlite3_prepare_v2(db, "PRAGMA application_id", -1, &s, nullptr);
  int appId = 0;
  if (rc == SQLITE_OK) {
    rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) appId = sqlite3_column_int(s, 0);
  }
  sqlite3_finalize(s);
  if (rc != SQLITE_ROW) {
    const int16_t status = MapSqlite(rc);
    return fail(status == kOk || status == kIoError ? kNotARecordFile : status);
  }
  if (appId != kApplicationId) return fail(kNotARecordFile);

  // Durability: a call that returns 0 has its change on disk, so it survives the process and
  // the machine. NORMAL would survive only the process.
  if (Exec(db, "PRAGMA synchronous=FULL") != SQLITE_OK) return fail(kNotARecordFile);

  std::string layout;
  int keyCount = -1;
  rc = sqlite3_prepare_v2(db, "SELECT layout, key_count FROM file_spec WHERE id = 1", -1, &s,
                          nullptr);
  if (rc == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW &&
      sqlite3_column_type(s, 0) == SQLITE_BLOB) {
    layout.assign(static_cast<const char*>(sqlite3_column_blob(s, 0)), sqlite3_column_bytes(s, 0));
    keyCount = sqlite3_column_int(s, 1);
  }
  sqlite3_finalize(s);
  FileSpec spec;
  if (ParseFileSpec(layout, &spec) != kOk || static_cast<int>(spec.keys.size()) != keyCount) {
    return fail(kNotARecordFile);
  }
  int tables = 0;
  rc = sqlite3_prepare_v2(db,
                          "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND"
                          " (name = 'records' OR (name GLOB 'key_[0-9]*' AND"
                          " CAST(substr(name, 5) AS INTEGER) < ?1))",
                          -1, &s, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_bind_int(s, 1, keyCount);
    if (sqlite3_step(s) == SQLITE_ROW) tables = sqlite3_column_int(s, 0);
  }
  sqlite3_finalize(s);
  if (tables != keyCount + 1) return fail(kNotARecordFile);
  *store = std::make_unique<SqliteStore>(db, std::move(spec));
  return kOk;
}

namespace {

class SqliteLocks final : public HandleLocks {
 public:
  explicit SqliteLocks(LockFile lock) : lock_(std::move(lock)) {}
  int16_t LockOpen(bool exclusive, int waitMs) override {
    return lock_.LockOpen(exclusive, waitMs);
  }
  int16_t LockRecord(int64_t position, bool wait) override {
    return lock_.LockRecord(position, wait);
  }
  void UnlockRecord(int64_t position) override { lock_.UnlockRecord(position); }
  bool RecordLockedElsewhere(int64_t position) override {
    return lock_.RecordLockedElsewhere(position);
  }

 private:
  LockFile lock_;
};

class SqliteBackend final : public Backend {
 public:
  std::string Identity(const std::string& path) override {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
  }
  bool Exists(const std::string& path) override {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
  }
  int16_t OpenStore(const std::string& path, std::unique_ptr<Store>* store) override {
    return OpenSqliteStore(path, store);
  }
  int16_t CreateFile(const std::string& path, const FileSpec& spec, bool replace) override {
    return CreateSqliteFile(path, spec, replace);
  }
  int16_t OpenLocks(const std::string& path, std::unique_ptr<HandleLocks>* locks) override {
    LockFile lock;
    if (int16_t status = lock.Open(path); status != kOk) return status;
    *locks = std::make_unique<SqliteLocks>(std::move(lock));
    return kOk;
  }
};

}  // namespace

std::unique_ptr<Backend> MakeSqliteBackend() { return std::make_unique<SqliteBackend>(); }

}  // namespace recman
