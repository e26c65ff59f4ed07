#include "corvane/ntfs_search.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "corvane/engine_hooks.h"
#include "corvane/ntfs_record.h"
#include "platform/endian.h"
#include "tests/engine/ntfs_test_volume.h"
#include "tests/support/test_support.h"
#include "tests/support/time_zone.h"

using platform::Le16;
using platform::PutLe16;
using platform::PutLe32;
using platform::PutLe64;
using testing_support::Fixture;
using testing_support::FixtureExists;

namespace {

using namespace ntfs_test;

struct Found {
  std::map<std::int64_t, NTFSFILEENTRY> byRecord;
  std::uint32_t count = 0;
};

Found SearchImage(const std::string& path, const NtfsSearchOptions& options = {},
                  NtfsSearchProgress* progress = nullptr) {
  testing_support::ScopedDrives drives({"E=" + path});
  testing_support::OpenedVolume v('E');
  Found f;
  EXPECT_TRUE(v.ok());
  if (!v.ok()) return f;
  NTFSVOLUMERECORD* state = v.fs()->ntfs;
  EXPECT_TRUE(OpenNtfsState(state, 'E'));
  NtfsSearchResult r = SearchMft(state, options, progress);
  EXPECT_TRUE(r.ok);
  f.count = r.count;
  for (std::uint32_t i = 0; i < r.count; ++i) {
    EXPECT_EQ(f.byRecord.count(r.entries[i].recordNumber), 0u) << "record listed twice";
    f.byRecord[r.entries[i].recordNumber] = r.entries[i];
  }
  if (r.entries) {
    const NTFSFILEENTRY zero{};
    EXPECT_EQ(std::memcmp(&r.entries[r.count], &zero, sizeof zero), 0) << "spare slot not zero";
  }
  FreeNtfsEntryArray(r.entries, r.count);
  return f;
}

std::string PathOf(const std::map<std::int64_t, NTFSFILEENTRY>& all, const NTFSFILEENTRY& e) {
  std::string path = "/" + platform::ToUtf8(e.name);
  std::int64_t parent = e.parentRecordNumber;
  for (int depth = 0; parent != 5 && depth < 64; ++depth) {
    auto it = all.find(parent);
    if (it == all.end()) return "?" + path;
    path = "/" + platform::ToUtf8(it->second.name) + path;
    parent = it->second.parentRecordNumber;
  }
  return path;
}

}  // namespace

TEST(NtfsSearch, ListsEveryFileOfRealVolumesWithItsFlagsAndSize) {
  for (const char* image : {"ntfs_4k.img", "ntfs_512.img", "ntfs_64k.img", "ntfs_4ks.img"}) {
    SCOPED_TRACE(image);
    if (!FixtureExists(image)) continue;
    Found f = SearchImage(Fixture(image));
    std::map<std::string, const NTFSFILEENTRY*> byPath;
    for (const auto& [r, e] : f.byRecord) byPath[PathOf(f.byRecord, e)] = &e;
    std::ifstream manifest(Fixture(image) + ".manifest");
    std::string line;
    int lines = 0;
    while (std::getline(manifest, line)) {
      ++lines;
      auto fields = testing_support::Fields(line);
      ASSERT_EQ(fields.size(), 4u);
      SCOPED_TRACE(fields[0]);
      auto it = byPath.find(fields[0]);
      ASSERT_NE(it, byPath.end()) << "not found";
      const NTFSFILEENTRY& e = *it->second;
      EXPECT_EQ(e.deleted, std::stoi(fields[1]));
      EXPECT_EQ(e.folder, std::stoi(fields[2]));
      if (!e.folder) {
        EXPECT_EQ(e.dataSize, std::stoll(fields[3]));
        EXPECT_EQ(e.firstClusterValid, 1);
        EXPECT_GE(e.allocatedSize, e.dataSize);
      }
    }
    EXPECT_GT(lines, 0);
    // Resident data: first cluster 1, first sector = sectors per cluster, last VCN 0.
    const NTFSFILEENTRY* small = byPath.at("/small.txt");
    EXPECT_EQ(small->firstCluster, 1);
    EXPECT_EQ(small->lastVcn, 0);
    EXPECT_GT(std::int64_t{small->firstSector}, 0);  // a copy: the field is not 8-byte aligned
    if (byPath.count("/comp/mixed.txt")) {
      EXPECT_EQ(byPath.at("/comp/mixed.txt")->compressed, 1);
    }
    EXPECT_EQ(byPath.at("/sparse.bin")->sparse, 1);
    EXPECT_EQ(byPath.at("/$MFT")->recordNumber, 0);
  }
}

