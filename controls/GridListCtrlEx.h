// Report list as a grid: a flat QTreeView over its own order model. Each column has a trait that
// decides how its cells draw, sort and edit; one row trait colours whole rows; a focus cell can be
// moved with the keyboard; columns hide and show; every list sorts; rows are found by typing,
// copied as tab-separated text and dragged.
//
// Rows come from the list's own store (InsertItem, SetItemText) or from the owner's flat table
// model (SetOwnerModel). Once sorted or grouped, rows in display order ("view rows") differ from
// the owner's rows: the Query* hooks, GetCellText and the selection accessors take owner rows;
// positions (hit tests, focus, search, drop rows) are view rows. OwnerRow and ViewRow convert.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QTreeView>

#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "controls/GridOrderModel.h"
#include "controls/GridSelectionModel.h"
#include "controls/GridTraits.h"

class QMenu;
class QMimeData;
class GridCellDelegate;

class CGridListCtrlEx : public QTreeView {
  Q_OBJECT
 public:
  // Private drag type; its data names the list that started the drag.
  static constexpr const char* kRowDragMime = "application/x-pellamor-grid-rows";

  explicit CGridListCtrlEx(QWidget* parent = nullptr);
  ~CGridListCtrlEx() override;

  // --- Data -----------------------------------------------------------------------------------
  // Owner data: the owner's flat table model supplies the cells (column c reads its column c);
  // its row signals replace an item count. nullptr returns to the list's own rows.
  void SetOwnerModel(QAbstractItemModel* model);
  QAbstractItemModel* GetOwnerModel() const { return owner_; }
  bool IsOwnerData() const { return owner_ != nullptr; }
  GridOrderModel* GetOrderModel() const { return order_; }

  int InsertItem(int row, const QString& text);  // stored rows; returns the owner row or -1
  bool SetItemText(int row, int column, const QString& text);
  QString GetItemText(int row, int column) const;
  bool SetItemIcon(int row, const QIcon& icon);
  bool SetItemData(int row, quintptr data);
  quintptr GetItemData(int row) const;
  bool DeleteItem(int row);
  void DeleteAllItems();
  int GetItemCount() const;  // owner rows

  void SetCheckBoxes(bool on);
  bool HasCheckBoxes() const { return checkBoxes_; }
  bool GetCheck(int row) const { return QueryOwnerDataCheck(row); }

  // --- Rows and selection -----------------------------------------------------------------------
  int OwnerRow(int viewRow) const { return order_->OwnerRow(viewRow); }
  int ViewRow(int ownerRow) const { return order_->ViewRow(ownerRow); }
  int GetViewRowCount() const { return order_->ViewCount(); }
  std::vector<int> GetSelectedOwnerRows() const;  // ascending
  qint64 GetSelectedCount() const;
  bool IsViewRowSelected(int viewRow) const;
  // Selects the given owner rows (and nothing else).
  void SelectOwnerRows(const std::vector<int>& ownerRows);
  int GetFocusRow() const;  // view row, -1 for none
  void SetFocusRow(int viewRow);
  int GetFocusColumn() const { return focusColumn_; }
  void SetFocusColumn(int column);
  int GetSortColumn() const { return sortColumn_; }
  bool IsSortAscending() const { return sortAscending_; }

  // --- Columns --------------------------------------------------------------------------------
  int InsertColumn(int index, const QString& heading, Qt::Alignment format = Qt::AlignLeft, int width = -1);
  int InsertColumnTrait(int index, const QString& heading, Qt::Alignment format, int width, int subItem,
                        CGridColumnTrait* trait);
  bool DeleteColumn(int column);
  int GetColumnCount() const { return int(traits_.size()); }
  QString GetColumnHeading(int column) const { return order_->Heading(column); }
  bool SetColumnWidth(int column, int width);  // refused for hidden and fixed columns
  int GetColumnWidth(int column) const;

  void SetEmptyListText(const QString& text);
  QString GetEmptyListText() const { return emptyText_; }

  // Rectangle of a cell in viewport coordinates (view row).
  QRect GetCellRect(int viewRow, int column) const;
  // View row and column at a viewport point; false when off the rows.
  bool HitTestCell(const QPoint& point, int& viewRow, int& column) const;
  bool SetExplorerTheme();

