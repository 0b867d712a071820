// Any form file: the loader never crashes or hangs, and a form it accepts is consistent (every
// cell value as long as its width, every named page and lookup present), so that nothing that
// reads the model later can index past it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "form/exit_keys.h"
#include "form/form_loader.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // Translations that change lengths, as a real language file does.
  const form::TranslateFunction translate = [](std::string_view text) {
    return text.size() % 2 == 0 ? std::string(text) + "+" : std::string(text.substr(0, 1));
  };
  form::FormModel model;
  const form::FormProblem problem = form::ParseForm(bytes, translate, model);
  (void)form::DescribeFormProblem(problem, "FORMS\\ZCONCTAB.KFM", "OCI");
  if (!problem.ok()) return 0;

  Check(model.pageCount >= 1 && model.maxCells >= 1);
  for (int p = 1; p <= model.pageCount; ++p) {
    const form::FormPage& page = model.Page(p);
    Check(page.pageCellCount >= 1 && page.pageCellCount <= model.maxCells);
    Check(page.pageLinkedPage == 0 || model.HasPage(page.pageLinkedPage));
    for (int c = 1; c <= page.pageCellCount; ++c) {
      const form::FormCell& cell = model.Cell(p, c);
      Check(cell.cellValue.size() == static_cast<std::size_t>(cell.cellWidth));
      Check(cell.cellLookup == 0 || cell.cellLookup < static_cast<int>(model.lookups.size()));
      if (cell.cellKind == form::kKindRowHead) Check(model.HasCell(p, c + 4));
    }
    form::ExitKeySet set;
    form::SetExitKeys(set, "+ea", page.pageExitKeys);
    Check(set.ExitKeys.size() == set.ExitResults.size());
  }
  (void)form::CheckConceptGrid(model);
  return 0;
}
