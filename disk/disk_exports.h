// Exports of the disk module ("disk.dll"): the logical drives and their space.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One logical drive.
struct LOGICALDRIVEENTRY {
  char16_t letter = 0;
  std::uint8_t fileSystemCode = 0;  // 3 FAT32, 2 FAT, 6 exFAT, 4 NTFS, 7 CDFS, 16 UDF, 255 other
  std::uint8_t kindCode = 0;        // 0 unknown, 1 no mount, 2 floppy, 3 disk, 4 network, 5 CD/DVD, 6 RAM
  std::uint8_t reserved[28] = {};
  std::u16string volumeName;
  std::u16string fileSystemName;
  std::u16string serial;            // "%4.4X-%4.4X"
  std::u16string label;             // empty
  std::u16string kindText;
};

extern "C" {
// Appends one entry per drive root.
void read_logical_volume(std::vector<LOGICALDRIVEENTRY>* drives);
// Total, used and free bytes of the drive's mounted volume; 1 on success, 0 otherwise.
int get_drive_free_space(char16_t letter, std::uint64_t* total, std::uint64_t* used, std::uint64_t* free);
std::int64_t read_runtime_module_version_disk(int a);
}
