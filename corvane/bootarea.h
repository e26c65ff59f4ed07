// Boot area of a volume: which file system it holds and the geometry every FAT and exFAT routine
// computes with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "corvane/filesystem.h"
#include "platform/boot_sector.h"

#pragma pack(push, 1)
// Packed copy of a FAT boot parameter block. Offsets are those of the copy; the comment names
// the boot-sector offset (FAT12/16, FAT32) each field comes from.
struct BOOTRECORD {
  std::uint8_t jump[3];             // 0: 0
  char oemName[8];                  // 3: 3
  std::uint16_t bytesPerSector;     // 11: 11
  std::uint8_t sectorsPerCluster;   // 13: 13
  std::uint16_t reservedSectors;    // 14: 14
  std::uint8_t numberOfFats;        // 16: 16
  std::uint16_t rootEntries;        // 17: 17 (FAT12/16)
  std::uint16_t totalSectors16;     // 19: 19 (FAT12/16)
  std::uint8_t media;               // 21: 21
  std::uint16_t sectorsPerFat16;    // 22: 22 (FAT12/16)
  std::uint16_t sectorsPerTrack;    // 24: 24
  std::uint16_t heads;              // 26: 26
  std::uint32_t hiddenSectors;      // 28: 28
  std::uint32_t totalSectors32;     // 32: 32
  std::uint8_t driveNumber;         // 36: 36, 64
  std::uint8_t reserved1;           // 37: 37, 65
  std::uint8_t bootSignature;       // 38: 38, 66
  std::uint32_t volumeSerial;       // 39: 39, 67
  char volumeLabel[11];             // 43: 43, 71
  char fileSystemType[8];           // 54: 54, 82
  std::uint32_t sectorsPerFat32;    // 62: 36 (FAT32)
  std::uint16_t extFlags;           // 66: 40 (FAT32)
  std::uint16_t fsVersion;          // 68: 42 (FAT32)
  std::uint32_t rootCluster;        // 70: 44 (FAT32)
  std::uint16_t fsInfoSector;       // 74: 48 (FAT32)
  std::uint16_t backupBootSector;   // 76: 50 (FAT32)
  std::uint8_t reserved2[12];       // 78: 52 (FAT32)
};
static_assert(sizeof(BOOTRECORD) == 90);

// Packed copy of the first 80 bytes of an NTFS boot sector, at the same offsets.
struct NTFSBOOTRECORD {
  std::uint8_t jump[3];             // 0
  char oemName[8];                  // 3
  std::uint16_t bytesPerSector;     // 11
  std::uint8_t sectorsPerCluster;   // 13
  std::uint16_t reservedSectors;    // 14
  std::uint8_t unused16[3];         // 16
  std::uint8_t unused19[2];         // 19
  std::uint8_t media;               // 21
  std::uint16_t words22[3];         // 22: unused, sectors per track, heads
  std::uint32_t dwords28[3];        // 28: hidden sectors, unused, unused
  std::uint64_t totalSectors;       // 40
  std::uint64_t mftCluster;         // 48
  std::uint64_t mftMirrorCluster;   // 56
  std::uint32_t clustersPerRecord;  // 64 (signed byte: negative means 2^-n bytes)
  std::uint32_t clustersPerIndex;   // 68
  std::uint64_t volumeSerial;       // 72
  std::uint8_t pad[4];              // 80: zero
};
static_assert(sizeof(NTFSBOOTRECORD) == 84);
#pragma pack(pop)

// Offsets of the exFAT boot sector fields that the engine reads.
namespace exfatboot {
inline constexpr std::size_t kPartitionOffset = 64;
inline constexpr std::size_t kVolumeLength = 72;
inline constexpr std::size_t kFatOffset = 80;
inline constexpr std::size_t kFatLength = 84;
inline constexpr std::size_t kClusterHeapOffset = 88;
inline constexpr std::size_t kClusterCount = 92;
inline constexpr std::size_t kRootCluster = 96;
inline constexpr std::size_t kSerial = 100;
inline constexpr std::size_t kRevisionMinor = 104;
inline constexpr std::size_t kRevisionMajor = 105;
inline constexpr std::size_t kVolumeFlags = 106;
inline constexpr std::size_t kBytesPerSectorShift = 108;
inline constexpr std::size_t kSectorsPerClusterShift = 109;
inline constexpr std::size_t kNumberOfFats = 110;
inline constexpr std::size_t kDriveSelect = 111;
inline constexpr std::size_t kPercentInUse = 112;
inline constexpr std::size_t kSignature = 510;
}  // namespace exfatboot

