#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <map>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

#include "controls/ReportCtrl.h"
#include "controls/ReportParts.h"
#include "small_controls_support.h"

namespace {

using small_controls::App;
using Ranges = std::vector<std::pair<int, int>>;

// The owner: answers cells from `text` (a null text: the cell has none) and records every
// notification; `vetoSelect` rows refuse to change their selection.
struct Owner {
  std::function<QString(int, int)> text = [](int row, int sub) {
    return QStringLiteral("r%1c%2").arg(row).arg(sub);
  };
  std::set<int> vetoSelect;
  std::vector<std::pair<int, int>> asks;
  std::vector<int> codes;
  std::vector<NMRVITEMEDIT> edits;
  std::vector<int> headerSubItems;
  std::vector<int> changed;  // rows whose selection changed

  qintptr operator()(NMREPORT& nm) {
    codes.push_back(nm.code);
    switch (nm.code) {
      case RVN_ITEMCALLBACK: {
        auto& c = static_cast<NMRVITEMCALLBACK&>(nm).item;
        asks.emplace_back(c.iItem, c.iSubItem);
        const QString t = text(c.iItem, c.iSubItem);
        if (t.isNull())
          c.nMask &= ~RVIM_TEXT;
        else
          c.strText = t;
        return 0;
      }
      case RVN_SELECTIONCHANGING:
        return vetoSelect.count(static_cast<NMRVITEM&>(nm).iItem) ? 1 : 0;
      case RVN_SELECTIONCHANGED:
        changed.push_back(static_cast<NMRVITEM&>(nm).iItem);
        return 0;
      case RVN_BEGINITEMEDIT:
      case RVN_ENDITEMEDIT:
        edits.push_back(static_cast<NMRVITEMEDIT&>(nm));
        return 0;
      case RVN_HEADERCLICK:
      case RVN_HEADERRCLICK:
        headerSubItems.push_back(static_cast<NMRVHEADER&>(nm).iSubItem);
        return 0;
      default:
        return 0;
    }
  }
  int Count(int code) const { return int(std::count(codes.begin(), codes.end(), code)); }
};

class ReportCtrlTest : public ::testing::Test, protected small_controls::WithApp {
 protected:
  // A control of `rows` rows in callback mode (or stored rows with the input row when rows < 0).
  void Make(std::uint32_t style, int rows, QSize size = {320, 240}) {
    window_ = std::make_unique<QWidget>();
    window_->resize(size);
    ctrl_ = new CReportCtrl(window_.get(), style, 1066);
    ctrl_->setGeometry(QRect(QPoint(0, 0), size));
    ctrl_->SetNotifyHandler([this](NMREPORT& nm) { return owner_(nm); });
    RVSUBITEM a;
    a.nFormat = RVCF_TEXT;
    a.iWidth = 120;
    a.strText = QStringLiteral(u"클러스터");
    RVSUBITEM b = a;
    b.iWidth = 150;
    b.strText = QStringLiteral(u"다음");
    ctrl_->DefineSubItem(0, a);
    ctrl_->DefineSubItem(1, b);
    ctrl_->ShowSubItem(0);
    ctrl_->ShowSubItem(1);
    if (rows >= 0) ctrl_->SetItemCount(rows);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    ctrl_->setFocus();
    QApplication::processEvents();
  }
  QImage Paint() {
    QImage image(ctrl_->viewport()->size(), QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    ctrl_->viewport()->render(&image);
    return image;
  }
  void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(ctrl_, Qt::Key(key), mods);
  }
  void ClickRow(int row, Qt::KeyboardModifiers mods = Qt::NoModifier, int sub = 0) {
    QTest::mouseClick(ctrl_->viewport(), Qt::LeftButton, mods, ctrl_->CellRect(row, sub).center());
  }
  QLineEdit* Edit() const { return qobject_cast<QLineEdit*>(ctrl_->EditWindow()); }

