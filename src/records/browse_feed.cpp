#include "records/browse_feed.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace records {
namespace {

constexpr std::int16_t kEsc = 27;

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint32_t GetLittleEndian(std::string_view bytes, std::size_t offset, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[offset + static_cast<std::size_t>(i)]);
  }
  return value;
}

// Unsigned byte order, a prefix before the longer text: the order of key images.
bool NotAfter(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  const int order = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
  return order < 0 || (order == 0 && a.size() <= b.size());
}

// The end key is held as its image, so the current key is compared as its image too, taken
// once: images sort in key order whatever segments the key has, and cutting an image to the end
// key's length keeps that order.
bool InRange(RecordFiles& files, const BrowseState& state) {
  if (state.endKey.empty()) return true;
  std::string current = files.RecCurrentKeyImage(state.recordFile);
  if (current.size() > state.endKey.size()) current.resize(state.endKey.size());
  return NotAfter(current, state.endKey);
}

std::string WithoutTrailingBlanks(std::string text) {
  const std::size_t last = text.find_last_not_of(' ');
  text.erase(last == std::string::npos ? 0 : last + 1);
  return text;
}

// Writes the row for the record in the record area at the end of the row file and makes it
// current. False when it cannot be stored, which ends the feed.
bool AppendRow(RecordFiles& files, BrowseState& state, std::string text) {
  const std::int64_t position = state.rowFile.Size() + 1;
  if (position > std::numeric_limits<std::int32_t>::max()) return false;
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max())) {
    text.resize(static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max()));
  }
  RowHeader header;
  header.previous = state.lastAppended;
  header.recordPosition = files.RecPosition(state.recordFile, 0);
  header.length = static_cast<std::int16_t>(text.size());
  if (!state.rowFile.Write(position, EncodeRowHeader(header) + text)) return false;
  state.lastAppended = static_cast<std::int32_t>(position);
  state.currentPosition = position;
  state.currentHeader = header;
  state.currentText = std::move(text);
  state.rowPosition = position + kRowHeaderSize + header.length;
  state.entryRead = -1;
  return true;
}

// Reads records forward until one gives a row, the range ends or Esc is typed. The record a
// row is built from is always the one the previous read left in the record area.
void FeedFromRecords(RecordFiles& files, BrowseState& state) {
  if (state.started == 0) {
    state.started = -1;
    const std::int16_t status =
        files.RecGetByKey(state.recordFile, state.keyNumber, state.startKey, 1);
    state.endKey = files.RecKeyImage(state.endKey, state.recordFile);
    if (status != 0 || !InRange(files, state)) state.ended = -1;
  }
  while (state.ended == 0) {
    const std::string text =
        WithoutTrailingBlanks(state.rowText ? state.rowText(state) : BrowseRowText(state));
    bool produced = false;
    if (!text.empty()) {
      if (!AppendRow(files, state, text)) {
        state.ended = -1;
        break;
      }
      produced = true;
    }
    if (files.RecStep(state.recordFile, 1) != 0 || !InRange(files, state)) {
      state.ended = -1;
      break;
    }
    if (state.takeWaitingKey && state.takeWaitingKey() == kEsc) {
      state.ended = -1;
      break;
    }
    if (produced) break;
  }
}

// Whether a whole entry is stored at `position`; damaged bytes there end the list.
bool EntryFollows(BrowseState& state, std::int64_t position) {
  if (position > state.rowFile.Size()) return false;
  if (ReadRowEntry(state.rowFile, position)) return true;
  state.ended = -1;
  return false;
}

}  // namespace

std::string EncodeRowHeader(const RowHeader& header) {
  std::string bytes;
  bytes.reserve(kRowHeaderSize);
  PutLittleEndian(bytes, static_cast<std::uint32_t>(header.previous), 4);
  PutLittleEndian(bytes, static_cast<std::uint32_t>(header.recordPosition), 4);
  PutLittleEndian(bytes, static_cast<std::uint16_t>(header.length), 2);
  return bytes;
}

