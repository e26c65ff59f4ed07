#include "Pellamor/FileIconView.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include "Pellamor/CommandIds.h"
#include "controls/GridListCtrlEx.h"

namespace {

// Draws an item as selected when the grid has its row selected.
class SelectedByGrid : public QStyledItemDelegate {
 public:
  SelectedByGrid(CGridListCtrlEx* grid, QObject* parent) : QStyledItemDelegate(parent), grid_(grid) {}

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (grid_->IsViewRowSelected(index.row())) option->state |= QStyle::State_Selected;
    else option->state &= ~QStyle::State_Selected;
  }

 private:
  CGridListCtrlEx* grid_;
};

}  // namespace

CFileIconView::CFileIconView(CGridListCtrlEx* grid) : QListView(grid), grid_(grid) {
  setItemDelegate(new SelectedByGrid(grid, this));
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setDragEnabled(false);
  setMovement(QListView::Static);
  setResizeMode(QListView::Adjust);
  // Items differ in width by their names (a list column is as wide as its widest name); large
  // folders are laid out in batches, so the window keeps answering.
  setLayoutMode(QListView::Batched);
  setBatchSize(2000);
  setTextElideMode(Qt::ElideMiddle);
  SetStyle(cmd::kViewLargeIcon);
}

void CFileIconView::SetStyle(int command) {
  style_ = command;
  const int small = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
  const int large = style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this);
  const int line = fontMetrics().height();
  switch (command) {
    case cmd::kViewLargeIcon:
      // Icons above their names, in rows.
      setViewMode(QListView::IconMode);
      setFlow(QListView::LeftToRight);
      setIconSize(QSize(large, large));
      setWordWrap(true);
      setGridSize(QSize(large * 3, large + line * 2 + 12));
      break;
    case cmd::kViewSmallIcon:
      // Small icons beside their names, in rows.
      setViewMode(QListView::ListMode);
      setFlow(QListView::LeftToRight);
      setIconSize(QSize(small, small));
      setWordWrap(false);
      setGridSize(QSize(small * 12, std::max(small, line) + 6));
      break;
    default:
      // Small icons beside their names, in columns as wide as their names.
      setViewMode(QListView::ListMode);
      setFlow(QListView::TopToBottom);
      setIconSize(QSize(small, small));
      setWordWrap(false);
      setGridSize(QSize());
      style_ = cmd::kViewList;
      break;
  }
  setWrapping(true);
  setMovement(QListView::Static);
  setResizeMode(QListView::Adjust);
}

void CFileIconView::Attach(bool on) {
  QAbstractItemModel* wanted = on ? grid_->GetOrderModel() : nullptr;
  if (on == (model() == grid_->GetOrderModel())) return;
  // Setting a model makes a selection model of the view's own, which goes again here.
  QItemSelectionModel* previous = selectionModel();
  setModel(wanted);
  QItemSelectionModel* made = selectionModel();
  if (on) setSelectionModel(grid_->selectionModel());
  for (QItemSelectionModel* m : {previous, made})
    if (m && m != grid_->selectionModel() && m != selectionModel()) delete m;
}

void CFileIconView::Arrange() { doItemsLayout(); }

QItemSelectionModel::SelectionFlags CFileIconView::selectionCommand(const QModelIndex& index,
                                                                    const QEvent* event) const {
  // A right press on a selected row keeps the selection for the row menu (the base class asks
  // the selection model's ranges, which the grid leaves empty).
  if (event && event->type() == QEvent::MouseButtonPress && index.isValid()) {
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    if (mouse->button() == Qt::RightButton && grid_->IsViewRowSelected(index.row()))
      return QItemSelectionModel::NoUpdate;
  }
  return QListView::selectionCommand(index, event);
}

void CFileIconView::selectionChanged(const QItemSelection&, const QItemSelection&) {
  // The grid's model announces a change without its ranges.
  viewport()->update();
}

void CFileIconView::contextMenuEvent(QContextMenuEvent* event) {
  setFocus();
  QPoint at = event->globalPos();
  if (event->reason() == QContextMenuEvent::Keyboard && currentIndex().isValid())
    at = viewport()->mapToGlobal(visualRect(currentIndex()).center());
  emit rowMenuRequested(at);
  event->accept();
}

void CFileIconView::mouseDoubleClickEvent(QMouseEvent* event) {
  QListView::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid()) emit rowDoubleClicked();
}
