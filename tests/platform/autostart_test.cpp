#include "platform/autostart.h"

#include <gtest/gtest.h>

#include <filesystem>

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

}  // namespace
