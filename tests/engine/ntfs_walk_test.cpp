#include "corvane/ntfs_walk.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <future>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "corvane/ntfs_record.h"
#include "corvane/ntfs_search.h"
#include "platform/endian.h"
#include "tests/engine/ntfs_test_volume.h"
#include "tests/support/test_support.h"

using platform::PutLe16;
using platform::PutLe32;
using platform::PutLe64;
using testing_support::Fixture;
using testing_support::FixtureExists;

namespace {

using namespace ntfs_test;

// A volume whose $MFT spans several walk chunks: 4096-byte clusters, 1024-byte records, the
// $MFT bitmap at LCN 1, the $MFT from LCN 4 in one run. Records from 16 on hold files and
// folders, in use or deleted, with blank, torn and extension records among them.
class ManyRecords {
 public:
  static constexpr std::size_t kClusterBytes = 4096;
  static constexpr std::uint64_t kMftLcn = 4;

  explicit ManyRecords(std::size_t records) : records_(records) {
    const std::size_t mftClusters = records * kRecord / kClusterBytes;
    image_.assign((kMftLcn + mftClusters + 4) * kClusterBytes, 0);
    std::memcpy(&image_[3], "NTFS    ", 8);
    PutLe16(&image_[0x0B], 512);
    image_[0x0D] = 8;
    PutLe64(&image_[0x28], image_.size() / 512 - 1);
    PutLe64(&image_[0x30], kMftLcn);
    PutLe64(&image_[0x38], 2);
    image_[0x40] = 0xF6;
    image_[0x44] = 1;
    image_[510] = 0x55;
    image_[511] = 0xAA;

    std::vector<std::uint8_t> bitmap((records + 7) / 8, 0);
    auto mark = [&](std::size_t r) { bitmap[r / 8] |= static_cast<std::uint8_t>(1u << (r % 8)); };
    for (std::size_t r = 0; r < 16; ++r) mark(r);

    NonResidentSpec mft;
    mft.lastVcn = mftClusters - 1;
    mft.allocated = mft.dataSize = mft.initialized = records * kRecord;
    NonResidentSpec bits;
    bits.allocated = kClusterBytes;
    bits.dataSize = bits.initialized = (bitmap.size() + 7) & ~std::size_t{7};
    Put(0, 1, {StdInfo(6), FileName(u"$MFT", 5),
               NonResidentAttr(0x80, mft, {0x32, static_cast<std::uint8_t>(mftClusters),
                                           static_cast<std::uint8_t>(mftClusters >> 8),
                                           static_cast<std::uint8_t>(kMftLcn), 0, 0, 0}),
               NonResidentAttr(0xB0, bits, {0x11, 1, 1, 0})});
    std::vector<std::uint8_t> vi(12, 0);
    vi[8] = 3;
    vi[9] = 1;
    Put(3, 1, {StdInfo(6), FileName(u"$Volume", 5), Attr(0x70, vi)});
    Put(5, 3, {StdInfo(6), FileName(u".", 5)});

    std::size_t folder = 5;
    for (std::size_t r = 16; r < records; ++r) {
      if (r % 11 == 0) continue;  // blank
      const bool dir = r % 17 == 0;
      const bool live = r % 5 != 0;
      const std::u16string name = platform::FromUtf8((dir ? "d" : "f") + std::to_string(r) + ".txt");
      const std::uint16_t flags = static_cast<std::uint16_t>((live ? 1 : 0) | (dir ? 2 : 0));
      Put(r, flags, {StdInfo(r % 3 == 0 ? 0x800 : 0x20), FileName(name, folder),
                     Attr(0x80, std::vector<std::uint8_t>(r % 40 + 1, 'x'))},
          r % 23 == 0 ? (std::uint64_t{1} << 48) | 5 : 0);
      if (r % 13 == 0) RecordAt(r)[kRecord - 2] ^= 0xFF;  // torn
      if (live) mark(r);
      if (dir) folder = r;
    }
    std::memcpy(&image_[kClusterBytes], bitmap.data(), bitmap.size());
  }

