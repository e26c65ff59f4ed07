// Facts about the physical disks of the drive map and the machine's attached loop devices: size,
// sector size, geometry and identity, plus their partition rows and each letter's extent. All
// read-only; no command is ever sent to a drive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/drive_map.h"
#include "platform/partition_rows.h"

namespace platform {

// Identity texts of a drive.
struct DiskIdentity {
  std::u16string maker;     // the model text's first word
  std::u16string model;     // the rest of the model text
  std::u16string firmware;
  std::u16string serial;
};

// Reads the identity texts of 512 bytes of ATA identify data: serial (20 bytes at 20), firmware
// (8 at 46) and model (40 at 54), each stored with its bytes swapped in 16-bit pairs. Blanks
// around each text are dropped; a text ends at its field's end or at a zero byte.
DiskIdentity ParseIdentify(const std::uint8_t* data, std::size_t len);

enum class DiskKind { kImage, kBlock, kLoop };

struct DiskFacts {
  int number = 0;
  DiskKind kind = DiskKind::kImage;
  std::string path;          // image file or device node
  std::string backingFile;   // loop devices: the attached file
  std::uint64_t bytes = 0;   // real length
  std::uint32_t sectorSize = 512;
  std::uint64_t cylinders = 0;
  std::uint32_t heads = 0;
  std::uint32_t sectorsPerTrack = 0;
  DiskIdentity identity;
  bool identified = false;   // the identity came from the drive itself
  int openError = 0;         // errno of opening the device, 0 when it opened
};

// The disks of the drive map in their numbers, then the attached loop devices found under
// roots->sysfs (none when roots is empty), numbered on.
std::vector<DiskFacts> ListDisks(const std::vector<PhysicalDisk>& mapDisks,
                                 const std::optional<BlockDeviceRoots>& roots);
// The same for the process's drive map.
std::vector<DiskFacts> ListDisks();

// The partition rows of a disk. *error gets the errno when the disk cannot be opened.
PartitionRowScan ReadPartitionRows(const DiskFacts& disk, int* error = nullptr);
// The status text for a disk that cannot be opened ("접근불가. ..." when access is refused).
std::u16string DiskOpenErrorText(int error);

// One piece of a disk that a drive letter occupies.
struct VolumeExtent {
  char letter = 0;
  int ordinal = 1;  // counted from 1 within the letter
  int disk = 0;
  std::uint64_t offset = 0;  // bytes from the disk's start
  std::uint64_t length = 0;  // bytes
};

// The extents of the letters A-Z of a drive list; a letter on no disk has none.
std::vector<VolumeExtent> ListVolumeExtents(const std::vector<DriveEntry>& drives);
std::vector<VolumeExtent> ListVolumeExtents();

}  // namespace platform
