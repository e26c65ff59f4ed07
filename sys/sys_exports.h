// Exports of the system module ("sys.dll"): error texts, opening with the desktop, library versions.
#pragma once

#include <cstdint>
#include <string>

// The record a library's "DllGetVersion" export fills.
struct DLLVERSIONINFO {
  std::uint32_t cbSize;  // 20
  std::uint32_t dwMajorVersion;
  std::uint32_t dwMinorVersion;
  std::uint32_t dwBuildNumber;
  std::uint32_t dwPlatformID;
};
static_assert(sizeof(DLLVERSIONINFO) == 20);
using DllGetVersionFn = std::int32_t (*)(DLLVERSIONINFO*);

extern "C" {
std::u16string get_system_errmsg(std::uint32_t code);
// The system's text for an error code, ending in "\r\n"; empty for a code without one.
std::u16string print_errmsg(std::uint32_t code);
// Opens a file or folder with the desktop's associated program; 1 on success.
int open_process(std::u16string path);
// (major << 16) | minor of the library's "DllGetVersion", 0 on failure.
std::uint32_t get_dll_version(const char16_t* path);
// 1 with the product version text of the file's version resource in *out, else 0.
int get_dll_version_ex(const char16_t* path, std::u16string* out);
int cvt_pack_version_to_long(int a, int b);
std::int64_t read_runtime_module_version_sys(int a);
}