  // Text of the selected rows (or the single focus cell); false with nothing selected.
  virtual bool GetSelectedText(QString& text, bool includeHeader) const;
  // Data of a drag of the selected rows; nullptr when none is selected.
  QMimeData* CreateDragData() const;
  // The header menu that a right click shows; the caller owns it.
  virtual QMenu* CreateHeaderMenu(int column);

  // --- Virtual operations -------------------------------------------------------------------------
  virtual QFont GetGridFont() const;
  virtual void SetCellMarginFactor(double factor);
  virtual CGridRowTrait* GetRowTrait(int row);
  virtual void SetDefaultRowTrait(CGridRowTrait* trait);
  virtual bool EnsureColumnVisible(int column, bool allowPartial);
  virtual void AutoSizeColumn(int column = -1, bool includeHeader = false);
  virtual void SetSortArrow(int column, bool ascending);
  virtual bool ShowColumn(int column, bool show);
  virtual bool IsColumnVisible(int column) const;
  virtual bool IsColumnResizable(int column) const;
  virtual bool IsColumnAlwaysVisible(int column) const;
  virtual bool IsColumnAlwaysHidden(int column) const;
  virtual int GetFirstVisibleColumn() const;
  virtual int InsertHiddenLabelColumn();
  virtual CGridColumnTrait* GetColumnTrait(int column) const;  // nullptr outside
  virtual void SetColumnManager(CGridColumnManager* manager);
  CGridColumnManager* GetColumnManager() const { return manager_.get(); }
  virtual QWidget* EditCell(int viewRow, int column);
  virtual CGridColumnTrait* GetCellTrait(int, int column) const { return GetColumnTrait(column); }
  virtual bool QueryCellText(int row, int column, QString& text) const;
  virtual bool QueryCellImage(int row, int column, QIcon& icon) const;
  virtual bool QueryCellTooltip(int row, int column, QString& text) const;
  virtual bool AllowsCellTooltip(const QPoint&) const { return true; }
  virtual bool QueryCellColors(int, int, QColor&, QColor&) const { return false; }
  virtual bool QueryCellFont(int, int, QFont&) const { return false; }
  virtual bool QueryRowColors(int, QColor&, QColor&) const { return false; }
  virtual bool QueryRowFont(int, QFont&) const { return false; }
  virtual void SetHotRow(int viewRow);
  virtual bool GetCellText(int row, int column, QString& text) const;  // row -1: heading
  virtual bool GetRowText(int row, QString& text) const;               // row -1: header line
  virtual bool GetDragText(QString& text) const { return GetSelectedText(text, false); }
  virtual bool QueryOwnerDataCheck(int row) const;
  virtual void ToggleOwnerDataCheck(int row);
  // View row whose text in the column starts with the prefix (ignoring case): from start (itself
  // included when includeStart) to the last row, then from the first; -1 when none.
  virtual int FindRowByPrefix(int column, int startRow, const QString& prefix, bool includeStart = false) const;
  virtual bool DeleteColumnTrait(int column);
  virtual bool SortColumn(int column, bool ascending);

  virtual bool RegisterDropTarget() { return true; }
  virtual Qt::DropAction DoRowDrag(QMimeData* data);
  virtual Qt::DropAction OnRowDragEnter(const QMimeData* data, Qt::KeyboardModifiers keys, const QPoint& point);
  virtual Qt::DropAction OnRowDragOver(const QMimeData* data, Qt::KeyboardModifiers keys, const QPoint& point);
  virtual void OnRowDragLeave();
  virtual bool OnRowDrop(const QMimeData* data, Qt::DropAction action, const QPoint& point);
  virtual bool OnRowDropSelf(const QMimeData* data, Qt::DropAction action, const QPoint& point);
  virtual bool OnRowDropForeign(const QMimeData*, Qt::DropAction, const QPoint&) { return false; }
  virtual bool MoveSelectedRows(int dropRow);  // view row, -1 after the last
  bool IsDragSource(const QMimeData* data) const;
  int GetHotRow() const { return hotRow_; }

  virtual void CustomDrawRow(int row, GridDrawRecord& record);
  virtual void CustomDrawCell(int row, int column, GridDrawRecord& record);
  virtual bool ClickStartsEdit(int viewRow, int column, const QPoint& point);
  virtual QWidget* BeginCellEdit(int viewRow, int column);
  virtual void EndCellEdit(int viewRow, int column, QWidget* editor, const QString* text);

