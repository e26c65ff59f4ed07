// Measures the NTFS search over a volume of at least 100,000 MFT records, against the time it
// takes to read the $MFT's bytes with the engine's own reader (the floor), all in one run with
// the $MFT in the page cache:
//
//   deleted-only search            <= 2 x floor
//   full search of every record    <= 6 x floor
//   engine_probe list X:           <= 2 x floor   (deleted files with their paths, a process)
//   processor time (user + system) of engine_probe list X:  <= that of ntfsundelete -s
//   peak memory of a process       <= its entries x sizeof(NTFSFILEENTRY) + 64 MiB
//     (a full search, and engine_probe list X:)
//
// and again with a competing load of twice as many busy processes as this process may use
// processors, which the benchmark starts and ends (the searches as the median of 21 rounds and
// the programs beside their peers as the median of 7, alternating the sides; engine_probe beside
// the floor as the best of 3):
//
//   deleted-only search, default threads  <= the same search on 1 thread
//   full search, default threads          <= the same search on 1 thread
//   engine_probe list X:                  <= 4 x floor (the floor of the quiet machine)
//   engine_probe list X:                  <= 1.0 x ntfsundelete -s, and <= 0.12 x fls -r -d -p
//
//   ntfs_search_bench [--records N] [--keep DIR]
//
// Each figure is printed beside its bound; a miss makes the exit status 1. The volume is made
// at run time with mkntfs and filled through an ntfs-3g mount (files in folders of 1000, the
// last tenth deleted), in a temporary folder (or DIR, kept for the next run). Without the tools
// (ntfsundelete and fls among them) or a FUSE mount the benchmark says
// so and exits 0.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "corvane/filesystem.h"
#include "corvane/ntfs_record.h"
#include "corvane/ntfs_search.h"
#include "corvane/ntfs_walk.h"
#include "platform/processors.h"

namespace {

using namespace bench;

constexpr int kLoadedRounds = 21;
// Rounds of the programs under load, each side once a round.
constexpr int kLoadedProgramRounds = 7;

// Why the comparison can not run here, or null.
const char* MissingTools() {
  if (const char* missing = MissingNtfsTools()) return missing;
  if (ToolPath("ntfsundelete").empty()) return "ntfsundelete missing (ntfs-3g)";
  if (ToolPath("fls").empty()) return "fls missing (sleuthkit)";
  return nullptr;
}

// The middle figure; -1 when one of them failed.
double Median(std::vector<double> figures) {
  if (figures.empty() || *std::min_element(figures.begin(), figures.end()) < 0) return -1;
  std::sort(figures.begin(), figures.end());
  return figures[figures.size() / 2];
}

// The floor: every byte of the $MFT through the engine's reader, in the search's chunk size.
double TimeFloor(const NTFSVOLUMERECORD* state, std::uint64_t count) {
  const std::uint64_t total = count * state->recordSize;
  std::vector<std::uint8_t> buffer(kMftWalkChunkBytes);
  const auto start = Clock::now();
  for (std::uint64_t at = 0; at < total; at += buffer.size()) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), total - at));
    if (!ReadMftBytes(state, at, n, buffer.data())) return -1;
  }
  return Seconds(start);
}

double TimeSearch(NTFSVOLUMERECORD* state, bool deletedOnly, int threads, std::uint32_t* found) {
  NtfsSearchOptions options;
  options.deletedOnly = deletedOnly;
  options.threads = threads;
  const auto start = Clock::now();
  NtfsSearchResult r = SearchMft(state, options, nullptr);
  const double seconds = Seconds(start);
  *found = r.count;
  FreeNtfsEntryArray(r.entries, r.count);
  return seconds;
}

