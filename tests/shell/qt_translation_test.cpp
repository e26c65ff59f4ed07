// Qt's own texts in the interface language: the standard buttons and the folder browser behind
// "찾아보기".
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "Pellamor/DLG/CDirectSaveDlg/CDirectSaveDlg.h"
#include "Pellamor/QtTranslation.h"
#include "Pellamor/SaveFolder.h"
#include "shell_support.h"

namespace {

QString T(const char16_t* s) { return QString::fromUtf16(s); }

class QtTranslation : public ::testing::Test {
 protected:
  void SetUp() override { shell_test::App(); }
  void TearDown() override { RemoveQtTranslation(); }
};

TEST_F(QtTranslation, StandardButtonsAndTheFolderBrowserReadKorean) {
  ASSERT_NE(InstallQtTranslation(QLocale(QLocale::Korean, QLocale::SouthKorea)), nullptr)
      << "qtbase_ko.qm (qt6-translations-l10n) is missing";
  QMessageBox box(QMessageBox::Question, T(u"Pellamor"), T(u"?"), QMessageBox::Ok | QMessageBox::Cancel);
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), T(u"취소"));
  EXPECT_EQ(box.button(QMessageBox::Ok)->text(), T(u"확인"));

  g_strDefaultSaveFolder.clear();
  g_bDefaultSaveFolderSet = 0;
  CDirectSaveDlg dialog;
  dialog.show();
  QString cancel;
  QString lookIn;
  shell_test::WhenModal<QFileDialog> look([&](QFileDialog* browser) {
    if (auto* buttons = browser->findChild<QDialogButtonBox*>())
      if (QPushButton* b = buttons->button(QDialogButtonBox::Cancel)) cancel = b->text();
    if (auto* label = browser->findChild<QLabel*>(QStringLiteral("lookInLabel"))) lookIn = label->text();
    shell_test::SaveShot(*browser, "folder_browser_korean");
    browser->reject();
  });
  QTest::mouseClick(dialog.BrowseButton(), Qt::LeftButton);
  EXPECT_EQ(cancel, T(u"취소"));
  EXPECT_FALSE(lookIn.isEmpty());
  EXPECT_NE(lookIn, QStringLiteral("Look in:"));

  // Without the catalogue Qt speaks English again.
  RemoveQtTranslation();
  QMessageBox english(QMessageBox::Question, T(u"Pellamor"), T(u"?"), QMessageBox::Cancel);
  EXPECT_EQ(english.button(QMessageBox::Cancel)->text(), QStringLiteral("Cancel"));
}

TEST_F(QtTranslation, ALanguageWithoutACatalogueKeepsEnglish) {
  EXPECT_EQ(InstallQtTranslation(QLocale(QLocale::Icelandic, QLocale::Iceland)), nullptr);
  QMessageBox box(QMessageBox::Question, T(u"Pellamor"), T(u"?"), QMessageBox::Cancel);
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Cancel"));
}

}  // namespace
