// Selection of the grid list, kept per owner row (one byte each) rather than as ranges of
// persistent indexes: sorting, grouping and collapsing leave it alone, and a selection of a
// million scattered rows costs a megabyte. The view's selection commands arrive through the
// virtual select(); the range accessors of the base class stay empty.
#pragma once

#include <QItemSelectionModel>

#include <cstdint>
#include <utility>
#include <vector>

class GridOrderModel;

class GridSelectionModel : public QItemSelectionModel {
  Q_OBJECT
 public:
  explicit GridSelectionModel(GridOrderModel* model, QObject* parent = nullptr);

  void select(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override;
  void select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) override;
  void clear() override;
  void reset() override;  // the view's resets keep the rows selected

  // Follows the owner's rows (connected by the list to the owner model).
  void AttachSource(QAbstractItemModel* source);

  bool IsOwnerSelected(int ownerRow) const {
    return ownerRow >= 0 && size_t(ownerRow) < effective_.size() && effective_[ownerRow];
  }
  std::vector<int> Owners() const;  // ascending
  qint64 Count() const;
  // Selects exactly these owner rows.
  void SetOwners(const std::vector<int>& ownerRows);
  // Makes the pending part of a mouse or keyboard selection final (before the view order changes).
  void Finalize();

 private:
  void Fit();
  void Apply(std::vector<uint8_t>& bits) const;
  void Changed();
  void OnSourceRowsInserted(const QModelIndex& parent, int first, int last);
  void OnSourceRowsAboutToBeRemoved(const QModelIndex& parent, int first, int last);
  void OnSourceRowsRemoved(const QModelIndex& parent, int first, int last);
  void OnSourceReset();

  GridOrderModel* order_;
  QAbstractItemModel* source_ = nullptr;
  std::vector<uint8_t> committed_;  // per owner row
  std::vector<uint8_t> effective_;  // committed plus the pending command
  std::vector<std::pair<int, int>> pending_;  // view rows of the pending command
  QItemSelectionModel::SelectionFlags pendingCommand_ = QItemSelectionModel::NoUpdate;
};
