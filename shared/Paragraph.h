// A paragraph of text laid out word by word in a rectangle: lines break between words, and the last
// line that fits ends in "..." when text remains.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>

#include <vector>

class QFontMetrics;
class QPainter;

// The font that stands for a dialog font of the old system: the application's family at the given
// pixel height (the named faces are not installed here; Hangul comes from the system's fallback).
QFont DialogFaceFont(int pixelHeight, int weight);

class CParagraph {
 public:
  enum Alignment { kLeft = 0, kCenter = 1, kRight = 2 };

  // One laid-out line: its text and the top-left point it is drawn at.
  struct Line {
    QString text;
    QPoint origin;
  };

  // Keeps the text and splits it into words (see Words).
  void SetText(const QString& text);
  QString Text() const { return text_; }
  // The words, each with its trailing blank: line feeds count as blanks, carriage returns are
  // dropped, and of a run of blanks only the first is kept.
  const QStringList& Words() const { return words_; }

  void SetFont(const QString& face, int height, bool bold);
  QFont Font() const { return font_; }
  QString FaceName() const { return face_; }

  void SetAlignment(int alignment) { alignment_ = alignment; }
  int Alignment() const { return alignment_; }

  void SetRect(const QRect& rect) { rect_ = rect; }
  QRect Rect() const { return rect_; }

  // The lines for the rectangle, measured with the given font metrics. No lines for a rectangle
  // without width or height.
  std::vector<Line> Layout(const QFontMetrics& metrics) const;
  // Draws the lines with the painter's current font and pen.
  void Draw(QPainter& painter) const;

 private:
  int alignment_ = kLeft;
  QStringList words_;
  QString text_;
  QFont font_;
  QString face_;
  int height_ = 0;
  int weight_ = 400;
  QRect rect_;
};
