#include "controls/FlatHeaderCtrl.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QRegion>
#include <QStyle>
#include <QToolTip>

#include <algorithm>
#include <cstdint>

namespace {

constexpr Qt::WindowFlags kFloatingFlags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                           Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput;

void DrawRaisedEdge(QPainter* painter, const QRect& r, const QPalette& pal) {
  painter->setPen(pal.color(QPalette::Light));
  painter->drawLine(r.topLeft(), r.topRight());
  painter->drawLine(r.topLeft(), r.bottomLeft());
  painter->setPen(pal.color(QPalette::Dark));
  painter->drawLine(r.bottomLeft(), r.bottomRight());
  painter->drawLine(r.topRight(), r.bottomRight());
}

}  // namespace

// Floating image of the dragged item.
class CFHDragWnd : public QWidget {
 public:
  CFHDragWnd(CFlatHeaderCtrl* header, int item)
      : QWidget(header, kFloatingFlags), m_pHeader(header), m_iItem(item) {
    setAttribute(Qt::WA_ShowWithoutActivating);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    DrawRaisedEdge(&painter, rect(), palette());
    const int margin = m_pHeader->GetItemMargin();
    m_pHeader->DrawHeaderItem(&painter, rect().adjusted(margin, 0, -margin, 0), m_iItem,
                              m_iItem == m_pHeader->GetSortColumn(), m_pHeader->GetSortAscending());
  }

 private:
  CFlatHeaderCtrl* m_pHeader;
  int m_iItem;
};

// Drop marker: an arrow pointing down above the header and one pointing up below it.
class CFHDropWnd : public QWidget {
 public:
  CFHDropWnd(QWidget* owner, const QColor& colour, int headerHeight)
      : QWidget(owner, kFloatingFlags), m_colour(colour) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    const int h = headerHeight + 20;
    resize(12, h);
    const QPolygon down({{8, 0}, {8, 4}, {11, 4}, {6, 9}, {1, 4}, {4, 4}, {4, 0}});
    const QPolygon up({{4, h}, {4, h - 4}, {0, h - 4}, {6, h - 10}, {12, h - 4}, {8, h - 4}, {8, h}});
    setMask(QRegion(down).united(QRegion(up)));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), m_colour);
  }

 private:
  QColor m_colour;
};

CFlatHeaderCtrl::CFlatHeaderCtrl(Qt::Orientation orientation, QWidget* parent) : QHeaderView(orientation, parent) {
  setSectionsClickable(true);
  setHighlightSections(false);
  setMouseTracking(true);
  viewport()->setMouseTracking(true);
}

CFlatHeaderCtrl::~CFlatHeaderCtrl() = default;

void CFlatHeaderCtrl::setModel(QAbstractItemModel* newModel) {
  for (const QMetaObject::Connection& c : m_modelConnections) disconnect(c);
  m_modelConnections.clear();
  QHeaderView::setModel(newModel);
  m_extras.clear();
  if (newModel) {
    if (orientation() == Qt::Horizontal) {
      m_modelConnections << connect(newModel, &QAbstractItemModel::columnsInserted, this,
                                    &CFlatHeaderCtrl::OnColumnsInserted)
                         << connect(newModel, &QAbstractItemModel::columnsAboutToBeRemoved, this,
                                    &CFlatHeaderCtrl::OnColumnsAboutToBeRemoved);
    } else {
      m_modelConnections << connect(newModel, &QAbstractItemModel::rowsInserted, this,
                                    &CFlatHeaderCtrl::OnColumnsInserted)
                         << connect(newModel, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                                    &CFlatHeaderCtrl::OnColumnsAboutToBeRemoved);
    }
    m_modelConnections << connect(newModel, &QAbstractItemModel::modelReset, this, [this] { m_extras.clear(); });
  }
  SyncExtras();
}

void CFlatHeaderCtrl::OnColumnsInserted(const QModelIndex& parent, int first, int last) {
  if (parent.isValid()) return;
  const std::size_t at = std::min<std::size_t>(std::size_t(std::max(0, first)), m_extras.size());
  m_extras.insert(m_extras.begin() + std::ptrdiff_t(at), std::size_t(last - first + 1), HDITEMEX{});
}

