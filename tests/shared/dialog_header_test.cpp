#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>

#include "shared/DialogHeaderCtrl.h"
#include "tests/support/gui_support.h"

namespace {

using gui_test::App;
using gui_test::SaveShot;

QImage Render(QWidget& w) {
  QImage image(w.size(), QImage::Format_RGB32);
  image.fill(Qt::magenta);
  w.render(&image);
  return image;
}

// Pixels of the area that differ from the colour.
int Marked(const QImage& image, const QRect& area, QRgb colour) {
  int marked = 0;
  const QRect r = area.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (image.pixel(x, y) != colour) ++marked;
  return marked;
}

class HeaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    header.resize(420, 56);
    header.SetTitle(QString::fromUtf16(u"항목 정보"));
    header.SetDescription(QString::fromUtf16(u"목록에서 표시되는 항목이 많은 경우 일목요연하게 보여줍니다."));
  }
  QRgb White() const { return header.palette().color(QPalette::Base).rgb(); }
  QRect IconArea() const { return QRect(5, 5, 32, 32); }
  QRect TitleArea() const {
    return QRect(header.TitleOrigin(), QSize(QFontMetrics(header.TitleFont()).horizontalAdvance(header.Title()), 13));
  }
  QApplication& app_ = App();
  CDialogHeaderCtrl header;
};

TEST_F(HeaderTest, PaintsBandIconTitleAndDescription) {
  header.SetIconId(242);
  const QImage image = Render(header);
  SaveShot(image, "dialog_header");
  // A white band (nothing left unpainted) with a shadow line at the bottom.
  EXPECT_EQ(Marked(image, image.rect(), qRgb(255, 0, 255)), image.width() * image.height());
  EXPECT_EQ(Marked(image, QRect(0, 55, 420, 1), header.palette().color(QPalette::Dark).rgb()), 0);
  EXPECT_GT(Marked(image, IconArea(), White()), 50);
  EXPECT_GT(Marked(image, TitleArea(), White()), 20);
  // The description starts below the title, from the indent on.
  const QRect description = header.DescriptionRect();
  const int titleLine = QFontMetrics(header.TitleFont()).height();
  EXPECT_EQ(description, QRect(50, 5 + titleLine - 2, 420 - 50 - 1, 55 - (5 + titleLine - 2)));
  EXPECT_GT(Marked(image, QRect(52, 5 + titleLine, 360, 16), White()), 50);
  EXPECT_EQ(Marked(image, QRect(40, 40, 10, 14), White()), 0);  // nothing left of the indent below the icon
  // Title and first description line do not touch: a blank row lies between their inks.
  auto inked = [&](int y) { return Marked(image, QRect(52, y, 360, 1), White()) > 0; };
  int y = 5;
  while (y < 55 && !inked(y)) ++y;  // top of the title
  while (y < 55 && inked(y)) ++y;   // through the title
  EXPECT_LE(y, 5 + titleLine);
  int gap = 0;
  while (y < 55 && !inked(y)) ++y, ++gap;
  EXPECT_GE(gap, 1);
  EXPECT_LT(y, 55);  // the description follows
}

TEST_F(HeaderTest, WithoutIconTheTitleStaysInPlace) {
  header.SetIconId(242);
  const QImage withIcon = Render(header);
  header.SetIconId(9999);  // no icon of that id
  EXPECT_TRUE(header.Icon().isNull());
  const QImage without = Render(header);
  EXPECT_EQ(Marked(without, IconArea(), White()), 0);
  const QRect title = TitleArea();
  EXPECT_EQ(withIcon.copy(title), without.copy(title));
  EXPECT_EQ(withIcon.copy(header.DescriptionRect()), without.copy(header.DescriptionRect()));
}

TEST_F(HeaderTest, LongDescriptionEndsInDotsAndNarrowBandsStayClean) {
  header.resize(300, 50);
  QString text;
  for (int i = 0; i < 12; ++i) text += QString::fromUtf16(u"삭제된 데이터를 찾아내어 정보를 가져옵니다. ");
  header.SetDescription(text);
  Render(header);  // lays the paragraph out for the present size
  const auto lines = header.Paragraph().Layout(QFontMetrics(header.DescriptionFont()));
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(lines.back().text.endsWith("...")) << lines.back().text.toStdString();
  SaveShot(Render(header), "dialog_header_long");
  // At any height every line ends above the band's bottom line.
  const int lineHeight = QFontMetrics(header.DescriptionFont()).height();
  for (int height : {40, 50, 56, 64, 81, 120}) {
    header.resize(300, height);
    Render(header);
    const auto fitted = header.Paragraph().Layout(QFontMetrics(header.DescriptionFont()));
    for (const auto& line : fitted) EXPECT_LE(line.origin.y() + lineHeight, height - 1) << height;
    if (!fitted.empty()) { EXPECT_TRUE(fitted.back().text.endsWith("...")) << height; }
  }

  // Narrower than the indent: the title may run out, the description is not drawn at all.
  header.resize(40, 50);
  const QImage narrow = Render(header);
  EXPECT_TRUE(header.Paragraph().Layout(QFontMetrics(header.DescriptionFont())).empty());
  EXPECT_EQ(Marked(narrow, QRect(0, 20, 40, 29), White()), 0);
}

TEST_F(HeaderTest, FontsAreTheApplicationsFamilyAt13Pixels) {
  EXPECT_EQ(header.TitleFont().family(), QApplication::font().family());
  EXPECT_EQ(header.TitleFont().pixelSize(), 13);
  EXPECT_TRUE(header.TitleFont().bold());
  EXPECT_EQ(header.DescriptionFont().pixelSize(), 13);
  EXPECT_FALSE(header.DescriptionFont().bold());
  for (int id : {128, 242, 256, 279, 305}) EXPECT_FALSE(CDialogHeaderCtrl::IconForId(id).isNull()) << id;
  EXPECT_TRUE(CDialogHeaderCtrl::IconForId(0).isNull());
}

}  // namespace
