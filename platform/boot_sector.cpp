#include "platform/boot_sector.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/endian.h"

namespace platform {
namespace {

// FAT boot sector. 0-35 are shared by FAT12/16 and FAT32.
namespace fatoff {
constexpr std::size_t kJump = 0;               // 3 bytes
constexpr std::size_t kBytesPerSector = 11;    // uint16
constexpr std::size_t kSectorsPerCluster = 13; // uint8
constexpr std::size_t kReservedSectors = 14;   // uint16
constexpr std::size_t kNumberOfFats = 16;      // uint8
constexpr std::size_t kRootEntries = 17;       // uint16, FAT12/16
constexpr std::size_t kTotalSectors16 = 19;    // uint16, FAT12/16
constexpr std::size_t kSectorsPerFat16 = 22;   // uint16, FAT12/16
constexpr std::size_t kTotalSectors32 = 32;    // uint32
constexpr std::size_t kSectorsPerFat32 = 36;   // uint32, FAT32
constexpr std::size_t kRootCluster = 44;       // uint32, FAT32
// The extension that holds the volume's identity: at 36 for FAT12/16, at 64 for FAT32.
constexpr std::size_t kExtension16 = 36;
constexpr std::size_t kExtension32 = 64;
constexpr std::size_t kExtSignature = 2;       // uint8, 0x29 when serial and label follow
constexpr std::size_t kExtSerial = 3;          // uint32
constexpr std::size_t kExtLabel = 7;           // 11 bytes
}  // namespace fatoff

// exFAT boot sector.
namespace exfatoff {
constexpr std::size_t kVolumeLength = 72;      // uint64, sectors
constexpr std::size_t kFatOffset = 80;         // uint32, sectors
constexpr std::size_t kFatLength = 84;         // uint32, sectors
constexpr std::size_t kClusterHeapOffset = 88; // uint32, sectors
constexpr std::size_t kClusterCount = 92;      // uint32
constexpr std::size_t kRootCluster = 96;       // uint32
constexpr std::size_t kSerial = 100;           // uint32
constexpr std::size_t kSectorShift = 108;      // uint8
constexpr std::size_t kClusterShift = 109;     // uint8
constexpr std::size_t kNumberOfFats = 110;     // uint8
}  // namespace exfatoff

// NTFS boot sector.
namespace ntfsoff {
constexpr std::size_t kBytesPerSector = 0x0B;    // uint16
constexpr std::size_t kSectorsPerCluster = 0x0D; // uint8; above 0x80: 2^(256 - value)
constexpr std::size_t kTotalSectors = 0x28;      // uint64
constexpr std::size_t kMftLcn = 0x30;            // uint64
constexpr std::size_t kMftMirrorLcn = 0x38;      // uint64
constexpr std::size_t kClustersPerRecord = 0x40; // int8; negative: 2^-value bytes
constexpr std::size_t kSerial = 0x48;            // uint64, low half kept
}  // namespace ntfsoff

constexpr std::size_t kOemName = 3;  // 8 bytes

std::string Num(std::uint64_t v) { return std::to_string(v); }

BootSectorResult Refuse(BootFamily family, const char* field, std::uint64_t value,
                        std::string limit) {
  BootSectorResult r;
  r.layout.family = family;
  r.refusal.field = field;
  r.refusal.value = value;
  r.refusal.limit = std::move(limit);
  return r;
}

std::string TrimmedText(const std::uint8_t* p, std::size_t n) {
  std::string s(reinterpret_cast<const char*>(p), n);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

unsigned Log2(std::uint64_t powerOfTwo) {
  unsigned n = 0;
  while (powerOfTwo > 1) {
    powerOfTwo >>= 1;
    ++n;
  }
  return n;
}

BootSectorResult ParseFat(const std::uint8_t* s, std::uint64_t volumeBytes) {
  using namespace fatoff;
  constexpr BootFamily kFat = BootFamily::kFat;
  const std::uint64_t B = Le16(s + kBytesPerSector);
  const std::uint64_t S = s[kSectorsPerCluster];
  const std::uint64_t R = Le16(s + kReservedSectors);
  const std::uint64_t nFats = s[kNumberOfFats];
  const std::uint64_t rootEntries = Le16(s + kRootEntries);
  const std::uint64_t total16 = Le16(s + kTotalSectors16);
  const std::uint64_t fat16 = Le16(s + kSectorsPerFat16);
  if (!IsPowerOfTwo(B) || B < bootlimit::kFatMinSectorBytes || B > bootlimit::kFatMaxSectorBytes)
    return Refuse(kFat, "bytes per sector", B, "must be a power of two from 512 to 4096");
  if (!IsPowerOfTwo(S))
    return Refuse(kFat, "sectors per cluster", S, "must be a power of two from 1 to 128");
  if (R == 0) return Refuse(kFat, "reserved sectors", R, "must be at least 1");
  if (nFats == 0) return Refuse(kFat, "number of FATs", nFats, "must be at least 1");

  const bool fat32 = rootEntries == 0 && fat16 == 0;
  const std::uint64_t F = fat32 ? Le32(s + kSectorsPerFat32) : fat16;
  if (F == 0) return Refuse(kFat, "sectors per FAT", F, "must be at least 1");
  const std::uint64_t total = (!fat32 && total16 != 0) ? total16 : Le32(s + kTotalSectors32);
  if (total == 0) return Refuse(kFat, "total sectors", total, "must be at least 1");
  // Root directory sectors round up: a partly used last sector still belongs to the root.
  const std::uint64_t D = fat32 ? 0 : (rootEntries * 32 + B - 1) / B;
  const std::uint64_t tablesEnd = R + nFats * F;  // below 2^41: no overflow
  const std::uint64_t firstData = tablesEnd + D;
  if (firstData >= total)
    return Refuse(kFat, "first data sector", firstData,
                  "must be below the total sectors " + Num(total));
  if (volumeBytes != 0 && tablesEnd > volumeBytes / B)
    return Refuse(kFat, "end of the allocation tables", tablesEnd,
                  "must lie within the volume's " + Num(volumeBytes / B) + " sectors");
  std::uint64_t clusters = (total - firstData) / S;
  if (clusters == 0) return Refuse(kFat, "data clusters", clusters, "must be at least 1");

  // The type follows the cluster count, except that a FAT32 layout has 32-bit entries.
  unsigned bits = fat32 ? 32 : (clusters < 4085 ? 12 : 16);
  // The table cannot describe more clusters than it has entries for.
  const std::uint64_t fatBytes = F * B;
  const std::uint64_t entries = bits == 32 ? fatBytes / 4 : bits == 16 ? fatBytes / 2 : fatBytes * 2 / 3;
  if (entries < 3)
    return Refuse(kFat, "allocation table entries", entries, "must be at least 3");
  clusters = std::min(clusters, entries - 2);
  // Cluster numbers stop below the table's bad-cluster mark.
  if (bits == 32) clusters = std::min<std::uint64_t>(clusters, bootlimit::kFat32MaxClusters);
  if (bits == 16) clusters = std::min<std::uint64_t>(clusters, bootlimit::kFat16MaxClusters);

  BootSectorResult r;
  r.ok = true;
  BootSectorLayout& l = r.layout;
  l.family = kFat;
  l.bytesPerSector = static_cast<std::uint32_t>(B);
  l.sectorsPerCluster = static_cast<std::uint32_t>(S);
  l.clusterSize = static_cast<std::uint32_t>(B * S);
  FatBootLayout& f = l.fat;
  f.fat32Layout = fat32;
  f.fatBits = bits;
  f.reservedSectors = static_cast<std::uint32_t>(R);
  f.numberOfFats = static_cast<std::uint32_t>(nFats);
  f.rootEntries = static_cast<std::uint32_t>(rootEntries);
  f.rootSectors = static_cast<std::uint32_t>(D);
  f.sectorsPerFat = static_cast<std::uint32_t>(F);
  f.totalSectors = static_cast<std::uint32_t>(total);
  f.firstDataSector = static_cast<std::uint32_t>(firstData);
  f.clusterCount = static_cast<std::uint32_t>(clusters);
  f.rootCluster = fat32 ? Le32(s + kRootCluster) : 0;
  const std::uint8_t* ext = s + (fat32 ? kExtension32 : kExtension16);
  if (ext[kExtSignature] == 0x29) {
    l.serial = Le32(ext + kExtSerial);
    l.label = TrimmedText(ext + kExtLabel, 11);
  }
  return r;
}

BootSectorResult ParseExfat(const std::uint8_t* s, std::uint64_t volumeBytes) {
  using namespace exfatoff;
  constexpr BootFamily kExfat = BootFamily::kExfat;
  const unsigned sectorShift = s[kSectorShift];
  const unsigned clusterShift = s[kClusterShift];
  if (sectorShift < bootlimit::kExfatMinSectorShift || sectorShift > bootlimit::kExfatMaxSectorShift)
    return Refuse(kExfat, "bytes-per-sector shift", sectorShift, "must be from 9 to 12");
  if (clusterShift > bootlimit::kExfatMaxClusterShift - sectorShift)
    return Refuse(kExfat, "sectors-per-cluster shift", clusterShift,
                  "must be at most " + Num(bootlimit::kExfatMaxClusterShift - sectorShift) +
                      " (clusters up to 32 MiB)");
  const std::uint64_t nFats = s[kNumberOfFats];
  const std::uint64_t volLength = Le64(s + kVolumeLength);
  const std::uint64_t fatOffset = Le32(s + kFatOffset);
  const std::uint64_t fatLength = Le32(s + kFatLength);
  const std::uint64_t heap = Le32(s + kClusterHeapOffset);
  const std::uint64_t count = Le32(s + kClusterCount);
  const std::uint64_t root = Le32(s + kRootCluster);
  if (nFats != 1 && nFats != 2) return Refuse(kExfat, "number of FATs", nFats, "must be 1 or 2");
  if (fatOffset == 0) return Refuse(kExfat, "FAT offset", fatOffset, "must be at least 1");
  if (fatLength == 0) return Refuse(kExfat, "FAT length", fatLength, "must be at least 1");
  if (heap < fatOffset + nFats * fatLength)
    return Refuse(kExfat, "cluster heap offset", heap,
                  "must not lie before the end of the allocation tables, sector " +
                      Num(fatOffset + nFats * fatLength));
  if (count == 0 || count > bootlimit::kExfatMaxClusters)
    return Refuse(kExfat, "cluster count", count, "must be from 1 to 4294967285");
  if (root < 2 || root > count + 1)
    return Refuse(kExfat, "root directory cluster", root, "must be from 2 to " + Num(count + 1));
  // The table must hold an entry for every cluster, the two reserved ones included.
  const std::uint64_t entries = (fatLength << sectorShift) / 4;
  if (entries < count + 2)
    return Refuse(kExfat, "allocation table entries", entries,
                  "must be at least the cluster count + 2, " + Num(count + 2));
  if (volLength == 0) return Refuse(kExfat, "volume length", volLength, "must be at least 1");
  const std::uint64_t heapEnd = heap + (count << clusterShift);  // below 2^49
  if (heapEnd > volLength)
    return Refuse(kExfat, "end of the cluster heap", heapEnd,
                  "must lie within the volume length of " + Num(volLength) + " sectors");
  if (volumeBytes != 0 && fatOffset + fatLength > (volumeBytes >> sectorShift))
    return Refuse(kExfat, "end of the allocation table", fatOffset + fatLength,
                  "must lie within the volume's " + Num(volumeBytes >> sectorShift) + " sectors");

  BootSectorResult r;
  r.ok = true;
  BootSectorLayout& l = r.layout;
  l.family = kExfat;
  l.bytesPerSector = 1u << sectorShift;
  l.sectorsPerCluster = 1u << clusterShift;
  l.clusterSize = 1u << (sectorShift + clusterShift);
  l.serial = Le32(s + kSerial);
  ExfatBootLayout& e = l.exfat;
  e.sectorShift = sectorShift;
  e.clusterShift = clusterShift;
  e.volumeLength = volLength;
  e.fatOffset = static_cast<std::uint32_t>(fatOffset);
  e.fatLength = static_cast<std::uint32_t>(fatLength);
  e.numberOfFats = static_cast<std::uint32_t>(nFats);
  e.clusterHeapOffset = static_cast<std::uint32_t>(heap);
  e.clusterCount = static_cast<std::uint32_t>(count);
  e.rootCluster = static_cast<std::uint32_t>(root);
  return r;
}

BootSectorResult ParseNtfs(const std::uint8_t* s) {
  using namespace ntfsoff;
  constexpr BootFamily kNtfs = BootFamily::kNtfs;
  const std::uint64_t B = Le16(s + kBytesPerSector);
  if (!IsPowerOfTwo(B) || B < bootlimit::kNtfsMinSectorBytes || B > bootlimit::kNtfsMaxSectorBytes)
    return Refuse(kNtfs, "bytes per sector", B, "must be a power of two from 256 to 4096");
  // Up to 0x80 the byte counts sectors; above, it encodes 2^(256 - value) sectors.
  const std::uint8_t spcByte = s[kSectorsPerCluster];
  const unsigned maxShift = Log2(bootlimit::kNtfsMaxClusterBytes / B);
  std::uint64_t S = 0;
  if (spcByte <= 0x80) {
    if (!IsPowerOfTwo(spcByte))
      return Refuse(kNtfs, "sectors per cluster", spcByte,
                    "must be a power of two from 1 to 128, or above 128 for 2^(256 - value)");
    S = spcByte;
  } else {
    const unsigned shift = 256u - spcByte;
    if (shift > maxShift)
      return Refuse(kNtfs, "sectors per cluster", spcByte,
                    "encodes 2^" + Num(shift) + " sectors; clusters must be at most 2 MiB");
    S = std::uint64_t{1} << shift;
  }
  const std::uint64_t clusterSize = B * S;
  if (clusterSize > bootlimit::kNtfsMaxClusterBytes)
    return Refuse(kNtfs, "cluster size", clusterSize, "must be at most 2 MiB");
  const std::uint64_t total = Le64(s + kTotalSectors);
  if (total == 0) return Refuse(kNtfs, "total sectors", total, "must be at least 1");
  if (total > std::numeric_limits<std::uint64_t>::max() / B)
    return Refuse(kNtfs, "total sectors", total, "must give a volume below 2^64 bytes");

  const std::uint8_t cprByte = s[kClustersPerRecord];
  const auto cpr = static_cast<std::int8_t>(cprByte);
  std::uint64_t recordSize = 0;
  if (cpr > 0) recordSize = clusterSize * static_cast<std::uint64_t>(cpr);
  else if (cpr < 0 && -cpr < 63) recordSize = std::uint64_t{1} << -cpr;
  if (!IsPowerOfTwo(recordSize) || recordSize < bootlimit::kNtfsMinRecordBytes ||
      recordSize > bootlimit::kNtfsMaxRecordBytes)
    return Refuse(kNtfs, "clusters per MFT record", cprByte,
                  "must give a record size that is a power of two from 512 to 65536 bytes");

  // The $MFT must start inside the volume.
  const std::uint64_t mftLcn = Le64(s + kMftLcn);
  const std::uint64_t lastLcn = (total - 1) / S;
  if (mftLcn > lastLcn)
    return Refuse(kNtfs, "MFT cluster", mftLcn, "must be at most the volume's last cluster " + Num(lastLcn));

  BootSectorResult r;
  r.ok = true;
  BootSectorLayout& l = r.layout;
  l.family = kNtfs;
  l.bytesPerSector = static_cast<std::uint32_t>(B);
  l.sectorsPerCluster = static_cast<std::uint32_t>(S);
  l.clusterSize = static_cast<std::uint32_t>(clusterSize);
  l.serial = Le32(s + kSerial);
  NtfsBootLayout& n = l.ntfs;
  n.totalSectors = total;
  n.mftLcn = mftLcn;
  n.mftMirrorLcn = Le64(s + kMftMirrorLcn);
  n.clustersPerRecord = cprByte;
  n.recordSize = static_cast<std::uint32_t>(recordSize);
  return r;
}

BootFamily Recognise(const std::uint8_t* s) {
  if (std::memcmp(s + kOemName, "NTFS    ", 8) == 0) return BootFamily::kNtfs;
  if (std::memcmp(s + kOemName, "EXFAT   ", 8) == 0) return BootFamily::kExfat;
  const std::uint8_t jump = s[fatoff::kJump];
  if (jump == 0xEB || jump == 0xE9 || jump == 0xE8) return BootFamily::kFat;
  return BootFamily::kUnknown;
}

}  // namespace

std::string BootRefusal::Text() const {
  return field + " is " + Num(value) + ", " + limit;
}

BootSectorResult ParseBootSectorAs(BootFamily family, const std::uint8_t* sector, std::size_t len,
                                   std::uint64_t volumeBytes) {
  if (sector == nullptr || len < kBootSectorBytes)
    return Refuse(family, "boot sector bytes", sector ? len : 0, "must be at least 512");
  switch (family) {
    case BootFamily::kFat:
      return ParseFat(sector, volumeBytes);
    case BootFamily::kExfat:
      return ParseExfat(sector, volumeBytes);
    case BootFamily::kNtfs:
      return ParseNtfs(sector);
    case BootFamily::kUnknown:
      break;
  }
  return Refuse(BootFamily::kUnknown, "jump instruction", sector[fatoff::kJump],
                "must be 0xEB, 0xE9 or 0xE8 when the OEM name is neither NTFS nor EXFAT");
}

BootSectorResult ParseBootSector(const std::uint8_t* sector, std::size_t len,
                                 std::uint64_t volumeBytes) {
  if (sector == nullptr || len < kBootSectorBytes)
    return ParseBootSectorAs(BootFamily::kUnknown, sector, len, volumeBytes);
  return ParseBootSectorAs(Recognise(sector), sector, len, volumeBytes);
}

}  // namespace platform
