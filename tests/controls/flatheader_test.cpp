#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QToolTip>
#include <QTreeWidget>

#include <memory>
#include <numeric>
#include <vector>

#include "controls/FlatHeaderCtrl.h"
#include "small_controls_support.h"

namespace {

using small_controls::App;
using small_controls::MoveFree;
using small_controls::MoveHeld;

// A horizontal header of four 100-pixel items over a 400-pixel width.
struct HeaderRig : small_controls::WithApp {
  QStandardItemModel model{1, 4};
  CFlatHeaderCtrl header;
  explicit HeaderRig(int width = 400) {
    model.setHorizontalHeaderLabels({QStringLiteral("이름"), QStringLiteral("크기"), QStringLiteral("형식"),
                                     QStringLiteral("수정한 날짜")});
    header.setModel(&model);
    for (int i = 0; i < 4; ++i) header.resizeSection(i, 100);
    header.resize(width, 24);
    header.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&header));
  }
  QWidget* vp() { return header.viewport(); }
  std::vector<int> Widths() const {
    std::vector<int> w;
    for (int v = 0; v < header.count(); ++v) w.push_back(header.sectionSize(header.logicalIndex(v)));
    return w;
  }
  int Sum() const {
    const std::vector<int> w = Widths();
    return std::accumulate(w.begin(), w.end(), 0);
  }
  std::vector<int> Order() const {
    std::vector<int> order;
    for (int v = 0; v < header.count(); ++v) order.push_back(header.logicalIndex(v));
    return order;
  }
  void DragDivider(int x, int to) {
    QTest::mousePress(vp(), Qt::LeftButton, {}, QPoint(x, 10));
    MoveHeld(vp(), QPoint(to, 10));
    QTest::mouseRelease(vp(), Qt::LeftButton, {}, QPoint(to, 10));
  }
  // Presses on an item, moves far enough to start a drag, then to the given point.
  void StartDrag(int x, const QPoint& to) {
    QTest::mousePress(vp(), Qt::LeftButton, {}, QPoint(x, 10));
    MoveHeld(vp(), QPoint(x + 20, 10));
    MoveHeld(vp(), to);
  }
};

HDITEMEX Extra(int style, int min, int max, const QString& tip = {}) {
  HDITEMEX ex;
  ex.nStyle = style;
  ex.iMinWidth = min;
  ex.iMaxWidth = max;
  ex.strToolTip = tip;
  return ex;
}

TEST(FlatHeader, SetItemExClampsTheWidthToTheLimits) {
  HeaderRig rig;
  struct Case {
    int style, min, max, before, after;
  } cases[] = {
      {0, 50, 0, 30, 50}, {0, 0, 80, 120, 80}, {0, 0, 0, 5000, 5000}, {0, 0, -3, 700, 700},
      {HDF_EX_FIXEDWIDTH, 50, 80, 30, 30},  // a fixed item keeps its width
  };
  for (const Case& c : cases) {
    rig.header.resizeSection(2, c.before);
    EXPECT_TRUE(rig.header.SetItemEx(2, Extra(c.style, c.min, c.max)));
    EXPECT_EQ(rig.header.sectionSize(2), c.after) << c.style << " " << c.min << " " << c.max;
  }
  HDITEMEX got;
  EXPECT_TRUE(rig.header.GetItemEx(2, got));
  EXPECT_EQ(got.iMinWidth, 30);  // fixed: both limits are the width
  EXPECT_EQ(got.iMaxWidth, 30);
  for (int bad : {-1, 4, 1000}) {
    EXPECT_FALSE(rig.header.GetItemEx(bad, got));
    EXPECT_FALSE(rig.header.SetItemEx(bad, Extra(0, 0, 0)));
  }
}

TEST(FlatHeader, AutoWidthMeasuresTheWholeTextAndRoomForTheArrow) {
  HeaderRig rig;
  const QString longText = QString(200, QLatin1Char('W'));
  rig.model.setHeaderData(1, Qt::Horizontal, longText);
  const int margin = rig.header.GetItemMargin();
  const int text = rig.header.fontMetrics().horizontalAdvance(longText);
  EXPECT_EQ(rig.header.MeasureItem(1, false), margin + text + margin);
  EXPECT_EQ(rig.header.MeasureItem(1, true), margin + 8 + margin + text + margin);
  rig.header.SetItemEx(1, Extra(HDF_EX_AUTOWIDTH | HDF_EX_INCLUDESORT, 0, 0));
  EXPECT_EQ(rig.header.sectionSize(1), margin + 8 + margin + text + margin);
  rig.header.SetItemEx(1, Extra(HDF_EX_AUTOWIDTH, 0, 300));
  EXPECT_EQ(rig.header.sectionSize(1), 300);
}

