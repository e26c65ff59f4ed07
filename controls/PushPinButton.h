// Push-pin button: shows one image of a strip and toggles between pinned and unpinned on each
// click, then reports the click like any button.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

class CPushPinButton : public QAbstractButton {
  Q_OBJECT

 public:
  // Images of a full strip.
  enum PinImage : int {
    PIN_UNPINNED = 0, PIN_UNPINNED_HOT = 1, PIN_UNPINNED_PRESSED = 2,
    PIN_PINNED = 3, PIN_PINNED_HOT = 4, PIN_PINNED_PRESSED = 5,
  };
  static constexpr int kStripImages = 6;

  explicit CPushPinButton(QWidget* parent = nullptr);

  // Pinning needs a full strip of six images; with fewer the state never changes.
  void SetPinned(bool pinned);
  bool IsPinned() const { return m_nImage >= PIN_PINNED; }
  // Draws the built-in six-image strip in the palette's colours and sizes the button to one image.
  void ReloadBitmaps();
  // A strip of imageCount images side by side; refused (false) for no images or an empty pixmap.
  bool SetImageStrip(const QPixmap& strip, int imageCount);
  int ImageCount() const { return m_nImages; }
  const QPixmap& ImageStrip() const { return m_strip; }
  // The image index the state asks for, and the one drawn (clamped to the strip).
  int ImageIndex() const { return m_nImage; }
  int DrawnImage() const;
  QSize ImageSize() const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void SetImage(int index);
  void ApplyStrip(const QPixmap& strip, int imageCount);

  bool m_bPressed = false;
  int m_nImage = PIN_UNPINNED;
  bool m_bBuiltIn = true;  // the strip is ours and follows the palette
  int m_nImages = 0;
  QPixmap m_strip;
};
