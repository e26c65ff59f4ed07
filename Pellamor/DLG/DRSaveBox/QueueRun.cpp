#include "Pellamor/DLG/DRSaveBox/QueueRun.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <limits>

#include "corvane/ntfs_records.h"
#include "corvane/ntfs_save.h"
#include "corvane/save_control.h"
#include "platform/file_ops.h"
#include "platform/folder_scan.h"
#include "platform/message.h"
#include "platform/output_file.h"

namespace drsave {

// ---- QueueStore -----------------------------------------------------------------------------

std::uint64_t QueueStore::Add(QueueItem item) {
  std::lock_guard lock(mutex_);
  item.id = nextId_++;
  items_.push_back(std::move(item));
  ++revision_;
  return items_.back().id;
}

void QueueStore::AddAll(std::vector<QueueItem> items) {
  std::lock_guard lock(mutex_);
  items_.reserve(items_.size() + items.size());
  for (QueueItem& item : items) {
    item.id = nextId_++;
    items_.push_back(std::move(item));
  }
  ++revision_;
}

std::size_t QueueStore::Size() const {
  std::lock_guard lock(mutex_);
  return items_.size();
}

std::size_t QueueStore::DoneCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<std::size_t>(
      std::count_if(items_.begin(), items_.end(), [](const QueueItem& i) { return i.done != 0; }));
}

std::vector<QueueItem> QueueStore::Snapshot() const {
  std::lock_guard lock(mutex_);
  return items_;
}

std::optional<QueueItem> QueueStore::At(std::size_t row) const {
  std::lock_guard lock(mutex_);
  if (row >= items_.size()) return std::nullopt;
  return items_[row];
}

namespace {
template <class V>
auto FindId(V& items, std::uint64_t id) {
  auto it = std::lower_bound(items.begin(), items.end(), id,
                             [](const QueueItem& item, std::uint64_t v) { return item.id < v; });
  return it != items.end() && it->id == id ? it : items.end();
}
}  // namespace

std::optional<QueueItem> QueueStore::Get(std::uint64_t id) const {
  std::lock_guard lock(mutex_);
  auto it = FindId(items_, id);
  if (it == items_.end()) return std::nullopt;
  return *it;
}

std::optional<QueueItem> QueueStore::NextAfter(std::uint64_t id) const {
  std::lock_guard lock(mutex_);
  auto it = std::upper_bound(items_.begin(), items_.end(), id,
                             [](std::uint64_t v, const QueueItem& item) { return v < item.id; });
  if (it == items_.end()) return std::nullopt;
  return *it;
}

bool QueueStore::Update(std::uint64_t id, const std::function<void(QueueItem&)>& edit) {
  std::lock_guard lock(mutex_);
  auto it = FindId(items_, id);
  if (it == items_.end()) return false;
  edit(*it);
  ++revision_;
  return true;
}

void QueueStore::UpdateRows(const std::vector<std::size_t>& rows,
                            const std::function<void(QueueItem&)>& edit) {
  std::lock_guard lock(mutex_);
  for (std::size_t row : rows)
    if (row < items_.size()) edit(items_[row]);
  ++revision_;
}

std::size_t QueueStore::RemoveIf(const std::function<bool(const QueueItem&)>& pred) {
  std::lock_guard lock(mutex_);
  const std::size_t before = items_.size();
  items_.erase(std::remove_if(items_.begin(), items_.end(), pred), items_.end());
  ++revision_;
  return before - items_.size();
}

void QueueStore::Clear() {
  std::lock_guard lock(mutex_);
  items_.clear();
  ++revision_;
}

std::uint64_t QueueStore::Revision() const {
  std::lock_guard lock(mutex_);
  return revision_;
}

// ---- FolderIndex ----------------------------------------------------------------------------

namespace {

locale_t FoldLocale() {
  static locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return loc;
}

std::u16string StripTrailingSlashes(std::u16string folder) {
  while (folder.size() > 1 && folder.back() == u'/') folder.pop_back();
  return folder;
}

}  // namespace

std::u16string FolderIndex::Fold(std::u16string_view name) {
  std::u16string out(name);
  const locale_t loc = FoldLocale();
  for (char16_t& c : out) {
    if (c < 0x80) {
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    } else if (loc && (c < 0xD800 || c > 0xDFFF)) {
      c = static_cast<char16_t>(towlower_l(static_cast<wint_t>(c), loc));
    }
  }
  return out;
}

bool FolderIndex::Load(const std::string& folder) {
  names_.clear();
  return platform::ScanFolder(platform::FromUtf8(folder), [this](const platform::FolderEntry& e) {
    Add(e.name, e.isFolder);
    return true;
  });
}

bool FolderIndex::Has(std::u16string_view name, bool* isFolder) const {
  auto it = names_.find(Fold(name));
  if (it == names_.end()) return false;
  if (isFolder) *isFolder = it->second.isFolder;
  return true;
}

