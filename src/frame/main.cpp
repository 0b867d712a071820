// zconctab: the maintenance program for the table of receipt concepts. It takes no arguments.
#include <cstdio>
#include <string>

#include "frame/program.h"
#include "platform/environment.h"
#include "platform/terminal_console.h"
#include "platform/timer.h"

int main() {
  std::string error;
  auto console = platform::TerminalConsole::Open(error);
  if (!console) {
    std::fprintf(stderr, "zconctab: %s\n", error.c_str());
    return 1;
  }
  platform::ProcessEnvironment environment;
  platform::SystemTimer timer;
  frame::Program program(*console, environment, timer);
  program.restoreConsole = [&console] { console->Restore(); };
  const int code = program.Run();
  console->Restore();
  return code;
}
