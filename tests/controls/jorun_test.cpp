#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTest>

#include "controls/JorunListCtrl.h"
#include "small_controls_support.h"

namespace {

using small_controls::App;
using small_controls::Pixel;

class JorunListTest : public ::testing::Test, protected small_controls::WithApp {
 protected:
  void SetUp() override {
    App();
    window_.resize(400, 200);
    list_ = new CJorunListCtrl(&window_);
    list_->setGeometry(0, 0, 400, 200);
    list_->setColumnCount(3);
    list_->setHeaderLabels({QStringLiteral("볼륨명"), QStringLiteral("파일시스템"), QStringLiteral("매체유형")});
    for (int c = 0; c < 3; ++c) list_->header()->resizeSection(c, 100);
    for (const char* name : {"C", "D", "E"}) {
      auto* item = new QTreeWidgetItem(list_, {QString::fromLatin1(name), QStringLiteral("NTFS"), QString()});
      item->setTextAlignment(1, Qt::AlignRight);
    }
    other_ = new QWidget(&window_);
    other_->setGeometry(0, 190, 10, 10);
    other_->setFocusPolicy(Qt::StrongFocus);
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    list_->setCurrentItem(list_->topLevelItem(1));
  }
  void Focus(bool onList) {
    (onList ? static_cast<QWidget*>(list_) : other_)->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(list_->hasFocus(), onList);
  }
  QImage Paint() {
    QApplication::processEvents();
    return list_->viewport()->grab().toImage();
  }
  // Row 1's vertical centre in the viewport.
  int RowY() const { return list_->visualItemRect(list_->topLevelItem(1)).center().y(); }
  QColor Highlight() const { return list_->palette().color(QPalette::Highlight); }
  QColor Base() const { return list_->palette().color(QPalette::Base); }

  QWidget window_;
  CJorunListCtrl* list_ = nullptr;
  QWidget* other_ = nullptr;
};

struct ModeCase {
  int mode;
  bool labelEnd;     // far end of the first column, past the short label
  bool secondCell;   // inside the second column, left of its right-aligned text
  bool pastColumns;  // right of the last column
};

TEST_F(JorunListTest, HighlightAreaFollowsTheMode) {
  const ModeCase cases[] = {
      {CJorunListCtrl::HIGHLIGHT_NORMAL, false, false, false},
      {CJorunListCtrl::HIGHLIGHT_ALLCOLUMNS, true, true, false},
      {CJorunListCtrl::HIGHLIGHT_ROW, true, true, true},
      {7, true, false, false},  // unknown modes take the label rectangle
  };
  Focus(true);
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(c.mode);
    list_->SetHighlightType(c.mode);
    const QImage image = Paint();
    const int y = RowY();
    EXPECT_EQ(Pixel(image, 2, y), Highlight());  // the label's start is always highlighted
    EXPECT_EQ(Pixel(image, 90, y), c.labelEnd ? Highlight() : Base());
    EXPECT_EQ(Pixel(image, 110, y), c.secondCell ? Highlight() : Base());
    EXPECT_EQ(Pixel(image, 350, y), c.pastColumns ? Highlight() : Base());
    // Unselected rows stay plain.
    EXPECT_EQ(Pixel(image, 2, list_->visualItemRect(list_->topLevelItem(0)).center().y()), Base());
  }
  small_controls::Shot(window_, "jorun_list");
}

TEST_F(JorunListTest, WholeRowModeReachesTheRightEdgeAfterWidening) {
  list_->SetHighlightType(CJorunListCtrl::HIGHLIGHT_ROW);
  Focus(true);
  window_.resize(700, 200);
  list_->setGeometry(0, 0, 700, 200);
  const QImage image = Paint();
  const int right = list_->viewport()->width() - 1;
  EXPECT_GT(right, 600);
  EXPECT_EQ(Pixel(image, right - 1, RowY()), Highlight());  // inside the focus rectangle on the border
  EXPECT_EQ(list_->HighlightRect(1).right(), right);
}

TEST_F(JorunListTest, SelectionShowsOnlyWithFocusOrAlwaysShow) {
  list_->SetHighlightType(CJorunListCtrl::HIGHLIGHT_ALLCOLUMNS);
  Focus(false);
  EXPECT_EQ(Pixel(Paint(), 2, RowY()), Base());
  EXPECT_FALSE(list_->IsRowHighlighted(1));

  Focus(true);
  EXPECT_EQ(Pixel(Paint(), 2, RowY()), Highlight());
  Focus(false);
  EXPECT_EQ(Pixel(Paint(), 2, RowY()), Base());  // loses it when focus goes elsewhere

  list_->SetShowSelectionAlways(true);
  EXPECT_EQ(Pixel(Paint(), 2, RowY()), Highlight());
}

TEST_F(JorunListTest, DropHighlightShowsWithoutFocusOrSelection) {
  list_->SetHighlightType(CJorunListCtrl::HIGHLIGHT_ALLCOLUMNS);
  Focus(false);
  list_->SetItemDropHighlighted(2, true);
  const QImage image = Paint();
  const int y = list_->visualItemRect(list_->topLevelItem(2)).center().y();
  EXPECT_EQ(Pixel(image, 2, y), Highlight());
  EXPECT_EQ(Pixel(image, 150, y), Highlight());
  list_->SetItemDropHighlighted(2, false);
  EXPECT_EQ(Pixel(Paint(), 2, y), Base());
}

TEST_F(JorunListTest, FocusRectangleOnlyWithFocus) {
  list_->SetHighlightType(CJorunListCtrl::HIGHLIGHT_ALLCOLUMNS);
  list_->SetShowSelectionAlways(true);
  const QRect hl = list_->HighlightRect(1);
  Focus(false);
  const QImage without = Paint().copy(hl);
  Focus(true);
  const QImage with = Paint().copy(hl);
  // The same highlight either way; with focus its border carries the focus rectangle.
  EXPECT_EQ(Pixel(without, hl.width() / 2, 0), Highlight());
  EXPECT_NE(with, without);
  EXPECT_EQ(Pixel(with, 30, hl.height() / 2), Highlight());
}

TEST_F(JorunListTest, ListWithOneColumnDrawsLabelAndImage) {
  CJorunListCtrl single;
  single.setColumnCount(1);
  single.resize(200, 100);
  QPixmap icon(16, 16);
  icon.fill(QColor(0, 200, 0));
  auto* selected = new QTreeWidgetItem(&single, {QStringLiteral("A")});
  auto* plain = new QTreeWidgetItem(&single, {QStringLiteral("B")});
  plain->setIcon(0, QIcon(icon));
  single.SetHighlightType(CJorunListCtrl::HIGHLIGHT_ROW);
  single.SetShowSelectionAlways(true);
  single.setCurrentItem(selected);
  single.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&single));
  const QImage image = single.viewport()->grab().toImage();
  const int selectedY = single.visualItemRect(selected).center().y();
  const int plainY = single.visualItemRect(plain).center().y();
  EXPECT_EQ(Pixel(image, 8, plainY), QColor(0, 200, 0));                 // the image
  EXPECT_EQ(Pixel(image, image.width() - 2, selectedY), Highlight());  // highlight to the edge
  EXPECT_EQ(Pixel(image, image.width() - 2, plainY), Base());
}

}  // namespace
