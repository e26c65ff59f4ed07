// Exports of the NTFS display module ("ntfs.dll"): the list columns of one NTFSFILEENTRY.
#pragma once

#include <cstdint>
#include <string>

struct NTFSFILEENTRY;
struct SYSTEMTIME;

extern "C" {
std::u16string disp_struct_name_ntfs(const NTFSFILEENTRY* e);
int disp_struct_image_ntfs(const NTFSFILEENTRY* e, int unused);
int disp_struct_image_ntfs_ex(std::u16string name, int folder);
std::u16string disp_struct_status_ntfs(const NTFSFILEENTRY* e);
std::u16string disp_struct_cluster_ntfs(const NTFSFILEENTRY* e);
std::u16string disp_struct_1stsector_ntfs(const NTFSFILEENTRY* e);
std::u16string disp_struct_runcount_ntfs(const NTFSFILEENTRY* e);
std::u16string disp_struct_parentmft_ntfs(const NTFSFILEENTRY* e);
std::u16string disp_struct_mftid_ntfs(const NTFSFILEENTRY* e);
double disp_struct_bytesize_num_ntfs(const NTFSFILEENTRY* e);
std::u16string cal_struct_size_ntfs(const NTFSFILEENTRY* e, int mode);
std::u16string disp_struct_size_ntfs(const NTFSFILEENTRY* e);
std::u16string disp_struct_bytesize_ntfs(const NTFSFILEENTRY* e);
std::u16string disp_struct_datasize_ntfs(const NTFSFILEENTRY* e);
std::u16string disp_struct_createdt_ntfs(const NTFSFILEENTRY* e);
std::u16string disp_struct_accessdt_ntfs(const NTFSFILEENTRY* e);
std::u16string disp_struct_modifydt_ntfs(const NTFSFILEENTRY* e);
std::u16string disp_struct_fileformat_ntfs(const NTFSFILEENTRY* e);
// Local time of a FILETIME; 1 when it converts, 0 (out untouched) when it does not.
int build_struct_createdt_ntfs(std::uint32_t high, std::uint32_t low, SYSTEMTIME* out);
int build_struct_accessdt_ntfs(std::uint32_t high, std::uint32_t low, SYSTEMTIME* out);
int build_struct_modifydt_ntfs(std::uint32_t high, std::uint32_t low, SYSTEMTIME* out);
std::int64_t read_runtime_module_version_ntfs(int a);
}
