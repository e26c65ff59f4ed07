// The main window and the queue window on screens of given sizes. The offscreen platform runs with
// two screens of screens.json: a small primary one, 800 x 600 away from the origin, and a wide one
// beside it; their windows have no frame, as on a bare X server.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QHeaderView>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QToolBar>

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
#include "controls/GridListCtrlGroups.h"
#include "platform/message.h"
#include "tests/modules/module_env.h"
#include "tests/shell/shell_support.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Fixture;

// Before the first widget: the platform with our screens.
class Screens : public ::testing::Environment {
 public:
  void SetUp() override {
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + PELLAMOR_SCREENS_FILE);
    shell_test::App();
  }
};
const auto* const kScreens = ::testing::AddGlobalTestEnvironment(new Screens);

QScreen* Named(const char* name) {
  for (QScreen* s : QGuiApplication::screens())
    if (s->name() == QLatin1String(name)) return s;
  return nullptr;
}

// The widget's rectangle on the screen.
QRect GlobalRect(const QWidget* w) { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); }

class WindowFit : public module_env::StartedSuite {
 protected:
  void SetUp() override {
    StartedSuite::SetUp();
    small_ = Named("small");
    wide_ = Named("wide");
    ASSERT_NE(small_, nullptr);
    ASSERT_NE(wide_, nullptr);
    ASSERT_EQ(QGuiApplication::primaryScreen(), small_);
    ASSERT_EQ(small_->availableGeometry(), QRect(1280, 120, 800, 600));
    SetNtfsRootScanner(&RunNtfsRootScan);
    CMainFrame::SetQueueWindowFactory(&MakeQueueWindow);
  }
  void TearDown() override {
    box_.reset();
    frame_.reset();
    drives_.reset();
    CMainFrame::SetQueueWindowFactory({});
    SetNtfsRootScanner(nullptr);
  }
  bool OpenFrame(const std::string& image) {
    if (!testing_support::FixtureExists(image)) return false;
    drives_ = std::make_unique<testing_support::ScopedDrives>(std::vector<std::string>{"E=" + Fixture(image)});
    frame_ = std::make_unique<CMainFrame>();
    frame_->show();
    g_chCurrentDrive = 'E';
    const bool ok = frame_->OpenDrive();
    shell_test::WaitFor([&] { return !frame_->GetLeftView()->TreeBuilding(); });
    return ok;
  }

  QScreen* small_ = nullptr;
  QScreen* wide_ = nullptr;
  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
  std::unique_ptr<testing_support::ScopedDrives> drives_;
  std::unique_ptr<CMainFrame> frame_;
  std::unique_ptr<CDRSaveBox> box_;
};

// 1024 x 720 does not fit: the window takes the whole area, and its menu and its first tool
// buttons are on the screen.
TEST_F(WindowFit, TheMainWindowOpensInsideASmallScreen) {
  CMainFrame frame;
  const QSize before = frame.size();
  frame.show();
  shell_test::WaitFor([] { return false; }, 50);
  const QRect area = small_->availableGeometry();
  EXPECT_EQ(before, area.size());
  EXPECT_EQ(frame.size(), before);
  EXPECT_EQ(frame.frameGeometry(), area);
  EXPECT_TRUE(area.contains(GlobalRect(frame.menuBar())));
  ASSERT_GE(frame.ToolBar()->actions().size(), 3);
  for (int i = 0; i < 3; ++i) {
    const QWidget* button = frame.ToolBar()->widgetForAction(frame.ToolBar()->actions()[i]);
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isVisible()) << i;
    EXPECT_TRUE(area.contains(GlobalRect(button))) << i;
  }
  shell_test::SaveShot(frame, "window_fit_main_small");
}

// The queue window that the file list's F9 opens stays inside the small screen: its columns,
// wider than the screen, scroll.
TEST_F(WindowFit, TheQueueWindowOfTheRoadFitsASmallScreenAndItsColumnsScroll) {
  ASSERT_TRUE(OpenFrame("fat16.img"));
  CRightView& list = *frame_->GetRightView();
  std::vector<int> rows;
  for (int r = 0; r < list.RowCount(); ++r)
    if (list.Model()->QText(r, kTextName) == "SMALL.TXT") rows.push_back(r);
  ASSERT_EQ(rows.size(), 1u);
  list.SelectOwnerRows(rows);
  ASSERT_TRUE(frame_->RunCommand(cmd::kAddQueueBasic));
  auto* box = dynamic_cast<CDRSaveBox*>(list.QueueWindow());
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(shell_test::WaitFor([&] { return box->isVisible(); }));
  gui_test::Settle();

  const QRect area = small_->availableGeometry();
  EXPECT_TRUE(area.contains(box->frameGeometry())) << box->frameGeometry().x() << "," << box->frameGeometry().width();
  EXPECT_EQ(box->width(), area.width());
  EXPECT_EQ(box->minimumWidth(), area.width());
  CGridListCtrlGroups* grid = box->List();
  EXPECT_GT(grid->header()->length(), grid->viewport()->width());
  EXPECT_GT(grid->horizontalScrollBar()->maximum(), 0);
  EXPECT_TRUE(box->rect().contains(box->PauseButton()->geometry()));
  shell_test::SaveShot(*box, "window_fit_queue_small");
}

// The window opens with every column in view; a long save folder is elided in the middle with the
// whole folder as its tooltip.
TEST_F(WindowFit, TheFirstSizeHoldsEveryColumn) {
  box_ = std::make_unique<CDRSaveBox>();
  box_->setScreen(wide_);
  box_->AddItem(u"보고서.txt", 0, 12, 0, 0, 0, u"", 1536);
  box_->UpdateCounters();
  const QString folder = QStringLiteral("/home/user/복구한 파일/2026년 12월/아주 긴 폴더 이름이 이어지는 곳/마지막 폴더");
  box_->List()->SelectOwnerRows({0});
  box_->OnChangeSaveFolder(folder);
  box_->show();
  gui_test::Settle();
  ASSERT_EQ(box_->screen(), wide_);
  CGridListCtrlGroups* list = box_->List();
  const int room = list->viewport()->width();
  for (int c = 0; c < 8; ++c) {
    SCOPED_TRACE(c);
    EXPECT_GE(list->header()->sectionViewportPosition(c), 0);
    EXPECT_LE(list->header()->sectionViewportPosition(c) + list->header()->sectionSize(c), room);
  }
  EXPECT_GE(list->geometry().right(), list->header()->length() + list->x());
  EXPECT_EQ(list->ColumnElideMode(6), Qt::ElideMiddle);
  EXPECT_EQ(list->ColumnElideMode(0), list->textElideMode());
  const QAbstractItemModel* m = box_->Model();
  EXPECT_EQ(m->data(m->index(0, 6), Qt::DisplayRole).toString(), folder);
  EXPECT_EQ(m->data(m->index(0, 6), Qt::ToolTipRole).toString(), folder);
  EXPECT_TRUE(wide_->availableGeometry().contains(box_->frameGeometry()));
  shell_test::SaveShot(*box_, "drsave_box_first_size");
}

}  // namespace
