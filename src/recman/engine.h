// The record manager engine: one object per process (btrcall.cpp holds it) that answers every
// call of the record manager interface. It owns the handles of the files this process has
// open, their stores and their lock files, and the process's transaction; the caller owns the
// buffers and the 128-byte position block, in which the engine keeps only a handle number.
// It never lets a fault of SQLite or of the caller's bytes escape as anything but a status,
// and it is not thread-safe (the C entry point serialises calls).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "recman/backend.h"
#include "recman/store.h"

namespace recman {

inline constexpr int kPositionBlockSize = 128;

class Engine {
 public:
  // Files where the environment says: KAVDB names a server database, else embedded files.
  Engine();
  explicit Engine(const BackendConfig& config);
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;
  ~Engine();

  [[nodiscard]] int16_t Call(uint16_t op, void* posBlock, void* data, uint32_t* dataLength,
                             void* key, uint8_t keyLength, int8_t keyNumber);

 private:
  struct OpenFile;
  struct Handle;
  struct Buffers;

  int16_t Open(void* posBlock, const Buffers& b, int mode);
  int16_t Create(const Buffers& b, int mode);
  int16_t Reset();
  int16_t EndTransaction(bool commit);
  int16_t Close(Handle& h, void* posBlock);
  int16_t GetByKey(Handle& h, int op, int keyNo, const Buffers& b, int bias);
  int16_t Step(Handle& h, int op, const Buffers& b, int bias);
  int16_t GetPosition(Handle& h, const Buffers& b);
  int16_t GetDirect(Handle& h, int keyNo, const Buffers& b, int bias);
  int16_t Insert(Handle& h, int keyNo, const Buffers& b);
  int16_t Update(Handle& h, int keyNo, const Buffers& b);
  int16_t Delete(Handle& h);
  int16_t Stat(Handle& h, const Buffers& b);

  Handle* Resolve(const void* posBlock);
  int16_t TakeLock(Handle& h, int64_t position, int bias);
  void ReleaseLock(Handle& h);
  void Land(Handle& h, int keyNo, const Row& row);
  int16_t BeginWrite(OpenFile& f, bool savepoint);
  int16_t EndWrite(OpenFile& f, int16_t status, bool savepoint);
  void BreakTransaction(int16_t status);
  int16_t CheckRecordLength(const OpenFile& f, uint32_t length) const;
  void DropFileIfUnused(const std::shared_ptr<OpenFile>& f);
  void AbandonAfterFork();

  std::unique_ptr<Backend> backend_;  // first: outlives every store and lock it made
  uint32_t forks_;                    // the process's fork count when this engine last checked
  uint32_t nextGeneration_ = 1;
  std::vector<std::unique_ptr<Handle>> handles_;
  std::vector<std::shared_ptr<OpenFile>> files_;
  bool inTransaction_ = false;
  int16_t transactionFailure_ = 0;
  std::vector<std::shared_ptr<OpenFile>> transactionFiles_;
  // Scratch of Insert, kept so that bulk inserts do not allocate per record.
  std::vector<std::string> insertValues_;
  std::vector<std::string> insertImages_;
};

}  // namespace recman
