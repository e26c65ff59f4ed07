// One walk over the master file table, shared by the deleted-file search and the scan module:
// the set-up reads (volume version, the $MFT bitmap bounded by the record count) and a chunked
// read of the records whose parsing runs on a team of threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "corvane/ntfs_volume.h"

// The $MFT is read this many bytes at a time (at least one record).
inline constexpr std::size_t kMftWalkChunkBytes = 4u << 20;

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
  int threads = 1;                                   // parsing threads per chunk
  const std::vector<std::uint8_t>* skipInUse = nullptr;  // records this bitmap marks are skipped
  std::function<bool()> stop;                        // asked before each chunk; true ends the walk
};

// Called on one of the walk's threads for each readable, fixed-up record r. The threads take
// contiguous slices of a chunk, thread 0 the first, so thread t's records all come before
// thread t + 1's within a chunk. False ends the walk after the chunk in work.
using MftRecordVisit = std::function<bool(int thread, std::uint64_t r, const std::uint8_t* record)>;
// Called on the calling thread after each chunk [base, base + n); `halted` when a visit asked
// to end. False ends the walk.
using MftChunkDone = std::function<bool(std::uint64_t base, std::uint64_t n, bool halted)>;

// Walks records [0, count): each chunk of kMftWalkChunkBytes is read in one go (record by
// record when that read fails, so a bad sector costs only its records) and its records are
// handed to `visit`. A chunk whose records the skip bitmap marks all in use is not read. True
// when every chunk was walked.
bool WalkMft(const NTFSVOLUMERECORD* state, std::uint64_t count, const MftWalkOptions& options,
             const MftRecordVisit& visit, const MftChunkDone& chunkDone);
