#include "corvane/bootarea.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/endian.h"
#include "platform/fs_probe.h"
#include "platform/message.h"

using platform::Le16;
using platform::Le32;
using platform::Le64;

namespace {

bool Refuse(std::string* why, std::string text) {
  if (why) *why = std::move(text);
  return false;
}

std::string Num(std::uint64_t v) { return std::to_string(v); }

// Reads the first 512 bytes of the volume through a sector reader on the record's handle.
bool ReadSectorZero(FILESYSTEMOBJ* fs, std::uint8_t* sector512) {
  CReadWriteSectors reader;
  reader.SetTarget(sector512, fs->ntFlag, fs->typeCode, fs->driveNumber, fs->volumeHandle);
  return reader.ReadSectors(0, 1) == 0;
}

template <typename T>
T* ReplaceZeroed(T*& slot, std::size_t bytes) {
  std::free(slot);
  slot = static_cast<T*>(std::calloc(1, bytes));
  return slot;
}

// Replaces a boot copy by a zeroed block and reads sector 0, with the message of each failure.
template <typename T>
bool ReplaceAndReadBoot(FILESYSTEMOBJ* fs, T*& slot, std::size_t bytes, std::uint8_t* sector512) {
  if (!ReplaceZeroed(slot, bytes)) {
    platform::ShowMessage(kMsgOutOfMemory, platform::MsgButtons::Ok, platform::MsgIcon::Error);
    return false;
  }
  if (!ReadSectorZero(fs, sector512)) {
    platform::ShowMessage(kMsgDiskNotReady, platform::MsgButtons::Ok, platform::MsgIcon::Error);
    return false;
  }
  return true;
}

}  // namespace

void CopyFatBootRecord(const std::uint8_t* s, bool fat32, BOOTRECORD* br) {
  std::memset(br, 0, sizeof *br);
  std::memcpy(br->jump, s, 3);
  std::memcpy(br->oemName, s + 3, 8);
  br->bytesPerSector = Le16(s + 11);
  br->sectorsPerCluster = s[13];
  br->reservedSectors = Le16(s + 14);
  br->numberOfFats = s[16];
  br->rootEntries = Le16(s + 17);
  br->totalSectors16 = Le16(s + 19);
  br->media = s[21];
  br->sectorsPerFat16 = Le16(s + 22);
  br->sectorsPerTrack = Le16(s + 24);
  br->heads = Le16(s + 26);
  br->hiddenSectors = Le32(s + 28);
  br->totalSectors32 = Le32(s + 32);
  const std::uint8_t* ext = fat32 ? s + 64 : s + 36;
  br->driveNumber = ext[0];
  br->reserved1 = ext[1];
  br->bootSignature = ext[2];
  br->volumeSerial = Le32(ext + 3);
  std::memcpy(br->volumeLabel, ext + 7, 11);
  std::memcpy(br->fileSystemType, ext + 18, 8);
  if (fat32) {
    br->sectorsPerFat32 = Le32(s + 36);
    br->extFlags = Le16(s + 40);
    br->fsVersion = Le16(s + 42);
    br->rootCluster = Le32(s + 44);
    br->fsInfoSector = Le16(s + 48);
    br->backupBootSector = Le16(s + 50);
    std::memcpy(br->reserved2, s + 52, 12);
  }
}

void CopyNtfsBootRecord(const std::uint8_t* s, NTFSBOOTRECORD* br) {
  std::memset(br, 0, sizeof *br);
  std::memcpy(br->jump, s, 3);
  std::memcpy(br->oemName, s + 3, 8);
  br->bytesPerSector = Le16(s + 11);
  br->sectorsPerCluster = s[13];
  br->reservedSectors = Le16(s + 14);
  std::memcpy(br->unused16, s + 16, 3);
  std::memcpy(br->unused19, s + 19, 2);
  br->media = s[21];
  for (int i = 0; i < 3; ++i) br->words22[i] = Le16(s + 22 + 2 * i);
  for (int i = 0; i < 3; ++i) br->dwords28[i] = Le32(s + 28 + 4 * i);
  br->totalSectors = Le64(s + 40);
  br->mftCluster = Le64(s + 48);
  br->mftMirrorCluster = Le64(s + 56);
  br->clustersPerRecord = Le32(s + 64);
  br->clustersPerIndex = Le32(s + 68);
  br->volumeSerial = Le64(s + 72);
}

