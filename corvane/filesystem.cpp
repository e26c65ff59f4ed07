#include "corvane/filesystem.h"

#include <cstdlib>
#include <new>
#include <utility>

#include "corvane/bootarea.h"
#include "corvane/engine_hooks.h"
#include "corvane/fat_recover.h"
#include "corvane/ntfs_volume.h"
#include "platform/message.h"

FILESYSTEMOBJ* m_pFileSystem = nullptr;
BOOTRECORD* g_pBootRecord = nullptr;
NTFSBOOTRECORD* g_pNtfsBootRecord = nullptr;
std::uint8_t* g_pExfatBootRecord = nullptr;
std::uint16_t* g_pFat12Table = nullptr;
std::uint16_t* g_pFat16Table = nullptr;
std::uint32_t* g_pFat32Table = nullptr;
std::uint32_t g_dwFatTableEntries = 0;
FATDIRENTRY* g_pFatDirEntries = nullptr;
EXFATFILEENTRY* g_pExfatEntries = nullptr;
NTFSFILEENTRY* g_pNtfsEntries = nullptr;
std::uint32_t g_dwLFNDirEntry = 0;
std::uint32_t g_dwNtfsEntryCount = 0;
std::uint32_t g_dwExfatEntryCount = 0;
std::uint32_t g_dwFatDirEntryCount = 0;
int g_bNtfsVolume = 0;

namespace {

ShellRecordReleaser g_shellReleaser = nullptr;
NtfsRootScanner g_ntfsRootScanner = nullptr;

using platform::MsgButtons;
using platform::MsgIcon;

FATVOLUMERECORD* AllocFatRecord() {
  void* block = std::calloc(1, sizeof(FATVOLUMERECORD));
  if (!block) return nullptr;
  auto* rec = static_cast<FATVOLUMERECORD*>(block);
  new (&rec->reader) CReadWriteSectors();
  new (&rec->reader2) CReadWriteSectors();
  return rec;
}

void FreeFatRecord(FATVOLUMERECORD*& rec) {
  if (!rec) return;
  std::free(rec->clusterBuffer);
  std::free(rec->dirBuffer);
  rec->reader.~CReadWriteSectors();
  rec->reader2.~CReadWriteSectors();
  std::free(rec);
  rec = nullptr;
}

void FreeTypeRecords(FILESYSTEMOBJ* fs) {
  FreeFatRecord(fs->fat12);
  FreeFatRecord(fs->fat16);
  FreeFatRecord(fs->fat32);
  FreeFatRecord(fs->exfat);
  FreeNtfsRecord(fs->ntfs);
  fs->ntfs = nullptr;
}

void SetupReader(CReadWriteSectors& reader, const FILESYSTEMOBJ* fs) {
  reader.SetTarget(nullptr, fs->ntFlag, fs->typeCode, fs->driveNumber, fs->volumeHandle);
  reader.SetSectorSize(fs->bytesPerSector);
}

}  // namespace

void SetShellRecordReleaser(ShellRecordReleaser releaser) { g_shellReleaser = releaser; }
void SetNtfsRootScanner(NtfsRootScanner scanner) { g_ntfsRootScanner = scanner; }

void ReleaseEngineBuffers() {
  FreeFatTables();
  FreeFatDirEntries();
  FreeExfatEntries();
  FreeNtfsEntries();
  std::free(g_pBootRecord);
  g_pBootRecord = nullptr;
  std::free(g_pNtfsBootRecord);
  g_pNtfsBootRecord = nullptr;
  std::free(g_pExfatBootRecord);
  g_pExfatBootRecord = nullptr;
  g_dwLFNDirEntry = 0;
  if (g_shellReleaser) g_shellReleaser();
}

void ResetFileSystem(FILESYSTEMOBJ* fs) {
  fs->fat12 = fs->fat16 = fs->fat32 = fs->exfat = nullptr;
  fs->ntfs = nullptr;
  fs->buffer = nullptr;
}

void InitFileSystem(FILESYSTEMOBJ* fs, char driveLetter) {
  // A record that still owns a previous volume's state gives it back first.
  if (fs->volumeHandle != platform::kInvalidHandle && fs->volumeHandle != 0 &&
      platform::IsValidHandle(fs->volumeHandle)) {
    FreeFileSystem(fs);
  } else {
    FreeTypeRecords(fs);
    std::free(fs->buffer);
  }
  ResetFileSystem(fs);
  fs->currentDirectory = 0;
  fs->previousDirectory = 0;
  fs->typeCode = kFsUnknown;
  fs->driveLetter = driveLetter;
  fs->state = 3;
  fs->ntFlag = 0;
  fs->driveNumber = 0;
  fs->volumeHandle = platform::kInvalidHandle;
  fs->geometry = {};
  fs->bytesPerSector = 512;
  fs->volumeBytes = 0;
}

