#include "controls/JorunListCtrl.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QPainter>
#include <QStyle>

#include <algorithm>

CJorunListCtrl::CJorunListCtrl(QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setIconSize(QSize(16, 16));
  header()->setStretchLastSection(false);
}

void CJorunListCtrl::SetHighlightType(int mode) {
  m_nHighlight = mode;
  viewport()->update();
}

void CJorunListCtrl::SetShowSelectionAlways(bool on) {
  m_bShowSelAlways = on;
  viewport()->update();
}

void CJorunListCtrl::SetItemDropHighlighted(int row, bool on) {
  if (QTreeWidgetItem* item = topLevelItem(row)) item->setData(0, DropHighlightRole, on);
}

bool CJorunListCtrl::IsItemDropHighlighted(int row) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return item && item->data(0, DropHighlightRole).toBool();
}

bool CJorunListCtrl::IsRowHighlighted(int row) const {
  if (IsItemDropHighlighted(row)) return true;
  const QModelIndex index = model()->index(row, 0);
  if (!index.isValid() || !selectionModel()->isSelected(index)) return false;
  return hasFocus() || m_bShowSelAlways;
}

CJorunListCtrl::RowRects CJorunListCtrl::Rects(const QModelIndex& index) const {
  RowRects r;
  const QRect row = visualRect(index.siblingAtColumn(0));
  const QHeaderView* h = header();
  const int left = -h->offset();
  r.bounds = QRect(left, row.top(), h->length(), row.height());
  const int x0 = h->sectionViewportPosition(0);
  const QRect first(x0, row.top(), h->sectionSize(0), row.height());
  const QIcon icon = qvariant_cast<QIcon>(index.siblingAtColumn(0).data(Qt::DecorationRole));
  const int iconWidth = icon.isNull() ? 0 : iconSize().width();
  r.icon = QRect(first.left(), first.top(), iconWidth, first.height());
  r.label = QRect(first.left() + iconWidth, first.top(), std::max(0, first.width() - iconWidth), first.height());
  return r;
}

QRect CJorunListCtrl::HighlightRect(int row) const {
  const QModelIndex index = model()->index(row, 0);
  if (!index.isValid()) return {};
  const RowRects r = Rects(index);
  QRect hl = r.label;
  switch (m_nHighlight) {
    case HIGHLIGHT_NORMAL: {
      const int right = r.label.left() + fontMetrics().horizontalAdvance(index.data().toString()) + Offset();
      if (right < r.label.right()) hl.setRight(right);
      break;
    }
    case HIGHLIGHT_ALLCOLUMNS:
      hl.setRight(r.bounds.right());
      break;
    case HIGHLIGHT_ROW:
      hl.setRight(std::max(r.bounds.right(), viewport()->width() - 1));
      break;
    default:
      break;
  }
  return hl;
}

void CJorunListCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const int row = index.row();
  const QModelIndex first = index.siblingAtColumn(0);
  const RowRects r = Rects(first);
  const QRect hl = HighlightRect(row);
  const bool highlighted = IsRowHighlighted(row);
  const QPalette& pal = palette();
  const int offset = Offset();
  const QColor window = pal.color(QPalette::Base);
  const QColor highlightText = pal.color(QPalette::HighlightedText);
  const QColor plainText = pal.color(QPalette::Text);

  painter->save();
  painter->setFont(option.font);
  painter->fillRect(QRect(0, option.rect.top(), viewport()->width(), option.rect.height()), window);
  painter->fillRect(hl, highlighted ? pal.color(QPalette::Highlight) : window);

  // The first column: image and label, clipped to the column.
  QRect clip = r.bounds;
  clip.setRight(header()->sectionViewportPosition(0) + header()->sectionSize(0) - 1);
  painter->setClipRect(clip);
  const QIcon icon = qvariant_cast<QIcon>(first.data(Qt::DecorationRole));
  if (!icon.isNull()) {
    const QSize size = iconSize();
    const QRect target(r.icon.left(), r.icon.top() + (r.icon.height() - size.height()) / 2, size.width(), size.height());
    icon.paint(painter, target, Qt::AlignCenter, highlighted ? QIcon::Selected : QIcon::Normal);
  }
  painter->setPen(highlighted ? highlightText : plainText);
  const QRect labelText = r.label.adjusted(offset / 2, 0, -offset, 0);
  const QString label = first.data().toString();
  painter->drawText(labelText, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                    fontMetrics().elidedText(label, Qt::ElideRight, std::max(0, labelText.width())));

  // Further columns, in display order; clipped to the row, widened to the highlight.
  QRect rowClip = r.bounds;
  if (hl.right() > rowClip.right()) rowClip.setRight(hl.right());
  painter->setClipRect(rowClip);
  const bool labelOnly = m_nHighlight == HIGHLIGHT_NORMAL;
  if (labelOnly) painter->setPen(plainText);
  const QHeaderView* h = header();
  for (int visual = 0; visual < h->count(); ++visual) {
    const int column = h->logicalIndex(visual);
    if (column <= 0 || h->isSectionHidden(column)) continue;
    const QRect cell(h->sectionViewportPosition(column), r.bounds.top(), h->sectionSize(column), r.bounds.height());
    if (labelOnly) painter->fillRect(cell, window);
    const QString text = index.siblingAtColumn(column).data().toString();
    if (text.isEmpty()) continue;
    const QRect textRect = cell.adjusted(offset, 0, -offset, 0);
    const Qt::Alignment align = Qt::Alignment(index.siblingAtColumn(column).data(Qt::TextAlignmentRole).toInt());
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (align & Qt::AlignRight) horizontal = Qt::AlignRight;
    else if (align & Qt::AlignHCenter) horizontal = Qt::AlignHCenter;
    painter->drawText(textRect, horizontal | Qt::AlignVCenter | Qt::TextSingleLine,
                      fontMetrics().elidedText(text, Qt::ElideRight, std::max(0, textRect.width())));
  }

  if (hasFocus() && currentIndex().isValid() && currentIndex().row() == row) {
    painter->setClipping(false);
    // A dotted rectangle on the highlight's border, as the platform's focus rectangle.
    QPen pen(highlighted ? highlightText : plainText, 1, Qt::CustomDashLine);
    pen.setDashPattern({1.0, 1.0});
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(hl.adjusted(0, 0, -1, -1));
  }
  painter->restore();
}

void CJorunListCtrl::focusInEvent(QFocusEvent* event) {
  QTreeWidget::focusInEvent(event);
  viewport()->update();
}

void CJorunListCtrl::focusOutEvent(QFocusEvent* event) {
  QTreeWidget::focusOutEvent(event);
  viewport()->update();
}
