#include "corvane/fat_recover.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "corvane/bootarea.h"
#include "corvane/fat_records.h"
#include "corvane/fat_table.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Fixture;
using testing_support::OpenedVolume;
using testing_support::ReadFile;
using testing_support::ScopedDrives;
using testing_support::TempDir;

const FATDIRENTRY* Find(const char* shortName) {
  for (std::uint32_t i = 0; i < g_dwFatDirEntryCount; ++i)
    if (std::strcmp(g_pFatDirEntries[i].shortName, shortName) == 0) return &g_pFatDirEntries[i];
  return nullptr;
}

std::u16string U(const std::string& s) { return platform::FromUtf8(s); }

class FatRecoverOnVolume : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    image_ = GetParam();
    if (!testing_support::FixtureExists(image_ + ".img")) GTEST_SKIP() << "fixture missing";
    drives_ = std::make_unique<ScopedDrives>(std::vector<std::string>{"E=" + Fixture(image_ + ".img")});
    volume_ = std::make_unique<OpenedVolume>('E');
    ASSERT_TRUE(volume_->ok());
    ASSERT_EQ(ReadRootDirectory(volume_->fs()), 1);
    clusterBytes_ = FatClusterBytes(CurrentFatRecord(volume_->fs()));
  }
  void TearDown() override {
    volume_.reset();
    drives_.reset();
  }
  std::string Source(const std::string& name) { return ReadFile(Fixture(image_ + ".src/" + name)); }

  std::string image_;
  std::unique_ptr<ScopedDrives> drives_;
  std::unique_ptr<OpenedVolume> volume_;
  std::uint32_t clusterBytes_ = 0;
  TempDir out_;
};

TEST_P(FatRecoverOnVolume, LiveFileReplacesWhatTheFolderHeld) {
  const FATDIRENTRY* e = Find("MULTI.BIN");
  ASSERT_NE(e, nullptr);
  // An older, longer file of the same name is replaced, not appended to.
  testing_support::WriteFile(out_.File("MULTI.BIN"), std::string(100000, 'x'));
  ASSERT_EQ(RecoverFatFile(e->firstCluster, u"MULTI.BIN", U(out_.path()), e->size), 1);
  EXPECT_EQ(ReadFile(out_.File("MULTI.BIN")), Source("multi.bin"));
}

TEST_P(FatRecoverOnVolume, AChainShorterThanTheSizeFails) {
  const FATDIRENTRY* e = Find("MULTI.BIN");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(RecoverFatFile(e->firstCluster, u"long.bin", U(out_.path()), e->size + 3 * clusterBytes_), 0);
  // What the chain holds stays in place.
  const std::string written = ReadFile(out_.File("long.bin"));
  EXPECT_EQ(written.substr(0, e->size), Source("multi.bin"));
}

TEST_P(FatRecoverOnVolume, EmptyFileAndUnnamedEntry) {
  const FATDIRENTRY* zero = Find("ZERO.BIN");
  ASSERT_NE(zero, nullptr);
  ASSERT_EQ(zero->firstCluster, 0u);
  ASSERT_EQ(RecoverFatFile(zero->firstCluster, u"ZERO.BIN", U(out_.path()), 0), 1);
  EXPECT_TRUE(std::filesystem::exists(out_.File("ZERO.BIN")));
  EXPECT_EQ(std::filesystem::file_size(out_.File("ZERO.BIN")), 0u);
  // A first cluster below 2 with bytes to write cannot be placed.
  EXPECT_EQ(RecoverFatFile(0, u"bad.bin", U(out_.path()), 10), 0);
  EXPECT_TRUE(volume_->sink().Saw(kMsgClusterAbnormal));
  EXPECT_FALSE(std::filesystem::exists(out_.File("bad.bin")));

  const FATDIRENTRY* small = Find("SMALL.TXT");
  ASSERT_NE(small, nullptr);
  ASSERT_EQ(RecoverFatFile(small->firstCluster, u"", U(out_.path()), small->size), 1);
  EXPECT_EQ(ReadFile(out_.File("[" + std::to_string(small->firstCluster) + "]")), Source("small.txt"));
}

