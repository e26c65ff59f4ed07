// The file-type filter dialog: the tree of categories, what OK takes into the settings record,
// and the refusal of an empty choice.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <functional>
#include <list>
#include <set>
#include <string>

#include "Pellamor/AppRecords.h"
#include "Pellamor/DLG/CDlgFileTypeBox/CDlgFileTypeBox.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/ScanOptions.h"
#include "platform/message.h"
#include "shared/DialogHeaderCtrl.h"
#include "shell_support.h"

namespace {

using List = std::list<std::u16string>;
using Set = std::set<std::u16string>;

QString T(const char16_t* text) { return QString::fromUtf16(text); }

using Act = shell_test::WhenModal<CDlgFileTypeBox>;

void Tick(QTreeWidget* tree, const char16_t* category, const char16_t* extension = nullptr) {
  QTreeWidgetItem* item = shell_test::TopLevel(*tree, T(category));
  ASSERT_NE(item, nullptr) << T(category).toStdString();
  if (extension) item = shell_test::Child(item, T(extension));
  ASSERT_NE(item, nullptr) << T(extension).toStdString();
  item->setCheckState(0, Qt::Checked);
}

class FileTypeDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // An earlier choice, which an accepted dialog replaces and anything else keeps.
    settings_.firstList = {u"DOC"};
    settings_.firstSet = {u"DOC"};
    settings_.CountListEntries();
    g_nSelectedExtensions = 1;
  }
  void TearDown() override { g_nSelectedExtensions = 0; }

  void ExpectEarlierChoiceKept() const {
    EXPECT_EQ(settings_.firstList, List{u"DOC"});
    EXPECT_EQ(settings_.firstSet, Set{u"DOC"});
    EXPECT_EQ(g_nSelectedExtensions, 1);
  }

  QApplication& app_ = shell_test::App();
  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
  APPSETTINGS settings_;
};

TEST_F(FileTypeDialogTest, OpensWithEveryCategoryCollapsedAndNothingTicked) {
  CDlgFileTypeBox dialog(&settings_);
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), T(u"파일 확장자 선택 도구"));
  EXPECT_EQ(dialog.Header()->Title(), T(u"파일 확장자 선택 도구"));
  EXPECT_EQ(dialog.Header()->Description(), T(u"파일의 확장자를 선택합니다."));
  EXPECT_EQ(dialog.OkButton()->text(), T(u"확인"));
  EXPECT_EQ(dialog.CancelButton()->text(), T(u"취소"));

  QTreeWidget* tree = dialog.Tree();
  EXPECT_EQ(shell_test::TopLevelTexts(*tree),
            (QStringList{T(u"사진/이미지"), T(u"웹/문서/한글/오피스"), T(u"이메일/아웃룩"), T(u"음악"), T(u"압축파일"),
                         T(u"동영상/비디오/자막"), T(u"소스코드"), T(u"실행파일")}));
  EXPECT_EQ(shell_test::ChildTexts(tree->topLevelItem(0)),
            (QStringList{".JPG", ".JPEG", ".JPE", ".JFIF", ".GIF", ".TIF", ".TIFF", ".PNG", ".BMP", ".DIB", ".PSD",
                         ".PCX", ".ICO"}));
  EXPECT_EQ(shell_test::ChildTexts(tree->topLevelItem(6)),
            (QStringList{".PHP", ".INC", ".ASP", ".ASM", ".PAS", ".BAS", ".HPP", ".CPP", ".PRJ", ".DSP", ".DSW",
                         ".SLN", ".VCPROJ", ".LIB", ".DEF"}));
  int items = 0;
  for (int i = 0; i < tree->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* category = tree->topLevelItem(i);
    EXPECT_FALSE(category->isExpanded()) << i;
    EXPECT_EQ(category->checkState(0), Qt::Unchecked) << i;
    for (int k = 0; k < category->childCount(); ++k, ++items)
      EXPECT_EQ(category->child(k)->checkState(0), Qt::Unchecked) << i << "/" << k;
  }
  EXPECT_EQ(items, 58);
  EXPECT_TRUE(dialog.TickedExtensions().isEmpty());

  tree->topLevelItem(0)->setExpanded(true);
  tree->topLevelItem(0)->child(1)->setCheckState(0, Qt::Checked);
  shell_test::SaveShot(dialog, QStringLiteral("file_type_dialog"));
}

