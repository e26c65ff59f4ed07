#include "platform/fs_probe.h"

#include <cstring>

#include "platform/endian.h"

namespace platform {
namespace {

std::string TrimmedText(const std::uint8_t* p, std::size_t n) {
  std::string s(reinterpret_cast<const char*>(p), n);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

bool HasOem(const std::uint8_t* sector, const char* oem) {
  return std::memcmp(sector + 3, oem, 8) == 0;
}

}  // namespace

bool IsValidFatBpb(const std::uint8_t* s, std::size_t len) {
  if (len < 512) return false;
  if (!(s[0] == 0xEB || s[0] == 0xE9 || s[0] == 0xE8)) return false;
  std::uint16_t bytesPerSector = Le16(s + 11);
  std::uint8_t sectorsPerCluster = s[13];
  std::uint16_t reserved = Le16(s + 14);
  std::uint8_t fats = s[16];
  std::uint16_t total16 = Le16(s + 19);
  std::uint16_t fat16 = Le16(s + 22);
  std::uint32_t total32 = Le32(s + 32);
  std::uint32_t fat32 = Le32(s + 36);
  if (!IsPowerOfTwo(bytesPerSector) || bytesPerSector < 512 || bytesPerSector > 4096) return false;
  if (!IsPowerOfTwo(sectorsPerCluster)) return false;
  if (reserved == 0 || fats == 0) return false;
  if (total16 == 0 && total32 == 0) return false;
  if (fat16 == 0 && fat32 == 0) return false;
  return true;
}

std::optional<VolumeProbe> ProbeBootSector(const std::uint8_t* s, std::size_t len) {
  if (len < 512) return std::nullopt;
  VolumeProbe p;
  if (HasOem(s, "NTFS    ")) {
    std::uint16_t bps = Le16(s + 11);
    if (!IsPowerOfTwo(bps) || bps < 256 || bps > 4096 || s[13] == 0) return std::nullopt;
    p.fileSystem = "NTFS";
    p.serial = Le32(s + 0x48);
    p.bytesPerSector = bps;
    return p;
  }
  if (HasOem(s, "EXFAT   ")) {
    std::uint8_t bpsShift = s[108];
    if (bpsShift < 9 || bpsShift > 12) return std::nullopt;
    p.fileSystem = "exFAT";
    p.serial = Le32(s + 100);
    p.bytesPerSector = 1u << bpsShift;
    return p;
  }
  if (!IsValidFatBpb(s, len)) return std::nullopt;
  p.bytesPerSector = Le16(s + 11);
  // FAT32 has no fixed root area and keeps its FAT size in the 32-bit field.
  bool fat32Layout = Le16(s + 17) == 0 && Le16(s + 22) == 0;
  const std::uint8_t* ext = fat32Layout ? s + 64 : s + 36;
  p.fileSystem = fat32Layout ? "FAT32" : "FAT";
  if (ext[2] == 0x29) {
    p.serial = Le32(ext + 3);
    p.label = TrimmedText(ext + 7, 11);
  }
  return p;
}

std::optional<VolumeProbe> ProbeVolume(Handle h) {
  std::uint8_t sector[512];
  if (!ReadAt(h, 0, sector, sizeof sector)) return std::nullopt;
  return ProbeBootSector(sector, sizeof sector);
}

std::optional<VolumeProbe> ProbeDrive(char letter) {
  Handle h = OpenVolume(letter);
  if (h == kInvalidHandle) return std::nullopt;
  auto p = ProbeVolume(h);
  CloseHandle(h);
  return p;
}

}  // namespace platform