TEST(NtfsSearch, DeletedOnlySkipsEveryRecordMarkedInUse) {
  const char* image = "ntfs_4k.img";
  REQUIRE_FIXTURE(image);
  NtfsSearchOptions options;
  options.deletedOnly = true;
  Found f = SearchImage(Fixture(image), options);
  ASSERT_GT(f.count, 0u);
  for (const auto& [r, e] : f.byRecord) EXPECT_EQ(e.deleted, 1) << platform::ToUtf8(e.name);
  std::set<std::string> names;
  for (const auto& [r, e] : f.byRecord) names.insert(platform::ToUtf8(e.name));
  for (const char* n : {"deleted.bin", "delres.txt", "gone", "child.bin", "delcomp.txt"})
    EXPECT_EQ(names.count(n), 1u) << n;
}

TEST(NtfsSearch, HandBuiltVolumeWithTwoMftExtentsAndCorruptRecords) {
  Builder b;
  // Good records on both sides of the corrupt ones, all in the second extent.
  b.Put(8, 0, {StdInfo(), FileName(u"first.txt", 5), Attr(0x80, {'h', 'i'})});
  b.Put(30, 1, {StdInfo(), FileName(u"last.txt", 5), Attr(0x80, {'o', 'k'})});
  // Flags beyond in-use and directory still classify by those two bits.
  b.Put(29, 0x0D, {StdInfo(), FileName(u"extended", 5)});
  b.Put(28, 0x02, {StdInfo(), FileName(u"olddir", 5)});

  struct Case {
    const char* what;
    std::size_t record;
    void (*spoil)(std::uint8_t* rec);
  };
  const Case cases[] = {
      {"torn sector", 10, [](std::uint8_t* p) { p[1022] ^= 0xFF; }},
      {"update-sequence count", 11, [](std::uint8_t* p) { PutLe16(p + 6, 9); }},
      {"attribute of length 0", 12, [](std::uint8_t* p) { PutLe32(p + 0x38 + 4, 0); }},
      {"attribute past the used bytes", 13, [](std::uint8_t* p) { PutLe32(p + 0x38 + 4, 0x3C0); }},
      {"name longer than its value", 14, nullptr},
      {"only an unknown namespace", 15, nullptr},
      {"signature BAAD", 16, [](std::uint8_t* p) { std::memcpy(p, "BAAD", 4); }},
      {"no $STANDARD_INFORMATION", 17, nullptr},
  };
  for (const Case& c : cases)
    b.Put(c.record, 1, {StdInfo(), FileName(u"bad" + std::u16string(1, u'0' + c.record % 10), 5),
                        Attr(0x80, {1})});
  for (const Case& c : cases)
    if (c.spoil) c.spoil(b.RecordAt(c.record));
  {
    auto fn = FileName(u"longname", 5);
    fn[0x18 + 0x40] = 90;
    b.Put(14, 1, {StdInfo(), fn});
    b.Put(15, 1, {StdInfo(), FileName(u"strange", 5, 7)});
    b.Put(17, 1, {FileName(u"nostd", 5)});
  }
  testing_support::TempDir dir;
  Found f = SearchImage(b.Write(dir, "hand.img"));
  for (const Case& c : cases) EXPECT_EQ(f.byRecord.count(c.record), 0u) << c.what;
  ASSERT_EQ(f.byRecord.count(8), 1u);
  ASSERT_EQ(f.byRecord.count(30), 1u) << "records after the corrupt ones are still searched";
  EXPECT_EQ(platform::ToUtf8(f.byRecord[30].name), "last.txt");
  EXPECT_EQ(f.byRecord[8].deleted, 1);
  EXPECT_EQ(f.byRecord[30].deleted, 0);
  EXPECT_EQ(f.byRecord[29].deleted, 0);
  EXPECT_EQ(f.byRecord[29].folder, 0);
  EXPECT_EQ(f.byRecord[28].deleted, 1);
  EXPECT_EQ(f.byRecord[28].folder, 1);
  EXPECT_EQ(f.byRecord[5].folder, 1);
  EXPECT_EQ(f.count, 7u);  // $MFT, $Volume, ".", first, olddir, extended, last
}

