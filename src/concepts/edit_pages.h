// The editing run of the table program: the work table shown one page at a time in the grid of
// form page 1, edited with the form runner, paged with Page Up, Page Down and Enter, and at the
// end written back or discarded. Everything it works on belongs to the program.
#pragma once

#include <cstdint>

#include "concepts/work_table.h"
#include "form/form_runner.h"

namespace concepts {

// Returns false when the run could not start (the work file could not be had); the operator
// has then been told and nothing was touched.
bool EditPages(WorkTable& work, form::FormRunner& runner, std::int16_t& currentPage);

// The rows page 1 shows on the work page: 10 fixed concepts on the first, 19 definable ones on
// the last, all 20 elsewhere, as a cell count of a page of `fullCount` cells.
std::int16_t ShownCellCount(std::int16_t fullCount, std::int16_t page);

}  // namespace concepts
