#include "shared/DialogHeaderCtrl.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

#include <algorithm>

CDialogHeaderCtrl::CDialogHeaderCtrl(QWidget* parent)
    : QWidget(parent), titleFont_(DialogFaceFont(13, 700)), descriptionFont_(DialogFaceFont(13, 400)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void CDialogHeaderCtrl::SetTitle(const QString& title) {
  title_ = title;
  update();
}

void CDialogHeaderCtrl::SetDescription(const QString& description) {
  description_ = description;
  paragraph_.SetText(description);
  update();
}

void CDialogHeaderCtrl::SetIconId(int id) {
  icon_ = IconForId(id);
  update();
}

QIcon CDialogHeaderCtrl::IconForId(int id) {
  QStyle* style = QApplication::style();
  switch (id) {
    case 128:  // the program
      return QApplication::windowIcon().isNull() ? style->standardIcon(QStyle::SP_ComputerIcon)
                                                 : QApplication::windowIcon();
    case 242:  // tools and information
      return style->standardIcon(QStyle::SP_MessageBoxInformation);
    case 256:  // disks
      return style->standardIcon(QStyle::SP_DriveHDIcon);
    case 279:  // update
      return style->standardIcon(QStyle::SP_BrowserReload);
    case 305:  // attributes
      return style->standardIcon(QStyle::SP_FileDialogDetailedView);
    default:
      return {};
  }
}

QRect CDialogHeaderCtrl::DescriptionRect() const {
  // The first description line starts one title line below the title (11 + 2 pixels for the
  // title font of the old system, whose cells were 13 pixels high).
  // Its height reaches down to the shadow line, so no line is drawn past the band.
  const int titleLine = QFontMetrics(titleFont_).height();
  const QRect r = rect();
  const int top = r.top() + margin_ + titleLine - 2;
  return QRect(r.left() + indent_, top, r.right() + 1 - indent_ - r.left() - 1, r.bottom() - top);
}

QPoint CDialogHeaderCtrl::TitleOrigin() const { return QPoint(indent_ + 2, margin_); }

QSize CDialogHeaderCtrl::sizeHint() const {
  const int textHeight = QFontMetrics(titleFont_).height() + 2 * QFontMetrics(descriptionFont_).height();
  return QSize(360, std::max(margin_ + textHeight + margin_, margin_ + kIconSize + margin_));
}

void CDialogHeaderCtrl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect r = rect();
  // White band with a shadow line along its bottom.
  painter.fillRect(r, palette().color(QPalette::Base));
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawLine(r.bottomLeft(), r.bottomRight());

  if (!icon_.isNull()) icon_.paint(&painter, QRect(margin_, margin_, kIconSize, kIconSize));

  painter.setPen(palette().color(QPalette::Text));
  painter.setFont(titleFont_);
  const QFontMetrics titleMetrics(titleFont_);
  painter.drawText(TitleOrigin() + QPoint(0, titleMetrics.ascent()), title_);

  painter.setFont(descriptionFont_);
  paragraph_.SetRect(DescriptionRect());
  paragraph_.Draw(painter);
}
