#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>

#include <memory>

#include "Pellamor/App.h"
#include "Pellamor/CommandIds.h"
#include "Pellamor/LeftView.h"
#include "Pellamor/MainFrame.h"
#include "corvane/fat_records.h"
#include "corvane/filesystem.h"
#include "platform/message.h"
#include "platform/volume_io.h"
#include "shell_support.h"
#include "tests/support/test_support.h"

namespace {

using shell_test::Child;
using shell_test::ChildTexts;
using shell_test::TopLevel;
using shell_test::TopLevelTexts;
using testing_support::Fixture;

// A main window with a recording sink; the drives are the given sources.
class DriveSession : public ::testing::Test {
 protected:
  void SetUp() override {
    shell_test::App();
    handlesBefore_ = platform::OpenHandleCount();
    SetNtfsRootScanner(&RunNtfsRootScan);  // as start-up installs it
  }
  void TearDown() override {
    frame_.reset();
    drives_.reset();
    SetNtfsRootScanner(nullptr);
    EXPECT_EQ(m_pFileSystem, nullptr);
    EXPECT_EQ(platform::OpenHandleCount(), handlesBefore_);
  }
  void Drives(const std::vector<std::string>& sources) {
    frame_.reset();
    drives_.reset();  // the old map goes before the new one is made
    drives_ = std::make_unique<testing_support::ScopedDrives>(sources);
    frame_ = std::make_unique<CMainFrame>();
  }
  bool Open(char letter) {
    g_chCurrentDrive = letter;
    bool ok = frame_->OpenDrive();
    // The NTFS tree is built by a worker; wait for its hand-over.
    shell_test::WaitFor([&] { return !frame_->GetLeftView()->TreeBuilding(); });
    return ok;
  }
  CLeftView& Tree() { return *frame_->GetLeftView(); }

  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
  std::unique_ptr<testing_support::ScopedDrives> drives_;
  std::unique_ptr<CMainFrame> frame_;
  std::size_t handlesBefore_ = 0;
};

bool NoLabelEndsInALineBreak(const QTreeWidgetItem* item) {
  if (item->text(0).endsWith(u'\n') || item->text(0).endsWith(u'\r')) return false;
  for (int i = 0; i < item->childCount(); ++i)
    if (!NoLabelEndsInALineBreak(item->child(i))) return false;
  return true;
}

TEST_F(DriveSession, Fat16TreeShowsLiveDeletedAndRecycleFolders) {
  REQUIRE_FIXTURE("shell_fat16.img");
  Drives({"E=" + Fixture("shell_fat16.img")});
  ASSERT_TRUE(Open('E'));
  EXPECT_EQ(frame_->windowTitle(), QStringLiteral("(E:) 드라이브 - Pellamor"));
  EXPECT_EQ(TopLevelTexts(Tree()),
            (QStringList{"E:\\", "삭제된 파일", "삭제된 폴더", "파일포맷", "찾기", "손상된 파일"}));
  QTreeWidgetItem* drive = TopLevel(Tree(), "E:\\");
  EXPECT_EQ(ChildTexts(drive), (QStringList{"RECYCLED", "ALPHA", "Long folder name", "BETA"}));
  EXPECT_TRUE(drive->isExpanded());
  QTreeWidgetItem* deleted = TopLevel(Tree(), "삭제된 폴더");
  QStringList gone = ChildTexts(deleted);
  ASSERT_EQ(gone.size(), 2);
  EXPECT_TRUE(gone[0].endsWith("ONE")) << gone[0].toStdString();
  EXPECT_EQ(gone[1], "Erased long folder");
  EXPECT_EQ(Child(drive, "RECYCLED")->data(0, kRoleImage).toInt(), 10);
  EXPECT_EQ(Child(drive, "ALPHA")->data(0, kRoleImage).toInt(), 0);
  EXPECT_EQ(drive->data(0, kRoleImage).toInt(), 3);
  EXPECT_EQ(TopLevel(Tree(), "찾기")->data(0, kRoleImage).toInt(), 13);
  EXPECT_EQ(TopLevel(Tree(), "손상된 파일")->data(0, kRoleImage).toInt(), 12);
  EXPECT_EQ(Tree().currentItem(), drive);
  EXPECT_EQ(Tree().FileSystem()->previousDirectory, 2);
  for (int i = 0; i < Tree().topLevelItemCount(); ++i) EXPECT_TRUE(NoLabelEndsInALineBreak(Tree().topLevelItem(i)));
  EXPECT_TRUE(sink_.Texts().empty());
}

TEST_F(DriveSession, SelectingNodesHandsTheirKeysToTheFileList) {
  REQUIRE_FIXTURE("shell_fat16.img");
  Drives({"E=" + Fixture("shell_fat16.img")});
  ASSERT_TRUE(Open('E'));
  CRightView& list = *frame_->GetRightView();
  EXPECT_EQ(list.LastHint(), (ListHint{-1, false}));  // the drive: its root
  QTreeWidgetItem* drive = TopLevel(Tree(), "E:\\");

  Tree().setCurrentItem(Child(drive, "ALPHA"));
  std::int64_t alpha = list.LastHint().key;
  EXPECT_FALSE(list.LastHint().category);
  ASSERT_GT(alpha, 1);
  bool found = false;
  for (std::uint32_t i = 0; i < g_dwFatDirEntryCount; ++i)
    if (std::string_view(g_pFatDirEntries[i].shortName) == "ALPHA") found = g_pFatDirEntries[i].firstCluster == alpha;
  EXPECT_TRUE(found);

  Tree().setCurrentItem(TopLevel(Tree(), "파일포맷"));
  EXPECT_EQ(list.LastHint(), (ListHint{-3, true}));

  // A deleted folder cannot be opened: the list keeps what it showed.
  int updates = list.UpdateCount();
  Tree().setCurrentItem(Child(TopLevel(Tree(), "삭제된 폴더"), "Erased long folder"));
  EXPECT_EQ(list.UpdateCount(), updates);
  ASSERT_EQ(sink_.Texts().size(), 1u);
  EXPECT_EQ(sink_.Texts()[0], u"Erased long folder 디렉토리를 열 수 없습니다.");
}

TEST_F(DriveSession, ExfatTreeHasNoDeletedFilesCategory) {
  REQUIRE_FIXTURE("exfat.img");
  Drives({"X=" + Fixture("exfat.img")});
  ASSERT_TRUE(Open('X'));
  EXPECT_EQ(TopLevelTexts(Tree()),
            (QStringList{"파일시스템: exFAT", "X:\\", "삭제된 폴더", "파일포맷", "찾기", "손상된 파일"}));
  EXPECT_EQ(TopLevel(Tree(), "파일시스템: exFAT")->data(0, kRoleImage).toInt(), 6);
  EXPECT_TRUE(ChildTexts(TopLevel(Tree(), "X:\\")).contains("Folder one"));
}

TEST_F(DriveSession, EmptyExfatRootSaysThereIsNothingToShow) {
  REQUIRE_FIXTURE("base_exfat.img");
  Drives({"X=" + Fixture("base_exfat.img")});
  ASSERT_TRUE(Open('X'));
  EXPECT_EQ(TopLevelTexts(Tree()), (QStringList{"표시할 항목이 없습니다."}));
}

TEST_F(DriveSession, NtfsTreeIsBuiltWithDeletedTopLevelFoldersApart) {
  REQUIRE_FIXTURE("ntfs_512.img");
  {
    // The tree needs the engine's search; without it there is nothing to show.
    testing_support::ScopedDrives probe({"N=" + Fixture("ntfs_512.img")});
    testing_support::OpenedVolume v('N');
    if (!v.ok() || !ReadRootDirectory(v.fs())) GTEST_SKIP() << "the NTFS search is not available";
  }
  Drives({"N=" + Fixture("ntfs_512.img")});
  ASSERT_TRUE(Open('N'));
  EXPECT_EQ(TopLevelTexts(Tree()), (QStringList{"파일시스템: NTFS v3.1", "삭제된 파일", "삭제된 폴더", "파일포맷",
                                                "찾기", "손상된 파일", "(N:)"}));
  QTreeWidgetItem* drive = TopLevel(Tree(), "(N:)");
  EXPECT_EQ(drive->data(0, kRoleNode).toLongLong(), 5);
  QStringList live = ChildTexts(drive);
  EXPECT_TRUE(live.contains("docs"));
  EXPECT_TRUE(live.contains("comp"));
  EXPECT_FALSE(live.contains("gone"));
  EXPECT_TRUE(ChildTexts(Child(drive, "docs")).contains("sub"));
  EXPECT_TRUE(ChildTexts(TopLevel(Tree(), "삭제된 폴더")).contains("gone"));
  EXPECT_EQ(Tree().currentItem(), TopLevel(Tree(), "삭제된 파일"));
  EXPECT_EQ(frame_->GetRightView()->LastHint(), (ListHint{-1, true}));
  EXPECT_EQ(Tree().WaitDialog(), nullptr);
}

// The first NTFS scan reads the volume on a worker behind a modal window; were that window
// dismissed, commands could close the volume under the worker.
TEST_F(DriveSession, TheNtfsScanWindowStaysUntilTheScanEnds) {
  REQUIRE_FIXTURE("ntfs_512.img");
  Drives({"N=" + Fixture("ntfs_512.img")});
  bool sawWindow = false;
  bool stayed = false;
  QTimer::singleShot(0, [&] {  // runs inside the scan's wait
    QWidget* window = QApplication::activeModalWidget();
    sawWindow = window != nullptr;
    if (!window) return;
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Space}) QTest::keyClick(window, key);
    window->close();
    stayed = window->isVisible();
  });
  ASSERT_TRUE(Open('N'));
  EXPECT_TRUE(sawWindow);
  EXPECT_TRUE(stayed);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);  // gone once the scan ended
  EXPECT_NE(TopLevel(Tree(), "(N:)"), nullptr);
}

