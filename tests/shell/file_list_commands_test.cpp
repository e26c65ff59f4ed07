// The file list as the main window's commands reach it: the recover command's menu, the frame's
// edit keys, the row menu on a right click, rows that cannot be recovered, and the view styles.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <memory>
#include <string>
#include <vector>

#include "Pellamor/CommandIds.h"
#include "Pellamor/DriveSession.h"
#include "Pellamor/LeftView.h"
#include "Pellamor/MainFrame.h"
#include "Pellamor/RightView.h"
#include "corvane/filesystem.h"
#include "platform/message.h"
#include "shell_support.h"
#include "tests/modules/module_env.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Fixture;

// Records what the list hands to the queue window.
class RecordingQueue : public QWidget, public IQueueWindow {
 public:
  struct Item {
    std::u16string name;
    int isFolder;
    std::uint64_t firstCluster;
    int method;
    std::uint32_t reference;
  };
  explicit RecordingQueue(QWidget* parent) : QWidget(parent, Qt::Window) {}
  void AddItem(const std::u16string& name, int isFolder, std::uint64_t firstCluster, int methodCode,
               std::uint32_t entryReference, int, const std::u16string&, double) override {
    items.push_back({name, isFolder, firstCluster, methodCode, entryReference});
  }
  void UpdateCounters() override { ++counterUpdates; }
  bool IsRunning() const override { return false; }
  QStringList Names() const {
    QStringList names;
    for (const Item& i : items) names << QString::fromStdU16String(i.name);
    return names;
  }
  std::vector<Item> items;
  int counterUpdates = 0;
};

class FileListCommands : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { modules_ = new module_env::StartedModules; }
  static void TearDownTestSuite() {
    delete modules_;
    modules_ = nullptr;
  }
  void SetUp() override {
    shell_test::App();
    ASSERT_TRUE(modules_->ok());
    CMainFrame::SetQueueWindowFactory([this](QWidget* parent) {
      auto* q = new RecordingQueue(parent);
      queue_ = q;
      return q;
    });
  }
  void TearDown() override {
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    frame_.reset();
    drives_.reset();
    CMainFrame::SetQueueWindowFactory({});
    EXPECT_EQ(m_pFileSystem, nullptr);
  }
  // Opens the image as drive E: in a shown, active frame whose list has the focus.
  void OpenImage(const std::string& image) {
    drives_ = std::make_unique<testing_support::ScopedDrives>(std::vector<std::string>{"E=" + image});
    frame_ = std::make_unique<CMainFrame>();
    tester_ = std::make_unique<QAbstractItemModelTester>(List().Model(),
                                                         QAbstractItemModelTester::FailureReportingMode::Fatal);
    g_chCurrentDrive = 'E';
    ASSERT_TRUE(frame_->OpenDrive());
    frame_->show();
    frame_->activateWindow();
    ASSERT_TRUE(shell_test::WaitFor([&] { return frame_->isActiveWindow(); }, 5000));
    FocusList();
  }
  void FocusList() {
    List().setFocus();
    ASSERT_TRUE(shell_test::WaitFor([&] { return List().hasFocus(); }, 5000));
  }
  CRightView& List() { return *frame_->GetRightView(); }
  int RowNamed(const QString& name) {
    for (int r = 0; r < List().RowCount(); ++r)
      if (List().Model()->QText(r, kTextName) == name) return r;
    return -1;
  }
  QToolButton* ToolButton(int id) {
    for (QAction* a : frame_->ToolBar()->actions())
      if (a->data().toInt() == id) return qobject_cast<QToolButton*>(frame_->ToolBar()->widgetForAction(a));
    return nullptr;
  }
  static QMenu* OpenPopup() {
    shell_test::WaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 3000);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
  }
  static QStringList Texts(const QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions()) texts << (a->isSeparator() ? QStringLiteral("—") : a->text());
    return texts;
  }

  static inline module_env::StartedModules* modules_ = nullptr;
  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
  std::unique_ptr<testing_support::ScopedDrives> drives_;
  std::unique_ptr<CMainFrame> frame_;
  std::unique_ptr<QAbstractItemModelTester> tester_;
  RecordingQueue* queue_ = nullptr;
};