std::u16string FolderIndex::Spelling(std::u16string_view name) const {
  auto it = names_.find(Fold(name));
  return it == names_.end() ? std::u16string(name) : it->second.spelling;
}

void FolderIndex::Add(std::u16string_view name, bool isFolder) {
  auto [it, added] = names_.emplace(Fold(name), Entry{std::u16string(name), isFolder});
  if (!added) it->second.isFolder = it->second.isFolder || isFolder;
}

// ---- QueueRunner ----------------------------------------------------------------------------

std::u16string ClusterFileName(std::uint64_t cluster) {
  return platform::FromUtf8("[" + std::to_string(cluster) + "]");
}

namespace {

constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();

ItemOutcome Failed(std::u16string_view note) { return ItemOutcome{false, std::u16string(note)}; }


}  // namespace

QueueRunner::QueueRunner(QueueStore& store, IRenameQuestion* question)
    : store_(store), question_(question) {}

void QueueRunner::Pause() {
  std::lock_guard lock(gateMutex_);
  paused_ = true;
}

void QueueRunner::Resume() {
  {
    std::lock_guard lock(gateMutex_);
    paused_ = false;
  }
  gate_.notify_all();
}

bool QueueRunner::IsPaused() const {
  std::lock_guard lock(gateMutex_);
  return paused_;
}

void QueueRunner::Stop() {
  {
    std::lock_guard lock(gateMutex_);
    stopped_ = true;
    paused_ = false;
  }
  gate_.notify_all();
  if (question_) question_->Cancel();
}

bool QueueRunner::IsStopped() const {
  std::lock_guard lock(gateMutex_);
  return stopped_;
}

bool QueueRunner::WaitGate() {
  std::unique_lock lock(gateMutex_);
  gate_.wait(lock, [this] { return !paused_ || stopped_; });
  return stopped_;
}

bool QueueRunner::AfterChunk(std::uint64_t written, std::uint64_t total) {
  if (onProgress) onProgress(written, total);
  return WaitGate();
}

bool QueueRunner::PrepareVolume(FILESYSTEMOBJ* fs) {
  fs_ = fs ? fs : m_pFileSystem;
  if (!fs_) {
    platform::ShowMessage(kMsgDriveClosed);
    return false;
  }
  const std::uint32_t type = fs_->typeCode;
  if (type == kFsExfat) {
    platform::ShowMessage(kMsgExfatLater);
    return false;
  }
  if (type == kFsNtfs) {
    ntfsRecords_.clear();
    for (std::uint32_t i = 0; g_pNtfsEntries && i < g_dwNtfsEntryCount; ++i)
      ntfsRecords_.emplace(static_cast<std::uint64_t>(g_pNtfsEntries[i].recordNumber), i);
    return fs_->ntfs != nullptr;
  }
  if (!IsFatType(type)) {
    platform::ShowMessage(kMsgOtherFileSystem);
    return false;
  }
  // The chains are followed in the loaded allocation table; a drive opened without listing a
  // folder has none yet.
  if (g_dwFatTableEntries == 0 && !LoadFatTable(fs_)) return false;
  return true;
}

void QueueRunner::Run(FILESYSTEMOBJ* fs) {
  folders_.clear();
  if (!PrepareVolume(fs)) return;
  std::uint64_t last = 0;
  while (!WaitGate()) {
    std::optional<QueueItem> item = store_.NextAfter(last);
    if (!item) break;
    last = item->id;
    if (item->done || item->held) continue;
    ItemOutcome outcome = SaveItem(*item);
    // A stop while the question waited or the engine copied is no verdict on the file.
    if (!outcome.saved && IsStopped()) {
      store_.Update(item->id, [](QueueItem& i) { i.note = kNoteStopped; });
      if (onItemDone) onItemDone(item->id);
      break;
    }
    // Every failure tells why.
    if (!outcome.saved && outcome.note.empty()) outcome.note = kNoteSaveFailed;
    store_.Update(item->id, [&](QueueItem& i) {
      i.stateText = std::u16string(outcome.saved ? kStateDone : kStateFailed);
      i.note = std::move(outcome.note);
      if (outcome.saved) i.done = 1;
    });
    if (onItemDone) onItemDone(item->id);
  }
}

FolderIndex* QueueRunner::IndexOf(const std::u16string& folder) {
  auto [it, added] = folders_.try_emplace(folder);
  if (added && !it->second.Load(platform::ToUtf8(folder))) {
    folders_.erase(it);
    return nullptr;
  }
  return &it->second;
}

