// The probe, the boot-area check and the NTFS state read boot sectors through one parser: on
// every fixture volume they agree, and an NTFS boot sector with an unusable value is refused at
// open, before any size is computed from it.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "corvane/bootarea.h"
#include "corvane/engine_hooks.h"
#include "corvane/ntfs_record.h"
#include "corvane/ntfs_volume.h"
#include "platform/boot_sector.h"
#include "platform/codepage.h"
#include "platform/drive_map.h"
#include "platform/fs_probe.h"
#include "platform/volume_io.h"
#include "tests/support/test_support.h"

namespace {

using platform::BootFamily;
using testing_support::Fixture;
using testing_support::OpenedVolume;
using testing_support::ScopedDrives;

// Sector 0 of a drive parsed against the drive's real length.
platform::BootSectorResult ParseDrive(char letter) {
  platform::BootSectorResult none;
  platform::Handle h = platform::OpenVolume(letter);
  if (h == platform::kInvalidHandle) return none;
  std::uint8_t sector[512];
  const bool read = platform::ReadAt(h, 0, sector, sizeof sector);
  const std::uint64_t length = platform::HandleLength(h);
  platform::CloseHandle(h);
  return read ? platform::ParseBootSector(sector, sizeof sector, length) : none;
}

// Whether record 0 at the $MFT's place holds the "FILE" signature, read apart from the engine.
bool RecordZeroIsThere(char letter, const platform::BootSectorLayout& l) {
  platform::Handle h = platform::OpenVolume(letter);
  std::uint8_t magic[4] = {};
  const bool read = platform::ReadAt(h, l.ntfs.mftLcn * l.clusterSize, magic, sizeof magic);
  platform::CloseHandle(h);
  return read && std::memcmp(magic, "FILE", 4) == 0;
}

std::uint32_t TypeOfFamily(const platform::BootSectorLayout& l) {
  switch (l.family) {
    case BootFamily::kFat:
      return l.fat.fatBits == 12 ? kFsFat12 : l.fat.fatBits == 16 ? kFsFat16 : kFsFat32;
    case BootFamily::kExfat:
      return kFsExfat;
    case BootFamily::kNtfs:
      return kFsNtfs;
    default:
      return kFsUnknown;
  }
}

const char* ProbeName(const platform::BootSectorLayout& l) {
  switch (l.family) {
    case BootFamily::kFat:
      return l.fat.fat32Layout ? "FAT32" : "FAT";
    case BootFamily::kExfat:
      return "exFAT";
    case BootFamily::kNtfs:
      return "NTFS";
    default:
      return "";
  }
}

TEST(BootSectorAgreement, ProbeBootAreaAndNtfsStateAgreeOnEveryFixtureVolume) {
  const std::filesystem::path dir = std::filesystem::path(Fixture("zero.img")).parent_path();
  ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
  std::set<BootFamily> familiesSeen;
  int refused = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".img") continue;
    ScopedDrives drives({"E=" + entry.path().string()});
    for (const platform::DriveEntry& d : platform::DriveMap::Instance().Drives()) {
      SCOPED_TRACE(entry.path().filename().string() + " as " + d.letter + ":");
      const platform::BootSectorResult parsed = ParseDrive(d.letter);
      const auto probe = platform::ProbeDrive(d.letter);
      OpenedVolume v(d.letter);
      ASSERT_EQ(probe.has_value(), parsed.ok) << parsed.refusal.Text();
      if (!parsed.ok) {
        ++refused;
        // A recognised family with a bad value gets the geometry warning; no family at all, the
        // unsupported-drive text.
        EXPECT_FALSE(v.ok());
        ASSERT_EQ(v.sink().Messages().size(), 1u);
        EXPECT_EQ(v.sink().Messages()[0].text, parsed.layout.family == BootFamily::kUnknown
                                                    ? kMsgUnsupportedDrive
                                                    : kMsgBootValuesAbnormal);
        continue;
      }
      const platform::BootSectorLayout& l = parsed.layout;
      familiesSeen.insert(l.family);
      EXPECT_EQ(probe->fileSystem, ProbeName(l));
      EXPECT_EQ(probe->bytesPerSector, l.bytesPerSector);
      EXPECT_EQ(probe->serial, l.serial);
      ASSERT_TRUE(v.ok()) << platform::ToUtf8(v.sink().Messages().empty()
                                                   ? std::u16string()
                                                   : v.sink().Messages()[0].text);
      EXPECT_TRUE(v.sink().Messages().empty());
      EXPECT_EQ(v.fs()->typeCode, TypeOfFamily(l));
      EXPECT_EQ(v.fs()->bytesPerSector, l.bytesPerSector);
      const VOLUMEGEOMETRY& g = v.fs()->geometry;
      if (l.family == BootFamily::kFat) {
        EXPECT_EQ(g.firstDataSector, l.fat.firstDataSector);
        EXPECT_EQ(g.lastCluster - 1, l.fat.clusterCount);
        EXPECT_EQ(g.lastSector + 1, l.fat.totalSectors);
      } else if (l.family == BootFamily::kExfat) {
        EXPECT_EQ(g.firstDataSector, l.exfat.clusterHeapOffset);
        EXPECT_EQ(g.lastCluster - 1, l.exfat.clusterCount);
      } else if (l.family == BootFamily::kNtfs) {
        NTFSVOLUMERECORD* state = v.fs()->ntfs;
        ASSERT_NE(state, nullptr);
        // Only a missing $MFT may stop the state after the boot sector was accepted.
        EXPECT_EQ(OpenNtfsState(state, d.letter), RecordZeroIsThere(d.letter, l));
        EXPECT_EQ(state->bytesPerSector, l.bytesPerSector);
        EXPECT_EQ(state->sectorsPerCluster, l.sectorsPerCluster);
        EXPECT_EQ(state->clusterSize, l.clusterSize);
        EXPECT_EQ(state->recordSize, l.ntfs.recordSize);
      }
    }
  }
  if (testing_support::FixtureExists("base_fat16.img")) {
    EXPECT_TRUE(familiesSeen.count(BootFamily::kFat));
  }
  if (testing_support::FixtureExists("base_exfat.img")) {
    EXPECT_TRUE(familiesSeen.count(BootFamily::kExfat));
  }
  if (testing_support::FixtureExists("base_ntfs.img")) {
    EXPECT_TRUE(familiesSeen.count(BootFamily::kNtfs));
  }
  EXPECT_GT(refused, 0);
}

