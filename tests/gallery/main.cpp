// controls_gallery: shows every control in one window, a page each.
//   controls_gallery                    the window
//   controls_gallery --list             the page names, one a line
//   controls_gallery --screenshot DIR   one PNG per page (DIR/<name>.png) at a fixed size
#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QTabWidget>
#include <QTextStream>

#include <cstdio>

#include "tests/gallery/gallery.h"

namespace {

constexpr QSize kShotSize(640, 400);

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
  int failures = 0;
  for (const GalleryPage& page : GalleryPages()) {
    QWidget* widget = page.make();
    widget->resize(kShotSize);
    widget->show();
    QApplication::processEvents();
    const QString file = QDir(dir).filePath(QString::fromLatin1(page.name) + QStringLiteral(".png"));
    if (!widget->grab().save(file)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
      ++failures;
    }
    delete widget;
  }
  return failures ? 1 : 0;
}

}  // namespace

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
  window.resize(800, 560);
  window.show();
  return app.exec();
}
