#include "form/grid.h"

#include <cmath>
#include <string>

#include "form/choice_list.h"
#include "frame/language.h"
#include "screen/text_layout.h"
#include "text/mask_format.h"

namespace form {
namespace {

constexpr int kTitleCentreColumn = 41;
constexpr int kCaptionColumn = 65;
constexpr int kFirstRowBelowGrid = 24;
constexpr int kClearedColumns = 79;

std::string Fitted(std::string_view text, int width) {
  std::string fitted(text.substr(0, static_cast<std::size_t>(std::max(width, 0))));
  fitted.resize(static_cast<std::size_t>(std::max(width, 0)), ' ');
  return fitted;
}

// The value of one cell, without the row-head step: the cells a row head switches are drawn
// through here, so that heads following heads cannot multiply the drawing.
void DrawValue(const GridContext& grid, int page, int c) {
  const FormCell& cell = grid.model.Cell(page, c);
  platform::Console& console = grid.screen.console();
  const int row = cell.cellRow;
  const int column = cell.cellCol + static_cast<int>(cell.cellLabel.size());
  grid.screen.WinLocate(row, column);

  // A cell that starts a row of six stays visible even when switched off: it is the row's key.
  if ((cell.cellFlags & kFlagPassedOver) && c % 6 != 1) {
    console.Write(std::string(static_cast<std::size_t>(cell.cellWidth + cell.cellPad), '-'));
    return;
  }
  if (cell.cellFlags & kFlagMasked) return;
  if (!cell.cellChoices.empty()) {
    const std::vector<ChoiceOption> options = ParseChoices(cell.cellChoices);
    const ChoiceOption* option = FindChoice(options, cell.cellValue);
    if (option != nullptr)
      console.Write(Fitted(option->description, cell.cellWidth + cell.cellPad));
    return;
  }
  if (cell.cellEditWidth != 0) {
    const std::size_t piece = static_cast<std::size_t>(cell.cellEditWidth);
    for (std::size_t at = 0, line = 0; at < cell.cellValue.size(); at += piece, ++line) {
      grid.screen.WinLocate(row + static_cast<int>(line), column);
      console.Write(std::string_view(cell.cellValue).substr(at, piece));
    }
    return;
  }
  console.Write(cell.cellValue);
}

}  // namespace

void DrawCell(const GridContext& grid, std::int16_t page, std::int16_t c) {
  if (!grid.model.HasCell(page, c)) return;
  const FormCell& cell = grid.model.Cell(page, c);
  if (cell.cellKind == kKindRowHead) {
    const bool blank = screen::IsFilledWith(cell.cellValue, ' ');
    for (int i = 1; i <= 4; ++i) {
      if (!grid.model.HasCell(page, c + i)) break;
      std::int16_t& flags = grid.model.Cell(page, c + i).cellFlags;
      flags = blank ? static_cast<std::int16_t>(flags | kFlagPassedOver)
                    : static_cast<std::int16_t>(flags & ~kFlagPassedOver);
      DrawValue(grid, page, c + i);
    }
  }
  DrawValue(grid, page, c);
}

void DrawPage(const GridContext& grid, std::int16_t page) {
  if (!grid.model.HasPage(page)) return;
  screen::Screen& screen = grid.screen;
  platform::Console& console = screen.console();
  const frame::Session& session = screen.session();
  const auto translate = [&](std::string_view text) {
    return frame::Translate(session, grid.programCode, text);
  };

  screen.SetStyle("rh");
  const double half = static_cast<double>(session.MenuTitle.size()) / 2;
  console.SetCursor(1, static_cast<int>(std::nearbyint(kTitleCentreColumn - half)));
  console.Write(session.MenuTitle);

  screen.SetStyle("n");
  console.SetCursor(1, 1);
  console.Write(translate(kGridProductText));
  console.SetCursor(1, kCaptionColumn);
  if (grid.currentPage == 1) {
    console.Write(translate(kGridFixedCaption));
  } else if (page < grid.model.pageCount) {
    console.Write(text::MaskFormat(grid.textSettings, translate(kGridDefinableCaption),
                                   grid.currentPage - 1));
  }
  console.SetCursor(2, 1);
  console.Write(translate(kGridHeadings));
  console.SetCursor(3, 1);
  console.Write(kGridDashes);

  const FormPage& p = grid.model.Page(page);
  for (int c = 1; c <= p.pageCellCount && grid.model.HasCell(page, c); ++c) {
    const FormCell& cell = grid.model.Cell(page, c);
    screen.WinLocate(cell.cellRow, cell.cellCol);
    console.Write(cell.cellLabel);
  }
  screen.SetStyle("h");
  for (int c = 1; c <= p.pageCellCount && grid.model.HasCell(page, c); ++c) {
    DrawCell(grid, page, static_cast<std::int16_t>(c));
  }

  // What an earlier, longer page left below the grid goes. A page in a window of its own is a
  // pop-up over the grid: clearing from its last cell down would wipe the grid under it.
  if (p.pageFrame[1] != 0) return;
  console.NewLine();
  while (console.CursorRow() < kFirstRowBelowGrid) {
    const int row = console.CursorRow();
    console.SetCursor(row, 1);
    console.WriteBlanks(kClearedColumns);
    console.NewLine();
    if (console.CursorRow() <= row) break;  // a screen too short to reach row 24
  }
}

}  // namespace form
