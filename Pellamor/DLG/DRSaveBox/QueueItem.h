// One recovery request of the queue, as the queue window shows it and the .db file keeps it.
// Plain data: no widgets, so the worker, the file codec and the command-line tools share it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace drsave {

inline constexpr std::uint32_t kMethodBasic = 0;
inline constexpr std::uint32_t kMethodLinear = 1;
inline constexpr std::uint32_t kMethodSector = 2;

// Entry reference of a deleted FAT row (live FAT rows carry 0; NTFS rows the file attributes).
inline constexpr std::uint32_t kFatDeletedReference = 1;

inline constexpr std::u16string_view kFolderSizeText = u"폴더";
inline constexpr std::u16string_view kStateDone = u"성공";
inline constexpr std::u16string_view kStateFailed = u"실패";
inline constexpr std::u16string_view kStateHeld = u"보류";

// Field order is the record's; the archive order is QueueDb's.
struct CListCtrl_DataBase_SaveBox {
  std::u16string name;
  std::u16string sizeText;
  std::u16string methodText;
  std::u16string clusterText;
  std::u16string stateText;
  std::u16string saveFolder;
  std::u16string typeName;
  std::u16string note;
  std::uint32_t tick = 0;
  std::uint32_t iconIndex = 0;
  std::uint64_t firstCluster = 0;   // where a FAT item is read from; the method dialog may change it
  std::uint64_t size = 0;
  std::uint64_t addedCluster = 0;   // as added: for NTFS items the record number
  std::uint32_t entryReference = 0; // FAT: kFatDeletedReference or 0; NTFS: file attributes
  std::uint32_t methodCode = 0;
  std::uint32_t done = 0;
  std::uint32_t deleteMark = 0;
  std::uint32_t held = 0;

  // Not stored: the queue hands out ids so a worker can write an outcome back to the item it
  // read even after the queue was edited. 0 until the queue takes the item.
  std::uint64_t id = 0;

  bool operator==(const CListCtrl_DataBase_SaveBox&) const = default;

  bool IsFolder() const { return sizeText == kFolderSizeText; }
  // "보류" for a held item, else the state text.
  std::u16string_view StateColumn() const { return held ? kStateHeld : std::u16string_view(stateText); }
};

using QueueItem = CListCtrl_DataBase_SaveBox;

// "기본", "선형", "섹터"; empty for any other code.
std::u16string_view MethodText(std::uint32_t code);

// The cluster column: the full unsigned decimal (NTFS record numbers and large clusters pass
// 32 bits).
std::u16string ClusterText(std::uint64_t cluster);

// A written name is one entry of its folder: no '/', no NUL, not "." or "..". Empty passes: the
// engine names such a file after its cluster.
bool IsAcceptableItemName(std::u16string_view name);

// An existing folder given by an absolute path ("C:\out" from another system is none).
bool IsUsableSaveFolder(std::u16string_view folder);

// A hand-made item: the typed cluster is also the cluster as added, so an item that went through
// a .db file (which keeps only the latter) still starts where the user said.
QueueItem MakeHandMadeItem(std::u16string name, std::uint32_t methodCode, std::uint64_t cluster,
                           std::uint64_t size);

}  // namespace drsave
