#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string_view>
#include <vector>

#include "corvane/exfat_records.h"
#include "corvane/fat_records.h"
#include "corvane/filesystem.h"
#include "corvane/ntfs_records.h"
#include "tests/modules/module_env.h"
#include "tests/support/time_zone.h"

namespace {

using Display = module_env::StartedSuite;

NTFSFILETIME FileTimeOf(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  const std::uint64_t unix = static_cast<std::uint64_t>(timegm(&tm));
  const std::uint64_t ft = (unix + 11644473600ull) * 10000000ull + static_cast<std::uint64_t>(ms) * 10000;
  return {static_cast<std::uint32_t>(ft >> 32), static_cast<std::uint32_t>(ft)};
}

NTFSFILEENTRY NtfsEntry(const char16_t* name) {
  NTFSFILEENTRY e;
  std::memset(static_cast<void*>(&e), 0, sizeof e);
  const std::u16string n = name;
  std::memcpy(reinterpret_cast<unsigned char*>(&e) + offsetof(NTFSFILEENTRY, name), n.data(),
              n.size() * sizeof(char16_t));
  return e;
}

TEST_F(Display, NtfsTimesAtUtcPlusNineAcrossDayMonthAndYearEnds) {
  const testing_support::ScopedTimeZone zone("KST-9");  // UTC + 9 hours all year, in every year
  struct Case {
    NTFSFILETIME utc;
    const char16_t* text;
  } cases[] = {
      {FileTimeOf(2009, 1, 1, 15, 0, 0), u"2009-01-02 FRI 00:00:00.000"},
      {FileTimeOf(2008, 2, 28, 15, 0, 0), u"2008-02-29 FRI 00:00:00.000"},
      {FileTimeOf(2008, 2, 29, 20, 1, 2, 345), u"2008-03-01 SAT 05:01:02.345"},
      {FileTimeOf(2009, 2, 28, 15, 0, 0), u"2009-03-01 SUN 00:00:00.000"},
      {FileTimeOf(2009, 12, 31, 15, 30, 0), u"2010-01-01 FRI 00:30:00.000"},
      {FileTimeOf(2009, 12, 31, 14, 59, 59, 999), u"2009-12-31 THU 23:59:59.999"},
      {FileTimeOf(2000, 2, 29, 0, 0, 0), u"2000-02-29 TUE 09:00:00.000"},
      {{0, 0}, u"1601-01-01 MON 09:00:00.000"},
      {{0xFFFFFFFFu, 0xFFFFFFFFu}, u"X"},  // does not convert
  };
  for (const Case& c : cases) {
    NTFSFILEENTRY e = NtfsEntry(u"a.txt");
    e.creationTime = c.utc;
    e.accessTime = c.utc;
    e.modificationTime = c.utc;
    EXPECT_EQ(pfn_disp_struct_createdt_ntfs(&e), c.text);
    EXPECT_EQ(pfn_disp_struct_accessdt_ntfs(&e), c.text);
    EXPECT_EQ(pfn_disp_struct_modifydt_ntfs(&e), c.text);
  }
  auto build = reinterpret_cast<decltype(&build_struct_createdt_ntfs)>(
      platform::ModuleSymbol(g_ModuleTable[FindModuleRow(u"ntfs.dll")].handle, "build_struct_modifydt_ntfs"));
  ASSERT_NE(build, nullptr);
  SYSTEMTIME st{};
  NTFSFILETIME t = FileTimeOf(2009, 12, 31, 15, 30, 0);
  ASSERT_EQ(build(t.high, t.low, &st), 1);
  EXPECT_EQ(st.wYear, 2010);
  EXPECT_EQ(st.wMonth, 1);
  EXPECT_EQ(st.wDay, 1);
  EXPECT_EQ(st.wDayOfWeek, 5);
  EXPECT_EQ(st.wHour, 0);
  EXPECT_EQ(build(0xFFFFFFFFu, 0xFFFFFFFFu, &st), 0);
  EXPECT_EQ(st.wYear, 2010);  // untouched
}

TEST_F(Display, NtfsStatusNumbersAndSizes) {
  struct Status {
    int deleted, compressed, encrypted, sparse, folder;
    const char16_t* text;
  } statuses[] = {
      {1, 1, 0, 0, 1, u"(삭제된 압축 폴더)"}, {0, 1, 1, 0, 0, u"(정상 압축 파일)"},
      {0, 0, 1, 0, 0, u"(정상 암호화 파일)"}, {1, 0, 0, 1, 0, u"(삭제된 희소 파일)"},
      {0, 0, 0, 0, 1, u"(정상 폴더)"},
  };
  for (const Status& c : statuses) {
    NTFSFILEENTRY e = NtfsEntry(u"x");
    e.deleted = c.deleted;
    e.compressed = c.compressed;
    e.encrypted = c.encrypted;
    e.sparse = c.sparse;
    e.folder = c.folder;
    EXPECT_EQ(pfn_disp_struct_status_ntfs(&e), c.text);
  }

  NTFSFILEENTRY e = NtfsEntry(u"report.txt");
  e.firstCluster = 1234567;
  e.firstClusterValid = 1;
  e.firstSector = 9876543210;
  e.firstSectorValid = 1;
  e.lastVcn = 0;
  e.lastVcnValid = 1;
  e.recordNumber = 70000;
  e.parentRecordNumber = 5;
  e.dataSize = 1536;
  e.allocatedSize = 4096;
  EXPECT_EQ(pfn_disp_struct_name_ntfs(&e), u"report.txt");
  EXPECT_EQ(pfn_disp_struct_cluster_ntfs(&e), u"1,234,567");
  EXPECT_EQ(pfn_disp_struct_1stsector_ntfs(&e), u"9,876,543,210");
  EXPECT_EQ(pfn_disp_struct_runcount_ntfs(&e), u"");
  e.lastVcn = 4321;
  EXPECT_EQ(pfn_disp_struct_runcount_ntfs(&e), u"4,321");
  EXPECT_EQ(pfn_disp_struct_mftid_ntfs(&e), u"70,000");
  EXPECT_EQ(pfn_disp_struct_parentmft_ntfs(&e), u"5");
  EXPECT_EQ(pfn_disp_struct_size_ntfs(&e), u"2 KB");
  EXPECT_EQ(pfn_disp_struct_bytesize_ntfs(&e), u"1,536");
  EXPECT_EQ(pfn_disp_struct_datasize_ntfs(&e), u"4,096");
  EXPECT_EQ(pfn_disp_struct_bytesize_num_ntfs(&e), 1536.0);

  // Without $DATA: "X" in the three run columns.
  e.firstClusterValid = e.firstSectorValid = e.lastVcnValid = 0;
  EXPECT_EQ(pfn_disp_struct_cluster_ntfs(&e), u"X");
  EXPECT_EQ(pfn_disp_struct_1stsector_ntfs(&e), u"X");
  EXPECT_EQ(pfn_disp_struct_runcount_ntfs(&e), u"X");
  // Size 0: a folder's column is empty, a file shows the number and the unit.
  e.dataSize = e.allocatedSize = 0;
  EXPECT_EQ(pfn_disp_struct_size_ntfs(&e), u"0 B");
  e.folder = 1;
  EXPECT_EQ(pfn_disp_struct_size_ntfs(&e), u"");
  EXPECT_EQ(pfn_disp_struct_datasize_ntfs(&e), u"");
  // A name filling the whole field is read no further than the field.
  NTFSFILEENTRY full = NtfsEntry(std::u16string(kNtfsNameCapacity, u'a').c_str());
  EXPECT_EQ(pfn_disp_struct_name_ntfs(&full).size(), kNtfsNameCapacity);
}

}  // namespace

