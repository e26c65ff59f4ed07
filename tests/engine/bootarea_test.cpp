#include "corvane/bootarea.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <regex>

#include "platform/endian.h"

#include "tests/support/test_support.h"

namespace {

using testing_support::Fixture;
using testing_support::OpenedVolume;
using testing_support::ScopedDrives;

// What mkfs.fat -v said about the volume it made.
struct MkfsReport {
  int fatBits = 0, fats = 0, sectorsPerCluster = 0, bytesPerSector = 0;
  std::uint32_t fatSectors = 0, clusters = 0, reserved = 0, rootSectors = 0, total = 0;
};

MkfsReport ReadReport(const std::string& image) {
  std::string text = testing_support::ReadFile(Fixture(image + ".mkfs.txt"));
  MkfsReport r;
  std::smatch m;
  if (std::regex_search(text, m, std::regex(R"(logical sector size is (\d+))")))
    r.bytesPerSector = std::stoi(m[1]);
  if (std::regex_search(text, m, std::regex(R"(has (\d+) (\d+)-bit FATs? and (\d+) sectors? per cluster)"))) {
    r.fats = std::stoi(m[1]);
    r.fatBits = std::stoi(m[2]);
    r.sectorsPerCluster = std::stoi(m[3]);
  }
  if (std::regex_search(text, m, std::regex(R"(FAT size is (\d+) sectors?, and provides (\d+) clusters)"))) {
    r.fatSectors = std::stoul(m[1]);
    r.clusters = std::stoul(m[2]);
  }
  if (std::regex_search(text, m, std::regex(R"(There (?:are|is) (\d+) reserved sectors?)")))
    r.reserved = std::stoul(m[1]);
  if (std::regex_search(text, m, std::regex(R"(uses (\d+) sectors?)"))) r.rootSectors = std::stoul(m[1]);
  if (std::regex_search(text, m, std::regex(R"(with (\d+) sectors)"))) r.total = std::stoul(m[1]);
  return r;
}

TEST(BootArea, RealFatVolumesMatchWhatMkfsReported) {
  struct Case {
    const char* image;
    std::uint32_t type;
  } cases[] = {{"base_fat12.img", kFsFat12},      {"base_fat16.img", kFsFat16},
               {"base_fat32.img", kFsFat32},      {"base_fat16_1fat.img", kFsFat16},
               {"base_fat32_4k.img", kFsFat32},   {"base_fat16_root100.img", kFsFat16}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.image);
    if (!testing_support::FixtureExists(c.image)) continue;
    MkfsReport r = ReadReport(c.image);
    ASSERT_GT(r.clusters, 0u);
    ScopedDrives drives({std::string("E=") + Fixture(c.image)});
    OpenedVolume v('E');
    ASSERT_TRUE(v.ok());
    const VOLUMEGEOMETRY& g = v.fs()->geometry;
    EXPECT_EQ(v.fs()->typeCode, c.type);
    EXPECT_EQ(v.fs()->bytesPerSector, static_cast<std::uint32_t>(r.bytesPerSector));
    EXPECT_EQ(g.reservedSectors, r.reserved);
    EXPECT_EQ(g.fat1First, r.reserved);
    EXPECT_EQ(g.fat1Last, r.reserved + r.fatSectors - 1);
    if (r.fats == 2) {
      EXPECT_EQ(g.fat2First, r.reserved + r.fatSectors);
      EXPECT_EQ(g.fat2Last, r.reserved + 2 * r.fatSectors - 1);
    } else {
      EXPECT_EQ(g.fat2First, 0u);
      EXPECT_EQ(g.fat2Last, 0u);
    }
    EXPECT_EQ(g.rootSectors, r.rootSectors);
    EXPECT_EQ(g.firstDataSector, r.reserved + r.fats * r.fatSectors + r.rootSectors);
    EXPECT_EQ(g.firstCluster, 2u);
    EXPECT_EQ(g.lastCluster - g.firstCluster + 1, r.clusters);
    EXPECT_EQ(g.lastSector, g.lastSector2);
    EXPECT_EQ(g.lastSector + 1, r.total);
    EXPECT_TRUE(v.sink().Messages().empty());
  }
}

