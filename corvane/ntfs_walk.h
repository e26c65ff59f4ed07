// One walk over the master file table, shared by the deleted-file search and the scan module:
// the set-up reads (volume version, the $MFT bitmap bounded by the record count) and a chunked
// read of the records whose parsing runs on a team of threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "corvane/ntfs_volume.h"

// The $MFT is read this many bytes at a time (at least one record): large reads, yet chunks small
// enough that a thread the system holds back delays little, and that the threads' buffers stay
// small beside the entries they fill.
inline constexpr std::size_t kMftWalkChunkBytes = 1u << 20;

// Stores bytes 8 and 9 of record 3's $VOLUME_INFORMATION as the volume's version. False (state
// untouched) when the record or the value cannot be read.
bool ReadVolumeVersion(NTFSVOLUMERECORD* state);

// Reads the $MFT bitmap ($BITMAP of record 0), at most the (count + 7) / 8 bytes that `count`
// records need, whatever size the attribute claims. A value shorter than that is kept as it is
// (the records past it read as not in use). False when the attribute is missing or unreadable.
bool ReadMftBitmap(const NTFSVOLUMERECORD* state, std::uint64_t count,
                   std::vector<std::uint8_t>* bitmap);

// Bit r of the bitmap; records past its end are not in use.
bool MftRecordInUse(const std::vector<std::uint8_t>& bitmap, std::uint64_t r);

// Records of [0, count) that the bitmap does not mark in use.
std::uint64_t CountFreeMftRecords(const std::vector<std::uint8_t>& bitmap, std::uint64_t count);

struct MftWalkOptions {
  int threads = 1;  // threads of the walk at most (fewer for a short walk, see WalkMft)
  const std::vector<std::uint8_t>* skipInUse = nullptr;  // records this bitmap marks are skipped
  std::function<bool()> stop;  // asked before each chunk is read and settled; true ends the walk
};

// Records of one chunk of the walk (the last chunk may hold fewer).
std::uint64_t MftWalkChunkRecords(const NTFSVOLUMERECORD* state);
// Chunks of a walk over `count` records.
std::uint64_t MftWalkChunks(const NTFSVOLUMERECORD* state, std::uint64_t count);

// The walk hands whole chunks to its threads, each thread reading and parsing one chunk at a
// time and going on to the next free chunk without waiting for the others; what a chunk yields
// is settled in chunk order by whichever thread completes the sequence.
struct MftWalkCalls {
  // For each readable, fixed-up record r of chunk `chunk`, in record order, on the thread that
  // holds the chunk (`thread`, 0 to threads - 1). False ends the walk: the chunk is halted.
  std::function<bool(int thread, std::uint64_t chunk, std::uint64_t r, const std::uint8_t* record)>
      visit;
  // Once per chunk [base, base + n), one chunk at a time, in chunk order. `halted` when a visit
  // of the chunk asked to end. False ends the walk: later chunks are not settled.
  std::function<bool(std::uint64_t chunk, std::uint64_t base, std::uint64_t n, bool halted)> settle;
  // Optional: after settle returned true for the chunk, outside the settling order, so that
  // several chunks' `after` may run at once.
  std::function<void(std::uint64_t chunk)> after;
};

// Walks records [0, count) in chunks of kMftWalkChunkBytes: each chunk is read in one go
// (record by record when that read fails, so a bad sector costs only its records). With a skip
// bitmap, a chunk is read only from the first to the last record it leaves free, and not at all
// when it marks them all in use. A walk of a few chunks takes fewer threads than it may: one for
// every few chunks to read, or as many as earlier walks left buffers for. True when every chunk
// was settled.
bool WalkMft(const NTFSVOLUMERECORD* state, std::uint64_t count, const MftWalkOptions& options,
             const MftWalkCalls& calls);
