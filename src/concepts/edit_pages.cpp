#include "concepts/edit_pages.h"

#include <cmath>
#include <string>

namespace concepts {
namespace {

constexpr std::int16_t kKeyEnter = 13;
constexpr std::int16_t kKeyPageUp = 0x4900;
constexpr std::int16_t kKeyPageDown = 0x5100;

std::string_view WorkFileProblemText(std::string_view language) {
  if (language == "SPA") return "NO SE PUEDE ABRIR EL FICHERO DE TRABAJO ";
  if (language == "GLG") return "NON SE PODE ABRIR O FICHEIRO DE TRABALLO ";
  if (language == "OCI") return "NON SE P\xD2T DOBRIR ETH FICH\xC8R DE TRABALH ";
  return "NO ES POT OBRIR EL FITXER DE TREBALL ";
}

void TellWorkFileProblem(WorkTable& work, form::FormRunner& runner) {
  screen::Screen& screen = runner.editor.screen;
  screen.SetStyle("+n");
  screen.ShowMessage(
      12, std::string(WorkFileProblemText(screen.session().LanguageCode)) + work.WorkFilePath());
  screen.console().Beep();
  (void)form::WaitKey(screen.console(), runner.editor.keyReader);
  screen.WinPop();
  screen.SetStyle("-");
}

}  // namespace

std::int16_t ShownCellCount(std::int16_t fullCount, std::int16_t page) {
  const double perRow = fullCount / static_cast<double>(kRowsPerPage);
  if (page == 1) return static_cast<std::int16_t>(std::nearbyint(perRow * kFixedConcepts));
  if (page == kWorkPages) return static_cast<std::int16_t>(std::nearbyint(perRow * 19));
  return fullCount;
}

bool EditPages(WorkTable& work, form::FormRunner& runner, std::int16_t& currentPage) {
  screen::Screen& screen = runner.editor.screen;
  screen.SetStyle("n");
  screen.console().Clear();
  // Without its own work file the run would edit nothing and a save would empty the table.
  if (!work.BuildWorkTable()) {
    TellWorkFileProblem(work, runner);
    return false;
  }
  currentPage = 1;
  std::int16_t key = 0;
  form::FormPage& page1 = runner.model.Page(1);
  for (;;) {
    if (key == kKeyPageUp) {
      --currentPage;
    } else if (key == kKeyPageDown || key == kKeyEnter) {
      ++currentPage;
    }
    work.LoadPage();
    const std::int16_t fullCount = page1.pageCellCount;
    page1.pageCellCount = ShownCellCount(fullCount, currentPage);
    form::RunForm(runner, 1, currentPage > 1 ? -1 : 0, work.LastPage() ? 0 : -1, key);
    page1.pageCellCount = fullCount;
    work.SavePage();
    if (key == kKeyPageUp || key == kKeyPageDown) continue;
    if (key == kKeyEnter && !work.LastPage()) continue;
    break;
  }
  work.WriteBack(key);
  return true;
}

}  // namespace concepts