TEST_F(DriveSession, OpeningASecondImageReleasesTheFirst) {
  REQUIRE_FIXTURE("shell_fat16.img");
  REQUIRE_FIXTURE("exfat.img");
  Drives({"E=" + Fixture("shell_fat16.img"), "X=" + Fixture("exfat.img")});
  ASSERT_TRUE(Open('E'));
  FILESYSTEMOBJ* first = m_pFileSystem;
  ASSERT_NE(first, nullptr);
  ASSERT_NE(g_pFatDirEntries, nullptr);
  EXPECT_EQ(platform::OpenHandleCount(), handlesBefore_ + 1);
  ASSERT_TRUE(Open('X'));
  EXPECT_EQ(m_pFileSystem, Tree().FileSystem());
  EXPECT_EQ(m_pFileSystem->typeCode, kFsExfat);
  EXPECT_EQ(g_pFatDirEntries, nullptr);  // the FAT volume's entries went with it
  EXPECT_EQ(g_pFat16Table, nullptr);
  EXPECT_EQ(platform::OpenHandleCount(), handlesBefore_ + 1);
  EXPECT_EQ(frame_->windowTitle(), QStringLiteral("(X:) 드라이브 - Pellamor"));

  ASSERT_TRUE(frame_->RunCommand(cmd::kCloseDrive));
  EXPECT_EQ(m_pFileSystem, nullptr);
  EXPECT_EQ(Tree().topLevelItemCount(), 0);
  EXPECT_EQ(platform::OpenHandleCount(), handlesBefore_);
  EXPECT_EQ(frame_->windowTitle(), QStringLiteral("Pellamor"));
}

