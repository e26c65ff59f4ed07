#include "corvane/filesystem.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "corvane/bootarea.h"
#include "corvane/capabilities.h"
#include "corvane/exfat_records.h"
#include "corvane/fat_records.h"
#include "corvane/ntfs_records.h"
#include "corvane/ntfs_save.h"
#include "corvane/ntfs_volume.h"
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
    ASSERT_TRUE(testing_support::FixtureExists(c.image)) << "fixture missing";
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
    ASSERT_TRUE(testing_support::FixtureExists(image)) << image << " missing";
    ScopedDrives drives({std::string("E=") + Fixture(image)});
    OpenedVolume v('E');
    ASSERT_TRUE(v.ok());
    EXPECT_EQ(ReadDirectory(7), 0) << image;
    EXPECT_EQ(IsClusterInRange(2), 0) << image;
    EXPECT_EQ(GetClusterChainLength(2, 100), -1) << image;
  }
}

// One volume of each supported type, driven through the facade as the capability table says:
// open, root, one folder, one saved file. A missing image fails the case.
struct FacadeCase {
  const char* image;
  std::uint32_t type;
  const char* folder;      // a folder of the root
  const char* folderFile;  // a file inside it (types whose folders open)
  const char* rootFile;    // a live file of the root and its source beside the image
  const char* source;
};

class FacadeOnVolume : public ::testing::TestWithParam<FacadeCase> {
 protected:
  void SetUp() override {
    const FacadeCase& c = GetParam();
    ASSERT_TRUE(testing_support::FixtureExists(c.image)) << "fixture " << c.image << " missing";
    drives_ = std::make_unique<ScopedDrives>(std::vector<std::string>{std::string("E=") + Fixture(c.image)});
    volume_ = std::make_unique<OpenedVolume>('E');
    ASSERT_TRUE(volume_->ok());
    caps_ = CurrentCapabilities();
    ASSERT_NE(caps_, nullptr);
  }
  void TearDown() override {
    volume_.reset();
    drives_.reset();
  }

  // Name and key (first cluster, or record number for NTFS) of the current entries.
  struct Entry {
    std::u16string name;
    std::int64_t key = -1;
    std::uint64_t size = 0;
    bool folder = false;
    const void* raw = nullptr;
  };
  std::vector<Entry> Entries() const {
    std::vector<Entry> out;
    if (caps_->typeCode == kFsNtfs) {
      for (std::uint32_t i = 0; g_pNtfsEntries && i < g_dwNtfsEntryCount; ++i) {
        const NTFSFILEENTRY& e = g_pNtfsEntries[i];
        if (e.deleted) continue;
        out.push_back({e.name, e.recordNumber, static_cast<std::uint64_t>(e.dataSize), e.folder != 0, &e});
      }
    } else if (caps_->typeCode == kFsExfat) {
      for (std::uint32_t i = 0; g_pExfatEntries && i < g_dwExfatEntryCount; ++i) {
        const EXFATFILEENTRY& e = g_pExfatEntries[i];
        if (e.deleted) continue;
        out.push_back({ExfatNameOf(e), e.firstCluster, e.dataLength, e.folder != 0, &e});
      }
    } else {
      for (std::uint32_t i = 0; g_pFatDirEntries && i < g_dwFatDirEntryCount; ++i) {
        const FATDIRENTRY& e = g_pFatDirEntries[i];
        if (e.deleted) continue;
        std::u16string name = e.hasLongName ? LongNameOf(e) : platform::FromUtf8(e.shortName);
        out.push_back({name, e.firstCluster, e.size, e.directory != 0, &e});
      }
    }
    return out;
  }
  const Entry* Find(const std::vector<Entry>& entries, const char* name) const {
    std::u16string wanted = platform::FromUtf8(name);
    for (const Entry& e : entries)
      if (e.name == wanted) return &e;
    return nullptr;
  }

  std::unique_ptr<ScopedDrives> drives_;
  std::unique_ptr<OpenedVolume> volume_;
  const FsCapabilities* caps_ = nullptr;
};

