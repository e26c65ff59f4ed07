// Exports of the FAT display module ("quorin.dll"): the list columns of one FATDIRENTRY.
#pragma once

#include <cstdint>
#include <string>

struct FATDIRENTRY;

extern "C" {
std::u16string disp_struct_name_quorin(const FATDIRENTRY* e);
int disp_struct_image_quorin(const FATDIRENTRY* e, int unused);
std::u16string disp_struct_status_quorin(const FATDIRENTRY* e);
std::u16string disp_struct_cluster_quorin(const FATDIRENTRY* e);
std::u16string disp_struct_location_quorin(const FATDIRENTRY* e);
std::u16string cal_struct_size_quorin(const FATDIRENTRY* e, int mode);
std::u16string disp_struct_size_quorin(const FATDIRENTRY* e);
std::u16string disp_struct_bytesize_quorin(const FATDIRENTRY* e);
double disp_struct_bytesize_num_quorin(const FATDIRENTRY* e);
std::u16string disp_struct_createdt_quorin(const FATDIRENTRY* e);
std::u16string disp_struct_accessdt_quorin(const FATDIRENTRY* e);
std::u16string disp_struct_modifydt_quorin(const FATDIRENTRY* e);
std::u16string disp_struct_attr_quorin(const FATDIRENTRY* e);
std::u16string disp_struct_fileformat_quorin(const FATDIRENTRY* e);
// Columns FAT lacks; each returns 0.
int disp_struct_1stsector_quorin();
int disp_struct_checksum_quorin();
int disp_struct_datasize_quorin();
int disp_struct_fragment_quorin();
int disp_struct_mftid_quorin();
int disp_struct_parentmft_quorin();
int disp_struct_runcount_quorin();
std::int64_t read_runtime_module_version_quorin(int a);
}
