// The rows of the file list: one record per shown entry, copied from the engine's entry tables
// when a folder or category is listed, so a later directory read never reaches the list. The
// eighteen texts of all rows live in one shared buffer; a row holds offsets into it.
#pragma once

#include <QAbstractTableModel>

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// Text fields of a row, in the record's order.
enum ListText : int {
  kTextName = 0, kTextStatus, kTextFirstSector, kTextRunCount, kTextFragment, kTextParentRecord, kTextRecordNumber,
  kTextChecksum, kTextAttributes, kTextCluster, kTextSize, kTextByteSize, kTextDataSize, kTextLocation,
  kTextCreated, kTextAccessed, kTextModified, kTextFileType, kListTextCount
};

// The row's fields beside its texts.
struct LISTROWKEYS {
  std::uint32_t fileAttributes = 0;  // NTFS
  double byteSize = 0;               // the sort and sum key
  std::int32_t folder = 0;
  std::int32_t volumeLabel = 0;
  std::int32_t deleted = 0;
  std::uint64_t firstCluster = 0;    // FAT and exFAT
  std::int64_t recordNumber = 0;     // NTFS
  std::int32_t imageIndex = 0;
  std::uint8_t checked = 0;
  std::uint32_t entryIndex = 0;     // the entry's place in the engine's table when listed
  // FAT category rows: entryIndex counts in the table of this folder (first cluster,
  // 0xFFFFFFFF the root), not in the listed one's.
  bool otherFolder = false;
  std::uint32_t folderCluster = 0;
};

// One list row: its fields and where its texts lie in the model's buffer.
struct LISTROWRECORD {
  LISTROWKEYS keys;
  std::uint64_t textStart = 0;
  std::array<std::uint32_t, kListTextCount> textEnd{};  // end of each text, from textStart
};

// Texts a listing makes only when one is first asked for (painted, sorted by, read): the row keeps
// a few bytes of the entry instead, and `format` turns them into the field's text, which is then
// kept. A listing sets this once, before its first row.
struct LISTDEFERREDTEXTS {
  std::uint32_t fields = 0;  // bit f: field f is deferred
  std::uint32_t bytes = 0;   // bytes each row keeps for them
  std::u16string (*format)(const std::uint8_t* block, int field) = nullptr;
};

// Column 0 carries each row's check mark; the list decides whether check boxes show.
class CFileListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Shown columns: the text field each one shows.
  static constexpr int kColumnCount = 6;
  static constexpr int kColumnField[kColumnCount] = {kTextName, kTextStatus, kTextModified,
                                                     kTextFileType, kTextSize, kTextCluster};
  static constexpr int kSizeColumn = 4;
  static constexpr int kClusterColumn = 5;

  explicit CFileListModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Rows are added between BeginFill and EndFill (one reset for the whole listing).
  void BeginFill();
  // The deferred texts of this fill's rows; ignored once a row has been appended. True when rows
  // appended from now on defer them (as asked now, or already asked the same way).
  bool DeferTexts(const LISTDEFERREDTEXTS& deferred);
  // deferredBlock: the deferred bytes of the row (DeferTexts' size), or null when it has none.
  void Append(const std::array<std::u16string, kListTextCount>& texts, const LISTROWKEYS& keys,
              const std::uint8_t* deferredBlock = nullptr);
  // Room for that many more rows of this fill, and (from the next row's size) for their texts.
  void Reserve(std::size_t rows);
  // Ends the reset; buffers that grew well past their contents are trimmed.
  void EndFill();
  void Clear();
  // Marks a row of a FAT category with the folder whose table holds its entry.
  void SetEntryFolder(int row, std::uint32_t folderCluster, std::uint32_t entryIndex) {
    LISTROWKEYS& k = rows_[static_cast<std::size_t>(row)].keys;
    k.otherFolder = true;
    k.folderCluster = folderCluster;
    k.entryIndex = entryIndex;
  }

  int Count() const { return static_cast<int>(rows_.size()); }
  const LISTROWKEYS& Keys(int row) const { return rows_[static_cast<std::size_t>(row)].keys; }
  std::u16string_view Text(int row, int field) const;
  QString QText(int row, int field) const;
  // Sum of every row's byte size.
  double TotalBytes() const { return total_; }
  // Bytes the rows and their texts hold.
  std::size_t MemoryBytes() const;

 private:
  bool Deferred(int row, int field) const;
  void ClearDeferred();

  std::vector<LISTROWRECORD> rows_;
  std::vector<char16_t> texts_;
  double total_ = 0;
  bool filling_ = false;
  std::size_t expectedRows_ = 0;  // rows Reserve announced, for the texts' room
  LISTDEFERREDTEXTS deferred_;
  std::vector<std::uint32_t> deferredAt_;       // per row: its block's index, or kNoBlock
  std::vector<std::uint8_t> deferredBytes_;     // the blocks
  // Deferred texts made so far, by row x kListTextCount + field; nodes keep their texts in place.
  mutable std::unordered_map<std::uint64_t, std::u16string> made_;
};
