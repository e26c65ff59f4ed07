// The FAT categories "삭제된 파일" and "삭제된 폴더": every deleted entry of the folders reachable
// from the root, found by a cancellable walk on a worker that the drive session stops.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QThread>
#include <QTest>

#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "Pellamor/CommandIds.h"
#include "Pellamor/DLG/CPropertyEditDlg/CPropertyEditDlg.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/DriveSession.h"
#include "Pellamor/FatCategories.h"
#include "Pellamor/LeftView.h"
#include "Pellamor/MainFrame.h"
#include "Pellamor/RightView.h"
#include "corvane/fat_records.h"
#include "corvane/fat_table.h"
#include "corvane/filesystem.h"
#include "platform/message.h"
#include "shell_support.h"
#include "tests/modules/module_env.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Fixture;

// What the queue is handed.
class RecordingQueue : public QWidget, public IQueueWindow {
 public:
  explicit RecordingQueue(QWidget* parent) : QWidget(parent, Qt::Window) {}
  void AddItem(const std::u16string&, int isFolder, std::uint64_t firstCluster, int, std::uint32_t entryReference,
               int, const std::u16string&, double size) override {
    items.insert({firstCluster, static_cast<std::uint64_t>(size), isFolder, entryReference});
  }
  void UpdateCounters() override {}
  bool IsRunning() const override { return false; }
  std::multiset<std::tuple<std::uint64_t, std::uint64_t, int, std::uint32_t>> items;
};

// A deleted entry as the probe lists it: first cluster, size and the first cluster of its folder.
using Found = std::tuple<std::uint64_t, std::uint64_t, std::uint32_t>;

struct Expected {
  std::multiset<Found> files, folders;
};

// The deleted entries of every folder, from `engine_probe list --all`; a folder's cluster comes
// from the probe's line of that folder.
Expected FromProbe(const std::string& image) {
  Expected expected;
  const auto listing = testing_support::ProbeList(image, true);
  if (listing.exitCode != 0) return expected;
  std::map<std::string, std::uint32_t> folderCluster{{"", kFatRootDirectoryKey}};
  for (const auto& e : listing.entries)
    if (e.folder && !e.deleted) folderCluster[e.path] = static_cast<std::uint32_t>(e.number);
  for (const auto& e : listing.entries) {
    if (!e.deleted) continue;
    const std::string parent = e.path.substr(0, e.path.rfind('/'));
    EXPECT_TRUE(folderCluster.count(parent)) << e.path;
    (e.folder ? expected.folders : expected.files).insert({e.number, e.size, folderCluster[parent]});
  }
  return expected;
}

