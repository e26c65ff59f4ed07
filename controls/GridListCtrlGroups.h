// Grid list with groups: rows grouped by the distinct texts of one column, each group a full-width
// row of the same flat model that collapses and expands; sorting while grouped orders the groups;
// rows dropped on a group move into it.
#pragma once

#include "controls/GridListCtrlEx.h"

class CGridListCtrlGroups : public CGridListCtrlEx {
  Q_OBJECT
 public:
  // Group states.
  static constexpr int kGroupNormal = 0;
  static constexpr int kGroupCollapsed = 1;
  static constexpr int kGroupCollapsible = 8;

  explicit CGridListCtrlGroups(QWidget* parent = nullptr);

  // Adds a group at a display index (grouping starts with the first one); its rows are added
  // with SetRowGroupId. Returns the index or -1.
  virtual int InsertGroupHeader(int index, int groupId, const QString& header, int state = kGroupNormal);
  virtual QString GetGroupHeader(int groupId) const;
  virtual int GetRowGroupId(int row) const;  // owner row; -1 while not grouped
  virtual bool SetRowGroupId(int row, int groupId);
  virtual int GroupHitTest(const QPoint& point) const;  // viewport point; group id or -1
  virtual bool GroupByColumn(int column);
  virtual bool DeleteGroup(int groupId);
  virtual bool IsGroupStateEnabled() const;
  virtual void CheckEntireGroup(int groupId, bool check);
  virtual bool HasGroupState(int groupId, int state) const;
  virtual bool SetGroupState(int groupId, int state);
  virtual void CollapseAllGroups();
  virtual void ExpandAllGroups();
  virtual bool QueryCellGroup(int, int, int&) const { return false; }
  virtual void OnGroupContextMenu(const QPoint& globalPos, int groupId);
  virtual bool HasEmptyListText() const { return !GetEmptyListText().isEmpty(); }
  // Switches grouping off; the rows keep their order.
  void RemoveAllGroups();
  int GetGroupCount() const { return int(GetOrderModel()->Groups().size()); }
  int GetGroupId(int displayIndex) const;

  bool SortColumn(int column, bool ascending) override;
  bool OnRowDropSelf(const QMimeData* data, Qt::DropAction action, const QPoint& point) override;
  virtual bool MoveSelectedRowsToGroup(int groupId);
  void OnGridContextMenu(const QPoint& globalPos) override;
  QMenu* CreateHeaderMenu(int column) override;
  // Menus without showing them (the caller owns them).
  QMenu* CreateGridMenu();
  QMenu* CreateGroupMenu(int groupId);

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void DisableGroupingKeepingScroll();
};