TEST_F(FileTypeDialogTest, OkTakesTickedExtensionsUnderCollapsedCategoriesToo) {
  CDlgFileTypeBox dialog(&settings_);
  dialog.show();
  QTreeWidget* tree = dialog.Tree();
  QTreeWidgetItem* pictures = tree->topLevelItem(0);
  pictures->setExpanded(true);
  Tick(tree, u"사진/이미지", u".JPEG");
  Tick(tree, u"사진/이미지", u".PNG");
  pictures->setExpanded(false);  // collapsed again after ticking
  Tick(tree, u"소스코드", u".VCPROJ");  // never opened
  Tick(tree, u"음악");                  // a category alone adds nothing
  Tick(tree, u"웹/문서/한글/오피스", u".HTML");
  ASSERT_FALSE(pictures->isExpanded());

  EXPECT_EQ(dialog.TickedExtensions(), (QStringList{"JPEG", "PNG", "HTML", "VCPROJ"}));
  QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);

  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(settings_.firstList, (List{u"JPEG", u"PNG", u"HTML", u"VCPROJ"}));
  EXPECT_EQ(settings_.firstSet, (Set{u"HTML", u"JPEG", u"PNG", u"VCPROJ"}));
  EXPECT_EQ(settings_.listCount, 4);
  EXPECT_EQ(g_nSelectedExtensions, 4);
  ASSERT_EQ(sink_.Messages().size(), 1u);
  EXPECT_EQ(sink_.Messages()[0].text, u"4개 선택되었습니다.");
  EXPECT_EQ(sink_.Messages()[0].icon, platform::MsgIcon::Information);
}

TEST_F(FileTypeDialogTest, OkWithNothingTickedStaysOpenAndChangesNothing) {
  CDlgFileTypeBox dialog(&settings_);
  dialog.show();
  Tick(dialog.Tree(), u"사진/이미지");
  Tick(dialog.Tree(), u"실행파일");
  QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);

  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(sink_.Texts(), std::vector<std::u16string>{u"선택된 항목이 없습니다."});
  ExpectEarlierChoiceKept();
  shell_test::SaveShot(dialog, QStringLiteral("file_type_dialog_none"));

  QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_FALSE(dialog.isVisible());
  ExpectEarlierChoiceKept();
}

TEST_F(FileTypeDialogTest, SelectingACategoryOpensItAndAClickOnTheSelectedOneToggles) {
  CDlgFileTypeBox dialog(&settings_);
  dialog.show();
  QTreeWidget* tree = dialog.Tree();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QTreeWidgetItem* mail = tree->topLevelItem(2);
  auto click = [&] {
    const QRect rect = tree->visualItemRect(mail);
    // Right of the text, away from the check box and the branch sign.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(rect.right() - 4, rect.center().y()));
  };
  click();
  EXPECT_EQ(tree->currentItem(), mail);
  EXPECT_TRUE(mail->isExpanded());
  click();
  EXPECT_FALSE(mail->isExpanded());
  click();
  EXPECT_TRUE(mail->isExpanded());
  EXPECT_EQ(mail->checkState(0), Qt::Unchecked);
}

TEST_F(FileTypeDialogTest, RunnerFillsTheGivenSettingsOnOkOnly) {
  dlg::RegisterAllDialogs();
  ASSERT_TRUE(dlg::HasDialog("CDlgFileTypeBox"));

  {
    Act act([](CDlgFileTypeBox* d) { d->CancelButton()->click(); });
    EXPECT_EQ(dlg::RunDialog("CDlgFileTypeBox", &settings_), 0);
    ExpectEarlierChoiceKept();
  }
  {
    Act act([](CDlgFileTypeBox* d) {
      Tick(d->Tree(), u"동영상/비디오/자막", u".MPEG");
      d->OkButton()->click();
    });
    EXPECT_EQ(dlg::RunDialog("CDlgFileTypeBox", &settings_), 1);
    EXPECT_EQ(settings_.firstList, List{u"MPEG"});
    EXPECT_EQ(settings_.firstSet, Set{u"MPEG"});
    EXPECT_EQ(g_nSelectedExtensions, 1);
  }
  // The earlier choice is not shown again.
  {
    Act act([](CDlgFileTypeBox* d) {
      EXPECT_TRUE(d->TickedExtensions().isEmpty());
      d->CancelButton()->click();
    });
    EXPECT_EQ(dlg::RunDialog("CDlgFileTypeBox", &settings_), 0);
    EXPECT_EQ(settings_.firstList, List{u"MPEG"});
  }
}

}  // namespace
