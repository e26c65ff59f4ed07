#include "corvane/ntfs_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "corvane/ntfs_records.h"
#include "platform/endian.h"
#include "tests/support/test_support.h"

using platform::Le16;
using platform::Le32;
using platform::PutLe16;
using platform::PutLe32;
using platform::PutLe64;

namespace {

// A 1024-byte record with a valid update sequence (number 0x0707) and one attribute list
// holding `attrs`; flags in use.
std::vector<std::uint8_t> MakeRecord(const std::vector<std::uint8_t>& attrs, std::size_t size = 1024) {
  std::vector<std::uint8_t> r(size, 0);
  PutLe32(r.data(), ntfs::kRecordSignature);
  PutLe16(&r[4], 0x30);
  PutLe16(&r[6], static_cast<std::uint16_t>(size / 512 + 1));
  PutLe16(&r[0x14], 0x38);
  PutLe16(&r[0x16], 1);
  std::memcpy(&r[0x38], attrs.data(), attrs.size());
  const std::size_t end = 0x38 + attrs.size();
  PutLe32(&r[end], ntfs::kAttrEnd);
  PutLe32(&r[0x18], static_cast<std::uint32_t>(end + 8));
  PutLe32(&r[0x1C], static_cast<std::uint32_t>(size));
  return r;
}

// Protects a fixed-up record the way the volume stores it.
void Protect(std::vector<std::uint8_t>& r, std::uint16_t usn = 0x0707) {
  const std::size_t usa = Le16(&r[4]);
  PutLe16(&r[usa], usn);
  for (std::size_t i = 1; i < Le16(&r[6]); ++i) {
    std::memcpy(&r[usa + 2 * i], &r[i * 512 - 2], 2);
    PutLe16(&r[i * 512 - 2], usn);
  }
}

std::vector<std::uint8_t> Resident(std::uint32_t type, const std::vector<std::uint8_t>& value,
                                   const std::u16string& name = u"") {
  const std::size_t nameBytes = name.size() * 2;
  const std::size_t valueOffset = (0x18 + nameBytes + 7) & ~std::size_t{7};
  const std::size_t length = (valueOffset + value.size() + 7) & ~std::size_t{7};
  std::vector<std::uint8_t> a(length, 0);
  PutLe32(&a[0], type);
  PutLe32(&a[4], static_cast<std::uint32_t>(length));
  a[9] = static_cast<std::uint8_t>(name.size());
  PutLe16(&a[0x0A], 0x18);
  for (std::size_t i = 0; i < name.size(); ++i) PutLe16(&a[0x18 + 2 * i], name[i]);
  PutLe32(&a[0x10], static_cast<std::uint32_t>(value.size()));
  PutLe16(&a[0x14], static_cast<std::uint16_t>(valueOffset));
  std::memcpy(&a[valueOffset], value.data(), value.size());
  return a;
}

std::vector<std::uint8_t> NonResident(std::uint32_t type, const std::vector<std::uint8_t>& runs,
                                      std::uint64_t lastVcn, std::uint64_t size) {
  const std::size_t length = (0x40 + runs.size() + 7) & ~std::size_t{7};
  std::vector<std::uint8_t> a(length, 0);
  PutLe32(&a[0], type);
  PutLe32(&a[4], static_cast<std::uint32_t>(length));
  a[8] = 1;
  PutLe64(&a[0x18], lastVcn);
  PutLe16(&a[0x20], 0x40);
  PutLe64(&a[0x28], (lastVcn + 1) * 4096);
  PutLe64(&a[0x30], size);
  PutLe64(&a[0x38], size);
  std::memcpy(&a[0x40], runs.data(), runs.size());
  return a;
}

std::vector<std::uint8_t> Cat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace

TEST(NtfsFixup, RestoresEachBlockAndRejectsWhatDoesNotVerify) {
  std::vector<std::uint8_t> good = MakeRecord(Resident(0x80, {1, 2, 3}));
  good[510] = 0xAB;
  good[511] = 0xCD;
  good[1022] = 0x12;
  std::vector<std::uint8_t> stored = good;
  Protect(stored);
  ASSERT_NE(stored, good);
  std::vector<std::uint8_t> fixed = stored;
  ASSERT_TRUE(ApplyUpdateSequence(fixed.data(), fixed.size()));
  // The array itself stays as stored; everything else is the original.
  std::memcpy(&fixed[0x30], &good[0x30], 6);
  EXPECT_EQ(fixed, good);

  struct Case {
    const char* what;
    void (*spoil)(std::vector<std::uint8_t>&);
  };
  const Case cases[] = {
      {"second block torn", [](std::vector<std::uint8_t>& r) { r[1022] ^= 1; }},
      {"first block torn", [](std::vector<std::uint8_t>& r) { r[511] ^= 1; }},
      {"count for a 512-byte record", [](std::vector<std::uint8_t>& r) { PutLe16(&r[6], 2); }},
      {"count far too large", [](std::vector<std::uint8_t>& r) { PutLe16(&r[6], 0xFFFF); }},
      {"array past the first block", [](std::vector<std::uint8_t>& r) { PutLe16(&r[4], 508); }},
      {"array at an odd offset", [](std::vector<std::uint8_t>& r) { PutLe16(&r[4], 0x31); }},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> r = stored;
    c.spoil(r);
    const std::vector<std::uint8_t> before = r;
    EXPECT_FALSE(ApplyUpdateSequence(r.data(), r.size())) << c.what;
    EXPECT_EQ(r, before) << c.what << ": a refused record is left untouched";
  }
  EXPECT_FALSE(ApplyUpdateSequence(stored.data(), 1000)) << "size not a multiple of 512";
}

TEST(NtfsRuns, DecodesOffsetsLengthsAndSparseRuns) {
  // 0x21: 1 length byte, 2 offset bytes. Second run moves back by 0x10; third is sparse (F 0)
  // though its neighbours' offsets are not 0; fourth has offset 0 yet is a real run at the
  // same LCN as the second.
  const std::vector<std::uint8_t> runs = {0x21, 0x04, 0x00, 0x01,   // 4 at 0x100
                                          0x11, 0x02, 0xF0,         // 2 at 0xF0
                                          0x01, 0x03,               // 3 sparse
                                          0x11, 0x01, 0x00,         // 1 at 0xF0 (offset 0)
                                          0x00};
  const auto a = NonResident(0x80, runs, 9, 10 * 4096);
  NtfsRunList list;
  ASSERT_TRUE(DecodeRunList(a.data(), a.size(), &list));
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].lcn, 0x100u);
  EXPECT_EQ(list[1].lcn, 0xF0u);
  EXPECT_TRUE(list[2].sparse);
  EXPECT_FALSE(list[3].sparse);
  EXPECT_EQ(list[3].lcn, 0xF0u);

  std::uint64_t lcn = 0, left = 0;
  bool sparse = false;
  ASSERT_TRUE(MapVcn(list, 1, &lcn, &left, &sparse));
  EXPECT_EQ(lcn, 0x101u);
  EXPECT_EQ(left, 3u);
  ASSERT_TRUE(MapVcn(list, 7, &lcn, &left, &sparse));
  EXPECT_TRUE(sparse);
  EXPECT_EQ(lcn, 0u);
  EXPECT_EQ(left, 2u);
  EXPECT_FALSE(MapVcn(list, 10, &lcn, &left)) << "past the last run";
  EXPECT_EQ(MapVcnToLcn(a.data(), 9, &lcn, &left), 1);
  EXPECT_EQ(lcn, 0xF0u);
  EXPECT_EQ(MapVcnToLcn(a.data(), 10, &lcn, &left), 0);
  EXPECT_EQ(GetAttributeFirstCluster(a.data()), 0x100);
}

