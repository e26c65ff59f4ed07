// Report control: construction, columns, rows, the callback cache, selection and notifications.
#include "controls/ReportCtrl.h"

#include <QApplication>
#include <QScrollBar>

#include <algorithm>
#include <stdexcept>

#include "controls/ReportParts.h"

// ---- row ranges ----

bool ReportRowRanges::Contains(int row) const {
  auto it = ranges_.upper_bound(row);
  if (it == ranges_.begin()) return false;
  --it;
  return row <= it->second;
}

void ReportRowRanges::Add(int first, int last) {
  if (first > last) std::swap(first, last);
  // Merge with every range that overlaps or touches [first, last].
  auto it = ranges_.upper_bound(first);
  if (it != ranges_.begin()) {
    auto prev = std::prev(it);
    if (prev->second >= first - 1 || (first == INT32_MIN)) it = prev;
  }
  while (it != ranges_.end() && (last == INT32_MAX || it->first <= last + 1)) {
    first = std::min(first, it->first);
    last = std::max(last, it->second);
    it = ranges_.erase(it);
  }
  ranges_[first] = last;
}

void ReportRowRanges::Remove(int first, int last) {
  if (first > last) std::swap(first, last);
  auto it = ranges_.upper_bound(first);
  if (it != ranges_.begin()) --it;
  while (it != ranges_.end() && it->first <= last) {
    const int a = it->first;
    const int b = it->second;
    if (b < first) {
      ++it;
      continue;
    }
    it = ranges_.erase(it);
    if (a < first) ranges_[a] = first - 1;
    if (b > last) {
      ranges_[last + 1] = b;
      break;
    }
  }
}

std::int64_t ReportRowRanges::Count() const {
  std::int64_t n = 0;
  for (const auto& [a, b] : ranges_) n += std::int64_t{b} - a + 1;
  return n;
}

std::vector<std::pair<int, int>> ReportRowRanges::Ranges() const { return {ranges_.begin(), ranges_.end()}; }

// ---- construction ----

CReportCtrl::CReportCtrl(QWidget* parent, std::uint32_t style, int id) : QAbstractScrollArea(parent), id_(id) {
  setObjectName(QStringLiteral("QOR_ReportCtrl"));
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  viewport()->setAutoFillBackground(false);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

  columns_ = new ReportColumnsModel(this);
  header_ = new CReportHeaderCtrl(this);
  header_->setModel(columns_);
  connect(header_, &QHeaderView::sectionClicked, this, &CReportCtrl::OnHeaderClicked);
  connect(header_, &QHeaderView::sectionResized, this, &CReportCtrl::OnHeaderResized);
  connect(header_, &QHeaderView::sectionHandleDoubleClicked, this, &CReportCtrl::OnHeaderDividerDoubleClicked);
  connect(header_, &QHeaderView::sectionMoved, this, [this] {
    RebuildShown();
    viewport()->update();
  });
  connect(header_, &CFlatHeaderCtrl::dragStarted, this, [this] { EndEdit(true); });
  connect(header_, &CFlatHeaderCtrl::dragFinished, this, &CReportCtrl::OnHeaderDragFinished);
  tip_ = new CReportTipCtrl(this);

  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { OnScrolled(); });
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { OnScrolled(); });

  font_ = parent ? parent->font() : QApplication::font();
  ModifyStyle(0, style);
  ApplyFont();
  GetSysColors();
}

CReportCtrl::~CReportCtrl() {
  if (edit_) {
    if (auto* e = qobject_cast<CReportEditCtrl*>(edit_.data())) e->SetEnded();
  }
}

