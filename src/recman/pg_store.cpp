#include "recman/pg_store.h"

#include <libpq-fe.h>

#include <array>
#include <chrono>
#include <cstring>
#include <map>
#include <thread>
#include <utility>
#include <vector>

#include "recman/status.h"

namespace recman {
namespace {

constexpr Oid kByteaOid = 17;
constexpr Oid kInt8Oid = 20;
constexpr Oid kInt4Oid = 23;
constexpr Oid kTextOid = 25;
// How long a write waits for another station's write to the same file before it returns 85.
constexpr int kBusyWaitMs = 1000;
// Serialises the creation of the catalogue by stations connecting at the same moment.
constexpr const char* kCatalogLockKey = "1515410502";

using ResultPtr = std::unique_ptr<PGresult, decltype(&PQclear)>;

int16_t MapSqlState(const char* state) {
  if (state == nullptr) return kManagerInactive;
  const std::string_view s(state);
  if (s == "23505") return kDuplicateKey;
  if (s == "55P03" || s == "40P01" || s == "40001" || s == "57014") return kFileInUse;
  if (s == "2200H" || s == "22003" || s == "53100") return kDiskFull;
  if (s == "42P01" || s == "42703") return kNotARecordFile;
  if (s == "42501") return kAccessDenied;
  if (s.substr(0, 2) == "08" || s.substr(0, 3) == "57P") return kManagerInactive;
  return kIoError;
}

int64_t ReadInt(const PGresult* r, int row, int column) {
  const auto* p = reinterpret_cast<const uint8_t*>(PQgetvalue(r, row, column));
  const int n = PQgetlength(r, row, column);
  int64_t v = (n > 0 && (p[0] & 0x80) != 0) ? -1 : 0;
  for (int i = 0; i < n; ++i) v = static_cast<int64_t>((static_cast<uint64_t>(v) << 8) | p[i]);
  return v;
}

std::string ReadBytes(const PGresult* r, int row, int column) {
  return std::string(PQgetvalue(r, row, column), PQgetlength(r, row, column));
}

// A parameter of a prepared statement in binary form.
struct Param {
  std::string bytes;
  static Param Blob(std::string_view v) { return Param{std::string(v)}; }
  static Param Int8(int64_t v) {
    std::string b(8, '\0');
    for (int i = 0; i < 8; ++i) b[i] = static_cast<char>(static_cast<uint64_t>(v) >> (56 - 8 * i));
    return Param{std::move(b)};
  }
  static Param Int4(int32_t v) {
    std::string b(4, '\0');
    for (int i = 0; i < 4; ++i) b[i] = static_cast<char>(static_cast<uint32_t>(v) >> (24 - 8 * i));
    return Param{std::move(b)};
  }
};

struct Prepared {
  std::string name;
  std::string sql;
  std::vector<Oid> types;
  bool ready = false;
};

enum class Tx { kNone, kRead, kWrite };

// The station's connection. Shared by the backend, the stores and the locks of one engine.
class PgSession {
 public:
  explicit PgSession(PGconn* conn) : conn_(conn) {}
  PgSession(const PgSession&) = delete;
  PgSession& operator=(const PgSession&) = delete;
  ~PgSession() {
    if (conn_ != nullptr) PQfinish(conn_);
  }

  bool Broken() const { return conn_ == nullptr || PQstatus(conn_) != CONNECTION_OK; }
  // A forked child must not speak on its parent's connection, nor end it.
  void Abandon() { conn_ = nullptr; }

  // A simple query (several statements allowed); the result of the last one.
  int16_t Exec(const std::string& sql, ResultPtr* out = nullptr) {
    if (Broken()) return kManagerInactive;
    ResultPtr r(PQexec(conn_, sql.c_str()), &PQclear);
    const int16_t status = Status(r.get());
    if (out != nullptr) *out = std::move(r);
    return status;
  }

