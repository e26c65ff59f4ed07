#include "controls/GridOrderModel.h"

#include <QHash>

#include <algorithm>
#include <numeric>

#include "controls/GridListCtrlEx.h"

// ---------------------------------------------------------------------------------------------
// Stored rows

int GridStoredModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

int GridStoredModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

QVariant GridStoredModel::data(const QModelIndex& index, int role) const {
  const Row* r = At(index.row());
  if (!r || index.column() < 0 || index.column() >= columns_) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return index.column() < r->texts.size() ? r->texts[index.column()] : QString();
    case Qt::DecorationRole:
      if (index.column() == 0 && !r->icon.isNull()) return r->icon;
      return {};
    case Qt::CheckStateRole:
      return index.column() == 0 ? QVariant(r->checked ? Qt::Checked : Qt::Unchecked) : QVariant();
    default:
      return {};
  }
}

bool GridStoredModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  Row* r = At(index.row());
  if (!r) return false;
  if (role == Qt::CheckStateRole && index.column() == 0) {
    r->checked = value.toInt() == Qt::Checked;
  } else if (role == Qt::EditRole || role == Qt::DisplayRole) {
    return SetText(index.row(), index.column(), value.toString());
  } else {
    return false;
  }
  emit dataChanged(index, index, {role});
  return true;
}

int GridStoredModel::InsertRow(int row, const QString& text) {
  row = std::clamp(row, 0, int(rows_.size()));
  beginInsertRows({}, row, row);
  Row r;
  for (int c = 0; c < columns_; ++c) r.texts << QString();
  if (columns_ > 0) r.texts[0] = text;
  rows_.insert(rows_.begin() + row, std::move(r));
  endInsertRows();
  return row;
}

bool GridStoredModel::SetText(int row, int column, const QString& text) {
  Row* r = At(row);
  if (!r || column < 0 || column >= columns_) return false;
  r->texts[column] = text;
  emit dataChanged(index(row, column), index(row, column), {Qt::DisplayRole});
  return true;
}

bool GridStoredModel::RemoveRow(int row) {
  if (!At(row)) return false;
  beginRemoveRows({}, row, row);
  rows_.erase(rows_.begin() + row);
  endRemoveRows();
  return true;
}

void GridStoredModel::Clear() {
  beginResetModel();
  rows_.clear();
  endResetModel();
}

void GridStoredModel::InsertColumn(int column) {
  column = std::clamp(column, 0, columns_);
  beginInsertColumns({}, column, column);
  for (Row& r : rows_) r.texts.insert(column, QString());
  ++columns_;
  endInsertColumns();
}

void GridStoredModel::RemoveColumn(int column) {
  if (column < 0 || column >= columns_) return;
  beginRemoveColumns({}, column, column);
  for (Row& r : rows_) r.texts.removeAt(column);
  --columns_;
  endRemoveColumns();
}

void GridStoredModel::Permute(const std::vector<int32_t>& oldOfNew) {
  if (oldOfNew.size() != rows_.size()) return;
  emit layoutAboutToBeChanged();
  std::vector<Row> moved;
  moved.reserve(rows_.size());
  for (int32_t old : oldOfNew) moved.push_back(std::move(rows_[old]));
  rows_ = std::move(moved);
  // Persistent indexes follow their rows.
  std::vector<int32_t> newOfOld(oldOfNew.size());
  for (size_t i = 0; i < oldOfNew.size(); ++i) newOfOld[oldOfNew[i]] = int32_t(i);
  const QModelIndexList from = persistentIndexList();
  QModelIndexList to;
  for (const QModelIndex& i : from) to << index(newOfOld[i.row()], i.column());
  changePersistentIndexList(from, to);
  emit layoutChanged();
}

// ---------------------------------------------------------------------------------------------
// Order model

GridOrderModel::GridOrderModel(CGridListCtrlEx* list) : QAbstractItemModel(list), list_(list) {}

