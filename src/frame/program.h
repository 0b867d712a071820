// The program's one straight line of work and the owner of all program-wide state: session
// values, styles and windows, the form and its key reader, the record files, the work table
// and the pop-ups. main builds one Program over a real console; tests build it over a
// VirtualConsole, a map environment and a fake timer. Nothing here is global: every module gets
// references to what it reads and writes, all of which live as long as the Program.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "concepts/work_table.h"
#include "form/browse_list.h"
#include "form/exit_keys.h"
#include "form/field_editor.h"
#include "form/form_model.h"
#include "form/form_runner.h"
#include "form/key_reader.h"
#include "frame/session.h"
#include "platform/console.h"
#include "platform/environment.h"
#include "platform/timer.h"
#include "popups/popups.h"
#include "records/record_files.h"
#include "screen/screen.h"
#include "text/text_settings.h"

namespace frame {

class Program {
 public:
  Program(platform::Console& console, const platform::Environment& environment,
          platform::Timer& timer);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Runs the main flow from start-up to the closing of the files; returns the exit code (0).
  int Run();

  // The way out when input can no longer come or the program is told to end: drops the work
  // file unsaved, closes what is open, resets the record manager, and ends the process with
  // exit code 0 through `exit`.
  [[noreturn]] void EndNow();

  // How the process ends (std::exit in the real program; tests may substitute their own).
  std::function<void(int)> exit;
  // Called just before the process ends, to put the terminal back.
  std::function<void()> restoreConsole;

  const Session& session() const { return session_; }
  const std::string& ProgramCode() const { return programCode_; }
  records::RecordFiles& recordFiles() { return recordFiles_; }
  screen::Screen& screen() { return screen_; }
  form::FormModel& formModel() { return formModel_; }
  std::int16_t CurrentPage() const { return currentPage_; }
  std::int16_t FormModified() const { return formModified_; }

  static constexpr std::int16_t kConceptFileId = concepts::kConceptFileId;

 private:
  // Closes the ordinary files still open and releases the record manager's.
  void CloseAll();
  // Tells the operator why the program cannot go on and waits for a key.
  void ShowFatal(const std::string& message);

  platform::Console& console_;
  const platform::Environment& environment_;
  Session session_;
  std::string programCode_;
  screen::Screen screen_;
  text::TextSettings textSettings_;
  form::FormModel formModel_;
  form::KeyReaderState keyReader_;
  form::ExitKeySet exitKeys_;
  form::FieldEditor fieldEditor_;
  std::int16_t formModified_ = 0;
  std::int16_t currentPage_ = 1;
  form::FormRunner formRunner_;
  popups::PopupTools popups_;
  records::RecordFiles recordFiles_;
  form::BrowseContext browse_;
  std::array<char, concepts::kConceptRecordSize> conceptRecord_{};
  std::int16_t conceptFileStatus_ = 0;
  concepts::WorkTable workTable_;
};

}  // namespace frame
