// Exports of the version-only modules "cdfs.dll", "udf.dll" and "thren.dll" (one source, three builds).
#pragma once

#include <cstdint>

extern "C" {
std::int64_t read_runtime_module_version_cdfs(int a);
std::int64_t read_runtime_module_version_udf(int a);
std::int64_t read_runtime_module_version_thren(int a);
}
