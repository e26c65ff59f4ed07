#include "platform/output_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/fault_plan.h"
#include "platform/large_buffer.h"
#include "tests/support/test_support.h"

namespace {

using platform::OutputFile;
using testing_support::ReadFile;
using testing_support::TempDir;

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  return names;
}

TEST(OutputFile, OnlyOnePlainEntryOfTheFolderIsAName) {
  const struct {
    std::u16string name;
    bool plain;
  } cases[] = {
      {u"a.txt", true},          {u"..a", true},           {u"a..b", true},
      {u"한글 이름.txt", true},  {u".hidden", true},       {u"", false},
      {u".", false},             {u"..", false},           {u"../x", false},
      {u"a/b", false},           {u"/", false},            {std::u16string(u"a\0b", 3), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::ToUtf8(c.name));
    EXPECT_EQ(platform::IsPlainFileName(c.name), c.plain);
    OutputFile::Error error = OutputFile::Error::None;
    TempDir dir;
    OutputFile f = OutputFile::Create(platform::FromUtf8(dir.path()), c.name, &error);
    EXPECT_EQ(f.IsOpen(), c.plain);
    EXPECT_EQ(error, c.plain ? OutputFile::Error::None : OutputFile::Error::BadName);
  }
  EXPECT_EQ(platform::OutputPath(u"/out/", u"a"), "/out/a");
  EXPECT_EQ(platform::OutputPath(u"", u"a"), "");
  EXPECT_EQ(platform::OutputPath(std::u16string(u"/o\0x", 4), u"a"), "");
}

TEST(OutputFile, TheTargetChangesOnlyOnCommit) {
  TempDir dir;
  const std::u16string folder = platform::FromUtf8(dir.path());
  testing_support::WriteFile(dir.File("f"), "older and longer");
  {
    OutputFile f = OutputFile::Create(folder, u"f");
    ASSERT_TRUE(f.IsOpen());
    ASSERT_TRUE(f.Write("new", 3));
    EXPECT_EQ(ReadFile(dir.File("f")), "older and longer");
    // Dropped without a commit.
  }
  EXPECT_EQ(FolderNames(dir.path()), std::vector<std::string>{"f"});
  EXPECT_EQ(ReadFile(dir.File("f")), "older and longer");

  OutputFile f = OutputFile::Create(folder, u"f");
  ASSERT_TRUE(f.Write("new", 3) && f.WriteZeros(70000));
  EXPECT_EQ(f.Written(), 70003u);
  OutputFile moved = std::move(f);
  EXPECT_FALSE(f.IsOpen());
  ASSERT_TRUE(moved.Commit());
  EXPECT_EQ(ReadFile(dir.File("f")), "new" + std::string(70000, '\0'));
  EXPECT_EQ(FolderNames(dir.path()), std::vector<std::string>{"f"});

  OutputFile::Error error = OutputFile::Error::None;
  EXPECT_FALSE(OutputFile::Create(platform::FromUtf8(dir.File("missing")), u"f", &error).IsOpen());
  EXPECT_EQ(error, OutputFile::Error::CannotCreate);
}

TEST(FaultPlan, WritesAndAllocationsFailOnceAsPlanned) {
  platform::ScopedFaultPlan faults;
  TempDir dir;
  OutputFile f = OutputFile::Create(platform::FromUtf8(dir.path()), u"f");
  platform::FaultPlan::FailOutputWriteAfter(5);
  EXPECT_TRUE(f.Write("abc", 3));
  EXPECT_FALSE(f.Write("def", 3));  // would pass byte 5
  EXPECT_TRUE(f.Write("def", 3));   // once only
  EXPECT_EQ(f.Written(), 6u);

  platform::FaultPlan::FailNextLargeAllocation();
  EXPECT_EQ(platform::NewLargeBuffer(16), nullptr);
  platform::LargeBuffer b = platform::NewLargeBuffer(16);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b[15], 0);

  EXPECT_FALSE(platform::FaultPlan::ReadFails(0, 100));
  platform::FaultPlan::FailReadAt(100);
  EXPECT_FALSE(platform::FaultPlan::ReadFails(0, 100));
  EXPECT_TRUE(platform::FaultPlan::ReadFails(100, 1));
  EXPECT_TRUE(platform::FaultPlan::ReadFails(0, 101));  // until cleared
  EXPECT_EQ(platform::FaultPlan::FailedReads(), 2u);
  platform::FaultPlan::Clear();
  EXPECT_FALSE(platform::FaultPlan::ReadFails(0, 101));
}

}  // namespace
