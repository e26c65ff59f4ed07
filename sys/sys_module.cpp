// The system module: error texts, opening with the desktop and library versions. Stateless.
#include <string>
#include <system_error>

#include "platform/message.h"
#include "platform/module_loader.h"
#include "platform/shell_file_info.h"
#include "sys/sys_exports.h"
#include "ver/version_forwarder.h"

namespace {

ModuleVersion g_version("sys.dll");
decltype(&::cal_diff_build_number) g_calDiffBuildNumber = nullptr;  // bound, never called

class CsysApp {
 public:
  CsysApp() { InitInstance(); }
  int InitInstance() {
    g_version.Start(
        {"ver.dll"},
        {platform::Import("ver.dll", "cal_diff_build_number", &g_calDiffBuildNumber)},
        -1);
    return 1;
  }
} theApp;

}  // namespace

extern "C" {

std::u16string get_system_errmsg(std::uint32_t code) { return print_errmsg(code); }

// The codes reaching us come from the platform layer, which reports errno values, so the text is
// the C library's for that errno. Windows system codes the suite once passed map onto the errno
// of the same meaning before they get here (2, a missing file, is ENOENT in both). A code the C
// library has no text for gives an empty text, as an unknown system code does.
std::u16string print_errmsg(std::uint32_t code) {
  if (code == 0 || code > 0x7FFFFFFF) return {};
  std::string text = std::system_category().message(static_cast<int>(code));
  if (text.empty() || text.rfind("Unknown error", 0) == 0) return {};
  return platform::FromUtf8(text) + u"\r\n";
}

int open_process(std::u16string path) { return platform::OpenWithShell(platform::ToUtf8(path)) ? 1 : 0; }

std::uint32_t get_dll_version(const char16_t* path) {
  if (!path) return 0;
  platform::ModuleHandle lib = platform::LoadModule(platform::ToUtf8(path));
  if (!lib) return 0;
  std::uint32_t result = 0;
  if (auto fn = reinterpret_cast<DllGetVersionFn>(platform::ModuleSymbol(lib, "DllGetVersion"))) {
    DLLVERSIONINFO info{};
    info.cbSize = sizeof info;
    if (fn(&info) >= 0) result = ((info.dwMajorVersion & 0xFFFF) << 16) | (info.dwMinorVersion & 0xFFFF);
  }
  platform::FreeModule(lib);
  return result;
}

// The suite's files are ELF objects, which carry no version resource: there is no product version
// text to read, and the query fails as it does for a file without one.
int get_dll_version_ex(const char16_t*, std::u16string*) { return 0; }

int cvt_pack_version_to_long(int a, int b) {
  return static_cast<int>((static_cast<std::uint32_t>(a) << 16) | (static_cast<std::uint32_t>(b) & 0xFFFF));
}

std::int64_t read_runtime_module_version_sys(int a) { return g_version.Forward(a); }

}