void GridOrderModel::SetSource(QAbstractItemModel* source) {
  beginResetModel();
  if (source_) disconnect(source_, nullptr, this, nullptr);
  source_ = source;
  ClearOrder();
  if (source_) {
    connect(source_, &QAbstractItemModel::rowsAboutToBeInserted, this, &GridOrderModel::OnSourceRowsAboutToBeInserted);
    connect(source_, &QAbstractItemModel::rowsInserted, this, &GridOrderModel::OnSourceRowsInserted);
    connect(source_, &QAbstractItemModel::rowsAboutToBeRemoved, this, &GridOrderModel::OnSourceRowsAboutToBeRemoved);
    connect(source_, &QAbstractItemModel::rowsRemoved, this, &GridOrderModel::OnSourceRowsRemoved);
    connect(source_, &QAbstractItemModel::dataChanged, this, &GridOrderModel::OnSourceDataChanged);
    connect(source_, &QAbstractItemModel::modelAboutToBeReset, this, &GridOrderModel::OnSourceAboutToReset);
    connect(source_, &QAbstractItemModel::modelReset, this, &GridOrderModel::OnSourceReset);
    // The owner reordered its own rows: our order no longer means anything.
    connect(source_, &QAbstractItemModel::layoutAboutToBeChanged, this, &GridOrderModel::OnSourceAboutToReset);
    connect(source_, &QAbstractItemModel::layoutChanged, this, &GridOrderModel::OnSourceReset);
    connect(source_, &QObject::destroyed, this, [this] {
      beginResetModel();
      source_ = nullptr;
      ClearOrder();
      endResetModel();
      emit orderDropped();
    });
  }
  endResetModel();
}

void GridOrderModel::ClearOrder() {
  order_.clear();
  grouped_ = false;
  groupOf_.clear();
  groups_.clear();
  indexOfId_.clear();
  groupColumn_ = -1;
  Recount();
}

QModelIndex GridOrderModel::index(int row, int column, const QModelIndex& parent) const {
  if (parent.isValid() || row < 0 || row >= viewCount_ || column < 0 || column >= int(columns_.size())) return {};
  return createIndex(row, column);
}

QModelIndex GridOrderModel::parent(const QModelIndex&) const { return {}; }

int GridOrderModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : viewCount_; }

int GridOrderModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(columns_.size()); }

bool GridOrderModel::hasChildren(const QModelIndex& parent) const { return !parent.isValid() && viewCount_ > 0; }

QVariant GridOrderModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const int column = index.column();
  const int owner = OwnerRow(index.row());
  if (owner < 0) {
    const int g = GroupIndexAt(index.row());
    if (g >= 0 && column == 0 && role == Qt::DisplayRole) return groups_[g].header;
    return {};
  }
  switch (role) {
    case Qt::DisplayRole: {
      QString text;
      list_->QueryCellText(owner, column, text);
      return text;
    }
    case Qt::DecorationRole: {
      QIcon icon;
      if (list_->QueryCellImage(owner, column, icon)) return icon;
      return {};
    }
    case Qt::CheckStateRole:
      if (column == 0 && list_->HasCheckBoxes()) return list_->QueryOwnerDataCheck(owner) ? Qt::Checked : Qt::Unchecked;
      return {};
    case Qt::ToolTipRole: {
      QString text;
      if (list_->QueryCellTooltip(owner, column, text) && !text.isEmpty()) return text;
      return {};
    }
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Alignment(column) | Qt::AlignVCenter);
    case kGridSortKeyRole:
      return source_ ? source_->data(source_->index(owner, column), role) : QVariant();
    default:
      return {};
  }
}

QVariant GridOrderModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= int(columns_.size())) return {};
  if (role == Qt::DisplayRole) return columns_[section].heading;
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(columns_[section].alignment | Qt::AlignVCenter);
  return {};
}

Qt::ItemFlags GridOrderModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  if (OwnerRow(index.row()) < 0) return Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren | Qt::ItemIsDragEnabled;
  if (index.column() == 0 && list_->HasCheckBoxes()) f |= Qt::ItemIsUserCheckable;
  return f;
}

void GridOrderModel::InsertColumn(int index, const QString& heading, Qt::Alignment alignment) {
  index = std::clamp(index, 0, int(columns_.size()));
  beginInsertColumns({}, index, index);
  columns_.insert(columns_.begin() + index, ColumnInfo{heading, alignment});
  endInsertColumns();
}

void GridOrderModel::RemoveColumn(int index) {
  if (index < 0 || index >= int(columns_.size())) return;
  beginRemoveColumns({}, index, index);
  columns_.erase(columns_.begin() + index);
  endRemoveColumns();
}

QString GridOrderModel::Heading(int column) const {
  return column >= 0 && column < int(columns_.size()) ? columns_[column].heading : QString();
}

Qt::Alignment GridOrderModel::Alignment(int column) const {
  return column >= 0 && column < int(columns_.size()) ? columns_[column].alignment : Qt::AlignLeft;
}

int GridOrderModel::OwnerCount() const { return source_ ? source_->rowCount() : 0; }

