#include "corvane/ntfs_attrlist.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "corvane/ntfs_record.h"
#include "corvane/ntfs_save.h"
#include "corvane/ntfs_search.h"
#include "tests/engine/ntfs_test_volume.h"
#include "tests/support/test_support.h"

using testing_support::Fixture;

namespace {

constexpr const char* kImage = "ntfs_attrlist.img";

// An opened image with its search done on `threads` threads.
struct Searched {
  Searched(const std::string& path, int threads) : drives({"E=" + path}), volume('E') {
    if (!volume.ok()) return;
    state = volume.fs()->ntfs;
    if (!OpenNtfsState(state, 'E')) return;
    NtfsSearchOptions options;
    options.threads = threads;
    result = SearchMft(state, options, nullptr);
    for (std::uint32_t i = 0; i < result.count; ++i) byRecord[result.entries[i].recordNumber] = &result.entries[i];
  }
  ~Searched() { FreeNtfsEntryArray(result.entries, result.count); }

  const NTFSFILEENTRY* At(std::int64_t r) const {
    auto it = byRecord.find(r);
    return it == byRecord.end() ? nullptr : it->second;
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
};

std::string Trim(const std::string& s) {
  const std::size_t a = s.find_first_not_of(" \t");
  const std::size_t b = s.find_last_not_of(" \t\r");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// What sleuthkit's istat says of one record.
struct Istat {
  bool allocated = false;
  bool hasList = false;
  std::set<std::uint64_t> listRecords;  // records the attribute list names
  std::uint64_t dataSize = 0;           // of the unnamed $DATA
  struct Name {
    std::string created, modified, accessed;
    std::uint64_t parent = 0;
  };
  std::map<std::string, Name> names;  // $FILE_NAME values by name
};

Istat RunIstat(const std::string& image, std::uint64_t r) {
  Istat out;
  const auto text = testing_support::Run("istat -z UTC '" + image + "' " + std::to_string(r)).out;
  std::string section, name;
  for (const std::string& raw : testing_support::Lines(text)) {
    const std::string line = Trim(raw);
    if (line == "Allocated File") out.allocated = true;
    if (line.find("Attribute Values:") != std::string::npos) section = line;
    if (line == "$ATTRIBUTE_LIST Attribute Values:") out.hasList = true;
    if (section == "$ATTRIBUTE_LIST Attribute Values:" && line.rfind("Type:", 0) == 0) {
      const std::size_t at = line.find("MFT Entry: ");
      if (at != std::string::npos) out.listRecords.insert(std::stoull(line.substr(at + 11)));
    }
    if (line.rfind("Type: $DATA (128-", 0) == 0 && line.find("Name: N/A") != std::string::npos) {
      const std::size_t at = line.find("size: ");
      if (at != std::string::npos) out.dataSize = std::stoull(line.substr(at + 6));
    }
    if (section != "$FILE_NAME Attribute Values:") continue;
    auto value = [&](const char* key) {
      return line.rfind(key, 0) == 0 ? Trim(line.substr(std::strlen(key))) : std::string();
    };
    if (!value("Name:").empty()) name = value("Name:");
    if (!value("Parent MFT Entry:").empty()) out.names[name].parent = std::stoull(value("Parent MFT Entry:"));
    if (!value("Created:").empty()) out.names[name].created = value("Created:");
    if (!value("File Modified:").empty()) out.names[name].modified = value("File Modified:");
    if (!value("Accessed:").empty()) out.names[name].accessed = value("Accessed:");
  }
  return out;
}

// A FILETIME as istat prints it in UTC: "2026-12-11 01:24:55.977243200 (UTC)".
std::string IstatTime(const NTFSFILETIME& t) {
  const std::uint64_t ticks = t.Value();
  const std::time_t seconds = static_cast<std::time_t>(ticks / 10000000 - 11644473600ull);
  std::tm tm{};
  gmtime_r(&seconds, &tm);
  char text[64];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
  char full[96];
  std::snprintf(full, sizeof full, "%s.%09llu (UTC)", text,
                static_cast<unsigned long long>(ticks % 10000000 * 100));
  return full;
}

struct ManifestFile {
  std::string path;
  bool deleted;
  std::uint64_t size;
};

std::vector<ManifestFile> Manifest() {
  std::vector<ManifestFile> files;
  for (const std::string& line : testing_support::Lines(testing_support::ReadFile(Fixture(kImage) + ".manifest"))) {
    const auto f = testing_support::Fields(line);
    if (f.size() == 4) files.push_back({f[0], f[1] == "1", std::stoull(f[3])});
  }
  return files;
}

}  // namespace

// Files whose name, further data pieces or both live in extension records: each is listed once,
// with istat's name, parent, size and times, and saved with icat's bytes, live and deleted, on
// any number of threads.
TEST(NtfsAttributeList, FilesOfARealVolumeAreListedAndSavedAsSleuthkitReadsThem) {
  REQUIRE_FIXTURE(kImage);
  const std::string image = Fixture(kImage);
  Searched one(image, 1);
  ASSERT_TRUE(one.result.ok);
  const std::uint32_t spc = one.state->sectorsPerCluster;
  const std::uint64_t cluster = one.state->clusterSize;
  std::set<std::uint64_t> extensionRecords;
  const auto files = Manifest();
  ASSERT_EQ(files.size(), 5u);
  for (const ManifestFile& f : files) {
    SCOPED_TRACE(f.path);
    const auto found = testing_support::Run("ifind -n '" + f.path + "' '" + image + "'");
    ASSERT_EQ(found.exitCode, 0);
    const std::uint64_t r = std::stoull(found.out);
    const Istat is = RunIstat(image, r);
    ASSERT_TRUE(is.hasList) << "the fixture's file has no attribute list";
    for (std::uint64_t x : is.listRecords)
      if (x != r) extensionRecords.insert(x);
    ASSERT_NE(is.listRecords.size(), 1u) << "every attribute in the base record";

    const NTFSFILEENTRY* e = one.At(static_cast<std::int64_t>(r));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(NtfsEntryNote(*e), nullptr);
    const std::string name = platform::ToUtf8(e->name);
    ASSERT_EQ(is.names.count(name), 1u) << name;
    const Istat::Name& n = is.names.at(name);
    EXPECT_EQ(static_cast<std::uint64_t>(e->parentRecordNumber), n.parent);
    EXPECT_EQ(IstatTime(e->creationTime), n.created);
    EXPECT_EQ(IstatTime(e->modificationTime), n.modified);
    EXPECT_EQ(IstatTime(e->accessTime), n.accessed);
    EXPECT_EQ(e->deleted, f.deleted ? 1 : 0);
    EXPECT_EQ(is.allocated, !f.deleted);
    EXPECT_EQ(static_cast<std::uint64_t>(e->dataSize), is.dataSize);
    EXPECT_EQ(static_cast<std::uint64_t>(e->dataSize), f.size);
    // The entry's data fields describe the whole $DATA, every piece included.
    EXPECT_EQ(e->lastVcnValid, 1);
    EXPECT_EQ(static_cast<std::uint64_t>(e->lastVcn + 1) * cluster,
              static_cast<std::uint64_t>(e->allocatedSize));
    EXPECT_GT(e->firstCluster, 1);
    const std::int64_t firstSector = e->firstSector;  // a packed field: copied, not bound
    EXPECT_EQ(firstSector, e->firstCluster * spc);

    testing_support::TempDir out;
    SaveControl control;
    ASSERT_EQ(one.Save(*e, out.path(), &control), 1) << platform::ToUtf8(control.note);
    const std::string got = testing_support::ReadFile(out.File(name));
    const std::string icat =
        testing_support::Run("icat '" + image + "' " + std::to_string(r)).out;
    ASSERT_EQ(got.size(), icat.size());
    EXPECT_TRUE(got == icat);
    EXPECT_TRUE(got == testing_support::ReadFile(image + ".files" + f.path));
  }
  // Extension records are read through their base, never listed themselves.
  ASSERT_FALSE(extensionRecords.empty());
  for (std::uint64_t x : extensionRecords) EXPECT_EQ(one.At(static_cast<std::int64_t>(x)), nullptr) << x;

  // The same entries, byte for byte, on three and on eight threads.
  for (int threads : {3, 8}) {
    SCOPED_TRACE(threads);
    Searched many(image, threads);
    ASSERT_EQ(many.result.count, one.result.count);
    EXPECT_EQ(std::memcmp(many.result.entries, one.result.entries,
                          sizeof(NTFSFILEENTRY) * (one.result.count + 1)), 0);
  }
}

TEST(NtfsAttributeList, ParserBoundsEveryEntryByTheValue) {
  auto entry = [](std::uint32_t type, std::uint16_t length, std::uint64_t record,
                  std::uint8_t nameChars = 0, std::uint8_t nameOffset = 0x1A) {
    std::vector<std::uint8_t> e(length < 0x20 ? 0x20 : length, 0);
    platform::PutLe32(&e[0], type);
    platform::PutLe16(&e[4], length);
    e[6] = nameChars;
    e[7] = nameOffset;
    platform::PutLe64(&e[0x10], record | (std::uint64_t{3} << 48));
    platform::PutLe16(&e[0x18], 7);
    return e;
  };
  auto join = [](std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> v;
    for (const auto& p : parts) v.insert(v.end(), p.begin(), p.end());
    return v;
  };
  struct Case {
    const char* what;
    std::vector<std::uint8_t> value;
    std::size_t length;  // bytes of the value given to the parser
    AttributeListFault fault;
    std::size_t entries;
  };
  const auto two = join({entry(0x10, 0x20, 40), entry(0x80, 0x20, 41)});
  const Case cases[] = {
      {"two entries", two, two.size(), AttributeListFault::kNone, 2},
      {"a zero tail ends the list", join({two, std::vector<std::uint8_t>(0x30, 0)}), two.size() + 0x30,
       AttributeListFault::kNone, 2},
      {"the last entry runs past the value", two, two.size() - 8, AttributeListFault::kEntryPastValue, 1},
      {"a header cut by the value's end", two, 0x20 + 0x10, AttributeListFault::kEntryPastValue, 1},
      {"an entry length below the header", join({entry(0x10, 0x18, 40)}), 0x20,
       AttributeListFault::kEntryPastValue, 0},
      {"a name past its entry", join({entry(0x80, 0x20, 40, 8, 0x1A)}), 0x20,
       AttributeListFault::kEntryPastValue, 0},
      {"an entry of an attribute list", join({entry(0x10, 0x20, 40), entry(0x20, 0x20, 40)}), 0x40,
       AttributeListFault::kNamesItself, 1},
      {"an empty value", {}, 0, AttributeListFault::kNone, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The value is copied into a block of exactly its length, so a read past it is caught.
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[c.length ? c.length : 1]);
    if (c.length) std::memcpy(exact.get(), c.value.data(), c.length);
    std::vector<AttributeListEntry> entries;
    EXPECT_EQ(ParseAttributeList(exact.get(), c.length, &entries), c.fault);
    EXPECT_EQ(entries.size(), c.entries);
  }
  std::vector<AttributeListEntry> entries;
  ParseAttributeList(two.data(), two.size(), &entries);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].type, 0x80u);
  EXPECT_EQ(entries[1].record, 41u);
  EXPECT_EQ(entries[1].sequence, 3u);
  EXPECT_EQ(entries[1].instance, 7u);
}

