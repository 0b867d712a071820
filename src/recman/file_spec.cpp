#include "recman/file_spec.h"

#include <algorithm>

#include "recman/status.h"

namespace recman {
namespace {

uint16_t Get16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) |
                               (static_cast<uint8_t>(b[at + 1]) << 8));
}

void Put32(std::string* b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*b)[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

bool ValidPageSize(int size) { return size >= 512 && size <= 16384 && size % 512 == 0; }

bool ValidIntegerLength(int length) {
  return length == 1 || length == 2 || length == 4 || length == 8;
}

}  // namespace

int16_t ParseFileSpec(std::string_view buffer, FileSpec* spec) {
  *spec = FileSpec{};
  if (buffer.size() < kFileSpecSize) return kDataBufferLength;
  spec->recordLength = Get16(buffer, 0);
  spec->pageSize = Get16(buffer, 2);
  const int keyCount = Get16(buffer, 4);
  spec->fileFlags = Get16(buffer, 10);
  if (spec->recordLength < kMinRecordLength || spec->recordLength > kMaxRecordLength) {
    return kInvalidRecordLength;
  }
  if (!ValidPageSize(spec->pageSize)) return kPageSizeError;
  if (keyCount < 1 || keyCount > kMaxKeys) return kNumberOfKeys;

  size_t at = kFileSpecSize;
  int highestCollating = -1;
  for (int k = 0; k < keyCount; ++k) {
    KeySpec key;
    bool more = true;
    while (more) {
      if (buffer.size() - at < kSegmentSize) return kDataBufferLength;
      Segment s;
      s.position = Get16(buffer, at);
      s.length = Get16(buffer, at + 2);
      s.flags = Get16(buffer, at + 4);
      s.extendedType = static_cast<uint8_t>(buffer[at + 10]);
      s.nullValue = static_cast<uint8_t>(buffer[at + 11]);
      s.collatingNumber = static_cast<uint8_t>(buffer[at + 15]);
      at += kSegmentSize;
      more = (s.flags & kSegContinues) != 0;
      if (s.length == 0) return kInvalidKeyLength;
      if (s.position == 0 || s.position + s.length - 1 > spec->recordLength) {
        return kInvalidKeyPosition;
      }
      key.length += s.length;
      if (key.length > kMaxKeyLength) return kInvalidKeyLength;
      const bool dup = (s.flags & kSegDuplicates) != 0;
      const bool mod = (s.flags & kSegModifiable) != 0;
      const bool null = (s.flags & kSegNullKey) != 0;
      if (key.segments.empty()) {
        key.duplicates = dup;
        key.modifiable = mod;
        key.nullKey = null;
      } else if (dup != key.duplicates || mod != key.modifiable || null != key.nullKey) {
        return kInconsistentKeyFlags;
      }
      if ((s.flags & kSegExtendedType) != 0) {
        switch (s.extendedType) {
          case kTypeString:
            break;
          case kTypeInteger:
          case kTypeUnsignedBinary:
            if (!ValidIntegerLength(s.length)) return kInvalidKeyLength;
            break;
          default:
            return kKeyTypeError;
        }
      }
      if ((s.flags & kSegCollating) != 0) {
        highestCollating = std::max<int>(highestCollating, s.collatingNumber);
      }
      key.segments.push_back(s);
    }
    spec->keys.push_back(std::move(key));
  }
  for (int n = 0; n <= highestCollating; ++n) {
    if (buffer.size() - at < kCollatingBlockSize) return kDataBufferLength;
    if (static_cast<uint8_t>(buffer[at]) != kCollatingSignature) return kInvalidCollatingSequence;
    std::array<uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(buffer[at + 9 + i]);
    spec->collating.push_back(table);
    at += kCollatingBlockSize;
  }
  spec->layout.assign(buffer.substr(0, at));
  Put32(&spec->layout, 6, 0);
  size_t segments = 0;
  for (const KeySpec& key : spec->keys) segments += key.segments.size();
  for (size_t i = 0; i < segments; ++i)
    Put32(&spec->layout, kFileSpecSize + kSegmentSize * i + 6, 0);
  return kOk;
}

std::string KeyValueOf(const KeySpec& key, std::string_view record) {
  std::string value;
  value.reserve(key.length);
  for (const Segment& s : key.segments) value.append(record.substr(s.position - 1, s.length));
  return value;
}

std::string KeyImageOf(const FileSpec& spec, const KeySpec& key, std::string_view keyValue) {
  std::string image(keyValue);
  size_t at = 0;
  for (const Segment& s : key.segments) {
    auto* begin = reinterpret_cast<uint8_t*>(image.data()) + at;
    auto* end = begin + s.length;
    const bool extended = (s.flags & kSegExtendedType) != 0;
    if (extended && s.extendedType == kTypeInteger) {
      std::reverse(begin, end);
      *begin ^= 0x80;
    } else if ((extended && s.extendedType == kTypeUnsignedBinary) ||
               (!extended && (s.flags & kSegBinary) != 0)) {
      std::reverse(begin, end);
    } else if ((s.flags & kSegCollating) != 0) {
      const auto& table = spec.collating[s.collatingNumber];
      for (auto* p = begin; p != end; ++p) *p = table[*p];
    } else if ((s.flags & kSegCaseInsensitive) != 0) {
      for (auto* p = begin; p != end; ++p) {
        if (*p >= 'a' && *p <= 'z') *p = static_cast<uint8_t>(*p - 'a' + 'A');
      }
    }
    if ((s.flags & kSegDescending) != 0) {
      for (auto* p = begin; p != end; ++p) *p = static_cast<uint8_t>(~*p);
    }
    at += s.length;
  }
  return image;
}

bool IsNullValue(const KeySpec& key, std::string_view keyValue) {
  if (!key.nullKey) return false;
  size_t at = 0;
  for (const Segment& s : key.segments) {
    for (int i = 0; i < s.length; ++i) {
      if (static_cast<uint8_t>(keyValue[at + i]) != s.nullValue) return false;
    }
    at += s.length;
  }
  return true;
}

std::string StatLayout(const FileSpec& spec, uint32_t records,
                       const std::vector<uint32_t>& distinct) {
  std::string out = spec.layout;
  Put32(&out, 6, records);
  size_t at = kFileSpecSize;
  for (size_t k = 0; k < spec.keys.size(); ++k) {
    const uint32_t count = k < distinct.size() ? distinct[k] : 0;
    for (size_t s = 0; s < spec.keys[k].segments.size(); ++s) {
      Put32(&out, at + 6, count);
      at += kSegmentSize;
    }
  }
  return out;
}

}  // namespace recman
