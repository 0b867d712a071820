// Reading the form definition file (FORMS\<program>.KFM under the root) into the FormModel,
// with every label, choice list and lookup heading translated as it is read. The loader checks
// what the rest of the program relies on (counts, cell counts, linked pages, lookup numbers,
// sizes that index or repeat, the shape of the concept grid) and describes the first problem in
// the operator's language. The caller owns the model; on a problem its contents are partial and
// must not be used. Nothing here draws or waits for a key.
//
// Records, in this order (items as the ItemReader reads them; comment lines, whose first
// non-blank character is an apostrophe, may stand before each record but not inside one):
//   counts:        pageCount, maxCells
//   page p:        exit-key list, pageCellCount, pageLinkedPage, pageFrame 1..4
//                  then per cell: row, col, label, width, edit width, pad, flags, kind,
//                  lookup, choices
//   lookup count:  lookupCount (the file may end before it)
//   lookup L:      lookupAttr 0..6, heading text, lookupAttr 7
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "form/form_model.h"
#include "frame/session.h"

namespace form {

// The whole form may hold at most this many cells (pageCount x maxCells).
inline constexpr int kMaxFormCells = 32767;

// Page 1 as the concept table uses it: 20 rows of six cells (code, name, three flags, type).
inline constexpr int kGridCellsPerRow = 6;
inline constexpr int kGridRows = 20;

enum class FormProblemKind {
  kNone,
  kCannotOpen,
  kEmpty,
  kEndsEarly,
  kNumberTooLarge,
  kBadCounts,
  kTooManyCells,
  kBadCellCount,
  kBadLinkedPage,
  kLinkCycle,
  kBadCellSize,
  kBadRowHead,
  kBadCellLookup,
  kBadLookupCount,
  kBadLookup,
  kGridCellCount,
  kGridCellWidth,
  kGridExitKeys,
};

struct FormProblem {
  FormProblemKind kind = FormProblemKind::kNone;
  int line = 0;  // 1-based line of the file, 0 when the problem is not tied to one
  int page = 0;
  int cell = 0;
  int lookup = 0;
  bool ok() const { return kind == FormProblemKind::kNone; }
};

using TranslateFunction = std::function<std::string(std::string_view)>;

// Reads a form file's bytes into `model`, translating texts through `translate` (label, then
// choices, per cell; the heading per lookup).
[[nodiscard]] FormProblem ParseForm(std::string_view bytes, const TranslateFunction& translate,
                                    FormModel& model);

// Whether page 1 can hold the concept table: 120 cells, widths that hold the values written
// into them (code 2, name 20, flags and type 1), and the exit keys Page Up, Page Down, Enter
// and Esc.
[[nodiscard]] FormProblem CheckConceptGrid(const FormModel& model);

// RootDir + "FORMS\" + programCode + ".KFM".
std::string FormFilePath(const frame::Session& session, std::string_view programCode);

// One sentence for the operator naming `file` and the problem, in the language of
// `languageCode` (Catalan for any code but SPA, GLG and OCI), code page 850.
std::string DescribeFormProblem(const FormProblem& problem, std::string_view file,
                                std::string_view languageCode);

struct FormLoad {
  FormProblem problem;
  std::string message;  // DescribeFormProblem of the problem; empty when the form loaded
  bool ok() const { return problem.ok(); }
};

// LoadForm of the main flow: reads the program's form file into `model`, translating through
// the session's language file, and checks it, the concept grid included.
[[nodiscard]] FormLoad LoadForm(const frame::Session& session, std::string_view programCode,
                                FormModel& model);

}  // namespace form
