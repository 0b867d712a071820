#include <algorithm>
#include <limits>
#include <string>

#include "platform/file.h"
#include "screen/screen.h"

namespace screen {
namespace {

ByteReader ReaderOf(platform::File& file) {
  return [&file](std::int64_t position, std::size_t size) {
    std::string bytes(size, '\0');
    bytes.resize(file.Read(position, bytes.data(), size));
    return bytes;
  };
}

// The two-digit fields of an entry cannot hold more than 99.
bool Fits(int value, int limit) { return value >= 1 && value <= limit && value <= 99; }

struct FrameGlyphs {
  char topLeft, topRight, bottomLeft, bottomRight, horizontal, vertical;
};

constexpr FrameGlyphs kFrames[] = {
    {' ', ' ', ' ', ' ', ' ', ' '},
    {'\xDA', '\xBF', '\xC0', '\xD9', '\xC4', '\xB3'},
    {'\xC9', '\xBB', '\xC8', '\xBC', '\xCD', '\xBA'},
};

}  // namespace

bool Screen::WinPush(int top, int left, int bottom, int right) {
  if (!Fits(top, ScreenRows()) || !Fits(left, ScreenCols()) || !Fits(bottom, ScreenRows()) ||
      !Fits(right, ScreenCols())) {
    return false;
  }
  WindowEntry entry;
  entry.cursorRow = console_.CursorRow();
  entry.cursorColumn = console_.CursorColumn();
  if (entry.cursorRow > kLargestCoordinate || entry.cursorColumn > kLargestCoordinate) {
    return false;
  }
  entry.previous = current_;
  entry.rect = {top, left, bottom, right};
  entry.cells.reserve(CellCount(entry.rect));
  for (int r = top; r <= bottom; ++r) {
    for (int c = left; c <= right; ++c) entry.cells.push_back(console_.ReadCell(r, c));
  }
  const std::string bytes = EncodeEntry(entry);

  const std::string path = WinPushPath();
  platform::File file;
  if (!file.Open(path, platform::Share::kReadWriteShared, true)) return false;
  const std::int64_t size = file.Size();
  // A header that points outside the file is damage; what it held is lost, so the stack
  // starts again at the first entry.
  const std::int64_t position = ReadTopPointer(size, ReaderOf(file)).value_or(kFirstEntryPosition);
  const std::int64_t next = position + static_cast<std::int64_t>(bytes.size());
  if (next > std::numeric_limits<std::uint32_t>::max() || !file.Write(position, bytes) ||
      !file.Write(1, EncodeTopPointer(static_cast<std::uint32_t>(next)))) {
    file.Close();
    if (size == 0) platform::DeleteFile(path);
    return false;
  }
  file.Close();
  openWindows_.push_back(current_);
  current_ = entry.rect;
  return true;
}

void Screen::WinPop() {
  if (openWindows_.empty()) return;
  const WindowRect previous = openWindows_.back();
  openWindows_.pop_back();
  const std::string path = WinPushPath();
  platform::File file;
  std::optional<TopEntry> top;
  if (file.Open(path, platform::Share::kReadWriteShared, false)) {
    top = ReadTopEntry(file.Size(), ReaderOf(file));
  }
  // Only the window this program pushed last may come back; anything else in the file is
  // damage or another program's, and restoring it would paint garbage.
  if (!top || top->entry.rect != current_ || top->entry.previous != previous ||
      !file.Write(1, EncodeTopPointer(static_cast<std::uint32_t>(top->start)))) {
    file.Close();
    platform::DeleteFile(path);
    current_ = previous;
    return;
  }
  file.Close();
  if (top->start < kFirstEntryPosition + 1) platform::DeleteFile(path);

  const WindowEntry& entry = top->entry;
  const int columns = entry.rect.right - entry.rect.left + 1;
  for (std::size_t i = 0; i < entry.cells.size(); ++i) {
    const int r = entry.rect.top + static_cast<int>(i) / columns;
    const int c = entry.rect.left + static_cast<int>(i) % columns;
    console_.PutCell(r, c, entry.cells[i]);
  }
  if (!entry.cells.empty()) {
    const std::uint8_t attribute = entry.cells.back().attribute;
    console_.SetColor(attribute & 0x0F, attribute >> 4);
  }
  console_.SetCursor(entry.cursorRow, entry.cursorColumn);
  current_ = entry.previous;
}

void Screen::WinFrame(int style) {
  if (WinDepth() == 0) return;
  const FrameGlyphs& g = kFrames[style == kFrameSingle ? 1 : style == kFrameDouble ? 2 : 0];
  const auto inner = static_cast<std::size_t>(std::max(current_.right - current_.left - 1, 0));
  auto line = [&](int row, char first, char fill, char last) {
    std::string text(inner + 2, fill);
    text.front() = first;
    text.back() = last;
    console_.SetCursor(row, current_.left);
    console_.Write(text);
  };
  line(current_.top, g.topLeft, g.horizontal, g.topRight);
  for (int row = current_.top + 1; row <= current_.bottom - 1; ++row) {
    line(row, g.vertical, ' ', g.vertical);
  }
  line(current_.bottom, g.bottomLeft, g.horizontal, g.bottomRight);
}

}  // namespace screen