  int16_t Run(Prepared& p, const std::vector<Param>& params, ResultPtr* out = nullptr) {
    if (Broken()) return kManagerInactive;
    if (!p.ready) {
      ResultPtr r(PQprepare(conn_, p.name.c_str(), p.sql.c_str(), static_cast<int>(p.types.size()),
                            p.types.data()),
                  &PQclear);
      if (int16_t status = Status(r.get()); status != kOk) return status;
      p.ready = true;
    }
    std::array<const char*, 8> values{};
    std::array<int, 8> lengths{};
    std::array<int, 8> formats{};
    static constexpr char kEmpty[1] = {0};
    for (size_t i = 0; i < params.size() && i < values.size(); ++i) {
      values[i] = params[i].bytes.empty() ? kEmpty : params[i].bytes.data();
      lengths[i] = static_cast<int>(params[i].bytes.size());
      formats[i] = 1;
    }
    ResultPtr r(PQexecPrepared(conn_, p.name.c_str(), static_cast<int>(params.size()),
                               values.data(), lengths.data(), formats.data(), 1),
                &PQclear);
    const int16_t status = Status(r.get());
    if (out != nullptr) *out = std::move(r);
    return status;
  }

  // Forgets a store's statements on the server, so that a file created anew under the same
  // number prepares them afresh.
  void Deallocate(const std::vector<Prepared*>& statements) {
    std::string sql;
    for (const Prepared* p : statements) {
      if (p->ready) sql += "DEALLOCATE " + p->name + ";";
    }
    if (!sql.empty() && !Broken()) (void)Exec(sql);
  }

  std::string NewPrefix() { return "s" + std::to_string(++statements_) + "_"; }

  Tx tx = Tx::kNone;
  int writers = 0;

 private:
  int16_t Status(const PGresult* r) const {
    if (r == nullptr || PQstatus(conn_) != CONNECTION_OK) return kManagerInactive;
    switch (PQresultStatus(r)) {
      case PGRES_COMMAND_OK:
      case PGRES_TUPLES_OK:
        return kOk;
      default:
        return MapSqlState(PQresultErrorField(r, PG_DIAG_SQLSTATE));
    }
  }

  PGconn* conn_;
  uint64_t statements_ = 0;
};

std::string RecordsTable(int32_t id) { return "rm" + std::to_string(id) + "_records"; }
std::string KeyTable(int32_t id, int key) {
  return "rm" + std::to_string(id) + "_k" + std::to_string(key);
}

bool IsTrue(const PGresult* r) {
  return r != nullptr && PQntuples(r) == 1 && PQgetlength(r, 0, 0) >= 1 &&
         (PQgetvalue(r, 0, 0)[0] == 't' || PQgetvalue(r, 0, 0)[0] == 1);
}

class PgStore final : public Store {
 public:
  PgStore(std::shared_ptr<PgSession> session, int32_t id, FileSpec spec)
      : session_(std::move(session)), id_(id), spec_(std::move(spec)) {
    const std::string prefix = session_->NewPrefix();
    const std::string records = RecordsTable(id_);
    auto make = [&](Prepared& p, const std::string& what, std::string sql, std::vector<Oid> types) {
      p.name = prefix + what;
      p.sql = std::move(sql);
      p.types = std::move(types);
      all_.push_back(&p);
    };
    make(tryLock_, "lock", "SELECT pg_try_advisory_xact_lock($1, -1)", {kInt4Oid});
    make(read_, "read", "SELECT data FROM " + records + " WHERE position = $1", {kInt8Oid});
    make(insert_, "ins", "INSERT INTO " + records + "(data) VALUES ($1) RETURNING position",
         {kByteaOid});
    make(update_, "upd", "UPDATE " + records + " SET data = $2 WHERE position = $1",
         {kInt8Oid, kByteaOid});
    make(delete_, "del", "DELETE FROM " + records + " WHERE position = $1", {kInt8Oid});
    make(countRecords_, "cnt", "SELECT count(*) FROM " + records, {});
    static constexpr std::array<const char*, 6> kPhysical = {
        " ORDER BY position LIMIT 1",
        " ORDER BY position DESC LIMIT 1",
        " WHERE position > $1 ORDER BY position LIMIT 1",
        " WHERE position >= $1 ORDER BY position LIMIT 1",
        " WHERE position < $1 ORDER BY position DESC LIMIT 1",
        " WHERE position <= $1 ORDER BY position DESC LIMIT 1"};
    for (int m = 0; m < 6; ++m) {
      make(physical_[m], "p" + std::to_string(m),
           "SELECT position, data FROM " + records + kPhysical[m],
           m < 2 ? std::vector<Oid>{} : std::vector<Oid>{kInt8Oid});
    }
    keys_.resize(spec_.keys.size());
    for (size_t k = 0; k < spec_.keys.size(); ++k) {
      const std::string table = KeyTable(id_, static_cast<int>(k));
      const std::string tag = "k" + std::to_string(k);
      KeyStatements& ks = keys_[k];
      for (int m = 0; m < 6; ++m) {
        make(ks.seek[m], tag + "s" + std::to_string(m), SeekSql(static_cast<int>(k), m),
             m < 2 ? std::vector<Oid>{} : std::vector<Oid>{kByteaOid, kInt8Oid});
      }
      make(ks.insert, tag + "i",
           "INSERT INTO " + table + "(image, position) VALUES ($1, $2) ON CONFLICT DO NOTHING",
           {kByteaOid, kInt8Oid});
      make(ks.erase, tag + "d", "DELETE FROM " + table + " WHERE image = $1 AND position = $2",
           {kByteaOid, kInt8Oid});
      make(ks.count, tag + "c",
           spec_.keys[k].duplicates ? "SELECT count(DISTINCT image) FROM " + table
                                    : "SELECT count(*) FROM " + table,
           {});
    }
  }

