#include "corvane/ntfs_save.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "corvane/ntfs_record.h"
#include "corvane/ntfs_search.h"
#include "platform/fault_plan.h"
#include "tests/engine/ntfs_test_volume.h"
#include "tests/support/test_support.h"

using testing_support::Fixture;
using testing_support::FixtureExists;

namespace {

// An opened volume image with its search done.
struct SearchedVolume {
  explicit SearchedVolume(const std::string& path) : drives({"E=" + path}), volume('E') {
    if (!volume.ok()) return;
    state = volume.fs()->ntfs;
    if (!OpenNtfsState(state, 'E')) return;
    result = SearchMft(state, {}, nullptr);
    for (std::uint32_t i = 0; i < result.count; ++i)
      byRecord[result.entries[i].recordNumber] = &result.entries[i];
    for (std::uint32_t i = 0; i < result.count; ++i) byPath[PathOf(result.entries[i])] = &result.entries[i];
  }
  ~SearchedVolume() { FreeNtfsEntryArray(result.entries, result.count); }

  std::string PathOf(const NTFSFILEENTRY& e) const {
    std::string path = "/" + platform::ToUtf8(e.name);
    std::int64_t parent = e.parentRecordNumber;
    for (int depth = 0; parent != 5 && depth < 64; ++depth) {
      auto it = byRecord.find(parent);
      if (it == byRecord.end()) return "?" + path;
      path = "/" + platform::ToUtf8(it->second->name) + path;
      parent = it->second->parentRecordNumber;
    }
    return path;
  }

  int Save(const NTFSFILEENTRY& e, const std::string& dir, SaveControl* control = nullptr) {
    return SaveNtfsFile(state, static_cast<std::uint32_t>(e.recordNumber), e.name,
                        platform::FromUtf8(dir), e.fileAttributes, &e, control);
  }

  testing_support::ScopedDrives drives;
  testing_support::OpenedVolume volume;
  NTFSVOLUMERECORD* state = nullptr;
  NtfsSearchResult result;
  std::map<std::int64_t, const NTFSFILEENTRY*> byRecord;
  std::map<std::string, const NTFSFILEENTRY*> byPath;
};

std::vector<std::string> ManifestFiles(const std::string& image) {
  std::vector<std::string> files;
  std::ifstream in(Fixture(image) + ".manifest");
  std::string line;
  while (std::getline(in, line)) {
    auto f = testing_support::Fields(line);
    if (f.size() == 4 && f[2] == "0") files.push_back(f[0]);
  }
  return files;
}

std::string Base(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// Nothing but the named files in the folder: no temporary, hidden or partial leftovers.
std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  return names;
}

}  // namespace

// Every file of every fixture, live or deleted, resident, fragmented, sparse or compressed,
// comes out byte for byte, including over a longer file of the same name.
TEST(NtfsSave, EveryFileOfRealVolumesIsSavedByteExact) {
  for (const char* image : {"ntfs_4k.img", "ntfs_512.img", "ntfs_64k.img", "ntfs_4ks.img"}) {
    SCOPED_TRACE(image);
    if (!FixtureExists(image)) continue;
    SearchedVolume v(Fixture(image));
    ASSERT_TRUE(v.result.ok);
    testing_support::TempDir out;
    for (const std::string& path : ManifestFiles(image)) {
      SCOPED_TRACE(path);
      auto it = v.byPath.find(path);
      ASSERT_NE(it, v.byPath.end());
      const std::string target = out.File(Base(path));
      testing_support::WriteFile(target, std::string(3 << 20, 'x'));  // truncated by the save
      ASSERT_EQ(v.Save(*it->second, out.path()), 1);
      const std::string expected = testing_support::ReadFile(Fixture(image) + ".files" + path);
      const std::string got = testing_support::ReadFile(target);
      ASSERT_EQ(got.size(), expected.size());
      EXPECT_TRUE(got == expected);
      EXPECT_FALSE(std::filesystem::exists(out.File("$QvNtfsDecomp$" + Base(path))));
    }
  }
}

