// Exports of the win module ("win.dll").
#pragma once

#include <cstdint>
#include <string>

extern "C" {
int get_wx_ver_platform();
int get_wx_ver();
std::u16string get_wx_ver_string();
int is_wx_nt();
int is_wx_wow64();
std::int64_t read_runtime_module_version_win(int a);
}