  std::uint8_t* RecordAt(std::size_t r) { return &image_[kMftLcn * kClusterBytes + r * kRecord]; }
  std::vector<std::uint8_t>& bytes() { return image_; }

  std::string Write(const testing_support::TempDir& dir, const std::string& name) const {
    const std::string path = dir.File(name);
    testing_support::WriteFile(path, std::string(image_.begin(), image_.end()));
    return path;
  }

 private:
  void Put(std::size_t r, std::uint16_t flags, const std::vector<std::vector<std::uint8_t>>& attrs,
           std::uint64_t baseRecord = 0) {
    std::uint8_t* p = RecordAt(r);
    std::memcpy(p, "FILE", 4);
    PutLe16(p + 4, 0x30);
    PutLe16(p + 6, 3);
    PutLe16(p + 0x14, 0x38);
    PutLe16(p + 0x16, flags);
    PutLe32(p + 0x1C, kRecord);
    PutLe64(p + 0x20, baseRecord);
    PutLe32(p + 0x2C, static_cast<std::uint32_t>(r));
    std::size_t off = 0x38;
    for (const auto& a : attrs) {
      std::memcpy(p + off, a.data(), a.size());
      off += a.size();
    }
    PutLe32(p + off, 0xFFFFFFFF);
    PutLe32(p + 0x18, static_cast<std::uint32_t>(off + 8));
    PutLe16(p + 0x30, 0x0042);
    for (int i = 1; i <= 2; ++i) {
      std::memcpy(p + 0x30 + 2 * i, p + i * 512 - 2, 2);
      PutLe16(p + i * 512 - 2, 0x0042);
    }
  }

  std::size_t records_;
  std::vector<std::uint8_t> image_;
};

// The entry array as bytes: the entries and the spare slot after them.
std::string Bytes(const NtfsSearchResult& r) {
  return std::string(reinterpret_cast<const char*>(r.entries), (r.count + 1) * sizeof(NTFSFILEENTRY));
}

// The search as it was written first: every record read on its own, in order, one entry per
// usable base record (deleted-only: records the bitmap leaves free).
std::string RecordByRecord(NTFSVOLUMERECORD* state, bool deletedOnly) {
  const std::uint64_t count = MftRecordCount(state);
  std::vector<std::uint8_t> bitmap;
  EXPECT_TRUE(ReadMftBitmap(state, count, &bitmap));
  std::vector<std::uint8_t> rec(state->recordSize);
  std::string out;
  NTFSFILEENTRY e;
  for (std::uint64_t r = 0; r < count; ++r) {
    if (deletedOnly && MftRecordInUse(bitmap, r)) continue;
    NtfsFileInfo info;
    if (!ReadMftRecord(state, r, rec.data()) || !ParseFileRecord(rec.data(), rec.size(), &info) ||
        info.baseRecord != 0 || !BuildNtfsEntry(info, r, state->sectorsPerCluster, &e))
      continue;
    out.append(reinterpret_cast<const char*>(&e), sizeof e);
  }
  const NTFSFILEENTRY spare{};
  out.append(reinterpret_cast<const char*>(&spare), sizeof spare);
  return out;
}

struct Searched {
  bool ok = false;
  std::uint32_t count = 0;
  std::string bytes;
};

Searched Search(NTFSVOLUMERECORD* state, bool deletedOnly, int threads,
                NtfsSearchProgress* progress = nullptr) {
  NtfsSearchOptions options;
  options.deletedOnly = deletedOnly;
  options.threads = threads;
  NtfsSearchResult r = SearchMft(state, options, progress);
  Searched s{r.ok, r.count, r.entries ? Bytes(r) : std::string()};
  FreeNtfsEntryArray(r.entries, r.count);
  return s;
}

// Opens the image as drive E for the body.
template <typename Body>
void WithVolume(const std::string& path, Body body) {
  testing_support::ScopedDrives drives({"E=" + path});
  testing_support::OpenedVolume v('E');
  ASSERT_TRUE(v.ok());
  NTFSVOLUMERECORD* state = v.fs()->ntfs;
  ASSERT_TRUE(OpenNtfsState(state, 'E'));
  body(state);
}

}  // namespace

