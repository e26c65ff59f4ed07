// Helpers of the widget tests: one offscreen QApplication per program, letting posted events run,
// and pictures of what a test drove.
#pragma once

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QString>
#include <QWidget>

namespace gui_test {

// The program's one application, made on first use; the tests need no display.
inline QApplication& App() {
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return *app;
  static int argc = 1;
  static char name[] = "pellamor_test";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// Runs what is posted now (layouts, resizes, paints) a few rounds over.
inline void Settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

// Saves the picture as <name>.png into $PELLAMOR_SHOT_DIR when it is set, making the folder.
inline void SaveShot(const QImage& image, const QString& name) {
  const QString dir = qEnvironmentVariable("PELLAMOR_SHOT_DIR");
  if (dir.isEmpty()) return;
  QDir().mkpath(dir);
  image.save(QDir(dir).filePath(name + QStringLiteral(".png")));
}

// Saves a picture of the window into $PELLAMOR_SHOT_DIR when it is set.
inline void SaveShot(QWidget& window, const QString& name) {
  if (qEnvironmentVariableIsEmpty("PELLAMOR_SHOT_DIR")) return;
  SaveShot(window.grab().toImage(), name);
}

}  // namespace gui_test
