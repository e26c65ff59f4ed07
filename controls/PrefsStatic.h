// Caption static: a band shading from the button face at the right edge to black at the left,
// an embossed constant text at its right end and the window text as caption at its left.
#pragma once

#include <QImage>
#include <QLabel>
#include <QString>

class CPrefsStatic : public QLabel {
  Q_OBJECT

 public:
  explicit CPrefsStatic(QWidget* parent = nullptr);

  // An empty face uses the parent's font for the caption.
  void SetFontName(const QString& face);
  void SetFontSize(int height);
  void SetFontWeight(int weight);
  // The caption colour; an invalid colour takes the palette's button face.
  void SetTextColor(const QColor& colour);
  void SetConstantText(const QString& text);
  QString GetConstantText() const { return m_strConstantText; }

  QFont CaptionFont() const;
  QFont ConstantTextFont() const;
  QColor TextColor() const;
  // The background band at the current size (empty at width or height 0).
  const QImage& Background();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildBackground();

  QString m_strFontName;
  int m_nFontSize = 12;
  int m_nFontWeight = 400;
  QColor m_crText;
  QString m_strConstantText;
  QImage m_background;
  bool m_bBackgroundValid = false;
};