class FatCategories : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { modules_ = new module_env::StartedModules; }
  static void TearDownTestSuite() {
    delete modules_;
    modules_ = nullptr;
  }
  void SetUp() override {
    shell_test::App();
    ASSERT_TRUE(modules_->ok());
    dlg::RegisterAllDialogs();
    CMainFrame::SetQueueWindowFactory([this](QWidget* parent) {
      auto* q = new RecordingQueue(parent);
      queue_ = q;
      return q;
    });
  }
  void TearDown() override {
    release_ = true;
    frame_.reset();
    drives_.reset();
    CFatCategories::SetFolderHook({});
    CMainFrame::SetQueueWindowFactory({});
    EXPECT_EQ(m_pFileSystem, nullptr);
  }
  void OpenImage(const std::string& image) {
    frame_.reset();
    drives_.reset();
    drives_ = std::make_unique<testing_support::ScopedDrives>(std::vector<std::string>{"E=" + image});
    frame_ = std::make_unique<CMainFrame>();
    g_chCurrentDrive = 'E';
    ASSERT_TRUE(frame_->OpenDrive());
    frame_->show();
  }
  CRightView& List() { return *frame_->GetRightView(); }
  CLeftView& Tree() { return *frame_->GetLeftView(); }
  CFatCategories& Walker() { return *List().FatCategories(); }
  void SelectCategory(const char* text) {
    Tree().setCurrentItem(shell_test::TopLevel(Tree(), QString::fromUtf8(text)));
  }
  bool WaitForWalk() {
    return shell_test::WaitFor([&] { return !Walker().Running(); });
  }
  std::multiset<Found> Rows() {
    std::multiset<Found> rows;
    for (int r = 0; r < List().RowCount(); ++r) {
      const LISTROWKEYS& k = List().Model()->Keys(r);
      EXPECT_TRUE(k.otherFolder);
      EXPECT_EQ(k.deleted, 1);
      rows.insert({k.firstCluster, static_cast<std::uint64_t>(k.byteSize), k.folderCluster});
    }
    return rows;
  }
  // Holds the walk after its first folder until release_ is set (or the walk is stopped).
  void HoldAfterFirstFolder() {
    CFatCategories::SetFolderHook([this](std::uint32_t folders) {
      if (folders != 1) return;
      held_ = true;
      while (!release_) {
        CSafeThread::CheckAbort();
        QThread::msleep(2);
      }
    });
  }

  static inline module_env::StartedModules* modules_ = nullptr;
  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
  std::unique_ptr<testing_support::ScopedDrives> drives_;
  std::unique_ptr<CMainFrame> frame_;
  RecordingQueue* queue_ = nullptr;
  std::atomic<bool> held_{false};
  std::atomic<bool> release_{false};
};

// Both categories hold exactly the deleted entries the probe finds in every folder, each row
// with the folder it lies in; F9 hands them to the queue as deleted entries.
TEST_F(FatCategories, HoldEveryDeletedEntryOfEveryFolder) {
  int images = 0;
  for (const char* name : {"fat12.img", "fat16.img", "fat32.img", "shell_fat16.img"}) {
    if (!testing_support::FixtureExists(name)) continue;
    SCOPED_TRACE(name);
    ++images;
    const std::string image = Fixture(name);
    const Expected expected = FromProbe(image);
    OpenImage(image);
    SelectCategory("삭제된 파일");
    ASSERT_TRUE(WaitForWalk());
    ASSERT_NE(Walker().Result(), nullptr);
    EXPECT_TRUE(Walker().Result()->complete);
    EXPECT_EQ(Walker().Result()->foldersUnreadable, 0u);
    EXPECT_EQ(Rows(), expected.files);
    for (int r = 0; r < List().RowCount(); ++r) EXPECT_EQ(List().Model()->Keys(r).folder, 0);
    if (std::string(name) == "fat16.img") {
      shell_test::SaveShot(*frame_, "fat_deleted_files_fat16");
      EXPECT_GT(List().RowCount(), 4);  // files of the root and of SUB
    }
    SelectCategory("삭제된 폴더");
    EXPECT_FALSE(Walker().Running());  // the kept result serves
    EXPECT_EQ(Rows(), expected.folders);
    EXPECT_FALSE(expected.folders.empty());

    SelectCategory("삭제된 파일");
    frame_->activateWindow();
    List().SelectAllRows();
    ASSERT_TRUE(frame_->RunCommand(cmd::kAddQueueBasic));
    ASSERT_NE(queue_, nullptr);
    std::multiset<std::tuple<std::uint64_t, std::uint64_t, int, std::uint32_t>> queued;
    for (const Found& f : expected.files) queued.insert({std::get<0>(f), std::get<1>(f), 0, 1u});
    EXPECT_EQ(queue_->items, queued);
  }
  if (images == 0) GTEST_SKIP() << "no FAT fixture";
  EXPECT_TRUE(sink_.Texts().empty()) << platform::ToUtf8(sink_.Texts().front());
}

