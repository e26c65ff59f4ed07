#include "corvane/ntfs_walk.h"

#include <omp.h>

#include <algorithm>
#include <atomic>
#include <bit>

#include "corvane/ntfs_record.h"

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
             const MftRecordVisit& visit, const MftChunkDone& chunkDone) {
  const std::size_t rs = state->recordSize;
  if (rs == 0) return false;
  const std::size_t perChunk = std::max<std::size_t>(1, kMftWalkChunkBytes / rs);
  std::vector<std::uint8_t> chunk(std::min<std::uint64_t>(perChunk, count) * rs);
  const int threads = std::max(1, options.threads);
  const std::vector<std::uint8_t>* skip = options.skipInUse;
  for (std::uint64_t base = 0; base < count; base += perChunk) {
    if (options.stop && options.stop()) return false;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(perChunk, count - base));
    if (skip && AllInUse(*skip, base, n)) {
      if (!chunkDone(base, n, false)) return false;
      continue;
    }
    const bool chunkRead = ReadMftBytes(state, base * rs, n * rs, chunk.data());
    std::atomic<bool> halted{false};
    // A team no larger than the chunk is worth: small tables are parsed by one thread.
    const int team = static_cast<int>(std::min<std::size_t>(threads, (n + 63) / 64));
#pragma omp parallel num_threads(team)
    {
      const std::size_t t = static_cast<std::size_t>(omp_get_thread_num());
      const std::size_t nt = static_cast<std::size_t>(omp_get_num_threads());
      const std::size_t first = n * t / nt, last = n * (t + 1) / nt;
      for (std::size_t i = first; i < last; ++i) {
        if (halted.load(std::memory_order_relaxed)) break;
        const std::uint64_t r = base + i;
        if (skip && MftRecordInUse(*skip, r)) continue;
        std::uint8_t* p = chunk.data() + i * rs;
        if (!(chunkRead ? ApplyUpdateSequence(p, rs) : ReadMftRecord(state, r, p))) continue;
        if (!visit(static_cast<int>(t), r, p)) halted.store(true, std::memory_order_relaxed);
      }
    }
    const bool halt = halted.load();
    if (!chunkDone(base, n, halt) || halt) return false;
  }
  return true;
}
