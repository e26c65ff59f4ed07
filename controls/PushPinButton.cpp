#include "controls/PushPinButton.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

constexpr int kImageSize = 20;

// One push pin: lying sideways when unpinned, seen from above when pinned; hot images are raised,
// pressed ones sunken.
void DrawPin(QPainter& p, const QRect& cell, int index, const QPalette& pal) {
  const bool pinned = index >= CPushPinButton::PIN_PINNED;
  const int look = index % 3;  // 0 resting, 1 hot, 2 pressed
  p.save();
  p.setClipRect(cell);
  p.fillRect(cell, pal.color(QPalette::Button));
  const QRect frame = cell.adjusted(0, 0, -1, -1);
  if (look != 0) {
    p.setPen(pal.color(look == 1 ? QPalette::Light : QPalette::Dark));
    p.drawLine(frame.topLeft(), frame.topRight());
    p.drawLine(frame.topLeft(), frame.bottomLeft());
    p.setPen(pal.color(look == 1 ? QPalette::Dark : QPalette::Light));
    p.drawLine(frame.bottomLeft(), frame.bottomRight());
    p.drawLine(frame.topRight(), frame.bottomRight());
  }
  p.translate(cell.topLeft() + QPoint(look == 2 ? 1 : 0, look == 2 ? 1 : 0));
  p.setRenderHint(QPainter::Antialiasing, false);
  const QColor ink = pal.color(QPalette::WindowText);
  const QColor head = pal.color(QPalette::Light);
  const QColor shade = pal.color(QPalette::Dark);
  if (!pinned) {
    // Needle to the left, head to the right.
    p.setPen(ink);
    p.drawLine(2, 10, 8, 10);
    p.fillRect(QRect(8, 7, 3, 7), shade);
    p.drawRect(QRect(8, 7, 2, 6));
    p.fillRect(QRect(11, 8, 5, 5), head);
    p.drawRect(QRect(11, 8, 4, 4));
    p.fillRect(QRect(16, 5, 2, 11), shade);
    p.drawRect(QRect(16, 5, 1, 10));
  } else {
    // The head seen from above, its needle in the board.
    p.setPen(ink);
    p.setBrush(head);
    p.drawEllipse(QRect(5, 5, 9, 9));
    p.setBrush(shade);
    p.drawEllipse(QRect(8, 8, 3, 3));
  }
  p.restore();
}

}  // namespace

CPushPinButton::CPushPinButton(QWidget* parent) : QAbstractButton(parent) {
  setMouseTracking(true);
  ReloadBitmaps();
}

void CPushPinButton::ReloadBitmaps() {
  QPixmap strip(kImageSize * kStripImages, kImageSize);
  strip.fill(palette().color(QPalette::Button));
  QPainter p(&strip);
  for (int i = 0; i < kStripImages; ++i) DrawPin(p, QRect(i * kImageSize, 0, kImageSize, kImageSize), i, palette());
  p.end();
  m_bBuiltIn = true;
  ApplyStrip(strip, kStripImages);
}

bool CPushPinButton::SetImageStrip(const QPixmap& strip, int imageCount) {
  if (imageCount <= 0 || strip.isNull() || strip.width() < imageCount) return false;
  m_bBuiltIn = false;
  ApplyStrip(strip, imageCount);
  return true;
}

void CPushPinButton::ApplyStrip(const QPixmap& strip, int imageCount) {
  m_strip = strip;
  m_nImages = imageCount;
  setFixedSize(ImageSize());
  if (parentWidget()) parentWidget()->update(geometry());
  update();
}

QSize CPushPinButton::ImageSize() const {
  if (m_nImages <= 0) return QSize();
  return QSize(m_strip.width() / m_nImages, m_strip.height());
}

QSize CPushPinButton::sizeHint() const { return ImageSize(); }

int CPushPinButton::DrawnImage() const { return std::clamp(m_nImage, 0, std::max(0, m_nImages - 1)); }

void CPushPinButton::SetPinned(bool pinned) {
  if (m_nImages < kStripImages) return;
  SetImage(pinned ? PIN_PINNED : PIN_UNPINNED);
}

void CPushPinButton::SetImage(int index) {
  if (index == m_nImage) return;
  m_nImage = index;
  update();
}

void CPushPinButton::paintEvent(QPaintEvent*) {
  if (m_nImages <= 0) return;
  QPainter painter(this);
  const QSize size = ImageSize();
  painter.drawPixmap(rect(), m_strip, QRect(QPoint(DrawnImage() * size.width(), 0), size));
}

void CPushPinButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  m_bPressed = true;
  if (!IsPinned()) SetImage(PIN_UNPINNED_PRESSED);
}

void CPushPinButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !m_bPressed) return;
  m_bPressed = false;
  if (rect().contains(event->position().toPoint())) {
    SetPinned(!IsPinned());
    if (!IsPinned()) SetImage(PIN_UNPINNED);
    emit clicked(IsPinned());
  } else {
    SetImage(IsPinned() ? PIN_PINNED : PIN_UNPINNED);
  }
}

void CPushPinButton::mouseMoveEvent(QMouseEvent* event) {
  if (rect().contains(event->position().toPoint())) {
    if (IsPinned() || m_bPressed) SetImage(IsPinned() ? PIN_PINNED_HOT : PIN_UNPINNED_PRESSED);
    else SetImage(PIN_UNPINNED_HOT);
  } else if (!IsPinned()) {
    SetImage(PIN_UNPINNED_HOT);
  }
}

void CPushPinButton::leaveEvent(QEvent* event) {
  QAbstractButton::leaveEvent(event);
  if (m_bPressed) return;  // the button still follows the held mouse
  SetImage(IsPinned() ? PIN_PINNED : PIN_UNPINNED);
}

void CPushPinButton::changeEvent(QEvent* event) {
  QAbstractButton::changeEvent(event);
  if (event->type() == QEvent::PaletteChange && m_bBuiltIn) ReloadBitmaps();
}