  ~PgStore() override {
    Rollback();
    EndRead();
    session_->Deallocate(all_);
  }

  const FileSpec& Spec() const override { return spec_; }

  int16_t BeginWrite() override {
    if (inWrite_) return kOk;
    if (session_->Broken()) return kManagerInactive;
    const bool began = session_->tx == Tx::kNone;
    ResultPtr r(nullptr, &PQclear);
    if (began) {
      // One round trip: the transaction and the first try of the file's write lock.
      const int16_t status = session_->Exec(
          "BEGIN; SELECT pg_try_advisory_xact_lock(" + std::to_string(id_) + ", -1)", &r);
      if (status != kOk) {
        (void)session_->Exec("ROLLBACK");
        return status;
      }
      session_->tx = Tx::kWrite;
    } else if (int16_t status = session_->Run(tryLock_, {Param::Int4(id_)}, &r); status != kOk) {
      return status;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyWaitMs);
    while (!IsTrue(r.get())) {
      int16_t status = kFileInUse;
      if (std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        status = session_->Run(tryLock_, {Param::Int4(id_)}, &r);
        if (status == kOk) continue;
      }
      if (began && session_->writers == 0) {
        (void)session_->Exec("ROLLBACK");
        session_->tx = Tx::kNone;
      }
      return status;
    }
    inWrite_ = true;
    ++session_->writers;
    return kOk;
  }

  int16_t Commit() override {
    if (!inWrite_) return kOk;
    inWrite_ = false;
    --session_->writers;
    // The first file of a transaction commits them all: they share the connection.
    if (session_->tx != Tx::kWrite) return kOk;
    session_->tx = Tx::kNone;
    ResultPtr r(nullptr, &PQclear);
    int16_t status = session_->Exec("COMMIT", &r);
    // A transaction that failed earlier ends in a rollback, reported as a success of COMMIT.
    if (status == kOk && std::strcmp(PQcmdStatus(r.get()), "COMMIT") != 0) status = kIoError;
    return status;
  }

  void Rollback() override {
    if (!inWrite_) return;
    inWrite_ = false;
    --session_->writers;
    if (session_->tx != Tx::kWrite) return;
    session_->tx = Tx::kNone;
    (void)session_->Exec("ROLLBACK");
  }

  bool InWrite() const override { return inWrite_; }

  int16_t BeginRead() override {
    if (session_->tx != Tx::kNone) return kOk;
    if (int16_t status = session_->Exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
        status != kOk) {
      return status;
    }
    session_->tx = Tx::kRead;
    inRead_ = true;
    return kOk;
  }

  void EndRead() override {
    if (!inRead_) return;
    inRead_ = false;
    session_->tx = Tx::kNone;
    (void)session_->Exec("COMMIT");
  }

