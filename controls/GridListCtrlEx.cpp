#include "controls/GridListCtrlEx.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QGuiApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>
#include <numeric>
#include <string_view>
#include <typeinfo>

#include "platform/system_facts.h"

namespace {

QByteArray SourceName(const CGridListCtrlEx* list) {
  return QByteArray::number(qint64(platform::ProcessId())) + ':' + QByteArray::number(quintptr(list), 16);
}

// Drag data of the selected rows; the text is built when a target asks for it.
class GridDragData : public QMimeData {
 public:
  explicit GridDragData(const CGridListCtrlEx* list) : list_(list), source_(SourceName(list)) {}
  QStringList formats() const override { return {QStringLiteral("text/plain"), QString::fromLatin1(CGridListCtrlEx::kRowDragMime)}; }
  bool hasFormat(const QString& mimeType) const override { return formats().contains(mimeType); }

 protected:
  QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
    if (mimeType == QLatin1String(CGridListCtrlEx::kRowDragMime)) return source_;
    if (mimeType == QLatin1String("text/plain")) {
      if (!built_ && list_) {
        list_->GetDragText(text_);
        built_ = true;
      }
      if (type.id() == QMetaType::QByteArray) return text_.toUtf8();
      return text_;
    }
    return QMimeData::retrieveData(mimeType, type);
  }

 private:
  QPointer<const CGridListCtrlEx> list_;
  QByteArray source_;
  mutable QString text_;
  mutable bool built_ = false;
};

}  // namespace

// Draws one cell: defaults, row trait, column trait (each with the list's Query* hooks).
class GridCellDelegate : public QStyledItemDelegate {
 public:
  explicit GridCellDelegate(CGridListCtrlEx* list) : QStyledItemDelegate(list), list_(list) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    GridDrawRecord record;
    record.viewRow = index.row();
    record.row = list_->OwnerRow(record.viewRow);
    record.column = index.column();
    record.selected = option.state & QStyle::State_Selected;
    record.focusCell = list_->GetFocusColumn() == record.column && list_->GetFocusRow() == record.viewRow;
    list_->CustomDrawRow(record.row, record);
    if (record.skipDefault) return;
    list_->CustomDrawCell(record.row, record.column, record);
    if (record.skipDefault) return;
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.textElideMode = list_->ColumnElideMode(record.column);
    opt.state &= ~QStyle::State_HasFocus;
    if (!record.selected) opt.state &= ~QStyle::State_Selected;
    const QFont font = record.font ? *record.font : list_->GetGridFont();
    if (!(font == opt.font)) {
      opt.font = font;
      opt.fontMetrics = QFontMetrics(font);
    }
    if (record.textColor.isValid()) opt.palette.setColor(QPalette::Text, record.textColor);
    if (record.backColor.isValid() && !(opt.state & QStyle::State_Selected)) opt.backgroundBrush = record.backColor;
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem opt = option;
    opt.font = list_->GetGridFont();
    opt.fontMetrics = QFontMetrics(opt.font);
    QSize size = QStyledItemDelegate::sizeHint(opt, index);
    size.setHeight(int(size.height() * list_->GetCellMarginFactor()));
    return size;
  }

 private:
  CGridListCtrlEx* list_;
};

CGridListCtrlEx::CGridListCtrlEx(QWidget* parent)
    : QTreeView(parent),
      order_(new GridOrderModel(this)),
      stored_(new GridStoredModel(this)),
      delegate_(new GridCellDelegate(this)),
      manager_(new CGridColumnManager),
      rowTrait_(new CGridRowTraitText),
      clock_(new QElapsedTimer) {
  clock_->start();
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setItemsExpandable(false);
  setExpandsOnDoubleClick(false);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setAllColumnsShowFocus(true);
  setSortingEnabled(false);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  order_->SetSource(stored_);
  setModel(order_);
  QItemSelectionModel* initial = selectionModel();
  selection_ = new GridSelectionModel(order_, this);
  setSelectionModel(selection_);
  delete initial;
  selection_->AttachSource(stored_);
  setItemDelegate(delegate_);
  QHeaderView* h = header();
  h->setSectionsMovable(true);
  h->setSectionsClickable(true);
  h->setStretchLastSection(false);
  h->setSortIndicatorShown(false);
  h->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(h, &QHeaderView::sectionClicked, this, [this](int column) { OnColumnClick(column); });
  connect(h, &QHeaderView::customContextMenuRequested, this,
          [this](const QPoint& p) { OnHeaderContextMenu(header()->mapToGlobal(p), header()->logicalIndexAt(p)); });
  connect(h, &QHeaderView::sectionResized, this, &CGridListCtrlEx::OnHeaderSectionResized);
  connect(h, &QHeaderView::sectionHandleDoubleClicked, this, [this](int column) {
    setFocus();
    AutoSizeColumn(column, false);
  });
  connect(h, &QHeaderView::sectionMoved, this, [this] { manager_->OnColumnStateChanged(*this); });
  connect(order_, &GridOrderModel::orderDropped, this, &CGridListCtrlEx::OnOrderDropped);
  connect(order_, &GridOrderModel::aboutToRestructure, this, [this] { pendingRestructure_ = SaveSelection(); });
  connect(order_, &GridOrderModel::restructured, this, [this](int first, int delta) {
    auto map = [&](int o) {
      if (o < first) return o;
      if (delta < 0 && o < first - delta) return -1;
      return o + delta;
    };
    SavedSelection& s = pendingRestructure_;
    s.focusOwner = s.focusOwner >= 0 ? map(s.focusOwner) : -1;
    RestoreSelection(s);
    pendingRestructure_ = {};
  });
  setDragEnabled(true);
  setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::MoveAction);
  setDropIndicatorShown(false);
  setAutoScroll(true);
  ApplyGridStyle();
}

CGridListCtrlEx::~CGridListCtrlEx() {
  // The models go with the list; the owner's model may outlive it.
  if (QAbstractItemModel* source = Source()) {
    source->disconnect(order_);
    source->disconnect(selection_);
  }
  // Traits go from the last column to the first, then the row trait and the manager.
  while (!traits_.empty()) traits_.pop_back();
  rowTrait_.reset();
  manager_.reset();
}

// ---------------------------------------------------------------------------------------------
// Data

void CGridListCtrlEx::SetOwnerModel(QAbstractItemModel* model) {
  owner_ = model;
  sortColumn_ = -1;
  SetSortArrow(-1, false);
  order_->SetSource(model ? model : stored_);
  selection_->AttachSource(model ? model : stored_);
  manager_->OnOwnerAttached(*this);
}

int CGridListCtrlEx::InsertItem(int row, const QString& text) {
  if (IsOwnerData()) return -1;
  return stored_->InsertRow(row, text);
}

bool CGridListCtrlEx::SetItemText(int row, int column, const QString& text) {
  return !IsOwnerData() && stored_->SetText(row, column, text);
}

QString CGridListCtrlEx::GetItemText(int row, int column) const {
  QString text;
  if (row >= 0 && row < GetItemCount() && column >= 0 && column < GetColumnCount()) QueryCellText(row, column, text);
  return text;
}

