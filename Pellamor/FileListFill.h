// Filling the file list's rows from the engine's entry tables through the display modules'
// exports. Type names (and NTFS icons) are cached by extension, but only for names whose type
// can depend on nothing else, so a cached text is the text the module would give.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "Pellamor/FileListModel.h"

struct FATDIRENTRY;
struct EXFATFILEENTRY;
struct NTFSFILEENTRY;

class CFileTypeCache {
 public:
  struct Entry {
    std::u16string typeName;
    int image = -1;  // -1: not known yet
  };
  // The cache slot of a name (and folder flag); null when the name's type may depend on more
  // than its extension (several dots, or a pattern of the media-type database that is not a
  // plain extension).
  Entry* Slot(std::u16string_view name, bool folder);
  void Clear() { entries_.clear(); }

 private:
  std::unordered_map<std::u16string, Entry> entries_;
};

// The entry numbers of an NTFS table ordered by parent record, so a folder's listing need not
// scan the whole table. Built on first use and again whenever the table or its count changes;
// cleared when the drive closes.
class CNtfsChildIndex {
 public:
  // The entries whose parent record is parent, in table order.
  std::span<const std::uint32_t> Children(const NTFSFILEENTRY* entries, std::uint32_t count, std::int64_t parent);
  void Clear();

 private:
  const NTFSFILEENTRY* entries_ = nullptr;
  std::uint32_t count_ = 0;
  std::vector<std::uint32_t> order_;
};

// NTFS listing modes of the key.
inline constexpr std::int64_t kNtfsDeletedFiles = -1;
inline constexpr std::int64_t kNtfsDeletedTopLevel = -2;

// Appends one row per entry, in table order. Each returns the rows added.
int AppendFatRows(CFileListModel& model, const FATDIRENTRY* entries, std::uint32_t count, CFileTypeCache& cache);
int AppendExfatRows(CFileListModel& model, const EXFATFILEENTRY* entries, std::uint32_t count,
                    CFileTypeCache& cache);
// -1: deleted entries that are not folders; -2: deleted entries under the root (record 5); any
// other key: the entries whose parent record is the key (an entry is never its own child), found
// through index when one is given.
int AppendNtfsRows(CFileListModel& model, const NTFSFILEENTRY* entries, std::uint32_t count, std::int64_t key,
                   CFileTypeCache& cache, CNtfsChildIndex* index = nullptr);