TEST(NtfsSearch, AFailedReadNeverRepeatsTheRecordBeforeIt) {
  Builder b(8, 64);
  b.Put(8, 0, {StdInfo(), FileName(u"before.txt", 5)});
  b.Put(9, 0, {StdInfo(), FileName(u"inside.txt", 5)});
  // The image is cut inside record 9 once the volume is open: its read fails, and nothing of
  // record 8 takes its place.
  testing_support::TempDir dir;
  const std::string path = b.Write(dir, "cut.img");
  testing_support::ScopedDrives drives({"E=" + path});
  testing_support::OpenedVolume v('E');
  ASSERT_TRUE(v.ok());
  NTFSVOLUMERECORD* state = v.fs()->ntfs;
  ASSERT_TRUE(OpenNtfsState(state, 'E'));
  std::filesystem::resize_file(path, b.extentB * kCluster + kRecord + 600);
  NtfsSearchResult r = SearchMft(state, {}, nullptr);
  ASSERT_TRUE(r.ok);
  std::set<std::int64_t> records;
  for (std::uint32_t i = 0; i < r.count; ++i) {
    EXPECT_TRUE(records.insert(r.entries[i].recordNumber).second);
    EXPECT_NE(platform::ToUtf8(r.entries[i].name), "inside.txt");
  }
  EXPECT_EQ(records.count(8), 1u);
  EXPECT_EQ(records.count(9), 0u);
  FreeNtfsEntryArray(r.entries, r.count);
}

TEST(NtfsSearch, ProgressCountsAndStop) {
  const char* image = "ntfs_4k.img";
  REQUIRE_FIXTURE(image);
  NtfsSearchProgress progress;
  Found f = SearchImage(Fixture(image), {}, &progress);
  EXPECT_EQ(progress.state.load(), kNtfsSearchDone);
  EXPECT_EQ(progress.finished.load(), 1);
  EXPECT_EQ(progress.percent.load(), 100);
  EXPECT_GT(progress.recordCount.load(), 0u);
  EXPECT_EQ(progress.deletedFiles + progress.deletedFolders + progress.liveFiles + progress.liveFolders,
            f.count);
  EXPECT_GE(progress.compressed.load(), 1u);
  EXPECT_NE(progress.Status().find(u"분석중..."), std::u16string::npos);
  EXPECT_NE(progress.RecordText().find(u"파일 분석.."), std::u16string::npos);

  // A stop requested before the search finds nothing and still ends the search.
  NtfsSearchProgress stopped;
  stopped.stopRequest = 2;
  Found none = SearchImage(Fixture(image), {}, &stopped);
  EXPECT_EQ(none.count, 0u);
  EXPECT_EQ(stopped.finished.load(), 1);
}

TEST(NtfsSearch, ExtensionFilterComparesTheWholeTextAfterTheLastDot) {
  // The file-type dialog's choices, without the dot, as the settings record keeps them.
  const std::vector<std::u16string> chosen = {u"JPG", u"JPEG", u"TIFF", u"HTML", u"MPEG", u"VCPROJ", u"C"};
  struct Case {
    const char16_t* name;
    std::vector<std::u16string> extensions;
    int expected;
  };
  const Case cases[] = {
      {u"photo.JPG", chosen, 1},
      {u"photo.jpg", chosen, 1},            // case ignored
      {u"photo.jpeg", chosen, 1},           // four characters
      {u"scan.Tiff", chosen, 1},
      {u"index.html", chosen, 1},
      {u"clip.MPEG", chosen, 1},
      {u"app.vcproj", chosen, 1},           // six characters
      {u"main.c", chosen, 1},               // one character
      {u"archive.tar.jpeg", chosen, 1},     // only the last dot counts
      {u"photo.jpeg", {u"jpg"}, 0},         // no prefix match
      {u"photo.jpeg", {u"peg"}, 0},         // no suffix match
      {u"photo.ajpg", {u"jpg"}, 0},
      {u"photo.jpg.bak", {u"jpg"}, 0},
      {u"a.txt", chosen, 0},
      {u"a.jpg", {}, 0},                    // nothing chosen
      {u"jpg", {u"jpg"}, 0},                // no dot, no match
      {u"xjpg", {u"jpg"}, 0},
      {u"photo.", {u""}, 0},                // empty extension after a final dot
      {u"", {u"jpg"}, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchesSelectedExtension(c.name, c.extensions), c.expected)
        << std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name));
  }
}

