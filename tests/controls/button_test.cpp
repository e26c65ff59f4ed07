#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QUrl>

#include "controls/ButtonSSL.h"
#include "small_controls_support.h"

namespace {

using small_controls::App;
using small_controls::Pixel;
using small_controls::Render;

void Enter(QWidget* w) {
  QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(w->mapToGlobal(QPoint(5, 5))));
  QApplication::sendEvent(w, &event);
}

void Leave(QWidget* w) {
  QEvent event(QEvent::Leave);
  QApplication::sendEvent(w, &event);
}

TEST(ButtonSSL, RadioTypeUnchecksTheOtherCheckableButtonsOfItsGroup) {
  App();
  QWidget dialog;
  auto* a = new CButtonSSL(QStringLiteral("가"), &dialog);
  auto* b = new CButtonSSL(QStringLiteral("나"), &dialog);
  auto* check = new CButtonSSL(QStringLiteral("다"), &dialog);
  auto* plainBox = new QCheckBox(QStringLiteral("라"), &dialog);
  auto* push = new QPushButton(QStringLiteral("마"), &dialog);
  a->SetButtonType(CButtonSSL::SSL_AUTORADIOBUTTON);
  b->SetButtonType(CButtonSSL::SSL_RADIOBUTTON);
  check->SetButtonType(CButtonSSL::SSL_AUTOCHECKBOX);
  int x = 0;
  for (QWidget* w : {static_cast<QWidget*>(a), static_cast<QWidget*>(b), static_cast<QWidget*>(check),
                     static_cast<QWidget*>(plainBox), static_cast<QWidget*>(push)}) {
    w->setGeometry(x, 0, 60, 24);
    x += 64;
  }
  dialog.resize(x, 24);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

  b->SetCheck(1);
  check->SetCheck(1);
  plainBox->setChecked(true);
  EXPECT_EQ(push->isChecked(), false);
  QTest::mouseClick(a, Qt::LeftButton);
  EXPECT_EQ(a->GetCheck(), 1);
  EXPECT_EQ(b->GetCheck(), 0);
  EXPECT_EQ(check->GetCheck(), 0);
  EXPECT_FALSE(plainBox->isChecked());
  // A second click keeps a radio button checked; a check box toggles.
  QTest::mouseClick(a, Qt::LeftButton);
  EXPECT_EQ(a->GetCheck(), 1);
  QTest::mouseClick(check, Qt::LeftButton);
  EXPECT_EQ(check->GetCheck(), 1);
  EXPECT_EQ(a->GetCheck(), 1);  // check boxes leave the radio buttons alone
  QTest::mouseClick(check, Qt::LeftButton);
  EXPECT_EQ(check->GetCheck(), 0);
  QTest::mouseClick(b, Qt::LeftButton);
  EXPECT_EQ(a->GetCheck(), 0);
  EXPECT_EQ(b->GetCheck(), 1);
  // Push buttons answer 0.
  CButtonSSL plain;
  plain.SetCheck(1);
  EXPECT_EQ(plain.GetCheck(), 0);
  small_controls::Shot(dialog, "button_radio");
}

TEST(ButtonSSL, ButtonGroupLimitsTheRadioGroup) {
  App();
  QWidget dialog;
  auto* a = new CButtonSSL(QStringLiteral("A"), &dialog);
  auto* b = new CButtonSSL(QStringLiteral("B"), &dialog);
  auto* outside = new QCheckBox(QStringLiteral("C"), &dialog);
  a->SetButtonType(CButtonSSL::SSL_AUTORADIOBUTTON);
  b->SetButtonType(CButtonSSL::SSL_AUTORADIOBUTTON);
  QButtonGroup group;
  group.setExclusive(false);
  group.addButton(a);
  group.addButton(b);
  a->resize(60, 24);
  b->setGeometry(64, 0, 60, 24);
  outside->setGeometry(128, 0, 60, 24);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  b->SetCheck(1);
  outside->setChecked(true);
  QTest::mouseClick(a, Qt::LeftButton);
  EXPECT_EQ(a->GetCheck(), 1);
  EXPECT_EQ(b->GetCheck(), 0);
  EXPECT_TRUE(outside->isChecked());
}

