// Which platform family and version the program runs on.
//
// This build runs on Linux and always reports the NT family (platform id 2), since the volume path
// it takes is the one the NT family uses; the version numbers and text come from the kernel.
#pragma once

#include <string>

// What the platform's version query returns, reduced to the fields used here.
struct WINVERSIONINFO {
  int platformId;   // 0 Win32s, 1 Windows 9x, 2 NT family
  int major;
  int minor;
  int build;
  int servicePackMajor;
  std::string servicePackText;
  std::string systemName;  // "Linux" here; empty for the Windows names
};

class CWinVersionCheck {
 public:
  virtual ~CWinVersionCheck() = default;

  int GetPlatformId() const;
  int GetVersionCode() const;
  std::u16string GetVersionString() const;

  // The rules of the queries above over a given version record.
  static int PlatformIdOf(bool queried, const WINVERSIONINFO& v);
  static int VersionCodeOf(bool queried, const WINVERSIONINFO& v);
  static std::string VersionStringOf(bool queried, const WINVERSIONINFO& v);

 private:
  static bool Query(WINVERSIONINFO* v);
};