void CopyExfatBootRecord(const std::uint8_t* s, std::uint8_t* out) {
  std::memset(out, 0, 512);
  std::memcpy(out, s, 3);
  std::memcpy(out + 3, s + 3, 8);
  out[11] = s[11];
  std::memcpy(out + 12, s + 12, 52);
  std::memcpy(out + exfatboot::kPartitionOffset, s + exfatboot::kPartitionOffset,
              exfatboot::kPercentInUse + 1 - exfatboot::kPartitionOffset);
  std::memcpy(out + exfatboot::kSignature, s + exfatboot::kSignature, 2);
}

bool HasFat32Layout(const BOOTRECORD& br) {
  return br.rootEntries == 0 && br.sectorsPerFat16 == 0;
}

bool ComputeFatLayout(const BOOTRECORD& br, std::uint64_t volumeBytes, BootLayout* out,
                      std::string* why) {
  const std::uint64_t B = br.bytesPerSector;
  const std::uint64_t S = br.sectorsPerCluster;
  const std::uint64_t R = br.reservedSectors;
  const std::uint64_t nFats = br.numberOfFats;
  if (!platform::IsPowerOfTwo(B) || B < 512 || B > 4096)
    return Refuse(why, "bytes per sector " + Num(B) + " is not a power of two from 512 to 4096");
  if (!platform::IsPowerOfTwo(S))
    return Refuse(why, "sectors per cluster " + Num(S) + " is not a power of two");
  if (R == 0) return Refuse(why, "reserved sectors is 0");
  if (nFats == 0) return Refuse(why, "number of FATs is 0");

  const bool fat32 = HasFat32Layout(br);
  const std::uint64_t F = fat32 ? br.sectorsPerFat32 : br.sectorsPerFat16;
  if (F == 0) return Refuse(why, "sectors per FAT is 0");
  const std::uint64_t total = (!fat32 && br.totalSectors16 != 0) ? br.totalSectors16 : br.totalSectors32;
  if (total == 0) return Refuse(why, "total sectors is 0");
  // Root directory sectors round up: a partly used last sector still belongs to the root.
  const std::uint64_t D = fat32 ? 0 : (std::uint64_t{br.rootEntries} * 32 + B - 1) / B;
  const std::uint64_t firstData = R + nFats * F + D;
  if (firstData >= total)
    return Refuse(why, "first data sector " + Num(firstData) + " is not below total sectors " +
                           Num(total));
  if (total > UINT32_MAX) return Refuse(why, "total sectors " + Num(total) + " exceeds 32 bits");
  const std::uint64_t realSectors = volumeBytes / B;
  if (R + nFats * F > realSectors)
    return Refuse(why, "allocation tables end at sector " + Num(R + nFats * F) +
                           ", past the volume's " + Num(realSectors) + " sectors");

  std::uint64_t clusters = (total - firstData) / S;
  if (clusters == 0) return Refuse(why, "the data area holds no cluster");
  // The table cannot describe more clusters than it has entries for.
  std::uint64_t fatBytes = F * B;
  std::uint64_t entries;
  std::uint32_t type;
  if (fat32) {
    type = kFsFat32;
    entries = fatBytes / 4;
  } else {
    type = clusters < 4085 ? kFsFat12 : kFsFat16;
    entries = type == kFsFat12 ? fatBytes * 2 / 3 : fatBytes / 2;
  }
  if (entries < 3) return Refuse(why, "the allocation table holds no cluster entry");
  clusters = std::min(clusters, entries - 2);
  if (fat32) clusters = std::min<std::uint64_t>(clusters, 0x0FFFFFF5);

  VOLUMEGEOMETRY& g = out->geometry;
  g = {};
  g.reservedSectors = static_cast<std::uint32_t>(R);
  g.lastSector = static_cast<std::uint32_t>(total - 1);
  g.fat1First = static_cast<std::uint32_t>(R);
  g.fat1Last = static_cast<std::uint32_t>(R + F - 1);
  if (nFats >= 2) {
    g.fat2First = static_cast<std::uint32_t>(R + F);
    g.fat2Last = static_cast<std::uint32_t>(R + 2 * F - 1);
  }
  if (!fat32) {
    g.rootFirst = static_cast<std::uint32_t>(R + nFats * F);
    g.rootLast = static_cast<std::uint32_t>(R + nFats * F + D - 1);
    g.rootSectors = static_cast<std::uint32_t>(D);
  }
  g.firstDataSector = static_cast<std::uint32_t>(firstData);
  g.lastSector2 = g.lastSector;
  g.firstCluster = 2;
  g.lastCluster = static_cast<std::uint32_t>(clusters + 1);
  out->typeCode = type;
  out->bytesPerSector = static_cast<std::uint32_t>(B);
  return true;
}