bool CGridListCtrlEx::SetItemIcon(int row, const QIcon& icon) {
  GridStoredModel::Row* r = IsOwnerData() ? nullptr : stored_->At(row);
  if (!r) return false;
  r->icon = icon;
  viewport()->update();
  return true;
}

bool CGridListCtrlEx::SetItemData(int row, quintptr data) {
  GridStoredModel::Row* r = IsOwnerData() ? nullptr : stored_->At(row);
  if (!r) return false;
  r->data = data;
  return true;
}

quintptr CGridListCtrlEx::GetItemData(int row) const {
  const GridStoredModel::Row* r = IsOwnerData() ? nullptr : stored_->At(row);
  return r ? r->data : 0;
}

bool CGridListCtrlEx::DeleteItem(int row) { return !IsOwnerData() && stored_->RemoveRow(row); }

void CGridListCtrlEx::DeleteAllItems() {
  if (!IsOwnerData()) stored_->Clear();
}

int CGridListCtrlEx::GetItemCount() const { return order_->OwnerCount(); }

void CGridListCtrlEx::SetCheckBoxes(bool on) {
  checkBoxes_ = on;
  viewport()->update();
}

// ---------------------------------------------------------------------------------------------
// Selection

bool CGridListCtrlEx::IsViewRowSelected(int viewRow) const { return selection_->IsOwnerSelected(OwnerRow(viewRow)); }

std::vector<int> CGridListCtrlEx::GetSelectedOwnerRows() const { return selection_->Owners(); }

qint64 CGridListCtrlEx::GetSelectedCount() const { return selection_->Count(); }

CGridListCtrlEx::SavedSelection CGridListCtrlEx::SaveSelection() const {
  selection_->Finalize();
  SavedSelection saved;
  saved.focusOwner = OwnerRow(GetFocusRow());
  saved.scroll = verticalScrollBar()->value();
  return saved;
}

void CGridListCtrlEx::RestoreSelection(const SavedSelection& saved) {
  executeDelayedItemsLayout();
  const int focus = saved.focusOwner >= 0 ? ViewRow(saved.focusOwner) : -1;
  if (focus >= 0) selectionModel()->setCurrentIndex(order_->index(focus, 0), QItemSelectionModel::NoUpdate);
  verticalScrollBar()->setValue(saved.scroll);
  viewport()->update();
}

void CGridListCtrlEx::SelectOwnerRows(const std::vector<int>& ownerRows) { selection_->SetOwners(ownerRows); }

QModelIndexList CGridListCtrlEx::selectedIndexes() const {
  // One index stands for the selection (a drag only asks whether there is one).
  const int focus = GetFocusRow();
  if (IsViewRowSelected(focus)) return {order_->index(focus, 0)};
  for (int v = 0; v < GetViewRowCount(); ++v)
    if (IsViewRowSelected(v)) return {order_->index(v, 0)};
  return {};
}

QItemSelectionModel::SelectionFlags CGridListCtrlEx::selectionCommand(const QModelIndex& index, const QEvent* event) const {
  // A press on a selected row keeps the rows selected so that they can be dragged (or get a
  // context menu); a release without a drag then selects that row alone.
  // Ctrl with the mouse selects or deselects by the state of the pressed row, and a drag with
  // Ctrl held goes on doing the same.
  if (event && selectionMode() == QAbstractItemView::ExtendedSelection &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove)) {
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    const bool ctrl = mouse->modifiers() & Qt::ControlModifier;
    const bool shift = mouse->modifiers() & Qt::ShiftModifier;
    if (event->type() == QEvent::MouseButtonPress && index.isValid()) {
      const bool selected = IsViewRowSelected(index.row());
      if (ctrl && !shift && mouse->button() == Qt::LeftButton) {
        ctrlDragFlag_ = selected ? QItemSelectionModel::Deselect : QItemSelectionModel::Select;
        return ctrlDragFlag_ | QItemSelectionModel::Rows;
      }
      if (!ctrl && !shift && selected) {
        if (mouse->button() == Qt::LeftButton) pressedOnSelected_ = index;
        if (mouse->button() == Qt::LeftButton || mouse->button() == Qt::RightButton) return QItemSelectionModel::NoUpdate;
      }
    } else if (event->type() == QEvent::MouseMove && ctrl && !shift && (mouse->buttons() & Qt::LeftButton)) {
      return ctrlDragFlag_ | QItemSelectionModel::Current | QItemSelectionModel::Rows;
    }
  }
  return QTreeView::selectionCommand(index, event);
}