int OpenFileSystem(FILESYSTEMOBJ* fs) {
  if (!OpenVolumeHandle(fs)) {
    platform::ShowMessage(u"드라이브를 열 수 없습니다.", MsgButtons::Ok, MsgIcon::Error);
    return 0;
  }
  FreeTypeRecords(fs);
  std::free(fs->buffer);
  fs->buffer = nullptr;
  ReleaseEngineBuffers();

  if (!AnalyzeBootArea(fs)) return 0;
  if (fs->typeCode == kFsUnknown) {
    platform::ShowMessage(u"안 알려진 파일시스템입니다.", MsgButtons::Ok, MsgIcon::Error);
    return 0;
  }
  bool allocated = false;
  switch (fs->typeCode) {
    case kFsFat12: allocated = (fs->fat12 = AllocFatRecord()) != nullptr; break;
    case kFsFat16: allocated = (fs->fat16 = AllocFatRecord()) != nullptr; break;
    case kFsFat32: allocated = (fs->fat32 = AllocFatRecord()) != nullptr; break;
    case kFsExfat: allocated = (fs->exfat = AllocFatRecord()) != nullptr; break;
    case kFsNtfs: allocated = (fs->ntfs = AllocNtfsRecord()) != nullptr; break;
    default:
      platform::ShowMessage(u"인식할 수 없는 파일시스템입니다.", MsgButtons::Ok, MsgIcon::Error);
      return 0;
  }
  g_bNtfsVolume = fs->typeCode == kFsNtfs ? 1 : 0;
  if (!allocated) {
    platform::ShowMessage(u"메모리가 부족합니다.", MsgButtons::Ok, MsgIcon::Error);
    return 0;
  }
  StoreGeometry(fs);
  return 1;
}

void StoreGeometry(FILESYSTEMOBJ* fs) {
  if (FATVOLUMERECORD* rec = CurrentFatRecord(fs)) {
    rec->geometry = fs->geometry;
    rec->ntFlag = fs->ntFlag;
    rec->volumeHandle = fs->volumeHandle;
    rec->driveNumber = fs->driveNumber;
    rec->typeCode = fs->typeCode;
    rec->bytesPerSector = fs->bytesPerSector;
    SetupReader(rec->reader, fs);
    SetupReader(rec->reader2, fs);
  } else if (fs->typeCode == kFsNtfs && fs->ntfs) {
    NTFSVOLUMERECORD* rec = fs->ntfs;
    rec->geometry = fs->geometry;
    rec->ntFlag = fs->ntFlag;
    rec->facadeHandle = fs->volumeHandle;
    rec->driveNumber = fs->driveNumber;
    rec->typeCode = static_cast<std::int32_t>(fs->typeCode);
  }
}

void FreeFileSystem(FILESYSTEMOBJ* fs) {
  ReleaseEngineBuffers();
  FreeTypeRecords(fs);
  std::free(fs->buffer);
  fs->buffer = nullptr;
  if (fs->volumeHandle != platform::kInvalidHandle) {
    platform::CloseHandle(fs->volumeHandle);
    fs->volumeHandle = platform::kInvalidHandle;
  }
}

FATVOLUMERECORD* CurrentFatRecord(const FILESYSTEMOBJ* fs) {
  if (!fs) return nullptr;
  switch (fs->typeCode) {
    case kFsFat12: return fs->fat12;
    case kFsFat16: return fs->fat16;
    case kFsFat32: return fs->fat32;
    case kFsExfat: return fs->exfat;
    default: return nullptr;
  }
}

int LoadFatTable(FILESYSTEMOBJ* fs) {
  switch (fs->typeCode) {
    case kFsFat12: return fs->fat12 ? LoadFat12Table(fs->fat12) : 0;
    case kFsFat16: return fs->fat16 ? LoadFat16Table(fs->fat16) : 0;
    case kFsFat32: return fs->fat32 ? LoadFat32Table(fs->fat32) : 0;
    default: return 0;
  }
}

int ReadRootDirectory(FILESYSTEMOBJ* fs) {
  int result = 0;
  switch (fs->typeCode) {
    case kFsFat12:
    case kFsFat16: {
      // The table is loaded once per opened volume.
      if (g_pFat12Table == nullptr && g_pFat16Table == nullptr && !LoadFatTable(fs)) return 0;
      result = ReadFatRootDirectory(CurrentFatRecord(fs));
      if (result) fs->currentDirectory = -1;
      return result;
    }
    case kFsFat32: {
      if (g_pFat32Table == nullptr && !LoadFatTable(fs)) return 0;
      std::uint32_t root = g_pBootRecord ? g_pBootRecord->rootCluster : 2;
      if (!CheckClusterRange(root, fs->fat32) || root < 2) {
        platform::ShowMessage(u"클러스터가 범위를 초과하였습니다.", MsgButtons::Ok, MsgIcon::Error);
        return 0;
      }
      result = ReadFat32Directory(fs->fat32, root);
      if (result) fs->currentDirectory = static_cast<std::int32_t>(root);
      return result;
    }
    case kFsNtfs:
      result = g_ntfsRootScanner ? g_ntfsRootScanner(fs) : SearchNtfsVolume(fs);
      if (result) fs->currentDirectory = 5;
      return result;
    case kFsExfat:
      result = ReadExfatRootDirectory(fs->exfat);
      if (result) fs->currentDirectory = 0;
      return result;
    default:
      return 0;
  }
}