void CReportCtrl::ModifyStyle(std::uint32_t remove, std::uint32_t add) {
  const std::uint32_t before = style_;
  style_ = (style_ & ~remove) | add;
  setFrameStyle(style_ & RVS_WS_BORDER ? (QFrame::StyledPanel | QFrame::Sunken) : QFrame::NoFrame);
  setEnabled(!(style_ & RVS_WS_DISABLED));
  if (style_ & RVS_SINGLESELECT && !(before & RVS_SINGLESELECT) && selection_.Count() > 1) {
    const int keep = focus_ >= 0 && selection_.Contains(focus_) ? focus_ : selection_.Ranges().front().first;
    selection_.Clear();
    selection_.Add(keep, keep);
  }
  if (!(before & RVS_SHOWEDITROW) && (style_ & RVS_SHOWEDITROW) && focus_ == -2) focus_ = -1;
  if ((before & RVS_SHOWEDITROW) && !(style_ & RVS_SHOWEDITROW) && focus_ == -1) focus_ = -2;
  if ((before ^ style_) & (RVS_SHOWHGRID | RVS_NOHEADER | RVS_SHOWEDITROW)) ApplyFont();
  viewport()->update();
}

void CReportCtrl::SetEmptyListText(const QString& text) {
  emptyText_ = text;
  viewport()->update();
}

void CReportCtrl::ApplyFont() {
  boldFont_ = font_;
  boldFont_.setWeight(QFont::Bold);
  setFont(font_);
  header_->setFont(font_);
  const QFontMetrics fm(font_);
  rowHeight_ = fm.height() + fm.leading() + 2 + (style_ & RVS_SHOWHGRID ? 1 : 0);
  if (imageSize_.height() > 0) rowHeight_ = std::max(rowHeight_, imageSize_.height() + 1);
  checkSize_ = QSize(rowHeight_ - 2, rowHeight_ - 2);
  Layout();
}

// Palette roles stand in for the system colours, in the control's order.
void CReportCtrl::GetSysColors() {
  const QPalette& p = palette();
  sysColors_ = {p.color(QPalette::Active, QPalette::Base),
                p.color(QPalette::Active, QPalette::Highlight),
                p.color(QPalette::Active, QPalette::Button),
                p.color(QPalette::Active, QPalette::Text),
                p.color(QPalette::Active, QPalette::HighlightedText),
                p.color(QPalette::Active, QPalette::Text),
                p.color(QPalette::Active, QPalette::Button),
                p.color(QPalette::Active, QPalette::Button),
                p.color(QPalette::Active, QPalette::Midlight),
                p.color(QPalette::Active, QPalette::Dark),
                p.color(QPalette::Active, QPalette::Light),
                p.color(QPalette::Active, QPalette::Shadow)};
}

int CReportCtrl::GetWheelScrollLines() const { return QApplication::wheelScrollLines(); }

void CReportCtrl::changeEvent(QEvent* event) {
  if (event->type() == QEvent::PaletteChange) {
    GetSysColors();
    viewport()->update();
  } else if (event->type() == QEvent::FontChange && font() != font_) {
    font_ = font();
    ApplyFont();
  }
  QAbstractScrollArea::changeEvent(event);
}

// ---- layout and scrolling ----

int CReportCtrl::RowsTop() const {
  if (!(style_ & RVS_SHOWEDITROW)) return 0;
  return rowHeight_ + 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) + 4;
}

void CReportCtrl::Layout() {
  if (!header_) return;
  const int headerHeight = style_ & RVS_NOHEADER ? 0 : header_->sizeHint().height();
  setViewportMargins(0, headerHeight, 0, 0);
  const QRect vp = viewport()->geometry();
  header_->setGeometry(vp.left(), vp.top() - headerHeight, vp.width(), headerHeight);
  header_->setVisible(headerHeight > 0);
  UpdateScrollBars();
}

int CReportCtrl::VisibleRowCount() const {
  const int h = viewport()->height() - RowsTop();
  return std::max(1, h / std::max(1, rowHeight_));
}

int CReportCtrl::GetTopRow() const { return verticalScrollBar()->value(); }
int CReportCtrl::GetScrollPosX() const { return horizontalScrollBar()->value(); }

int CReportCtrl::LastVisibleRow() const {
  return std::min(GetItemCount() - 1, GetTopRow() + VisibleRowCount() - 1);
}