  Owner owner_;
  std::unique_ptr<QWidget> window_;
  CReportCtrl* ctrl_ = nullptr;
};

TEST_F(ReportCtrlTest, AFirstPaintAsksEachVisibleCellOnceAndARepaintAsksNothing) {
  // Odd rows answer an empty text in the second column and even rows no text at all: both count
  // as fetched.
  owner_.text = [](int row, int sub) {
    if (sub == 1) return row % 2 ? QString(QLatin1String("")) : QString();
    return QString::number(row);
  };
  Make(RVS_OWNERDATA | RVS_WS_BORDER, 1000);  // shown and painted
  const int rows = ctrl_->VisibleRowCount() + 1;  // the last one may show in part
  std::map<std::pair<int, int>, int> times;
  for (const auto& a : owner_.asks) ++times[a];
  for (const auto& [cell, n] : times) EXPECT_EQ(n, 1) << cell.first << "," << cell.second;
  EXPECT_GE(int(times.size()), 2 * ctrl_->VisibleRowCount());
  EXPECT_LE(int(times.size()), 2 * rows);
  for (const auto& [cell, n] : times) EXPECT_LT(cell.first, rows);

  owner_.asks.clear();
  Paint();
  ctrl_->viewport()->repaint();
  EXPECT_TRUE(owner_.asks.empty());
  EXPECT_EQ(ctrl_->GetItemText(3, 1), QString(QLatin1String("")));
  EXPECT_TRUE(owner_.asks.empty());
  small_controls::Shot(*window_, QStringLiteral("report_ctrl_callback"));
}

struct KeyCase {
  const char* name;
  int key;
  Qt::KeyboardModifiers mods;
  int presses;
  // Expected, with V the visible row count and the view's top at 495 with row 500 clicked.
  std::function<int(int)> focus;
  std::function<int(int)> anchor;
  std::function<Ranges(int)> selection;
};

TEST_F(ReportCtrlTest, KeysMoveFocusAnchorAndSelection) {
  const Qt::KeyboardModifiers none = Qt::NoModifier, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier;
  auto at = [](int v) { return [v](int) { return v; }; };
  auto sel = [](int a, int b) { return [a, b](int) { return Ranges{{a, b}}; }; };
  const int last = 999;
  const std::vector<KeyCase> cases = {
      {"Home", Qt::Key_Home, none, 1, at(0), at(0), sel(0, 0)},
      {"Shift+Home", Qt::Key_Home, shift, 1, at(0), at(500), sel(0, 500)},
      {"Ctrl+Home", Qt::Key_Home, ctrl, 1, at(0), at(0), sel(500, 500)},
      {"End", Qt::Key_End, none, 1, at(last), at(last), sel(last, last)},
      {"Shift+End", Qt::Key_End, shift, 1, at(last), at(500), sel(500, last)},
      {"Ctrl+End", Qt::Key_End, ctrl, 1, at(last), at(last), sel(500, 500)},
      {"PageDown", Qt::Key_PageDown, none, 1, [](int v) { return 494 + v; }, [](int v) { return 494 + v; },
       [](int v) { return Ranges{{494 + v, 494 + v}}; }},
      {"PageDown twice", Qt::Key_PageDown, none, 2, [](int v) { return 494 + 2 * v; },
       [](int v) { return 494 + 2 * v; }, [](int v) { return Ranges{{494 + 2 * v, 494 + 2 * v}}; }},
      {"Shift+PageDown", Qt::Key_PageDown, shift, 1, [](int v) { return 494 + v; }, at(500),
       [](int v) { return Ranges{{500, 494 + v}}; }},
      {"Ctrl+PageDown", Qt::Key_PageDown, ctrl, 1, [](int v) { return 494 + v; }, at(500), sel(500, 500)},
      {"PageUp", Qt::Key_PageUp, none, 1, at(495), at(495), sel(495, 495)},
      {"PageUp twice", Qt::Key_PageUp, none, 2, [](int v) { return 495 - v; }, [](int v) { return 495 - v; },
       [](int v) { return Ranges{{495 - v, 495 - v}}; }},
      {"Shift+PageUp", Qt::Key_PageUp, shift, 1, at(495), at(500), sel(495, 500)},
      {"Ctrl+PageUp", Qt::Key_PageUp, ctrl, 1, at(495), at(500), sel(500, 500)},
      {"Up", Qt::Key_Up, none, 1, at(499), at(499), sel(499, 499)},
      {"Shift+Up x3", Qt::Key_Up, shift, 3, at(497), at(500), sel(497, 500)},
      {"Ctrl+Up", Qt::Key_Up, ctrl, 1, at(499), at(500), sel(500, 500)},
      {"Down", Qt::Key_Down, none, 1, at(501), at(501), sel(501, 501)},
      {"Shift+Down x2", Qt::Key_Down, shift, 2, at(502), at(500), sel(500, 502)},
      {"Ctrl+Down", Qt::Key_Down, ctrl, 1, at(501), at(500), sel(500, 500)},
  };
  Make(RVS_OWNERDATA, 1000);
  const int v = ctrl_->VisibleRowCount();
  ASSERT_GT(v, 3);
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    ctrl_->verticalScrollBar()->setValue(495);
    ClickRow(500);
    ASSERT_EQ(ctrl_->GetFocusedItem(), 500);
    ASSERT_EQ(ctrl_->GetAnchor(), 500);
    for (int i = 0; i < c.presses; ++i) Key(c.key, c.mods);
    EXPECT_EQ(ctrl_->GetFocusedItem(), c.focus(v));
    EXPECT_EQ(ctrl_->GetAnchor(), c.anchor(v));
    EXPECT_EQ(ctrl_->GetSelectedRanges(), c.selection(v));
    const int focus = ctrl_->GetFocusedItem();
    EXPECT_TRUE(focus >= ctrl_->GetTopRow() && focus < ctrl_->GetTopRow() + v) << "focus not shown";
  }
  // The same keys on no rows do nothing.
  ctrl_->SetItemCount(0);
  EXPECT_EQ(ctrl_->GetFocusedItem(), -2);
  owner_.codes.clear();
  for (const KeyCase& c : cases) {
    Key(c.key, c.mods);
    EXPECT_EQ(ctrl_->GetFocusedItem(), -2) << c.name;
    EXPECT_TRUE(ctrl_->GetSelectedRanges().empty()) << c.name;
  }
  EXPECT_EQ(owner_.Count(RVN_SELECTIONCHANGING), 0);
}

