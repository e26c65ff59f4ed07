// Measures the file list and the recovery queue on an NTFS volume whose "삭제된 파일" category
// holds at least 100,000 files, through the main window (offscreen):
//
//   category listed to its first painted screen     <= 1 s
//   any column sorted (the slowest column)           <= 0.3 s
//   select all with the status-bar totals            <= 0.2 s
//   heap per listed row                              <= 1 KiB
//   queueing every row (a recording queue window)    <= 1 s
//
//   filelist_queue_bench [--files N] [--keep DIR]
//
// The measures are a table run in order; each prints its figure beside its bound and a miss
// makes the exit status 1. The volume is made at run time with mkntfs and filled through an
// ntfs-3g mount (as ntfs_search_bench does), with every file deleted at the end, as
// filelist/bench.img in a temporary folder (or in DIR, kept for the next run; a folder kept for
// the search benchmarks serves too). Without the tools or a FUSE mount the benchmark says so
// and exits 0.
#include <malloc.h>
#include <stdlib.h>

#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Pellamor/App.h"
#include "Pellamor/CommandIds.h"
#include "Pellamor/DriveSession.h"
#include "Pellamor/LeftView.h"
#include "Pellamor/MainFrame.h"
#include "Pellamor/QueueWindow.h"
#include "Pellamor/RightView.h"
#include "bench/bench_shell.h"
#include "bench/bench_support.h"
#include "corvane/dll_processor.h"
#include "corvane/filesystem.h"
#include "corvane/module_table.h"
#include "platform/drive_map.h"
#include "platform/message.h"

namespace {

using namespace bench;

// As ntfs_search_bench builds its volume (files in folders of 1000), but every file is deleted.
bool BuildVolume(const std::string& dir, unsigned files) {
  return MakeNtfsVolume(dir, 64 + files / 512, files,
                        "import os, sys\n"
                        "root, n = sys.argv[1], int(sys.argv[2])\n"
                        "exts = [\"txt\", \"jpg\", \"doc\", \"bin\", \"png\", \"pdf\", \"zip\", \"mp3\"]\n"
                        "for i in range(n):\n"
                        "    d = os.path.join(root, \"d%03d\" % (i // 1000))\n"
                        "    if i % 1000 == 0: os.mkdir(d)\n"
                        "    open(os.path.join(d, \"File%06d.%s\" % (i, exts[i % 8])), \"w\").write(\"x\" * (i % 700))\n"
                        "for i in range(n):\n"
                        "    os.remove(os.path.join(root, \"d%03d\" % (i // 1000), \"File%06d.%s\" % (i, exts[i % 8])))\n");
}

// A queue window that keeps what it is handed, as the real one keeps its items.
class RecordingQueue : public QWidget, public IQueueWindow {
 public:
  explicit RecordingQueue(QWidget* parent) : QWidget(parent, Qt::Window) {}
  struct Item {
    std::u16string name;
    std::uint64_t first;
    std::uint32_t reference;
    int method;
    double size;
  };
  void AddItem(const std::u16string& name, int, std::uint64_t firstCluster, int methodCode,
               std::uint32_t entryReference, int, const std::u16string&, double size) override {
    items.push_back({name, firstCluster, entryReference, methodCode, size});
  }
  void UpdateCounters() override {}
  bool IsRunning() const override { return false; }
  std::vector<Item> items;
};

// What the measures share.
struct Bench {
  CMainFrame* frame = nullptr;
  RecordingQueue* queue = nullptr;
  CRightView& List() { return *frame->GetRightView(); }
  CLeftView& Tree() { return *frame->GetLeftView(); }
  QTreeWidgetItem* Category(const QString& text) {
    for (int i = 0; i < Tree().topLevelItemCount(); ++i)
      if (Tree().topLevelItem(i)->text(0) == text) return Tree().topLevelItem(i);
    return nullptr;
  }
};

struct Measure {
  const char* what;
  double bound;
  const char* unit;
  std::function<double(Bench&)> run;  // the figure; negative when it could not be taken
};

double ListCategory(Bench& b) {
  double best = 1e9;
  for (int run = 0; run < 3; ++run) {
    b.Tree().setCurrentItem(b.Category(QStringLiteral("찾기")));  // an empty list first
    QApplication::processEvents();
    const auto start = Clock::now();
    b.Tree().setCurrentItem(b.Category(QStringLiteral("삭제된 파일")));
    b.List().viewport()->repaint();
    best = std::min(best, Seconds(start));
  }
  std::printf("  %d rows listed\n", b.List().RowCount());
  return b.List().RowCount() >= 100000 ? best : -1;
}

double SortSlowestColumn(Bench& b) {
  double worst = 0;
  for (int c = 0; c < CFileListModel::kColumnCount; ++c) {
    for (bool ascending : {true, false}) {
      const auto start = Clock::now();
      b.List().SortColumn(c, ascending);
      b.List().viewport()->repaint();
      const double s = Seconds(start);
      std::printf("  column %d %s: %.3f s\n", c, ascending ? "up" : "down", s);
      worst = std::max(worst, s);
    }
  }
  return worst;
}

double SelectAllWithTotals(Bench& b) {
  b.List().SelectOwnerRows({});
  const auto start = Clock::now();
  b.List().SelectAllRows();  // the totals follow the selection
  b.List().viewport()->repaint();
  const double s = Seconds(start);
  std::printf("  %s | %s\n", b.frame->StatusPane(1)->text().toUtf8().constData(),
              b.frame->StatusPane(2)->text().toUtf8().constData());
  return b.List().SelectedRowCount() == b.List().RowCount() ? s : -1;
}

double HeapPerRow(Bench& b) {
  b.Tree().setCurrentItem(b.Category(QStringLiteral("찾기")));
  malloc_trim(0);
  const std::size_t before = mallinfo2().uordblks;
  b.Tree().setCurrentItem(b.Category(QStringLiteral("삭제된 파일")));
  b.List().SortColumn(0, true);
  b.List().SelectAllRows();
  const std::size_t after = mallinfo2().uordblks;
  const int rows = b.List().RowCount();
  std::printf("  rows and texts %.0f bytes per row\n", double(b.List().Model()->MemoryBytes()) / rows);
  return rows ? (double(after) - double(before)) / rows : -1;
}

double QueueAllRows(Bench& b) {
  b.List().SelectAllRows();
  b.queue->items.clear();
  const auto start = Clock::now();
  b.frame->RunCommand(cmd::kAddQueueBasic);
  const double s = Seconds(start);
  return int(b.queue->items.size()) == b.List().RowCount() ? s : -1;
}

// The measures, in the order they run; each leaves the list as the next expects it.
const std::vector<Measure> kMeasures = {
    {"category to its first painted screen", 1.0, "s", ListCategory},
    {"slowest column sort", 0.3, "s", SortSlowestColumn},
    {"select all with totals", 0.2, "s", SelectAllWithTotals},
    {"heap per listed row", 1024, "bytes", HeapPerRow},
    {"queue every row", 1.0, "s", QueueAllRows},
};

}  // namespace

