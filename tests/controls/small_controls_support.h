// Helpers of the small-control tests: one offscreen application, renders, shots and held-button
// mouse moves.
#pragma once

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>

#include <functional>

#include "tests/support/gui_support.h"

namespace small_controls {

using gui_test::App;

// A fixture base that makes the application before the fixture's widgets.
struct WithApp {
  WithApp() { App(); }
};

// The widget painted alone on an image filled with a sentinel colour (its own background only
// where it paints one).
inline QImage Render(QWidget& widget, const QColor& sentinel = QColor(1, 2, 3)) {
  QImage image(widget.size(), QImage::Format_ARGB32);
  image.fill(sentinel);
  widget.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
  return image;
}

// Saves a PNG of the window into $PELLAMOR_SHOT_DIR when it is set.
inline void Shot(QWidget& widget, const QString& name) { gui_test::SaveShot(widget, name); }

inline int CountColour(const QImage& image, const QColor& colour) {
  int n = 0;
  const QRgb want = colour.rgb();
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == (want & 0xFFFFFF)) ++n;
  return n;
}

inline QColor Pixel(const QImage& image, int x, int y) { return QColor(image.pixel(x, y)).toRgb(); }

// A mouse event sent straight to the widget, for moves with a button held.
inline void SendMouse(QWidget* widget, QEvent::Type type, const QPoint& pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

inline void MoveHeld(QWidget* widget, const QPoint& pos) {
  SendMouse(widget, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
}

inline void MoveFree(QWidget* widget, const QPoint& pos) {
  SendMouse(widget, QEvent::MouseMove, pos, Qt::NoButton, Qt::NoButton);
}

}  // namespace small_controls
