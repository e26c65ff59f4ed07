#include <gtest/gtest.h>

#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "controls/PushPinButton.h"
#include "small_controls_support.h"

namespace {

using small_controls::App;
using small_controls::MoveFree;
using small_controls::MoveHeld;
using small_controls::Pixel;
using small_controls::Render;

// A strip of count 10x10 images, image i filled with Colour(i).
QColor Colour(int i) { return QColor(20 + 30 * i, 200 - 30 * i, 7 * i); }
QPixmap Strip(int count) {
  QPixmap strip(10 * count, 10);
  QPainter p(&strip);
  for (int i = 0; i < count; ++i) p.fillRect(QRect(10 * i, 0, 10, 10), Colour(i));
  return strip;
}

class PushPinTest : public ::testing::Test, protected small_controls::WithApp {
 protected:
  void SetUp() override {
    App();
    window_.resize(100, 60);
    pin_ = new CPushPinButton(&window_);
    pin_->move(10, 10);
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
  }
  // Presses and releases inside the button.
  void Click() {
    QTest::mousePress(pin_, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(pin_, Qt::LeftButton, {}, QPoint(5, 5));
  }
  QColor Drawn() { return Pixel(Render(*pin_), 5, 5); }

  QWidget window_;
  CPushPinButton* pin_ = nullptr;
};

TEST_F(PushPinTest, StripWithoutImagesIsRefused) {
  const QSize before = pin_->size();
  EXPECT_FALSE(pin_->SetImageStrip(Strip(1), 0));
  EXPECT_FALSE(pin_->SetImageStrip(QPixmap(), 3));
  EXPECT_FALSE(pin_->SetImageStrip(Strip(1), -2));
  EXPECT_EQ(pin_->ImageCount(), CPushPinButton::kStripImages);  // the built-in strip stays
  EXPECT_EQ(pin_->size(), before);
  EXPECT_FALSE(Render(*pin_).isNull());
}

struct StripCase {
  int images;
  int hot;       // image drawn under the mouse
  int pressed;   // drawn while pressed
  bool pins;     // a click pins it
};

TEST_F(PushPinTest, ImagesAreClampedToTheStrip) {
  const StripCase cases[] = {
      {1, 0, 0, false},
      {2, 1, 1, false},
      {6, 1, 2, true},
  };
  for (const StripCase& c : cases) {
    SCOPED_TRACE(c.images);
    ASSERT_TRUE(pin_->SetImageStrip(Strip(c.images), c.images));
    pin_->SetPinned(false);
    EXPECT_EQ(pin_->size(), QSize(10, 10));  // one image
    EXPECT_EQ(Drawn(), Colour(0));
    MoveFree(pin_, QPoint(5, 5));
    EXPECT_EQ(pin_->ImageIndex(), CPushPinButton::PIN_UNPINNED_HOT);
    EXPECT_EQ(Drawn(), Colour(c.hot));
    QTest::mousePress(pin_, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(Drawn(), Colour(c.pressed));
    QSignalSpy clicked(pin_, &QAbstractButton::clicked);
    QTest::mouseRelease(pin_, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicked.count(), 1);  // the owner hears every click
    EXPECT_EQ(pin_->IsPinned(), c.pins);
    EXPECT_EQ(Drawn(), Colour(c.pins ? 3 : 0));
    if (c.pins) {
      MoveFree(pin_, QPoint(6, 6));
      EXPECT_EQ(Drawn(), Colour(CPushPinButton::PIN_PINNED_HOT));
      QEvent leave(QEvent::Leave);
      QApplication::sendEvent(pin_, &leave);
      EXPECT_EQ(Drawn(), Colour(CPushPinButton::PIN_PINNED));
      Click();
      EXPECT_FALSE(pin_->IsPinned());
    }
    // SetPinned needs the six images.
    pin_->SetPinned(true);
    EXPECT_EQ(pin_->IsPinned(), c.images >= 6);
  }
}

TEST_F(PushPinTest, ReleaseOutsideNeitherTogglesNorNotifies) {
  QSignalSpy clicked(pin_, &QAbstractButton::clicked);
  QTest::mousePress(pin_, Qt::LeftButton, {}, QPoint(5, 5));
  MoveHeld(pin_, QPoint(60, 40));
  QTest::mouseRelease(pin_, Qt::LeftButton, {}, QPoint(60, 40));
  EXPECT_EQ(clicked.count(), 0);
  EXPECT_FALSE(pin_->IsPinned());
  EXPECT_EQ(pin_->ImageIndex(), CPushPinButton::PIN_UNPINNED);

  Click();
  ASSERT_TRUE(pin_->IsPinned());
  QTest::mousePress(pin_, Qt::LeftButton, {}, QPoint(5, 5));
  MoveHeld(pin_, QPoint(60, 40));
  QTest::mouseRelease(pin_, Qt::LeftButton, {}, QPoint(60, 40));
  EXPECT_TRUE(pin_->IsPinned());
  EXPECT_EQ(pin_->ImageIndex(), CPushPinButton::PIN_PINNED);
  EXPECT_EQ(clicked.count(), 1);
}

TEST_F(PushPinTest, BuiltInStripFollowsThePalette) {
  const QImage before = Render(*pin_);
  QPalette pal = pin_->palette();
  pal.setColor(QPalette::Button, QColor(250, 240, 10));
  pin_->setPalette(pal);
  const QImage after = Render(*pin_);
  EXPECT_NE(before, after);
  EXPECT_EQ(Pixel(after, 1, 1), QColor(250, 240, 10));
  // A strip of the owner's is kept as it is.
  ASSERT_TRUE(pin_->SetImageStrip(Strip(6), 6));
  pal.setColor(QPalette::Button, QColor(10, 10, 250));
  pin_->setPalette(pal);
  EXPECT_EQ(Drawn(), Colour(0));
  small_controls::Shot(window_, "push_pin");
}

}  // namespace
