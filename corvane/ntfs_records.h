// The record the NTFS search builds for each file of the master file table, and the time types
// it carries. Other deliverables read g_pNtfsEntries at a stride of sizeof(NTFSFILEENTRY).
#pragma once

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
// Calendar time, field for field as the display modules format it.
struct SYSTEMTIME {
  std::uint16_t wYear;          // 0
  std::uint16_t wMonth;         // 2: 1..12
  std::uint16_t wDayOfWeek;     // 4: 0 Sunday .. 6 Saturday
  std::uint16_t wDay;           // 6: 1..31
  std::uint16_t wHour;          // 8
  std::uint16_t wMinute;        // 10
  std::uint16_t wSecond;        // 12
  std::uint16_t wMilliseconds;  // 14
};
static_assert(sizeof(SYSTEMTIME) == 16);

// A FILETIME (100-ns ticks since 1601, UTC) kept high half first.
struct NTFSFILETIME {
  std::uint32_t high;  // 0
  std::uint32_t low;   // 4
  std::uint64_t Value() const { return (static_cast<std::uint64_t>(high) << 32) | low; }
};
static_assert(sizeof(NTFSFILETIME) == 8);

// Characters the name field holds (NUL included) and the most the search writes.
inline constexpr std::size_t kNtfsNameCapacity = 1024;
inline constexpr std::size_t kNtfsNameMaxChars = 260;

// One found file. The leading pointer is native, so the stride is 2232 bytes here.
struct NTFSFILEENTRY {
  void* owned;                       // 0: heap block owned by the entry; the search leaves it null
  char16_t name[kNtfsNameCapacity];  // 8: NUL-terminated, at most 260 characters written
  std::int64_t firstCluster;         // 2056: LCN of VCN 0 of the unnamed $DATA; 1 resident; 0 none
  std::int32_t firstClusterValid;    // 2064: 1 when the record has an unnamed $DATA
  std::int64_t firstSector;          // 2068: firstCluster x sectors per cluster
  std::int32_t firstSectorValid;     // 2076
  std::int64_t lastVcn;              // 2080: last VCN of the unnamed $DATA; 0 resident or none
  std::int32_t lastVcnValid;         // 2088
  std::uint8_t reserved[12];         // 2092: zero
  std::int64_t dataSize;             // 2104: size of the unnamed $DATA value
  std::int64_t allocatedSize;        // 2112: its allocated size (resident: value length)
  std::int64_t recordNumber;         // 2120: MFT record number
  std::int64_t parentRecordNumber;   // 2128: 48-bit record number of the $FILE_NAME's parent
  std::int32_t deleted;              // 2136: 1/0
  std::int32_t folder;               // 2140: 1/0
  std::uint32_t fileAttributes;      // 2144: $STANDARD_INFORMATION flags
  std::int32_t compressed;           // 2148: 1/0
  std::int32_t encrypted;            // 2152: 1/0
  std::int32_t sparse;               // 2156: 1/0
  NTFSFILETIME creationTime;         // 2160: UTC, from the $FILE_NAME used
  NTFSFILETIME accessTime;           // 2168
  NTFSFILETIME modificationTime;     // 2176
  SYSTEMTIME localCreationTime;      // 2184: UTC + 9 hours
  SYSTEMTIME localAccessTime;        // 2200
  SYSTEMTIME localModificationTime;  // 2216
};

// The block a damaged entry owns (its `owned` pointer): why its record could not be read whole.
// Released with the array like any owned block.
struct NTFSENTRYNOTE {
  std::uint32_t tag;      // 0: kNtfsEntryNoteTag
  char16_t text[252];     // 4: NUL-terminated
};
#pragma pack(pop)
inline constexpr std::uint32_t kNtfsEntryNoteTag = 0x45544F4E;  // "NOTE"
static_assert(sizeof(NTFSENTRYNOTE) == 508);
static_assert(sizeof(void*) == 8, "the record layout assumes a 64-bit build");
static_assert(sizeof(NTFSFILEENTRY) == 2232);
static_assert(offsetof(NTFSFILEENTRY, name) == 8);
static_assert(offsetof(NTFSFILEENTRY, firstCluster) == 2056);
static_assert(offsetof(NTFSFILEENTRY, reserved) == 2092);
static_assert(offsetof(NTFSFILEENTRY, dataSize) == 2104);
static_assert(offsetof(NTFSFILEENTRY, deleted) == 2136);
static_assert(offsetof(NTFSFILEENTRY, creationTime) == 2160);
static_assert(offsetof(NTFSFILEENTRY, localCreationTime) == 2184);
static_assert(offsetof(NTFSFILEENTRY, localModificationTime) == 2216);
