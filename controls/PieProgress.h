// A 3-D pie chart of one percentage. The owner writes the fields and calls update().
#pragma once

#include <QColor>
#include <QPoint>
#include <QWidget>

class CPieProgress : public QWidget {
  Q_OBJECT

 public:
  explicit CPieProgress(QWidget* parent = nullptr);

  int m_nUpper = 100;
  int m_nLower = 0;
  int m_nPos = 0;
  // The share of the position and the rest; invalid colours take the palette's highlight and mid tones.
  QColor m_crFirst;
  QColor m_crSecond;

  // Percentage 0..100 of the position, or -1 when nothing is drawn (empty range, position outside it).
  int Percent() const;
  // Point on the rim of the face centred at faceY where the first colour's share ends.
  QPoint BoundaryPoint(int percent, int faceY) const;
  QColor FirstColour() const;
  QColor SecondColour() const;

  QSize sizeHint() const override { return QSize(200, 120); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void DrawFace(class QPainter& painter, int percent, int faceY) const;
};
