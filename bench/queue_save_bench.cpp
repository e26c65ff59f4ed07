// Measures the recovery queue's save loop against the engine's save routine called directly on the
// same files (what `engine_probe save` calls), with the volume in the page cache:
//
//   small files: queue files/s  >= 0.9 x direct files/s   (10,000 files of 1-4 KiB)
//   large files: queue MB/s     >= 0.9 x direct MB/s      (files of 64 MiB and more)
//
//   queue_save_bench [--small N] [--keep DIR]
//
// The FAT32 volume is made at run time with mkfs.fat and filled by mcopy (small files in folders
// of 1,000), in a temporary folder (or DIR, kept for the next run). Files are saved into a folder
// in /dev/shm when there is one. Each side runs seven times, alternating which goes first, into an
// empty folder; the best time counts. Figures are printed beside their
// bounds; a miss makes the exit status 1. Without the tools the benchmark says so and exits 0.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "Pellamor/DLG/DRSaveBox/QueueRun.h"
#include "bench/bench_support.h"
#include "corvane/fat_records.h"
#include "corvane/filesystem.h"
#include "platform/drive_map.h"
#include "platform/message.h"
#include "platform/system_facts.h"

namespace {

namespace fs = std::filesystem;
using bench::Clock;
using bench::Seconds;
using bench::Shell;

constexpr unsigned kPerFolder = 1000;
constexpr std::uint64_t kLargeBytes = 64ull << 20;
constexpr unsigned kLargeFiles = 2;

// Makes DIR/queue.img; a volume left half-made (a tool failed) is removed, never kept for the
// next run.
bool BuildVolume(const std::string& dir, unsigned small) {
  const std::string img = dir + "/queue.img";
  const std::string part = img + ".part";
  const std::string stage = dir + "/stage";
  fs::remove_all(stage);
  fs::create_directories(stage);
  const std::string fill =
      "python3 - " + bench::Quoted(stage) + " " + std::to_string(small) + " " + std::to_string(kPerFolder) + " " +
      std::to_string(kLargeBytes) + " " + std::to_string(kLargeFiles) +
      " <<\"PY\"\n"
      "import os, random, sys\n"
      "stage, n, per, big, nbig = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])\n"
      "r = random.Random(7)\n"
      "for i in range(n):\n"
      "    d = os.path.join(stage, \"D%03d\" % (i // per))\n"
      "    os.makedirs(d, exist_ok=True)\n"
      "    open(os.path.join(d, \"F%05d.BIN\" % i), \"wb\").write(r.randbytes(1024 + r.randrange(3072)))\n"
      "os.makedirs(os.path.join(stage, \"BIG\"), exist_ok=True)\n"
      "for i in range(nbig):\n"
      "    open(os.path.join(stage, \"BIG\", \"L%d.BIN\" % i), \"wb\").write(r.randbytes(big + 4096 * i))\n"
      "PY";
  const std::uint64_t kib = (small * 4096ull + kLargeFiles * (kLargeBytes + 65536)) / 1024 + 65536;
  const bool whole =
      Shell(fill) == 0 &&
      Shell("rm -f " + bench::Quoted(part) + " && mkfs.fat -C -F 32 -s 1 " + bench::Quoted(part) + " " +
            std::to_string(kib) + " >/dev/null") == 0 &&
      Shell("cd " + bench::Quoted(stage) + " && MTOOLS_SKIP_CHECK=1 mcopy -s -i " + bench::Quoted(part) +
            " D* BIG ::") == 0;
  fs::remove_all(stage);
  return bench::KeepWhole(whole, part, img);
}

struct Entry {
  std::u16string name;
  std::uint32_t cluster;
  std::uint32_t size;
};

std::u16string ShortName(const FATDIRENTRY& e) {
  return platform::FromUtf8(std::string(e.shortName, strnlen(e.shortName, sizeof e.shortName)));
}

// The files of every folder of the root: small ones and large ones apart.
bool Collect(FILESYSTEMOBJ* fsobj, std::vector<Entry>* small, std::vector<Entry>* large) {
  if (!ReadRootDirectory(fsobj)) return false;
  std::vector<FATDIRENTRY> root(g_pFatDirEntries, g_pFatDirEntries + g_dwFatDirEntryCount);
  for (const FATDIRENTRY& d : root) {
    if (!d.directory || d.deleted || d.volumeLabel || d.shortName[0] == '.') continue;
    if (!ReadDirectory(d.firstCluster)) return false;
    for (std::uint32_t i = 0; i < g_dwFatDirEntryCount; ++i) {
      const FATDIRENTRY& e = g_pFatDirEntries[i];
      if (e.directory || e.deleted || e.volumeLabel) continue;
      Entry entry{ShortName(e), e.firstCluster, e.size};
      (e.size >= kLargeBytes ? large : small)->push_back(entry);
    }
  }
  return true;
}

// The time of one side's save into an empty `out`, or -1 when a file is not saved.
double Direct(const std::vector<Entry>& entries, const std::string& out) {
  fs::remove_all(out);
  fs::create_directories(out);
  const std::u16string folder = platform::FromUtf8(out);
  const auto start = Clock::now();
  for (const Entry& e : entries)
    if (!RecoverFatFile(e.cluster, e.name, folder, e.size)) {
      std::cerr << "direct save failed: " << platform::ToUtf8(e.name) << "\n";
      fs::remove_all(out);
      return -1;
    }
  const double t = Seconds(start);
  fs::remove_all(out);
  return t;
}

double Queue(const std::vector<Entry>& entries, const std::string& out) {
  fs::remove_all(out);
  fs::create_directories(out);
  drsave::QueueStore store;
  std::vector<drsave::QueueItem> items;
  items.reserve(entries.size());
  for (const Entry& e : entries) {
    drsave::QueueItem item;
    item.name = e.name;
    item.sizeText = u"4KB";
    item.typeName = u"파일";
    item.firstCluster = item.addedCluster = e.cluster;
    item.size = e.size;
    item.saveFolder = platform::FromUtf8(out);
    items.push_back(std::move(item));
  }
  store.AddAll(std::move(items));
  drsave::QueueRunner runner(store);
  const auto start = Clock::now();
  runner.Run();
  const double t = Seconds(start);
  fs::remove_all(out);
  if (store.DoneCount() != entries.size()) {
    std::cerr << "queue saved " << store.DoneCount() << " of " << entries.size() << "\n";
    return -1;
  }
  return t;
}

class QuietSink : public platform::MessageSink {
 public:
  platform::MsgAnswer Show(std::u16string_view text, platform::MsgButtons buttons, platform::MsgIcon) override {
    std::cerr << platform::ToUtf8(text) << "\n";
    return platform::FirstAnswerOf(buttons);
  }
  [[noreturn]] void Exit(int code) override { std::exit(code == 0 ? 1 : code); }
};

}  // namespace

