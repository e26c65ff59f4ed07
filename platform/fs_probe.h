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

// True when the bytes hold a FAT boot parameter block whose values are usable: bytes per sector a
// power of two 512..4096, sectors per cluster a power of two, reserved sectors >= 1, FATs >= 1,
// a non-zero FAT size and total sector count.
bool IsValidFatBpb(const std::uint8_t* sector, std::size_t len);

// Recognises the family from the first bytes of a volume (at least 512). Empty when unknown.
std::optional<VolumeProbe> ProbeBootSector(const std::uint8_t* sector, std::size_t len);

// Reads the first sector of the opened range and probes it.
std::optional<VolumeProbe> ProbeVolume(Handle h);

// Probes the volume of a drive letter of the drive map.
std::optional<VolumeProbe> ProbeDrive(char letter);

}  // namespace platform
