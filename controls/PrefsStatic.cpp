#include "controls/PrefsStatic.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>
#include <cstdint>

CPrefsStatic::CPrefsStatic(QWidget* parent) : QLabel(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void CPrefsStatic::SetFontName(const QString& face) {
  m_strFontName = face;
  m_bBackgroundValid = false;
  update();
}

void CPrefsStatic::SetFontSize(int height) {
  m_nFontSize = height;
  update();
}

void CPrefsStatic::SetFontWeight(int weight) {
  m_nFontWeight = weight;
  update();
}

void CPrefsStatic::SetTextColor(const QColor& colour) {
  m_crText = colour;
  update();
}

void CPrefsStatic::SetConstantText(const QString& text) {
  m_strConstantText = text;
  m_bBackgroundValid = false;
  update();
}

QColor CPrefsStatic::TextColor() const {
  return m_crText.isValid() ? m_crText : palette().color(QPalette::Button);
}

QFont CPrefsStatic::CaptionFont() const {
  if (m_strFontName.isEmpty()) return parentWidget() ? parentWidget()->font() : font();
  QFont f(m_strFontName);
  f.setPixelSize(std::max(1, m_nFontSize));
  f.setWeight(static_cast<QFont::Weight>(std::clamp(m_nFontWeight, 1, 1000)));
  f.setStyleHint(QFont::TypeWriter);
  return f;
}

QFont CPrefsStatic::ConstantTextFont() const {
  QFont f = m_strFontName.isEmpty() ? font() : QFont(m_strFontName);
  f.setPixelSize(18);
  f.setWeight(QFont::Bold);
  return f;
}

const QImage& CPrefsStatic::Background() {
  // Hidden widgets get their resize events late: the size itself says when the band is stale.
  if (!m_bBackgroundValid || m_background.size() != size()) BuildBackground();
  return m_background;
}

// Vertical strips from the right edge leftwards; a strip at distance d from the right edge gets
// base - d^2 * base / W^2 of each channel, so the band runs from the button face to black.
void CPrefsStatic::BuildBackground() {
  m_bBackgroundValid = true;
  const int w = width();
  const int h = height();
  if (w <= 0 || h <= 0) {
    m_background = QImage();
    return;
  }
  m_background = QImage(w, h, QImage::Format_RGB32);
  const QPalette& pal = palette();
  const QColor base = pal.color(QPalette::Button);
  const std::int64_t w2 = std::int64_t(w) * w;
  const int strip = std::max(1, w / 128);
  QPainter painter(&m_background);
  for (int d = 0; d < w; d += strip) {
    const std::int64_t d2 = std::int64_t(d) * d;
    auto shade = [&](int channel) { return int(channel - d2 * channel / w2); };
    const QColor c(shade(base.red()), shade(base.green()), shade(base.blue()));
    const int right = w - d;
    const int left = std::max(0, right - strip);
    painter.fillRect(QRect(left, 0, right - left, h), c);
  }
  if (!m_strConstantText.isEmpty()) {
    painter.setFont(ConstantTextFont());
    const QRect textRect(0, 0, w - 5, h);
    const int flags = Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine;
    painter.setPen(pal.color(QPalette::Light));
    painter.drawText(textRect.translated(1, 1), flags, m_strConstantText);
    painter.setPen(pal.color(QPalette::Dark));
    painter.drawText(textRect, flags, m_strConstantText);
  }
}

void CPrefsStatic::paintEvent(QPaintEvent*) {
  const QImage& background = Background();
  if (background.isNull()) return;
  QPainter painter(this);
  painter.drawImage(0, 0, background);
  painter.setFont(CaptionFont());
  painter.setPen(TextColor());
  painter.drawText(rect().adjusted(5, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}

void CPrefsStatic::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  m_bBackgroundValid = false;
}

void CPrefsStatic::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) m_bBackgroundValid = false;
}