void CGridListCtrlEx::mouseReleaseEvent(QMouseEvent* event) {
  const QPersistentModelIndex pressed = pressedOnSelected_;
  pressedOnSelected_ = QPersistentModelIndex();
  QTreeView::mouseReleaseEvent(event);
  if (pressed.isValid() && event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).row() == pressed.row())
    selectionModel()->select(order_->index(pressed.row(), 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int CGridListCtrlEx::GetFocusRow() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.row() : -1;
}

void CGridListCtrlEx::SetFocusRow(int viewRow) {
  if (viewRow < 0 || viewRow >= GetViewRowCount()) return;
  selectionModel()->setCurrentIndex(order_->index(viewRow, 0), QItemSelectionModel::NoUpdate);
  RedrawFocusRow();
}

void CGridListCtrlEx::SetFocusColumn(int column) {
  focusColumn_ = column >= 0 && column < GetColumnCount() ? column : -1;
  RedrawFocusRow();
}

void CGridListCtrlEx::RedrawFocusRow() {
  const int row = GetFocusRow();
  if (row >= 0) viewport()->update(QRect(0, visualRect(order_->index(row, 0)).top(), viewport()->width(),
                                         visualRect(order_->index(row, 0)).height()));
}

void CGridListCtrlEx::selectionChanged(const QItemSelection&, const QItemSelection&) { viewport()->update(); }

void CGridListCtrlEx::reset() {
  hotRow_ = -1;
  QTreeView::reset();
}

void CGridListCtrlEx::OnOrderDropped() {
  sortColumn_ = -1;
  SetSortArrow(-1, false);
}

// ---------------------------------------------------------------------------------------------
// Columns

int CGridListCtrlEx::InsertColumn(int index, const QString& heading, Qt::Alignment format, int width) {
  return InsertColumnTrait(index, heading, format, width, -1, nullptr);
}

int CGridListCtrlEx::InsertColumnTrait(int index, const QString& heading, Qt::Alignment format, int width, int,
                                       CGridColumnTrait* trait) {
  if (!trait) trait = new CGridColumnTraitText;
  CGridColumnTrait::ColumnState& state = trait->GetColumnState();
  if (state.alwaysHidden) {
    width = 0;
    state.visible = false;
  }
  index = std::clamp(index, 0, GetColumnCount());
  traits_.insert(traits_.begin() + index, std::unique_ptr<CGridColumnTrait>(trait));
  if (focusColumn_ >= index) ++focusColumn_;
  stored_->InsertColumn(index);
  order_->InsertColumn(index, heading, format);
  settingWidth_ = true;
  if (state.alwaysHidden) header()->hideSection(index);
  else if (width >= 0) header()->resizeSection(index, width);
  if (!state.resizable) header()->setSectionResizeMode(index, QHeaderView::Fixed);
  settingWidth_ = false;
  trait->OnColumnInserted(*this, index);
  return index;
}

bool CGridListCtrlEx::DeleteColumn(int column) {
  if (column < 0 || column >= GetColumnCount()) return false;
  order_->RemoveColumn(column);
  stored_->RemoveColumn(column);
  if (focusColumn_ == column) focusColumn_ = -1;
  else if (focusColumn_ > column) --focusColumn_;
  return DeleteColumnTrait(column);
}

bool CGridListCtrlEx::DeleteColumnTrait(int column) {
  if (column < 0 || column >= GetColumnCount()) return false;
  traits_.erase(traits_.begin() + column);
  return true;
}

CGridColumnTrait* CGridListCtrlEx::GetColumnTrait(int column) const {
  return column >= 0 && column < GetColumnCount() ? traits_[column].get() : nullptr;
}

void CGridListCtrlEx::SetColumnManager(CGridColumnManager* manager) {
  if (manager) manager_.reset(manager);
}

bool CGridListCtrlEx::IsColumnVisible(int column) const {
  const CGridColumnTrait* t = GetColumnTrait(column);
  return t && t->GetColumnState().visible;
}

bool CGridListCtrlEx::IsColumnResizable(int column) const {
  const CGridColumnTrait* t = GetColumnTrait(column);
  return t && t->GetColumnState().resizable;
}

bool CGridListCtrlEx::IsColumnAlwaysVisible(int column) const {
  const CGridColumnTrait* t = GetColumnTrait(column);
  return t && t->GetColumnState().alwaysVisible;
}

bool CGridListCtrlEx::IsColumnAlwaysHidden(int column) const {
  const CGridColumnTrait* t = GetColumnTrait(column);
  return t && t->GetColumnState().alwaysHidden;
}

int CGridListCtrlEx::GetFirstVisibleColumn() const {
  for (int v = 0; v < header()->count(); ++v) {
    const int column = header()->logicalIndex(v);
    if (!header()->isSectionHidden(column) && IsColumnVisible(column)) return column;
  }
  return -1;
}

int CGridListCtrlEx::InsertHiddenLabelColumn() {
  CGridColumnTrait* trait = new CGridColumnTrait;
  trait->GetColumnState().alwaysHidden = true;
  return InsertColumnTrait(0, QString(), Qt::AlignLeft, -1, -1, trait);
}

bool CGridListCtrlEx::ShowColumn(int column, bool show) {
  CGridColumnTrait* trait = GetColumnTrait(column);
  if (!trait) return false;
  if (show && IsColumnAlwaysHidden(column)) return false;
  if (!show && IsColumnAlwaysVisible(column)) return false;
  CGridColumnTrait::ColumnState& state = trait->GetColumnState();
  settingWidth_ = true;
  if (!show && state.visible) {
    // The header keeps the hidden section's place and width.
    state.savedWidth = header()->sectionSize(column);
    state.savedPosition = header()->visualIndex(column);
    state.visible = false;
    header()->hideSection(column);
    if (focusColumn_ == column) focusColumn_ = -1;
  } else if (show && !state.visible) {
    state.visible = true;
    header()->showSection(column);
    if (state.savedWidth > 0) header()->resizeSection(column, state.savedWidth);
  }
  settingWidth_ = false;
  manager_->OnColumnVisibilityChanged(*this);
  viewport()->update();
  return true;
}

bool CGridListCtrlEx::SetColumnWidth(int column, int width) {
  if (!GetColumnTrait(column) || !IsColumnVisible(column) || !IsColumnResizable(column)) return false;
  if (width == -1 || width == -2) {
    AutoSizeColumn(column, width == -2);
    return true;
  }
  if (width < 0) return false;
  manager_->OnColumnStateChanged(*this);
  settingWidth_ = true;
  header()->resizeSection(column, width);
  settingWidth_ = false;
  return true;
}

int CGridListCtrlEx::GetColumnWidth(int column) const {
  return column >= 0 && column < GetColumnCount() ? header()->sectionSize(column) : 0;
}

void CGridListCtrlEx::OnHeaderSectionResized(int column, int oldSize, int) {
  if (settingWidth_ || header()->isSectionHidden(column)) return;
  if (!IsColumnVisible(column) || !IsColumnResizable(column)) {
    settingWidth_ = true;
    header()->resizeSection(column, oldSize);
    settingWidth_ = false;
    return;
  }
  manager_->OnColumnStateChanged(*this);
}

void CGridListCtrlEx::AutoSizeColumn(int column, bool includeHeader) {
  if (column < 0) {
    for (int c = 0; c < GetColumnCount(); ++c) AutoSizeColumn(c, includeHeader);
    return;
  }
  if (!IsColumnVisible(column) || !IsColumnResizable(column)) return;
  int width = 0;
  // The rows in view only.
  const int first = ViewRowAt(QPoint(0, 0));
  if (first >= 0) {
    int last = ViewRowAt(QPoint(0, viewport()->height() - 1));
    if (last < 0) last = GetViewRowCount() - 1;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    for (int r = first; r <= last; ++r)
      if (OwnerRow(r) >= 0) width = std::max(width, delegate_->sizeHint(option, order_->index(r, column)).width());
  }
  if (includeHeader) {
    const QFontMetrics fm(header()->font());
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header());
    width = std::max(width, fm.horizontalAdvance(GetColumnHeading(column)) + 4 * margin + 16);
  }
  if (width <= 0) return;
  settingWidth_ = true;
  header()->resizeSection(column, width);
  settingWidth_ = false;
  manager_->OnColumnStateChanged(*this);
}

bool CGridListCtrlEx::EnsureColumnVisible(int column, bool allowPartial) {
  if (column < 0 || column >= GetColumnCount()) return false;
  const int left = header()->sectionViewportPosition(column);
  const int right = left + header()->sectionSize(column);
  const int clientRight = viewport()->width();
  if (allowPartial && left < clientRight && right >= 1) return true;
  QScrollBar* bar = horizontalScrollBar();
  if (header()->sectionSize(column) > clientRight || left < 0) bar->setValue(bar->value() + left);
  else if (right > clientRight) bar->setValue(bar->value() + right - clientRight);
  return true;
}