TEST(FlatHeader, ExtraDataFollowsInsertedAndRemovedItems) {
  HeaderRig rig;
  rig.header.SetItemEx(1, Extra(0, 20, 0, QStringLiteral("크기")));
  rig.model.insertColumn(0);
  HDITEMEX got;
  ASSERT_TRUE(rig.header.GetItemEx(2, got));
  EXPECT_EQ(got.strToolTip, QStringLiteral("크기"));
  ASSERT_TRUE(rig.header.GetItemEx(0, got));
  EXPECT_TRUE(got.strToolTip.isEmpty());
  rig.model.removeColumns(0, 2);
  ASSERT_TRUE(rig.header.GetItemEx(0, got));
  EXPECT_EQ(got.strToolTip, QStringLiteral("크기"));
  EXPECT_FALSE(rig.header.GetItemEx(3, got));
}

TEST(FlatHeader, MouseResizeStaysWithinMinimumAndMaximum) {
  struct Case {
    int min, max, to, width;
  } cases[] = {
      {40, 150, 299, 150}, {40, 150, 9, 40}, {40, 150, 119, 120}, {0, 0, 399, 400}, {0, -1, 349, 350},
  };
  for (const Case& c : cases) {
    HeaderRig rig(600);
    rig.header.SetItemEx(0, Extra(0, c.min, c.max));
    rig.DragDivider(99, c.to);
    EXPECT_EQ(rig.header.sectionSize(0), c.width) << c.min << ".." << c.max << " to " << c.to;
  }
}

TEST(FlatHeader, FixedItemHasNoSizingCursorAndIgnoresItsDivider) {
  HeaderRig rig;
  rig.header.SetItemEx(0, Extra(HDF_EX_FIXEDWIDTH, 0, 0));
  MoveFree(rig.vp(), QPoint(99, 10));
  EXPECT_NE(rig.vp()->cursor().shape(), Qt::SplitHCursor);
  MoveFree(rig.vp(), QPoint(199, 10));
  EXPECT_EQ(rig.vp()->cursor().shape(), Qt::SplitHCursor);

  rig.DragDivider(99, 180);
  EXPECT_EQ(rig.header.sectionSize(0), 100);

  QSignalSpy handle(&rig.header, &QHeaderView::sectionHandleDoubleClicked);
  QTest::mouseDClick(rig.vp(), Qt::LeftButton, {}, QPoint(99, 10));
  EXPECT_EQ(handle.count(), 0);
  QTest::mouseDClick(rig.vp(), Qt::LeftButton, {}, QPoint(199, 10));
  ASSERT_EQ(handle.count(), 1);
  EXPECT_EQ(handle.at(0).at(0).toInt(), 1);
}

TEST(FlatHeader, FitHandsOutTheRoundingRemainder) {
  struct Case {
    int width;
    int maxLast;
    std::vector<int> widths;
  } cases[] = {
      {400, 0, {100, 100, 100, 100}},
      {503, 0, {126, 126, 126, 125}},
      {503, 110, {131, 131, 131, 110}},
      {397, 0, {100, 99, 99, 99}},
      {201, 0, {51, 50, 50, 50}},
  };
  for (const Case& c : cases) {
    HeaderRig rig(c.width);
    rig.header.SetItemEx(3, Extra(0, 0, c.maxLast));
    rig.header.ResizeColumnsToFit(-1);
    EXPECT_EQ(rig.Widths(), c.widths) << c.width << " max " << c.maxLast;
    EXPECT_EQ(rig.Sum(), c.width);
  }
}

