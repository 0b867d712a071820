// The record manager's status numbers and operation codes, as the published interface numbers
// them, with a short meaning for each status that this engine can return (kavrec prints it).
// Plain constants only: no state, nothing here touches a file.
#pragma once

#include <cstdint>
#include <string_view>

namespace recman {

// Operation codes (the base code; lock biases are added on top).
inline constexpr int kOpOpen = 0;
inline constexpr int kOpClose = 1;
inline constexpr int kOpInsert = 2;
inline constexpr int kOpUpdate = 3;
inline constexpr int kOpDelete = 4;
inline constexpr int kOpGetEqual = 5;
inline constexpr int kOpGetNext = 6;
inline constexpr int kOpGetPrevious = 7;
inline constexpr int kOpGetGreater = 8;
inline constexpr int kOpGetGreaterOrEqual = 9;
inline constexpr int kOpGetLess = 10;
inline constexpr int kOpGetLessOrEqual = 11;
inline constexpr int kOpGetFirst = 12;
inline constexpr int kOpGetLast = 13;
inline constexpr int kOpCreate = 14;
inline constexpr int kOpStat = 15;
inline constexpr int kOpBeginTransaction = 19;
inline constexpr int kOpEndTransaction = 20;
inline constexpr int kOpAbortTransaction = 21;
inline constexpr int kOpGetPosition = 22;
inline constexpr int kOpGetDirect = 23;
inline constexpr int kOpStepNext = 24;
inline constexpr int kOpUnlock = 27;
inline constexpr int kOpReset = 28;
inline constexpr int kOpStepFirst = 33;
inline constexpr int kOpStepLast = 34;
inline constexpr int kOpStepPrevious = 35;

inline constexpr int kBiasWaitLock = 100;
inline constexpr int kBiasNoWaitLock = 200;

// Statuses.
inline constexpr int16_t kOk = 0;
inline constexpr int16_t kInvalidOperation = 1;
inline constexpr int16_t kIoError = 2;
inline constexpr int16_t kFileNotOpen = 3;
inline constexpr int16_t kKeyNotFound = 4;
inline constexpr int16_t kDuplicateKey = 5;
inline constexpr int16_t kInvalidKeyNumber = 6;
inline constexpr int16_t kDifferentKeyNumber = 7;
inline constexpr int16_t kInvalidPositioning = 8;
inline constexpr int16_t kEndOfFile = 9;
inline constexpr int16_t kModifiableKeyError = 10;
inline constexpr int16_t kInvalidFileName = 11;
inline constexpr int16_t kFileNotFound = 12;
inline constexpr int16_t kDiskFull = 18;
inline constexpr int16_t kManagerInactive = 20;
inline constexpr int16_t kKeyBufferTooShort = 21;
inline constexpr int16_t kDataBufferLength = 22;
inline constexpr int16_t kPageSizeError = 24;
inline constexpr int16_t kCreateIoError = 25;
inline constexpr int16_t kNumberOfKeys = 26;
inline constexpr int16_t kInvalidKeyPosition = 27;
inline constexpr int16_t kInvalidRecordLength = 28;
inline constexpr int16_t kInvalidKeyLength = 29;
inline constexpr int16_t kNotARecordFile = 30;
inline constexpr int16_t kTransactionActive = 37;
inline constexpr int16_t kEndAbortTransactionError = 39;
inline constexpr int16_t kInvalidRecordAddress = 43;
inline constexpr int16_t kInconsistentKeyFlags = 45;
inline constexpr int16_t kAccessDenied = 46;
inline constexpr int16_t kInvalidCollatingSequence = 48;
inline constexpr int16_t kKeyTypeError = 49;
inline constexpr int16_t kFileExists = 59;
inline constexpr int16_t kConflict = 80;
inline constexpr int16_t kRecordInUse = 84;
inline constexpr int16_t kFileInUse = 85;
inline constexpr int16_t kFileTableFull = 86;

// The meaning of a status in a few English words; "unknown status" for numbers not listed.
std::string_view StatusText(int16_t status);

}  // namespace recman
