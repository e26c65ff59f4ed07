// Times the grid list over an owner model of 1,000,000 rows whose six texts are made on demand,
// with a numeric sort key on "크기". Prints each measure with its bound; exits 1 when one is missed.
//
//   grid_list_bench [--rows N]
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "bench/bench_report.h"
#include "controls/GridListCtrlGroups.h"

namespace {

// Two unrelated spreads of the row numbers, so that sorting really reorders and the name and
// size orders have nothing in common.
quint32 Scramble(quint32 r) {
  quint32 x = r * 2654435761u + 0x9e3779b9u;
  x ^= x >> 16;
  x *= 0x85ebca6bu;
  return x ^ (x >> 13);
}
quint32 Scramble2(quint32 r) { return Scramble(r ^ 0x5bd1e995u) * 0xc2b2ae35u; }

// Decimal digits into a text, zero-padded to a width.
void PutNumber(QChar* at, quint32 value, int width) {
  for (int i = width - 1; i >= 0; --i, value /= 10) at[i] = QChar(u'0' + value % 10);
}

QString Text(const char16_t* prefix, int prefixLength, quint32 value, int width, const char16_t* suffix = u"",
             int suffixLength = 0) {
  QString t(prefixLength + width + suffixLength, Qt::Uninitialized);
  QChar* d = t.data();
  for (int i = 0; i < prefixLength; ++i) d[i] = QChar(prefix[i]);
  PutNumber(d + prefixLength, value, width);
  for (int i = 0; i < suffixLength; ++i) d[prefixLength + width + i] = QChar(suffix[i]);
  return t;
}

class MillionModel : public QAbstractTableModel {
 public:
  explicit MillionModel(int rows) : rows_(rows) {}
  int rowCount(const QModelIndex& p = {}) const override { return p.isValid() ? 0 : rows_; }
  int columnCount(const QModelIndex& p = {}) const override { return p.isValid() ? 0 : 6; }
  QVariant data(const QModelIndex& i, int role) const override {
    const quint32 r = quint32(i.row());
    const quint32 s = Scramble(r);
    if (role == kGridSortKeyRole && i.column() == 4) return QVariant(Size(r));
    if (role != Qt::DisplayRole) return {};
    switch (i.column()) {
      case 0:
        return Text(u"file_", 5, s % 10000000u, 7, u".dat", 4);
      case 1:
        return r % 3 ? QStringLiteral(u"정상") : QStringLiteral(u"삭제됨");
      case 2: {
        QString t = Text(u"2024-", 5, 1 + s % 12, 2, u"-00 00:00", 9);
        PutNumber(t.data() + 8, 1 + (s >> 4) % 28, 2);
        PutNumber(t.data() + 11, (s >> 9) % 24, 2);
        PutNumber(t.data() + 14, (s >> 14) % 60, 2);
        return t;
      }
      case 3:
        return Text(u"유형", 2, (s >> 3) % 1000, 3);
      case 4:
        return QString::number(Size(r) / 1024) + QStringLiteral(" KB");
      default:
        return QString::number(r * 8 + 2);
    }
  }

