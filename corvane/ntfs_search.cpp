#include "corvane/ntfs_search.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <memory_resource>
#include <mutex>
#include <new>
#include <optional>
#include <shared_mutex>
#include <utility>

#include "corvane/engine_hooks.h"
#include "corvane/ntfs_attrlist.h"
#include "corvane/ntfs_record.h"
#include "corvane/ntfs_time.h"
#include "corvane/ntfs_walk.h"
#include "platform/large_buffer.h"
#include "platform/message.h"
#include "platform/processors.h"

namespace {

char16_t Fold(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

// Texts of the dialog are replaced at most this often; the counters follow every chunk.
constexpr auto kTextInterval = std::chrono::milliseconds(100);

std::u16string Utf16(const std::string& ascii) { return platform::FromUtf8(ascii); }

// The status line of an entry: its name as the entry holds it (cut at 260 characters and at a
// NUL) and its allocated size.
std::u16string StatusText(const std::u16string& name, std::int64_t allocatedSize) {
  const std::size_t cut = std::min(name.find(u'\0'), kNtfsNameMaxChars);
  return name.substr(0, cut) + u" (" + Utf16(std::to_string(allocatedSize)) + u"바이트) 분석중...";
}

std::u16string RecordText(std::uint64_t r, std::uint64_t count) {
  return u"(" + Utf16(std::to_string(r)) + u"/" + Utf16(std::to_string(count - 1)) + u") 파일 분석..";
}

bool Stopping(const NtfsSearchProgress* p) { return p && p->stopRequest.load() != 0; }

void FinishProgress(NtfsSearchProgress* p) {
  if (!p) return;
  std::int32_t s = p->state.load();
  if (s == 1 || s == 2) p->state = kNtfsSearchDone;
  p->finished = 1;
  p->stopRequest = 1;
}

}  // namespace

void NtfsSearchProgress::SetTexts(std::u16string status, std::u16string record) {
  std::lock_guard lock(textMutex_);
  status_ = std::move(status);
  record_ = std::move(record);
}

void NtfsSearchProgress::SetStatus(std::u16string status) {
  std::lock_guard lock(textMutex_);
  status_ = std::move(status);
}

std::u16string NtfsSearchProgress::Status() const {
  std::lock_guard lock(textMutex_);
  return status_;
}

std::u16string NtfsSearchProgress::RecordText() const {
  std::lock_guard lock(textMutex_);
  return record_;
}

int NtfsSearchProgress::DeletedFilePercent() const {
  const std::uint64_t d = deletedFiles, all = deletedFiles + liveFiles;
  return all ? static_cast<int>(d * 100 / all) : -1;
}

int NtfsSearchProgress::DeletedFolderPercent() const {
  const std::uint64_t d = deletedFolders, all = deletedFolders + liveFolders;
  return all ? static_cast<int>(d * 100 / all) : -1;
}

int NtfsSearchProgress::DeletedPercent() const {
  const std::uint64_t d = deletedFiles + deletedFolders;
  const std::uint64_t all = d + liveFiles + liveFolders;
  return all ? static_cast<int>(d * 100 / all) : -1;
}

int MatchesSelectedExtension(std::u16string_view name, const std::vector<std::u16string>& extensions) {
  // The whole text after the last dot: "JPEG" must not match "PEG", nor "jpg" a file "x.ajpg".
  const std::size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos) return 0;
  const std::u16string_view tail = name.substr(dot + 1);
  if (tail.empty()) return 0;
  for (const std::u16string& ext : extensions) {
    if (ext.size() != tail.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < tail.size() && same; ++i) same = Fold(tail[i]) == Fold(ext[i]);
    if (same) return 1;
  }
  return 0;
}

bool FileTimeToLocalSystemTime(std::uint64_t fileTime, SYSTEMTIME* out) {
  return ntfstime::ToLocalSystemTime(fileTime, out);
}

int StoreEntryLocalTimes(NTFSFILEENTRY* e, std::uint64_t creation, std::uint64_t access,
                         std::uint64_t modification) {
  FileTimeToLocalSystemTime(creation, &e->localCreationTime);
  FileTimeToLocalSystemTime(access, &e->localAccessTime);
  FileTimeToLocalSystemTime(modification, &e->localModificationTime);
  return 1;
}