// One thread or eight, the array is the same to the byte, and it is the array that reading
// record after record gives: the same entries in the same order.
TEST(NtfsWalk, ThreadCountsGiveTheArrayOfTheRecordByRecordSearch) {
  testing_support::TempDir dir;
  ManyRecords many(9000);  // nine chunks of 1 MiB
  std::vector<std::string> images = {many.Write(dir, "many.img")};
  for (const char* image : {"ntfs_4k.img", "ntfs_512.img", "ntfs_64k.img", "ntfs_4ks.img", "base_ntfs.img"})
    if (FixtureExists(image)) images.push_back(Fixture(image));
  for (const std::string& image : images) {
    SCOPED_TRACE(image);
    WithVolume(image, [&](NTFSVOLUMERECORD* state) {
      for (bool deletedOnly : {false, true}) {
        SCOPED_TRACE(deletedOnly ? "deleted only" : "every record");
        const std::string expected = RecordByRecord(state, deletedOnly);
        for (int threads : {1, 8, 3}) {
          const Searched s = Search(state, deletedOnly, threads);
          ASSERT_TRUE(s.ok);
          EXPECT_EQ(s.count + 1, expected.size() / sizeof(NTFSFILEENTRY)) << threads << " threads";
          EXPECT_TRUE(s.bytes == expected) << threads << " threads";
        }
      }
    });
  }
  // The generated volume really has entries of each kind in every chunk.
  WithVolume(images[0], [&](NTFSVOLUMERECORD* state) {
    EXPECT_EQ(MftRecordCount(state), 9000u);
    const Searched all = Search(state, false, 8);
    EXPECT_GT(all.count, 6000u);
    const Searched deleted = Search(state, true, 8);
    EXPECT_GT(deleted.count, 1000u);
  });
}