TEST(NtfsRuns, RejectsMalformedRunLists) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> runs;
    bool trimEnd;  // cut the attribute right after the runs, leaving no end marker
  };
  const Case cases[] = {
      {"length nibble above 8", {0x19, 1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 0}, false},
      {"offset nibble above 8", {0x91, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0}, false},
      {"length field of 0 bytes", {0x10, 0x05, 0x00}, false},
      {"zero-length run", {0x11, 0x00, 0x05, 0x00}, false},
      {"LCN below 0", {0x11, 0x01, 0x05, 0x11, 0x01, 0xF0, 0x00}, false},
      {"run past its attribute", {0x11, 0x01, 0x05, 0x11, 0x01, 0x05, 0x11, 0x01}, true},
      {"VCN overflow", {0x08, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                        0x08, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}, false},
  };
  for (const Case& c : cases) {
    auto a = NonResident(0x80, c.runs, 3, 4 * 4096);
    std::size_t length = a.size();
    if (c.trimEnd) {
      length = 0x40 + c.runs.size();
      PutLe32(&a[4], static_cast<std::uint32_t>(length));
    }
    NtfsRunList list;
    EXPECT_FALSE(DecodeRunList(a.data(), length, &list)) << c.what;
    std::uint64_t lcn = 0, left = 0;
    EXPECT_EQ(MapVcnToLcn(a.data(), 0, &lcn, &left), 0) << c.what;
  }
  DataRunHeader h;
  const std::uint8_t cut[] = {0x31, 0x01, 0x00};
  EXPECT_FALSE(DecodeDataRun(cut, sizeof cut, &h)) << "offset bytes beyond the buffer";
}

