// engine_probe list over NTFS: paths of deleted entries, whose live folders the deleted-only
// search does not hold.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "corvane/ntfs_record.h"
#include "platform/endian.h"
#include "tests/engine/ntfs_test_volume.h"
#include "tests/support/test_support.h"

namespace {

using namespace ntfs_test;

// Marks records in use in the $MFT bitmap of record 0 (its value lies before the first fix-up
// word, so the stored record is patched as it is).
void MarkInUse(Builder& b, std::initializer_list<std::size_t> records) {
  std::vector<std::uint8_t> copy(b.RecordAt(0), b.RecordAt(0) + kRecord);
  ASSERT_TRUE(ApplyUpdateSequence(copy.data(), copy.size()));
  std::uint32_t length = 0;
  const std::uint8_t* a = FindAttribute(copy.data(), copy.size(), ntfs::kAttrBitmap, &length);
  ASSERT_NE(a, nullptr);
  std::uint32_t valueLength = 0;
  const std::uint8_t* v = ResidentValue(a, &valueLength);
  std::uint8_t* stored = b.RecordAt(0) + (v - copy.data());
  for (std::size_t r : records) {
    ASSERT_LT(r / 8, valueLength);
    stored[r / 8] |= static_cast<std::uint8_t>(1u << (r % 8));
  }
}

// Lines of engine_probe list, by path.
std::map<std::string, std::string> List(const std::string& image, bool all) {
  const auto listing = testing_support::ProbeList(image, all);
  EXPECT_EQ(listing.exitCode, 0) << listing.out;
  for (const auto& line : listing.malformed) ADD_FAILURE() << "not five fields: " << line;
  std::map<std::string, std::string> lines;
  for (const auto& e : listing.entries) lines[e.path] = e.line;
  return lines;
}

}  // namespace

// Deleted files under live folders, under a folder that is gone, and under two folders that
// name each other as parent: the deleted-only listing reads the live folders as it needs them
// and gives every path as the listing of all records does.
TEST(ProbeNtfs, DeletedOnlyListingReadsLiveParentsAndKeepsThePathsOfTheFullListing) {
  Builder b;
  b.Put(8, 3, {StdInfo(), FileName(u"live", 5)});
  b.Put(9, 0, {StdInfo(), FileName(u"a.txt", 8), Attr(0x80, {'a'})});
  b.Put(10, 3, {StdInfo(), FileName(u"inner", 8)});
  b.Put(11, 0, {StdInfo(), FileName(u"b.txt", 10), Attr(0x80, {'b'})});
  b.Put(12, 0, {StdInfo(), FileName(u"orphan.txt", 30)});
  b.Put(13, 3, {StdInfo(), FileName(u"x", 14)});
  b.Put(14, 3, {StdInfo(), FileName(u"y", 13)});
  b.Put(15, 0, {StdInfo(), FileName(u"c.txt", 13)});
  b.Put(16, 0, {StdInfo(), FileName(u"d.txt", 14)});
  b.Put(17, 2, {StdInfo(), FileName(u"gonedir", 8)});
  b.Put(18, 0, {StdInfo(), FileName(u"e.txt", 17)});
  MarkInUse(b, {8, 10, 13, 14});
  testing_support::TempDir dir;
  const std::string image = b.Write(dir, "paths.img");

  const auto deleted = List(image, false);
  const auto all = List(image, true);
  std::map<std::string, std::string> deletedOfAll;
  for (const auto& [path, line] : all)
    if (testing_support::Fields(line).at(1) == "1") deletedOfAll[path] = line;
  EXPECT_EQ(deleted, deletedOfAll);

  for (const char* path : {"/live/a.txt", "/live/inner/b.txt", "/?30/orphan.txt", "/live/gonedir",
                           "/live/gonedir/e.txt"})
    EXPECT_EQ(deleted.count(path), 1u) << path;

  // A parent chain that loops is cut after 1025 folders, at the parent it reached.
  auto looped = [](const std::string& name, bool startAtX) {
    std::string prefix;
    bool x = startAtX;
    for (int i = 0; i < 1025; ++i, x = !x) prefix = std::string(x ? "/x" : "/y") + prefix;
    return "/?" + std::string(x ? "13" : "14") + prefix + "/" + name;
  };
  EXPECT_EQ(deleted.count(looped("c.txt", true)), 1u);
  EXPECT_EQ(deleted.count(looped("d.txt", false)), 1u);
  EXPECT_EQ(deleted.size(), 7u);
}