// Walks may come from any thread: several at once, from threads that are gone by the next walk,
// from inside another walk and from a forked child, each visiting every record once.
TEST(NtfsWalk, WalksFromManyThreadsAndAForkedChildEachVisitEveryRecord) {
  testing_support::TempDir dir;
  ManyRecords many(9000);
  WithVolume(many.Write(dir, "callers.img"), [&](NTFSVOLUMERECORD* state) {
    const std::uint64_t count = MftRecordCount(state);
    auto walk = [&] {
      std::atomic<std::uint64_t> visited{0};
      MftWalkOptions options;
      options.threads = 3;
      MftWalkCalls calls;
      calls.visit = [&](int, std::uint64_t, std::uint64_t, const std::uint8_t*) {
        ++visited;
        return true;
      };
      calls.settle = [](std::uint64_t, std::uint64_t, std::uint64_t, bool) { return true; };
      return WalkMft(state, count, options, calls) ? visited.load() : 0;
    };
    const std::uint64_t expected = walk();
    ASSERT_GT(expected, 7000u);  // all but the blank and torn records
    std::vector<std::uint64_t> got(4, 0);
    std::vector<std::thread> callers;
    for (std::size_t i = 0; i < got.size(); ++i) callers.emplace_back([&, i] { got[i] = walk(); });
    for (auto& c : callers) c.join();
    for (std::uint64_t g : got) EXPECT_EQ(g, expected);
    std::uint64_t later = 0;
    std::thread([&] { later = walk(); }).join();
    EXPECT_EQ(later, expected);
    // A walk started from a visit of another walk runs inside it instead of waiting for it.
    {
      std::atomic<std::uint64_t> inner{0};
      std::atomic<bool> started{false};
      MftWalkOptions options;
      options.threads = 2;
      MftWalkCalls calls;
      calls.visit = [&](int, std::uint64_t, std::uint64_t, const std::uint8_t*) {
        if (!started.exchange(true)) inner = walk();
        return true;
      };
      calls.settle = [](std::uint64_t, std::uint64_t, std::uint64_t, bool) { return true; };
      EXPECT_TRUE(WalkMft(state, count, options, calls));
      EXPECT_EQ(inner.load(), expected);
    }

    // A walk started while another walk has the team runs on threads of its own instead of
    // waiting for its turn: it visits every record, and its own stop ends it.
    {
      std::promise<void> entered, release;
      std::shared_future<void> released = release.get_future().share();
      std::thread holder([&] {
        std::atomic<bool> held{false};
        MftWalkOptions options;
        options.threads = 2;
        MftWalkCalls calls;
        calls.visit = [&](int, std::uint64_t, std::uint64_t, const std::uint8_t*) {
          if (!held.exchange(true)) {
            entered.set_value();
            released.wait();
          }
          return true;
        };
        calls.settle = [](std::uint64_t, std::uint64_t, std::uint64_t, bool) { return true; };
        EXPECT_TRUE(WalkMft(state, count, options, calls));
      });
      entered.get_future().wait();
      const std::uint64_t beside = walk();
      MftWalkOptions options;
      options.threads = 2;
      options.stop = [] { return true; };
      MftWalkCalls calls;
      calls.visit = [](int, std::uint64_t, std::uint64_t, const std::uint8_t*) { return true; };
      calls.settle = [](std::uint64_t, std::uint64_t, std::uint64_t, bool) { return true; };
      const bool stoppedOk = WalkMft(state, count, options, calls);
      release.set_value();
      holder.join();
      EXPECT_EQ(beside, expected);
      EXPECT_FALSE(stoppedOk);
    }

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(walk() == expected ? 0 : 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  });
}

// A stop request drops the chunk in work: what is kept is the entries of the chunks before it,
// a prefix of the full result, whenever the request arrives.
TEST(NtfsWalk, AStopEndsTheSearchWithinOneChunk) {
  testing_support::TempDir dir;
  ManyRecords many(12288);  // three chunks
  WithVolume(many.Write(dir, "stop.img"), [&](NTFSVOLUMERECORD* state) {
    const Searched full = Search(state, false, 4);
    ASSERT_TRUE(full.ok);
    const std::uint64_t perChunk = kMftWalkChunkBytes / state->recordSize;
    for (int attempt = 0; attempt < 3; ++attempt) {
      NtfsSearchProgress progress;
      std::atomic<bool> done{false};
      std::thread stopper([&] {
        while (!done && progress.currentRecord.load() == 0) std::this_thread::yield();
        progress.stopRequest = 2;
      });
      const Searched part = Search(state, false, 4, &progress);
      done = true;
      stopper.join();
      ASSERT_TRUE(part.ok);
      EXPECT_EQ(progress.finished.load(), 1);
      ASSERT_LE(part.bytes.size(), full.bytes.size());
      const std::size_t entryBytes = part.count * sizeof(NTFSFILEENTRY);
      EXPECT_EQ(part.bytes.compare(0, entryBytes, full.bytes, 0, entryBytes), 0);
      if (part.count < full.count) {
        // The next entry of the full search starts a chunk that was not kept.
        NTFSFILEENTRY next;
        std::memcpy(&next, full.bytes.data() + entryBytes, sizeof next);
        NTFSFILEENTRY last{};
        if (part.count) std::memcpy(&last, part.bytes.data() + entryBytes - sizeof last, sizeof last);
        EXPECT_NE(static_cast<std::uint64_t>(next.recordNumber) / perChunk,
                  static_cast<std::uint64_t>(last.recordNumber) / perChunk);
      }
    }
  });

  // The walk itself: once a stop is asked for, no later chunk is settled, and each thread
  // finishes at most the one chunk it holds.
  WithVolume(many.Write(dir, "walk.img"), [&](NTFSVOLUMERECORD* state) {
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::set<std::uint64_t> visitedAfterStop, settled;
    MftWalkOptions options;
    options.threads = 2;
    options.stop = [&] { return stop.load(); };
    MftWalkCalls calls;
    const std::uint64_t perChunk = kMftWalkChunkBytes / state->recordSize;
    calls.visit = [&](int, std::uint64_t, std::uint64_t r, const std::uint8_t*) {
      if (stop) {
        std::lock_guard lock(mutex);
        visitedAfterStop.insert(r / perChunk);
      }
      return true;
    };
    calls.settle = [&](std::uint64_t, std::uint64_t base, std::uint64_t, bool) {
      settled.insert(base / perChunk);
      stop = true;
      return true;
    };
    EXPECT_FALSE(WalkMft(state, MftRecordCount(state), options, calls));
    EXPECT_EQ(settled, std::set<std::uint64_t>{0});
    EXPECT_LE(visitedAfterStop.size(), 2u);
  });
}

namespace {

// Offset of the first unnamed attribute of the type in record 0 of an image whose $MFT starts
// at `mftOffset`; the record is fixed up on a copy to find it.
std::size_t AttributeOffset(const std::string& image, std::size_t mftOffset, std::size_t recordSize,
                            std::uint32_t type) {
  std::vector<std::uint8_t> rec(image.begin() + static_cast<std::ptrdiff_t>(mftOffset),
                                image.begin() + static_cast<std::ptrdiff_t>(mftOffset + recordSize));
  EXPECT_TRUE(ApplyUpdateSequence(rec.data(), rec.size()));
  const std::uint8_t* a = FindAttribute(rec.data(), rec.size(), type);
  EXPECT_NE(a, nullptr);
  return a ? static_cast<std::size_t>(a - rec.data()) : 0;
}

}  // namespace

// An $MFT whose $DATA claims 2^40, 2^63 or 2^64 - 1 bytes is walked only as far as its runs
// map clusters; a $BITMAP that claims 2^29 bytes is read only as far as the records need. Both
// on a real volume patched by hand; the search ends with the entries of the sound volume.
TEST(NtfsWalk, SizesClaimedByTheMftAreBoundedByItsRunsAndRecords) {
  const char* fixture = "ntfs_4k.img";
  REQUIRE_FIXTURE(fixture);
  const std::string original = testing_support::ReadFile(Fixture(fixture));
  std::size_t mftOffset = 0, recordSize = 0;
  std::uint64_t soundCount = 0;
  std::string sound[2];
  WithVolume(Fixture(fixture), [&](NTFSVOLUMERECORD* state) {
    mftOffset = platform::Le64(state->bootSector + 0x30) * state->clusterSize;
    recordSize = state->recordSize;
    soundCount = MftRecordCount(state);
    for (bool deletedOnly : {false, true}) sound[deletedOnly] = Search(state, deletedOnly, 4).bytes;
  });
  ASSERT_GT(recordSize, 0u);
  const std::size_t data = AttributeOffset(original, mftOffset, recordSize, ntfs::kAttrData);
  const std::size_t bitmap = AttributeOffset(original, mftOffset, recordSize, ntfs::kAttrBitmap);
  ASSERT_LT(bitmap + 0x38, 510u) << "the patched fields must not hold a fix-up word";

  struct Case {
    const char* what;
    std::size_t field;
    std::uint64_t value;
  };
  const Case cases[] = {
      {"$DATA of 2^40 bytes", data + ntfs::attr::kDataSize, std::uint64_t{1} << 40},
      {"$DATA of 2^63 bytes", data + ntfs::attr::kDataSize, std::uint64_t{1} << 63},
      {"$DATA of 2^64 - 1 bytes", data + ntfs::attr::kDataSize, ~std::uint64_t{0}},
      {"$BITMAP of 2^29 bytes", bitmap + ntfs::attr::kDataSize, std::uint64_t{1} << 29},
      {"$BITMAP allocated 2^29 bytes", bitmap + ntfs::attr::kAllocatedSize, std::uint64_t{1} << 29},
  };
  testing_support::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string patched = original;
    PutLe64(reinterpret_cast<std::uint8_t*>(&patched[mftOffset + c.field]), c.value);
    testing_support::WriteFile(dir.File("patched.img"), patched);
    WithVolume(dir.File("patched.img"), [&](NTFSVOLUMERECORD* state) {
      const std::uint64_t count = MftRecordCount(state);
      std::uint64_t mapped = 0;
      for (const NtfsRun& run : state->mftRuns) mapped += run.length;
      ASSERT_LE(count, mapped * state->clusterSize / state->recordSize);
      ASSERT_LE(count, original.size() / state->recordSize);
      EXPECT_GE(count, soundCount);
      std::vector<std::uint8_t> bits;
      ASSERT_TRUE(ReadMftBitmap(state, count, &bits));
      EXPECT_LE(bits.size(), (count + 7) / 8);
      for (bool deletedOnly : {false, true}) {
        Searched s = Search(state, deletedOnly, 4);
        ASSERT_TRUE(s.ok);
        ASSERT_EQ(s.bytes.size(), sound[deletedOnly].size());
        // The $MFT's own entry shows the size its record claims; everything else is as on the
        // sound volume.
        for (std::size_t at = 0; at + sizeof(NTFSFILEENTRY) <= s.bytes.size(); at += sizeof(NTFSFILEENTRY)) {
          NTFSFILEENTRY e;
          std::memcpy(&e, s.bytes.data() + at, sizeof e);
          if (e.recordNumber != 0 || !e.firstClusterValid) continue;
          const std::size_t field = at + offsetof(NTFSFILEENTRY, dataSize);
          s.bytes.replace(field, 8, sound[deletedOnly], field, 8);
        }
        EXPECT_TRUE(s.bytes == sound[deletedOnly]) << (deletedOnly ? "deleted only" : "every record");
      }
    });
  }
}

