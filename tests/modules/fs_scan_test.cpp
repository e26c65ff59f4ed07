#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

#include "platform/fault_plan.h"
#include "tests/modules/module_env.h"

namespace {

// Collects what the scan delivers; the callbacks come from the scan's threads.
struct Collector {
  std::mutex mutex;
  std::condition_variable changed;
  int passes = 0;
  std::vector<SCANFILEENTRY> rows;
  std::vector<SCANFILEENTRY> firstRows;  // of the first pass delivered
  int progressTexts = 0;

  static void Progress(void* self, const std::u16string&) {
    auto* c = static_cast<Collector*>(self);
    std::lock_guard lock(c->mutex);
    ++c->progressTexts;
  }
  static void PassDone(void* self, const std::vector<SCANFILEENTRY>& rows) {
    auto* c = static_cast<Collector*>(self);
    std::lock_guard lock(c->mutex);
    if (++c->passes == 1) c->firstRows = rows;
    c->rows = rows;
    c->changed.notify_all();
  }
};

// The modules share the program's drive map (one platform library in the process).
class FsScan : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(started_.ok()); }
  testing_support::ScopedDrives drives_{{"N=" + testing_support::Fixture("ntfs_4k.img"),
                                         "M=" + testing_support::Fixture("base_fat16.img")}};
  module_env::StartedModules started_;
};

// The scan module's own set_scan_sink (not part of the bound table).
decltype(&set_scan_sink) SinkSetter() {
  return reinterpret_cast<decltype(&set_scan_sink)>(
      platform::ModuleSymbol(g_ModuleTable[FindModuleRow(u"fs.dll")].handle, "set_scan_sink"));
}

TEST_F(FsScan, StoppedFromAnotherThreadReturnsWithTheRowsOfOnePass) {
  REQUIRE_FIXTURE("ntfs_4k.img");
  auto setSink = SinkSetter();
  ASSERT_NE(setSink, nullptr);
  Collector collector;
  SCANSINK sink{&Collector::Progress, &Collector::PassDone, &collector};
  setSink(&sink);

  pfn_sig_stop_scan();  // before the scan: no effect, scan_dir clears it
  EXPECT_EQ(pfn_set_disk_target(u'N'), u'N');
  int result = -1;
  std::thread scanner([&] { result = pfn_scan_dir(); });
  {
    std::unique_lock lock(collector.mutex);
    ASSERT_TRUE(collector.changed.wait_for(lock, std::chrono::seconds(60), [&] { return collector.passes >= 3; }));
  }
  pfn_sig_stop_scan();
  scanner.join();
  setSink(nullptr);
  EXPECT_EQ(result, 1);

  std::lock_guard lock(collector.mutex);
  EXPECT_GT(collector.progressTexts, 0);
  // The manifest's live files are the rows: no folder, no system record, each once.
  std::multiset<std::u16string> names;
  for (const SCANFILEENTRY& r : collector.rows) {
    EXPECT_GE(r.recordNumber, 32);
    EXPECT_EQ(r.folder, 0);
    EXPECT_EQ(r.system, 0);
    EXPECT_FALSE(r.created.empty());
    EXPECT_NE(r.created, u"X");
    EXPECT_FALSE(r.sizeText.empty());
    names.insert(r.name);
  }
  EXPECT_EQ(names.count(u"small.txt"), 1u);
  EXPECT_EQ(names.count(u"deep.txt"), 1u);
  EXPECT_EQ(names.count(u"docs"), 0u);
  EXPECT_EQ(names.count(u"$MFT"), 0u);
  for (const SCANFILEENTRY& r : collector.rows)
    if (r.name == u"small.txt") {
      EXPECT_EQ(r.sizeText, u"100 B");
    }
}

