// The queue's database file (.db): a fixed header, then the archive form of each item.
//
//   offset  size    field
//        0  8192    version record of the DB_SAVEBOX row (little-endian words)
//     8192    16    local time of the export (eight u16: year, month, weekday 0 = Sunday, day,
//                   hour, minute, second, milliseconds)
//     8208     8    u64 number of items
//     8216     4    u32 file-system type code of the drive
//     8220     4    u32 location flag (0 local)
//     8224     4    u32 drive letter (its code in the low 16 bits)
//     8228 12276    zero
//    20504          items
//
// Item archive: seven strings (name, size text, method text, cluster text, state text, save
// folder, type name), u32 tick, u32 icon, the type name again (the second copy wins), u64 size,
// u32 done, u32 delete mark, u32 held, string note, u64 cluster as added, u32 entry reference,
// u32 method code. A string is 0xFF 0xFFFE (the UTF-16 tag), then its length in characters (u8
// below 255; else 0xFF and u16 below 0xFFFE; else 0xFF 0xFFFF and u32; else also 0xFFFFFFFF and
// u64), then the characters. Without the tag the length counts ANSI bytes.
//
// Reading is bounded by the data: the header's count is only an upper bound, every length is
// checked against the bytes left, and an item cut short ends the reading without being kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Pellamor/DLG/DRSaveBox/QueueItem.h"
#include "corvane/ntfs_records.h"

namespace drsave {

inline constexpr std::size_t kDbHeaderSize = 20504;
inline constexpr std::size_t kDbTimeOffset = 8192;
inline constexpr std::size_t kDbCountOffset = 8208;
inline constexpr std::size_t kDbTypeOffset = 8216;
inline constexpr std::size_t kDbLocationOffset = 8220;
inline constexpr std::size_t kDbLetterOffset = 8224;

struct DbHeader {
  SYSTEMTIME time{};
  std::uint64_t count = 0;
  std::uint32_t typeCode = 0;
  std::uint32_t location = 0;
  std::uint32_t letter = 0;
};

// ---- Codec ----------------------------------------------------------------------------------

// The full header, version record included.
std::vector<std::uint8_t> EncodeDbHeader(const DbHeader& header);
// Reads the header fields from kDbHeaderSize bytes.
DbHeader DecodeDbHeader(const std::uint8_t* data);

void AppendArchiveString(std::u16string_view text, std::vector<std::uint8_t>* out);
void AppendQueueItem(const QueueItem& item, std::vector<std::uint8_t>* out);

// Bounded little-endian reader over a byte span. A failed read consumes nothing that counts:
// callers stop at the first failure.
class ArchiveReader {
 public:
  ArchiveReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool U8(std::uint8_t* v);
  bool U16(std::uint16_t* v);
  bool U32(std::uint32_t* v);
  bool U64(std::uint64_t* v);
  // False when the string's bytes run past the end.
  bool String(std::u16string* text);
  std::size_t Offset() const { return at_; }
  std::size_t Left() const { return size_ - at_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// False when the item is cut short; *item is then partly filled and must be dropped.
bool ReadQueueItem(ArchiveReader& reader, QueueItem* item);

struct DbContents {
  DbHeader header;
  std::vector<QueueItem> items;
  bool cutShort = false;  // the data ended inside an item, or before the count was reached
};

// False (and nothing read) when the data is shorter than the header. Items are read until the
// count, the end of the data, or the first item cut short.
bool ParseQueueDb(const std::uint8_t* data, std::size_t size, DbContents* out);

// The whole file in memory.
std::vector<std::uint8_t> EncodeQueueDb(const DbHeader& header, const std::vector<QueueItem>& items);

// Writes header and items to path through a temporary file that takes the path's place only when
// every write and the close succeeded. False leaves an older file of that name as it was.
// The header's count is set to the number of items.
bool WriteQueueDb(const std::string& path, DbHeader header, const std::vector<QueueItem>& items);

// ---- Import and export ----------------------------------------------------------------------

// The drive the queue belongs to: letter and file-system type code.
struct DbDrive {
  char16_t letter = 0;
  std::uint32_t typeCode = 0;
};

// "FAT12", "FAT16", "FAT32", "NTFS", "exFAT", "CDFS", "UDF"; empty for another code.
std::u16string_view DbFileSystemName(std::uint32_t typeCode);

// "%02d년 %02d월 %02d일 %s %02d:%02d:%02d" with the weekday text (empty outside 0..6).
std::u16string FormatExportTime(const SYSTEMTIME& time);

// The suite's local time now.
SYSTEMTIME CurrentLocalTime();

// Before the save dialog: false (after its message) without a drive or with an empty queue.
bool ConfirmExportStart(const DbDrive* drive, std::size_t queued);
// Writes the queue to path and reports the outcome; true when the file was written.
bool ExportQueueDb(const std::string& path, const std::vector<QueueItem>& items, const DbDrive& drive,
                   const SYSTEMTIME& time);

// Before the open dialog: false without a drive, or when the user declines to go on with a
// queue that holds items.
bool ConfirmImportStart(const DbDrive* drive, std::size_t queued);

struct ImportResult {
  bool accepted = false;    // the file was taken: append items (after emptying the queue when
  bool clearQueue = false;  // clearQueue is set)
  std::vector<QueueItem> items;
  std::size_t dropped = 0;  // items refused by the name check
};

// Reads path for the queue of drive (which holds `queued` items), asking and reporting through
// the message sink. Names must be one folder entry; a save folder that is not an existing
// absolute folder is emptied, so the run asks for one.
ImportResult ImportQueueDb(const std::string& path, const DbDrive& drive, std::size_t queued);

// The checks import applies to one item read from a file; false when it must not be queued.
bool AcceptImportedItem(QueueItem* item);

}  // namespace drsave