  int16_t Savepoint() override { return session_->Exec("SAVEPOINT op"); }

  void EndSavepoint(bool keep) override {
    (void)session_->Exec(keep ? "RELEASE SAVEPOINT op"
                              : "ROLLBACK TO SAVEPOINT op; RELEASE SAVEPOINT op");
  }

  int16_t SeekKey(int key, SeekMode mode, std::string_view image, int64_t position,
                  Row* row) override {
    const int m = static_cast<int>(mode);
    std::vector<Param> params;
    if (m >= 2) params = {Param::Blob(image), Param::Int8(position)};
    ResultPtr r(nullptr, &PQclear);
    if (int16_t status = session_->Run(keys_[key].seek[m], params, &r); status != kOk) {
      return status;
    }
    if (PQntuples(r.get()) == 0) return kEndOfFile;
    row->image = ReadBytes(r.get(), 0, 0);
    row->position = ReadInt(r.get(), 0, 1);
    row->data = ReadBytes(r.get(), 0, 2);
    return kOk;
  }

  int16_t SeekPhysical(SeekMode mode, int64_t position, Row* row) override {
    const int m = static_cast<int>(mode);
    std::vector<Param> params;
    if (m >= 2) params = {Param::Int8(position)};
    ResultPtr r(nullptr, &PQclear);
    if (int16_t status = session_->Run(physical_[m], params, &r); status != kOk) return status;
    if (PQntuples(r.get()) == 0) return kEndOfFile;
    row->image.clear();
    row->position = ReadInt(r.get(), 0, 0);
    row->data = ReadBytes(r.get(), 0, 1);
    return kOk;
  }

  int16_t ReadRecord(int64_t position, std::string* data) override {
    ResultPtr r(nullptr, &PQclear);
    if (int16_t status = session_->Run(read_, {Param::Int8(position)}, &r); status != kOk) {
      return status;
    }
    if (PQntuples(r.get()) == 0) return kInvalidRecordAddress;
    *data = ReadBytes(r.get(), 0, 0);
    return kOk;
  }

  int16_t InsertRecord(std::string_view data, int64_t* position) override {
    ResultPtr r(nullptr, &PQclear);
    if (int16_t status = session_->Run(insert_, {Param::Blob(data)}, &r); status != kOk) {
      return status;
    }
    *position = ReadInt(r.get(), 0, 0);
    return kOk;
  }

  int16_t UpdateRecord(int64_t position, std::string_view data) override {
    return session_->Run(update_, {Param::Int8(position), Param::Blob(data)});
  }

  int16_t DeleteRecord(int64_t position) override {
    return session_->Run(delete_, {Param::Int8(position)});
  }

  int16_t InsertKey(int key, std::string_view image, int64_t position) override {
    // A refused duplicate must not abort the surrounding transaction, so it is no error to
    // the server: nothing inserted means the image is there.
    ResultPtr r(nullptr, &PQclear);
    if (int16_t status =
            session_->Run(keys_[key].insert, {Param::Blob(image), Param::Int8(position)}, &r);
        status != kOk) {
      return status;
    }
    return std::strcmp(PQcmdTuples(r.get()), "1") == 0 ? kOk : kDuplicateKey;
  }

  int16_t DeleteKey(int key, std::string_view image, int64_t position) override {
    return session_->Run(keys_[key].erase, {Param::Blob(image), Param::Int8(position)});
  }

  int16_t Count(int key, uint32_t* count) override {
    ResultPtr r(nullptr, &PQclear);
    Prepared& p = key < 0 ? countRecords_ : keys_[key].count;
    if (int16_t status = session_->Run(p, {}, &r); status != kOk) return status;
    *count = static_cast<uint32_t>(ReadInt(r.get(), 0, 0));
    return kOk;
  }

 private:
  struct KeyStatements {
    std::array<Prepared, 6> seek;
    Prepared insert, erase, count;
  };

