// Grid list: sorting, typed search, copy, column rules, checks and drawing, on stored rows and on
// an owner model of 10,000 rows.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QMenu>

#include <algorithm>
#include <numeric>

#include "grid_test_rows.h"

using namespace grid_test;

namespace {

// ---------------------------------------------------------------------------------------------
// Sorting

struct SortCase {
  const char* name;
  std::vector<QString> texts;  // column 0; column 1 holds the row number
  bool numeric;
  bool ascending;
  std::vector<int> owners;  // expected owner rows in display order
};

TEST(GridSort, TableOfOrders) {
  const QString big = QString::number(qint64(1) << 40);
  const QString minusBig = QString::number(-(qint64(1) << 40));
  const std::vector<SortCase> cases = {
      {"ordinal text", {"b", "a", "B", "10", "9"}, false, true, {3, 4, 2, 1, 0}},
      {"ordinal text descending", {"b", "a", "B", "10", "9"}, false, false, {0, 1, 2, 4, 3}},
      {"commas are skipped", {"999", "1,234", "12"}, true, true, {2, 0, 1}},
      {"a million with commas", {"1,234,567", "2", "1,000"}, true, true, {1, 2, 0}},
      {"2^40 against -2^40", {big, minusBig, "0"}, true, true, {1, 2, 0}},
      {"2^40 against -2^40 descending", {big, minusBig, "0"}, true, false, {0, 2, 1}},
      {"saturating", {"99999999999999999999", "-99999999999999999999", "5"}, true, true, {1, 2, 0}},
      {"no digits read as 0", {"abc", "-1", " 1"}, true, true, {1, 0, 2}},
      {"ties stable", {"1", "0", "1", "0"}, true, true, {1, 3, 0, 2}},
      {"ties stable descending", {"1", "0", "1", "0"}, true, false, {0, 2, 1, 3}},
  };
  for (const SortCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto list = MakeList({"값", "번호"});
    auto* trait = new CGridColumnTraitText;
    trait->SetSortNumeric(c.numeric);
    list->DeleteColumn(0);
    list->InsertColumnTrait(0, "값", Qt::AlignLeft, 100, -1, trait);
    for (size_t i = 0; i < c.texts.size(); ++i) Fill(*list, {{c.texts[i], QString::number(i)}});
    ASSERT_TRUE(list->SortColumn(0, c.ascending));
    EXPECT_EQ(ViewOwners(*list), c.owners);
    for (int v = 0; v < list->GetViewRowCount(); ++v) EXPECT_EQ(list->ViewRow(list->OwnerRow(v)), v);
  }
}

// A trait of its own decides the order (here: by length).
class LengthTrait : public CGridColumnTraitText {
 public:
  int CompareTexts(const QString& a, const QString& b, bool ascending) override {
    const int r = int(a.size()) - int(b.size());
    return ascending ? r : -r;
  }
};

TEST(GridSort, TraitCompareTextsDecides) {
  auto list = MakeList({"이름"});
  list->DeleteColumn(0);
  list->InsertColumnTrait(0, "이름", Qt::AlignLeft, 100, -1, new LengthTrait);
  Fill(*list, {{"ccc"}, {"a"}, {"bb"}, {"d"}});
  list->SortColumn(0, true);
  EXPECT_EQ(ViewTexts(*list, 0), QStringList({"a", "d", "bb", "ccc"}));
}

class OwnerListTest : public ::testing::Test {
 protected:
  static constexpr int kRows = 10000;
  void SetUp() override {
    App();
    model_ = std::make_unique<RowsModel>(3);
    model_->keyColumn = 1;
    std::vector<QStringList> rows;
    std::vector<QVariant> keys;
    for (int i = 0; i < kRows; ++i) {
      const int n = (i * 7919) % kRows;
      rows.push_back({QString("f%1").arg(n, 5, 10, QChar('0')), QString("%1 KB").arg(i % 97),
                      QString("type%1").arg(i % 100)});
      // Keys beyond 32 bits, both signs, with ties.
      keys.push_back(QVariant(qint64(i % 97 - 48) << 36));
    }
    model_->Append(rows, keys);
    list_ = MakeList({"이름", "크기", "유형"});
    tester_ = std::make_unique<QAbstractItemModelTester>(list_->GetOrderModel(),
                                                         QAbstractItemModelTester::FailureReportingMode::Fatal);
    list_->SetOwnerModel(model_.get());
  }
  qint64 Key(int owner) const { return model_->keys[owner].toLongLong(); }

