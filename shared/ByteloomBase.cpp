#include "shared/ByteloomBase.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimerEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kMargin = 5;          // text inset in multi-line mode
constexpr int kColumnGap = 5;       // after the address and the hex column
constexpr int kAutoScrollMs = 5;    // auto-scroll tick
constexpr int kWheelStep = 120;     // one notch of a classic wheel
constexpr char kHexDigits[] = "0123456789ABCDEF";

// Fixed pitch as the font says, or as its advances show: every character the control draws
// (0x20-0x7E) is as wide as "0" (some monospaced fonts do not say so themselves).
bool IsFixedPitch(const QFont& font) {
  if (QFontInfo(font).fixedPitch()) return true;
  const QFontMetrics fm(font);
  const int width = fm.horizontalAdvance(QLatin1Char('0'));
  if (width <= 0) return false;
  for (char c = 0x20; c <= 0x7E; ++c)
    if (fm.horizontalAdvance(QLatin1Char(c)) != width) return false;
  return true;
}

QFont SystemFixedFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  if (IsFixedPitch(font)) return font;
  font = QFont(QStringLiteral("Monospace"));
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  return font;
}

bool IsPrintable(unsigned char byte) { return byte >= 0x20 && byte <= 0x7E; }

}  // namespace

CByteloomBase::CByteloomBase(QWidget* parent) : QAbstractScrollArea(parent), font_(SystemFixedFont()) {
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setAutoFillBackground(false);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setCursor(Qt::IBeamCursor);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

CByteloomBase::~CByteloomBase() = default;

bool CByteloomBase::IsFixedPitchFont(const QFont& font) { return IsFixedPitch(font); }

// ---- settings ----

void CByteloomBase::SetMultiLine(bool multiLine) {
  if (multiLine_ == multiLine) return;
  multiLine_ = multiLine;
  setVerticalScrollBarPolicy(multiLine ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(multiLine ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  StopAutoScroll();
  MarkDirty();
}

void CByteloomBase::SetData(const void* data, std::size_t size) {
  data_.clear();
  if (data && size == static_cast<std::size_t>(kBlockSize))
    data_ = QByteArray(static_cast<const char*>(data), kBlockSize);
  ClearSelectionState();
  caretByte_ = 0;
  caretHigh_ = true;
  topRow_ = 0;
  hpos_ = 0;
  MarkDirty();
}

void CByteloomBase::SetBytesPerRow(int count, bool autoFit) {
  count = std::max(1, count);
  if (count == bytesPerRowSetting_ && autoFit == autoFit_) return;
  bytesPerRowSetting_ = count;
  autoFit_ = autoFit;
  MarkDirty();
}

void CByteloomBase::ShowAddressColumn(bool show) {
  if (show == showAddress_) return;
  showAddress_ = show;
  MarkDirty();
}

void CByteloomBase::ShowAsciiColumn(bool show) {
  if (show == showAscii_) return;
  showAscii_ = show;
  MarkDirty();
}

void CByteloomBase::SetAddressDigits(int digits) {
  digits = std::clamp(digits, 1, 16);
  if (digits == addressDigits_) return;
  addressDigits_ = digits;
  MarkDirty();
}

void CByteloomBase::SetReadOnly(bool readOnly, bool repaint) {
  readOnly_ = readOnly;
  if (repaint) viewport()->update();
}

bool CByteloomBase::SetControlFont(const QFont& font, bool repaint) {
  if (!IsFixedPitch(font)) return false;
  font_ = font;
  layoutDirty_ = true;
  ScheduleScrollBarUpdate();
  if (repaint) viewport()->update();
  return true;
}

void CByteloomBase::SetSelection(int start, int end, bool scrollIntoView, bool repaint) {
  const int size = DataSize();
  if (start < 0 || end < 0 || size == 0) {
    start = end = -1;
  } else {
    if (start > end) std::swap(start, end);
    start = std::min(start, size - 1);
    end = std::min(end, size - 1);
  }
  if (start == selStart_ && end == selEnd_) return;
  selStart_ = start;
  selEnd_ = end;
  if (scrollIntoView && start >= 0) {
    EnsureLayout();
    const int row = start / layout_.bytesPerRow;
    const int visible = std::max(1, layout_.fullRows);
    if (row < topRow_) SetTopRow(row);
    else if (row >= topRow_ + visible) SetTopRow(row - visible + 1);
  }
  if (repaint) viewport()->update();
}

void CByteloomBase::UpdateCaret() {
  if (HasData()) viewport()->update();
}

void CByteloomBase::MarkDirty() {
  layoutDirty_ = true;
  ScheduleScrollBarUpdate();
  viewport()->update();
}

// ---- layout ----

void CByteloomBase::EnsureLayout() const {
  if (layoutDirty_) ComputeLayout();
}

void CByteloomBase::ComputeLayout() const {
  Layout l;
  const QFontMetrics fm(font_);
  // A whole pixel at least as wide as "0": every character is drawn in a cell of its own.
  l.charWidth = std::max(1, static_cast<int>(std::ceil(QFontMetricsF(font_).horizontalAdvance(QLatin1Char('0')) - 0.01)));
  l.rowHeight = std::max(1, fm.height());

  QRect text = viewport()->rect();
  if (multiLine_) {
    text.adjust(kMargin, kMargin, -kMargin, -kMargin);
    if (text.width() < 0) text.setWidth(0);
    if (text.height() < 0) text.setHeight(0);
  }
  l.text = text;

  l.fullRows = text.height() / l.rowHeight;
  const int rest = text.height() % l.rowHeight;
  l.rows = l.fullRows + (rest ? 1 : 0);
  l.lastRowHeight = rest ? rest : l.rowHeight;

  const int cw = l.charWidth;
  l.addressWidth = showAddress_ ? addressDigits_ * cw + kColumnGap : 0;

  const int size = DataSize();
  int bytes = bytesPerRowSetting_;
  if (!multiLine_) {
    bytes = size;
  } else if (autoFit_) {
    const int free = text.width() - l.addressWidth;
    if (showAscii_) {
      const int room = free - kColumnGap;
      if (room < 0) {
        bytes = 1;
      } else {
        bytes = room / (4 * cw);
        if (room % (4 * cw) >= 3 * cw) ++bytes;
      }
    } else if (free < 0) {
      bytes = 1;
    } else {
      bytes = free / (3 * cw);
      if (free % (3 * cw) >= 2 * cw) ++bytes;
    }
  }
  l.bytesPerRow = std::max(1, bytes);

  const int hexSpan = cw * (3 * l.bytesPerRow - 1);
  l.hexLeft = l.addressWidth;
  l.hexWidth = hexSpan + kColumnGap;
  if (showAscii_) {
    l.charLeft = l.hexLeft + hexSpan + kColumnGap;
    l.charWidth2 = l.bytesPerRow * cw;
    l.totalWidth = l.charLeft + l.charWidth2 + kColumnGap;
  } else {
    l.totalWidth = l.hexLeft + l.hexWidth + kColumnGap;
  }

  const int dataRows = (size + l.bytesPerRow - 1) / l.bytesPerRow;
  l.maxTop = std::max(0, dataRows - l.fullRows);
  l.maxH = std::max(0, l.totalWidth - text.width());

  layout_ = l;
  layoutDirty_ = false;
  auto* self = const_cast<CByteloomBase*>(this);
  self->topRow_ = std::clamp(topRow_, 0, l.maxTop);
  self->hpos_ = std::clamp(hpos_, 0, l.maxH);
  self->ScheduleScrollBarUpdate();
}

int CByteloomBase::CharWidth() const { EnsureLayout(); return layout_.charWidth; }
int CByteloomBase::RowHeight() const { EnsureLayout(); return layout_.rowHeight; }
QRect CByteloomBase::TextRect() const { EnsureLayout(); return layout_.text; }
int CByteloomBase::FullRows() const { EnsureLayout(); return layout_.fullRows; }
int CByteloomBase::RowCount() const { EnsureLayout(); return layout_.rows; }
int CByteloomBase::BytesPerRow() const { EnsureLayout(); return layout_.bytesPerRow; }
int CByteloomBase::AddressWidth() const { EnsureLayout(); return layout_.addressWidth; }
int CByteloomBase::HexLeft() const { EnsureLayout(); return layout_.hexLeft; }
int CByteloomBase::HexWidth() const { EnsureLayout(); return layout_.hexWidth; }
int CByteloomBase::CharLeft() const { EnsureLayout(); return layout_.charLeft; }
int CByteloomBase::CharColumnWidth() const { EnsureLayout(); return layout_.charWidth2; }
int CByteloomBase::MaxTopRow() const { EnsureLayout(); return layout_.maxTop; }
int CByteloomBase::MaxHorizontalPosition() const { EnsureLayout(); return layout_.maxH; }

QSize CByteloomBase::SizeForRows(int bytesPerRow, int rows) const {
  EnsureLayout();
  const int cw = layout_.charWidth;
  const int bytes = std::max(1, bytesPerRow);
  int width = (showAddress_ ? addressDigits_ * cw + kColumnGap : 0) + cw * (3 * bytes - 1) + kColumnGap;
  if (showAscii_) width += bytes * cw + kColumnGap;
  int height = std::max(1, rows) * layout_.rowHeight;
  if (multiLine_) {
    width += 2 * kMargin + verticalScrollBar()->sizeHint().width();
    height += 2 * kMargin;
  }
  return QSize(width + 2 * frameWidth(), height + 2 * frameWidth());
}

// The scroll bars follow the layout through a queued update, as the layout may run inside a paint.
void CByteloomBase::ScheduleScrollBarUpdate() {
  if (scrollUpdatePending_) return;
  scrollUpdatePending_ = true;
  QMetaObject::invokeMethod(this, &CByteloomBase::UpdateScrollBars, Qt::QueuedConnection);
}

void CByteloomBase::UpdateScrollBars() {
  scrollUpdatePending_ = false;
  if (!multiLine_) return;
  EnsureLayout();
  syncingBars_ = true;
  QScrollBar* v = verticalScrollBar();
  v->setPageStep(std::max(1, layout_.fullRows));
  v->setSingleStep(1);
  v->setRange(0, layout_.maxTop);
  v->setValue(topRow_);
  v->setEnabled(layout_.maxTop > 0);
  QScrollBar* h = horizontalScrollBar();
  h->setPageStep(std::max(1, layout_.text.width()));
  h->setSingleStep(layout_.charWidth);
  h->setRange(0, layout_.maxH);
  h->setValue(hpos_);
  syncingBars_ = false;
}

void CByteloomBase::scrollContentsBy(int, int) {
  if (syncingBars_ || !multiLine_) return;
  EnsureLayout();
  topRow_ = std::clamp(verticalScrollBar()->value(), 0, layout_.maxTop);
  hpos_ = std::clamp(horizontalScrollBar()->value(), 0, layout_.maxH);
  viewport()->update();
}

void CByteloomBase::SetTopRow(int row) {
  EnsureLayout();
  row = std::clamp(row, 0, layout_.maxTop);
  if (row == topRow_) return;
  topRow_ = row;
  ScheduleScrollBarUpdate();
  viewport()->update();
}

void CByteloomBase::SetHorizontalPosition(int pos) {
  EnsureLayout();
  pos = std::clamp(pos, 0, layout_.maxH);
  if (pos == hpos_) return;
  hpos_ = pos;
  ScheduleScrollBarUpdate();
  viewport()->update();
}

// ---- painting ----

QRect CByteloomBase::CaretRect() const {
  if (!HasData() || !hasFocus()) return {};
  EnsureLayout();
  const Layout& l = layout_;
  const int row = caretByte_ / l.bytesPerRow - topRow_;
  if (row < 0 || row >= l.rows) return {};
  const bool partial = row == l.rows - 1 && l.lastRowHeight != l.rowHeight;
  const int height = (partial ? l.lastRowHeight : l.rowHeight) - 1;
  const int column = caretByte_ % l.bytesPerRow;
  const int x = l.text.left() + l.hexLeft + (column * 3 + (caretHigh_ ? 0 : 1)) * l.charWidth - hpos_;
  const int y = l.text.top() + row * l.rowHeight + 1;
  const int right = std::min(x + l.charWidth, l.text.right() + 1 + 2);
  if (right <= x || height <= 0) return {};
  return QRect(x, y, right - x, height);
}

void CByteloomBase::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), WindowBackground());
  if (!HasData()) return;
  EnsureLayout();
  painter.setFont(font_);
  painter.save();
  painter.setClipRect(layout_.text.adjusted(-2, 0, 2, 0));
  PaintRows(painter);
  painter.restore();
  const QRect caret = CaretRect();
  if (!caret.isEmpty()) {
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    painter.fillRect(caret, Qt::white);
  }
}

