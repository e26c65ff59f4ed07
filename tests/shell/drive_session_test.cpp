#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Pellamor/App.h"
#include "Pellamor/CommandIds.h"
#include "Pellamor/DriveSession.h"
#include "Pellamor/LeftView.h"
#include "Pellamor/MainFrame.h"
#include "corvane/fat_records.h"
#include "corvane/filesystem.h"
#include "corvane/ntfs_records.h"
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
    SetNtfsRootScanner(&RunNtfsRootScan);  // the plain scanner: no dialog to answer
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

// A reader registration and signal connections that end with the test's scope (the frame, and
// with it the session, is closed only in TearDown).
struct SessionScope : QObject {
  explicit SessionScope(CDriveSession& s) : session(s) {}
  ~SessionScope() override {
    for (int id : ids) session.RemoveReader(id);
  }
  int Add(std::function<void()> stop, std::function<bool()> running = {}) {
    ids.push_back(session.AddReader(std::move(stop), std::move(running)));
    return ids.back();
  }
  CDriveSession& session;
  std::vector<int> ids;
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

  // ALPHA's first cluster, from the root's table (listing ALPHA replaces the table).
  std::int64_t alphaCluster = -1;
  for (std::uint32_t i = 0; i < g_dwFatDirEntryCount; ++i)
    if (std::string_view(g_pFatDirEntries[i].shortName) == "ALPHA") alphaCluster = g_pFatDirEntries[i].firstCluster;
  Tree().setCurrentItem(Child(drive, "ALPHA"));
  std::int64_t alpha = list.LastHint().key;
  EXPECT_FALSE(list.LastHint().category);
  ASSERT_GT(alpha, 1);
  bool found = alphaCluster == alpha;
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

// Opening another drive while the NTFS tree builder reads the first one: the builder is stopped
// and joined, and only then does the engine free the first volume's entries.
TEST_F(DriveSession, OpeningAnotherDriveStopsTheNtfsTreeBuilderBeforeTheVolumeIsFreed) {
  REQUIRE_FIXTURE("ntfs_512.img");
  REQUIRE_FIXTURE("shell_fat16.img");
  Drives({"N=" + Fixture("ntfs_512.img"), "E=" + Fixture("shell_fat16.img")});
  CDriveSession& session = *frame_->Session();
  std::vector<std::string> events;
  SessionScope scope(session);
  QObject::connect(&session, &CDriveSession::opened, &scope, [&](std::uint32_t type) {
    events.push_back("opened " + std::to_string(type));
  });
  QObject::connect(&session, &CDriveSession::closing, &scope, [&] { events.push_back("closing"); });
  QObject::connect(&session, &CDriveSession::closed, &scope, [&] { events.push_back("closed"); });
  // Registered before the builder, so it is stopped after it: it sees what the builder left.
  scope.Add([&] {
    events.push_back(std::string("earlier reader: builder ") + (Tree().TreeBuilding() ? "running" : "stopped") +
                     (g_pNtfsEntries && m_pFileSystem ? ", entries there" : ", entries gone"));
  });

  g_chCurrentDrive = 'N';
  ASSERT_TRUE(frame_->OpenDrive());
  ASSERT_TRUE(Tree().TreeBuilding());  // its hand-over is still on the way
  EXPECT_TRUE(session.IsBusy());
  EXPECT_EQ(session.ReaderCount(), 2u);
  g_chCurrentDrive = 'E';
  ASSERT_TRUE(frame_->OpenDrive());
  EXPECT_EQ(events, (std::vector<std::string>{"opened 4", "closing", "earlier reader: builder stopped, entries there",
                                              "closed", "opened 2"}));
  EXPECT_FALSE(Tree().TreeBuilding());
  EXPECT_EQ(Tree().WaitDialog(), nullptr);
  EXPECT_EQ(session.ReaderCount(), 1u);  // the builder took its registration with it
  shell_test::WaitFor([] { return false; }, 200);  // a stale hand-over must find nothing to do
  EXPECT_EQ(TopLevelTexts(Tree()).value(0), "E:\\");
  EXPECT_EQ(m_pFileSystem->typeCode, kFsFat16);
  shell_test::SaveShot(*frame_, "drive_session_second_drive");
  EXPECT_EQ(g_pNtfsEntries, nullptr);
}

// A reader that takes its time to stop is waited for: the volume is still there when it makes
// its last read, and the session says closed only after it ended.
TEST_F(DriveSession, AReaderSlowToStopIsWaitedForBeforeTheVolumeIsFreed) {
  REQUIRE_FIXTURE("shell_fat16.img");
  Drives({"E=" + Fixture("shell_fat16.img")});
  ASSERT_TRUE(Open('E'));
  CDriveSession& session = *frame_->Session();
  EXPECT_FALSE(session.IsBusy());

  FILESYSTEMOBJ* fs = session.FileSystem();
  std::atomic<bool> stop{false};
  std::atomic<bool> ended{false};
  std::uint32_t lastType = 0, lastCluster = 0;
  std::jthread reader([&](std::stop_token token) {
    while (!stop && !token.stop_requested()) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));  // slow to wind down
    // The object and its record are still there.
    lastType = fs->typeCode;
    lastCluster = fs->fat16 ? fs->fat16->geometry.lastCluster : 0;
    ended = true;
  });
  bool endedBeforeClosed = false;
  SessionScope scope(session);
  scope.Add(
      [&] {
        stop = true;
        if (reader.joinable()) reader.join();
      },
      [&] { return !ended; });
  EXPECT_TRUE(session.IsBusy());  // the question the FAT scan box asks before opening a volume of its own
  QObject::connect(&session, &CDriveSession::closed, &scope, [&] { endedBeforeClosed = ended; });

  ASSERT_TRUE(frame_->RunCommand(cmd::kCloseDrive));
  EXPECT_TRUE(endedBeforeClosed);
  EXPECT_EQ(lastType, kFsFat16);
  EXPECT_GT(lastCluster, 2u);
  EXPECT_EQ(m_pFileSystem, nullptr);
  EXPECT_FALSE(session.IsBusy());
}

