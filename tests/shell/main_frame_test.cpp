#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include <filesystem>
#include <memory>

#include "Pellamor/App.h"
#include "Pellamor/CommandIds.h"
#include "Pellamor/DLG/CDriveBoxMainDlg/CDriveBoxMainDlg.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/MainFrame.h"
#include "Pellamor/Settings.h"
#include "corvane/module_table.h"
#include "platform/message.h"
#include "platform/program_folder.h"
#include "shell_support.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::TempDir;

class MainFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shell_test::App();
    profile::SetProfileFile(QString::fromStdString(dir_.File("profile.ini")));
  }
  void TearDown() override { profile::SetProfileFile({}); }

  TempDir dir_;
  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
};

QStringList MenuTexts(const QMenu* menu) {
  QStringList texts;
  for (QAction* a : menu->actions()) texts << (a->isSeparator() ? QStringLiteral("—") : a->text());
  return texts;
}

TEST_F(MainFrameTest, StartUpWithTheModulesBuildsTheWindow) {
  // The modules in a program folder of their own.
  const std::string bin = testing_support::BinDir();
  TempDir programDir;
  for (const ModuleRowInfo& row : module_versions::kRows) {
    if (row.kind != kKindLoaded) continue;
    std::filesystem::path from = std::filesystem::path(bin) / row.identifier;
    if (!std::filesystem::exists(from)) GTEST_SKIP() << row.identifier << " is not built";
    std::filesystem::copy_file(from, std::filesystem::path(programDir.path()) / row.identifier);
  }
  platform::SetProgramFolderOverride(programDir.path());
  profile::WriteProfileInt("Options", "LanguageAutoDetect", 0);
  profile::WriteProfileInt("Options", "LanguageUserDefined", 1);
  profile::WriteProfileInt("Options", "LanguageId", 1042);
  {
    CPellamorApp app;
    ASSERT_TRUE(app.InitInstance()) << (sink_.Texts().empty() ? "" : platform::ToUtf8(sink_.Texts()[0]));
    EXPECT_TRUE(sink_.Texts().empty()) << platform::ToUtf8(sink_.Texts()[0]);
    EXPECT_FALSE(g_ModuleTable.empty());
    EXPECT_EQ(app.productInfo.GetVersionText(), u"5.0.0.0");
    CMainFrame* frame = app.MainFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame, g_pMainFrame);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Pellamor"));
    // The stored language is in effect from the start.
    EXPECT_EQ(g_wLangId, 1042);
    EXPECT_EQ(g_nCurrentLangCommand, cmd::kLangKorean);

    QStringList tops;
    for (QMenu* m : frame->Menus()) tops << m->title();
    EXPECT_EQ(tops, (QStringList{"파일(&F)", "편집(&E)", "보기(&V)", "설정(&O)", "도움말(&H)"}));
    EXPECT_EQ(MenuTexts(frame->Menus()[1]),
              (QStringList{"전체 선택(&A)\tCtrl+A", "선택 반전(&R)", "—", "지워진 파일 선택(&F)",
                           "지워진 폴더 선택(&D)", "—", "찾기(&F)"}));
    QStringList file = MenuTexts(frame->Menus()[0]);
    EXPECT_EQ(file, (QStringList{"열기(&O)", "—", "저장(&S)", "닫기(&C)", "—", "도구(&T)", "—", "종료(&X)"}));

    // Status bar: three text panes of the given widths, then the three key indicators.
    for (int i = 0; i < 3; ++i) ASSERT_NE(frame->StatusPane(i), nullptr);
    EXPECT_EQ(frame->StatusPane(0)->width(), 360);
    EXPECT_EQ(frame->StatusPane(1)->width(), 200);
    EXPECT_EQ(frame->StatusPane(2)->width(), 350);
    EXPECT_EQ(frame->StatusPane(3)->text(), "CAP");
    EXPECT_EQ(frame->StatusPane(4)->text(), "NUM");
    EXPECT_EQ(frame->StatusPane(5)->text(), "SCRL");
    EXPECT_EQ(frame->StatusPane(6), nullptr);

    QStringList buttons;
    for (QAction* a : frame->ToolBar()->actions()) buttons << (a->isSeparator() ? QStringLiteral("|") : a->text());
    EXPECT_EQ(buttons, (QStringList{"드라이브열기", "|", "저장설정", "임시보관함", "|", "저장", "|", "찾기",
                                    "복구율진단", "|", "환경설정", "|", "폴더창", "전체화면"}));
    app.ExitInstance();
    EXPECT_TRUE(g_ModuleTable.empty());
    EXPECT_EQ(g_pMainFrame, nullptr);
  }
  platform::SetProgramFolderOverride("");
}

