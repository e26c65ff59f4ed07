#include "shared/Paragraph.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

namespace {

const QString kDots = QStringLiteral("...");

// The longest start of text that, followed by "...", is narrower than limit; with the dots.
QString CutWithDots(const QString& text, int limit, const QFontMetrics& metrics) {
  QString cut = text;
  while (!cut.isEmpty() && metrics.horizontalAdvance(cut + kDots) >= limit) cut.chop(1);
  return cut + kDots;
}

}  // namespace

QFont DialogFaceFont(int pixelHeight, int weight) {
  QFont font = QApplication::font();
  font.setPixelSize(pixelHeight > 0 ? pixelHeight : 13);
  font.setWeight(weight >= 700 ? QFont::Bold : QFont::Normal);
  return font;
}

void CParagraph::SetText(const QString& text) {
  text_ = text;
  words_.clear();
  QString normal;
  normal.reserve(text.size());
  for (QChar c : text) {
    if (c == u'\r') continue;
    if (c == u'\n') c = u' ';
    if (c == u' ' && normal.endsWith(u' ')) continue;
    normal += c;
  }
  qsizetype start = 0;
  for (qsizetype i = 0; i < normal.size(); ++i) {
    if (normal[i] != u' ') continue;
    words_ << normal.mid(start, i + 1 - start);
    start = i + 1;
  }
  if (start < normal.size()) words_ << normal.mid(start);
}

void CParagraph::SetFont(const QString& face, int height, bool bold) {
  face_ = face;
  height_ = height;
  weight_ = bold ? 700 : 400;
  font_ = DialogFaceFont(height_, weight_);
}

std::vector<CParagraph::Line> CParagraph::Layout(const QFontMetrics& metrics) const {
  std::vector<Line> lines;
  const int width = rect_.width();
  const int height = rect_.height();
  if (width <= 0 || height <= 0) return lines;
  const int lineHeight = metrics.height();
  const int dotsWidth = metrics.horizontalAdvance(kDots);

  auto place = [&](const QString& text, int y) {
    const int w = metrics.horizontalAdvance(text);
    int x = rect_.left() + 2;
    if (alignment_ == kCenter)
      x = rect_.left() + (width - w) / 2 + 2;
    else if (alignment_ == kRight)
      x = rect_.left() + width - w - 2;
    lines.push_back(Line{text, QPoint(x, rect_.top() + y)});
  };

  QString line;
  int x = 2;
  int y = 2;
  for (const QString& word : words_) {
    const int wordWidth = metrics.horizontalAdvance(word);
    if (x + wordWidth < width) {
      line += word;
      x += wordWidth;
      continue;
    }
    if (!line.isEmpty() && y + 2 * lineHeight < height) {
      place(line, y);
      y += lineHeight;
      line.clear();
      x = 2;
    }
    if (line.isEmpty()) {
      // A word wider than the band has a line of its own, cut to fit.
      if (x + wordWidth >= width && x + dotsWidth >= width) return lines;
      line = x + wordWidth < width ? word : CutWithDots(word, width - x, metrics);
      x += metrics.horizontalAdvance(line);
      continue;
    }
    // No further line fits: the last one ends in "...".
    if (2 + dotsWidth >= width) return lines;
    if (x + dotsWidth < width)
      line += kDots;
    else
      line = CutWithDots(line, width - 2, metrics);
    place(line, y);
    return lines;
  }
  if (!line.isEmpty()) place(line, y);
  return lines;
}

void CParagraph::Draw(QPainter& painter) const {
  const QFontMetrics metrics(painter.font());
  for (const Line& line : Layout(metrics))
    painter.drawText(line.origin + QPoint(0, metrics.ascent()), line.text);
}
