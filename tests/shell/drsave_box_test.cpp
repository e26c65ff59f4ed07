// The recovery queue window: its list and texts, a run on a real drive, refusals while a run
// goes, pause, and closing the drive while the run is paused or asks for a new name.
#include <gtest/gtest.h>

#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>

#include "Pellamor/DLG/DRSaveBox/DRSaveBox.h"
#include "Pellamor/DLG/CDlgAttrChangeBox/CDlgAttrChangeBox.h"
#include "Pellamor/DLG/CDirectSaveDlg/CDirectSaveDlg.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/DriveSession.h"
#include "controls/GridListCtrlGroups.h"
#include "Pellamor/DLG/DRSaveBox/QueueRun.h"
#include "corvane/fat_recover.h"
#include "platform/fault_plan.h"
#include "platform/message.h"
#include "shell_support.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Fixture;
using testing_support::ReadFile;
using testing_support::TempDir;
namespace fs = std::filesystem;

QString Q(const char16_t* s) { return QString::fromUtf16(s); }

// What the stand-in rename dialog does; it writes its answer into the result the runner passes.
std::function<QString(QWidget* parent)> g_renameAnswer;

CDlgAttrChangeBox::Result RenameStandIn(QWidget* parent, const CDlgAttrChangeBox::Args&) {
  const QString answer = g_renameAnswer ? g_renameAnswer(parent) : QString();
  return {answer, answer.isEmpty() ? CDlgAttrChangeBox::kCancelled : CDlgAttrChangeBox::kRenamed};
}

class DrSaveBox : public ::testing::Test {
 protected:
  void SetUp() override {
    shell_test::App();
    g_renameAnswer = nullptr;
  }
  void TearDown() override {
    box_.reset();
    if (session_) session_->Close();
    session_.reset();
    drives_.reset();
    g_renameAnswer = nullptr;
  }
  bool Open(const std::string& image) {
    if (!testing_support::FixtureExists(image)) return false;
    drives_ = std::make_unique<testing_support::ScopedDrives>(std::vector<std::string>{"E=" + Fixture(image)});
    session_ = std::make_unique<CDriveSession>();
    if (!session_->Open('E')) return false;
    box_ = std::make_unique<CDRSaveBox>(nullptr, session_.get());
    return true;
  }
  void SelectAll() {
    std::vector<int> rows(box_->Store().Size());
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<int>(i);
    box_->List()->SelectOwnerRows(rows);
  }
  void RunToEnd() {
    box_->OnStartRecovery();
    ASSERT_TRUE(shell_test::WaitFor([&] { return !box_->IsRunning(); }));
  }

  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
  dlg::ScopedReplacement<CDlgAttrChangeBox> rename_{&RenameStandIn};
  std::unique_ptr<testing_support::ScopedDrives> drives_;
  std::unique_ptr<CDriveSession> session_;
  std::unique_ptr<CDRSaveBox> box_;
  TempDir out_;
};

TEST_F(DrSaveBox, ListTextsAndKeys) {
  box_ = std::make_unique<CDRSaveBox>();
  box_->AddItem(u"보고서.txt", 0, 12, 0, 0, 0, u"", 1536);
  box_->AddItem(u"사진", 1, 40, 1, 0, 0, u"", 0);
  box_->AddItem(u"..", 1, 0, 0, 0, 0, u"", 0);  // not added
  box_->AddItem(u"big.bin", 0, 1ull << 40, 1, 0, 0, u"", 5e9);
  box_->UpdateCounters();
  EXPECT_EQ(box_->windowTitle(), Q(u"임시보관함"));
  EXPECT_EQ(box_->CounterText(), Q(u"0 / 3개"));
  const auto items = box_->Store().Snapshot();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[1].sizeText, u"폴더");
  EXPECT_EQ(items[2].clusterText, u"1099511627776");  // full 64 bits
  EXPECT_EQ(items[2].methodText, u"선형");
  const QAbstractItemModel* m = box_->Model();
  const QStringList headings = {Q(u"이름"), Q(u"종류"), Q(u"크기"), Q(u"복구방식"), Q(u"클러스터"), Q(u"진행상태"),
                                Q(u"저장경로"), Q(u"결과")};
  for (int c = 0; c < 8; ++c) EXPECT_EQ(m->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), headings[c]);
  EXPECT_EQ(m->data(m->index(0, 0), Qt::DisplayRole).toString(), Q(u"보고서.txt"));

  // Held rows show "보류"; Enter and Esc leave the window open.
  box_->List()->SelectOwnerRows({0});
  box_->OnHoldItems();
  EXPECT_EQ(m->data(m->index(0, 5), Qt::DisplayRole).toString(), Q(u"보류"));
  box_->show();
  QTest::keyClick(box_.get(), Qt::Key_Escape);
  QTest::keyClick(box_.get(), Qt::Key_Return);
  EXPECT_TRUE(box_->isVisible());
  shell_test::SaveShot(*box_, "drsave_box_list");
}

