// What the running kernel is, for the Windows-version queries of the win module.
#pragma once

#include <string>

namespace platform {

struct OsVersion {
  bool ok = false;
  int major = 0;
  int minor = 0;
  int build = 0;           // the third number of the release ("6.1.0-18" gives 0)
  std::string sysname;     // "Linux"
  std::string release;     // "6.1.0-18-amd64"
};

OsVersion QueryOsVersion();

// True when this 32-bit process runs on a 64-bit kernel.
bool IsCompatProcessOn64BitKernel();

}  // namespace platform
