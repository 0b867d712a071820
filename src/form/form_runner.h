// The form runner: leads the operator through one page of the form model. It opens the page's
// window, draws the page, edits cell after cell with the field editor, checks and stores each
// value, moves on the navigation keys, opens help (F1) and lookups (F4), runs a linked page as
// a sub-form, and asks before Esc leaves changed data (the form's last page is that question).
// The program owns one FormRunner for the whole run; the references in it (editor, model, the
// program's FormModified flag and CurrentPage) must outlive it. The runner writes nothing of
// the model but cell values, flag 4 through the grid drawing, and FormModified.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "form/field_editor.h"
#include "form/form_model.h"
#include "form/grid.h"

namespace form {

// Opens the pick list of lookup `lookup` (1..lookupCount) for F4 and returns 0 after a pick,
// anything else when the lookup was cancelled.
using BrowseListHook = std::function<std::int16_t(std::int16_t lookup)>;

struct FormRunner {
  FormRunner(FieldEditor& editorIn, FormModel& modelIn, std::string_view programCodeIn,
             std::int16_t& formModified, const std::int16_t& currentPage)
      : editor(editorIn),
        model(modelIn),
        programCode(programCodeIn),
        FormModified(formModified),
        CurrentPage(currentPage) {}

  GridContext Grid() const {
    return {editor.screen, model, editor.textSettings, programCode, CurrentPage};
  }

  FieldEditor& editor;  // also gives the screen, the key reader and the exit-key set
  FormModel& model;
  std::string programCode;  // names the language file the grid translates through
  // Set (-1) whenever a stored cell value is replaced by a different one; only the page
  // editing clears it.
  std::int16_t& FormModified;
  const std::int16_t& CurrentPage;  // the work page on screen, for the grid's caption
  // The page the operator left by Page Up or Page Down; 0 = none. The next run of a page that
  // reaches it through linked pages goes straight into it.
  std::int16_t TargetPage = 0;
  // F4's pick list. Until one is wired every lookup counts as cancelled.
  BrowseListHook BrowseList;
};

// Runs page `page` (negative: the page -page as a sub-form of the page that links to it) and
// sets `key` to the code that ended it. allowPageUp / allowPageDown: not 0 when Page Up on the
// first cell / Page Down on the last may end the page. A page number outside the form leaves
// `key` as it was and draws nothing.
void RunForm(FormRunner& runner, std::int16_t page, std::int16_t allowPageUp,
             std::int16_t allowPageDown, std::int16_t& key);

// Stores `text` into cell `cell` of `page` (fitted to its width) and redraws it, unless the
// cell is numeric and the text is not a number: then it returns -1 and stores nothing.
// FormModified is set when the stored value changes. `key` is not used.
[[nodiscard]] std::int16_t AcceptValue(FormRunner& runner, std::int16_t page, std::string_view text,
                                       std::int16_t cell, std::int16_t key);

// 0 when `text` is a number: digits and blanks anywhere; with "." in `allowed` one decimal
// point; with "+" or "-" one sign before any digit or point. -1 otherwise. Blank is valid.
[[nodiscard]] std::int16_t CheckNumberText(std::string_view text, std::string_view allowed);

// For Esc on a page before the last after a change: asks on the confirmation page (preset to N)
// and returns true when the operator did not answer S, i.e. declined to leave.
[[nodiscard]] bool ConfirmLeave(FormRunner& runner, std::int16_t page, std::int16_t key);

}  // namespace form
