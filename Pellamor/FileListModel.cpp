#include "Pellamor/FileListModel.h"

#include "controls/GridOrderModel.h"
#include "controls/GridTraits.h"
#include "util/shell_icons.h"

CFileListModel::CFileListModel(QObject* parent) : QAbstractTableModel(parent) {}

int CFileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int CFileListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

std::u16string_view CFileListModel::Text(int row, int field) const {
  if (row < 0 || row >= Count() || field < 0 || field >= kListTextCount) return {};
  const LISTROWRECORD& r = rows_[static_cast<std::size_t>(row)];
  const std::uint32_t begin = field == 0 ? 0 : r.textEnd[static_cast<std::size_t>(field - 1)];
  const std::uint32_t end = r.textEnd[static_cast<std::size_t>(field)];
  return std::u16string_view(texts_.data() + r.textStart + begin, end - begin);
}

QString CFileListModel::QText(int row, int field) const {
  std::u16string_view t = Text(row, field);
  return QString::fromUtf16(t.data(), static_cast<qsizetype>(t.size()));
}

QVariant CFileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= Count() || index.column() >= kColumnCount) return {};
  const int row = index.row();
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
      return QText(row, kColumnField[column]);
    case Qt::DecorationRole:
      if (column == 0) return ShellIconOfIndex(Keys(row).imageIndex);
      return {};
    case Qt::TextAlignmentRole:
      return column >= kSizeColumn ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    case Qt::CheckStateRole:
      if (column == 0) return Keys(row).checked ? Qt::Checked : Qt::Unchecked;
      return {};
    case kGridSortKeyRole:
      // Sizes by their bytes, clusters by their number, names without regard to case.
      if (column == kSizeColumn) return Keys(row).byteSize;
      if (column == kClusterColumn) return CGridColumnTraitText::ParseNumber(QText(row, kTextCluster));
      if (column == 0) return QText(row, kTextName).toCaseFolded();
      return QText(row, kColumnField[column]);
    default:
      return {};
  }
}

bool CFileListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= Count()) return false;
  rows_[static_cast<std::size_t>(index.row())].keys.checked = value.toInt() == Qt::Checked ? 1 : 0;
  emit dataChanged(this->index(index.row(), 0), this->index(index.row(), kColumnCount - 1), {role});
  return true;
}

Qt::ItemFlags CFileListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (index.column() == 0) f |= Qt::ItemIsUserCheckable;
  return f;
}

void CFileListModel::BeginFill() {
  if (filling_) return;
  filling_ = true;
  beginResetModel();
  // The last listing's buffers go whole.
  std::vector<LISTROWRECORD>().swap(rows_);
  std::vector<char16_t>().swap(texts_);
  total_ = 0;
}

void CFileListModel::Append(const std::array<std::u16string, kListTextCount>& texts, const LISTROWKEYS& keys) {
  LISTROWRECORD r;
  r.keys = keys;
  r.textStart = texts_.size();
  std::uint32_t end = 0;
  for (int f = 0; f < kListTextCount; ++f) {
    const std::u16string& t = texts[static_cast<std::size_t>(f)];
    texts_.insert(texts_.end(), t.begin(), t.end());
    end += static_cast<std::uint32_t>(t.size());
    r.textEnd[static_cast<std::size_t>(f)] = end;
  }
  rows_.push_back(r);
  total_ += keys.byteSize;
}

void CFileListModel::Reserve(std::size_t rows) { rows_.reserve(rows_.size() + rows); }

namespace {

// Trims a buffer only when the spare room is worth the copy.
template <class V>
void TrimSpare(V& v) {
  if (v.capacity() * 2 > v.size() * 3) v.shrink_to_fit();
}

}  // namespace

void CFileListModel::EndFill() {
  if (!filling_) return;
  filling_ = false;
  TrimSpare(rows_);
  TrimSpare(texts_);
  endResetModel();
}

void CFileListModel::Clear() {
  const bool outside = !filling_;
  if (outside) beginResetModel();
  rows_.clear();
  rows_.shrink_to_fit();
  texts_.clear();
  texts_.shrink_to_fit();
  total_ = 0;
  if (outside) endResetModel();
}

std::size_t CFileListModel::MemoryBytes() const {
  return rows_.capacity() * sizeof(LISTROWRECORD) + texts_.capacity() * sizeof(char16_t);
}
