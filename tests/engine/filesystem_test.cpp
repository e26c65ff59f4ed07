#include "corvane/filesystem.h"

#include <gtest/gtest.h>

#include "corvane/bootarea.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Fixture;
using testing_support::OpenedVolume;
using testing_support::ScopedDrives;

TEST(Facade, NoCurrentRecord) {
  FILESYSTEMOBJ* saved = m_pFileSystem;
  m_pFileSystem = nullptr;
  EXPECT_EQ(GetFileSystemType(), 0u);
  EXPECT_EQ(ReadDirectory(0xFFFFFFFF), 0);
  EXPECT_EQ(ReadClusterByType(2), nullptr);
  EXPECT_EQ(IsClusterInRange(2), 0);
  m_pFileSystem = saved;
}

TEST(Facade, NamesOfTypeCodes) {
  struct Case {
    std::uint32_t code;
    const char16_t* name;
  } cases[] = {{1, u"FAT12"}, {2, u"FAT16"}, {3, u"FAT32"}, {4, u"NTFS"},    {6, u"exFAT"},
               {7, u"CDFS"},  {16, u"UDF"},  {252, u"UNKNOWN"}, {255, u"UNKNOWN"}, {5, u"UNKNOWN"}};
  for (const auto& c : cases) {
    FILESYSTEMOBJ fs{};
    fs.typeCode = c.code;
    EXPECT_EQ(GetFileSystemName(&fs), c.name) << c.code;
  }
}

TEST(Facade, OpenCreatesOnlyTheRecordOfTheType) {
  struct Case {
    const char* image;
    std::uint32_t type;
  } cases[] = {{"base_fat12.img", kFsFat12}, {"base_fat16.img", kFsFat16}, {"base_fat32.img", kFsFat32},
               {"base_exfat.img", kFsExfat}, {"base_ntfs.img", kFsNtfs}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.image);
    if (!testing_support::FixtureExists(c.image)) continue;
    ScopedDrives drives({std::string("E=") + Fixture(c.image)});
    OpenedVolume v('E');
    ASSERT_TRUE(v.ok());
    FILESYSTEMOBJ* fs = v.fs();
    EXPECT_EQ(GetFileSystemType(), c.type);
    EXPECT_EQ(fs->fat12 != nullptr, c.type == kFsFat12);
    EXPECT_EQ(fs->fat16 != nullptr, c.type == kFsFat16);
    EXPECT_EQ(fs->fat32 != nullptr, c.type == kFsFat32);
    EXPECT_EQ(fs->exfat != nullptr, c.type == kFsExfat);
    EXPECT_EQ(fs->ntfs != nullptr, c.type == kFsNtfs);
    EXPECT_EQ(g_bNtfsVolume, c.type == kFsNtfs ? 1 : 0);
    if (FATVOLUMERECORD* rec = CurrentFatRecord(fs)) {
      EXPECT_EQ(rec->geometry.lastCluster, fs->geometry.lastCluster);
      EXPECT_EQ(rec->volumeHandle, fs->volumeHandle);
      EXPECT_EQ(rec->reader.SectorSize(), fs->bytesPerSector);
      EXPECT_EQ(rec->typeCode, c.type);
    }
  }
}

TEST(Facade, SecondOpenReleasesTheFirstVolume) {
  REQUIRE_FIXTURE("base_fat16.img");
  REQUIRE_FIXTURE("base_ntfs.img");
  ScopedDrives drives({"E=" + Fixture("base_fat16.img"), "F=" + Fixture("base_ntfs.img")});
  const std::size_t before = platform::OpenHandleCount();
  platform::RecordingMessageSink sink;
  platform::ScopedMessageSink guard(&sink);
  FILESYSTEMOBJ fs{};
  m_pFileSystem = &fs;
  InitFileSystem(&fs, 'E');
  ASSERT_EQ(OpenFileSystem(&fs), 1);
  ASSERT_NE(g_pBootRecord, nullptr);
  // The record is reused for another drive without closing the first.
  InitFileSystem(&fs, 'F');
  EXPECT_EQ(g_pBootRecord, nullptr);
  EXPECT_EQ(platform::OpenHandleCount(), before);
  ASSERT_EQ(OpenFileSystem(&fs), 1);
  EXPECT_EQ(fs.fat16, nullptr);
  EXPECT_NE(fs.ntfs, nullptr);
  EXPECT_EQ(g_dwLFNDirEntry, 0u);
  FreeFileSystem(&fs);
  EXPECT_EQ(platform::OpenHandleCount(), before);
  EXPECT_EQ(g_pNtfsBootRecord, nullptr);
  m_pFileSystem = nullptr;
}

TEST(Facade, OpeningAMissingDriveFails) {
  ScopedDrives drives({});
  OpenedVolume v('Q');
  EXPECT_FALSE(v.ok());
  EXPECT_TRUE(v.sink().Saw(u"드라이브를 열 수 없습니다."));
}

TEST(Facade, ExfatAndNtfsHaveOnlyARoot) {
  for (const char* image : {"base_exfat.img", "base_ntfs.img"}) {
    if (!testing_support::FixtureExists(image)) continue;
    ScopedDrives drives({std::string("E=") + Fixture(image)});
    OpenedVolume v('E');
    ASSERT_TRUE(v.ok());
    EXPECT_EQ(ReadDirectory(7), 0) << image;
    EXPECT_EQ(IsClusterInRange(2), 0) << image;
    EXPECT_EQ(GetClusterChainLength(2, 100), -1) << image;
  }
}

TEST(EngineProbe, InfoListsEveryPartitionWithItsRange) {
  REQUIRE_FIXTURE("disk.img");
  auto r = testing_support::Run(testing_support::BinDir() + "/engine_probe info --drive D=" +
                                Fixture("disk.img"));
  ASSERT_EQ(r.exitCode, 0);
  auto lines = testing_support::Lines(r.out);
  const std::uint64_t starts[] = {2048, 18432, 34816, 53248, 71680, 90112};
  ASSERT_EQ(lines.size(), 6u) << r.out;
  for (int i = 0; i < 6; ++i) {
    auto f = testing_support::Fields(lines[i]);
    ASSERT_EQ(f.size(), 6u + 13u) << lines[i];
    EXPECT_EQ(f[0], std::string(1, static_cast<char>('D' + i)));
    EXPECT_EQ(f[2], std::to_string(starts[i] * 512));
    EXPECT_EQ(f[3], std::to_string(16384 * 512));
    EXPECT_EQ(f[4], "FAT");
    EXPECT_EQ(f[5], "2");
    EXPECT_EQ(f[10], "65");  // FAT 2 starts after one FAT of 64 sectors
  }
}

TEST(EngineProbe, FailuresAreReportedInTheTypeColumn) {
  REQUIRE_FIXTURE("zero.img");
  auto r = testing_support::Run(testing_support::BinDir() + "/engine_probe info --drive Z=" +
                                Fixture("zero.img"));
  ASSERT_EQ(r.exitCode, 0);
  auto f = testing_support::Fields(testing_support::Lines(r.out).at(0));
  EXPECT_EQ(f[4], "-");
  EXPECT_EQ(platform::FromUtf8(f[5]), kMsgUnsupportedDrive);
  EXPECT_NE(testing_support::Run(testing_support::BinDir() + "/engine_probe bogus").exitCode, 0);
  EXPECT_NE(testing_support::Run(testing_support::BinDir() + "/engine_probe list Q: 2>/dev/null").exitCode, 0);
}

}  // namespace
