#include "platform/os_version.h"

#include <sys/utsname.h>

#include <cstdio>
#include <cstring>

namespace platform {

OsVersion QueryOsVersion() {
  OsVersion v;
  struct utsname u {};
  if (uname(&u) != 0) return v;
  v.ok = true;
  v.sysname = u.sysname;
  v.release = u.release;
  std::sscanf(u.release, "%d.%d.%d", &v.major, &v.minor, &v.build);
  return v;
}

bool IsCompatProcessOn64BitKernel() {
  if (sizeof(void*) == 8) return false;
  struct utsname u {};
  if (uname(&u) != 0) return false;
  return std::strcmp(u.machine, "x86_64") == 0 || std::strcmp(u.machine, "aarch64") == 0;
}

}  // namespace platform
