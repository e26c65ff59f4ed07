// Grid list row drag and drop, driven by drag events on the list's viewport.
#include <gtest/gtest.h>

#include <QDragEnterEvent>
#include <QMimeData>

#include "grid_test_rows.h"

using namespace grid_test;

namespace {

std::unique_ptr<CGridListCtrlGroups> SixRows() {
  auto list = MakeList({"이름", "값"});
  for (int i = 0; i < 6; ++i) Fill(*list, {{QString::number(i), "x"}});
  return list;
}

// Enter, move and drop at a viewport point; whether the drop was accepted.
struct DragResult {
  bool enterAccepted = false;
  bool dropAccepted = false;
};

DragResult DragTo(CGridListCtrlEx& list, QMimeData* data, const QPoint& point) {
  DragResult result;
  QWidget* vp = list.viewport();
  QDragEnterEvent enter(point, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(vp, &enter);
  result.enterAccepted = enter.isAccepted();
  if (!result.enterAccepted) return result;
  QDragMoveEvent move(point, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(vp, &move);
  QDropEvent drop(QPointF(point), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(vp, &drop);
  result.dropAccepted = drop.isAccepted();
  return result;
}

QPoint BelowTheRows(const CGridListCtrlEx& list) {
  return QPoint(20, list.GetCellRect(list.GetViewRowCount() - 1, 0).bottom() + 30);
}

struct DropCase {
  const char* name;
  std::vector<int> selected;
  int dropRow;  // -1: below the last row
  QStringList order;
};

TEST(GridDrag, DropOnItselfMovesTheBlock) {
  const std::vector<DropCase> cases = {
      {"1 and 2 on 4", {1, 2}, 4, {"0", "3", "4", "1", "2", "5"}},
      {"1 and 2 on 0", {1, 2}, 0, {"1", "2", "0", "3", "4", "5"}},
      {"1 and 4 on 2", {1, 4}, 2, {"0", "2", "1", "4", "3", "5"}},
      {"one row on itself", {3}, 3, {"0", "1", "2", "3", "4", "5"}},
      {"below the last row", {0, 2}, -1, {"1", "3", "4", "5", "0", "2"}},
      {"on a selected row", {1, 3, 4}, 3, {"0", "2", "1", "3", "4", "5"}},
  };
  for (const DropCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto list = SixRows();
    QAbstractItemModelTester tester(list->GetOrderModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    list->SelectOwnerRows(c.selected);
    const QPoint at = c.dropRow < 0 ? BelowTheRows(*list) : CellPoint(*list, c.dropRow, 1);
    const DragResult r = DragTo(*list, std::unique_ptr<QMimeData>(list->CreateDragData()).get(), at);
    EXPECT_TRUE(r.enterAccepted);
    const bool moves = c.selected.size() != 1 || c.selected[0] != c.dropRow;
    EXPECT_EQ(r.dropAccepted, moves);
    EXPECT_EQ(ViewTexts(*list, 0), c.order);
    // The moved rows stay selected.
    QStringList selected;
    for (int o : list->GetSelectedOwnerRows()) selected << list->GetItemText(o, 0);
    QStringList expected;
    for (int s : c.selected) expected << QString::number(s);
    std::sort(expected.begin(), expected.end());
    std::sort(selected.begin(), selected.end());
    EXPECT_EQ(selected, expected);
    EXPECT_EQ(list->GetHotRow(), -1);
  }
}

TEST(GridDrag, DropAfterSortingMovesWhatIsShown) {
  auto list = SixRows();
  list->SortColumn(0, false);  // 5 4 3 2 1 0
  list->SetSortArrow(0, false);
  list->SelectOwnerRows({5});
  DragTo(*list, std::unique_ptr<QMimeData>(list->CreateDragData()).get(), CellPoint(*list, 3));
  EXPECT_EQ(ViewTexts(*list, 0), QStringList({"4", "3", "2", "5", "1", "0"}));
  EXPECT_FALSE(list->header()->isSortIndicatorShown()) << "the rows are no longer sorted";
}

TEST(GridDrag, DragDataIsTabbedTextWithoutHeaderAndNamesItsSource) {
  auto list = SixRows();
  EXPECT_EQ(list->CreateDragData(), nullptr) << "nothing selected";
  list->SelectOwnerRows({1, 4});
  std::unique_ptr<QMimeData> data(list->CreateDragData());
  EXPECT_EQ(data->text(), QString("1\tx\r\n4\tx"));
  EXPECT_TRUE(data->hasFormat(CGridListCtrlEx::kRowDragMime));
  EXPECT_TRUE(list->IsDragSource(data.get()));
  auto other = SixRows();
  EXPECT_FALSE(other->IsDragSource(data.get()));
}

TEST(GridDrag, ForeignDragsAreRefusedAtEnter) {
  auto list = SixRows();
  list->SelectOwnerRows({1});
  QMimeData text;
  text.setText("from another program");
  DragResult r = DragTo(*list, &text, CellPoint(*list, 3));
  EXPECT_FALSE(r.enterAccepted);
  // Rows dragged from another list are foreign too, even on a drop sent without an enter.
  auto other = SixRows();
  other->SelectOwnerRows({0});
  std::unique_ptr<QMimeData> rows(other->CreateDragData());
  r = DragTo(*list, rows.get(), CellPoint(*list, 3));
  EXPECT_FALSE(r.enterAccepted);
  QDropEvent drop(QPointF(CellPoint(*list, 3)), Qt::MoveAction, rows.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(list->viewport(), &drop);
  EXPECT_FALSE(drop.isAccepted());
  EXPECT_EQ(ViewTexts(*list, 0), QStringList({"0", "1", "2", "3", "4", "5"}));
}

TEST(GridDrag, OwnerDataRowsDoNotMove) {
  App();
  RowsModel model(2);
  model.Append({{"0", "x"}, {"1", "x"}, {"2", "x"}});
  auto list = MakeList({"이름", "값"});
  list->SetOwnerModel(&model);
  list->SelectOwnerRows({0});
  DragTo(*list, std::unique_ptr<QMimeData>(list->CreateDragData()).get(), CellPoint(*list, 2));
  EXPECT_EQ(ViewTexts(*list, 0), QStringList({"0", "1", "2"}));
}

TEST(GridDrag, DropOnAGroupMovesRowsIntoIt) {
  auto list = MakeList({"글자", "번호"});
  Fill(*list, {{"a", "0"}, {"b", "1"}, {"a", "2"}, {"c", "3"}});
  list->GroupByColumn(0);  // [a] 0 2 [b] 1 [c] 3
  list->SelectOwnerRows({0});
  const int b = list->GetRowGroupId(1);
  DragTo(*list, std::unique_ptr<QMimeData>(list->CreateDragData()).get(), CellPoint(*list, 3, 1));  // the group row of b
  EXPECT_EQ(list->GetRowGroupId(0), b);
  EXPECT_EQ(ViewTexts(*list, 1), QStringList({"[a]", "2", "[b]", "1", "0", "[c]", "3"}));
  // On a member row: into that row's group.
  list->SelectOwnerRows({2});
  DragTo(*list, std::unique_ptr<QMimeData>(list->CreateDragData()).get(), CellPoint(*list, list->ViewRow(3), 1));
  EXPECT_EQ(list->GetGroupHeader(list->GetRowGroupId(2)), "c");
  EXPECT_TRUE(list->IsViewRowSelected(list->ViewRow(2)));
  Shot(*list, "grid_drop_on_group");
}

}  // namespace