  // As on the embedded files, the ORDER BY names the position too, so duplicates keep
  // insertion order whatever the plan.
  std::string SeekSql(int key, int mode) const {
    const bool dup = spec_.keys[key].duplicates;
    const std::string head = "SELECT k.image, k.position, r.data FROM " + KeyTable(id_, key) +
                             " AS k JOIN " + RecordsTable(id_) +
                             " AS r ON r.position = k.position ";
    const std::string up = " ORDER BY k.image, k.position LIMIT 1";
    const std::string down = " ORDER BY k.image DESC, k.position DESC LIMIT 1";
    switch (static_cast<SeekMode>(mode)) {
      case SeekMode::kFirst:
        return head + up;
      case SeekMode::kLast:
        return head + down;
      case SeekMode::kAfter:
        return head +
               (dup ? "WHERE (k.image, k.position) > ($1, $2)"
                    : "WHERE k.image >= $1 AND (k.image > $1 OR k.position > $2)") +
               up;
      case SeekMode::kAtOrAfter:
        return head +
               (dup ? "WHERE (k.image, k.position) >= ($1, $2)"
                    : "WHERE k.image >= $1 AND (k.image > $1 OR k.position >= $2)") +
               up;
      case SeekMode::kBefore:
        return head +
               (dup ? "WHERE (k.image, k.position) < ($1, $2)"
                    : "WHERE k.image <= $1 AND (k.image < $1 OR k.position < $2)") +
               down;
      case SeekMode::kAtOrBefore:
        return head +
               (dup ? "WHERE (k.image, k.position) <= ($1, $2)"
                    : "WHERE k.image <= $1 AND (k.image < $1 OR k.position <= $2)") +
               down;
    }
    return head + up;
  }

  std::shared_ptr<PgSession> session_;
  int32_t id_;
  FileSpec spec_;
  bool inWrite_ = false;
  bool inRead_ = false;
  Prepared tryLock_, read_, insert_, update_, delete_, countRecords_;
  std::array<Prepared, 6> physical_;
  std::vector<KeyStatements> keys_;
  std::vector<Prepared*> all_;
};

// Which handle of this station holds what: the server sees one session per station, and a
// session's advisory locks do not conflict with each other, so handles of one station are
// told apart here.
struct LockTable {
  struct OpenState {
    int shared = 0;
    const void* exclusive = nullptr;
  };
  std::map<std::pair<int32_t, int64_t>, const void*> records;
  std::map<int32_t, OpenState> opens;
};

class PgLocks final : public HandleLocks {
 public:
  PgLocks(std::shared_ptr<PgSession> session, LockTable* table, int32_t id)
      : session_(std::move(session)), table_(table), id_(id) {
    const std::string prefix = session_->NewPrefix();
    auto make = [&](Prepared& p, const std::string& what, const std::string& sql) {
      p.name = prefix + what;
      p.sql = sql;
      p.types = {kInt4Oid, kInt4Oid};
      all_.push_back(&p);
    };
    make(tryLock_, "tl", "SELECT pg_try_advisory_lock($1, $2)");
    make(waitLock_, "wl", "SELECT true FROM pg_advisory_lock($1, $2)");
    make(unlock_, "ul", "SELECT pg_advisory_unlock($1, $2)");
    make(tryShared_, "ts", "SELECT pg_try_advisory_lock_shared($1, $2)");
    make(unlockShared_, "us", "SELECT pg_advisory_unlock_shared($1, $2)");
    make(probe_, "pr",
         "SELECT CASE WHEN pg_try_advisory_lock($1, $2) THEN NOT pg_advisory_unlock($1, $2)"
         " ELSE true END");
  }

  ~PgLocks() override {
    while (!held_.empty()) UnlockRecord(*held_.begin());
    auto& open = table_->opens[id_];
    if (openMode_ == kExclusive) {
      open.exclusive = nullptr;
      (void)Server(unlock_, 0);
    } else if (openMode_ == kShared && --open.shared == 0) {
      (void)Server(unlockShared_, 0);
    }
    if (open.shared == 0 && open.exclusive == nullptr) table_->opens.erase(id_);
    session_->Deallocate(all_);
  }

