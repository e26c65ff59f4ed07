#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include "Pellamor/DLG/CNTFSUndeleteDlg/CNTFSUndeleteDlg.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/LeftView.h"
#include "shared/QtMessageSink.h"
#include "controls/TextProgressCtrl.h"
#include "corvane/engine_hooks.h"
#include "corvane/filesystem.h"
#include "corvane/ntfs_records.h"
#include "platform/message.h"
#include "shell_support.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Fixture;

struct Tally {
  std::uint64_t deletedFiles = 0, deletedFolders = 0, liveFiles = 0, liveFolders = 0;
};

Tally TallyEntries() {
  Tally t;
  for (std::uint32_t i = 0; i < g_dwNtfsEntryCount; ++i) {
    const NTFSFILEENTRY& e = g_pNtfsEntries[i];
    if (e.deleted) (e.folder ? t.deletedFolders : t.deletedFiles)++;
    else (e.folder ? t.liveFolders : t.liveFiles)++;
  }
  return t;
}

// The fixture volume opened as the current drive, ready for its search.
class NtfsScanDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    shell_test::App();
    dlg::RegisterAllDialogs();
    if (!testing_support::FixtureExists("ntfs_512.img")) GTEST_SKIP() << "fixture ntfs_512.img missing";
    drives_ = std::make_unique<testing_support::ScopedDrives>(
        std::vector<std::string>{"N=" + Fixture("ntfs_512.img")});
    volume_ = std::make_unique<testing_support::OpenedVolume>('N');
    ASSERT_TRUE(volume_->ok());
    ASSERT_NE(volume_->fs()->ntfs, nullptr);
  }
  void TearDown() override {
    volume_.reset();
    drives_.reset();
  }
  FILESYSTEMOBJ* Fs() { return volume_->fs(); }

  std::unique_ptr<testing_support::ScopedDrives> drives_;
  std::unique_ptr<testing_support::OpenedVolume> volume_;
};

// Its counts are the classes of the entries it published, in both search modes; afterwards it
// reads "닫기" with an empty status and stays until pressed.
TEST_F(NtfsScanDialog, CountsMatchThePublishedEntriesAndTheDialogWaitsForItsButton) {
  for (bool deletedOnly : {false, true}) {
    SCOPED_TRACE(deletedOnly);
    NtfsSearchOptions options;
    options.deletedOnly = deletedOnly;
    options.threads = 2;
    CNTFSUndeleteDlg dialog(Fs(), options);
    EXPECT_EQ(dialog.windowTitle(), "삭제된 데이터 검색도구");
    dialog.show();
    ASSERT_TRUE(shell_test::WaitFor([&] { return dialog.Button()->text() == "닫기"; }));
    ASSERT_TRUE(dialog.SetUpSucceeded());
    ASSERT_NE(g_pNtfsEntries, nullptr);
    const Tally t = TallyEntries();
    EXPECT_GT(t.deletedFiles + t.deletedFolders, 0u);
    if (deletedOnly) EXPECT_EQ(t.liveFiles + t.liveFolders, 0u);
    else EXPECT_GT(t.liveFolders, 0u);
    EXPECT_EQ(dialog.CountText(0), QString::number(t.deletedFiles));
    EXPECT_EQ(dialog.CountText(1), QString::number(t.deletedFolders));
    EXPECT_EQ(dialog.CountText(2), QString::number(t.liveFiles));
    EXPECT_EQ(dialog.CountText(3), QString::number(t.liveFolders));
    EXPECT_EQ(dialog.StatusText(), QString());
    EXPECT_FALSE(dialog.ElapsedText().isEmpty());
    EXPECT_TRUE(dialog.Button()->isEnabled());
    EXPECT_EQ(dialog.Bar()->GetPos(), 100);
    shell_test::SaveShot(dialog, deletedOnly ? "ntfs_scan_dialog_deleted_only" : "ntfs_scan_dialog_all");
    // Keys do not end it, and nothing ends it on its own.
    for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
      QApplication::sendEvent(&dialog, &press);
    }
    shell_test::WaitFor([] { return false; }, 300);
    EXPECT_TRUE(dialog.isVisible());
    dialog.Button()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 1);
  }
}