TEST(BootArea, ExfatAndNtfs) {
  REQUIRE_FIXTURE("base_exfat.img");
  {
    ScopedDrives drives({"E=" + Fixture("base_exfat.img")});
    OpenedVolume v('E');
    ASSERT_TRUE(v.ok());
    EXPECT_EQ(v.fs()->typeCode, kFsExfat);
    ASSERT_NE(g_pExfatBootRecord, nullptr);
    const VOLUMEGEOMETRY& g = v.fs()->geometry;
    EXPECT_EQ(g.fat1First, platform::Le32(g_pExfatBootRecord + exfatboot::kFatOffset));
    EXPECT_EQ(g.firstDataSector, platform::Le32(g_pExfatBootRecord + exfatboot::kClusterHeapOffset));
    EXPECT_EQ(g.lastCluster - g.firstCluster + 1,
              platform::Le32(g_pExfatBootRecord + exfatboot::kClusterCount));
    EXPECT_EQ(std::uint64_t{g.lastSector} + 1, 32u * 1024 * 1024 / 512);
  }
  REQUIRE_FIXTURE("base_ntfs.img");
  ScopedDrives drives({"E=" + Fixture("base_ntfs.img")});
  OpenedVolume v('E');
  ASSERT_TRUE(v.ok());
  EXPECT_EQ(v.fs()->typeCode, kFsNtfs);
  ASSERT_NE(g_pNtfsBootRecord, nullptr);
  EXPECT_EQ(std::memcmp(g_pNtfsBootRecord->oemName, "NTFS    ", 8), 0);
  EXPECT_EQ(g_pNtfsBootRecord->totalSectors + 1, 32u * 1024 * 1024 / 512);
  EXPECT_EQ(g_bNtfsVolume, 1);
}

TEST(BootArea, BadValuesAreRefusedWithTheirMessage) {
  struct Case {
    const char* image;
    const char16_t* message;
  } cases[] = {
      {"bad_spc0.img", kMsgBootValuesAbnormal},  {"bad_bps0.img", kMsgBootValuesAbnormal},
      {"bad_total.img", kMsgBootValuesAbnormal}, {"bad_nfats0.img", kMsgBootValuesAbnormal},
      {"bad_bps3000.img", kMsgBootValuesAbnormal}, {"bad_fatsize.img", kMsgBootValuesAbnormal},
      {"zero.img", kMsgUnsupportedDrive},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.image);
    if (!testing_support::FixtureExists(c.image)) continue;
    ScopedDrives drives({std::string("E=") + Fixture(c.image)});
    OpenedVolume v('E');
    EXPECT_FALSE(v.ok());
    ASSERT_EQ(v.sink().Messages().size(), 1u);
    EXPECT_EQ(v.sink().Messages()[0].text, c.message);
    EXPECT_EQ(v.fs()->fat12, nullptr);
    EXPECT_EQ(v.fs()->fat16, nullptr);
    EXPECT_EQ(v.fs()->fat32, nullptr);
  }
}

// The layout rules on a parameter block built in memory.
BOOTRECORD Fat16Block() {
  BOOTRECORD br{};
  br.bytesPerSector = 512;
  br.sectorsPerCluster = 4;
  br.reservedSectors = 4;
  br.numberOfFats = 2;
  br.rootEntries = 512;
  br.totalSectors16 = 32768;
  br.sectorsPerFat16 = 32;
  return br;
}

