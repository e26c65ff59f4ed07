// Measures opening an NTFS drive in the main window (offscreen) against the engine's own full
// search of the same volume in the same run: the volume of ntfs_search_bench (100,000 records, the
// last tenth deleted), opened the way the program opens it, through the NTFS scan dialog (whose
// button the benchmark presses once it reads "닫기"; the dialog searches every record, as the
// engine's full search does) and the folder tree built on its worker, "삭제된 파일" listed:
//
//   open to the tree built                             <= 3 x the engine's full search
//   "삭제된 파일" (10,000 rows) to its first painted screen <= 50 ms
//   a category of 100,000 rows to its first painted screen <= 0.3 s
//   peak memory of the process (after the open)        <= 1.2 x its entries' bytes + 64 MiB
//
//   gui_open_bench [--records N] [--keep DIR]
//
// The volume is DIR/bench.img as ntfs_search_bench makes it (one kept folder serves both), and
// DIR/all-deleted/bench.img for the 100,000-row category: the same files, every one deleted.
// Missing volumes are made here; without --keep in a temporary folder that is removed. Without the
// tools or a FUSE mount the benchmark says so and exits 0. Each figure is the best of three and is
// printed beside its bound; a miss makes the exit status 1.
#include <sys/resource.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidgetItem>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "Pellamor/DLG/CNTFSUndeleteDlg/CNTFSUndeleteDlg.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/LeftView.h"
#include "Pellamor/MainFrame.h"
#include "Pellamor/RightView.h"
#include "Pellamor/ScanOptions.h"
#include "bench/bench_shell.h"
#include "bench/bench_support.h"
#include "corvane/dll_processor.h"
#include "corvane/engine_hooks.h"
#include "corvane/filesystem.h"
#include "corvane/module_table.h"
#include "corvane/ntfs_search.h"
#include "platform/drive_map.h"
#include "platform/message.h"

namespace {

using namespace bench;

constexpr int kRounds = 3;

// Presses the scan dialog's button once it reads "닫기" (the search has ended).
class DialogAnswerer {
 public:
  DialogAnswerer() {
    timer_.setInterval(1);
    QObject::connect(&timer_, &QTimer::timeout, [] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<CNTFSUndeleteDlg*>(w);
        if (dialog && dialog->isVisible() && dialog->Button()->text() == QStringLiteral("닫기"))
          dialog->Button()->click();
      }
    });
    timer_.start();
  }

 private:
  QTimer timer_;
};

double EngineFullSearch(const std::string& img, std::uint32_t* found) {
  OpenedNtfsImage volume(img);
  if (!volume.ok()) return -1;
  return Best(kRounds, [&] {
    const auto start = Clock::now();
    NtfsSearchResult r = SearchMft(volume.state(), NtfsSearchOptions{}, nullptr);
    const double seconds = Seconds(start);
    *found = r.count;
    FreeNtfsEntryArray(r.entries, r.count);
    return r.ok ? seconds : -1;
  });
}

QTreeWidgetItem* TopItem(CLeftView& tree, const QString& text) {
  for (int i = 0; i < tree.topLevelItemCount(); ++i)
    if (tree.topLevelItem(i)->text(0) == text) return tree.topLevelItem(i);
  return nullptr;
}

// Opens drive N in the frame and waits for the tree: the time, or -1.
double OpenToTree(CMainFrame& frame) {
  frame.OnCloseDrive();
  FreeNtfsEntries();  // the last round's entries are not this round's cost
  QApplication::processEvents();
  g_chCurrentDrive = 'N';
  const auto start = Clock::now();
  if (!frame.OpenDrive()) return -1;
  while (frame.GetLeftView()->TreeBuilding()) QApplication::processEvents(QEventLoop::AllEvents, 1);
  QApplication::processEvents();
  const double seconds = Seconds(start);
  return TopItem(*frame.GetLeftView(), QStringLiteral("삭제된 파일")) ? seconds : -1;
}

// From choosing "삭제된 파일" (after an empty category) to the list's first painted screen.
double CategoryToScreen(CMainFrame& frame, int* rows) {
  CLeftView& tree = *frame.GetLeftView();
  CRightView& list = *frame.GetRightView();
  return Best(kRounds, [&] {
    tree.setCurrentItem(TopItem(tree, QStringLiteral("찾기")));
    QApplication::processEvents();
    const auto start = Clock::now();
    tree.setCurrentItem(TopItem(tree, QStringLiteral("삭제된 파일")));
    list.viewport()->repaint();
    const double seconds = Seconds(start);
    *rows = list.RowCount();
    return seconds;
  });
}

double PeakMiB() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  const BenchArgs args = ParseBenchArgs(argc, argv, "--records", kSearchVolumeRecords);
  // The all-deleted volume: the search volume's files, every one deleted at the end.
  const BenchSetUp setUp(
      args, MissingNtfsTools(), "/tmp/gui_open_bench.XXXXXX",
      {{"bench.img", [&](const std::string& dir) { return MakeSearchVolume(dir, args.count); }},
       {"all-deleted/bench.img", [&](const std::string& dir) { return MakeSearchVolume(dir, args.count, true); }}});
  if (setUp.Ready() >= 0) return setUp.Ready();
  const std::string img = setUp.Path("bench.img");
  const std::string allDeleted = setUp.Path("all-deleted/bench.img");

  const ShellBench shell(argc, argv);
  if (!shell.ok()) return 1;
  dlg::RegisterAllDialogs();
  SetNtfsRootScanner(&CNTFSUndeleteDlg::Scan);
  // The dialog searches every record, as the engine's full search does.
  g_bDeletedOnly = 0;

  std::uint32_t entries = 0;
  const double engine = EngineFullSearch(img, &entries);  // also brings the $MFT into the cache
  std::printf("records of the volume's table: %u entries, engine's full search %.3f s\n", entries, engine);

  bool ok = engine > 0;
  {
    DialogAnswerer answerer;
    CMainFrame frame;
    frame.show();
    platform::DriveMap::Instance().Configure({"N=" + img}, nullptr, false);
    const double open = Best(kRounds, [&] { return OpenToTree(frame); });
    std::printf("  %u entries listed by the dialog's search\n", g_dwNtfsEntryCount);
    ok &= g_dwNtfsEntryCount == entries;
    ok &= Report("open to the tree built", open, 3 * engine, "s");
    int rows = 0;
    const double deleted = CategoryToScreen(frame, &rows);
    std::printf("  %d rows in \"삭제된 파일\"\n", rows);
    ok &= Report("\"deleted files\" to its first painted screen", rows > 0 ? deleted : -1, 0.050, "s");
    const double peak = PeakMiB();
    const double entryMiB = static_cast<double>(entries) * sizeof(NTFSFILEENTRY) / 1048576.0;
    ok &= Report("peak memory after the open", peak, 1.2 * entryMiB + 64, "MiB", 1);
    frame.OnCloseDrive();

    platform::DriveMap::Instance().Configure({"N=" + allDeleted}, nullptr, false);
    if (OpenToTree(frame) < 0) {
      std::printf("the volume of deleted files could not be opened\n");
      ok = false;
    } else {
      const double large = CategoryToScreen(frame, &rows);
      std::printf("  %d rows in \"삭제된 파일\" of the volume of deleted files\n", rows);
      ok &= Report("category of 100,000 rows to its first screen", rows >= 100000 ? large : -1, 0.3, "s");
    }
    frame.OnCloseDrive();
  }
  SetNtfsRootScanner(nullptr);
  FreeNtfsEntries();
  return ok ? 0 : 1;
}
