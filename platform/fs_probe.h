// Our own recognition of a volume's file-system family from its boot sector, in place of the
// platform's volume information. Names are spelled as the suite expects them: "FAT" (FAT12 and
// FAT16), "FAT32", "NTFS", "exFAT".
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/volume_io.h"

namespace platform {

struct VolumeProbe {
  std::string fileSystem;  // "FAT", "FAT32", "NTFS", "exFAT"
  std::uint32_t serial = 0;
  std::string label;       // as stored in the boot sector, trailing blanks removed
  std::uint32_t bytesPerSector = 0;
};

// True when the bytes hold a FAT boot sector whose values the boot-sector parser accepts.
bool IsValidFatBpb(const std::uint8_t* sector, std::size_t len);

// Recognises the family from the first bytes of a volume (at least 512). Empty when unknown or
// when a value of the boot sector is unusable (see boot_sector.h). volumeBytes, when not 0, is
// the real length of the volume, which the allocation tables must not pass.
std::optional<VolumeProbe> ProbeBootSector(const std::uint8_t* sector, std::size_t len,
                                           std::uint64_t volumeBytes = 0);

// True when the first sector of a source is a file system's boot sector rather than a partition
// table: one that names NTFS or exFAT, even with unusable values (the engine then reports it as
// damaged), or a FAT boot sector whose parameter block is usable.
bool IsFileSystemBootSector(const std::uint8_t* sector, std::size_t len);

// Reads the first sector of the opened range and probes it against the range's length.
std::optional<VolumeProbe> ProbeVolume(Handle h);

// Probes the volume of a drive letter of the drive map.
std::optional<VolumeProbe> ProbeDrive(char letter);

}  // namespace platform
