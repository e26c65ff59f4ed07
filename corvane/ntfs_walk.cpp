#include "corvane/ntfs_walk.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>

#include "corvane/ntfs_record.h"
#include "platform/large_buffer.h"
#include "platform/team_host.h"

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

// A table of this many chunks or fewer is walked by one thread: waking a team costs more than
// it saves there.
constexpr std::uint64_t kFewChunks = 2;

// Chunks a walk must have for each thread whose read buffer is still to be made: a fresh buffer
// (and, the first time, its thread) costs about what reading and parsing a few chunks on another
// processor saves. Threads whose buffers an earlier walk left cost only their wake-up.
constexpr std::uint64_t kChunksPerNewThread = 4;

// Read buffers, kept from one walk to the next: a fresh block for every thread of every walk
// costs more in zeroed pages than parsing its records. The buffers a walk needs anew are cut
// from one block, so that a team's buffers take a few large pages instead of many small ones.
class ChunkBuffers {
 public:
  struct Buffer {
    std::shared_ptr<std::uint8_t> block;  // shared by the buffers cut from it
    std::uint8_t* data = nullptr;
    std::size_t bytes = 0;
  };

  // `n` buffers of at least `bytes` each; those that cannot be had have no data.
  std::vector<Buffer> Take(std::size_t n, std::size_t bytes) {
    std::vector<Buffer> taken;
    taken.reserve(n);
    {
      std::lock_guard lock(mutex_);
      for (auto it = idle_.begin(); it != idle_.end() && taken.size() < n;) {
        if (it->bytes >= bytes) {
          taken.push_back(std::move(*it));
          it = idle_.erase(it);
        } else {
          ++it;
        }
      }
    }
    const std::size_t missing = n - taken.size();
    if (missing == 0) return taken;
    const std::size_t size = std::max(bytes, kMftWalkChunkBytes);
    std::shared_ptr<std::uint8_t> block;
    if (size <= std::numeric_limits<std::size_t>::max() / missing)
      block.reset(static_cast<std::uint8_t*>(platform::AllocateLarge(size * missing, false)), &std::free);
    for (std::size_t i = 0; i < missing; ++i) {
      Buffer b;
      if (block) {
        b.block = block;
        b.data = block.get() + i * size;
        b.bytes = size;
      }
      taken.push_back(std::move(b));
    }
    return taken;
  }

  // Buffers of at least `bytes` kept from earlier walks.
  std::size_t Kept(std::size_t bytes) {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(
        std::count_if(idle_.begin(), idle_.end(), [&](const Buffer& b) { return b.bytes >= bytes; }));
  }

  // Keeps the buffers for the next walk, as many as a large team uses.
  void Give(std::vector<Buffer>&& buffers) {
    std::lock_guard lock(mutex_);
    for (Buffer& b : buffers)
      if (b.data && idle_.size() < kKept) idle_.push_back(std::move(b));
  }

 private:
  static constexpr std::size_t kKept = 64;
  std::mutex mutex_;
  std::vector<Buffer> idle_;
};

ChunkBuffers& Buffers() {
  static ChunkBuffers* buffers = new ChunkBuffers;  // lives as long as the process
  return *buffers;
}

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

std::uint64_t MftWalkChunkRecords(const NTFSVOLUMERECORD* state) {
  return state->recordSize ? std::max<std::uint64_t>(1, kMftWalkChunkBytes / state->recordSize) : 1;
}

std::uint64_t MftWalkChunks(const NTFSVOLUMERECORD* state, std::uint64_t count) {
  const std::uint64_t per = MftWalkChunkRecords(state);
  return count / per + (count % per != 0);
}

