// The drawing half of a console over an in-memory cell grid: cursor, colour, writing with wrap
// and scroll, rectangles, read-back. Both consoles derive from it, so what tests see on the
// virtual console is exactly what the terminal shows. The grid is the truth; a terminal only
// mirrors it.
#pragma once

#include <vector>

#include "platform/console.h"

namespace platform {

class CellConsole : public Console {
 public:
  int Rows() const override { return rows_; }
  int Columns() const override { return columns_; }
  void SetCursor(int row, int column) override;
  int CursorRow() const override { return cursorRow_; }
  int CursorColumn() const override { return cursorColumn_; }
  void SetCursorSize(int percent) override;
  int CursorSize() const override { return cursorSize_; }
  void SetColor(int foreground, int background) override;
  std::uint8_t Attribute() const override { return attribute_; }
  void Write(std::string_view text) override;
  void WriteBlanks(int count) override;
  void NewLine() override;
  void Clear() override;
  void ScrollRect(int top, int left, int bottom, int right, int rows) override;
  Cell ReadCell(int row, int column) const override;
  void PutCell(int row, int column, Cell cell) override;
  bool InsertToggle() const override { return insert_; }
  void SetInsertToggle(bool on) override { insert_ = on; }
  void PutClipboard(std::string_view text) override { clipboard_ = std::string(text); }
  std::string GetClipboard() override { return clipboard_; }

 protected:
  // Resizes the grid, keeping what fits; new cells are blank in light grey on black.
  void ResizeCells(int rows, int columns);
  const Cell& CellAt(int row, int column) const { return cells_[Index(row, column)]; }
  // Called after a cell's contents changed.
  virtual void CellChanged(int row, int column) {}

 private:
  std::size_t Index(int row, int column) const {
    return static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(columns_) +
           static_cast<std::size_t>(column - 1);
  }
  void Set(int row, int column, Cell cell);
  void PutChar(unsigned char ch);

  int rows_ = 0;
  int columns_ = 0;
  std::vector<Cell> cells_;
  int cursorRow_ = 1;
  int cursorColumn_ = 1;
  int cursorSize_ = 25;
  std::uint8_t attribute_ = 0x07;
  bool insert_ = false;
  std::string clipboard_;
};

}  // namespace platform