namespace {

using namespace ntfs_test;

// A hand-built file of record 20 whose attribute list names extension record 21: the base holds
// $STANDARD_INFORMATION, the list and the first $DATA piece (VCN 0-1 at LCN 100); record 21 holds
// the second piece (VCN 2-3 at LCN 110) and, unless the name stays in the base, the $FILE_NAME.
struct ListedFile {
  bool nameInExtension = true;
  bool deleted = false;            // base and extension free, sequence numbers bumped
  bool extensionInUse = true;      // for a deleted base: the extension was reused
  std::uint64_t extensionBase = 20;
  std::uint16_t extensionBaseSequence = 1;
  std::uint64_t secondPieceVcn = 2;
  std::uint64_t secondPieceRecord = 21;
  bool selfEntry = false;          // the list names an $ATTRIBUTE_LIST
  bool entryPastValue = false;     // the last entry's length runs past the value
  bool extensionHoldsList = false;  // record 21 has an $ATTRIBUTE_LIST of its own
};

std::vector<std::uint8_t> ListEntry(std::uint32_t type, std::uint64_t vcn, std::uint64_t record,
                                    std::uint16_t sequence) {
  std::vector<std::uint8_t> e(0x20, 0);
  platform::PutLe32(&e[0], type);
  platform::PutLe16(&e[4], 0x20);
  e[7] = 0x1A;
  platform::PutLe64(&e[8], vcn);
  platform::PutLe64(&e[0x10], record | (std::uint64_t{sequence} << 48));
  return e;
}

constexpr std::size_t kFileBytes = 2000;

std::string WriteListedFile(const testing_support::TempDir& dir, const ListedFile& f) {
  Builder b;
  const std::uint16_t baseSeq = f.deleted ? 2 : 1;
  const std::uint16_t extSeq = f.deleted && !f.extensionInUse ? 2 : 1;
  std::vector<std::uint8_t> list;
  auto add = [&](const std::vector<std::uint8_t>& e) { list.insert(list.end(), e.begin(), e.end()); };
  add(ListEntry(0x10, 0, 20, baseSeq));
  add(ListEntry(0x30, 0, f.nameInExtension ? 21 : 20, f.nameInExtension ? 1 : baseSeq));
  add(ListEntry(0x80, 0, 20, baseSeq));
  if (f.selfEntry) add(ListEntry(0x20, 0, 20, baseSeq));
  add(ListEntry(0x80, f.secondPieceVcn, f.secondPieceRecord, 1));
  if (f.entryPastValue) platform::PutLe16(&list[list.size() - 0x20 + 4], 0x40);

  NonResidentSpec first;
  first.lastVcn = 1;
  first.allocated = 4 * kCluster;
  first.dataSize = first.initialized = kFileBytes;
  NonResidentSpec second;
  second.startVcn = f.secondPieceVcn;
  second.lastVcn = f.secondPieceVcn + 1;
  const auto name = FileName(u"listed.bin", 5);
  std::vector<std::vector<std::uint8_t>> base = {StdInfo(0x20), Attr(0x20, list)};
  if (!f.nameInExtension) base.push_back(name);
  base.push_back(NonResidentAttr(0x80, first, {0x11, 2, 100, 0x00}));
  std::vector<std::vector<std::uint8_t>> ext;
  if (f.nameInExtension) ext.push_back(name);
  if (f.extensionHoldsList) ext.push_back(Attr(0x20, ListEntry(0x10, 0, 20, baseSeq)));
  ext.push_back(NonResidentAttr(0x80, second, {0x11, 2, 110, 0x00}));
  b.Put(20, f.deleted ? 0 : 1, base);
  b.Put(21, f.deleted && !f.extensionInUse ? 0 : 1, ext,
        f.extensionBase | (std::uint64_t{f.extensionBaseSequence} << 48));
  platform::PutLe16(b.RecordAt(20) + 0x10, baseSeq);
  platform::PutLe16(b.RecordAt(21) + 0x10, extSeq);
  std::vector<std::uint8_t> bytes(4 * kCluster);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 13 + i / 512);
  b.PutClusters(100, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 2 * kCluster));
  b.PutClusters(110, std::vector<std::uint8_t>(bytes.begin() + 2 * kCluster, bytes.end()));
  return b.Write(dir, "listed.img");
}