TEST_P(FatRecoverOnVolume, NamesNeverLeaveTheSaveFolder) {
  const FATDIRENTRY* small = Find("SMALL.TXT");
  ASSERT_NE(small, nullptr);
  TempDir inner;
  const std::u16string folder = U(inner.path());
  for (const std::u16string& name : {std::u16string(u".."), std::u16string(u"../escape.txt"),
                                     std::u16string(u"a/b.txt"), std::u16string(u"."),
                                     std::u16string(u"nul\0inside", 10)}) {
    EXPECT_EQ(RecoverFatFile(small->firstCluster, name, folder, small->size), 0);
  }
  EXPECT_TRUE(volume_->sink().Saw(kMsgCannotOpenFile));
  EXPECT_TRUE(std::filesystem::is_empty(inner.path()));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(inner.path()).parent_path() / "escape.txt"));
  EXPECT_EQ(RecoverFatFile(small->firstCluster, u"SMALL.TXT", u"", small->size), 0);
  EXPECT_TRUE(volume_->sink().Saw(kMsgNoSaveFolder));
}

TEST_P(FatRecoverOnVolume, DeletedFilesByMethod) {
  const FATDIRENTRY* one = Find("#EL1.TXT");
  const FATDIRENTRY* multi = Find("#MULTI.BIN");
  const FATDIRENTRY* inter = Find("#NTER.BIN");
  ASSERT_TRUE(one && multi && inter);
  const std::u16string dir = U(out_.path());
  // One cluster: the basic method saves it whole.
  EXPECT_EQ(RecoverFatFile(one->firstCluster, u"one", dir, one->size, kFatRecoverBasic, 1), 1);
  EXPECT_EQ(ReadFile(out_.File("one")), Source("del1.txt"));
  // Several clusters: the freed chain stops the basic method after the first cluster.
  EXPECT_EQ(RecoverFatFile(multi->firstCluster, u"basic", dir, multi->size, kFatRecoverBasic, 1), 0);
  EXPECT_EQ(ReadFile(out_.File("basic")), Source("dmulti.bin").substr(0, clusterBytes_));
  // The linear method takes the following free clusters.
  EXPECT_EQ(RecoverFatFile(multi->firstCluster, u"linear", dir, multi->size, kFatRecoverLinear, 1), 1);
  EXPECT_EQ(ReadFile(out_.File("linear")), Source("dmulti.bin"));
  // ...and passes over the live file's cluster between the deleted file's ones.
  EXPECT_EQ(RecoverFatFile(inter->firstCluster, u"inter", dir, inter->size, kFatRecoverLinear, 1), 1);
  EXPECT_EQ(ReadFile(out_.File("inter")), Source("inter.bin"));
  // Taken as live, the same clusters include the live file's: the bytes differ.
  EXPECT_EQ(RecoverFatFile(inter->firstCluster, u"asLive", dir, inter->size, kFatRecoverLinear, 0), 1);
  EXPECT_NE(ReadFile(out_.File("asLive")), Source("inter.bin"));
}

TEST_P(FatRecoverOnVolume, ReusedFirstClusterIsRefused) {
  const FATDIRENTRY* sub = Find("SUB");
  ASSERT_NE(sub, nullptr);
  ASSERT_EQ(ReadDirectory(sub->firstCluster), 1);
  const FATDIRENTRY* reused = Find("#2.BIN");
  ASSERT_NE(reused, nullptr);
  // It fits in one cluster, which now holds another file: neither method saves that file's bytes.
  for (int method : {kFatRecoverLinear, kFatRecoverBasic}) {
    SCOPED_TRACE(method);
    volume_->sink().Clear();
    EXPECT_EQ(RecoverFatFile(reused->firstCluster, u"g2", U(out_.path()), reused->size, method, 1), 0);
    EXPECT_TRUE(volume_->sink().Saw(kMsgDataOverwritten));
    EXPECT_FALSE(std::filesystem::exists(out_.File("g2")));
  }
}

