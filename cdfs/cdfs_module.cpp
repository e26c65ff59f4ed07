// The version-only modules of file systems the engine does not read yet. One source builds
// "cdfs.dll", "udf.dll" and "thren.dll"; PELLAMOR_VERSION_MODULE names the one being built.
#include "cdfs/cdfs_exports.h"
#include "ver/version_forwarder.h"

#define PELLAMOR_JOIN2(a, b) a##b
#define PELLAMOR_JOIN(a, b) PELLAMOR_JOIN2(a, b)
#define PELLAMOR_TEXT2(a) #a
#define PELLAMOR_TEXT(a) PELLAMOR_TEXT2(a)

namespace {

ModuleVersion g_version(PELLAMOR_TEXT(PELLAMOR_VERSION_MODULE) ".dll");

class PELLAMOR_JOIN(PELLAMOR_JOIN(C, PELLAMOR_VERSION_MODULE), App) {
 public:
  PELLAMOR_JOIN(PELLAMOR_JOIN(C, PELLAMOR_VERSION_MODULE), App)() { InitInstance(); }
  int InitInstance() {
    g_version.StartWithAgentOnly(1);
    return 1;
  }
} theApp;

}  // namespace

extern "C" std::int64_t PELLAMOR_JOIN(read_runtime_module_version_, PELLAMOR_VERSION_MODULE)(int a) {
  return g_version.Forward(a);
}