namespace {
NTFSFILETIME Split(std::uint64_t t) {
  return {static_cast<std::uint32_t>(t >> 32), static_cast<std::uint32_t>(t)};
}
}  // namespace

namespace {

// How a file's data is stored, as its attributes say; one kind only, encrypted over compressed
// over sparse.
enum class Storage { kPlain, kEncrypted, kCompressed, kSparse };
Storage StorageOf(std::uint32_t fileAttributes) {
  if (fileAttributes & 0x4000) return Storage::kEncrypted;
  if (fileAttributes & 0x800) return Storage::kCompressed;
  if (fileAttributes & 0x200) return Storage::kSparse;
  return Storage::kPlain;
}

// Local times by whole second, the last few kept: the C library's conversion takes a
// process-wide lock, and the times of one file, and of files written in the same second, share
// their seconds. What a time gives depends on its second alone, but for its milliseconds.
class LocalTimes {
 public:
  // As FileTimeToLocalSystemTime: *out is left as it is for a time that has no local time.
  void Store(std::uint64_t fileTime, SYSTEMTIME* out) {
    if (fileTime >= (1ull << 63)) return;
    const std::uint64_t seconds = fileTime / ntfstime::kTicksPerSecond;
    Slot& slot = slots_[seconds % kSlots];
    if (!slot.filled || slot.seconds != seconds) {
      slot.filled = true;
      slot.seconds = seconds;
      slot.ok = FileTimeToLocalSystemTime(seconds * ntfstime::kTicksPerSecond, &slot.time);
    }
    if (!slot.ok) return;
    *out = slot.time;
    out->wMilliseconds = static_cast<std::uint16_t>(fileTime % ntfstime::kTicksPerSecond / 10000);
  }

 private:
  static constexpr std::size_t kSlots = 64;
  struct Slot {
    bool filled = false;
    bool ok = false;
    std::uint64_t seconds = 0;
    SYSTEMTIME time{};
  };
  Slot slots_[kSlots];
};

// Fills a zero-filled entry from a record that has a name and $STANDARD_INFORMATION, the name
// given apart from the record's other values: writes the name up to its terminator and the fixed
// fields, nothing else.
void FillEntry(const NtfsFileInfo& info, std::u16string_view name, std::uint64_t recordNumber,
               std::uint32_t sectorsPerCluster, LocalTimes& times, NTFSFILEENTRY* e) {
  const std::size_t n = std::min(name.size(), kNtfsNameMaxChars);
  std::copy_n(name.data(), n, e->name);
  e->name[n] = 0;
  e->deleted = info.inUse ? 0 : 1;
  e->folder = info.directory ? 1 : 0;
  if (info.hasData) {
    e->firstCluster = info.firstCluster;
    e->firstSector = info.firstCluster * static_cast<std::int64_t>(sectorsPerCluster);
    e->lastVcn = info.lastVcn;
    e->firstClusterValid = e->firstSectorValid = e->lastVcnValid = 1;
    e->dataSize = info.dataSize;
    e->allocatedSize = info.allocatedSize;
  }
  e->fileAttributes = info.fileAttributes;
  switch (StorageOf(info.fileAttributes)) {
    case Storage::kEncrypted: e->encrypted = 1; break;
    case Storage::kCompressed: e->compressed = 1; break;
    case Storage::kSparse: e->sparse = 1; break;
    case Storage::kPlain: break;
  }
  e->creationTime = Split(info.creationTime);
  e->accessTime = Split(info.accessTime);
  e->modificationTime = Split(info.modificationTime);
  times.Store(info.creationTime, &e->localCreationTime);
  times.Store(info.accessTime, &e->localAccessTime);
  times.Store(info.modificationTime, &e->localModificationTime);
  e->recordNumber = static_cast<std::int64_t>(recordNumber);
  e->parentRecordNumber = static_cast<std::int64_t>(info.parent);
}

}  // namespace

namespace {

// A damage note for an entry's owned block; null when it cannot be had (the entry stays, only
// without its note).
void* NewEntryNote(std::u16string_view text) {
  auto* note = static_cast<NTFSENTRYNOTE*>(std::calloc(1, sizeof(NTFSENTRYNOTE)));
  if (!note) return nullptr;
  note->tag = kNtfsEntryNoteTag;
  const std::size_t n = std::min(text.size(), std::size(note->text) - 1);
  std::copy_n(text.data(), n, note->text);
  return note;
}

}  // namespace

