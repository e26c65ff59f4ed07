// The one decoder of boot sectors. A pure function over the first 512 bytes of a volume: it
// recognises the family (FAT, exFAT, NTFS), checks every value that later code divides by,
// shifts by, sizes a buffer with or counts with, and returns the decoded layout or the value
// that broke its limit. Nothing here reads a volume.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

inline constexpr std::size_t kBootSectorBytes = 512;

enum class BootFamily : std::uint8_t { kUnknown, kFat, kExfat, kNtfs };

// Limits of the values accepted.
namespace bootlimit {
inline constexpr std::uint32_t kFatMinSectorBytes = 512;
inline constexpr std::uint32_t kFatMaxSectorBytes = 4096;
inline constexpr std::uint32_t kNtfsMinSectorBytes = 256;
inline constexpr std::uint32_t kNtfsMaxSectorBytes = 4096;
inline constexpr std::uint32_t kNtfsMaxClusterBytes = 2u << 20;
inline constexpr std::uint32_t kNtfsMinRecordBytes = 512;  // one fix-up stride
inline constexpr std::uint32_t kNtfsMaxRecordBytes = 64u << 10;
inline constexpr unsigned kExfatMinSectorShift = 9;
inline constexpr unsigned kExfatMaxSectorShift = 12;
inline constexpr unsigned kExfatMaxClusterShift = 25;  // 32 MiB
inline constexpr std::uint32_t kExfatMaxClusters = 0xFFFFFFF5u;
inline constexpr std::uint32_t kFat16MaxClusters = 0xFFF5u;
inline constexpr std::uint32_t kFat32MaxClusters = 0x0FFFFFF5u;
}  // namespace bootlimit

// The decoded FAT parameter block and the layout it gives.
struct FatBootLayout {
  bool fat32Layout = false;        // no fixed root and a 32-bit FAT size: the FAT32 extension
  unsigned fatBits = 0;            // 12, 16 or 32, settled by the cluster count
  std::uint32_t reservedSectors = 0;
  std::uint32_t numberOfFats = 0;
  std::uint32_t rootEntries = 0;
  std::uint32_t rootSectors = 0;   // root entries x 32 bytes, rounded up to whole sectors
  std::uint32_t sectorsPerFat = 0;
  std::uint32_t totalSectors = 0;  // the 16-bit total when non-zero, else the 32-bit one
  std::uint32_t firstDataSector = 0;
  std::uint32_t clusterCount = 0;  // data clusters, at most what one table can describe
  std::uint32_t rootCluster = 0;   // FAT32 only; its reader bounds it
};

struct ExfatBootLayout {
  unsigned sectorShift = 0;
  unsigned clusterShift = 0;       // sectors per cluster as a shift
  std::uint64_t volumeLength = 0;  // sectors
  std::uint32_t fatOffset = 0;
  std::uint32_t fatLength = 0;
  std::uint32_t numberOfFats = 0;
  std::uint32_t clusterHeapOffset = 0;
  std::uint32_t clusterCount = 0;
  std::uint32_t rootCluster = 0;   // 2 .. clusterCount + 1
};

struct NtfsBootLayout {
  std::uint64_t totalSectors = 0;
  std::uint64_t mftLcn = 0;           // inside the volume
  std::uint64_t mftMirrorLcn = 0;     // not checked: nothing reads it
  std::uint8_t clustersPerRecord = 0; // the raw byte; negative (as signed) is 2^-n bytes
  std::uint32_t recordSize = 0;       // bytes of one MFT record, a power of two
};

struct BootSectorLayout {
  BootFamily family = BootFamily::kUnknown;
  std::uint32_t bytesPerSector = 0;
  std::uint32_t sectorsPerCluster = 0;
  std::uint32_t clusterSize = 0;  // bytes
  std::uint32_t serial = 0;
  std::string label;              // FAT only, as stored, trailing blanks removed
  FatBootLayout fat;
  ExfatBootLayout exfat;
  NtfsBootLayout ntfs;
};

// Which value broke which limit.
struct BootRefusal {
  std::string field;      // the value's name, for example "sectors per cluster"
  std::uint64_t value = 0;
  std::string limit;      // what it should have been
  std::string Text() const;
};

struct BootSectorResult {
  bool ok = false;
  BootSectorLayout layout;  // family is set whenever it was recognised, even when refused
  BootRefusal refusal;      // when !ok
};

// Recognises the family by the OEM name ("NTFS    ", "EXFAT   ") or, for FAT, by the jump
// instruction, then parses as that family. volumeBytes, when not 0, is the real length of the
// volume: the allocation tables must lie inside it.
BootSectorResult ParseBootSector(const std::uint8_t* sector, std::size_t len,
                                 std::uint64_t volumeBytes = 0);

// Parses as the given family, whatever the signature says (the family was settled elsewhere).
BootSectorResult ParseBootSectorAs(BootFamily family, const std::uint8_t* sector, std::size_t len,
                                   std::uint64_t volumeBytes = 0);

}  // namespace platform