int GridOrderModel::OwnerRow(int viewRow) const {
  if (viewRow < 0 || viewRow >= viewCount_) return -1;
  if (!grouped_) return order_.empty() ? viewRow : int(order_[viewRow]);
  const auto it = std::upper_bound(viewStart_.begin(), viewStart_.end(), viewRow) - 1;
  const int g = int(it - viewStart_.begin());
  const int offset = viewRow - *it - 1;
  if (offset < 0) return -1;
  return int(order_[groups_[g].begin + offset]);
}

int GridOrderModel::GroupIndexAt(int viewRow) const {
  if (!grouped_ || viewRow < 0 || viewRow >= viewCount_) return -1;
  const auto it = std::lower_bound(viewStart_.begin(), viewStart_.end(), viewRow);
  return it != viewStart_.end() && *it == viewRow ? int(it - viewStart_.begin()) : -1;
}

int GridOrderModel::GroupIndexOf(int viewRow) const {
  if (!grouped_ || viewRow < 0 || viewRow >= viewCount_) return -1;
  return int(std::upper_bound(viewStart_.begin(), viewStart_.end(), viewRow) - viewStart_.begin()) - 1;
}

int GridOrderModel::ViewRow(int ownerRow) const {
  if (ownerRow < 0 || ownerRow >= OwnerCount()) return -1;
  if (!grouped_) {
    if (order_.empty()) return ownerRow;
    const auto it = std::find(order_.begin(), order_.end(), ownerRow);
    return it == order_.end() ? -1 : int(it - order_.begin());
  }
  const int g = GroupIndexOfId(groupOf_[ownerRow]);
  if (g < 0 || groups_[g].collapsed) return -1;
  const Group& group = groups_[g];
  for (int32_t i = group.begin; i < group.begin + group.count; ++i)
    if (order_[i] == ownerRow) return viewStart_[g] + 1 + (i - group.begin);
  return -1;
}

std::vector<int32_t> GridOrderModel::ListOrder() const {
  if (!order_.empty()) return order_;
  std::vector<int32_t> order(OwnerCount());
  std::iota(order.begin(), order.end(), 0);
  return order;
}

int GridOrderModel::GroupIndexOfId(int id) const {
  return id >= 0 && id < int(indexOfId_.size()) ? indexOfId_[id] : -1;
}

int GridOrderModel::GroupIdOfOwner(int ownerRow) const {
  return grouped_ && ownerRow >= 0 && ownerRow < int(groupOf_.size()) ? groupOf_[ownerRow] : -1;
}

void GridOrderModel::Recount() {
  if (!grouped_) {
    viewCount_ = order_.empty() ? OwnerCount() : int(order_.size());
    viewStart_.clear();
    return;
  }
  viewStart_.resize(groups_.size());
  indexOfId_.clear();
  int v = 0;
  for (size_t g = 0; g < groups_.size(); ++g) {
    viewStart_[g] = v;
    v += 1 + (groups_[g].collapsed ? 0 : groups_[g].count);
    const int id = groups_[g].id;
    if (id >= int(indexOfId_.size())) indexOfId_.resize(id + 1, -1);
    indexOfId_[id] = int(g);
  }
  viewCount_ = v;
}

void GridOrderModel::SetOrder(std::vector<int32_t> order) {
  order_ = std::move(order);
  Recount();
}

void GridOrderModel::GroupByTexts(const std::function<QString(int)>& textOfOwner) {
  const std::vector<int32_t> list = ListOrder();
  std::vector<int32_t> groupOf(static_cast<size_t>(OwnerCount()), -1);
  std::vector<Group> groups;
  QHash<QString, int> idOfText;
  idOfText.reserve(1024);
  for (int32_t owner : list) {
    const QString text = textOfOwner(owner);
    auto it = idOfText.constFind(text);
    int id;
    if (it == idOfText.constEnd()) {
      id = int(groups.size());
      idOfText.insert(text, id);
      groups.push_back(Group{id, text, false, 0, 0});
    } else {
      id = it.value();
    }
    groupOf[owner] = id;
    ++groups[id].count;
  }
  // Counting sort by group keeps the list order inside each group.
  int32_t begin = 0;
  for (Group& g : groups) g.begin = begin, begin += g.count;
  std::vector<int32_t> fill(groups.size());
  for (size_t g = 0; g < groups.size(); ++g) fill[g] = groups[g].begin;
  std::vector<int32_t> order(list.size());
  for (int32_t owner : list) order[fill[groupOf[owner]]++] = owner;
  SetGroups(std::move(order), std::move(groupOf), std::move(groups));
}

