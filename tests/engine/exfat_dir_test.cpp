#include "corvane/exfat_dir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "corvane/bootarea.h"
#include "corvane/engine_hooks.h"
#include "platform/endian.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Fixture;
using testing_support::OpenedVolume;
using testing_support::ScopedDrives;

using Entry = std::array<std::uint8_t, 32>;

std::vector<Entry> Set(const std::u16string& name, bool deleted = false, int secondary = -1) {
  const int names = static_cast<int>((name.size() + 14) / 15);
  Entry file{}, stream{};
  file[0] = deleted ? 0x05 : 0x85;
  file[1] = static_cast<std::uint8_t>(secondary >= 0 ? secondary : names + 1);
  platform::PutLe16(file.data() + 4, 0x20);
  stream[0] = deleted ? 0x40 : 0xC0;
  platform::PutLe32(stream.data() + 20, 77);
  platform::PutLe64(stream.data() + 24, 4321);
  std::vector<Entry> set{file, stream};
  for (int k = 0; k < names; ++k) {
    Entry n{};
    n[0] = deleted ? 0x41 : 0xC1;
    for (int c = 0; c < 15 && k * 15 + c < static_cast<int>(name.size()); ++c)
      platform::PutLe16(n.data() + 2 + 2 * c, name[k * 15 + c]);
    set.push_back(n);
  }
  return set;
}

std::vector<std::uint8_t> Bytes(const std::vector<std::vector<Entry>>& sets, bool end = true) {
  std::vector<std::uint8_t> out;
  for (const auto& set : sets)
    for (const auto& e : set) out.insert(out.end(), e.begin(), e.end());
  if (end) out.resize(out.size() + 32, 0);
  return out;
}

std::vector<EXFATFILEENTRY> Parse(const std::vector<std::uint8_t>& bytes, std::size_t* walked = nullptr) {
  std::vector<EXFATFILEENTRY> out;
  std::size_t n = ParseExfatDirectory(bytes.data(), bytes.size(), &out);
  if (walked) *walked = n;
  return out;
}

TEST(ExfatDirParse, SetsLiveAndDeleted) {
  Entry label{}, bitmap{}, upcase{};
  label[0] = 0x83;
  bitmap[0] = 0x81;
  upcase[0] = 0x82;
  auto e = Parse(Bytes({{label, bitmap, upcase}, Set(u"Twenty characters!!!"), Set(u"gone.txt", true)}));
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(ExfatNameOf(e[0]), u"Twenty characters!!!");  // 15 + 5 over two entries
  EXPECT_EQ(e[0].deleted, 0);
  EXPECT_EQ(std::uint32_t{e[0].firstCluster}, 77u);
  EXPECT_EQ(std::uint64_t{e[0].dataLength}, 4321u);
  EXPECT_EQ(e[1].deleted, 1);
  EXPECT_EQ(ExfatNameOf(e[1]), u"gone.txt");
}

TEST(ExfatDirParse, BadSetsAreDropped) {
  auto noName = Set(u"x");
  noName[2][0] = 0x00;  // third entry is not a File Name entry (and ends the walk)
  auto wrongStream = Set(u"y");
  wrongStream[1][0] = 0xC1;
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
  };
  const Case cases[] = {
      {"secondary count 1", Bytes({Set(u"a", false, 1)})},
      {"secondary count 19 with two secondaries written", Bytes({Set(u"a", false, 19)})},
      {"second entry not a stream", Bytes({wrongStream})},
      {"third entry missing", Bytes({noName})},
      // The set claims more entries than were read, with no end entry after it.
      {"set crossing the end", Bytes({Set(u"abcdefghijklmnopqrstuvwxyz", false, 5)}, false)},
      {"set crossing the end entry", Bytes({Set(u"short", false, 4)})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(Parse(c.bytes).empty());
  }
  std::size_t walked = 1;
  EXPECT_TRUE(Parse(std::vector<std::uint8_t>(64, 0), &walked).empty());
  EXPECT_EQ(walked, 0u);
}

