#include "win/winversion.h"

#include <cstdio>

#include "platform/message.h"
#include "platform/os_version.h"

bool CWinVersionCheck::Query(WINVERSIONINFO* v) {
  platform::OsVersion os = platform::QueryOsVersion();
  if (!os.ok) return false;
  *v = {2, os.major, os.minor, os.build, 0, {}, os.sysname + " " + os.release};
  return true;
}

int CWinVersionCheck::PlatformIdOf(bool queried, const WINVERSIONINFO& v) {
  if (!queried) return 30;
  return v.platformId >= 0 && v.platformId <= 2 ? v.platformId : 30;
}

int CWinVersionCheck::VersionCodeOf(bool queried, const WINVERSIONINFO& v) {
  if (!queried) return 30;
  const int build = v.build & 0xFFFF;
  switch (v.platformId) {
    case 0: return 0;
    case 1:
      if (v.major != 4) return 30;
      if (v.minor < 10) return build < 1111 ? 2 : 4;
      if (v.minor < 90) return 5;
      return 7;
    case 2:
      if (v.major == 3) return v.minor >= 51 ? 11 : 10;
      if (v.major == 4) return 12;
      if (v.major == 5) return v.minor == 0 ? 15 : 16;
      return 10;
    default: return 30;
  }
}

std::string CWinVersionCheck::VersionStringOf(bool queried, const WINVERSIONINFO& v) {
  if (!queried) return "Unknown OS";
  char part[64];
  switch (v.platformId) {
    case 0: return "Windows 3.1 (WIN32s)";
    case 1: {
      std::snprintf(part, sizeof part, "(%d.%d.%d)", v.major, v.minor, v.build & 0xFFFF);
      const int build = v.build & 0xFFFF;
      std::string name;
      if (v.minor <= 9 && build > 1110)
        name = "Windows 95 OSR2 ";
      else if (v.minor <= 9)
        name = "Windows 95 ";
      else if (v.minor > 89)
        name = "Windows Millenium ";
      else if (build == 2222)
        name = "Windows 98 Second Edition ";
      else
        name = "Windows 98 ";
      return name + v.servicePackText + part;
    }
    case 2: {
      std::snprintf(part, sizeof part, "(%d.%d.%d) ", v.major, v.minor, v.build);
      std::string name;
      if (!v.systemName.empty())
        name = v.systemName + " ";
      else if (v.major == 3 || v.major == 4)
        name = "Windows NT ";
      else if (v.major == 5)
        name = v.minor == 0 ? "Windows 2000 " : v.minor == 1 ? "Windows XP " : "Windows XP64 or 2003 ";
      else if (v.major == 6)
        name = v.minor == 0 ? "Windows Vista or Server 2008 "
               : v.minor == 1 ? "Windows 7 or Server 2008 R2 "
                              : "Windows 7 or Up ";
      else
        name = "Windows NT ";
      if (v.servicePackMajor != 0) {
        char sp[32];
        std::snprintf(sp, sizeof sp, " SP%d ", v.servicePackMajor);
        name += sp;
      }
      return name + part;
    }
    default: return "Unknown OS";
  }
}

int CWinVersionCheck::GetPlatformId() const {
  WINVERSIONINFO v{};
  bool ok = Query(&v);
  return PlatformIdOf(ok, v);
}

int CWinVersionCheck::GetVersionCode() const {
  WINVERSIONINFO v{};
  bool ok = Query(&v);
  return VersionCodeOf(ok, v);
}

std::u16string CWinVersionCheck::GetVersionString() const {
  WINVERSIONINFO v{};
  bool ok = Query(&v);
  return platform::FromUtf8(VersionStringOf(ok, v));
}