  std::unique_ptr<RowsModel> model_;
  std::unique_ptr<CGridListCtrlGroups> list_;
  std::unique_ptr<QAbstractItemModelTester> tester_;
};

TEST_F(OwnerListTest, OwnerDataSortsBySortKeyStablyBothWays) {
  ASSERT_EQ(list_->GetViewRowCount(), kRows);
  ASSERT_TRUE(list_->SortColumn(1, true));
  for (int v = 1; v < kRows; ++v) {
    const int a = list_->OwnerRow(v - 1), b = list_->OwnerRow(v);
    ASSERT_LE(Key(a), Key(b));
    if (Key(a) == Key(b)) {
      ASSERT_LT(a, b) << "ties keep their order";
    }
  }
  ASSERT_TRUE(list_->SortColumn(1, false));
  for (int v = 1; v < kRows; ++v) {
    const int a = list_->OwnerRow(v - 1), b = list_->OwnerRow(v);
    ASSERT_GE(Key(a), Key(b));
    if (Key(a) == Key(b)) {
      ASSERT_LT(a, b);
    }
  }
  Shot(*list_, "grid_owner_sorted_by_key");
}

TEST_F(OwnerListTest, HeaderClicksSortByTextAndFlip) {
  QHeaderView* h = list_->header();
  const QPoint name(h->sectionViewportPosition(0) + 10, h->height() / 2);
  QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, name);
  EXPECT_TRUE(h->isSortIndicatorShown());
  EXPECT_EQ(h->sortIndicatorSection(), 0);
  EXPECT_EQ(h->sortIndicatorOrder(), Qt::AscendingOrder);
  EXPECT_EQ(list_->GetItemText(list_->OwnerRow(0), 0), "f00000");
  EXPECT_EQ(list_->GetItemText(list_->OwnerRow(kRows - 1), 0), "f09999");
  QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, name);
  EXPECT_EQ(h->sortIndicatorOrder(), Qt::DescendingOrder);
  EXPECT_EQ(list_->GetItemText(list_->OwnerRow(0), 0), "f09999");
  Shot(*list_, "grid_owner_sorted_by_name_descending");
}

TEST_F(OwnerListTest, SortKeepsSelectedAndFocusedOwnerRows) {
  list_->SelectOwnerRows({5, 77, 4000, 9999});
  list_->SetFocusRow(list_->ViewRow(77));
  list_->SortColumn(0, false);
  EXPECT_EQ(list_->GetSelectedOwnerRows(), std::vector<int>({5, 77, 4000, 9999}));
  EXPECT_EQ(list_->GetSelectedCount(), 4);
  EXPECT_EQ(list_->OwnerRow(list_->GetFocusRow()), 77);
  list_->SortColumn(1, true);
  EXPECT_EQ(list_->GetSelectedOwnerRows(), std::vector<int>({5, 77, 4000, 9999}));
  EXPECT_TRUE(list_->IsViewRowSelected(list_->ViewRow(4000)));
  EXPECT_FALSE(list_->IsViewRowSelected(list_->ViewRow(4001)));
}

TEST_F(OwnerListTest, OwnerChangesAfterSorting) {
  list_->SortColumn(0, false);
  list_->SelectOwnerRows({10, 20});
  // Appended rows go last.
  model_->Append({{"zz-new", "1 KB", "type1"}, {"aa-new", "1 KB", "type1"}}, {0, 0});
  ASSERT_EQ(list_->GetViewRowCount(), kRows + 2);
  EXPECT_EQ(list_->OwnerRow(kRows), kRows);
  EXPECT_EQ(list_->OwnerRow(kRows + 1), kRows + 1);
  EXPECT_EQ(list_->GetSelectedOwnerRows(), std::vector<int>({10, 20}));
  // Removed rows leave, the others keep their places and selection.
  const int before = list_->ViewRow(20);
  model_->Remove(0, 9);
  EXPECT_EQ(list_->GetViewRowCount(), kRows - 8);
  EXPECT_EQ(list_->GetSelectedOwnerRows(), std::vector<int>({0, 10}));
  EXPECT_LT(list_->ViewRow(10), before);
  // A reset drops the order and the arrow.
  list_->SetSortArrow(0, false);
  model_->Reset({{"b"}, {"a"}});
  EXPECT_EQ(ViewOwners(*list_), std::vector<int>({0, 1}));
  EXPECT_FALSE(list_->header()->isSortIndicatorShown());
  EXPECT_EQ(list_->GetSortColumn(), -1);
}

