#include "platform/file_ops.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fault_plan.h"
#include "platform/message.h"
#include "platform/output_file.h"

namespace platform {

bool IsFolder(std::u16string_view path) {
  if (path.empty() || path.find(u'\0') != std::u16string_view::npos) return false;
  struct stat st {};
  return ::stat(ToUtf8(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool EntryExists(std::u16string_view folder, std::u16string_view name) {
  const std::string path = OutputPath(folder, name);
  struct stat st {};
  return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>* out) {
  out->clear();
  if (FaultPlan::FileReadFails()) {
    errno = EIO;
    return false;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::uint8_t chunk[65536];
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ok = false;
      break;
    }
    if (n == 0) break;
    out->insert(out->end(), chunk, chunk + n);
  }
  ::close(fd);
  if (!ok) out->clear();
  return ok;
}

}  // namespace platform
