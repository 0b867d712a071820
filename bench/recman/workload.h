// The workload both record-manager benchmarks run, on whichever storage: 100,000 records of 26
// bytes keyed on a unique 4-byte code at their start, visited in a fixed shuffled order. The
// record manager's side of each workload is written once here; each benchmark brings its own
// direct baseline and the EngineFile that opens the file on its backend.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "recman/engine.h"
#include "recman/status.h"

namespace recman_bench {

constexpr int kRecords = 100000;
constexpr int kRecordLength = 26;

// The Create buffer of the benchmark file.
inline std::string SpecBuffer() {
  std::string b(32, '\0');
  b[0] = kRecordLength;
  b[3] = 2;  // page size 512
  b[4] = 1;  // one key
  b[16] = 1;
  b[18] = 4;
  return b;
}

inline std::string Code(uint32_t n) {
  return std::string{static_cast<char>(n >> 24), static_cast<char>(n >> 16),
                     static_cast<char>(n >> 8), static_cast<char>(n)};
}

inline std::string Record(uint32_t n, char fill = ' ') {
  std::string r = Code(n);
  r.resize(kRecordLength, fill);
  return r;
}

inline std::vector<uint32_t> Shuffled(int n, unsigned seed) {
  std::vector<uint32_t> v(n);
  std::iota(v.begin(), v.end(), 0);
  std::shuffle(v.begin(), v.end(), std::mt19937(seed));
  return v;
}

// One open file of the record manager: an engine of the chosen backend and one position block.
class EngineFileBase {
 public:
  EngineFileBase(std::unique_ptr<recman::Engine> engine, std::string path)
      : engine_(std::move(engine)), path_(std::move(path)) {}
  EngineFileBase(const EngineFileBase&) = delete;
  EngineFileBase& operator=(const EngineFileBase&) = delete;
  ~EngineFileBase() {
    uint32_t zero = 0;
    (void)engine_->Call(recman::kOpReset, nullptr, nullptr, &zero, nullptr, 0, 0);
  }

  // Creates the file (with `createMode`) when asked, then opens it.
  void OpenOrCreate(bool create, int createMode) {
    if (create) {
      std::string spec = SpecBuffer();
      if (Call(recman::kOpCreate, spec, createMode) != recman::kOk) std::abort();
    }
    std::string none;
    if (Call(recman::kOpOpen, none, 0) != recman::kOk) std::abort();
  }
  // A call with the file's path in the key buffer, as Open and Create want it.
  int16_t Call(int op, std::string& data, int keyNumber) {
    std::memcpy(key_, path_.c_str(), path_.size() + 1);
    uint32_t length = static_cast<uint32_t>(data.size());
    return engine_->Call(static_cast<uint16_t>(op), block_, data.data(), &length, key_, 0,
                         static_cast<int8_t>(keyNumber));
  }
  // A call with the key buffer holding `key` (4 bytes).
  int16_t Keyed(int op, std::string& data, const std::string& key) {
    std::memcpy(key_, key.data(), 4);
    uint32_t length = static_cast<uint32_t>(data.size());
    return engine_->Call(static_cast<uint16_t>(op), block_, data.data(), &length, key_, 4, 0);
  }

 private:
  std::unique_ptr<recman::Engine> engine_;
  std::string path_;
  uint8_t block_[recman::kPositionBlockSize] = {};
  char key_[256] = {};
};

// Insert all records in one transaction into a new file. File(name, create) opens the file.
template <typename File>
void InsertAllWithEngine(benchmark::State& state) {
  const std::vector<uint32_t> order = Shuffled(kRecords, 2);
  std::vector<std::string> records;
  for (uint32_t n : order) records.push_back(Record(n));
  for (auto _ : state) {
    state.PauseTiming();
    auto f = std::make_unique<File>("insert", true);
    state.ResumeTiming();
    std::string none;
    f->Call(recman::kOpBeginTransaction, none, 0);
    for (std::string& r : records) {
      if (f->Call(recman::kOpInsert, r, 0) != recman::kOk) std::abort();
    }
    if (f->Call(recman::kOpEndTransaction, none, 0) != recman::kOk) std::abort();
    state.PauseTiming();
    f.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}

// Get Equal on random keys of a filled file.
template <typename File>
void GetEqualWithEngine(benchmark::State& state) {
  File f("read", false);
  std::mt19937 random(3);
  std::string data(kRecordLength, '\0');
  for (auto _ : state) {
    data.resize(kRecordLength);
    if (f.Keyed(recman::kOpGetEqual, data, Code(random() % kRecords)) != recman::kOk) std::abort();
    benchmark::DoNotOptimize(data.data());
  }
  state.SetItemsProcessed(state.iterations());
}

// Get First, then Get Next to the end of a filled file.
template <typename File>
void GetNextWholeFileWithEngine(benchmark::State& state) {
  File f("read", false);
  std::string data(kRecordLength, '\0');
  for (auto _ : state) {
    int n = 0;
    for (int16_t s = f.Call(recman::kOpGetFirst, data, 0); s == recman::kOk;
         s = f.Call(recman::kOpGetNext, data, 0)) {
      ++n;
    }
    if (n != kRecords) std::abort();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}

// Get Equal on a random key, then Update of that record, each update durable on its own.
template <typename File>
void GetEqualUpdateWithEngine(benchmark::State& state) {
  File f("read", false);
  std::mt19937 random(4);
  std::string data(kRecordLength, '\0');
  char fill = 'a';
  for (auto _ : state) {
    const uint32_t n = random() % kRecords;
    data.resize(kRecordLength);
    if (f.Keyed(recman::kOpGetEqual, data, Code(n)) != recman::kOk) std::abort();
    std::string updated = Record(n, fill);
    if (f.Call(recman::kOpUpdate, updated, 0) != recman::kOk) std::abort();
    fill = fill == 'z' ? 'a' : static_cast<char>(fill + 1);
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace recman_bench
