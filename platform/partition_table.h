// Partition tables of a disk or disk image: MBR with its extended chain, or GPT behind a
// protective MBR. Pure parsing over a read callback, so every rule can be tested on bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

struct PartitionRange {
  std::uint64_t offset = 0;  // bytes from the start of the disk
  std::uint64_t length = 0;  // bytes
  std::uint8_t type = 0;     // MBR type byte (0xEE entries are replaced by the GPT's)
  bool logical = false;      // inside the extended partition
};

// Reads len bytes at a byte offset of the disk; false when that cannot be done.
using DiskReader = std::function<bool(std::uint64_t offset, void* buffer, std::size_t len)>;

struct PartitionScan {
  bool hasTable = false;                // a valid MBR signature (or GPT) was found
  std::vector<PartitionRange> partitions;  // in table order: primaries, then logicals
  std::vector<std::string> notes;       // what was skipped and why (loops, out-of-range entries)
};

inline constexpr int kMaxLogicalPartitions = 128;

// One 16-byte entry of a master or extended boot record (at byte 446 + 16 x index).
struct MbrEntry {
  std::uint8_t status = 0;        // boot flag: 0x00 or 0x80 in a table
  std::uint8_t chsStart[3] = {};  // head, sector (cylinder bits 8-9 on top), cylinder bits 0-7
  std::uint8_t type = 0;
  std::uint8_t chsEnd[3] = {};
  std::uint32_t firstLba = 0;     // relative to the entry's base
  std::uint32_t sectors = 0;
};

MbrEntry MbrEntryAt(const std::uint8_t* sector, int index);

// 55 AA at the end of a 512-byte boot record.
bool HasBootSignature(const std::uint8_t* sector);

// "EFI PART" at the start of a 512-byte GPT header.
bool HasGptSignature(const std::uint8_t* header);

// The entry array that a GPT header points at.
struct GptArray {
  std::uint64_t lba = 0;        // first sector of the array
  std::uint32_t count = 0;
  std::uint32_t entrySize = 0;
  std::uint64_t bytes = 0;      // count x entry size
  std::string problem;          // why the array cannot be used; empty when it can
};

// Checks a GPT header's array fields on a disk of diskLength bytes in sectors of sectorSize: an
// entry size of 128 to 4096 bytes, at most 1024 entries, and the whole array inside the disk.
GptArray LocateGptArray(const std::uint8_t* header, std::uint64_t diskLength,
                        std::uint32_t sectorSize);

// Walks the partition table of a disk of diskLength bytes whose MBR and EBR LBAs count sectors of
// sectorSize bytes (0 means 512); a GPT is looked for in that sector size, then in 4096 (512 for
// other sizes). Every non-empty, non-extended entry of an extended boot record is a logical
// partition; the record's first extended entry links to the next one. Entries that reach past the
// disk are skipped; a looping or out-of-range extended chain ends cleanly.
PartitionScan ScanPartitionTable(const DiskReader& read, std::uint64_t diskLength,
                                 std::uint32_t sectorSize = 512);

bool IsExtendedType(std::uint8_t type);

}  // namespace platform
