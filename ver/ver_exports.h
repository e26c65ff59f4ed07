// Exports of the version agent ("ver.dll").
#pragma once

#include <cstdint>

struct VERSIONRECORD;

extern "C" {
// Every module's version export forwards its argument and its own record here.
std::int64_t read_runtime_module_version_agent(int a, const VERSIONRECORD* record);
// Registers a row's version block (start-up and the about sheet).
int load_module_version(VERSIONRECORD* block);
// The third number of the common version text.
int cal_diff_countdown_day(int firstYear, int firstMonth, int firstDay, int buildYear, int buildMonth,
                           int buildDay);
int get_module_version();
int cal_diff_build_number();
int cal_leap_month();
std::int64_t read_runtime_module_version_ver(int a);
}