namespace {

FATDIRENTRY FatEntry() {
  FATDIRENTRY e;
  std::memset(static_cast<void*>(&e), 0, sizeof e);
  return e;
}

TEST_F(Display, FatStatusAttributesSizesAndDates) {
  struct Status {
    int directory, label, deleted, valid;
    std::uint32_t cluster, size;
    const char16_t* text;
  } statuses[] = {
      {1, 1, 1, 1, 0, 0, u"(삭제된 볼륨)"},   {1, 1, 0, 1, 5, 0, u"[손상된 볼륨]"},
      {1, 1, 0, 1, 0, 0, u"정상 볼륨"},       {1, 0, 1, 1, 5, 0, u"(삭제된 폴더)"},
      {1, 0, 0, 0, 5, 0, u"[손상된 폴더]"},   {1, 0, 0, 1, 5, 4096, u"[손상된 폴더(추정)]"},
      {1, 0, 0, 1, 5, 0, u"정상 폴더"},       {0, 0, 1, 1, 5, 10, u"(삭제된 파일)"},
      {0, 0, 0, 1, 5, 10, u"정상 파일"},      {0, 0, 0, 1, 0, 0, u"정상 파일(추정)"},
      {0, 0, 0, 0, 5, 10, u"[손상된 파일]"},
  };
  for (const Status& c : statuses) {
    FATDIRENTRY e = FatEntry();
    e.directory = c.directory;
    e.volumeLabel = c.label;
    e.deleted = c.deleted;
    e.valid = c.valid;
    e.firstCluster = c.cluster;
    e.size = c.size;
    EXPECT_EQ(pfn_disp_struct_status_quorin(&e), c.text);
  }
  struct Attr {
    std::uint8_t bits;
    const char16_t* text;
  } attrs[] = {{0x21, u"a....r"}, {0x10, u".d...."}, {0x3F, u"advshr"}, {0x00, u"......"}, {0xC6, u"...sh."}};
  for (const Attr& a : attrs) {
    FATDIRENTRY e = FatEntry();
    e.attribute = a.bits;
    EXPECT_EQ(pfn_disp_struct_attr_quorin(&e), a.text);
  }

  FATDIRENTRY e = FatEntry();
  std::strcpy(e.shortName, "README.TXT");
  e.firstSlot = 3;
  e.lastSlot = 4;
  e.firstCluster = 4000000000u;
  EXPECT_EQ(pfn_disp_struct_name_quorin(&e), u"README.TXT");
  EXPECT_EQ(pfn_disp_struct_location_quorin(&e), u"3/4");
  EXPECT_EQ(pfn_disp_struct_cluster_quorin(&e), u"4000000000");
  EXPECT_EQ(pfn_disp_struct_size_quorin(&e), u"0B");
  EXPECT_EQ(pfn_disp_struct_bytesize_quorin(&e), u"0");
  e.size = 1234567;
  EXPECT_EQ(pfn_disp_struct_size_quorin(&e), u"1MB");
  EXPECT_EQ(pfn_disp_struct_bytesize_quorin(&e), u"1,234,567");
  EXPECT_EQ(pfn_disp_struct_bytesize_num_quorin(&e), 1234567.0);
  e.size = 0;
  e.directory = 1;
  EXPECT_EQ(pfn_disp_struct_size_quorin(&e), u"");

  e.createYear = 2008; e.createMonth = 2; e.createDay = 29;
  e.createHour = 23; e.createMinute = 59; e.createSecond = 58; e.createHundredths = 99;
  e.accessYear = 2009; e.accessMonth = 12; e.accessDay = 31;
  e.modifyYear = 2009; e.modifyMonth = 12; e.modifyDay = 31;
  e.modifyHour = 23; e.modifyMinute = 59; e.modifySecond = 58;
  EXPECT_EQ(pfn_disp_struct_createdt_quorin(&e), u"2008-02-29 23:59:58.99");
  EXPECT_EQ(pfn_disp_struct_accessdt_quorin(&e), u"2009-12-31 ");
  EXPECT_EQ(pfn_disp_struct_modifydt_quorin(&e), u"2009-12-31 23:59:58");
  // A date that was never set (all zero bytes) gives no text, not "1980-00-00".
  FATDIRENTRY none = FatEntry();
  none.createYear = none.accessYear = none.modifyYear = 1980;
  EXPECT_EQ(pfn_disp_struct_createdt_quorin(&none), u"");
  EXPECT_EQ(pfn_disp_struct_accessdt_quorin(&none), u"");
  EXPECT_EQ(pfn_disp_struct_modifydt_quorin(&none), u"");
  none.modifyMonth = 1; none.modifyDay = 1; none.modifyHour = 31;  // damaged time
  EXPECT_EQ(pfn_disp_struct_modifydt_quorin(&none), u"");

  FATDIRENTRY lfn = FatEntry();
  lfn.hasLongName = 1;
  std::u16string name = u"Long file name.txt";
  SetLongName(&lfn, name.data(), name.size());
  std::strcpy(lfn.shortName, "LONGFI~1.TXT");
  EXPECT_EQ(pfn_disp_struct_name_quorin(&lfn), name);
  // A short name field without its terminator is read no further than the field.
  FATDIRENTRY unterminated = FatEntry();
  std::memset(unterminated.shortName, 'A', sizeof unterminated.shortName);
  EXPECT_EQ(pfn_disp_struct_name_quorin(&unterminated), std::u16string(13, u'A'));
}

EXFATFILEENTRY ExfatEntry(const char16_t* name) {
  EXFATFILEENTRY e;
  std::memset(static_cast<void*>(&e), 0, sizeof e);
  const std::u16string n = name;
  SetExfatName(&e, n.data(), n.size());
  return e;
}

TEST_F(Display, ExfatColumns) {
  EXFATFILEENTRY e = ExfatEntry(u"movie.bin");
  e.secondaryFlags = 3;
  e.setChecksum = 0x0A3F;
  e.firstCluster = 0x80000001u;
  e.dataLength = 5ull << 30;
  EXPECT_EQ(pfn_disp_struct_name_exfat(&e), u"movie.bin");
  EXPECT_EQ(pfn_disp_struct_fragment_exfat(&e), u"연속");
  e.secondaryFlags = 1;
  EXPECT_EQ(pfn_disp_struct_fragment_exfat(&e), u"조각남");
  e.secondaryFlags = 0;
  EXPECT_EQ(pfn_disp_struct_fragment_exfat(&e), u"");
  EXPECT_EQ(pfn_disp_struct_checksum_exfat(&e), u"a3f");
  EXPECT_EQ(pfn_disp_struct_cluster_exfat(&e), u"2147483649");
  EXPECT_EQ(pfn_disp_struct_size_exfat(&e), u"5GB");
  EXPECT_EQ(pfn_disp_struct_bytesize_exfat(&e), u"5,368,709,120");
  EXPECT_EQ(pfn_disp_struct_bytesize_num_exfat(&e), 5368709120.0);
  EXPECT_EQ(pfn_disp_struct_status_exfat(&e), u"정상인 파일");
  e.deleted = 1;
  EXPECT_EQ(pfn_disp_struct_status_exfat(&e), u"(삭제된 파일)");
  e.folder = 1;
  EXPECT_EQ(pfn_disp_struct_status_exfat(&e), u"(삭제된 폴더)");
  e.deleted = 0;
  EXPECT_EQ(pfn_disp_struct_status_exfat(&e), u"정상인 폴더");
  e.dataLength = 0;
  EXPECT_EQ(pfn_disp_struct_size_exfat(&e), u"");
  e.folder = 0;
  EXPECT_EQ(pfn_disp_struct_size_exfat(&e), u"0B");
  for (auto fn : {pfn_disp_struct_createdt_exfat, pfn_disp_struct_accessdt_exfat,
                  pfn_disp_struct_modifydt_exfat, pfn_disp_struct_attr_exfat})
    EXPECT_EQ(fn(&e), u"");
}

TEST_F(Display, IconIndexesAndTypeNamesByName) {
  NTFSFILEENTRY txt = NtfsEntry(u"nowhere.txt");
  NTFSFILEENTRY txt2 = NtfsEntry(u"other.TXT");
  NTFSFILEENTRY bare = NtfsEntry(u"QZXDATA");
  NTFSFILEENTRY folder = NtfsEntry(u"docs.txt");
  folder.folder = 1;
  const int txtIcon = pfn_disp_struct_image_ntfs(&txt, 0);
  EXPECT_EQ(pfn_disp_struct_image_ntfs(&txt2, 0), txtIcon);
  EXPECT_NE(pfn_disp_struct_image_ntfs(&bare, 0), txtIcon);
  EXPECT_NE(pfn_disp_struct_image_ntfs(&folder, 0), txtIcon);
  EXPECT_EQ(pfn_disp_struct_image_ntfs_ex(u"docs.txt", 1), pfn_disp_struct_image_ntfs(&folder, 0));
  EXPECT_EQ(pfn_disp_struct_image_ntfs_ex(u"a.txt", 0), txtIcon);
  // The same name gives the same index in every display module.
  EXFATFILEENTRY ex = ExfatEntry(u"x.txt");
  EXPECT_EQ(pfn_disp_struct_image_exfat(&ex, 0), txtIcon);
  FATDIRENTRY fat = FatEntry();
  std::strcpy(fat.shortName, "X.TXT");
  EXPECT_EQ(pfn_disp_struct_image_quorin(&fat, 0), txtIcon);

  const std::u16string type = pfn_disp_struct_fileformat_ntfs(&txt);
  EXPECT_FALSE(type.empty());
  EXPECT_EQ(pfn_disp_struct_fileformat_exfat(&ex), type);
  EXPECT_EQ(pfn_disp_struct_fileformat_ntfs(&bare), u"파일");
  NTFSFILEENTRY odd = NtfsEntry(u"data.zzqx");
  EXPECT_EQ(pfn_disp_struct_fileformat_ntfs(&odd), u"ZZQX 파일");
}

// The display texts of entries the engines list from real images.
template <class Entry, class NameFn>
const Entry* FindByName(const Entry* entries, std::uint32_t count, NameFn name, std::u16string_view wanted) {
  for (std::uint32_t i = 0; i < count; ++i)
    if (name(&entries[i]) == wanted) return &entries[i];
  return nullptr;
}

TEST_F(Display, EntriesOfARealFatVolume) {
  REQUIRE_FIXTURE("fat16.img");
  testing_support::ScopedDrives drives({"E=" + testing_support::Fixture("fat16.img")});
  testing_support::OpenedVolume v('E');
  ASSERT_TRUE(v.ok());
  ASSERT_EQ(ReadRootDirectory(v.fs()), 1);
  ASSERT_GT(g_dwFatDirEntryCount, 0u);
  for (std::uint32_t i = 0; i < g_dwFatDirEntryCount; ++i) {
    const FATDIRENTRY* e = &g_pFatDirEntries[i];
    EXPECT_FALSE(pfn_disp_struct_name_quorin(e).empty()) << i;
    if (e->volumeLabel == 0 && e->modifyMonth != 0) {
      const std::u16string m = pfn_disp_struct_modifydt_quorin(e);
      EXPECT_EQ(m.size(), 19u) << platform::ToUtf8(m);
    }
  }
  struct Case {
    const char16_t* name;
    const char16_t* status;
    const char16_t* bytes;
  } cases[] = {
      {u"SMALL.TXT", u"정상 파일", u"100"},
      {u"ZERO.BIN", u"정상 파일(추정)", u"0"},
      {u"A long file name for testing.txt", u"정상 파일", u"300"},
      {u"한글 파일 이름.txt", u"정상 파일", u"700"},
      {u"SUB", u"정상 폴더", u""},
      {u"Deleted long name.txt", u"(삭제된 파일)", u"1,024"},
  };
  for (const Case& c : cases) {
    const FATDIRENTRY* e = FindByName(g_pFatDirEntries, g_dwFatDirEntryCount, pfn_disp_struct_name_quorin, c.name);
    ASSERT_NE(e, nullptr) << platform::ToUtf8(c.name);
    EXPECT_EQ(pfn_disp_struct_status_quorin(e), c.status) << platform::ToUtf8(c.name);
    EXPECT_EQ(pfn_disp_struct_bytesize_quorin(e), c.bytes) << platform::ToUtf8(c.name);
  }
  const FATDIRENTRY* sub = FindByName(g_pFatDirEntries, g_dwFatDirEntryCount, pfn_disp_struct_name_quorin, u"SUB");
  EXPECT_EQ(pfn_disp_struct_attr_quorin(sub), u".d....");
  EXPECT_EQ(pfn_disp_struct_image_quorin(sub, 0), pfn_disp_struct_image_ntfs_ex(u"", 1));
}

// The expected listing the fixture script writes: "/name\tdeleted\tfolder\tsize\tcluster".
struct ExfatExpected {
  std::u16string name;
  int deleted, folder;
  std::uint64_t size;
  std::uint32_t cluster;
};

std::vector<ExfatExpected> ReadExfatExpected(const std::string& path) {
  std::vector<ExfatExpected> out;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string name, deleted, folder, size, cluster;
    if (!std::getline(fields, name, '\t') || !std::getline(fields, deleted, '\t') ||
        !std::getline(fields, folder, '\t') || !std::getline(fields, size, '\t') || !std::getline(fields, cluster))
      continue;
    out.push_back({platform::FromUtf8(name.substr(1)), std::stoi(deleted), std::stoi(folder), std::stoull(size),
                   static_cast<std::uint32_t>(std::stoul(cluster))});
  }
  return out;
}

