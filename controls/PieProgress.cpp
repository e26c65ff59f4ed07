#include "controls/PieProgress.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {
constexpr int kThickness = 10;  // the disc's height in pixels
}  // namespace

CPieProgress::CPieProgress(QWidget* parent) : QWidget(parent) {}

QColor CPieProgress::FirstColour() const {
  return m_crFirst.isValid() ? m_crFirst : palette().color(QPalette::Highlight);
}

QColor CPieProgress::SecondColour() const {
  return m_crSecond.isValid() ? m_crSecond : palette().color(QPalette::Mid);
}

int CPieProgress::Percent() const {
  if (m_nLower >= m_nUpper || m_nPos < m_nLower || m_nPos > m_nUpper) return -1;
  const std::int64_t span = std::int64_t(m_nUpper) - m_nLower;
  return int((std::int64_t(m_nPos) - m_nLower) * 100 / span);
}

QPoint CPieProgress::BoundaryPoint(int p, int faceY) const {
  const QRect client = rect();
  const int cx = client.left() + client.width() / 2;
  const int rx = client.width() / 2;
  const int ry = int(client.height() * 0.6 * 0.5);
  int q = p;
  if (p > 25 && p <= 50) q = 50 - p;
  else if (p > 50 && p <= 75) q = p - 50;
  else if (p > 75) q = 100 - p;
  const int dx = (q * 100 / 25) * rx / 100;
  const int dy = rx > 0 ? int(std::sqrt(double(rx) * rx - double(dx) * dx) * ry / rx) : 0;
  const int x = p < 51 ? cx - dx : cx + dx;
  const int y = (p < 26 || p > 75) ? faceY + dy : faceY - dy;
  return QPoint(x, y);
}

// One face: the whole ellipse in the first colour, then the second colour from the bottom point
// counter-clockwise to the boundary point. At 0 % the second colour covers all of it, at 100 % none.
void CPieProgress::DrawFace(QPainter& painter, int p, int faceY) const {
  const QRect client = rect();
  const int cx = client.left() + client.width() / 2;
  const int rx = client.width() / 2;
  const int ry = int(client.height() * 0.6 * 0.5);
  const QRectF ellipse(cx - rx, faceY - ry, 2.0 * rx, 2.0 * ry);
  painter.setPen(palette().color(QPalette::WindowText));
  painter.setBrush(FirstColour());
  painter.drawEllipse(ellipse);
  if (p >= 100) return;
  painter.setBrush(SecondColour());
  if (p <= 0) {
    painter.drawEllipse(ellipse);
    return;
  }
  const QPoint b = BoundaryPoint(p, faceY);
  // Parametric angle of the boundary point (it lies on the ellipse), screen y pointing down.
  const double nx = rx > 0 ? double(b.x() - cx) / rx : 0.0;
  const double ny = ry > 0 ? double(faceY - b.y()) / ry : 0.0;
  double angle = std::atan2(ny, nx) * 180.0 / M_PI;
  double span = std::fmod(angle - 270.0 + 720.0, 360.0);
  if (span <= 0.0) return;
  QPainterPath path;
  path.moveTo(ellipse.center());
  path.arcTo(ellipse, 270.0, span);
  path.closeSubpath();
  painter.drawPath(path);
}

void CPieProgress::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect client = rect();
  painter.fillRect(client, palette().color(QPalette::Window));
  const int p = Percent();
  if (p < 0 || client.width() <= 0 || client.height() <= 0) return;
  const int cx = client.left() + client.width() / 2;
  const int cy = client.top() + client.height() / 2;
  const int rx = client.width() / 2;
  const QColor first = FirstColour();
  const QColor second = SecondColour();

  DrawFace(painter, p, cy);

  // The side: each half in the colour that its visible part shows, then a short strip beside the boundary.
  painter.fillRect(QRect(QPoint(cx - rx, cy - kThickness), QPoint(cx - 1, cy - 1)), p < 25 ? second : first);
  painter.fillRect(QRect(QPoint(cx, cy - kThickness), QPoint(cx + rx - 1, cy - 1)), p < 75 ? second : first);
  const int k = p <= 50 ? p : 100 - p;
  const int w = 2 * std::min(k, 5);
  if (w > 0) {
    const QPoint b = BoundaryPoint(p, cy);
    if (p <= 50)
      painter.fillRect(QRect(b.x(), b.y() - kThickness, w, kThickness), first);
    else
      painter.fillRect(QRect(b.x() - w, b.y() - kThickness, w, kThickness), second);
  }

  DrawFace(painter, p, cy - kThickness);

  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawLine(cx - rx, cy - kThickness, cx - rx, cy);
  painter.drawLine(cx + rx, cy - kThickness, cx + rx, cy);
}
