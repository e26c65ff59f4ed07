#include "corvane/filesystem.h"

#include <cstdlib>
#include <new>
#include <utility>

#include "corvane/bootarea.h"
#include "corvane/capabilities.h"
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
int ScanNtfsRoot(FILESYSTEMOBJ* fs) { return g_ntfsRootScanner ? g_ntfsRootScanner(fs) : SearchNtfsVolume(fs); }

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
  const FsCapabilities* caps = CapabilitiesOf(fs->typeCode);
  if (!caps || !caps->supported) {
    platform::ShowMessage(u"인식할 수 없는 파일시스템입니다.", MsgButtons::Ok, MsgIcon::Error);
    return 0;
  }
  bool allocated = false;
  if (caps->ntfsRecord)
    allocated = (fs->ntfs = AllocNtfsRecord()) != nullptr;
  else if (caps->record)
    allocated = (fs->*(caps->record) = AllocFatRecord()) != nullptr;
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
  const FsCapabilities* caps = CapabilitiesOf(fs->typeCode);
  return caps && caps->record ? fs->*(caps->record) : nullptr;
}

int LoadFatTable(FILESYSTEMOBJ* fs) {
  const FsCapabilities* caps = CapabilitiesOf(fs->typeCode);
  return caps && caps->loadTable ? caps->loadTable(fs) : 0;
}

int ReadRootDirectory(FILESYSTEMOBJ* fs) {
  const FsCapabilities* caps = CapabilitiesOf(fs->typeCode);
  if (!caps || !caps->readRoot) return 0;
  std::int32_t directory = caps->rootDirectory;
  int result = caps->readRoot(fs, &directory);
  if (result) fs->currentDirectory = directory;
  return result;
}

int ReadDirectory(std::uint32_t cluster) {
  FILESYSTEMOBJ* fs = m_pFileSystem;
  if (!fs) return 0;
  const FsCapabilities* caps = CapabilitiesOf(fs->typeCode);
  if (!caps) return 0;
  if (cluster == 0xFFFFFFFFu) return caps->readRoot ? ReadRootDirectory(fs) : 0;
  // Types without folders of their own list only their root here.
  if (!caps->foldersOpen || !caps->readFolder) return 0;
  int result = caps->readFolder(fs, cluster);
  if (result) fs->currentDirectory = static_cast<std::int32_t>(cluster);
  return result ? 1 : 0;
}

std::uint8_t* ReadClusterByType(std::uint32_t cluster) {
  const FsCapabilities* caps = CurrentCapabilities();
  FATVOLUMERECORD* rec = CurrentFatRecord(m_pFileSystem);
  if (!rec || !caps->clusterReads) return nullptr;
  return ReadCluster(rec, cluster);
}

int IsClusterInRange(std::int64_t cluster) {
  const FsCapabilities* caps = CurrentCapabilities();
  FATVOLUMERECORD* rec = CurrentFatRecord(m_pFileSystem);
  if (!rec || !caps->clusterReads) return 0;
  return cluster >= 0 && cluster <= rec->geometry.lastCluster ? 1 : 0;
}

std::int64_t GetClusterChainLength(std::uint32_t firstCluster, std::int64_t fileSize) {
  const FsCapabilities* caps = CurrentCapabilities();
  if (!caps || !caps->chainLength) return -1;
  std::int64_t n = caps->chainLength(m_pFileSystem, firstCluster, fileSize);
  return n < 0 ? -2 : n;
}

std::uint32_t GetFileSystemType() { return m_pFileSystem ? m_pFileSystem->typeCode : 0; }

std::u16string FileSystemNameOfType(std::uint32_t typeCode) {
  const FsCapabilities* caps = CapabilitiesOf(typeCode);
  return caps ? caps->name : u"UNKNOWN";
}

std::u16string GetFileSystemName(const FILESYSTEMOBJ* fs) {
  return FileSystemNameOfType(fs ? fs->typeCode : kFsUnknown);
}

std::int64_t GetFatFileSize(std::uint32_t firstCluster, std::int64_t fileSize) {
  const FsCapabilities* caps = CurrentCapabilities();
  if (!caps || !caps->fileSize) return -1;
  return caps->fileSize(m_pFileSystem, firstCluster, fileSize);
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
