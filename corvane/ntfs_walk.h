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
  int threads = 1;                                   // threads of the walk
  const std::vector<std::uint8_t>* skipInUse = nullptr;  // records this bitmap marks are skipped
  std::function<bool()> stop;  // asked before each chunk is read and settled; true ends the walk
};

// The walk hands whole chunks to its threads, each thread reading and parsing one chunk at a
// time; what a chunk yields is settled in chunk order.
struct MftWalkCalls {
  // For each readable, fixed-up record r of a chunk, in record order, on the thread that holds
  // the chunk. False ends the walk: the chunk counts as halted.
  std::function<bool(int thread, std::uint64_t r, const std::uint8_t* record)> visit;
  // After the chunk [base, base + n), on its thread, one chunk at a time in chunk order.
  // `halted` when a visit of this chunk asked to end. False ends the walk: later chunks are
  // neither visited nor settled.
  std::function<bool(int thread, std::uint64_t base, std::uint64_t n, bool halted)> settle;
  // Optional: after settle returned true, on the same thread, alongside other chunks' work.
  std::function<void(int thread)> after;
};

// Walks records [0, count) in chunks of kMftWalkChunkBytes: each chunk is read in one go
// (record by record when that read fails, so a bad sector costs only its records). A chunk
// whose records the skip bitmap marks all in use is not read. True when every chunk was settled.
bool WalkMft(const NTFSVOLUMERECORD* state, std::uint64_t count, const MftWalkOptions& options,
             const MftWalkCalls& calls);
