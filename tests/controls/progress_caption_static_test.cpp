#include <gtest/gtest.h>

#include <QTest>

#include "controls/PrefsStatic.h"
#include "small_controls_support.h"

namespace {

using small_controls::App;
using small_controls::Pixel;
using small_controls::Render;

const QColor kFace(200, 180, 100);

class CaptionStaticTest : public ::testing::Test, protected small_controls::WithApp {
 protected:
  void SetUp() override {
    QPalette pal = parent_.palette();
    pal.setColor(QPalette::Button, kFace);
    parent_.setPalette(pal);
    caption_ = new CPrefsStatic(&parent_);
  }
  // The band's colour at distance d from the right edge of a band w wide.
  static QColor Expected(int d, int w) {
    const qint64 d2 = qint64(d) * d;
    const qint64 w2 = qint64(w) * w;
    auto shade = [&](int c) { return int(c - d2 * c / w2); };
    return QColor(shade(kFace.red()), shade(kFace.green()), shade(kFace.blue()));
  }
  QWidget parent_;
  CPrefsStatic* caption_ = nullptr;
};

TEST_F(CaptionStaticTest, BandShadesFromTheButtonFaceToBlack) {
  // 5000 pixels: the squares of the distances pass 2^31 times a channel value.
  for (int width : {1, 100, 300, 5000}) {
    SCOPED_TRACE(width);
    caption_->resize(width, 20);
    const QImage band = caption_->Background();
    ASSERT_EQ(band.size(), QSize(width, 20));
    const int strip = std::max(1, width / 128);
    EXPECT_EQ(Pixel(band, width - 1, 0), kFace);
    // Each strip is one colour: its distance from the right edge gives the shade.
    for (int d = 0; d < width; d += strip) {
      const int x = width - d - 1;
      EXPECT_EQ(Pixel(band, x, 10), Expected(d, width)) << "distance " << d;
      if (HasFailure()) return;
    }
  }
}

TEST_F(CaptionStaticTest, BandFollowsTheSizeAndIsEmptyWithoutWidth) {
  caption_->resize(0, 20);
  EXPECT_TRUE(caption_->Background().isNull());
  caption_->resize(64, 20);
  EXPECT_EQ(caption_->Background().size(), QSize(64, 20));
  caption_->resize(256, 30);
  EXPECT_EQ(caption_->Background().size(), QSize(256, 30));
  EXPECT_EQ(Pixel(caption_->Background(), 0, 0), Expected(254, 256));  // leftmost strip of two pixels
}

TEST_F(CaptionStaticTest, ConstantTextIsEmbossedAtTheRightEnd) {
  caption_->resize(300, 30);
  const QImage plain = caption_->Background();
  caption_->SetConstantText(QStringLiteral("환경설정"));
  const QImage text = caption_->Background();
  EXPECT_EQ(text.copy(0, 0, 150, 30), plain.copy(0, 0, 150, 30));   // the left half untouched
  EXPECT_NE(text.copy(150, 0, 150, 30), plain.copy(150, 0, 150, 30));
  EXPECT_EQ(text.copy(296, 0, 4, 30), plain.copy(296, 0, 4, 30));   // 5 pixels clear of the right edge
}

TEST_F(CaptionStaticTest, CaptionFontAndColour) {
  QFont parentFont(QStringLiteral("NanumGothic"));
  parentFont.setPixelSize(15);
  parentFont.setStyleStrategy(QFont::NoAntialias);
  parent_.setFont(parentFont);
  caption_->SetFontName(QString());
  EXPECT_EQ(caption_->CaptionFont(), parent_.font());  // no face: the parent's font
  caption_->SetFontName(QStringLiteral("Verdana"));
  caption_->SetFontSize(12);
  caption_->SetFontWeight(700);
  EXPECT_EQ(caption_->CaptionFont().family(), QStringLiteral("Verdana"));
  EXPECT_EQ(caption_->CaptionFont().pixelSize(), 12);
  EXPECT_EQ(caption_->CaptionFont().weight(), QFont::Bold);
  EXPECT_EQ(caption_->TextColor(), kFace);  // the button face until set
  caption_->SetTextColor(Qt::white);
  EXPECT_EQ(caption_->TextColor(), QColor(Qt::white));

  caption_->SetFontName(QString());
  caption_->resize(300, 30);
  caption_->setText(QStringLiteral("일반"));
  const QImage image = Render(*caption_);
  // White caption pixels on the dark left part of the band.
  EXPECT_GT(small_controls::CountColour(image.copy(0, 0, 80, 30), Qt::white), 0);
  caption_->setText(QString());
  EXPECT_EQ(small_controls::CountColour(Render(*caption_).copy(0, 0, 80, 30), Qt::white), 0);
  small_controls::Shot(parent_, "caption_static");
}

}  // namespace