bool WalkMft(const NTFSVOLUMERECORD* state, std::uint64_t count, const MftWalkOptions& options,
             const MftWalkCalls& calls) {
  const std::size_t rs = state->recordSize;
  if (rs == 0) return false;
  const std::uint64_t perChunk = MftWalkChunkRecords(state);
  const std::uint64_t chunks = MftWalkChunks(state, count);
  if (chunks == 0) return true;
  const std::vector<std::uint8_t>* skip = options.skipInUse;
  // Chunks that need reading; a team larger than that only waits.
  std::uint64_t work = 0;
  for (std::uint64_t c = 0; c < chunks; ++c)
    if (!skip || !AllInUse(*skip, c * perChunk, std::min(perChunk, count - c * perChunk))) ++work;
  // No more threads than chunks that need reading, and a new thread only for each few of them;
  // a table of a few chunks is walked by one.
  const std::size_t bufferBytes = static_cast<std::size_t>(std::min(perChunk, count) * rs);
  int team = 1;
  if (work > kFewChunks) {
    const std::uint64_t worth = std::max<std::uint64_t>((work + kChunksPerNewThread - 1) / kChunksPerNewThread,
                                                        Buffers().Kept(bufferBytes));
    team = static_cast<int>(
        std::min({work, worth, static_cast<std::uint64_t>(std::max(1, options.threads))}));
  }

  std::atomic<bool> ended{false};
  std::atomic<std::uint64_t> nextChunk{0};
  // Settling: chunks done (0 not yet, 1 walked, 2 halted) and the first chunk not settled.
  std::mutex settleMutex;
  std::vector<std::uint8_t> done(static_cast<std::size_t>(chunks), 0);
  std::uint64_t nextToSettle = 0;

  // Chunks go to whichever thread is free, so a thread that the system holds back delays only
  // its own chunk, and no thread waits for another's chunk to be settled. The team is the
  // process's, made once and asleep between walks, the caller taking the first share; a walk
  // started from inside a team, or while another walk has the team, gets threads of its own
  // instead of waiting (its caller keeps seeing its own stop).
  // Settled chunks whose `after` is still to run, in settling order: whichever thread is free
  // takes the next, so that the work after settling is shared out as the reading is, rather than
  // left to the thread that happened to settle a run of chunks.
  std::vector<std::uint64_t> toFinish;
  toFinish.reserve(calls.after ? static_cast<std::size_t>(chunks) : 0);
  std::size_t nextToFinish = 0;
  auto finishSettled = [&] {
    if (!calls.after) return;
    for (;;) {
      std::uint64_t s = 0;
      {
        std::lock_guard lock(settleMutex);
        if (nextToFinish == toFinish.size()) return;
        s = toFinish[nextToFinish++];
      }
      calls.after(s);
    }
  };

  // The threads' buffers are taken here, so that the team's threads allocate nothing.
  std::vector<ChunkBuffers::Buffer> held = Buffers().Take(static_cast<std::size_t>(team), bufferBytes);
  const std::function<void(int)> walkChunks = [&](int t) {
    std::uint8_t* const buffer = held[static_cast<std::size_t>(t)].data;
    if (!buffer) ended = true;
    while (!ended.load()) {
      const std::uint64_t c = nextChunk.fetch_add(1);
      if (c >= chunks) break;
      const std::uint64_t base = c * perChunk;
      const std::size_t n = static_cast<std::size_t>(std::min(perChunk, count - base));
      bool halted = false;
      if (options.stop && options.stop()) {
        ended = true;
        break;
      }
      // With a skip bitmap only the span from the first to the last record it leaves free is
      // read.
      std::size_t first = 0, last = n;
      if (skip) {
        while (first < n && MftRecordInUse(*skip, base + first)) ++first;
        while (last > first && MftRecordInUse(*skip, base + last - 1)) --last;
      }
      if (first < last) {
        const bool chunkRead = ReadMftBytes(state, (base + first) * rs, (last - first) * rs, buffer);
        for (std::size_t i = first; i < last && !halted; ++i) {
          const std::uint64_t r = base + i;
          if (skip && MftRecordInUse(*skip, r)) continue;
          std::uint8_t* p = buffer + (i - first) * rs;
          if (!(chunkRead ? ApplyUpdateSequence(p, rs) : ReadMftRecord(state, r, p))) continue;
          if (!calls.visit(t, c, r, p)) halted = true;
          if (ended.load(std::memory_order_relaxed)) break;
        }
      }
      {
        std::lock_guard lock(settleMutex);
        done[static_cast<std::size_t>(c)] = halted ? 2 : 1;
        while (!ended.load() && nextToSettle < chunks && done[static_cast<std::size_t>(nextToSettle)]) {
          const std::uint64_t s = nextToSettle++;
          const std::uint64_t sBase = s * perChunk;
          const bool sHalted = done[static_cast<std::size_t>(s)] == 2;
          // A stop asked for while the chunk was read is honoured before it is settled.
          if ((options.stop && options.stop()) ||
              !calls.settle(s, sBase, std::min(perChunk, count - sBase), sHalted) || sHalted) {
            ended = true;
            break;
          }
          if (calls.after) toFinish.push_back(s);
        }
      }
      finishSettled();
    }
    // What others settled and no thread took yet; every chunk's `after` runs before the walk ends.
    finishSettled();
  };
  if (!platform::TryRunTeam(team, walkChunks)) platform::RunTeam(team, walkChunks);
  Buffers().Give(std::move(held));
  return !ended.load() && nextToSettle == chunks;
}
