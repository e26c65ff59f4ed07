// Grid list groups: grouping by texts, sorting grouped, collapsing, and the selection through them.
#include <gtest/gtest.h>

#include <QMenu>

#include "grid_test_rows.h"

using namespace grid_test;

namespace {

std::unique_ptr<CGridListCtrlGroups> LettersList() {
  auto list = MakeList({"글자", "번호"});
  Fill(*list, {{"a", "0"}, {"B", "1"}, {"a", "2"}, {"b", "3"}, {"B", "4"}});
  return list;
}

TEST(GridGroups, GroupByColumnFirstOccurrenceCaseSensitive) {
  auto list = LettersList();
  QAbstractItemModelTester tester(list->GetOrderModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  list->SortColumn(1, false);  // 4 3 2 1 0
  list->SetSortArrow(1, false);
  ASSERT_TRUE(list->GroupByColumn(0));
  EXPECT_FALSE(list->header()->isSortIndicatorShown());
  EXPECT_TRUE(list->IsGroupStateEnabled());
  EXPECT_EQ(ViewTexts(*list, 1), QStringList({"[B]", "4", "1", "[b]", "3", "[a]", "2", "0"}));
  EXPECT_EQ(list->GetGroupCount(), 3);
  EXPECT_EQ(list->GetGroupHeader(list->GetRowGroupId(3)), "b");
  EXPECT_EQ(list->OwnerRow(0), -1) << "group rows have no owner row";
  EXPECT_FALSE(list->GetOrderModel()->flags(list->GetOrderModel()->index(0, 0)) & Qt::ItemIsSelectable);
  EXPECT_EQ(list->FindRowByPrefix(0, 0, "b", true), 1) << "group rows are not searched";
  EXPECT_EQ(list->FindRowByPrefix(1, 2, "3"), 4);
  Shot(*list, "grid_grouped_letters");

  // Select all: group rows are not counted, copied or selected.
  list->setFocus();
  QTest::keyClick(list.get(), Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(list->GetSelectedCount(), 5);
  EXPECT_EQ(list->GetSelectedOwnerRows(), std::vector<int>({0, 1, 2, 3, 4}));
  QString text;
  list->GetSelectedText(text, false);
  EXPECT_EQ(text, QString("B\t4\r\nB\t1\r\nb\t3\r\na\t2\r\na\t0"));
}

TEST(GridGroups, GroupingAnEmptyListFails) {
  auto list = MakeList({"글자"});
  EXPECT_FALSE(list->GroupByColumn(0));
  EXPECT_FALSE(list->IsGroupStateEnabled());
}

TEST(GridGroups, OwnerDataListsGroupToo) {
  App();
  RowsModel model(2);
  std::vector<QStringList> rows;
  for (int i = 0; i < 10000; ++i) rows.push_back({QString("row%1").arg(i), QString("type%1").arg((i * 31) % 100)});
  model.Append(rows);
  auto list = MakeList({"이름", "유형"});
  QAbstractItemModelTester tester(list->GetOrderModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  list->SetOwnerModel(&model);
  ASSERT_TRUE(list->GroupByColumn(1));
  ASSERT_EQ(list->GetGroupCount(), 100);
  EXPECT_EQ(list->GetViewRowCount(), 10100);
  int group = -1;
  for (int v = 0; v < list->GetViewRowCount(); ++v) {
    const int owner = list->OwnerRow(v);
    if (owner < 0) {
      group = list->GetOrderModel()->GroupIndexAt(v);
      continue;
    }
    ASSERT_EQ(model.rows[owner][1], list->GetOrderModel()->Groups()[group].header);
  }
  // Rows that arrive while grouped join the group of their text, or a new one at the end.
  model.Append({{"late", "type5"}, {"new", "fresh"}});
  EXPECT_EQ(list->GetGroupCount(), 101);
  EXPECT_EQ(list->GetGroupHeader(list->GetRowGroupId(10000)), "type5");
  EXPECT_EQ(list->OwnerRow(list->GetViewRowCount() - 1), 10001);
  EXPECT_EQ(list->GetOrderModel()->index(list->GetViewRowCount() - 2, 0).data().toString(), "fresh");
  // Removed rows leave their groups.
  model.Remove(10001, 10001);
  EXPECT_EQ(list->GetGroupCount(), 100);
  Shot(*list, "grid_owner_grouped");
}

TEST(GridGroups, SortingWhileGroupedOrdersTheGroups) {
  auto list = MakeList({"크기", "이름"});
  auto* numeric = new CGridColumnTraitText;
  numeric->SetSortNumeric(true);
  list->InsertColumnTrait(2, "번호", Qt::AlignRight, 80, -1, numeric);
  Fill(*list, {{"x", "a", "10"}, {"y", "b", "9"}, {"z", "c", "100"}, {"w", "d", "9"}});
  list->GroupByColumn(1);
  // A header click regroups by the clicked column and orders its groups (numerically here).
  QHeaderView* h = list->header();
  QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(h->sectionViewportPosition(2) + 10, h->height() / 2));
  EXPECT_EQ(ViewTexts(*list, 0), QStringList({"[9]", "y", "w", "[10]", "x", "[100]", "z"}));
  EXPECT_EQ(h->sortIndicatorSection(), 2);
  QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(h->sectionViewportPosition(2) + 10, h->height() / 2));
  EXPECT_EQ(ViewTexts(*list, 0), QStringList({"[100]", "z", "[10]", "x", "[9]", "y", "w"}));
  EXPECT_EQ(h->sortIndicatorOrder(), Qt::DescendingOrder);
  Shot(*list, "grid_grouped_sorted");
}

TEST(GridGroups, CollapseAndUngroupKeepTheSelection) {
  auto list = LettersList();
  QAbstractItemModelTester tester(list->GetOrderModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  list->GroupByColumn(0);  // [a] 0 2 [B] 1 4 [b] 3
  list->SelectOwnerRows({0, 1, 3});
  list->SetFocusRow(list->ViewRow(3));
  const int a = list->GetRowGroupId(0);
  ASSERT_TRUE(list->SetGroupState(a, CGridListCtrlGroups::kGroupCollapsed));
  EXPECT_EQ(ViewTexts(*list, 1), QStringList({"[a]", "[B]", "1", "4", "[b]", "3"}));
  EXPECT_EQ(list->GetSelectedOwnerRows(), std::vector<int>({0, 1, 3}));
  EXPECT_EQ(list->GetSelectedCount(), 3);
  EXPECT_EQ(list->OwnerRow(list->GetFocusRow()), 3);
  Shot(*list, "grid_group_collapsed");

  list->CollapseAllGroups();
  EXPECT_EQ(list->GetViewRowCount(), 3);
  EXPECT_EQ(list->GetSelectedOwnerRows(), std::vector<int>({0, 1, 3}));
  list->ExpandAllGroups();
  EXPECT_EQ(list->GetViewRowCount(), 8);
  EXPECT_EQ(list->GetSelectedOwnerRows(), std::vector<int>({0, 1, 3}));
  for (int o : {0, 1, 3}) EXPECT_TRUE(list->IsViewRowSelected(list->ViewRow(o)));
  EXPECT_FALSE(list->IsViewRowSelected(list->ViewRow(2)));

  list->SetGroupState(a, CGridListCtrlGroups::kGroupCollapsed);
  list->RemoveAllGroups();
  EXPECT_FALSE(list->IsGroupStateEnabled());
  EXPECT_EQ(ViewTexts(*list, 1), QStringList({"0", "2", "1", "4", "3"})) << "the list keeps the grouped order";
  EXPECT_EQ(list->GetSelectedOwnerRows(), std::vector<int>({0, 1, 3}));
  for (int o : {0, 1, 3}) EXPECT_TRUE(list->IsViewRowSelected(list->ViewRow(o)));
}

TEST(GridGroups, RowsOutsideEveryGroupJoinAGroupAddedByHand) {
  auto list = LettersList();
  QAbstractItemModelTester tester(list->GetOrderModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  ASSERT_EQ(list->InsertGroupHeader(0, 7, "G"), 0);
  EXPECT_EQ(list->GetRowGroupId(1), -1);
  ASSERT_TRUE(list->SetRowGroupId(1, 7));
  EXPECT_EQ(list->GetRowGroupId(1), 7);
  ASSERT_TRUE(list->SetRowGroupId(3, 7));
  EXPECT_EQ(ViewTexts(*list, 1), QStringList({"[G]", "1", "3"}));
  // A row in a group moves to another one; selected rows outside every group join one.
  ASSERT_EQ(list->InsertGroupHeader(1, 9, "H"), 1);
  ASSERT_TRUE(list->SetRowGroupId(1, 9));
  EXPECT_EQ(ViewTexts(*list, 1), QStringList({"[G]", "3", "[H]", "1"}));
  list->SelectOwnerRows({0, 4});
  ASSERT_TRUE(list->MoveSelectedRowsToGroup(9));
  EXPECT_EQ(list->GetRowGroupId(0), 9);
  EXPECT_EQ(list->GetRowGroupId(4), 9);
  EXPECT_EQ(list->GetRowGroupId(2), -1);
  EXPECT_EQ(ViewTexts(*list, 1), QStringList({"[G]", "3", "[H]", "1", "0", "4"}));
  EXPECT_EQ(list->GetSelectedOwnerRows(), std::vector<int>({0, 4}));
  Shot(*list, "grid_groups_added_by_hand");
}

TEST(GridGroups, DoubleClickOnAGroupTogglesIt) {
  auto list = LettersList();
  list->GroupByColumn(0);
  const int a = list->GetRowGroupId(0);
  const QPoint header = CellPoint(*list, 0, 1);
  EXPECT_EQ(list->GroupHitTest(header), a);
  EXPECT_EQ(list->GroupHitTest(CellPoint(*list, 1, 1)), -1);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, header);
  EXPECT_TRUE(list->HasGroupState(a, CGridListCtrlGroups::kGroupCollapsed));
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, header);
  EXPECT_FALSE(list->HasGroupState(a, CGridListCtrlGroups::kGroupCollapsed));
  EXPECT_EQ(list->GetViewRowCount(), 8);
}

TEST(GridGroups, Menus) {
  auto list = LettersList();
  std::unique_ptr<QMenu> none(list->CreateGridMenu());
  EXPECT_TRUE(none->isEmpty());
  list->GroupByColumn(0);
  std::unique_ptr<QMenu> grid(list->CreateGridMenu());
  QStringList texts;
  for (QAction* a : grid->actions()) texts << a->text();
  EXPECT_EQ(texts, QStringList({"Expand all groups", "Collapse all groups", "Disable grouping"}));
  grid->actions()[1]->trigger();
  EXPECT_EQ(list->GetViewRowCount(), 3);
  std::unique_ptr<QMenu> groupMenu(list->CreateGroupMenu(list->GetRowGroupId(0)));
  EXPECT_TRUE(groupMenu->isEmpty()) << "no check boxes, no menu";
  list->SetCheckBoxes(true);
  std::unique_ptr<QMenu> checkMenu(list->CreateGroupMenu(list->GetRowGroupId(0)));
  ASSERT_EQ(checkMenu->actions().size(), 2);
  EXPECT_EQ(checkMenu->actions()[0]->text(), "Check group: a");
  checkMenu->actions()[0]->trigger();
  EXPECT_TRUE(list->GetCheck(0));
  EXPECT_TRUE(list->GetCheck(2));
  EXPECT_FALSE(list->GetCheck(1));
  std::unique_ptr<QMenu> header(list->CreateHeaderMenu(1));
  EXPECT_EQ(header->actions()[1]->text(), "Disable grouping");
  header->actions()[1]->trigger();
  EXPECT_FALSE(list->IsGroupStateEnabled());
}

// Right clicks open the menus (as popups, without an event loop of their own).
TEST(GridGroups, RightClicksOpenTheirMenus) {
  auto list = LettersList();
  auto popupTexts = [] {
    QStringList texts;
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return texts;
    for (QAction* a : menu->actions())
      if (!a->isSeparator()) texts << a->text();
    menu->close();
    QApplication::processEvents();
    return texts;
  };
  QHeaderView* h = list->header();
  const QPoint onFirst(h->sectionViewportPosition(0) + 10, h->height() / 2);
  QContextMenuEvent onHeader(QContextMenuEvent::Mouse, onFirst, h->viewport()->mapToGlobal(onFirst));
  QApplication::sendEvent(h->viewport(), &onHeader);
  EXPECT_EQ(popupTexts(), QStringList({"Group by: 글자", "글자", "번호"}));

  list->GroupByColumn(0);
  const QPoint empty(list->viewport()->width() / 2, list->viewport()->height() - 5);
  QContextMenuEvent onEmpty(QContextMenuEvent::Mouse, empty, list->viewport()->mapToGlobal(empty));
  QApplication::sendEvent(list->viewport(), &onEmpty);
  EXPECT_EQ(popupTexts(), QStringList({"Expand all groups", "Collapse all groups", "Disable grouping"}));

  list->SetCheckBoxes(true);
  const QPoint group = CellPoint(*list, 0, 1);
  QContextMenuEvent onGroup(QContextMenuEvent::Mouse, group, list->viewport()->mapToGlobal(group));
  QApplication::sendEvent(list->viewport(), &onGroup);
  EXPECT_EQ(popupTexts(), QStringList({"Check group: a", "Uncheck group: a"}));
}

}  // namespace
