// The layer every part of the program goes through to reach the record manager's files: the
// table of up to 40 open files known by the caller's file numbers, open-or-create from the
// creation template, the record operations with their lock modes and the lock-wait retry, the
// insert log db.log, and key images. The program owns one RecordFiles for the whole run; each
// open file's record area belongs to the caller and must outlive the file's entry.
//
// The record manager is reached only through one call of BTRCALL's shape, which tests may
// replace to produce statuses the engine rarely gives.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "frame/session.h"
#include "platform/timer.h"
#include "screen/screen.h"

namespace records {

using RecordManagerCall = std::int16_t (*)(std::uint16_t op, void* positionBlock, void* data,
                                           std::uint32_t* dataLength, void* key,
                                           std::uint8_t keyLength, std::int8_t keyNumber);

// Operation codes of the record manager the program uses.
inline constexpr std::int16_t kOpOpen = 0, kOpInsert = 2, kOpDelete = 4, kOpGetEqual = 5,
                              kOpGetNext = 6, kOpGetPrevious = 7, kOpGetGreaterOrEqual = 9,
                              kOpGetLessOrEqual = 11, kOpCreate = 14, kOpStat = 15,
                              kOpBeginTransaction = 19, kOpEndTransaction = 20,
                              kOpAbortTransaction = 21, kOpGetPosition = 22, kOpGetDirect = 23,
                              kOpReset = 28;
// Statuses the program looks at, and the layer's own.
inline constexpr std::int16_t kStatusNotOpen = 3, kStatusNotFound = 12, kStatusShortBuffer = 22,
                              kStatusRecordLocked = 84, kStatusFileLocked = 85,
                              kStatusAlreadyOpen = 1002, kStatusTableFull = 1003,
                              kStatusNoSuchKey = 1004;

inline constexpr int kFileSlots = 40;
inline constexpr std::size_t kDataAreaSize = 1536;
inline constexpr std::size_t kKeyAreaSize = 256;

struct FileEntry {
  std::int16_t fileNumber = 0;  // 0: free
  std::array<unsigned char, 128> positionBlock{};
  char* recordArea = nullptr;
  std::int32_t recordLength = 0;
  std::int16_t keyNumber = 0;
  std::string keyBuffer;
  std::int16_t lockMode = 0;  // 0 D, 1 A (wait out locks), 2 B
};

class RecordFiles {
 public:
  // `endProgram` closes what the program holds and ends the process with exit code 0; it runs
  // after the fatal message of an open that failed.
  RecordFiles(screen::Screen& screen, const frame::Session& session, platform::Timer& timer,
              std::function<void()> endProgram, RecordManagerCall call = nullptr);

  // Opens `name` (a suite path, extension ".dat" unless it has one) as `fileNumber` with the
  // caller's record area; creates it from RootDir + "ddf\" + base + ".xdf" when missing. Returns
  // 0, 1002 or 1003; any failure of the record manager shows the fatal message and ends the
  // program.
  std::int16_t RecOpen(std::int16_t fileNumber, std::string_view name, char* recordArea);
  std::int16_t RecReset();
  // > 0: the entry holding the file; < 0: not open, minus the highest free entry; 0: table full.
  std::int16_t RecSlot(std::int16_t fileNumber) const;
  void RecKeyInfo(std::int16_t fileNumber, std::int16_t keyNumber, std::int16_t& keyLength,
                  std::int16_t& recordLength);

  std::int16_t RecGetByKey(std::int16_t fileNumber, std::int16_t keyNumber, std::string_view key,
                           std::int16_t direction);
  std::int16_t RecStep(std::int16_t fileNumber, std::int16_t count);
  std::int16_t RecDelete(std::int16_t fileNumber);
  // Inserts the record area and appends its line to db.log in the current directory.
  std::int16_t RecInsert(std::int16_t fileNumber);
  // Position 0 asks for the current record's position (0 when it cannot be had); any other
  // position reads that record into the record area and returns the status.
  std::int32_t RecPosition(std::int16_t fileNumber, std::int32_t position);
  // Returns 3 when the file is not open, else `status` unchanged.
  std::int16_t RecLockMode(std::int16_t fileNumber, std::string_view letters,
                           std::int16_t status = 0);
  std::string RecKeyImage(std::string_view key, std::int16_t fileNumber);
  std::string RecCurrentKeyImage(std::int16_t fileNumber);

  // Groups the calls that follow into one record-manager transaction (the whole save of the
  // table), so that other stations and a crash see all of it or none of it.
  std::int16_t BeginTransaction();
  std::int16_t EndTransaction();
  std::int16_t AbortTransaction();

  // The core call: lock bias, record and key moves, and in lock mode A the wait for a locked
  // record or file behind the lock message.
  std::int16_t RecCall(std::int16_t entry, std::int16_t operation);

  const FileEntry& Entry(int index) const { return table_[static_cast<std::size_t>(index)]; }
  const std::string& LockStack() const { return lockStack_; }

 private:
  std::int16_t Call(std::uint16_t op, void* positionBlock, void* data, std::uint32_t* dataLength,
                    void* key, std::uint8_t keyLength, std::int8_t keyNumber);
  // The Stat buffer after the two calls RecKeyInfo makes; empty when the file is not open.
  std::string StatBuffer(FileEntry& entry);
  [[noreturn]] void OpenFailed(std::string_view name, std::int16_t status);
  void AppendLogLine(std::int16_t fileNumber, std::int16_t status);

  screen::Screen& screen_;
  const frame::Session& session_;
  platform::Timer& timer_;
  std::function<void()> endProgram_;
  RecordManagerCall call_;
  std::array<FileEntry, kFileSlots + 1> table_{};
  std::string lockStack_;
};

// The line RecInsert appends to db.log for one insert, CR LF included.
std::string DbLogLine(std::int16_t fileNumber, std::int16_t operation, std::int16_t status);

}  // namespace records
