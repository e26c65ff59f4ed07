#include "Pellamor/DLG/ListInfoBox/DlgListInfoBox.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "controls/GridListCtrlEx.h"
#include "shared/DialogFrame.h"

namespace {

// Template size in dialog units, the band's height included.
constexpr int kWidth = 280;
constexpr int kHeight = 200;
constexpr int kButtonWidth = 50;

// The rows from the top of the model down to the index: the order a view shows them in.
std::vector<int> RowPath(QModelIndex index) {
  std::vector<int> path;
  for (; index.isValid(); index = index.parent()) path.push_back(index.row());
  std::reverse(path.begin(), path.end());
  return path;
}

}  // namespace

CDlgListInfoBox::CDlgListInfoBox(QWidget* parent) : CResizableDialog(parent) {
  auto frame = dlgframe::DialogTemplate::WholeHeight(
      this, kWidth, kHeight, QString::fromUtf16(u"항목 정보"),
      QString::fromUtf16(u"목록에서 표시되는 항목이 많은 경우 일목요연하게 보여줍니다."), 242);
  header_ = frame.Header();

  edit_ = dlgframe::MakeInfoText(this, "edit");
  edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit_->setGeometry(frame.BodyRect());
  AddAnchor(edit_, anchor::TopLeft, anchor::BottomRight);

  const std::vector<QPushButton*> buttons = frame.RightButtons({dlgframe::kOk, dlgframe::kCancel}, kButtonWidth);
  ok_ = buttons[0];
  cancel_ = buttons[1];
}

void CDlgListInfoBox::SetText(const QString& text) {
  text_ = text;
  dlgframe::ShowInfoText(edit_, text);
}

namespace {

QString InfoLine(const QString& caption, const QString& cell) {
  return QStringLiteral("\r\n%1: %2\r\n").arg(caption, cell);
}

// The grid list keeps its selection per owner row, outside the selection model's ranges, and rows
// of collapsed groups stay selected: its rows are read through the list, in list order.
std::vector<QString> GridRowTexts(const CGridListCtrlEx& grid) {
  std::vector<QString> texts;
  const std::vector<int> selected = grid.GetSelectedOwnerRows();
  if (selected.empty()) return texts;
  std::vector<uint8_t> isSelected(size_t(grid.GetItemCount()), 0);
  for (int owner : selected)
    if (owner >= 0 && size_t(owner) < isSelected.size()) isSelected[size_t(owner)] = 1;
  const QAbstractItemModel* model = grid.model();
  const int columns = model->columnCount();
  for (int32_t owner : grid.GetOrderModel()->ListOrder()) {
    if (!isSelected[size_t(owner)]) continue;
    QString text;
    for (int c = 0; c < columns; ++c) {
      QString cell;
      grid.GetCellText(owner, c, cell);
      text += InfoLine(model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), cell);
    }
    texts.push_back(text);
  }
  return texts;
}

}  // namespace

QString ListRowInfoText(const QModelIndex& row) {
  QString text;
  const QAbstractItemModel* model = row.model();
  if (!model) return text;
  const QModelIndex parent = row.parent();
  const int columns = model->columnCount(parent);
  for (int c = 0; c < columns; ++c) {
    const QString caption = model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    const QString cell = model->index(row.row(), c, parent).data(Qt::DisplayRole).toString();
    text += InfoLine(caption, cell);
  }
  return text;
}

QList<CDlgListInfoBox*> ShowListRowInfo(QAbstractItemView* list) {
  QList<CDlgListInfoBox*> boxes;
  if (!list || !list->model() || !list->selectionModel()) return boxes;
  std::vector<QString> texts;
  if (const auto* grid = qobject_cast<const CGridListCtrlEx*>(list)) {
    texts = GridRowTexts(*grid);
  } else {
    // Selected rows by ranges (a full-row selection holds one range per block, not one index per cell).
    std::vector<QPersistentModelIndex> rows;
    for (const QItemSelectionRange& range : list->selectionModel()->selection()) {
      for (int r = range.top(); r <= range.bottom(); ++r) rows.emplace_back(range.model()->index(r, 0, range.parent()));
    }
    std::vector<std::pair<std::vector<int>, QPersistentModelIndex>> ordered;
    ordered.reserve(rows.size());
    for (const QPersistentModelIndex& row : rows) ordered.emplace_back(RowPath(row), row);
    std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    ordered.erase(std::unique(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
                  ordered.end());
    for (const auto& entry : ordered) texts.push_back(ListRowInfoText(entry.second));
  }
  for (const QString& text : texts) {
    auto* box = new CDlgListInfoBox(list->window());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->SetText(text);
    box->show();
    boxes << box;
  }
  return boxes;
}

QList<CDlgListInfoBox*> ShowListRowInfoEx(QAbstractItemView* list) { return ShowListRowInfo(list); }

int CDlgListInfoBox::Open(QWidget*, const Args& args) {
  return args.list ? static_cast<int>(ShowListRowInfo(args.list).size()) : 0;
}

CDlgListInfoBox::Args CDlgListInfoBox::ArgsFrom(const dlg::DialogArgs& values) {
  return {values.isEmpty() ? nullptr : qobject_cast<QAbstractItemView*>(values.front().value<QObject*>())};
}
