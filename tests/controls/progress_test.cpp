#include <gtest/gtest.h>

#include <QTest>

#include <climits>

#include "controls/TextProgressCtrl.h"
#include "small_controls_support.h"

namespace {

using small_controls::App;
using small_controls::CountColour;
using small_controls::Pixel;
using small_controls::Render;

class TextProgressTest : public ::testing::Test, protected small_controls::WithApp {
 protected:
  void SetUp() override {
    App();
    bar_.resize(200, 24);
    QFont f = bar_.font();
    f.setStyleStrategy(QFont::NoAntialias);
    f.setPixelSize(16);
    bar_.setFont(f);
  }
  QColor Highlight() const { return bar_.palette().color(QPalette::Highlight); }
  QColor Base() const { return bar_.palette().color(QPalette::Base); }
  CTextProgressCtrl bar_;
};

struct BoundsCase {
  int lower, upper, pos;
  int barWidth;  // of 200 pixels
  const char* text;
};

TEST_F(TextProgressTest, BarAndTextFollowThePositionClampedToTheRange) {
  const BoundsCase cases[] = {
      {0, 100, 50, 100, "50%"},      {0, 100, 0, 0, "0%"},         {0, 100, 100, 200, "100%"},
      {0, 100, 150, 200, "100%"},    {0, 100, -20, 0, "0%"},       {10, 20, 15, 100, "50%"},
      {-100, 100, 0, 100, "50%"},    {0, 3, 1, 66, "33%"},         {INT_MIN, INT_MAX, 0, 100, "50%"},
      {INT_MIN, INT_MAX, INT_MAX, 200, "100%"},
  };
  for (const BoundsCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.lower << ".." << c.upper << " at " << c.pos);
    bar_.SetRange(c.lower, c.upper);
    bar_.SetPos(c.pos);
    EXPECT_EQ(bar_.BarWidth(), c.barWidth);
    EXPECT_EQ(bar_.DisplayText(), QString::fromLatin1(c.text));
    const QImage image = Render(bar_);
    // The top row has no text: bar colour up to the bar's width, background colour after it.
    if (c.barWidth > 0) { EXPECT_EQ(Pixel(image, c.barWidth - 1, 0), Highlight()); }
    if (c.barWidth < 200) { EXPECT_EQ(Pixel(image, c.barWidth, 0), Base()); }
  }
}

TEST_F(TextProgressTest, HalfwayTextReadsInInverseColoursOnEachSide) {
  bar_.SetRange(0, 100);
  bar_.SetPos(50);
  const QImage image = Render(bar_);
  // Left of the bar's end the text is drawn in the background colour, right of it in the bar colour.
  const QImage left = image.copy(0, 2, 100, 20);
  const QImage right = image.copy(100, 2, 100, 20);
  EXPECT_GT(CountColour(left, Base()), 0);
  EXPECT_GT(CountColour(right, Highlight()), 0);
  EXPECT_EQ(CountColour(left, Highlight()) + CountColour(left, Base()), 100 * 20);
  EXPECT_EQ(CountColour(right, Highlight()) + CountColour(right, Base()), 100 * 20);
}

TEST_F(TextProgressTest, CustomTextAndHiddenText) {
  bar_.SetRange(0, 10);
  bar_.SetPos(3);
  bar_.SetWindowText(QStringLiteral("복구 중"));
  EXPECT_EQ(bar_.DisplayText(), QStringLiteral("복구 중"));
  bar_.SetShowText(false);
  const QImage image = Render(bar_);
  // Without text the image holds the two fills only.
  EXPECT_EQ(CountColour(image, Highlight()), 60 * 24);
  EXPECT_EQ(CountColour(image, Base()), 140 * 24);
}

TEST_F(TextProgressTest, EmptyOrReversedRangeDrawsNothing) {
  for (auto [lower, upper] : {std::pair{0, 0}, std::pair{50, 50}, std::pair{10, 5}}) {
    bar_.SetRange(lower, upper);
    bar_.SetPos(lower);
    const QColor sentinel(1, 2, 3);
    const QImage image = Render(bar_, sentinel);
    EXPECT_EQ(CountColour(image, sentinel), 200 * 24) << lower << ".." << upper;
    EXPECT_EQ(bar_.SetPosAndRedraw(lower + 1), lower);
  }
}

// Counts the paints that reach the bar.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

TEST_F(TextProgressTest, SetPosAndRedrawPaintsOnlyWhenTheBarWidthChanges) {
  bar_.SetRange(0, 1000);
  bar_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar_));
  QApplication::processEvents();
  PaintCounter counter;
  bar_.installEventFilter(&counter);

  EXPECT_EQ(bar_.SetPosAndRedraw(500), 0);
  EXPECT_EQ(counter.paints, 1);
  EXPECT_EQ(bar_.SetPosAndRedraw(500), 500);  // same position
  EXPECT_EQ(bar_.SetPosAndRedraw(502), 500);  // same 100 pixels
  EXPECT_EQ(counter.paints, 1);
  EXPECT_EQ(bar_.GetPos(), 502);
  EXPECT_EQ(bar_.SetPosAndRedraw(510), 502);  // 102 pixels
  EXPECT_EQ(counter.paints, 2);

  // After a resize the width is unknown again, so the next call paints.
  bar_.resize(300, 24);
  QApplication::processEvents();
  const int afterResize = counter.paints;
  bar_.SetPosAndRedraw(510);
  EXPECT_EQ(counter.paints, afterResize + 1);
  bar_.removeEventFilter(&counter);
  small_controls::Shot(bar_, "text_progress");
}

}  // namespace