int main(int argc, char** argv) {
  const bench::BenchArgs args = bench::ParseBenchArgs(argc, argv, "--small", 10000);
  const bool tools = bench::Have("mkfs.fat") && bench::Have("mcopy") && bench::Have("python3");
  // A FAT volume made with mkfs.fat and mcopy: one that cannot be made is a failure.
  const bench::BenchSetUp setUp(args, tools ? nullptr : "mkfs.fat, mcopy or python3 missing",
                                "/tmp/queue_save_bench.XXXXXX",
                                {{"queue.img", [&](const std::string& d) { return BuildVolume(d, args.count); }, false}});
  if (setUp.Ready() >= 0) return setUp.Ready();
  const std::string& dir = setUp.dir();
  QuietSink sink;
  platform::SetMessageSink(&sink);
  platform::DriveMap::Instance().Configure({"E=" + dir + "/queue.img"}, nullptr, false);
  FILESYSTEMOBJ volume{};
  InitFileSystem(&volume, 'E');
  m_pFileSystem = &volume;
  auto close = [&volume] {
    FreeFileSystem(&volume);
    m_pFileSystem = nullptr;
  };
  if (!OpenFileSystem(&volume)) {
    std::cerr << "cannot open the volume\n";
    close();
    return 1;
  }
  std::vector<Entry> smallFiles, largeFiles;
  if (!Collect(&volume, &smallFiles, &largeFiles) || smallFiles.empty() || largeFiles.empty()) {
    std::cerr << "cannot list the volume\n";
    close();
    return 1;
  }
  std::uint64_t largeBytes = 0;
  for (const Entry& e : largeFiles) largeBytes += e.size;

  // Output in memory when the machine offers it: a disk file system's own work on freshly
  // deleted inodes would drown the difference being measured.
  const std::string out = (fs::is_directory("/dev/shm") ? std::string("/dev/shm") : dir) + "/queue_save_bench_out." +
                          std::to_string(platform::ProcessId());
  std::printf("output folder %s\n", out.c_str());
  // Warms the page cache; a failing save stops the benchmark here.
  const bool saved = Direct(smallFiles, out) >= 0 && Direct(largeFiles, out) >= 0;
  double directSmall = 1e9, queueSmall = 1e9, directLarge = 1e9, queueLarge = 1e9;
  for (int round = 0; saved && round < 7; ++round) {
    // Alternating which side goes first.
    if (round % 2 == 0) {
      directSmall = std::min(directSmall, Direct(smallFiles, out));
      queueSmall = std::min(queueSmall, Queue(smallFiles, out));
      directLarge = std::min(directLarge, Direct(largeFiles, out));
      queueLarge = std::min(queueLarge, Queue(largeFiles, out));
    } else {
      queueSmall = std::min(queueSmall, Queue(smallFiles, out));
      directSmall = std::min(directSmall, Direct(smallFiles, out));
      queueLarge = std::min(queueLarge, Queue(largeFiles, out));
      directLarge = std::min(directLarge, Direct(largeFiles, out));
    }
    if (std::min({directSmall, queueSmall, directLarge, queueLarge}) < 0) break;  // a save failed
  }
  close();
  if (!saved || std::min({directSmall, queueSmall, directLarge, queueLarge}) < 0) {
    std::cerr << "a save failed; nothing measured\n";
    return 1;
  }

  const double mb = static_cast<double>(largeBytes) / (1 << 20);
  const double dFiles = smallFiles.size() / directSmall, qFiles = smallFiles.size() / queueSmall;
  const double dMbs = mb / directLarge, qMbs = mb / queueLarge;
  bool ok = true;
  std::printf("%zu small files, %zu large files (%.0f MiB)\n", smallFiles.size(), largeFiles.size(), mb);
  std::printf("%-44s %10.1f files/s\n", "engine save, small files", dFiles);
  ok &= bench::ReportAtLeast("queue save, small files", qFiles, 0.9 * dFiles, "files/s", 1);
  std::printf("%-44s %10.1f MB/s\n", "engine save, large files", dMbs);
  ok &= bench::ReportAtLeast("queue save, large files", qMbs, 0.9 * dMbs, "MB/s", 1);
  return ok ? 0 : 1;
}
