#include "controls/GridSelectionModel.h"

#include <QSignalBlocker>

#include <algorithm>
#include <numeric>

#include "controls/GridOrderModel.h"

GridSelectionModel::GridSelectionModel(GridOrderModel* model, QObject* parent)
    : QItemSelectionModel(model, parent), order_(model) {}

void GridSelectionModel::AttachSource(QAbstractItemModel* source) {
  if (source_) disconnect(source_, nullptr, this, nullptr);
  source_ = source;
  committed_.clear();
  effective_.clear();
  pending_.clear();
  if (source_) {
    connect(source_, &QAbstractItemModel::rowsInserted, this, &GridSelectionModel::OnSourceRowsInserted);
    connect(source_, &QAbstractItemModel::rowsAboutToBeRemoved, this, &GridSelectionModel::OnSourceRowsAboutToBeRemoved);
    connect(source_, &QAbstractItemModel::rowsRemoved, this, &GridSelectionModel::OnSourceRowsRemoved);
    connect(source_, &QAbstractItemModel::modelReset, this, &GridSelectionModel::OnSourceReset);
    connect(source_, &QAbstractItemModel::layoutChanged, this, &GridSelectionModel::OnSourceReset);
    connect(source_, &QObject::destroyed, this, [this] {
      source_ = nullptr;
      committed_.clear();
      effective_.clear();
      pending_.clear();
    });
  }
  Fit();
  Changed();
}

void GridSelectionModel::Fit() {
  const size_t n = size_t(order_->OwnerCount());
  if (committed_.size() != n) committed_.resize(n, 0);
  if (effective_.size() != n) effective_.resize(n, 0);
}

void GridSelectionModel::Apply(std::vector<uint8_t>& bits) const {
  const bool select = pendingCommand_ & QItemSelectionModel::Select;
  const bool deselect = pendingCommand_ & QItemSelectionModel::Deselect;
  const bool toggle = pendingCommand_ & QItemSelectionModel::Toggle;
  for (const auto& [top, bottom] : pending_) {
    for (int r = top; r <= bottom; ++r) {
      const int o = order_->OwnerRow(r);
      if (o < 0 || size_t(o) >= bits.size()) continue;  // group rows are never selected
      if (toggle) bits[o] = !committed_[o];
      else if (select) bits[o] = 1;
      else if (deselect) bits[o] = 0;
    }
  }
}

void GridSelectionModel::Changed() { emit selectionChanged(QItemSelection(), QItemSelection()); }

void GridSelectionModel::select(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) {
  select(index.isValid() ? QItemSelection(index, index) : QItemSelection(), command);
}

void GridSelectionModel::select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) {
  if (command == QItemSelectionModel::NoUpdate) return;
  Fit();
  if (command & QItemSelectionModel::Clear) {
    std::fill(committed_.begin(), committed_.end(), 0);
    pending_.clear();
  }
  if (!(command & QItemSelectionModel::Current)) {
    // A new command starts: the one before becomes final.
    if (!pending_.empty()) Apply(committed_);
    pending_.clear();
  }
  if (command & (QItemSelectionModel::Toggle | QItemSelectionModel::Select | QItemSelectionModel::Deselect)) {
    pendingCommand_ = command;
    pending_.clear();
    for (const QItemSelectionRange& r : selection)
      if (r.isValid() && r.model() == order_) pending_.emplace_back(r.top(), r.bottom());
  }
  effective_ = committed_;
  Apply(effective_);
  Changed();
}

void GridSelectionModel::Finalize() {
  Fit();
  committed_ = effective_;
  pending_.clear();
}

void GridSelectionModel::clear() {
  select(QItemSelection(), QItemSelectionModel::Clear);
  clearCurrentIndex();
}

void GridSelectionModel::reset() {
  // Sorting, grouping and collapsing reset the view; the selected owner rows stay.
  // (The base class would clear through clear().)
  const QSignalBlocker blocker(this);
  Finalize();
  clearCurrentIndex();
}

std::vector<int> GridSelectionModel::Owners() const {
  std::vector<int> rows;
  for (size_t o = 0; o < effective_.size(); ++o)
    if (effective_[o]) rows.push_back(int(o));
  return rows;
}

qint64 GridSelectionModel::Count() const { return std::accumulate(effective_.begin(), effective_.end(), qint64(0)); }

void GridSelectionModel::SetOwners(const std::vector<int>& ownerRows) {
  Fit();
  pending_.clear();
  std::fill(committed_.begin(), committed_.end(), 0);
  for (int o : ownerRows)
    if (o >= 0 && size_t(o) < committed_.size()) committed_[o] = 1;
  effective_ = committed_;
  Changed();
}

void GridSelectionModel::OnSourceRowsInserted(const QModelIndex& parent, int first, int last) {
  if (parent.isValid()) return;
  const size_t before = size_t(order_->OwnerCount() - (last - first + 1));
  committed_ = effective_;
  committed_.resize(before, 0);
  pending_.clear();
  const size_t at = std::min(size_t(first), committed_.size());
  committed_.insert(committed_.begin() + at, size_t(last - first + 1), 0);
  effective_ = committed_;
  Fit();
}

void GridSelectionModel::OnSourceRowsAboutToBeRemoved(const QModelIndex& parent, int first, int last) {
  // Erased before the rows go: a sorted or grouped view is reset when they have gone, and that
  // reset fits the bits to the smaller count.
  if (parent.isValid()) return;
  Fit();
  committed_ = effective_;
  pending_.clear();
  const size_t from = std::min(size_t(first), committed_.size());
  const size_t to = std::min(size_t(last) + 1, committed_.size());
  committed_.erase(committed_.begin() + from, committed_.begin() + to);
  effective_ = committed_;
}

void GridSelectionModel::OnSourceRowsRemoved(const QModelIndex& parent, int, int) {
  if (parent.isValid()) return;
  Fit();
  Changed();
}

void GridSelectionModel::OnSourceReset() {
  committed_.clear();
  effective_.clear();
  pending_.clear();
  Fit();
  Changed();
}