TEST_F(Display, EntriesOfARealExfatVolume) {
  REQUIRE_FIXTURE("exfat.img");
  const std::vector<ExfatExpected> expected = ReadExfatExpected(testing_support::Fixture("exfat.expected"));
  ASSERT_GT(expected.size(), 5u);
  testing_support::ScopedDrives drives({"F=" + testing_support::Fixture("exfat.img")});
  testing_support::OpenedVolume v('F');
  ASSERT_TRUE(v.ok());
  ASSERT_EQ(ReadRootDirectory(v.fs()), 1);
  ASSERT_GE(g_dwExfatEntryCount, expected.size());
  for (const ExfatExpected& x : expected) {
    const std::string what = platform::ToUtf8(x.name);
    const EXFATFILEENTRY* e = FindByName(g_pExfatEntries, g_dwExfatEntryCount, pfn_disp_struct_name_exfat, x.name);
    ASSERT_NE(e, nullptr) << what;
    const char16_t* status = x.deleted ? (x.folder ? u"(삭제된 폴더)" : u"(삭제된 파일)")
                                       : (x.folder ? u"정상인 폴더" : u"정상인 파일");
    EXPECT_EQ(pfn_disp_struct_status_exfat(e), status) << what;
    EXPECT_EQ(pfn_disp_struct_cluster_exfat(e), platform::FromUtf8(std::to_string(x.cluster))) << what;
    EXPECT_EQ(pfn_disp_struct_bytesize_num_exfat(e), static_cast<double>(x.size)) << what;
    EXPECT_EQ(pfn_disp_struct_fragment_exfat(e), u"연속") << what;
    if (x.folder && x.size == 0) {
      EXPECT_EQ(pfn_disp_struct_size_exfat(e), u"") << what;
    } else {
      EXPECT_EQ(pfn_disp_struct_bytesize_exfat(e), pfn_add_comma(platform::FromUtf8(std::to_string(x.size))))
          << what;
    }
  }
  const EXFATFILEENTRY* live = FindByName(g_pExfatEntries, g_dwExfatEntryCount, pfn_disp_struct_name_exfat, u"live.txt");
  ASSERT_NE(live, nullptr);
  EXPECT_EQ(pfn_disp_struct_size_exfat(live), u"1KB");
  EXPECT_EQ(pfn_disp_struct_bytesize_exfat(live), u"1,234");
  // The 255-unit name comes out whole.
  EXPECT_NE(FindByName(g_pExfatEntries, g_dwExfatEntryCount, pfn_disp_struct_name_exfat, std::u16string(255, u'x')),
            nullptr);
}

