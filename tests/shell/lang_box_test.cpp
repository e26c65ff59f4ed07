#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

#include "Pellamor/App.h"
#include "Pellamor/AppRecords.h"
#include "Pellamor/CommandIds.h"
#include "Pellamor/DLG/CLangBox/CLangBox.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/MainFrame.h"
#include "Pellamor/Settings.h"
#include "controls/ButtonSSL.h"
#include "platform/message.h"
#include "shared/DialogHeaderCtrl.h"
#include "shell_support.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::TempDir;

class LangBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shell_test::App();
    profile::SetProfileFile(QString::fromStdString(dir_.File("profile.ini")));
  }
  void TearDown() override { profile::SetProfileFile({}); }

  // Picks an index of the list as the user does.
  static void Pick(CLangBox& box, int index) {
    box.LanguageList()->setCurrentIndex(index);
    emit box.LanguageList()->activated(index);
  }

  TempDir dir_;
  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
};

TEST_F(LangBoxTest, PickingJapaneseRelabelsEverythingButTheHeader) {
  LanguageState state;
  state.autoDetect = 0;
  state.userDefined = 1;
  state.langId = 1042;
  CLangBox box(state);
  box.show();
  EXPECT_TRUE(box.UserRadio()->isChecked());
  EXPECT_EQ(box.LanguageList()->currentText(), QString::fromUtf16(u"한글"));
  EXPECT_EQ(box.windowTitle(), QString::fromUtf16(u"고급 언어설정 도구"));
  EXPECT_EQ(box.Header()->Icon().isNull(), CDialogHeaderCtrl::IconForId(242).isNull());

  Pick(box, 3);
  EXPECT_EQ(box.windowTitle(), QString::fromUtf16(u"言語の詳細設定"));
  EXPECT_EQ(box.Group()->title(), QString::fromUtf16(u"言語設定"));
  EXPECT_EQ(box.AutoRadio()->text(), QString::fromUtf16(u"自動検出"));
  EXPECT_EQ(box.UserRadio()->text(), QString::fromUtf16(u"ユーザー定義"));
  EXPECT_EQ(box.Prompt()->text(), QString::fromUtf16(u"言語を選択してください。"));
  EXPECT_EQ(box.OkButton()->text(), QString::fromUtf16(u"オーケー"));
  EXPECT_EQ(box.CancelButton()->text(), QString::fromUtf16(u"キャンセル"));
  EXPECT_EQ(box.ListButton()->text(), QString::fromUtf16(u"サポートされている言語の一覧を表示する"));
  EXPECT_EQ(box.Explanation()->text(), QString::fromUtf16(u"このコンピュータでサポートされる言語の一覧を LCID値。"));
  ASSERT_EQ(box.LanguageList()->count(), 6);
  EXPECT_EQ(box.LanguageList()->itemText(0), QString::fromUtf16(u"選択しない"));
  EXPECT_EQ(box.LanguageList()->currentIndex(), 3);
  EXPECT_EQ(box.Header()->Title(), QString::fromUtf16(u"고급 언어설정 도구"));
  EXPECT_EQ(box.Header()->Description(), QString::fromUtf16(u"선택한 언어로 메시지가 출력되도록 언어를 변경합니다."));
  gui_test::Settle();
  shell_test::SaveShot(box, "lang_box_ja");

  QTest::mouseClick(box.ListButton(), Qt::LeftButton);
  EXPECT_TRUE(sink_.Saw(u"오른쪽 화살표를 클릭하십시오."));
}

TEST_F(LangBoxTest, OpeningStatesOfTheStoredFlags) {
  struct Row {
    int autoDetect, userDefined, langId;
    bool autoChecked, userChecked, listEnabled, okEnabled;
    int index;
    const char16_t* caption;
  };
  const Row rows[] = {
      {1, 0, 1041, true, false, false, true, 0, u"言語の詳細設定"},
      // A LANGID outside the list opens on English.
      {0, 1, 1031, false, true, true, true, 2, u"Language Advanced Settings"},
      {0, 0, 0, false, true, true, false, 0, u"언어 고급 설정"},
      {1, 1, 2052, false, false, true, true, 0, u"语言高级设置"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.langId);
    LanguageState state;
    state.autoDetect = r.autoDetect;
    state.userDefined = r.userDefined;
    state.langId = r.langId;
    CLangBox box(state);
    EXPECT_EQ(box.AutoRadio()->isChecked(), r.autoChecked);
    EXPECT_EQ(box.UserRadio()->isChecked(), r.userChecked);
    EXPECT_EQ(box.LanguageList()->isEnabled(), r.listEnabled);
    EXPECT_EQ(box.OkButton()->isEnabled(), r.okEnabled);
    EXPECT_EQ(box.LanguageList()->currentIndex(), r.index);
    EXPECT_EQ(box.windowTitle(), QString::fromUtf16(r.caption));
    EXPECT_FALSE(box.AutoRadio()->text().isEmpty());  // a language outside the five keeps the template's
    EXPECT_FALSE(box.Prompt()->text().isEmpty());
  }
}