TEST(FlatHeader, FitModeKeepsTheTotalAtTheWidth) {
  {
    HeaderRig rig;
    rig.header.SetFitMode(true);
    rig.DragDivider(199, 249);  // item 1 from 100 to 150
    EXPECT_EQ(rig.Widths(), (std::vector<int>{100, 150, 75, 75}));
    rig.DragDivider(99, 100);  // item 0 to 101: 149 for two columns of 150 in all
    EXPECT_EQ(rig.Sum(), 400);
    EXPECT_EQ(rig.header.sectionSize(0), 101);
    rig.header.resize(611, 24);
    EXPECT_EQ(rig.Sum(), 611);
  }
  {
    // The following columns keep their minimum widths: the resized one stops where they would go below.
    HeaderRig rig;
    for (int i = 1; i < 4; ++i) rig.header.SetItemEx(i, Extra(0, 50, 0));
    rig.header.SetFitMode(true);
    rig.DragDivider(99, 399);
    EXPECT_EQ(rig.Widths(), (std::vector<int>{250, 50, 50, 50}));
  }
  {
    // Minimum widths wider than the header: the columns keep them.
    HeaderRig rig(100);
    for (int i = 0; i < 4; ++i) rig.header.SetItemEx(i, Extra(0, 40, 0));
    rig.header.ResizeColumnsToFit(-1);
    EXPECT_EQ(rig.Widths(), (std::vector<int>{40, 40, 40, 40}));
  }
}

TEST(FlatHeader, DragMovesTheItemToTheDropPosition) {
  struct Case {
    int x;  // where item 0 is dropped
    int dropPos;
    std::vector<int> order;
  } cases[] = {
      {280, 3, {1, 2, 0, 3}},
      {390, 4, {1, 2, 3, 0}},
      {230, 2, {1, 0, 2, 3}},
      {140, -1, {0, 1, 2, 3}},  // the next position: nothing moves
      {20, -1, {0, 1, 2, 3}},   // its own position
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.x);
    HeaderRig rig;
    rig.header.setSectionsMovable(true);
    QSignalSpy finished(&rig.header, &CFlatHeaderCtrl::dragFinished);
    rig.StartDrag(50, QPoint(c.x, 10));
    ASSERT_TRUE(rig.header.IsDragging());
    ASSERT_NE(rig.header.DragImage(), nullptr);
    EXPECT_TRUE(rig.header.DragImage()->isVisible());
    EXPECT_EQ(rig.header.DropPosition(), c.dropPos);
    EXPECT_EQ(rig.header.DropMarker() != nullptr, c.dropPos >= 0);
    if (c.dropPos >= 0) small_controls::Shot(*rig.header.DropMarker(), "flat_header_marker");
    QTest::mouseRelease(rig.vp(), Qt::LeftButton, {}, QPoint(c.x, 10));
    EXPECT_FALSE(rig.header.IsDragging());
    EXPECT_EQ(rig.header.DragImage(), nullptr);
    EXPECT_EQ(rig.header.DropMarker(), nullptr);
    EXPECT_EQ(rig.Order(), c.order);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(1).toInt(), c.dropPos);
  }
}

TEST(FlatHeader, HooksCanRefuseTheDragOrTheDrop) {
  {
    HeaderRig rig;
    rig.header.setSectionsMovable(true);
    std::vector<int> ended;
    rig.header.SetBeginDragHook([](int) { return true; });
    rig.header.SetEndDragHook([&](int item, int pos, int) {
      ended = {item, pos};
      return false;
    });
    rig.StartDrag(250, QPoint(380, 10));
    EXPECT_FALSE(rig.header.IsDragging());
    EXPECT_EQ(rig.header.DragImage(), nullptr);
    QTest::mouseRelease(rig.vp(), Qt::LeftButton, {}, QPoint(380, 10));
    EXPECT_EQ(ended, (std::vector<int>{2, -1}));  // told that the button came up, with no position
    EXPECT_EQ(rig.Order(), (std::vector<int>{0, 1, 2, 3}));
  }
  {
    HeaderRig rig;
    rig.header.setSectionsMovable(true);
    std::vector<int> ended;
    rig.header.SetEndDragHook([&](int item, int pos, int) {
      ended = {item, pos};
      return true;
    });
    rig.StartDrag(250, QPoint(20, 10));
    QTest::mouseRelease(rig.vp(), Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(ended, (std::vector<int>{2, 0}));
    EXPECT_EQ(rig.Order(), (std::vector<int>{0, 1, 2, 3}));
  }
  {
    // Without movable sections there is no drag at all: a press and release is a click.
    HeaderRig rig;
    QSignalSpy clicked(&rig.header, &QHeaderView::sectionClicked);
    rig.StartDrag(150, QPoint(160, 10));
    EXPECT_FALSE(rig.header.IsDragging());
    QTest::mouseRelease(rig.vp(), Qt::LeftButton, {}, QPoint(160, 10));
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), 1);
  }
}

