#include "platform/volume_space.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/drive_map.h"

namespace platform {
namespace {

// /proc/self/mounts writes blanks and backslashes in paths as octal escapes.
std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size()) {
      int v = 0;
      if (std::sscanf(s.c_str() + i + 1, "%3o", &v) == 1) {
        out += static_cast<char>(v);
        i += 3;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
  if (S_ISBLK(sa.st_mode) && S_ISBLK(sb.st_mode)) return sa.st_rdev == sb.st_rdev;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace

bool VolumeSpace(char letter, std::uint64_t* total, std::uint64_t* free) {
  DriveMap::Instance().EnsureConfigured();
  auto drive = DriveMap::Instance().Find(letter);
  if (!drive || drive->offset != 0) return false;  // a partition inside an image is never mounted
  std::ifstream mounts("/proc/self/mounts");
  std::string line;
  while (std::getline(mounts, line)) {
    std::istringstream fields(line);
    std::string source, target;
    if (!(fields >> source >> target)) continue;
    if (!SameFile(Unescape(source), drive->path)) continue;
    struct statvfs sv {};
    if (statvfs(Unescape(target).c_str(), &sv) != 0) return false;
    if (total) *total = static_cast<std::uint64_t>(sv.f_blocks) * sv.f_frsize;
    if (free) *free = static_cast<std::uint64_t>(sv.f_bfree) * sv.f_frsize;
    return true;
  }
  return false;
}

}  // namespace platform