namespace {

// Whether sleuthkit's istat lists an unnamed $DATA in the record.
bool IstatListsUnnamedData(const std::string& image, std::int64_t record) {
  const auto istat = testing_support::Run("istat '" + image + "' " + std::to_string(record));
  EXPECT_EQ(istat.exitCode, 0);
  for (const std::string& line : testing_support::Lines(istat.out))
    if (line.rfind("Type: $DATA (128-", 0) == 0 && line.find("Name: N/A") != std::string::npos) return true;
  return false;
}

}  // namespace

// The metadata files that keep their contents in indexes and named streams are listed as files
// of 0 bytes without an unnamed $DATA, as istat shows: the save is refused with that reason,
// which engine_probe prints, and leaves nothing. A file whose unnamed $DATA is empty ($Volume,
// and $BadClus beside its named $Bad) is saved as an empty file.
TEST(NtfsSave, AFileWithoutAnUnnamedDataStreamIsRefusedWithItsReason) {
  const std::pair<const char*, bool> files[] = {
      {"/$Secure", false},       {"/$Extend/$Quota", false}, {"/$Extend/$ObjId", false},
      {"/$Extend/$Reparse", false}, {"/$Volume", true},      {"/$BadClus", true},
  };
  for (const char* image : {"ntfs_4k.img", "ntfs_512.img", "ntfs_64k.img", "ntfs_4ks.img", "ntfs_attrlist.img"}) {
    SCOPED_TRACE(image);
    if (!FixtureExists(image)) continue;
    SearchedVolume v(Fixture(image));
    ASSERT_TRUE(v.result.ok);
    for (const auto& [path, hasData] : files) {
      SCOPED_TRACE(path);
      auto it = v.byPath.find(path);
      ASSERT_NE(it, v.byPath.end());
      const NTFSFILEENTRY& e = *it->second;
      EXPECT_EQ(e.folder, 0);
      EXPECT_EQ(e.dataSize, 0);
      ASSERT_EQ(IstatListsUnnamedData(Fixture(image), e.recordNumber), hasData);
      testing_support::TempDir out;
      SaveControl control;
      if (hasData) {
        ASSERT_EQ(v.Save(e, out.path(), &control), 1) << platform::ToUtf8(control.note);
        EXPECT_TRUE(control.note.empty());
        EXPECT_EQ(FolderNames(out.path()), std::vector<std::string>{Base(path)});
        EXPECT_EQ(std::filesystem::file_size(out.File(Base(path))), 0u);
        continue;
      }
      EXPECT_EQ(v.Save(e, out.path(), &control), 0);
      EXPECT_EQ(control.note, kNoteNoUnnamedData);
      EXPECT_TRUE(std::filesystem::is_empty(out.path()));
      const auto probe = testing_support::ProbeSave(Fixture(image), path, out.path());
      EXPECT_NE(probe.exitCode, 0);
      EXPECT_EQ(probe.out, "save failed: " + platform::ToUtf8(kNoteNoUnnamedData) + "\n");
      EXPECT_TRUE(std::filesystem::is_empty(out.path()));
    }
  }
}

TEST(NtfsSave, ARecordReusedSinceTheSearchIsRefused) {
  const char* image = "ntfs_4k.img";
  REQUIRE_FIXTURE(image);
  SearchedVolume v(Fixture(image));
  ASSERT_TRUE(v.result.ok);
  testing_support::TempDir out;
  NTFSFILEENTRY stale = *v.byPath.at("/multi.bin");
  std::u16string other = u"someone else.bin";
  std::copy(other.begin(), other.end() + 1, stale.name);
  SaveControl renamed;
  EXPECT_EQ(SaveNtfsFile(v.state, static_cast<std::uint32_t>(stale.recordNumber), stale.name,
                         platform::FromUtf8(out.path()), 0, &stale, &renamed), 0);
  EXPECT_EQ(renamed.note, kNoteRecordChanged);
  NTFSFILEENTRY moved = *v.byPath.at("/multi.bin");
  moved.parentRecordNumber = 99;
  SaveControl movedControl;
  EXPECT_EQ(SaveNtfsFile(v.state, static_cast<std::uint32_t>(moved.recordNumber), moved.name,
                         platform::FromUtf8(out.path()), 0, &moved, &movedControl), 0);
  EXPECT_EQ(movedControl.note, kNoteRecordChanged);
  EXPECT_TRUE(std::filesystem::is_empty(out.path()));
  // The queue may save under a new name: only what the search saw is compared.
  const NTFSFILEENTRY& real = *v.byPath.at("/multi.bin");
  EXPECT_EQ(SaveNtfsFile(v.state, static_cast<std::uint32_t>(real.recordNumber), u"renamed.bin",
                         platform::FromUtf8(out.path()), 0, &real), 1);
  EXPECT_TRUE(std::filesystem::exists(out.File("renamed.bin")));
}

