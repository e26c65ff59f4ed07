// Report control: mouse, keys, wheel, focus, hit testing, the header's notifications and the
// in-place edit.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

#include "controls/ReportCtrl.h"
#include "controls/ReportParts.h"

namespace {

std::uint32_t MouseKeys(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
  std::uint32_t keys = 0;
  if (buttons & Qt::LeftButton) keys |= 0x0001;
  if (buttons & Qt::RightButton) keys |= 0x0002;
  if (mods & Qt::ShiftModifier) keys |= 0x0004;
  if (mods & Qt::ControlModifier) keys |= 0x0008;
  if (buttons & Qt::MiddleButton) keys |= 0x0010;
  return keys;
}

}  // namespace

RVHITTESTINFO CReportCtrl::HitTest(const QPoint& point) {
  RVHITTESTINFO h;
  h.point = point;
  const QRect vp = viewport()->rect();
  if (point.y() < 0) h.nFlags |= RVHT_ABOVE;
  if (point.y() > vp.bottom()) h.nFlags |= RVHT_BELOW;
  if (point.x() < 0) h.nFlags |= RVHT_TOLEFT;
  if (point.x() > vp.right()) h.nFlags |= RVHT_TORIGHT;
  if (h.nFlags) return h;

  if (point.y() < RowsTop()) {
    h.nFlags |= RVHT_ONITEMEDIT;
    h.iItem = -1;
  } else {
    const int row = GetTopRow() + (point.y() - RowsTop()) / std::max(1, rowHeight_);
    if (row >= GetItemCount()) {
      h.nFlags |= RVHT_NOWHERE;
      return h;
    }
    h.iItem = row;
    h.iRow = row;
  }
  int x = -GetScrollPosX();
  for (int s : shown_) {
    const int w = subItems_[std::size_t(s)].iWidth;
    if (point.x() >= x && point.x() < x + w) {
      h.iSubItem = s;
      h.iColumn = header_->visualIndex(HeaderItemOfSubItem(s));
      break;
    }
    x += w;
  }
  if (h.iSubItem < 0) {
    h.nFlags |= RVHT_NOWHERE;
    return h;
  }
  RVITEM item;
  const QRect text = CellTextRect(h.iItem, h.iSubItem);
  if (!ReadCell(h.iItem, h.iSubItem, item)) {
    h.nFlags |= RVHT_NOWHERE;
    return h;
  }
  if (item.iCheck >= 0) {
    const QRect check(text.left() - kMargin - checkSize_.width(), text.top(), checkSize_.width(), text.height());
    if (check.contains(point)) {
      h.nFlags |= RVHT_ONITEMCHECK;
      return h;
    }
  }
  if (item.nMask & RVIM_TEXT) {
    const QFontMetrics fm(item.nState & RVIS_BOLD ? boldFont_ : font_);
    const int extent = std::min(fm.horizontalAdvance(item.strText), text.width());
    if (point.x() >= text.left() && point.x() < text.left() + extent) {
      h.nFlags |= RVHT_ONITEMTEXT;
      return h;
    }
  }
  h.nFlags |= RVHT_NOWHERE;
  return h;
}

// ---- mouse ----

void CReportCtrl::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const Qt::KeyboardModifiers mods = event->modifiers();
  const bool shift = mods & Qt::ShiftModifier;
  const bool ctrl = mods & Qt::ControlModifier;
  if (!hasFocus() && !(edit_ && edit_->hasFocus())) setFocus(Qt::MouseFocusReason);
  const RVHITTESTINFO h = HitTest(pos);
  const std::uint32_t keys = MouseKeys(mods, event->buttons());
  if (event->button() == Qt::RightButton) {
    if (SendItem(RVN_ITEMRCLICK, h.iItem, h.iSubItem, keys, pos, h.nFlags) != 0) return;
    if (h.iItem >= 0 && HasRow(h.iItem) && !shift && !ctrl) {
      SelectItems(h.iItem, h.iItem);
      anchor_ = h.iItem;
    }
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  if (SendItem(RVN_ITEMCLICK, h.iItem, h.iSubItem, keys, pos, h.nFlags) != 0) return;
  if (!HasRow(h.iItem)) return;
  const int row = h.iItem;
  const int oldFocus = focus_;
  const int oldCell = focusCell_;
  const bool focusable = h.iSubItem >= 0 && !(subItems_[std::size_t(h.iSubItem)].nFormat & RVCF_SUBITEM_NOFOCUS);
  focusCell_ = (style_ & RVS_FOCUSSUBITEMS) && focusable ? h.iSubItem : -1;
  if (row == -1) {
    // The input row takes the focus but never the selection.
    SetFocusedRow(-1);
  } else if (shift && !ctrl) {
    SelectItems(row, anchor_);
  } else if (ctrl && !shift) {
    SelectItems(row, row, true, true, true);
    anchor_ = row;
  } else if (ctrl && shift) {
    SelectItems(row, anchor_, true, true);
    anchor_ = row;
  } else {
    SelectItems(row, row);
    anchor_ = row;
  }
  viewport()->update();
  if (!shift && !ctrl && focus_ == oldFocus && focusCell_ == oldCell &&
      (row == -1 || (style_ & RVS_FOCUSSUBITEMS))) {
    const int cell = focusCell_ >= 0 ? focusCell_ : h.iSubItem;
    if (cell >= 0) BeginEdit(row, cell, 1);
  }
}

void CReportCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    mousePressEvent(event);
    return;
  }
  const QPoint pos = event->position().toPoint();
  const RVHITTESTINFO h = HitTest(pos);
  SendItem(RVN_ITEMDBCLICK, h.iItem, h.iSubItem, MouseKeys(event->modifiers(), event->buttons()), pos, h.nFlags);
}

void CReportCtrl::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() == Qt::NoButton) UpdateTip(event->position().toPoint());
}

void CReportCtrl::UpdateTip(const QPoint& pos) {
  if (!(style_ & RVS_EXPANDSUBITEMS) || !focusFlag_ || edit_) {
    tip_->Hide();
    return;
  }
  const RVHITTESTINFO h = HitTest(pos);
  RVITEM item;
  if (!(h.nFlags & RVHT_ONITEMTEXT) || !ReadCell(h.iItem, h.iSubItem, item)) {
    tip_->Hide();
    return;
  }
  const QRect r = CellTextRect(h.iItem, h.iSubItem);
  tip_->Show(item.strText, item.nState & RVIS_BOLD ? boldFont_ : font_,
             QRect(viewport()->mapToGlobal(r.topLeft()), r.size()));
}

void CReportCtrl::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (delta == 0) {
    event->ignore();
    return;
  }
  const int lines = GetWheelScrollLines();
  if ((wheelRemainder_ < 0) != (delta < 0)) wheelRemainder_ = 0;  // a turn the other way starts afresh
  // The remainder is kept, so small steps of a touchpad add up to lines.
  if (lines == -1) {
    wheelRemainder_ += delta;
    const int pages = wheelRemainder_ / 120;
    wheelRemainder_ -= pages * 120;
    if (pages) ScrollRows(-pages * VisibleRowCount());
  } else {
    wheelRemainder_ += delta * std::max(0, lines);
    const int steps = wheelRemainder_ / 120;
    wheelRemainder_ -= steps * 120;
    if (steps) ScrollRows(-steps);
  }
  event->accept();
}

// ---- keys ----

void CReportCtrl::MoveFocusTo(int row, Qt::KeyboardModifiers mods, bool ctrlMovesAnchor) {
  const bool shift = mods & Qt::ShiftModifier;
  const bool ctrl = mods & Qt::ControlModifier;
  if (row == -1) {
    SetFocusedRow(-1);
  } else if (ctrl) {
    SetFocusedRow(row);
    if (ctrlMovesAnchor && !shift) anchor_ = row;
  } else if (shift) {
    SelectItems(row, anchor_);
  } else {
    SelectItems(row, row);
    anchor_ = row;
  }
  viewport()->update();
}

