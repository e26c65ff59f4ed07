#include "platform/shell_file_info.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>

extern char** environ;

namespace platform {

bool OpenWithShell(const std::string& path) {
  struct stat st {};
  if (path.empty() || stat(path.c_str(), &st) != 0) return false;
  // A short-lived shell starts the opener in the background, so the opener never becomes our
  // child: nothing is left to reap, and an opener that runs until its program exits does not
  // block the caller.
  const char* script =
      "command -v xdg-open >/dev/null 2>&1 || exit 1; "
      "xdg-open \"$1\" </dev/null >/dev/null 2>&1 &";
  char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), const_cast<char*>(script),
                  const_cast<char*>("sh"), const_cast<char*>(path.c_str()), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace platform