TEST(NtfsSave, NamesNeverLeaveTheSaveFolder) {
  const char* image = "ntfs_4k.img";
  REQUIRE_FIXTURE(image);
  SearchedVolume v(Fixture(image));
  ASSERT_TRUE(v.result.ok);
  testing_support::TempDir out;
  const NTFSFILEENTRY& e = *v.byPath.at("/small.txt");
  for (const std::u16string name : {u"../escape.txt", u"..", u".", u"", u"a/b.txt"}) {
    EXPECT_EQ(SaveNtfsFile(v.state, static_cast<std::uint32_t>(e.recordNumber), name,
                           platform::FromUtf8(out.path()), 0, &e), 0)
        << platform::ToUtf8(name);
  }
  EXPECT_TRUE(std::filesystem::is_empty(out.path()));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(out.path()).parent_path() / "escape.txt"));
}

TEST(NtfsSave, CancelStopsTheCopyAndEncryptionFailsWithItsMessage) {
  const char* image = "ntfs_4k.img";
  REQUIRE_FIXTURE(image);
  SearchedVolume v(Fixture(image));
  ASSERT_TRUE(v.result.ok);
  testing_support::TempDir out;
  const NTFSFILEENTRY& multi = *v.byPath.at("/multi.bin");

  // An encrypted file cannot be decrypted here: the save fails and says why, non-resident or
  // resident, and its ciphertext does not take the place of an older file of that name.
  for (const char* path : {"/multi.bin", "/small.txt"}) {
    SCOPED_TRACE(path);
    const NTFSFILEENTRY& e = *v.byPath.at(path);
    testing_support::TempDir folder;
    testing_support::WriteFile(folder.File(Base(path)), "older");
    v.volume.sink().Clear();
    SaveControl control;
    EXPECT_EQ(SaveNtfsFile(v.state, static_cast<std::uint32_t>(e.recordNumber), e.name,
                           platform::FromUtf8(folder.path()), 0x4000, &e, &control), 0);
    ASSERT_EQ(v.volume.sink().Texts().size(), 1u);
    EXPECT_NE(v.volume.sink().Texts()[0].find(u"NTFS암호화파일을 복구하기 위해 필요합니다."),
              std::u16string::npos);
    EXPECT_EQ(control.note, kNoteEncryptedFile);
    EXPECT_EQ(FolderNames(folder.path()), std::vector<std::string>{Base(path)});
    EXPECT_EQ(testing_support::ReadFile(folder.File(Base(path))), "older");
  }

  // The copy runs through the attribute directly. A stop already pending when it starts is
  // seen, and stays pending: the copy ends with 0 and leaves no file.
  std::vector<std::uint8_t> rec(v.state->recordSize);
  ASSERT_TRUE(ReadMftRecord(v.state, static_cast<std::uint64_t>(multi.recordNumber), rec.data()));
  std::uint32_t len = 0;
  const std::uint8_t* data = FindAttribute(rec.data(), rec.size(), ntfs::kAttrData, &len);
  ASSERT_NE(data, nullptr);
  g_strNtfsSavePath = platform::FromUtf8(out.File("copy.bin"));
  v.state->saveCancel = 1;
  SaveControl control;
  EXPECT_EQ(CopyAttributeToFile(v.state, data, len, static_cast<std::uint64_t>(multi.dataSize), &control), 0);
  EXPECT_EQ(v.state->saveCancel.load(), 1);
  EXPECT_TRUE(control.stopped);
  EXPECT_FALSE(std::filesystem::exists(out.File("copy.bin")));
  for (const std::string& name : FolderNames(out.path())) EXPECT_NE(name[0], '.') << name;
  // Once the caller clears it, the same copy runs to the end.
  v.state->saveCancel = 0;
  EXPECT_EQ(CopyAttributeToFile(v.state, data, len, static_cast<std::uint64_t>(multi.dataSize)), 1);
  EXPECT_EQ(std::filesystem::file_size(out.File("copy.bin")), static_cast<std::uintmax_t>(multi.dataSize));
}

