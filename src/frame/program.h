// The program's one straight line of work and the owner of all program-wide state: session
// values now, and the form, the record files and the page loop as they are wired in. main
// builds one Program over a real console; tests build it over a VirtualConsole, a map
// environment and a fake timer. Nothing here is global: every module gets references to what
// it reads and writes.
#pragma once

#include <functional>
#include <string>

#include "frame/session.h"
#include "platform/console.h"
#include "platform/environment.h"
#include "platform/timer.h"

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

 private:
  void CloseAll();

  platform::Console& console_;
  const platform::Environment& environment_;
  platform::Timer& timer_;
  Session session_;
  std::string programCode_;
};

}  // namespace frame
