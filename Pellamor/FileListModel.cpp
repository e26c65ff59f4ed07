#include "Pellamor/FileListModel.h"

#include "controls/GridOrderModel.h"
#include "controls/GridTraits.h"
#include "util/shell_icons.h"

CFileListModel::CFileListModel(QObject* parent) : QAbstractTableModel(parent) {}

int CFileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int CFileListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

namespace {

constexpr std::uint32_t kNoBlock = 0xFFFFFFFF;

}  // namespace

bool CFileListModel::Deferred(int row, int field) const {
  return (deferred_.fields >> field & 1) != 0 && static_cast<std::size_t>(row) < deferredAt_.size() &&
         deferredAt_[static_cast<std::size_t>(row)] != kNoBlock;
}

std::u16string_view CFileListModel::Text(int row, int field) const {
  if (row < 0 || row >= Count() || field < 0 || field >= kListTextCount) return {};
  if (Deferred(row, field)) {
    const std::uint64_t key = static_cast<std::uint64_t>(row) * kListTextCount + static_cast<std::uint64_t>(field);
    auto it = made_.find(key);
    if (it == made_.end()) {
      const std::size_t at = std::size_t{deferredAt_[static_cast<std::size_t>(row)]} * deferred_.bytes;
      it = made_.emplace(key, deferred_.format(deferredBytes_.data() + at, field)).first;
    }
    return it->second;
  }
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
  ClearDeferred();
  total_ = 0;
}

void CFileListModel::ClearDeferred() {
  deferred_ = {};
  expectedRows_ = 0;
  std::vector<std::uint32_t>().swap(deferredAt_);
  std::vector<std::uint8_t>().swap(deferredBytes_);
  std::unordered_map<std::uint64_t, std::u16string>().swap(made_);
}

bool CFileListModel::DeferTexts(const LISTDEFERREDTEXTS& deferred) {
  const bool same = deferred_.format == deferred.format && deferred_.fields == deferred.fields &&
                    deferred_.bytes == deferred.bytes;
  if (same) return deferred.format != nullptr;
  if (!rows_.empty() || !deferred.format || deferred.bytes == 0) return false;
  deferred_ = deferred;
  deferredAt_.reserve(rows_.capacity());
  deferredBytes_.reserve(rows_.capacity() * deferred.bytes);
  return true;
}

void CFileListModel::Append(const std::array<std::u16string, kListTextCount>& texts, const LISTROWKEYS& keys,
                            const std::uint8_t* deferredBlock) {
  const bool deferring = deferredBlock && deferred_.format;
  std::size_t chars = 0;
  for (int f = 0; f < kListTextCount; ++f)
    if (!deferring || (deferred_.fields >> f & 1) == 0) chars += texts[static_cast<std::size_t>(f)].size();
  // The first row after a Reserve makes room for the texts of all the rows announced, a little
  // more than its own share each: one allocation for the listing instead of one per doubling.
  if (expectedRows_ > 0) {
    texts_.reserve(texts_.size() + (chars + chars / 4 + 8) * expectedRows_);
    expectedRows_ = 0;
  }
  LISTROWRECORD r;
  r.keys = keys;
  r.textStart = texts_.size();
  std::uint32_t end = 0;
  for (int f = 0; f < kListTextCount; ++f) {
    if (!deferring || (deferred_.fields >> f & 1) == 0) {
      const std::u16string& t = texts[static_cast<std::size_t>(f)];
      texts_.insert(texts_.end(), t.begin(), t.end());
      end += static_cast<std::uint32_t>(t.size());
    }
    r.textEnd[static_cast<std::size_t>(f)] = end;
  }
  if (deferred_.format) {
    if (deferring) {
      deferredAt_.push_back(static_cast<std::uint32_t>(deferredBytes_.size() / deferred_.bytes));
      deferredBytes_.insert(deferredBytes_.end(), deferredBlock, deferredBlock + deferred_.bytes);
    } else {
      deferredAt_.push_back(kNoBlock);
    }
  }
  rows_.push_back(r);
  total_ += keys.byteSize;
}

void CFileListModel::Reserve(std::size_t rows) {
  rows_.reserve(rows_.size() + rows);
  if (deferred_.format) {
    deferredAt_.reserve(deferredAt_.size() + rows);
    deferredBytes_.reserve(deferredBytes_.size() + rows * deferred_.bytes);
  }
  expectedRows_ = rows;
}

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
  TrimSpare(deferredAt_);
  TrimSpare(deferredBytes_);
  expectedRows_ = 0;
  endResetModel();
}

void CFileListModel::Clear() {
  const bool outside = !filling_;
  if (outside) beginResetModel();
  rows_.clear();
  rows_.shrink_to_fit();
  texts_.clear();
  texts_.shrink_to_fit();
  ClearDeferred();
  total_ = 0;
  if (outside) endResetModel();
}

std::size_t CFileListModel::MemoryBytes() const {
  std::size_t made = 0;
  for (const auto& [key, text] : made_) made += sizeof key + sizeof text + text.capacity() * sizeof(char16_t);
  return rows_.capacity() * sizeof(LISTROWRECORD) + texts_.capacity() * sizeof(char16_t) +
         deferredAt_.capacity() * sizeof(std::uint32_t) + deferredBytes_.capacity() + made;
}