TEST(NtfsSave, StatusNamesOfTheDecompressionBox) {
  EXPECT_EQ(NtStatusName(0xC0000023), u"STATUS_BUFFER_TOO_SMALL");
  EXPECT_EQ(NtStatusName(0), u"STATUS_SUCCESS");
  EXPECT_EQ(NtStatusName(kStatusBadCompressionBuffer), u"NT Error Code: 0xc0000242");
}

namespace {

using namespace ntfs_test;

// The files of a hand-built volume that the save tests write: record r holds `name` with the
// $DATA given. Their clusters start at 100.
struct HandFile {
  std::size_t record;
  std::u16string name;
  std::vector<std::uint8_t> data;  // the $DATA attribute
  std::uint32_t attributes = 0x20;
};

std::string WriteHandVolume(const testing_support::TempDir& dir, const std::vector<HandFile>& files,
                            const std::vector<std::pair<std::uint64_t, std::vector<std::uint8_t>>>& clusters) {
  Builder b;
  for (const HandFile& f : files)
    b.Put(f.record, 1, {StdInfo(f.attributes), FileName(f.name, 5), f.data});
  for (const auto& [lcn, bytes] : clusters) b.PutClusters(lcn, bytes);
  return b.Write(dir, "hand.img");
}


}  // namespace

// A compressed file of three units: one partly sparse (LZNT1 in its first cluster), one wholly
// sparse, one fully allocated (stored raw); cut to its data size.
TEST(NtfsSave, CompressedUnitsOfEveryKind) {
  std::vector<std::uint8_t> raw(16 * kCluster);
  for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<std::uint8_t>(i * 7 + 3);
  NonResidentSpec s;
  s.lastVcn = 47;
  s.allocated = 48 * kCluster;
  s.dataSize = s.initialized = 48 * kCluster - 100;
  s.flags = 0x0001;
  s.unitShift = 4;
  // 1 cluster at 100, 31 sparse, 16 at 101.
  const auto data = NonResidentAttr(0x80, s, {0x11, 1, 100, 0x01, 31, 0x11, 16, 1, 0x00});
  testing_support::TempDir dir;
  // 'a' and a copy of nine bytes from one back: ten 'a's.
  const std::string image = WriteHandVolume(dir, {{8, u"comp.bin", data, 0x820}},
                                            {{100, {0x03, 0xB0, 0x02, 'a', 0x06, 0x00}}, {101, raw}});
  SearchedVolume v(image);
  ASSERT_TRUE(v.result.ok);
  ASSERT_EQ(v.byRecord.count(8), 1u);
  testing_support::TempDir out;
  ASSERT_EQ(v.Save(*v.byRecord.at(8), out.path()), 1);
  std::string expected(10, 'a');
  expected.resize(2 * 16 * kCluster, '\0');
  expected.append(raw.begin(), raw.end() - 100);
  const std::string got = testing_support::ReadFile(out.File("comp.bin"));
  ASSERT_EQ(got.size(), expected.size());
  EXPECT_TRUE(got == expected);
  EXPECT_EQ(FolderNames(out.path()), std::vector<std::string>{"comp.bin"});
}