TEST(ExfatDirParse, VendorEntriesAfterTheNameKeepTheSet) {
  auto set = Set(u"Twenty characters!!!");
  Entry vendor{};
  vendor[0] = 0xE0;
  platform::PutLe16(vendor.data() + 2, u'X');
  set.push_back(vendor);
  set[0][1] = static_cast<std::uint8_t>(set.size() - 1);
  auto e = Parse(Bytes({set, Set(u"next")}));
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(ExfatNameOf(e[0]), u"Twenty characters!!!");
  EXPECT_EQ(ExfatNameOf(e[1]), u"next");
}

TEST(ExfatDirParse, SetWithAnEmptyNameIsListedWithoutOne) {
  // The File Name entry holds no character: the record gets an empty name (a null source for the
  // name copy used to be undefined behaviour, stopped by the sanitizer build).
  auto empty = Set(u"x");
  empty[2][2] = 0;  // the first character is the terminator
  auto e = Parse(Bytes({empty, Set(u"next")}));
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(ExfatNameOf(e[0]), u"");
  EXPECT_EQ(ExfatNameOf(e[1]), u"next");
}

TEST(ExfatDirParse, LongestNameFits) {
  std::u16string name(255, u'n');
  auto e = Parse(Bytes({Set(name)}));
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(ExfatNameOf(e[0]), name);
}

TEST(ExfatRoot, ListsEverySetAlongTheRootChain) {
  REQUIRE_FIXTURE("exfat.img");
  ScopedDrives drives({"E=" + Fixture("exfat.img")});
  OpenedVolume v('E');
  ASSERT_TRUE(v.ok());
  ASSERT_EQ(ReadRootDirectory(v.fs()), 1);
  EXPECT_EQ(v.fs()->currentDirectory, 0);
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint32_t> clusters;
  ASSERT_TRUE(ReadExfatRootBytes(v.fs()->exfat, &bytes, &clusters));
  EXPECT_EQ(clusters.size(), 3u);
  std::vector<std::string> expected = testing_support::Lines(testing_support::ReadFile(Fixture("exfat.expected")));
  ASSERT_EQ(g_dwExfatEntryCount, expected.size());
  EXPECT_EQ(g_dwLFNDirEntry, expected.size());
  for (std::uint32_t i = 0; i < g_dwExfatEntryCount; ++i) {
    const EXFATFILEENTRY& e = g_pExfatEntries[i];
    const std::string line = "/" + platform::ToUtf8(ExfatNameOf(e)) + "\t" + std::to_string(e.deleted) + "\t" +
                             std::to_string(e.folder) + "\t" + std::to_string(e.dataLength) + "\t" +
                             std::to_string(e.firstCluster);
    EXPECT_EQ(line, expected[i]);
  }
  EXPECT_EQ(ReadDirectory(12), 0);  // folders are listed, not opened
  EXPECT_EQ(ReadDirectory(0xFFFFFFFF), 1);
}