const char16_t* NtfsEntryNote(const NTFSFILEENTRY& entry) {
  const auto* note = static_cast<const NTFSENTRYNOTE*>(entry.owned);
  return note && note->tag == kNtfsEntryNoteTag ? note->text : nullptr;
}

bool BuildNtfsEntry(const NtfsFileInfo& info, std::uint64_t recordNumber,
                    std::uint32_t sectorsPerCluster, NTFSFILEENTRY* e) {
  std::memset(static_cast<void*>(e), 0, sizeof *e);
  if (!info.hasName || !info.hasStandardInformation) return false;
  LocalTimes times;
  FillEntry(info, info.name, recordNumber, sectorsPerCluster, times, e);
  return true;
}

int DefaultSearchThreads() { return platform::UsableProcessorCount(); }

namespace {

// The entry array: sized once from the number of records the search may accept, so entries
// are written once into memory that is still zero. Slots past the entries stay zero, the spare
// among them. Only when that block cannot be had does it grow (and zero what it adds).
class EntryArray {
 public:
  ~EntryArray() { std::free(entries_); }
  // Room for `expected` entries and the spare; when that block cannot be had, the largest of
  // its halves that can, grown later as entries come.
  bool Reserve(std::uint64_t expected) {
    for (std::uint64_t slots = std::min<std::uint64_t>(expected, kMaxSlots - 1) + 1; slots >= 1;
         slots /= 2) {
      entries_ = static_cast<NTFSFILEENTRY*>(
          platform::AllocateLargeArray(static_cast<std::size_t>(slots), sizeof *entries_));
      if (entries_) {
        capacity_ = slots;
        return true;
      }
    }
    return false;
  }
  // Takes the next n slots, growing the block when they and the spare do not fit (waiting for
  // the writers of earlier slots); false (nothing taken) when it cannot grow.
  bool Take(std::uint64_t n, std::uint64_t* first) {
    if (n >= capacity_ - count_) {
      const std::uint64_t needed = count_ + n + 1;
      if (needed > kMaxSlots) return false;
      const std::uint64_t grown = std::min(std::max(needed, capacity_ + capacity_ / 2), kMaxSlots);
      std::unique_lock lock(writers_);
      void* block = std::realloc(entries_, static_cast<std::size_t>(grown) * sizeof *entries_);
      if (!block) return false;
      entries_ = static_cast<NTFSFILEENTRY*>(block);
      std::memset(static_cast<void*>(entries_ + capacity_), 0,
                  static_cast<std::size_t>(grown - capacity_) * sizeof *entries_);
      capacity_ = grown;
    }
    *first = count_;
    count_ += n;
    return true;
  }
  // Writes slots taken before; several writers at once.
  template <typename Write>
  void Fill(std::uint64_t first, std::uint64_t n, Write write) {
    std::shared_lock lock(writers_);
    for (std::uint64_t i = 0; i < n; ++i) write(i, entries_ + first + i);
  }
  std::uint64_t Count() const { return count_; }
  // Hands the block over, cut to the entries and the spare.
  NTFSFILEENTRY* Release() {
    NTFSFILEENTRY* out = entries_;
    if (count_ + 1 < capacity_) {
      if (void* cut = std::realloc(out, static_cast<std::size_t>(count_ + 1) * sizeof *entries_))
        out = static_cast<NTFSFILEENTRY*>(cut);
    }
    entries_ = nullptr;
    capacity_ = count_ = 0;
    return out;
  }

 private:
  static constexpr std::uint64_t kMaxSlots = 0x7FFFFFFF;
  std::shared_mutex writers_;
  NTFSFILEENTRY* entries_ = nullptr;
  std::uint64_t capacity_ = 0;
  std::uint64_t count_ = 0;
};

// Characters of names a chunk's finds make room for at first, for each record of the chunk.
constexpr std::size_t kNamesPerFind = 16;

// What the search accepted from one chunk, in record order (the names kept together, apart from
// the other values), its class counts and the slots its entries go to. Kept for the next chunk
// once written, so that its storage is reused instead of allocated anew.
struct ChunkFinds {
  struct Found {
    std::uint64_t record;
    std::size_t nameAt;
    std::size_t nameLength;
    NtfsFileInfo info;  // its name kept in `names`
    AttributeListFault fault;
  };
  explicit ChunkFinds(std::pmr::memory_resource* memory = std::pmr::get_default_resource())
      : found(memory), names(memory) {}

