// The record-file specification: reads and validates the Create buffer (the layout below), and
// turns records and key values into key values and comparison images. Pure functions on bytes:
// the parser never reads outside the buffer it is given and reports every fault as a status.
// A FileSpec is a plain value owned by whoever parsed it.
//
// Create / Stat buffer, all numbers little-endian:
//   offset  size  field
//   0       2     record length (4..4096; the fixed part when records are variable length)
//   2       2     page size (512..16384, a multiple of 512)
//   4       2     number of keys (1..119)
//   6       4     number of records (Stat fills it; ignored by Create)
//   10      2     file flags (0x01 variable-length records; other bits kept, not acted on)
//   12      2     reserved
//   14      2     preallocation
//   16      16*n  one description per key segment, key 0's segments first:
//                   +0 position in the record, 1-based (2)   +2 length (2)
//                   +4 flags (2): 0x01 duplicates, 0x02 modifiable, 0x04 binary, 0x08 null key,
//                      0x10 another segment follows, 0x20 alternate collating sequence,
//                      0x40 descending, 0x100 extended type, 0x400 case-insensitive
//                   +6 number of unique values (4; Stat fills it)
//                   +10 extended type (1: 0 string, 1 signed integer, 14 unsigned binary)
//                   +11 null value (1)   +12 reserved (2)   +14 manual key number (1)
//                   +15 collating-sequence number (1)
//   then, when a segment uses a collating sequence, one 265-byte block per sequence number
//   0..highest used: signature 0xAC, an 8-byte name, the 256-byte table of weights.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace recman {

inline constexpr uint16_t kSegDuplicates = 0x01;
inline constexpr uint16_t kSegModifiable = 0x02;
inline constexpr uint16_t kSegBinary = 0x04;
inline constexpr uint16_t kSegNullKey = 0x08;
inline constexpr uint16_t kSegContinues = 0x10;
inline constexpr uint16_t kSegCollating = 0x20;
inline constexpr uint16_t kSegDescending = 0x40;
inline constexpr uint16_t kSegExtendedType = 0x100;
inline constexpr uint16_t kSegCaseInsensitive = 0x400;

inline constexpr uint8_t kTypeString = 0;
inline constexpr uint8_t kTypeInteger = 1;
inline constexpr uint8_t kTypeUnsignedBinary = 14;

inline constexpr uint16_t kFileVariableLength = 0x01;

inline constexpr int kFileSpecSize = 16;
inline constexpr int kSegmentSize = 16;
inline constexpr int kCollatingBlockSize = 265;
inline constexpr uint8_t kCollatingSignature = 0xAC;
inline constexpr int kMinRecordLength = 4;
inline constexpr int kMaxRecordLength = 4096;
inline constexpr int kMaxVariableRecordLength = 65535;
inline constexpr int kMaxKeys = 119;
inline constexpr int kMaxKeyLength = 255;

struct Segment {
  uint16_t position = 0;  // 1-based
  uint16_t length = 0;
  uint16_t flags = 0;
  uint8_t extendedType = 0;
  uint8_t nullValue = 0;
  uint8_t collatingNumber = 0;
};

struct KeySpec {
  std::vector<Segment> segments;
  int length = 0;  // sum of the segment lengths
  bool duplicates = false;
  bool modifiable = false;
  bool nullKey = false;
};

struct FileSpec {
  int recordLength = 0;
  int pageSize = 0;
  uint16_t fileFlags = 0;
  std::vector<KeySpec> keys;
  std::vector<std::array<uint8_t, 256>> collating;  // indexed by collating-sequence number
  // The validated buffer as given (spec, segments, collating blocks), with the counts that
  // Stat fills set to zero. It is what the file stores and what Stat returns.
  std::string layout;

  bool VariableLength() const { return (fileFlags & kFileVariableLength) != 0; }
  int MaxRecordLength() const { return VariableLength() ? kMaxVariableRecordLength : recordLength; }
};

// Parses a Create buffer of `buffer.size()` bytes. 0 on success, else the status that Create
// returns for the first fault found (22 buffer too short, 24, 26, 27, 28, 29, 45, 48, 49).
[[nodiscard]] int16_t ParseFileSpec(std::string_view buffer, FileSpec* spec);

// The key value of `key` taken from a record (its segments one after the other). The record
// must be at least spec.recordLength bytes long.
std::string KeyValueOf(const KeySpec& key, std::string_view record);

// The comparison image of a key value of exactly key.length bytes: SQLite's byte comparison of
// two images gives the key order.
std::string KeyImageOf(const FileSpec& spec, const KeySpec& key, std::string_view keyValue);

// True when a key value of a null-flagged key is all null values, so the record stays out of
// that key's index.
bool IsNullValue(const KeySpec& key, std::string_view keyValue);

// The Stat buffer: the stored layout with the number of records and, in every segment of each
// key, the number of distinct values of that key.
std::string StatLayout(const FileSpec& spec, uint32_t records,
                       const std::vector<uint32_t>& distinct);

}  // namespace recman