TEST_P(FatRecoverOnVolume, SectorMethodReadsTheGivenSectors) {
  const FATDIRENTRY* e = Find("MULTI.BIN");
  ASSERT_NE(e, nullptr);
  const std::uint64_t first = ClusterToSector(e->firstCluster, CurrentFatRecord(volume_->fs()));
  const std::u16string dir = U(out_.path());
  ASSERT_EQ(RecoverFatFile(0, u"s", dir, e->size, kFatRecoverSector, 0, first, 0), 1);
  EXPECT_EQ(ReadFile(out_.File("s")), Source("multi.bin"));
  // Two sectors and no size: the two whole sectors.
  ASSERT_EQ(RecoverFatFile(0, u"two", dir, 0, kFatRecoverSector, 0, first, 2), 1);
  EXPECT_EQ(ReadFile(out_.File("two")), Source("multi.bin").substr(0, 1024));
  // Fewer sectors than the size: not a success.
  EXPECT_EQ(RecoverFatFile(0, u"short", dir, e->size, kFatRecoverSector, 0, first, 1), 0);
  // Sectors past the end of the volume.
  EXPECT_EQ(RecoverFatFile(0, u"past", dir, 512, kFatRecoverSector, 0, 1ull << 40, 1), 0);
}

TEST_P(FatRecoverOnVolume, TheVolumeIsNeverWritten) {
  const std::string before = ReadFile(Fixture(image_ + ".img"));
  const FATDIRENTRY* e = Find("MULTI.BIN");
  ASSERT_NE(e, nullptr);
  ASSERT_EQ(RecoverFatFile(e->firstCluster, u"m", U(out_.path()), e->size), 1);
  EXPECT_EQ(ReadFile(Fixture(image_ + ".img")), before);
}

INSTANTIATE_TEST_SUITE_P(Widths, FatRecoverOnVolume, ::testing::Values("fat12", "fat16", "fat32"));

TEST(FatRecoverPlan, SizesUpToTheLargestAreCounted) {
  // A 4 GiB - 1 file of 512-byte clusters needs 8388608 of them; the size does not overflow.
  FATVOLUMERECORD rec{};
  rec.typeCode = kFsFat32;
  rec.bytesPerSector = 512;
  rec.geometry.lastCluster = 8388608 + 10;
  BOOTRECORD boot{};
  boot.sectorsPerCluster = 1;
  boot.bytesPerSector = 512;
  BOOTRECORD* savedBoot = g_pBootRecord;
  g_pBootRecord = &boot;
  FreeFatTables();
  g_pFat32Table = static_cast<std::uint32_t*>(std::calloc(rec.geometry.lastCluster + 2, 4));
  ASSERT_NE(g_pFat32Table, nullptr);
  g_dwFatTableEntries = rec.geometry.lastCluster + 2;
  FatRecoverRequest request;
  request.firstCluster = 2;
  request.size = 0xFFFFFFFFu;
  request.method = kFatRecoverLinear;
  std::vector<std::uint32_t> clusters;
  bool complete = false;
  EXPECT_TRUE(PlanFatClusters(&rec, request, &clusters, &complete));
  EXPECT_TRUE(complete);
  EXPECT_EQ(clusters.size(), 8388608u);
  // A chain that loops ends the plan short.
  g_pFat32Table[2] = 3;
  g_pFat32Table[3] = 2;
  request.method = kFatRecoverBasic;
  request.size = 5000;
  clusters.clear();
  EXPECT_TRUE(PlanFatClusters(&rec, request, &clusters, &complete));
  EXPECT_FALSE(complete);
  EXPECT_LE(clusters.size(), 10u);
  FreeFatTables();
  g_pBootRecord = savedBoot;
}

TEST(FatRecoverPath, OutputPathInsideTheFolder) {
  EXPECT_EQ(FatOutputPath(u"/tmp/out", u"a.txt", 5), "/tmp/out/a.txt");
  EXPECT_EQ(FatOutputPath(u"/tmp/out/", u"", 123), "/tmp/out/[123]");
  EXPECT_EQ(FatOutputPath(u"/tmp/out", u"한글.txt", 5), "/tmp/out/한글.txt");
  EXPECT_EQ(FatOutputPath(u"/tmp/out", u"..", 5), "");
  EXPECT_EQ(FatOutputPath(u"/tmp/out", u"x/../../y", 5), "");
  EXPECT_EQ(FatOutputPath(u"/tmp/out", u"a..b", 5), "/tmp/out/a..b");
}

}  // namespace
