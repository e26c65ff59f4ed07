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

// Walks the partition table of a disk of diskLength bytes with 512-byte sectors (4096 where the
// GPT header says so). Every non-empty, non-extended entry of an extended boot record is a logical
// partition; the record's first extended entry links to the next one. Entries that reach past the
// disk are skipped; a looping or out-of-range extended chain ends cleanly.
PartitionScan ScanPartitionTable(const DiskReader& read, std::uint64_t diskLength);

bool IsExtendedType(std::uint8_t type);

}  // namespace platform