bool ComputeExfatLayout(const std::uint8_t* s, std::uint64_t volumeBytes, BootLayout* out,
                        std::string* why) {
  using namespace exfatboot;
  const unsigned bpsShift = s[kBytesPerSectorShift];
  const unsigned spcShift = s[kSectorsPerClusterShift];
  if (bpsShift < 9 || bpsShift > 12)
    return Refuse(why, "bytes-per-sector shift " + Num(bpsShift) + " is outside 9 to 12");
  if (spcShift > 25 - bpsShift)
    return Refuse(why, "sectors-per-cluster shift " + Num(spcShift) + " makes clusters above 32 MiB");
  const std::uint64_t volLength = Le64(s + kVolumeLength);
  const std::uint64_t fatOffset = Le32(s + kFatOffset);
  const std::uint64_t fatLength = Le32(s + kFatLength);
  const std::uint64_t heap = Le32(s + kClusterHeapOffset);
  const std::uint64_t count = Le32(s + kClusterCount);
  const std::uint64_t root = Le32(s + kRootCluster);
  const std::uint64_t nFats = s[kNumberOfFats];
  if (nFats != 1 && nFats != 2) return Refuse(why, "number of FATs " + Num(nFats) + " is not 1 or 2");
  if (fatOffset == 0 || fatLength == 0) return Refuse(why, "FAT offset or length is 0");
  if (heap < fatOffset + nFats * fatLength)
    return Refuse(why, "cluster heap offset " + Num(heap) + " lies inside the allocation tables");
  if (count == 0 || count > 0xFFFFFFF5) return Refuse(why, "cluster count " + Num(count) + " is unusable");
  if (root < 2 || root > count + 1)
    return Refuse(why, "root directory cluster " + Num(root) + " is outside 2 to " + Num(count + 1));
  if (volLength == 0) return Refuse(why, "volume length is 0");
  const std::uint64_t heapEnd = heap + (count << spcShift);
  if (heapEnd > volLength)
    return Refuse(why, "cluster heap ends at sector " + Num(heapEnd) + ", past the volume length " +
                           Num(volLength));
  if (fatOffset + fatLength > (volumeBytes >> bpsShift))
    return Refuse(why, "allocation table lies past the end of the volume");

  VOLUMEGEOMETRY& g = out->geometry;
  g = {};
  g.reservedSectors = static_cast<std::uint32_t>(fatOffset);
  g.fat1First = static_cast<std::uint32_t>(fatOffset);
  g.fat1Last = static_cast<std::uint32_t>(fatOffset + fatLength - 1);
  g.lastSector = static_cast<std::uint32_t>(volLength - 1);
  g.firstDataSector = static_cast<std::uint32_t>(heap);
  g.lastSector2 = g.lastSector;
  // Clusters of the heap are numbered 2 .. count + 1.
  g.firstCluster = 2;
  g.lastCluster = static_cast<std::uint32_t>(count + 1);
  out->typeCode = kFsExfat;
  out->bytesPerSector = 1u << bpsShift;
  return true;
}

bool CheckNtfsBoot(const NTFSBOOTRECORD& br, std::string* why) {
  const std::uint32_t B = br.bytesPerSector;
  if (!platform::IsPowerOfTwo(B) || B < 256 || B > 4096)
    return Refuse(why, "bytes per sector " + Num(B) + " is not a power of two from 256 to 4096");
  const std::uint8_t spc = br.sectorsPerCluster;
  // Values above 0x80 encode 2^(256 - value) sectors.
  const bool encoded = spc > 0x80 && spc >= 0xE0;
  if (!encoded && !platform::IsPowerOfTwo(spc))
    return Refuse(why, "sectors per cluster " + Num(spc) + " is not a power of two");
  if (br.totalSectors == 0) return Refuse(why, "total sectors is 0");
  const auto perRecord = static_cast<std::int8_t>(br.clustersPerRecord & 0xFF);
  if (perRecord == 0) return Refuse(why, "clusters per MFT record is 0");
  if (perRecord < 0 && (-perRecord < 9 || -perRecord > 16))
    return Refuse(why, "MFT record size 2^" + Num(-perRecord) + " is unusable");
  return true;
}

std::uint32_t GuessFileSystemType(const std::uint8_t* s, std::size_t len) {
  if (len < 512) return kFsUnknown;
  if (std::memcmp(s + 3, "NTFS    ", 8) == 0) return kFsNtfs;
  if (std::memcmp(s + 3, "EXFAT   ", 8) == 0) return kFsExfat;
  const std::uint16_t bps = Le16(s + 11);
  const std::uint8_t spc = s[13];
  const std::uint16_t reserved = Le16(s + 14);
  // An empty parameter block names nothing; it is neither exFAT nor FAT.
  if (bps == 0 && spc == 0 && reserved == 0) return kFsUnknown;
  if (reserved == 1) return kFsFat16;
  if (reserved == 32 || reserved == 33) return kFsFat32;
  const std::uint16_t rootEntries = Le16(s + 17);
  return rootEntries != 0 ? kFsFat16 : kFsFat32;
}

