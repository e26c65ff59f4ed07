// Times the report control in callback mode over 268,435,447 rows (the most clusters a FAT32
// volume has), with an owner that makes two texts per row on demand. Prints each measure beside
// its bound; exits 1 when one is missed.
//
//   report_ctrl_bench [--rows N]
#include <QApplication>
#include <QKeyEvent>

#include <cstdio>
#include <cstring>
#include <string>

#include "bench/bench_report.h"
#include "controls/ReportCtrl.h"

namespace {

double ResidentMegabytes() { return static_cast<double>(bench::ResidentBytes()) / (1024.0 * 1024.0); }

void Press(CReportCtrl& ctrl, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(&ctrl, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(&ctrl, &release);
}

}  // namespace

int main(int argc, char** argv) {
  int rows = 268435447;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--rows") == 0) rows = std::atoi(argv[i + 1]);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  QWidget window;
  window.resize(420, 760);
  window.show();
  QApplication::processEvents();
  const double residentBefore = ResidentMegabytes();

  auto* ctrl = new CReportCtrl(&window, 0x50810800u | RVS_SINGLESELECT);
  ctrl->setGeometry(0, 0, 420, 760);
  long asks = 0;
  ctrl->SetNotifyHandler([&asks](NMREPORT& nm) -> qintptr {
    if (nm.code != RVN_ITEMCALLBACK) return 0;
    ++asks;
    RVITEM& item = static_cast<NMRVITEMCALLBACK&>(nm).item;
    item.strText = item.iSubItem == 0 ? QString::number(item.iItem) : QString::number(item.iItem * 7u + 3u);
    item.nMask &= RVIM_TEXT;
    return 0;
  });
  RVSUBITEM number;
  number.nFormat = RVCF_TEXT;
  number.iWidth = 120;
  number.strText = QStringLiteral(u"클러스터");
  RVSUBITEM next = number;
  next.strText = QStringLiteral(u"다음");
  ctrl->DefineSubItem(0, number);
  ctrl->DefineSubItem(1, next);
  ctrl->ShowSubItem(0);
  ctrl->ShowSubItem(1);
  ctrl->show();
  QApplication::processEvents();
  ctrl->setFocus();

  bool ok = true;
  bench::Clock::time_point start = bench::Clock::now();
  ctrl->SetItemCount(rows);
  ctrl->viewport()->repaint();
  const double firstPaint = bench::Seconds(start) * 1000.0;
  std::printf("rows %d, %d visible\n", rows, ctrl->VisibleRowCount());
  ok &= bench::Report("count set and first paint", firstPaint, 50.0, "ms");

  asks = 0;
  ctrl->viewport()->repaint();
  ok &= bench::Report("owner asks on a repaint of the same page", double(asks), 0.0, "asks", 0);

  const int pages = 200;
  start = bench::Clock::now();
  for (int i = 0; i < pages; ++i) {
    Press(*ctrl, Qt::Key_PageDown);
    ctrl->viewport()->repaint();
  }
  const double pageDown = bench::Seconds(start) * 1000.0 / pages;
  ok &= bench::Report("Page Down with repaint (mean)", pageDown, 5.0, "ms");

  const double end = bench::Best(5, [&] {
    Press(*ctrl, Qt::Key_Home);
    ctrl->viewport()->repaint();
    const auto t = bench::Clock::now();
    Press(*ctrl, Qt::Key_End);
    ctrl->viewport()->repaint();
    return bench::Seconds(t) * 1000.0;
  });
  ok &= bench::Report("End with repaint", end, 10.0, "ms");
  if (ctrl->GetFocusedItem() != rows - 1) {
    std::printf("End did not reach the last row (focus %d)\n", ctrl->GetFocusedItem());
    ok = false;
  }

  ok &= bench::Report("resident growth", ResidentMegabytes() - residentBefore, 16.0, "MB");
  return ok ? 0 : 1;
}