void CByteloomBase::PaintRows(QPainter& painter) const {
  const Layout& l = layout_;
  const QFontMetrics fm(font_);
  const int cw = l.charWidth;
  const int size = DataSize();
  const auto* bytes = reinterpret_cast<const unsigned char*>(data_.constData());
  const int x0 = l.text.left() - hpos_;
  const bool focused = hasFocus();
  const bool showSelection = selStart_ >= 0 && (focused || multiLine_);
  const QPalette::ColorGroup group = focused ? QPalette::Active : QPalette::Inactive;
  const QColor selBack = focused ? palette().color(group, QPalette::Highlight) : palette().color(group, QPalette::Button);
  const QColor selText =
      focused ? palette().color(group, QPalette::HighlightedText) : palette().color(group, QPalette::WindowText);

  for (int r = 0; r < l.rows; ++r) {
    const int first = (topRow_ + r) * l.bytesPerRow;
    if (first >= size) break;
    const int count = std::min(l.bytesPerRow, size - first);
    const int y = l.text.top() + r * l.rowHeight;
    const int baseline = y + fm.ascent();

    if (showAddress_) {
      const QString address = QStringLiteral("%1").arg(first, addressDigits_, 16, QLatin1Char('0')).toUpper();
      painter.fillRect(QRect(x0, y, addressDigits_ * cw, l.rowHeight), AddressBackground());
      painter.setPen(AddressText());
      for (int i = 0; i < address.size(); ++i) painter.drawText(QPoint(x0 + i * cw, baseline), QString(address[i]));
    }

    const int hexX = x0 + l.hexLeft;
    painter.fillRect(QRect(hexX, y, cw * (3 * count - 1), l.rowHeight), HexBackground());
    int selFirst = -1, selLast = -1;
    if (showSelection) {
      selFirst = std::max(selStart_, first) - first;
      selLast = std::min(selEnd_, first + count - 1) - first;
      if (selFirst > selLast) selFirst = selLast = -1;
    }
    if (selFirst >= 0)
      painter.fillRect(QRect(hexX + selFirst * 3 * cw, y, (3 * (selLast - selFirst) + 2) * cw, l.rowHeight), selBack);
    for (int i = 0; i < count; ++i) {
      const unsigned char b = bytes[first + i];
      painter.setPen(i >= selFirst && i <= selLast && selFirst >= 0 ? selText : HexText());
      const int x = hexX + i * 3 * cw;
      painter.drawText(QPoint(x, baseline), QString(QLatin1Char(kHexDigits[b >> 4])));
      painter.drawText(QPoint(x + cw, baseline), QString(QLatin1Char(kHexDigits[b & 0x0F])));
    }

    if (showAscii_) {
      const int charX = x0 + l.charLeft;
      QString text(count, QLatin1Char('.'));
      for (int i = 0; i < count; ++i) {
        const unsigned char b = bytes[first + i];
        if (IsPrintable(b)) text[i] = QLatin1Char(static_cast<char>(b));
      }
      painter.fillRect(QRect(charX, y, count * cw, l.rowHeight), CharBackground());
      painter.setPen(CharText());
      for (int i = 0; i < count; ++i) painter.drawText(QPoint(charX + i * cw, baseline), QString(text[i]));
    }
  }
}