TEST(NtfsSearch, LocalTimeIsUtcPlusNineHoursWithCalendarCarry) {
  const testing_support::ScopedTimeZone zone("KST-9");  // UTC + 9 hours all year, in every year
  // FILETIME of a UTC date and time.
  auto fileTime = [](int y, int m, int d, int hh, int mm) {
    std::tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = m - 1;
    t.tm_mday = d;
    t.tm_hour = hh;
    t.tm_min = mm;
    const std::int64_t unix = timegm(&t);
    return static_cast<std::uint64_t>(unix + 11644473600LL) * 10000000ull;
  };
  struct Case {
    int y, m, d, hh, mm;
    int ly, lm, ld, lh, lmin, weekday;
  };
  const Case cases[] = {
      {2023, 12, 31, 20, 30, 2024, 1, 1, 5, 30, 1},   // Sunday -> Monday
      {2024, 3, 5, 0, 15, 2024, 3, 5, 9, 15, 2},
      {2024, 2, 28, 16, 0, 2024, 2, 29, 1, 0, 4},     // leap day
      {2100, 2, 28, 23, 0, 2100, 3, 1, 8, 0, 1},      // 2100 is not a leap year
      {1601, 1, 1, 0, 0, 1601, 1, 1, 9, 0, 1},
  };
  for (const Case& c : cases) {
    SYSTEMTIME st{};
    ASSERT_TRUE(FileTimeToLocalSystemTime(fileTime(c.y, c.m, c.d, c.hh, c.mm), &st));
    EXPECT_EQ(st.wYear, c.ly);
    EXPECT_EQ(st.wMonth, c.lm);
    EXPECT_EQ(st.wDay, c.ld);
    EXPECT_EQ(st.wHour, c.lh);
    EXPECT_EQ(st.wMinute, c.lmin);
    EXPECT_EQ(st.wDayOfWeek, c.weekday) << c.y << "-" << c.m << "-" << c.d;
  }
  SYSTEMTIME st{};
  EXPECT_FALSE(FileTimeToLocalSystemTime(~0ull, &st));
}

TEST(NtfsSearch, FacadeSearchPublishesTheEntriesWithTheirCount) {
  const char* image = "ntfs_512.img";
  REQUIRE_FIXTURE(image);
  testing_support::ScopedDrives drives({"E=" + Fixture(image)});
  testing_support::OpenedVolume v('E');
  ASSERT_TRUE(v.ok());
  ASSERT_TRUE(ReadRootDirectory(v.fs()));
  EXPECT_EQ(v.fs()->currentDirectory, 5);
  EXPECT_GT(g_dwNtfsEntryCount, 20u);
  EXPECT_EQ(g_dwLFNDirEntry, g_dwNtfsEntryCount);
  EXPECT_EQ(v.fs()->ntfs->volumeMajor, 3);
  EXPECT_EQ(v.fs()->ntfs->volumeMinor, 1);
  // A second search replaces the array instead of leaking or appending to it.
  const std::uint32_t first = g_dwNtfsEntryCount;
  ASSERT_TRUE(ReadRootDirectory(v.fs()));
  EXPECT_EQ(g_dwNtfsEntryCount, first);
}

TEST(NtfsSearch, EngineProbeListsDeletedEntriesWithTheirPaths) {
  const char* image = "ntfs_4k.img";
  REQUIRE_FIXTURE(image);
  const auto listing = testing_support::ProbeList(Fixture(image));
  ASSERT_EQ(listing.exitCode, 0) << listing.out;
  ASSERT_TRUE(listing.malformed.empty()) << listing.malformed.front();
  std::set<std::string> listed;
  for (const auto& e : listing.entries) {
    EXPECT_TRUE(e.deleted) << "only deleted entries without --all";
    listed.insert(e.path + "\t" + (e.deleted ? "1" : "0") + "\t" + (e.folder ? "1" : "0") + "\t" + std::to_string(e.size));
  }
  std::ifstream manifest(Fixture(image) + ".manifest");
  std::string line;
  std::set<std::string> expected;
  while (std::getline(manifest, line))
    if (testing_support::Fields(line).at(1) == "1") expected.insert(line);
  EXPECT_EQ(listed, expected);
}