TEST_P(FacadeOnVolume, OpenRootFolderAndSaveAsTheCapabilitiesSay) {
  const FacadeCase& c = GetParam();
  FILESYSTEMOBJ* fs = volume_->fs();
  EXPECT_EQ(caps_->typeCode, c.type);
  EXPECT_EQ(GetFileSystemName(fs), caps_->name);
  EXPECT_TRUE(caps_->supported);
  // Only the record the row names exists.
  for (FATVOLUMERECORD* FILESYSTEMOBJ::*slot :
       {&FILESYSTEMOBJ::fat12, &FILESYSTEMOBJ::fat16, &FILESYSTEMOBJ::fat32, &FILESYSTEMOBJ::exfat})
    EXPECT_EQ(fs->*slot != nullptr, caps_->record == slot);
  EXPECT_EQ(fs->ntfs != nullptr, caps_->ntfsRecord);

  // The root.
  ASSERT_EQ(ReadRootDirectory(fs), 1);
  std::int32_t root = caps_->rootDirectory;
  if (c.type == kFsFat32) root = static_cast<std::int32_t>(g_pBootRecord->rootCluster);
  EXPECT_EQ(fs->currentDirectory, root);
  std::vector<Entry> rootEntries = Entries();
  const Entry* folder = Find(rootEntries, c.folder);
  ASSERT_NE(folder, nullptr) << c.folder;
  EXPECT_TRUE(folder->folder);
  const Entry* file = Find(rootEntries, c.rootFile);
  ASSERT_NE(file, nullptr) << c.rootFile;
  const Entry savedFile = *file;  // the entry arrays go with the next folder read

  // One folder: read by its first cluster where folders open, refused elsewhere.
  const std::uint32_t key = static_cast<std::uint32_t>(folder->key);
  if (caps_->foldersOpen) {
    ASSERT_EQ(ReadDirectory(key), 1);
    EXPECT_EQ(fs->currentDirectory, static_cast<std::int32_t>(key));
    EXPECT_NE(Find(Entries(), c.folderFile), nullptr) << c.folderFile;
    ASSERT_EQ(ReadDirectory(0xFFFFFFFFu), 1);  // back to the root
    EXPECT_EQ(fs->currentDirectory, root);
  } else {
    EXPECT_EQ(ReadDirectory(key), 0);
    EXPECT_EQ(fs->currentDirectory, root);
  }
  EXPECT_EQ(IsClusterInRange(2), caps_->clusterReads ? 1 : 0);
  std::uint8_t* cluster = ReadClusterByType(2);  // the caller's block
  EXPECT_EQ(cluster != nullptr, caps_->clusterReads);
  std::free(cluster);

  // One save, by the type's own method.
  testing_support::TempDir out;
  const std::u16string folderOut = platform::FromUtf8(out.path());
  const std::string expected = *c.source ? testing_support::ReadFile(Fixture(c.source)) : std::string();
  if (CanSave(caps_, kSaveByChain)) {
    const auto* e = static_cast<const FATDIRENTRY*>(Find(Entries(), c.rootFile)->raw);
    ASSERT_EQ(RecoverFatFile(e->firstCluster, u"saved.bin", folderOut, e->size), 1);
    EXPECT_EQ(testing_support::ReadFile(out.File("saved.bin")), expected);
  } else if (CanSave(caps_, kSaveByRecord)) {
    const auto* e = static_cast<const NTFSFILEENTRY*>(savedFile.raw);
    ASSERT_EQ(SaveNtfsFile(fs->ntfs, static_cast<std::uint32_t>(e->recordNumber), u"saved.bin", folderOut,
                           e->fileAttributes, e),
              1);
    EXPECT_EQ(testing_support::ReadFile(out.File("saved.bin")), expected);
  } else {
    // No way to save: the FAT save refuses and writes nothing.
    EXPECT_EQ(caps_->saveMethods, 0u);
    EXPECT_EQ(RecoverFatFile(static_cast<std::uint32_t>(savedFile.key), u"saved.bin", folderOut,
                             static_cast<std::uint32_t>(savedFile.size)),
              0);
    EXPECT_TRUE(std::filesystem::is_empty(out.path()));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Types, FacadeOnVolume,
    ::testing::Values(FacadeCase{"fat12.img", kFsFat12, "SUB", "INNER.TXT", "SMALL.TXT", "fat12.src/small.txt"},
                      FacadeCase{"fat16.img", kFsFat16, "SUB", "INNER.TXT", "SMALL.TXT", "fat16.src/small.txt"},
                      FacadeCase{"fat32.img", kFsFat32, "SUB", "INNER.TXT", "SMALL.TXT", "fat32.src/small.txt"},
                      FacadeCase{"exfat.img", kFsExfat, "Folder one", "", "live.txt", ""},
                      FacadeCase{"ntfs_512.img", kFsNtfs, "docs", "", "small.txt", "ntfs_512.img.files/small.txt"}),
    [](const ::testing::TestParamInfo<FacadeCase>& info) {
      std::string name = info.param.image;
      return name.substr(0, name.find('.'));
    });

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