TEST_F(MainFrameTest, StoredSkinPicksTheCurrentSkin) {
  struct Case {
    int stored, command;
  };
  const Case cases[] = {{0, 32960}, {1, 32960}, {2, 32961}, {5, 32964}, {9, 32968}, {10, 32960}, {-3, 32960}};
  for (const Case& c : cases) {
    profile::WriteProfileInt("Options", "Skin", c.stored);
    CMainFrame frame;
    EXPECT_EQ(frame.CurrentSkin(), c.command) << c.stored;
    ASSERT_TRUE(frame.RunCommand(32966));
    EXPECT_EQ(frame.CurrentSkin(), 32966);
    EXPECT_EQ(profile::GetProfileInt("Options", "Skin", -99), c.stored);  // never written back
    QAction* item = frame.MenuActions(32966).value(0);
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isChecked());
    EXPECT_EQ(item->text(), "&Windows XP");
  }
}

TEST_F(MainFrameTest, CommandsWithoutADriveAnswerWithTheirTexts) {
  CMainFrame frame;
  struct Case {
    int id;
    const char16_t* text;
  };
  const Case cases[] = {
      {cmd::kQueueWindow, u"디스크가 닫혀 있습니다. 임시보관함은 디스크가 열린 상태에서 사용이 가능합니다."},
      {cmd::kClusterViewer, u"드라이브가 선택되지 않았습니다."},
      {cmd::kFind, u"이 버전에서는 이용할 수 없습니다."},
      {cmd::kAutoUpdate, u"이 버전에서는 이용할 수 없습니다."},
  };
  for (const Case& c : cases) {
    sink_.Clear();
    EXPECT_TRUE(frame.RunCommand(c.id)) << c.id;
    ASSERT_EQ(sink_.Texts().size(), 1u) << c.id;
    EXPECT_EQ(sink_.Texts()[0], c.text) << c.id;
  }
  EXPECT_EQ(sink_.Messages()[0].icon, platform::MsgIcon::Information);
}

TEST_F(MainFrameTest, UnhandledCommandsAreGreyedAndDoNothing) {
  CMainFrame frame;
  const int greyed[] = {32994, 32884, 32885, 32886, 32887, 32888, 32982, 32809, 32806, 32949,
                        32779, 32897, 32970, 32971, 32892, 32929, cmd::kEditCut,
                        cmd::kEditPaste, cmd::kEditUndo, cmd::kFilePrint};
  for (int id : greyed) {
    EXPECT_FALSE(frame.HasCommand(id)) << id;
    EXPECT_FALSE(frame.RunCommand(id)) << id;
    for (QAction* a : frame.MenuActions(id)) EXPECT_FALSE(a->isEnabled()) << id;
  }
  for (int id : {32805, 32921, 32802}) EXPECT_TRUE(frame.RunCommand(id)) << id;
  EXPECT_TRUE(sink_.Texts().empty());
  // Commands that need the list's focus are off while the list does not have it.
  EXPECT_FALSE(frame.UpdateCommand(cmd::kRecoverSelected).enabled);
  EXPECT_FALSE(frame.UpdateCommand(cmd::kPropertyCheck).enabled);
  EXPECT_FALSE(frame.UpdateCommand(cmd::kEditCopy).enabled);  // copy goes to the focused list
  EXPECT_EQ(frame.RememberedRow(), -1);
}

TEST_F(MainFrameTest, AcceleratorsSendTheirOwnCommands) {
  CMainFrame frame;
  std::map<QString, int> keys;
  for (QAction* a : frame.actions())
    if (!a->shortcut().isEmpty()) keys[a->shortcut().toString()] = a->data().toInt();
  EXPECT_EQ(keys["F9"], 32988);  // not the menu's 32786
  EXPECT_EQ(keys["F8"], 32976);
  EXPECT_EQ(keys["F6"], 32800);
  EXPECT_EQ(keys["Ctrl+D"], 57601);
  EXPECT_EQ(keys["Ctrl+S"], 32916);
  EXPECT_EQ(keys["Ctrl+T"], 32776);
  EXPECT_EQ(keys["Ctrl+W"], 32826);
  EXPECT_EQ(keys["Alt+F1"], 32819);
  EXPECT_EQ(keys.count("Ctrl+G"), 0u);
  EXPECT_EQ(keys.count("Ctrl+K"), 0u);
  EXPECT_EQ(keys.size(), 21u);
}