// Each save that cannot give the file's exact bytes reports 0 with its reason and leaves nothing,
// except that runs ending before the data keep what they map under the file's name.
TEST(NtfsSave, FailedSavesReportFailureAndLeaveNoTemporaryFile) {
  auto plain = [](std::vector<std::uint8_t> runs, std::uint64_t clusters) {
    NonResidentSpec s;
    s.lastVcn = clusters - 1;
    s.allocated = s.dataSize = s.initialized = clusters * kCluster;
    return NonResidentAttr(0x80, s, runs);
  };
  NonResidentSpec c;
  c.lastVcn = 15;
  c.allocated = c.dataSize = c.initialized = 16 * kCluster;
  c.flags = 0x0001;
  c.unitShift = 4;
  NonResidentSpec wideUnit = c;
  wideUnit.unitShift = 9;  // NTFS compresses in units of 16 clusters
  struct Case {
    const char* what;
    HandFile file;
    const char16_t* note;
    bool keepsMapped = false;  // what the runs map stays under the file's name
  };
  const Case cases[] = {
      {"runs end before the data", {8, u"short.bin", plain({0x11, 2, 100, 0x00}, 4)}, kNoteDataBeyondRuns, true},
      {"length nibble above 8", {9, u"nibble.bin", plain({0x19, 1, 2, 3, 4, 5, 6, 7, 8, 9, 100, 0x00}, 4)},
       kNoteBadRunList},
      {"clusters past the end of the volume", {10, u"past.bin", plain({0x21, 4, 0x00, 0x10, 0x00}, 4)},
       kNoteReadFailed},
      {"compressed unit that is no LZNT1",
       {11, u"badunit.bin", NonResidentAttr(0x80, c, {0x11, 1, 120, 0x01, 15, 0x00}), 0x820}, kNoteBadCompressedUnit},
      {"a run longer than the attribute's VCN range", {12, u"long.bin", plain({0x11, 3, 100, 0x00}, 2)},
       kNoteRunsPastLastVcn},
      {"a compression unit of 512 clusters",
       {13, u"wideunit.bin", NonResidentAttr(0x80, wideUnit, {0x11, 16, 100, 0x00}), 0x820}, kNoteBadCompressedUnit},
  };
  std::vector<HandFile> files;
  for (const Case& k : cases) files.push_back(k.file);
  testing_support::TempDir dir;
  const std::string image = WriteHandVolume(dir, files, {{100, std::vector<std::uint8_t>(4 * kCluster, 'p')},
                                                          {120, {0x10, 0xA0, 'x', 'y'}}});
  SearchedVolume v(image);
  ASSERT_TRUE(v.result.ok);
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    ASSERT_EQ(v.byRecord.count(static_cast<std::int64_t>(k.file.record)), 1u);
    testing_support::TempDir out;
    v.volume.sink().Clear();
    SaveControl control;
    EXPECT_EQ(v.Save(*v.byRecord.at(static_cast<std::int64_t>(k.file.record)), out.path(), &control), 0);
    EXPECT_EQ(control.note, k.note);
    const std::string name = platform::ToUtf8(k.file.name);
    if (k.keepsMapped) {
      EXPECT_EQ(FolderNames(out.path()), std::vector<std::string>{name});
      EXPECT_EQ(testing_support::ReadFile(out.File(name)), std::string(2 * kCluster, 'p'));
    } else {
      EXPECT_TRUE(std::filesystem::is_empty(out.path()));
    }
    // The bad unit says why in a box as well.
    if (k.file.record == 11) {
      ASSERT_EQ(v.volume.sink().Texts().size(), 1u);
      EXPECT_NE(v.volume.sink().Texts()[0].find(u"0xc0000242"), std::u16string::npos);
    } else {
      EXPECT_TRUE(v.volume.sink().Texts().empty());
    }
  }

  // A save folder that does not exist.
  SaveControl control;
  EXPECT_EQ(v.Save(*v.byRecord.at(8), dir.File("missing/folder"), &control), 0);
  EXPECT_EQ(control.note, kNoteCannotCreate);
}