TEST(NtfsAttributes, FindsOnlyUnnamedAttributesAndStopsOnBadLengths) {
  const auto named = Resident(0x80, {9, 9}, u"ads");
  const auto unnamed = Resident(0x80, {1, 2, 3, 4});
  auto rec = MakeRecord(Cat(named, unnamed));
  std::uint32_t len = 0;
  const std::uint8_t* data = FindAttribute(rec.data(), rec.size(), 0x80, &len);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data - rec.data(), static_cast<std::ptrdiff_t>(0x38 + named.size()));
  EXPECT_EQ(GetAttributeDataSize(data), 4);
  EXPECT_EQ(GetAttributeFirstCluster(data), 1);

  struct Case {
    const char* what;
    void (*spoil)(std::vector<std::uint8_t>&);
  };
  const Case cases[] = {
      {"first attribute of length 0", [](std::vector<std::uint8_t>& r) { PutLe32(&r[0x38 + 4], 0); }},
      {"attribute past the used bytes",
       [](std::vector<std::uint8_t>& r) { PutLe32(&r[0x38 + 4], 0x300); }},
      {"used bytes past the record", [](std::vector<std::uint8_t>& r) { PutLe32(&r[0x18], 0x10000); PutLe32(&r[0x38 + 4], 0x800); }},
      {"value past its attribute", [](std::vector<std::uint8_t>& r) { PutLe32(&r[0x38 + 0x10], 0x200); }},
      {"first attribute offset past the used bytes",
       [](std::vector<std::uint8_t>& r) { PutLe16(&r[0x14], 0x3F8); }},
      {"signature BAAD", [](std::vector<std::uint8_t>& r) { std::memcpy(r.data(), "BAAD", 4); }},
  };
  for (const Case& c : cases) {
    auto r = MakeRecord(unnamed);
    c.spoil(r);
    EXPECT_EQ(FindAttribute(r.data(), r.size(), 0x80), nullptr) << c.what;
  }
}

TEST(NtfsAttributes, FileNameUsedIsTheFirstThatIsNotTheDosAlias) {
  auto fileName = [](const std::u16string& name, std::uint8_t ns, std::uint64_t parent) {
    std::vector<std::uint8_t> v(0x42 + name.size() * 2, 0);
    PutLe64(&v[0], parent | (std::uint64_t{7} << 48));
    v[0x40] = static_cast<std::uint8_t>(name.size());
    v[0x41] = ns;
    for (std::size_t i = 0; i < name.size(); ++i) PutLe16(&v[0x42 + 2 * i], name[i]);
    return Resident(0x30, v);
  };
  const auto si = Resident(0x10, std::vector<std::uint8_t>(0x48, 0));
  auto rec = MakeRecord(Cat(Cat(Cat(si, fileName(u"LONGFI~1.TXT", 2, 40)),
                                fileName(u"bad namespace", 9, 41)),
                            fileName(u"Long File Name.txt", 1, 42)));
  NtfsFileInfo info;
  ASSERT_TRUE(ParseFileRecord(rec.data(), rec.size(), &info));
  EXPECT_EQ(info.name, u"Long File Name.txt");
  EXPECT_EQ(info.parent, 42u) << "the sequence number is not part of the parent";

  // A name longer than the value holds is refused; 300 characters are cut to 260.
  auto overlong = fileName(u"x", 1, 5);
  overlong[Le16(&overlong[0x14]) + 0x40] = 200;
  auto rec2 = MakeRecord(Cat(si, overlong));
  EXPECT_FALSE(ParseFileRecord(rec2.data(), rec2.size(), &info) && info.hasName);
  auto rec3 = MakeRecord(Cat(si, fileName(std::u16string(255, u'n'), 1, 5)));
  ASSERT_TRUE(ParseFileRecord(rec3.data(), rec3.size(), &info));
  EXPECT_EQ(info.name.size(), 255u);
}

