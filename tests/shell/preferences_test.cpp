#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Pellamor/App.h"
#include "Pellamor/DLG/CSetupPreferenceDlg/COptionDRDlg.h"
#include "Pellamor/DLG/CSetupPreferenceDlg/COptionUpdateDlg.h"
#include "Pellamor/DLG/CSetupPreferenceDlg/CSetupPreferenceDlg.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/Settings.h"
#include "controls/PrefsStatic.h"
#include "platform/autostart.h"
#include "platform/message.h"
#include "platform/program_folder.h"
#include "shell_support.h"
#include "tests/modules/module_env.h"
#include "tests/platform/scoped_env.h"
#include "tests/support/test_support.h"

namespace {

using platform::MsgAnswer;
using testing_support::ReadFile;
using testing_support::TempDir;

// The arguments of an Exec value as the desktop reads them back: the string value's escapes, the
// quoting of arguments, then "%%".
std::vector<std::string> SplitExec(const std::string& value) {
  std::string line;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      const char next = value[++i];
      line += next == 's' ? ' ' : next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
    } else {
      line += value[i];
    }
  }
  std::vector<std::string> args;
  std::string arg;
  bool inArg = false, quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '\\' && i + 1 < line.size() && std::string("\"`$\\").find(line[i + 1]) != std::string::npos) {
        arg += line[++i];
      } else if (c == '"') {
        quoted = false;
      } else {
        arg += c;
      }
    } else if (c == ' ') {
      if (inArg) args.push_back(arg);
      arg.clear();
      inArg = false;
    } else if (c == '"') {
      quoted = inArg = true;
    } else {
      arg += c;
      inArg = true;
    }
  }
  if (inArg) args.push_back(arg);
  for (std::string& a : args)
    for (std::size_t at = a.find("%%"); at != std::string::npos; at = a.find("%%", at + 1)) a.erase(at, 1);
  return args;
}

std::string ExecOf(const std::string& entry) {
  const std::size_t at = entry.find("\nExec=");
  if (at == std::string::npos) return {};
  const std::size_t end = entry.find('\n', at + 1);
  return entry.substr(at + 6, end - at - 6);
}

class PreferencesTest : public module_env::StartedSuite {
 protected:
  void SetUp() override {
    module_env::StartedSuite::SetUp();
    shell_test::App();
    profile::SetProfileFile(QString::fromStdString(Profile()));
    env_.Set("XDG_CONFIG_HOME", dir_.File("config").c_str());
    app_ = std::make_unique<CPellamorApp>();  // holds the session's values
  }
  void TearDown() override {
    app_.reset();
    platform::SetProgramFolderOverride(testing_support::BinDir());
    profile::SetProfileFile({});
  }
  std::string Profile() const { return dir_.File("profile.ini"); }
  std::string Entry(const std::string& name) const { return dir_.File("config/autostart/" + name + ".desktop"); }

  TempDir dir_;
  platform_test::ScopedEnv env_;
  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
  std::unique_ptr<CPellamorApp> app_;
};

TEST_F(PreferencesTest, TickingWritesAnEntryWhoseExecSplitsBackIntoTheProgramAndItsArguments) {
  const std::string folder = dir_.File("Program Files/100% $HOME \"x\" back\\slash");
  platform::SetProgramFolderOverride(folder);
  COptionUpdateDlg page;
  EXPECT_FALSE(page.StartupBox()->isChecked());
  page.StartupBox()->click();
  EXPECT_TRUE(page.StartupBox()->isChecked());
  EXPECT_EQ(profile::GetProfileInt("Options", "UpdateWindowsStartup", 0), 1);
  const std::string entry = ReadFile(Entry("PLIMMER"));
  EXPECT_NE(entry.find("\nName=PLIMMER\n"), std::string::npos);
  const std::vector<std::string> args = SplitExec(ExecOf(entry));
  EXPECT_EQ(args, (std::vector<std::string>{folder + "/bin/plimmer", "-auto", "enable"})) << ExecOf(entry);

  // A plain folder stays unquoted.
  platform::SetProgramFolderOverride("/opt/pellamor");
  EXPECT_EQ(COptionUpdateDlg::StartupCommand(), u"/opt/pellamor/bin/plimmer -auto enable");
}

