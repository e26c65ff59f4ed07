// The file list's icon, small-icon and list styles: a list view over the grid's own order model
// and selection model, so rows, their order (a sort made in details stays), the selection and
// check marks are the grid's in every style. The grid's selection is kept per row rather than as
// ranges, so this view asks the grid which rows are selected where it draws and clicks.
#pragma once

#include <QListView>

class CGridListCtrlEx;

class CFileIconView : public QListView {
  Q_OBJECT

 public:
  explicit CFileIconView(CGridListCtrlEx* grid);

  // 59408 small icons, 59409 large icons, 59410 list (the command ids of the styles).
  void SetStyle(int command);
  int Style() const { return style_; }
  // Lays every item out on the grid again.
  void Arrange();
  // Shows the grid's rows (on) or none: while hidden the view keeps no layout of its own, so a
  // large folder listed in details costs it nothing.
  void Attach(bool on);

 signals:
  // A right click (or the menu key) asks for the row menu at that point.
  void rowMenuRequested(const QPoint& globalPos);
  // A double click on a row.
  void rowDoubleClicked();

 protected:
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event = nullptr) const override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  CGridListCtrlEx* grid_;
  int style_ = 0;
};