TEST_F(LangBoxTest, OkOnNoLanguageKeepsTheBoxOpenAndStoresNothing) {
  LanguageState state;
  state.userDefined = 1;
  state.langId = 1033;
  CLangBox box(state);
  box.show();
  Pick(box, 0);
  EXPECT_FALSE(box.OkButton()->isEnabled());
  box.accept();  // as Enter would
  EXPECT_TRUE(box.isVisible());
  EXPECT_EQ(box.result(), 0);
  EXPECT_FALSE(profile::HasProfileKey("Options", "LanguageId"));
  EXPECT_FALSE(profile::HasProfileKey("Options", "LanguageUserDefined"));
}

TEST_F(LangBoxTest, OkOnAutomaticDetectionWritesBothFlagsAndAppliesTheDetectedLanguage) {
  LanguageState state;
  state.userDefined = 1;
  state.langId = 1042;
  CLangBox box(state);
  box.show();
  box.AutoRadio()->click();
  EXPECT_FALSE(box.LanguageList()->isEnabled());
  EXPECT_TRUE(box.OkButton()->isEnabled());
  QTest::mouseClick(box.OkButton(), Qt::LeftButton);
  EXPECT_EQ(box.result(), QDialog::Accepted);
  EXPECT_EQ(profile::GetProfileInt("Options", "LanguageAutoDetect", -1), 1);
  EXPECT_EQ(profile::GetProfileInt("Options", "LanguageUserDefined", -1), 0);
  EXPECT_EQ(state.autoDetect, 1);
  EXPECT_EQ(state.userDefined, 0);
  EXPECT_EQ(g_nCurrentLangCommand, kLangCmdAuto);
  // The detected language is the system's; whatever it is, it is one of the five.
  EXPECT_EQ(state.defaultLangId, LangIdOfLocale(QLocale::system()));
  EXPECT_EQ(g_wLangId, state.langId);
  EXPECT_NE(ConvertLanguage(state.langId, false), 0);
}

TEST(LangIdOfLocale, MapsTheFiveLanguagesAndEverythingElseToEnglish) {
  struct Row {
    const char* name;
    int langId;
  };
  const Row rows[] = {{"ja_JP", 1041}, {"zh_CN", 2052}, {"zh_TW", 1028}, {"ko_KR", 1042}, {"de_DE", 1033},
                      {"zh_HK", 1028}, {"zh_SG", 2052}, {"C", 1033}};
  for (const Row& r : rows) EXPECT_EQ(LangIdOfLocale(QLocale(QString::fromLatin1(r.name))), r.langId) << r.name;
}

TEST_F(LangBoxTest, AfterOkTheFrameMarksTheChosenLanguage) {
  auto app = std::make_unique<CPellamorApp>();  // the box works on the application's state
  dlg::RegisterAllDialogs();
  CMainFrame frame;
  ASSERT_TRUE(frame.RunCommand(cmd::kLangAuto));
  EXPECT_EQ(frame.UpdateCommand(kLangCmdAuto).mark, CommandState::kRadio);
  shell_test::WhenModal<CLangBox> act([](CLangBox* box) {
    box->UserRadio()->click();
    box->LanguageList()->setCurrentIndex(4);
    emit box->LanguageList()->activated(4);
    QTest::mouseClick(box->OkButton(), Qt::LeftButton);
  });
  ASSERT_TRUE(frame.RunCommand(cmd::kLangBox));
  ASSERT_TRUE(act.Acted());
  EXPECT_EQ(frame.UpdateCommand(kLangCmdChineseSimplified).mark, CommandState::kRadio);
  EXPECT_EQ(frame.UpdateCommand(kLangCmdAuto).mark, CommandState::kNone);
  EXPECT_TRUE(frame.MenuActions(kLangCmdChineseSimplified).value(0)->isChecked());
  EXPECT_EQ(profile::GetProfileInt("Options", "LanguageId", 0), 2052);
  EXPECT_EQ(profile::GetProfileInt("Options", "LanguageUserDefined", 0), 1);
}

}  // namespace