ItemOutcome QueueRunner::SaveItem(const QueueItem& item) {
  if (!fs_) fs_ = m_pFileSystem;
  if (!fs_) return Failed(kMsgDriveClosed);
  if (item.saveFolder.empty()) return Failed(kNoteNoSaveFolder);
  // An absolute path here; that it is an existing folder shows when its index is read.
  if (item.saveFolder.front() != u'/' || item.saveFolder.find(u'\0') != std::u16string::npos)
    return Failed(kNoteBadSaveFolder);
  if (item.IsFolder()) return Failed(kNoteFolderItem);
  if (item.methodCode > kMethodSector) return Failed(kNoteUnknownMethod);

  if (const char16_t* refusal = Refusal(item)) return Failed(refusal);

  const bool ntfs = fs_->typeCode == kFsNtfs;
  const std::uint64_t cluster = ntfs ? item.addedCluster : item.firstCluster;
  std::u16string name = item.name.empty() ? ClusterFileName(cluster) : item.name;
  if (!platform::IsPlainFileName(name)) return Failed(kNoteBadName);

  const std::u16string folder = StripTrailingSlashes(item.saveFolder);
  FolderIndex* const found = IndexOf(folder);
  if (!found) return Failed(kNoteBadSaveFolder);
  FolderIndex& index = *found;

  // Until a free name, a confirmed replacement, or no answer.
  bool replace = false;
  for (bool isFolder = false; index.Has(name, &isFolder);) {
    if (IsStopped()) return Failed(kNoteNameTaken);
    std::u16string answer = question_ ? question_->AskNewName(name) : std::u16string();
    if (answer.empty() || IsStopped()) return Failed(kNoteNameTaken);
    if (FolderIndex::Fold(answer) == FolderIndex::Fold(name)) {
      // The same name again: the user agreed to replace the old file (never a folder), which
      // keeps the spelling it has in the folder.
      if (isFolder) return Failed(kNoteNameTaken);
      name = index.Spelling(name);
      replace = true;
      break;
    }
    if (!platform::IsPlainFileName(answer)) return Failed(kNoteBadName);
    name = std::move(answer);
  }

  // A replacement takes the old file's place only once it is whole (the output file is written
  // aside and renamed over the old one); otherwise a save that ends short keeps what it read.
  ItemOutcome outcome = ntfs ? SaveNtfs(item, folder, name, !replace) : SaveFat(item, folder, name, !replace);
  if (!replace && (outcome.saved || platform::EntryExists(folder, name))) index.Add(name);
  return outcome;
}

const char16_t* QueueRunner::Refusal(const QueueItem& item) const {
  if (fs_->typeCode != kFsNtfs) {
    // Sector method: the cluster field holds the first sector (64 bits) and the size the count.
    if (item.size > kMax32) return kNoteTooLarge;
    if (item.methodCode != kMethodSector && item.firstCluster > kMax32) return kNoteTooLarge;
    return nullptr;
  }
  if (item.methodCode == kMethodSector) return kNoteNtfsSector;
  // A hand-made item names no record the search found.
  if (item.typeName.empty()) return kNoteNotFound;
  if (item.addedCluster > kMax32) return kNoteTooLarge;
  const NTFSFILEENTRY* found = FoundEntry(item.addedCluster);
  if (!found) return kNoteNotFound;
  if (found->folder) return kNoteFolderItem;
  return nullptr;
}

const NTFSFILEENTRY* QueueRunner::FoundEntry(std::uint64_t record) const {
  auto it = ntfsRecords_.find(record);
  if (it == ntfsRecords_.end() || !g_pNtfsEntries || it->second >= g_dwNtfsEntryCount) return nullptr;
  return &g_pNtfsEntries[it->second];
}

ItemOutcome QueueRunner::SaveFat(const QueueItem& item, const std::u16string& folder,
                                 const std::u16string& name, bool keepIncomplete) {
  SaveControl control;
  control.keepIncomplete = keepIncomplete;
  control.afterChunk = [this](std::uint64_t w, std::uint64_t t) { return AfterChunk(w, t); };
  int result = 0;
  if (item.methodCode == kMethodSector) {
    result = RecoverFatFile(0, name, folder, 0, kFatRecoverSector, 0, item.firstCluster,
                            static_cast<std::uint32_t>(item.size), &control);
  } else {
    const int method = item.methodCode == kMethodLinear ? kFatRecoverLinear : kFatRecoverBasic;
    const int deleted = item.entryReference == kFatDeletedReference ? 1 : 0;
    result = RecoverFatFile(static_cast<std::uint32_t>(item.firstCluster), name, folder,
                            static_cast<std::uint32_t>(item.size), method, deleted, 0, 0, &control);
  }
  return ItemOutcome{result != 0, std::move(control.note)};
}

ItemOutcome QueueRunner::SaveNtfs(const QueueItem& item, const std::u16string& folder,
                                  const std::u16string& name, bool keepIncomplete) {
  const NTFSFILEENTRY* found = FoundEntry(item.addedCluster);
  if (!found) return Failed(kNoteNotFound);
  SaveControl control;
  control.keepIncomplete = keepIncomplete;
  control.afterChunk = [this](std::uint64_t w, std::uint64_t t) { return AfterChunk(w, t); };
  const int result = SaveNtfsFile(fs_->ntfs, static_cast<std::uint32_t>(item.addedCluster), name,
                                  folder, item.entryReference, found, &control);
  return ItemOutcome{result != 0, std::move(control.note)};
}

}  // namespace drsave