// A $DATA whose size lies far beyond the clusters its runs map (a sparse run included) is listed
// with the size the record gives, but the save writes only what the runs map and reports a
// damaged file: no zeros up to the claimed size.
TEST(NtfsSave, ASizeBeyondTheRunsIsDamageAndTheOutputStaysBounded) {
  std::vector<std::uint8_t> raw(16 * kCluster);
  for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<std::uint8_t>(i * 5 + 1);
  struct Case {
    std::uint64_t size;
    bool compressed;
  };
  const Case cases[] = {{1ull << 32, false}, {1ull << 40, false}, {1ull << 63, false},
                        {~0ull, false},      {1ull << 40, true}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.size << (k.compressed ? " compressed" : ""));
    NonResidentSpec s;
    std::vector<std::uint8_t> runs;
    std::string expected;
    if (k.compressed) {
      // One unit of 16 clusters stored raw.
      s.lastVcn = 15;
      s.allocated = s.initialized = 16 * kCluster;
      s.flags = 0x0001;
      s.unitShift = 4;
      runs = {0x11, 16, 100, 0x00};
      expected.assign(raw.begin(), raw.end());
    } else {
      // One stored cluster, then one sparse.
      s.lastVcn = 1;
      s.allocated = s.initialized = 2 * kCluster;
      runs = {0x11, 1, 100, 0x01, 1, 0x00};
      expected.assign(raw.begin(), raw.begin() + kCluster);
      expected.append(kCluster, '\0');
    }
    s.dataSize = k.size;
    testing_support::TempDir dir;
    const std::string image = WriteHandVolume(
        dir, {{8, u"huge.bin", NonResidentAttr(0x80, s, runs), k.compressed ? 0x820u : 0x20u}}, {{100, raw}});
    SearchedVolume v(image);
    ASSERT_TRUE(v.result.ok);
    ASSERT_EQ(v.byRecord.count(8), 1u);
    EXPECT_EQ(static_cast<std::uint64_t>(v.byRecord.at(8)->dataSize), k.size);
    testing_support::TempDir out;
    SaveControl control;
    EXPECT_EQ(SaveNtfsFile(v.state, 8, u"huge.bin", platform::FromUtf8(out.path()), 0,
                           v.byRecord.at(8), &control), 0);
    EXPECT_EQ(control.note, kNoteDataBeyondRuns);
    ASSERT_EQ(FolderNames(out.path()), std::vector<std::string>{"huge.bin"});
    EXPECT_TRUE(testing_support::ReadFile(out.File("huge.bin")) == expected);
  }
}

namespace {

// Volume byte of record r of the $MFT.
std::uint64_t MftRecordByte(const NTFSVOLUMERECORD* state, std::uint64_t r) {
  const std::uint64_t byte = r * state->recordSize;
  std::uint64_t lcn = 0, left = 0;
  EXPECT_TRUE(MapVcn(state->mftRuns, byte / state->clusterSize, &lcn, &left));
  return lcn * state->clusterSize + byte % state->clusterSize;
}

// Volume byte of cluster `vcn` of the entry's unnamed $DATA.
std::uint64_t DataByte(const NTFSVOLUMERECORD* state, const NTFSFILEENTRY& e, std::uint64_t vcn) {
  std::vector<std::uint8_t> record(state->recordSize);
  EXPECT_TRUE(ReadMftRecord(state, static_cast<std::uint64_t>(e.recordNumber), record.data()));
  std::uint32_t length = 0;
  const std::uint8_t* data = FindAttribute(record.data(), record.size(), ntfs::kAttrData, &length);
  NtfsRunList runs;
  std::uint64_t lcn = 0, left = 0;
  bool sparse = false;
  EXPECT_TRUE(data && DecodeRunList(data, length, &runs) && MapVcn(runs, vcn, &lcn, &left, &sparse));
  EXPECT_FALSE(sparse);
  return lcn * state->clusterSize;
}

}  // namespace

// A bad spot inside the $MFT: the search passes over that record without a message, and its
// save fails without leaving a file.
TEST(NtfsSave, AReadFailingInsideTheMftSkipsTheRecordAndFailsItsSave) {
  const char* image = "ntfs_4k.img";
  REQUIRE_FIXTURE(image);
  SearchedVolume v(Fixture(image));
  ASSERT_TRUE(v.result.ok);
  const NTFSFILEENTRY& multi = *v.byPath.at("/multi.bin");
  platform::ScopedFaultPlan faults;
  platform::FaultPlan::FailReadAt(MftRecordByte(v.state, static_cast<std::uint64_t>(multi.recordNumber)) + 100);
  v.volume.sink().Clear();
  NtfsSearchResult again = SearchMft(v.state, {}, nullptr);
  EXPECT_TRUE(again.ok);
  EXPECT_GT(platform::FaultPlan::FailedReads(), 0u);
  EXPECT_EQ(again.count, v.result.count - 1);
  for (std::uint32_t i = 0; i < again.count; ++i) EXPECT_NE(again.entries[i].recordNumber, multi.recordNumber);
  FreeNtfsEntryArray(again.entries, again.count);

  testing_support::TempDir out;
  SaveControl control;
  EXPECT_EQ(SaveNtfsFile(v.state, static_cast<std::uint32_t>(multi.recordNumber), multi.name,
                         platform::FromUtf8(out.path()), 0, &multi, &control), 0);
  EXPECT_EQ(control.note, kNoteReadFailed);
  EXPECT_TRUE(v.volume.sink().Messages().empty());
  EXPECT_TRUE(std::filesystem::is_empty(out.path()));
}

