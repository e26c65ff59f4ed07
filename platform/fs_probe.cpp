#include "platform/fs_probe.h"

#include "platform/boot_sector.h"

namespace platform {

bool IsValidFatBpb(const std::uint8_t* s, std::size_t len) {
  const BootSectorResult r = ParseBootSector(s, len);
  return r.ok && r.layout.family == BootFamily::kFat;
}

std::optional<VolumeProbe> ProbeBootSector(const std::uint8_t* s, std::size_t len,
                                           std::uint64_t volumeBytes) {
  const BootSectorResult r = ParseBootSector(s, len, volumeBytes);
  if (!r.ok) return std::nullopt;
  VolumeProbe p;
  switch (r.layout.family) {
    case BootFamily::kNtfs:
      p.fileSystem = "NTFS";
      break;
    case BootFamily::kExfat:
      p.fileSystem = "exFAT";
      break;
    case BootFamily::kFat:
      // Spelled by the layout of the parameter block, as the platform spells it.
      p.fileSystem = r.layout.fat.fat32Layout ? "FAT32" : "FAT";
      p.label = r.layout.label;
      break;
    case BootFamily::kUnknown:
      return std::nullopt;
  }
  p.serial = r.layout.serial;
  p.bytesPerSector = r.layout.bytesPerSector;
  return p;
}

bool IsFileSystemBootSector(const std::uint8_t* s, std::size_t len) {
  const BootSectorResult r = ParseBootSector(s, len);
  return r.ok || r.layout.family == BootFamily::kNtfs || r.layout.family == BootFamily::kExfat;
}

std::optional<VolumeProbe> ProbeVolume(Handle h) {
  std::uint8_t sector[kBootSectorBytes];
  if (!ReadAt(h, 0, sector, sizeof sector)) return std::nullopt;
  return ProbeBootSector(sector, sizeof sector, HandleLength(h));
}

std::optional<VolumeProbe> ProbeDrive(char letter) {
  Handle h = OpenVolume(letter);
  if (h == kInvalidHandle) return std::nullopt;
  auto p = ProbeVolume(h);
  CloseHandle(h);
  return p;
}

}  // namespace platform