TEST_F(PreferencesTest, UntickingRemovesOnlyTheUpdatersEntry) {
  profile::WriteProfileInt("Options", "UpdateWindowsStartup", 1);
  ASSERT_TRUE(platform::WriteAutostartEntry(u"PLIMMER", u"/x/bin/plimmer -auto enable"));
  ASSERT_TRUE(platform::WriteAutostartEntry(u"Other", u"/usr/bin/other"));
  COptionUpdateDlg page;
  ASSERT_TRUE(page.StartupBox()->isChecked());
  page.StartupBox()->click();
  EXPECT_FALSE(page.StartupBox()->isChecked());
  EXPECT_FALSE(std::filesystem::exists(Entry("PLIMMER")));
  EXPECT_TRUE(std::filesystem::exists(Entry("Other")));
  EXPECT_EQ(profile::GetProfileInt("Options", "UpdateWindowsStartup", -1), 0);
}

TEST_F(PreferencesTest, AnEntryThatCannotBeWrittenUnticksTheBoxAndKeepsTheStoredValue) {
  std::filesystem::create_directories(dir_.File("config"));
  testing_support::WriteFile(dir_.File("config/autostart"), "not a folder");
  COptionUpdateDlg page;
  page.StartupBox()->click();
  EXPECT_FALSE(page.StartupBox()->isChecked());
  EXPECT_FALSE(profile::HasProfileKey("Options", "UpdateWindowsStartup"));

  profile::WriteProfileInt("Options", "UpdateWindowsStartup", 0);
  const std::string before = ReadFile(Profile());
  COptionUpdateDlg again;
  again.StartupBox()->click();
  EXPECT_FALSE(again.StartupBox()->isChecked());
  EXPECT_EQ(ReadFile(Profile()), before);
}

TEST_F(PreferencesTest, TheUpdatePageStoresAtOnceWhateverClosesTheDialog) {
  dlg::RegisterAllDialogs();
  shell_test::WhenModal<CSetupPreferenceDlg> act([](CSetupPreferenceDlg* d) {
    ASSERT_EQ(d->PageCount(), 2);
    EXPECT_EQ(d->Tree()->topLevelItem(0)->text(0), QString::fromUtf16(u"데이터복구"));
    EXPECT_EQ(d->Tree()->topLevelItem(1)->text(0), QString::fromUtf16(u"업데이트"));
    EXPECT_EQ(d->Caption()->text(), QString::fromUtf16(u"데이터복구"));
    d->Tree()->setCurrentItem(d->Tree()->topLevelItem(1));
    EXPECT_EQ(d->CurrentPage(), 1);
    EXPECT_EQ(d->Caption()->text(), QString::fromUtf16(u"업데이트"));
    auto* page = qobject_cast<COptionUpdateDlg*>(d->Page(1));
    ASSERT_NE(page, nullptr);
    page->RuntimeBox()->click();
    QTest::keyClick(d, Qt::Key_Escape);  // swallowed
    EXPECT_TRUE(d->isVisible());
    d->CancelButton()->click();
  });
  EXPECT_EQ(dlg::RunDialog("CSetupPreferenceDlg"), 0);
  EXPECT_TRUE(act.Acted());
  EXPECT_EQ(profile::GetProfileInt("Options", "UpdateBeforeRuntime", 0), 1);
}

