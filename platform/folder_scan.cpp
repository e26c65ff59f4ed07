#include "platform/folder_scan.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/fault_plan.h"
#include "platform/message.h"

namespace platform {
namespace {

bool IsFolderEntry(const std::string& folder, const dirent& e) {
  if (e.d_type == DT_DIR) return true;
  if (e.d_type != DT_UNKNOWN && e.d_type != DT_LNK) return false;
  // Links and file systems that do not give the type: ask for the target.
  struct stat st {};
  std::string full = folder + "/" + e.d_name;
  return stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool ScanFolder(const std::u16string& folder, const std::function<bool(const FolderEntry&)>& visit) {
  const std::string path = folder.empty() ? std::string(".") : ToUtf8(folder);
  if (FaultPlan::FolderScanFails()) {
    errno = EIO;
    return false;
  }
  DIR* dir = opendir(path.c_str());
  if (!dir) return false;  // errno is opendir's
  FolderEntry entry;
  while (dirent* e = readdir(dir)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    entry.name = FromUtf8(e->d_name);
    entry.isFolder = IsFolderEntry(path, *e);
    if (!visit(entry)) break;
  }
  closedir(dir);
  return true;
}

}  // namespace platform