RowHeader DecodeRowHeader(std::string_view bytes) {
  RowHeader header;
  if (bytes.size() < static_cast<std::size_t>(kRowHeaderSize)) return header;
  header.previous = static_cast<std::int32_t>(GetLittleEndian(bytes, 0, 4));
  header.recordPosition = static_cast<std::int32_t>(GetLittleEndian(bytes, 4, 4));
  header.length = static_cast<std::int16_t>(GetLittleEndian(bytes, 8, 2));
  return header;
}

std::optional<RowEntry> ReadRowEntry(platform::File& rowFile, std::int64_t position) {
  if (position < 1) return std::nullopt;
  const std::int64_t size = rowFile.Size();
  if (position > size || size - position + 1 < kRowHeaderSize) return std::nullopt;
  char bytes[kRowHeaderSize];
  if (rowFile.Read(position, bytes, sizeof bytes) != sizeof bytes) return std::nullopt;
  RowEntry entry;
  entry.header = DecodeRowHeader(std::string_view(bytes, sizeof bytes));
  if (entry.header.length < 0) return std::nullopt;
  const std::int64_t textStart = position + kRowHeaderSize;
  if (size - textStart + 1 < entry.header.length) return std::nullopt;
  entry.text.resize(static_cast<std::size_t>(entry.header.length));
  if (rowFile.Read(textStart, entry.text.data(), entry.text.size()) != entry.text.size()) {
    return std::nullopt;
  }
  if (entry.header.previous < 0 || entry.header.previous >= position) entry.header.previous = 0;
  return entry;
}

std::string BrowseRowText(const BrowseState& /*state*/) { return {}; }

void RecBrowseNext(RecordFiles& files, BrowseState& state) {
  state.entryRead = 0;
  if (state.rowPosition <= state.rowFile.Size()) {
    if (std::optional<RowEntry> entry = ReadRowEntry(state.rowFile, state.rowPosition)) {
      state.currentPosition = state.rowPosition;
      state.currentHeader = entry->header;
      state.rowPosition += kRowHeaderSize + entry->header.length;
      state.currentText = std::move(entry->text);
      state.entryRead = -1;
    } else {
      state.ended = -1;
    }
  } else if (state.ended == 0) {
    FeedFromRecords(files, state);
  }
  state.firstRow = state.currentHeader.previous == 0 ? -1 : 0;
  const bool more = EntryFollows(state, state.rowPosition);
  state.atEnd = !more && state.ended != 0 ? -1 : 0;
}

int BrowseStep(RecordFiles& files, BrowseState& state, int count) {
  int moved = 0;
  for (; count > 0 && moved < count; ++moved) {
    if (state.atEnd != 0) break;
    RecBrowseNext(files, state);
    if (state.entryRead == 0) break;
  }
  for (; count < 0 && moved < -count; ++moved) {
    const std::int64_t previous = state.currentHeader.previous;
    if (previous == 0 || !ReadRowEntry(state.rowFile, previous)) {
      state.firstRow = -1;
      break;
    }
    state.rowPosition = previous;
    RecBrowseNext(files, state);
  }
  return moved;
}

std::optional<std::int64_t> EntryAfter(platform::File& rowFile, std::int64_t position) {
  const std::optional<RowEntry> entry = ReadRowEntry(rowFile, position);
  if (!entry) return std::nullopt;
  return position + kRowHeaderSize + entry->header.length;
}

WalkBack WalkBackFrom(platform::File& rowFile, std::int64_t position, int count) {
  WalkBack walk;
  walk.position = position;
  while (true) {
    const std::optional<RowEntry> entry = ReadRowEntry(rowFile, walk.position);
    if (!entry || entry->header.previous == 0) {
      walk.reachedFirst = true;
      return walk;
    }
    if (walk.steps == count) return walk;
    walk.position = entry->header.previous;
    ++walk.steps;
  }
}

}  // namespace records