  int16_t LockOpen(bool exclusive, int waitMs) override {
    auto& open = table_->opens[id_];
    if (open.exclusive != nullptr || (exclusive && open.shared > 0)) return kFileInUse;
    if (!exclusive && open.shared > 0) {
      ++open.shared;
      openMode_ = kShared;
      return kOk;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
      ResultPtr r(nullptr, &PQclear);
      if (int16_t status = session_->Run(exclusive ? tryLock_ : tryShared_, Params(0), &r);
          status != kOk) {
        return status;
      }
      if (IsTrue(r.get())) break;
      if (std::chrono::steady_clock::now() >= deadline) return kFileInUse;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (exclusive) {
      open.exclusive = this;
      openMode_ = kExclusive;
    } else {
      ++open.shared;
      openMode_ = kShared;
    }
    return kOk;
  }

  int16_t LockRecord(int64_t position, bool wait) override {
    if (position <= 0 || position > INT32_MAX) return kInvalidRecordAddress;
    const auto key = std::make_pair(id_, position);
    if (auto it = table_->records.find(key); it != table_->records.end()) {
      // Another handle of this station: waiting here would wait for ourselves.
      return it->second == this ? kOk : kRecordInUse;
    }
    ResultPtr r(nullptr, &PQclear);
    if (int16_t status = session_->Run(wait ? waitLock_ : tryLock_, Params(position), &r);
        status != kOk) {
      return status == kFileInUse ? kRecordInUse : status;
    }
    if (!IsTrue(r.get())) return kRecordInUse;
    table_->records[key] = this;
    held_.push_back(position);
    return kOk;
  }

  void UnlockRecord(int64_t position) override {
    const auto key = std::make_pair(id_, position);
    if (auto it = table_->records.find(key); it != table_->records.end() && it->second == this) {
      table_->records.erase(it);
      (void)Server(unlock_, position);
    }
    for (size_t i = 0; i < held_.size(); ++i) {
      if (held_[i] == position) {
        held_.erase(held_.begin() + static_cast<std::ptrdiff_t>(i));
        break;
      }
    }
  }

  bool RecordLockedElsewhere(int64_t position) override {
    if (auto it = table_->records.find(std::make_pair(id_, position));
        it != table_->records.end()) {
      return it->second != this;
    }
    ResultPtr r(nullptr, &PQclear);
    if (session_->Run(probe_, Params(position), &r) != kOk) return false;
    return IsTrue(r.get());
  }

 private:
  enum Mode { kNone, kShared, kExclusive };

  std::vector<Param> Params(int64_t second) const {
    return {Param::Int4(id_), Param::Int4(static_cast<int32_t>(second))};
  }
  int16_t Server(Prepared& p, int64_t second) {
    if (session_->Broken()) return kManagerInactive;
    return session_->Run(p, Params(second));
  }

  std::shared_ptr<PgSession> session_;
  LockTable* table_;
  int32_t id_;
  Mode openMode_ = kNone;
  std::vector<int64_t> held_;
  Prepared tryLock_, waitLock_, unlock_, tryShared_, unlockShared_, probe_;
  std::vector<Prepared*> all_;
};

class PgBackend final : public Backend {
 public:
  PgBackend(std::string conninfo, std::string root)
      : conninfo_(std::move(conninfo)), root_(std::move(root)) {}

  ~PgBackend() override = default;

  std::string Identity(const std::string& path) override {
    return "pg:" + DatabaseName(path, root_);
  }

  bool Exists(const std::string& path) override {
    std::shared_ptr<PgSession> s;
    if (Session(&s) != kOk) return false;
    int32_t id = 0;
    return FindFile(*s, DatabaseName(path, root_), &id, nullptr, nullptr) == kOk;
  }

  int16_t OpenStore(const std::string& path, std::unique_ptr<Store>* store) override {
    std::shared_ptr<PgSession> s;
    if (int16_t status = Session(&s); status != kOk) return status;
    int32_t id = 0;
    std::string layout;
    int keyCount = 0;
    if (int16_t status = FindFile(*s, DatabaseName(path, root_), &id, &layout, &keyCount);
        status != kOk) {
      return status;
    }
    FileSpec spec;
    if (ParseFileSpec(layout, &spec) != kOk || static_cast<int>(spec.keys.size()) != keyCount) {
      return kNotARecordFile;
    }
    *store = std::make_unique<PgStore>(s, id, std::move(spec));
    return kOk;
  }

