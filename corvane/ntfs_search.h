// The NTFS deleted-file search: walks every record of the master file table and builds
// g_pNtfsEntries. It reports through NtfsSearchProgress, which a dialog's timer reads from
// another thread; it never touches a widget.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/ntfs_records.h"
#include "corvane/ntfs_volume.h"

// States of a search.
inline constexpr std::int32_t kNtfsSearchIdle = 0;
inline constexpr std::int32_t kNtfsSearchRunning = 1;
inline constexpr std::int32_t kNtfsSearchDone = 3;

// Progress of one search. Counters are written by the search after each chunk of the table and
// read by the dialog's timer; the two texts change at most every 100 ms. stopRequest is the only
// value that flows the other way.
struct NtfsSearchProgress {
  std::atomic<std::int32_t> stopRequest{0};   // non-zero stops; the chunk in work is dropped
  std::atomic<std::int32_t> state{kNtfsSearchIdle};
  std::atomic<std::int32_t> finished{0};
  std::atomic<std::uint64_t> currentRecord{0};
  std::atomic<std::uint64_t> recordCount{0};
  std::atomic<std::int64_t> startTime{0};     // seconds since 1970
  std::atomic<std::int32_t> percent{0};       // progress bar position, 0..100

  std::atomic<std::uint64_t> deletedFiles{0};
  std::atomic<std::uint64_t> deletedFolders{0};
  std::atomic<std::uint64_t> liveFiles{0};
  std::atomic<std::uint64_t> liveFolders{0};
  std::atomic<std::uint64_t> encrypted{0};
  std::atomic<std::uint64_t> compressed{0};
  std::atomic<std::uint64_t> sparse{0};

  // Status line ("삭제된 데이터 검색 중...", then the entry in work) and record line.
  void SetTexts(std::u16string status, std::u16string record);
  void SetStatus(std::u16string status);
  std::u16string Status() const;
  std::u16string RecordText() const;

  // The three percentages of the count texts; -1 while a denominator is 0.
  int DeletedFilePercent() const;
  int DeletedFolderPercent() const;
  int DeletedPercent() const;

 private:
  mutable std::mutex textMutex_;
  std::u16string status_;
  std::u16string record_;
};

// One thread per processor.
int DefaultSearchThreads();

struct NtfsSearchOptions {
  int threads = DefaultSearchThreads();  // threads parsing each chunk of the table
  bool deletedOnly = false;
  bool extensionFilter = false;
  std::vector<std::u16string> extensions;  // without the dot
};

// 1 when the whole text after the name's last dot equals one of the extensions (ASCII case
// ignored); 0 for a name without a dot.
int MatchesSelectedExtension(std::u16string_view name, const std::vector<std::u16string>& extensions);

// UTC FILETIME to the machine's local time (its time zone with its daylight rules). False for a
// time past the year 30827.
bool FileTimeToLocalSystemTime(std::uint64_t fileTime, SYSTEMTIME* out);
int StoreEntryLocalTimes(NTFSFILEENTRY* entry, std::uint64_t creation, std::uint64_t access,
                         std::uint64_t modification);

// Fills an entry from a parsed record; false when the record gives no entry (no name or no
// $STANDARD_INFORMATION).
struct NtfsFileInfo;
bool BuildNtfsEntry(const NtfsFileInfo& info, std::uint64_t recordNumber,
                    std::uint32_t sectorsPerCluster, NTFSFILEENTRY* entry);

// The search result: an array of `count` entries with one zeroed spare slot after them.
struct NtfsSearchResult {
  NTFSFILEENTRY* entries = nullptr;  // malloc'd; owned by the caller
  std::uint32_t count = 0;
  bool ok = false;                    // set-up succeeded
};

// Runs the search over an opened state (AllocMftRecordBuffer done). Writes the volume version
// into the state. progress may be null. The table is read in chunks whose records are parsed on
// options.threads threads; the entries come in record order whatever the thread count.
NtfsSearchResult SearchMft(NTFSVOLUMERECORD* state, const NtfsSearchOptions& options,
                           NtfsSearchProgress* progress);

// The search as the scan dialog's worker calls it: publishes the entries in g_pNtfsEntries
// (releasing the previous array), g_dwNtfsEntryCount and g_dwLFNDirEntry. Nothing is published
// when the set-up fails; false then.
bool SearchDeletedMftRecords(NTFSVOLUMERECORD* state, int deletedOnly, int extensionFilter,
                             NtfsSearchProgress* progress,
                             const std::vector<std::u16string>& extensions = {});

// The damage note of an entry whose record could not be read whole (an attribute list cut short),
// or null for a sound entry.
const char16_t* NtfsEntryNote(const NTFSFILEENTRY& entry);

// Frees an entry array of `count` entries and each entry's owned block.
void FreeNtfsEntryArray(NTFSFILEENTRY* entries, std::uint32_t count);

// Makes a search's entries the current ones: releases the previous array, and g_pNtfsEntries,
// g_dwNtfsEntryCount and g_dwLFNDirEntry take the result's. The result gives its array up.
void PublishNtfsEntries(NtfsSearchResult&& result);