void CByteloomBase::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  MarkDirty();
}

// ---- focus ----

void CByteloomBase::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void CByteloomBase::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

// ---- keys ----

bool CByteloomBase::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    // Ctrl+A, Ctrl+C and Ctrl+V belong to the control, not to a window's accelerators.
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier &&
        (key->key() == Qt::Key_A || key->key() == Qt::Key_C || key->key() == Qt::Key_V)) {
      event->accept();
      return true;
    }
  }
  return QAbstractScrollArea::event(event);
}

bool CByteloomBase::viewportEvent(QEvent* event) { return QAbstractScrollArea::viewportEvent(event); }

void CByteloomBase::ClearSelectionState() {
  selStart_ = selEnd_ = -1;
  dragAnchor_ = dragEnd_ = -1;
}

void CByteloomBase::ScrollCaretIntoView() {
  EnsureLayout();
  const Layout& l = layout_;
  const int row = caretByte_ / l.bytesPerRow;
  const int visible = std::max(1, l.fullRows);
  if (row < topRow_) SetTopRow(row);
  else if (row >= topRow_ + visible) SetTopRow(row - visible + 1);
  const int x = l.hexLeft + ((caretByte_ % l.bytesPerRow) * 3 + (caretHigh_ ? 0 : 1)) * l.charWidth;
  if (x < hpos_) SetHorizontalPosition(x);
  else if (x + l.charWidth > hpos_ + l.text.width()) SetHorizontalPosition(x + l.charWidth - l.text.width());
}