void CFlatHeaderCtrl::OnColumnsAboutToBeRemoved(const QModelIndex& parent, int first, int last) {
  if (parent.isValid() || first < 0) return;
  const std::size_t from = std::min<std::size_t>(std::size_t(first), m_extras.size());
  const std::size_t to = std::min<std::size_t>(std::size_t(last) + 1, m_extras.size());
  m_extras.erase(m_extras.begin() + std::ptrdiff_t(from), m_extras.begin() + std::ptrdiff_t(to));
}

void CFlatHeaderCtrl::SyncExtras() const {
  const int n = count();
  if (n >= 0 && m_extras.size() != std::size_t(n)) m_extras.resize(std::size_t(n));
}

bool CFlatHeaderCtrl::GetItemEx(int item, HDITEMEX& extra) const {
  SyncExtras();
  if (item < 0 || item >= int(m_extras.size())) return false;
  extra = m_extras[std::size_t(item)];
  if (extra.nStyle & HDF_EX_FIXEDWIDTH) extra.iMinWidth = extra.iMaxWidth = sectionSize(item);
  return true;
}

bool CFlatHeaderCtrl::SetItemEx(int item, const HDITEMEX& extra) {
  SyncExtras();
  if (item < 0 || item >= int(m_extras.size())) return false;
  int width = sectionSize(item);
  if (extra.nStyle & HDF_EX_AUTOWIDTH) width = MeasureItem(item, extra.nStyle & HDF_EX_INCLUDESORT);
  if (!(extra.nStyle & HDF_EX_FIXEDWIDTH)) {
    width = std::max(width, extra.iMinWidth);
    if (extra.iMaxWidth >= 1) width = std::min(width, extra.iMaxWidth);
  }
  m_extras[std::size_t(item)] = extra;
  if (width != sectionSize(item)) resizeSection(item, width);
  return true;
}

bool CFlatHeaderCtrl::IsFixed(int item) const {
  SyncExtras();
  return item >= 0 && item < int(m_extras.size()) && (m_extras[std::size_t(item)].nStyle & HDF_EX_FIXEDWIDTH);
}

int CFlatHeaderCtrl::MinWidth(int item) const {
  if (IsFixed(item)) return sectionSize(item);
  return std::max(0, m_extras[std::size_t(item)].iMinWidth);
}

int CFlatHeaderCtrl::MaxWidth(int item) const {
  if (IsFixed(item)) return sectionSize(item);
  const int max = m_extras[std::size_t(item)].iMaxWidth;
  return max <= 0 ? kUnlimitedWidth : max;
}

int CFlatHeaderCtrl::MeasureItem(int item, bool includeSort) const {
  int width = m_iMargin;
  if (!model()) return width;
  const QIcon icon = qvariant_cast<QIcon>(model()->headerData(item, orientation(), Qt::DecorationRole));
  if (!icon.isNull()) width += iconSize().width() + m_iMargin;
  if (includeSort) width += m_sortArrow.width() + m_iMargin;
  const QString text = model()->headerData(item, orientation(), Qt::DisplayRole).toString();
  if (!text.isEmpty()) width += fontMetrics().horizontalAdvance(text) + m_iMargin;
  return width;
}

QSize CFlatHeaderCtrl::sectionSizeFromContents(int logicalIndex) const {
  QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
  size.setWidth(MeasureItem(logicalIndex, logicalIndex == m_iSortColumn));
  return size;
}

void CFlatHeaderCtrl::SetSortColumn(int column, bool ascending) {
  m_iSortColumn = column;
  m_bSortAscending = ascending;
  viewport()->update();
}

void CFlatHeaderCtrl::SetFitMode(bool on) {
  m_bResizeFit = on;
  if (on) ResizeColumnsToFit(-1);
}