// The chunked search finds each record at its own byte offset: every entry it makes names the
// record that carries that number at 0x2C and that name.
TEST(NtfsSearch, EveryEntryComesFromTheRecordOfItsNumber) {
  for (const char* image : {"ntfs_4k.img", "ntfs_512.img", "ntfs_64k.img", "ntfs_4ks.img"}) {
    SCOPED_TRACE(image);
    if (!FixtureExists(image)) continue;
    testing_support::ScopedDrives drives({"E=" + Fixture(image)});
    testing_support::OpenedVolume v('E');
    ASSERT_TRUE(v.ok());
    NTFSVOLUMERECORD* state = v.fs()->ntfs;
    ASSERT_TRUE(OpenNtfsState(state, 'E'));
    NtfsSearchResult r = SearchMft(state, {}, nullptr);
    ASSERT_TRUE(r.ok);
    ASSERT_GT(r.count, 16u);
    std::vector<std::uint8_t> rec(state->recordSize);
    for (std::uint32_t i = 0; i < r.count; ++i) {
      const NTFSFILEENTRY& e = r.entries[i];
      ASSERT_TRUE(ReadMftRecord(state, static_cast<std::uint64_t>(e.recordNumber), rec.data()));
      EXPECT_EQ(platform::Le32(&rec[ntfs::rec::kRecordNumber]), static_cast<std::uint64_t>(e.recordNumber));
      NtfsFileInfo info;
      ASSERT_TRUE(ParseFileRecord(rec.data(), rec.size(), &info));
      EXPECT_EQ(info.name, std::u16string(e.name)) << e.recordNumber;
    }
    FreeNtfsEntryArray(r.entries, r.count);
  }
}

namespace {

// One entry of an $ATTRIBUTE_LIST value.
std::vector<std::uint8_t> ListEntry(std::uint32_t type, std::uint64_t vcn, std::uint64_t record) {
  std::vector<std::uint8_t> v(0x20, 0);
  PutLe32(&v[0], type);
  PutLe16(&v[4], 0x20);
  v[7] = 0x1A;
  PutLe64(&v[8], vcn);
  PutLe64(&v[0x10], record | (std::uint64_t{1} << 48));
  return v;
}

// Record 0 maps only the first extent of the $MFT (records 0-7); its attribute list names
// record `extentRecord` for the rest.
Builder ListedMft(std::size_t extentRecord) {
  Builder b;
  NonResidentSpec first;
  first.lastVcn = 15;
  first.allocated = first.dataSize = first.initialized = kRecords * kRecord;
  std::vector<std::uint8_t> list;
  for (const auto& e : {ListEntry(0x10, 0, 0), ListEntry(0x30, 0, 0), ListEntry(0x80, 0, 0),
                        ListEntry(0x80, 16, extentRecord), ListEntry(0xB0, 0, 0)})
    list.insert(list.end(), e.begin(), e.end());
  b.PutMft({Attr(0x20, list),
            NonResidentAttr(0x80, first, {0x11, 16, static_cast<std::uint8_t>(b.extentA), 0x00})});
  NonResidentSpec rest;
  rest.startVcn = 16;
  rest.lastVcn = 63;
  b.Put(7, 1, {NonResidentAttr(0x80, rest, {0x11, 48, static_cast<std::uint8_t>(b.extentB), 0x00})},
        std::uint64_t{1} << 48);
  b.Put(6, 0, {StdInfo(), FileName(u"near.txt", 5), Attr(0x80, {'n'})});
  b.Put(20, 0, {StdInfo(), FileName(u"far.txt", 5), Attr(0x80, {'f'})});
  return b;
}

}  // namespace

TEST(NtfsSearch, MftContinuedThroughItsAttributeListIsFollowed) {
  testing_support::TempDir dir;
  Found f = SearchImage(ListedMft(7).Write(dir, "listed.img"));
  ASSERT_EQ(f.byRecord.count(20), 1u) << "a record in the extent that the list names";
  EXPECT_EQ(platform::ToUtf8(f.byRecord[20].name), "far.txt");
  EXPECT_EQ(f.byRecord.count(6), 1u);
  EXPECT_EQ(f.byRecord.count(7), 0u) << "the extent record itself is no file";

  // A list entry naming a record without the $DATA extent: the first extent is still searched.
  Found partial = SearchImage(ListedMft(4).Write(dir, "badlist.img"));
  EXPECT_EQ(partial.byRecord.count(6), 1u);
  EXPECT_EQ(partial.byRecord.count(20), 0u);
}
