// The directory record that the FAT scanner builds for each file, folder or label.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#pragma pack(push, 1)
// One entry of g_pFatDirEntries: a short entry with the long-name slots in front of it. Live and
// erased entries alike; fields the scanner does not reach stay zero.
struct FATDIRENTRY {
  std::uint32_t firstSlot;          // 0: 1-based index of the first slot (first long-name slot or the short entry)
  std::uint32_t lastSlot;           // 4: 1-based index of the short entry
  std::int32_t deleted;             // 8: 1 when the short entry is erased
  std::int32_t hasLongName;         // 12: 1 when long-name slots belong to the entry
  std::int32_t longNameLive;        // 16: 1 when those slots are not erased
  std::int32_t directory;           // 20: attribute has 0x10 or 0x08
  std::int32_t volumeLabel;         // 24: attribute has 0x08
  std::int32_t hasExtension;        // 28: first extension byte is not a blank
  std::int32_t valid;               // 32: first cluster lies within 0 .. last cluster number
  std::uint32_t firstCluster;       // 36: high word << 16 | low word
  std::uint16_t createYear;         // 40
  std::uint16_t createMonth;        // 42
  std::uint16_t createDay;          // 44
  std::uint16_t createHour;         // 46
  std::uint16_t createMinute;       // 48
  std::uint16_t createSecond;       // 50
  std::uint16_t accessYear;         // 52
  std::uint16_t accessMonth;        // 54
  std::uint16_t accessDay;          // 56
  std::uint16_t modifyYear;         // 58
  std::uint16_t modifyMonth;        // 60
  std::uint16_t modifyDay;          // 62
  std::uint16_t modifyHour;         // 64
  std::uint16_t modifyMinute;       // 66
  std::uint16_t modifySecond;       // 68
  char extension[4];                // 70: non-blank extension bytes, zero-terminated
  char shortName[13];               // 74: base, '.', extension in OEM bytes, zero-terminated
  std::uint8_t attribute;           // 87
  std::uint8_t reserved;            // 88: byte 12 of the short entry
  std::uint8_t createHundredths;    // 89: 0..99
  std::uint32_t size;               // 90
  std::uint8_t lfnOrdinal;          // 94: ordinal of the long-name slot next to the short entry
  char16_t longName[256];           // 95: up to 255 UTF-16 units, zero-terminated
  std::uint8_t lfnAttribute;        // 607: byte 11 of that slot
  std::uint8_t lfnType;             // 608: byte 12
  std::uint8_t lfnChecksum;         // 609: byte 13
  std::uint16_t lfnCluster;         // 610: first cluster word of that slot
};
#pragma pack(pop)
static_assert(sizeof(FATDIRENTRY) == 612);
static_assert(offsetof(FATDIRENTRY, longName) == 95);
static_assert(offsetof(FATDIRENTRY, lfnCluster) == 610);

// The long name sits at an odd offset: read and write it by bytes, never through a char16_t*.
inline std::u16string LongNameOf(const FATDIRENTRY& e) {
  char16_t name[256];
  std::memcpy(name, reinterpret_cast<const unsigned char*>(&e) + offsetof(FATDIRENTRY, longName), sizeof name);
  name[255] = 0;
  return name;
}
inline void SetLongName(FATDIRENTRY* e, const char16_t* units, std::size_t count) {
  char16_t name[256] = {};
  std::memcpy(name, units, (count < 255 ? count : 255) * sizeof(char16_t));
  std::memcpy(reinterpret_cast<unsigned char*>(e) + offsetof(FATDIRENTRY, longName), name, sizeof name);
}