std::string ListedBytes() {
  std::string bytes(4 * kCluster, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 13 + i / 512);
  return bytes.substr(0, kFileBytes);
}

}  // namespace

// Sound lists are followed, live and deleted; every damaged one is cut where the damage lies:
// the entry is listed with its note and the save refuses with that note, writing nothing.
TEST(NtfsAttributeList, DamagedListsAreCutAndTheirSavesRefused) {
  struct Case {
    const char* what;
    ListedFile file;
    AttributeListFault fault;  // kNone: listed sound and saved whole
    bool listed = true;
  };
  auto damaged = [](ListedFile f) {
    f.nameInExtension = false;
    return f;
  };
  ListedFile deleted;
  deleted.deleted = true;
  deleted.extensionInUse = false;
  deleted.extensionBaseSequence = 1;  // the sequence the base had before it was freed
  ListedFile reused = deleted;
  reused.extensionInUse = true;
  ListedFile foreign = damaged({});
  foreign.extensionBase = 22;
  ListedFile stale = damaged({});
  stale.extensionBaseSequence = 7;
  ListedFile gap = damaged({});
  gap.secondPieceVcn = 3;
  ListedFile self = damaged({});
  self.selfEntry = true;
  ListedFile past = damaged({});
  past.entryPastValue = true;
  ListedFile loop = damaged({});
  loop.extensionHoldsList = true;
  ListedFile outside = damaged({});
  outside.secondPieceRecord = 5000;
  ListedFile foreignName;
  foreignName.extensionBase = 22;
  const Case cases[] = {
      {"name and second piece in the extension", {}, AttributeListFault::kNone},
      {"name in the base", damaged({}), AttributeListFault::kNone},
      {"deleted, extension free and naming the base", deleted, AttributeListFault::kNone},
      {"deleted, extension in use again", damaged(reused), AttributeListFault::kForeignRecord},
      {"extension of another record", foreign, AttributeListFault::kForeignRecord},
      {"extension of an earlier file in the record", stale, AttributeListFault::kForeignRecord},
      {"a VCN gap between the pieces", gap, AttributeListFault::kVcnGap},
      {"a list that names itself", self, AttributeListFault::kNamesItself},
      {"an entry past the value", past, AttributeListFault::kEntryPastValue},
      {"an extension with a list of its own", loop, AttributeListFault::kNamesItself},
      {"a record the volume does not hold", outside, AttributeListFault::kRecordOutOfRange},
      {"the name in a foreign extension", foreignName, AttributeListFault::kForeignRecord, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::TempDir dir;
    Searched v(WriteListedFile(dir, c.file), 1);
    ASSERT_TRUE(v.result.ok);
    EXPECT_EQ(v.At(21), nullptr);
    const NTFSFILEENTRY* e = v.At(20);
    if (!c.listed) {
      EXPECT_EQ(e, nullptr);
      continue;
    }
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(platform::ToUtf8(e->name), "listed.bin");
    EXPECT_EQ(e->deleted, c.file.deleted ? 1 : 0);
    EXPECT_EQ(e->dataSize, static_cast<std::int64_t>(kFileBytes));
    EXPECT_EQ(e->firstCluster, 100);
    testing_support::TempDir out;
    SaveControl control;
    const int saved = v.Save(*e, out.path(), &control);
    if (c.fault == AttributeListFault::kNone) {
      EXPECT_EQ(NtfsEntryNote(*e), nullptr);
      EXPECT_EQ(e->lastVcn, 3);
      ASSERT_EQ(saved, 1) << platform::ToUtf8(control.note);
      EXPECT_TRUE(testing_support::ReadFile(out.File("listed.bin")) == ListedBytes());
    } else {
      ASSERT_NE(NtfsEntryNote(*e), nullptr);
      EXPECT_EQ(std::u16string(NtfsEntryNote(*e)), AttributeListFaultNote(c.fault));
      EXPECT_EQ(e->lastVcn, 1);  // only the piece before the damage
      EXPECT_EQ(saved, 0);
      EXPECT_EQ(control.note, AttributeListFaultNote(c.fault));
      EXPECT_TRUE(std::filesystem::is_empty(out.path()));
    }
  }
}

namespace {

// Where a record of the $MFT, or a byte of a non-resident value, lies in the image.
std::uint64_t ImageOffset(const NtfsRunList& runs, std::uint64_t clusterSize, std::uint64_t byte) {
  std::uint64_t lcn = 0, left = 0;
  if (!MapVcn(runs, byte / clusterSize, &lcn, &left)) return 0;
  return lcn * clusterSize + byte % clusterSize;
}

// Where the patches of frag.bin go, read through the engine from the sound image: its record,
// the list entry of its second data piece, the extension record that holds that piece and the
// piece's attribute, and the length byte of a run one cluster long in each piece.
struct FragPatchPoints {
  std::int64_t record = -1;
  std::uint64_t listEntryAt = 0, extensionAt = 0, pieceAt = 0;
  std::uint64_t baseRunLengthAt = 0, extensionRunLengthAt = 0;
};

// The volume byte of the length of the first run one cluster long in the record's unnamed $DATA
// (record: the fixed-up copy of the record at volume byte recordAt).
void LocateRunOfOneCluster(const std::uint8_t* record, std::size_t size, std::uint64_t recordAt,
                           std::uint64_t* at) {
  std::uint32_t length = 0;
  const std::uint8_t* data = FindAttribute(record, size, ntfs::kAttrData, &length);
  ASSERT_NE(data, nullptr);
  ASSERT_FALSE(AttributeIsResident(data));
  for (std::size_t pos = platform::Le16(data + ntfs::attr::kRunOffset); pos < length && data[pos] != 0;) {
    DataRunHeader h;
    ASSERT_TRUE(DecodeDataRun(data + pos, length - pos, &h));
    if (h.length == 1 && (data[pos] & 0x0F) == 1) {
      const std::size_t inRecord = static_cast<std::size_t>(data - record) + pos + 1;
      // The last two bytes of each 512 are fix-up words on disk: the stored byte is elsewhere.
      ASSERT_LT(inRecord % ntfs::kFixupStride, ntfs::kFixupStride - 2);
      *at = recordAt + inRecord;
      return;
    }
    pos += h.bytes;
  }
  FAIL() << "no run of one cluster";
}

void LocateFragPatchPoints(FragPatchPoints* p) {
  Searched v(Fixture(kImage), 1);
  ASSERT_TRUE(v.result.ok);
  for (std::uint32_t i = 0; i < v.result.count; ++i)
    if (platform::ToUtf8(v.result.entries[i].name) == "frag.bin") p->record = v.result.entries[i].recordNumber;
  ASSERT_GE(p->record, 0);
  const std::size_t rs = v.state->recordSize;
  const std::uint64_t cs = v.state->clusterSize;
  std::vector<std::uint8_t> base(rs), extension(rs);
  ASSERT_TRUE(ReadMftRecord(v.state, static_cast<std::uint64_t>(p->record), base.data()));
  std::uint32_t length = 0;
  const std::uint8_t* list = FindAttribute(base.data(), rs, ntfs::kAttrAttributeList, &length);
  ASSERT_NE(list, nullptr);
  ASSERT_FALSE(AttributeIsResident(list));
  std::vector<std::uint8_t> value;
  ASSERT_TRUE(ReadAttributeValue(v.state, list, &value, kMaxAttributeListBytes));
  NtfsRunList listRuns;
  ASSERT_TRUE(DecodeRunList(list, length, &listRuns));
  // The second data piece's entry.
  std::uint64_t extensionRecord = 0;
  for (std::size_t at = 0; at + ntfs::alist::kHeader <= value.size();) {
    const std::uint8_t* e = value.data() + at;
    if (platform::Le32(e) == ntfs::kAttrData && platform::Le64(e + ntfs::alist::kStartVcn) != 0) {
      p->listEntryAt = ImageOffset(listRuns, cs, at);
      extensionRecord = platform::Le64(e + ntfs::alist::kReference) & ntfs::kRecordNumberMask;
      break;
    }
    at += platform::Le16(e + ntfs::alist::kLength);
  }
  ASSERT_NE(p->listEntryAt, 0u);
  const std::uint64_t baseAt = ImageOffset(v.state->mftRuns, cs, static_cast<std::uint64_t>(p->record) * rs);
  ASSERT_NE(baseAt, 0u);
  p->extensionAt = ImageOffset(v.state->mftRuns, cs, extensionRecord * rs);
  ASSERT_TRUE(ReadMftRecord(v.state, extensionRecord, extension.data()));
  const std::uint8_t* piece = FindAttribute(extension.data(), rs, ntfs::kAttrData, &length);
  ASSERT_NE(piece, nullptr);
  p->pieceAt = p->extensionAt + static_cast<std::uint64_t>(piece - extension.data());
  ASSERT_NO_FATAL_FAILURE(LocateRunOfOneCluster(base.data(), rs, baseAt, &p->baseRunLengthAt));
  ASSERT_NO_FATAL_FAILURE(LocateRunOfOneCluster(extension.data(), rs, p->extensionAt, &p->extensionRunLengthAt));
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  return names;
}

}  // namespace

// Copies of the real volume with frag.bin's list or its extension record patched: the extension
// handed to another base record, and a gap between the VCNs of its two data pieces. The file is
// listed with the note, and its save refused with it.
TEST(NtfsAttributeList, PatchedCopiesOfARealFileAreListedDamagedAndRefused) {
  REQUIRE_FIXTURE(kImage);
  const std::string original = testing_support::ReadFile(Fixture(kImage));
  FragPatchPoints at;
  ASSERT_NO_FATAL_FAILURE(LocateFragPatchPoints(&at));
  const std::uint64_t extensionAt = at.extensionAt, listEntryAt = at.listEntryAt, pieceAt = at.pieceAt;
  const std::int64_t record = at.record;
  auto put64 = [](std::string& image, std::uint64_t at, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) image[at + i] = static_cast<char>(value >> (8 * i));
  };
  auto get64 = [](const std::string& image, std::uint64_t at) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(image[at + i]);
    return value;
  };
  struct Case {
    const char* what;
    std::function<void(std::string&)> patch;
    AttributeListFault fault;
  };
  const Case cases[] = {
      {"the extension names another base record",
       [&](std::string& image) {
         put64(image, extensionAt + ntfs::rec::kBaseRecord, get64(image, extensionAt + ntfs::rec::kBaseRecord) + 1);
       },
       AttributeListFault::kForeignRecord},
      {"a VCN gap before the second piece",
       [&](std::string& image) {
         put64(image, listEntryAt + ntfs::alist::kStartVcn, get64(image, listEntryAt + ntfs::alist::kStartVcn) + 1);
         put64(image, pieceAt + ntfs::attr::kStartVcn, get64(image, pieceAt + ntfs::attr::kStartVcn) + 1);
       },
       AttributeListFault::kVcnGap},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::TempDir dir;
    std::string image = original;
    c.patch(image);
    testing_support::WriteFile(dir.File("patched.img"), image);
    Searched v(dir.File("patched.img"), 3);
    ASSERT_TRUE(v.result.ok);
    const NTFSFILEENTRY* e = v.At(record);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(platform::ToUtf8(e->name), "frag.bin");
    ASSERT_NE(NtfsEntryNote(*e), nullptr);
    EXPECT_EQ(std::u16string(NtfsEntryNote(*e)), AttributeListFaultNote(c.fault));
    testing_support::TempDir out;
    SaveControl control;
    EXPECT_EQ(v.Save(*e, out.path(), &control), 0);
    EXPECT_EQ(control.note, AttributeListFaultNote(c.fault));
    EXPECT_TRUE(std::filesystem::is_empty(out.path()));
  }
}