void CFlatHeaderCtrl::ResizeColumnsToFit(int item) {
  SyncExtras();
  std::vector<int> visible;  // logical items in display order
  for (int v = 0; v < count(); ++v) {
    const int l = logicalIndex(v);
    if (!isSectionHidden(l)) visible.push_back(l);
  }
  if (visible.empty()) return;
  std::vector<int> following;
  int right = 0;  // right edge of the resized item
  const bool all = item < 0 || item >= count() || isSectionHidden(item) || item == visible.back();
  if (all) {
    following = visible;
  } else {
    const int at = visualIndex(item);
    for (int l : visible)
      if (visualIndex(l) > at) following.push_back(l);
    right = sectionPosition(item) + sectionSize(item);
  }
  std::int64_t sumMin = 0, sumWidth = 0;
  for (int l : following) {
    sumMin += MinWidth(l);
    sumWidth += sectionSize(l);
  }
  const std::int64_t available = std::max<std::int64_t>(std::int64_t(FitWidth()) - right, sumMin);
  const std::int64_t divisor = std::max<std::int64_t>(sumWidth, 1);
  std::vector<int> widths;
  std::int64_t total = 0;
  for (int l : following) {
    const std::int64_t w = std::int64_t(sectionSize(l)) * available / divisor;
    widths.push_back(int(std::clamp<std::int64_t>(w, MinWidth(l), std::max(MinWidth(l), MaxWidth(l)))));
    total += widths.back();
  }
  // The rounding remainder, a pixel at a time, to the columns whose limits allow it.
  std::int64_t remainder = available - total;
  while (remainder != 0) {
    bool moved = false;
    for (std::size_t i = 0; i < following.size() && remainder != 0; ++i) {
      const int l = following[i];
      if (remainder > 0 && widths[i] < MaxWidth(l)) {
        ++widths[i];
        --remainder;
        moved = true;
      } else if (remainder < 0 && widths[i] > MinWidth(l)) {
        --widths[i];
        ++remainder;
        moved = true;
      }
    }
    if (!moved) break;
  }
  m_bFitting = true;
  for (std::size_t i = 0; i < following.size(); ++i)
    if (sectionSize(following[i]) != widths[i]) resizeSection(following[i], widths[i]);
  m_bFitting = false;
}

QRect CFlatHeaderCtrl::ItemRect(int item) const {
  if (orientation() == Qt::Horizontal) return QRect(sectionViewportPosition(item), 0, sectionSize(item), height());
  return QRect(0, sectionViewportPosition(item), width(), sectionSize(item));
}

int CFlatHeaderCtrl::DividerAt(int x) const {
  const int margin = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
  auto previousVisible = [this](int visual) {
    for (int v = visual - 1; v >= 0; --v)
      if (!isSectionHidden(logicalIndex(v))) return logicalIndex(v);
    return -1;
  };
  const int visual = visualIndexAt(x);
  if (visual < 0) {
    const int last = previousVisible(count());
    if (last < 0) return -1;
    const int edge = sectionViewportPosition(last) + sectionSize(last);
    return (x >= edge && x < edge + margin) ? last : -1;
  }
  const int l = logicalIndex(visual);
  const int left = sectionViewportPosition(l);
  const int size = sectionSize(l);
  if (x - left < margin) return previousVisible(visual);
  if (left + size - x <= margin) return l;
  return -1;
}

bool CFlatHeaderCtrl::UserResizable(int item) const {
  return item >= 0 && !IsFixed(item) && sectionResizeMode(item) == QHeaderView::Interactive;
}

void CFlatHeaderCtrl::UpdateCursor(const QPoint& pos) {
  const int divider = DividerAt(Pos(pos));
  if (UserResizable(divider))
    viewport()->setCursor(orientation() == Qt::Horizontal ? Qt::SplitHCursor : Qt::SplitVCursor);
  else
    viewport()->unsetCursor();
}

int CFlatHeaderCtrl::ResizeLimitLow() const {
  const int item = m_iHotItem;
  int low = MinWidth(item);
  if (m_bResizeFit) {
    std::int64_t sumMax = 0;
    for (int v = visualIndex(item) + 1; v < count(); ++v)
      if (!isSectionHidden(logicalIndex(v))) sumMax += MaxWidth(logicalIndex(v));
    const std::int64_t fit = std::int64_t(FitWidth()) - sectionPosition(item) - sumMax;
    if (fit <= MaxWidth(item)) low = int(std::max<std::int64_t>(low, fit));
  }
  return low;
}

int CFlatHeaderCtrl::ResizeLimitHigh() const {
  const int item = m_iHotItem;
  int high = MaxWidth(item);
  if (m_bResizeFit) {
    std::int64_t sumMin = 0;
    bool any = false;
    for (int v = visualIndex(item) + 1; v < count(); ++v)
      if (!isSectionHidden(logicalIndex(v))) {
        sumMin += MinWidth(logicalIndex(v));
        any = true;
      }
    const std::int64_t fit = std::int64_t(FitWidth()) - sectionPosition(item) - sumMin;
    if (any && fit >= MinWidth(item)) high = int(std::min<std::int64_t>(high, fit));
  }
  return std::max(high, ResizeLimitLow());
}

