#include "platform/file_ops.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
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

// Files the reader must refuse without waiting or reading for ever, each with its reason.
TEST(FileOps, TheBoundedReadRefusesWhatIsNoRegularFileOrTooLarge) {
  TempDir dir;
  testing_support::WriteFile(dir.File("small"), "0123456789");
  testing_support::WriteFile(dir.File("empty"), "");
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);  // no writer: an open that waited would hang
  std::filesystem::create_symlink("/dev/zero", dir.File("zero"));
  std::filesystem::create_symlink(dir.File("small"), dir.File("to-small"));
  // 1 GiB and one byte, sparse: refused by its size before a byte is read.
  testing_support::WriteFile(dir.File("huge"), "");
  ASSERT_EQ(truncate(dir.File("huge").c_str(), (1ll << 30) + 1), 0);
  using platform::FileRefusal;
  struct Case {
    std::string path;
    std::uint64_t bound;
    FileRefusal refusal;
    int error;  // errno after a refusal
    std::size_t size;
  };
  const Case cases[] = {
      {dir.File("small"), 10, FileRefusal::kNone, 0, 10},
      {dir.File("small"), 9, FileRefusal::kTooLarge, EFBIG, 0},
      {dir.File("to-small"), platform::kNoFileBound, FileRefusal::kNone, 0, 10},
      {dir.File("empty"), 0, FileRefusal::kNone, 0, 0},
      {dir.File("missing"), 10, FileRefusal::kCannotOpen, ENOENT, 0},
      {std::string("/tmp\0x", 6), 10, FileRefusal::kCannotOpen, EINVAL, 0},
      {dir.path(), 10, FileRefusal::kNotRegularFile, EISDIR, 0},
      {dir.File("fifo"), 10, FileRefusal::kNotRegularFile, EINVAL, 0},
      {"/dev/zero", platform::kNoFileBound, FileRefusal::kNotRegularFile, EINVAL, 0},
      {dir.File("zero"), platform::kNoFileBound, FileRefusal::kNotRegularFile, EINVAL, 0},
      {"/dev/null", 10, FileRefusal::kNotRegularFile, EINVAL, 0},
      {dir.File("huge"), 1u << 30, FileRefusal::kTooLarge, EFBIG, 0},
      // The kernel's texts are regular files of no size: the bound holds for what is read.
      {"/proc/self/status", 16, FileRefusal::kTooLarge, EFBIG, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::vector<std::uint8_t> bytes(3, 'x');
    errno = 0;
    const platform::FileReadResult whole = platform::ReadWholeFile(c.path, &bytes, c.bound);
    EXPECT_EQ(whole.refusal, c.refusal);
    EXPECT_EQ(static_cast<bool>(whole), c.refusal == FileRefusal::kNone);
    if (c.refusal != FileRefusal::kNone) {
      EXPECT_EQ(errno, c.error);
    }
    EXPECT_EQ(bytes.size(), c.size);
    std::size_t lines = 0;
    const platform::FileReadResult byLine =
        platform::ReadFileLines(c.path, c.bound, 4, [&](std::string_view) { ++lines; });
    EXPECT_EQ(byLine.refusal, c.refusal);
    if (c.refusal != FileRefusal::kNone && c.refusal != FileRefusal::kTooLarge) {
      EXPECT_EQ(lines, 0u);
    }
  }
  const auto entries = std::distance(std::filesystem::directory_iterator(dir.path()), {});
  EXPECT_EQ(entries, 6);  // the reads made nothing
}

TEST(FileOps, TheBoundedReadGivesTheFilesModificationTime) {
  TempDir dir;
  testing_support::WriteFile(dir.File("f"), "x");
  const auto when = std::filesystem::file_time_type::clock::now() - std::chrono::hours(50);
  std::filesystem::last_write_time(dir.File("f"), when);
  struct stat st {};
  ASSERT_EQ(stat(dir.File("f").c_str(), &st), 0);
  std::vector<std::uint8_t> bytes;
  const platform::FileReadResult read = platform::ReadWholeFile(dir.File("f"), &bytes, 1);
  ASSERT_TRUE(read);
  EXPECT_EQ(read.modifiedMsecs, std::int64_t{st.st_mtim.tv_sec} * 1000 + st.st_mtim.tv_nsec / 1000000);
}

// The lines of one text, whatever the pieces it arrives in: a line over the bound is skipped to
// its newline, a CR stays, an empty last piece is no line.
TEST(FileOps, TheLineSplitterGivesTheSameLinesForEveryPieceSize) {
  struct Case {
    std::string text;
    std::size_t bound;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"a\nbb\n\nccc", 3, {"a", "bb", "", "ccc"}},
      {"abcd\nxyz\nabcdef", 3, {"xyz"}},  // over the bound, in the middle and at the end
      {"abc\r\nabcde\n", 4, {"abc\r"}},
      {std::string("n\0l\n", 4), 8, {std::string("n\0l", 3)}},
      {"\n\n", 0, {"", ""}},
      {"", 5, {}},
  };
  for (const Case& c : cases) {
    for (std::size_t piece = 1; piece <= c.text.size() + 1; ++piece) {
      SCOPED_TRACE(testing::Message() << c.text << " in pieces of " << piece);
      platform::LineSplitter splitter(c.bound);
      std::vector<std::string> got;
      const platform::LineSink keep = [&](std::string_view line) { got.emplace_back(line); };
      for (std::size_t at = 0; at < c.text.size(); at += piece)
        splitter.Feed(std::string_view(c.text).substr(at, piece), keep);
      splitter.Finish(keep);
      EXPECT_EQ(got, c.lines);
    }
  }
}

TEST(FileOps, FileLinesComeThroughTheBoundsAndTheFaultPlan) {
  TempDir dir;
  const std::string text = "first\n" + std::string(200000, 'L') + "\nlast";
  testing_support::WriteFile(dir.File("lines"), text);
  std::vector<std::string> got;
  const platform::LineSink keep = [&](std::string_view line) { got.emplace_back(line); };
  ASSERT_TRUE(platform::ReadFileLines(dir.File("lines"), text.size(), 1000, keep));
  EXPECT_EQ(got, (std::vector<std::string>{"first", "last"}));

  got.clear();
  EXPECT_EQ(platform::ReadFileLines(dir.File("lines"), text.size() - 1, 1000, keep).refusal,
            platform::FileRefusal::kTooLarge);
  EXPECT_TRUE(got.empty());

  platform::ScopedFaultPlan faults;
  platform::FaultPlan::FailNextFileRead();
  errno = 0;
  EXPECT_EQ(platform::ReadFileLines(dir.File("lines"), text.size(), 1000, keep).refusal,
            platform::FileRefusal::kReadFailed);
  EXPECT_EQ(errno, EIO);
  EXPECT_TRUE(got.empty());
  EXPECT_TRUE(platform::ReadFileLines(dir.File("lines"), text.size(), 1000, keep));  // once only
}

}  // namespace