void CByteloomBase::MoveCaret(int byte, bool high, bool extend) {
  const int size = DataSize();
  if (byte >= size) {
    byte = size - 1;
    high = false;
  } else if (byte < 0) {
    byte = 0;
    high = true;
  }
  caretByte_ = byte;
  caretHigh_ = high;
  if (!extend) {
    ClearSelectionState();
  } else if (dragAnchor_ >= 0) {
    SetSelection(dragAnchor_, caretByte_, false, false);
  }
  ScrollCaretIntoView();
  viewport()->update();
}

void CByteloomBase::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  if (mods == Qt::ControlModifier) {
    switch (event->key()) {
      case Qt::Key_A: SelectAll(); return;
      case Qt::Key_C: Copy(); return;
      case Qt::Key_V: Paste(); return;
      default: break;
    }
  }
  if (!HasData()) {
    event->accept();
    return;
  }
  EnsureLayout();
  const int bpr = layout_.bytesPerRow;
  const bool shift = mods & Qt::ShiftModifier;
  const int key = event->key();
  const bool isMove = key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Home ||
                      key == Qt::Key_End || key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up ||
                      key == Qt::Key_Down;
  if (isMove) {
    if (shift && dragAnchor_ < 0) dragAnchor_ = caretByte_;
    int byte = caretByte_;
    bool high = caretHigh_;
    const int page = std::max(1, layout_.fullRows - 1) * bpr;
    switch (key) {
      case Qt::Key_PageUp: byte -= page; break;
      case Qt::Key_PageDown: byte += page; break;
      case Qt::Key_Home: byte = 0; high = true; break;
      case Qt::Key_End: byte = DataSize() - 1; high = false; break;
      case Qt::Key_Left:
        if (high) { --byte; high = false; } else { high = true; }
        break;
      case Qt::Key_Right:
        if (high) { high = false; } else { ++byte; high = true; }
        break;
      case Qt::Key_Up: byte -= bpr; break;
      case Qt::Key_Down: byte += bpr; break;
      default: break;
    }
    MoveCaret(byte, high, shift);
    event->accept();
    return;
  }

  // Typing: a hex digit overwrites the caret's nibble.
  const QString text = event->text();
  event->accept();
  if (text.isEmpty() || (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) return;
  const char16_t ch = text.front().unicode();
  if (ch == u'\b' || ch >= 256) return;
  int value = -1;
  if (ch >= u'0' && ch <= u'9') value = ch - u'0';
  else if (ch >= u'a' && ch <= u'f') value = ch - u'a' + 10;
  else if (ch >= u'A' && ch <= u'F') value = ch - u'A' + 10;
  if (value >= 0) TypeNibble(value);
}

