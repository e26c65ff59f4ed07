// Report control: painting. Only the visible rows and columns are read, so the first paint asks
// the owner for each visible cell once and the cache answers a repaint.
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>

#include <algorithm>

#include "controls/ReportCtrl.h"
#include "controls/ReportParts.h"

namespace {

enum SysColour {
  kWindow = 0,
  kHighlight,
  kSelNoFocus,
  kText,
  kHighlightText,
  kSelNoFocusText,
  kGrid,
  kButtonFace,
  kLight,
  kShadow,
  kHilight,
  kDarkShadow
};

}  // namespace

void CReportCtrl::paintEvent(QPaintEvent* event) {
  QPainter p(viewport());
  DrawItems(p, event->rect());
}

void CReportCtrl::DrawBackground(QPainter& p, const QRect& rect, const QColor& colour) { p.fillRect(rect, colour); }

void CReportCtrl::DrawItems(QPainter& p, const QRect& area) {
  const QColor background = isEnabled() ? sysColors_[kWindow] : sysColors_[kButtonFace];
  DrawBackground(p, area, background);
  const int width = viewport()->width();
  const int height = viewport()->height();
  p.setPen(QPen(sysColors_[kGrid], 1, Qt::SolidLine));

  if (style_ & RVS_SHOWEDITROW) {
    const QRect strip(0, 0, width, RowsTop());
    p.fillRect(strip, sysColors_[kButtonFace]);
    p.setPen(sysColors_[kHilight]);
    p.drawLine(strip.topLeft(), strip.topRight());
    p.drawLine(strip.topLeft(), strip.bottomLeft());
    p.setPen(sysColors_[kDarkShadow]);
    p.drawLine(strip.bottomLeft(), strip.bottomRight());
    p.drawLine(strip.topRight(), strip.bottomRight());
    const QRect row = RowRect(-1).adjusted(2, 0, -2, 0);
    DrawItem(p, row, -1, false);
    if (focusFlag_ && !edit_ && focus_ == -1 && focusCell_ < 0) {
      QStyleOptionFocusRect o;
      o.initFrom(this);
      o.rect = row;
      style()->drawPrimitive(QStyle::PE_FrameFocusRect, &o, &p, this);
    }
  }

  const int count = GetItemCount();
  const int rowsTop = RowsTop();
  if (count == 0) {
    if (!emptyText_.isEmpty()) {
      p.setFont(font_);
      p.setPen(sysColors_[kText]);
      const QRect r(0, rowsTop + 2, width, rowHeight_);
      p.drawText(r, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                 p.fontMetrics().elidedText(emptyText_, Qt::ElideRight, width));
    }
    return;
  }

  const bool grid = style_ & (RVS_SHOWHGRID | RVS_SHOWVGRID);
  const int x0 = -GetScrollPosX();
  const int rowWidth = std::max(width, GetTotalWidth() + x0);
  int y = rowsTop;
  int row = GetTopRow();
  for (; row < count && y < height; ++row) {
    RVITEM info;
    info.iItem = row;
    int preview = 0;
    if (previewEnabled_ && GetItem(info)) preview = std::max(0, info.nPreview);
    const QRect rect(0, y, rowWidth, rowHeight_ + preview);
    if (rect.intersects(area)) {
      DrawItem(p, QRect(0, y, rowWidth, rowHeight_), row, row & 1);
      if (preview > 0) {
        NMRVPREVIEW nm;
        nm.code = RVN_ITEMDRAWPREVIEW;
        nm.iItem = row;
        nm.nState = info.nState;
        nm.painter = &p;
        nm.rect = QRect(0, y + rowHeight_, rowWidth, preview);
        nm.lParam = info.lParam;
        Notify(nm);
      }
      if (style_ & RVS_SHOWHGRID) {
        p.setPen(sysColors_[kGrid]);
        p.drawLine(0, rect.bottom(), rowWidth, rect.bottom());
      }
      if (focusFlag_ && !edit_ && row == focus_ && (!(style_ & RVS_FOCUSSUBITEMS) || focusCell_ < 0)) {
        QStyleOptionFocusRect o;
        o.initFrom(this);
        o.rect = grid ? rect.adjusted(1, 1, -1, -1) : rect;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &o, &p, this);
      }
    }
    y += rect.height();
  }

  if (grid) {
    p.setPen(sysColors_[kGrid]);
    const int bottom = style_ & RVS_SHOWHGRIDEX ? height : y - 1;
    p.drawLine(x0, rowsTop, x0, bottom);
    p.drawLine(x0 + GetTotalWidth() - 1, rowsTop, x0 + GetTotalWidth() - 1, bottom);
    if ((style_ & RVS_SHOWHGRID) && (style_ & RVS_SHOWHGRIDEX))
      for (int ly = y + rowHeight_ - 1; ly < height; ly += rowHeight_) p.drawLine(0, ly, rowWidth, ly);
    if (style_ & RVS_SHOWVGRID) {
      int x = x0;
      for (int s : shown_) {
        x += subItems_[std::size_t(s)].iWidth;
        p.drawLine(x - 1, rowsTop, x - 1, bottom);
      }
    }
  }
}