void CGridListCtrlEx::SetSortArrow(int column, bool ascending) {
  if (column < 0) {
    header()->setSortIndicatorShown(false);
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    return;
  }
  header()->setSortIndicatorShown(true);
  header()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void CGridListCtrlEx::SetEmptyListText(const QString& text) {
  emptyText_ = text;
  viewport()->update();
}

QRect CGridListCtrlEx::GetCellRect(int viewRow, int column) const {
  return visualRect(order_->index(viewRow, column));
}

int CGridListCtrlEx::ViewRowAt(const QPoint& point) const {
  // Any visible column on screen will do: rows span every column.
  for (int v = 0; v < header()->count(); ++v) {
    const int column = header()->logicalIndex(v);
    if (header()->isSectionHidden(column)) continue;
    const int left = header()->sectionViewportPosition(column);
    const int right = left + header()->sectionSize(column);
    if (right <= 0) continue;
    const QModelIndex index = indexAt(QPoint(std::max(left, 0) + (right - std::max(left, 0)) / 2, point.y()));
    return index.isValid() ? index.row() : -1;
  }
  return -1;
}

bool CGridListCtrlEx::HitTestCell(const QPoint& point, int& viewRow, int& column) const {
  const QModelIndex index = indexAt(point);
  viewRow = -1;
  column = -1;
  if (!index.isValid() || OwnerRow(index.row()) < 0) return false;
  viewRow = index.row();
  column = index.column();
  return true;
}

bool CGridListCtrlEx::SetExplorerTheme() { return true; }

QFont CGridListCtrlEx::GetGridFont() const { return font(); }

void CGridListCtrlEx::SetCellMarginFactor(double factor) {
  marginFactor_ = factor > 0 ? factor : 1.0;
  header()->setFont(GetGridFont());
  scheduleDelayedItemsLayout();
}

CGridRowTrait* CGridListCtrlEx::GetRowTrait(int) { return rowTrait_.get(); }

void CGridListCtrlEx::SetDefaultRowTrait(CGridRowTrait* trait) {
  if (trait) rowTrait_.reset(trait);
}

void CGridListCtrlEx::ApplyGridStyle() {
  SetExplorerTheme();
  RegisterDropTarget();
}

// ---------------------------------------------------------------------------------------------
// Cells

bool CGridListCtrlEx::QueryCellText(int row, int column, QString& text) const {
  QAbstractItemModel* m = Source();
  if (!m) return false;
  const QVariant v = m->data(m->index(row, column), Qt::DisplayRole);
  if (!v.isValid()) return false;
  text = v.toString();
  return true;
}

bool CGridListCtrlEx::QueryCellImage(int row, int column, QIcon& icon) const {
  QAbstractItemModel* m = Source();
  if (!m) return false;
  const QVariant v = m->data(m->index(row, column), Qt::DecorationRole);
  if (!v.isValid()) return false;
  if (v.canConvert<QIcon>()) icon = v.value<QIcon>();
  else if (v.canConvert<QPixmap>()) icon = QIcon(v.value<QPixmap>());
  return !icon.isNull();
}

bool CGridListCtrlEx::QueryCellTooltip(int row, int column, QString& text) const {
  QAbstractItemModel* m = Source();
  if (!m || row < 0 || row >= GetItemCount() || column < 0 || column >= GetColumnCount()) return false;
  const QVariant v = m->data(m->index(row, column), Qt::ToolTipRole);
  if (v.isValid()) {
    text = v.toString();
    return true;
  }
  return GetCellText(row, column, text);
}

bool CGridListCtrlEx::GetCellText(int row, int column, QString& text) const {
  if (row < 0) {
    text = GetColumnHeading(column);
    return true;
  }
  text.clear();
  QueryCellText(row, column, text);
  return true;
}

bool CGridListCtrlEx::GetRowText(int row, QString& text) const {
  text.clear();
  for (int v = 0; v < header()->count(); ++v) {
    const int column = header()->logicalIndex(v);
    if (header()->isSectionHidden(column) || !IsColumnVisible(column)) continue;
    QString cell;
    GetCellText(row, column, cell);
    if (!text.isEmpty()) text += u'\t';
    text += cell;
  }
  return true;
}

bool CGridListCtrlEx::GetSelectedText(QString& text, bool includeHeader) const {
  text.clear();
  const std::vector<int> rows = GetSelectedOwnerRows();
  if (rows.empty()) return false;
  if (rows.size() == 1 && focusColumn_ >= 0) {
    // The one selected row's focus cell.
    GetCellText(rows[0], focusColumn_, text);
    return true;
  }
  if (includeHeader) GetRowText(-1, text);
  QString line;
  for (int32_t o : order_->ListOrder()) {
    if (!selection_->IsOwnerSelected(o)) continue;
    GetRowText(o, line);
    if (!text.isEmpty()) text += QStringLiteral("\r\n");
    text += line;
  }
  return true;
}

bool CGridListCtrlEx::CopyToClipboard() {
  QString text;
  if (!GetSelectedText(text, true)) return false;
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  clipboard->setText(text);
  return true;
}

bool CGridListCtrlEx::QueryOwnerDataCheck(int row) const {
  QAbstractItemModel* m = Source();
  return m && m->data(m->index(row, 0), Qt::CheckStateRole).toInt() == Qt::Checked;
}

void CGridListCtrlEx::ToggleOwnerDataCheck(int row) {
  QAbstractItemModel* m = Source();
  if (!m || row < 0 || row >= GetItemCount()) return;
  m->setData(m->index(row, 0), QueryOwnerDataCheck(row) ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
  viewport()->update();
}

// ---------------------------------------------------------------------------------------------
// Sorting

bool CGridListCtrlEx::SortKeys(int column, bool ascending, std::vector<int32_t>& order) const {
  const size_t n = order.size();
  std::vector<int32_t> position(n);
  std::iota(position.begin(), position.end(), 0);
  auto apply = [&] {
    std::vector<int32_t> sorted(n);
    for (size_t i = 0; i < n; ++i) sorted[i] = order[position[i]];
    order = std::move(sorted);
  };
  // Numbers: pairs of key and position, compared by key only so equal keys keep their order.
  auto sortNumbers = [&](auto keyAt) {
    using Key = decltype(keyAt(size_t(0)));
    std::vector<std::pair<Key, int32_t>> keys(n);
    for (size_t i = 0; i < n; ++i) keys[i] = {keyAt(i), int32_t(i)};
    if (ascending)
      std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    else
      std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return b.first < a.first; });
    for (size_t i = 0; i < n; ++i) position[i] = keys[i].second;
  };
  auto sortTexts = [&](const std::vector<QString>& texts, auto less) {
    std::stable_sort(position.begin(), position.end(), [&](int32_t a, int32_t b) { return less(texts[a], texts[b]); });
  };
  // Ordinal UTF-16 order over texts packed into one buffer (freed whole afterwards). Each text
  // gets a 64-bit key of its four code units after the prefix that all texts share, so most
  // comparisons are of integers; equal keys compare the texts.
  auto sortOrdinal = [&](auto textAt) {
    std::vector<char16_t> arena;
    arena.reserve(n * 16);
    std::vector<size_t> start(n + 1);
    for (size_t i = 0; i < n; ++i) {
      const QString t = textAt(i);
      start[i] = arena.size();
      arena.insert(arena.end(), reinterpret_cast<const char16_t*>(t.utf16()),
                   reinterpret_cast<const char16_t*>(t.utf16()) + t.size());
    }
    start[n] = arena.size();
    auto text = [&](size_t i) { return std::u16string_view(arena.data() + start[i], start[i + 1] - start[i]); };
    size_t common = n ? text(0).size() : 0;
    for (size_t i = 1; i < n && common > 0; ++i) {
      const std::u16string_view t = text(i), first = text(0);
      size_t k = 0;
      const size_t limit = std::min(common, t.size());
      while (k < limit && t[k] == first[k]) ++k;
      common = k;
    }
    struct Keyed {
      quint64 key;
      int32_t position;
    };
    std::vector<Keyed> keyed(n);
    for (size_t i = 0; i < n; ++i) {
      const std::u16string_view t = text(i);
      quint64 key = 0;
      for (size_t k = common; k < common + 4; ++k) key = (key << 16) | (k < t.size() ? t[k] : 0u);
      keyed[i] = {key, int32_t(i)};
    }
    auto less = [&](const Keyed& a, const Keyed& b) {
      if (a.key != b.key) return a.key < b.key;
      return text(size_t(a.position)).compare(text(size_t(b.position))) < 0;
    };
    if (ascending) std::stable_sort(keyed.begin(), keyed.end(), less);
    else std::stable_sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) { return less(b, a); });
    for (size_t i = 0; i < n; ++i) position[i] = keyed[i].position;
  };

  QAbstractItemModel* m = Source();
  const QVariant probe = m->data(m->index(order[0], column), kGridSortKeyRole);
  if (probe.isValid()) {
    const int type = probe.metaType().id();
    auto key = [&](int32_t o) { return m->data(m->index(o, column), kGridSortKeyRole); };
    switch (type) {
      case QMetaType::Int:
      case QMetaType::LongLong:
      case QMetaType::Long:
      case QMetaType::Short:
      case QMetaType::UInt:
      case QMetaType::Char:
        sortNumbers([&](size_t i) { return key(order[i]).toLongLong(); });
        break;
      case QMetaType::ULongLong:
      case QMetaType::ULong:
        sortNumbers([&](size_t i) { return key(order[i]).toULongLong(); });
        break;
      case QMetaType::Double:
      case QMetaType::Float:
        sortNumbers([&](size_t i) { return key(order[i]).toDouble(); });
        break;
      default:
        sortOrdinal([&](size_t i) { return key(order[i]).toString(); });
    }
    apply();
    return true;
  }

  CGridColumnTrait* trait = GetColumnTrait(column);
  auto cellText = [&](size_t i) {
    QString t;
    QueryCellText(order[i], column, t);
    return t;
  };
  if (typeid(*trait) == typeid(CGridColumnTraitText)) {
    // The plain text trait: its order without a virtual call per comparison.
    if (static_cast<CGridColumnTraitText*>(trait)->IsSortNumeric()) {
      std::vector<qint64> numbers(n);
      for (size_t i = 0; i < n; ++i) numbers[i] = CGridColumnTraitText::ParseNumber(cellText(i));
      sortNumbers([&](size_t i) { return numbers[i]; });
    } else {
      sortOrdinal(cellText);
    }
  } else {
    std::vector<QString> texts(n);
    for (size_t i = 0; i < n; ++i) texts[i] = cellText(i);
    sortTexts(texts, [&](const QString& a, const QString& b) { return trait->CompareTexts(a, b, ascending) < 0; });
  }
  apply();
  return true;
}

