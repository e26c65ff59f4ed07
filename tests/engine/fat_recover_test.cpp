#include "corvane/fat_recover.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "corvane/bootarea.h"
#include "corvane/fat_records.h"
#include "corvane/fat_table.h"
#include "corvane/save_control.h"
#include "platform/fault_plan.h"
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

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  return names;
}

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
  FATVOLUMERECORD* rec() { return CurrentFatRecord(volume_->fs()); }
  // The clusters the basic method takes for the entry.
  std::vector<std::uint32_t> Chain(const FATDIRENTRY& e) {
    FatRecoverRequest request;
    request.firstCluster = e.firstCluster;
    request.size = e.size;
    std::vector<std::uint32_t> clusters;
    bool complete = false;
    EXPECT_TRUE(PlanFatClusters(rec(), request, &clusters, &complete));
    EXPECT_TRUE(complete);
    return clusters;
  }
  std::uint64_t ByteOfCluster(std::uint32_t cluster) {
    return ClusterToSector(cluster, rec()) * rec()->bytesPerSector;
  }

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

// A chain that ends short of the size fails with its reason; the part it held is kept under the
// name, or (told not to keep it) the folder stays as it was, an older file of that name included.
TEST_P(FatRecoverOnVolume, AShortChainSaysWhyAndKeepsItsPartOnlyWhenAllowed) {
  const FATDIRENTRY* e = Find("MULTI.BIN");
  ASSERT_NE(e, nullptr);
  const std::uint32_t size = e->size + 3 * clusterBytes_;
  {
    SaveControl control;
    EXPECT_EQ(RecoverFatFile(e->firstCluster, u"kept.bin", U(out_.path()), size, kFatRecoverBasic, 0, 0, 0, &control),
              0);
    EXPECT_EQ(control.note, kNoteChainShort);
    EXPECT_EQ(ReadFile(out_.File("kept.bin")).substr(0, e->size), Source("multi.bin"));
  }
  {
    testing_support::WriteFile(out_.File("older.bin"), "older");
    SaveControl control;
    control.keepIncomplete = false;
    EXPECT_EQ(RecoverFatFile(e->firstCluster, u"older.bin", U(out_.path()), size, kFatRecoverBasic, 0, 0, 0, &control),
              0);
    EXPECT_EQ(control.note, kNoteIncompleteNotReplaced);
    EXPECT_EQ(ReadFile(out_.File("older.bin")), "older");
  }
  // Sizes the volume cannot hold and first clusters outside its data area say so too.
  {
    SaveControl control;
    EXPECT_EQ(RecoverFatFile(e->firstCluster, u"huge.bin", U(out_.path()), 0xFFFFFFFFu, kFatRecoverBasic, 0, 0, 0,
                             &control),
              0);
    EXPECT_EQ(control.note, kNoteLargerThanVolume);
  }
  {
    SaveControl control;
    EXPECT_EQ(RecoverFatFile(0x0FFFFFF0u, u"out.bin", U(out_.path()), 10, kFatRecoverBasic, 0, 0, 0, &control), 0);
    EXPECT_EQ(control.note, kNoteClusterOutside);
  }
  const std::vector<std::string> names = FolderNames(out_.path());
  EXPECT_EQ(names.size(), 2u) << "kept.bin and older.bin only, no temporary file";
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

TEST_P(FatRecoverOnVolume, LinearMethodFollowsTheChainOfALiveFile) {
  const FATDIRENTRY* e = Find("FRAG.BIN");
  ASSERT_NE(e, nullptr);
  // The file fills a gap and goes on past another file: its clusters are not contiguous.
  const std::vector<std::uint32_t> chain = Chain(*e);
  ASSERT_GE(chain.size(), 2u);
  ASSERT_NE(chain[1], chain[0] + 1);
  ASSERT_EQ(RecoverFatFile(e->firstCluster, u"frag", U(out_.path()), e->size, kFatRecoverLinear, 0), 1);
  EXPECT_EQ(ReadFile(out_.File("frag")), Source("frag.bin"));
}

TEST_P(FatRecoverOnVolume, AFailingReadInsideTheTableStopsItsLoadWithTheMessage) {
  platform::ScopedFaultPlan faults;
  const FATVOLUMERECORD* r = rec();
  FreeFatTables();
  platform::FaultPlan::FailReadAt(std::uint64_t{r->geometry.fat1First} * r->bytesPerSector + 3);
  volume_->sink().Clear();
  EXPECT_EQ(LoadFatTable(volume_->fs()), 0);
  EXPECT_GT(platform::FaultPlan::FailedReads(), 0u);
  ASSERT_EQ(volume_->sink().Messages().size(), 1u);
  EXPECT_EQ(volume_->sink().Messages()[0].text, kMsgCannotReadSectorsDot);
  EXPECT_EQ(volume_->sink().Messages()[0].icon, platform::MsgIcon::Error);
  EXPECT_EQ(ReadRootDirectory(volume_->fs()), 0);

  // The table's copy cannot be allocated.
  platform::FaultPlan::Clear();
  platform::FaultPlan::FailNextLargeAllocation();
  volume_->sink().Clear();
  EXPECT_EQ(LoadFatTable(volume_->fs()), 0);
  ASSERT_EQ(volume_->sink().Messages().size(), 1u);
  EXPECT_EQ(volume_->sink().Messages()[0].text, kMsgFatOutOfMemory);
  EXPECT_EQ(volume_->sink().Messages()[0].icon, platform::MsgIcon::Error);

  EXPECT_EQ(LoadFatTable(volume_->fs()), 1);
  EXPECT_EQ(ReadRootDirectory(volume_->fs()), 1);
}

// A read or write failing in the middle of a save, or a copy buffer that cannot be had: the save
// fails, says why, and leaves the folder as it was (an older file of the same name untouched).
TEST_P(FatRecoverOnVolume, FaultsDuringASaveLeaveNoPartialFile) {
  const FATDIRENTRY* e = Find("FRAG.BIN");
  ASSERT_NE(e, nullptr);
  const std::vector<std::uint32_t> chain = Chain(*e);
  ASSERT_GE(chain.size(), 3u);
  const std::string older(100, 'o');
  struct Case {
    const char* what;
    void (*arm)(std::uint64_t clusterByte, std::uint32_t clusterBytes);
    const char16_t* note;
    const char16_t* message;  // the box the save shows, if any
  };
  const Case cases[] = {
      {"read inside the third cluster",
       [](std::uint64_t byte, std::uint32_t) { platform::FaultPlan::FailReadAt(byte + 5); },
       kNoteReadFailed, nullptr},
      {"write past the first cluster",
       [](std::uint64_t, std::uint32_t cb) { platform::FaultPlan::FailOutputWriteAfter(cb); },
       kNoteWriteFailed, nullptr},
      {"copy buffer", [](std::uint64_t, std::uint32_t) { platform::FaultPlan::FailNextLargeAllocation(); },
       kNoteOutOfMemory, kMsgFatOutOfMemory},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    platform::ScopedFaultPlan faults;
    TempDir out;
    testing_support::WriteFile(out.File("FRAG.BIN"), older);
    k.arm(ByteOfCluster(chain[2]), clusterBytes_);
    volume_->sink().Clear();
    SaveControl control;
    int chunks = 0;
    control.afterChunk = [&](std::uint64_t, std::uint64_t) { return ++chunks, false; };
    EXPECT_EQ(RecoverFatFile(e->firstCluster, u"FRAG.BIN", U(out.path()), e->size, kFatRecoverBasic, 0,
                             0, 0, &control), 0);
    EXPECT_EQ(control.note, k.note);
    if (k.message) {
      EXPECT_TRUE(volume_->sink().Saw(k.message));
    } else {
      EXPECT_TRUE(volume_->sink().Messages().empty());
      EXPECT_GE(chunks, 1);  // the fault came after a written run
    }
    EXPECT_EQ(FolderNames(out.path()), std::vector<std::string>{"FRAG.BIN"});
    EXPECT_EQ(ReadFile(out.File("FRAG.BIN")), older);
  }
  // The cluster reader shows its message for the same bad spot.
  platform::ScopedFaultPlan faults;
  platform::FaultPlan::FailReadAt(ByteOfCluster(chain[2]) + 5);
  volume_->sink().Clear();
  EXPECT_EQ(ReadClusterByType(chain[2]), nullptr);
  EXPECT_TRUE(volume_->sink().Saw(kMsgCannotReadSectors));
}

TEST_P(FatRecoverOnVolume, TheHookStopsOrPausesTheSave) {
  const FATDIRENTRY* e = Find("FRAG.BIN");
  ASSERT_NE(e, nullptr);
  const std::uint64_t size = e->size;
  // Stop after the first run: nothing is left.
  for (int method : {kFatRecoverBasic, kFatRecoverLinear, kFatRecoverSector}) {
    SCOPED_TRACE(method);
    TempDir out;
    SaveControl control;
    int calls = 0;
    control.afterChunk = [&](std::uint64_t written, std::uint64_t total) {
      EXPECT_GT(written, 0u);
      EXPECT_EQ(total, size);
      return ++calls, true;
    };
    const std::uint64_t sector = ByteOfCluster(e->firstCluster) / rec()->bytesPerSector;
    EXPECT_EQ(RecoverFatFile(e->firstCluster, u"FRAG.BIN", U(out.path()), e->size, method, 0, sector, 0,
                             &control), 0);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(control.stopped);
    EXPECT_TRUE(std::filesystem::is_empty(out.path()));
  }

  // A hook that blocks holds the save where it is; the file appears only when it is done.
  std::mutex m;
  std::condition_variable cv;
  bool paused = false, resume = false;
  SaveControl control;
  std::vector<std::uint64_t> seen;
  control.afterChunk = [&](std::uint64_t written, std::uint64_t) {
    std::unique_lock lock(m);
    seen.push_back(written);
    if (seen.size() == 1) {
      paused = true;
      cv.notify_all();
      cv.wait(lock, [&] { return resume; });
    }
    return false;
  };
  int result = -1;
  std::thread saver([&] {
    result = RecoverFatFile(e->firstCluster, u"FRAG.BIN", U(out_.path()), e->size, kFatRecoverBasic, 0, 0,
                            0, &control);
  });
  {
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return paused; });
    EXPECT_FALSE(std::filesystem::exists(out_.File("FRAG.BIN")));
    resume = true;
    cv.notify_all();
  }
  saver.join();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(ReadFile(out_.File("FRAG.BIN")), Source("frag.bin"));
  ASSERT_GE(seen.size(), 2u);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), size);
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