  virtual void OnGridContextMenu(const QPoint&) {}
  virtual void OnHeaderContextMenu(const QPoint& globalPos, int column);
  virtual void OnKeyboardContextMenu();
  virtual void OnCellContextMenu(const QPoint&, int, int) {}
  virtual void ApplyGridStyle();
  virtual bool CopyToClipboard();
  virtual void OnBeginOleDrag();

  double GetCellMarginFactor() const { return marginFactor_; }
  // Where a cell too narrow for its text leaves it out (the view's mode for other columns).
  void SetColumnElideMode(int column, Qt::TextElideMode mode);
  Qt::TextElideMode ColumnElideMode(int column) const;

 signals:
  void sortRequested(int column, bool ascending);  // a header click, before the sort

 protected:
  // Milliseconds of a monotonic clock; the typed search's 2-second window uses it.
  virtual qint64 SearchClockMs() const;
  // Runs one typed character through the search (Ctrl held clears it).
  virtual void OnChar(QChar ch, bool ctrl);
  virtual void MoveFocusCell(bool right);
  virtual void OnColumnClick(int column);
  // Header menu items for the columns and the manager, with their command numbers.
  struct HeaderMenuIds {
    int editor, picker, reset, columnBase, profileBase;
  };
  void AppendColumnItems(QMenu* menu, int column, const HeaderMenuIds& ids);
  // View row under a viewport point wherever it lies across the row; -1 below the rows.
  int ViewRowAt(const QPoint& point) const;
  virtual void DrawGroupRow(QPainter* painter, const QStyleOptionViewItem& option, int viewRow) const;
  // Shows a menu that deletes itself when closed; an empty one is deleted at once.
  void PopUpMenu(QMenu* menu, const QPoint& globalPos);
  // Wait cursor for the length of a scope.
  struct WaitCursor {
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
  };

  // Structural changes keep the focused owner row and the scroll position (the selection is
  // kept per owner row anyway).
  struct SavedSelection {
    int focusOwner = -1;
    int scroll = 0;
  };
  SavedSelection SaveSelection() const;
  void RestoreSelection(const SavedSelection& saved);

  void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void startDrag(Qt::DropActions supportedActions) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void keyboardSearch(const QString& search) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  QModelIndexList selectedIndexes() const override;
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index, const QEvent* event = nullptr) const override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
  void reset() override;

  GridStoredModel* Stored() const { return stored_; }
  QAbstractItemModel* Source() const { return order_->Source(); }
  QString CellTextOf(int row, int column) const;

 private:
  friend class GridCellDelegate;
  void OnOrderDropped();
  void OnHeaderSectionResized(int column, int oldSize, int newSize);
  bool SortKeys(int column, bool ascending, std::vector<int32_t>& order) const;
  void RedrawFocusRow();

  GridOrderModel* order_;
  GridStoredModel* stored_;
  QPointer<QAbstractItemModel> owner_;
  GridCellDelegate* delegate_;
  std::vector<std::unique_ptr<CGridColumnTrait>> traits_;
  std::unique_ptr<CGridColumnManager> manager_;
  std::unique_ptr<CGridRowTrait> rowTrait_;
  int focusColumn_ = -1;
  std::map<int, Qt::TextElideMode> columnElide_;
  QString searchText_;
  qint64 lastSearchMs_ = -1;
  int lastSearchColumn_ = -1;
  int lastSearchRow_ = -1;
  int repeatCount_ = -1;
  int sortColumn_ = -1;
  bool sortAscending_ = false;
  double marginFactor_ = 1.0;
  QString emptyText_;
  bool checkBoxes_ = false;
  int hotRow_ = -1;
  bool settingWidth_ = false;
  GridSelectionModel* selection_ = nullptr;
  mutable QPersistentModelIndex pressedOnSelected_;  // a press kept a multiple selection for a drag
  mutable QItemSelectionModel::SelectionFlag ctrlDragFlag_ = QItemSelectionModel::Select;
  std::unique_ptr<QElapsedTimer> clock_;
  SavedSelection pendingRestructure_;
};