// The fixture's root runs root -> count + 1 -> count -> end; the third cluster holds the end entry.
TEST(ExfatRoot, RootChainStopsAtTheEndEntryAndAtALoop) {
  REQUIRE_FIXTURE("exfat.img");
  const std::string image = testing_support::ReadFile(Fixture("exfat.img"));
  const auto* boot = reinterpret_cast<const std::uint8_t*>(image.data());
  const std::uint64_t bps = 1u << boot[exfatboot::kBytesPerSectorShift];
  const std::uint64_t fat = platform::Le32(boot + exfatboot::kFatOffset) * bps;
  const std::uint32_t count = platform::Le32(boot + exfatboot::kClusterCount);
  const std::uint32_t root = platform::Le32(boot + exfatboot::kRootCluster);
  const std::size_t expected =
      testing_support::Lines(testing_support::ReadFile(Fixture("exfat.expected"))).size();
  struct Case {
    const char* name;
    std::uint32_t cluster, link;  // FAT entry to change
    std::vector<std::uint32_t> read;
  } cases[] = {
      // A chain going on past the end entry is not followed further.
      {"link after the last cluster", count, count - 1, {root, count + 1, count}},
      // The second cluster links back to the first: each is read once.
      {"loop back to the root", count + 1, root, {root, count + 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string patched = image;
    platform::PutLe32(reinterpret_cast<std::uint8_t*>(patched.data()) + fat + 4ull * c.cluster, c.link);
    testing_support::TempDir dir;
    testing_support::WriteFile(dir.File("root.img"), patched);
    ScopedDrives drives({"E=" + dir.File("root.img")});
    OpenedVolume v('E');
    ASSERT_TRUE(v.ok());
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint32_t> clusters;
    ASSERT_TRUE(ReadExfatRootBytes(v.fs()->exfat, &bytes, &clusters));
    EXPECT_EQ(clusters, c.read);
    ASSERT_EQ(ReadRootDirectory(v.fs()), 1);
    if (c.read.size() == 3) EXPECT_EQ(g_dwExfatEntryCount, expected);
    else EXPECT_LT(g_dwExfatEntryCount, expected);
  }
}

// A volume cut short before its root directory: the reader bounds the root by the clusters the
// volume holds (the geometry of the open) and refuses it as a boot value, reading nothing.
TEST(ExfatRoot, RootPastTheEndOfAShortenedVolumeIsRefused) {
  REQUIRE_FIXTURE("exfat.img");
  const std::string image = testing_support::ReadFile(Fixture("exfat.img"));
  const auto* boot = reinterpret_cast<const std::uint8_t*>(image.data());
  const std::uint64_t bps = 1u << boot[exfatboot::kBytesPerSectorShift];
  const std::uint64_t spc = 1u << boot[exfatboot::kSectorsPerClusterShift];
  const std::uint64_t heap = platform::Le32(boot + exfatboot::kClusterHeapOffset);
  const std::uint32_t root = platform::Le32(boot + exfatboot::kRootCluster);
  ASSERT_GT(root, 2u);
  testing_support::TempDir dir;
  testing_support::WriteFile(dir.File("cut.img"), image.substr(0, (heap + (root - 2) * spc) * bps));
  ScopedDrives drives({"E=" + dir.File("cut.img")});
  OpenedVolume v('E');
  ASSERT_TRUE(v.ok());
  EXPECT_EQ(v.fs()->geometry.lastCluster, root - 1);
  EXPECT_EQ(ReadRootDirectory(v.fs()), 0);
  ASSERT_EQ(v.sink().Messages().size(), 1u);
  EXPECT_EQ(v.sink().Messages()[0].text, kMsgBootValuesAbnormal);
}

TEST(ExfatRoot, BadBootValuesAreRefused) {
  REQUIRE_FIXTURE("base_exfat.img");
  ScopedDrives drives({"E=" + Fixture("base_exfat.img")});
  OpenedVolume v('E');
  ASSERT_TRUE(v.ok());
  ASSERT_EQ(ReadRootDirectory(v.fs()), 1);  // a fresh root: no file sets, still read
  EXPECT_EQ(g_dwExfatEntryCount, 0u);
  struct Case {
    const char* name;
    std::size_t offset;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"bytes-per-sector shift 13", exfatboot::kBytesPerSectorShift, {13}},
      {"cluster above 32 MiB", exfatboot::kSectorsPerClusterShift, {20}},
      {"root cluster 1", exfatboot::kRootCluster, {1, 0, 0, 0}},
      {"root cluster past the heap", exfatboot::kRootCluster, {0xFF, 0xFF, 0xFF, 0x7F}},
  };
  std::uint8_t saved[512];
  std::memcpy(saved, g_pExfatBootRecord, 512);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::memcpy(g_pExfatBootRecord, saved, 512);
    std::memcpy(g_pExfatBootRecord + c.offset, c.bytes.data(), c.bytes.size());
    v.sink().Clear();
    EXPECT_EQ(ReadExfatRootDirectory(v.fs()->exfat), 0);
    EXPECT_TRUE(v.sink().Saw(kMsgBootValuesAbnormal));
  }
  std::memcpy(g_pExfatBootRecord, saved, 512);
}

}  // namespace
