// The program's one straight line of work and the owner of all program-wide state: session
// values now, and the form, the record files and the page loop as they are wired in. main
// builds one Program over a real console; tests build it over a VirtualConsole, a map
// environment and a fake timer. Nothing here is global: every module gets references to what
// it reads and writes.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "form/form_model.h"
#include "form/key_reader.h"
#include "frame/session.h"
#include "platform/console.h"
#include "platform/environment.h"
#include "platform/timer.h"
#include "records/record_files.h"
#include "screen/screen.h"
#include "text/text_settings.h"

namespace frame {

class Program {
 public:
  Program(platform::Console& console, const platform::Environment& environment,
          platform::Timer& timer);

  // Runs the main flow from start-up to the closing of the files; returns the exit code (0).
  int Run();

  // The way out when input can no longer come or the program is told to end: closes what is
  // open, resets the record manager, and ends the process with exit code 0 through `exit`.
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

  static constexpr std::int16_t kConceptFileId = 503;

 private:
  // Closes the ordinary files still open and releases the record manager's.
  void CloseAll();
  // Tells the operator why the program cannot go on and waits for a key.
  void ShowFatal(const std::string& message);

  platform::Console& console_;
  const platform::Environment& environment_;
  platform::Timer& timer_;
  Session session_;
  std::string programCode_;
  screen::Screen screen_;
  text::TextSettings textSettings_;
  form::FormModel formModel_;
  form::KeyReaderState keyReader_;
  records::RecordFiles recordFiles_;
  std::array<char, 26> conceptRecord_{};
  std::int16_t conceptFileStatus_ = 0;
};

}  // namespace frame
