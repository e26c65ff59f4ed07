#include "platform/partition_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <regex>
#include <tuple>
#include <utility>

#include "platform/endian.h"
#include "platform/volume_io.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Fixture;

platform::PartitionScan ScanImage(const std::string& name) {
  platform::Handle h = platform::OpenRange(Fixture(name), 0, 0);
  EXPECT_NE(h, platform::kInvalidHandle) << name;
  auto scan = platform::ScanPartitionTable(
      [h](std::uint64_t off, void* buf, std::size_t len) { return platform::ReadAt(h, off, buf, len); },
      platform::HandleLength(h));
  platform::CloseHandle(h);
  return scan;
}

struct Range {
  std::uint64_t startSector, sectors;
  bool logical;
};

void ExpectRanges(const platform::PartitionScan& scan, const std::vector<Range>& want,
                  std::uint64_t sectorSize = 512) {
  ASSERT_EQ(scan.partitions.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(scan.partitions[i].offset, want[i].startSector * sectorSize) << i;
    EXPECT_EQ(scan.partitions[i].length, want[i].sectors * sectorSize) << i;
    EXPECT_EQ(scan.partitions[i].logical, want[i].logical) << i;
  }
}

const std::vector<Range> kDiskLayout = {{2048, 16384, false},  {18432, 16384, false},
                                        {34816, 16384, false}, {53248, 16384, true},
                                        {71680, 16384, true},  {90112, 16384, true}};

TEST(PartitionTable, PrimariesThenLogicalsInTableOrder) {
  REQUIRE_FIXTURE("disk.img");
  auto scan = ScanImage("disk.img");
  EXPECT_TRUE(scan.hasTable);
  ExpectRanges(scan, kDiskLayout);
  EXPECT_TRUE(scan.notes.empty());
}

TEST(PartitionTable, LoopingExtendedChainEndsWithANote) {
  REQUIRE_FIXTURE("bad_loop.img");
  auto scan = ScanImage("bad_loop.img");
  // The second logical partition's record links to itself: it is listed once, then the walk stops.
  ExpectRanges(scan, {kDiskLayout.begin(), kDiskLayout.begin() + 5});
  ASSERT_EQ(scan.notes.size(), 1u);
  EXPECT_NE(scan.notes[0].find("loops"), std::string::npos);
}

TEST(PartitionTable, ExtendedLinkPastTheDiskEndsTheChain) {
  REQUIRE_FIXTURE("bad_ext_range.img");
  auto scan = ScanImage("bad_ext_range.img");
  ExpectRanges(scan, {kDiskLayout.begin(), kDiskLayout.begin() + 4});
  EXPECT_FALSE(scan.notes.empty());
}

// The partitions that mmls listed for an image: slot "TTT:EEE" rows other than extended ones,
// with table 0 the primary table.
std::vector<Range> MmlsPartitions(const std::string& listing) {
  static const std::regex kRow(R"(^\d+:\s+(\d+):\d+\s+(\d+)\s+\d+\s+(\d+)\s+(.*)$)");
  std::vector<Range> out;
  for (const std::string& line : testing_support::Lines(listing)) {
    std::smatch m;
    if (!std::regex_match(line, m, kRow) || m[4].str().find("Extended (0x") != std::string::npos)
      continue;
    out.push_back({std::stoull(m[2].str()), std::stoull(m[3].str()), std::stoi(m[1].str()) != 0});
  }
  return out;
}

TEST(PartitionTable, ExtendedRecordsWithSeveralLogicalEntries) {
  // Two extended records hold a second logical entry each: the first before its link, the
  // second after it.
  REQUIRE_FIXTURE("disk_ebr2.img");
  REQUIRE_FIXTURE("disk_ebr2.img.mmls.txt");
  auto scan = ScanImage("disk_ebr2.img");
  EXPECT_TRUE(scan.notes.empty());
  const std::vector<Range> want = {{2048, 8192, false}, {12288, 4096, true}, {16384, 2048, true},
                                   {20480, 8192, true}, {28672, 2048, true}, {32768, 8192, true}};
  ExpectRanges(scan, want);
  // The same partitions as the forensic tool reads them (it lists them by start).
  auto mmls = MmlsPartitions(testing_support::ReadFile(Fixture("disk_ebr2.img.mmls.txt")));
  std::vector<platform::PartitionRange> sorted = scan.partitions;
  std::sort(sorted.begin(), sorted.end(),
            [](const auto& a, const auto& b) { return a.offset < b.offset; });
  ExpectRanges({true, sorted, {}}, mmls);
}

