#include "frame/program.h"

#include <cstdlib>

#include "form/form_loader.h"
#include "platform/file.h"

namespace frame {

Program::Program(platform::Console& console, const platform::Environment& environment,
                 platform::Timer& timer)
    : exit([](int code) { std::exit(code); }),
      console_(console),
      environment_(environment),
      timer_(timer),
      screen_(console, session_, environment),
      recordFiles_(screen_, session_, timer, [this] { EndNow(); }) {}

int Program::Run() {
  console_.SetEndHandler([this] { EndNow(); });
  console_.SetCursorSize(0);
  session_ = SetUpSession(environment_);
  // With no root the current directory stays, and every installation path is relative to it.
  if (!session_.RootDir.empty()) {
    [[maybe_unused]] const bool changed = platform::ChangeDirectory(session_.RootDir);
  }
  programCode_ = "ZCONCTAB";
  textSettings_.RootDir = session_.RootDir;
  // The loader checks what the rest of the program relies on; a form it refuses ends the run
  // before any record file is touched.
  if (const form::FormLoad load = form::LoadForm(session_, programCode_, formModel_); !load.ok()) {
    ShowFatal(load.message);
    return 0;
  }
  // A file that cannot be opened or created does not come back: the operator is told, and
  // the program ends through EndNow.
  conceptFileStatus_ =
      recordFiles_.RecOpen(kConceptFileId, session_.RootDir + "DADES\\TVRebut", conceptRecord_.data());
  CloseAll();
  return 0;
}

void Program::CloseAll() {
  // Ordinary files are closed by their owners as each operation ends, so only the record
  // manager's remain.
  conceptFileStatus_ = recordFiles_.RecReset();
}

void Program::ShowFatal(const std::string& message) {
  screen_.SetStyle("+n");
  screen_.ShowMessage(12, message);
  console_.Beep();
  (void)form::WaitKey(console_, keyReader_);
  screen_.WinPop();
  screen_.SetStyle("-");
}

void Program::EndNow() {
  CloseAll();
  if (restoreConsole) restoreConsole();
  exit(0);
  std::abort();  // `exit` must not return
}

}  // namespace frame
