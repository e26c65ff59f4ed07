// controls_gallery: shows every control in one window, a page each.
//   controls_gallery                    the window
//   controls_gallery --list             the page names, one a line
//   controls_gallery --screenshot DIR   one PNG per page (DIR/<name>.png) at a fixed size, and one
//                                       per window a page opens for it (DIR/<name>.<n>.png)
#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QTabWidget>
#include <QTextStream>

#include <cstdio>

#include "tests/gallery/gallery.h"

namespace {

constexpr QSize kShotSize(640, 400);

// The screenshot folder and the page being shot, while screenshots are made.
QString shotDir;
QString shotPage;
int shotFailures = 0;

bool SaveShot(QWidget* window, const QString& name) {
  const QString file = QDir(shotDir).filePath(name + QStringLiteral(".png"));
  if (window->grab().save(file)) return true;
  std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
  ++shotFailures;
  return false;
}

// Hangul needs a face that has it; the Nanum fonts are the suite's.
void ChooseFont() {
  const QStringList families = QFontDatabase::families();
  for (const char* face : {"NanumGothic", "NanumBarunGothic", "NanumSquare"}) {
    if (families.contains(QString::fromLatin1(face))) {
      QFont font = QApplication::font();
      font.setFamily(QString::fromLatin1(face));
      QApplication::setFont(font);
      return;
    }
  }
}

int Screenshots(const QString& dir) {
  if (!QDir().mkpath(dir)) {
    std::fprintf(stderr, "cannot make %s\n", qPrintable(dir));
    return 1;
  }
  shotDir = dir;
  for (const GalleryPage& page : GalleryPages()) {
    shotPage = QString::fromLatin1(page.name);
    const QWidgetList before = QApplication::topLevelWidgets();
    QWidget* widget = page.make();
    widget->resize(page.shotSize.isEmpty() ? kShotSize : page.shotSize);
    widget->show();
    QApplication::processEvents();
    if (page.stage) {
      page.stage(widget);
      QApplication::processEvents();
    }
    SaveShot(widget, shotPage);
    int n = 0;
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window == widget || before.contains(window) || !window->isVisible()) continue;
      SaveShot(window, QStringLiteral("%1.%2").arg(shotPage).arg(++n));
      window->close();
    }
    delete widget;
    QApplication::processEvents();
  }
  return shotFailures ? 1 : 0;
}

}  // namespace

void SaveGalleryShot(QWidget* window, const QString& suffix) {
  if (!shotDir.isEmpty() && window) SaveShot(window, shotPage + QLatin1Char('.') + suffix);
}

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ChooseFont();
  const QStringList args = QApplication::arguments();
  if (args.contains(QStringLiteral("--list"))) {
    QTextStream out(stdout);
    for (const GalleryPage& page : GalleryPages()) out << page.name << '\n';
    return 0;
  }
  const qsizetype shot = args.indexOf(QStringLiteral("--screenshot"));
  if (shot >= 0) {
    if (shot + 1 >= args.size()) {
      std::fprintf(stderr, "usage: controls_gallery [--list | --screenshot DIR]\n");
      return 2;
    }
    return Screenshots(args.at(shot + 1));
  }
  QTabWidget window;
  window.setWindowTitle(QStringLiteral("controls_gallery"));
  for (const GalleryPage& page : GalleryPages()) window.addTab(page.make(), page.title);
  window.resize(880, 620);
  window.show();
  return app.exec();
}