void CByteloomBase::TypeNibble(int value) {
  if (!HasData() || readOnly_) return;
  auto& byte = reinterpret_cast<unsigned char&>(data_.data()[caretByte_]);
  if (caretHigh_) {
    byte = static_cast<unsigned char>((byte & 0x0F) | (value << 4));
    caretHigh_ = false;
  } else {
    byte = static_cast<unsigned char>((byte & 0xF0) | value);
    if (caretByte_ < DataSize() - 1) {
      ++caretByte_;
      caretHigh_ = true;
    }
  }
  ScrollCaretIntoView();
  viewport()->update();
  emit changed();
}

// ---- mouse ----

CByteloomBase::Hit CByteloomBase::HitTest(const QPoint& point) const {
  Hit hit;
  if (!HasData()) return hit;
  EnsureLayout();
  const Layout& l = layout_;
  const int cw = l.charWidth;
  int x = point.x() + hpos_ + cw / 2 - (multiLine_ ? kMargin : 0);
  int row = (point.y() - l.text.top());
  row = row < 0 ? 0 : row / l.rowHeight;
  row = std::clamp(row, 0, std::max(0, l.rows - 1));
  x = std::clamp(x - l.hexLeft, 0, std::max(0, cw * (3 * l.bytesPerRow - 1) - 1));
  const int c = x / cw;
  hit.high = c % 3 == 0;
  hit.byte = c / 3 + (row + topRow_) * l.bytesPerRow;
  if (hit.byte >= DataSize()) {
    hit.byte = DataSize() - 1;
    hit.high = false;
  }
  return hit;
}

