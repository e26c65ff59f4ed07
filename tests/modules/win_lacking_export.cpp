// Stands in for "win.dll" with every export but is_wx_wow64.
#include <cstdint>
#include <string>

extern "C" {
int get_wx_ver_platform() { return 2; }
int get_wx_ver() { return 16; }
std::u16string get_wx_ver_string() { return u"test"; }
int is_wx_nt() { return 1; }
std::int64_t read_runtime_module_version_win(int) { return 0; }
}
