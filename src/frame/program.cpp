#include "frame/program.h"

#include <cstdlib>

#include "platform/file.h"

namespace frame {

Program::Program(platform::Console& console, const platform::Environment& environment,
                 platform::Timer& timer)
    : exit([](int code) { std::exit(code); }),
      console_(console),
      environment_(environment),
      timer_(timer) {}

int Program::Run() {
  console_.SetEndHandler([this] { EndNow(); });
  console_.SetCursorSize(0);
  session_ = SetUpSession(environment_);
  // With no root the current directory stays, and every installation path is relative to it.
  if (!session_.RootDir.empty()) {
    [[maybe_unused]] const bool changed = platform::ChangeDirectory(session_.RootDir);
  }
  programCode_ = "ZCONCTAB";
  CloseAll();
  return 0;
}

void Program::CloseAll() {
  // Ordinary files are closed by their owners as each operation ends; the record manager's
  // files are released here once they are opened by the run.
}

void Program::EndNow() {
  CloseAll();
  if (restoreConsole) restoreConsole();
  exit(0);
  std::abort();  // `exit` must not return
}

}  // namespace frame
