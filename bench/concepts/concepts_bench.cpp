// What an operator waits for: the start-up work (the form loaded in Spanish, the work table
// built from a full concept file, page 1 drawn) and the save of all 109 rows; each beside a
// baseline doing the least the same data needs (plain reads of the files; the rows read and
// rewritten directly in SQLite with the same durability).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "concepts/work_table.h"
#include "form/form_loader.h"
#include "form/grid.h"
#include "platform/file.h"
#include "platform/virtual_console.h"

namespace {

namespace fs = std::filesystem;

// A copy of the default installation with all 109 concepts stored.
struct Installation {
  Installation() {
    std::string pattern = (fs::temp_directory_path() / "zcbench-XXXXXX").string();
    root = fs::path(::mkdtemp(pattern.data()));
    fs::copy(std::string(ZC_SOURCE_DIR) + "/data/root", root, fs::copy_options::recursive);
    fs::create_directories(root / "DADES");
    fs::create_directories(root / "tmp");
    session.RootDir = root.string() + "/";
    session.TempDir = session.RootDir + "tmp/";
    session.LanguageCode = "SPA";
    fs::current_path(root);
  }
  ~Installation() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
  fs::path root;
  frame::Session session;
};

Installation& TheInstallation() {
  static Installation installation;
  return installation;
}

struct Program {
  explicit Program(Installation& at) : screen(console, at.session, environment) {
    if (!form::LoadForm(at.session, "ZCONCTAB", model).ok()) std::abort();
    if (files.RecOpen(concepts::kConceptFileId, at.session.RootDir + "DADES\\TVRebut", record) !=
        0) {
      std::abort();
    }
  }
  ~Program() { files.RecReset(); }
  void FillTable() {
    for (int n = 1; n <= 109; ++n) {
      std::memset(record, ' ', sizeof record);
      record[0] = static_cast<char>(n <= 10 ? n : 128 + n - 10);
      std::memcpy(record + 1, "Concepte", 8);
      record[21] = record[22] = record[23] = 'S';
      record[24] = 1;
      record[25] = 0;
      (void)files.RecInsert(concepts::kConceptFileId);
    }
  }
  platform::VirtualConsole console;
  platform::MapEnvironment environment;
  platform::FakeTimer timer;
  screen::Screen screen;
  records::RecordFiles files{screen, TheInstallation().session, timer, [] { std::abort(); }};
  form::FormModel model;
  text::TextSettings textSettings{TheInstallation().session.RootDir};
  std::int16_t formModified = 0;
  std::int16_t currentPage = 1;
  char record[concepts::kConceptRecordSize] = {};
};

void BM_StartUp(benchmark::State& state) {
  Installation& at = TheInstallation();
  {
    Program setup(at);
    if (setup.files.RecGetByKey(503, 0, "\x01", 0) != 0) setup.FillTable();
  }
  for (auto _ : state) {
    Program program(at);
    concepts::WorkTable table(program.model, program.files, program.record, program.screen,
                              at.session, program.formModified, program.currentPage);
    if (!table.BuildWorkTable()) std::abort();
    table.LoadPage();
    form::DrawPage(
        {program.screen, program.model, program.textSettings, "ZCONCTAB", program.currentPage}, 1);
    table.Discard();
  }
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond);

// Baseline: the form and language files read plainly, and 109 rows read from SQLite by key.
void BM_StartUpBaseline(benchmark::State& state) {
  Installation& at = TheInstallation();
  const std::string db = (at.root / "baseline.db").string();
  sqlite3* handle = nullptr;
  sqlite3_open(db.c_str(), &handle);
  sqlite3_exec(handle,
               "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
               "CREATE TABLE IF NOT EXISTS c(code INTEGER PRIMARY KEY, data BLOB);",
               nullptr, nullptr, nullptr);
  for (int n = 1; n <= 109; ++n) {
    const std::string sql =
        "INSERT OR IGNORE INTO c VALUES(" + std::to_string(n) + ", zeroblob(26))";
    sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, nullptr);
  }
  sqlite3_close(handle);
  for (auto _ : state) {
    auto form = platform::ReadFileShared(at.session.RootDir + "FORMS\\ZCONCTAB.KFM");
    auto language = platform::ReadFileShared(at.session.RootDir + "LOCALE\\ZCONCTAB.LNG");
    benchmark::DoNotOptimize(form);
    benchmark::DoNotOptimize(language);
    sqlite3_open(db.c_str(), &handle);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(handle, "SELECT data FROM c WHERE code = ?", -1, &st, nullptr);
    for (int n = 1; n <= 109; ++n) {
      sqlite3_bind_int(st, 1, n);
      if (sqlite3_step(st) == SQLITE_ROW) benchmark::DoNotOptimize(sqlite3_column_blob(st, 0));
      sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_close(handle);
  }
}
BENCHMARK(BM_StartUpBaseline)->Unit(benchmark::kMillisecond);

void BM_SaveAllRows(benchmark::State& state) {
  Installation& at = TheInstallation();
  Program program(at);
  if (program.files.RecGetByKey(503, 0, "\x01", 0) != 0) program.FillTable();
  for (auto _ : state) {
    state.PauseTiming();
    concepts::WorkTable table(program.model, program.files, program.record, program.screen,
                              at.session, program.formModified, program.currentPage);
    if (!table.BuildWorkTable()) std::abort();
    program.formModified = -1;
    state.ResumeTiming();
    if (!table.WriteBack(13)) std::abort();
  }
}
BENCHMARK(BM_SaveAllRows)->Unit(benchmark::kMillisecond);

// Baseline: the same rewrite done directly: one transaction, delete all, insert 109 rows.
void BM_SaveAllRowsBaseline(benchmark::State& state) {
  Installation& at = TheInstallation();
  const std::string db = (at.root / "baseline-save.db").string();
  sqlite3* handle = nullptr;
  sqlite3_open(db.c_str(), &handle);
  sqlite3_exec(handle,
               "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
               "CREATE TABLE IF NOT EXISTS c(code INTEGER PRIMARY KEY, data BLOB);",
               nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(handle, "INSERT INTO c VALUES(?, ?)", -1, &insert, nullptr);
  const std::string row(26, 'x');
  for (auto _ : state) {
    sqlite3_exec(handle, "BEGIN IMMEDIATE; DELETE FROM c;", nullptr, nullptr, nullptr);
    for (int n = 1; n <= 109; ++n) {
      sqlite3_bind_int(insert, 1, n);
      sqlite3_bind_blob(insert, 2, row.data(), static_cast<int>(row.size()), SQLITE_STATIC);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
  }
  sqlite3_finalize(insert);
  sqlite3_close(handle);
}
BENCHMARK(BM_SaveAllRowsBaseline)->Unit(benchmark::kMillisecond);

}  // namespace
