// Progress bar with a centred percentage text that reads in inverse colours where the bar covers it.
#pragma once

#include <QString>
#include <QWidget>

class CTextProgressCtrl : public QWidget {
  Q_OBJECT

 public:
  explicit CTextProgressCtrl(QWidget* parent = nullptr);

  void SetRange(int lower, int upper);
  void GetRange(int& lower, int& upper) const;
  int GetPos() const { return m_nPos; }
  int SetPos(int pos);  // old position
  int OffsetPos(int delta);
  int SetStep(int step);  // old step
  int StepIt();           // old position
  // Moves to pos and repaints at once, but only when the bar's width in pixels changes; the old position.
  int SetPosAndRedraw(int pos);

  // An empty text shows the percentage.
  void SetWindowText(const QString& text);
  QString GetWindowText() const { return m_strText; }
  void SetShowText(bool show);
  bool GetShowText() const { return m_bShowText; }

  // Position as a fraction of the range, clamped to 0..1; 0 for an empty range.
  double Fraction() const;
  // Bar width in pixels for the current size; -1 for an empty range.
  int BarWidth() const;
  // The text drawn over the bar ("50%" or the custom text).
  QString DisplayText() const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  int m_nPos = 0;
  int m_nStep = 1;
  int m_nUpper = 100;
  int m_nLower = 0;
  QString m_strText;
  bool m_bShowText = true;
  int m_nBarWidth = -1;  // width last drawn, -1 unknown
};
