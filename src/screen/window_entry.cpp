#include "screen/window_entry.h"

#include "frame/session.h"

namespace screen {
namespace {

// A fixed-width field of ASCII digits, or nothing.
std::optional<int> Digits(std::string_view bytes) {
  if (bytes.empty()) return std::nullopt;
  int value = 0;
  for (char c : bytes) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

std::size_t CellCount(const WindowRect& rect) {
  const int rows = rect.bottom - rect.top + 1;
  const int columns = rect.right - rect.left + 1;
  if (rows <= 0 || columns <= 0) return 0;
  return static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns);
}

std::string EncodeEntry(const WindowEntry& entry) {
  std::string out;
  out.reserve(kEntryOverhead + 2 * entry.cells.size());
  for (int value : {entry.cursorRow, entry.cursorColumn, entry.previous.top, entry.previous.left,
                    entry.previous.bottom, entry.previous.right, entry.rect.top, entry.rect.left,
                    entry.rect.bottom, entry.rect.right}) {
    out += frame::ZeroPad(value, 2);
  }
  for (const platform::Cell& cell : entry.cells) {
    out += static_cast<char>(cell.ch);
    out += static_cast<char>(cell.attribute);
  }
  out += frame::ZeroPad(static_cast<long long>(out.size()) + 5, 5);
  return out;
}

std::string EncodeTopPointer(std::uint32_t position) {
  std::string out(4, '\0');
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((position >> (8 * i)) & 0xFF);
  return out;
}

std::optional<std::int64_t> ReadTopPointer(std::int64_t fileSize, const ByteReader& read) {
  if (fileSize <= 3) return std::nullopt;
  const std::string header = read(1, 4);
  if (header.size() != 4) return std::nullopt;
  std::int64_t pointer = 0;
  for (int i = 3; i >= 0; --i) pointer = pointer * 256 + static_cast<unsigned char>(header[i]);
  if (pointer < kFirstEntryPosition || pointer > fileSize + 1) return std::nullopt;
  return pointer;
}

std::optional<WindowEntry> ParseEntry(std::string_view bytes) {
  if (bytes.size() < kEntryOverhead) return std::nullopt;
  const std::optional<int> length = Digits(bytes.substr(bytes.size() - 5));
  if (!length || static_cast<std::size_t>(*length) != bytes.size()) return std::nullopt;
  int fields[10];
  for (int i = 0; i < 10; ++i) {
    const std::optional<int> value = Digits(bytes.substr(2 * static_cast<std::size_t>(i), 2));
    if (!value) return std::nullopt;
    fields[i] = *value;
  }
  WindowEntry entry;
  entry.cursorRow = fields[0];
  entry.cursorColumn = fields[1];
  entry.previous = {fields[2], fields[3], fields[4], fields[5]};
  entry.rect = {fields[6], fields[7], fields[8], fields[9]};
  if (entry.cursorRow < 1 || entry.cursorColumn < 1 || entry.rect.top < 1 || entry.rect.left < 1 ||
      entry.rect.bottom < 1 || entry.rect.right < 1) {
    return std::nullopt;
  }
  const std::size_t cells = CellCount(entry.rect);
  if (bytes.size() != kEntryOverhead + 2 * cells) return std::nullopt;
  entry.cells.resize(cells);
  for (std::size_t i = 0; i < cells; ++i) {
    entry.cells[i].ch = static_cast<unsigned char>(bytes[20 + 2 * i]);
    entry.cells[i].attribute = static_cast<std::uint8_t>(bytes[21 + 2 * i]);
  }
  return entry;
}

std::optional<TopEntry> ReadTopEntry(std::int64_t fileSize, const ByteReader& read) {
  const std::optional<std::int64_t> pointer = ReadTopPointer(fileSize, read);
  if (!pointer) return std::nullopt;
  // The smallest entry needs 25 bytes between the header and the pointer.
  if (*pointer - kFirstEntryPosition < static_cast<std::int64_t>(kEntryOverhead)) {
    return std::nullopt;
  }
  const std::string lengthField = read(*pointer - 5, 5);
  const std::optional<int> length = Digits(lengthField);
  if (lengthField.size() != 5 || !length || *length < static_cast<int>(kEntryOverhead) ||
      *pointer - *length < kFirstEntryPosition) {
    return std::nullopt;
  }
  const std::int64_t start = *pointer - *length;
  const std::string bytes = read(start, static_cast<std::size_t>(*length));
  if (bytes.size() != static_cast<std::size_t>(*length)) return std::nullopt;
  std::optional<WindowEntry> entry = ParseEntry(bytes);
  if (!entry) return std::nullopt;
  return TopEntry{std::move(*entry), start};
}

std::optional<TopEntry> ReadTopEntry(std::string_view fileBytes) {
  return ReadTopEntry(
      static_cast<std::int64_t>(fileBytes.size()),
      [fileBytes](std::int64_t position, std::size_t size) {
        if (position < 1 || position > static_cast<std::int64_t>(fileBytes.size())) {
          return std::string();
        }
        return std::string(fileBytes.substr(static_cast<std::size_t>(position - 1), size));
      });
}

}  // namespace screen
