#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QStyle>

#include "controls/ButtonSSL.h"
#include "tests/gallery/gallery.h"

QWidget* MakeButtonSSLPage() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  int row = 0;
  auto add = [&](const QString& label, QWidget* widget) {
    grid->addWidget(new QLabel(label), row, 0);
    grid->addWidget(widget, row, 1);
    ++row;
  };

  add(QStringLiteral("평면 (마우스를 올리면 테두리)"), new CButtonSSL(QStringLiteral("확인")));
  auto* framed = new CButtonSSL(QStringLiteral("취소"));
  framed->SetButtonStyle(0);
  add(QStringLiteral("테두리"), framed);

  auto* coloured = new CButtonSSL(QStringLiteral("색 지정"));
  coloured->SetButtonStyle(0);
  coloured->SetColours(CButtonSSL::SSL_STATE_NORMAL, QColor(230, 240, 255), QColor(0, 0, 128));
  coloured->SetColours(CButtonSSL::SSL_STATE_HOVER, QColor(200, 225, 255), QColor(0, 0, 200));
  coloured->SetColours(CButtonSSL::SSL_STATE_PRESSED, QColor(120, 160, 220), Qt::white);
  add(QStringLiteral("보통/올림/누름 색"), coloured);

  auto* withIcon = new CButtonSSL(QStringLiteral("열기"));
  withIcon->setIcon(QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon));
  withIcon->SetImagePosition(CButtonSSL::SSL_IMAGE_VCENTER);
  withIcon->SetButtonStyle(0);
  add(QStringLiteral("아이콘"), withIcon);

  auto* menuButton = new CButtonSSL(QStringLiteral("보기"));
  auto* menu = new QMenu(menuButton);
  menu->addAction(QStringLiteral("큰 아이콘"));
  menu->addAction(QStringLiteral("자세히"));
  menuButton->SetSSLButtonMenu(menu);
  menuButton->SetButtonStyle(CButtonSSL::SSL_BS_MENU_BTN);
  add(QStringLiteral("메뉴 부분"), menuButton);

  auto* check = new CButtonSSL(QStringLiteral("하위 폴더 포함"));
  check->SetButtonType(CButtonSSL::SSL_AUTOCHECKBOX);
  check->SetCheck(1);
  add(QStringLiteral("확인란 형식"), check);

  auto* radios = new QGroupBox;
  auto* radioRow = new QHBoxLayout(radios);
  for (const char16_t* text : {u"한국어", u"English", u"日本語"}) {
    auto* radio = new CButtonSSL(QString::fromUtf16(text));
    radio->SetButtonType(CButtonSSL::SSL_AUTORADIOBUTTON);
    radioRow->addWidget(radio);
  }
  static_cast<CButtonSSL*>(radioRow->itemAt(0)->widget())->SetCheck(1);
  add(QStringLiteral("라디오 형식 (한 묶음)"), radios);

  auto* link = new CButtonSSL(QStringLiteral("홈페이지"));
  link->SetURL(QStringLiteral("https://www.example.com/"));
  link->SetSSLCursor(Qt::PointingHandCursor);
  link->SetToolTipText(QStringLiteral("누르면 홈페이지를 엽니다"));
  add(QStringLiteral("링크"), link);

  auto* disabled = new CButtonSSL(QStringLiteral("사용 안 함"));
  disabled->SetButtonStyle(0);
  disabled->setEnabled(false);
  add(QStringLiteral("비활성"), disabled);
  grid->setRowStretch(row, 1);
  return page;
}
