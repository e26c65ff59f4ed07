#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "Pellamor/AppRecords.h"
#include "Pellamor/FormatMessage.h"
#include "Pellamor/Settings.h"
#include "platform/message.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::TempDir;

// A fresh profile file for one test.
class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override { profile::SetProfileFile(QString::fromStdString(dir_.File("profile.ini"))); }
  void TearDown() override { profile::SetProfileFile({}); }
  TempDir dir_;
};

TEST(AppRecords, ProductInfoStartsAtZeroAndTakesTheProgramVersion) {
  PRODUCTINFO p;
  EXPECT_EQ(p.GetVersionText(), u"0.0.0.0");
  EXPECT_EQ(p.GetPlatformText(), u"x86");
  EXPECT_EQ(p.productLine, u"5.0");
  EXPECT_EQ(p.values[2], 2975);
  p.SetProgramVersion(5, 1, 22, 333);
  EXPECT_EQ(p.GetVersionText(), u"5.1.22.333");
}

TEST(AppRecords, LanguageTablesConvertBothWays) {
  struct Row {
    int command, langId;
  };
  const Row rows[] = {{32905, 1042}, {32906, 1033}, {32910, 1041}, {32911, 2052}, {32912, 1028}};
  for (const Row& r : rows) {
    EXPECT_EQ(CommandToLangId(r.command), r.langId);
    EXPECT_EQ(LangIdToCommand(r.langId), r.command);
  }
  EXPECT_EQ(CommandToLangId(32904, 1041), 1041);  // the default LANGID
  EXPECT_EQ(CommandToLangId(12345), 1033);        // outside the table
  EXPECT_EQ(LangIdToCommand(0), 32904);
  EXPECT_EQ(LangIdToCommand(1049), 32906);
  const int ids[] = {0, 1042, 1033, 1041, 2052, 1028};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(LangIndexToLangId(i), ids[i]);
  EXPECT_EQ(LangIndexToLangId(6), 0);
  EXPECT_EQ(LangIndexToLangId(-1), 0);
}

TEST_F(ProfileTest, FirstStartTurnsOnDetectionWhichResolvesToEnglish) {
  LanguageState s;
  s.Load();
  s.SetLanguageMode(32905);  // ignored in the first call
  EXPECT_EQ(s.autoDetect, 1);
  EXPECT_EQ(s.langId, 1033);
  EXPECT_EQ(g_wLangId, 1033);
  EXPECT_EQ(g_nCurrentLangCommand, 32904);
  EXPECT_FALSE(profile::HasProfileKey("Options", "LanguageId"));
}

TEST_F(ProfileTest, AChosenLanguageSurvivesARestart) {
  {
    LanguageState s;
    s.Load();
    s.SetLanguageMode(32904);
    s.SetLanguageMode(32910);
    EXPECT_EQ(s.autoDetect, 0);
    EXPECT_EQ(s.userDefined, 1);
  }
  EXPECT_EQ(GetOptionInt("LanguageAutoDetect", -1), 0);
  EXPECT_EQ(GetOptionInt("LanguageUserDefined", -1), 1);
  EXPECT_EQ(GetOptionInt("LanguageId", -1), 1041);

  LanguageState restarted;
  restarted.Load();
  EXPECT_EQ(restarted.CurrentCommand(), 32910);
  restarted.SetLanguageMode(restarted.CurrentCommand());
  EXPECT_EQ(g_wLangId, 1041);
  EXPECT_EQ(g_nCurrentLangCommand, 32910);
  // Back to detection: the flags swap and the LANGID stays as stored.
  restarted.SetLanguageMode(32904);
  EXPECT_EQ(GetOptionInt("LanguageAutoDetect", -1), 1);
  EXPECT_EQ(GetOptionInt("LanguageUserDefined", -1), 0);
  EXPECT_EQ(GetOptionInt("LanguageId", -1), 1041);
  EXPECT_EQ(g_wLangId, 1033);
}