void GridOrderModel::SetGroups(std::vector<int32_t> order, std::vector<int32_t> groupOfOwner, std::vector<Group> groups) {
  order_ = std::move(order);
  groupOf_ = std::move(groupOfOwner);
  groups_ = std::move(groups);
  grouped_ = true;
  Recount();
}

void GridOrderModel::Ungroup() {
  if (!grouped_) return;
  grouped_ = false;
  groupOf_ = {};
  groups_ = {};
  indexOfId_ = {};
  groupColumn_ = -1;
  Recount();
}

void GridOrderModel::SetAllCollapsed(bool collapsed) {
  for (Group& g : groups_) g.collapsed = collapsed;
  Recount();
}

void GridOrderModel::ReorderGroups(const std::vector<int>& oldOfNew) {
  if (!grouped_ || oldOfNew.size() != groups_.size()) return;
  std::vector<Group> groups;
  std::vector<int32_t> order;
  order.reserve(order_.size());
  for (int old : oldOfNew) {
    Group g = groups_[old];
    const int32_t begin = int32_t(order.size());
    order.insert(order.end(), order_.begin() + g.begin, order_.begin() + g.begin + g.count);
    g.begin = begin;
    groups.push_back(std::move(g));
  }
  order_ = std::move(order);
  groups_ = std::move(groups);
  Recount();
}

void GridOrderModel::MoveToGroup(const std::vector<int32_t>& ownerRows, int groupIndex) {
  if (!grouped_ || groupIndex < 0 || groupIndex >= int(groups_.size())) return;
  const int target = groups_[groupIndex].id;
  std::vector<char> moving(groupOf_.size(), 0);
  for (int32_t o : ownerRows)
    if (o >= 0 && o < int(groupOf_.size()) && groupOf_[o] != target) moving[o] = 1;
  // Rebuild the order: each group keeps its remaining members, the target gets the moved rows last.
  std::vector<int32_t> order;
  order.reserve(order_.size());
  std::vector<int32_t> moved;
  for (Group& g : groups_) {
    const int32_t begin = int32_t(order.size());
    for (int32_t i = g.begin; i < g.begin + g.count; ++i) {
      const int32_t o = order_[i];
      if (moving[o]) moved.push_back(o);
      else order.push_back(o);
    }
    g.begin = begin;
    g.count = int32_t(order.size()) - begin;
  }
  // Rows in no group are not in the order; they follow in owner order.
  for (size_t o = 0; o < groupOf_.size(); ++o)
    if (moving[o] && groupOf_[o] == -1) moved.push_back(int32_t(o));
  // Splice the moved rows in at the end of the target group.
  Group& t = groups_[groupIndex];
  const int32_t at = t.begin + t.count;
  order.insert(order.begin() + at, moved.begin(), moved.end());
  t.count += int32_t(moved.size());
  for (size_t g = groupIndex + 1; g < groups_.size(); ++g) groups_[g].begin += int32_t(moved.size());
  for (int32_t o : moved) groupOf_[o] = target;
  order_ = std::move(order);
  Recount();
}