void CReportCtrl::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const Qt::KeyboardModifiers mods = event->modifiers();
  const bool ctrl = mods & Qt::ControlModifier;
  if (SendItem(RVN_KEYDOWN, focus_, focusCell_, std::uint32_t(key), {}, std::uint32_t(mods)) != 0) return;
  const int count = GetItemCount();
  const bool inputRow = style_ & RVS_SHOWEDITROW;
  switch (key) {
    case Qt::Key_Home:
      if (count == 0) return;
      if (focus_ > 0) ScrollTo(0);
      MoveFocusTo(0, mods, true);
      EnsureVisible(0);
      return;
    case Qt::Key_End:
      if (count == 0) return;
      ScrollTo(verticalScrollBar()->maximum());
      MoveFocusTo(count - 1, mods, true);
      EnsureVisible(count - 1);
      return;
    case Qt::Key_PageUp: {
      if (count == 0) return;
      if (focus_ == GetTopRow()) ScrollRows(-VisibleRowCount());
      MoveFocusTo(GetTopRow(), mods, false);
      return;
    }
    case Qt::Key_PageDown: {
      if (count == 0) return;
      if (focus_ == LastVisibleRow()) ScrollRows(VisibleRowCount());
      MoveFocusTo(LastVisibleRow(), mods, false);
      return;
    }
    case Qt::Key_Up:
    case Qt::Key_Down: {
      if (count == 0) return;
      int target = focus_;
      if (key == Qt::Key_Down)
        target = focus_ == -2 ? (inputRow ? -1 : 0) : std::min(focus_ + 1, count - 1);
      else if (focus_ == -2)
        target = 0;
      else if (focus_ == 0)
        target = inputRow ? -1 : 0;
      else if (focus_ > 0)
        target = focus_ - 1;
      MoveFocusTo(target, mods, false);
      EnsureVisible(target);
      return;
    }
    case Qt::Key_Left:
    case Qt::Key_Right: {
      if (style_ & RVS_FOCUSSUBITEMS) {
        std::vector<int> focusable;
        for (int s : shown_)
          if (!(subItems_[std::size_t(s)].nFormat & RVCF_SUBITEM_NOFOCUS)) focusable.push_back(s);
        auto at = std::find(focusable.begin(), focusable.end(), focusCell_);
        if (key == Qt::Key_Left) {
          focusCell_ = at == focusable.end() || at == focusable.begin() ? -1 : *(at - 1);
        } else if (at == focusable.end()) {
          if (!focusable.empty()) focusCell_ = focusable.front();
        } else if (at + 1 != focusable.end()) {
          focusCell_ = *(at + 1);
        }
        EnsureVisible(-1, focusCell_);
        viewport()->update();
      } else {
        QScrollBar* h = horizontalScrollBar();
        h->setValue(h->value() + (key == Qt::Key_Left ? -1 : 1) * std::max(1, viewport()->width() / 8));
      }
      return;
    }
    case Qt::Key_Space:
      if (focus_ >= 0) {
        SelectItems(focus_, focus_, true, true, ctrl);
        return;
      }
      break;
    case Qt::Key_Escape:
      event->ignore();
      return;
    default:
      break;
  }
  ctrlUp_ = !ctrl;
  // A typed character on a focused cell starts editing it.
  const QString text = event->text();
  if (ctrlUp_ && !text.isEmpty()) {
    const QChar c = text.front();
    const bool typed = c.unicode() >= 32 || c.unicode() == 8 || c.unicode() == 9;
    int cell = -1;
    if (focus_ == -1 && inputRow)
      cell = focusCell_ >= 0 ? focusCell_ : (shown_.empty() ? -1 : shown_.front());
    else if ((style_ & RVS_FOCUSSUBITEMS) && focus_ >= 0)
      cell = focusCell_;
    if (typed && cell >= 0 && BeginEdit(focus_, cell, c.unicode())) return;
  }
  event->ignore();
}

// ---- focus ----

void CReportCtrl::focusInEvent(QFocusEvent* event) {
  focusFlag_ = true;
  viewport()->update();
  QAbstractScrollArea::focusInEvent(event);
}

void CReportCtrl::focusOutEvent(QFocusEvent* event) {
  QWidget* now = QApplication::focusWidget();
  if (!now || !isAncestorOf(now)) {
    focusFlag_ = false;
    if (now != tip_) tip_->Hide();
  }
  viewport()->update();
  QAbstractScrollArea::focusOutEvent(event);
}

bool CReportCtrl::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::Leave) tip_->Hide();
  const bool handled = QAbstractScrollArea::viewportEvent(event);
  if (event->type() == QEvent::Resize) Layout();  // a scroll bar came or went
  return handled;
}

// ---- header ----

void CReportCtrl::OnHeaderClicked(int headerItem) {
  EndEdit(true);
  const int sub = SubItemOfHeaderItem(headerItem);
  if (SendHeader(RVN_HEADERCLICK, sub) != 0) return;
  if (IsCallback() || (style_ & RVS_NOSORT)) return;
  SortAllItems(sub, !(sortSubItem_ == sub && sortAscending_));
}

void CReportCtrl::OnHeaderResized(int headerItem, int, int newSize) {
  const int sub = SubItemOfHeaderItem(headerItem);
  if (sub < 0 || std::size_t(sub) >= subItems_.size()) return;
  if (!settingWidth_) EndEdit(true);
  subItems_[std::size_t(sub)].iWidth = newSize;
  UpdateScrollBars();
  viewport()->update();
  SendItem(RVN_LAYOUTCHANGED, -1, sub, 0, {}, 0);
}

