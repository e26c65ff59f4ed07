// The queue's items and the loop that saves them. No widgets: the window, the command-line probe,
// the tests and the benchmark run the same code.
//
// Items carry stable ids under one mutex. The loop reads each item just before saving it and
// writes the outcome back by id, so edits of other items (or of this one, after it was read) never
// land on the wrong row. Pause is a gate the loop waits at between items and after every chunk
// the engine copies; a stop opens the gate, cancels a pending rename question and ends the loop
// at its next check.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Pellamor/DLG/DRSaveBox/QueueItem.h"
#include "corvane/filesystem.h"

namespace drsave {

// ---- Items ----------------------------------------------------------------------------------

class QueueStore {
 public:
  // Appends and gives the item its id.
  std::uint64_t Add(QueueItem item);
  void AddAll(std::vector<QueueItem> items);

  std::size_t Size() const;
  std::size_t DoneCount() const;
  // A copy of every item, in queue order.
  std::vector<QueueItem> Snapshot() const;
  // The item at a row, or by id; nothing when absent.
  std::optional<QueueItem> At(std::size_t row) const;
  std::optional<QueueItem> Get(std::uint64_t id) const;
  // The first item (in queue order) whose id is above `id`; ids grow with every add, so a
  // walk by ids sees items appended while it runs.
  std::optional<QueueItem> NextAfter(std::uint64_t id) const;

  // Runs edit on the item of that id under the lock; false when it is gone.
  bool Update(std::uint64_t id, const std::function<void(QueueItem&)>& edit);
  // Runs edit on each listed row; rows out of range are passed over.
  void UpdateRows(const std::vector<std::size_t>& rows, const std::function<void(QueueItem&)>& edit);
  // Erases the items for which pred is true; the number erased.
  std::size_t RemoveIf(const std::function<bool(const QueueItem&)>& pred);
  void Clear();

  // Grows with every change: a window repaints only when it moved.
  std::uint64_t Revision() const;

 private:
  mutable std::mutex mutex_;
  std::vector<QueueItem> items_;  // ids ascending
  std::uint64_t nextId_ = 1;
  std::uint64_t revision_ = 0;
};

// ---- Texts ----------------------------------------------------------------------------------

inline constexpr char16_t kNoteNoSaveFolder[] = u"저장위치가 설정되어 있지 않습니다.";
inline constexpr char16_t kNoteNameTaken[] = u"저장위치에 동일한 파일 또는 폴더가 존재합니다.";
inline constexpr char16_t kNoteBadSaveFolder[] = u"저장위치가 없거나 절대경로가 아닙니다.";
inline constexpr char16_t kNoteBadName[] = u"파일명으로 쓸 수 없는 이름입니다.";
inline constexpr char16_t kNoteFolderItem[] = u"폴더는 복구할 수 없습니다. 폴더 안의 파일을 추가하십시오.";
inline constexpr char16_t kNoteUnknownMethod[] = u"알 수 없는 복구방식입니다.";
inline constexpr char16_t kNoteTooLarge[] = u"값이 너무 커서 복구할 수 없습니다.";
inline constexpr char16_t kNoteNtfsSector[] = u"NTFS 파일에는 섹터 복구방식을 쓸 수 없습니다.";
inline constexpr char16_t kNoteNotFound[] = u"검색된 파일이 아니므로 복구할 수 없습니다.";
inline constexpr char16_t kNoteStopped[] = u"복구를 중지했습니다.";
// A failure that the engine gave no reason for.
inline constexpr char16_t kNoteSaveFailed[] = u"파일을 저장하지 못했습니다.";

inline constexpr char16_t kMsgRunning[] = u"복구가 진행 중에 있습니다.";
inline constexpr char16_t kMsgDriveClosed[] = u"드라이브가 닫혔습니다.";
inline constexpr char16_t kMsgDriveIsClosed[] = u"드라이브가 닫혀 있습니다.";
inline constexpr char16_t kMsgQueueEmpty[] = u"임시보관함이 비어 있습니다.";
inline constexpr char16_t kMsgExfatLater[] = u"exFAT는 곧 추가될 예정입니다.";
inline constexpr char16_t kMsgOtherFileSystem[] =
    u"FAT12, FAT16, FAT32, exFAT, NTFS가 아닙니다. CDFS, UDF는 곧 추가될 예정입니다.";

// ---- Save folder index ----------------------------------------------------------------------

// The names of one folder, case-folded: read once per run, then kept up to date by the names the
// run writes.
class FolderIndex {
 public:
  // False when the folder cannot be read.
  bool Load(const std::string& folder);
  // Whether an entry of that name (ignoring case) exists; *isFolder says whether it is a folder.
  bool Has(std::u16string_view name, bool* isFolder = nullptr) const;
  void Add(std::u16string_view name, bool isFolder = false);
  // The entry's name as the folder spells it (the first one seen), or name when absent.
  std::u16string Spelling(std::u16string_view name) const;