TEST_F(DriveSession, ClosingWithNoDriveDoesNothingAndASecondCloseIsHarmless) {
  REQUIRE_FIXTURE("shell_fat16.img");
  Drives({"E=" + Fixture("shell_fat16.img")});
  CDriveSession& session = *frame_->Session();
  int stops = 0, closings = 0, closeds = 0;
  SessionScope scope(session);
  scope.Add([&] { ++stops; });
  QObject::connect(&session, &CDriveSession::closing, &scope, [&] { ++closings; });
  QObject::connect(&session, &CDriveSession::closed, &scope, [&] { ++closeds; });

  session.Close();
  frame_->OnCloseDrive();
  EXPECT_EQ(stops + closings + closeds, 0);
  EXPECT_EQ(session.TypeCode(), 0u);
  EXPECT_EQ(session.Capabilities(), nullptr);

  ASSERT_TRUE(Open('E'));
  EXPECT_EQ(session.TypeCode(), kFsFat16);
  EXPECT_EQ(session.DriveLetter(), 'E');
  EXPECT_EQ(m_pFileSystem, session.FileSystem());
  session.Close();
  session.Close();
  frame_->OnCloseDrive();
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(closings, 1);
  EXPECT_EQ(closeds, 1);
  EXPECT_EQ(m_pFileSystem, nullptr);
  EXPECT_EQ(Tree().topLevelItemCount(), 0);
  EXPECT_EQ(frame_->GetRightView()->FileSystemType(), 0);
  EXPECT_EQ(platform::OpenHandleCount(), handlesBefore_);
}

// The FAT tools ask the capability table: on exFAT and NTFS they refuse, on FAT they go on to
// their dialog.
TEST_F(DriveSession, TheFatToolsFollowTheCapabilitiesOfTheOpenVolume) {
  struct Case {
    const char* image;
    bool fatTools;
  };
  const Case cases[] = {{"shell_fat16.img", true}, {"exfat.img", false}, {"ntfs_512.img", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.image);
    ASSERT_TRUE(testing_support::FixtureExists(c.image)) << "fixture missing";
    Drives({"E=" + Fixture(c.image)});
    ASSERT_TRUE(Open('E'));
    sink_.Clear();
    int viewerRuns = 0;
    CMainFrame::RegisterDialog("CClusterViewer", [&](CMainFrame&, int) { return ++viewerRuns; });
    EXPECT_TRUE(frame_->RunCommand(cmd::kClusterViewer));
    EXPECT_EQ(viewerRuns, c.fatTools ? 1 : 0);
    EXPECT_EQ(sink_.Saw(u"FAT12/16/32 파일시스템이 아닙니다."), !c.fatTools);
    CMainFrame::RegisterDialog("CClusterViewer", {});
  }
}

}  // namespace
