#include "platform/partition_rows.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <regex>

#include "platform/endian.h"
#include "platform/message.h"
#include "platform/volume_io.h"
#include "tests/support/test_support.h"

namespace {

using platform::PartitionRow;
using platform::PartitionRowScan;
using testing_support::Fixture;

PartitionRowScan RowsOfImage(const std::string& name, std::uint32_t sectorSize = 512) {
  platform::Handle h = platform::OpenRange(Fixture(name), 0, 0);
  EXPECT_NE(h, platform::kInvalidHandle) << name;
  platform::DiskShape shape{3, platform::HandleLength(h), sectorSize, 255, 63};
  auto scan = platform::ListPartitionRows(
      [h](std::uint64_t off, void* buf, std::size_t len) { return platform::ReadAt(h, off, buf, len); },
      shape);
  platform::CloseHandle(h);
  return scan;
}

// A disk in memory; reads outside it fail.
struct MemoryDisk {
  std::vector<std::uint8_t> bytes;
  explicit MemoryDisk(std::size_t size) : bytes(size, 0) {
    bytes[510] = 0x55;
    bytes[511] = 0xAA;
  }
  // One MBR entry: flag, type, first LBA, count, and the raw CHS bytes (head, sector, cylinder).
  void Entry(int slot, std::uint8_t flag, std::uint8_t type, std::uint32_t first,
             std::uint32_t count, std::array<std::uint8_t, 3> chsStart = {},
             std::array<std::uint8_t, 3> chsEnd = {}) {
    std::uint8_t* e = bytes.data() + 446 + 16 * slot;
    e[0] = flag;
    std::memcpy(e + 1, chsStart.data(), 3);
    e[4] = type;
    std::memcpy(e + 5, chsEnd.data(), 3);
    platform::PutLe32(e + 8, first);
    platform::PutLe32(e + 12, count);
  }
  PartitionRowScan Rows(std::uint32_t sectorSize = 512, std::uint32_t heads = 255,
                        std::uint32_t spt = 63) const {
    platform::DiskShape shape{0, bytes.size(), sectorSize, heads, spt};
    return platform::ListPartitionRows(
        [this](std::uint64_t off, void* buf, std::size_t len) {
          if (off > bytes.size() || len > bytes.size() - off) return false;
          std::memcpy(buf, bytes.data() + off, len);
          return true;
        },
        shape);
  }
};

std::string U8(const std::u16string& s) { return platform::ToUtf8(s); }

TEST(PartitionRows, HandMadeMasterBootRecords) {
  MemoryDisk disk(1 << 20);  // 2,048 sectors
  disk.Entry(0, 0x80, 0x07, 63, 7);
  disk.Entry(1, 0x01, 0x06, 100, 10);  // a flag other than 0x00 or 0x80: not an entry
  disk.Entry(2, 0x00, 0xEE, 200, 50);  // protective type without a GPT header behind it
  disk.Entry(3, 0x00, 0x0B, 2000, 100);  // reaches past sector 2,047
  auto scan = disk.Rows();
  ASSERT_EQ(scan.rows.size(), 3u);

  const PartitionRow& ntfs = scan.rows[0];
  EXPECT_EQ(U8(ntfs.name), "Windows NT NTFS");
  EXPECT_EQ(ntfs.bytes, 3584u);  // 7 sectors
  EXPECT_EQ(ntfs.first, 63u);
  EXPECT_EQ(ntfs.last, 69u);
  EXPECT_EQ(ntfs.count, 7u);
  EXPECT_EQ(U8(platform::RowStatusText(ntfs)), "부팅");
  EXPECT_EQ(U8(platform::RowFormText(ntfs)), "기본/논리");
  EXPECT_EQ(U8(platform::RowTypeText(ntfs)), "0x07");

  EXPECT_EQ(U8(scan.rows[1].name), "Unknown (0xEE)");
  EXPECT_EQ(U8(platform::RowStatusText(scan.rows[1])), "");

  const PartitionRow& past = scan.rows[2];
  EXPECT_EQ(past.first, 2000u);
  EXPECT_EQ(past.last, 2099u);
  EXPECT_TRUE(past.pastEnd);
  EXPECT_EQ(U8(platform::RowStatusText(past)), "범위 초과");
  EXPECT_EQ(U8(scan.rows[2].name), "Windows 95 FAT-32");
}

TEST(PartitionRows, SignatureAndBootSectorGiveNoRows) {
  MemoryDisk disk(1 << 20);
  disk.Entry(0, 0x00, 0x06, 63, 100);
  disk.bytes[511] = 0;
  EXPECT_TRUE(disk.Rows().rows.empty());
  // A FAT volume's boot sector ends in 55 AA too; its boot code is no table.
  REQUIRE_FIXTURE("base_fat16.img");
  EXPECT_TRUE(RowsOfImage("base_fat16.img").rows.empty());
}

TEST(PartitionRows, CylinderOf1023ComesFromTheLba) {
  struct Case {
    const char* what;
    std::array<std::uint8_t, 3> start, end;
    std::uint32_t diskHeads, diskSpt;
    std::uint64_t startC, endC;
  };
  // Entry: sectors 1,000,000 to 1,099,999. 1023 is stored as sector byte 0xC0 | s, cylinder 0xFF.
  const Case cases[] = {
      {"own end geometry 16 heads x 32", {15, 0xC0 | 32, 0xFF}, {15, 0xC0 | 32, 0xFF}, 255, 63,
       1000000 / 32 / 16, 1099999 / 32 / 16},
      {"zero end sector: the disk's 255 x 63", {0, 0xC0, 0xFF}, {0, 0xC0, 0xFF}, 255, 63,
       1000000 / 63 / 255, 1099999 / 63 / 255},
      {"zero divisors everywhere: kept", {0, 0xC0, 0xFF}, {0, 0xC0, 0xFF}, 0, 0, 1023, 1023},
      {"below 1023: as stored", {1, 0x41, 0x10}, {254, 0xBF, 0x20}, 255, 63, 0x110, 0x220},
  };
  for (const Case& c : cases) {
    MemoryDisk disk(1 << 20);
    disk.Entry(0, 0x00, 0x83, 1000000, 100000, c.start, c.end);
    // The entry lies past this small disk; the CHS columns are worked out all the same.
    auto scan = disk.Rows(512, c.diskHeads, c.diskSpt);
    ASSERT_EQ(scan.rows.size(), 1u) << c.what;
    EXPECT_EQ(scan.rows[0].startC, c.startC) << c.what;
    EXPECT_EQ(scan.rows[0].endC, c.endC) << c.what;
    EXPECT_EQ(scan.rows[0].startH, c.start[0]) << c.what;
    EXPECT_EQ(scan.rows[0].startS, c.start[1] & 0x3Fu) << c.what;
  }
}

TEST(PartitionRows, SectorSizeScalesCapacityAndRange) {
  MemoryDisk disk(4096 * 100);
  disk.Entry(0, 0x00, 0x0C, 10, 80);
  disk.Entry(1, 0x00, 0x0C, 90, 11);  // one sector past the 100th
  auto scan = disk.Rows(4096);
  ASSERT_EQ(scan.rows.size(), 2u);
  EXPECT_EQ(scan.rows[0].bytes, 80u * 4096);
  EXPECT_FALSE(scan.rows[0].pastEnd);
  EXPECT_TRUE(scan.rows[1].pastEnd);
}

TEST(PartitionRows, TypeNamesAndForms) {
  struct Case {
    std::uint8_t type;
    const char* name;
    const char* form;
  };
  const Case cases[] = {{0x07, "Windows NT NTFS", "기본/논리"}, {0x05, "DOS Extended", "확장"},
                        {0x0F, "LBA VFAT (DOS Extended)", "확장"},
                        {0x1F, "Hidden LBA DOS Extended", "확장"},
                        {0xFF, "Xenix bad block table", "확장"},
                        {0x81, "Linux", "기본/논리"}, {0x15, "Unknown (0x15)", "기본/논리"},
                        {0xEE, "Unknown (0xEE)", "기본/논리"}};
  for (const Case& c : cases) {
    PartitionRow r;
    r.type = c.type;
    EXPECT_EQ(U8(platform::PartitionTypeName(c.type)), c.name);
    EXPECT_EQ(U8(platform::RowFormText(r)), c.form) << c.name;
  }
  PartitionRow nested;
  nested.level = 2;
  nested.name = u"DOS Extended";
  EXPECT_EQ(U8(platform::RowIndentedName(nested)), "  DOS Extended");
}

// Rows of an mmls listing: slot ("Meta", "TTT:EEE" or "---"), start, length, description.
struct MmlsRow {
  std::string slot;
  std::uint64_t start, length;
  std::string description;
};

std::vector<MmlsRow> ReadMmls(const std::string& name) {
  static const std::regex kRow(R"(^\d+:\s+(\S+)\s+(\d+)\s+\d+\s+(\d+)\s*(.*)$)");
  std::vector<MmlsRow> out;
  for (const std::string& line : testing_support::Lines(testing_support::ReadFile(Fixture(name)))) {
    std::smatch m;
    if (std::regex_match(line, m, kRow))
      out.push_back({m[1], std::stoull(m[2].str()), std::stoull(m[3].str()), m[4]});
  }
  return out;
}

// The extended entries (the MBR's and each record's link) as mmls reads them, in chain order.
std::vector<std::pair<std::uint64_t, std::uint64_t>> MmlsExtended(const std::vector<MmlsRow>& rows) {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> out;
  for (const MmlsRow& r : rows)
    if (r.slot == "Meta" && r.description.find("Extended (0x") != std::string::npos)
      out.push_back({r.start, r.length});
  return out;
}

std::vector<std::pair<std::uint64_t, std::uint64_t>> RowsExtended(const PartitionRowScan& scan) {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> out;
  for (const PartitionRow& r : scan.rows)
    if (platform::IsExtendedRowType(r.type)) out.push_back({r.first, r.count});
  return out;
}

TEST(PartitionRows, DiskImageMatchesItsLayoutWithLinks) {
  REQUIRE_FIXTURE("disk.img");
  REQUIRE_FIXTURE("disk.img.layout");
  auto scan = RowsOfImage("disk.img");
  EXPECT_TRUE(scan.notes.empty());
  // Every entry but the links, in the order the layout lists them.
  static const std::regex kEntry(R"(start=\s*(\d+), size=\s*(\d+), type=([0-9a-f]+))");
  std::vector<std::tuple<std::uint64_t, std::uint64_t, int>> layout, rows;
  for (const std::string& line : testing_support::Lines(testing_support::ReadFile(Fixture("disk.img.layout")))) {
    std::smatch m;
    if (std::regex_search(line, m, kEntry))
      layout.emplace_back(std::stoull(m[1].str()), std::stoull(m[2].str()), std::stoi(m[3].str(), nullptr, 16));
  }
  ASSERT_EQ(layout.size(), 7u);
  for (const PartitionRow& r : scan.rows) {
    if (!r.link) rows.emplace_back(r.first, r.count, r.type);
    EXPECT_EQ(r.last, r.first + r.count - 1);
    EXPECT_EQ(r.bytes, r.count * 512);
    EXPECT_FALSE(r.pastEnd);
    EXPECT_EQ(r.disk, 3);
  }
  EXPECT_EQ(rows, layout);
  // Each record's entries one level deeper: primaries, then logical and link per record.
  std::vector<int> levels;
  std::vector<bool> links;
  for (const PartitionRow& r : scan.rows) {
    levels.push_back(r.level);
    links.push_back(r.link);
  }
  EXPECT_EQ(levels, (std::vector<int>{0, 0, 0, 0, 1, 1, 2, 2, 3}));
  EXPECT_EQ(links, (std::vector<bool>{false, false, false, false, false, true, false, true, false}));
  EXPECT_EQ(scan.rows[5].tableLba, 51200u);  // the link lives in the first record
  // The links (relative to the first extended start) as the forensic tool reads them.
  REQUIRE_FIXTURE("disk.img.mmls.txt");
  auto ext = MmlsExtended(ReadMmls("disk.img.mmls.txt"));
  EXPECT_EQ(RowsExtended(scan), ext);
  EXPECT_EQ(ext.size(), 3u);
}

TEST(PartitionRows, RecordsWithTwoLogicalEntries) {
  REQUIRE_FIXTURE("disk_ebr2.img");
  REQUIRE_FIXTURE("disk_ebr2.img.mmls.txt");
  auto scan = RowsOfImage("disk_ebr2.img");
  EXPECT_TRUE(scan.notes.empty());
  auto mmls = ReadMmls("disk_ebr2.img.mmls.txt");
  // Partition slots "TTT:EEE": the table number is the level, the entry number the slot.
  std::vector<std::tuple<int, std::uint64_t, std::uint64_t>> want, got;
  for (const MmlsRow& r : mmls)
    if (r.slot.size() == 7 && r.slot[3] == ':')
      want.emplace_back(std::stoi(r.slot.substr(0, 3)), r.start, r.length);
  for (const PartitionRow& r : scan.rows)
    if (!platform::IsExtendedRowType(r.type)) got.emplace_back(r.level, r.first, r.count);
  EXPECT_EQ(got, want);
  EXPECT_EQ(RowsExtended(scan), MmlsExtended(mmls));
  // The second record lists its link before its second logical entry, in slot order.
  ASSERT_EQ(scan.rows.size(), 9u);
  EXPECT_TRUE(scan.rows[6].link);
  EXPECT_EQ(scan.rows[7].first, 28672u);
  EXPECT_EQ(scan.rows[7].level, 2);
}

TEST(PartitionRows, LoopingChainKeepsTheEarlierRows) {
  REQUIRE_FIXTURE("bad_loop.img");
  auto scan = RowsOfImage("bad_loop.img");
  // The second record links back to the first: no row for that link, and the walk ends.
  std::vector<std::tuple<int, std::uint64_t, bool>> got;
  for (const PartitionRow& r : scan.rows) got.emplace_back(r.level, r.first, r.link);
  const std::vector<std::tuple<int, std::uint64_t, bool>> want = {
      {0, 2048, false},  {0, 18432, false}, {0, 34816, false}, {0, 51200, false},
      {1, 53248, false}, {1, 69632, true},  {2, 71680, false}};
  EXPECT_EQ(got, want);
  ASSERT_EQ(scan.notes.size(), 1u);
  EXPECT_NE(scan.notes[0].find("loops back"), std::string::npos);
}

TEST(PartitionRows, LinkPastTheDiskIsFlaggedAndNotFollowed) {
  REQUIRE_FIXTURE("bad_ext_range.img");
  auto scan = RowsOfImage("bad_ext_range.img");
  ASSERT_EQ(scan.rows.size(), 6u);
  const PartitionRow& link = scan.rows[5];
  EXPECT_TRUE(link.link);
  EXPECT_EQ(link.level, 1);
  EXPECT_EQ(link.first, 51200u + 0x10000000u);
  EXPECT_TRUE(link.pastEnd);
  EXPECT_EQ(U8(platform::RowStatusText(link)), "범위 초과");
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(scan.rows[i].pastEnd) << i;
  EXPECT_EQ(scan.notes.size(), 1u);
}

TEST(PartitionRows, GptShowsTheProtectiveEntryThenEachEntry) {
  REQUIRE_FIXTURE("gpt.img");
  auto scan = RowsOfImage("gpt.img");
  ASSERT_EQ(scan.rows.size(), 3u);
  EXPECT_FALSE(scan.rows[0].gpt);
  EXPECT_EQ(scan.rows[0].type, 0xEE);
  EXPECT_EQ(scan.rows[0].level, 0);
  const std::uint64_t want[2][2] = {{2048, 6143}, {6144, 14335}};
  for (int i = 0; i < 2; ++i) {
    const PartitionRow& r = scan.rows[1 + i];
    EXPECT_TRUE(r.gpt);
    EXPECT_EQ(r.level, 1);
    EXPECT_EQ(U8(platform::RowTypeText(r)), "GPT");
    EXPECT_EQ(r.first, want[i][0]);
    EXPECT_EQ(r.last, want[i][1]);
    EXPECT_EQ(r.count, want[i][1] - want[i][0] + 1);
    EXPECT_EQ(r.bytes, r.count * 512);
    // sfdisk gave no names: the type GUID stands in.
    EXPECT_EQ(U8(r.name), "EBD0A0A2-B9E5-4433-87C0-68B6B7D0D599");
  }
}

TEST(PartitionRows, GptNamesAndEntriesPastTheEnd) {
  REQUIRE_FIXTURE("gpt.img");
  std::string bytes = testing_support::ReadFile(Fixture("gpt.img"));
  // Name the first entry (entry array at sector 2, name at byte 56 of the entry) and push the
  // second one's last sector past the disk.
  const char16_t name[] = u"데이터";
  for (int k = 0; k < 3; ++k) {
    bytes[1024 + 56 + 2 * k] = static_cast<char>(name[k] & 0xFF);
    bytes[1024 + 57 + 2 * k] = static_cast<char>(name[k] >> 8);
  }
  platform::PutLe64(bytes.data() + 1024 + 128 + 40, 20000);
  auto scan = platform::ListPartitionRows(
      [&](std::uint64_t off, void* buf, std::size_t len) {
        if (off > bytes.size() || len > bytes.size() - off) return false;
        std::memcpy(buf, bytes.data() + off, len);
        return true;
      },
      {0, bytes.size(), 512, 255, 63});
  ASSERT_EQ(scan.rows.size(), 3u);
  EXPECT_EQ(U8(scan.rows[1].name), "데이터");
  EXPECT_FALSE(scan.rows[1].pastEnd);
  EXPECT_TRUE(scan.rows[2].pastEnd);
  EXPECT_EQ(scan.rows[2].last, 20000u);
}

}  // namespace
