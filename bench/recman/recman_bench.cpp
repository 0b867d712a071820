// The record manager beside the same work done directly on SQLite: the same tables, the same
// statements a hand-written program would prepare, the same durability settings. The ratio of
// each pair is the engine's overhead. Files live in the system's temporary directory.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "recman/engine.h"
#include "recman/status.h"
#include "workload.h"

namespace {

using namespace recman;

using namespace recman_bench;

// One scratch directory for the run, removed at exit.
struct ScratchDir {
  std::string path;
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "recman-bench-XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

const std::string& Dir() {
  static const ScratchDir dir;
  return dir.path;
}

void Remove(const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm", "-lock"}) std::filesystem::remove(path + suffix);
}

// ---- the engine ----------------------------------------------------------------------------

class EngineFile : public EngineFileBase {
 public:
  EngineFile(const std::string& name, bool create)
      : EngineFileBase(std::make_unique<Engine>(), Dir() + "/" + name + ".dat") {
    if (create) Remove(Dir() + "/" + name + ".dat");
    OpenOrCreate(create, -1);
  }
};

// ---- direct SQLite, the same tables ----------------------------------------------------------

class DirectFile {
 public:
  DirectFile(const std::string& name, bool create) {
    const std::string path = Dir() + "/" + name + ".db";
    if (create) Remove(path);
    sqlite3_open_v2(path.c_str(), &db_,
                    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    sqlite3_busy_timeout(db_, 1000);
    Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;");
    if (create) {
      Exec(
          "CREATE TABLE records(position INTEGER PRIMARY KEY, data BLOB NOT NULL);"
          "CREATE TABLE key_0(image BLOB NOT NULL PRIMARY KEY, position INTEGER NOT NULL)"
          " WITHOUT ROWID;");
    }
    Prepare(&insertRecord_, "INSERT INTO records(data) VALUES(?1)");
    Prepare(&insertKey_, "INSERT INTO key_0(image, position) VALUES(?1, ?2)");
    Prepare(&equal_,
            "SELECT k.image, k.position, r.data FROM key_0 AS k CROSS JOIN records AS r"
            " ON r.position = k.position WHERE k.image = ?1");
    Prepare(&next_,
            "SELECT k.image, k.position, r.data FROM key_0 AS k CROSS JOIN records AS r"
            " ON r.position = k.position WHERE k.image > ?1 ORDER BY k.image LIMIT 1");
    Prepare(&scan_,
            "SELECT k.image, k.position, r.data FROM key_0 AS k CROSS JOIN records AS r"
            " ON r.position = k.position ORDER BY k.image");
    Prepare(&update_, "UPDATE records SET data = ?2 WHERE position = ?1");
    Prepare(&begin_, "BEGIN IMMEDIATE");
    Prepare(&commit_, "COMMIT");
  }
  ~DirectFile() {
    for (sqlite3_stmt* s :
         {insertRecord_, insertKey_, equal_, next_, scan_, update_, begin_, commit_}) {
      sqlite3_finalize(s);
    }
    sqlite3_close(db_);
  }

  void Exec(const char* sql) { sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }
  static void Run(sqlite3_stmt* s) {
    sqlite3_step(s);
    sqlite3_reset(s);
  }

  void Insert(const std::string& record) {
    sqlite3_bind_blob(insertRecord_, 1, record.data(), static_cast<int>(record.size()),
                      SQLITE_STATIC);
    Run(insertRecord_);
    sqlite3_bind_blob(insertKey_, 1, record.data(), 4, SQLITE_STATIC);
    sqlite3_bind_int64(insertKey_, 2, sqlite3_last_insert_rowid(db_));
    Run(insertKey_);
  }

  // Reads the record with `key` into `data`; its position, or 0.
  int64_t Equal(const std::string& key, std::string* data) {
    sqlite3_bind_blob(equal_, 1, key.data(), 4, SQLITE_STATIC);
    int64_t position = 0;
    if (sqlite3_step(equal_) == SQLITE_ROW) {
      position = sqlite3_column_int64(equal_, 1);
      data->assign(static_cast<const char*>(sqlite3_column_blob(equal_, 2)),
                   sqlite3_column_bytes(equal_, 2));
    }
    sqlite3_reset(equal_);
    return position;
  }

  // One record after `key`, read afresh as the engine must: false at the end.
  bool Next(std::string* key, std::string* data) {
    sqlite3_bind_blob(next_, 1, key->data(), static_cast<int>(key->size()), SQLITE_TRANSIENT);
    const bool row = sqlite3_step(next_) == SQLITE_ROW;
    if (row) {
      key->assign(static_cast<const char*>(sqlite3_column_blob(next_, 0)),
                  sqlite3_column_bytes(next_, 0));
      data->assign(static_cast<const char*>(sqlite3_column_blob(next_, 2)),
                   sqlite3_column_bytes(next_, 2));
    }
    sqlite3_reset(next_);
    return row;
  }

  int Scan() {
    int n = 0;
    while (sqlite3_step(scan_) == SQLITE_ROW) {
      benchmark::DoNotOptimize(sqlite3_column_blob(scan_, 2));
      ++n;
    }
    sqlite3_reset(scan_);
    return n;
  }

  void Update(int64_t position, const std::string& data) {
    Run(begin_);
    sqlite3_bind_int64(update_, 1, position);
    sqlite3_bind_blob(update_, 2, data.data(), static_cast<int>(data.size()), SQLITE_STATIC);
    Run(update_);
    Run(commit_);
  }

  sqlite3* db_ = nullptr;
  sqlite3_stmt *insertRecord_ = nullptr, *insertKey_ = nullptr, *equal_ = nullptr, *next_ = nullptr,
               *scan_ = nullptr, *update_ = nullptr, *begin_ = nullptr, *commit_ = nullptr;

 private:
  void Prepare(sqlite3_stmt** s, const char* sql) {
    sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, s, nullptr);
  }
};

// The files the read benchmarks use, filled once.
void EnsureFilled() {
  static const bool filled = [] {
    const std::vector<uint32_t> order = Shuffled(kRecords, 1);
    {
      EngineFile f("read", true);
      std::string none;
      f.Call(kOpBeginTransaction, none, 0);
      for (uint32_t n : order) {
        std::string r = Record(n);
        if (f.Call(kOpInsert, r, 0) != kOk) std::abort();
      }
      f.Call(kOpEndTransaction, none, 0);
    }
    DirectFile d("read", true);
    d.Exec("BEGIN");
    for (uint32_t n : order) d.Insert(Record(n));
    d.Exec("COMMIT");
    return true;
  }();
  (void)filled;
}

// ---- insert 100,000 records in one transaction ------------------------------------------------

void BM_Insert100k_Engine(benchmark::State& state) { InsertAllWithEngine<EngineFile>(state); }

void BM_Insert100k_Direct(benchmark::State& state) {
  const std::vector<uint32_t> order = Shuffled(kRecords, 2);
  std::vector<std::string> records;
  for (uint32_t n : order) records.push_back(Record(n));
  for (auto _ : state) {
    state.PauseTiming();
    auto d = std::make_unique<DirectFile>("insert", true);
    state.ResumeTiming();
    d->Exec("BEGIN IMMEDIATE");
    for (const std::string& r : records) d->Insert(r);
    d->Exec("COMMIT");
    state.PauseTiming();
    d.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}

// ---- Get Equal on random keys -------------------------------------------------------------------

void BM_GetEqual_Engine(benchmark::State& state) {
  EnsureFilled();
  GetEqualWithEngine<EngineFile>(state);
}

void BM_GetEqual_Direct(benchmark::State& state) {
  EnsureFilled();
  DirectFile d("read", false);
  std::mt19937 random(3);
  std::string data;
  for (auto _ : state) {
    if (d.Equal(Code(random() % kRecords), &data) == 0) std::abort();
    benchmark::DoNotOptimize(data.data());
  }
  state.SetItemsProcessed(state.iterations());
}

// ---- Get Next over the whole file ---------------------------------------------------------------

void BM_GetNextWholeFile_Engine(benchmark::State& state) {
  EnsureFilled();
  GetNextWholeFileWithEngine<EngineFile>(state);
}

// Each record looked up afresh after the previous key, as a call-per-record interface must.
void BM_GetNextWholeFile_Direct(benchmark::State& state) {
  EnsureFilled();
  DirectFile d("read", false);
  std::string data;
  for (auto _ : state) {
    int n = 0;
    std::string key;
    while (d.Next(&key, &data)) ++n;
    if (n != kRecords) std::abort();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}

// For reference only: one statement stepped through the file, which holds a read snapshot
// across the whole walk (a call interface shared with other processes cannot).
void BM_GetNextWholeFile_DirectOneCursor(benchmark::State& state) {
  EnsureFilled();
  DirectFile d("read", false);
  for (auto _ : state) {
    if (d.Scan() != kRecords) std::abort();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}

// ---- Get Equal + Update, each update durable on its own --------------------------------------

void BM_GetEqualUpdate_Engine(benchmark::State& state) {
  EnsureFilled();
  GetEqualUpdateWithEngine<EngineFile>(state);
}

void BM_GetEqualUpdate_Direct(benchmark::State& state) {
  EnsureFilled();
  DirectFile d("read", false);
  std::mt19937 random(4);
  std::string data;
  char fill = 'a';
  for (auto _ : state) {
    const uint32_t n = random() % kRecords;
    const int64_t position = d.Equal(Code(n), &data);
    if (position == 0) std::abort();
    d.Update(position, Record(n, fill));
    fill = fill == 'z' ? 'a' : static_cast<char>(fill + 1);
  }
  state.SetItemsProcessed(state.iterations());
}

constexpr int kRepetitions = 5;

BENCHMARK(BM_Insert100k_Engine)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Insert100k_Direct)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_GetEqual_Engine)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_GetEqual_Direct)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_GetNextWholeFile_Engine)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_GetNextWholeFile_Direct)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_GetNextWholeFile_DirectOneCursor)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_GetEqualUpdate_Engine)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_GetEqualUpdate_Direct)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

}  // namespace