TEST(PartitionTable, GptBehindProtectiveMbr) {
  REQUIRE_FIXTURE("gpt.img");
  auto scan = ScanImage("gpt.img");
  EXPECT_TRUE(scan.hasTable);
  ExpectRanges(scan, {{2048, 4096, false}, {6144, 8192, false}});
}

TEST(PartitionTable, BootSectorIsNoTable) {
  REQUIRE_FIXTURE("base_fat16.img");
  EXPECT_TRUE(ScanImage("base_fat16.img").partitions.empty());
  EXPECT_FALSE(ScanImage("zero.img").hasTable);
}

// Hand-made tables in memory, for entries that a partitioning tool would not write.
struct MemDisk {
  std::vector<std::uint8_t> bytes;
  std::uint32_t sectorSize;
  explicit MemDisk(std::size_t sectors, std::uint32_t sectorSize = 512)
      : bytes(sectors * sectorSize), sectorSize(sectorSize) {}
  void Entry(std::uint64_t sector, int index, std::uint8_t type, std::uint32_t first, std::uint32_t count) {
    std::uint8_t* e = bytes.data() + sector * sectorSize + 446 + 16 * index;
    e[4] = type;
    std::memcpy(e + 8, &first, 4);
    std::memcpy(e + 12, &count, 4);
    bytes[sector * sectorSize + 510] = 0x55;
    bytes[sector * sectorSize + 511] = 0xAA;
  }
  platform::PartitionScan Scan() const {
    return platform::ScanPartitionTable(
        [this](std::uint64_t off, void* buf, std::size_t len) {
          if (off > bytes.size() || len > bytes.size() - off) return false;
          std::memcpy(buf, bytes.data() + off, len);
          return true;
        },
        bytes.size(), sectorSize);
  }
};

TEST(PartitionTable, EntriesPastTheDiskAreSkipped) {
  MemDisk d(100);
  d.Entry(0, 0, 0x06, 10, 20);
  d.Entry(0, 1, 0x06, 50, 0xFFFFFFF0);  // length overflows the disk
  d.Entry(0, 2, 0x06, 0xFFFFFFFF, 1);   // start past the end
  auto scan = d.Scan();
  ASSERT_EQ(scan.partitions.size(), 1u);
  EXPECT_EQ(scan.partitions[0].offset, 10u * 512);
  EXPECT_EQ(scan.notes.size(), 2u);
}

