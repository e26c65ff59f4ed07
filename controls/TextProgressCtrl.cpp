#include "controls/TextProgressCtrl.h"

#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>

CTextProgressCtrl::CTextProgressCtrl(QWidget* parent) : QWidget(parent) {}

void CTextProgressCtrl::SetRange(int lower, int upper) {
  m_nLower = lower;
  m_nUpper = upper;
  m_nBarWidth = -1;
  update();
}

void CTextProgressCtrl::GetRange(int& lower, int& upper) const {
  lower = m_nLower;
  upper = m_nUpper;
}

int CTextProgressCtrl::SetPos(int pos) {
  const int old = m_nPos;
  m_nPos = pos;
  update();
  return old;
}

int CTextProgressCtrl::OffsetPos(int delta) { return SetPos(m_nPos + delta); }

int CTextProgressCtrl::SetStep(int step) {
  const int old = m_nStep;
  m_nStep = step;
  return old;
}

int CTextProgressCtrl::StepIt() { return SetPos(m_nPos + m_nStep); }

int CTextProgressCtrl::SetPosAndRedraw(int pos) {
  const int old = m_nPos;
  m_nPos = pos;
  const int width = BarWidth();
  if (width == m_nBarWidth) return old;
  m_nBarWidth = width;
  repaint();
  return old;
}

void CTextProgressCtrl::SetWindowText(const QString& text) {
  m_strText = text;
  update();
}

void CTextProgressCtrl::SetShowText(bool show) {
  m_bShowText = show;
  update();
}

double CTextProgressCtrl::Fraction() const {
  if (m_nLower >= m_nUpper) return 0.0;
  const double f = (double(m_nPos) - double(m_nLower)) / (double(m_nUpper) - double(m_nLower));
  return std::clamp(f, 0.0, 1.0);
}

int CTextProgressCtrl::BarWidth() const {
  if (m_nLower >= m_nUpper) return -1;
  return int(width() * Fraction());
}

QString CTextProgressCtrl::DisplayText() const {
  if (!m_strText.isEmpty()) return m_strText;
  return QStringLiteral("%1%").arg(int(Fraction() * 100.0));
}

QSize CTextProgressCtrl::sizeHint() const {
  return QSize(160, fontMetrics().height() + 6);
}

void CTextProgressCtrl::paintEvent(QPaintEvent*) {
  // An empty or reversed range has nothing to show.
  if (m_nLower >= m_nUpper) return;
  const QRect client = rect();
  const int barWidth = BarWidth();
  const QRect bar(client.left(), client.top(), barWidth, client.height());
  const QRect rest(client.left() + barWidth, client.top(), client.width() - barWidth, client.height());
  const QPalette& pal = palette();
  const QColor barColour = pal.color(QPalette::Highlight);
  const QColor backColour = pal.color(QPalette::Base);

  QPainter painter(this);
  painter.fillRect(bar, barColour);
  painter.fillRect(rest, backColour);
  if (!m_bShowText) return;
  const QString text = DisplayText();
  const int flags = Qt::AlignCenter | Qt::TextSingleLine;
  painter.save();
  painter.setClipRect(bar);
  painter.setPen(backColour);
  painter.drawText(client, flags, text);
  painter.setClipRect(rest);
  painter.setPen(barColour);
  painter.drawText(client, flags, text);
  painter.restore();
}

void CTextProgressCtrl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  m_nBarWidth = -1;
}