// The toolbar's "저장" button: without a selection it says so; with rows selected it opens the
// two queue items under the button, each queueing the selection with its method.
TEST_F(FileListCommands, RecoverButtonOpensTheTwoQueueItemsUnderItself) {
  REQUIRE_FIXTURE("shell_fat16.img");
  OpenImage(Fixture("shell_fat16.img"));
  QToolButton* button = ToolButton(cmd::kRecoverSelected);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), QStringLiteral("저장"));
  ASSERT_TRUE(button->isEnabled());  // the list has the focus

  List().SelectOwnerRows({});
  QTest::mouseClick(button, Qt::LeftButton);
  ASSERT_EQ(sink_.Texts().size(), 1u);
  EXPECT_EQ(sink_.Texts()[0], u"복구할 항목이 선택되지 않았습니다.");
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

  const int alpha = RowNamed("ALPHA"), beta = RowNamed("BETA");
  ASSERT_GE(alpha, 0);
  ASSERT_GE(beta, 0);
  struct Case {
    int item;
    int method;
  };
  for (const Case c : {Case{0, 0}, Case{1, 1}}) {
    SCOPED_TRACE(c.item);
    FocusList();
    List().SelectOwnerRows({alpha, beta});
    queue_->items.clear();
    QTest::mouseClick(button, Qt::LeftButton);
    QMenu* menu = OpenPopup();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Texts(menu), (QStringList{"임시보관함에 추가 (기본)...\tF9", "임시보관함에 추가 (선형)...\tF8"}));
    // Under the button, not wherever the pointer happens to be.
    EXPECT_EQ(menu->pos(), button->mapToGlobal(QPoint(0, button->height())));
    if (c.item == 0) shell_test::SaveShot(*menu, "recover_menu");
    menu->actions()[c.item]->trigger();
    menu->close();
    ASSERT_EQ(queue_->items.size(), 2u);
    for (const RecordingQueue::Item& i : queue_->items) EXPECT_EQ(i.method, c.method);
    EXPECT_EQ(queue_->Names(), (QStringList{List().Model()->QText(std::min(alpha, beta), kTextName),
                                            List().Model()->QText(std::max(alpha, beta), kTextName)}));
    EXPECT_TRUE(queue_->isVisible());
  }
  EXPECT_EQ(sink_.Texts().size(), 1u);
}

// The menu item of the same command opens the menu at the cursor; without a drive nothing opens.
TEST_F(FileListCommands, RecoverMenuItemOpensAtTheCursorAndNeedsTheListsFocus) {
  REQUIRE_FIXTURE("shell_fat16.img");
  OpenImage(Fixture("shell_fat16.img"));
  List().SelectOwnerRows({RowNamed("ALPHA")});
  QCursor::setPos(frame_->mapToGlobal(QPoint(300, 200)));
  const QPoint cursor = QCursor::pos();
  QList<QAction*> items = frame_->MenuActions(cmd::kRecoverSelected);
  ASSERT_EQ(items.size(), 1);
  EXPECT_EQ(items[0]->text(), QStringLiteral("기본복구방식(&1)\tF9"));
  items[0]->trigger();
  QMenu* menu = OpenPopup();
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->actions().size(), 2);
  EXPECT_EQ(menu->pos(), cursor);
  menu->close();
  // Without the list's focus the command is off.
  frame_->GetLeftView()->setFocus();
  ASSERT_TRUE(shell_test::WaitFor([&] { return frame_->GetLeftView()->hasFocus(); }, 5000));
  EXPECT_FALSE(frame_->UpdateCommand(cmd::kRecoverSelected).enabled);
  EXPECT_FALSE(ToolButton(cmd::kRecoverSelected)->isEnabled());
  EXPECT_TRUE(sink_.Texts().empty());
}