// A read or write failing in the middle of the copy, or a copy buffer that cannot be had: the
// save fails with its note and the folder keeps what it held.
TEST(NtfsSave, FaultsDuringACopyLeaveNoPartialFile) {
  const char* image = "ntfs_4k.img";
  REQUIRE_FIXTURE(image);
  SearchedVolume v(Fixture(image));
  ASSERT_TRUE(v.result.ok);
  const NTFSFILEENTRY& frag = *v.byPath.at("/frag.bin");
  const std::uint64_t badByte = DataByte(v.state, frag, 7) + 9;
  const std::uint32_t cs = v.state->clusterSize;
  struct Case {
    const char* what;
    std::function<void()> arm;
    const char16_t* note;
  };
  const Case cases[] = {
      {"read inside the eighth cluster", [&] { platform::FaultPlan::FailReadAt(badByte); }, kNoteReadFailed},
      {"write past the second cluster", [&] { platform::FaultPlan::FailOutputWriteAfter(2 * cs); }, kNoteWriteFailed},
      {"copy buffer", [] { platform::FaultPlan::FailNextLargeAllocation(); }, kNoteOutOfMemory},
  };
  const std::string older(100, 'o');
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    platform::ScopedFaultPlan faults;
    testing_support::TempDir out;
    testing_support::WriteFile(out.File("frag.bin"), older);
    k.arm();
    v.volume.sink().Clear();
    SaveControl control;
    EXPECT_EQ(SaveNtfsFile(v.state, static_cast<std::uint32_t>(frag.recordNumber), frag.name,
                           platform::FromUtf8(out.path()), 0, &frag, &control), 0);
    EXPECT_EQ(control.note, k.note);
    EXPECT_TRUE(v.volume.sink().Messages().empty());
    EXPECT_EQ(FolderNames(out.path()), std::vector<std::string>{"frag.bin"});
    EXPECT_EQ(testing_support::ReadFile(out.File("frag.bin")), older);
  }
}

TEST(NtfsSave, TheHookIsAskedAfterEveryRunAndCanStopTheSave) {
  const char* image = "ntfs_4k.img";
  REQUIRE_FIXTURE(image);
  SearchedVolume v(Fixture(image));
  ASSERT_TRUE(v.result.ok);
  const NTFSFILEENTRY& frag = *v.byPath.at("/frag.bin");
  const auto size = static_cast<std::uint64_t>(frag.dataSize);
  testing_support::TempDir out;
  // Stopped after the first run: nothing is left, and the volume's cancel flag is not touched.
  SaveControl stop;
  int calls = 0;
  stop.afterChunk = [&](std::uint64_t written, std::uint64_t total) {
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, total);
    return ++calls, true;
  };
  EXPECT_EQ(SaveNtfsFile(v.state, static_cast<std::uint32_t>(frag.recordNumber), frag.name,
                         platform::FromUtf8(out.path()), 0, &frag, &stop), 0);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(stop.stopped);
  EXPECT_EQ(v.state->saveCancel.load(), 0);
  EXPECT_TRUE(std::filesystem::is_empty(out.path()));

  // Let run, it sees the bytes grow run by run up to the size.
  SaveControl watch;
  std::vector<std::uint64_t> seen;
  watch.afterChunk = [&](std::uint64_t written, std::uint64_t total) {
    EXPECT_EQ(total, size);
    seen.push_back(written);
    return false;
  };
  ASSERT_EQ(SaveNtfsFile(v.state, static_cast<std::uint32_t>(frag.recordNumber), frag.name,
                         platform::FromUtf8(out.path()), 0, &frag, &watch), 1);
  EXPECT_TRUE(watch.note.empty());
  ASSERT_GE(seen.size(), 2u);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), size);
  EXPECT_EQ(testing_support::ReadFile(out.File("frag.bin")),
            testing_support::ReadFile(Fixture(image) + ".files/frag.bin"));
}
