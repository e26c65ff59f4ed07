#include "platform/partition_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <regex>
#include <tuple>
#include <utility>

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

void ExpectRanges(const platform::PartitionScan& scan, const std::vector<Range>& want) {
  ASSERT_EQ(scan.partitions.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(scan.partitions[i].offset, want[i].startSector * 512) << i;
    EXPECT_EQ(scan.partitions[i].length, want[i].sectors * 512) << i;
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
  explicit MemDisk(std::size_t sectors) : bytes(sectors * 512) {}
  void Entry(std::uint64_t sector, int index, std::uint8_t type, std::uint32_t first, std::uint32_t count) {
    std::uint8_t* e = bytes.data() + sector * 512 + 446 + 16 * index;
    e[4] = type;
    std::memcpy(e + 8, &first, 4);
    std::memcpy(e + 12, &count, 4);
    bytes[sector * 512 + 510] = 0x55;
    bytes[sector * 512 + 511] = 0xAA;
  }
  platform::PartitionScan Scan() const {
    return platform::ScanPartitionTable(
        [this](std::uint64_t off, void* buf, std::size_t len) {
          if (off > bytes.size() || len > bytes.size() - off) return false;
          std::memcpy(buf, bytes.data() + off, len);
          return true;
        },
        bytes.size());
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

}  // namespace