void CReportCtrl::DrawItem(QPainter& p, const QRect& rect, int row, bool odd) {
  RVITEM info;
  info.iItem = row;
  if (!GetItem(info)) return;
  const bool selected = info.nState & RVIS_SELECTED;
  const QColor plain = isEnabled() ? sysColors_[kWindow] : sysColors_[kButtonFace];
  QColor background = plain;
  if (info.iBkColor >= 0)
    background = PaletteColor(info.iBkColor, plain);
  else if (odd && (style_ & RVS_SHOWCOLORALTERNATE))
    background = PaletteColor(0, plain);
  if (selected) {
    if (focusFlag_)
      background = sysColors_[kHighlight];
    else if (style_ & RVS_SHOWSELALWAYS)
      background = sysColors_[kSelNoFocus];
  }
  p.fillRect(rect, background);
  p.setFont(info.nState & RVIS_BOLD ? boldFont_ : font_);

  const int width = viewport()->width();
  int x = -GetScrollPosX();
  for (int s : shown_) {
    const RVSUBITEM& sub = subItems_[std::size_t(s)];
    const QRect cell(x, rect.top(), sub.iWidth, rect.height());
    x += sub.iWidth;
    if (cell.right() < 0 || cell.left() >= width) continue;
    RVITEM item;
    if (!ReadCell(row, s, item)) continue;
    QColor text = PaletteColor(item.iTextColor, sysColors_[kText]);
    const bool keepColour = (style_ & RVS_SHOWCOLORALWAYS) && item.iTextColor >= 0 &&
                            std::size_t(item.iTextColor) < palette_.size();
    if (selected && focusFlag_ && !keepColour)
      text = sysColors_[kHighlightText];
    else if (selected && !focusFlag_ && (style_ & RVS_SHOWSELALWAYS) && !keepColour)
      text = sysColors_[kSelNoFocusText];
    const bool focusedCell = (style_ & RVS_FOCUSSUBITEMS) && row == focus_ && s == focusCell_;
    if (focusedCell) {
      p.fillRect(cell, plain);
      text = sysColors_[kText];
    }
    p.setPen(text);
    p.save();
    p.setClipRect(cell.intersected(rect));
    DrawSubItem(p, cell.adjusted(kMargin, 0, -kMargin, 0), item, sub.nFormat);
    p.restore();
    if (focusedCell && focusFlag_ && !edit_) {
      QStyleOptionFocusRect o;
      o.initFrom(this);
      o.rect = cell;
      style()->drawPrimitive(QStyle::PE_FrameFocusRect, &o, &p, this);
    }
  }
}

int CReportCtrl::DrawSubItem(QPainter& p, QRect rect, RVITEM& item, std::uint32_t format) {
  if (item.nState & RVIS_OWNERDRAW) {
    NMRVDRAWSUBITEM nm;
    nm.code = RVN_ITEMDRAW;
    nm.item = &item;
    nm.painter = &p;
    nm.rect = rect;
    if (Notify(nm) != 0) return rect.width();
  }
  const int left = rect.left();
  const int image = DrawImage(p, rect, item, format);
  if (image > 0) rect.setLeft(rect.left() + image + kMargin);
  const int check = DrawCheck(p, rect, item, format);
  if (check > 0) rect.setLeft(rect.left() + check + kMargin);
  const int text = DrawSubItemText(p, rect, item, format);
  return rect.left() - left + text;
}

