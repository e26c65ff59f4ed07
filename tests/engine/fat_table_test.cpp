#include "corvane/fat_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "corvane/bootarea.h"
#include "corvane/fat_records.h"
#include "platform/message.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Fixture;
using testing_support::OpenedVolume;
using testing_support::ScopedDrives;

// Installs a hand-made allocation table and boot record as the engine's current ones.
class SyntheticTable : public ::testing::Test {
 protected:
  void Install(std::uint32_t type, std::uint32_t lastCluster) {
    FreeFatTables();
    rec_.typeCode = type;
    rec_.geometry.lastCluster = lastCluster;
    rec_.geometry.firstDataSector = 100;
    rec_.bytesPerSector = 512;
    if (type == kFsFat32) {
      g_pFat32Table = static_cast<std::uint32_t*>(std::calloc(lastCluster + 2, 4));
    } else {
      auto* t = static_cast<std::uint16_t*>(std::calloc(lastCluster + 2, 2));
      (type == kFsFat12 ? g_pFat12Table : g_pFat16Table) = t;
    }
    g_dwFatTableEntries = lastCluster + 2;
    g_pBootRecord = &boot_;
    boot_.sectorsPerCluster = 8;
    boot_.bytesPerSector = 512;
  }
  void Set(std::uint32_t c, std::uint32_t v) {
    if (g_pFat32Table) g_pFat32Table[c] = v;
    else (g_pFat12Table ? g_pFat12Table : g_pFat16Table)[c] = static_cast<std::uint16_t>(v);
  }
  void SetUp() override { savedBoot_ = g_pBootRecord; }
  void TearDown() override {
    FreeFatTables();
    g_pBootRecord = savedBoot_;
  }

  FATVOLUMERECORD rec_{};
  BOOTRECORD boot_{};
  BOOTRECORD* savedBoot_ = nullptr;
  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
};

TEST(FatUnpack, Fat12EntriesShareBytes) {
  // Bytes 3, 4, 5 hold clusters 2 and 3.
  const std::uint8_t raw[] = {0xF8, 0xFF, 0xFF, 0x03, 0x40, 0x00, 0xFF, 0x0F, 0x00};
  std::uint16_t table[7] = {};
  UnpackFat12(raw, sizeof raw, 5, table);
  EXPECT_EQ(table[0], 0);  // entries 0 and 1 are not unpacked
  EXPECT_EQ(table[2], 0x003);
  EXPECT_EQ(table[3], 0x004);
  EXPECT_EQ(table[4], 0xFFF);
  EXPECT_EQ(table[5], 0x000);
}

TEST(FatUnpack, EntriesPastTheRawBytesStayFree) {
  // The table claims more clusters than the raw copy holds: nothing is read past it.
  std::vector<std::uint8_t> raw12(7, 0xFF), raw16(7, 0xFF), raw32(9, 0xFF);
  std::vector<std::uint16_t> t12(12), t16(12);
  std::vector<std::uint32_t> t32(12);
  UnpackFat12(raw12.data(), raw12.size(), 10, t12.data());
  UnpackFat16(raw16.data(), raw16.size(), 10, t16.data());
  UnpackFat32(raw32.data(), raw32.size(), 10, t32.data());
  EXPECT_EQ(t12[3], 0xFFF);  // bytes 4-5
  EXPECT_EQ(t12[4], 0);      // would need byte 7
  EXPECT_EQ(t16[2], 0xFFFF);
  EXPECT_EQ(t16[3], 0);      // would need bytes 6-7
  EXPECT_EQ(t32[1], 0xFFFFFFFFu);  // entries 0 and 1 are kept whole
  EXPECT_EQ(t32[2], 0);
}

// One chain shape and what each width's counter makes of it.
struct ChainCase {
  const char* name;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> links;  // cluster -> value
  std::uint32_t first;
  int fat16;  // CountFat16Chain
  int fat32;  // CountFat32Chain (the FAT32 value of an end, bad or out-of-table mark)
};