// The registered launcher: 1 once the search was set up, its entries kept after the dialog.
TEST_F(NtfsScanDialog, LauncherGivesOneAndKeepsTheEntries) {
  QTimer press;
  press.setInterval(20);
  QObject::connect(&press, &QTimer::timeout, [] {
    auto* dialog = qobject_cast<CNTFSUndeleteDlg*>(QApplication::activeModalWidget());
    if (dialog && dialog->Button()->text() == "닫기") dialog->Button()->click();
  });
  press.start();
  EXPECT_EQ(CNTFSUndeleteDlg::Scan(Fs()), 1);
  EXPECT_NE(g_pNtfsEntries, nullptr);
  EXPECT_GT(g_dwNtfsEntryCount, 0u);
  EXPECT_EQ(Fs()->ntfs->progressDialog, nullptr);
  // Without a volume record there is nothing to set up.
  FILESYSTEMOBJ none{};
  EXPECT_EQ(dlg::RunDialogArgs("CNTFSUndeleteDlg", {QVariant::fromValue<void*>(&none)}), 0);
}

// A volume that does not open: one message, nothing found, open with "취소" until pressed.
TEST_F(NtfsScanDialog, UnreadableVolumeSaysSoAndWaitsForTheButton) {
  FILESYSTEMOBJ fs{};
  InitFileSystem(&fs, 'Q');  // no such drive
  fs.ntfs = AllocNtfsRecord();
  ASSERT_NE(fs.ntfs, nullptr);
  {
    CNTFSUndeleteDlg dialog(&fs, NtfsSearchOptions{});
    dialog.show();
    ASSERT_TRUE(shell_test::WaitFor([&] { return !dialog.Searching(); }));
    EXPECT_TRUE(volume_->sink().Saw(u"드라이브를 열지 못했습니다. 다시 시도해 보세요."));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.Button()->text(), "취소");
    EXPECT_TRUE(dialog.Button()->isEnabled());
    dialog.Button()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.SetUpSucceeded());
  }
  FreeNtfsRecord(fs.ntfs);
}

TEST(NtfsScanTimes, RenderTable) {
  struct Case {
    std::uint64_t current, count;
    std::int64_t elapsed;
    int percent;
    const char* shownElapsed;
    const char* total;
    const char* remaining;
  };
  const Case cases[] = {
      {0, 0, 0, 0, "00:00:01", "", ""},                                 // no count: only the elapsed time
      {5, 0, 42, 0, "00:00:42", "", ""},                                // no count though records run
      {0, 1000, 10, 0, "00:00:10", "", ""},                             // nothing reached yet
      {0, 100, 360000, 0, "100:00:00", "", ""},                         // hours past 99
      {30000000, 40000000, 75, 75, "00:01:15", "00:01:40", "00:00:25"},  // past 21,474,836 records
      {40000000, 40000000, 3725, 100, "01:02:05", "01:02:05", "00:00:00"},
      {1, 3, 1, 33, "00:00:01", "00:00:03", "00:00:02"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.current);
    CNTFSUndeleteDlg::TimeTexts t = CNTFSUndeleteDlg::RenderTimes(c.current, c.count, c.elapsed);
    EXPECT_EQ(t.percent, c.percent);
    EXPECT_EQ(t.elapsed, c.shownElapsed);
    EXPECT_EQ(t.total, c.total);
    EXPECT_EQ(t.remaining, c.remaining);
  }
}

// A search that runs until told to stop and then asks the user something through the program's
// own sink: cancelling must neither deadlock nor lose the hand-over.
struct StoppableSearch {
  std::atomic<bool> running{false};
  std::atomic<int> asked{0};
  CNTFSUndeleteDlg::SearchFn Fn() {
    return [this](NTFSVOLUMERECORD*, const NtfsSearchOptions&, NtfsSearchProgress* p) {
      p->recordCount = 40000000;
      p->startTime = static_cast<std::int64_t>(std::time(nullptr));
      p->state = kNtfsSearchRunning;
      running = true;
      std::uint64_t r = 0;
      while (!p->stopRequest.load()) {
        p->currentRecord = r += 1000;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
      platform::ShowMessage(u"검색을 멈추었습니다.", platform::MsgButtons::Ok);
      ++asked;
      NtfsSearchResult out;
      out.entries = static_cast<NTFSFILEENTRY*>(std::calloc(1, sizeof(NTFSFILEENTRY)));
      out.ok = out.entries != nullptr;
      return out;
    };
  }
};

// Answers every message box the program's sink shows.
void AnswerMessageBoxes(QTimer& timer) {
  timer.setInterval(20);
  QObject::connect(&timer, &QTimer::timeout, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->accept();
  });
  timer.start();
}

