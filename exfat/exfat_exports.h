// Exports of the exFAT display module ("exfat.dll"): the list columns of one EXFATFILEENTRY.
#pragma once

#include <cstdint>
#include <string>

struct EXFATFILEENTRY;

extern "C" {
std::u16string disp_struct_name_exfat(const EXFATFILEENTRY* e);
int disp_struct_image_exfat(const EXFATFILEENTRY* e, int unused);
std::u16string disp_struct_status_exfat(const EXFATFILEENTRY* e);
std::u16string disp_struct_fragment_exfat(const EXFATFILEENTRY* e);
std::u16string disp_struct_checksum_exfat(const EXFATFILEENTRY* e);
std::u16string disp_struct_cluster_exfat(const EXFATFILEENTRY* e);
std::u16string cal_struct_size_exfat(const EXFATFILEENTRY* e, int mode);
std::u16string disp_struct_size_exfat(const EXFATFILEENTRY* e);
std::u16string disp_struct_bytesize_exfat(const EXFATFILEENTRY* e);
double disp_struct_bytesize_num_exfat(const EXFATFILEENTRY* e);
// Columns exFAT entries do not carry here; each returns an empty text.
std::u16string disp_struct_createdt_exfat(const EXFATFILEENTRY* e);
std::u16string disp_struct_accessdt_exfat(const EXFATFILEENTRY* e);
std::u16string disp_struct_modifydt_exfat(const EXFATFILEENTRY* e);
std::u16string disp_struct_attr_exfat(const EXFATFILEENTRY* e);
std::u16string disp_struct_fileformat_exfat(const EXFATFILEENTRY* e);
std::int64_t read_runtime_module_version_exfat(int a);
}