// The bitmap read takes what the records need of a resident or non-resident value, never more
// than the value holds.
TEST(NtfsWalk, BitmapCountsAndBounds) {
  const std::vector<std::uint8_t> bitmap = {0xFF, 0x0F, 0x01};
  struct Case {
    std::uint64_t count;
    std::uint64_t free;
  };
  for (const Case& c : {Case{0, 0}, Case{8, 0}, Case{12, 0}, Case{16, 4}, Case{17, 4},
                        Case{24, 11}, Case{40, 27}}) {
    EXPECT_EQ(CountFreeMftRecords(bitmap, c.count), c.free) << c.count;
  }
  EXPECT_TRUE(MftRecordInUse(bitmap, 16));
  EXPECT_FALSE(MftRecordInUse(bitmap, 17));
  EXPECT_FALSE(MftRecordInUse(bitmap, 1000));

  // The generated volume's non-resident bitmap: a record count that needs fewer bytes than
  // the value holds reads only those.
  testing_support::TempDir dir;
  ManyRecords many(4096);
  WithVolume(many.Write(dir, "bits.img"), [&](NTFSVOLUMERECORD* state) {
    for (std::uint64_t count : {0ull, 1ull, 9ull, 4096ull}) {
      std::vector<std::uint8_t> bits;
      ASSERT_TRUE(ReadMftBitmap(state, count, &bits));
      EXPECT_EQ(bits.size(), (count + 7) / 8);
    }
  });
}