TEST_F(PreferencesTest, StoredValuesOpenThePage) {
  struct Row {
    const char* amount;
    int type, notation;
    bool base10;
    const char* shownAmount;
    int shownType;
    const char16_t* bytes;
  };
  const Row rows[] = {
      {"5", 1, 3, false, "5", 1, u"5,120"},          // notation 3 reads as base 2
      {"7", 9, 2, false, "1", 2, u"1,048,576"},      // a type above 8 resets
      {"4", 2, 10, true, "4", 2, u"4,000,000"},
      {"x", 1, 2, false, "0", 1, u"0"},               // an amount that does not parse
      {"4294967295", 0, 2, false, "4294967295", 0, u"4,294,967,295"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.amount);
    profile::WriteProfileString("Options", "RecoveryFileSizeUnit", QString::fromLatin1(r.amount));
    profile::WriteProfileInt("Options", "RecoveryFileSizeType", r.type);
    profile::WriteProfileInt("Options", "RecoveryFileSizeNotation", r.notation);
    COptionDRDlg page;
    EXPECT_EQ(page.Base10Radio()->isChecked(), r.base10);
    EXPECT_EQ(page.Base2Radio()->isChecked(), !r.base10);
    EXPECT_EQ(page.AmountEdit()->text(), r.shownAmount);
    EXPECT_EQ(page.UnitList()->currentIndex(), r.shownType);
    EXPECT_EQ(page.UnitList()->count(), 9);
    EXPECT_EQ(page.ByteText()->text(), QString::fromUtf16(r.bytes));
  }
}

TEST_F(PreferencesTest, NotationThreeStoresTwoOnYes) {
  profile::WriteProfileInt("Options", "RecoveryFileSizeNotation", 3);
  COptionDRDlg page;
  EXPECT_TRUE(page.Base2Radio()->isChecked());
  sink_.QueueAnswer(MsgAnswer::Yes);
  page.ApplyButton()->click();
  EXPECT_EQ(profile::GetProfileInt("Options", "RecoveryFileSizeNotation", 0), 2);
  ASSERT_EQ(sink_.Messages().size(), 2u);
  EXPECT_EQ(sink_.Messages()[0].buttons, platform::MsgButtons::YesNoDefaultNo);
  EXPECT_EQ(sink_.Messages()[0].icon, platform::MsgIcon::Question);
  EXPECT_EQ(sink_.Messages()[0].text,
            u"변경된 내용을 저장하시겠습니까?\r\n\n\n변경된 내용을 저장하지 않고 프로그램 종료전까지만 적용하시려면\r\n[아니오]를 "
            u"선택하십시오.");
  EXPECT_EQ(sink_.Messages()[1].text, u"설정된 내용이 저장되었습니다.");
}

TEST_F(PreferencesTest, UnitAndNotationChangesRecomputeAtOnce) {
  COptionDRDlg page;  // defaults: 1 MiB
  EXPECT_EQ(page.ByteText()->text(), "1,048,576");
  EXPECT_EQ(page.SizeText()->text(), "1.00");
  EXPECT_EQ(page.UnitText()->text(), "MB");
  page.UnitList()->setCurrentIndex(3);
  emit page.UnitList()->activated(3);
  EXPECT_EQ(page.ByteText()->text(), "1,073,741,824");
  EXPECT_EQ(page.UnitText()->text(), "GB");
  page.Base10Radio()->click();
  EXPECT_EQ(page.UnitList()->currentIndex(), 3);
  EXPECT_EQ(page.UnitList()->currentText(), QString::fromUtf16(u"GB (기가바이트) = 1000^3 B = 10^9 B"));
  EXPECT_EQ(page.ByteText()->text(), "1,000,000,000");
  EXPECT_EQ(page.SizeText()->text(), "1.00");
  page.AmountEdit()->selectAll();
  QTest::keyClicks(page.AmountEdit(), "1500");
  EXPECT_EQ(page.ByteText()->text(), "1,500,000,000,000");
  EXPECT_EQ(page.SizeText()->text(), "1.50");
  EXPECT_EQ(page.UnitText()->text(), "TB");
}

