#include "platform/process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

#include "platform/cp850.h"
#include "platform/host_path.h"

extern char** environ;

namespace platform {

int RunProcess(const std::vector<std::string>& argv) {
  if (argv.empty() || argv[0].empty()) return -1;
  std::vector<std::string> args;
  args.reserve(argv.size());
  args.push_back(HostPath(argv[0]));
  for (std::size_t i = 1; i < argv.size(); ++i) args.push_back(Cp850ToUtf8(argv[i]));
  std::vector<char*> raw;
  for (auto& a : args) raw.push_back(a.data());
  raw.push_back(nullptr);

  pid_t pid;
  if (::posix_spawnp(&pid, raw[0], nullptr, nullptr, raw.data(), environ) != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace platform
