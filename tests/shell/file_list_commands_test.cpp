// The file list as the main window's commands reach it: the recover command's menu, the frame's
// edit keys, the row menu on a right click, rows that cannot be recovered, and the view styles.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QActionGroup>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <memory>
#include <string>
#include <vector>

#include "Pellamor/CommandIds.h"
#include "Pellamor/DriveSession.h"
#include "Pellamor/FileIconView.h"
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
  // The menu bar worked with the keyboard takes the focus; the list still counts as focused.
  frame_->menuBar()->setFocus(Qt::MenuBarFocusReason);
  ASSERT_TRUE(shell_test::WaitFor([&] { return frame_->menuBar()->hasFocus(); }, 5000));
  EXPECT_TRUE(frame_->UpdateCommand(cmd::kRecoverSelected).enabled);
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

// Pixels of the highlight colour inside a rectangle of the picture.
int HighlightPixels(const QImage& image, const QRect& rect, const QColor& highlight) {
  int n = 0;
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x)
      if (image.rect().contains(x, y) && image.pixelColor(x, y) == highlight) ++n;
  return n;
}

// Every style shows the same rows in the same (sorted) order with the same selection; the radio
// mark follows the style and "아이콘 줄 맞춤" works only in the icon styles.
TEST_F(FileListCommands, ViewStylesShowTheSameRowsOrderAndSelection) {
  REQUIRE_FIXTURE("shell_fat16.img");
  OpenImage(Fixture("shell_fat16.img"));
  const int alpha = RowNamed("ALPHA"), beta = RowNamed("BETA"), recycled = RowNamed("RECYCLED");
  ASSERT_GE(alpha, 0);
  List().SortColumn(0, false);  // by name, descending
  List().SelectOwnerRows({alpha, beta});
  const int rows = List().GetViewRowCount();
  ASSERT_GT(rows, 3);
  const QString first = List().Model()->QText(List().OwnerRow(0), kTextName);

  struct Case {
    int style;
    const char* shot;
    bool arrange;
  };
  const Case cases[] = {
      {cmd::kViewLargeIcon, "view_style_large_icons", true},
      {cmd::kViewSmallIcon, "view_style_small_icons", true},
      {cmd::kViewList, "view_style_list", false},
      {cmd::kViewDetails, "view_style_details", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shot);
    ASSERT_TRUE(frame_->RunCommand(c.style));
    shell_test::WaitFor([] { return false; }, 50);
    EXPECT_EQ(List().ViewStyle(), c.style);
    for (int id = cmd::kViewSmallIcon; id <= cmd::kViewDetails; ++id) {
      EXPECT_EQ(frame_->UpdateCommand(id).mark, id == c.style ? CommandState::kRadio : CommandState::kNone) << id;
      EXPECT_EQ(frame_->MenuActions(id).value(0)->isChecked(), id == c.style) << id;
    }
    EXPECT_EQ(frame_->UpdateCommand(cmd::kViewLineUp).enabled, c.arrange);
    // Drawn as a radio mark: the item belongs to an exclusive group.
    QAction* item = frame_->MenuActions(c.style).value(0);
    ASSERT_NE(item->actionGroup(), nullptr);
    EXPECT_TRUE(item->actionGroup()->isExclusive());
    EXPECT_TRUE(List().HasListFocus());  // the focus went along
    EXPECT_EQ(List().GetSelectedOwnerRows(), (std::vector<int>{std::min(alpha, beta), std::max(alpha, beta)}));
    shell_test::SaveShot(*frame_, c.shot);
    CFileIconView* icons = List().IconView();
    if (c.style == cmd::kViewDetails) {
      EXPECT_FALSE(icons->isVisible());
      EXPECT_NE(icons->model(), List().GetOrderModel());  // no layout of its own while hidden
      EXPECT_NE(icons->selectionModel(), List().selectionModel());
      continue;
    }
    ASSERT_TRUE(icons->isVisible());
    EXPECT_EQ(icons->model(), List().GetOrderModel());
    EXPECT_EQ(icons->selectionModel(), List().selectionModel());
    EXPECT_EQ(icons->geometry(), List().rect());
    EXPECT_EQ(icons->model()->index(0, 0).data().toString(), first);
    // Each row in a place of its own, the selected ones drawn selected.
    const QImage picture = icons->viewport()->grab().toImage();
    const QColor highlight = icons->palette().color(QPalette::Active, QPalette::Highlight);
    std::vector<QRect> places;
    for (int v = 0; v < rows; ++v) {
      const QRect r = icons->visualRect(icons->model()->index(v, 0));
      ASSERT_FALSE(r.isEmpty()) << v;
      for (const QRect& other : places) EXPECT_FALSE(r.intersects(other)) << v;
      places.push_back(r);
      const bool selected = List().IsViewRowSelected(v);
      if (selected) EXPECT_GT(HighlightPixels(picture, r, highlight), 0) << v;
      else EXPECT_EQ(HighlightPixels(picture, r, highlight), 0) << v;
    }
    if (c.arrange) { EXPECT_TRUE(frame_->RunCommand(cmd::kViewLineUp)); }
  }
  EXPECT_EQ(RowNamed("RECYCLED"), recycled);
}