// Files whose name or data pieces live in extension records are rows with their names and whole
// sizes; their extension records are no rows of their own.
TEST_F(FsScan, FilesWithAttributeListsAreRowsOfTheirOwn) {
  REQUIRE_FIXTURE("ntfs_attrlist.img");
  // In place of the fixture's drives for this test (cleared again when it ends).
  testing_support::ScopedDrives drives({"L=" + testing_support::Fixture("ntfs_attrlist.img")});
  auto setSink = SinkSetter();
  ASSERT_NE(setSink, nullptr);
  Collector collector;
  SCANSINK sink{&Collector::Progress, &Collector::PassDone, &collector};
  setSink(&sink);
  EXPECT_EQ(pfn_set_disk_target(u'L'), u'L');
  int result = -1;
  std::thread scanner([&] { result = pfn_scan_dir(); });
  {
    std::unique_lock lock(collector.mutex);
    ASSERT_TRUE(collector.changed.wait_for(lock, std::chrono::seconds(60), [&] { return collector.passes >= 1; }));
  }
  pfn_sig_stop_scan();
  scanner.join();
  setSink(nullptr);
  EXPECT_EQ(result, 1);
  std::lock_guard lock(collector.mutex);
  std::multiset<std::u16string> names;
  for (const SCANFILEENTRY& r : collector.firstRows) names.insert(r.name);
  for (const char16_t* name : {u"frag.bin", u"delfrag.bin", u"big.txt", u"delbig.txt"})
    EXPECT_EQ(names.count(name), 1u) << platform::ToUtf8(name);
  // One row for the file of 300 names, under the name its record gives first.
  std::size_t links = 0;
  for (const std::u16string& n : names) links += n.rfind(u"link", 0) == 0 ? 1 : 0;
  EXPECT_EQ(links, 1u);
  for (const SCANFILEENTRY& r : collector.firstRows)
    if (r.name == u"big.txt") {
      EXPECT_EQ(r.sizeText, pfn_cvt_size_to_unit(16776439.0, 2, 0, 1, 0) + u" " +
                                pfn_cvt_size_to_unit(16776439.0, 2, 0, 0, 1));
    }
}

// A pass whose walk ends early (its chunk buffer cannot be had) is no pass: it is not delivered,
// and the next pass delivers every row.
TEST_F(FsScan, APassWhoseWalkFailsIsNotDelivered) {
  REQUIRE_FIXTURE("ntfs_4k.img");
  auto setSink = SinkSetter();
  ASSERT_NE(setSink, nullptr);
  Collector collector;
  SCANSINK sink{&Collector::Progress, &Collector::PassDone, &collector};
  setSink(&sink);
  platform::ScopedFaultPlan plan;
  platform::FaultPlan::FailNextLargeAllocation();  // the first pass's walk buffer

  pfn_set_disk_target(u'N');
  int result = -1;
  std::thread scanner([&] { result = pfn_scan_dir(); });
  {
    std::unique_lock lock(collector.mutex);
    ASSERT_TRUE(collector.changed.wait_for(lock, std::chrono::seconds(60), [&] { return collector.passes >= 1; }));
  }
  pfn_sig_stop_scan();
  scanner.join();
  setSink(nullptr);
  EXPECT_EQ(result, 1);

  std::lock_guard lock(collector.mutex);
  std::multiset<std::u16string> names;
  for (const SCANFILEENTRY& r : collector.firstRows) names.insert(r.name);
  EXPECT_EQ(names.count(u"small.txt"), 1u);
  EXPECT_EQ(names.count(u"deep.txt"), 1u);
}

TEST_F(FsScan, RefusesAVolumeThatIsNotNtfs) {
  REQUIRE_FIXTURE("base_fat16.img");
  pfn_set_disk_target(u'M');
  EXPECT_EQ(pfn_scan_dir(), 0);
  pfn_set_disk_target(u'Q');  // no such drive
  EXPECT_EQ(pfn_scan_dir(), 0);
}

}  // namespace

namespace {

class DiskModule : public FsScan {};

TEST_F(DiskModule, LogicalVolumesWithFileSystemSerialAndKind) {
  REQUIRE_FIXTURE("ntfs_4k.img");
  std::vector<LOGICALDRIVEENTRY> drives;
  pfn_read_logical_volume(&drives);
  ASSERT_EQ(drives.size(), 2u);
  const LOGICALDRIVEENTRY& fat = drives[0].letter == u'M' ? drives[0] : drives[1];
  const LOGICALDRIVEENTRY& ntfs = drives[0].letter == u'N' ? drives[0] : drives[1];
  EXPECT_EQ(fat.fileSystemCode, 2);
  EXPECT_EQ(fat.fileSystemName, u"FAT");
  EXPECT_EQ(ntfs.fileSystemCode, 4);
  EXPECT_EQ(ntfs.fileSystemName, u"NTFS");
  for (const LOGICALDRIVEENTRY* d : {&fat, &ntfs}) {
    EXPECT_EQ(d->kindText, u"HDD");  // an image file is no floppy, whatever its place
    EXPECT_EQ(d->kindCode, 3);
    ASSERT_EQ(d->serial.size(), 9u);
    EXPECT_EQ(d->serial[4], u'-');
    EXPECT_EQ(d->label, u"");
  }
  std::uint64_t total = 1, used = 1, free = 1;
  EXPECT_EQ(pfn_get_drive_free_space(u'N', &total, &used, &free), 0);  // not mounted
  EXPECT_EQ(pfn_get_drive_free_space(u'?', &total, &used, &free), 0);
}

}  // namespace
