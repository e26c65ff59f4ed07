// A window's first size and place on its screen: capped to the available area and kept inside it.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "controls/ResizableDialog.h"
#include "controls/ScreenFit.h"
#include "tests/support/gui_support.h"

namespace {

struct FitCase {
  const char* name;
  QRect frame;
  QRect available;
  QRect fitted;
};

// An 800 x 600 screen with a 32-pixel panel along its top, and a second screen to the right of a
// 1280-pixel one.
const QRect kPanelled(0, 32, 800, 568);
const QRect kRight(1280, 0, 800, 600);

const FitCase kFitCases[] = {
    {"inside stays", {100, 100, 400, 300}, kPanelled, {100, 100, 400, 300}},
    {"exactly the area stays", kPanelled, kPanelled, kPanelled},
    {"the main window centred on a small screen", {-112, -28, 1024, 720}, kPanelled, {0, 32, 800, 568}},
    {"too wide, keeps its height and top", {10, 50, 984, 395}, kPanelled, {0, 50, 800, 395}},
    {"too high, keeps its width and left", {100, 0, 300, 900}, kPanelled, {100, 32, 300, 568}},
    {"off the left and top moves in", {-50, -10, 200, 100}, kPanelled, {0, 32, 200, 100}},
    {"off the right and bottom moves in", {700, 550, 200, 100}, kPanelled, {600, 500, 200, 100}},
    {"under the panel moves below it", {300, 10, 200, 100}, kPanelled, {300, 32, 200, 100}},
    {"a screen away from the origin", {1000, -40, 984, 395}, kRight, {1280, 0, 800, 395}},
    {"past that screen's right edge", {2000, 100, 300, 200}, kRight, {1780, 100, 300, 200}},
    {"no area leaves it", {-112, -40, 1024, 720}, QRect(), {-112, -40, 1024, 720}},
};

TEST(ScreenFit, TheFrameIsCappedToTheAreaAndMovedTheLeastIntoIt) {
  for (const FitCase& c : kFitCases) {
    SCOPED_TRACE(c.name);
    const QRect fitted = FitRectInto(c.frame, c.available);
    EXPECT_EQ(fitted, c.fitted);
    if (!c.available.isEmpty()) { EXPECT_TRUE(c.available.contains(fitted)); }
  }
}

// On the offscreen platform's own screen (800 x 600), whose windows have a frame of 2 pixels: the
// window loses what its frame must lose, and the frame lands inside the screen.
TEST(ScreenFit, AShownWindowFitsWithItsFrame) {
  gui_test::App();
  QScreen* screen = QGuiApplication::primaryScreen();
  ASSERT_NE(screen, nullptr);
  const QRect area = screen->availableGeometry();
  QWidget window;
  window.resize(area.width() + 200, area.height() + 100);
  window.move(area.x() - 150, area.y() - 60);
  window.show();
  gui_test::Settle();
  const QMargins frame(window.geometry().left() - window.frameGeometry().left(),
                       window.geometry().top() - window.frameGeometry().top(),
                       window.frameGeometry().right() - window.geometry().right(),
                       window.frameGeometry().bottom() - window.geometry().bottom());
  ASSERT_FALSE(frame.isNull());

  FitWindowToScreen(&window);
  gui_test::Settle();
  EXPECT_EQ(window.frameGeometry(), area);
  EXPECT_EQ(window.size(), area.size().shrunkBy(frame));

  // A window that fits already is left where it is.
  window.resize(300, 200);
  window.move(area.x() + 40, area.y() + 30);
  gui_test::Settle();
  const QRect before = window.frameGeometry();
  FitWindowToScreen(&window);
  EXPECT_EQ(window.frameGeometry(), before);

  CentreWindowOnScreen(&window);
  gui_test::Settle();
  EXPECT_EQ(window.size(), QSize(300, 200));
  EXPECT_NEAR(window.frameGeometry().center().x(), area.center().x(), 1);
  EXPECT_NEAR(window.frameGeometry().center().y(), area.center().y(), 1);
}

// A resizable dialog that asks for it fits its screen at its first show, after placing itself, and
// that size becomes its smallest; one that does not ask keeps its size.
TEST(ScreenFit, AResizableDialogFitsAtItsFirstShowWhenAsked) {
  gui_test::App();
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  for (bool fit : {true, false}) {
    SCOPED_TRACE(fit);
    CResizableDialog dialog;
    dialog.resize(area.width() + 184, 395);
    dialog.SetFitToScreen(fit);
    dialog.show();
    gui_test::Settle();
    if (fit) {
      EXPECT_TRUE(area.contains(dialog.frameGeometry()));
      EXPECT_EQ(dialog.frameGeometry().width(), area.width());
      EXPECT_EQ(dialog.height(), 395);
    } else {
      EXPECT_EQ(dialog.width(), area.width() + 184);
    }
    EXPECT_EQ(dialog.minimumSize(), dialog.size());
  }
}

}  // namespace