TEST(BootArea, LayoutRules) {
  BootLayout out;
  std::string why;
  const std::uint64_t volume = 32768 * 512;

  BOOTRECORD br = Fat16Block();
  ASSERT_TRUE(ComputeFatLayout(br, volume, &out, &why)) << why;
  EXPECT_EQ(out.typeCode, kFsFat16);
  EXPECT_EQ(out.geometry.rootSectors, 32u);

  // A partly used last root sector still counts: 100 entries of 32 bytes need 7 sectors.
  br.rootEntries = 100;
  ASSERT_TRUE(ComputeFatLayout(br, volume, &out, &why));
  EXPECT_EQ(out.geometry.rootSectors, 7u);
  EXPECT_EQ(out.geometry.firstDataSector, 4u + 64 + 7);

  // The 32-bit total is used when the 16-bit one is zero.
  br = Fat16Block();
  br.totalSectors16 = 0;
  br.totalSectors32 = 20000;
  ASSERT_TRUE(ComputeFatLayout(br, volume, &out, &why));
  EXPECT_EQ(out.geometry.lastSector, 19999u);

  // Fewer than 4085 clusters on a FAT12/16 layout is FAT12.
  br = Fat16Block();
  br.totalSectors16 = 8000;
  ASSERT_TRUE(ComputeFatLayout(br, volume, &out, &why));
  EXPECT_EQ(out.typeCode, kFsFat12);

  // A FAT32 layout stays FAT32 whatever its cluster count: its table has 32-bit entries.
  BOOTRECORD f32{};
  f32.bytesPerSector = 512;
  f32.sectorsPerCluster = 8;
  f32.reservedSectors = 32;
  f32.numberOfFats = 2;
  f32.totalSectors32 = 100000;
  f32.sectorsPerFat32 = 100;
  f32.rootCluster = 2;
  ASSERT_TRUE(ComputeFatLayout(f32, 100000ull * 512, &out, &why));
  EXPECT_EQ(out.typeCode, kFsFat32);
  EXPECT_EQ(out.geometry.lastCluster, (100000u - 232) / 8 + 1);

  // A table too small for the data area limits the clusters to what it can describe.
  br = Fat16Block();
  br.sectorsPerFat16 = 8;  // 2048 entries
  ASSERT_TRUE(ComputeFatLayout(br, volume, &out, &why));
  EXPECT_EQ(out.geometry.lastCluster, 2047u);

  struct Bad {
    const char* what;
    void (*spoil)(BOOTRECORD&);
  } bad[] = {
      {"sectors per cluster 3", [](BOOTRECORD& b) { b.sectorsPerCluster = 3; }},
      {"bytes per sector 8192", [](BOOTRECORD& b) { b.bytesPerSector = 8192; }},
      {"reserved 0", [](BOOTRECORD& b) { b.reservedSectors = 0; }},
      {"no FAT size", [](BOOTRECORD& b) { b.sectorsPerFat16 = 0; b.rootEntries = 0; }},
      {"layout past total", [](BOOTRECORD& b) { b.totalSectors16 = 90; }},
  };
  for (const auto& b : bad) {
    BOOTRECORD spoilt = Fat16Block();
    b.spoil(spoilt);
    why.clear();
    EXPECT_FALSE(ComputeFatLayout(spoilt, volume, &out, &why)) << b.what;
    EXPECT_FALSE(why.empty()) << b.what;
  }
  // The tables must lie inside the real volume, even when the claimed total is larger.
  EXPECT_FALSE(ComputeFatLayout(Fat16Block(), 40 * 512, &out, &why));
}

// An exFAT boot sector whose fields are set by the test; the rest as mkfs.exfat writes it.
std::array<std::uint8_t, 512> ExfatSector(std::uint64_t volumeLength, std::uint32_t fatOffset,
                                          std::uint32_t fatLength, std::uint32_t heap, std::uint32_t count,
                                          unsigned clusterShift) {
  std::array<std::uint8_t, 512> s{};
  s[0] = 0xEB, s[1] = 0x76, s[2] = 0x90;
  std::memcpy(&s[3], "EXFAT   ", 8);
  platform::PutLe64(&s[exfatboot::kVolumeLength], volumeLength);
  platform::PutLe32(&s[exfatboot::kFatOffset], fatOffset);
  platform::PutLe32(&s[exfatboot::kFatLength], fatLength);
  platform::PutLe32(&s[exfatboot::kClusterHeapOffset], heap);
  platform::PutLe32(&s[exfatboot::kClusterCount], count);
  platform::PutLe32(&s[exfatboot::kRootCluster], 5);
  s[exfatboot::kRevisionMajor] = 1;
  s[exfatboot::kBytesPerSectorShift] = 9;
  s[exfatboot::kSectorsPerClusterShift] = static_cast<std::uint8_t>(clusterShift);
  s[exfatboot::kNumberOfFats] = 1;
  s[510] = 0x55, s[511] = 0xAA;
  return s;
}

// The sector a mutation run found: a volume length of 0x7F00008000 sectors, whose low 32 bits
// (0x8000) lie below the cluster heap at 0xFFFFFFFE.
std::array<std::uint8_t, 512> HeapAbove32BitLength() {
  return ExfatSector(0x7F00008000ull, 0x800, 0x20, 0xFFFFFFFEu, 0xE00, 3);
}