  static std::u16string Fold(std::u16string_view name);

 private:
  struct Entry {
    std::u16string spelling;
    bool isFolder = false;
  };
  std::unordered_map<std::u16string, Entry> names_;
};

// ---- The save loop --------------------------------------------------------------------------

// Asked on the worker thread when the name is taken: the new name, the same name again
// (ignoring case) to replace the old file, or empty to give up. Cancel() comes from another
// thread when the run stops; a question waiting then answers empty at once.
class IRenameQuestion {
 public:
  virtual ~IRenameQuestion() = default;
  virtual std::u16string AskNewName(const std::u16string& name) = 0;
  virtual void Cancel() {}
};

struct ItemOutcome {
  bool saved = false;
  std::u16string note;
};

class QueueRunner {
 public:
  QueueRunner(QueueStore& store, IRenameQuestion* question = nullptr);

  // Saves every item that is neither done nor held, on the calling thread, from the open volume
  // fs (m_pFileSystem when null). Messages go through the message sink.
  void Run(FILESYSTEMOBJ* fs = nullptr);

  // From any thread.
  void Pause();
  void Resume();
  bool IsPaused() const;
  void Stop();
  bool IsStopped() const;

  // Called on the worker thread after each item's outcome was written back.
  std::function<void(std::uint64_t id)> onItemDone;
  // Called on the worker thread after every chunk the engine wrote, before the pause gate.
  std::function<void(std::uint64_t written, std::uint64_t total)> onProgress;

 private:
  ItemOutcome SaveItem(const QueueItem& item);
  // Why the item cannot be saved from this volume, or null.
  const char16_t* Refusal(const QueueItem& item) const;
  const NTFSFILEENTRY* FoundEntry(std::uint64_t record) const;
  // Waits while paused; true when the run must stop.
  bool WaitGate();
  // The engine's hook: reports progress, waits while paused, answers stop.
  bool AfterChunk(std::uint64_t written, std::uint64_t total);
  bool PrepareVolume(FILESYSTEMOBJ* fs);
  // The folder's index, read on first use; null when the folder cannot be read.
  FolderIndex* IndexOf(const std::u16string& folder);
  // keepIncomplete: see SaveControl.
  ItemOutcome SaveFat(const QueueItem& item, const std::u16string& folder, const std::u16string& name,
                      bool keepIncomplete);
  ItemOutcome SaveNtfs(const QueueItem& item, const std::u16string& folder, const std::u16string& name,
                       bool keepIncomplete);

  QueueStore& store_;
  IRenameQuestion* question_;
  FILESYSTEMOBJ* fs_ = nullptr;
  std::unordered_map<std::u16string, FolderIndex> folders_;
  std::unordered_map<std::uint64_t, std::uint32_t> ntfsRecords_;  // record -> entry index

  mutable std::mutex gateMutex_;
  std::condition_variable gate_;
  bool paused_ = false;
  bool stopped_ = false;
};

// The name the engine gives a file saved without one: "[cluster]".
std::u16string ClusterFileName(std::uint64_t cluster);

}  // namespace drsave