// Ctrl+A then F9 in a FAT root queues every row but the volume label; in a folder, "." and ".."
// stay out too, while a folder keeps its place (the queue says why it fails).
TEST_F(FileListCommands, KeysQueueNoLabelAndNoDotEntries) {
  REQUIRE_FIXTURE("shell_fat16.img");
  OpenImage(Fixture("shell_fat16.img"));
  int label = -1;
  for (int r = 0; r < List().RowCount(); ++r)
    if (List().Model()->Keys(r).volumeLabel) label = r;
  ASSERT_GE(label, 0);
  QTest::keyClick(&List(), Qt::Key_A, Qt::ControlModifier);
  ASSERT_EQ(List().SelectedRowCount(), List().RowCount());
  QTest::keyClick(&List(), Qt::Key_F9);
  ASSERT_EQ(static_cast<int>(queue_->items.size()), List().RowCount() - 1);
  EXPECT_FALSE(queue_->Names().contains(List().Model()->QText(label, kTextName)));
  EXPECT_TRUE(queue_->Names().contains(QStringLiteral("ALPHA")));
  EXPECT_EQ(queue_->counterUpdates, 1);

  // Into ALPHA: ".", ".." and INNER.
  List().SelectOwnerRows({RowNamed("ALPHA")});
  List().OnDblclk();
  ASSERT_GE(RowNamed("INNER"), 0);
  ASSERT_GE(RowNamed(".."), 0);
  queue_->items.clear();
  FocusList();
  QTest::keyClick(&List(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(&List(), Qt::Key_F8);
  EXPECT_EQ(queue_->Names(), QStringList{"INNER"});
  ASSERT_EQ(queue_->items.size(), 1u);
  EXPECT_EQ(queue_->items[0].method, 1);
  EXPECT_EQ(queue_->items[0].isFolder, 1);
  // Only ".." selected: nothing is queued; the window still counts and shows.
  queue_->items.clear();
  List().SelectOwnerRows({RowNamed("..")});
  ASSERT_TRUE(frame_->RunCommand(cmd::kAddQueueBasic));
  EXPECT_TRUE(queue_->items.empty());
  EXPECT_EQ(queue_->counterUpdates, 3);
  EXPECT_TRUE(sink_.Texts().empty());
}

// Ctrl+C with the list focused copies the selected rows' text; the tree's focus copies nothing.
TEST_F(FileListCommands, CopyKeyReachesTheFocusedList) {
  REQUIRE_FIXTURE("shell_fat16.img");
  OpenImage(Fixture("shell_fat16.img"));
  QClipboard* clipboard = QGuiApplication::clipboard();
  ASSERT_NE(clipboard, nullptr);
  struct Case {
    std::vector<const char*> rows;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
  };
  const Case cases[] = {
      {{"ALPHA", "BETA"}, Qt::Key_C, Qt::ControlModifier},
      {{"RECYCLED"}, Qt::Key_Insert, Qt::ControlModifier},
  };
  for (const Case& c : cases) {
    std::vector<int> rows;
    for (const char* name : c.rows) rows.push_back(RowNamed(name));
    List().SelectOwnerRows(rows);
    List().SetFocusColumn(-1);
    QString expected;
    ASSERT_TRUE(List().GetSelectedText(expected, true));
    for (const char* name : c.rows) EXPECT_TRUE(expected.contains(QString::fromUtf8(name)));
    clipboard->setText(QStringLiteral("before"));
    QTest::keyClick(&List(), c.key, c.modifiers);
    EXPECT_EQ(clipboard->text(), expected);
  }
  frame_->GetLeftView()->setFocus();
  ASSERT_TRUE(shell_test::WaitFor([&] { return frame_->GetLeftView()->hasFocus(); }, 5000));
  clipboard->setText(QStringLiteral("before"));
  QTest::keyClick(frame_->GetLeftView(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(clipboard->text(), QStringLiteral("before"));
}

// A right click on a row selects it and opens the row menu at the cursor; a right click on a row
// of a selection keeps the selection.
TEST_F(FileListCommands, RightClickOnARowOpensTheRowMenu) {
  REQUIRE_FIXTURE("shell_fat16.img");
  OpenImage(Fixture("shell_fat16.img"));
  const int alpha = RowNamed("ALPHA"), beta = RowNamed("BETA");
  auto rightClick = [&](int ownerRow) {
    const QRect r = List().visualRect(List().GetOrderModel()->index(List().ViewRow(ownerRow), 0));
    const QPoint at = r.center();
    QTest::mousePress(List().viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, List().viewport()->mapToGlobal(at));
    QApplication::sendEvent(List().viewport(), &event);
    QTest::mouseRelease(List().viewport(), Qt::RightButton, {}, at);
    return List().viewport()->mapToGlobal(at);
  };
  List().SelectOwnerRows({});
  const QPoint at = rightClick(alpha);
  EXPECT_EQ(List().GetSelectedOwnerRows(), std::vector<int>{alpha});
  QMenu* menu = OpenPopup();
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(Texts(menu), (QStringList{"임시보관함에 추가 (기본복구)...\tF9", "임시보관함에 추가 (선형복구)...\tF8", "—",
                                      "항목정보 보기(&L)...", "—", "미리보기(&P)", "실제 데이터영역 보기(&D)"}));
  EXPECT_EQ(menu->pos(), at);
  shell_test::SaveShot(*menu, "row_menu");
  menu->actions()[0]->trigger();
  menu->close();
  EXPECT_EQ(queue_->Names(), QStringList{"ALPHA"});

  List().SelectOwnerRows({alpha, beta});
  rightClick(beta);
  EXPECT_EQ(List().SelectedRowCount(), 2);
  menu = OpenPopup();
  ASSERT_NE(menu, nullptr);
  menu->close();
  EXPECT_TRUE(frame_->StatusPane(1)->text().startsWith(QStringLiteral("선택: 2개 ")));
}

}  // namespace