// The 32-bit sector numbers of the geometry stay consistent when the 64-bit exFAT length does not
// fit them: the last sector saturates (never below the heap), the clusters are bounded in 64 bits
// by what the real volume holds, and a volume that holds none of the heap is refused.
TEST(BootArea, ExfatLengthsPast32BitsKeepTheGeometryConsistent) {
  // 4 TiB of 512-byte sectors in 32 KiB clusters: a real size for a large disk.
  const std::uint64_t big = 1ull << 33;
  const std::uint32_t heap = 1u << 21, count = static_cast<std::uint32_t>((big - heap) >> 6);
  const auto large = ExfatSector(big, 2048, (count + 2) / 128 + 1, heap, count, 6);
  struct Case {
    const char* what;
    std::array<std::uint8_t, 512> sector;
    std::uint64_t volumeBytes;
    bool ok;
    std::uint32_t lastSector, firstDataSector, lastCluster;
  } cases[] = {
      {"found sector, length unknown", HeapAbove32BitLength(), 0, true, UINT32_MAX, 0xFFFFFFFEu, 0xE01},
      {"found sector, a 2 MiB volume", HeapAbove32BitLength(), 2ull << 20, false, 0, 0, 0},
      {"found sector, whole volume", HeapAbove32BitLength(), 0x7F00008000ull * 512, true, UINT32_MAX,
       0xFFFFFFFEu, 0xE01},
      // The heap's first cluster lies across 2^32 sectors: one sector short of it holds none.
      {"found sector, volume ends inside the first cluster", HeapAbove32BitLength(),
       (0xFFFFFFFEull + 7) * 512, false, 0, 0, 0},
      {"found sector, volume holds two clusters", HeapAbove32BitLength(), (0xFFFFFFFEull + 16) * 512, true,
       UINT32_MAX, 0xFFFFFFFEu, 3},
      {"4 TiB, whole", large, big * 512, true, UINT32_MAX, heap, count + 1},
      {"4 TiB boot sector on a 3 TiB volume", large, 3 * (big / 4) * 512, true, UINT32_MAX, heap,
       static_cast<std::uint32_t>(((3 * (big / 4) - heap) >> 6) + 1)},
      {"4 TiB boot sector on a 1 TiB volume", large, (big / 4) * 512, true,
       static_cast<std::uint32_t>(big / 4 - 1), heap, static_cast<std::uint32_t>(((big / 4 - heap) >> 6) + 1)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    BootLayout out;
    std::string why;
    ASSERT_EQ(ComputeExfatLayout(c.sector.data(), c.volumeBytes, &out, &why), c.ok) << why;
    if (!c.ok) {
      EXPECT_FALSE(why.empty());
      continue;
    }
    const VOLUMEGEOMETRY& g = out.geometry;
    EXPECT_EQ(g.lastSector, c.lastSector);
    EXPECT_EQ(g.lastSector2, c.lastSector);
    EXPECT_EQ(g.firstDataSector, c.firstDataSector);
    EXPECT_LE(g.firstDataSector, g.lastSector);
    EXPECT_EQ(g.lastCluster, c.lastCluster);
  }
}

// The same sector as a whole image: the open refuses it with the boot-area message instead of
// opening a volume whose last sector lies below its cluster heap.
TEST(BootArea, ExfatHeapPastTheVolumeIsRefusedAtOpen) {
  testing_support::TempDir dir;
  const auto sector = HeapAbove32BitLength();
  std::string image(2u << 20, '\0');
  std::memcpy(image.data(), sector.data(), sector.size());
  testing_support::WriteFile(dir.File("heap.img"), image);
  ScopedDrives drives({"E=" + dir.File("heap.img")});
  OpenedVolume v('E');
  EXPECT_FALSE(v.ok());
  ASSERT_EQ(v.sink().Messages().size(), 1u);
  EXPECT_EQ(v.sink().Messages()[0].text, kMsgBootValuesAbnormal);
  EXPECT_EQ(v.fs()->exfat, nullptr);
}

// A volume shorter than its boot sector says (a partition or image cut short) keeps its type
// from the boot sector; its last sector and last cluster are what it really holds, and the
// cluster range check follows them.
TEST(BootArea, VolumeCutShortBoundsTheLastSectorAndCluster) {
  struct Case {
    const char* image;
    std::uint32_t type;
    std::uint64_t keptBytes;
  } cases[] = {
      {"base_fat16.img", kFsFat16, 3u << 20},
      {"base_fat32.img", kFsFat32, 20u << 20},
      {"base_exfat.img", kFsExfat, 9u << 20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.image);
    if (!testing_support::FixtureExists(c.image)) continue;
    std::string whole = testing_support::ReadFile(Fixture(c.image));
    ASSERT_GT(whole.size(), c.keptBytes);
    VOLUMEGEOMETRY full{};
    {
      ScopedDrives drives({std::string("E=") + Fixture(c.image)});
      OpenedVolume v('E');
      ASSERT_TRUE(v.ok());
      full = v.fs()->geometry;
    }
    testing_support::TempDir dir;
    testing_support::WriteFile(dir.File("cut.img"), whole.substr(0, c.keptBytes));
    ScopedDrives drives({"E=" + dir.File("cut.img")});
    OpenedVolume v('E');
    ASSERT_TRUE(v.ok());
    EXPECT_EQ(v.fs()->typeCode, c.type);
    const VOLUMEGEOMETRY& g = v.fs()->geometry;
    const std::uint64_t sectors = c.keptBytes / v.fs()->bytesPerSector;
    EXPECT_EQ(g.lastSector + 1ull, sectors);
    EXPECT_EQ(g.lastSector2, g.lastSector);
    EXPECT_EQ(g.firstDataSector, full.firstDataSector);
    EXPECT_EQ(g.fat1Last, full.fat1Last);
    EXPECT_LT(g.lastCluster, full.lastCluster);
    // The last cluster ends inside the volume and the next one would not.
    const std::uint64_t spc = c.type == kFsExfat
                                  ? 1u << g_pExfatBootRecord[exfatboot::kSectorsPerClusterShift]
                                  : g_pBootRecord->sectorsPerCluster;
    const std::uint64_t end = g.firstDataSector + (g.lastCluster - 1ull) * spc;
    EXPECT_LE(end, sectors);
    EXPECT_GT(end + spc, sectors);
    if (c.type != kFsExfat) {
      EXPECT_EQ(IsClusterInRange(g.lastCluster), 1);
      EXPECT_EQ(IsClusterInRange(g.lastCluster + 1ll), 0);
    }
    EXPECT_TRUE(v.sink().Messages().empty());
  }
}

// A volume that ends before its data area holds one whole cluster is refused at open.
TEST(BootArea, VolumeEndingBeforeItsDataAreaIsRefused) {
  struct Case {
    const char* image;
  } cases[] = {{"base_fat16.img"}, {"base_exfat.img"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.image);
    if (!testing_support::FixtureExists(c.image)) continue;
    std::string whole = testing_support::ReadFile(Fixture(c.image));
    VOLUMEGEOMETRY full{};
    std::uint64_t bps = 0, spc = 0;
    {
      ScopedDrives drives({std::string("E=") + Fixture(c.image)});
      OpenedVolume v('E');
      ASSERT_TRUE(v.ok());
      full = v.fs()->geometry;
      bps = v.fs()->bytesPerSector;
      spc = v.fs()->typeCode == kFsExfat ? 1u << g_pExfatBootRecord[exfatboot::kSectorsPerClusterShift]
                                         : g_pBootRecord->sectorsPerCluster;
    }
    // One sector short of the first cluster, then exactly the first cluster.
    for (std::uint64_t extra : {spc - 1, spc}) {
      SCOPED_TRACE(extra);
      const std::uint64_t kept = (full.firstDataSector + extra) * bps;
      testing_support::TempDir dir;
      testing_support::WriteFile(dir.File("cut.img"), whole.substr(0, kept));
      ScopedDrives drives({"E=" + dir.File("cut.img")});
      OpenedVolume v('E');
      if (extra < spc) {
        EXPECT_FALSE(v.ok());
        ASSERT_EQ(v.sink().Messages().size(), 1u);
        EXPECT_EQ(v.sink().Messages()[0].text, kMsgBootValuesAbnormal);
      } else {
        ASSERT_TRUE(v.ok());
        EXPECT_EQ(v.fs()->geometry.lastCluster, 2u);
      }
    }
  }
}

TEST(BootArea, GuessNeverTakesAnEmptyOrNtfsSectorForFat) {
  std::uint8_t sector[512] = {};
  EXPECT_EQ(GuessFileSystemType(sector, sizeof sector), kFsUnknown);
  std::memcpy(sector + 3, "NTFS    ", 8);
  EXPECT_EQ(GuessFileSystemType(sector, sizeof sector), kFsNtfs);
  std::memcpy(sector + 3, "EXFAT   ", 8);
  EXPECT_EQ(GuessFileSystemType(sector, sizeof sector), kFsExfat);
  std::memcpy(sector + 3, "MSDOS5.0", 8);
  sector[14] = 1;
  EXPECT_EQ(GuessFileSystemType(sector, sizeof sector), kFsFat16);
}

TEST(BootArea, NtfsChecks) {
  NTFSBOOTRECORD br{};
  br.bytesPerSector = 512;
  br.sectorsPerCluster = 8;
  br.totalSectors = 1000;
  br.clustersPerRecord = 0xF6;  // 2^10 bytes
  std::string why;
  EXPECT_TRUE(CheckNtfsBoot(br, &why)) << why;
  br.sectorsPerCluster = 0;
  EXPECT_FALSE(CheckNtfsBoot(br, &why));
  br.sectorsPerCluster = 0xF4;  // 2^12 sectors
  EXPECT_TRUE(CheckNtfsBoot(br, &why));
  br.clustersPerRecord = 0;
  EXPECT_FALSE(CheckNtfsBoot(br, &why));
}

}  // namespace
