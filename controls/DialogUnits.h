// Dialog units: the layout unit of dialog templates, a quarter of the font's average character
// width across and an eighth of its height down. Converting them with the dialog's own font keeps
// a template's proportions whatever font the desktop uses.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

struct DialogBaseUnits {
  int x = 0;  // average character width in pixels
  int y = 0;  // character height in pixels
};

// The base units of a font: the average width of the 52 Latin letters, rounded, and the line height.
DialogBaseUnits BaseUnitsOf(const QFont& font);

// Dialog units to pixels (rounded as the window system does: units x base / 4 or / 8).
int DialogUnitsToPixelsX(int units, const DialogBaseUnits& base);
int DialogUnitsToPixelsY(int units, const DialogBaseUnits& base);
QRect DialogUnitsToPixels(const QRect& units, const DialogBaseUnits& base);
QSize DialogUnitsToPixels(const QSize& units, const DialogBaseUnits& base);