int GetVolumeFileSystemName(const char* rootPath, std::uint32_t* typeCode) {
  *typeCode = kFsUnknown;
  if (rootPath == nullptr || rootPath[0] == 0) return 0;
  auto probe = platform::ProbeDrive(rootPath[0]);
  if (!probe) return 0;
  std::string name = probe->fileSystem;
  for (auto& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (name == "FAT32")
    *typeCode = kFsFat32;
  else if (name == "FAT")
    *typeCode = kFsFat16;
  else if (name == "NTFS")
    *typeCode = kFsNtfs;
  else if (name == "EXFAT")
    *typeCode = kFsExfat;
  return *typeCode != kFsUnknown;
}

int ReadBootSector(FILESYSTEMOBJ* fs) {
  if (fs->typeCode != kFsPending && fs->typeCode != kFsUnknown) return 1;
  if (!ReplaceZeroed(g_pBootRecord, sizeof(BOOTRECORD))) {
    platform::ShowMessage(kMsgOutOfMemory, platform::MsgButtons::Ok, platform::MsgIcon::Error);
    return 0;
  }
  std::uint8_t sector[512];
  if (!ReadSectorZero(fs, sector)) {
    platform::ShowMessage(kMsgCannotReadBoot, platform::MsgButtons::Ok, platform::MsgIcon::Error);
    return 0;
  }
  std::memcpy(g_pBootRecord->jump, sector, 3);
  std::memcpy(g_pBootRecord->oemName, sector + 3, 8);
  g_pBootRecord->bytesPerSector = Le16(sector + 11);
  g_pBootRecord->sectorsPerCluster = sector[13];
  g_pBootRecord->reservedSectors = Le16(sector + 14);
  fs->typeCode = GuessFileSystemType(sector, sizeof sector);
  return 1;
}

int AnalyzeBootArea(FILESYSTEMOBJ* fs) {
  if (fs->typeCode == kFsPending || fs->typeCode == kFsUnknown) {
    if (!ReadBootSector(fs)) return 0;
    if (fs->typeCode == kFsPending || fs->typeCode == kFsUnknown) {
      std::free(g_pNtfsBootRecord);
      g_pNtfsBootRecord = nullptr;
      platform::ShowMessage(kMsgUnsupportedDrive);
      return 0;
    }
  }
  std::uint8_t sector[512];
  const std::uint32_t type = fs->typeCode;
  if (type == kFsNtfs) {
    if (!ReplaceAndReadBoot(fs, g_pNtfsBootRecord, sizeof(NTFSBOOTRECORD), sector)) return 0;
    CopyNtfsBootRecord(sector, g_pNtfsBootRecord);
    std::string why;
    if (!CheckNtfsBoot(*g_pNtfsBootRecord, &why)) {
      platform::ShowMessage(kMsgBootValuesAbnormal);
      return 0;
    }
    fs->bytesPerSector = g_pNtfsBootRecord->bytesPerSector;
    return 1;
  }
  if (type == kFsExfat) {
    if (!ReplaceAndReadBoot(fs, g_pExfatBootRecord, 512, sector)) return 0;
    CopyExfatBootRecord(sector, g_pExfatBootRecord);
    BootLayout layout;
    std::string why;
    if (!ComputeExfatLayout(g_pExfatBootRecord, fs->volumeBytes, &layout, &why)) {
      platform::ShowMessage(kMsgBootValuesAbnormal);
      return 0;
    }
    fs->geometry = layout.geometry;
    fs->bytesPerSector = layout.bytesPerSector;
    return 1;
  }
  if (IsFatType(type)) {
    if (!ReplaceAndReadBoot(fs, g_pBootRecord, sizeof(BOOTRECORD), sector)) return 0;
    // The layout of the parameter block, not the family's name, says which extension it has.
    BOOTRECORD probe;
    CopyFatBootRecord(sector, false, &probe);
    CopyFatBootRecord(sector, HasFat32Layout(probe), g_pBootRecord);
    BootLayout layout;
    std::string why;
    if (!ComputeFatLayout(*g_pBootRecord, fs->volumeBytes, &layout, &why)) {
      platform::ShowMessage(kMsgBootValuesAbnormal);
      return 0;
    }
    fs->geometry = layout.geometry;
    fs->bytesPerSector = layout.bytesPerSector;
    fs->typeCode = layout.typeCode;
    return 1;
  }
  return 0;
}
