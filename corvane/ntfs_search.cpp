#include "corvane/ntfs_search.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

#include "corvane/engine_hooks.h"
#include "corvane/ntfs_record.h"
#include "corvane/ntfs_time.h"
#include "platform/message.h"

namespace {

// The $MFT is read this many bytes at a time (at least one record).
constexpr std::size_t kChunkBytes = 1u << 20;
// The largest $MFT bitmap taken: one bit per record, so 2^32 records.
constexpr std::uint64_t kMaxBitmapBytes = 1u << 29;

char16_t Fold(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

bool BitSet(const std::vector<std::uint8_t>& bitmap, std::uint64_t r) {
  const std::uint64_t byte = r / 8;
  return byte < bitmap.size() && (bitmap[static_cast<std::size_t>(byte)] >> (r & 7) & 1) != 0;
}

// True when every record of [first, first + n) is marked in use.
bool AllInUse(const std::vector<std::uint8_t>& bitmap, std::uint64_t first, std::uint64_t n) {
  std::uint64_t r = first;
  const std::uint64_t end = first + n;
  while (r < end && (r & 7) != 0) if (!BitSet(bitmap, r++)) return false;
  while (end - r >= 8) {
    const std::uint64_t byte = r / 8;
    if (byte >= bitmap.size() || bitmap[static_cast<std::size_t>(byte)] != 0xFF) return false;
    r += 8;
  }
  while (r < end) if (!BitSet(bitmap, r++)) return false;
  return true;
}

std::u16string Utf16(const std::string& ascii) { return platform::FromUtf8(ascii); }

std::u16string StatusText(const NTFSFILEENTRY& e) {
  std::u16string name(e.name);
  return name + u" (" + Utf16(std::to_string(e.allocatedSize)) + u"바이트) 분석중...";
}

std::u16string RecordText(std::uint64_t r, std::uint64_t count) {
  return u"(" + Utf16(std::to_string(r)) + u"/" + Utf16(std::to_string(count - 1)) + u") 파일 분석..";
}

// Grows the array so that slot `count` (the spare) exists and is zero.
bool EnsureSpare(NtfsSearchResult* out, std::uint32_t* capacity) {
  if (out->count + 1 <= *capacity) return true;
  if (*capacity > 0x7FFFFFFF / 2) return false;
  const std::uint32_t grown = std::max<std::uint32_t>(64, *capacity * 2);
  void* block = std::realloc(out->entries, std::size_t{grown} * sizeof(NTFSFILEENTRY));
  if (!block) return false;
  out->entries = static_cast<NTFSFILEENTRY*>(block);
  std::memset(out->entries + *capacity, 0, std::size_t{grown - *capacity} * sizeof(NTFSFILEENTRY));
  *capacity = grown;
  return true;
}

void Count(NtfsSearchProgress* p, const NTFSFILEENTRY& e) {
  if (!p) return;
  if (e.deleted) (e.folder ? p->deletedFolders : p->deletedFiles)++;
  else (e.folder ? p->liveFolders : p->liveFiles)++;
  if (e.encrypted) p->encrypted++;
  if (e.compressed) p->compressed++;
  if (e.sparse) p->sparse++;
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
  if (extensions.empty() || name.size() < 3) return 0;
  const std::u16string_view tail = name.substr(name.size() - 3);
  for (const std::u16string& ext : extensions) {
    if (ext.size() != 3) continue;
    bool same = true;
    for (std::size_t i = 0; i < 3 && same; ++i) same = Fold(tail[i]) == Fold(ext[i]);
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

bool BuildNtfsEntry(const NtfsFileInfo& info, std::uint64_t recordNumber,
                    std::uint32_t sectorsPerCluster, NTFSFILEENTRY* e) {
  std::memset(static_cast<void*>(e), 0, sizeof *e);
  if (!info.hasName || !info.hasStandardInformation) return false;
  const std::size_t n = std::min(info.name.size(), kNtfsNameMaxChars);
  std::copy_n(info.name.data(), n, e->name);
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
  if (info.fileAttributes & 0x4000) e->encrypted = 1;
  else if (info.fileAttributes & 0x800) e->compressed = 1;
  else if (info.fileAttributes & 0x200) e->sparse = 1;
  e->creationTime = Split(info.creationTime);
  e->accessTime = Split(info.accessTime);
  e->modificationTime = Split(info.modificationTime);
  StoreEntryLocalTimes(e, info.creationTime, info.accessTime, info.modificationTime);
  e->recordNumber = static_cast<std::int64_t>(recordNumber);
  e->parentRecordNumber = static_cast<std::int64_t>(info.parent);
  return true;
}

NtfsSearchResult SearchMft(NTFSVOLUMERECORD* state, const NtfsSearchOptions& options,
                           NtfsSearchProgress* progress) {
  NtfsSearchResult out;
  const std::size_t rs = state->recordSize;
  if (!state->record0 || rs == 0) {
    FinishProgress(progress);
    return out;
  }

  // Set-up: the $MFT bitmap, the record count, the volume version, the array.
  std::vector<std::uint8_t> bitmap;
  std::uint32_t len = 0;
  const std::uint8_t* bitmapAttr = FindAttribute(state->record0, rs, ntfs::kAttrBitmap, &len);
  const std::uint64_t count = MftRecordCount(state);
  std::vector<std::uint8_t> record(rs);
  bool setup = bitmapAttr && ReadAttributeValue(state, bitmapAttr, &bitmap, kMaxBitmapBytes) &&
               count > 0 && ReadMftRecord(state, 3, record.data());
  if (setup) {
    const std::uint8_t* vi = FindAttribute(record.data(), rs, ntfs::kAttrVolumeInformation, &len);
    std::uint32_t valueLength = 0;
    const std::uint8_t* v = vi && AttributeIsResident(vi) ? ResidentValue(vi, &valueLength) : nullptr;
    setup = v && valueLength >= 10;
    if (setup) {
      state->volumeMajor = v[8];
      state->volumeMinor = v[9];
    }
  }
  std::uint32_t capacity = 0;
  if (!setup || !EnsureSpare(&out, &capacity)) {
    std::free(out.entries);
    out.entries = nullptr;
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

  const std::size_t perChunk = std::max<std::size_t>(1, kChunkBytes / rs);
  std::vector<std::uint8_t> chunk(perChunk * rs);
  bool stopped = false;
  for (std::uint64_t base = 0; base < count && !stopped; base += perChunk) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(perChunk, count - base));
    if (options.deletedOnly && AllInUse(bitmap, base, n)) {
      if (progress) {
        progress->currentRecord = base + n - 1;
        progress->percent = static_cast<std::int32_t>((base + n) * 100 / count);
      }
      continue;
    }
    // One read for the whole chunk; when it fails, record by record so one bad sector costs
    // only the records it holds.
    const bool chunkRead = ReadMftBytes(state, base * rs, n * rs, chunk.data());
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint64_t r = base + i;
      if (Stopping(progress)) {
        stopped = true;
        break;
      }
      if (progress) {
        progress->currentRecord = r;
        progress->percent = static_cast<std::int32_t>((r + 1) * 100 / count);
      }
      if (options.deletedOnly && BitSet(bitmap, r)) continue;
      std::uint8_t* p = chunk.data() + i * rs;
      const bool usable = chunkRead ? ApplyUpdateSequence(p, rs) : ReadMftRecord(state, r, p);
      if (!usable) continue;
      NtfsFileInfo info;
      if (!ParseFileRecord(p, rs, &info) || info.baseRecord != 0) continue;
      if (options.extensionFilter && !MatchesSelectedExtension(info.name, options.extensions))
        continue;
      NTFSFILEENTRY& e = out.entries[out.count];
      if (!BuildNtfsEntry(info, r, state->sectorsPerCluster, &e)) continue;
      if (progress) {
        Count(progress, e);
        progress->SetTexts(StatusText(e), RecordText(r, count));
      }
      if (progress && progress->stopRequest.load() == 1) {
        std::memset(static_cast<void*>(&e), 0, sizeof e);
        stopped = true;
        break;
      }
      ++out.count;
      if (!EnsureSpare(&out, &capacity)) {
        --out.count;
        std::memset(static_cast<void*>(&out.entries[out.count]), 0, sizeof(NTFSFILEENTRY));
        stopped = true;
        break;
      }
    }
  }
  FinishProgress(progress);
  return out;
}

void FreeNtfsEntryArray(NTFSFILEENTRY* entries, std::uint32_t count) {
  if (!entries) return;
  for (std::uint32_t i = 0; i < count; ++i) std::free(entries[i].owned);
  std::free(entries);
}

void SearchDeletedMftRecords(NTFSVOLUMERECORD* state, int deletedOnly, int extensionFilter,
                             NtfsSearchProgress* progress,
                             const std::vector<std::u16string>& extensions) {
  NtfsSearchOptions options;
  options.deletedOnly = deletedOnly != 0;
  options.extensionFilter = extensionFilter != 0;
  options.extensions = extensions;
  NtfsSearchResult result = SearchMft(state, options, progress);
  if (!result.ok) return;
  FreeNtfsEntries();
  g_pNtfsEntries = result.entries;
  g_dwNtfsEntryCount = result.count;
  g_dwLFNDirEntry = result.count;
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
  FreeNtfsEntries();
  g_pNtfsEntries = result.entries;
  g_dwNtfsEntryCount = result.count;
  g_dwLFNDirEntry = result.count;
  return 1;
}

void FreeNtfsEntries() {
  FreeNtfsEntryArray(g_pNtfsEntries, g_dwNtfsEntryCount);
  g_pNtfsEntries = nullptr;
  g_dwNtfsEntryCount = 0;
}
