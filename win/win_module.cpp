// The win module: platform family and version queries.
#include <dlfcn.h>

#include "platform/os_version.h"
#include "platform/program_folder.h"
#include "win/win_exports.h"
#include "win/winversion.h"

namespace {

using AgentFn = std::int64_t (*)(int, void*);

// The module's version record, handed to the version agent.
alignas(8) unsigned char g_versionRecord[8192];

AgentFn BindAgent() {
  static AgentFn agent = [] {
    void* lib = dlopen(platform::ProgramFile("ver.dll").c_str(), RTLD_NOW | RTLD_LOCAL);
    return lib ? reinterpret_cast<AgentFn>(dlsym(lib, "read_runtime_module_version_agent")) : nullptr;
  }();
  return agent;
}

}  // namespace

extern "C" {

int get_wx_ver_platform() { return CWinVersionCheck().GetPlatformId(); }
int get_wx_ver() { return CWinVersionCheck().GetVersionCode(); }
void get_wx_ver_string(std::u16string* out) {
  if (out) *out = CWinVersionCheck().GetVersionString();
}
int is_wx_nt() { return CWinVersionCheck().GetPlatformId() == 2 ? 1 : 0; }
int is_wx_wow64() { return platform::IsCompatProcessOn64BitKernel() ? 1 : 0; }

std::int64_t read_runtime_module_version_win(int a) {
  AgentFn agent = BindAgent();
  return agent ? agent(a, g_versionRecord) : 0;
}

}