bool GridOrderModel::SetCollapsed(int groupIndex, bool collapsed) {
  if (!grouped_ || groupIndex < 0 || groupIndex >= int(groups_.size())) return false;
  Group& g = groups_[groupIndex];
  if (g.collapsed == collapsed) return true;
  const int first = viewStart_[groupIndex] + 1;
  if (g.count == 0) {
    g.collapsed = collapsed;
    return true;
  }
  if (collapsed) {
    beginRemoveRows({}, first, first + g.count - 1);
    g.collapsed = true;
    Recount();
    endRemoveRows();
  } else {
    beginInsertRows({}, first, first + g.count - 1);
    g.collapsed = false;
    Recount();
    endInsertRows();
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Following the owner's rows

void GridOrderModel::OnSourceRowsAboutToBeInserted(const QModelIndex& parent, int first, int last) {
  if (parent.isValid()) return;
  plainInsert_ = !grouped_ && order_.empty();
  if (plainInsert_) {
    beginInsertRows({}, first, last);
    return;
  }
  emit aboutToRestructure();
  beginResetModel();
}

void GridOrderModel::PlaceNewRows(int first, int last) {
  const int32_t n = last - first + 1;
  for (int32_t& o : order_)
    if (o >= first) o += n;
  if (!grouped_) {
    for (int o = first; o <= last; ++o) order_.push_back(o);
    return;
  }
  groupOf_.insert(groupOf_.begin() + first, size_t(n), -1);
  // New rows join the group of their text (a new group at the end when none has it), last in it.
  QHash<QString, int> idOfHeader;
  for (const Group& g : groups_) idOfHeader.insert(g.header, g.id);
  std::vector<std::vector<int32_t>> added(groups_.size());
  for (int o = first; o <= last; ++o) {
    int id = -1;
    if (groupColumn_ >= 0) {
      QString text;
      list_->QueryCellText(o, groupColumn_, text);
      auto it = idOfHeader.constFind(text);
      if (it != idOfHeader.constEnd()) {
        id = it.value();
      } else {
        // Ids of the groups are below the size of indexOfId_ (the caller recounts afterwards).
        id = int(indexOfId_.size());
        indexOfId_.push_back(int(groups_.size()));
        groups_.push_back(Group{id, text, false, int32_t(order_.size()), 0});
        added.emplace_back();
        idOfHeader.insert(text, id);
      }
    } else if (!groups_.empty()) {
      id = groups_.back().id;
    }
    if (id < 0) continue;
    groupOf_[o] = id;
    added[GroupIndexOfId(id)].push_back(o);
  }
  std::vector<int32_t> order;
  order.reserve(order_.size() + n);
  for (size_t g = 0; g < groups_.size(); ++g) {
    Group& group = groups_[g];
    const int32_t begin = int32_t(order.size());
    order.insert(order.end(), order_.begin() + group.begin, order_.begin() + group.begin + group.count);
    order.insert(order.end(), added[g].begin(), added[g].end());
    group.begin = begin;
    group.count = int32_t(order.size()) - begin;
  }
  order_ = std::move(order);
}

void GridOrderModel::OnSourceRowsInserted(const QModelIndex& parent, int first, int last) {
  if (parent.isValid()) return;
  if (plainInsert_) {
    plainInsert_ = false;
    Recount();
    endInsertRows();
    return;
  }
  PlaceNewRows(first, last);
  Recount();
  endResetModel();
  emit restructured(first, last - first + 1);
}

void GridOrderModel::OnSourceRowsAboutToBeRemoved(const QModelIndex& parent, int first, int last) {
  if (parent.isValid()) return;
  plainRemove_ = !grouped_ && order_.empty();
  if (plainRemove_) {
    beginRemoveRows({}, first, last);
    return;
  }
  emit aboutToRestructure();
  beginResetModel();
}

void GridOrderModel::OnSourceRowsRemoved(const QModelIndex& parent, int first, int last) {
  if (parent.isValid()) return;
  if (plainRemove_) {
    plainRemove_ = false;
    Recount();
    endRemoveRows();
    return;
  }
  const int32_t n = last - first + 1;
  auto gone = [&](int32_t o) { return o >= first && o <= last; };
  if (!grouped_) {
    order_.erase(std::remove_if(order_.begin(), order_.end(), gone), order_.end());
    for (int32_t& o : order_)
      if (o > last) o -= n;
  } else {
    std::vector<int32_t> order;
    order.reserve(order_.size());
    for (Group& g : groups_) {
      const int32_t begin = int32_t(order.size());
      for (int32_t i = g.begin; i < g.begin + g.count; ++i)
        if (!gone(order_[i])) order.push_back(order_[i] > last ? order_[i] - n : order_[i]);
      g.begin = begin;
      g.count = int32_t(order.size()) - begin;
    }
    // A group left without members goes with them.
    groups_.erase(std::remove_if(groups_.begin(), groups_.end(), [](const Group& g) { return g.count == 0; }),
                  groups_.end());
    order_ = std::move(order);
    groupOf_.erase(groupOf_.begin() + first, groupOf_.begin() + last + 1);
  }
  Recount();
  endResetModel();
  emit restructured(first, -n);
}

void GridOrderModel::OnSourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                         const QList<int>& roles) {
  if (viewCount_ == 0 || columns_.empty()) return;
  const int lastColumn = int(columns_.size()) - 1;
  if (!grouped_ && order_.empty()) {
    const int top = std::clamp(topLeft.row(), 0, viewCount_ - 1);
    const int bottom = std::clamp(bottomRight.row(), 0, viewCount_ - 1);
    emit dataChanged(index(top, 0), index(bottom, lastColumn), roles);
    return;
  }
  // Sorted or grouped: finding the view row would take a search; the view repaints what it shows.
  emit dataChanged(index(0, 0), index(viewCount_ - 1, lastColumn), roles);
}

void GridOrderModel::OnSourceAboutToReset() { beginResetModel(); }

void GridOrderModel::OnSourceReset() {
  ClearOrder();
  endResetModel();
  emit orderDropped();
}
