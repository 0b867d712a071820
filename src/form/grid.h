// Drawing a form page as the program's screen: the title bar, the grid's fixed headings, the
// cells' labels and values, and the clearing of the rows below. DrawCell shows one value as its
// attributes ask (plain, over several lines, as a choice description, masked, or as dashes when
// its row is out of use) and lets a row's head switch the four cells after it. The caller owns
// everything a GridContext refers to; drawing changes nothing in the model but flag 4 of cells
// after a row head, and never reads keys.
#pragma once

#include <cstdint>
#include <string_view>

#include "form/form_model.h"
#include "screen/screen.h"
#include "text/text_settings.h"

namespace form {

// The fixed texts of the concept grid, in Catalan (translated when drawn, but the dashes).
inline constexpr std::string_view kGridProductText = "VERTICAL";
inline constexpr std::string_view kGridFixedCaption = "CONCEPTES FIXOS";
inline constexpr std::string_view kGridDefinableCaption = "   DEFINIBLES 9";
inline constexpr std::string_view kGridHeadings =
    "     C. CONCEPTE             IVA RETENIBLE LIQUIDABLE TIPUS               ";
inline constexpr std::string_view kGridDashes =
    "     -- -------------------- --- --------- ---------- --------------------";

struct GridContext {
  screen::Screen& screen;  // also gives the console and the session (MenuTitle, language)
  FormModel& model;
  text::TextSettings& textSettings;  // separators for the page caption's mask
  std::string_view programCode;      // names the language file
  const std::int16_t& currentPage;   // the work page on screen, 1..6
};

// Draws page `page`. Leaves style 0 and, for a page without a window of its own, the cursor at
// column 1 of row 24 or below.
void DrawPage(const GridContext& grid, std::int16_t page);

// Draws one cell's value at its place in the current colour; a row head first switches the
// four cells after it (flag 4 set when its value is blank, cleared otherwise) and draws them.
void DrawCell(const GridContext& grid, std::int16_t page, std::int16_t cell);

}  // namespace form
