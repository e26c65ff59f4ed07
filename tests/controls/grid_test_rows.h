// Fixtures of the grid list tests: one QApplication, an owner table model, lists and view reads.
#pragma once

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <QTest>

#include <memory>
#include <vector>

#include "controls/GridListCtrlGroups.h"
#include "tests/support/gui_support.h"

namespace grid_test {

using gui_test::App;

// The owner's flat table: texts per row, an optional sort key per row on one column, checks.
class RowsModel : public QAbstractTableModel {
 public:
  explicit RowsModel(int columns) : columns_(columns) {}
  int rowCount(const QModelIndex& p = {}) const override { return p.isValid() ? 0 : int(rows.size()); }
  int columnCount(const QModelIndex& p = {}) const override { return p.isValid() ? 0 : columns_; }
  QVariant data(const QModelIndex& i, int role) const override {
    if (!i.isValid() || i.row() >= int(rows.size())) return {};
    if (role == Qt::DisplayRole) return rows[i.row()].value(i.column());
    if (role == kGridSortKeyRole && i.column() == keyColumn) return keys[i.row()];
    if (role == Qt::CheckStateRole && i.column() == 0) return checks[i.row()] ? Qt::Checked : Qt::Unchecked;
    return {};
  }
  bool setData(const QModelIndex& i, const QVariant& v, int role) override {
    if (role != Qt::CheckStateRole || i.column() != 0) return false;
    checks[i.row()] = v.toInt() == Qt::Checked;
    emit dataChanged(i, i, {role});
    return true;
  }
  void Append(const std::vector<QStringList>& more, const std::vector<QVariant>& moreKeys = {}) {
    beginInsertRows({}, int(rows.size()), int(rows.size() + more.size()) - 1);
    for (size_t i = 0; i < more.size(); ++i) {
      rows.push_back(more[i]);
      keys.push_back(i < moreKeys.size() ? moreKeys[i] : QVariant());
      checks.push_back(false);
    }
    endInsertRows();
  }
  void Insert(int at, const std::vector<QStringList>& more) {
    beginInsertRows({}, at, at + int(more.size()) - 1);
    rows.insert(rows.begin() + at, more.begin(), more.end());
    keys.insert(keys.begin() + at, more.size(), QVariant());
    checks.insert(checks.begin() + at, more.size(), false);
    endInsertRows();
  }
  void Remove(int first, int last) {
    beginRemoveRows({}, first, last);
    rows.erase(rows.begin() + first, rows.begin() + last + 1);
    keys.erase(keys.begin() + first, keys.begin() + last + 1);
    checks.erase(checks.begin() + first, checks.begin() + last + 1);
    endRemoveRows();
  }
  void Reset(std::vector<QStringList> r) {
    beginResetModel();
    rows = std::move(r);
    keys.assign(rows.size(), QVariant());
    checks.assign(rows.size(), false);
    endResetModel();
  }

  std::vector<QStringList> rows;
  std::vector<QVariant> keys;
  std::vector<bool> checks;
  int keyColumn = -1;

 private:
  int columns_;
};

template <class List = CGridListCtrlGroups>
std::unique_ptr<List> MakeList(const QStringList& headings, int width = 520, int height = 320) {
  App();
  auto list = std::make_unique<List>();
  for (int c = 0; c < headings.size(); ++c) list->InsertColumn(c, headings[c], Qt::AlignLeft, 120);
  list->resize(width, height);
  list->show();
  return list;
}

// Stored rows: each row's texts by column.
template <class List>
void Fill(List& list, const std::vector<QStringList>& rows) {
  for (const QStringList& r : rows) {
    const int row = list.InsertItem(list.GetItemCount(), r.value(0));
    for (int c = 1; c < r.size(); ++c) list.SetItemText(row, c, r[c]);
  }
}

// Texts of one column in display order; group rows read "[header]".
inline QStringList ViewTexts(const CGridListCtrlEx& list, int column) {
  QStringList texts;
  for (int v = 0; v < list.GetViewRowCount(); ++v) {
    const int owner = list.OwnerRow(v);
    if (owner < 0) texts << "[" + list.GetOrderModel()->index(v, 0).data().toString() + "]";
    else texts << list.GetItemText(owner, column);
  }
  return texts;
}

inline std::vector<int> ViewOwners(const CGridListCtrlEx& list) {
  std::vector<int> owners;
  for (int v = 0; v < list.GetViewRowCount(); ++v) owners.push_back(list.OwnerRow(v));
  return owners;
}

// Paints the window into an image (and into $PELLAMOR_SHOT_DIR when set).
inline QImage Shot(QWidget& w, const QString& name) {
  QApplication::processEvents();
  QImage image(w.size(), QImage::Format_ARGB32);
  image.fill(Qt::white);
  w.render(&image);
  gui_test::SaveShot(image, name);
  return image;
}

// Centre of a view row's cell, in viewport coordinates.
inline QPoint CellPoint(const CGridListCtrlEx& list, int viewRow, int column = 0) {
  return list.GetCellRect(viewRow, column).center();
}

}  // namespace grid_test
