#include "platform/program_folder.h"

#include <unistd.h>

#include <mutex>
#include <vector>

namespace platform {
namespace {
std::mutex g_mutex;
std::string g_override;
}  // namespace

std::string ProgramPath() {
  std::vector<char> buf(4096);
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return {};
  return std::string(buf.data(), static_cast<std::size_t>(n));
}

std::string ProgramFolder() {
  {
    std::lock_guard lock(g_mutex);
    if (!g_override.empty()) return g_override;
  }
  std::string path = ProgramPath();
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

void SetProgramFolderOverride(const std::string& folder) {
  std::lock_guard lock(g_mutex);
  g_override = folder;
}

std::string ProgramFile(const std::string& name) { return ProgramFolder() + "/" + name; }

}  // namespace platform
