// The record that the exFAT reader builds for each file entry set of the root directory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#pragma pack(push, 1)
// One entry of g_pExfatEntries: a File entry with its Stream Extension and File Name entries.
struct EXFATFILEENTRY {
  std::uint32_t reserved;           // 0: always 0
  std::int32_t deleted;             // 4: 1 when the File entry's in-use bit is clear (0x05)
  std::int32_t folder;              // 8: directory attribute bit (0x10) set
  std::uint16_t setChecksum;        // 12: as stored, not verified
  std::uint32_t attributes;         // 14: the 16-bit attributes, widened
  std::uint8_t secondaryFlags;      // 18: stream flags; bit 1 set means contiguous, no chain
  std::uint32_t createTimestamp;    // 19: exFAT timestamp, as stored
  std::uint32_t modifiedTimestamp;  // 23
  std::uint32_t accessedTimestamp;  // 27
  std::uint8_t create10ms;          // 31: create 10-ms increment
  std::uint32_t firstCluster;       // 32: from the Stream Extension
  std::uint64_t validDataLength;    // 36
  std::uint64_t dataLength;         // 44
  char16_t name[1024];              // 52: assembled name, zero-terminated
};
#pragma pack(pop)
static_assert(sizeof(EXFATFILEENTRY) == 2100);
static_assert(offsetof(EXFATFILEENTRY, name) == 52);

// Packed record: read and write the name by bytes, never through a char16_t*.
inline std::u16string ExfatNameOf(const EXFATFILEENTRY& e) {
  char16_t name[1024];
  std::memcpy(name, reinterpret_cast<const unsigned char*>(&e) + offsetof(EXFATFILEENTRY, name), sizeof name);
  name[1023] = 0;
  return name;
}
inline void SetExfatName(EXFATFILEENTRY* e, const char16_t* units, std::size_t count) {
  char16_t* name = new char16_t[1024]();
  std::memcpy(name, units, (count < 1023 ? count : 1023) * sizeof(char16_t));
  std::memcpy(reinterpret_cast<unsigned char*>(e) + offsetof(EXFATFILEENTRY, name), name, 1024 * sizeof(char16_t));
  delete[] name;
}