void CFlatHeaderCtrl::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || m_bDragging || m_bResizing) return;
  const QPoint pos = event->position().toPoint();
  const int divider = DividerAt(Pos(pos));
  if (divider >= 0) {
    if (!UserResizable(divider)) return;
    m_bResizing = true;
    m_iHotItem = divider;
    m_pressPos = pos;
    m_iPressSize = sectionSize(divider);
    return;
  }
  const int item = logicalIndexAt(pos);
  if (item < 0) return;
  m_bPressed = true;
  m_iHotItem = item;
  m_pressPos = pos;
  emit sectionPressed(item);
  viewport()->update();
}

void CFlatHeaderCtrl::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (m_bResizing) {
    const int width = m_iPressSize + Pos(pos) - Pos(m_pressPos);
    resizeSection(m_iHotItem, std::clamp(width, ResizeLimitLow(), ResizeLimitHigh()));
    return;
  }
  if (m_bDragging) {
    DragMove(pos, event->globalPosition().toPoint());
    return;
  }
  if (m_bPressed && !m_bDragRefused && (event->buttons() & Qt::LeftButton)) {
    const QPoint moved = pos - m_pressPos;
    const bool far = std::abs(moved.x()) > QApplication::startDragDistance() ||
                     std::abs(moved.y()) > QApplication::startDragDistance();
    if (far && sectionsMovable()) {
      if (OnBeginDrag(m_iHotItem)) {
        m_bDragRefused = true;
        return;
      }
      m_bDragging = true;
      m_iDropPos = -1;
      m_iDropState = DropElsewhere;
      m_pDragWnd = new CFHDragWnd(this, m_iHotItem);
      m_pDragWnd->resize(ItemRect(m_iHotItem).size());
      m_pDragWnd->show();
      emit dragStarted(m_iHotItem);
      DragMove(pos, event->globalPosition().toPoint());
      viewport()->update();
    }
    return;
  }
  if (!(event->buttons() & Qt::LeftButton)) UpdateCursor(pos);
}

void CFlatHeaderCtrl::DragMove(const QPoint& pos, const QPoint& globalPos) {
  if (m_pDragWnd) m_pDragWnd->move(globalPos - QPoint(m_pDragWnd->width() / 2, m_pDragWnd->height() / 2));
  SyncExtras();
  int drop = -1;
  const int item = rect().contains(pos) ? logicalIndexAt(pos) : -1;
  const bool persistent = m_iHotItem >= 0 && std::size_t(m_iHotItem) < m_extras.size() &&
                          (m_extras[std::size_t(m_iHotItem)].nStyle & HDF_EX_PERSISTENT);
  QRect target;
  if (m_pDragOffTarget && m_pDragOffTarget->isVisible())
    target = QRect(m_pDragOffTarget->mapToGlobal(QPoint(0, 0)), m_pDragOffTarget->size());
  if (item >= 0) {
    const QRect r = ItemRect(item);
    drop = visualIndex(item) + (Pos(pos) > Pos(r.center()) ? 1 : 0);
    m_iDropState = DropOnItem;
    viewport()->setCursor(Qt::ArrowCursor);
  } else if (persistent) {
    m_iDropState = DropRefused;
    viewport()->setCursor(Qt::ForbiddenCursor);
  } else if (target.contains(globalPos)) {
    m_iDropState = DropOnTarget;
    viewport()->setCursor(Qt::ArrowCursor);
  } else {
    m_iDropState = DropElsewhere;
    viewport()->setCursor(m_dragOffCursor);
  }
  const int own = visualIndex(m_iHotItem);
  if (drop == own || drop == own + 1) drop = -1;
  if (drop != m_iDropPos) {
    m_iDropPos = drop;
    SetHotDivider(drop);
  }
}

void CFlatHeaderCtrl::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (m_bResizing) {
    EndResize();
    return;
  }
  if (m_bDragging) {
    EndDrag(true);
    return;
  }
  if (m_bDragRefused) {
    // The owner refused the drag; it still hears that the button came up.
    const int item = m_iHotItem;
    m_bDragRefused = false;
    m_bPressed = false;
    OnEndDrag(item, -1, DropElsewhere);
    emit dragFinished(item, -1, DropElsewhere);
    viewport()->update();
    return;
  }
  if (m_bPressed) {
    m_bPressed = false;
    const int item = logicalIndexAt(event->position().toPoint());
    viewport()->update();
    if (item >= 0 && item == m_iHotItem) emit sectionClicked(item);
  }
}

void CFlatHeaderCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  const int divider = DividerAt(Pos(event->position().toPoint()));
  if (divider >= 0 && !UserResizable(divider)) return;  // a fixed item keeps its width
  if (divider >= 0) {
    emit sectionHandleDoubleClicked(divider);
    return;
  }
  const int item = logicalIndexAt(event->position().toPoint());
  if (item >= 0) emit sectionDoubleClicked(item);
}

void CFlatHeaderCtrl::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && (m_bDragging || m_bResizing || m_bDragRefused)) {
    CancelDrag();
    return;
  }
  QHeaderView::keyPressEvent(event);
}

void CFlatHeaderCtrl::EndResize() {
  m_bResizing = false;
  if (m_bResizeFit) ResizeColumnsToFit(m_iHotItem);
}

void CFlatHeaderCtrl::EndDrag(bool drop) {
  const int item = m_iHotItem;
  const int pos = drop ? m_iDropPos : -1;
  const int state = m_iDropState;
  delete m_pDragWnd;
  m_pDragWnd = nullptr;
  SetHotDivider(-1);
  m_bDragging = false;
  m_bPressed = false;
  m_iDropPos = -1;
  viewport()->unsetCursor();
  if (drop) {
    const bool keep = OnEndDrag(item, pos, state);
    if (!keep && pos >= 0) {
      const int from = visualIndex(item);
      moveSection(from, pos > from ? pos - 1 : pos);
    }
  }
  emit dragFinished(item, pos, state);
  viewport()->update();
}

void CFlatHeaderCtrl::CancelDrag() {
  if (m_bDragging) EndDrag(false);
  m_bResizing = false;
  m_bDragRefused = false;
  m_bPressed = false;
  viewport()->update();
}

bool CFlatHeaderCtrl::OnBeginDrag(int item) { return m_beginDrag ? m_beginDrag(item) : false; }

bool CFlatHeaderCtrl::OnEndDrag(int item, int dropPosition, int dropState) {
  return m_endDrag ? m_endDrag(item, dropPosition, dropState) : false;
}

QWidget* CFlatHeaderCtrl::DropMarker() const { return m_pDropWnd; }
QWidget* CFlatHeaderCtrl::DragImage() const { return m_pDragWnd; }

int CFlatHeaderCtrl::SetHotDivider(const QPoint& point) {
  const int item = rect().contains(point) ? logicalIndexAt(point) : -1;
  int pos = -1;
  if (item >= 0) pos = visualIndex(item) + (Pos(point) > Pos(ItemRect(item).center()) ? 1 : 0);
  return SetHotDivider(pos);
}

int CFlatHeaderCtrl::SetHotDivider(int pos) {
  if (pos < 0 || pos > count()) {
    delete m_pDropWnd;
    m_pDropWnd = nullptr;
    return pos;
  }
  if (!m_pDropWnd) m_pDropWnd = new CFHDropWnd(this, m_crDropMarker, height());
  int x = 0;
  if (pos < count()) {
    x = sectionViewportPosition(logicalIndex(pos));
  } else {
    for (int v = count() - 1; v >= 0; --v)
      if (!isSectionHidden(logicalIndex(v))) {
        x = sectionViewportPosition(logicalIndex(v)) + sectionSize(logicalIndex(v));
        break;
      }
  }
  const QPoint at = mapToGlobal(QPoint(x - m_pDropWnd->width() / 2, (height() - m_pDropWnd->height()) / 2));
  m_pDropWnd->move(at);
  m_pDropWnd->show();
  return pos;
}

void CFlatHeaderCtrl::resizeEvent(QResizeEvent* event) {
  QHeaderView::resizeEvent(event);
  if (m_bResizeFit && !m_bResizing && !m_bFitting) ResizeColumnsToFit(-1);
}

bool CFlatHeaderCtrl::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const int item = logicalIndexAt(help->pos());
    SyncExtras();
    if (item >= 0 && std::size_t(item) < m_extras.size() && !m_extras[std::size_t(item)].strToolTip.isEmpty()) {
      QToolTip::showText(help->globalPos(), m_extras[std::size_t(item)].strToolTip, viewport(), ItemRect(item));
      return true;
    }
  }
  return QHeaderView::viewportEvent(event);
}

