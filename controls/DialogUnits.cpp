#include "controls/DialogUnits.h"

#include <QFontMetrics>

#include <cstdint>

namespace {

// units x base / divisor, rounded half away from zero, in 64 bits.
int Scale(int units, int base, int divisor) {
  const std::int64_t product = static_cast<std::int64_t>(units) * base;
  const std::int64_t half = divisor / 2;
  const std::int64_t scaled = product >= 0 ? (product + half) / divisor : -((-product + half) / divisor);
  return static_cast<int>(scaled);
}

}  // namespace

DialogBaseUnits BaseUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  DialogBaseUnits base;
  base.x = (letters / 26 + 1) / 2;
  base.y = metrics.height();
  return base;
}

int DialogUnitsToPixelsX(int units, const DialogBaseUnits& base) { return Scale(units, base.x, 4); }

int DialogUnitsToPixelsY(int units, const DialogBaseUnits& base) { return Scale(units, base.y, 8); }

QRect DialogUnitsToPixels(const QRect& units, const DialogBaseUnits& base) {
  const int left = DialogUnitsToPixelsX(units.left(), base);
  const int top = DialogUnitsToPixelsY(units.top(), base);
  const int right = DialogUnitsToPixelsX(units.left() + units.width(), base);
  const int bottom = DialogUnitsToPixelsY(units.top() + units.height(), base);
  return QRect(left, top, right - left, bottom - top);
}

QSize DialogUnitsToPixels(const QSize& units, const DialogBaseUnits& base) {
  return QSize(DialogUnitsToPixelsX(units.width(), base), DialogUnitsToPixelsY(units.height(), base));
}