  int16_t CreateFile(const std::string& path, const FileSpec& spec, bool replace) override {
    std::shared_ptr<PgSession> s;
    if (int16_t status = Session(&s); status != kOk) return status;
    // Inside a transaction of this station the new file commits with it.
    const bool own = s->tx == Tx::kNone;
    if (int16_t status = s->Exec(own ? "BEGIN" : "SAVEPOINT create"); status != kOk) {
      return status;
    }
    int16_t status = BuildFile(*s, DatabaseName(path, root_), spec, replace);
    if (status == kOk) {
      ResultPtr r(nullptr, &PQclear);
      status = s->Exec(own ? "COMMIT" : "RELEASE SAVEPOINT create", &r);
      if (status == kOk && own && std::strcmp(PQcmdStatus(r.get()), "COMMIT") != 0) {
        status = kCreateIoError;
      }
      return status;
    }
    (void)s->Exec(own ? "ROLLBACK" : "ROLLBACK TO SAVEPOINT create; RELEASE SAVEPOINT create");
    return status;
  }

  int16_t OpenLocks(const std::string& path, std::unique_ptr<HandleLocks>* locks) override {
    std::shared_ptr<PgSession> s;
    if (int16_t status = Session(&s); status != kOk) return status;
    int32_t id = 0;
    if (int16_t status = FindFile(*s, DatabaseName(path, root_), &id, nullptr, nullptr);
        status != kOk) {
      return status;
    }
    *locks = std::make_unique<PgLocks>(s, &locks_, id);
    return kOk;
  }

  void Idle() override {
    if (session_ && session_->Broken() && session_.use_count() == 1) session_.reset();
  }

  void AbandonAfterFork() override {
    if (session_) session_->Abandon();
    session_.reset();
    locks_ = LockTable{};
  }

 private:
  int16_t Session(std::shared_ptr<PgSession>* out) {
    // A connection that failed is replaced once nothing of this station still uses it: its
    // locks and transaction went with it.
    if (session_ && session_->Broken() && session_.use_count() == 1) session_.reset();
    if (!session_) {
      if (int16_t status = Connect(); status != kOk) return status;
    }
    if (session_->Broken()) return kManagerInactive;
    *out = session_;
    return kOk;
  }

  int16_t Connect() {
    // Defaults first: whatever the connection string says overrides them. Keepalives bound
    // the wait for a server that vanished without closing the connection.
    const char* keys[] = {"connect_timeout",     "keepalives",       "keepalives_idle",
                          "keepalives_interval", "keepalives_count", "tcp_user_timeout",
                          "application_name",    "dbname",           nullptr};
    const char* values[] = {"5", "1", "5", "2", "3", "15000", "recman", conninfo_.c_str(), nullptr};
    PGconn* conn = PQconnectdbParams(keys, values, 1);
    if (conn == nullptr) return kManagerInactive;
    auto session = std::make_shared<PgSession>(conn);
    if (PQstatus(conn) != CONNECTION_OK) return kManagerInactive;
    const std::string setup =
        std::string("SET client_min_messages = warning; BEGIN; SELECT pg_advisory_xact_lock(") +
        kCatalogLockKey +
        "); CREATE TABLE IF NOT EXISTS recman_files(id serial PRIMARY KEY,"
        " name text NOT NULL UNIQUE, record_length integer NOT NULL,"
        " page_size integer NOT NULL, key_count integer NOT NULL, layout bytea NOT NULL); COMMIT";
    if (int16_t status = session->Exec(setup); status != kOk) {
      return status == kManagerInactive ? status : kAccessDenied;
    }
    session_ = std::move(session);
    find_.ready = false;
    return kOk;
  }

