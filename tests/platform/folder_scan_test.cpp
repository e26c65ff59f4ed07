#include "platform/folder_scan.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>

#include "platform/fault_plan.h"
#include "platform/message.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::TempDir;

std::map<std::string, bool> Scan(const std::string& folder, bool* ok = nullptr) {
  std::map<std::string, bool> seen;
  bool scanned = platform::ScanFolder(platform::FromUtf8(folder), [&](const platform::FolderEntry& e) {
    seen[platform::ToUtf8(e.name)] = e.isFolder;
    return true;
  });
  if (ok) *ok = scanned;
  return seen;
}

TEST(FolderScan, ListsEveryEntryWithItsKind) {
  TempDir dir;
  testing_support::WriteFile(dir.File("Report.TXT"), "x");
  testing_support::WriteFile(dir.File("보고서.txt"), "x");
  std::filesystem::create_directory(dir.File("photos"));
  std::filesystem::create_directory_symlink(dir.File("photos"), dir.File("to-photos"));
  std::filesystem::create_symlink(dir.File("Report.TXT"), dir.File("to-report"));
  std::filesystem::create_symlink(dir.File("gone"), dir.File("dangling"));
  bool ok = false;
  const std::map<std::string, bool> want = {
      {"Report.TXT", false}, {"보고서.txt", false}, {"photos", true},
      {"to-photos", true},   {"to-report", false},    {"dangling", false},
  };
  EXPECT_EQ(Scan(dir.path(), &ok), want);  // "." and ".." are left out
  EXPECT_TRUE(ok);
}

TEST(FolderScan, StopsWhenTheVisitorSaysSo) {
  TempDir dir;
  for (int i = 0; i < 5; ++i) testing_support::WriteFile(dir.File("f" + std::to_string(i)), "x");
  int visits = 0;
  EXPECT_TRUE(platform::ScanFolder(platform::FromUtf8(dir.path()), [&](const platform::FolderEntry&) {
    ++visits;
    return visits < 2;
  }));
  EXPECT_EQ(visits, 2);
}

TEST(FolderScan, EmptyFolderTextIsTheWorkingFolder) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("sub"));
  testing_support::WriteFile(dir.File("file"), "x");
  std::filesystem::create_directory_symlink("sub", dir.File("to-sub"));  // its kind needs a lookup
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  bool ok = false;
  auto seen = Scan("", &ok);
  std::filesystem::current_path(previous);
  EXPECT_TRUE(ok);
  const std::map<std::string, bool> want = {{"sub", true}, {"file", false}, {"to-sub", true}};
  EXPECT_EQ(seen, want);
}

TEST(FolderScan, AFolderThatCannotBeReadFailsWithItsErrno) {
  TempDir dir;
  testing_support::WriteFile(dir.File("plain"), "x");
  struct Row {
    std::string folder;
    int error;
  };
  const Row rows[] = {{dir.File("none"), ENOENT}, {dir.File("plain"), ENOTDIR}};
  for (const Row& r : rows) {
    errno = 0;
    bool visited = false;
    EXPECT_FALSE(platform::ScanFolder(platform::FromUtf8(r.folder), [&](const platform::FolderEntry&) {
      visited = true;
      return true;
    })) << r.folder;
    EXPECT_EQ(errno, r.error) << r.folder;
    EXPECT_FALSE(visited);
  }
}

TEST(FolderScan, AnInjectedFaultFailsEveryScanUntilCleared) {
  TempDir dir;
  testing_support::WriteFile(dir.File("file"), "x");
  platform::ScopedFaultPlan faults;
  platform::FaultPlan::FailFolderScans();
  for (int i = 0; i < 2; ++i) {
    errno = 0;
    bool ok = true;
    EXPECT_TRUE(Scan(dir.path(), &ok).empty());
    EXPECT_FALSE(ok);
    EXPECT_EQ(errno, EIO);
  }
  platform::FaultPlan::Clear();
  bool ok = false;
  EXPECT_EQ(Scan(dir.path(), &ok).size(), 1u);
  EXPECT_TRUE(ok);
}

}  // namespace