TEST_F(NtfsScanDialog, CancelEndsTheDialogOnTheWorkersHandOver) {
  QtMessageSink qtSink;
  platform::ScopedMessageSink guard(&qtSink);
  StoppableSearch search;
  CNTFSUndeleteDlg::SearchFn fn = search.Fn();
  QTimer answer;
  AnswerMessageBoxes(answer);
  bool greyed = false;
  QTimer cancel;
  cancel.setInterval(20);
  QObject::connect(&cancel, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<CNTFSUndeleteDlg*>(QApplication::activeModalWidget());
    // Once the search runs and the timer has shown it.
    if (!dialog || !search.running || dialog->ElapsedText().isEmpty()) return;
    cancel.stop();
    EXPECT_EQ(dialog->Button()->text(), "취소");
    dialog->Button()->click();
    greyed = !dialog->Button()->isEnabled();
  });
  cancel.start();
  const int result = dlg::RunDialogArgs(
      "CNTFSUndeleteDlg", {QVariant::fromValue<void*>(Fs()), QVariant::fromValue<void*>(&fn)});
  EXPECT_EQ(result, 1);  // set up, so kept though cancelled
  EXPECT_TRUE(greyed);
  EXPECT_EQ(search.asked.load(), 1);
  EXPECT_NE(g_pNtfsEntries, nullptr);
}

// The close box (and Alt+F4, which closes the same way) cancels; Esc does not.
TEST_F(NtfsScanDialog, CloseBoxCancels) {
  StoppableSearch search;
  CNTFSUndeleteDlg dialog(Fs(), NtfsSearchOptions{}, nullptr, search.Fn());
  dialog.show();
  ASSERT_TRUE(shell_test::WaitFor([&] { return search.running.load(); }));
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&dialog, &esc);
  EXPECT_TRUE(dialog.Searching());
  EXPECT_TRUE(dialog.Button()->isEnabled());
  dialog.close();
  EXPECT_FALSE(dialog.Button()->isEnabled());
  EXPECT_EQ(dialog.Progress().state.load(), kNtfsSearchDone);
  EXPECT_NE(dialog.Progress().stopRequest.load(), 0);
  ASSERT_TRUE(shell_test::WaitFor([&] { return !dialog.isVisible(); }));
  EXPECT_EQ(search.asked.load(), 1);
  EXPECT_EQ(dialog.result(), 1);
  EXPECT_TRUE(dialog.SetUpSucceeded());
}

// With a search of deleted data only, the live parents are missing: a deleted folder whose
// parent is absent still shows, under the deleted folders, with its subtree.
TEST(NtfsTreeOrderDeletedOnly, DeletedFoldersOfAbsentParentsGoUnderTheDeletedFolders) {
  struct F {
    const char16_t* name;
    std::int64_t record, parent;
    bool deleted, folder;
  };
  const F folders[] = {
      {u"zeta", 60, 40, true, true},      // parent 40 is a live folder, not listed
      {u"inner", 61, 60, true, true},
      {u"alpha", 62, 41, true, true},
      {u"top", 63, 5, true, true},
      {u"live orphan", 64, 42, false, true},  // not deleted: stays out
      {u"a file", 65, 44, true, false},
      {u"under file", 66, 65, true, true},  // its parent record is a file's
  };
  std::vector<NTFSFILEENTRY> entries(std::size(folders));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::memset(&entries[i], 0, sizeof entries[i]);
    std::u16string name = folders[i].name;
    std::memcpy(entries[i].name, name.c_str(), (name.size() + 1) * sizeof(char16_t));
    entries[i].recordNumber = folders[i].record;
    entries[i].parentRecordNumber = folders[i].parent;
    entries[i].deleted = folders[i].deleted;
    entries[i].folder = folders[i].folder;
  }
  std::vector<NtfsFolderNode> nodes = OrderNtfsFolders(entries.data(), static_cast<std::uint32_t>(entries.size()));
  std::vector<std::pair<std::u16string, std::u16string>> placed;
  for (const NtfsFolderNode& n : nodes)
    placed.emplace_back(entries[n.entry].name, n.parent == kNtfsUnderDrive     ? u""
                                               : n.parent == kNtfsUnderDeleted ? u"-"
                                                                               : entries[nodes[n.parent].entry].name);
  EXPECT_EQ(placed, (std::vector<std::pair<std::u16string, std::u16string>>{
                        {u"top", u"-"}, {u"alpha", u"-"}, {u"under file", u"-"}, {u"zeta", u"-"}, {u"inner", u"zeta"}}));
}

}  // namespace
