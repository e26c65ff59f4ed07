// The exports of the loaded modules, bound by name into process-wide pointers, and the start-up
// and exit steps of the module table: bind, check, register versions, unload.
#pragma once

#include <cstdint>

#include "cdfs/cdfs_exports.h"
#include "disk/disk_exports.h"
#include "exfat/exfat_exports.h"
#include "fs/fs_exports.h"
#include "ntfs/ntfs_exports.h"
#include "quorin/quorin_exports.h"
#include "sys/sys_exports.h"
#include "util/util_exports.h"
#include "ver/ver_exports.h"
#include "win/win_exports.h"

// The exports of each row; X(identifier, export).
#define PELLAMOR_MODULE_EXPORTS(X)                                   \
  X("quorin.dll", disp_struct_name_quorin)                           \
  X("quorin.dll", disp_struct_image_quorin)                          \
  X("quorin.dll", disp_struct_status_quorin)                         \
  X("quorin.dll", disp_struct_cluster_quorin)                        \
  X("quorin.dll", disp_struct_size_quorin)                           \
  X("quorin.dll", disp_struct_bytesize_quorin)                       \
  X("quorin.dll", disp_struct_createdt_quorin)                       \
  X("quorin.dll", disp_struct_accessdt_quorin)                       \
  X("quorin.dll", disp_struct_modifydt_quorin)                       \
  X("quorin.dll", disp_struct_fileformat_quorin)                     \
  X("quorin.dll", disp_struct_attr_quorin)                           \
  X("quorin.dll", disp_struct_location_quorin)                       \
  X("quorin.dll", disp_struct_bytesize_num_quorin)                   \
  X("quorin.dll", read_runtime_module_version_quorin)                \
  X("ntfs.dll", disp_struct_name_ntfs)                               \
  X("ntfs.dll", disp_struct_image_ntfs)                              \
  X("ntfs.dll", disp_struct_status_ntfs)                             \
  X("ntfs.dll", disp_struct_cluster_ntfs)                            \
  X("ntfs.dll", disp_struct_1stsector_ntfs)                          \
  X("ntfs.dll", disp_struct_runcount_ntfs)                           \
  X("ntfs.dll", disp_struct_parentmft_ntfs)                          \
  X("ntfs.dll", disp_struct_mftid_ntfs)                              \
  X("ntfs.dll", disp_struct_size_ntfs)                               \
  X("ntfs.dll", disp_struct_bytesize_ntfs)                           \
  X("ntfs.dll", disp_struct_datasize_ntfs)                           \
  X("ntfs.dll", disp_struct_createdt_ntfs)                           \
  X("ntfs.dll", disp_struct_accessdt_ntfs)                           \
  X("ntfs.dll", disp_struct_modifydt_ntfs)                           \
  X("ntfs.dll", disp_struct_fileformat_ntfs)                         \
  X("ntfs.dll", disp_struct_bytesize_num_ntfs)                       \
  X("ntfs.dll", disp_struct_image_ntfs_ex)                           \
  X("ntfs.dll", read_runtime_module_version_ntfs)                    \
  X("exfat.dll", disp_struct_name_exfat)                             \
  X("exfat.dll", disp_struct_image_exfat)                            \
  X("exfat.dll", disp_struct_status_exfat)                           \
  X("exfat.dll", disp_struct_fragment_exfat)                         \
  X("exfat.dll", disp_struct_checksum_exfat)                         \
  X("exfat.dll", disp_struct_attr_exfat)                             \
  X("exfat.dll", disp_struct_cluster_exfat)                          \
  X("exfat.dll", disp_struct_size_exfat)                             \
  X("exfat.dll", disp_struct_bytesize_exfat)                         \
  X("exfat.dll", disp_struct_createdt_exfat)                         \
  X("exfat.dll", disp_struct_accessdt_exfat)                         \
  X("exfat.dll", disp_struct_modifydt_exfat)                         \
  X("exfat.dll", disp_struct_fileformat_exfat)                       \
  X("exfat.dll", disp_struct_bytesize_num_exfat)                     \
  X("exfat.dll", read_runtime_module_version_exfat)                  \
  X("cdfs.dll", read_runtime_module_version_cdfs)                    \
  X("udf.dll", read_runtime_module_version_udf)                      \
  X("thren.dll", read_runtime_module_version_thren)                  \
  X("util.dll", get_unicode_of_ascii)                                \
  X("util.dll", get_msdos_name)                                      \
  X("util.dll", cvt_chs_to_lba)                                      \
  X("util.dll", add_comma)                                           \
  X("util.dll", cvt_size_to_unit)                                    \
  X("util.dll", comp_num)                                            \
  X("util.dll", read_runtime_module_version_util)                    \
  X("sys.dll", cvt_pack_version_to_long)                             \
  X("sys.dll", get_dll_version)                                      \
  X("sys.dll", print_errmsg)                                         \
  X("sys.dll", get_system_errmsg)                                    \
  X("sys.dll", open_process)                                         \
  X("sys.dll", get_dll_version_ex)                                   \
  X("sys.dll", read_runtime_module_version_sys)                      \
  X("ver.dll", get_module_version)                                   \
  X("ver.dll", load_module_version)                                  \
  X("ver.dll", cal_diff_build_number)                                \
  X("ver.dll", cal_leap_month)                                       \
  X("ver.dll", cal_diff_countdown_day)                               \
  X("ver.dll", read_runtime_module_version_ver)                      \
  X("disk.dll", read_logical_volume)                                 \
  X("disk.dll", get_drive_free_space)                                \
  X("disk.dll", read_runtime_module_version_disk)                    \
  X("fs.dll", set_disk_target)                                       \
  X("fs.dll", scan_dir)                                              \
  X("fs.dll", sig_stop_scan)                                         \
  X("fs.dll", read_runtime_module_version_fs)                        \
  X("win.dll", get_wx_ver_platform)                                  \
  X("win.dll", get_wx_ver)                                           \
  X("win.dll", get_wx_ver_string)                                    \
  X("win.dll", is_wx_nt)                                             \
  X("win.dll", is_wx_wow64)                                          \
  X("win.dll", read_runtime_module_version_win)

// pfn_<export>: null until BindAllModules finds it in a loaded row.
#define PELLAMOR_DECLARE_BOUND(id, name) extern decltype(&::name) pfn_##name;
PELLAMOR_MODULE_EXPORTS(PELLAMOR_DECLARE_BOUND)
#undef PELLAMOR_DECLARE_BOUND

// Binds the exports of every loaded row into their pointers, and each version export also into
// its row. A loaded row without a module handle throws std::invalid_argument.
void BindAllModules();

// 1 when every pointer is bound; otherwise the missing-function message, then the fatal box with
// code 0xD846CE43, which ends the process.
int CheckModuleExports();

// Copies each row's version record into it and registers it with the version agent; then hands
// util's conversion to the engine's texts. Result 1.
int InitModules();

// Frees every loaded module, empties the table and clears the bound pointers.
void UnloadModules();

// The fatal error box: "코드번호: %X (#%d)" with the time stamp; exit 1 ends the process (with a
// non-zero status) after the box.
void ShowFatalErrorAndExit(const char* stamp, const char* path, std::uint32_t code, int number,
                           int exit);

inline constexpr std::uint32_t kCodeModuleLoad = 0x94025E1E;
inline constexpr std::uint32_t kCodeMissingExport = 0xD846CE43;
inline constexpr std::uint32_t kCodeModuleUnload = 0x39A5BEB1;
