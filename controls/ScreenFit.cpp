#include "controls/ScreenFit.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

// The start of a span of `length` placed at `start`, moved the least to lie in [low, low + room).
int Clamp(int start, int length, int low, int room) { return std::clamp(start, low, low + room - length); }

}  // namespace

QRect FitRectInto(const QRect& frame, const QRect& available) {
  if (available.isEmpty()) return frame;
  const int width = std::min(frame.width(), available.width());
  const int height = std::min(frame.height(), available.height());
  return QRect(Clamp(frame.x(), width, available.x(), available.width()),
               Clamp(frame.y(), height, available.y(), available.height()), width, height);
}

void FitWindowToScreen(QWidget* window, QScreen* screen) {
  if (!screen) screen = window->screen();
  if (!screen) return;
  const QRect frame = window->frameGeometry();
  const QRect fitted = FitRectInto(frame, screen->availableGeometry());
  if (fitted == frame) return;
  if (fitted.size() != frame.size()) window->resize(window->size() - (frame.size() - fitted.size()));
  // A window's position is its frame's.
  window->move(fitted.topLeft());
}

void CentreWindowOnScreen(QWidget* window, QScreen* screen) {
  if (!screen) screen = window->screen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const QSize frame = window->frameGeometry().size();
  window->move(area.x() + (area.width() - frame.width()) / 2, area.y() + (area.height() - frame.height()) / 2);
  FitWindowToScreen(window, screen);
}
