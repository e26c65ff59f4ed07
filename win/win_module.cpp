// The win module: platform family and version queries.
#include "platform/os_version.h"
#include "ver/version_forwarder.h"
#include "win/win_exports.h"
#include "win/winversion.h"

namespace {

ModuleVersion g_version("win.dll");

class CwinApp {
 public:
  CwinApp() { InitInstance(); }
  int InitInstance() {
    g_version.StartWithAgentOnly(1);
    return 1;
  }
} theApp;

}  // namespace

extern "C" {

int get_wx_ver_platform() { return CWinVersionCheck().GetPlatformId(); }
int get_wx_ver() { return CWinVersionCheck().GetVersionCode(); }
std::u16string get_wx_ver_string() { return CWinVersionCheck().GetVersionString(); }
int is_wx_nt() { return CWinVersionCheck().GetPlatformId() == 2 ? 1 : 0; }
int is_wx_wow64() { return platform::IsCompatProcessOn64BitKernel() ? 1 : 0; }

std::int64_t read_runtime_module_version_win(int a) { return g_version.Forward(a); }

}