TEST_F(ProfileTest, SetOptionIntWritesOnlyAChangedValue) {
  EXPECT_EQ(SetOptionInt("Skin", 3), 1);
  EXPECT_EQ(SetOptionInt("Skin", 3), 0);
  EXPECT_EQ(SetOptionInt("Skin", 4), 1);
  EXPECT_EQ(GetOptionInt("Skin", 0), 4);
  EXPECT_EQ(GetOptionInt("Missing", 17), 17);
}

TEST(AppRecords, FindExistingNameIgnoresCaseAndPassesOverFolders) {
  TempDir dir;
  testing_support::WriteFile(dir.File("Report.TXT"), "x");
  std::filesystem::create_directory(dir.File("photos"));
  const std::u16string folder = platform::FromUtf8(dir.path());
  EXPECT_EQ(FindExistingName(folder, u"report.txt", true), 1);
  EXPECT_EQ(FindExistingName(folder, u"REPORT.TXT", true), 1);
  EXPECT_EQ(FindExistingName(folder, u"PHOTOS", true), 0);
  EXPECT_EQ(FindExistingName(folder, u"other.txt", true), 0);

  platform::RecordingMessageSink sink;
  platform::ScopedMessageSink guard(&sink);
  const std::u16string missing = platform::FromUtf8(dir.File("none"));
  EXPECT_EQ(FindExistingName(missing, u"a", true), 0);
  EXPECT_TRUE(sink.Texts().empty());
  EXPECT_EQ(FindExistingName(missing, u"a", false), 0);
  ASSERT_EQ(sink.Texts().size(), 1u);
  EXPECT_EQ(sink.Texts()[0].rfind(missing + u" ", 0), 0u);
  EXPECT_GT(sink.Texts()[0].size(), missing.size() + 1);
}

TEST(AppRecords, FindExistingNameFoldsCaseBeyondAsciiAndPassesOverLinkedFolders) {
  TempDir dir;
  testing_support::WriteFile(dir.File("Ärger.txt"), "x");
  std::filesystem::create_directory(dir.File("photos"));
  std::filesystem::create_directory_symlink(dir.File("photos"), dir.File("Album"));
  std::filesystem::create_symlink(dir.File("Ärger.txt"), dir.File("Note"));
  const std::u16string folder = platform::FromUtf8(dir.path());
  struct Row {
    std::u16string name;
    int found;
  };
  const Row rows[] = {{u"äRGER.TXT", 1}, {u"ALBUM", 0}, {u"note", 1}, {u"arger.txt", 0}};
  for (const Row& r : rows) EXPECT_EQ(FindExistingName(folder, r.name, true), r.found) << platform::ToUtf8(r.name);
}

TEST(AppRecords, SystemErrorTextFollowsOneBlank) {
  CFormatMessage m;
  std::u16string combined;
  errno = ENOENT;
  int n = m.ShowLastError(u"", false, &combined);
  EXPECT_GT(n, 0);
  ASSERT_FALSE(combined.empty());
  EXPECT_EQ(combined[0], u' ');
  EXPECT_EQ(static_cast<int>(combined.size()), n + 1);
}

TEST(AppRecords, StartUpEntryIsWrittenIntoAFolderThatDidNotExist) {
  TempDir dir;
  const char* old = std::getenv("XDG_CONFIG_HOME");
  std::string saved = old ? old : "";
  setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1);
  CJorunRegistry reg;
  EXPECT_TRUE(reg.WriteStringUtf8(u"HKEY_CURRENT_USER", u"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                  u"PellamorUpdate", u"/opt/pellamor/Pellamor --update"));
  std::string text = testing_support::ReadFile(dir.File("config/autostart/PellamorUpdate.desktop"));
  EXPECT_NE(text.find("Exec=/opt/pellamor/Pellamor --update\n"), std::string::npos) << text;
  EXPECT_NE(text.find("[Desktop Entry]"), std::string::npos);
  if (old) setenv("XDG_CONFIG_HOME", saved.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