// Copies of the real volume where one run of frag.bin is a cluster longer than its piece's VCN
// range: in the base record's piece it overlaps the piece that follows, in the extension's (the
// last) it reaches past the file's last VCN, and every later cluster would be read from the
// wrong place. The save is refused with its note and leaves the folder as it was, whether or not
// the caller keeps incomplete files; engine_probe prints the note.
TEST(NtfsAttributeList, RunsLongerThanTheirPieceAreRefusedAndLeaveNothing) {
  REQUIRE_FIXTURE(kImage);
  const std::string original = testing_support::ReadFile(Fixture(kImage));
  FragPatchPoints at;
  ASSERT_NO_FATAL_FAILURE(LocateFragPatchPoints(&at));
  const std::pair<const char*, std::uint64_t> cases[] = {
      {"a run of the first piece, in the base record", at.baseRunLengthAt},
      {"a run of the last piece, in the extension record", at.extensionRunLengthAt},
  };
  for (const auto& [what, runLengthAt] : cases) {
    SCOPED_TRACE(what);
    testing_support::TempDir dir;
    std::string image = original;
    ASSERT_EQ(image[runLengthAt], 1);
    image[runLengthAt] = 2;
    const std::string patched = dir.File("patched.img");
    testing_support::WriteFile(patched, image);
    Searched v(patched, 3);
    ASSERT_TRUE(v.result.ok);
    const NTFSFILEENTRY* e = v.At(at.record);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(platform::ToUtf8(e->name), "frag.bin");
    for (bool keepIncomplete : {true, false}) {
      SCOPED_TRACE(keepIncomplete ? "incomplete files kept" : "incomplete files not kept");
      testing_support::TempDir out;
      testing_support::WriteFile(out.File("frag.bin"), "older");
      SaveControl control;
      control.keepIncomplete = keepIncomplete;
      EXPECT_EQ(v.Save(*e, out.path(), &control), 0);
      EXPECT_EQ(control.note, kNoteRunsPastLastVcn);
      EXPECT_EQ(FolderNames(out.path()), std::vector<std::string>{"frag.bin"});
      EXPECT_EQ(testing_support::ReadFile(out.File("frag.bin")), "older");
    }
    testing_support::TempDir out;
    const auto probe = testing_support::ProbeSave(patched, "/frag.bin", out.path());
    EXPECT_NE(probe.exitCode, 0);
    EXPECT_EQ(probe.out, "save failed: " + platform::ToUtf8(kNoteRunsPastLastVcn) + "\n");
    EXPECT_TRUE(std::filesystem::is_empty(out.path()));
  }
}