TEST_F(MainFrameTest, LanguageCommandsRelabelTheLanguageItems) {
  auto app = std::make_unique<CPellamorApp>();  // the language state lives in the application
  CMainFrame frame;
  ASSERT_TRUE(frame.RunCommand(cmd::kLangAuto));
  ASSERT_TRUE(frame.RunCommand(cmd::kLangJapanese));
  EXPECT_EQ(g_wLangId, 1041);
  EXPECT_EQ(frame.MenuActions(cmd::kLangKorean).value(0)->text(), "韓国語 (&K)");
  EXPECT_TRUE(frame.MenuActions(cmd::kLangJapanese).value(0)->isChecked());
  EXPECT_FALSE(frame.MenuActions(cmd::kLangKorean).value(0)->isChecked());
  ASSERT_TRUE(frame.RunCommand(cmd::kLangEnglish));
  EXPECT_EQ(frame.MenuActions(cmd::kLangChineseTraditional).value(0)->text(), "Chinese (&Traditional)");
  EXPECT_EQ(profile::GetProfileInt("Options", "LanguageId", 0), 1033);
}

TEST_F(MainFrameTest, ViewStyleAndCheckBoxCommandsMarkTheirItems) {
  CMainFrame frame;
  EXPECT_FALSE(frame.UpdateCommand(cmd::kViewLineUp).enabled);  // details view
  ASSERT_TRUE(frame.RunCommand(cmd::kViewLargeIcon));
  EXPECT_EQ(frame.GetRightView()->ViewStyle(), cmd::kViewLargeIcon);
  EXPECT_EQ(frame.UpdateCommand(cmd::kViewLargeIcon).mark, CommandState::kRadio);
  EXPECT_EQ(frame.UpdateCommand(cmd::kViewDetails).mark, CommandState::kNone);
  EXPECT_TRUE(frame.UpdateCommand(cmd::kViewLineUp).enabled);
  ASSERT_TRUE(frame.RunCommand(cmd::kCheckBoxes));
  EXPECT_TRUE(frame.GetRightView()->CheckBoxMode());
  EXPECT_TRUE(frame.MenuActions(cmd::kCheckBoxes).value(0)->isChecked());
  ASSERT_TRUE(frame.RunCommand(cmd::kCheckBoxes));
  EXPECT_FALSE(frame.GetRightView()->CheckBoxMode());
}

TEST_F(MainFrameTest, OwnedChildMessageDestroysTheChild) {
  CMainFrame frame;
  EXPECT_EQ(frame.OnOwnedChildMessage(1), -1);
  frame.SetOwnedChild(new QWidget);
  EXPECT_EQ(frame.OnOwnedChildMessage(7), 0);
  EXPECT_NE(frame.OwnedChild(), nullptr);
  EXPECT_EQ(frame.OnOwnedChildMessage(2), 0);
  EXPECT_EQ(frame.OwnedChild(), nullptr);
}

TEST_F(MainFrameTest, CancellingThePickerLeavesTheCaption) {
  CMainFrame frame;
  int asked = -1;
  dlg::ScopedReplacement<CDriveBoxMainDlg> picker([&](QWidget*, const CDriveBoxMainDlg::Args& args) {
    asked = args.page;
    return std::optional<CDriveBoxMainDlg::Result>();  // cancel
  });
  ASSERT_TRUE(frame.RunCommand(cmd::kOpenImage));
  EXPECT_EQ(asked, 4);
  ASSERT_TRUE(frame.RunCommand(cmd::kOpenDisk));
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(frame.windowTitle(), "Pellamor");
  EXPECT_EQ(frame.GetLeftView()->FileSystem(), nullptr);
}

TEST_F(MainFrameTest, TheWindowKeepsItsSizeAtStart) {
  CMainFrame frame;
  QSize before = frame.size();
  frame.show();
  shell_test::WaitFor([] { return false; }, 50);
  EXPECT_EQ(frame.size(), before);
  EXPECT_EQ(frame.GetLeftView()->parentWidget(), frame.GetRightView()->parentWidget());
}

}  // namespace