// The property check of a category row reads the row's own folder first, so the dialog shows
// that entry and not whatever lies at its index in the folder listed last.
TEST_F(FatCategories, PropertyCheckOfACategoryRowReadsItsFolder) {
  REQUIRE_FIXTURE("fat16.img");
  OpenImage(Fixture("fat16.img"));
  SelectCategory("삭제된 파일");
  ASSERT_TRUE(WaitForWalk());
  int inSub = -1;
  for (int r = 0; r < List().RowCount(); ++r)
    if (List().Model()->Keys(r).folderCluster != kFatRootDirectoryKey) inSub = r;
  ASSERT_GE(inSub, 0);
  const LISTROWKEYS keys = List().Model()->Keys(inSub);
  frame_->activateWindow();
  ASSERT_TRUE(shell_test::WaitFor([&] { return frame_->isActiveWindow(); }, 5000));
  List().SelectOwnerRows({inSub});
  List().setFocus();
  ASSERT_TRUE(shell_test::WaitFor([&] { return List().hasFocus(); }, 5000));
  bool shown = false;
  shell_test::WhenModal<CPropertyEditDlg> act([&](CPropertyEditDlg* d) {
    shown = true;
    EXPECT_EQ(d->EntryIndex(), static_cast<int>(keys.entryIndex));
    ASSERT_NE(g_pFatDirEntries, nullptr);
    ASSERT_LT(keys.entryIndex, g_dwFatDirEntryCount);
    EXPECT_EQ(g_pFatDirEntries[keys.entryIndex].firstCluster, keys.firstCluster);
    EXPECT_EQ(g_pFatDirEntries[keys.entryIndex].deleted, 1);
  }, shell_test::ThenClose::kReject);
  ASSERT_TRUE(frame_->RunCommand(cmd::kPropertyCheck));
  EXPECT_TRUE(shown);
  EXPECT_EQ(m_pFileSystem->currentDirectory, static_cast<std::int32_t>(keys.folderCluster));
}

// Cancel (the button, Esc or the close box) ends the walk and keeps what it found; choosing the
// category again walks once more, to the end.
TEST_F(FatCategories, CancelKeepsWhatWasFound) {
  REQUIRE_FIXTURE("fat16.img");
  const std::string image = Fixture("fat16.img");
  const Expected expected = FromProbe(image);
  std::multiset<Found> rootFiles;
  for (const Found& f : expected.files)
    if (std::get<2>(f) == kFatRootDirectoryKey) rootFiles.insert(f);
  ASSERT_LT(rootFiles.size(), expected.files.size());  // SUB holds one too

  struct Case {
    const char* how;
  };
  for (const Case c : {Case{"button"}, Case{"escape"}, Case{"close"}}) {
    SCOPED_TRACE(c.how);
    held_ = false;
    release_ = false;
    HoldAfterFirstFolder();
    OpenImage(image);
    SelectCategory("삭제된 파일");
    ASSERT_TRUE(shell_test::WaitFor([&] { return held_.load(); }));
    ASSERT_TRUE(Walker().Running());
    // The window shows once the walk has taken a moment, with its counts.
    ASSERT_TRUE(shell_test::WaitFor([&] { return Walker().WaitDialog() && Walker().WaitDialog()->isVisible(); }));
    CFatCategoryWaitDlg* dialog = Walker().WaitDialog();
    ASSERT_TRUE(shell_test::WaitFor([&] { return dialog->Text().contains(QStringLiteral("읽은 폴더: 1개")); }));
    EXPECT_TRUE(dialog->isModal() || dialog->windowModality() == Qt::WindowModal);
    if (std::string(c.how) == "button") shell_test::SaveShot(*dialog, "fat_category_walk");
    if (std::string(c.how) == "button") QTest::mouseClick(dialog->CancelButton(), Qt::LeftButton);
    else if (std::string(c.how) == "escape") QTest::keyClick(dialog, Qt::Key_Escape);
    else dialog->close();
    EXPECT_TRUE(Walker().Running());  // ends at its next check, after the hold
    release_ = true;
    ASSERT_TRUE(WaitForWalk());
    EXPECT_EQ(Walker().WaitDialog(), nullptr);
    ASSERT_NE(Walker().Result(), nullptr);
    EXPECT_FALSE(Walker().Result()->complete);
    EXPECT_EQ(Walker().Result()->foldersRead, 1u);
    EXPECT_EQ(Rows(), rootFiles);
    EXPECT_EQ(frame_->Session()->ReaderCount(), 0u);
  }
  // Again: the walk runs to the end this time.
  CFatCategories::SetFolderHook({});
  SelectCategory("삭제된 폴더");
  SelectCategory("삭제된 파일");
  ASSERT_TRUE(WaitForWalk());
  EXPECT_TRUE(Walker().Result()->complete);
  EXPECT_EQ(Rows(), expected.files);
}

