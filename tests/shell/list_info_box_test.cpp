#include <gtest/gtest.h>

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>

#include "Pellamor/DLG/Dialogs.h"
#include "controls/GridListCtrlGroups.h"
#include "Pellamor/DLG/ListInfoBox/DlgListInfoBox.h"
#include "controls/GridListCtrlEx.h"
#include "shared/DialogHeaderCtrl.h"
#include "shell_support.h"

namespace {

// Five files in a three-column list shown sorted by name, descending.
class ListInfoBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shell_test::App();
    model.setHorizontalHeaderLabels({QString::fromUtf16(u"이름"), QString::fromUtf16(u"크기"),
                                     QString::fromUtf16(u"종류")});
    const char* rows[][3] = {{"alpha.txt", "1,024", "text"},
                             {"delta.jpg", "2,048", "image"},
                             {"bravo.doc", "999", "document"},
                             {"echo.bin", "0", "binary"},
                             {"charlie.zip", "65,536", "archive"}};
    for (const auto& row : rows) {
      QList<QStandardItem*> items;
      for (const char* cell : row) items << new QStandardItem(QString::fromLatin1(cell));
      model.appendRow(items);
    }
    proxy.setSourceModel(&model);
    view.setModel(&proxy);
    view.setRootIsDecorated(false);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.sortByColumn(0, Qt::DescendingOrder);  // echo, delta, charlie, bravo, alpha
    view.setColumnHidden(1, true);
    view.resize(400, 200);
    view.show();
  }
  void TearDown() override { CloseAll(); }
  void SelectViewRows(std::initializer_list<int> rows) {
    for (int r : rows)
      view.selectionModel()->select(proxy.index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  void CloseAll() {
    for (QPointer<CDlgListInfoBox>& box : opened)
      if (box) box->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  static QString Expected(const char* name, const char* size, const char* kind) {
    return QString::fromUtf16(u"\r\n이름: ") + name + QString::fromUtf16(u"\r\n\r\n크기: ") + size +
           QString::fromUtf16(u"\r\n\r\n종류: ") + kind + "\r\n";
  }

  QApplication& app_ = shell_test::App();
  QStandardItemModel model;
  QSortFilterProxyModel proxy;
  QTreeView view;
  QList<QPointer<CDlgListInfoBox>> opened;
};

TEST_F(ListInfoBoxTest, OneBoxPerSelectedRowOfASortedList) {
  SelectViewRows({4, 0, 2});  // alpha, echo, charlie
  const QList<CDlgListInfoBox*> boxes = ShowListRowInfo(&view);
  for (CDlgListInfoBox* box : boxes) opened << box;
  ASSERT_EQ(boxes.size(), 3);
  // In the order the list shows them; every column, the hidden one too.
  EXPECT_EQ(boxes[0]->Text(), Expected("echo.bin", "0", "binary"));
  EXPECT_EQ(boxes[1]->Text(), Expected("charlie.zip", "65,536", "archive"));
  EXPECT_EQ(boxes[2]->Text(), Expected("alpha.txt", "1,024", "text"));
  for (CDlgListInfoBox* box : boxes) {
    EXPECT_TRUE(box->isVisible());
    EXPECT_FALSE(box->isModal());
    EXPECT_EQ(box->parentWidget(), view.window());
    EXPECT_EQ(box->windowTitle(), QString::fromUtf16(u"항목 정보"));
    EXPECT_EQ(box->Header()->Title(), QString::fromUtf16(u"항목 정보"));
    EXPECT_EQ(box->Header()->Description(),
              QString::fromUtf16(u"목록에서 표시되는 항목이 많은 경우 일목요연하게 보여줍니다."));
    EXPECT_EQ(box->OkButton()->text(), QString::fromUtf16(u"확인"));
    EXPECT_EQ(box->CancelButton()->text(), QString::fromUtf16(u"취소"));
    EXPECT_TRUE(box->Edit()->isReadOnly());
  }
  EXPECT_EQ(boxes[1]->Edit()->toPlainText(),
            QString::fromUtf16(u"\n이름: charlie.zip\n\n크기: 65,536\n\n종류: archive\n"));
  shell_test::SaveShot(*boxes[1], "list_info_box");
  EXPECT_EQ(ShowListRowInfoEx(&view).size(), 3);  // the same builder
  for (CDlgListInfoBox* box : boxes) opened << box;
}

// The grid list keeps its selection per owner row, not in the selection model's ranges; the boxes
// follow its sorted and grouped view.
TEST_F(ListInfoBoxTest, OneBoxPerSelectedRowOfASortedGroupedGridList) {
  CGridListCtrlGroups grid;
  grid.InsertColumn(0, QString::fromUtf16(u"이름"));
  grid.InsertColumn(1, QString::fromUtf16(u"종류"));
  const char* rows[][2] = {{"alpha.txt", "text"}, {"bravo.jpg", "image"}, {"charlie.txt", "text"}, {"delta.jpg", "image"}};
  for (const auto& row : rows) {
    const int r = grid.InsertItem(grid.GetItemCount(), QString::fromLatin1(row[0]));
    grid.SetItemText(r, 1, QString::fromLatin1(row[1]));
  }
  grid.resize(300, 200);
  grid.show();
  grid.SortColumn(0, false);  // delta, charlie, bravo, alpha
  ASSERT_TRUE(grid.GroupByColumn(1));  // [image] delta bravo [text] charlie alpha
  grid.SelectOwnerRows({0, 1});        // alpha, bravo
  // Rows of a collapsed group stay selected.
  ASSERT_TRUE(grid.SetGroupState(grid.GetRowGroupId(0), CGridListCtrlGroups::kGroupCollapsed));
  ASSERT_EQ(grid.ViewRow(0), -1);
  const QList<CDlgListInfoBox*> boxes = ShowListRowInfo(&grid);
  for (CDlgListInfoBox* box : boxes) opened << box;
  ASSERT_EQ(boxes.size(), 2);
  const auto text = [](const char* name, const char* kind) {
    return QString::fromUtf16(u"\r\n이름: ") + name + QString::fromUtf16(u"\r\n\r\n종류: ") + kind + "\r\n";
  };
  EXPECT_EQ(boxes[0]->Text(), text("bravo.jpg", "image"));
  EXPECT_EQ(boxes[1]->Text(), text("alpha.txt", "text"));
}

TEST_F(ListInfoBoxTest, ClosingABoxFreesIt) {
  SelectViewRows({1, 3});
  const QList<CDlgListInfoBox*> boxes = ShowListRowInfo(&view);
  ASSERT_EQ(boxes.size(), 2);
  QPointer<CDlgListInfoBox> first = boxes[0];
  QPointer<CDlgListInfoBox> second = boxes[1];
  QTest::mouseClick(first->OkButton(), Qt::LeftButton);
  QTest::mouseClick(second->CancelButton(), Qt::LeftButton);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(first.isNull());
  EXPECT_TRUE(second.isNull());
}

TEST_F(ListInfoBoxTest, TheRegisteredRunnerOpensTheBoxesOfTheListGiven) {
  dlg::RegisterAllDialogs();
  SelectViewRows({1, 3});
  EXPECT_EQ(dlg::RunDialog("CDlgListInfoBox", QVariant::fromValue(static_cast<QObject*>(&view))), 2);
  EXPECT_EQ(dlg::RunDialog("CDlgListInfoBox"), 0);
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<CDlgListInfoBox*>(w)) opened << box;
}

TEST_F(ListInfoBoxTest, NothingSelectedOrNoModelOpensNothing) {
  EXPECT_TRUE(ShowListRowInfo(&view).isEmpty());
  QTreeView empty;
  EXPECT_TRUE(ShowListRowInfo(&empty).isEmpty());
  EXPECT_TRUE(ShowListRowInfo(nullptr).isEmpty());
}

TEST_F(ListInfoBoxTest, BoxResizesAroundItsText) {
  SelectViewRows({0});
  const QList<CDlgListInfoBox*> boxes = ShowListRowInfo(&view);
  ASSERT_EQ(boxes.size(), 1);
  CDlgListInfoBox* box = boxes[0];
  opened << box;
  QCoreApplication::processEvents();
  const QSize start = box->size();
  const QRect edit = box->Edit()->geometry();
  const QRect ok = box->OkButton()->geometry();
  const QRect cancel = box->CancelButton()->geometry();
  // Nothing is cut off at the first size: the buttons and the edit lie inside, below the band.
  EXPECT_TRUE(box->rect().contains(ok));
  EXPECT_TRUE(box->rect().contains(cancel));
  EXPECT_GE(edit.top(), box->Header()->geometry().bottom());
  EXPECT_LT(edit.bottom(), ok.top());
  box->resize(start + QSize(120, 90));
  QCoreApplication::processEvents();
  EXPECT_EQ(box->Edit()->geometry(), edit.adjusted(0, 0, 120, 90));
  EXPECT_EQ(box->OkButton()->geometry(), ok.translated(120, 90));
  EXPECT_EQ(box->CancelButton()->geometry(), cancel.translated(120, 90));
  EXPECT_EQ(box->Header()->width(), start.width() + 120);
  box->resize(start - QSize(50, 50));
  QCoreApplication::processEvents();
  EXPECT_EQ(box->size(), start);
}

}  // namespace