  std::pmr::vector<Found> found;
  std::pmr::u16string names;
  std::uint64_t first = 0;
  std::uint64_t deletedFiles = 0, deletedFolders = 0, liveFiles = 0, liveFolders = 0;
  std::uint64_t encrypted = 0, compressed = 0, sparse = 0;

  // Takes the record's values and name; `info` keeps the room of its name for the next record.
  void Add(std::uint64_t r, NtfsFileInfo& info, AttributeListFault fault) {
    if (!info.inUse) (info.directory ? deletedFolders : deletedFiles)++;
    else (info.directory ? liveFolders : liveFiles)++;
    switch (StorageOf(info.fileAttributes)) {
      case Storage::kEncrypted: ++encrypted; break;
      case Storage::kCompressed: ++compressed; break;
      case Storage::kSparse: ++sparse; break;
      case Storage::kPlain: break;
    }
    const std::size_t at = names.size();
    names += info.name;
    std::u16string name;
    name.swap(info.name);  // the copy below takes an empty name, so it allocates nothing
    found.push_back({r, at, name.size(), info, fault});
    info.name.swap(name);
  }
  std::u16string_view Name(const Found& f) const { return {names.data() + f.nameAt, f.nameLength}; }
  void Clear() {
    found.clear();
    names.clear();
    first = 0;
    deletedFiles = deletedFolders = liveFiles = liveFolders = 0;
    encrypted = compressed = sparse = 0;
  }
  void Publish(NtfsSearchProgress* p) {
    if (p) {
      p->deletedFiles += deletedFiles;
      p->deletedFolders += deletedFolders;
      p->liveFiles += liveFiles;
      p->liveFolders += liveFolders;
      p->encrypted += encrypted;
      p->compressed += compressed;
      p->sparse += sparse;
    }
    deletedFiles = deletedFolders = liveFiles = liveFolders = 0;
    encrypted = compressed = sparse = 0;
  }
};

// Where the chunks' finds keep their records and names: one block of pages made before the walk,
// taken from in turn (a block of some megabytes costs a few large-page faults where separate
// vectors would cost one fault for every 4 KiB they touch), then the heap. Nothing is given back
// before the search ends. Any thread may take from it.
class FindsMemory : public std::pmr::memory_resource {
 public:
  explicit FindsMemory(std::size_t bytes) : block_(platform::MapPages(bytes)) {
    if (block_) inner_.emplace(block_.get(), bytes, std::pmr::new_delete_resource());
    else inner_.emplace(std::pmr::new_delete_resource());
  }

 private:
  void* do_allocate(std::size_t bytes, std::size_t alignment) override {
    std::lock_guard lock(mutex_);
    return inner_->allocate(bytes, alignment);
  }
  void do_deallocate(void*, std::size_t, std::size_t) override {}
  bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }

  platform::PageBlock block_;
  std::mutex mutex_;
  std::optional<std::pmr::monotonic_buffer_resource> inner_;
};

}  // namespace