// Closing the drive mid-walk stops and joins the walk before the engine frees the volume.
TEST_F(FatCategories, ClosingTheDriveStopsTheWalk) {
  REQUIRE_FIXTURE("fat32.img");
  HoldAfterFirstFolder();
  OpenImage(Fixture("fat32.img"));
  SelectCategory("삭제된 폴더");
  ASSERT_TRUE(shell_test::WaitFor([&] { return held_.load(); }));
  EXPECT_EQ(frame_->Session()->ReaderCount(), 1u);
  EXPECT_TRUE(frame_->Session()->IsBusy());
  frame_->OnCloseDrive();
  EXPECT_FALSE(Walker().Running());
  EXPECT_EQ(Walker().Result(), nullptr);
  EXPECT_EQ(Walker().WaitDialog(), nullptr);
  EXPECT_EQ(frame_->Session()->ReaderCount(), 0u);
  EXPECT_EQ(List().RowCount(), 0);
  EXPECT_EQ(m_pFileSystem, nullptr);
}

// A folder entry that names an earlier folder's cluster is not entered again: the walk ends with
// the same finds as on the sound volume.
TEST_F(FatCategories, AFolderNamingAnEarlierOneIsReadOnce) {
  REQUIRE_FIXTURE("fat16.img");
  testing_support::TempDir dir;
  const std::string sound = Fixture("fat16.img");
  std::uint32_t sub = 0;
  for (const auto& e : testing_support::ProbeList(sound, true).entries)
    if (e.path == "/SUB") sub = static_cast<std::uint32_t>(e.number);
  ASSERT_GE(sub, 2u);
  // "Deep file.bin" in SUB/DEEP becomes a folder whose first cluster is SUB's.
  std::string bytes = testing_support::ReadFile(sound);
  const std::size_t at = bytes.find("DEEPFI~1BIN");
  ASSERT_NE(at, std::string::npos);
  bytes[at + 11] = 0x10;
  bytes[at + 20] = 0;
  bytes[at + 21] = 0;
  bytes[at + 26] = static_cast<char>(sub & 0xFF);
  bytes[at + 27] = static_cast<char>(sub >> 8);
  const std::string looped = dir.File("looped.img");
  testing_support::WriteFile(looped, bytes);

  auto walk = [](const std::string& image) {
    testing_support::ScopedDrives drives({"E=" + image});
    testing_support::OpenedVolume v('E');
    EXPECT_TRUE(v.ok());
    EXPECT_EQ(ReadRootDirectory(v.fs()), 1);
    FatWalkProgress progress;
    FatCategoryResult result;
    WalkFatCategories(CurrentFatRecord(v.fs()), progress, result);
    return result;
  };
  const FatCategoryResult a = walk(sound);
  const FatCategoryResult b = walk(looped);
  EXPECT_TRUE(b.complete);
  EXPECT_EQ(b.foldersRead, a.foldersRead);
  EXPECT_EQ(b.files.size(), a.files.size());
  EXPECT_EQ(b.folders.size(), a.folders.size());
}

}  // namespace