// Runs that claim more clusters than the volume holds, under a $DATA size of 2^40: the record
// count stops at what the volume holds.
TEST(NtfsWalk, RecordCountNeverExceedsTheVolume) {
  testing_support::TempDir dir;
  ManyRecords many(4096);
  std::string image(many.bytes().begin(), many.bytes().end());
  const std::size_t mftOffset = ManyRecords::kMftLcn * ManyRecords::kClusterBytes;
  const std::size_t data = AttributeOffset(image, mftOffset, kRecord, ntfs::kAttrData);
  auto* a = reinterpret_cast<std::uint8_t*>(&image[mftOffset + data]);
  PutLe64(a + ntfs::attr::kDataSize, std::uint64_t{1} << 40);
  PutLe16(a + ntfs::attr::kNonResidentHeader + 1, 0xFFFF);  // the run's two length bytes
  testing_support::WriteFile(dir.File("long.img"), image);
  WithVolume(dir.File("long.img"), [&](NTFSVOLUMERECORD* state) {
    ASSERT_EQ(state->mftRuns.size(), 1u);
    EXPECT_EQ(state->mftRuns[0].length, 0xFFFFu);
    ASSERT_EQ(MftRecordCount(state), image.size() / kRecord);
    const Searched s = Search(state, false, 4);
    ASSERT_TRUE(s.ok);
    EXPECT_GT(s.count, 2000u);
  });
}
