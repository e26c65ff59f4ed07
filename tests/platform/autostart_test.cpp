#include "platform/autostart.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "scoped_env.h"
#include "tests/support/test_support.h"

namespace {

using platform_test::ScopedEnv;
using testing_support::ReadFile;
using testing_support::TempDir;

class AutostartTest : public ::testing::Test {
 protected:
  void SetUp() override { env_.Set("XDG_CONFIG_HOME", dir_.File("config").c_str()); }
  std::string Entry(const std::string& name) const { return dir_.File("config/autostart/" + name + ".desktop"); }

  TempDir dir_;
  ScopedEnv env_;
};

TEST_F(AutostartTest, EntryIsWrittenIntoAFolderThatDidNotExist) {
  ASSERT_TRUE(platform::WriteAutostartEntry(u"PellamorUpdate", u"/opt/pellamor/Pellamor --update"));
  EXPECT_EQ(ReadFile(Entry("PellamorUpdate")),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=PellamorUpdate\n"
            "Exec=/opt/pellamor/Pellamor --update\n"
            "X-GNOME-Autostart-enabled=true\n");
  // A second write replaces the entry and leaves nothing beside it.
  ASSERT_TRUE(platform::WriteAutostartEntry(u"PellamorUpdate", u"/usr/bin/Pellamor 100%"));
  EXPECT_NE(ReadFile(Entry("PellamorUpdate")).find("\nExec=/usr/bin/Pellamor 100%%\n"), std::string::npos);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.File("config/autostart")),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(AutostartTest, FileNameOfAnEntry) {
  struct Row {
    std::u16string name;
    std::string file;
  };
  const Row rows[] = {
      {u"Pellamor", "Pellamor"}, {u"a/b\\c", "a_b_c"}, {u"", "Pellamor"}, {u"복구", "복구"},
  };
  for (const Row& r : rows) EXPECT_EQ(platform::AutostartFile(r.name), Entry(r.file));
}

TEST_F(AutostartTest, ConfigFolderFallsBackToHome) {
  env_.Set("XDG_CONFIG_HOME", "");
  env_.Set("HOME", dir_.File("home").c_str());
  ASSERT_TRUE(platform::WriteAutostartEntry(u"X", u"/bin/x"));
  EXPECT_TRUE(std::filesystem::exists(dir_.File("home/.config/autostart/X.desktop")));
  env_.Set("HOME", nullptr);
  EXPECT_EQ(platform::AutostartFile(u"X"), "");
  EXPECT_FALSE(platform::WriteAutostartEntry(u"X", u"/bin/x"));
}

TEST_F(AutostartTest, RefusedWritesLeaveTheOldEntry) {
  ASSERT_TRUE(platform::WriteAutostartEntry(u"P", u"/bin/old"));
  const std::string old = ReadFile(Entry("P"));
  // A line break would add keys of its own to the entry.
  EXPECT_FALSE(platform::WriteAutostartEntry(u"P", u"/bin/new\nHidden=true"));
  EXPECT_FALSE(platform::WriteAutostartEntry(u"P", u"/bin/new\r"));
  EXPECT_EQ(ReadFile(Entry("P")), old);
  EXPECT_FALSE(platform::WriteAutostartEntry(u"Q\nR", u"/bin/q"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.File("config/autostart")),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(AutostartTest, AnAutostartFolderThatCannotBeMadeFails) {
  std::filesystem::create_directories(dir_.File("config"));
  testing_support::WriteFile(dir_.File("config/autostart"), "not a folder");
  EXPECT_FALSE(platform::WriteAutostartEntry(u"P", u"/bin/p"));
}

TEST(AutostartExec, ArgumentsAreQuotedOnlyWhereTheyMustBe) {
  struct Row {
    std::vector<std::u16string> args;
    std::u16string line;
  };
  const Row rows[] = {
      {{u"/opt/p/bin/plimmer", u"-auto", u"enable"}, u"/opt/p/bin/plimmer -auto enable"},
      {{u"/opt/my p/x"}, u"\"/opt/my p/x\""},
      {{u"/a$b", u"c`d"}, u"\"/a\\$b\" \"c\\`d\""},
      {{u"say \"hi\"", u"back\\slash"}, u"\"say \\\"hi\\\"\" \"back\\\\slash\""},
      {{u"a;b", u"x*", u"(y)", u"~", u"#", u"it's", u"p|q", u"r&s", u"<t>", u"u?"},
       u"\"a;b\" \"x*\" \"(y)\" \"~\" \"#\" \"it's\" \"p|q\" \"r&s\" \"<t>\" \"u?\""},
      {{u"100%", u"\t"}, u"100% \"\t\""},
      {{u"x", u""}, u"x \"\""},
  };
  for (const Row& r : rows) EXPECT_EQ(platform::ExecCommandLine(r.args), r.line);
}

TEST_F(AutostartTest, TheExecValueDoublesBackslashesAndPercentSigns) {
  ASSERT_TRUE(platform::WriteAutostartEntry(u"P", platform::ExecCommandLine({u"/a b/100%\\x", u"-auto"})));
  const std::string entry = ReadFile(Entry("P"));
  EXPECT_NE(entry.find("\nExec=\"/a b/100%%\\\\\\\\x\" -auto\n"), std::string::npos) << entry;
}

TEST_F(AutostartTest, RemovingAnEntryLeavesTheOthers) {
  ASSERT_TRUE(platform::WriteAutostartEntry(u"PLIMMER", u"/bin/p"));
  ASSERT_TRUE(platform::WriteAutostartEntry(u"Other", u"/bin/o"));
  EXPECT_TRUE(platform::RemoveAutostartEntry(u"PLIMMER"));
  EXPECT_FALSE(std::filesystem::exists(Entry("PLIMMER")));
  EXPECT_TRUE(std::filesystem::exists(Entry("Other")));
  EXPECT_TRUE(platform::RemoveAutostartEntry(u"PLIMMER"));  // none left: nothing to do
  // Something in the entry's place that cannot be removed.
  std::filesystem::create_directories(Entry("Stuck"));
  testing_support::WriteFile(Entry("Stuck") + "/inside", "x");
  EXPECT_FALSE(platform::RemoveAutostartEntry(u"Stuck"));
}

}  // namespace
