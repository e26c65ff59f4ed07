// A window's first size and place on its screen: no larger than the screen's available area (the
// screen less its panels) and wholly inside it, so that its title, menu and first tool buttons are
// never off the screen.
#pragma once

#include <QRect>

class QScreen;
class QWidget;

// `frame` (a window with its frame) no larger than `available` and moved by the least that puts it
// inside. An empty `available` leaves it as it is.
QRect FitRectInto(const QRect& frame, const QRect& available);

// Fits the top-level `window` into the available area of `screen` (its own screen when null): it
// loses from its size what its frame must lose, and moves. The frame counts as far as the window
// system has told it (nothing before the window first shows).
void FitWindowToScreen(QWidget* window, QScreen* screen = nullptr);

// Centres the window's frame on the available area of `screen` (its own when null), then fits it.
void CentreWindowOnScreen(QWidget* window, QScreen* screen = nullptr);