TEST_F(OwnerListTest, AGoneOwnerTakesTheOrderAndTheArrow) {
  list_->SelectOwnerRows({3});
  ASSERT_TRUE(list_->GroupByColumn(2));
  list_->SortColumn(2, true);
  list_->SetSortArrow(2, true);
  model_.reset();
  EXPECT_EQ(list_->GetViewRowCount(), 0);
  EXPECT_FALSE(list_->IsGroupStateEnabled());
  EXPECT_EQ(list_->GetOrderModel()->GroupColumn(), -1);
  EXPECT_EQ(list_->GetSortColumn(), -1);
  EXPECT_FALSE(list_->header()->isSortIndicatorShown());
  EXPECT_EQ(list_->GetSelectedCount(), 0);
}

// ---------------------------------------------------------------------------------------------
// Selection by mouse and keyboard (kept per owner row)

TEST(GridSelection, MouseAndKeyboard) {
  auto list = MakeList({"이름"});
  for (int i = 0; i < 8; ++i) Fill(*list, {{QString::number(i)}});
  list->setFocus();
  QWidget* vp = list->viewport();
  auto click = [&](int row, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QTest::mouseClick(vp, Qt::LeftButton, keys, CellPoint(*list, row));
  };
  using Rows = std::vector<int>;
  click(1);
  EXPECT_EQ(list->GetSelectedOwnerRows(), Rows({1}));
  click(3, Qt::ShiftModifier);
  EXPECT_EQ(list->GetSelectedOwnerRows(), Rows({1, 2, 3}));
  click(5, Qt::ControlModifier);
  EXPECT_EQ(list->GetSelectedOwnerRows(), Rows({1, 2, 3, 5}));
  click(2, Qt::ControlModifier);
  EXPECT_EQ(list->GetSelectedOwnerRows(), Rows({1, 3, 5}));
  // A press on a selected row keeps the rows for a drag; the release selects that row alone.
  QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, CellPoint(*list, 3));
  EXPECT_EQ(list->GetSelectedOwnerRows(), Rows({1, 3, 5}));
  QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, CellPoint(*list, 3));
  EXPECT_EQ(list->GetSelectedOwnerRows(), Rows({3}));
  QTest::keyClick(list.get(), Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(list->GetSelectedOwnerRows(), Rows({3, 4}));
  QTest::keyClick(list.get(), Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(list->GetSelectedCount(), 8);
  list->SortColumn(0, false);
  EXPECT_EQ(list->GetSelectedCount(), 8);
  click(0);
  EXPECT_EQ(list->GetSelectedOwnerRows(), Rows({7}));
  QTest::keyClick(list.get(), Qt::Key_End);
  EXPECT_EQ(list->GetSelectedOwnerRows(), Rows({0}));
  Shot(*list, "grid_selection");
}

TEST_F(OwnerListTest, SelectionFollowsOwnerRowsInsertedAndRemovedInPlace) {
  list_->SelectOwnerRows({1, 5, 9000});
  model_->Insert(3, {{"x1"}, {"x2"}});
  EXPECT_EQ(list_->GetSelectedOwnerRows(), std::vector<int>({1, 7, 9002}));
  EXPECT_EQ(list_->GetItemText(list_->OwnerRow(3), 0), "x1");
  model_->Remove(0, 2);
  EXPECT_EQ(list_->GetSelectedOwnerRows(), std::vector<int>({4, 8999}));
  EXPECT_TRUE(list_->IsViewRowSelected(4));
  model_->Reset({{"a"}, {"b"}});
  EXPECT_EQ(list_->GetSelectedCount(), 0);
}

// Rows removed while the list is sorted or grouped: the view is reset in between, and the
// selection still follows the rows that stay, the last ones included.
struct RemovalCase {
  const char* name;
  enum Mode { kPlain, kSorted, kGrouped } mode;
  bool owner;  // the owner's model, else stored rows removed one by one
  int first, last;
};

TEST(GridSelection, FollowsTheRowsThatStayWhenRowsAreRemoved) {
  const std::vector<QStringList> rows = {{"a", "x"}, {"b", "y"}, {"c", "x"}, {"d", "y"}, {"e", "x"}, {"f", "y"}};
  const std::vector<int> selected = {1, 4, 5};
  const RemovalCase cases[] = {
      {"plain, model, first row", RemovalCase::kPlain, true, 0, 0},
      {"plain, stored, first row", RemovalCase::kPlain, false, 0, 0},
      {"sorted, model, first row", RemovalCase::kSorted, true, 0, 0},
      {"sorted, stored, first row", RemovalCase::kSorted, false, 0, 0},
      {"sorted, model, two rows", RemovalCase::kSorted, true, 1, 2},
      {"sorted, stored, two rows", RemovalCase::kSorted, false, 1, 2},
      {"sorted, model, last rows", RemovalCase::kSorted, true, 4, 5},
      {"grouped, model, first row", RemovalCase::kGrouped, true, 0, 0},
      {"grouped, stored, first row", RemovalCase::kGrouped, false, 0, 0},
      {"grouped, model, two rows", RemovalCase::kGrouped, true, 2, 3},
      {"grouped, stored, two rows", RemovalCase::kGrouped, false, 2, 3},
  };
  for (const RemovalCase& c : cases) {
    SCOPED_TRACE(c.name);
    RowsModel model(2);
    auto list = MakeList({"이름", "종류"});
    if (c.owner) {
      model.Append(rows);
      list->SetOwnerModel(&model);
    } else {
      Fill(*list, rows);
    }
    if (c.mode == RemovalCase::kSorted) list->SortColumn(0, false);
    if (c.mode == RemovalCase::kGrouped) list->GroupByColumn(1);
    list->SelectOwnerRows(selected);
    QStringList expected;
    for (int o : selected)
      if (o < c.first || o > c.last) expected << rows[o][0];
    if (c.owner) model.Remove(c.first, c.last);
    else
      for (int r = c.last; r >= c.first; --r) ASSERT_TRUE(list->DeleteItem(r));
    ASSERT_EQ(list->GetItemCount(), int(rows.size()) - (c.last - c.first + 1));
    QStringList texts;
    for (int o : list->GetSelectedOwnerRows()) texts << list->GetItemText(o, 0);
    EXPECT_EQ(texts, expected);
    EXPECT_EQ(list->GetSelectedCount(), expected.size());
    QStringList shown;
    for (int v = 0; v < list->GetViewRowCount(); ++v)
      if (list->IsViewRowSelected(v)) shown << list->GetItemText(list->OwnerRow(v), 0);
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, expected);
    Shot(*list, QString("grid_removed_rows_%1").arg(&c - cases));
  }
}