bool CGridListCtrlEx::SortColumn(int column, bool ascending) {
  if (!GetColumnTrait(column)) return false;
  sortColumn_ = column;
  sortAscending_ = ascending;
  if (GetItemCount() == 0) return true;
  WaitCursor wait;
  std::vector<int32_t> order = order_->ListOrder();
  SortKeys(column, ascending, order);
  const SavedSelection saved = SaveSelection();
  order_->BeginChange();
  if (order_->IsGrouped()) order_->Ungroup();
  order_->SetOrder(std::move(order));
  order_->EndChange();
  RestoreSelection(saved);
  return true;
}

void CGridListCtrlEx::OnColumnClick(int column) {
  setFocus();
  const CGridColumnTrait* trait = GetColumnTrait(column);
  if (!trait || !trait->GetColumnState().sortable) return;
  const bool ascending = column == sortColumn_ ? !sortAscending_ : true;
  sortColumn_ = column;
  sortAscending_ = ascending;
  emit sortRequested(column, ascending);
  if (SortColumn(column, ascending)) SetSortArrow(column, ascending);
}

QString CGridListCtrlEx::CellTextOf(int row, int column) const {
  QString text;
  QueryCellText(row, column, text);
  return text;
}

// ---------------------------------------------------------------------------------------------
// Typed search

qint64 CGridListCtrlEx::SearchClockMs() const { return clock_->elapsed(); }

int CGridListCtrlEx::FindRowByPrefix(int column, int startRow, const QString& prefix, bool includeStart) const {
  const int n = GetViewRowCount();
  if (n == 0 || prefix.isEmpty() || column < 0 || column >= GetColumnCount()) return -1;
  startRow = std::clamp(startRow, 0, n - 1);
  QString text;
  auto matches = [&](int viewRow) {
    const int owner = OwnerRow(viewRow);
    if (owner < 0) return false;
    text.clear();
    QueryCellText(owner, column, text);
    return text.startsWith(prefix, Qt::CaseInsensitive);
  };
  const int first = includeStart ? startRow : startRow + 1;
  for (int r = first; r < n; ++r)
    if (matches(r)) return r;
  for (int r = 0; r < startRow; ++r)
    if (matches(r)) return r;
  return -1;
}