int main(int argc, char** argv) {
  const BenchArgs args = ParseBenchArgs(argc, argv, "--files", 100000);
  const BenchSetUp setUp(
      args, MissingNtfsTools(), "/tmp/filelist_bench.XXXXXX",
      {{"filelist/bench.img", [&](const std::string& dir) { return BuildVolume(dir, args.count); }}});
  if (setUp.Ready() >= 0) return setUp.Ready();
  const std::string img = setUp.Path("filelist/bench.img");

  const ShellBench shell(argc, argv);
  if (!shell.ok()) return 1;
  platform::DriveMap::Instance().Configure({"N=" + img}, nullptr, false);
  SetNtfsRootScanner(&RunNtfsRootScan);

  Bench b;
  CMainFrame::SetQueueWindowFactory([&b](QWidget* parent) {
    b.queue = new RecordingQueue(parent);
    return b.queue;
  });
  int status = 0;
  {
    CMainFrame frame;
    b.frame = &frame;
    frame.show();
    g_chCurrentDrive = 'N';
    if (!frame.OpenDrive()) {
      std::printf("the volume could not be opened\n");
      status = 1;
    }
    while (status == 0 && frame.GetLeftView()->TreeBuilding()) QApplication::processEvents(QEventLoop::AllEvents, 20);
    if (status == 0 && (!b.Category(QStringLiteral("삭제된 파일")) || !b.queue)) status = 1;
    const bool ready = status == 0;
    for (std::size_t i = 0; ready && i < kMeasures.size(); ++i) {
      const Measure& m = kMeasures[i];
      if (!Report(m.what, m.run(b), m.bound, m.unit)) status = 1;
    }
    frame.OnCloseDrive();
  }
  CMainFrame::SetQueueWindowFactory({});
  SetNtfsRootScanner(nullptr);
  return status;
}
