// The rows of the partition page: every entry of a disk's partition tables as a row, read by a
// pure walk over a read callback. MBR entries come first, then each extended boot record's
// entries (its logical partition relative to the record, its link relative to the start of the
// first extended partition), one level deeper per record; a GPT disk shows its protective entry,
// then each GPT entry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/partition_table.h"

namespace platform {

// What the walk needs to know of the disk.
struct DiskShape {
  int number = 0;
  std::uint64_t bytes = 0;        // real length
  std::uint32_t sectorSize = 512;  // unit of the MBR's LBA fields
  std::uint32_t heads = 0;         // geometry for CHS values whose own divisors are 0
  std::uint32_t sectorsPerTrack = 0;
};

struct PartitionRow {
  int disk = 0;
  int level = 0;              // 0 for the MBR's entries, n for the nth extended record or GPT entries
  bool gpt = false;           // an entry of the GPT array
  bool link = false;          // an extended record's link to the next record
  std::uint8_t bootFlag = 0;
  std::uint8_t type = 0;      // MBR type byte; 0 for GPT entries
  std::u16string name;        // type name, GPT name or GPT type GUID (no indentation)
  std::uint64_t tableLba = 0;  // sector of the table that holds the entry
  std::uint64_t first = 0;    // absolute first sector
  std::uint64_t last = 0;     // absolute last sector (first + count - 1)
  std::uint64_t count = 0;    // sectors
  std::uint64_t bytes = 0;    // count x sector size
  std::uint64_t startC = 0, endC = 0;  // cylinders (1023 replaced from the LBA values)
  std::uint32_t startH = 0, startS = 0, endH = 0, endS = 0;
  bool pastEnd = false;       // the entry reaches past the disk's end
};

struct PartitionRowScan {
  std::vector<PartitionRow> rows;
  std::vector<std::string> notes;  // where the walk stopped early and why
};

// Walks the tables of one disk. Reads are 512 bytes at byte offsets (sector x sector size).
PartitionRowScan ListPartitionRows(const DiskReader& read, const DiskShape& disk);

// The first name of an MBR type, "Unknown (0x%02X)" when the type has none.
std::u16string PartitionTypeName(std::uint8_t type);
// Types the page shows as extended ("확장").
bool IsExtendedRowType(std::uint8_t type);

// Column texts of a row.
std::u16string RowStatusText(const PartitionRow& row);  // "범위 초과", "부팅" or empty
std::u16string RowFormText(const PartitionRow& row);    // "확장" or "기본/논리"
std::u16string RowTypeText(const PartitionRow& row);    // "0x%02X", or "GPT"
std::u16string RowIndentedName(const PartitionRow& row);  // one blank per level, then the name

}  // namespace platform