NtfsSearchResult SearchMft(NTFSVOLUMERECORD* state, const NtfsSearchOptions& options,
                           NtfsSearchProgress* progress) {
  NtfsSearchResult out;
  if (!state->record0 || state->recordSize == 0) {
    FinishProgress(progress);
    return out;
  }

  // Set-up: the record count, the $MFT bitmap, the volume version, the array.
  const std::uint64_t count = MftRecordCount(state);
  std::vector<std::uint8_t> bitmap;
  const bool setup = count > 0 && ReadMftBitmap(state, count, &bitmap) && ReadVolumeVersion(state);
  EntryArray array;
  if (!setup || !array.Reserve(options.deletedOnly ? CountFreeMftRecords(bitmap, count) : count)) {
    FinishProgress(progress);
    return out;
  }
  out.ok = true;
  if (progress) {
    progress->percent = 0;
    progress->SetStatus(u"삭제된 데이터 검색 중...");
    progress->state = kNtfsSearchRunning;
    progress->startTime = static_cast<std::int64_t>(std::time(nullptr));
    progress->recordCount = count;
  }

  const int threads = std::max(1, options.threads);
  // The chunks' finds, taken from a pool when a chunk yields its first entry and given back
  // once written. A chunk's worth for each thread is made here, so that the walk's threads
  // allocate nothing while the chunks come in turn.
  std::vector<ChunkFinds*> parts(static_cast<std::size_t>(MftWalkChunks(state, count)), nullptr);
  const std::size_t perChunk = static_cast<std::size_t>(std::min(MftWalkChunkRecords(state), count));
  const std::size_t made = std::min<std::size_t>(static_cast<std::size_t>(threads), parts.size());
  // Room for the finds made here, with what alignment adds to each piece.
  FindsMemory memory(made * (perChunk * (sizeof(ChunkFinds::Found) + kNamesPerFind * sizeof(char16_t)) + 128));
  std::vector<std::unique_ptr<ChunkFinds>> store;  // after `memory`, which outlives it
  std::vector<ChunkFinds*> idle;
  std::mutex poolMutex;
  auto make = [&] {
    store.push_back(std::make_unique<ChunkFinds>(&memory));
    // Room for a whole chunk at once: growing by doubling would touch twice the memory.
    store.back()->found.reserve(perChunk);
    store.back()->names.reserve(perChunk * kNamesPerFind);
    return store.back().get();
  };
  idle.reserve(parts.size());
  for (std::size_t i = 0; i < made; ++i) idle.push_back(make());
  auto take = [&] {
    std::lock_guard lock(poolMutex);
    if (idle.empty()) return make();
    ChunkFinds* f = idle.back();
    idle.pop_back();
    return f;
  };
  // Each thread parses into a record of its own, whose name keeps its room from one record to
  // the next.
  std::vector<NtfsFileInfo> scratch(static_cast<std::size_t>(threads));
  for (NtfsFileInfo& info : scratch) info.name.reserve(kNtfsNameMaxChars);
  auto giveBack = [&](std::uint64_t c) {
    ChunkFinds*& f = parts[static_cast<std::size_t>(c)];
    if (!f) return;
    f->Clear();
    std::lock_guard lock(poolMutex);
    idle.push_back(f);
    f = nullptr;
  };
  ChunkFinds none;
  const std::uint32_t spc = state->sectorsPerCluster;
  auto lastTexts = std::chrono::steady_clock::now();
  bool textsShown = false;
  // The entry the texts last named, and whether a later one is still to be shown.
  std::u16string textName;
  std::int64_t textAllocated = 0;
  std::uint64_t textRecord = 0;
  bool textPending = false;
  auto showTexts = [&] {
    progress->SetTexts(StatusText(textName, textAllocated), RecordText(textRecord, count));
    textPending = false;
  };

  MftWalkOptions walk;
  walk.threads = threads;
  walk.skipInUse = options.deletedOnly ? &bitmap : nullptr;
  walk.stop = [&] { return Stopping(progress); };
  MftWalkCalls calls;
  calls.visit = [&](int t, std::uint64_t c, std::uint64_t r, const std::uint8_t* record) {
    if (Stopping(progress)) return false;
    NtfsFileInfo& info = scratch[static_cast<std::size_t>(t)];
    // Extension records are read through their base record's list, never listed themselves.
    if (!ParseFileRecord(record, state->recordSize, &info) || info.baseRecord != 0) return true;
    const AttributeListFault fault =
        info.hasAttributeList
            ? ResolveAttributeList(state, r, record, state->recordSize, &info, nullptr, false)
            : AttributeListFault::kNone;
    if (!info.hasName || !info.hasStandardInformation) return true;
    if (options.extensionFilter && !MatchesSelectedExtension(info.name, options.extensions))
      return true;
    ChunkFinds*& part = parts[static_cast<std::size_t>(c)];
    if (!part) part = take();
    part->Add(r, info, fault);
    return true;
  };
  calls.settle = [&](std::uint64_t c, std::uint64_t base, std::uint64_t n, bool halted) {
    ChunkFinds& part = parts[static_cast<std::size_t>(c)] ? *parts[static_cast<std::size_t>(c)] : none;
    // A stop inside the chunk drops what the chunk found: the entries stay a prefix of the
    // table. So does an array that cannot grow.
    if (halted || Stopping(progress) || !array.Take(part.found.size(), &part.first)) {
      giveBack(c);
      return false;
    }
    part.Publish(progress);
    if (progress) {
      progress->currentRecord = base + n - 1;
      progress->percent = static_cast<std::int32_t>((base + n) * 100 / count);
      if (!part.found.empty()) {
        const ChunkFinds::Found& last = part.found.back();
        textName = part.Name(last);
        textAllocated = last.info.hasData ? last.info.allocatedSize : 0;
        textRecord = last.record;
        textPending = true;
        const auto now = std::chrono::steady_clock::now();
        if (!textsShown || now - lastTexts >= kTextInterval) {
          textsShown = true;
          lastTexts = now;
          showTexts();
        }
      }
    }
    return true;
  };
  calls.after = [&](std::uint64_t c) {
    const ChunkFinds* part = parts[static_cast<std::size_t>(c)];
    if (!part) return;
    LocalTimes times;
    array.Fill(part->first, part->found.size(), [&](std::uint64_t i, NTFSFILEENTRY* e) {
      const ChunkFinds::Found& f = part->found[i];
      FillEntry(f.info, part->Name(f), f.record, spc, times, e);
      if (f.fault != AttributeListFault::kNone) e->owned = NewEntryNote(AttributeListFaultNote(f.fault));
    });
    giveBack(c);
  };
  WalkMft(state, count, walk, calls);
  if (progress && textPending) showTexts();
  out.count = static_cast<std::uint32_t>(array.Count());
  out.entries = array.Release();
  FinishProgress(progress);
  return out;
}