int ReadDirectory(std::uint32_t cluster) {
  FILESYSTEMOBJ* fs = m_pFileSystem;
  if (!fs) return 0;
  const std::uint32_t type = fs->typeCode;
  if (cluster == 0xFFFFFFFFu) {
    if (IsFatType(type) || type == kFsNtfs || type == kFsExfat) return ReadRootDirectory(fs);
    return 0;
  }
  int result = 0;
  switch (type) {
    case kFsFat12: result = ReadFat12Directory(fs->fat12, cluster); break;
    case kFsFat16: result = ReadFat16Directory(fs->fat16, cluster); break;
    case kFsFat32:
      if (!CheckClusterRange(cluster, fs->fat32)) {
        platform::ShowMessage(u"클러스터가 범위를 초과하였습니다.", MsgButtons::Ok, MsgIcon::Error);
        return 0;
      }
      result = ReadFat32Directory(fs->fat32, cluster);
      break;
    default: return 0;
  }
  if (result) fs->currentDirectory = static_cast<std::int32_t>(cluster);
  return result ? 1 : 0;
}

std::uint8_t* ReadClusterByType(std::uint32_t cluster) {
  FATVOLUMERECORD* rec = CurrentFatRecord(m_pFileSystem);
  if (!rec || m_pFileSystem->typeCode == kFsExfat) return nullptr;
  return ReadCluster(rec, cluster);
}

int IsClusterInRange(std::int64_t cluster) {
  FATVOLUMERECORD* rec = CurrentFatRecord(m_pFileSystem);
  if (!rec || m_pFileSystem->typeCode == kFsExfat) return 0;
  return cluster >= 0 && cluster <= rec->geometry.lastCluster ? 1 : 0;
}

std::int64_t GetClusterChainLength(std::uint32_t firstCluster, std::int64_t fileSize) {
  FILESYSTEMOBJ* fs = m_pFileSystem;
  if (!fs) return -1;
  std::int64_t n;
  switch (fs->typeCode) {
    case kFsFat12: n = CountFat12Chain(fs->fat12, firstCluster, -2); break;
    case kFsFat16: n = CountFat16Chain(fs->fat16, firstCluster, -2); break;
    case kFsFat32: {
      const BOOTRECORD* br = g_pBootRecord;
      std::int64_t clusterBytes = br ? std::int64_t{br->sectorsPerCluster} * br->bytesPerSector : 0;
      if (clusterBytes <= 0) return -2;
      n = fileSize / clusterBytes;
      break;
    }
    default: return -1;
  }
  return n < 0 ? -2 : n;
}

std::uint32_t GetFileSystemType() { return m_pFileSystem ? m_pFileSystem->typeCode : 0; }

std::u16string FileSystemNameOfType(std::uint32_t typeCode) {
  switch (typeCode) {
    case kFsFat12: return u"FAT12";
    case kFsFat16: return u"FAT16";
    case kFsFat32: return u"FAT32";
    case kFsNtfs: return u"NTFS";
    case kFsExfat: return u"exFAT";
    case kFsCdfs: return u"CDFS";
    case kFsUdf: return u"UDF";
    default: return u"UNKNOWN";
  }
}

std::u16string GetFileSystemName(const FILESYSTEMOBJ* fs) {
  return FileSystemNameOfType(fs ? fs->typeCode : kFsUnknown);
}

std::int64_t GetFatFileSize(std::uint32_t firstCluster, std::int64_t fileSize) {
  FILESYSTEMOBJ* fs = m_pFileSystem;
  if (!fs) return -1;
  switch (fs->typeCode) {
    case kFsFat12: return GetFat12FileSize(fs->fat12, firstCluster);
    case kFsFat16: return GetFat16FileSize(fs->fat16, firstCluster);
    case kFsFat32: return GetFat32FileSize(firstCluster, fileSize);
    default: return -1;
  }
}

int RecoverFatFile(std::uint32_t firstCluster, std::u16string fileName, std::u16string saveFolder,
                   std::uint32_t fileSize, int method, int deleted, std::uint64_t firstSector,
                   std::uint32_t sectorCount, SaveControl* control) {
  FILESYSTEMOBJ* fs = m_pFileSystem;
  if (!fs || !IsFatType(fs->typeCode)) return 0;
  FATVOLUMERECORD* rec = CurrentFatRecord(fs);
  if (!rec) return 0;
  FatRecoverRequest request;
  request.firstCluster = firstCluster;
  request.fileName = std::move(fileName);
  request.saveFolder = std::move(saveFolder);
  request.size = fileSize;
  request.method = method;
  request.deleted = deleted != 0;
  request.firstSector = firstSector;
  request.sectorCount = sectorCount;
  return RecoverFatFileRequest(rec, request, control);
}
