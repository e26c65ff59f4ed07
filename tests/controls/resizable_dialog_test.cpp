#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QSizeGrip>

#include "controls/DialogUnits.h"
#include "controls/ResizableDialog.h"
#include "tests/support/gui_support.h"

namespace {

using gui_test::App;
using gui_test::Settle;
using gui_test::SaveShot;

struct AnchorCase {
  const char* name;
  Anchor topLeft;
  Anchor bottomRight;
  QRect start;     // in a 300 x 200 client
  QRect at433x301;  // worked out by hand from the integer formula
};

const AnchorCase kAnchorCases[] = {
    {"top-left only", anchor::TopLeft, anchor::None, {10, 10, 100, 20}, {10, 10, 100, 20}},
    {"stretch both ways", anchor::TopLeft, anchor::BottomRight, {10, 40, 280, 100}, {10, 40, 413, 201}},
    {"bottom-right only keeps its size", anchor::BottomRight, anchor::None, {200, 160, 90, 30}, {333, 261, 90, 30}},
    {"top band", anchor::TopLeft, anchor::TopRight, {0, 0, 300, 30}, {0, 0, 433, 30}},
    // 433 x 50 / 100 = 216 and 301 x 50 / 100 = 150, integer division.
    {"middle centre", anchor::MiddleCenter, anchor::None, {100, 70, 100, 50}, {166, 120, 100, 50}},
    {"bottom band", anchor::BottomLeft, anchor::BottomRight, {10, 150, 280, 40}, {10, 251, 413, 40}},
    {"centre column", anchor::TopCenter, anchor::BottomCenter, {140, 40, 20, 120}, {206, 40, 20, 221}},
};

class AnchoredDialog {
 public:
  AnchoredDialog() {
    App();
    dialog.resize(300, 200);
    for (const AnchorCase& c : kAnchorCases) {
      auto* child = new QLabel(QString::fromLatin1(c.name), &dialog);
      child->setFrameShape(QFrame::Box);
      child->setGeometry(c.start);
      dialog.AddAnchor(child, c.topLeft, c.bottomRight);
      children.push_back(child);
    }
  }
  QApplication& app_ = App();
  CResizableDialog dialog;
  std::vector<QWidget*> children;
};

TEST(ResizableDialogTest, ChildrenFollowTheAnchorsThroughResizes) {
  AnchoredDialog d;
  d.dialog.show();
  Settle();
  d.dialog.resize(433, 301);
  Settle();
  ASSERT_EQ(d.dialog.size(), QSize(433, 301));
  for (std::size_t i = 0; i < std::size(kAnchorCases); ++i)
    EXPECT_EQ(d.children[i]->geometry(), kAnchorCases[i].at433x301) << kAnchorCases[i].name;
  SaveShot(d.dialog, "resizable_dialog_433x301");

  // Any detour comes back to the same rectangles.
  d.dialog.resize(517, 389);
  Settle();
  d.dialog.resize(433, 301);
  Settle();
  for (std::size_t i = 0; i < std::size(kAnchorCases); ++i)
    EXPECT_EQ(d.children[i]->geometry(), kAnchorCases[i].at433x301) << kAnchorCases[i].name;
  d.dialog.resize(300, 200);
  Settle();
  for (std::size_t i = 0; i < std::size(kAnchorCases); ++i)
    EXPECT_EQ(d.children[i]->geometry(), kAnchorCases[i].start) << kAnchorCases[i].name;
}

TEST(ResizableDialogTest, ReanchoringReplacesAndClearingStops) {
  AnchoredDialog d;
  d.dialog.show();
  Settle();
  QWidget* band = d.children[3];
  d.dialog.AddAnchor(band, anchor::TopLeft);  // now it only moves with the top-left corner
  EXPECT_EQ(d.dialog.Anchors().size(), std::size(kAnchorCases));
  d.dialog.resize(433, 301);
  Settle();
  EXPECT_EQ(band->geometry(), QRect(0, 0, 300, 30));
  d.dialog.ClearAnchors();
  d.dialog.resize(500, 400);
  Settle();
  EXPECT_EQ(d.children[1]->geometry(), kAnchorCases[1].at433x301);
}

TEST(ResizableDialogTest, CannotBeMadeSmallerThanFirstShown) {
  AnchoredDialog d;
  d.dialog.show();
  Settle();
  EXPECT_EQ(d.dialog.minimumSize(), QSize(300, 200));
  d.dialog.resize(120, 90);
  Settle();
  EXPECT_EQ(d.dialog.size(), QSize(300, 200));
  for (std::size_t i = 0; i < std::size(kAnchorCases); ++i)
    EXPECT_EQ(d.children[i]->geometry(), kAnchorCases[i].start) << kAnchorCases[i].name;
}

TEST(ResizableDialogTest, EmptyClientIsNotLaidOut) {
  App();
  // A resizable dialog inside another window has no minimum and can collapse to nothing.
  QWidget host;
  host.resize(400, 300);
  AnchoredDialog d;
  d.dialog.setParent(&host, Qt::Widget);
  d.dialog.setGeometry(0, 0, 300, 200);
  host.show();
  Settle();
  d.dialog.resize(0, 0);
  Settle();
  for (std::size_t i = 0; i < std::size(kAnchorCases); ++i)
    EXPECT_EQ(d.children[i]->geometry(), kAnchorCases[i].start) << kAnchorCases[i].name;
  d.dialog.resize(433, 301);
  Settle();
  for (std::size_t i = 0; i < std::size(kAnchorCases); ++i)
    EXPECT_EQ(d.children[i]->geometry(), kAnchorCases[i].at433x301) << kAnchorCases[i].name;
  // Not a window: no grip.
  ASSERT_NE(d.dialog.SizeGrip(), nullptr);
  EXPECT_FALSE(d.dialog.SizeGrip()->isVisible());
}

// Pixels in the dialog's lower-right corner that differ from its background.
int MarkedCornerPixels(CResizableDialog& dialog) {
  QImage image(dialog.size(), QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  dialog.render(&image);
  const QRgb background = dialog.palette().color(QPalette::Window).rgb();
  int marked = 0;
  for (int y = image.height() - 14; y < image.height(); ++y)
    for (int x = image.width() - 14; x < image.width(); ++x)
      if (image.pixel(x, y) != background) ++marked;
  return marked;
}

TEST(ResizableDialogTest, GripFollowsTheWindowState) {
  App();
  CResizableDialog dialog;
  dialog.resize(300, 200);
  dialog.show();
  Settle();
  QSizeGrip* grip = dialog.SizeGrip();
  ASSERT_NE(grip, nullptr);
  auto gripAtCorner = [&] { return grip->geometry().bottomRight() == dialog.rect().bottomRight(); };
  EXPECT_TRUE(grip->isVisible());
  EXPECT_TRUE(gripAtCorner());
  EXPECT_GT(MarkedCornerPixels(dialog), 0);

  dialog.showMaximized();
  Settle();
  EXPECT_FALSE(grip->isVisible());
  EXPECT_EQ(MarkedCornerPixels(dialog), 0);
  // Maximise, minimise, maximise, restore: the grip comes back.
  dialog.showMinimized();
  Settle();
  dialog.showMaximized();
  Settle();
  EXPECT_FALSE(grip->isVisible());
  dialog.showNormal();
  Settle();
  EXPECT_TRUE(grip->isVisible());
  EXPECT_TRUE(gripAtCorner());
  EXPECT_GT(MarkedCornerPixels(dialog), 0);
  SaveShot(dialog, "resizable_dialog_restored");

  dialog.resize(380, 260);
  Settle();
  EXPECT_TRUE(gripAtCorner());
}

TEST(ResizableDialogTest, PlacementIsWrittenOnlyWhenTurnedOn) {
  App();
  QStringList written;
  auto writer = [&](const QString& section, const QString& entry, const QString& text) {
    written << section + "/" + entry + "=" + text;
  };
  {
    CResizableDialog off;
    off.resize(300, 200);
    off.show();
    Settle();
  }
  EXPECT_TRUE(written.isEmpty());
  QRect frame;
  {
    CResizableDialog on;
    on.EnableSaveRestore("Queue", writer);
    on.setGeometry(40, 50, 300, 200);
    on.show();
    Settle();
    frame = on.frameGeometry();
  }
  ASSERT_EQ(written.size(), 1);
  EXPECT_EQ(written[0], QStringLiteral("Queue/WindowPlacement=%1,%2,%3,%4,1,0")
                            .arg(frame.left())
                            .arg(frame.top())
                            .arg(frame.left() + frame.width())
                            .arg(frame.top() + frame.height()));
}

TEST(DialogUnitsTest, ScaleByTheFontsBaseUnits) {
  const DialogBaseUnits base{6, 13};
  struct Case {
    QRect units;
    QRect pixels;
  } cases[] = {
      {{0, 0, 4, 8}, {0, 0, 6, 13}},
      {{7, 7, 50, 14}, {11, 11, 75, 23}},  // 7 x 6 / 4 = 10.5 -> 11; 57 x 6 / 4 = 85.5 -> 86
      {{-4, -8, 4, 8}, {-6, -13, 6, 13}},
  };
  for (const Case& c : cases) EXPECT_EQ(DialogUnitsToPixels(c.units, base), c.pixels) << c.units.x();
  App();
  QFont font = QApplication::font();
  font.setPixelSize(13);
  const DialogBaseUnits measured = BaseUnitsOf(font);
  EXPECT_GT(measured.x, 3);
  EXPECT_LT(measured.x, 13);
  EXPECT_EQ(measured.y, QFontMetrics(font).height());
}

}  // namespace
