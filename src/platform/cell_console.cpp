#include "platform/cell_console.h"

#include <algorithm>

namespace platform {

void CellConsole::ResizeCells(int rows, int columns) {
  std::vector<Cell> cells(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns));
  for (int r = 1; r <= std::min(rows, rows_); ++r) {
    for (int c = 1; c <= std::min(columns, columns_); ++c) {
      cells[static_cast<std::size_t>(r - 1) * columns + (c - 1)] = cells_[Index(r, c)];
    }
  }
  cells_ = std::move(cells);
  rows_ = rows;
  columns_ = columns;
  cursorRow_ = std::clamp(cursorRow_, 1, rows_);
  cursorColumn_ = std::clamp(cursorColumn_, 1, columns_);
}

void CellConsole::SetCursor(int row, int column) {
  cursorRow_ = std::clamp(row, 1, rows_);
  cursorColumn_ = std::clamp(column, 1, columns_);
}

void CellConsole::SetCursorSize(int percent) { cursorSize_ = std::clamp(percent, 0, 100); }

void CellConsole::SetColor(int foreground, int background) {
  if (foreground >= 0 && foreground < 16) {
    attribute_ = static_cast<std::uint8_t>((attribute_ & 0xF0) | foreground);
  }
  if (background >= 0 && background < 16) {
    attribute_ = static_cast<std::uint8_t>((attribute_ & 0x0F) | (background << 4));
  }
}

void CellConsole::Set(int row, int column, Cell cell) {
  Cell& target = cells_[Index(row, column)];
  if (target == cell) return;
  target = cell;
  CellChanged(row, column);
}

void CellConsole::PutChar(unsigned char ch) {
  if (cursorColumn_ > columns_) {
    NewLine();
  }
  Set(cursorRow_, cursorColumn_, Cell{ch, attribute_});
  ++cursorColumn_;
  // The cursor stays on the last column until the next character needs the following row, as
  // a console's delayed wrap does; only then does the screen scroll.
}

void CellConsole::Write(std::string_view text) {
  for (char c : text) PutChar(static_cast<unsigned char>(c));
  if (cursorColumn_ > columns_) {
    if (cursorRow_ < rows_) {
      ++cursorRow_;
      cursorColumn_ = 1;
    } else {
      cursorColumn_ = columns_;
    }
  }
}

void CellConsole::WriteBlanks(int count) {
  if (count > 0) Write(std::string(static_cast<std::size_t>(count), ' '));
}

void CellConsole::NewLine() {
  cursorColumn_ = 1;
  if (cursorRow_ < rows_) {
    ++cursorRow_;
  } else {
    ScrollRect(1, 1, rows_, columns_, 1);
  }
}

void CellConsole::Clear() {
  for (int r = 1; r <= rows_; ++r) {
    for (int c = 1; c <= columns_; ++c) Set(r, c, Cell{' ', attribute_});
  }
  cursorRow_ = 1;
  cursorColumn_ = 1;
}

void CellConsole::ScrollRect(int top, int left, int bottom, int right, int rows) {
  top = std::max(top, 1);
  left = std::max(left, 1);
  bottom = std::min(bottom, rows_);
  right = std::min(right, columns_);
  if (top > bottom || left > right || rows == 0) return;
  const int height = bottom - top + 1;
  const Cell blank{' ', attribute_};
  auto source = [&](int r, int c) -> Cell {
    const int from = r + rows;
    return (from >= top && from <= bottom) ? cells_[Index(from, c)] : blank;
  };
  if (rows > 0) {
    for (int r = top; r <= bottom; ++r)
      for (int c = left; c <= right; ++c) Set(r, c, rows >= height ? blank : source(r, c));
  } else {
    for (int r = bottom; r >= top; --r)
      for (int c = left; c <= right; ++c) Set(r, c, -rows >= height ? blank : source(r, c));
  }
}

Cell CellConsole::ReadCell(int row, int column) const {
  if (row < 1 || row > rows_ || column < 1 || column > columns_) return Cell{};
  return cells_[Index(row, column)];
}

void CellConsole::PutCell(int row, int column, Cell cell) {
  if (row < 1 || row > rows_ || column < 1 || column > columns_) return;
  Set(row, column, cell);
}

}  // namespace platform