void CGridListCtrlEx::OnChar(QChar ch, bool ctrl) {
  if (ctrl) {
    searchText_.clear();
    repeatCount_ = -1;
    return;
  }
  const int column = focusColumn_ >= 0 ? focusColumn_ : GetFirstVisibleColumn();
  if (column < 0) return;
  const qint64 now = SearchClockMs();
  const int focusRow = GetFocusRow();
  if (lastSearchMs_ < 0 || now - lastSearchMs_ >= 2000 || focusColumn_ != lastSearchColumn_ ||
      focusRow != lastSearchRow_)
    searchText_.clear();
  if (searchText_.isEmpty()) repeatCount_ = -1;
  lastSearchColumn_ = focusColumn_;
  lastSearchMs_ = now;
  bool stepping = false;
  if (searchText_.size() == 1 && searchText_[0] == ch) {
    ++repeatCount_;
    stepping = true;
  } else {
    if (repeatCount_ >= 0) {
      searchText_ += QString(repeatCount_ + 1, searchText_[0]);
      repeatCount_ = -1;
    }
    searchText_ += ch;
  }
  // A grown prefix may stay on the focused row; a repeated letter steps past it.
  const int start = focusRow >= 0 ? focusRow : 0;
  const int found = FindRowByPrefix(column, start, searchText_, !stepping || focusRow < 0);
  lastSearchRow_ = found;
  if (found >= 0) {
    const QModelIndex index = order_->index(found, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
  }
}

void CGridListCtrlEx::keyboardSearch(const QString& search) {
  for (QChar ch : search) OnChar(ch, false);
}

// ---------------------------------------------------------------------------------------------
// Keyboard and mouse

void CGridListCtrlEx::MoveFocusCell(bool right) {
  if (GetViewRowCount() == 0) {
    focusColumn_ = -1;
    return;
  }
  QHeaderView* h = header();
  if (focusColumn_ >= 0) {
    // Step over hidden columns; left past the first visible one gives the whole row.
    int position = h->visualIndex(focusColumn_);
    for (;;) {
      position += right ? 1 : -1;
      if (position < 0 || position >= h->count()) {
        if (!right) focusColumn_ = -1;
        break;
      }
      const int column = h->logicalIndex(position);
      if (!h->isSectionHidden(column) && IsColumnVisible(column)) {
        focusColumn_ = column;
        break;
      }
    }
  } else if (right) {
    focusColumn_ = GetFirstVisibleColumn();
  }
  if (focusColumn_ >= 0) EnsureColumnVisible(focusColumn_, false);
  RedrawFocusRow();
}

void CGridListCtrlEx::keyPressEvent(QKeyEvent* event) {
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
      if (!(event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier))) {
        MoveFocusCell(event->key() == Qt::Key_Right);
        event->accept();
        return;
      }
      break;
    case Qt::Key_Space:
      if (checkBoxes_ && GetFocusRow() >= 0 && OwnerRow(GetFocusRow()) >= 0) ToggleOwnerDataCheck(OwnerRow(GetFocusRow()));
      break;
    case Qt::Key_C:
      if (ctrl) {
        CopyToClipboard();
        event->accept();
        return;
      }
      break;
    case Qt::Key_Plus:
      if (ctrl && (event->modifiers() & Qt::KeypadModifier)) {
        AutoSizeColumn(-1, false);
        event->accept();
        return;
      }
      break;
    case Qt::Key_F2:
      EditCell(GetFocusRow(), focusColumn_);
      break;
    default:
      break;
  }
  const QString text = event->text();
  if (!text.isEmpty() && text[0].isPrint() && event->key() != Qt::Key_Space &&
      !(event->modifiers() & Qt::AltModifier) && !(ctrl && event->key() == Qt::Key_A)) {
    for (QChar ch : text) OnChar(ch, ctrl);
    event->accept();
    return;
  }
  if (ctrl && event->key() == Qt::Key_A && selectionMode() == QAbstractItemView::SingleSelection) return;
  QTreeView::keyPressEvent(event);
}

bool CGridListCtrlEx::ClickStartsEdit(int viewRow, int column, const QPoint& point) {
  if (QGuiApplication::keyboardModifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) return false;
  CGridColumnTrait* trait = GetColumnTrait(column);
  if (trait) {
    if (!trait->GetColumnState().editable) return false;
    if (!trait->IsCellEditable(*this, OwnerRow(viewRow), column, point)) return false;
    if (!trait->GetColumnState().editFocusOnly) return true;
  }
  return viewRow == GetFocusRow() && column == focusColumn_;
}

void CGridListCtrlEx::mousePressEvent(QMouseEvent* event) {
  setFocus();
  int row, column;
  const QPoint pos = event->position().toPoint();
  if (!HitTestCell(pos, row, column)) {
    QTreeView::mousePressEvent(event);
    return;
  }
  const bool edit = event->button() == Qt::LeftButton && ClickStartsEdit(row, column, pos);
  focusColumn_ = column;
  // A click left of the icon of the first column toggles the check.
  if (event->button() == Qt::LeftButton && checkBoxes_ && column == 0) {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = GetCellRect(row, 0);
    QStyleOptionViewItem opt = option;
    opt.index = order_->index(row, 0);
    opt.features |= QStyleOptionViewItem::HasCheckIndicator;
    const QRect check = style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, this);
    if (pos.x() < check.right() + 2) ToggleOwnerDataCheck(OwnerRow(row));
  }
  QTreeView::mousePressEvent(event);
  RedrawFocusRow();
  if (edit) EditCell(row, column);
}

void CGridListCtrlEx::focusOutEvent(QFocusEvent* event) {
  manager_->OnOwnerFocusLost(*this);
  QTreeView::focusOutEvent(event);
}

void CGridListCtrlEx::contextMenuEvent(QContextMenuEvent* event) {
  setFocus();
  if (event->reason() == QContextMenuEvent::Keyboard) {
    OnKeyboardContextMenu();
    return;
  }
  RedrawFocusRow();
  int row, column;
  if (!HitTestCell(event->pos(), row, column)) OnGridContextMenu(event->globalPos());
  else OnCellContextMenu(event->globalPos(), row, column);
}

void CGridListCtrlEx::OnKeyboardContextMenu() {
  const int row = GetFocusRow();
  if (row >= 0 && OwnerRow(row) >= 0) {
    QRect r = focusColumn_ >= 0 ? GetCellRect(row, focusColumn_) : visualRect(order_->index(row, 0));
    if (focusColumn_ < 0) r.setWidth(viewport()->width());
    const QPoint p = viewport()->mapToGlobal(QPoint(r.left() + std::min(r.width() / 2, r.height() / 2), r.top() + r.height() / 2));
    OnCellContextMenu(p, row, focusColumn_);
  } else {
    OnGridContextMenu(viewport()->mapToGlobal(QPoint(0, 0)));
  }
}

void CGridListCtrlEx::AppendColumnItems(QMenu* menu, int column, const HeaderMenuIds& ids) {
  QString text;
  auto add = [&](const QString& label, int command, auto handler) {
    QAction* action = menu->addAction(label);
    action->setData(command);
    connect(action, &QAction::triggered, this, handler);
    return action;
  };
  if (manager_->HasColumnEditor(*this, column, text))
    add(text, ids.editor, [this, column] { manager_->OpenColumnEditor(*this, column); });
  if (manager_->HasColumnPicker(*this, text)) {
    add(text, ids.picker, [this] { manager_->OpenColumnPicker(*this); });
  } else {
    if (!menu->isEmpty()) menu->addSeparator();
    for (int c = 0; c < GetColumnCount(); ++c) {
      if (IsColumnAlwaysHidden(c)) continue;
      QAction* a = add(GetColumnHeading(c), ids.columnBase + c, [this, c] { ShowColumn(c, !IsColumnVisible(c)); });
      a->setCheckable(true);
      a->setChecked(IsColumnVisible(c));
      a->setEnabled(!IsColumnAlwaysVisible(c));
    }
  }
  QStringList profiles;
  const QString current = manager_->GetColumnProfile(*this, profiles);
  if (!profiles.isEmpty()) {
    menu->addSeparator();
    QMenu* sub = menu->addMenu(current);
    for (int i = 0; i < profiles.size(); ++i) {
      QAction* a = sub->addAction(profiles[i]);
      a->setData(ids.profileBase + i);
      a->setCheckable(true);
      a->setChecked(profiles[i] == current);
      const QString name = profiles[i];
      connect(a, &QAction::triggered, this, [this, name] { manager_->SelectColumnProfile(*this, name); });
    }
  }
  if (manager_->HasColumnReset(*this, text)) {
    if (profiles.isEmpty()) menu->addSeparator();
    add(text, ids.reset, [this] { manager_->ResetColumns(*this); });
  }
}

