// Child processes started from an argument vector and waited for. Nothing here ever passes a
// text through a shell, so nothing read from a settings file can be interpreted as a command.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Starts argv[0] (looked up on PATH when it has no '/') with the given arguments, all code page
// 850 texts converted to UTF-8, and waits for it. Returns its exit status, or -1 when it could
// not be started (empty vector, program not found) or did not end normally.
int RunProcess(const std::vector<std::string>& argv);

}  // namespace platform
