#include "platform/file_ops.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/fault_plan.h"
#include "platform/message.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::TempDir;

std::u16string U(const std::string& s) { return platform::FromUtf8(s); }

TEST(FileOps, FoldersAndEntriesByKind) {
  TempDir dir;
  testing_support::WriteFile(dir.File("보고서.txt"), "x");
  std::filesystem::create_directory(dir.File("사진"));
  std::filesystem::create_directory_symlink(dir.File("사진"), dir.File("to-photos"));
  std::filesystem::create_symlink(dir.File("gone"), dir.File("dangling"));
  struct Case {
    std::string name;
    bool folder;
    bool exists;
  };
  const Case cases[] = {{"보고서.txt", false, true}, {"사진", true, true},    {"to-photos", true, true},
                        {"dangling", false, true},   {"missing", false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(platform::IsFolder(U(dir.File(c.name))), c.folder);
    EXPECT_EQ(platform::EntryExists(U(dir.path()), U(c.name)), c.exists);
  }
  // Names that are no plain entry of the folder, and folder texts that name nothing.
  EXPECT_FALSE(platform::EntryExists(U(dir.path()), u".."));
  EXPECT_FALSE(platform::EntryExists(U(dir.path()), u"사진/x"));
  EXPECT_FALSE(platform::EntryExists(u"", u"보고서.txt"));
  EXPECT_FALSE(platform::IsFolder(u""));
  EXPECT_FALSE(platform::IsFolder(std::u16string(u"/tmp\0x", 6)));
}

TEST(FileOps, ReadsWholeFilesAndFailsOnAFaultOrAMissingFile) {
  TempDir dir;
  std::string big(200000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  testing_support::WriteFile(dir.File("big.bin"), big);
  testing_support::WriteFile(dir.File("empty"), "");
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(platform::ReadWholeFile(dir.File("big.bin"), &bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), big);
  EXPECT_TRUE(platform::ReadWholeFile(dir.File("empty"), &bytes));
  EXPECT_TRUE(bytes.empty());
  errno = 0;
  EXPECT_FALSE(platform::ReadWholeFile(dir.File("none"), &bytes));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_FALSE(platform::ReadWholeFile(dir.path(), &bytes));  // a folder reads as EISDIR

  platform::ScopedFaultPlan faults;
  platform::FaultPlan::FailNextFileRead();
  EXPECT_FALSE(platform::ReadWholeFile(dir.File("big.bin"), &bytes));
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(errno, EIO);
  EXPECT_TRUE(platform::ReadWholeFile(dir.File("big.bin"), &bytes));  // once only
  EXPECT_EQ(bytes.size(), big.size());
}

}  // namespace
