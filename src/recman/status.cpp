#include "recman/status.h"

#include <array>
#include <utility>

namespace recman {
namespace {

constexpr std::array<std::pair<int16_t, std::string_view>, 36> kTexts = {{
    {kOk, "success"},
    {kInvalidOperation, "invalid operation"},
    {kIoError, "I/O error"},
    {kFileNotOpen, "file not open"},
    {kKeyNotFound, "key value not found"},
    {kDuplicateKey, "duplicate key value"},
    {kInvalidKeyNumber, "invalid key number"},
    {kDifferentKeyNumber, "different key number"},
    {kInvalidPositioning, "invalid positioning"},
    {kEndOfFile, "end of file"},
    {kModifiableKeyError, "key value not modifiable"},
    {kInvalidFileName, "invalid file name"},
    {kFileNotFound, "file not found"},
    {kDiskFull, "disk full"},
    {kManagerInactive, "record manager inactive or unreachable"},
    {kKeyBufferTooShort, "key buffer too short"},
    {kDataBufferLength, "data buffer length"},
    {kPageSizeError, "page size error"},
    {kCreateIoError, "create I/O error"},
    {kNumberOfKeys, "number of keys"},
    {kInvalidKeyPosition, "invalid key position"},
    {kInvalidRecordLength, "invalid record length"},
    {kInvalidKeyLength, "invalid key length"},
    {kNotARecordFile, "not a record file"},
    {kTransactionActive, "transaction is active"},
    {kEndAbortTransactionError, "end/abort transaction error"},
    {kInvalidRecordAddress, "invalid record address"},
    {kInconsistentKeyFlags, "inconsistent key flags"},
    {kAccessDenied, "access to file denied"},
    {kInvalidCollatingSequence, "invalid collating sequence"},
    {kKeyTypeError, "key type error"},
    {kFileExists, "file already exists"},
    {kConflict, "record changed by another user"},
    {kRecordInUse, "record in use"},
    {kFileInUse, "file in use"},
    {kFileTableFull, "file table full"},
}};

}  // namespace

std::string_view StatusText(int16_t status) {
  for (const auto& [code, text] : kTexts) {
    if (code == status) return text;
  }
  return "unknown status";
}

}  // namespace recman
