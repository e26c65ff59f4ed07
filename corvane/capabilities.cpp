#include "corvane/capabilities.h"

#include "corvane/bootarea.h"
#include "corvane/engine_hooks.h"
#include "corvane/filesystem.h"
#include "platform/message.h"

namespace {

using platform::MsgButtons;
using platform::MsgIcon;

void SayClusterOutOfRange() {
  platform::ShowMessage(u"클러스터가 범위를 초과하였습니다.", MsgButtons::Ok, MsgIcon::Error);
}

// ---- FAT12 and FAT16: the fixed root area ----

int LoadFat12(FILESYSTEMOBJ* fs) { return fs->fat12 ? LoadFat12Table(fs->fat12) : 0; }
int LoadFat16(FILESYSTEMOBJ* fs) { return fs->fat16 ? LoadFat16Table(fs->fat16) : 0; }

int ReadFixedRoot(FILESYSTEMOBJ* fs, std::int32_t*) {
  // The table is loaded once per opened volume.
  if (g_pFat12Table == nullptr && g_pFat16Table == nullptr && !LoadFatTable(fs)) return 0;
  return ReadFatRootDirectory(CurrentFatRecord(fs));
}

int ReadFat12Folder(FILESYSTEMOBJ* fs, std::uint32_t cluster) { return ReadFat12Directory(fs->fat12, cluster); }
int ReadFat16Folder(FILESYSTEMOBJ* fs, std::uint32_t cluster) { return ReadFat16Directory(fs->fat16, cluster); }

std::int64_t Fat12Chain(FILESYSTEMOBJ* fs, std::uint32_t first, std::int64_t) {
  return CountFat12Chain(fs->fat12, first, -2);
}
std::int64_t Fat16Chain(FILESYSTEMOBJ* fs, std::uint32_t first, std::int64_t) {
  return CountFat16Chain(fs->fat16, first, -2);
}
std::int64_t Fat12Size(FILESYSTEMOBJ* fs, std::uint32_t first, std::int64_t) {
  return GetFat12FileSize(fs->fat12, first);
}
std::int64_t Fat16Size(FILESYSTEMOBJ* fs, std::uint32_t first, std::int64_t) {
  return GetFat16FileSize(fs->fat16, first);
}

// ---- FAT32: the root is a cluster chain ----

int LoadFat32(FILESYSTEMOBJ* fs) { return fs->fat32 ? LoadFat32Table(fs->fat32) : 0; }

int ReadFat32Root(FILESYSTEMOBJ* fs, std::int32_t* directory) {
  if (g_pFat32Table == nullptr && !LoadFatTable(fs)) return 0;
  std::uint32_t root = g_pBootRecord ? g_pBootRecord->rootCluster : 2;
  if (!CheckClusterRange(root, fs->fat32) || root < 2) {
    SayClusterOutOfRange();
    return 0;
  }
  *directory = static_cast<std::int32_t>(root);
  return ReadFat32Directory(fs->fat32, root);
}

int ReadFat32Folder(FILESYSTEMOBJ* fs, std::uint32_t cluster) {
  if (!CheckClusterRange(cluster, fs->fat32)) {
    SayClusterOutOfRange();
    return 0;
  }
  return ReadFat32Directory(fs->fat32, cluster);
}

std::int64_t Fat32Chain(FILESYSTEMOBJ*, std::uint32_t, std::int64_t fileSize) {
  const BOOTRECORD* br = g_pBootRecord;
  std::int64_t clusterBytes = br ? std::int64_t{br->sectorsPerCluster} * br->bytesPerSector : 0;
  if (clusterBytes <= 0) return -2;
  return fileSize / clusterBytes;
}
std::int64_t Fat32Size(FILESYSTEMOBJ*, std::uint32_t first, std::int64_t fileSize) {
  return GetFat32FileSize(first, fileSize);
}

// ---- exFAT and NTFS: only the root is read here ----

int ReadExfatRoot(FILESYSTEMOBJ* fs, std::int32_t*) { return ReadExfatRootDirectory(fs->exfat); }
int ReadNtfsRoot(FILESYSTEMOBJ* fs, std::int32_t*) { return ScanNtfsRoot(fs); }

constexpr unsigned kFatSaves = kSaveByChain | kSaveLinear | kSaveBySectors;

// clang-format off
const FsCapabilities kRows[] = {
  // type       name      supp.  ntfs   record                   folders save        prop.  viewer clust. root
  {kFsFat12, u"FAT12",   true,  false, &FILESYSTEMOBJ::fat12,   true,  kFatSaves,     true,  true,  true,  -1,
   &LoadFat12, &ReadFixedRoot, &ReadFat12Folder, &Fat12Chain, &Fat12Size},
  {kFsFat16, u"FAT16",   true,  false, &FILESYSTEMOBJ::fat16,   true,  kFatSaves,     true,  true,  true,  -1,
   &LoadFat16, &ReadFixedRoot, &ReadFat16Folder, &Fat16Chain, &Fat16Size},
  {kFsFat32, u"FAT32",   true,  false, &FILESYSTEMOBJ::fat32,   true,  kFatSaves,     true,  true,  true,  2,
   &LoadFat32, &ReadFat32Root, &ReadFat32Folder, &Fat32Chain, &Fat32Size},
  {kFsNtfs,  u"NTFS",     true,  true,  nullptr,                 false, kSaveByRecord, false, false, false, 5,
   nullptr,    &ReadNtfsRoot,  nullptr,          nullptr,     nullptr},
  {kFsExfat, u"exFAT",    true,  false, &FILESYSTEMOBJ::exfat,   false, 0,             false, false, false, 0,
   nullptr,    &ReadExfatRoot, nullptr,          nullptr,     nullptr},
  // Named, but no engine routine handles them.
  {kFsCdfs,  u"CDFS",     false, false, nullptr,                 false, 0,             false, false, false, 0,
   nullptr,    nullptr,        nullptr,          nullptr,     nullptr},
  {kFsUdf,   u"UDF",      false, false, nullptr,                 false, 0,             false, false, false, 0,
   nullptr,    nullptr,        nullptr,          nullptr,     nullptr},
};
// clang-format on

}  // namespace

const FsCapabilities* CapabilitiesOf(std::uint32_t typeCode) {
  for (const FsCapabilities& row : kRows)
    if (row.typeCode == typeCode) return &row;
  return nullptr;
}

const FsCapabilities* CurrentCapabilities() {
  return m_pFileSystem ? CapabilitiesOf(m_pFileSystem->typeCode) : nullptr;
}