void FreeNtfsEntryArray(NTFSFILEENTRY* entries, std::uint32_t count) {
  if (!entries) return;
  // Entries lie 2 KiB apart, too far for the processor to fetch the next ones by itself.
  constexpr std::uint32_t kAhead = 8;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (i + kAhead < count) __builtin_prefetch(&entries[i + kAhead].owned);
    std::free(entries[i].owned);
  }
  std::free(entries);
}

void PublishNtfsEntries(NtfsSearchResult&& result) {
  FreeNtfsEntries();
  g_pNtfsEntries = result.entries;
  g_dwNtfsEntryCount = result.count;
  g_dwLFNDirEntry = result.count;
  result.entries = nullptr;
  result.count = 0;
}

bool SearchDeletedMftRecords(NTFSVOLUMERECORD* state, int deletedOnly, int extensionFilter,
                             NtfsSearchProgress* progress,
                             const std::vector<std::u16string>& extensions) {
  NtfsSearchOptions options;
  options.deletedOnly = deletedOnly != 0;
  options.extensionFilter = extensionFilter != 0;
  options.extensions = extensions;
  NtfsSearchResult result = SearchMft(state, options, progress);
  if (!result.ok) return false;
  PublishNtfsEntries(std::move(result));
  return true;
}

// ---- Engine hooks of the facade -------------------------------------------------------------

NTFSVOLUMERECORD* AllocNtfsRecord() {
  void* block = std::calloc(1, sizeof(NTFSVOLUMERECORD));
  if (!block) return nullptr;
  auto* rec = new (block) NTFSVOLUMERECORD{};
  rec->volumeHandle = platform::kInvalidHandle;
  rec->facadeHandle = platform::kInvalidHandle;
  return rec;
}

void FreeNtfsRecord(NTFSVOLUMERECORD* rec) {
  if (!rec) return;
  if (rec->ownsVolumeHandle && platform::IsValidHandle(rec->volumeHandle))
    platform::CloseHandle(rec->volumeHandle);
  std::free(rec->record0);
  rec->~NTFSVOLUMERECORD();
  std::free(rec);
}

int SearchNtfsVolume(FILESYSTEMOBJ* fs) {
  if (!fs || !fs->ntfs) return 0;
  NTFSVOLUMERECORD* state = fs->ntfs;
  if (!OpenNtfsState(state, fs->driveLetter)) {
    platform::ShowMessage(u"드라이브를 열지 못했습니다. 다시 시도해 보세요.");
    return 0;
  }
  NtfsSearchProgress progress;
  NtfsSearchResult result = SearchMft(state, NtfsSearchOptions{}, &progress);
  if (!result.ok) return 0;
  PublishNtfsEntries(std::move(result));
  return 1;
}

void FreeNtfsEntries() {
  FreeNtfsEntryArray(g_pNtfsEntries, g_dwNtfsEntryCount);
  g_pNtfsEntries = nullptr;
  g_dwNtfsEntryCount = 0;
}
