#include "corvane/bootarea.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/boot_sector.h"
#include "platform/endian.h"
#include "platform/fs_probe.h"
#include "platform/message.h"

using platform::Le16;
using platform::Le32;
using platform::Le64;
using platform::PutLe16;
using platform::PutLe32;
using platform::PutLe64;

namespace {

bool Refuse(std::string* why, std::string text) {
  if (why) *why = std::move(text);
  return false;
}

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

void EncodeFatBootRecord(const BOOTRECORD& br, std::uint8_t* s) {
  std::memset(s, 0, 512);
  std::memcpy(s, br.jump, 3);
  std::memcpy(s + 3, br.oemName, 8);
  PutLe16(s + 11, br.bytesPerSector);
  s[13] = br.sectorsPerCluster;
  PutLe16(s + 14, br.reservedSectors);
  s[16] = br.numberOfFats;
  PutLe16(s + 17, br.rootEntries);
  PutLe16(s + 19, br.totalSectors16);
  s[21] = br.media;
  PutLe16(s + 22, br.sectorsPerFat16);
  PutLe16(s + 24, br.sectorsPerTrack);
  PutLe16(s + 26, br.heads);
  PutLe32(s + 28, br.hiddenSectors);
  PutLe32(s + 32, br.totalSectors32);
  const bool fat32 = HasFat32Layout(br);
  std::uint8_t* ext = fat32 ? s + 64 : s + 36;
  ext[0] = br.driveNumber;
  ext[1] = br.reserved1;
  ext[2] = br.bootSignature;
  PutLe32(ext + 3, br.volumeSerial);
  std::memcpy(ext + 7, br.volumeLabel, 11);
  std::memcpy(ext + 18, br.fileSystemType, 8);
  if (fat32) {
    PutLe32(s + 36, br.sectorsPerFat32);
    PutLe16(s + 40, br.extFlags);
    PutLe16(s + 42, br.fsVersion);
    PutLe32(s + 44, br.rootCluster);
    PutLe16(s + 48, br.fsInfoSector);
    PutLe16(s + 50, br.backupBootSector);
    std::memcpy(s + 52, br.reserved2, 12);
  }
  s[510] = 0x55;
  s[511] = 0xAA;
}

void EncodeNtfsBootRecord(const NTFSBOOTRECORD& br, std::uint8_t* s) {
  std::memset(s, 0, 512);
  std::memcpy(s, br.jump, 3);
  std::memcpy(s + 3, br.oemName, 8);
  PutLe16(s + 11, br.bytesPerSector);
  s[13] = br.sectorsPerCluster;
  PutLe16(s + 14, br.reservedSectors);
  std::memcpy(s + 16, br.unused16, 3);
  std::memcpy(s + 19, br.unused19, 2);
  s[21] = br.media;
  for (int i = 0; i < 3; ++i) PutLe16(s + 22 + 2 * i, br.words22[i]);
  for (int i = 0; i < 3; ++i) PutLe32(s + 28 + 4 * i, br.dwords28[i]);
  PutLe64(s + 40, br.totalSectors);
  PutLe64(s + 48, br.mftCluster);
  PutLe64(s + 56, br.mftMirrorCluster);
  PutLe32(s + 64, br.clustersPerRecord);
  PutLe32(s + 68, br.clustersPerIndex);
  PutLe64(s + 72, br.volumeSerial);
  s[510] = 0x55;
  s[511] = 0xAA;
}

bool HasFat32Layout(const BOOTRECORD& br) {
  return br.rootEntries == 0 && br.sectorsPerFat16 == 0;
}

namespace {

// Sectors the layout may use: the boot sector's length, cut to the real volume when it is known.
std::uint64_t VolumeSectors(std::uint64_t bootSectors, std::uint64_t volumeBytes, std::uint32_t bps) {
  return volumeBytes != 0 ? std::min(bootSectors, volumeBytes / bps) : bootSectors;
}

// Clusters of the data area that lie wholly inside `sectors`, at most count.
std::uint64_t ClustersInside(std::uint32_t count, std::uint64_t sectors, std::uint32_t firstData,
                             std::uint32_t sectorsPerCluster) {
  if (sectors <= firstData) return 0;
  return std::min<std::uint64_t>(count, (sectors - firstData) / sectorsPerCluster);
}

bool RefuseEmptyDataArea(std::string* why, std::uint32_t firstData, std::uint64_t sectors) {
  return Refuse(why, "first data sector is " + std::to_string(firstData) +
                         ", must leave at least one cluster within the volume's " +
                         std::to_string(sectors) + " sectors");
}

}  // namespace

bool LayoutFromBootSector(platform::BootFamily family, const std::uint8_t* sector,
                          std::uint64_t volumeBytes, BootLayout* out, std::string* why) {
  const platform::BootSectorResult parsed =
      platform::ParseBootSectorAs(family, sector, 512, volumeBytes);
  if (!parsed.ok) return Refuse(why, parsed.refusal.Text());
  const platform::BootSectorLayout& l = parsed.layout;
  VOLUMEGEOMETRY& g = out->geometry;
  g = {};
  out->bytesPerSector = l.bytesPerSector;
  if (l.family == platform::BootFamily::kFat) {
    const platform::FatBootLayout& f = l.fat;
    const std::uint32_t R = f.reservedSectors;
    const std::uint32_t F = f.sectorsPerFat;
    const std::uint64_t sectors = VolumeSectors(f.totalSectors, volumeBytes, l.bytesPerSector);
    const std::uint64_t inside = ClustersInside(f.clusterCount, sectors, f.firstDataSector, l.sectorsPerCluster);
    if (inside == 0) return RefuseEmptyDataArea(why, f.firstDataSector, sectors);
    // Every sum below is at most the first data sector, which lies below the 32-bit total.
    g.reservedSectors = R;
    g.lastSector = static_cast<std::uint32_t>(sectors - 1);
    g.fat1First = R;
    g.fat1Last = R + F - 1;
    if (f.numberOfFats >= 2) {
      g.fat2First = R + F;
      g.fat2Last = R + 2 * F - 1;
    }
    if (!f.fat32Layout) {
      g.rootFirst = R + f.numberOfFats * F;
      g.rootLast = g.rootFirst + f.rootSectors - 1;
      g.rootSectors = f.rootSectors;
    }
    g.firstDataSector = f.firstDataSector;
    g.lastSector2 = g.lastSector;
    g.firstCluster = 2;
    g.lastCluster = static_cast<std::uint32_t>(inside + 1);
    // The type follows the boot sector's own cluster count, not what a shortened volume holds.
    out->typeCode = f.fatBits == 12 ? kFsFat12 : f.fatBits == 16 ? kFsFat16 : kFsFat32;
    return true;
  }
  if (l.family == platform::BootFamily::kExfat) {
    const platform::ExfatBootLayout& e = l.exfat;
    const std::uint64_t sectors = VolumeSectors(e.volumeLength, volumeBytes, l.bytesPerSector);
    const std::uint64_t inside = ClustersInside(e.clusterCount, sectors, e.clusterHeapOffset, l.sectorsPerCluster);
    if (inside == 0) return RefuseEmptyDataArea(why, e.clusterHeapOffset, sectors);
    g.reservedSectors = e.fatOffset;
    g.fat1First = e.fatOffset;
    g.fat1Last = e.fatOffset + e.fatLength - 1;  // below the 32-bit heap offset
    // The length is 64-bit on disk: a last sector past 2^32 - 1 saturates, which keeps it at or
    // above every 32-bit sector number of the layout. Clusters are bounded in 64 bits.
    g.lastSector = static_cast<std::uint32_t>(std::min<std::uint64_t>(sectors - 1, UINT32_MAX));
    g.firstDataSector = e.clusterHeapOffset;
    g.lastSector2 = g.lastSector;
    // Clusters of the heap are numbered 2 .. count + 1.
    g.firstCluster = 2;
    g.lastCluster = static_cast<std::uint32_t>(inside + 1);
    out->typeCode = kFsExfat;
    return true;
  }
  // NTFS keeps no geometry here: its state takes the layout from the same parser.
  out->typeCode = kFsNtfs;
  return true;
}

bool ComputeFatLayout(const BOOTRECORD& br, std::uint64_t volumeBytes, BootLayout* out,
                      std::string* why) {
  std::uint8_t sector[512];
  EncodeFatBootRecord(br, sector);
  return LayoutFromBootSector(platform::BootFamily::kFat, sector, volumeBytes, out, why);
}

bool ComputeExfatLayout(const std::uint8_t* s, std::uint64_t volumeBytes, BootLayout* out,
                        std::string* why) {
  return LayoutFromBootSector(platform::BootFamily::kExfat, s, volumeBytes, out, why);
}

bool CheckNtfsBoot(const NTFSBOOTRECORD& br, std::string* why) {
  std::uint8_t sector[512];
  EncodeNtfsBootRecord(br, sector);
  BootLayout layout;
  return LayoutFromBootSector(platform::BootFamily::kNtfs, sector, 0, &layout, why);
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
    // Every value the NTFS state sizes, shifts or divides with is checked here, before the
    // volume counts as open.
    BootLayout layout;
    std::string why;
    if (!LayoutFromBootSector(platform::BootFamily::kNtfs, sector, fs->volumeBytes, &layout, &why)) {
      platform::ShowMessage(kMsgBootValuesAbnormal);
      return 0;
    }
    fs->bytesPerSector = layout.bytesPerSector;
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
    if (!LayoutFromBootSector(platform::BootFamily::kFat, sector, fs->volumeBytes, &layout, &why)) {
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