TEST(PartitionTable, ExtendedRecordEntries) {
  // Sector 1 is the extended partition's first record; logical starts count from their record,
  // links from the extended partition's start.
  struct Case {
    const char* what;
    std::vector<std::tuple<int, std::uint8_t, std::uint32_t, std::uint32_t>> first;  // slot, type, start, count
    std::vector<Range> want;
  };
  const std::vector<Case> cases = {
      {"four logical entries, no link",
       {{0, 0x83, 1, 2}, {1, 0x07, 3, 2}, {2, 0x0B, 5, 2}, {3, 0x06, 7, 2}},
       {{2, 2, true}, {4, 2, true}, {6, 2, true}, {8, 2, true}}},
      {"link in the first slot, logical after it",
       {{0, 0x0F, 20, 10}, {1, 0x83, 1, 2}},
       {{2, 2, true}, {31, 4, true}}},
      {"only the first of two links is followed",
       {{0, 0x83, 1, 2}, {1, 0x85, 20, 10}, {2, 0x05, 40, 10}},
       {{2, 2, true}, {31, 4, true}}},
      {"empty and zero-length entries are skipped",
       {{0, 0x00, 1, 2}, {1, 0x83, 3, 0}, {2, 0x83, 5, 2}},
       {{6, 2, true}}},
      {"a logical entry past the disk is skipped, the rest kept",
       {{0, 0x83, 1, 2}, {1, 0x83, 0xFFFFFF00, 2}, {2, 0x83, 5, 2}},
       {{2, 2, true}, {6, 2, true}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MemDisk d(100);
    d.Entry(0, 0, 0x05, 1, 60);
    for (const auto& [slot, type, first, count] : c.first) d.Entry(1, slot, type, first, count);
    d.Entry(21, 0, 0x83, 10, 4);  // the record that the links lead to
    d.Entry(41, 0, 0x83, 10, 4);
    ExpectRanges(d.Scan(), c.want);
  }
}

TEST(PartitionTable, ExtendedEntriesOverTheSameRecordsListThemOnce) {
  // The records: at sector 1 a logical partition and a link to sector 21, at 21 a logical
  // partition, at 41 a logical partition of its own.
  struct Case {
    const char* what;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> extended;  // start, count
    std::vector<Range> want;
    std::size_t notes;
  };
  const std::vector<Case> cases = {
      {"two entries over one area", {{1, 60}, {1, 60}}, {{2, 2, true}, {31, 4, true}}, 1},
      {"the second entry starts at the chain's second record", {{1, 60}, {21, 40}},
       {{2, 2, true}, {31, 4, true}}, 1},
      {"two separate areas", {{1, 30}, {41, 20}}, {{2, 2, true}, {31, 4, true}, {51, 4, true}}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MemDisk d(100);
    for (std::size_t i = 0; i < c.extended.size(); ++i)
      d.Entry(0, static_cast<int>(i), 0x05, c.extended[i].first, c.extended[i].second);
    d.Entry(1, 0, 0x83, 1, 2);
    d.Entry(1, 1, 0x05, 20, 10);
    d.Entry(21, 0, 0x83, 10, 4);
    d.Entry(41, 0, 0x83, 10, 4);
    const platform::PartitionScan scan = d.Scan();
    ExpectRanges(scan, c.want);
    EXPECT_EQ(scan.notes.size(), c.notes);
  }
}

TEST(PartitionTable, GptWithoutEntriesReadsNoEmptyArray) {
  MemDisk d(64);
  d.Entry(0, 0, 0xEE, 1, 63);
  std::uint8_t* h = d.bytes.data() + 512;
  std::memcpy(h, "EFI PART", 8);
  h[72] = 2;    // entry array at sector 2
  h[84] = 128;  // entry size; the count stays 0
  std::size_t emptyReads = 0;
  auto scan = platform::ScanPartitionTable(
      [&](std::uint64_t off, void* buf, std::size_t len) {
        if (len == 0) ++emptyReads;
        if (off > d.bytes.size() || len > d.bytes.size() - off) return false;
        if (len) std::memcpy(buf, d.bytes.data() + off, len);
        return true;
      },
      d.bytes.size());
  EXPECT_TRUE(scan.hasTable);
  EXPECT_TRUE(scan.partitions.empty());
  EXPECT_EQ(emptyReads, 0u);
}

TEST(PartitionTable, LongExtendedChainIsBounded) {
  // Every extended record links to the next one: the walk stops at the bound.
  const int records = platform::kMaxLogicalPartitions + 20;
  MemDisk d(2 + 2 * records);
  d.Entry(0, 0, 0x05, 1, 2 * records);
  for (int i = 0; i < records; ++i) {
    d.Entry(1 + 2 * i, 0, 0x83, 1, 1);
    d.Entry(1 + 2 * i, 1, 0x05, 2 * (i + 1), 2);
  }
  auto scan = d.Scan();
  EXPECT_EQ(scan.partitions.size(), static_cast<std::size_t>(platform::kMaxLogicalPartitions));
}

// The entry-array fields of a GPT header against a disk of 64 sectors of 512 bytes (8 of 4096).
TEST(PartitionTable, GptArrayMustLieInsideTheDisk) {
  struct Case {
    const char* what;
    std::uint32_t sectorSize;
    std::uint64_t lba;
    std::uint32_t count, entrySize;
    const char* problem;  // empty for a usable array
  };
  const char* kPast = "GPT entry array lies past the end of the disk";
  const char* kUnusable = "GPT header has an unusable entry size or count";
  const Case cases[] = {
      {"array ending at the disk's last sector", 512, 32, 128, 128, ""},
      {"array one sector past the end", 512, 33, 128, 128, kPast},
      {"larger entries past the end", 512, 60, 16, 256, kPast},
      {"no entries at the last sector", 512, 63, 0, 128, ""},
      {"no entries past the end", 512, 64, 0, 128, kPast},
      {"start that overflows in bytes", 512, ~std::uint64_t{0}, 4, 128, kPast},
      {"entry size too small", 512, 2, 4, 64, kUnusable},
      {"entry size too large", 512, 2, 1, 8192, kUnusable},
      {"too many entries", 512, 2, 1025, 128, kUnusable},
      {"4096-byte sectors, array inside", 4096, 4, 128, 128, ""},
      {"4096-byte sectors, array past the end", 4096, 5, 128, 128, kPast},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::uint8_t header[512] = {};
    std::memcpy(header, "EFI PART", 8);
    platform::PutLe64(header + 72, c.lba);
    platform::PutLe32(header + 80, c.count);
    platform::PutLe32(header + 84, c.entrySize);
    EXPECT_TRUE(platform::HasGptSignature(header));
    const platform::GptArray a = platform::LocateGptArray(header, 64 * 512, c.sectorSize);
    EXPECT_EQ(a.problem, c.problem);
    if (a.problem.empty()) {
      EXPECT_EQ(a.lba, c.lba);
      EXPECT_EQ(a.count, c.count);
      EXPECT_EQ(a.entrySize, c.entrySize);
      EXPECT_EQ(a.bytes, std::uint64_t{c.count} * c.entrySize);
    }
  }
}

TEST(PartitionTable, GptArrayPastTheDiskIsNotRead) {
  // 32 entries of 128 bytes at sector 60 of 64 would end 4 sectors past the disk.
  MemDisk d(64);
  d.Entry(0, 0, 0xEE, 1, 63);
  std::uint8_t* h = d.bytes.data() + 512;
  std::memcpy(h, "EFI PART", 8);
  platform::PutLe64(h + 72, 60);
  platform::PutLe32(h + 80, 32);
  platform::PutLe32(h + 84, 128);
  std::uint64_t furthest = 0;
  auto scan = platform::ScanPartitionTable(
      [&](std::uint64_t off, void* buf, std::size_t len) {
        furthest = std::max<std::uint64_t>(furthest, off + len);
        if (off > d.bytes.size() || len > d.bytes.size() - off) return false;
        std::memcpy(buf, d.bytes.data() + off, len);
        return true;
      },
      d.bytes.size());
  EXPECT_TRUE(scan.hasTable);
  EXPECT_TRUE(scan.partitions.empty());
  EXPECT_EQ(scan.notes, std::vector<std::string>{"GPT entry array lies past the end of the disk"});
  EXPECT_LE(furthest, d.bytes.size());
}

TEST(PartitionTable, MbrEntryDecodesEveryField) {
  std::uint8_t sector[512] = {};
  const std::uint8_t raw[16] = {0x80, 0x01, 0xC2, 0x03, 0x83, 0xFE, 0xFF, 0xFF,
                                0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00};
  std::memcpy(sector + 446 + 16 * 2, raw, sizeof raw);
  EXPECT_FALSE(platform::HasBootSignature(sector));
  sector[510] = 0x55;
  sector[511] = 0xAA;
  EXPECT_TRUE(platform::HasBootSignature(sector));
  const platform::MbrEntry e = platform::MbrEntryAt(sector, 2);
  EXPECT_EQ(e.status, 0x80);
  EXPECT_EQ(e.type, 0x83);
  EXPECT_EQ(std::vector<std::uint8_t>(e.chsStart, e.chsStart + 3),
            (std::vector<std::uint8_t>{0x01, 0xC2, 0x03}));
  EXPECT_EQ(std::vector<std::uint8_t>(e.chsEnd, e.chsEnd + 3),
            (std::vector<std::uint8_t>{0xFE, 0xFF, 0xFF}));
  EXPECT_EQ(e.firstLba, 2048u);
  EXPECT_EQ(e.sectors, 65536u);
  EXPECT_EQ(platform::MbrEntryAt(sector, 1).type, 0);
}

// On a disk of 4096-byte sectors the MBR's and EBRs' LBAs and the GPT's count in that size.
TEST(PartitionTable, LargeSectorsScaleEveryTable) {
  {
    SCOPED_TRACE("MBR with an extended chain");
    MemDisk d(40, 4096);
    d.Entry(0, 0, 0x07, 2, 4);
    d.Entry(0, 1, 0x05, 8, 20);
    d.Entry(8, 0, 0x83, 1, 3);   // logical at 9
    d.Entry(8, 1, 0x05, 10, 6);  // link to 18
    d.Entry(18, 0, 0x83, 2, 2);  // logical at 20
    d.Entry(18, 1, 0x83, 4, 30);  // reaches past the disk: skipped
    auto scan = d.Scan();
    ExpectRanges(scan, {{2, 4, false}, {9, 3, true}, {20, 2, true}}, 4096);
    EXPECT_EQ(scan.notes.size(), 1u);
  }
  {
    SCOPED_TRACE("GPT");
    MemDisk d(16, 4096);
    d.Entry(0, 0, 0xEE, 1, 15);
    std::uint8_t* h = d.bytes.data() + 4096;
    std::memcpy(h, "EFI PART", 8);
    platform::PutLe64(h + 72, 2);
    platform::PutLe32(h + 80, 4);
    platform::PutLe32(h + 84, 128);
    std::uint8_t* e = d.bytes.data() + 2 * 4096;
    e[0] = 0xAF;  // a type GUID
    platform::PutLe64(e + 32, 4);
    platform::PutLe64(e + 40, 7);
    e[128] = 0xAF;
    platform::PutLe64(e + 128 + 32, 8);
    platform::PutLe64(e + 128 + 40, 16);  // one sector past the disk
    auto scan = d.Scan();
    ExpectRanges(scan, {{4, 4, false}}, 4096);
    EXPECT_EQ(scan.notes, std::vector<std::string>{"GPT entry 1 lies outside the disk"});
  }
}

// With very large sectors a logical entry's start would wrap round in bytes and land on the disk.
TEST(PartitionTable, LogicalStartThatOverflowsInBytesIsSkipped) {
  const std::uint32_t sectorSize = 1u << 31;
  const std::uint64_t disk = ~std::uint64_t{0};
  const std::uint64_t extFirst = 0xFFFFFFF0, link = 0xFFFFFF00;
  std::map<std::uint64_t, std::array<std::uint8_t, 512>> sectors;
  auto entry = [&](std::uint64_t lba, int slot, std::uint8_t type, std::uint32_t first,
                   std::uint32_t count) {
    auto& s = sectors[lba * sectorSize];
    std::uint8_t* e = s.data() + 446 + 16 * slot;
    e[4] = type;
    platform::PutLe32(e + 8, first);
    platform::PutLe32(e + 12, count);
    s[510] = 0x55;
    s[511] = 0xAA;
  };
  entry(0, 0, 0x05, static_cast<std::uint32_t>(extFirst), 0xFFFFFFF0);
  entry(extFirst, 0, 0x05, static_cast<std::uint32_t>(link), 1);
  entry(extFirst + link, 0, 0x83, 0xFFFFFFFF, 1);
  auto scan = platform::ScanPartitionTable(
      [&](std::uint64_t off, void* buf, std::size_t len) {
        auto it = sectors.find(off);
        if (it == sectors.end() || len != 512) return false;
        std::memcpy(buf, it->second.data(), len);
        return true;
      },
      disk, sectorSize);
  EXPECT_TRUE(scan.hasTable);
  EXPECT_TRUE(scan.partitions.empty());
  EXPECT_EQ(scan.notes.size(), 1u);
}

}  // namespace