void CReportCtrl::UpdateScrollBars() {
  const int rows = VisibleRowCount();
  QScrollBar* v = verticalScrollBar();
  v->setPageStep(rows);
  v->setSingleStep(1);
  v->setRange(0, std::max(0, GetItemCount() - rows));
  QScrollBar* h = horizontalScrollBar();
  const int width = viewport()->width();
  h->setPageStep(std::max(1, width));
  h->setSingleStep(std::max(1, width / 8));
  h->setRange(0, std::max(0, GetTotalWidth() - width));
  if (!hScrollAllowed_) setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void CReportCtrl::OnScrolled() {
  EndEdit(true);
  tip_->Hide();
  header_->setOffset(GetScrollPosX());
  viewport()->update();
}

void CReportCtrl::scrollContentsBy(int, int) { viewport()->update(); }

void CReportCtrl::resizeEvent(QResizeEvent* event) {
  EndEdit(true);
  QAbstractScrollArea::resizeEvent(event);
  Layout();
}

void CReportCtrl::ScrollRows(int delta) { ScrollTo(GetTopRow() + delta); }
void CReportCtrl::ScrollTo(int top) { verticalScrollBar()->setValue(top); }

void CReportCtrl::EnsureVisible(int row, int subItem) {
  if (row >= 0) {
    const int top = GetTopRow();
    const int rows = VisibleRowCount();
    if (row < top)
      ScrollTo(row);
    else if (row >= top + rows)
      ScrollTo(row - rows + 1);
  }
  if (subItem >= 0) {
    int x = 0;
    for (int s : shown_) {
      const int w = subItems_[std::size_t(s)].iWidth;
      if (s == subItem) {
        QScrollBar* h = horizontalScrollBar();
        if (x < h->value())
          h->setValue(x);
        else if (x + w > h->value() + viewport()->width())
          h->setValue(x + w - viewport()->width());
        break;
      }
      x += w;
    }
  }
}

QRect CReportCtrl::RowRect(int row) const {
  const int width = std::max(viewport()->width(), GetTotalWidth() - GetScrollPosX());
  if (row == -1) {
    const int frame = (RowsTop() - rowHeight_) / 2;
    return QRect(0, frame, width, rowHeight_);
  }
  return QRect(0, RowsTop() + (row - GetTopRow()) * rowHeight_, width, rowHeight_);
}

QRect CReportCtrl::CellRect(int row, int subItem) const {
  const QRect r = RowRect(row);
  int x = -GetScrollPosX();
  for (int s : shown_) {
    const int w = subItems_[std::size_t(s)].iWidth;
    if (s == subItem) return QRect(x, r.top(), w, r.height());
    x += w;
  }
  return {};
}

int CReportCtrl::GetTotalWidth() const {
  int total = 0;
  for (int s : shown_) total += subItems_[std::size_t(s)].iWidth;
  return total;
}

// ---- columns ----

int CReportCtrl::DefineSubItem(int index, const RVSUBITEM& subItem) {
  index = std::clamp(index, 0, int(subItems_.size()));
  RVSUBITEM s = subItem;
  if (s.iWidth < 0) s.iWidth = defaultWidth_;
  if (!(s.nFormat & RVCF_IMAGE)) s.iImage = 0;
  subItems_.insert(subItems_.begin() + index, s);
  for (auto& c : columns_->Columns())
    if (c.subItem >= index) ++c.subItem;
  auto insertCell = [index](RVITEMDATA& row) {
    if (std::size_t(index) <= row.cells.size()) row.cells.insert(row.cells.begin() + index, RVCELL{});
    if (std::size_t(index) <= row.fetched.size()) row.fetched.insert(row.fetched.begin() + index, false);
  };
  insertCell(template_);
  if (!IsCallback())
    for (auto& row : rows_) insertCell(row);
  for (auto& slot : cache_) insertCell(slot.item);
  insertCell(cacheTemplate_.item);
  if (focusCell_ >= index) ++focusCell_;
  if (sortSubItem_ >= index) ++sortSubItem_;
  RebuildShown();
  viewport()->update();
  return index;
}

bool CReportCtrl::GetSubItem(int index, RVSUBITEM& subItem) const {
  if (index < 0 || index >= int(subItems_.size())) return false;
  subItem = subItems_[std::size_t(index)];
  return true;
}

int CReportCtrl::HeaderItemOfSubItem(int subItem) const {
  const auto& cols = columns_->Columns();
  for (std::size_t i = 0; i < cols.size(); ++i)
    if (cols[i].subItem == subItem) return int(i);
  return -1;
}

int CReportCtrl::SubItemOfHeaderItem(int headerItem) const {
  const auto& cols = columns_->Columns();
  return headerItem >= 0 && std::size_t(headerItem) < cols.size() ? cols[std::size_t(headerItem)].subItem : -1;
}

bool CReportCtrl::IsSubItemShown(int subItem) const { return HeaderItemOfSubItem(subItem) >= 0; }

int CReportCtrl::ShowSubItem(int subItem, int position) {
  if (subItem < 0 || subItem >= int(subItems_.size()) || IsSubItemShown(subItem)) return -1;
  const RVSUBITEM& s = subItems_[std::size_t(subItem)];
  const int item = int(columns_->Columns().size());
  settingWidth_ = true;
  columns_->Insert(item, {subItem, s.nFormat & 0xFFFF, s.nFormat & RVCF_TEXT ? s.strText : QString()});
  header_->resizeSection(item, s.iWidth);
  const int count = header_->count();
  if (position < 0 || position >= count) position = count - 1;
  header_->moveSection(header_->visualIndex(item), position);
  HDITEMEX extra;
  extra.nStyle = int((s.nFormat & RVCF_EX_MASK) >> 16);
  extra.iMinWidth = s.iMinWidth;
  extra.iMaxWidth = s.iMaxWidth;
  if (extra.nStyle & HDF_EX_TOOLTIP) extra.strToolTip = headerTipFormat_.arg(s.strText);
  header_->SetItemEx(item, extra);
  settingWidth_ = false;
  RebuildShown();
  UpdateScrollBars();
  viewport()->update();
  return header_->visualIndex(item);
}

int CReportCtrl::HideSubItem(int subItem) {
  const int item = HeaderItemOfSubItem(subItem);
  if (item < 0) return 0;
  EndEdit(true);
  if (subItem == sortSubItem_) {
    header_->SetSortColumn(-1, true);
    sortSubItem_ = -1;
  }
  columns_->Remove(item);
  if (focusCell_ == subItem) focusCell_ = -1;
  RebuildShown();
  UpdateScrollBars();
  viewport()->update();
  return 1;
}

void CReportCtrl::SetSubItemWidth(int subItem, int width) {
  if (subItem < 0 || subItem >= int(subItems_.size()))
    throw std::invalid_argument("CReportCtrl::SetSubItemWidth: sub-item out of range");
  RVSUBITEM& s = subItems_[std::size_t(subItem)];
  width = std::max(width, s.iMinWidth);
  if (s.iMaxWidth > 0) width = std::min(width, s.iMaxWidth);
  s.iWidth = width;
  const int item = HeaderItemOfSubItem(subItem);
  if (item >= 0) {
    settingWidth_ = true;
    header_->resizeSection(item, width);
    settingWidth_ = false;
  }
  UpdateScrollBars();
  viewport()->update();
}

int CReportCtrl::GetSubItemWidth(int subItem) const {
  return subItem >= 0 && subItem < int(subItems_.size()) ? subItems_[std::size_t(subItem)].iWidth : -1;
}

void CReportCtrl::RebuildShown() {
  shown_.clear();
  for (int v = 0; v < header_->count(); ++v) {
    const int sub = SubItemOfHeaderItem(header_->logicalIndex(v));
    if (sub >= 0) shown_.push_back(sub);
  }
}

// ---- rows ----

int CReportCtrl::GetItemCount() const { return IsCallback() ? count_ : int(rows_.size()); }

bool CReportCtrl::HasRow(int row) const {
  if (row == -1) return style_ & RVS_SHOWEDITROW;
  return row >= 0 && row < GetItemCount();
}

void CReportCtrl::SetItemCount(int count) {
  EndEdit(true);
  count_ = std::max(0, count);
  const int n = GetItemCount();
  if (focus_ >= n) {
    focus_ = n > 0 ? n - 1 : -2;
    if (focus_ == -2) focusCell_ = -1;
  }
  if (anchor_ >= n) anchor_ = std::max(0, n - 1);
  selection_.TrimFrom(n);
  for (auto& slot : cache_)
    if (slot.row >= n) slot.row = -2;
  UpdateScrollBars();
  viewport()->update();
}

RVITEMDATA* CReportCtrl::GetCachedItem(int row) {
  if (row == -1) return cacheTemplate_.row == -1 ? &cacheTemplate_.item : nullptr;
  CacheSlot& slot = cache_[std::size_t(((row % kCacheSlots) + kCacheSlots) % kCacheSlots)];
  return slot.row == row ? &slot.item : nullptr;
}

void CReportCtrl::CacheItem(int row, const RVITEMDATA& item) {
  if (row == -1) {
    cacheTemplate_ = {-1, item};
    return;
  }
  cache_[std::size_t(((row % kCacheSlots) + kCacheSlots) % kCacheSlots)] = {row, item};
}

void CReportCtrl::UncacheItem(int row) {
  if (row == -2) {
    for (auto& slot : cache_) slot.row = -2;
    cacheTemplate_.row = -2;
  } else if (row == -1) {
    cacheTemplate_.row = -2;
  } else {
    CacheSlot& slot = cache_[std::size_t(((row % kCacheSlots) + kCacheSlots) % kCacheSlots)];
    if (slot.row == row) slot.row = -2;
  }
}

RVITEMDATA* CReportCtrl::GetItemStruct(int row, int subItem, std::uint32_t mask) {
  if (!IsCallback()) {
    if (row == -1) return &template_;
    return row >= 0 && std::size_t(row) < rows_.size() ? &rows_[std::size_t(row)] : nullptr;
  }
  const std::size_t cells = subItems_.size();
  RVITEMDATA* cached = GetCachedItem(row);
  if (!cached) {
    RVITEMDATA empty;
    empty.cells.assign(cells, RVCELL{});
    empty.fetched.assign(cells, false);
    CacheItem(row, empty);
    cached = GetCachedItem(row);
  }
  if (cached->cells.size() < cells) cached->cells.resize(cells);
  if (cached->fetched.size() < cells) cached->fetched.resize(cells, false);
  // Only the asked cell is fetched; the others the slot holds stay.
  if (subItem >= 0 && std::size_t(subItem) < cells && !cached->fetched[std::size_t(subItem)]) {
    FetchItem(*cached, row, subItem, mask);
    cached->fetched[std::size_t(subItem)] = true;
  }
  return cached;
}

bool CReportCtrl::SetItemStruct(int row, const RVITEMDATA& item) {
  if (IsCallback()) return false;
  if (row == -1) {
    template_ = item;
    return true;
  }
  if (row < 0 || std::size_t(row) >= rows_.size()) return false;
  rows_[std::size_t(row)] = item;
  return true;
}
namespace {

// The cell fields an item record carries under its mask.
void TakeCell(RVCELL& cell, const RVITEM& item, std::uint32_t mask) {
  if (mask & RVIM_TEXT) {
    cell.bHasText = true;
    cell.strText = item.strText;
  }
  if (mask & RVIM_TEXTCOLOR) cell.iTextColor = item.iTextColor;
  if (mask & RVIM_IMAGE) cell.iImage = item.iImage;
  if (mask & RVIM_CHECK) cell.iCheck = item.iCheck;
  if (mask & RVIM_OVERLAY) cell.iOverlay = item.iOverlay;
}

// The row fields an item record carries under its mask, the state aside.
void TakeRowFields(RVITEMDATA& data, const RVITEM& item, std::uint32_t mask) {
  if (mask & RVIM_BKCOLOR) data.iBkColor = item.iBkColor;
  if (mask & RVIM_PREVIEW) data.nPreview = item.nPreview;
  if (mask & RVIM_INDENT) data.iIndent = item.iIndent;
  if (mask & RVIM_LPARAM) data.lParam = item.lParam;
}

}  // namespace


bool CReportCtrl::FetchItem(RVITEMDATA& data, int row, int subItem, std::uint32_t mask) {
  if (!notify_) return false;
  NMRVITEMCALLBACK nm;
  nm.code = RVN_ITEMCALLBACK;
  nm.item.nMask = mask;
  nm.item.iItem = row;
  nm.item.iSubItem = subItem;
  Notify(nm);
  const RVITEM& it = nm.item;
  const std::uint32_t m = it.nMask & mask;
  RVCELL& cell = data.cells[std::size_t(subItem)];
  cell = RVCELL{};
  TakeCell(cell, it, m);
  TakeRowFields(data, it, m);
  if (m & RVIM_STATE) data.nState = it.nState & ~RVIS_CONTROLMASK;
  return true;
}

std::uint32_t CReportCtrl::RowState(int row) const {
  std::uint32_t state = 0;
  if (selection_.Contains(row)) state |= RVIS_SELECTED;
  if (row == focus_) state |= RVIS_FOCUSED;
  return state;
}

bool CReportCtrl::GetItem(RVITEM& item) {
  if (item.iItem < -1 || item.iItem >= GetItemCount() || item.iSubItem >= int(subItems_.size())) return false;
  RVITEMDATA* data = GetItemStruct(item.iItem, item.iSubItem, item.nMask ? item.nMask : RVIM_ALL);
  if (!data) return false;
  const std::uint32_t asked = item.nMask;
  item.nMask = RVIM_STATE | RVIM_LPARAM;
  item.iBkColor = data->iBkColor;
  if (item.iBkColor >= 0) item.nMask |= RVIM_BKCOLOR;
  item.nPreview = data->nPreview;
  if (item.nPreview != 0) item.nMask |= RVIM_PREVIEW;
  item.iIndent = data->iIndent;
  if (item.iIndent >= 0) item.nMask |= RVIM_INDENT;
  item.nState = (data->nState & ~RVIS_CONTROLMASK) | RowState(item.iItem);
  item.lParam = data->lParam;
  item.strText.clear();
  item.iImage = item.iOverlay = item.iCheck = item.iTextColor = -1;
  if (item.iSubItem >= 0 && std::size_t(item.iSubItem) < data->cells.size()) {
    const RVCELL& c = data->cells[std::size_t(item.iSubItem)];
    item.iImage = c.iImage;
    item.iOverlay = c.iOverlay;
    item.iCheck = c.iCheck;
    item.iTextColor = c.iTextColor;
    if (c.iImage >= 0) item.nMask |= RVIM_IMAGE;
    if (c.iOverlay >= 0) item.nMask |= RVIM_OVERLAY;
    if (c.iCheck >= 0) item.nMask |= RVIM_CHECK;
    if (c.iTextColor >= 0) item.nMask |= RVIM_TEXTCOLOR;
    if ((asked & RVIM_TEXT) && c.bHasText) {
      item.strText = c.strText;
      item.nMask |= RVIM_TEXT;
    }
  }
  return true;
}

bool CReportCtrl::SetItem(const RVITEM& item) {
  if (IsCallback()) return false;
  if (item.iItem < -1 || item.iItem >= GetItemCount() || item.iSubItem >= int(subItems_.size())) return false;
  RVITEMDATA* current = GetItemStruct(item.iItem, item.iSubItem);
  if (!current) return false;
  RVITEMDATA data = *current;
  const std::uint32_t m = item.nMask;
  if (item.iSubItem >= 0) {
    if (data.cells.size() < subItems_.size()) data.cells.resize(subItems_.size());
    RVCELL& c = data.cells[std::size_t(item.iSubItem)];
    TakeCell(c, item, m);
  }
  TakeRowFields(data, item, m);
  if (m & RVIM_STATE) data.nState = (current->nState & RVIS_CONTROLMASK) | (item.nState & ~RVIS_CONTROLMASK);
  SetItemStruct(item.iItem, data);
  UpdateScrollBars();
  if (redrawAtOnce_) InvalidateRow(item.iItem);
  return true;
}

bool CReportCtrl::SetItemText(int row, int subItem, const QString& text) {
  RVITEM item;
  item.nMask = RVIM_TEXT;
  item.iItem = row;
  item.iSubItem = subItem;
  item.strText = text;
  return SetItem(item);
}

QString CReportCtrl::GetItemText(int row, int subItem) {
  RVITEM item;
  item.nMask = RVIM_TEXT;
  item.iItem = row;
  item.iSubItem = subItem;
  return GetItem(item) ? item.strText : QString();
}

bool CReportCtrl::ReadCell(int row, int subItem, RVITEM& item) {
  item = RVITEM{};
  item.nMask = RVIM_ALL;
  item.iItem = row;
  item.iSubItem = subItem;
  return GetItem(item);
}

bool CReportCtrl::DeleteItem(int row) {
  if (IsCallback() || row < 0 || std::size_t(row) >= rows_.size()) return false;
  EndEdit(false);
  NMRVITEM nm;
  nm.code = RVN_ITEMDELETED;
  nm.iItem = row;
  nm.lParam = rows_[std::size_t(row)].lParam;
  Notify(nm);
  rows_.erase(rows_.begin() + row);
  order_.erase(std::remove(order_.begin(), order_.end(), row), order_.end());
  for (int& r : order_)
    if (r > row) --r;
  // Rows after it move down by one in the selection.
  std::vector<std::pair<int, int>> ranges = selection_.Ranges();
  selection_.Clear();
  for (auto [a, b] : ranges) {
    if (b < row) {
      selection_.Add(a, b);
      continue;
    }
    if (a <= row && row <= b) {
      if (a < row) selection_.Add(a, row - 1);
      if (b > row) selection_.Add(row, b - 1);
      continue;
    }
    selection_.Add(a - 1, b - 1);
  }
  if (focus_ == row)
    focus_ = rows_.empty() ? -2 : std::min(row, int(rows_.size()) - 1);
  else if (focus_ > row)
    --focus_;
  UpdateScrollBars();
  viewport()->update();
  return true;
}

bool CReportCtrl::DeleteAllItems() {
  if (IsCallback()) return false;
  EndEdit(false);
  for (std::size_t r = 0; r < rows_.size(); ++r) {
    NMRVITEM nm;
    nm.code = RVN_ITEMDELETED;
    nm.iItem = int(r);
    nm.lParam = rows_[r].lParam;
    Notify(nm);
  }
  rows_.clear();
  order_.clear();
  selection_.Clear();
  UncacheItem(-2);
  focus_ = -2;
  focusCell_ = -1;
  UpdateScrollBars();
  viewport()->update();
  return true;
}

// No operation adds tree nodes, so there is nothing to expand or collapse.
int CReportCtrl::Expand(int, int) { return 0; }

QColor CReportCtrl::PaletteColor(int index, const QColor& fallback) const {
  return index >= 0 && std::size_t(index) < palette_.size() ? palette_[std::size_t(index)] : fallback;
}

QString CReportCtrl::GetItemsText(int row, QChar separator) {
  QString out;
  bool first = true;
  for (int s : shown_) {
    RVITEM item;
    if (!first) out += separator;
    if (ReadCell(row, s, item)) {
      if (first && (style_ & RVS_TREEMASK) && item.iIndent > 0) {
        out += QString(2 * (item.iIndent - 1), QLatin1Char(' '));
        out += item.nState & (RVIS_TREECLOSED | RVIS_TREEOPEN) ? QLatin1Char('-') : QLatin1Char(' ');
      }
      if (item.nMask & RVIM_TEXT) {
        QString t = item.strText;
        t.replace(separator, QLatin1Char(' '));
        out += t;
      } else if (item.iImage >= 0) {
        out += QString::number(item.iImage);
      } else if (item.iCheck >= 0) {
        out += QString::number(item.iCheck);
      }
    }
    first = false;
  }
  return out + QLatin1Char('\n');
}

// ---- comparison and sorting ----

int CReportCtrl::CompareItemInfo(const RVITEM& a, const RVITEM& b) {
  auto sign = [](int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; };
  if (!a.strText.isEmpty() || !b.strText.isEmpty()) return sign(QString::compare(a.strText, b.strText));
  if (a.iCheck >= 0 || b.iCheck >= 0) return sign(a.iCheck - b.iCheck);
  return sign(a.iImage - b.iImage);
}

int CReportCtrl::CompareItems(int row1, int row2, int subItem) {
  const int c = QString::compare(GetItemText(row1, subItem), GetItemText(row2, subItem));
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

void CReportCtrl::SortItems(int subItem, int low, int high, bool ascending) {
  if (low >= high || high >= int(order_.size())) return;
  std::stable_sort(order_.begin() + low, order_.begin() + high + 1, [&](int a, int b) {
    const int c = CompareItems(a, b, subItem);
    return ascending ? c < 0 : c > 0;
  });
}

bool CReportCtrl::SortAllItems(int subItem, bool ascending) {
  if (IsCallback() || !IsSubItemShown(subItem)) return false;
  EndEdit(true);
  sortSubItem_ = subItem;
  sortAscending_ = ascending;
  header_->SetSortColumn(HeaderItemOfSubItem(subItem), ascending);
  if (order_.size() != rows_.size()) {
    order_.resize(rows_.size());
    for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = int(i);
  }
  if (!order_.empty()) SortItems(subItem, 0, int(order_.size()) - 1, ascending);
  viewport()->update();
  return true;
}

// ---- selection ----

qintptr CReportCtrl::Notify(NMREPORT& record) {
  const int bit = -2048 - record.code;
  if (bit < 0 || bit >= 32 || !(notifyMask_ & (1u << bit))) return 0;
  record.control = this;
  record.id = id_;
  return notify_ ? notify_(record) : 0;
}

qintptr CReportCtrl::SendItem(int code, int row, int subItem, std::uint32_t keys, const QPoint& point,
                              std::uint32_t flags, std::uint32_t state) {
  NMRVITEM nm;
  nm.code = code;
  nm.nKeys = keys;
  nm.point = point;
  nm.nFlags = flags;
  nm.iItem = row;
  nm.iSubItem = subItem;
  nm.nState = state;
  if (!IsCallback() && row >= 0 && std::size_t(row) < rows_.size()) nm.lParam = rows_[std::size_t(row)].lParam;
  return Notify(nm);
}

qintptr CReportCtrl::SendHeader(int code, int subItem) {
  NMRVHEADER nm;
  nm.code = code;
  nm.iSubItem = subItem;
  return Notify(nm);
}

// One row's selected bit, announced before (veto) and after.
bool CReportCtrl::SetRowSelected(int row, bool selected, bool notify) {
  if (selection_.Contains(row) == selected) return false;
  const std::uint32_t state = (RowState(row) & ~RVIS_SELECTED) | (selected ? RVIS_SELECTED : 0);
  if (notify && SendItem(RVN_SELECTIONCHANGING, row, -1, 0, {}, 0, state) != 0) return false;
  if (selected)
    selection_.Add(row, row);
  else
    selection_.Remove(row, row);
  if (notify) SendItem(RVN_SELECTIONCHANGED, row, -1, 0, {}, 0, state);
  return true;
}

void CReportCtrl::SelectItems(int first, int last, bool select, bool keepOthers, bool toggle, bool notify) {
  if (style_ & RVS_SINGLESELECT) {
    last = first;
    keepOthers = false;
  }
  SetFocusedRow(first);
  const int lo = std::min(first, last);
  const int hi = std::max(first, last);
  const bool quiet = !notify || !notify_;
  if (lo >= -1) {
    if (quiet && !toggle) {
      // Without an owner to hear each row the range goes in at once.
      if (select)
        selection_.Add(lo, hi);
      else
        selection_.Remove(lo, hi);
    } else {
      for (int r = lo; r <= hi; ++r) SetRowSelected(r, toggle ? !selection_.Contains(r) : select, notify);
    }
  }
  if (!keepOthers) {
    if (quiet) {
      ReportRowRanges keep;
      for (auto [a, b] : selection_.Ranges()) {
        const int from = std::max(a, lo);
        const int to = std::min(b, hi);
        if (from <= to) keep.Add(from, to);
      }
      selection_ = keep;
    } else {
      for (auto [a, b] : selection_.Ranges())
        for (int r = a; r <= b; ++r)
          if (r < lo || r > hi) SetRowSelected(r, false, notify);
    }
  }
  viewport()->update();
}

void CReportCtrl::SetFocusedRow(int row) {
  if (row != focus_) {
    InvalidateRow(focus_);
    focus_ = row;
    InvalidateRow(row);
  }
}

void CReportCtrl::InvalidateRow(int row) {
  if (row < -1) return;
  viewport()->update(RowRect(row));
}