// ---------------------------------------------------------------------------------------------
// Typed search

class ClockList : public CGridListCtrlGroups {
 public:
  qint64 now = 100000;

 protected:
  qint64 SearchClockMs() const override { return now; }
};

struct SearchStep {
  QString key;
  int advanceMs;
  int focusRow;  // expected view row afterwards
};

struct SearchCase {
  const char* name;
  QStringList rows;
  int startFocus;  // -1: none
  std::vector<SearchStep> steps;
};

TEST(GridSearch, TableOfTypedKeys) {
  const std::vector<SearchCase> cases = {
      {"a, a, a, b steps twice then searches aaab",
       {"x", "apple", "avocado", "abc", "aaab"},
       -1,
       {{"a", 0, 1}, {"a", 100, 2}, {"a", 100, 3}, {"b", 100, 4}}},
      {"a grown prefix stays on its row",
       {"x", "apple", "application"},
       -1,
       {{"a", 0, 1}, {"p", 100, 1}, {"p", 100, 1}, {"l", 100, 1}, {"i", 100, 2}}},
      {"row 0 is found with no focus", {"alpha", "beta", "alps"}, -1, {{"a", 0, 0}}},
      {"a repeated letter wraps around", {"ab", "x", "ac"}, 2, {{"a", 0, 2}, {"a", 100, 0}}},
      {"case is ignored", {"x", "Apple"}, -1, {{"a", 0, 1}, {"P", 100, 1}}},
      {"after 2 seconds the text starts again", {"x", "ab", "ba", "bb"}, -1, {{"a", 0, 1}, {"b", 2000, 2}}},
      {"within 2 seconds the text grows", {"x", "ab", "ba", "bb"}, -1, {{"a", 0, 1}, {"b", 1999, 1}}},
      {"a prefix no row has leaves the focus", {"x", "ab"}, 1, {{"q", 0, 1}}},
  };
  for (const SearchCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto list = MakeList<ClockList>({"이름"});
    for (const QString& r : c.rows) Fill(*list, {{r}});
    list->setFocus();
    if (c.startFocus >= 0) list->SetFocusRow(c.startFocus);
    for (const SearchStep& s : c.steps) {
      list->now += s.advanceMs;
      QTest::keyClicks(list.get(), s.key);
      EXPECT_EQ(list->GetFocusRow(), s.focusRow) << "after " << s.key.toStdString();
    }
    if (list->GetFocusRow() >= 0 && c.steps.back().focusRow != c.startFocus) {
      EXPECT_EQ(list->GetSelectedCount(), 1);
      EXPECT_TRUE(list->IsViewRowSelected(list->GetFocusRow()));
    }
  }
}

