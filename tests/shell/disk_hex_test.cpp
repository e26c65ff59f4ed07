#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "Pellamor/DLG/CDiskHexDlg/CDiskHexDlg.h"
#include "Pellamor/DLG/Dialogs.h"
#include "shared/ByteloomBase.h"
#include "shared/DialogHeaderCtrl.h"
#include "shell_support.h"

namespace {

TEST(DiskHex, TheViewHoldsTheSampleBlockAndGoAndSaveStayOff) {
  shell_test::App();
  CDiskHexDlg box;
  box.show();
  gui_test::Settle();
  EXPECT_EQ(box.Header()->Title(), QString::fromUtf16(u"디스크 헥스 에디터"));
  EXPECT_EQ(box.Header()->Description(), QString::fromUtf16(u"디스크의 섹터를 16진수 형태로 편집합니다."));
  EXPECT_FALSE(box.Header()->Icon().isNull());
  EXPECT_EQ(box.windowTitle(), QString::fromUtf16(u"디스크 헥스 에디터"));

  CByteloomBase* hex = box.HexView();
  ASSERT_EQ(hex->DataSize(), 512);
  QByteArray twice;
  for (int round = 0; round < 2; ++round)
    for (int b = 0; b < 256; ++b) twice.append(static_cast<char>(b));
  EXPECT_EQ(hex->Data(), twice);  // 00 to FF twice
  EXPECT_TRUE(hex->IsMultiLine());
  EXPECT_EQ(hex->AddressDigits(), 4);
  EXPECT_TRUE(hex->IsAddressShown());
  EXPECT_TRUE(hex->IsAsciiShown());
  EXPECT_EQ(hex->BytesPerRowSetting(), 16);
  EXPECT_TRUE(hex->IsAutoFit());
  EXPECT_TRUE(box.Edit()->isReadOnly());
  EXPECT_EQ(box.GoButton()->text(), QStringLiteral("Go"));
  EXPECT_EQ(box.SaveButton()->text(), QStringLiteral("Save"));

  // Neither typing into the view nor resizing brings Go or Save on.
  hex->setFocus();
  hex->SetSelection(-1, -1);
  QTest::keyClicks(hex, QStringLiteral("ab"));
  EXPECT_FALSE(box.GoButton()->isEnabled());
  EXPECT_FALSE(box.SaveButton()->isEnabled());
  box.resize(box.width() + 40, box.height() + 30);
  gui_test::Settle();
  EXPECT_FALSE(box.GoButton()->isEnabled());
  EXPECT_FALSE(box.SaveButton()->isEnabled());
  EXPECT_TRUE(box.OkButton()->isDefault());
}

TEST(DiskHex, AResizeKeepsTheAnchors) {
  shell_test::App();
  CDiskHexDlg box;
  box.show();
  gui_test::Settle();
  shell_test::SaveShot(box, QStringLiteral("disk_hex"));
  struct Place {
    QWidget* widget;
    int dx, dy, dw, dh;  // how much of the size change it follows
  };
  const Place places[] = {
      {box.Header(), 0, 0, 1, 0},    {box.HexView(), 0, 0, 1, 1},    {box.ScrollBar(), 0, 1, 1, 0},
      {box.Edit(), 0, 1, 0, 0},      {box.GoButton(), 0, 1, 0, 0},   {box.SaveButton(), 0, 1, 0, 0},
      {box.OkButton(), 1, 1, 0, 0},  {box.CancelButton(), 1, 1, 0, 0},
  };
  std::vector<QRect> before;
  for (const Place& p : places) before.push_back(p.widget->geometry());
  const int bytesPerRow = box.HexView()->BytesPerRow();
  const int growW = 120, growH = 90;
  box.resize(box.width() + growW, box.height() + growH);
  gui_test::Settle();
  for (std::size_t i = 0; i < std::size(places); ++i) {
    const Place& p = places[i];
    const QRect now = p.widget->geometry();
    SCOPED_TRACE(p.widget->objectName().toStdString());
    EXPECT_EQ(now.x(), before[i].x() + p.dx * growW);
    EXPECT_EQ(now.y(), before[i].y() + p.dy * growH);
    EXPECT_EQ(now.width(), before[i].width() + p.dw * growW);
    EXPECT_EQ(now.height(), before[i].height() + p.dh * growH);
  }
  // Auto-fit: the wider view holds more bytes per row.
  EXPECT_GT(box.HexView()->BytesPerRow(), bytesPerRow);
  gui_test::Settle();
  shell_test::SaveShot(box, QStringLiteral("disk_hex_resized"));
}

TEST(DiskHex, TheRunnerOpensTheBox) {
  shell_test::App();
  dlg::RegisterAllDialogs();
  shell_test::WhenModal<CDiskHexDlg> act([](CDiskHexDlg* box) { box->OkButton()->click(); });
  EXPECT_EQ(dlg::RunDialog("CDiskHexDlg", 0), 1);
  EXPECT_TRUE(act.Acted());
}

}  // namespace
