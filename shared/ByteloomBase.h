// Hex edit control: one block of exactly 512 bytes (a sector) in up to three columns (row
// addresses, hexadecimal bytes, printable characters). Typing overwrites nibbles and paste
// overwrites bytes in place; the size never changes.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QMenu>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>

#include <cstddef>
#include <cstdint>

class QMimeData;

class CByteloomBase : public QAbstractScrollArea {
  Q_OBJECT

 public:
  static constexpr int kBlockSize = 512;
  // Clipboard form of copied bytes: a 32-bit little-endian count, then the bytes.
  static constexpr const char* kMimeType = "application/x-binarydata";

  explicit CByteloomBase(QWidget* parent = nullptr);
  ~CByteloomBase() override;

  // Multi-line mode: margins, scroll bars, auto-fit and auto-scroll. Without it the control shows
  // a single row holding every byte. Off at construction.
  void SetMultiLine(bool multiLine);
  bool IsMultiLine() const { return multiLine_; }

  // Exactly 512 bytes are copied; any other size, or null, leaves the control without data.
  void SetData(const void* data, std::size_t size);
  bool HasData() const { return !data_.isEmpty(); }
  int DataSize() const { return static_cast<int>(data_.size()); }
  QByteArray Data() const { return data_; }

  void SetBytesPerRow(int count, bool autoFit);
  void ShowAddressColumn(bool show);
  void ShowAsciiColumn(bool show);
  void SetAddressDigits(int digits);
  int BytesPerRowSetting() const { return bytesPerRowSetting_; }
  bool IsAutoFit() const { return autoFit_; }
  bool IsAddressShown() const { return showAddress_; }
  bool IsAsciiShown() const { return showAscii_; }
  int AddressDigits() const { return addressDigits_; }

  // Orders start and end; -1 in either clears the selection; indices at or past the size clamp to
  // the last byte.
  void SetSelection(int start, int end, bool scrollIntoView = false, bool repaint = true);
  bool HasSelection() const { return selStart_ >= 0; }
  int SelectionStart() const { return selStart_; }
  int SelectionEnd() const { return selEnd_; }

  int CaretByte() const { return caretByte_; }
  bool CaretOnHighNibble() const { return caretHigh_; }
  void UpdateCaret();

  virtual void SetReadOnly(bool readOnly, bool repaint = true);
  bool IsReadOnly() const { return readOnly_; }

  // Only a fixed-pitch font is taken (false otherwise, the font in use stays).
  bool SetControlFont(const QFont& font, bool repaint = true);
  // Fixed pitch as the font reports it, or with every character of 0x20-0x7E as wide as "0".
  static bool IsFixedPitchFont(const QFont& font);
  QFont ControlFont() const { return font_; }

  // The clipboard commands of the context menu and of Ctrl+C, Ctrl+V and Ctrl+A.
  void Copy();
  void Paste();
  void SelectAll();
  bool CanCopy() const { return HasData() && HasSelection(); }
  bool CanPaste() const;
  // The selected bytes as the clipboard carries them (empty without a selection).
  QMimeData* SelectionMimeData() const;

  // Colours other than the selection's, which come from the palette.
  static QColor AddressBackground() { return QColor(90, 0, 0); }
  static QColor AddressText() { return QColor(255, 0, 0); }
  static QColor CharBackground() { return QColor(0, 20, 0); }
  static QColor CharText() { return QColor(0, 255, 0); }
  static QColor HexText() { return QColor(0, 0, 255); }
  static QColor HexBackground() { return QColor(180, 210, 190); }
  static QColor WindowBackground() { return QColor(210, 210, 210); }

  // Layout results for the present size (laid out first when needed), in viewport pixels.
  int CharWidth() const;
  int RowHeight() const;
  QRect TextRect() const;
  int FullRows() const;
  int RowCount() const;  // full rows and a partial one
  int BytesPerRow() const;
  int AddressWidth() const;
  int HexLeft() const;
  int HexWidth() const;
  int CharLeft() const;
  int CharColumnWidth() const;
  int TopRow() const { return topRow_; }
  int MaxTopRow() const;
  int HorizontalPosition() const { return hpos_; }
  int MaxHorizontalPosition() const;
  // The control's size that shows that many rows of that many bytes with the present columns
  // and mode (frame, margins and vertical scroll bar included).
  QSize SizeForRows(int bytesPerRow, int rows) const;
  // The caret's rectangle in viewport pixels; empty while it is not shown.
  QRect CaretRect() const;
  // The context menu while it is open.
  QMenu* ContextMenu() const { return menu_; }

  // The byte and nibble under a viewport point; byte -1 without data.
  struct Hit {
    int byte = -1;
    bool high = true;
  };
  Hit HitTest(const QPoint& point) const;

 signals:
  // A byte was typed, or a paste wrote at least one byte.
  void changed();

 protected:
  // Receives the context menu before it opens, with the client point where it opens.
  virtual void OnContextMenu(QMenu* menu, const QPoint& clientPoint);

  bool event(QEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  struct Layout {
    int charWidth = 1, rowHeight = 1;
    QRect text;
    int fullRows = 0, lastRowHeight = 0, rows = 0;
    int bytesPerRow = 1;
    int addressWidth = 0, hexLeft = 0, hexWidth = 0, charLeft = 0, charWidth2 = 0, totalWidth = 0;
    int maxTop = 0, maxH = 0;
  };

  void MarkDirty();
  void EnsureLayout() const;
  void ComputeLayout() const;
  void ScheduleScrollBarUpdate();
  void UpdateScrollBars();
  void SetTopRow(int row);
  void SetHorizontalPosition(int pos);
  void MoveCaret(int byte, bool high, bool extend);
  void ScrollCaretIntoView();
  void ClearSelectionState();
  void ExtendDragSelection(const QPoint& point);
  void StopAutoScroll();
  void TypeNibble(int value);
  void PaintRows(QPainter& painter) const;

  bool multiLine_ = false;
  QByteArray data_;
  int bytesPerRowSetting_ = 16;
  int addressDigits_ = 8;
  int selStart_ = -1, selEnd_ = -1;
  int dragAnchor_ = -1, dragEnd_ = -1;
  int caretByte_ = 0;
  bool caretHigh_ = true;
  bool autoFit_ = false, showAddress_ = false, showAscii_ = false, readOnly_ = false;
  QFont font_;
  QRect dragRect_;
  // Auto-scroll while the pointer drags above or below the text.
  QBasicTimer autoScroll_;
  QPoint autoScrollPoint_;
  int autoScrollStep_ = 0, autoScrollTicks_ = 0, autoScrollCountdown_ = 0;
  int wheelAccumulated_ = 0;
  int topRow_ = 0, hpos_ = 0;
  bool scrollUpdatePending_ = false, syncingBars_ = false;
  mutable bool layoutDirty_ = true;
  mutable Layout layout_;
  QPointer<QMenu> menu_;
};