// The module's time texts against the local times the engine stored for the same entries.
std::u16string EngineTimeText(const SYSTEMTIME& st) {
  static const char* const kDays[] = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %s %02d:%02d:%02d.%03d", st.wYear, st.wMonth, st.wDay,
                kDays[st.wDayOfWeek % 7], st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
  return platform::FromUtf8(buf);
}

TEST_F(Display, EntriesOfARealNtfsVolume) {
  REQUIRE_FIXTURE("ntfs_4k.img");
  testing_support::ScopedDrives drives({"N=" + testing_support::Fixture("ntfs_4k.img")});
  testing_support::OpenedVolume v('N');
  ASSERT_TRUE(v.ok());
  ASSERT_EQ(ReadRootDirectory(v.fs()), 1);
  ASSERT_GT(g_dwNtfsEntryCount, 20u);
  struct Case {
    const char16_t* name;
    const char16_t* status;
    const char16_t* bytes;  // null: not checked
  } cases[] = {
      {u"docs", u"(정상 폴더)", u""},
      {u"small.txt", u"(정상 파일)", u"100"},
      {u"deep.txt", u"(정상 파일)", u"5,000"},
      {u"Long File Name.txt", u"(정상 파일)", u"3,000"},
      {u"mixed.txt", u"(정상 압축 파일)", u"120,000"},
      {u"delcomp.txt", u"(삭제된 압축 파일)", u"50,000"},
      {u"deleted.bin", u"(삭제된 파일)", u"20,557"},
      {u"gone", u"(삭제된 폴더)", nullptr},
  };
  for (const Case& c : cases) {
    const std::string what = platform::ToUtf8(c.name);
    const NTFSFILEENTRY* e = FindByName(g_pNtfsEntries, g_dwNtfsEntryCount, pfn_disp_struct_name_ntfs, c.name);
    ASSERT_NE(e, nullptr) << what;
    EXPECT_EQ(pfn_disp_struct_status_ntfs(e), c.status) << what;
    if (c.bytes) {
      EXPECT_EQ(pfn_disp_struct_bytesize_ntfs(e), c.bytes) << what;
    }
    EXPECT_EQ(pfn_disp_struct_mftid_ntfs(e), pfn_add_comma(platform::FromUtf8(std::to_string(e->recordNumber))));
    EXPECT_EQ(pfn_disp_struct_createdt_ntfs(e), EngineTimeText(e->localCreationTime)) << what;
    EXPECT_EQ(pfn_disp_struct_accessdt_ntfs(e), EngineTimeText(e->localAccessTime)) << what;
    EXPECT_EQ(pfn_disp_struct_modifydt_ntfs(e), EngineTimeText(e->localModificationTime)) << what;
  }
  // Every entry: a time text that converts, and no column reads past its record.
  for (std::uint32_t i = 0; i < g_dwNtfsEntryCount; ++i) {
    const NTFSFILEENTRY* e = &g_pNtfsEntries[i];
    EXPECT_NE(pfn_disp_struct_modifydt_ntfs(e), u"X") << i;
    EXPECT_FALSE(pfn_disp_struct_status_ntfs(e).empty());
    pfn_disp_struct_size_ntfs(e);
    pfn_disp_struct_runcount_ntfs(e);
    pfn_disp_struct_fileformat_ntfs(e);
  }
}

}  // namespace
