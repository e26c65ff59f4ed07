// The current-volume object and the facade that routes each request by the capability row of
// its file-system type (corvane/capabilities.h).
//
// One FILESYSTEMOBJ describes the volume being worked on; m_pFileSystem points to it. The facade
// owns the engine's process-wide buffers (boot copies, allocation tables, entry arrays) and
// releases them when a drive is closed or another is opened. Nothing here takes a lock: callers
// never free or reopen the volume while a scan or a save reads it.
#pragma once

#include <cstdint>
#include <string>

#include "corvane/sectors.h"
#include "platform/volume_io.h"

// File-system type codes, shared with the display modules.
inline constexpr std::uint32_t kFsFat12 = 1;
inline constexpr std::uint32_t kFsFat16 = 2;
inline constexpr std::uint32_t kFsFat32 = 3;
inline constexpr std::uint32_t kFsNtfs = 4;
inline constexpr std::uint32_t kFsExfat = 6;
inline constexpr std::uint32_t kFsCdfs = 7;
inline constexpr std::uint32_t kFsUdf = 16;
inline constexpr std::uint32_t kFsPending = 252;
inline constexpr std::uint32_t kFsUnknown = 255;

// What each type supports is in corvane/capabilities.h.
inline bool IsFatType(std::uint32_t t) { return t == kFsFat12 || t == kFsFat16 || t == kFsFat32; }

// Volume geometry filled by the boot-area analysis, in this order.
struct VOLUMEGEOMETRY {
  std::uint32_t reservedSectors;   // first sector of FAT 1
  std::uint32_t lastSector;        // last sector of the volume
  std::uint32_t fat1First;
  std::uint32_t fat1Last;
  std::uint32_t fat2First;         // 0 when the volume has one FAT
  std::uint32_t fat2Last;
  std::uint32_t rootFirst;         // fixed root directory (FAT12/16); 0 otherwise
  std::uint32_t rootLast;
  std::uint32_t rootSectors;
  std::uint32_t firstDataSector;
  std::uint32_t lastSector2;       // last sector of the volume, again
  std::uint32_t firstCluster;
  std::uint32_t lastCluster;
};
static_assert(sizeof(VOLUMEGEOMETRY) == 13 * 4);

// Per-type record of FAT12, FAT16, FAT32 and exFAT volumes (FAT12/16 leave the second reader
// unused; exFAT reads through the second reader).
struct FATVOLUMERECORD {
  CReadWriteSectors reader;
  VOLUMEGEOMETRY geometry;
  std::int32_t ntFlag;
  platform::Handle volumeHandle;
  std::uint32_t driveNumber;
  std::uint32_t typeCode;
  std::uint8_t* clusterBuffer;     // the cluster last read
  CReadWriteSectors reader2;       // allocation table and directory runs
  std::uint32_t dirBytes;          // byte size of the directory last read
  std::uint32_t dirSlots;          // its 32-byte slot count
  std::uint8_t* dirBuffer;         // its bytes
  std::uint32_t bytesPerSector;
};

struct NTFSVOLUMERECORD;  // corvane/ntfs_volume.h

struct FILESYSTEMOBJ {
  std::int32_t currentDirectory;   // -1 FAT12/16 root, 2 FAT32 root, 5 NTFS root, 0 exFAT root
  std::int32_t previousDirectory;
  std::uint32_t typeCode;
  char driveLetter;
  std::int32_t state;
  void* buffer;                    // spare owned block
  FATVOLUMERECORD* fat12;
  FATVOLUMERECORD* fat16;
  FATVOLUMERECORD* fat32;
  FATVOLUMERECORD* exfat;
  NTFSVOLUMERECORD* ntfs;
  std::int32_t ntFlag;
  std::uint32_t driveNumber;
  platform::Handle volumeHandle;
  VOLUMEGEOMETRY geometry;
  std::uint32_t bytesPerSector;    // from the boot record; 512 until it is read
  std::uint64_t volumeBytes;       // real length of the opened volume
};

// Engine globals of the current volume.
struct FATDIRENTRY;
struct EXFATFILEENTRY;
struct NTFSFILEENTRY;
struct BOOTRECORD;
struct NTFSBOOTRECORD;