TEST_F(DrSaveBox, RunSavesFatFilesAndCountsTheDoneOnes) {
  if (!Open("fat16.img")) GTEST_SKIP() << "fixture missing";
  for (const auto& e : testing_support::ProbeList(Fixture("fat16.img")).entries) {
    if (e.path == "/SMALL.TXT" || e.path == "/#EL1.TXT" || e.path == "/#MULTI.BIN")
      box_->AddItem(platform::FromUtf8(e.path.substr(1)), 0, e.number, e.path == "/#MULTI.BIN" ? 1 : 0,
                    e.deleted ? 1 : 0, 0, u"", static_cast<double>(e.size));
  }
  box_->UpdateCounters();
  ASSERT_EQ(box_->Store().Size(), 3u);
  SelectAll();
  box_->OnChangeSaveFolder(QString::fromStdString(out_.path()));
  RunToEnd();
  EXPECT_EQ(ReadFile(out_.File("SMALL.TXT")), ReadFile(Fixture("fat16.src/small.txt")));
  EXPECT_EQ(ReadFile(out_.File("#EL1.TXT")), ReadFile(Fixture("fat16.src/del1.txt")));
  EXPECT_EQ(ReadFile(out_.File("#MULTI.BIN")), ReadFile(Fixture("fat16.src/dmulti.bin")));
  EXPECT_EQ(box_->CounterText(), Q(u"3 / 3개"));
  const QAbstractItemModel* m = box_->Model();
  EXPECT_EQ(m->data(m->index(0, 5), Qt::DisplayRole).toString(), Q(u"성공"));
  box_->show();
  shell_test::SaveShot(*box_, "drsave_box_done");

  // A second run skips what is done; done rows can then be deleted.
  RunToEnd();
  EXPECT_EQ(box_->CounterText(), Q(u"3 / 3개"));
  box_->OnDeleteDone();
  EXPECT_EQ(box_->Store().Size(), 0u);
}

