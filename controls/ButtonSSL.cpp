#include "controls/ButtonSSL.h"

#include <QButtonGroup>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QUrl>
#include <qdrawutil.h>

CButtonSSL::CButtonSSL(QWidget* parent) : QPushButton(parent) { Init(); }

CButtonSSL::CButtonSSL(const QString& text, QWidget* parent) : QPushButton(text, parent) { Init(); }

void CButtonSSL::Init() {
  setFlat(true);
  setAttribute(Qt::WA_Hover);
  connect(this, &QAbstractButton::clicked, this, &CButtonSSL::OnClicked);
}

void CButtonSSL::SetButtonStyle(int style) {
  m_nStyle = style;
  setFlat(style & SSL_BS_FLAT);
  update();
}

void CButtonSSL::SetButtonType(int type) {
  m_nType = type;
  setCheckable(IsCheckType() || IsRadioType());
  update();
}

void CButtonSSL::SetColours(int state, const QColor& background, const QColor& text) {
  if (state < SSL_STATE_NORMAL || state > SSL_STATE_PRESSED) return;
  m_bg[state] = background;
  m_fg[state] = text;
  update();
}

QColor CButtonSSL::BackgroundColour(int state) const {
  if (state >= SSL_STATE_NORMAL && state <= SSL_STATE_PRESSED && m_bg[state].isValid()) return m_bg[state];
  return palette().color(QPalette::Button);
}

QColor CButtonSSL::TextColour(int state) const {
  if (state >= SSL_STATE_NORMAL && state <= SSL_STATE_PRESSED && m_fg[state].isValid()) return m_fg[state];
  return palette().color(QPalette::ButtonText);
}

void CButtonSSL::SetImagePosition(int flags) {
  m_nImagePos = flags;
  update();
}

void CButtonSSL::SetTextAlignment(Qt::Alignment align) {
  m_textAlign = align;
  update();
}

void CButtonSSL::SetSSLButtonMenu(QMenu* menu) {
  m_pMenu = menu;
  if (menu) {
    m_nStyle |= SSL_BS_MENU_BTN;
    connect(menu, &QMenu::aboutToHide, this, [this] {
      m_bMenuShown = false;
      update();
    });
  } else {
    m_nStyle &= ~SSL_BS_MENU_BTN;
  }
  update();
}

int CButtonSSL::GetCheck() const { return (IsCheckType() || IsRadioType()) && isChecked() ? 1 : 0; }

void CButtonSSL::SetCheck(int check) {
  if (IsCheckType() || IsRadioType()) setChecked(check != 0);
  update();
}

bool CButtonSSL::DrawnPressed() const { return isDown() || ((IsCheckType() || IsRadioType()) && isChecked()); }

int CButtonSSL::CurrentColourState() const {
  if (!isEnabled()) return SSL_STATE_DISABLED;
  if (DrawnPressed()) return SSL_STATE_PRESSED;
  return m_bHover ? SSL_STATE_HOVER : SSL_STATE_NORMAL;
}

QSize CButtonSSL::sizeHint() const {
  QSize size = QPushButton::sizeHint();
  if (HasMenuPart()) size.rwidth() += kMenuArrowWidth;
  return size;
}

void CButtonSSL::enterEvent(QEnterEvent* event) {
  QPushButton::enterEvent(event);
  m_bHover = true;
  update();
}

void CButtonSSL::leaveEvent(QEvent* event) {
  QPushButton::leaveEvent(event);
  m_bHover = false;
  update();
}

bool CButtonSSL::hitButton(const QPoint& pos) const {
  // The arrow part of a menu button opens the menu and is not a click.
  if (HasMenuPart() && pos.x() >= width() - kMenuArrowWidth) return false;
  return QPushButton::hitButton(pos);
}

void CButtonSSL::mousePressEvent(QMouseEvent* event) {
  if (m_bMenuShown) {
    if (m_pMenu) m_pMenu->hide();
    m_bMenuShown = false;
    update();
    return;
  }
  if (event->button() == Qt::LeftButton && HasMenuPart() && event->position().x() >= width() - kMenuArrowWidth) {
    m_bMenuShown = true;
    update();
    m_pMenu->popup(mapToGlobal(rect().bottomLeft()));
    return;
  }
  QPushButton::mousePressEvent(event);
}