void CByteloomBase::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  setFocus(Qt::MouseFocusReason);
  if (!HasData()) return;
  const QPoint p = event->position().toPoint();
  const Hit hit = HitTest(p);
  caretByte_ = hit.byte;
  caretHigh_ = hit.high;
  const QSize drag(QApplication::startDragDistance() * 2, QApplication::startDragDistance() * 2);
  dragRect_ = QRect(p - QPoint(drag.width() / 2, drag.height() / 2), drag);
  selStart_ = selEnd_ = -1;
  dragEnd_ = -1;
  dragAnchor_ = caretByte_;
  ScrollCaretIntoView();
  viewport()->update();
}

void CByteloomBase::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !HasData()) return;
  const Hit hit = HitTest(event->position().toPoint());
  caretByte_ = hit.byte;
  caretHigh_ = hit.high;
  dragAnchor_ = hit.byte;
  selStart_ = selEnd_ = hit.byte;
  viewport()->update();
}

void CByteloomBase::ExtendDragSelection(const QPoint& point) {
  const Hit hit = HitTest(point);
  caretByte_ = hit.byte;
  caretHigh_ = hit.high;
  dragEnd_ = hit.byte;
  SetSelection(dragAnchor_, dragEnd_, false, false);
  viewport()->update();
}

void CByteloomBase::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton) || dragAnchor_ < 0 || !HasData()) return;
  const QPoint p = event->position().toPoint();
  if (dragRect_.isValid()) {
    if (dragRect_.contains(p)) return;
    dragRect_ = QRect();
  }
  EnsureLayout();
  const QRect& text = layout_.text;
  if (multiLine_ && (p.y() < text.top() || p.y() > text.bottom())) {
    const int d = p.y() < text.top() ? text.top() - p.y() : p.y() - text.bottom();
    autoScrollStep_ = p.y() < text.top() ? -1 : 1;
    autoScrollTicks_ = 7 - std::min((d + 1) / 5, 6);
    autoScrollPoint_ = p;
    if (!autoScroll_.isActive()) {
      autoScrollCountdown_ = autoScrollTicks_;
      autoScroll_.start(kAutoScrollMs, this);
    }
  } else {
    StopAutoScroll();
  }
  ExtendDragSelection(p);
}

void CByteloomBase::timerEvent(QTimerEvent* event) {
  if (event->timerId() != autoScroll_.timerId()) {
    QAbstractScrollArea::timerEvent(event);
    return;
  }
  if (!HasData() || dragAnchor_ < 0) {
    StopAutoScroll();
    return;
  }
  if (--autoScrollCountdown_ > 0) return;
  autoScrollCountdown_ = autoScrollTicks_;
  SetTopRow(topRow_ + autoScrollStep_);
  ExtendDragSelection(autoScrollPoint_);
}

void CByteloomBase::StopAutoScroll() { autoScroll_.stop(); }

void CByteloomBase::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  StopAutoScroll();
  viewport()->update();
}

void CByteloomBase::wheelEvent(QWheelEvent* event) {
  event->accept();
  if (!HasData()) return;
  // Fine-grained wheels send steps under one notch: they add up.
  wheelAccumulated_ += event->angleDelta().y();
  const int rows = wheelAccumulated_ / kWheelStep;
  if (rows == 0) return;
  wheelAccumulated_ -= rows * kWheelStep;
  SetTopRow(topRow_ - rows);
}

