// The window-stack file WinPush.tmp: its byte layout, and the pure writer and reader of its
// entries. The reader takes bytes (through a read callback) and gives values; the window stack
// does the file and screen work. Nothing here touches a file or the console, and no input,
// however damaged, makes the reader crash, loop or read past what it was given.
//
// File (1-based positions):
//   | position | size | content                                                            |
//   |----------|------|--------------------------------------------------------------------|
//   | 1        | 4    | top pointer, unsigned 32-bit little-endian: the position just past |
//   |          |      | the top entry, where the next entry goes; the first entry is at 5  |
//   | 5        | ...  | entries, one after another without gaps                            |
//
// Entry (every number ASCII decimal, zero-padded to its width, last digits kept):
//   | offset  | size  | content                                                          |
//   |---------|-------|------------------------------------------------------------------|
//   | 0, 2    | 2, 2  | cursor row and column at the push                                |
//   | 4..10   | 4 x 2 | previous window: top, left, bottom, right ("00" when none)       |
//   | 12..18  | 4 x 2 | this window: top, left, bottom, right                            |
//   | 20      | 2RC   | the cells, row by row from the top, left to right: the character |
//   |         |       | byte, then the attribute byte                                    |
//   | 20+2RC  | 5     | length of the whole entry, 2RC + 25                              |
// R and C are the rectangle's rows and columns; an inverted rectangle has no cells.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console.h"

namespace screen {

struct WindowRect {
  int top = 0;
  int left = 0;
  int bottom = 0;
  int right = 0;
  bool operator==(const WindowRect&) const = default;
};

struct WindowEntry {
  int cursorRow = 0;
  int cursorColumn = 0;
  WindowRect previous;
  WindowRect rect;
  std::vector<platform::Cell> cells;  // CellCount(rect) of them
};

inline constexpr std::int64_t kFirstEntryPosition = 5;
inline constexpr std::size_t kEntryOverhead = 25;  // 10 two-digit fields and the length
inline constexpr int kLargestCoordinate = 99;      // what a two-digit field holds

// Rows times columns of the rectangle; 0 when it is inverted.
std::size_t CellCount(const WindowRect& rect);

// The entry's bytes. Numbers outside 0-99 keep their last two digits, as the format has it;
// the window stack never hands such numbers over.
std::string EncodeEntry(const WindowEntry& entry);
std::string EncodeTopPointer(std::uint32_t position);

// Reads up to `size` bytes at the 1-based `position`; fewer at the end of the file.
using ByteReader = std::function<std::string(std::int64_t position, std::size_t size)>;

// The top pointer of a file of `fileSize` bytes, or nothing when the file holds no header
// (3 bytes or fewer) or the pointer lies outside the file: before the first entry or more
// than one byte past the end.
std::optional<std::int64_t> ReadTopPointer(std::int64_t fileSize, const ByteReader& read);

struct TopEntry {
  WindowEntry entry;
  std::int64_t start = 0;  // position of the entry: the top pointer once it is popped
};

// The top entry of a stack file, or nothing when the file is empty, damaged or foreign: no
// valid top pointer, a length field that is not five digits, shorter than an entry or
// reaching back before the first entry, a field that is not two digits, a rectangle or cursor
// at 0, or cells that do not fill the length exactly.
std::optional<TopEntry> ReadTopEntry(std::int64_t fileSize, const ByteReader& read);
std::optional<TopEntry> ReadTopEntry(std::string_view fileBytes);

// One entry's bytes, checked as above; `bytes` is the whole entry, length field included.
std::optional<WindowEntry> ParseEntry(std::string_view bytes);

}  // namespace screen
