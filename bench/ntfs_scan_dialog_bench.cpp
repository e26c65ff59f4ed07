// Measures the NTFS search run by the scan dialog (on its worker, with its 250 ms progress timer
// rendering and the event loop running) against the same search run alone, on the volume of
// ntfs_search_bench, in both search modes:
//
//   search under the dialog        <= 1.1 x the search alone
//
// The whole way through the dialog (making it, its worker, the hand-over, until its button reads
// "닫기") is printed beside them.
//
//   ntfs_scan_dialog_bench [--records N] [--keep DIR]
//
// The volume is DIR/bench.img, as ntfs_search_bench makes it (of 100,000 records unless N says
// otherwise), so that one kept folder serves both; when it is missing it is made here. Without
// --keep a temporary folder is used and removed. Without the tools or a FUSE mount the benchmark
// says so and exits 0. Rounds alternate the order of the two ways; each figure is the best of its
// rounds. Each figure is printed beside its bound; a miss makes the exit status 1. Runs offscreen
// unless QT_QPA_PLATFORM says otherwise.
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "Pellamor/DLG/CNTFSUndeleteDlg/CNTFSUndeleteDlg.h"
#include "bench/bench_support.h"
#include "corvane/engine_hooks.h"
#include "corvane/filesystem.h"
#include "corvane/ntfs_record.h"
#include "corvane/ntfs_search.h"
#include "corvane/ntfs_walk.h"

namespace {

using namespace bench;

NtfsSearchOptions Options(bool deletedOnly) {
  NtfsSearchOptions options;
  options.deletedOnly = deletedOnly;
  options.threads = DefaultSearchThreads();
  return options;
}

double TimeSearch(NTFSVOLUMERECORD* state, bool deletedOnly, std::uint32_t* found) {
  const auto start = Clock::now();
  NtfsSearchResult r = SearchMft(state, Options(deletedOnly), nullptr);
  const double seconds = Seconds(start);
  *found = r.ok ? r.count : 0;
  FreeNtfsEntryArray(r.entries, r.count);
  return r.ok ? seconds : -1;
}

struct DialogTimes {
  double search = -1;  // the search call on the dialog's worker
  double whole = -1;   // from the dialog's making until its button reads "닫기"
};

// The button is pressed once it reads "닫기", outside the times. It is looked at every 5 ms: a
// tighter poll wakes the interface thread often enough to take time from the search's threads,
// which the dialog itself does not do.
DialogTimes TimeDialog(FILESYSTEMOBJ* fs, bool deletedOnly, std::uint32_t* found) {
  FreeNtfsEntries();  // the previous round's entries are not this round's cost
  DialogTimes times;
  double seconds = -1;
  std::atomic<double> searchSeconds{-1};
  CNTFSUndeleteDlg::SearchFn timed = [&searchSeconds](NTFSVOLUMERECORD* state, const NtfsSearchOptions& o,
                                                      NtfsSearchProgress* progress) {
    const auto start = Clock::now();
    NtfsSearchResult r = SearchMft(state, o, progress);
    searchSeconds = Seconds(start);
    return r;
  };
  Clock::time_point start;
  CNTFSUndeleteDlg* shown = nullptr;
  QTimer press;
  press.setInterval(5);
  QObject::connect(&press, &QTimer::timeout, [&] {
    if (shown && shown->Button()->text() == QStringLiteral("닫기")) {
      seconds = Seconds(start);
      press.stop();
      shown->Button()->click();
    }
  });
  start = Clock::now();
  CNTFSUndeleteDlg dialog(fs, Options(deletedOnly), nullptr, timed);
  shown = &dialog;
  press.start();
  dialog.exec();
  *found = dialog.SetUpSucceeded() ? g_dwNtfsEntryCount : 0;
  FreeNtfsEntries();
  if (dialog.SetUpSucceeded()) times = {searchSeconds.load(), seconds};
  return times;
}

}  // namespace

int main(int argc, char** argv) {
  const BenchArgs args = ParseBenchArgs(argc, argv, "--records", kSearchVolumeRecords);
  const BenchSetUp setUp(args, MissingNtfsTools(), "/tmp/ntfsdlgbenchXXXXXX",
                         {{"bench.img", [&](const std::string& dir) { return MakeSearchVolume(dir, args.count); }}});
  if (setUp.Ready() >= 0) return setUp.Ready();
  const std::string img = setUp.Path("bench.img");

  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  OpenedNtfsImage volume(img);
  int rc = 1;
  if (volume.ok()) {
    NTFSVOLUMERECORD* state = volume.state();
    std::uint32_t warm = 0;
    TimeSearch(state, false, &warm);  // brings the $MFT into the page cache
    bool ok = true;
    std::printf("records %llu, %d threads\n",
                static_cast<unsigned long long>(MftRecordCount(state)), DefaultSearchThreads());
    for (bool deletedOnly : {true, false}) {
      const int rounds = 30;
      double alone = 1e30, dialog = 1e30, whole = 1e30;
      std::uint32_t aloneFound = 0, dialogFound = 0;
      bool ran = true;
      for (int round = 0; round < rounds && ran; ++round) {
        // Alternate which way goes first, so neither always runs on a warmer machine.
        for (int k = 0; k < 2; ++k) {
          const bool dialogTurn = (round + k) % 2 == 1;
          if (dialogTurn) {
            const DialogTimes t = TimeDialog(volume.fs(), deletedOnly, &dialogFound);
            if (t.search < 0 || t.whole < 0) ran = false;
            dialog = std::min(dialog, t.search);
            whole = std::min(whole, t.whole);
          } else {
            const double t = TimeSearch(state, deletedOnly, &aloneFound);
            if (t < 0) ran = false;
            alone = std::min(alone, t);
          }
        }
      }
      const char* mode = deletedOnly ? "deleted-only" : "full";
      std::printf("%s search alone (best of %d)   %10.4f s, %u entries\n", mode, rounds, alone,
                  aloneFound);
      std::printf("%s search, dialog entries               %u\n", mode, dialogFound);
      std::printf("%s, the whole way through the dialog   %10.4f s\n", mode, whole);
      ran &= aloneFound == dialogFound;
      ok &= Report(deletedOnly ? "deleted-only search under the dialog" : "full search under the dialog",
                   ran ? dialog : -1, 1.1 * alone, "s", 4);
    }
    rc = ok ? 0 : 1;
  } else {
    std::cerr << "cannot open the benchmark volume\n";
  }
  FreeNtfsEntries();
  return rc;
}