void CButtonSSL::nextCheckState() {
  if (IsRadioType()) setChecked(true);  // a radio button is checked by clicking, never unchecked
  else QPushButton::nextCheckState();
}

void CButtonSSL::OnClicked() {
  if (IsRadioType()) {
    UncheckGroup();
  } else if (!IsCheckType() && !m_strURL.isEmpty()) {
    QDesktopServices::openUrl(QUrl::fromUserInput(m_strURL));
  }
  update();
}

// The group: the button group the button belongs to, else the buttons sharing its parent.
void CButtonSSL::UncheckGroup() {
  QList<QAbstractButton*> members;
  if (QButtonGroup* g = group()) members = g->buttons();
  else if (QWidget* p = parentWidget()) members = p->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly);
  for (QAbstractButton* b : members)
    if (b != this && b->isCheckable() && b->isChecked()) b->setChecked(false);
}

void CButtonSSL::DrawBackground(QPainter* painter, const QRect& rect) {
  const int state = CurrentColourState();
  painter->fillRect(rect, state == SSL_STATE_DISABLED ? palette().color(QPalette::Button) : BackgroundColour(state));
}

void CButtonSSL::DrawBorder(QPainter* painter, const QRect& rect) {
  const QPalette& pal = palette();
  if (DrawnPressed()) {
    qDrawShadeRect(painter, rect, pal, true, 1);
  } else if (!(m_nStyle & SSL_BS_FLAT)) {
    qDrawWinButton(painter, rect, pal, false);
  } else if (m_bHover) {
    qDrawShadeRect(painter, rect, pal, false, 1);
  }
}

void CButtonSSL::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect client = rect();
  const bool pressed = DrawnPressed();
  const int state = CurrentColourState();
  DrawBackground(&painter, client);
  DrawBorder(&painter, client);

  const int arrowPart = HasMenuPart() ? kMenuArrowWidth : 0;
  QRect textRect = client.adjusted(0, 0, -arrowPart, 0);
  if (!icon().isNull()) {
    const QSize size = iconSize();
    const QRect room = textRect;
    int x = room.left() + 3;
    if (m_nImagePos & SSL_IMAGE_HCENTER) x = room.left() + (room.width() - size.width()) / 2;
    else if (m_nImagePos & SSL_IMAGE_RIGHT) x = room.right() - 3 - size.width() + 1;
    int y = room.top() + 3;
    if (m_nImagePos & SSL_IMAGE_VCENTER) y = room.top() + (room.height() - size.height()) / 2;
    else if (m_nImagePos & SSL_IMAGE_BOTTOM) y = room.bottom() - 3 - size.height() + 1;
    if (pressed) {
      ++x;
      ++y;
    }
    icon().paint(&painter, QRect(QPoint(x, y), size), Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    // The caption keeps clear of an icon at the left or right.
    if (!(m_nImagePos & SSL_IMAGE_HCENTER)) {
      if (m_nImagePos & SSL_IMAGE_RIGHT) textRect.setRight(x - 1);
      else textRect.setLeft(x + size.width());
    }
  }

  const QString caption = text();
  if (!caption.isEmpty()) {
    const int flags = int(m_textAlign) | Qt::TextSingleLine | Qt::TextShowMnemonic;
    if (state == SSL_STATE_DISABLED) {
      painter.setPen(palette().color(QPalette::Base));
      painter.drawText(textRect, flags, caption);
      painter.setPen(palette().color(QPalette::Disabled, QPalette::ButtonText));
      painter.drawText(textRect.translated(-1, -1), flags, caption);
    } else {
      painter.setPen(TextColour(state));
      painter.drawText(textRect, flags, caption);
    }
  }

  if (arrowPart) {
    const int left = client.right() - arrowPart + 1;
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(left, client.top() + 3, left, client.bottom() - 3);
    painter.setPen(state == SSL_STATE_DISABLED ? palette().color(QPalette::Disabled, QPalette::ButtonText)
                                               : TextColour(state));
    const int cx = left + arrowPart / 2;
    const int cy = client.center().y();
    // Rows of 7, 5 and 3 pixels, narrowing to the tip.
    for (int row = 0; row < 3; ++row) {
      const int half = 3 - row;
      painter.drawLine(cx - half, cy - 1 + row, cx + half, cy - 1 + row);
    }
  }

  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = client.adjusted(3, 3, -3, -3);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
  }
}
