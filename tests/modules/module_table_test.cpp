#include <gtest/gtest.h>

#include "tests/modules/module_env.h"

namespace {

using module_env::ProgramFolder;
using module_env::ScopedLoader;
using platform::MsgAnswer;

bool SawTextContaining(const platform::RecordingMessageSink& sink, std::u16string_view part) {
  for (const auto& t : sink.Texts())
    if (t.find(part) != std::u16string::npos) return true;
  return false;
}

TEST(ModuleTable, FullSetLoadsIntoTwentyFiveRowsAndBindsEverything) {
  ProgramFolder folder;
  folder.CopyAllBut({});
  ScopedLoader loader(folder.path());
  ASSERT_EQ(LoadModuleTable(), 1);
  ASSERT_EQ(g_ModuleTable.size(), 25u);
  EXPECT_TRUE(loader.sink().Messages().empty());

  int expected = 0;
  for (std::size_t i = 0; i < g_ModuleTable.size(); ++i) {
    const MODULEINFO& row = g_ModuleTable[i];
    const ModuleRowInfo& info = module_versions::kRows[i];
    EXPECT_EQ(platform::ToUtf8(row.fileName), info.identifier);
    EXPECT_EQ(row.kind, info.kind);
    EXPECT_EQ(row.sequence, row.kind == kKindListed ? 0 : expected++) << info.identifier;
    EXPECT_EQ(row.handle != nullptr, row.kind == kKindLoaded) << info.identifier;
    EXPECT_EQ(platform::ToUtf8(row.fullPath), folder.path() + "/" + info.identifier);
  }
  EXPECT_EQ(expected, 21);  // sequence numbers 0 to 20

  BindAllModules();
  EXPECT_EQ(CheckModuleExports(), 1);
  EXPECT_EQ(InitModules(), 1);
  const int ntfs = FindModuleRow(u"ntfs.dll");
  ASSERT_GE(ntfs, 0);
  EXPECT_EQ(g_ModuleTable[ntfs].versionFunction, pfn_read_runtime_module_version_ntfs);
  EXPECT_NE(pfn_read_runtime_module_version_ntfs, nullptr);
  // The stand-in agent answers 0 and leaves the registered record as the program filled it.
  EXPECT_EQ(pfn_read_runtime_module_version_ntfs(7), 0);
  EXPECT_EQ(GetModuleVersionField(128, ntfs), 2009u);
  EXPECT_EQ(GetModuleVersionField(256, ntfs), 12u);
  EXPECT_EQ(GetCommonVersionField(2, ntfs), 2u);
  EXPECT_EQ(GetModuleVersionField(3, ntfs), 0u);  // not a selector bit

  UnloadModules();
  EXPECT_TRUE(g_ModuleTable.empty());
  EXPECT_EQ(pfn_add_comma, nullptr);
}

TEST(ModuleTable, IgnoredModuleKeepsOtherRowsInPlaceButFailsTheExportCheck) {
  ProgramFolder folder;
  folder.CopyAllBut({"udf.dll"});
  ScopedLoader loader(folder.path());
  loader.sink().QueueAnswer(MsgAnswer::Ignore);
  ASSERT_EQ(LoadModuleTable(), 1);
  EXPECT_TRUE(loader.sink().Saw(u"DLL udf.dll 라이브러리를 가져올 수 없습니다."));
  EXPECT_EQ(loader.sink().Messages()[0].buttons, platform::MsgButtons::AbortRetryIgnore);
  ASSERT_EQ(g_ModuleTable.size(), 24u);
  EXPECT_EQ(FindModuleRow(u"udf.dll"), -1);

  BindAllModules();
  InitModules();
  // Rows are found by identifier: the row after the ignored one keeps its exports and record.
  const int thren = FindModuleRow(u"thren.dll");
  ASSERT_GE(thren, 0);
  EXPECT_EQ(g_ModuleTable[thren].versionFunction, pfn_read_runtime_module_version_thren);
  EXPECT_EQ(GetModuleVersionField(16, thren), 2010u);  // thren's first date, 2010-01-22
  EXPECT_EQ(GetModuleVersionField(64, thren), 22u);
  EXPECT_EQ(pfn_read_runtime_module_version_udf, nullptr);

  try {
    CheckModuleExports();
    FAIL() << "the check let a missing export through";
  } catch (const platform::ProcessExit& e) {
    EXPECT_NE(e.code, 0);
  }
  EXPECT_TRUE(loader.sink().Saw(u"프로그램이 구동하는데 필요한 함수가 없습니다. 더 최신버전의 Corvane 가 필요합니다."));
  EXPECT_TRUE(SawTextContaining(loader.sink(), u"코드번호: D846CE43 (#1)"));
}

TEST(ModuleTable, ModuleLackingOneExportEndsTheStartUp) {
  ProgramFolder folder;
  folder.CopyAllBut({"win.dll"});
  folder.Copy("win_lacking_export.dll", "win.dll");
  ScopedLoader loader(folder.path());
  ASSERT_EQ(LoadModuleTable(), 1);
  ASSERT_EQ(g_ModuleTable.size(), 25u);
  BindAllModules();
  EXPECT_EQ(pfn_is_wx_wow64, nullptr);
  EXPECT_NE(pfn_get_wx_ver, nullptr);
  try {
    CheckModuleExports();
    FAIL() << "the check let a missing export through";
  } catch (const platform::ProcessExit& e) {
    EXPECT_NE(e.code, 0);
  }
  EXPECT_TRUE(SawTextContaining(loader.sink(), u"코드번호: D846CE43 (#1)"));
  EXPECT_TRUE(SawTextContaining(loader.sink(), u"(확인을 누르면 프로그램을 종료합니다.)"));
}

TEST(ModuleTable, RetryLoadsAgainAndAbortEndsWithAFailureStatus) {
  ProgramFolder folder;
  folder.CopyAllBut({"cdfs.dll"});  // no module loads cdfs as a neighbour
  {
    // Retry twice (still missing), then Ignore.
    ScopedLoader loader(folder.path());
    loader.sink().QueueAnswer(MsgAnswer::Retry);
    loader.sink().QueueAnswer(MsgAnswer::Retry);
    loader.sink().QueueAnswer(MsgAnswer::Ignore);
    LoadModuleTable();
    EXPECT_EQ(loader.sink().Messages().size(), 3u);
    EXPECT_EQ(g_ModuleTable.size(), 24u);
  }
  {
    ScopedLoader loader(folder.path());
    loader.sink().QueueAnswer(MsgAnswer::Abort);
    try {
      LoadModuleTable();
      FAIL() << "Abort did not end the start-up";
    } catch (const platform::ProcessExit& e) {
      EXPECT_NE(e.code, 0);
    }
  }
}

TEST(ModuleTable, InvalidPlaceIsAnInvalidArgument) {
  ScopedLoader loader(testing_support::BinDir());
  LoadModuleTable();
  EXPECT_THROW(ModuleRow(25), std::invalid_argument);
  EXPECT_THROW(IsLoadableModule(-1), std::invalid_argument);
  EXPECT_EQ(IsLoadableModule(FindModuleRow(u"util.dll")), 1);
  EXPECT_EQ(IsLoadableModule(FindModuleRow(u"os.dll")), 0);
}

TEST(ModuleVersionTexts, BuildTypeAndVersionTexts) {
  module_env::StartedModules started;
  ASSERT_TRUE(started.ok());
  struct Case {
    std::uint32_t type, number;
    const char16_t* text;
  } cases[] = {
      {1, 3, u"Preview 3"}, {2, 4, u"Alpha 4"},          {4, 1, u"Beta 1"},
      {8, 11, u"RC 11"},    {16, 255, u"RTM 0x000000ff"}, {32, 0x1234, u"OFF 0x00001234"},
      {0, 5, u""},          {64, 5, u""},
  };
  const int row = FindModuleRow(u"ntfs.dll");
  ASSERT_GE(row, 0);
  for (const Case& c : cases) {
    g_ModuleTable[row].version.module[kBuildType] = c.type;
    g_ModuleTable[row].version.module[kBuildNumber] = c.number;
    EXPECT_EQ(FormatBuildTypeText(row), c.text) << c.type;
  }
  InitModules();  // the static records again
  EXPECT_EQ(FormatBuildTypeText(row), u"RC 11");
  EXPECT_EQ(FormatBuildTypeText(FindModuleRow(u"UIFRM")), u"Beta 1");
  EXPECT_EQ(FormatModuleVersionText(row, 1 | 8), u"6.0.0.0 (2009-12-18) ");
  EXPECT_EQ(FormatModuleVersionText(row, 2), u"0 ");
  EXPECT_EQ(FormatModuleVersionText(row, 16), u"1.2.0.0 (20091127) ");
  EXPECT_EQ(FormatModuleVersionText(FindModuleRow(u"DB_SAVEBOX"), 1 | 2 | 8 | 16),
            u"5.0.0.0 0 (2009-12-28) 1.2.0.0 (20091127) ");
  EXPECT_EQ(FormatModuleVersionText(row, 0), u"");
}

TEST(FatalErrorBox, TextAndExit) {
  platform::RecordingMessageSink sink;
  platform::ScopedMessageSink guard(&sink);
  ShowFatalErrorAndExit("Tue Mar  2 10:00:00 2010", "x.cpp", 0x39A5BEB1, 1, 0);
  ASSERT_EQ(sink.Texts().size(), 1u);
  EXPECT_EQ(sink.Texts()[0],
            u"코드번호: 39A5BEB1 (#1) \r\n\nTue Mar  2 10:00:00 2010\r\n\n"
            u"코드번호에 관한 자세한 내용은 매뉴얼을 참조하십시오.\r\n\n");
  try {
    ShowFatalErrorAndExit("stamp", "x.cpp", 0x94025E1E, 2, 1);
    FAIL() << "exit flag 1 did not end the process";
  } catch (const platform::ProcessExit& e) {
    EXPECT_NE(e.code, 0);
  }
  EXPECT_EQ(sink.Texts()[1].rfind(u"코드번호: 94025E1E (#2) \r\n\nstamp\r\n\n", 0), 0u);
}

}  // namespace