TEST_F(SyntheticTable, ChainFaults) {
  const ChainCase cases[] = {
      {"two clusters", {{5, 6}, {6, 0xFFFF}}, 5, 2, 2},
      {"link into a free entry", {{5, 6}, {6, 0}}, 5, 1, -1},
      {"free first entry (deleted file)", {{5, 0}}, 5, -1, -1},
      {"loop back to itself", {{5, 6}, {6, 5}}, 5, -1, -1},
      {"self loop", {{5, 5}}, 5, -1, -1},
      {"link outside the table", {{5, 6}, {6, 60000}}, 5, 2, -1},
      {"bad-cluster mark", {{5, 6}, {6, 0xFFF7}}, 5, 2, -1},
      {"link to cluster 1", {{5, 1}}, 5, 1, -1},
      {"first cluster 0", {}, 0, -1, -1},
      {"first cluster 1", {}, 1, -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Install(kFsFat16, 100);
    for (auto [k, v] : c.links) Set(k, v);
    g_pFat16Table[1] = 0xFFFF;  // as mkfs writes it: a link to 1 must not count it
    EXPECT_EQ(CountFat16Chain(&rec_, c.first, -2), c.fat16);

    Install(kFsFat32, 100);
    for (auto [k, v] : c.links) {
      std::uint32_t wide = v;
      if (v == 0xFFFF) wide = 0x0FFFFFFF;
      if (v == 0xFFF7) wide = 0x0FFFFFF7;
      if (v == 60000) wide = 0x0ABCDEF0;
      Set(k, wide);
    }
    EXPECT_EQ(CountFat32Chain(c.first, -2), c.fat32);
  }
}

TEST_F(SyntheticTable, Fat12ChainAndRangeMessage) {
  Install(kFsFat12, 50);
  Set(2, 3);
  Set(3, 4);
  Set(4, 0xFF8);
  EXPECT_EQ(CountFat12Chain(&rec_, 2, -2), 3);
  EXPECT_EQ(GetFat12FileSize(&rec_, 2), 3 * 4096);
  EXPECT_EQ(CountFat12Chain(&rec_, 51, -2), -1);
  EXPECT_TRUE(sink_.Saw(kMsgClusterBeyondRange));
  EXPECT_EQ(GetFat12FileSize(&rec_, 9), -2);
  EXPECT_TRUE(sink_.Saw(kMsgFatTableAbnormal));
}

TEST_F(SyntheticTable, LongestPossibleChainIsNotALoop) {
  // Every cluster of the volume in one chain ends normally.
  Install(kFsFat32, 1000);
  for (std::uint32_t c = 2; c < 1001; ++c) Set(c, c + 1);
  Set(1001, 0x0FFFFFFF);
  Install(kFsFat32, 1001);
  for (std::uint32_t c = 2; c < 1001; ++c) Set(c, c + 1);
  Set(1001, 0x0FFFFFFF);
  EXPECT_EQ(CountFat32Chain(2, -2), 1000);
}

TEST_F(SyntheticTable, Fat32FileSizeIsAClusterCount) {
  Install(kFsFat32, 100);
  Set(9, 0x0FFFFFFF);
  EXPECT_EQ(GetFat32FileSize(9, 1), 1);        // below one cluster: the chain is counted
  EXPECT_EQ(GetFat32FileSize(9, 3 * 4096 + 1), 3);
  Set(9, 0);
  EXPECT_EQ(GetFat32FileSize(9, 1), -1);
  EXPECT_EQ(GetFat32FileSize(0, 0), -2);
  EXPECT_TRUE(sink_.Saw(kMsgFatTableAbnormal2));
}

TEST_F(SyntheticTable, ClusterToSector) {
  Install(kFsFat16, 100);
  EXPECT_EQ(ClusterToSector(2, &rec_), 100u);
  EXPECT_EQ(ClusterToSector(5, &rec_), 124u);
  EXPECT_EQ(ClusterToSector(1, &rec_), 0u);
  EXPECT_TRUE(sink_.Saw(kMsgClusterAbnormal));
  EXPECT_EQ(CheckClusterRange(-1, &rec_), 0);
  EXPECT_EQ(CheckClusterRange(100, &rec_), 1);
  EXPECT_EQ(CheckClusterRange(101, &rec_), 0);
}

const FATDIRENTRY* FindEntry(const char* shortName) {
  for (std::uint32_t i = 0; i < g_dwFatDirEntryCount; ++i)
    if (std::strcmp(g_pFatDirEntries[i].shortName, shortName) == 0) return &g_pFatDirEntries[i];
  return nullptr;
}

TEST(FatTableOnVolumes, ChainsMatchTheFilesMtoolsWrote) {
  for (const char* image : {"fat12.img", "fat16.img", "fat32.img"}) {
    SCOPED_TRACE(image);
    if (!testing_support::FixtureExists(image)) GTEST_SKIP() << "fixture missing";
    ScopedDrives drives({std::string("E=") + Fixture(image)});
    OpenedVolume v('E');
    ASSERT_TRUE(v.ok());
    ASSERT_EQ(ReadRootDirectory(v.fs()), 1);
    FATVOLUMERECORD* rec = CurrentFatRecord(v.fs());
    const std::uint32_t cs = FatClusterBytes(rec);
    const FATDIRENTRY* multi = FindEntry("MULTI.BIN");
    const FATDIRENTRY* frag = FindEntry("FRAG.BIN");
    ASSERT_TRUE(multi && frag);
    const std::int64_t multiClusters = (multi->size + cs - 1) / cs;
    std::uint32_t count = 0;
    std::vector<std::uint32_t> chain;
    EXPECT_EQ(CollectChain(ChainViewOf(rec), frag->firstCluster, 0, &count, &chain), ChainStop::End);
    ASSERT_EQ(chain.size(), 3u);
    EXPECT_NE(chain[1], chain[0] + 1);  // the fixture's file really is split
    if (v.fs()->typeCode == kFsFat32) {
      EXPECT_EQ(CountFat32Chain(multi->firstCluster, -2), multiClusters);
      EXPECT_EQ(GetFatFileSize(multi->firstCluster, multi->size), multiClusters - 1);
    } else {
      EXPECT_EQ(GetClusterChainLength(multi->firstCluster, multi->size), multiClusters);
      EXPECT_EQ(GetFatFileSize(multi->firstCluster, multi->size), multiClusters * cs);
    }
    // The table is loaded once per opened volume.
    const void* table = g_pFat12Table ? static_cast<void*>(g_pFat12Table)
                        : g_pFat16Table ? static_cast<void*>(g_pFat16Table)
                                        : static_cast<void*>(g_pFat32Table);
    ASSERT_EQ(ReadDirectory(0xFFFFFFFF), 1);
    const void* again = g_pFat12Table ? static_cast<void*>(g_pFat12Table)
                        : g_pFat16Table ? static_cast<void*>(g_pFat16Table)
                                        : static_cast<void*>(g_pFat32Table);
    EXPECT_EQ(table, again);
  }
}

TEST(FatTableOnVolumes, OneBadClusterDoesNotStopTheLoad) {
  REQUIRE_FIXTURE("fat32_badmark.img");
  ScopedDrives drives({"E=" + Fixture("fat32_badmark.img")});
  OpenedVolume v('E');
  ASSERT_TRUE(v.ok());
  EXPECT_EQ(ReadRootDirectory(v.fs()), 1);
  EXPECT_EQ(g_pFat32Table[1000], 0x0FFFFFF7u);
  EXPECT_EQ(CountFat32Chain(1000, -2), -1);
  EXPECT_NE(FindEntry("SMALL.TXT"), nullptr);
}

TEST(FatTableOnVolumes, CorruptDirectoryChainsFailCleanly) {
  REQUIRE_FIXTURE("fat16.img");
  ScopedDrives drives({"E=" + Fixture("fat16.img")});
  OpenedVolume v('E');
  ASSERT_TRUE(v.ok());
  ASSERT_EQ(ReadRootDirectory(v.fs()), 1);
  const FATDIRENTRY* sub = FindEntry("SUB");
  const FATDIRENTRY* deleted = FindEntry("#ELDIR");
  ASSERT_TRUE(sub && deleted);
  const std::uint32_t subCluster = sub->firstCluster;
  const std::uint32_t deletedCluster = deleted->firstCluster;
  // A deleted folder's chain is free: it cannot be opened.
  EXPECT_EQ(ReadDirectory(deletedCluster), 0);
  ASSERT_EQ(ReadDirectory(subCluster), 1);
  EXPECT_NE(FindEntry("INNER.TXT"), nullptr);
  // A directory whose chain loops back on itself.
  const std::uint16_t saved = g_pFat16Table[subCluster];
  g_pFat16Table[subCluster] = static_cast<std::uint16_t>(subCluster);
  EXPECT_EQ(ReadDirectory(subCluster), 0);
  g_pFat16Table[subCluster] = saved;
  EXPECT_EQ(ReadDirectory(v.fs()->geometry.lastCluster + 1), 0);
}

TEST(FatTableOnVolumes, ReadClusterHandsTheBufferToTheCaller) {
  REQUIRE_FIXTURE("fat16.img");
  ScopedDrives drives({"E=" + Fixture("fat16.img")});
  OpenedVolume v('E');
  ASSERT_TRUE(v.ok());
  ASSERT_EQ(ReadRootDirectory(v.fs()), 1);
  const FATDIRENTRY* small = FindEntry("SMALL.TXT");
  ASSERT_NE(small, nullptr);
  std::uint8_t* cluster = ReadClusterByType(small->firstCluster);
  ASSERT_NE(cluster, nullptr);
  const std::string original = testing_support::ReadFile(Fixture("fat16.src/small.txt"));
  EXPECT_EQ(std::memcmp(cluster, original.data(), original.size()), 0);
  EXPECT_EQ(v.fs()->fat16->clusterBuffer, nullptr);  // not kept: freeing the record must not free it again
  std::free(cluster);
  EXPECT_EQ(ReadClusterByType(v.fs()->geometry.lastCluster + 1), nullptr);
}

}  // namespace

