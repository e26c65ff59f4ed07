#include "platform/partition_table.h"

#include <gtest/gtest.h>

#include <cstring>

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