TEST_F(ReportCtrlTest, ANewControlFocusesNoRowAndOnlyTheInputRowStyleFocusesRowMinusOne) {
  Make(RVS_OWNERDATA, 10);
  EXPECT_EQ(ctrl_->GetFocusedItem(), -2);
  Key(Qt::Key_Down);
  EXPECT_EQ(ctrl_->GetFocusedItem(), 0);
  Key(Qt::Key_Up);
  EXPECT_EQ(ctrl_->GetFocusedItem(), 0);
  Make(RVS_SHOWEDITROW, -1);
  EXPECT_EQ(ctrl_->GetFocusedItem(), -1);
}

TEST_F(ReportCtrlTest, AVetoedSelectionChangeLeavesItsRowUnselected) {
  Make(RVS_OWNERDATA, 100);
  owner_.vetoSelect = {7};
  ClickRow(7);
  EXPECT_EQ(ctrl_->GetFocusedItem(), 7);
  EXPECT_FALSE(ctrl_->IsItemSelected(7));
  ClickRow(5);
  ClickRow(9, Qt::ShiftModifier);
  EXPECT_EQ(ctrl_->GetSelectedRanges(), (Ranges{{5, 6}, {8, 9}}));
  EXPECT_EQ(std::count(owner_.changed.begin(), owner_.changed.end(), 7), 0);
}

TEST_F(ReportCtrlTest, SingleSelectionKeepsOneRowUnderShift) {
  Make(RVS_OWNERDATA | RVS_SINGLESELECT, 100);
  ClickRow(3);
  ClickRow(8, Qt::ShiftModifier);
  EXPECT_EQ(ctrl_->GetSelectedRanges(), (Ranges{{8, 8}}));
  owner_.changed.clear();
  Key(Qt::Key_End, Qt::ShiftModifier);
  EXPECT_EQ(ctrl_->GetSelectedRanges(), (Ranges{{99, 99}}));
  EXPECT_EQ(owner_.changed, (std::vector<int>{99, 8}));
}