// The boot-area texts that the engine shows.
inline constexpr char16_t kMsgBootValuesAbnormal[] =
    u"부트영역의 일부 값이 정상이 아닙니다. (메시지번호: #600002)";
inline constexpr char16_t kMsgUnsupportedDrive[] =
    u"지원하지 않거나 손상된 드라이브입니다. 파일시스템 형식을 지정하십시오.";
inline constexpr char16_t kMsgDiskNotReady[] = u"디스크가 준비되지 않아 부트영역을 읽을 수 없습니다.";
inline constexpr char16_t kMsgCannotReadBoot[] = u"부트영역을 읽을 수 없습니다.";
inline constexpr char16_t kMsgOutOfMemory[] = u"메모리가 부족합니다.";

// Result of the pure layout computation.
struct BootLayout {
  std::uint32_t typeCode = kFsUnknown;
  VOLUMEGEOMETRY geometry{};
  std::uint32_t bytesPerSector = 0;
};

// Copies the FAT parameter block of a 512-byte boot sector; fat32 selects the extension.
void CopyFatBootRecord(const std::uint8_t* sector, bool fat32, BOOTRECORD* out);
void CopyNtfsBootRecord(const std::uint8_t* sector, NTFSBOOTRECORD* out);
void CopyExfatBootRecord(const std::uint8_t* sector, std::uint8_t* out512);

// Writes a copy back at its boot-sector offsets (a 512-byte sector, the rest zero).
void EncodeFatBootRecord(const BOOTRECORD& br, std::uint8_t* sector512);
void EncodeNtfsBootRecord(const NTFSBOOTRECORD& br, std::uint8_t* sector512);

// True when the parameter block has the FAT32 layout (no fixed root, 32-bit FAT size).
bool HasFat32Layout(const BOOTRECORD& br);

// Parses a 512-byte boot sector as the family (platform/boot_sector.h) and turns its layout into
// the geometry and final type code (FAT12/16/32 settled by the boot sector's cluster count).
// volumeBytes is the real length of the volume (0: unknown): the last sector and last cluster
// are bounded by what it holds, so every cluster up to lastCluster lies inside it, and a volume
// that holds no whole cluster of its data area is refused. An exFAT last sector past 2^32 - 1
// saturates to that value. False with the reason (which value broke which limit) when a value is
// unusable.
bool LayoutFromBootSector(platform::BootFamily family, const std::uint8_t* sector512,
                          std::uint64_t volumeBytes, BootLayout* out, std::string* why);

// The same from the per-family copies.
bool ComputeFatLayout(const BOOTRECORD& br, std::uint64_t volumeBytes, BootLayout* out,
                      std::string* why);
bool ComputeExfatLayout(const std::uint8_t* boot, std::uint64_t volumeBytes, BootLayout* out,
                        std::string* why);
// Checks the NTFS values the engine sizes, shifts or divides with.
bool CheckNtfsBoot(const NTFSBOOTRECORD& br, std::string* why);

// Guess of the family from sector 0 when the volume information named none: 2, 3, 4, 6 or 255.
std::uint32_t GuessFileSystemType(const std::uint8_t* sector, std::size_t len);

// Asks the platform for the file system of "X:\": *typeCode becomes 2 ("FAT"), 3 ("FAT32"),
// 4 ("NTFS"), 6 ("exFAT") or 255. Non-zero when a known family was found.
int GetVolumeFileSystemName(const char* rootPath, std::uint32_t* typeCode);
int ReadBootSector(FILESYSTEMOBJ* fs);
int AnalyzeBootArea(FILESYSTEMOBJ* fs);