// A basic save of a deleted file that spans several clusters finds its first cluster alone: the
// row fails and says why, and that cluster stays under the file's name.
TEST_F(DrSaveBox, AFailedBasicSaveOfADeletedFileSaysWhy) {
  if (!Open("fat16.img")) GTEST_SKIP() << "fixture missing";
  for (const auto& e : testing_support::ProbeList(Fixture("fat16.img")).entries)
    if (e.path == "/#MULTI.BIN") box_->AddItem(u"#MULTI.BIN", 0, e.number, 0, 1, 0, u"", static_cast<double>(e.size));
  box_->UpdateCounters();
  ASSERT_EQ(box_->Store().Size(), 1u);
  SelectAll();
  box_->OnChangeSaveFolder(QString::fromStdString(out_.path()));
  RunToEnd();
  const QAbstractItemModel* m = box_->Model();
  EXPECT_EQ(m->data(m->index(0, 5), Qt::DisplayRole).toString(), Q(u"실패"));
  EXPECT_EQ(m->data(m->index(0, 7), Qt::DisplayRole).toString(), Q(kNoteDeletedChainShort));
  const std::string saved = ReadFile(out_.File("#MULTI.BIN"));
  const std::string source = ReadFile(Fixture("fat16.src/dmulti.bin"));
  ASSERT_FALSE(saved.empty());
  EXPECT_LT(saved.size(), source.size());
  EXPECT_EQ(source.substr(0, saved.size()), saved);
  box_->show();
  gui_test::Settle();
  shell_test::SaveShot(*box_, "drsave_box_failed_note");

  // Told to replace it, another short save leaves the earlier file as it was.
  g_renameAnswer = [](QWidget*) { return QStringLiteral("#MULTI.BIN"); };
  RunToEnd();
  EXPECT_EQ(m->data(m->index(0, 5), Qt::DisplayRole).toString(), Q(u"실패"));
  EXPECT_EQ(m->data(m->index(0, 7), Qt::DisplayRole).toString(), Q(kNoteIncompleteNotReplaced));
  EXPECT_EQ(ReadFile(out_.File("#MULTI.BIN")), saved);

  // The linear method (F8) saves it whole, replacing the earlier part.
  box_->Store().UpdateRows({0}, [](drsave::QueueItem& i) { i.methodCode = drsave::kMethodLinear; });
  RunToEnd();
  EXPECT_EQ(m->data(m->index(0, 5), Qt::DisplayRole).toString(), Q(u"성공"));
  EXPECT_EQ(ReadFile(out_.File("#MULTI.BIN")), source);
}

// The queue reads its save folders through the platform layer: a fault injected there fails the
// row with its reason, and the next run saves it.
TEST_F(DrSaveBox, AnInjectedFolderScanFaultReachesTheQueue) {
  if (!Open("fat16.img")) GTEST_SKIP() << "fixture missing";
  for (const auto& e : testing_support::ProbeList(Fixture("fat16.img")).entries)
    if (e.path == "/SMALL.TXT") box_->AddItem(u"SMALL.TXT", 0, e.number, 0, 0, 0, u"", static_cast<double>(e.size));
  box_->UpdateCounters();
  ASSERT_EQ(box_->Store().Size(), 1u);
  SelectAll();
  box_->OnChangeSaveFolder(QString::fromStdString(out_.path()));
  const QAbstractItemModel* m = box_->Model();
  {
    platform::ScopedFaultPlan faults;
    platform::FaultPlan::FailFolderScans();
    RunToEnd();
    EXPECT_EQ(m->data(m->index(0, 5), Qt::DisplayRole).toString(), Q(u"실패"));
    EXPECT_EQ(m->data(m->index(0, 7), Qt::DisplayRole).toString(), Q(drsave::kNoteBadSaveFolder));
    EXPECT_FALSE(fs::exists(out_.File("SMALL.TXT")));
  }
  RunToEnd();
  EXPECT_EQ(m->data(m->index(0, 5), Qt::DisplayRole).toString(), Q(u"성공"));
  EXPECT_EQ(ReadFile(out_.File("SMALL.TXT")), ReadFile(Fixture("fat16.src/small.txt")));
}

TEST_F(DrSaveBox, WhileARunGoesEditsAreRefusedAndClosingTheDriveStopsIt) {
  if (!Open("fat32.img")) GTEST_SKIP() << "fixture missing";
  // 30 MiB of sectors, held at the pause gate.
  box_->AddItem(u"big.bin", 0, 0, 2, 0, 0, u"", 60000);
  box_->UpdateCounters();
  SelectAll();
  box_->OnChangeSaveFolder(QString::fromStdString(out_.path()));
  box_->OnStartRecovery();
  ASSERT_TRUE(box_->IsRunning());
  box_->OnPauseResume();
  EXPECT_EQ(box_->PauseButton()->text(), Q(u"계속(&P)"));
  EXPECT_TRUE(session_->IsBusy());

  sink_.Clear();
  box_->OnStartRecovery();
  box_->OnDeleteItems();
  box_->OnResetList();
  box_->OnImport(QString::fromStdString(out_.File("none.db")));
  EXPECT_EQ(sink_.Texts(), std::vector<std::u16string>(4, u"복구가 진행 중에 있습니다."));
  EXPECT_EQ(box_->Store().Size(), 1u);

  session_->Close();  // stops and joins the paused run
  EXPECT_FALSE(box_->IsRunning());
  EXPECT_TRUE(fs::is_empty(out_.path()));
  EXPECT_EQ(box_->Store().At(0)->done, 0u);
}

