// Our stand-in for the version agent, which lies outside the suite. Its callers rely on no result
// of it: every export answers 0 and leaves the records it is handed untouched.
#include "ver/ver_exports.h"

extern "C" {

std::int64_t read_runtime_module_version_agent(int, const VERSIONRECORD*) { return 0; }
int load_module_version(VERSIONRECORD*) { return 0; }
int cal_diff_countdown_day(int, int, int, int, int, int) { return 0; }
int get_module_version() { return 0; }
int cal_diff_build_number() { return 0; }
int cal_leap_month() { return 0; }
std::int64_t read_runtime_module_version_ver(int a) { return read_runtime_module_version_agent(a, nullptr); }

}