TEST(ButtonSSL, HoverLooksFollowEnterAndLeave) {
  App();
  CButtonSSL button(QStringLiteral("확인"));
  button.resize(80, 24);
  const QColor hoverBack(0, 160, 0);
  button.SetColours(CButtonSSL::SSL_STATE_HOVER, hoverBack, Qt::white);
  const QColor face = button.palette().color(QPalette::Button);
  const QColor light = button.palette().color(QPalette::Light);

  // Flat: no frame until the mouse is over it.
  QImage image = Render(button);
  EXPECT_EQ(Pixel(image, 0, 0), face);
  EXPECT_EQ(Pixel(image, 40, 2), face);
  EXPECT_EQ(button.CurrentColourState(), CButtonSSL::SSL_STATE_NORMAL);

  Enter(&button);
  EXPECT_TRUE(button.IsHovering());
  EXPECT_EQ(button.CurrentColourState(), CButtonSSL::SSL_STATE_HOVER);
  image = Render(button);
  EXPECT_EQ(Pixel(image, 0, 0), light);  // raised frame
  EXPECT_EQ(Pixel(image, 40, 2), hoverBack);

  Leave(&button);
  EXPECT_FALSE(button.IsHovering());
  image = Render(button);
  EXPECT_EQ(Pixel(image, 0, 0), face);
  EXPECT_EQ(Pixel(image, 40, 2), face);

  // A framed button always shows its frame.
  button.SetButtonStyle(0);
  image = Render(button);
  EXPECT_NE(Pixel(image, 0, 0), face);
  button.setEnabled(false);
  EXPECT_EQ(button.CurrentColourState(), CButtonSSL::SSL_STATE_DISABLED);
}

TEST(ButtonSSL, LinkOpensOnlyForPlainButtonsWithALink) {
  App();
  // The links that would be opened arrive as a signal of a browser object.
  QTextBrowser catcher;
  QSignalSpy opened(&catcher, &QTextBrowser::anchorClicked);
  QDesktopServices::setUrlHandler(QStringLiteral("pellamor-test"), &catcher, "anchorClicked");
  QWidget dialog;
  auto* button = new CButtonSSL(QStringLiteral("홈페이지"), &dialog);
  button->resize(80, 24);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QSignalSpy clicked(button, &QAbstractButton::clicked);

  QTest::mouseClick(button, Qt::LeftButton);  // no link: only the click
  EXPECT_EQ(clicked.count(), 1);
  EXPECT_EQ(opened.count(), 0);

  button->SetURL(QStringLiteral("pellamor-test://home/page"));
  QTest::mouseClick(button, Qt::LeftButton);
  ASSERT_EQ(opened.count(), 1);
  EXPECT_EQ(opened.at(0).at(0).toUrl(), QUrl(QStringLiteral("pellamor-test://home/page")));

  button->SetButtonType(CButtonSSL::SSL_AUTOCHECKBOX);
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(opened.count(), 1);
  QDesktopServices::unsetUrlHandler(QStringLiteral("pellamor-test"));
}

TEST(ButtonSSL, MenuPartDropsTheMenuWithoutAClick) {
  App();
  QWidget dialog;
  auto* button = new CButtonSSL(QStringLiteral("보기"), &dialog);
  QMenu menu;
  menu.addAction(QStringLiteral("열기..."));
  button->SetSSLButtonMenu(&menu);
  button->resize(100, 24);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QSignalSpy clicked(button, &QAbstractButton::clicked);

  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(92, 12));
  EXPECT_TRUE(button->IsMenuShown());
  EXPECT_TRUE(menu.isVisible());
  EXPECT_EQ(clicked.count(), 0);
  menu.hide();
  EXPECT_FALSE(button->IsMenuShown());

  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(30, 12));
  EXPECT_EQ(clicked.count(), 1);
  EXPECT_FALSE(menu.isVisible());
}

}  // namespace