QMenu* CGridListCtrlEx::CreateHeaderMenu(int column) {
  QMenu* menu = new QMenu(this);
  AppendColumnItems(menu, column, {1, 2, 3, 4, GetColumnCount() + 5});
  return menu;
}

void CGridListCtrlEx::OnHeaderContextMenu(const QPoint& globalPos, int column) {
  setFocus();
  PopUpMenu(CreateHeaderMenu(column), globalPos);
}

void CGridListCtrlEx::PopUpMenu(QMenu* menu, const QPoint& globalPos) {
  if (menu->isEmpty()) {
    delete menu;
    return;
  }
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(globalPos);
}

CGridListCtrlEx::WaitCursor::WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }

CGridListCtrlEx::WaitCursor::~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }

void CGridListCtrlEx::SetColumnElideMode(int column, Qt::TextElideMode mode) {
  columnElide_[column] = mode;
  viewport()->update();
}

Qt::TextElideMode CGridListCtrlEx::ColumnElideMode(int column) const {
  auto it = columnElide_.find(column);
  return it == columnElide_.end() ? textElideMode() : it->second;
}

bool CGridListCtrlEx::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip && !AllowsCellTooltip(static_cast<QHelpEvent*>(event)->pos())) {
    event->ignore();
    return true;
  }
  return QTreeView::viewportEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Cell editing (traits supply editors; the text trait has none)

QWidget* CGridListCtrlEx::BeginCellEdit(int viewRow, int column) {
  CGridColumnTrait* trait = GetColumnTrait(column);
  if (!trait || !trait->GetColumnState().editable) return nullptr;
  return trait->CreateEditor(*this, OwnerRow(viewRow), column);
}

QWidget* CGridListCtrlEx::EditCell(int viewRow, int column) {
  if (viewRow < 0 || column < 0 || OwnerRow(viewRow) < 0) return nullptr;
  QWidget* editor = BeginCellEdit(viewRow, column);
  if (!editor) return nullptr;
  editor->setParent(viewport());
  editor->setGeometry(GetCellRect(viewRow, column));
  editor->show();
  editor->setFocus();
  return editor;
}

void CGridListCtrlEx::EndCellEdit(int viewRow, int column, QWidget*, const QString* text) {
  if (CGridColumnTrait* trait = GetColumnTrait(column)) trait->OnEditEnd();
  if (text && !IsOwnerData()) SetItemText(OwnerRow(viewRow), column, *text);
  setFocus();
}

// ---------------------------------------------------------------------------------------------
// Drawing

void CGridListCtrlEx::CustomDrawRow(int row, GridDrawRecord& record) {
  if (CGridRowTrait* trait = GetRowTrait(row)) trait->CustomDraw(*this, record);
}

void CGridListCtrlEx::CustomDrawCell(int row, int column, GridDrawRecord& record) {
  CGridColumnTrait* trait = GetCellTrait(row, column);
  if (!trait) return;
  if (!IsColumnVisible(column)) {
    record.skipDefault = true;
    return;
  }
  trait->CustomDraw(*this, record);
}

void CGridListCtrlEx::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const int viewRow = index.row();
  if (order_->GroupIndexAt(viewRow) >= 0) {
    DrawGroupRow(painter, option, viewRow);
    return;
  }
  const bool selected = IsViewRowSelected(viewRow) || viewRow == hotRow_;
  const QHeaderView* h = header();
  const int width = viewport()->width();
  const int count = h->count();
  int firstShown = -1, lastShown = -1;
  for (int v = 0; v < count; ++v) {
    const int column = h->logicalIndex(v);
    if (h->isSectionHidden(column)) continue;
    if (firstShown < 0) firstShown = v;
    lastShown = v;
  }
  for (int v = firstShown; v >= 0 && v <= lastShown; ++v) {
    const int column = h->logicalIndex(v);
    if (h->isSectionHidden(column)) continue;
    const int x = h->sectionViewportPosition(column);
    const int w = h->sectionSize(column);
    if (x >= width || x + w <= 0) continue;
    QStyleOptionViewItem cell = option;
    cell.rect = QRect(x, option.rect.y(), w, option.rect.height());
    cell.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    if (selected) cell.state |= QStyle::State_Selected;
    cell.viewItemPosition = firstShown == lastShown ? QStyleOptionViewItem::OnlyOne
                            : v == firstShown       ? QStyleOptionViewItem::Beginning
                            : v == lastShown        ? QStyleOptionViewItem::End
                                                    : QStyleOptionViewItem::Middle;
    const QModelIndex cellIndex = order_->index(viewRow, column);
    itemDelegateForIndex(cellIndex)->paint(painter, cell, cellIndex);
  }
  // Focus: the focus cell, or the whole row without one.
  if (viewRow == GetFocusRow() && hasFocus()) {
    QRect r;
    if (focusColumn_ >= 0 && !h->isSectionHidden(focusColumn_)) {
      r = QRect(h->sectionViewportPosition(focusColumn_), option.rect.y(), h->sectionSize(focusColumn_), option.rect.height());
    } else if (firstShown >= 0) {
      const int left = h->sectionViewportPosition(h->logicalIndex(firstShown));
      const int last = h->logicalIndex(lastShown);
      r = QRect(left, option.rect.y(), h->sectionViewportPosition(last) + h->sectionSize(last) - left, option.rect.height());
    }
    if (r.isValid()) {
      QStyleOptionFocusRect focus;
      focus.QStyleOption::operator=(option);
      focus.rect = r;
      focus.state |= QStyle::State_KeyboardFocusChange;
      const bool focusSelected = selected && focusColumn_ < 0;
      focus.backgroundColor = palette().color(focusSelected ? QPalette::Highlight : QPalette::Base);
      style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, this);
    }
  }
}

void CGridListCtrlEx::DrawGroupRow(QPainter* painter, const QStyleOptionViewItem& option, int viewRow) const {
  const int g = order_->GroupIndexAt(viewRow);
  const GridOrderModel::Group& group = order_->Groups()[g];
  const QRect row(0, option.rect.y(), viewport()->width(), option.rect.height());
  painter->save();
  painter->fillRect(row, palette().base());
  QStyleOption arrow;
  arrow.rect = QRect(row.left() + 2, row.top(), 16, row.height());
  arrow.palette = palette();
  arrow.state = QStyle::State_Enabled | QStyle::State_Children | (group.collapsed ? QStyle::State_None : QStyle::State_Open);
  style()->drawPrimitive(QStyle::PE_IndicatorBranch, &arrow, painter, this);
  QFont bold = GetGridFont();
  bold.setBold(true);
  painter->setFont(bold);
  painter->setPen(palette().color(QPalette::Link));
  const QRect textRect = row.adjusted(22, 0, -4, 0);
  QRect drawn;
  painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, group.header, &drawn);
  const int lineLeft = (group.header.isEmpty() ? textRect.left() : drawn.right()) + 8;
  if (lineLeft < row.right() - 4) {
    painter->setPen(palette().color(QPalette::Mid));
    painter->drawLine(lineLeft, row.center().y(), row.right() - 4, row.center().y());
  }
  if (viewRow == GetFocusRow() && hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(option);
    focus.rect = row.adjusted(1, 0, -1, 0);
    focus.backgroundColor = palette().color(QPalette::Base);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, this);
  }
  painter->restore();
}