int CReportCtrl::DrawTreeButton(QPainter& p, const QRect& rect, bool expanded) {
  QRect box(0, 0, 9, 9);
  box.moveCenter(rect.center());
  p.fillRect(box, sysColors_[kShadow]);
  p.fillRect(box.adjusted(1, 1, -1, -1), sysColors_[kWindow]);
  p.setPen(sysColors_[kText]);
  const QPoint c = box.center();
  p.drawLine(c.x() - 2, c.y(), c.x() + 2, c.y());
  if (!expanded) p.drawLine(c.x(), c.y() - 2, c.x(), c.y() + 2);
  return rect.width();
}

// The control has no image list: cells with an image, and columns that reserve image space, take
// the list's image width (none).
int CReportCtrl::DrawImage(QPainter&, const QRect&, const RVITEM& item, std::uint32_t format) {
  if (item.iImage < 0 && !(format & RVCF_SUBITEM_IMAGE)) return 0;
  return imageSize_.width();
}

int CReportCtrl::DrawCheck(QPainter& p, const QRect& rect, const RVITEM& item, std::uint32_t format) {
  if (item.iCheck < 0) return format & RVCF_SUBITEM_CHECK ? checkSize_.width() : 0;
  if (rect.width() > checkSize_.width()) {
    QStyleOptionButton o;
    o.initFrom(this);
    o.rect = QRect(rect.left(), rect.top() + (rect.height() - checkSize_.height()) / 2, checkSize_.width(),
                   checkSize_.height());
    o.state &= ~QStyle::State_HasFocus;
    o.state |= QStyle::State_Enabled;
    const int c = item.iCheck;
    const bool radio = c >= 4;
    const bool on = c == 1 || c == 3 || c == 5 || c == 7;
    o.state |= on ? QStyle::State_On : QStyle::State_Off;
    style()->drawPrimitive(radio ? QStyle::PE_IndicatorRadioButton : QStyle::PE_IndicatorCheckBox, &o, &p, this);
  }
  return checkSize_.width();
}

int CReportCtrl::DrawSubItemText(QPainter& p, const QRect& rect, const RVITEM& item, std::uint32_t format) {
  if (!(item.nMask & RVIM_TEXT) || rect.width() <= 0) return 0;
  const std::uint32_t align = format & RVCF_ALIGNMASK;
  if (align == 3) return 0;
  const Qt::Alignment h = align == 1 ? Qt::AlignRight : align == 2 ? Qt::AlignHCenter : Qt::AlignLeft;
  const QFontMetrics fm = p.fontMetrics();
  p.drawText(rect, int(h | Qt::AlignVCenter | Qt::TextSingleLine),
             fm.elidedText(item.strText, Qt::ElideRight, rect.width()));
  return std::clamp(fm.horizontalAdvance(item.strText), 0, rect.width());
}

QRect CReportCtrl::CellTextRect(int row, int subItem) {
  QRect r = CellRect(row, subItem);
  if (r.isEmpty()) return r;
  r.adjust(kMargin, 0, -kMargin, 0);
  RVITEM item;
  if (!ReadCell(row, subItem, item)) return r;
  const std::uint32_t format = subItems_[std::size_t(subItem)].nFormat;
  const int image = item.iImage >= 0 || (format & RVCF_SUBITEM_IMAGE) ? imageSize_.width() : 0;
  if (image > 0) r.setLeft(r.left() + image + kMargin);
  const int check = item.iCheck >= 0 || (format & RVCF_SUBITEM_CHECK) ? checkSize_.width() : 0;
  if (check > 0) r.setLeft(r.left() + check + kMargin);
  return r;
}

int CReportCtrl::CellWidth(int row, int subItem) {
  RVITEM item;
  if (!ReadCell(row, subItem, item)) return 0;
  int w = kMargin;
  if (item.iImage >= 0) w += imageSize_.width() + kMargin;
  if (item.iCheck >= 0) w += checkSize_.width() + kMargin;
  const QFontMetrics fm(item.nState & RVIS_BOLD ? boldFont_ : font_);
  if (item.nMask & RVIM_TEXT) w += fm.horizontalAdvance(item.strText);
  return w + kMargin;
}
