// The grid list's own models: the order model that the view shows (display order of the owner's
// rows, and group rows while grouped) and the store of rows kept by the list itself.
#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

class CGridListCtrlEx;

// Role of an owner model's sort key: a number or a text, compared instead of the cell text.
constexpr int kGridSortKeyRole = Qt::UserRole + 0x501;

// Rows that the list keeps itself (InsertItem, SetItemText). One text per column.
class GridStoredModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  struct Row {
    QStringList texts;
    QIcon icon;
    bool checked = false;
    quintptr data = 0;
  };

  using QAbstractTableModel::QAbstractTableModel;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  int InsertRow(int row, const QString& text);
  bool SetText(int row, int column, const QString& text);
  bool RemoveRow(int row);
  void Clear();
  void InsertColumn(int column);
  void RemoveColumn(int column);
  // Row i becomes the old row oldOfNew[i]; announced as a layout change.
  void Permute(const std::vector<int32_t>& oldOfNew);
  Row* At(int row) { return row >= 0 && row < int(rows_.size()) ? &rows_[row] : nullptr; }
  const Row* At(int row) const { return row >= 0 && row < int(rows_.size()) ? &rows_[row] : nullptr; }

 private:
  std::vector<Row> rows_;
  int columns_ = 0;
};

// Flat model in display order. Per owner row it keeps one int32 of order (none while the order is
// the owner's own) and, while grouped, one int32 of group. Group rows have no owner row.
class GridOrderModel : public QAbstractItemModel {
  Q_OBJECT
 public:
  struct Group {
    int id = 0;
    QString header;
    bool collapsed = false;
    int32_t begin = 0;  // first member in the order
    int32_t count = 0;
  };

  explicit GridOrderModel(CGridListCtrlEx* list);
  void SetSource(QAbstractItemModel* source);
  QAbstractItemModel* Source() const { return source_; }

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Columns belong to the list.
  void InsertColumn(int index, const QString& heading, Qt::Alignment alignment);
  void RemoveColumn(int index);
  QString Heading(int column) const;
  Qt::Alignment Alignment(int column) const;

  int OwnerCount() const;
  int ViewCount() const { return viewCount_; }
  int OwnerRow(int viewRow) const;       // -1 for group rows and rows outside
  int GroupIndexAt(int viewRow) const;   // display index of a group row, else -1
  int GroupIndexOf(int viewRow) const;   // display index of the group holding the view row
  int ViewRow(int ownerRow) const;       // -1 when outside or in a collapsed group
  // Calls f(viewRow, ownerRow) for every view row in order (ownerRow -1 for group rows).
  template <class F>
  void ForEachViewRow(F f) const;
  // Owner rows in list order (groups in display order, collapsed members included).
  std::vector<int32_t> ListOrder() const;
  int OwnerAt(int listPosition) const { return order_.empty() ? listPosition : int(order_[listPosition]); }

  bool IsGrouped() const { return grouped_; }
  const std::vector<Group>& Groups() const { return groups_; }
  int GroupIndexOfId(int id) const;
  int GroupViewRow(int groupIndex) const {
    return groupIndex >= 0 && groupIndex < int(viewStart_.size()) ? viewStart_[groupIndex] : -1;
  }
  int GroupIdOfOwner(int ownerRow) const;

  // Structural changes, each inside one model reset that the list brackets.
  void BeginChange() { beginResetModel(); }
  void EndChange() { endResetModel(); }
  void SetOrder(std::vector<int32_t> order);  // ungrouped; empty = the owner's order
  // Groups rows by their texts (each fetched once, in list order), first occurrence first.
  void GroupByTexts(const std::function<QString(int)>& textOfOwner);
  void SetGroups(std::vector<int32_t> order, std::vector<int32_t> groupOfOwner, std::vector<Group> groups);
  void Ungroup();             // keeps the list order
  void SetAllCollapsed(bool collapsed);
  // Reorders groups (new display index -> old display index), members keep their order.
  void ReorderGroups(const std::vector<int>& oldOfNew);
  // Moves owner rows into a group (stays inside a reset).
  void MoveToGroup(const std::vector<int32_t>& ownerRows, int groupIndex);
  // Collapses or expands one group with row removal or insertion signals.
  bool SetCollapsed(int groupIndex, bool collapsed);
  int GroupColumn() const { return groupColumn_; }
  void SetGroupColumn(int column) { groupColumn_ = column; }

 signals:
  void orderDropped();  // the owner reset or reordered its rows: sort order and groups are gone
  // The owner inserts or removes rows where the view cannot follow with plain row signals: the
  // view is reset in between. Afterwards owner rows from first on moved by delta; with a negative
  // delta the rows first .. first - delta - 1 are gone.
  void aboutToRestructure();
  void restructured(int first, int delta);

 private:
  void Recount();
  void ClearOrder();  // drops the order and the groups
  void OnSourceRowsAboutToBeInserted(const QModelIndex& parent, int first, int last);
  void OnSourceRowsInserted(const QModelIndex& parent, int first, int last);
  void OnSourceRowsAboutToBeRemoved(const QModelIndex& parent, int first, int last);
  void OnSourceRowsRemoved(const QModelIndex& parent, int first, int last);
  void OnSourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles);
  void OnSourceAboutToReset();
  void OnSourceReset();
  void PlaceNewRows(int first, int last);

  struct ColumnInfo {
    QString heading;
    Qt::Alignment alignment;
  };

  CGridListCtrlEx* list_;
  QAbstractItemModel* source_ = nullptr;
  std::vector<ColumnInfo> columns_;
  std::vector<int32_t> order_;  // list order of owner rows; empty while it is the owner's own
  bool grouped_ = false;
  std::vector<int32_t> groupOf_;  // owner row -> group id, while grouped
  std::vector<Group> groups_;     // display order
  std::vector<int> indexOfId_;    // group id -> display index
  std::vector<int32_t> viewStart_;  // view row of each group row
  int viewCount_ = 0;
  int groupColumn_ = -1;         // column the groups came from, -1 for none
  bool plainInsert_ = false;  // the current source insertion is forwarded as it is
  bool plainRemove_ = false;
};

template <class F>
void GridOrderModel::ForEachViewRow(F f) const {
  if (!grouped_) {
    for (int r = 0; r < viewCount_; ++r) f(r, order_.empty() ? r : int(order_[r]));
    return;
  }
  int v = 0;
  for (const Group& g : groups_) {
    f(v++, -1);
    if (g.collapsed) continue;
    for (int32_t i = g.begin; i < g.begin + g.count; ++i) f(v++, int(order_[i]));
  }
}