namespace {

// Both readers give the same records in the same order, or both fail; the quiet one leaves the
// loaded directory, its buffer and the entry table alone and says nothing.
TEST(FatTableOnVolumes, QuietDirectoryReadAgreesWithTheEnginesRead) {
  for (const char* image : {"fat12.img", "fat16.img", "fat32.img"}) {
    SCOPED_TRACE(image);
    if (!testing_support::FixtureExists(image)) continue;
    platform::RecordingMessageSink sink;
    platform::ScopedMessageSink guard(&sink);
    ScopedDrives drives({std::string("E=") + Fixture(image)});
    OpenedVolume v('E');
    ASSERT_TRUE(v.ok());
    ASSERT_EQ(ReadRootDirectory(v.fs()), 1);
    FATVOLUMERECORD* rec = CurrentFatRecord(v.fs());
    // Every folder the root names, the deleted one (whose chain is free) and a cluster past the end.
    std::vector<std::uint32_t> keys{kFatRootDirectoryKey};
    for (std::uint32_t i = 0; i < g_dwFatDirEntryCount; ++i)
      if (g_pFatDirEntries[i].directory && !g_pFatDirEntries[i].volumeLabel) keys.push_back(g_pFatDirEntries[i].firstCluster);
    keys.push_back(v.fs()->geometry.lastCluster + 1);
    ASSERT_GE(keys.size(), 4u);
    int read = 0, refused = 0;
    for (std::uint32_t key : keys) {
      SCOPED_TRACE(key);
      std::vector<FATDIRENTRY> quiet;
      const FATDIRENTRY* tableBefore = g_pFatDirEntries;
      const std::uint8_t* bufferBefore = rec->dirBuffer;
      const bool ok = ReadFatDirectoryEntries(rec, key, &quiet);
      EXPECT_EQ(g_pFatDirEntries, tableBefore);
      EXPECT_EQ(rec->dirBuffer, bufferBefore);
      const std::size_t said = sink.Texts().size();
      const int engine = ReadDirectory(key);
      sink.Clear();
      ASSERT_EQ(ok, engine == 1);
      (ok ? read : refused)++;
      if (!ok) {
        EXPECT_TRUE(quiet.empty());
        EXPECT_EQ(said, 0u);
        continue;
      }
      ASSERT_EQ(quiet.size(), g_dwFatDirEntryCount);
      for (std::size_t i = 0; i < quiet.size(); ++i)
        EXPECT_EQ(std::memcmp(&quiet[i], &g_pFatDirEntries[i], sizeof(FATDIRENTRY)), 0) << i;
      ASSERT_EQ(ReadRootDirectory(v.fs()), 1);
    }
    EXPECT_GE(read, 2);     // the root and SUB
    EXPECT_GE(refused, 2);  // the deleted folder and the cluster past the end
  }
}

}  // namespace
