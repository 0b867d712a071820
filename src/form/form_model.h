// The in-memory form: pages of cells (a label, a value and eight attributes each) and the
// lookup lists F4 opens. The program owns one FormModel for the whole run; LoadForm fills it
// once, and afterwards only the page editing changes cell values and page 1's cell count.
// Readers use it directly; nothing here draws, reads keys or touches a file.
#pragma once

#include <array>
#include <cassert>
#include <cstdint>
#include <string>
#include <vector>

namespace form {

// Bits of cellFlags.
inline constexpr std::int16_t kFlagEnteredAfresh = 1;  // editing starts from blanks
inline constexpr std::int16_t kFlagMasked = 2;         // afresh, and the typing is hidden
inline constexpr std::int16_t kFlagPassedOver = 4;     // neither edited nor a cursor stop
inline constexpr std::int16_t kFlagCursorAtEnd = 8;    // editing starts after the text

// Values of cellKind.
inline constexpr std::int16_t kKindPlain = 0;
inline constexpr std::int16_t kKindRowHead = 1;  // switches the four cells after it
inline constexpr std::int16_t kKindNumeric = 2;  // takes digits and blanks only

// Indexes of lookupAttr.
inline constexpr int kLookupFile = 0;
inline constexpr int kLookupKey = 1;
inline constexpr int kLookupTop = 2;
inline constexpr int kLookupLeft = 3;
inline constexpr int kLookupBottom = 4;
inline constexpr int kLookupRight = 5;
inline constexpr int kLookupSearchPage = 6;
inline constexpr int kLookupNext = 7;

struct FormCell {
  std::string cellLabel;
  std::string cellChoices;  // "|code,description" options one after another; empty for text
  std::string cellValue;    // always cellWidth characters
  // The eight attributes, in the order of the form file.
  std::int16_t cellRow = 0;  // relative to the page's window
  std::int16_t cellCol = 0;  // where the label starts; the value follows the label
  std::int16_t cellWidth = 0;
  std::int16_t cellEditWidth = 0;  // line width while editing and drawing; 0 = one line
  std::int16_t cellPad = 0;        // blanks shown after the value
  std::int16_t cellFlags = 0;
  std::int16_t cellKind = 0;
  std::int16_t cellLookup = 0;  // 1..lookupCount, 0 = none

  // Attribute k (0..7) in file order.
  std::int16_t& Attr(int k) {
    std::int16_t* attrs[] = {&cellRow, &cellCol,   &cellWidth, &cellEditWidth,
                             &cellPad, &cellFlags, &cellKind,  &cellLookup};
    assert(k >= 0 && k < 8);
    return *attrs[k];
  }
  bool operator==(const FormCell&) const = default;
};

struct FormPage {
  std::string pageExitKeys;  // hexadecimal key list, as SetExitKeys takes it
  std::int16_t pageCellCount = 0;
  std::int16_t pageLinkedPage = 0;  // run as a sub-form from the last cell; 0 = none
  // [1..4]: top row, left column, bottom row, right column of the page's window; no window
  // when [1] is 0. [0] is never set.
  std::array<std::int16_t, 5> pageFrame{};
  std::vector<FormCell> cells;  // [1..maxCells]; [0] is unused
  bool operator==(const FormPage&) const = default;
};

struct FormLookup {
  std::array<std::int16_t, 8> lookupAttr{};  // indexed by kLookupFile .. kLookupNext
  std::string lookupText;                    // the list's heading line
  bool operator==(const FormLookup&) const = default;
};

struct FormModel {
  std::int16_t pageCount = 0;
  std::int16_t maxCells = 0;
  std::int16_t lookupCount = 0;
  std::vector<FormPage> pages;      // [1..pageCount]; [0] is unused
  std::vector<FormLookup> lookups;  // [0..lookupCount]; empty when the file has no lookups

  bool operator==(const FormModel&) const = default;
  bool HasPage(int p) const { return p >= 1 && p < static_cast<int>(pages.size()); }
  bool HasCell(int p, int c) const {
    return HasPage(p) && c >= 1 && c < static_cast<int>(pages[p].cells.size());
  }
  FormPage& Page(int p) {
    assert(HasPage(p));
    return pages[p];
  }
  const FormPage& Page(int p) const {
    assert(HasPage(p));
    return pages[p];
  }
  FormCell& Cell(int p, int c) {
    assert(HasCell(p, c));
    return pages[p].cells[c];
  }
  const FormCell& Cell(int p, int c) const {
    assert(HasCell(p, c));
    return pages[p].cells[c];
  }
};

}  // namespace form