// Every record of a real volume that holds or held a file carries its own number at 0x2C,
// whatever the cluster and sector size: records are found by byte offset, never by a wrong
// cluster or a stale buffer.
TEST(NtfsRecordRead, EveryRecordOfRealVolumesCarriesItsOwnNumber) {
  for (const char* image : {"ntfs_4k.img", "ntfs_512.img", "ntfs_64k.img", "ntfs_4ks.img", "base_ntfs.img"}) {
    SCOPED_TRACE(image);
    if (!testing_support::FixtureExists(image)) continue;
    testing_support::ScopedDrives drives({std::string("E=") + testing_support::Fixture(image)});
    testing_support::OpenedVolume v('E');
    ASSERT_TRUE(v.ok());
    NTFSVOLUMERECORD* state = v.fs()->ntfs;
    ASSERT_TRUE(OpenNtfsState(state, 'E'));
    const std::uint64_t count = MftRecordCount(state);
    ASSERT_GT(count, 16u);
    std::vector<std::uint8_t> rec(state->recordSize);
    std::uint64_t files = 0;
    for (std::uint64_t r = 0; r < count; ++r) {
      std::memset(rec.data(), 0xCC, rec.size());
      if (!ReadMftRecord(state, r, rec.data())) {
        for (std::uint8_t b : rec) ASSERT_EQ(b, 0) << "failed read of " << r << " left bytes behind";
        continue;
      }
      if (Le32(rec.data()) != ntfs::kRecordSignature) continue;
      // mkntfs formats the reserved records 16-23 blank, numbered 0; only records that hold or
      // held a file are numbered.
      const bool used = (Le16(&rec[ntfs::rec::kFlags]) & ntfs::kRecordInUse) != 0 ||
                        FindAttribute(rec.data(), rec.size(), ntfs::kAttrFileName) != nullptr;
      if (!used) continue;
      ++files;
      ASSERT_EQ(Le32(&rec[ntfs::rec::kRecordNumber]), r);
    }
    EXPECT_GE(files, 16u);
    EXPECT_FALSE(ReadMftRecord(state, count, rec.data())) << "one past the last record";
  }
}

TEST(NtfsRecordRead, RecordSizeAndClusterGeometryFollowTheBootSector) {
  struct Case {
    const char* image;
    std::uint32_t clusterSize;
    std::uint32_t bytesPerSector;
  };
  const Case cases[] = {{"ntfs_4k.img", 4096, 512}, {"ntfs_512.img", 512, 512},
                        {"ntfs_64k.img", 65536, 512}, {"ntfs_4ks.img", 4096, 4096}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.image);
    if (!testing_support::FixtureExists(c.image)) continue;
    testing_support::ScopedDrives drives({std::string("E=") + testing_support::Fixture(c.image)});
    testing_support::OpenedVolume v('E');
    ASSERT_TRUE(v.ok());
    NTFSVOLUMERECORD* state = v.fs()->ntfs;
    ASSERT_TRUE(OpenNtfsState(state, 'E'));
    EXPECT_EQ(state->clusterSize, c.clusterSize);
    EXPECT_EQ(state->bytesPerSector, c.bytesPerSector);
    EXPECT_GE(state->recordSize, c.bytesPerSector);
    EXPECT_EQ(Le32(state->record0), ntfs::kRecordSignature);
    // Record 5 read through the generic path is the root folder.
    std::vector<std::uint8_t> rec(state->recordSize);
    ASSERT_TRUE(ReadMftRecord(state, 5, rec.data()));
    NtfsFileInfo info;
    ASSERT_TRUE(ParseFileRecord(rec.data(), rec.size(), &info));
    EXPECT_TRUE(info.directory);
    EXPECT_EQ(info.name, u".");
  }
}