TEST_F(PreferencesTest, TheAmountTakesDigitsOnlyUpToTheLimit) {
  COptionDRDlg page;
  page.AmountEdit()->clear();
  QTest::keyClicks(page.AmountEdit(), "12a-3");
  EXPECT_EQ(page.AmountEdit()->text(), "123");
  page.AmountEdit()->clear();
  QTest::keyClicks(page.AmountEdit(), "42949672959");
  EXPECT_EQ(page.AmountEdit()->text(), "4294967295");
  EXPECT_EQ(page.Amount(), 4294967295ull);
  page.AmountEdit()->clear();
  QTest::keyClicks(page.AmountEdit(), "4294967296");
  EXPECT_EQ(page.AmountEdit()->text(), "429496729");
}

TEST_F(PreferencesTest, ThreeYobibytesAreExactAndStoredAsText) {
  COptionDRDlg page;
  page.AmountEdit()->selectAll();
  QTest::keyClicks(page.AmountEdit(), "3");
  page.UnitList()->setCurrentIndex(8);
  emit page.UnitList()->activated(8);
  EXPECT_EQ(page.ByteText()->text(), "3,626,777,458,843,887,524,118,528");
  EXPECT_EQ(page.UnitText()->text(), "YB");
  sink_.QueueAnswer(MsgAnswer::Yes);
  page.ApplyButton()->click();
  EXPECT_EQ(profile::GetProfileString("Options", "RecoveryFileSizeByte"), "3626777458843887524118528");
  EXPECT_EQ(profile::GetProfileInt("Options", "RecoveryFileSizeType", 0), 8);
  EXPECT_EQ(profile::GetProfileString("Options", "RecoveryFileSizeUnit"), "3");
  // The largest amount in the largest unit.
  EXPECT_EQ(DecimalText(RecoverySizeBytes(4294967295ull, 8, 10)), "4294967295000000000000000000000000");
  EXPECT_EQ(DecimalText(RecoverySizeBytes(0, 8, 2)), "0");
}

TEST_F(PreferencesTest, NoKeepsTheValuesForTheRunAndWritesNothing) {
  profile::WriteProfileInt("Options", "RecoveryFileSizeType", 2);
  const std::string before = ReadFile(Profile());
  {
    COptionDRDlg page;
    page.AmountEdit()->selectAll();
    QTest::keyClicks(page.AmountEdit(), "250");
    page.UnitList()->setCurrentIndex(1);
    emit page.UnitList()->activated(1);
    page.Base10Radio()->click();
    sink_.QueueAnswer(MsgAnswer::No);
    page.ApplyButton()->click();
  }
  EXPECT_EQ(ReadFile(Profile()), before);
  ASSERT_EQ(sink_.Messages().size(), 2u);
  EXPECT_EQ(sink_.Messages()[1].text, u"설정되었습니다.\r\n\n변경된 내용은 프로그램이 종료되기 전까지만 유효합니다.");
  EXPECT_EQ(sink_.Messages()[1].icon, platform::MsgIcon::Information);
  COptionDRDlg reopened;
  EXPECT_EQ(reopened.AmountEdit()->text(), "250");
  EXPECT_EQ(reopened.UnitList()->currentIndex(), 1);
  EXPECT_TRUE(reopened.Base10Radio()->isChecked());
  EXPECT_EQ(reopened.ByteText()->text(), "250,000");
  // A new run reads the profile again.
  app_ = std::make_unique<CPellamorApp>();
  COptionDRDlg nextRun;
  EXPECT_EQ(nextRun.AmountEdit()->text(), "1");
}

TEST_F(PreferencesTest, Screenshots) {
  CSetupPreferenceDlg dialog;
  dialog.AddPage(new COptionDRDlg, QString::fromUtf16(u"데이터복구"));
  dialog.AddPage(new COptionUpdateDlg, QString::fromUtf16(u"업데이트"));
  dialog.show();
  gui_test::Settle();
  shell_test::SaveShot(dialog, "preferences_recovery");
  dialog.ShowPage(1);
  gui_test::Settle();
  shell_test::SaveShot(dialog, "preferences_update");
  EXPECT_EQ(dialog.Caption()->text(), QString::fromUtf16(u"업데이트"));
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf16(u"환경설정"));
}

}  // namespace