// A copy of an NTFS fixture volume with bytes of its boot sector replaced.
class PatchedNtfs {
 public:
  PatchedNtfs(const std::string& image, std::size_t offset, const std::vector<std::uint8_t>& bytes)
      : path_(dir_.File("patched.img")) {
    std::filesystem::copy_file(Fixture(image), path_);
    std::fstream f(path_, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(offset));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  const std::string& path() const { return path_; }

 private:
  testing_support::TempDir dir_;
  std::string path_;
};

// A sectors-per-cluster byte of 0xE0 once made the record buffer shift a 32-bit value by 32;
// every unusable cluster or record size is now refused at open with the geometry warning, and
// the NTFS state refuses it on its own too, allocating nothing.
TEST(BootSectorAgreement, NtfsBootValuesOutOfRangeAreRefusedBeforeUse) {
  REQUIRE_FIXTURE("base_ntfs.img");
  struct Case {
    const char* what;
    std::size_t offset;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"sectors per cluster 0xE0 (2^32)", 0x0D, {0xE0}},
      {"sectors per cluster 0x81 (2^127)", 0x0D, {0x81}},
      {"sectors per cluster 0xF3 (4 MiB clusters)", 0x0D, {0xF3}},
      {"sectors per cluster 0", 0x0D, {0x00}},
      {"sectors per cluster 6", 0x0D, {0x06}},
      {"bytes per sector 0", 0x0B, {0x00, 0x00}},
      {"clusters per record 0", 0x40, {0x00}},
      {"records of 2^31 bytes", 0x40, {0xE1}},
      {"records of 2^8 bytes", 0x40, {0xF8}},
      {"records of 3 clusters", 0x40, {0x03}},
      {"$MFT past the volume", 0x30, {0, 0, 0, 0, 0, 0, 0, 0x01}},
      {"no total sectors", 0x28, {0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PatchedNtfs copy("base_ntfs.img", c.offset, c.bytes);
    ScopedDrives drives({"E=" + copy.path()});
    // Still one volume, never read as a partition table.
    const auto mapped = platform::DriveMap::Instance().Drives();
    ASSERT_EQ(mapped.size(), 1u);
    EXPECT_EQ(mapped[0].offset, 0u);
    EXPECT_EQ(mapped[0].length, std::filesystem::file_size(copy.path()));
    {
      OpenedVolume v('E');
      EXPECT_FALSE(v.ok());
      ASSERT_EQ(v.sink().Messages().size(), 1u);
      EXPECT_EQ(v.sink().Messages()[0].text, kMsgBootValuesAbnormal);
      EXPECT_EQ(v.fs()->ntfs, nullptr);
    }
    // The state read on its own, as the scan module does, without the open's check.
    NTFSVOLUMERECORD* state = AllocNtfsRecord();
    ASSERT_NE(state, nullptr);
    EXPECT_FALSE(OpenNtfsState(state, 'E'));
    EXPECT_EQ(state->record0, nullptr);
    EXPECT_EQ(state->recordSize, 0u);
    FreeNtfsRecord(state);
  }
  // A copy with its own byte put back opens, so the refusals above come from the patched bytes.
  std::ifstream original(Fixture("base_ntfs.img"), std::ios::binary);
  char spc = 0;
  original.seekg(0x0D);
  original.get(spc);
  PatchedNtfs same("base_ntfs.img", 0x0D, {static_cast<std::uint8_t>(spc)});
  ScopedDrives drives({"E=" + same.path()});
  OpenedVolume v('E');
  ASSERT_TRUE(v.ok());
  EXPECT_TRUE(OpenNtfsState(v.fs()->ntfs, 'E'));
}

// engine_probe list and save on the 0xE0 copy stop at the open with the warning: no sanitizer
// report, no crash.
TEST(BootSectorAgreement, EngineProbeRefusesTheBadClusterByteCleanly) {
  REQUIRE_FIXTURE("base_ntfs.img");
  PatchedNtfs copy("base_ntfs.img", 0x0D, {0xE0});
  testing_support::TempDir out;
  const std::string probe = testing_support::BinDir() + "/engine_probe ";
  const std::string drive = " --drive E='" + copy.path() + "'";
  for (const std::string& args : {std::string("list E:"), std::string("list E: --all"),
                                  "save E: /small.txt '" + out.path() + "'"}) {
    SCOPED_TRACE(args);
    auto r = testing_support::Run(probe + args + drive, true);
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find(platform::ToUtf8(kMsgBootValuesAbnormal)), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("cannot open E:"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("runtime error"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Sanitizer"), std::string::npos) << r.out;
  }
  EXPECT_TRUE(std::filesystem::is_empty(out.path()));
}

}  // namespace