  int16_t FindFile(PgSession& s, const std::string& name, int32_t* id, std::string* layout,
                   int* keyCount) {
    ResultPtr r(nullptr, &PQclear);
    if (int16_t status = s.Run(find_, {Param::Blob(name)}, &r); status != kOk) {
      return status;
    }
    if (PQntuples(r.get()) == 0) return kFileNotFound;
    *id = static_cast<int32_t>(ReadInt(r.get(), 0, 0));
    if (layout != nullptr) *layout = ReadBytes(r.get(), 0, 1);
    if (keyCount != nullptr) *keyCount = static_cast<int>(ReadInt(r.get(), 0, 2));
    if (ReadInt(r.get(), 0, 3) == 0) return kNotARecordFile;
    return kOk;
  }

  static int16_t BuildFile(PgSession& s, const std::string& name, const FileSpec& spec,
                           bool replace) {
    Prepared find{
        "", "SELECT id, key_count FROM recman_files WHERE name = $1 FOR UPDATE", {kTextOid}};
    Prepared add{"",
                 "INSERT INTO recman_files(name, record_length, page_size, key_count, layout)"
                 " VALUES ($1, $2, $3, $4, $5) ON CONFLICT (name) DO NOTHING RETURNING id",
                 {kTextOid, kInt4Oid, kInt4Oid, kInt4Oid, kByteaOid}};
    Prepared change{"",
                    "UPDATE recman_files SET record_length = $2, page_size = $3, key_count = $4,"
                    " layout = $5 WHERE id = $1",
                    {kInt4Oid, kInt4Oid, kInt4Oid, kInt4Oid, kByteaOid}};
    const std::vector<Param> values = {Param::Int4(spec.recordLength), Param::Int4(spec.pageSize),
                                       Param::Int4(static_cast<int32_t>(spec.keys.size())),
                                       Param::Blob(spec.layout)};
    ResultPtr r(nullptr, &PQclear);
    // Unnamed statements: prepared and used once.
    if (int16_t status = s.Run(find, {Param::Blob(name)}, &r); status != kOk) return status;
    int32_t id = 0;
    std::string ddl;
    if (PQntuples(r.get()) == 1) {
      if (!replace) return kFileExists;
      id = static_cast<int32_t>(ReadInt(r.get(), 0, 0));
      const int oldKeys = static_cast<int>(ReadInt(r.get(), 0, 1));
      ddl = "SET LOCAL lock_timeout = '5s'; DROP TABLE IF EXISTS " + RecordsTable(id);
      for (int k = 0; k < oldKeys; ++k) ddl += ", " + KeyTable(id, k);
      ddl += ";";
      std::vector<Param> p = {Param::Int4(id)};
      p.insert(p.end(), values.begin(), values.end());
      if (int16_t status = s.Run(change, p); status != kOk) return status;
    } else {
      std::vector<Param> p = {Param::Blob(name)};
      p.insert(p.end(), values.begin(), values.end());
      if (int16_t status = s.Run(add, p, &r); status != kOk) return status;
      if (PQntuples(r.get()) == 0) return kFileExists;
      id = static_cast<int32_t>(ReadInt(r.get(), 0, 0));
    }
    ddl += "CREATE TABLE " + RecordsTable(id) +
           "(position integer GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, data bytea NOT NULL);";
    for (size_t k = 0; k < spec.keys.size(); ++k) {
      ddl += "CREATE TABLE " + KeyTable(id, static_cast<int>(k)) +
             (spec.keys[k].duplicates
                  ? "(image bytea NOT NULL, position integer NOT NULL, PRIMARY KEY (image, "
                    "position));"
                  : "(image bytea NOT NULL PRIMARY KEY, position integer NOT NULL);");
    }
    const int16_t status = s.Exec(ddl);
    return status == kOk || status == kManagerInactive || status == kFileInUse ? status
                                                                               : kCreateIoError;
  }

  std::string conninfo_;
  std::string root_;
  std::shared_ptr<PgSession> session_;
  LockTable locks_;
  Prepared find_{"recman_find",
                 "SELECT id, layout, key_count, (to_regclass('rm' || id || '_records') IS NOT "
                 "NULL)::int4 FROM recman_files WHERE name = $1",
                 {kTextOid}};
};

}  // namespace

std::unique_ptr<Backend> MakePgBackend(const std::string& conninfo, const std::string& root) {
  return std::make_unique<PgBackend>(conninfo, root);
}

}  // namespace recman