// In the icon style the mouse selects (totals follow), F9 queues the selection, a right click
// opens the row menu and a double click opens a folder.
TEST_F(FileListCommands, IconStyleSelectsQueuesAndOpensLikeDetails) {
  REQUIRE_FIXTURE("shell_fat16.img");
  OpenImage(Fixture("shell_fat16.img"));
  ASSERT_TRUE(frame_->RunCommand(cmd::kViewLargeIcon));
  CFileIconView* icons = List().IconView();
  ASSERT_TRUE(shell_test::WaitFor([&] { return icons->hasFocus(); }, 5000));
  auto placeOf = [&](const char* name) {
    const int view = List().ViewRow(RowNamed(name));
    return icons->visualRect(icons->model()->index(view, 0)).center();
  };
  QTest::mouseClick(icons->viewport(), Qt::LeftButton, {}, placeOf("ALPHA"));
  EXPECT_EQ(List().GetSelectedOwnerRows(), std::vector<int>{RowNamed("ALPHA")});
  EXPECT_TRUE(frame_->StatusPane(1)->text().startsWith(QStringLiteral("선택: 1개 ")));
  EXPECT_TRUE(ToolButton(cmd::kPropertyCheck)->isEnabled());
  QTest::mouseClick(icons->viewport(), Qt::LeftButton, Qt::ControlModifier, placeOf("BETA"));
  EXPECT_EQ(List().SelectedRowCount(), 2);
  EXPECT_TRUE(frame_->StatusPane(1)->text().startsWith(QStringLiteral("선택: 2개 ")));
  // The toolbar follows the selection: the property check needs exactly one row.
  EXPECT_FALSE(ToolButton(cmd::kPropertyCheck)->isEnabled());
  EXPECT_TRUE(ToolButton(cmd::kRecoverSelected)->isEnabled());

  QTest::keyClick(icons, Qt::Key_F9);
  EXPECT_EQ(queue_->Names(), (QStringList{"ALPHA", "BETA"}));
  for (const RecordingQueue::Item& i : queue_->items) EXPECT_EQ(i.method, 0);

  // A right click on a row of the selection keeps it and opens the row menu at the cursor.
  const QPoint at = placeOf("BETA");
  QTest::mousePress(icons->viewport(), Qt::RightButton, {}, at);
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, icons->viewport()->mapToGlobal(at));
  QApplication::sendEvent(icons->viewport(), &event);
  QTest::mouseRelease(icons->viewport(), Qt::RightButton, {}, at);
  EXPECT_EQ(List().SelectedRowCount(), 2);
  QMenu* menu = OpenPopup();
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->actions().size(), 7);
  menu->actions()[1]->trigger();  // linear
  menu->close();
  ASSERT_EQ(queue_->items.size(), 4u);
  EXPECT_EQ(queue_->items[3].method, 1);

  // Ctrl+C copies from the icon style too.
  QTest::keyClick(icons, Qt::Key_C, Qt::ControlModifier);
  EXPECT_TRUE(QGuiApplication::clipboard()->text().contains(QStringLiteral("BETA")));

  QTest::mouseClick(icons->viewport(), Qt::LeftButton, {}, placeOf("ALPHA"));
  QTest::mouseDClick(icons->viewport(), Qt::LeftButton, {}, placeOf("ALPHA"));
  ASSERT_TRUE(shell_test::WaitFor([&] { return RowNamed("INNER") >= 0; }, 3000));
  EXPECT_TRUE(icons->isVisible());
  shell_test::SaveShot(*frame_, "view_style_large_icons_inner");
  EXPECT_TRUE(sink_.Texts().empty());
}

}  // namespace
