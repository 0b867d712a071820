#include "frame/program.h"

#include <cstdlib>

#include "concepts/edit_pages.h"
#include "form/form_loader.h"
#include "platform/file.h"

namespace frame {

Program::Program(platform::Console& console, const platform::Environment& environment,
                 platform::Timer& timer)
    : exit([](int code) { std::exit(code); }),
      console_(console),
      environment_(environment),
      // Named before the form is loaded: the language file takes its name from it.
      programCode_("ZCONCTAB"),
      screen_(console, session_, environment),
      fieldEditor_(screen_, keyReader_, exitKeys_, textSettings_),
      formRunner_(fieldEditor_, formModel_, programCode_, formModified_, currentPage_),
      popups_(popups::PopupContext{screen_, keyReader_, exitKeys_, textSettings_}),
      recordFiles_(screen_, session_, timer, [this] { EndNow(); }),
      browse_{screen_, keyReader_, exitKeys_, formModel_, recordFiles_, {}, {}, {}},
      workTable_(formModel_, recordFiles_, conceptRecord_.data(), screen_, session_, formModified_,
                 currentPage_) {
  keyReader_.Popups = &popups_;
  // F4 opens the cell's pick list; its search page runs through the same form runner, and a
  // long scan of a record file looks at the keyboard so that Esc can stop it.
  browse_.runSearchPage = [this](std::int16_t page, std::int16_t& key) {
    form::RunForm(formRunner_, page, 0, 0, key);
  };
  browse_.takeWaitingKey = [this]() -> std::int16_t {
    return console_.InputWaiting() ? form::WaitKey(console_, keyReader_) : std::int16_t{0};
  };
  formRunner_.BrowseList = [this](std::int16_t lookup) {
    std::int16_t cancelled = form::kBrowseCancelled;
    form::BrowseList(browse_, lookup, cancelled);
    return cancelled;
  };
}

int Program::Run() {
  console_.SetEndHandler([this] { EndNow(); });
  console_.SetCursorSize(0);
  session_ = SetUpSession(environment_);
  // With no root the current directory stays, and every installation path is relative to it.
  if (!session_.RootDir.empty()) {
    [[maybe_unused]] const bool changed = platform::ChangeDirectory(session_.RootDir);
  }
  textSettings_.RootDir = session_.RootDir;
  // The loader checks what the rest of the program relies on; a form it refuses ends the run
  // before any record file is touched.
  if (const form::FormLoad load = form::LoadForm(session_, programCode_, formModel_); !load.ok()) {
    ShowFatal(load.message);
    return 0;
  }
  // A file that cannot be opened or created does not come back: the operator is told, and
  // the program ends through EndNow.
  conceptFileStatus_ = recordFiles_.RecOpen(kConceptFileId, session_.RootDir + "DADES\\TVRebut",
                                            conceptRecord_.data());
  concepts::EditPages(workTable_, formRunner_, currentPage_);
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
  // Input is gone or the program was told to end: nothing typed so far is saved.
  workTable_.Discard();
  CloseAll();
  if (restoreConsole) restoreConsole();
  exit(0);
  std::abort();  // `exit` must not return
}

}  // namespace frame