TEST_F(DrSaveBox, RenameDialogAnswersAndClosingTheDriveWhileItWaits) {
  if (!Open("fat16.img")) GTEST_SKIP() << "fixture missing";
  std::uint64_t cluster = 0;
  for (const auto& e : testing_support::ProbeList(Fixture("fat16.img")).entries)
    if (e.path == "/SMALL.TXT") cluster = e.number;
  testing_support::WriteFile(out_.File("SMALL.TXT"), "old");
  box_->AddItem(u"SMALL.TXT", 0, cluster, 0, 0, 0, u"", 100);
  box_->UpdateCounters();
  SelectAll();
  box_->OnChangeSaveFolder(QString::fromStdString(out_.path()));

  // The dialog's new name is used.
  g_renameAnswer = [](QWidget*) { return QStringLiteral("renamed.txt"); };
  RunToEnd();
  EXPECT_EQ(ReadFile(out_.File("renamed.txt")), ReadFile(Fixture("fat16.src/small.txt")));

  // The drive closes while the dialog waits: the dialog closes, the run ends, the old file stays.
  box_->Store().Clear();
  box_->AddItem(u"SMALL.TXT", 0, cluster, 0, 0, 0, u"", 100);
  box_->UpdateCounters();
  SelectAll();
  box_->OnChangeSaveFolder(QString::fromStdString(out_.path()));
  bool shown = false;
  g_renameAnswer = [&](QWidget* parent) {
    QDialog dialog(parent);
    QTimer::singleShot(0, [&] {
      shown = dialog.isVisible();
      session_->Close();
    });
    dialog.exec();
    return QString();
  };
  box_->OnStartRecovery();
  ASSERT_TRUE(shell_test::WaitFor([&] { return !box_->IsRunning(); }));
  EXPECT_TRUE(shown);
  EXPECT_FALSE(session_->IsOpen());
  EXPECT_EQ(ReadFile(out_.File("SMALL.TXT")), "old");
  EXPECT_EQ(box_->Store().At(0)->done, 0u);
}

}  // namespace

// "저장위치 변경" without a folder asks the save-folder dialog in its per-item mode, starting
// empty; its folder goes to the selected items on OK, and Cancel changes nothing.
TEST_F(DrSaveBox, ChangingTheSaveFolderAsksTheSaveFolderDialogPerItem) {
  if (!Open("fat16.img")) GTEST_SKIP() << "fixture missing";
  box_->AddItem(u"a.txt", 0, 12, 0, 0, 0, u"", 10);
  box_->AddItem(u"b.txt", 0, 13, 0, 0, 0, u"", 10);
  box_->UpdateCounters();
  box_->List()->SelectOwnerRows({1});
  std::optional<CDirectSaveDlg::Args> seen;
  QString answer;
  dlg::ScopedReplacement<CDirectSaveDlg> fake(
      [&](QWidget*, const CDirectSaveDlg::Args& args) -> std::optional<CDirectSaveDlg::Result> {
        seen = args;
        if (answer.isEmpty()) return std::nullopt;
        return CDirectSaveDlg::Result{answer};
      });
  box_->OnChangeSaveFolder();
  ASSERT_TRUE(seen);
  EXPECT_EQ(seen->mode, CDirectSaveDlg::kItemMode);
  ASSERT_TRUE(seen->initialFolder);
  EXPECT_TRUE(seen->initialFolder->isEmpty());
  for (const auto& item : box_->Store().Snapshot()) EXPECT_TRUE(item.saveFolder.empty());

  answer = QString::fromStdString(out_.path());
  box_->OnChangeSaveFolder();
  const auto items = box_->Store().Snapshot();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_TRUE(items[0].saveFolder.empty());
  EXPECT_EQ(items[1].saveFolder, answer.toStdU16String());
}
