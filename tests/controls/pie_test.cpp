#include <gtest/gtest.h>

#include <climits>

#include "controls/PieProgress.h"
#include "small_controls_support.h"

namespace {

using small_controls::App;
using small_controls::CountColour;
using small_controls::Pixel;
using small_controls::Render;

const QColor kFirst(255, 0, 255);
const QColor kSecond(0, 0, 255);

class PieTest : public ::testing::Test, protected small_controls::WithApp {
 protected:
  void SetUp() override {
    App();
    pie_.resize(200, 120);
    pie_.m_crFirst = kFirst;
    pie_.m_crSecond = kSecond;
  }
  // Points on the upper face, left and right of its centre.
  QColor LeftOfCentre(const QImage& image) const { return Pixel(image, 40, 50); }
  QColor RightOfCentre(const QImage& image) const { return Pixel(image, 160, 50); }
  CPieProgress pie_;
};

struct PieCase {
  int lower, upper, pos;
  int percent;        // -1: nothing drawn
  bool leftIsFirst;   // colour left of the face's centre
  bool rightIsFirst;  // and right of it
};

TEST_F(PieTest, FacesShowTheShareOfThePosition) {
  const PieCase cases[] = {
      {0, 100, 0, 0, false, false},     // all second colour
      {0, 100, 50, 50, true, false},    // the first colour's half is the left one
      {0, 100, 100, 100, true, true},   // full: first colour only
      {0, 200, 200, 100, true, true},
      {-50, 50, 0, 50, true, false},
      {INT_MIN, INT_MAX, INT_MAX, 100, true, true},
  };
  for (const PieCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.lower << ".." << c.upper << " at " << c.pos);
    pie_.m_nLower = c.lower;
    pie_.m_nUpper = c.upper;
    pie_.m_nPos = c.pos;
    EXPECT_EQ(pie_.Percent(), c.percent);
    const QImage image = Render(pie_);
    EXPECT_EQ(LeftOfCentre(image), c.leftIsFirst ? kFirst : kSecond);
    EXPECT_EQ(RightOfCentre(image), c.rightIsFirst ? kFirst : kSecond);
    if (c.percent == 100) { EXPECT_EQ(CountColour(image, kSecond), 0); }
    if (c.percent == 0) { EXPECT_EQ(CountColour(image, kFirst), 0); }
  }
}

TEST_F(PieTest, EmptyRangeOrPositionOutsideDrawsNoPie) {
  const int cases[][3] = {{100, 100, 100}, {0, 0, 0}, {10, 5, 7}, {0, 100, 101}, {0, 100, -1}};
  for (const auto& c : cases) {
    pie_.m_nLower = c[0];
    pie_.m_nUpper = c[1];
    pie_.m_nPos = c[2];
    EXPECT_EQ(pie_.Percent(), -1);
    const QImage image = Render(pie_);
    EXPECT_EQ(CountColour(image, kFirst), 0);
    EXPECT_EQ(CountColour(image, kSecond), 0);
  }
}

TEST_F(PieTest, QuarterBoundaryPointsLieOnTheRim) {
  // Centre (100, 60), radii 100 and 36: 0 % at the bottom, 25 % at the left, 50 % at the top, 75 % at the right.
  EXPECT_EQ(pie_.BoundaryPoint(0, 60), QPoint(100, 96));
  EXPECT_EQ(pie_.BoundaryPoint(25, 60), QPoint(0, 60));
  EXPECT_EQ(pie_.BoundaryPoint(50, 60), QPoint(100, 24));
  EXPECT_EQ(pie_.BoundaryPoint(75, 60), QPoint(200, 60));
  EXPECT_EQ(pie_.BoundaryPoint(100, 60), QPoint(100, 96));
}

TEST_F(PieTest, PaletteColoursWhenNoneAreSet) {
  pie_.m_crFirst = QColor();
  pie_.m_crSecond = QColor();
  QPalette pal = pie_.palette();
  pal.setColor(QPalette::Highlight, QColor(10, 200, 10));
  pal.setColor(QPalette::Mid, QColor(200, 10, 10));
  pie_.setPalette(pal);
  pie_.m_nPos = 50;
  const QImage image = Render(pie_);
  EXPECT_EQ(LeftOfCentre(image), QColor(10, 200, 10));
  EXPECT_EQ(RightOfCentre(image), QColor(200, 10, 10));
  small_controls::Shot(pie_, "pie_progress");
}

}  // namespace
