#include "corvane/ntfs_walk.h"

#include <omp.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdlib>
#include <memory>

#include "corvane/ntfs_record.h"
#include "platform/large_block.h"

bool ReadVolumeVersion(NTFSVOLUMERECORD* state) {
  const std::size_t rs = state->recordSize;
  if (rs == 0) return false;
  std::vector<std::uint8_t> record(rs);
  if (!ReadMftRecord(state, 3, record.data())) return false;
  std::uint32_t len = 0;
  const std::uint8_t* vi = FindAttribute(record.data(), rs, ntfs::kAttrVolumeInformation, &len);
  std::uint32_t valueLength = 0;
  const std::uint8_t* v = vi && AttributeIsResident(vi) ? ResidentValue(vi, &valueLength) : nullptr;
  if (!v || valueLength < 10) return false;
  state->volumeMajor = v[8];
  state->volumeMinor = v[9];
  return true;
}

bool ReadMftBitmap(const NTFSVOLUMERECORD* state, std::uint64_t count,
                   std::vector<std::uint8_t>* bitmap) {
  bitmap->clear();
  const std::size_t rs = state->recordSize;
  if (!state->record0 || rs == 0 || state->clusterSize == 0) return false;
  std::uint32_t len = 0;
  const std::uint8_t* a = FindAttribute(state->record0, rs, ntfs::kAttrBitmap, &len);
  if (!a) return false;
  const std::uint64_t needed = count / 8 + (count % 8 != 0);
  if (AttributeIsResident(a)) {
    std::uint32_t valueLength = 0;
    const std::uint8_t* v = ResidentValue(a, &valueLength);
    bitmap->assign(v, v + std::min<std::uint64_t>(valueLength, needed));
    return true;
  }
  const std::int64_t size = GetAttributeDataSize(a);
  if (size < 0) return false;
  // The claimed size is only believed as far as the records need it: the count is already
  // bounded by the $MFT's runs and the volume.
  const std::uint64_t take = std::min<std::uint64_t>(static_cast<std::uint64_t>(size), needed);
  const std::uint64_t cs = state->clusterSize;
  const std::uint64_t clusters = take / cs + (take % cs != 0);
  bitmap->assign(static_cast<std::size_t>(clusters * cs), 0);
  if (clusters > 0 && !ReadAttributeClusters(state, a, 0, clusters, bitmap->data())) {
    bitmap->clear();
    return false;
  }
  bitmap->resize(static_cast<std::size_t>(take));
  return true;
}

bool MftRecordInUse(const std::vector<std::uint8_t>& bitmap, std::uint64_t r) {
  const std::uint64_t byte = r / 8;
  return byte < bitmap.size() && (bitmap[static_cast<std::size_t>(byte)] >> (r & 7) & 1) != 0;
}

std::uint64_t CountFreeMftRecords(const std::vector<std::uint8_t>& bitmap, std::uint64_t count) {
  std::uint64_t used = 0;
  const std::uint64_t whole = std::min<std::uint64_t>(count / 8, bitmap.size());
  for (std::uint64_t i = 0; i < whole; ++i) used += static_cast<unsigned>(std::popcount(bitmap[i]));
  for (std::uint64_t r = whole * 8; r < count && r / 8 < bitmap.size(); ++r)
    used += MftRecordInUse(bitmap, r) ? 1 : 0;
  return count - used;
}

namespace {

// True when every record of [first, first + n) is marked in use.
bool AllInUse(const std::vector<std::uint8_t>& bitmap, std::uint64_t first, std::uint64_t n) {
  std::uint64_t r = first;
  const std::uint64_t end = first + n;
  while (r < end && (r & 7) != 0)
    if (!MftRecordInUse(bitmap, r++)) return false;
  while (end - r >= 8) {
    const std::uint64_t byte = r / 8;
    if (byte >= bitmap.size() || bitmap[static_cast<std::size_t>(byte)] != 0xFF) return false;
    r += 8;
  }
  while (r < end)
    if (!MftRecordInUse(bitmap, r++)) return false;
  return true;
}

}  // namespace

bool WalkMft(const NTFSVOLUMERECORD* state, std::uint64_t count, const MftWalkOptions& options,
             const MftWalkCalls& calls) {
  const std::size_t rs = state->recordSize;
  if (rs == 0) return false;
  const std::uint64_t perChunk = std::max<std::size_t>(1, kMftWalkChunkBytes / rs);
  const std::uint64_t chunks = count / perChunk + (count % perChunk != 0);
  if (chunks == 0) return true;
  const int team = static_cast<int>(std::min<std::uint64_t>(std::max(1, options.threads), chunks));
  const std::vector<std::uint8_t>* skip = options.skipInUse;
  std::atomic<bool> ended{false};
  const std::size_t bufferBytes = static_cast<std::size_t>(std::min(perChunk, count) * rs);

  // Chunks go to whichever thread is free, so a thread that the system holds back delays only
  // its own chunk; the ordered part keeps the settling in chunk order.
#pragma omp parallel num_threads(team)
  {
    const int t = omp_get_thread_num();
    std::unique_ptr<std::uint8_t, decltype(&std::free)> buffer(
        static_cast<std::uint8_t*>(platform::AllocZeroedLarge(bufferBytes, 1)), &std::free);
    if (!buffer) ended = true;
#pragma omp for ordered schedule(dynamic, 1)
    for (std::int64_t c = 0; c < static_cast<std::int64_t>(chunks); ++c) {
      const std::uint64_t base = static_cast<std::uint64_t>(c) * perChunk;
      const std::size_t n = static_cast<std::size_t>(std::min(perChunk, count - base));
      bool halted = false;
      const bool stopped = ended.load() || (options.stop && options.stop());
      if (!stopped && !(skip && AllInUse(*skip, base, n))) {
        std::uint8_t* chunk = buffer.get();
        const bool chunkRead = ReadMftBytes(state, base * rs, n * rs, chunk);
        for (std::size_t i = 0; i < n && !halted; ++i) {
          const std::uint64_t r = base + i;
          if (skip && MftRecordInUse(*skip, r)) continue;
          std::uint8_t* p = chunk + i * rs;
          if (!(chunkRead ? ApplyUpdateSequence(p, rs) : ReadMftRecord(state, r, p))) continue;
          if (!calls.visit(t, r, p)) halted = true;
          if (ended.load(std::memory_order_relaxed)) break;
        }
      }
      bool settled = false;
#pragma omp ordered
      {
        if (!ended.load()) {
          // A stop asked for while the chunk was read is honoured before it is settled.
          settled = !stopped && !(options.stop && options.stop()) &&
                    calls.settle(t, base, n, halted) && !halted;
          if (!settled) ended = true;
        }
      }
      if (settled && calls.after) calls.after(t);
    }
  }
  return !ended.load();
}