TEST(FlatHeader, DraggingOffTheHeader) {
  App();
  QWidget target;
  target.setGeometry(600, 300, 80, 80);
  target.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&target));
  HeaderRig rig;
  rig.header.setSectionsMovable(true);
  rig.header.SetDragOffTarget(&target);
  rig.header.SetItemEx(3, Extra(HDF_EX_PERSISTENT, 0, 0));
  const QPoint onTarget = rig.header.mapFromGlobal(target.mapToGlobal(QPoint(40, 40)));

  rig.StartDrag(50, QPoint(50, 200));
  EXPECT_EQ(rig.header.DropStateNow(), CFlatHeaderCtrl::DropElsewhere);
  EXPECT_EQ(rig.vp()->cursor().shape(), Qt::ForbiddenCursor);
  MoveHeld(rig.vp(), onTarget);
  EXPECT_EQ(rig.header.DropStateNow(), CFlatHeaderCtrl::DropOnTarget);
  EXPECT_EQ(rig.header.DropPosition(), -1);
  QTest::mouseRelease(rig.vp(), Qt::LeftButton, {}, onTarget);
  EXPECT_EQ(rig.Order(), (std::vector<int>{0, 1, 2, 3}));

  // An item that may not leave the header is refused everywhere off it.
  rig.StartDrag(350, onTarget);
  EXPECT_EQ(rig.header.DropStateNow(), CFlatHeaderCtrl::DropRefused);
  MoveHeld(rig.vp(), QPoint(150, 10));
  EXPECT_EQ(rig.header.DropStateNow(), CFlatHeaderCtrl::DropOnItem);
  // Escape ends the drag without moving anything.
  QTest::keyClick(&rig.header, Qt::Key_Escape);
  EXPECT_FALSE(rig.header.IsDragging());
  EXPECT_EQ(rig.header.DropMarker(), nullptr);
  QTest::mouseRelease(rig.vp(), Qt::LeftButton, {}, QPoint(150, 10));
  EXPECT_EQ(rig.Order(), (std::vector<int>{0, 1, 2, 3}));
}

TEST(FlatHeader, TooltipShowsTheItemsWholeText) {
  HeaderRig rig;
  const QString tip = QString(300, QChar(u'가'));
  rig.header.SetItemEx(2, Extra(HDF_EX_TOOLTIP, 0, 0, tip));
  QHelpEvent help(QEvent::ToolTip, QPoint(250, 10), rig.vp()->mapToGlobal(QPoint(250, 10)));
  QApplication::sendEvent(rig.vp(), &help);
  EXPECT_EQ(QToolTip::text(), tip);
  QToolTip::hideText();
}

TEST(FlatHeader, SortArrowPointsByDirection) {
  HeaderRig rig;
  rig.model.setHeaderData(1, Qt::Horizontal, QString());
  auto item1 = [&] {
    QApplication::processEvents();
    return rig.header.grab(QRect(100, 0, 100, 24)).toImage();
  };
  const QImage none = item1();
  rig.header.SetSortColumn(1, true);
  const QImage up = item1();
  rig.header.SetSortColumn(1, false);
  const QImage down = item1();
  EXPECT_NE(up, none);
  EXPECT_NE(down, none);
  EXPECT_NE(up, down);
  EXPECT_EQ(rig.header.GetSortColumn(), 1);
  EXPECT_FALSE(rig.header.GetSortAscending());
  small_controls::Shot(rig.header, "flat_header");
}

TEST(FlatHeader, ServesAsATreeViewsHeader) {
  App();
  QTreeWidget tree;
  auto* header = new CFlatHeaderCtrl(Qt::Horizontal, &tree);
  tree.setHeader(header);
  header->setStretchLastSection(false);
  tree.setColumnCount(3);
  tree.setHeaderLabels({QStringLiteral("이름"), QStringLiteral("크기"), QStringLiteral("형식")});
  for (int i = 0; i < 3; ++i) header->resizeSection(i, 100);
  EXPECT_TRUE(header->SetItemEx(2, Extra(0, 0, 130)));
  HDITEMEX got;
  EXPECT_FALSE(header->GetItemEx(3, got));
  tree.resize(500, 200);
  tree.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
  QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(299, 10));
  MoveHeld(header->viewport(), QPoint(399, 10));
  QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(399, 10));
  EXPECT_EQ(header->sectionSize(2), 130);
  EXPECT_EQ(tree.columnWidth(2), 130);
  tree.setColumnCount(4);
  EXPECT_TRUE(header->GetItemEx(3, got));
  EXPECT_TRUE(header->GetItemEx(2, got));
  EXPECT_EQ(got.iMaxWidth, 130);
}

}  // namespace