void CFlatHeaderCtrl::DrawHeaderItem(QPainter* painter, const QRect& rect, int item, bool isSortColumn,
                                     bool ascending) const {
  if (!model() || rect.width() <= 0) return;
  const QPalette& pal = palette();
  const QString text = model()->headerData(item, orientation(), Qt::DisplayRole).toString();
  const QIcon icon = qvariant_cast<QIcon>(model()->headerData(item, orientation(), Qt::DecorationRole));
  const Qt::Alignment align =
      Qt::Alignment(model()->headerData(item, orientation(), Qt::TextAlignmentRole).toInt()) & Qt::AlignHorizontal_Mask;
  const QFontMetrics fm = fontMetrics();
  const int iconWidth = icon.isNull() ? 0 : iconSize().width();
  const int arrowWidth = isSortColumn ? m_sortArrow.width() : 0;
  if (iconWidth > 0 && rect.width() < iconWidth) return;  // no room for the wanted image: nothing at all
  const int textWidth = text.isEmpty() ? 0 : fm.horizontalAdvance(text);
  const int need = (iconWidth ? iconWidth + m_iMargin : 0) + textWidth + (arrowWidth ? m_iMargin + arrowWidth : 0);
  const int end = rect.left() + rect.width();
  int x = rect.left();
  if (align & Qt::AlignRight) x = std::max(rect.left(), end - need);
  else if (align & Qt::AlignHCenter) x = std::max(rect.left(), rect.left() + (rect.width() - need) / 2);

  painter->save();
  painter->setClipRect(rect);
  if (iconWidth) {
    const int h = std::min(iconSize().height(), rect.height());
    icon.paint(painter, QRect(x, rect.top() + (rect.height() - h) / 2, iconWidth, h));
    x += iconWidth + m_iMargin;
  }
  const int textRoom = std::max(0, end - x - (arrowWidth ? arrowWidth + m_iMargin : 0));
  if (!text.isEmpty()) {
    painter->setFont(font());
    painter->setPen(pal.color(QPalette::ButtonText));
    painter->drawText(QRect(x, rect.top(), textRoom, rect.height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      fm.elidedText(text, Qt::ElideRight, textRoom));
    x += std::min(textWidth, textRoom) + m_iMargin;
  }
  if (arrowWidth) {
    x = std::min(x, end - arrowWidth);
    const int h = m_sortArrow.height();
    const int top = rect.top() + (rect.height() - h) / 2;
    const QPoint left(x, ascending ? top + h - 1 : top);
    const QPoint right(x + arrowWidth - 1, ascending ? top + h - 1 : top);
    const QPoint tip(x + arrowWidth / 2, ascending ? top : top + h - 1);
    painter->setPen(pal.color(QPalette::Light));
    painter->drawLine(tip, right);
    if (ascending) painter->drawLine(left, right);
    painter->setPen(pal.color(QPalette::Dark));
    painter->drawLine(left, tip);
    if (!ascending) painter->drawLine(left, right);
  }
  painter->restore();
}

void CFlatHeaderCtrl::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QPalette& pal = palette();
  painter.fillRect(viewport()->rect(), pal.color(QPalette::Button));
  std::vector<int> visible;
  for (int v = 0; v < count(); ++v)
    if (!isSectionHidden(logicalIndex(v))) visible.push_back(logicalIndex(v));
  for (std::size_t i = 0; i < visible.size(); ++i) {
    const int item = visible[i];
    const QRect r = ItemRect(item);
    if (r.intersects(event->rect())) {
      DrawHeaderItem(&painter, r.adjusted(m_iMargin, 0, -m_iMargin, 0), item, item == m_iSortColumn, m_bSortAscending);
      if (m_bPressed && !m_bDragging && item == m_iHotItem) {
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        painter.fillRect(r, Qt::white);
        painter.restore();
      }
    }
    if (i + 1 < visible.size() && orientation() == Qt::Horizontal) {
      const int x = r.left() + r.width();
      painter.setPen(pal.color(QPalette::Dark));
      painter.drawLine(x - 1, r.top() + 2, x - 1, r.bottom() - 2);
      painter.setPen(pal.color(QPalette::Light));
      painter.drawLine(x, r.top() + 2, x, r.bottom() - 2);
    }
  }
  const QRect all = orientation() == Qt::Horizontal ? QRect(-offset(), 0, length(), height())
                                                    : QRect(0, -offset(), width(), length());
  if (all.width() > 0 && all.height() > 0) DrawRaisedEdge(&painter, all, pal);
}
