#include "platform/partition_table.h"

#include <cstring>
#include <set>

#include "platform/endian.h"

namespace platform {
namespace {

bool FitsDisk(std::uint64_t offset, std::uint64_t length, std::uint64_t disk) {
  return length != 0 && offset <= disk && length <= disk - offset;
}

bool ScanGpt(const DiskReader& read, std::uint64_t disk, std::uint32_t diskSector,
             PartitionScan& scan) {
  const std::uint32_t other = diskSector == 512 ? 4096 : 512;
  for (std::uint64_t sectorSize : {std::uint64_t{diskSector}, std::uint64_t{other}}) {
    std::uint8_t header[512];
    if (!read(sectorSize, header, sizeof header)) continue;
    if (!HasGptSignature(header)) continue;
    const GptArray array = LocateGptArray(header, disk, static_cast<std::uint32_t>(sectorSize));
    if (!array.problem.empty()) {
      scan.notes.push_back(array.problem);
      return true;
    }
    if (array.count == 0) return true;  // a table without entries
    std::vector<std::uint8_t> entries(array.bytes);
    if (!read(array.lba * sectorSize, entries.data(), entries.size())) {
      scan.notes.push_back("GPT entry array cannot be read");
      return true;
    }
    static const std::uint8_t kZero[16] = {};
    for (std::uint32_t i = 0; i < array.count; ++i) {
      const std::uint8_t* e = entries.data() + static_cast<std::size_t>(i) * array.entrySize;
      if (std::memcmp(e, kZero, 16) == 0) continue;
      std::uint64_t first = Le64(e + 32);
      std::uint64_t last = Le64(e + 40);
      if (last < first || first > disk / sectorSize || last >= disk / sectorSize) {
        scan.notes.push_back("GPT entry " + std::to_string(i) + " lies outside the disk");
        continue;
      }
      scan.partitions.push_back({first * sectorSize, (last - first + 1) * sectorSize, 0xEE, false});
    }
    return true;
  }
  return false;
}

// What the walks of every extended entry of one table share: records read and logical
// partitions found, so that two entries over the same area list its partitions once.
struct ExtendedWalk {
  std::set<std::uint64_t> visited;
  int logicals = 0;
};

void ScanExtendedChain(const DiskReader& read, std::uint64_t disk, std::uint32_t sectorSize,
                       std::uint64_t extFirst, std::uint64_t extLength, PartitionScan& scan,
                       ExtendedWalk& walk) {
  std::set<std::uint64_t>& visited = walk.visited;
  int& logicals = walk.logicals;
  std::uint64_t ebr = extFirst;  // sector number of the current extended boot record
  for (int n = 0; n < kMaxLogicalPartitions; ++n) {
    if (!visited.insert(ebr).second) {
      scan.notes.push_back((n == 0 ? "extended partition repeats the records from sector "
                                   : "extended chain loops back to sector ") +
                           std::to_string(ebr));
      return;
    }
    if (ebr < extFirst || ebr - extFirst >= extLength) {
      scan.notes.push_back("extended chain leaves the extended partition at sector " +
                           std::to_string(ebr));
      return;
    }
    std::uint8_t sector[512];
    if (!read(ebr * sectorSize, sector, sizeof sector) || !HasBootSignature(sector)) {
      scan.notes.push_back("extended boot record at sector " + std::to_string(ebr) + " is unreadable");
      return;
    }
    // Every entry that is neither empty nor extended is a logical partition, its start relative
    // to this record; the first extended entry links to the next record, relative to the
    // extended partition's start.
    bool linked = false;
    std::uint64_t next = 0;
    for (int i = 0; i < 4; ++i) {
      const MbrEntry e = MbrEntryAt(sector, i);
      if (e.type == 0 || e.sectors == 0) continue;
      if (IsExtendedType(e.type)) {
        if (!linked) next = extFirst + e.firstLba;
        linked = true;
        continue;
      }
      if (logicals == kMaxLogicalPartitions) {
        scan.notes.push_back("more than " + std::to_string(kMaxLogicalPartitions) +
                             " logical partitions");
        return;
      }
      // The start is multiplied only once it is known to lie on the disk.
      const std::uint64_t first = ebr + e.firstLba;
      const bool onDisk = first <= disk / sectorSize;
      std::uint64_t off = onDisk ? first * sectorSize : 0;
      std::uint64_t len = std::uint64_t{e.sectors} * sectorSize;
      if (onDisk && FitsDisk(off, len, disk)) {
        scan.partitions.push_back({off, len, e.type, true});
        ++logicals;
      } else {
        scan.notes.push_back("logical partition at sector " + std::to_string(ebr) +
                             " reaches past the disk");
      }
    }
    if (!linked) return;
    ebr = next;
  }
  scan.notes.push_back("extended chain longer than " + std::to_string(kMaxLogicalPartitions));
}

}  // namespace

bool IsExtendedType(std::uint8_t type) { return type == 0x05 || type == 0x0F || type == 0x85; }

MbrEntry MbrEntryAt(const std::uint8_t* sector, int index) {
  const std::uint8_t* e = sector + 446 + 16 * index;
  return {e[0], {e[1], e[2], e[3]}, e[4], {e[5], e[6], e[7]}, Le32(e + 8), Le32(e + 12)};
}

bool HasBootSignature(const std::uint8_t* sector) {
  return sector[510] == 0x55 && sector[511] == 0xAA;
}

bool HasGptSignature(const std::uint8_t* header) { return std::memcmp(header, "EFI PART", 8) == 0; }

GptArray LocateGptArray(const std::uint8_t* header, std::uint64_t diskLength,
                        std::uint32_t sectorSize) {
  GptArray a;
  a.lba = Le64(header + 72);
  a.count = Le32(header + 80);
  a.entrySize = Le32(header + 84);
  if (a.entrySize < 128 || a.entrySize > 4096 || a.count > 1024) {
    a.problem = "GPT header has an unusable entry size or count";
    return a;
  }
  a.bytes = std::uint64_t{a.count} * a.entrySize;
  const std::uint64_t sectors = sectorSize ? diskLength / sectorSize : 0;
  if (a.lba >= sectors || a.bytes > (sectors - a.lba) * sectorSize)
    a.problem = "GPT entry array lies past the end of the disk";
  return a;
}

PartitionScan ScanPartitionTable(const DiskReader& read, std::uint64_t disk,
                                 std::uint32_t sectorSize) {
  PartitionScan scan;
  if (sectorSize == 0) sectorSize = 512;
  std::uint8_t mbr[512];
  if (!read(0, mbr, sizeof mbr) || !HasBootSignature(mbr)) return scan;
  for (int i = 0; i < 4; ++i) {
    std::uint8_t status = MbrEntryAt(mbr, i).status;
    if (status != 0 && status != 0x80) return scan;  // boot code, not a table
  }
  scan.hasTable = true;
  bool protective = false;
  for (int i = 0; i < 4; ++i) protective = protective || MbrEntryAt(mbr, i).type == 0xEE;
  if (protective && ScanGpt(read, disk, sectorSize, scan)) return scan;

  std::vector<MbrEntry> extended;
  for (int i = 0; i < 4; ++i) {
    MbrEntry e = MbrEntryAt(mbr, i);
    if (e.type == 0 || e.sectors == 0) continue;
    std::uint64_t off = std::uint64_t{e.firstLba} * sectorSize;
    std::uint64_t len = std::uint64_t{e.sectors} * sectorSize;
    if (!FitsDisk(off, len, disk)) {
      scan.notes.push_back("partition " + std::to_string(i + 1) + " reaches past the disk");
      continue;
    }
    if (IsExtendedType(e.type))
      extended.push_back(e);
    else
      scan.partitions.push_back({off, len, e.type, false});
  }
  ExtendedWalk walk;
  for (const MbrEntry& e : extended)
    ScanExtendedChain(read, disk, sectorSize, e.firstLba, e.sectors, scan, walk);
  return scan;
}

}  // namespace platform