TEST(GridSearch, FocusColumnIsSearchedAndSortedOrderFollowed) {
  auto list = MakeList<ClockList>({"이름", "유형"});
  Fill(*list, {{"a", "zeta"}, {"b", "alpha"}, {"c", "zulu"}});
  list->SortColumn(1, false);  // zulu, zeta, alpha
  list->SetFocusRow(0);
  list->SetFocusColumn(1);
  QTest::keyClicks(list.get(), "ze");
  EXPECT_EQ(list->OwnerRow(list->GetFocusRow()), 0);
  EXPECT_EQ(list->FindRowByPrefix(1, 0, "AL"), 2);
  EXPECT_EQ(list->FindRowByPrefix(1, 0, "nothing"), -1);
}

// ---------------------------------------------------------------------------------------------
// Copy

TEST(GridCopy, CtrlCStrings) {
  auto list = MakeList({"이름", "크기", "유형"});
  Fill(*list, {{"a.txt", "1 KB", "텍스트"}, {"", "2 KB", ""}, {"c.bin", "3 KB", "파일"}});
  QClipboard* clipboard = QGuiApplication::clipboard();
  list->setFocus();

  list->SelectOwnerRows({0, 2});
  QTest::keyClick(list.get(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(clipboard->text(), QString("이름\t크기\t유형\r\na.txt\t1 KB\t텍스트\r\nc.bin\t3 KB\t파일"));

  // Empty leading cells add no tab; later empty cells keep theirs.
  list->SelectOwnerRows({1});
  QTest::keyClick(list.get(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(clipboard->text(), QString("이름\t크기\t유형\r\n2 KB\t"));

  // Hidden columns are left out; the order is the display order.
  list->ShowColumn(1, false);
  list->SortColumn(0, false);
  list->SelectOwnerRows({0, 2});
  QTest::keyClick(list.get(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(clipboard->text(), QString("이름\t유형\r\nc.bin\t파일\r\na.txt\t텍스트"));

  // One selected row with a focus column: that row's cell, whatever row has the focus.
  list->ShowColumn(1, true);
  list->SelectOwnerRows({2});
  list->SetFocusRow(list->ViewRow(0));
  list->SetFocusColumn(1);
  QTest::keyClick(list.get(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(clipboard->text(), QString("3 KB"));

  // A click sets the focus cell.
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, CellPoint(*list, list->ViewRow(0), 2));
  EXPECT_EQ(list->GetFocusColumn(), 2);
  QTest::keyClick(list.get(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(clipboard->text(), QString("텍스트"));

  // Nothing selected: the clipboard is left alone.
  list->SelectOwnerRows({});
  QTest::keyClick(list.get(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(clipboard->text(), QString("텍스트"));
}

// ---------------------------------------------------------------------------------------------
// Columns

TEST(GridColumns, HideAndShowKeepPlaceAndWidth) {
  auto list = MakeList({"A", "B", "C", "D"});
  QHeaderView* h = list->header();
  h->moveSection(h->visualIndex(3), 0);  // D A B C
  list->SetColumnWidth(2, 77);
  EXPECT_TRUE(list->ShowColumn(2, false));
  EXPECT_FALSE(list->IsColumnVisible(2));
  EXPECT_TRUE(h->isSectionHidden(2));
  EXPECT_FALSE(list->SetColumnWidth(2, 50)) << "a hidden column keeps width 0";
  EXPECT_EQ(h->sectionSize(2), 0);
  EXPECT_TRUE(list->ShowColumn(2, true));
  EXPECT_EQ(h->visualIndex(2), 3);
  EXPECT_EQ(h->sectionSize(2), 77);
  EXPECT_EQ(h->logicalIndex(0), 3);
}

TEST(GridColumns, RulesOfTheTraits) {
  auto list = MakeList({"A", "B"});
  EXPECT_EQ(list->InsertHiddenLabelColumn(), 0);  // label, A, B
  EXPECT_FALSE(list->ShowColumn(0, true)) << "always hidden";
  EXPECT_EQ(list->header()->sectionSize(0), 0);
  EXPECT_EQ(list->GetFirstVisibleColumn(), 1);
  list->GetColumnTrait(1)->GetColumnState().alwaysVisible = true;
  EXPECT_FALSE(list->ShowColumn(1, false)) << "always visible";
  list->GetColumnTrait(2)->GetColumnState().resizable = false;
  const int width = list->GetColumnWidth(2);
  EXPECT_FALSE(list->SetColumnWidth(2, width + 40));
  list->header()->resizeSection(2, width + 40);  // as a drag of the divider would
  EXPECT_EQ(list->GetColumnWidth(2), width);

  // The header menu lists the columns that may be shown, ticked when visible.
  std::unique_ptr<QMenu> menu(list->CGridListCtrlEx::CreateHeaderMenu(2));
  QStringList texts;
  for (QAction* a : menu->actions())
    if (!a->isSeparator()) texts << a->text() + ":" + a->data().toString() + (a->isChecked() ? "+" : "-") + (a->isEnabled() ? "" : "!");
  EXPECT_EQ(texts, QStringList({"A:5+!", "B:6+"}));
  menu->actions().last()->trigger();
  EXPECT_FALSE(list->IsColumnVisible(2));

  // Groups add their items and renumber the column list.
  std::unique_ptr<QMenu> groupMenu(list->CreateHeaderMenu(2));
  texts.clear();
  for (QAction* a : groupMenu->actions())
    if (!a->isSeparator()) texts << a->text() + ":" + a->data().toString();
  EXPECT_EQ(texts, QStringList({"Group by: B:3", "A:7", "B:8"}));
}

TEST(GridColumns, FocusCellMovesOverVisibleColumns) {
  auto list = MakeList({"A", "B", "C"});
  Fill(*list, {{"1", "2", "3"}});
  list->setFocus();
  list->SetFocusRow(0);
  list->ShowColumn(1, false);
  QTest::keyClick(list.get(), Qt::Key_Right);
  EXPECT_EQ(list->GetFocusColumn(), 0);
  QTest::keyClick(list.get(), Qt::Key_Right);
  EXPECT_EQ(list->GetFocusColumn(), 2) << "the hidden column is stepped over";
  QTest::keyClick(list.get(), Qt::Key_Right);
  EXPECT_EQ(list->GetFocusColumn(), 2);
  QTest::keyClick(list.get(), Qt::Key_Left);
  QTest::keyClick(list.get(), Qt::Key_Left);
  EXPECT_EQ(list->GetFocusColumn(), -1) << "left of the first column: the whole row";
}

TEST(GridColumns, AutoSizeMeasuresRowsInView) {
  auto list = MakeList({"이름"}, 400, 120);
  Fill(*list, {{"short"}});
  for (int i = 0; i < 200; ++i) Fill(*list, {{"x"}});
  Fill(*list, {{QString(200, QChar('W'))}});  // far below the rows in view
  list->AutoSizeColumn(0, false);
  const int inView = list->GetColumnWidth(0);
  EXPECT_LT(inView, 200);
  list->scrollToBottom();
  QApplication::processEvents();
  list->AutoSizeColumn(0, false);
  EXPECT_GT(list->GetColumnWidth(0), inView * 3);
}

// ---------------------------------------------------------------------------------------------
// Tooltips, checks and drawing

TEST(GridCells, TooltipIsTheWholeText) {
  auto list = MakeList({"이름"});
  const QString longText(300, QChar('y'));
  Fill(*list, {{longText}});
  QString tip;
  EXPECT_TRUE(list->QueryCellTooltip(0, 0, tip));
  EXPECT_EQ(tip, longText);
  EXPECT_EQ(list->GetOrderModel()->index(0, 0).data(Qt::ToolTipRole).toString(), longText);
}

TEST(GridCells, OwnerDataChecksThroughTheCheckRole) {
  App();
  RowsModel model(2);
  model.Append({{"a", "1"}, {"b", "2"}, {"c", "3"}});
  auto list = MakeList({"이름", "크기"});
  list->SetOwnerModel(&model);
  list->SetCheckBoxes(true);
  list->SortColumn(0, false);  // c b a
  list->setFocus();
  list->SetFocusRow(0);
  QTest::keyClick(list.get(), Qt::Key_Space);
  EXPECT_EQ(model.checks, std::vector<bool>({false, false, true}));
  const QRect cell = list->GetCellRect(2, 0);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(cell.left() + 6, cell.center().y()));
  EXPECT_EQ(model.checks, std::vector<bool>({true, false, true}));
  // A click on the text does not toggle.
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(cell.right() - 4, cell.center().y()));
  EXPECT_EQ(model.checks, std::vector<bool>({true, false, true}));
  Shot(*list, "grid_checks");
}

class ColorList : public CGridListCtrlGroups {
 public:
  bool QueryCellColors(int row, int column, QColor&, QColor& back) const override {
    if (row != 0 || column != 0) return false;
    back = QColor(0, 200, 0);
    return true;
  }
};

TEST(GridCells, ColoursOfRowsAndCellsDoNotCarryOver) {
  auto list = MakeList<ColorList>({"A", "B"});
  Fill(*list, {{"", ""}, {"", ""}, {"", ""}});
  auto* rows = new CGridRowTraitText;
  rows->SetAltRowColors(QColor(), QColor(200, 0, 0));
  list->SetDefaultRowTrait(rows);
  // No focus rectangle over the cells.
  list->setFocusPolicy(Qt::NoFocus);
  list->clearFocus();
  const QImage image = Shot(*list, "grid_row_colours");
  auto pixel = [&](int viewRow, int column) {
    const QPoint p = list->viewport()->mapTo(list.get(), CellPoint(*list, viewRow, column));
    return QColor(image.pixel(p));
  };
  EXPECT_EQ(pixel(0, 0), QColor(0, 200, 0)) << "the cell's colour";
  EXPECT_NE(pixel(0, 1), QColor(0, 200, 0)) << "not carried to the next cell";
  EXPECT_EQ(pixel(1, 0), QColor(200, 0, 0)) << "odd rows take the alternate colour";
  EXPECT_EQ(pixel(1, 1), QColor(200, 0, 0));
  EXPECT_NE(pixel(2, 1), QColor(200, 0, 0));
}

TEST(GridCells, EmptyListText) {
  auto list = MakeList({"이름"});
  list->SetEmptyListText("항목 없음");
  const QImage empty = Shot(*list, "grid_empty_text");
  const QPoint centre = list->viewport()->mapTo(list.get(), list->viewport()->rect().center());
  bool inked = false;
  for (int dx = -40; dx <= 40 && !inked; ++dx)
    for (int dy = -6; dy <= 6 && !inked; ++dy)
      inked = QColor(empty.pixel(centre + QPoint(dx, dy))).lightness() < 128;
  EXPECT_TRUE(inked);
  Fill(*list, {{"a"}});
  const QImage filled = Shot(*list, "grid_empty_text_gone");
  EXPECT_NE(empty, filled);
}

}  // namespace