void CReportCtrl::OnHeaderDividerDoubleClicked(int headerItem) {
  EndEdit(true);
  const int sub = SubItemOfHeaderItem(headerItem);
  if (sub < 0 || SendHeader(RVN_DIVIDERDBLCLICK, sub) != 0) return;
  if (IsCallback() || (subItems_[std::size_t(sub)].nFormat & RVCF_EX_FIXEDWIDTH)) return;
  int widest = 0;
  for (int r = 0; r < GetItemCount(); ++r) widest = std::max(widest, CellWidth(r, sub));
  if (widest > 0) SetSubItemWidth(sub, widest);
}

void CReportCtrl::OnHeaderDragFinished(int headerItem, int dropPosition, int dropState) {
  if (dropPosition < 0 && dropState == CFlatHeaderCtrl::DropElsewhere && (style_ & RVS_ALLOWCOLUMNREMOVAL)) {
    HideSubItem(SubItemOfHeaderItem(headerItem));
    return;
  }
  RebuildShown();
  viewport()->update();
}

qintptr CReportCtrl::OnHeaderRightClick(int headerItem) {
  return SendHeader(RVN_HEADERRCLICK, SubItemOfHeaderItem(headerItem));
}

// ---- in-place edit ----

bool CReportCtrl::BeginEdit(int row, int subItem, int firstInput) {
  if (row < -1 || subItem < 0 || subItem >= int(subItems_.size())) return false;
  if (row == -1 && !(style_ & RVS_SHOWEDITROW)) return false;
  if (row >= GetItemCount() || !IsSubItemShown(subItem)) return false;
  EndEdit(true);
  RVITEM item;
  if (!ReadCell(row, subItem, item) || item.iCheck >= 0) return false;
  editRow_ = row;
  editSubItem_ = subItem;
  tip_->Hide();
  EnsureVisible(row, subItem);
  NMRVITEMEDIT nm;
  nm.code = RVN_BEGINITEMEDIT;
  nm.iItem = row;
  nm.iSubItem = subItem;
  nm.rect = CellRect(row, subItem);
  nm.nKey = firstInput;
  nm.strText = item.strText;
  nm.lParam = item.lParam;
  if (Notify(nm) != 0) {
    edit_ = nm.editor;  // the owner's own editing window
    return true;
  }
  QRect r = CellTextRect(row, subItem);
  r.setTop(r.top() + 2);
  auto* e = new CReportEditCtrl(this, row, subItem, nm.bButton);
  e->setFont(font_);
  e->setText(item.strText);
  e->Place(r);
  e->show();
  edit_ = e;
  e->setFocus(Qt::OtherFocusReason);
  e->ApplyFirstInput(firstInput);
  viewport()->update();
  return true;
}

void CReportCtrl::EndEdit(bool store, const NMRVITEMEDIT* record) {
  if (!edit_) return;
  QPointer<QWidget> window = edit_;
  edit_ = nullptr;
  auto* e = qobject_cast<CReportEditCtrl*>(window.data());
  if (e) e->SetEnded();
  if (!IsCallback() && store && (record || e)) SetItemText(editRow_, editSubItem_, record ? record->strText : e->text());
  if (e) {
    const bool hadFocus = e->hasFocus() || (e->Button() && e->Button()->hasFocus());
    if (hadFocus) setFocus(Qt::OtherFocusReason);
    e->hide();
    if (e->Button()) e->Button()->hide();
    e->deleteLater();
  } else if (window) {
    window->close();
  }
  QWidget* now = QApplication::focusWidget();
  if (now != this && (!now || !isAncestorOf(now))) focusFlag_ = false;
  InvalidateRow(editRow_);
  viewport()->update();
}

void CReportCtrl::OnEditEnded(int row, int subItem, int key, const QString& text) {
  if (!edit_) return;
  NMRVITEMEDIT nm;
  nm.code = RVN_ENDITEMEDIT;
  nm.iItem = row;
  nm.iSubItem = subItem;
  nm.nKey = key;
  nm.strText = text;
  if (!IsCallback() && row >= 0 && std::size_t(row) < rows_.size()) nm.lParam = rows_[std::size_t(row)].lParam;
  if (Notify(nm) != 0) {
    EndEdit(false);
    return;
  }
  EndEdit(key != 27, &nm);
}

bool CReportCtrl::OnEditButton(NMRVITEMEDIT& record) {
  record.code = RVN_BUTTONCLICK;
  record.iItem = editRow_;
  record.iSubItem = editSubItem_;
  return Notify(record) == 1;
}