extern FILESYSTEMOBJ* m_pFileSystem;
extern BOOTRECORD* g_pBootRecord;
extern NTFSBOOTRECORD* g_pNtfsBootRecord;
extern std::uint8_t* g_pExfatBootRecord;
extern std::uint16_t* g_pFat12Table;
extern std::uint16_t* g_pFat16Table;
extern std::uint32_t* g_pFat32Table;
extern std::uint32_t g_dwFatTableEntries;  // element count of the loaded allocation table
extern FATDIRENTRY* g_pFatDirEntries;
extern EXFATFILEENTRY* g_pExfatEntries;
extern NTFSFILEENTRY* g_pNtfsEntries;
extern std::uint32_t g_dwLFNDirEntry;      // entries in whichever array is current
extern std::uint32_t g_dwNtfsEntryCount;   // entries in g_pNtfsEntries
extern std::uint32_t g_dwExfatEntryCount;  // entries in g_pExfatEntries
extern std::uint32_t g_dwFatDirEntryCount; // entries in g_pFatDirEntries
extern int g_bNtfsVolume;

// The shell's records that live with the volume (folder-tree work buffer, category array, list
// items). The shell installs a releaser; the facade calls it wherever it frees engine state.
using ShellRecordReleaser = void (*)();
void SetShellRecordReleaser(ShellRecordReleaser releaser);

// Runs the NTFS search for ReadRootDirectory. The shell installs one that shows its scan
// dialog; without it the search runs on the calling thread.
using NtfsRootScanner = int (*)(FILESYSTEMOBJ* fs);
void SetNtfsRootScanner(NtfsRootScanner scanner);
// The installed scanner, else the search on the calling thread.
int ScanNtfsRoot(FILESYSTEMOBJ* fs);

void ResetFileSystem(FILESYSTEMOBJ* fs);
void InitFileSystem(FILESYSTEMOBJ* fs, char driveLetter);
int OpenFileSystem(FILESYSTEMOBJ* fs);
void FreeFileSystem(FILESYSTEMOBJ* fs);
int ReadRootDirectory(FILESYSTEMOBJ* fs);
int ReadDirectory(std::uint32_t firstCluster);
std::uint8_t* ReadClusterByType(std::uint32_t cluster);
int IsClusterInRange(std::int64_t cluster);
std::int64_t GetClusterChainLength(std::uint32_t firstCluster, std::int64_t fileSize);
std::uint32_t GetFileSystemType();
std::u16string GetFileSystemName(const FILESYSTEMOBJ* fs);
std::u16string FileSystemNameOfType(std::uint32_t typeCode);
std::int64_t GetFatFileSize(std::uint32_t firstCluster, std::int64_t fileSize);
int LoadFatTable(FILESYSTEMOBJ* fs);

// Recovery methods of FAT files: follow the chain, take clusters upward from the first one,
// or read the given sectors.
inline constexpr int kFatRecoverBasic = 0;
inline constexpr int kFatRecoverLinear = 1;
inline constexpr int kFatRecoverSector = 2;
// Saves one FAT file into saveFolder: 1 saved, 0 failed. deleted says that clusters in use belong
// to other files: a deleted file whose first cluster is in use is refused, and the linear method
// passes over such clusters; firstSector and sectorCount serve the sector method
// (sectorCount 0: as many sectors as the size needs). control (corvane/save_control.h, may be
// null) is asked after every run of clusters whether to stop, and learns why a save failed.
struct SaveControl;
int RecoverFatFile(std::uint32_t firstCluster, std::u16string fileName, std::u16string saveFolder,
                   std::uint32_t fileSize, int method = kFatRecoverBasic, int deleted = 0,
                   std::uint64_t firstSector = 0, std::uint32_t sectorCount = 0,
                   SaveControl* control = nullptr);
void StoreGeometry(FILESYSTEMOBJ* fs);

// The per-type record of the current FAT-family type, or null.
FATVOLUMERECORD* CurrentFatRecord(const FILESYSTEMOBJ* fs);

// Frees every process-wide engine buffer (not the per-type records) and resets the counts.
void ReleaseEngineBuffers();