TEST_F(DriveSession, ClosingWhileTheNtfsTreeIsBuiltStopsTheBuilderFirst) {
  REQUIRE_FIXTURE("ntfs_512.img");
  Drives({"N=" + Fixture("ntfs_512.img")});
  g_chCurrentDrive = 'N';
  if (!frame_->OpenDrive()) GTEST_SKIP() << "the NTFS search is not available";
  frame_->OnCloseDrive();  // at once, before the builder handed its result over
  EXPECT_FALSE(Tree().TreeBuilding());
  EXPECT_EQ(Tree().WaitDialog(), nullptr);
  shell_test::WaitFor([] { return false; }, 200);  // a stale hand-over must find nothing to do
  EXPECT_EQ(Tree().topLevelItemCount(), 0);
  EXPECT_EQ(m_pFileSystem, nullptr);
}

// Volumes that cannot be opened or scanned: the fatal box without the end, and no drive open.
TEST_F(DriveSession, AVolumeThatFailsLeavesTheProgramRunningWithNoDrive) {
  struct Case {
    const char* image;
    const char* number;
  };
  const Case cases[] = {{"zero.img", "(#2)"}, {"bad_fatsize.img", "(#2)"}, {"bad_spc0.img", "(#2)"},
                        {"shell_ntfs_nomft.img", "(#3)"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.image);
    if (!testing_support::FixtureExists(c.image)) continue;
    sink_.Clear();
    Drives({"E=" + Fixture(c.image)});
    EXPECT_FALSE(Open('E'));
    EXPECT_EQ(m_pFileSystem, nullptr);
    EXPECT_EQ(Tree().FileSystem(), nullptr);
    EXPECT_EQ(Tree().topLevelItemCount(), 0);
    EXPECT_EQ(frame_->windowTitle(), QStringLiteral("Pellamor"));
    EXPECT_EQ(platform::OpenHandleCount(), handlesBefore_);
    bool fatal = false;
    for (const std::u16string& t : sink_.Texts()) {
      std::string text = platform::ToUtf8(t);
      if (text.find("코드번호: ") == 0) {
        fatal = true;
        EXPECT_NE(text.find(c.number), std::string::npos) << text;
        EXPECT_EQ(text.find("확인을 누르면 프로그램을 종료합니다"), std::string::npos) << text;
      }
    }
    EXPECT_TRUE(fatal);
    // The program goes on: another command still runs.
    EXPECT_TRUE(frame_->RunCommand(cmd::kClusterViewer));
    EXPECT_TRUE(sink_.Saw(u"드라이브가 선택되지 않았습니다."));
  }
}

TEST_F(DriveSession, AMissingDriveLetterFailsToOpen) {
  Drives({});
  EXPECT_FALSE(Open('Q'));
  EXPECT_TRUE(sink_.Saw(u"드라이브를 열 수 없습니다."));
  EXPECT_EQ(Tree().topLevelItemCount(), 0);
}

}  // namespace