// A control whose wheel setting is fixed.
class WheelReport : public CReportCtrl {
 public:
  using CReportCtrl::CReportCtrl;
  int lines = 3;
  int GetWheelScrollLines() const override { return lines; }
};

TEST_F(ReportCtrlTest, SmallWheelStepsAddUpAndPageScrollingTakesAPagePerNotch) {
  window_ = std::make_unique<QWidget>();
  window_->resize(300, 200);
  auto* wheel = new WheelReport(window_.get(), RVS_OWNERDATA);
  wheel->setGeometry(0, 0, 300, 200);
  wheel->SetItemCount(1000);
  window_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  auto send = [&](int delta) {
    const QPoint p(50, 50);
    QWheelEvent e(QPointF(p), QPointF(wheel->viewport()->mapToGlobal(p)), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(wheel->viewport(), &e);
  };
  for (int i = 0; i < 8; ++i) send(-15);
  EXPECT_EQ(wheel->GetTopRow(), 3);
  send(45);  // three lines' worth of 120ths at 3 lines a notch: one line, with 15 left over
  EXPECT_EQ(wheel->GetTopRow(), 2);
  wheel->lines = -1;
  wheel->verticalScrollBar()->setValue(0);
  send(-120);
  EXPECT_EQ(wheel->GetTopRow(), wheel->VisibleRowCount());
}

TEST_F(ReportCtrlTest, AHeaderClickInCallbackModeIsAnnouncedAndDoesNotSort) {
  Make(RVS_OWNERDATA, 50);
  QHeaderView* header = ctrl_->Header();
  const QPoint second(header->sectionViewportPosition(1) + 20, header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, second);
  EXPECT_EQ(owner_.Count(RVN_HEADERCLICK), 1);
  EXPECT_EQ(owner_.headerSubItems, (std::vector<int>{1}));
  EXPECT_EQ(ctrl_->Header()->GetSortColumn(), -1);
  EXPECT_FALSE(ctrl_->SortAllItems(1, true));

  // A right click is announced with its column; the tooltip and width limits go to the header.
  owner_.headerSubItems.clear();
  QTest::mouseClick(header->viewport(), Qt::RightButton, {}, second);
  EXPECT_EQ(owner_.headerSubItems, (std::vector<int>{1}));
  RVSUBITEM tipped;
  tipped.nFormat = RVCF_TEXT | RVCF_EX_TOOLTIP;
  tipped.iWidth = 10;
  tipped.iMinWidth = 40;
  tipped.strText = QStringLiteral(u"이름");
  ctrl_->DefineSubItem(2, tipped);
  ctrl_->ShowSubItem(2);
  HDITEMEX extra;
  ASSERT_TRUE(ctrl_->Header()->GetItemEx(ctrl_->HeaderItemOfSubItem(2), extra));
  EXPECT_EQ(extra.strToolTip, QStringLiteral(u"정렬: 이름"));
  EXPECT_EQ(extra.iMinWidth, 40);
  ctrl_->SetSubItemWidth(2, 5);
  EXPECT_EQ(ctrl_->GetSubItemWidth(2), 40);
  EXPECT_THROW(ctrl_->SetSubItemWidth(3, 50), std::invalid_argument);
  EXPECT_THROW(ctrl_->SetSubItemWidth(-1, 50), std::invalid_argument);
}

TEST_F(ReportCtrlTest, AColumnDraggedOffTheHeaderIsHiddenOnlyWithItsStyle) {
  Make(RVS_OWNERDATA, 5);
  emit ctrl_->Header()->dragFinished(ctrl_->HeaderItemOfSubItem(1), -1, CFlatHeaderCtrl::DropElsewhere);
  EXPECT_TRUE(ctrl_->IsSubItemShown(1));
  ctrl_->ModifyStyle(0, RVS_ALLOWCOLUMNREMOVAL);
  emit ctrl_->Header()->dragFinished(ctrl_->HeaderItemOfSubItem(1), -1, CFlatHeaderCtrl::DropElsewhere);
  EXPECT_FALSE(ctrl_->IsSubItemShown(1));
  EXPECT_EQ(ctrl_->ShownSubItems(), (std::vector<int>{0}));
  EXPECT_EQ(ctrl_->GetTotalWidth(), 120);
}

TEST_F(ReportCtrlTest, TypedCharactersReplaceTheInputRowTextTabSelectsItAndEscapeStoresNothing) {
  for (const char* typed : {"%", "(", " ", "x"}) {
    SCOPED_TRACE(typed);
    Make(RVS_SHOWEDITROW, -1);
    ASSERT_TRUE(ctrl_->SetItemText(-1, 0, QStringLiteral("abc")));
    QTest::keyClicks(ctrl_, QString::fromLatin1(typed));
    ASSERT_NE(Edit(), nullptr);
    EXPECT_EQ(Edit()->text(), QString::fromLatin1(typed));
    QTest::keyClick(Edit(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(ctrl_->EditWindow(), nullptr);
    EXPECT_EQ(ctrl_->GetItemText(-1, 0), QString::fromLatin1(typed));
  }

  Make(RVS_SHOWEDITROW, -1);
  ctrl_->SetItemText(-1, 0, QStringLiteral("a|b"));  // a separator is plain text here
  ASSERT_TRUE(ctrl_->BeginEdit(-1, 0, 9));
  EXPECT_EQ(Edit()->text(), QStringLiteral("a|b"));
  EXPECT_EQ(Edit()->selectedText(), QStringLiteral("a|b"));
  QTest::keyClick(Edit(), Qt::Key_Tab);
  EXPECT_EQ(ctrl_->GetItemText(-1, 0), QStringLiteral("a|b"));

  ASSERT_TRUE(ctrl_->BeginEdit(-1, 0, 8));  // Backspace deletes the last character only
  EXPECT_EQ(Edit()->text(), QStringLiteral("a|"));
  QTest::keyClicks(Edit(), QStringLiteral("zz"));
  owner_.edits.clear();
  QTest::keyClick(Edit(), Qt::Key_Escape);
  QApplication::processEvents();
  ASSERT_FALSE(owner_.edits.empty());
  EXPECT_EQ(owner_.edits.back().code, RVN_ENDITEMEDIT);
  EXPECT_EQ(owner_.edits.back().nKey, 27);
  EXPECT_EQ(ctrl_->EditWindow(), nullptr);
  EXPECT_EQ(ctrl_->GetItemText(-1, 0), QStringLiteral("a|b"));

  // The owner asks for the "..." button; pressing it takes the owner's text.
  int pressed = 0;
  ctrl_->SetNotifyHandler([&](NMREPORT& nm) -> qintptr {
    auto& edit = static_cast<NMRVITEMEDIT&>(nm);
    if (nm.code == RVN_BEGINITEMEDIT) edit.bButton = true;
    if (nm.code != RVN_BUTTONCLICK) return 0;
    ++pressed;
    edit.strText = QStringLiteral(u"고른 값");
    return 1;
  });
  ASSERT_TRUE(ctrl_->BeginEdit(-1, 0, 1));
  auto* box = qobject_cast<CReportEditCtrl*>(ctrl_->EditWindow());
  ASSERT_NE(box, nullptr);
  ASSERT_NE(box->Button(), nullptr);
  EXPECT_EQ(box->Button()->text(), QStringLiteral("..."));
  EXPECT_EQ(box->Button()->width(), box->height());
  EXPECT_EQ(box->Button()->x(), box->geometry().right() + 1);
  QTest::mouseClick(box->Button(), Qt::LeftButton);
  EXPECT_EQ(pressed, 1);
  EXPECT_EQ(ctrl_->EditWindow(), box);
  EXPECT_EQ(box->text(), QStringLiteral(u"고른 값"));
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(ctrl_->GetItemText(-1, 0), QStringLiteral(u"고른 값"));

  // A cell with a check box is not edited; an owner's own editor opens no box.
  RVITEM check;
  check.nMask = RVIM_CHECK;
  check.iItem = -1;
  check.iSubItem = 1;
  check.iCheck = 1;
  ASSERT_TRUE(ctrl_->SetItem(check));
  EXPECT_FALSE(ctrl_->BeginEdit(-1, 1, 1));
  QLineEdit own(window_.get());
  ctrl_->SetNotifyHandler([&](NMREPORT& nm) -> qintptr {
    if (nm.code != RVN_BEGINITEMEDIT) return 0;
    static_cast<NMRVITEMEDIT&>(nm).editor = &own;
    return 1;
  });
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the boxes closed above
  ASSERT_TRUE(ctrl_->findChildren<CReportEditCtrl*>().isEmpty());
  ASSERT_TRUE(ctrl_->BeginEdit(-1, 0, 1));
  EXPECT_EQ(ctrl_->EditWindow(), &own);
  EXPECT_TRUE(ctrl_->findChildren<CReportEditCtrl*>().isEmpty());
}

TEST_F(ReportCtrlTest, TheTipShowsOnlyOverACutText) {
  owner_.text = [](int row, int sub) {
    return sub == 1 ? QStringLiteral("a very long text that cannot fit into the column %1").arg(row)
                    : QString::number(row);
  };
  Make(RVS_OWNERDATA | RVS_EXPANDSUBITEMS, 20);
  ASSERT_TRUE(ctrl_->HasFocusFlag());
  const QRect cut = ctrl_->CellTextRect(2, 1);
  small_controls::MoveFree(ctrl_->viewport(), QPoint(cut.left() + 10, cut.center().y()));
  EXPECT_TRUE(ctrl_->Tip()->isVisible());
  EXPECT_EQ(ctrl_->Tip()->Text(), owner_.text(2, 1));
  EXPECT_TRUE(ctrl_->Tip()->testAttribute(Qt::WA_TransparentForMouseEvents));
  const QRect fits = ctrl_->CellTextRect(2, 0);
  small_controls::MoveFree(ctrl_->viewport(), QPoint(fits.left() + 1, fits.center().y()));
  EXPECT_FALSE(ctrl_->Tip()->isVisible());
}

TEST_F(ReportCtrlTest, FewerRowsDropFocusAndSelectionBeyondThem) {
  Make(RVS_OWNERDATA, 1000);
  ClickRow(2);
  ctrl_->SelectItems(900, 100);
  EXPECT_EQ(ctrl_->GetFocusedItem(), 900);
  ctrl_->SetItemCount(500);
  EXPECT_EQ(ctrl_->GetFocusedItem(), 499);
  EXPECT_EQ(ctrl_->GetSelectedRanges(), (Ranges{{100, 499}}));
  owner_.asks.clear();
  EXPECT_EQ(ctrl_->GetItemText(499, 0), QStringLiteral("r499c0"));
  ctrl_->SetItemCount(0);
  EXPECT_EQ(ctrl_->GetFocusedItem(), -2);
  EXPECT_TRUE(ctrl_->GetSelectedRanges().empty());
  EXPECT_TRUE(ctrl_->GetEmptyListText().isEmpty());
}

TEST_F(ReportCtrlTest, AControlOfTwoToTheTwentyEightRowsPaintsItsLastPageAfterEnd) {
  const int rows = 268435447;
  Make(RVS_OWNERDATA | RVS_SINGLESELECT, rows);
  Key(Qt::Key_End);
  EXPECT_EQ(ctrl_->GetFocusedItem(), rows - 1);
  EXPECT_EQ(ctrl_->GetTopRow(), rows - ctrl_->VisibleRowCount());
  EXPECT_TRUE(ctrl_->verticalScrollBar()->isVisible());
  owner_.asks.clear();
  const QImage image = Paint();
  ASSERT_FALSE(owner_.asks.empty());
  int highest = 0;
  for (const auto& a : owner_.asks) {
    EXPECT_GE(a.first, rows - ctrl_->VisibleRowCount());
    highest = std::max(highest, a.first);
  }
  EXPECT_EQ(highest, rows - 1);
  // The last row is drawn selected.
  const QRect last = ctrl_->RowRect(rows - 1);
  EXPECT_EQ(QColor(image.pixel(last.right() - 2, last.center().y())), ctrl_->GetSysColor(1));
  small_controls::Shot(*window_, QStringLiteral("report_ctrl_last_page"));
}

TEST_F(ReportCtrlTest, StoredCellsKeepTypedValuesAndFollowANewColumnInFront) {
  Make(RVS_SHOWEDITROW, -1);
  EXPECT_FALSE(ctrl_->SetItem(RVITEM{}));  // row -2
  RVITEM none;
  none.nMask = RVIM_TEXT;
  none.iItem = -1;
  none.iSubItem = 0;
  ASSERT_TRUE(ctrl_->GetItem(none));
  EXPECT_FALSE(none.nMask & RVIM_TEXT);  // no text yet
  ctrl_->SetItemText(-1, 0, QString(QLatin1String("")));
  RVITEM empty = none;
  empty.nMask = RVIM_TEXT;
  ASSERT_TRUE(ctrl_->GetItem(empty));
  EXPECT_TRUE(empty.nMask & RVIM_TEXT);  // an empty text is a text
  const QString longText(400, QLatin1Char('x'));
  ctrl_->SetItemText(-1, 1, longText);
  EXPECT_EQ(ctrl_->GetItemText(-1, 1), longText);

  // A state from the caller keeps the control's bits.
  RVITEM state;
  state.nMask = RVIM_STATE;
  state.iItem = -1;
  state.iSubItem = 0;
  state.nState = RVIS_SELECTED | RVIS_BOLD;
  ASSERT_TRUE(ctrl_->SetItem(state));
  RVITEM read = state;
  read.nMask = 0;
  ASSERT_TRUE(ctrl_->GetItem(read));
  EXPECT_EQ(read.nState & (RVIS_SELECTED | RVIS_BOLD), RVIS_BOLD);

  RVSUBITEM front;
  front.nFormat = RVCF_TEXT;
  front.strText = QStringLiteral("front");
  EXPECT_EQ(ctrl_->DefineSubItem(0, front), 0);
  EXPECT_EQ(ctrl_->GetSubItemWidth(0), CReportCtrl::kDefaultColumnWidth);
  EXPECT_EQ(ctrl_->GetItemText(-1, 2), longText);
  EXPECT_EQ(ctrl_->ShownSubItems(), (std::vector<int>{1, 2}));
  EXPECT_EQ(ctrl_->ShowSubItem(1), -1);
  EXPECT_EQ(ctrl_->ShowSubItem(0, 0), 0);
  EXPECT_EQ(ctrl_->ShownSubItems(), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(ctrl_->GetItemsText(-1, QLatin1Char('\t')), QStringLiteral("\t\t") + longText + QLatin1Char('\n'));
}

TEST_F(ReportCtrlTest, CallbackModeRefusesWritesAndTheEmptyTextIsDrawnCentred) {
  Make(RVS_OWNERDATA, 0);
  EXPECT_FALSE(ctrl_->SetItemText(0, 0, QStringLiteral("x")));
  EXPECT_FALSE(ctrl_->DeleteAllItems());
  const QImage blank = Paint();
  ctrl_->SetEmptyListText(QStringLiteral(u"항목이 없습니다"));
  const QImage text = Paint();
  int left = text.width(), right = -1;
  for (int y = 0; y < ctrl_->GetRowHeight() + 4; ++y)
    for (int x = 0; x < text.width(); ++x)
      if (text.pixel(x, y) != blank.pixel(x, y)) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
  ASSERT_GE(right, 0);
  EXPECT_NEAR((left + right) / 2.0, text.width() / 2.0, 6);
}

}  // namespace
