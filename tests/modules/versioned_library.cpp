// A library that reports version 6.0 through DllGetVersion.
#include "sys/sys_exports.h"

extern "C" std::int32_t DllGetVersion(DLLVERSIONINFO* info) {
  if (!info || info->cbSize != sizeof(DLLVERSIONINFO)) return -1;
  info->dwMajorVersion = 6;
  info->dwMinorVersion = 0;
  info->dwBuildNumber = 1;
  return 0;
}