// ---- context menu and clipboard ----

void CByteloomBase::OnContextMenu(QMenu*, const QPoint&) {}

void CByteloomBase::contextMenuEvent(QContextMenuEvent* event) {
  event->accept();
  QPoint point;
  if (event->reason() == QContextMenuEvent::Keyboard) {
    point = QPoint(5, 5);
  } else {
    point = event->pos();
    if (HasData()) {
      const Hit hit = HitTest(point);
      if (!(selStart_ >= 0 && hit.byte >= selStart_ && hit.byte <= selEnd_)) {
        ClearSelectionState();
        caretByte_ = hit.byte;
        caretHigh_ = true;
        viewport()->update();
      }
    }
  }
  if (menu_) menu_->close();
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  QAction* copy = menu->addAction(QString::fromUtf16(u"복사"), this, &CByteloomBase::Copy);
  copy->setEnabled(CanCopy());
  QAction* paste = menu->addAction(QString::fromUtf16(u"붙여넣기"), this, &CByteloomBase::Paste);
  paste->setEnabled(CanPaste());
  menu_ = menu;
  OnContextMenu(menu, point);
  if (menu_) menu->popup(viewport()->mapToGlobal(point));
}

QMimeData* CByteloomBase::SelectionMimeData() const {
  auto* mime = new QMimeData;
  if (!CanCopy()) return mime;
  const int n = selEnd_ - selStart_ + 1;
  QByteArray payload(4, '\0');
  for (int i = 0; i < 4; ++i) payload[i] = static_cast<char>((static_cast<quint32>(n) >> (8 * i)) & 0xFF);
  payload.append(data_.constData() + selStart_, n);
  mime->setData(QString::fromLatin1(kMimeType), payload);

  // Hex rows as the view shows them; a selection longer than a row starts at its own column.
  EnsureLayout();
  const int bpr = layout_.bytesPerRow;
  const int offset = n > bpr + 1 ? selStart_ % bpr : 0;
  QString text(3 * offset, QLatin1Char(' '));
  for (int i = 0; i < n; ++i) {
    const int column = (offset + i) % bpr;
    if (i > 0) text += column == 0 ? QLatin1Char('\n') : QLatin1Char(' ');
    const auto b = static_cast<unsigned char>(data_[selStart_ + i]);
    text += QLatin1Char(kHexDigits[b >> 4]);
    text += QLatin1Char(kHexDigits[b & 0x0F]);
  }
  text += QLatin1Char('\n');
  mime->setText(text);
  return mime;
}

void CByteloomBase::Copy() {
  if (!CanCopy()) return;
  QGuiApplication::clipboard()->setMimeData(SelectionMimeData());
}

bool CByteloomBase::CanPaste() const {
  if (readOnly_ || !HasData()) return false;
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  return mime && mime->hasFormat(QString::fromLatin1(kMimeType));
}

void CByteloomBase::Paste() {
  if (!CanPaste()) return;
  const QByteArray payload = QGuiApplication::clipboard()->mimeData()->data(QString::fromLatin1(kMimeType));
  if (payload.size() < 4) return;
  quint32 stored = 0;
  for (int i = 0; i < 4; ++i) stored |= static_cast<quint32>(static_cast<unsigned char>(payload[i])) << (8 * i);
  const int target = selStart_ >= 0 ? selStart_ : caretByte_;
  const qint64 count = std::min<qint64>({static_cast<qint64>(stored), payload.size() - 4,
                                         static_cast<qint64>(DataSize() - target)});
  if (count <= 0) return;
  std::memcpy(data_.data() + target, payload.constData() + 4, static_cast<std::size_t>(count));
  const int last = target + static_cast<int>(count) - 1;
  selStart_ = target;
  selEnd_ = last;
  dragAnchor_ = -1;
  dragEnd_ = -1;
  caretByte_ = last;
  caretHigh_ = false;
  ScrollCaretIntoView();
  viewport()->update();
  emit changed();
}

void CByteloomBase::SelectAll() {
  if (!HasData()) return;
  SetSelection(0, DataSize() - 1, false, true);
}