 private:
  static qint64 Size(quint32 r) { return qint64(Scramble2(r) % 5000000u) * 1031; }
  int rows_;
};

qint64 ResidentBytes() { return static_cast<qint64>(bench::ResidentBytes()); }

bool g_missed = false;

void Report(const char* what, double value, double bound, const char* unit) {
  if (!bench::Report(what, value, bound, unit, 2)) g_missed = true;
}

// Growth of the resident size per row; a shrink counts as none.
double GrowthPerRow(qint64 before, qint64 after, int rows) { return double(std::max<qint64>(0, after - before)) / rows; }

double Ms(const std::function<void()>& f) {
  QElapsedTimer t;
  t.start();
  f();
  return double(t.nsecsElapsed()) / 1e6;
}

void Key(CGridListCtrlEx& list, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(&list, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(&list, &release);
}

void Repaint(CGridListCtrlEx& list) {
  QApplication::processEvents();
  list.viewport()->repaint();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int rows = 1000000;
  for (int i = 1; i + 1 < argc; ++i)
    if (!std::strcmp(argv[i], "--rows")) rows = std::atoi(argv[i + 1]);
  QApplication app(argc, argv);
  MillionModel model(rows);
  std::printf("grid list over an owner model of %d rows\n", rows);

  // Warm the style, fonts and paint engine on a small list so the first paint measures the list.
  {
    CGridListCtrlGroups warm;
    warm.InsertColumn(0, u"이름"_qs);
    warm.InsertItem(0, "x");
    warm.resize(200, 100);
    warm.show();
    Repaint(warm);
  }
  QApplication::processEvents();
  const qint64 rss0 = ResidentBytes();

  CGridListCtrlGroups list;
  const double first = Ms([&] {
    const char16_t* headings[] = {u"이름", u"상태", u"수정한 날짜", u"유형", u"크기", u"클러스터"};
    const int widths[] = {250, 100, 150, 150, 75, 70};
    for (int c = 0; c < 6; ++c)
      list.InsertColumn(c, QString::fromUtf16(headings[c]), c >= 4 ? Qt::AlignRight : Qt::AlignLeft, widths[c]);
    list.SetOwnerModel(&model);
    list.resize(1000, 700);
    list.show();
    Repaint(list);
  });
  Report("model and first paint", first, 1000, "ms");
  const qint64 rss1 = ResidentBytes();
  Report("resident growth per row", GrowthPerRow(rss0, rss1, rows), 96, "bytes");

  list.setFocus();
  Key(list, Qt::Key_Home);
  Repaint(list);
  const int pages = 50;
  const double pageDown = Ms([&] {
    for (int i = 0; i < pages; ++i) {
      Key(list, Qt::Key_PageDown);
      list.viewport()->repaint();
    }
  });
  Report("Page Down with repaint (mean)", pageDown / pages, 10, "ms");
  const double end = Ms([&] {
    Key(list, Qt::Key_End);
    list.viewport()->repaint();
  });
  Report("End with repaint", end, 50, "ms");
  if (list.GetFocusRow() != list.GetViewRowCount() - 1) std::printf("End did not reach the last row\n"), g_missed = true;

  Report("sort by name, ascending", Ms([&] { list.SortColumn(0, true), Repaint(list); }), 3000, "ms");
  Report("sort by name, descending", Ms([&] { list.SortColumn(0, false), Repaint(list); }), 3000, "ms");
  Report("sort by key, ascending", Ms([&] { list.SortColumn(4, true), Repaint(list); }), 500, "ms");
  Report("sort by key, descending", Ms([&] { list.SortColumn(4, false), Repaint(list); }), 500, "ms");

  // Half the rows selected as one block (as a Shift click would), then sorted apart.
  const int lastColumn = list.GetOrderModel()->columnCount() - 1;
  list.selectionModel()->select(
      QItemSelection(list.GetOrderModel()->index(0, 0), list.GetOrderModel()->index(rows / 2 - 1, lastColumn)),
      QItemSelectionModel::ClearAndSelect);
  const std::vector<int> selected = list.GetSelectedOwnerRows();
  const double half = Ms([&] { list.SortColumn(0, true), Repaint(list); });
  Report("sort by name with half selected", half, 4000, "ms");
  if (list.GetSelectedOwnerRows() != selected || qint64(selected.size()) != rows / 2)
    std::printf("the selected rows changed in the sort\n"), g_missed = true;

  Report("group by 1,000 texts", Ms([&] { list.GroupByColumn(3), Repaint(list); }), 1500, "ms");
  if (list.GetGroupCount() != 1000) std::printf("%d groups, not 1000\n", list.GetGroupCount()), g_missed = true;
  Report("collapse all", Ms([&] { list.CollapseAllGroups(), Repaint(list); }), 500, "ms");
  Report("expand all", Ms([&] { list.ExpandAllGroups(), Repaint(list); }), 500, "ms");
  if (list.GetSelectedCount() != rows / 2) std::printf("the selection changed in grouping\n"), g_missed = true;

  int found = 0;
  Report("a prefix no row has", Ms([&] { found = list.FindRowByPrefix(0, 0, "zzz"); }), 500, "ms");
  if (found != -1) std::printf("the missing prefix was found\n"), g_missed = true;

  const qint64 rss2 = ResidentBytes();
  Report("resident growth per row after sort and group", GrowthPerRow(rss0, rss2, rows), 160, "bytes");
  return g_missed ? 1 : 0;
}