void CGridListCtrlEx::paintEvent(QPaintEvent* event) {
  if (GetViewRowCount() == 0 && !emptyText_.isEmpty()) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().base());
    painter.setFont(GetGridFont());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(viewport()->rect(), Qt::AlignCenter | Qt::TextSingleLine, emptyText_);
    return;
  }
  QTreeView::paintEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Drag and drop

QMimeData* CGridListCtrlEx::CreateDragData() const {
  if (GetSelectedCount() == 0) return nullptr;
  return new GridDragData(this);
}

bool CGridListCtrlEx::IsDragSource(const QMimeData* data) const {
  return data && data->hasFormat(QLatin1String(kRowDragMime)) && data->data(QLatin1String(kRowDragMime)) == SourceName(this);
}

void CGridListCtrlEx::startDrag(Qt::DropActions) { OnBeginOleDrag(); }

void CGridListCtrlEx::OnBeginOleDrag() {
  const int focusRow = GetFocusRow();
  focusColumn_ = -1;
  RedrawFocusRow();
  QMimeData* data = CreateDragData();
  if (!data) return;
  const Qt::DropAction effect = DoRowDrag(data);
  SetHotRow(-1);
  if (effect == Qt::IgnoreAction && focusRow >= 0 && focusRow < GetViewRowCount()) SetFocusRow(focusRow);
}

Qt::DropAction CGridListCtrlEx::DoRowDrag(QMimeData* data) {
  QDrag* drag = new QDrag(this);
  drag->setMimeData(data);
  return drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::MoveAction);
}

Qt::DropAction CGridListCtrlEx::OnRowDragEnter(const QMimeData* data, Qt::KeyboardModifiers, const QPoint&) {
  return IsDragSource(data) ? Qt::MoveAction : Qt::IgnoreAction;
}

Qt::DropAction CGridListCtrlEx::OnRowDragOver(const QMimeData* data, Qt::KeyboardModifiers, const QPoint& point) {
  if (!IsDragSource(data)) return Qt::IgnoreAction;
  SetHotRow(ViewRowAt(point));
  return Qt::MoveAction;
}

void CGridListCtrlEx::OnRowDragLeave() { SetHotRow(-1); }

bool CGridListCtrlEx::OnRowDrop(const QMimeData* data, Qt::DropAction action, const QPoint& point) {
  return IsDragSource(data) ? OnRowDropSelf(data, action, point) : OnRowDropForeign(data, action, point);
}

bool CGridListCtrlEx::OnRowDropSelf(const QMimeData*, Qt::DropAction, const QPoint& point) {
  const int row = ViewRowAt(point);
  if (MoveSelectedRows(row) && row >= 0) {
    scrollTo(order_->index(row, 0));
    SetFocusRow(row);
  }
  return true;
}

void CGridListCtrlEx::SetHotRow(int viewRow) {
  if (hotRow_ == viewRow) return;
  hotRow_ = viewRow;
  viewport()->update();
}

bool CGridListCtrlEx::MoveSelectedRows(int dropRow) {
  if (IsOwnerData() || order_->IsGrouped()) return false;
  const int n = GetViewRowCount();
  std::vector<int> selected;
  for (int r = 0; r < n; ++r)
    if (IsViewRowSelected(r)) selected.push_back(r);
  if (selected.empty()) return false;
  if (selected.size() == 1 && selected[0] == dropRow) return false;
  const int drop = dropRow < 0 || dropRow >= n ? n : dropRow;
  std::vector<bool> isSelected(size_t(n), false);
  for (int r : selected) isSelected[r] = true;
  // The block keeps its order; the drop row stays before it when a selected row came from above.
  const bool dropBeforeBlock = selected.front() < drop;
  std::vector<int32_t> viewOrder;
  viewOrder.reserve(n);
  for (int r = 0; r < drop; ++r)
    if (!isSelected[r]) viewOrder.push_back(r);
  const bool dropMoves = drop < n && !isSelected[drop];
  if (dropMoves && dropBeforeBlock) viewOrder.push_back(drop);
  for (int r : selected) viewOrder.push_back(r);
  if (dropMoves && !dropBeforeBlock) viewOrder.push_back(drop);
  for (int r = drop + 1; r < n; ++r)
    if (!isSelected[r]) viewOrder.push_back(r);
  // Stored rows take the new order; the view shows them in it.
  std::vector<int32_t> oldOfNew(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) oldOfNew[i] = OwnerRow(viewOrder[i]);
  std::vector<int32_t> newOfOld(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) newOfOld[oldOfNew[i]] = i;
  SavedSelection saved = SaveSelection();
  std::vector<int> owners = GetSelectedOwnerRows();
  for (int& o : owners) o = newOfOld[o];
  if (saved.focusOwner >= 0) saved.focusOwner = newOfOld[saved.focusOwner];
  WaitCursor wait;
  stored_->Permute(oldOfNew);
  selection_->SetOwners(owners);
  RestoreSelection(saved);
  return true;
}

void CGridListCtrlEx::dragEnterEvent(QDragEnterEvent* event) {
  const Qt::DropAction action = OnRowDragEnter(event->mimeData(), event->modifiers(), event->position().toPoint());
  if (action == Qt::IgnoreAction) {
    event->ignore();
    return;
  }
  event->setDropAction(action);
  event->accept();
}

void CGridListCtrlEx::dragMoveEvent(QDragMoveEvent* event) {
  const QPoint pos = event->position().toPoint();
  const Qt::DropAction action = OnRowDragOver(event->mimeData(), event->modifiers(), pos);
  if (action == Qt::IgnoreAction) {
    event->ignore();
    return;
  }
  // Near the top or bottom edge the view's own timer scrolls.
  const int margin = autoScrollMargin();
  if (pos.y() < margin || pos.y() > viewport()->height() - margin) startAutoScroll();
  event->setDropAction(action);
  event->accept();
}

void CGridListCtrlEx::dragLeaveEvent(QDragLeaveEvent* event) {
  stopAutoScroll();
  OnRowDragLeave();
  event->accept();
}

void CGridListCtrlEx::dropEvent(QDropEvent* event) {
  stopAutoScroll();
  const bool done = OnRowDrop(event->mimeData(), event->dropAction(), event->position().toPoint());
  SetHotRow(-1);
  if (done) {
    event->setDropAction(Qt::MoveAction);
    event->accept();
  } else {
    event->ignore();
  }
}
