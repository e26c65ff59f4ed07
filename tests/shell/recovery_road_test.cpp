// The user's road through the main window: open a FAT volume, select rows of the file list, queue
// them with F9 and F8, and start the queue's run into the default save folder.
#include <gtest/gtest.h>

#include <QTest>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Pellamor/App.h"
#include "Pellamor/CommandIds.h"
#include "Pellamor/DLG/DRSaveBox/DRSaveBox.h"
#include "Pellamor/FileListModel.h"
#include "Pellamor/LeftView.h"
#include "Pellamor/MainFrame.h"
#include "Pellamor/RightView.h"
#include "Pellamor/SaveFolder.h"
#include "corvane/filesystem.h"
#include "platform/message.h"
#include "shell_support.h"
#include "tests/modules/module_env.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Fixture;
using testing_support::ReadFile;

class RecoveryRoad : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { modules_ = new module_env::StartedModules; }
  static void TearDownTestSuite() {
    delete modules_;
    modules_ = nullptr;
  }
  void SetUp() override {
    shell_test::App();
    ASSERT_TRUE(modules_->ok());
    SetNtfsRootScanner(&RunNtfsRootScan);
    CMainFrame::SetQueueWindowFactory(&MakeQueueWindow);
    savedFolder_ = g_strDefaultSaveFolder;
    savedFlag_ = g_bDefaultSaveFolderSet;
    g_strDefaultSaveFolder = platform::FromUtf8(out_.path());
    g_bDefaultSaveFolderSet = 1;
  }
  void TearDown() override {
    frame_.reset();
    drives_.reset();
    CMainFrame::SetQueueWindowFactory({});
    SetNtfsRootScanner(nullptr);
    g_strDefaultSaveFolder = savedFolder_;
    g_bDefaultSaveFolderSet = savedFlag_;
    EXPECT_EQ(m_pFileSystem, nullptr);
  }
  bool Open(const std::string& image) {
    if (!testing_support::FixtureExists(image)) return false;
    drives_ = std::make_unique<testing_support::ScopedDrives>(std::vector<std::string>{"E=" + Fixture(image)});
    frame_ = std::make_unique<CMainFrame>();
    g_chCurrentDrive = 'E';
    const bool ok = frame_->OpenDrive();
    shell_test::WaitFor([&] { return !frame_->GetLeftView()->TreeBuilding(); });
    return ok;
  }
  CRightView& List() { return *frame_->GetRightView(); }
  // Selects the rows of these names and runs the command (F9 basic, F8 linear).
  void Queue(const std::vector<QString>& names, int command) {
    std::vector<int> rows;
    for (int r = 0; r < List().RowCount(); ++r)
      for (const QString& n : names)
        if (List().Model()->QText(r, kTextName) == n) rows.push_back(r);
    ASSERT_EQ(rows.size(), names.size());
    List().SelectOwnerRows(rows);
    ASSERT_TRUE(frame_->RunCommand(command));
  }

  static inline module_env::StartedModules* modules_ = nullptr;
  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
  testing_support::TempDir out_;
  std::unique_ptr<testing_support::ScopedDrives> drives_;
  std::unique_ptr<CMainFrame> frame_;
  std::u16string savedFolder_;
  int savedFlag_ = 0;
};

TEST_F(RecoveryRoad, QueuedRowsOfTheFileListAreSavedByTheirMethods) {
  ASSERT_TRUE(Open("fat16.img"));
  // Live and one-cluster deleted files by the basic method, deleted runs by the linear one, and
  // a deleted folder, which fails as a folder item.
  Queue({"SMALL.TXT", "MULTI.BIN", "FRAG.BIN", "#EL1.TXT"}, cmd::kAddQueueBasic);
  Queue({"#MULTI.BIN", "#NTER.BIN"}, cmd::kAddQueueLinear);
  Queue({"#ELDIR"}, cmd::kAddQueueBasic);
  auto* box = dynamic_cast<CDRSaveBox*>(List().QueueWindow());
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isVisible());
  ASSERT_EQ(box->Store().Size(), 7u);

  box->OnStartRecovery();
  ASSERT_TRUE(shell_test::WaitFor([&] { return !box->IsRunning(); }));
  shell_test::SaveShot(*frame_, "recovery_road_frame");
  shell_test::SaveShot(*box, "recovery_road_queue");

  const std::map<std::string, std::string> saved = {
      {"SMALL.TXT", "small.txt"}, {"MULTI.BIN", "multi.bin"},   {"FRAG.BIN", "frag.bin"},
      {"#EL1.TXT", "del1.txt"},   {"#MULTI.BIN", "dmulti.bin"}, {"#NTER.BIN", "inter.bin"}};
  for (const auto& [name, original] : saved)
    EXPECT_EQ(ReadFile(out_.File(name)), ReadFile(Fixture("fat16.src/" + original))) << name;
  EXPECT_FALSE(std::filesystem::exists(out_.File("#ELDIR")));

  for (const drsave::QueueItem& item : box->Store().Snapshot()) {
    const bool folder = item.name == u"#ELDIR";
    EXPECT_EQ(item.done, folder ? 0u : 1u) << platform::ToUtf8(item.name);
    EXPECT_EQ(item.stateText, folder ? u"실패" : u"성공") << platform::ToUtf8(item.name);
  }
}

// The queue's worker reads the volume: closing the drive while it runs stops it first.
TEST_F(RecoveryRoad, ClosingTheDriveStopsARunningQueue) {
  ASSERT_TRUE(Open("fat16.img"));
  Queue({"SMALL.TXT", "MULTI.BIN", "FRAG.BIN"}, cmd::kAddQueueBasic);
  auto* box = dynamic_cast<CDRSaveBox*>(List().QueueWindow());
  ASSERT_NE(box, nullptr);
  box->OnStartRecovery();
  box->OnPauseResume();  // paused at its next gate, unless it has already ended
  frame_.reset();        // closes the drive through the session: the worker is stopped and joined
  EXPECT_EQ(m_pFileSystem, nullptr);
}

}  // namespace