// One full search in a process of its own (--search-once IMG), so that its peak memory is its own.
int SearchOnce(const std::string& img) {
  OpenedNtfsImage volume(img);
  std::uint32_t found = 0;
  const bool ok = volume.ok() && TimeSearch(volume.state(), false, DefaultSearchThreads(), &found) >= 0;
  std::printf("%u\n", found);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--search-once") return SearchOnce(argv[2]);
  const BenchArgs args = ParseBenchArgs(argc, argv, "--records", kSearchVolumeRecords);
  const auto built = Clock::now();
  const BenchSetUp setUp(args, MissingTools(), "/tmp/ntfsbenchXXXXXX",
                         {{"bench.img", [&](const std::string& dir) { return MakeSearchVolume(dir, args.count); }}});
  if (setUp.Ready() >= 0) return setUp.Ready();
  const std::string img = setUp.Path("bench.img");
  std::cout << "volume ready in " << Seconds(built) << " s\n";

  OpenedNtfsImage volume(img);
  if (!volume.ok()) {
    std::cerr << "cannot open the benchmark volume\n";
    return 1;
  }
  NTFSVOLUMERECORD* state = volume.state();
  const std::uint64_t count = MftRecordCount(state);
  const int threads = DefaultSearchThreads();
  std::uint32_t deleted = 0, entries = 0, single = 0;
  TimeFloor(state, count);  // brings the $MFT into the page cache
  // The processes first, while this one is small: a child's peak counts its parent's size at
  // the time it was started.
  const std::string probe =
      (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "engine_probe").string();
  const std::vector<std::string> list = {probe, "list", "E:", "--drive", "E=" + img};
  const std::vector<std::string> undelete = {ToolPath("ntfsundelete"), "-s", img};
  const std::vector<std::string> fls = {ToolPath("fls"), "-r", "-d", "-p", img};
  std::uint64_t listPeak = 0, searchPeak = 0;
  // The wall time and the processor time of each side, the best of three, alternating.
  double listWall = 1e30, listCpu = 1e30, undeleteCpu = 1e30;
  for (int round = 0; round < 3; ++round) {
    double cpu = 0;
    const double wall = TimeProgram(list, &listPeak, &cpu);
    listWall = wall < 0 || listWall < 0 ? -1 : std::min(listWall, wall);
    listCpu = wall < 0 || listCpu < 0 ? -1 : std::min(listCpu, cpu);
    const double other = TimeProgram(undelete, nullptr, &cpu);
    undeleteCpu = other < 0 || undeleteCpu < 0 ? -1 : std::min(undeleteCpu, cpu);
  }
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const bool searched = TimeProgram({self, "--search-once", img}, &searchPeak) >= 0;
  const double floor = Best(5, [&] { return TimeFloor(state, count); });
  const double deletedOnly = Best(5, [&] { return TimeSearch(state, true, threads, &deleted); });
  const double full = Best(3, [&] { return TimeSearch(state, false, threads, &entries); });
  const double oneThread = Best(2, [&] { return TimeSearch(state, false, 1, &single); });
  std::printf("records %llu, record size %u, %d threads; entries: %u deleted-only, %u full "
              "(%u on 1 thread)\n",
              static_cast<unsigned long long>(count), state->recordSize, threads, deleted, entries, single);
  std::printf("floor (read the $MFT, %.1f MiB)       %10.3f s\n", count * state->recordSize / 1048576.0, floor);
  std::printf("full search on 1 thread (no bound)  %10.3f s\n", oneThread);
  bool ok = floor > 0 && single == entries;
  ok &= Report("deleted-only search", deletedOnly, 2 * floor, "s");
  ok &= Report("full search", full, 6 * floor, "s");
  ok &= Report("engine_probe list E:", listWall, 2 * floor, "s");
  std::printf("%-44s %10.3f s\n", "processor time, ntfsundelete -s", undeleteCpu);
  ok &= Report("processor time, engine_probe list E:", listCpu, undeleteCpu, "s");
  const double entryBytes = sizeof(NTFSFILEENTRY);
  ok &= Report("peak memory, full search process", searched ? searchPeak / 1048576.0 : -1,
               (entries * entryBytes + 64 * 1048576.0) / 1048576.0, "MiB");
  ok &= Report("peak memory, engine_probe list E:", listWall >= 0 ? listPeak / 1048576.0 : -1,
               (deleted * entryBytes + 64 * 1048576.0) / 1048576.0, "MiB");
  if (listWall < 0) std::printf("engine_probe did not run: %s\n", probe.c_str());

  // The same searches while the machine is busy: a team that spins or waits on a thread the
  // system holds back loses to one thread.
  {
    const int loadProcesses = 2 * platform::UsableProcessorCount();
    BusyLoad load(loadProcesses);
    std::printf("with a competing load of %d busy processes:\n", load.size());
    std::uint32_t n = 0;
    const double loadedList = Best(3, [&] { return TimeProgram(list); });
    // Alternating, so that both sides see the same moments of the load; the median of each,
    // since under load the best of a few runs is luck.
    std::vector<double> listLoaded, undeleteLoaded, flsLoaded;
    for (int round = 0; round < kLoadedProgramRounds; ++round) {
      listLoaded.push_back(TimeProgram(list));
      undeleteLoaded.push_back(TimeProgram(undelete));
      flsLoaded.push_back(TimeProgram(fls));
    }
    std::vector<double> deletedMany, deletedOne, fullMany, fullOne;
    for (int round = 0; round < kLoadedRounds; ++round) {
      deletedMany.push_back(TimeSearch(state, true, threads, &n));
      deletedOne.push_back(TimeSearch(state, true, 1, &n));
      fullMany.push_back(TimeSearch(state, false, threads, &n));
      fullOne.push_back(TimeSearch(state, false, 1, &n));
    }
    ok &= load.size() == loadProcesses;
    std::printf("%-44s %10.3f s\n", "deleted-only search on 1 thread, loaded", Median(deletedOne));
    ok &= Report("deleted-only search, loaded", Median(deletedMany), Median(deletedOne), "s");
    std::printf("%-44s %10.3f s\n", "full search on 1 thread, loaded", Median(fullOne));
    ok &= Report("full search, loaded", Median(fullMany), Median(fullOne), "s");
    const double listMedian = Median(listLoaded), undeleteMedian = Median(undeleteLoaded);
    const double flsMedian = Median(flsLoaded);
    ok &= Report("engine_probe list E:, loaded", loadedList, 4 * floor, "s");
    std::printf("%-44s %10.3f s\n", "ntfsundelete -s, loaded", undeleteMedian);
    ok &= Report("engine_probe list E:, loaded, vs ntfsundelete", listMedian, 1.0 * undeleteMedian, "s");
    std::printf("%-44s %10.3f s\n", "fls -r -d -p, loaded", flsMedian);
    ok &= Report("engine_probe list E:, loaded, vs fls", listMedian, 0.12 * flsMedian, "s");
  }
  return ok ? 0 : 1;
}
