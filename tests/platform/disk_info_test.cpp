#include "platform/disk_info.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/drive_map.h"
#include "platform/message.h"
#include "platform/volume_io.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using platform::DriveMap;
using testing_support::Fixture;

std::string U8(const std::u16string& s) { return platform::ToUtf8(s); }

// 512 bytes of identify data filled with 'X', so that a parser reading past a field shows it.
struct IdentifyBlock {
  std::uint8_t bytes[512];
  IdentifyBlock() { std::memset(bytes, 'X', sizeof bytes); }
  // Stores text blank-padded to size bytes, each 16-bit pair swapped as the drive sends it.
  void Put(std::size_t offset, std::size_t size, const std::string& text) {
    std::string padded = text;
    padded.resize(size, ' ');
    for (std::size_t i = 0; i < size; i += 2) {
      bytes[offset + i] = static_cast<std::uint8_t>(padded[i + 1]);
      bytes[offset + i + 1] = static_cast<std::uint8_t>(padded[i]);
    }
  }
};

TEST(DiskInfo, IdentifyParsing) {
  struct Case {
    const char* what;
    std::string model, firmware, serial;
    const char *maker, *wantModel, *wantFirmware, *wantSerial;
  };
  const std::string fortyNoBlank = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd";
  const Case cases[] = {
      {"maker and one-word model", "WDC WD10EZEX-00BN5A0", "01.01A01", "     WD-WCC3F1234567",
       "WDC", "WD10EZEX-00BN5A0", "01.01A01", "WD-WCC3F1234567"},
      {"model of several words", "Samsung SSD 860 EVO 500GB", "RVT04B6Q", "S3Z2NB0K123456A",
       "Samsung", "SSD 860 EVO 500GB", "RVT04B6Q", "S3Z2NB0K123456A"},
      {"blank-less full fields", fortyNoBlank, "FW123456", "SERIALSERIALSERIAL12",
       fortyNoBlank.c_str(), "", "FW123456", "SERIALSERIALSERIAL12"},
      {"leading blanks", "   ST3500418AS", "  CC38", "", "ST3500418AS", "", "CC38", ""},
      {"empty fields", "", "", "", "", "", "", ""},
  };
  for (const Case& c : cases) {
    IdentifyBlock b;
    b.Put(20, 20, c.serial);
    b.Put(46, 8, c.firmware);
    b.Put(54, 40, c.model);
    platform::DiskIdentity id = platform::ParseIdentify(b.bytes, sizeof b.bytes);
    EXPECT_EQ(U8(id.maker), c.maker) << c.what;
    EXPECT_EQ(U8(id.model), c.wantModel) << c.what;
    EXPECT_EQ(U8(id.firmware), c.wantFirmware) << c.what;
    EXPECT_EQ(U8(id.serial), c.wantSerial) << c.what;
  }
  // A zero byte ends a text inside its field.
  IdentifyBlock z;
  z.Put(54, 40, "ACME DRIVE");
  z.bytes[54 + 7] = 0;  // the 'R', stored second in its swapped pair
  z.Put(20, 20, "");
  z.Put(46, 8, "");
  platform::DiskIdentity id = platform::ParseIdentify(z.bytes, sizeof z.bytes);
  EXPECT_EQ(U8(id.maker), "ACME");
  EXPECT_EQ(U8(id.model), "D");
  // Fewer than 512 bytes: nothing is read.
  EXPECT_TRUE(platform::ParseIdentify(z.bytes, 100).maker.empty());
}

void WriteText(const fs::path& p, const std::string& text) {
  fs::create_directories(p.parent_path());
  std::ofstream(p) << text << "\n";
}

// A made-up sysfs tree in the kernel's shape: devices under sys/devices, links to them in
// sys/class/block, partitions inside their disk's folder. No device nodes exist in dev/.
class FakeSysfs {
 public:
  FakeSysfs() {
    fs::create_directories(block());
    fs::create_directories(dev());
  }
  std::string block() const { return dir_.path() + "/sys/class/block"; }
  std::string dev() const { return dir_.path() + "/dev"; }
  fs::path Disk(const std::string& name, std::uint64_t sectors512, int sectorSize) {
    fs::path d = fs::path(dir_.path()) / "sys/devices" / name;
    WriteText(d / "size", std::to_string(sectors512));
    WriteText(d / "removable", "0");
    WriteText(d / "queue/logical_block_size", std::to_string(sectorSize));
    fs::create_directory_symlink(d, fs::path(block()) / name);
    return d;
  }
  void Partition(const fs::path& disk, const std::string& name, std::uint64_t start,
                 std::uint64_t sectors512) {
    fs::path p = disk / name;
    WriteText(p / "partition", "1");
    WriteText(p / "start", std::to_string(start));
    WriteText(p / "size", std::to_string(sectors512));
    fs::create_directory_symlink(p, fs::path(block()) / name);
  }

 private:
  testing_support::TempDir dir_;
};

class DiskInfoMapTest : public ::testing::Test {
 protected:
  void TearDown() override { DriveMap::Instance().Configure({}, nullptr, false); }
};

TEST_F(DiskInfoMapTest, MadeUpSysfsTree) {
  FakeSysfs tree;
  fs::path nvme = tree.Disk("nvme0n1", 2000409264, 512);
  WriteText(nvme / "device/model", "Samsung SSD 970 EVO Plus 1TB            ");
  WriteText(nvme / "device/firmware_rev", "2B2QEXM7");
  WriteText(nvme / "device/serial", "S4EWNX0R123456W     ");
  tree.Partition(nvme, "nvme0n1p1", 2048, 1048576);
  tree.Partition(nvme, "nvme0n1p2", 1050624, 2000000000);
  fs::path sda = tree.Disk("sda", 1953525168, 512);
  WriteText(sda / "device/vendor", "ATA     ");
  WriteText(sda / "device/model", "WDC WD10EZEX-00B");
  WriteText(sda / "device/rev", "1A01");
  tree.Partition(sda, "sda1", 63, 1953520002);
  fs::path sdb = tree.Disk("sdb", 7814037168, 4096);  // a 4096-byte-sector disk
  tree.Partition(sdb, "sdb1", 2048, 7814033072);
  fs::path loop0 = tree.Disk("loop0", 131072, 512);
  WriteText(loop0 / "loop/backing_file", "/srv/images/card.img");
  tree.Disk("loop1", 0, 512);  // an unused loop device

  DriveMap::Instance().Configure({}, nullptr, true, {tree.block(), tree.dev()});

  // Every partition's letter records its disk and its byte offset on it (sysfs counts 512s).
  auto extents = platform::ListVolumeExtents();
  struct Want {
    char letter;
    int disk;
    std::uint64_t offset, length;
  };
  const Want want[] = {{'C', 0, 2048ull * 512, 1048576ull * 512},
                       {'D', 0, 1050624ull * 512, 2000000000ull * 512},
                       {'E', 1, 63ull * 512, 1953520002ull * 512},
                       {'F', 2, 2048ull * 512, 7814033072ull * 512}};
  ASSERT_EQ(extents.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(extents[i].letter, want[i].letter);
    EXPECT_EQ(extents[i].ordinal, 1);
    EXPECT_EQ(extents[i].disk, want[i].disk) << want[i].letter;
    EXPECT_EQ(extents[i].offset, want[i].offset) << want[i].letter;
    EXPECT_EQ(extents[i].length, want[i].length) << want[i].letter;
  }

  auto disks = platform::ListDisks();
  ASSERT_EQ(disks.size(), 4u);
  // The devices do not open here: the facts come from sysfs.
  const platform::DiskFacts& n = disks[0];
  EXPECT_EQ(n.number, 0);
  EXPECT_EQ(n.path, tree.dev() + "/nvme0n1");
  EXPECT_EQ(n.openError, ENOENT);
  EXPECT_EQ(n.bytes, 2000409264ull * 512);
  EXPECT_EQ(n.sectorSize, 512u);
  EXPECT_EQ(n.heads, 255u);
  EXPECT_EQ(n.sectorsPerTrack, 63u);
  EXPECT_EQ(n.cylinders, 2000409264ull * 512 / (255 * 63 * 512));
  EXPECT_EQ(U8(n.identity.maker), "Samsung");
  EXPECT_EQ(U8(n.identity.model), "SSD 970 EVO Plus 1TB");
  EXPECT_EQ(U8(n.identity.firmware), "2B2QEXM7");
  EXPECT_EQ(U8(n.identity.serial), "S4EWNX0R123456W");
  EXPECT_FALSE(n.identified);

  const platform::DiskFacts& a = disks[1];
  EXPECT_EQ(U8(a.identity.maker), "ATA");
  EXPECT_EQ(U8(a.identity.model), "WDC WD10EZEX-00B");
  EXPECT_EQ(U8(a.identity.firmware), "1A01");
  EXPECT_EQ(U8(a.identity.serial), "");

  const platform::DiskFacts& b = disks[2];
  EXPECT_EQ(b.sectorSize, 4096u);
  EXPECT_EQ(b.bytes, 7814037168ull * 512);
  EXPECT_EQ(b.cylinders, 7814037168ull * 512 / (255ull * 63 * 4096));
  // Neither a model nor identify data: the texts for an unknown drive.
  EXPECT_EQ(U8(b.identity.maker), "기본");
  EXPECT_EQ(U8(b.identity.model), "USB 대용량 저장소 장치");

  const platform::DiskFacts& l = disks[3];
  EXPECT_EQ(l.number, 3);
  EXPECT_EQ(l.kind, platform::DiskKind::kLoop);
  EXPECT_EQ(l.path, tree.dev() + "/loop0");
  EXPECT_EQ(l.backingFile, "/srv/images/card.img");
  EXPECT_EQ(l.bytes, 131072ull * 512);
  EXPECT_EQ(l.cylinders, 131072ull * 512 / (255 * 63 * 512));
  EXPECT_EQ(U8(l.identity.maker), "기본");
  EXPECT_EQ(U8(l.identity.model), "/srv/images/card.img");

  // Left out of the machine's devices: no loops either.
  DriveMap::Instance().Configure({}, nullptr, false, {tree.block(), tree.dev()});
  EXPECT_TRUE(platform::ListDisks().empty());
}

TEST_F(DiskInfoMapTest, ImagesAsDisks) {
  REQUIRE_FIXTURE("disk.img");
  REQUIRE_FIXTURE("gpt.img");
  REQUIRE_FIXTURE("base_fat16.img");
  DriveMap::Instance().Configure(
      {"D=" + Fixture("disk.img"), "M=" + Fixture("base_fat16.img"), "N=" + Fixture("gpt.img")},
      nullptr, false);
  auto disks = platform::ListDisks();
  ASSERT_EQ(disks.size(), 2u);  // a lone volume is no disk
  EXPECT_EQ(disks[0].path, Fixture("disk.img"));
  EXPECT_EQ(disks[0].bytes, 64u << 20);
  EXPECT_EQ(disks[0].sectorSize, 512u);
  EXPECT_EQ(disks[0].cylinders, (64u << 20) / (255 * 63 * 512));
  EXPECT_EQ(U8(disks[0].identity.maker), "기본");
  EXPECT_EQ(U8(disks[0].identity.model), Fixture("disk.img"));
  EXPECT_EQ(disks[1].number, 1);
  EXPECT_EQ(disks[1].path, Fixture("gpt.img"));

  auto extents = platform::ListVolumeExtents();
  ASSERT_EQ(extents.size(), 8u);
  EXPECT_EQ(extents[0].letter, 'D');
  EXPECT_EQ(extents[0].disk, 0);
  EXPECT_EQ(extents[0].offset, 2048u * 512);
  EXPECT_EQ(extents[5].letter, 'I');
  EXPECT_EQ(extents[5].offset, 90112u * 512);
  // M holds the lone volume and has no extent; the GPT's partitions go on from N.
  EXPECT_EQ(extents[6].letter, 'N');
  EXPECT_EQ(extents[6].disk, 1);
  EXPECT_EQ(extents[6].offset, 2048u * 512);
  EXPECT_EQ(extents[7].letter, 'O');
  EXPECT_EQ(extents[7].length, 8192u * 512);
}

TEST_F(DiskInfoMapTest, EveryListedDiskOpensByItsNumber) {
  REQUIRE_FIXTURE("disk.img");
  // The map's disk.img is disk 0; an attached loop device (its node a plain file here) is disk 1.
  FakeSysfs tree;
  fs::path loop0 = tree.Disk("loop0", 8, 512);
  WriteText(loop0 / "loop/backing_file", "/srv/images/card.img");
  std::string sector(4096, '\x5A');
  testing_support::WriteFile(tree.dev() + "/loop0", sector);
  DriveMap::Instance().Configure({"E=" + Fixture("disk.img")}, nullptr, true, {tree.block(), tree.dev()});
  auto disks = platform::ListDisks();
  ASSERT_EQ(disks.size(), 2u);
  ASSERT_EQ(disks[1].kind, platform::DiskKind::kLoop);

  const std::size_t before = platform::OpenHandleCount();
  for (int number : {0, 1}) {
    int error = -1;
    platform::Handle h = platform::OpenPhysicalDisk(number, &error);
    ASSERT_NE(h, platform::kInvalidHandle) << number;
    EXPECT_EQ(error, 0);
    char first[4] = {};
    ASSERT_TRUE(platform::ReadAt(h, 0, first, sizeof first));
    if (number == 1) { EXPECT_EQ(std::string(first, 4), "ZZZZ"); }
    platform::CloseHandle(h);
  }
  for (int number : {2, -1}) {
    int error = 0;
    EXPECT_EQ(platform::OpenPhysicalDisk(number, &error), platform::kInvalidHandle) << number;
    EXPECT_EQ(error, ENOENT);
  }
  EXPECT_EQ(platform::OpenHandleCount(), before);
}

TEST_F(DiskInfoMapTest, WalkGoesOnPastATruncatedOrMissingDisk) {
  REQUIRE_FIXTURE("disk.img");
  REQUIRE_FIXTURE("gpt.img");
  testing_support::TempDir tmp;
  const std::string cut = tmp.File("cut.img"), gone = tmp.File("gone.img");
  fs::copy_file(Fixture("disk.img"), cut);
  fs::copy_file(Fixture("gpt.img"), gone);
  DriveMap::Instance().Configure(
      {"D=" + cut, "K=" + gone, "P=" + Fixture("gpt.img")}, nullptr, false);
  // After mapping, the first image loses everything past sector 61,440 and the second vanishes.
  fs::resize_file(cut, 61440ull * 512);
  fs::remove(gone);
  auto disks = platform::ListDisks();
  ASSERT_EQ(disks.size(), 3u);
  EXPECT_EQ(disks[0].bytes, 61440u * 512);

  int error = -1;
  auto first = platform::ReadPartitionRows(disks[0], &error);
  EXPECT_EQ(error, 0);
  // Primaries 1-3 are inside; the extended entry now reads "범위 초과" and is not walked.
  std::vector<std::pair<std::uint64_t, bool>> got;
  for (const auto& r : first.rows) got.push_back({r.first, r.pastEnd});
  const std::vector<std::pair<std::uint64_t, bool>> want = {
      {2048, false}, {18432, false}, {34816, false}, {51200, true}};
  EXPECT_EQ(got, want);

  auto second = platform::ReadPartitionRows(disks[1], &error);
  EXPECT_EQ(error, ENOENT);
  EXPECT_TRUE(second.rows.empty());
  EXPECT_EQ(U8(platform::DiskOpenErrorText(EACCES)), "접근불가. 관리자 권한이 있는지 확인하십시오.");

  auto third = platform::ReadPartitionRows(disks[2], &error);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(third.rows.size(), 3u);
}

// engine_probe's disk verbs on the fixture images.
std::vector<std::string> ProbeLines(const std::string& args) {
  auto r = testing_support::Run(testing_support::BinDir() + "/engine_probe " + args);
  EXPECT_EQ(r.exitCode, 0) << args;
  return testing_support::Lines(r.out);
}

TEST(DiskProbe, PartitionsOfDiskAndGptImages) {
  REQUIRE_FIXTURE("disk.img");
  REQUIRE_FIXTURE("gpt.img");
  auto lines = ProbeLines("partitions --drive D='" + Fixture("disk.img") + "' --drive P='" +
                          Fixture("gpt.img") + "'");
  const std::vector<std::string> want = {
      "0\t0\t0x06\t2048\t18431\t16384\tDOS FAT-16 (up to 2G)",
      "0\t0\t0x06\t18432\t34815\t16384\tDOS FAT-16 (up to 2G)",
      "0\t0\t0x06\t34816\t51199\t16384\tDOS FAT-16 (up to 2G)",
      "0\t0\t0x05\t51200\t131071\t79872\tDOS Extended",
      "0\t1\t0x06\t53248\t69631\t16384\tDOS FAT-16 (up to 2G)",
      "0\t1\t0x05\t69632\t88063\t18432\tDOS Extended",
      "0\t2\t0x06\t71680\t88063\t16384\tDOS FAT-16 (up to 2G)",
      "0\t2\t0x05\t88064\t106495\t18432\tDOS Extended",
      "0\t3\t0x06\t90112\t106495\t16384\tDOS FAT-16 (up to 2G)",
      "1\t0\t0xEE\t1\t16383\t16383\tUnknown (0xEE)",
      "1\t1\tGPT\t2048\t6143\t4096\tEBD0A0A2-B9E5-4433-87C0-68B6B7D0D599",
      "1\t1\tGPT\t6144\t14335\t8192\tEBD0A0A2-B9E5-4433-87C0-68B6B7D0D599",
  };
  EXPECT_EQ(lines, want);
}

TEST(DiskProbe, DisksAndExtents) {
  REQUIRE_FIXTURE("disk.img");
  const std::string image = Fixture("disk.img");
  auto disks = ProbeLines("disks --drive E='" + image + "'");
  ASSERT_EQ(disks.size(), 1u);
  EXPECT_EQ(disks[0], "0\t" + image + "\t67108864\t512\t8\t255\t63\t기본\t" + image + "\t\t");
  auto extents = ProbeLines("extents --drive E='" + image + "'");
  const std::vector<std::string> want = {
      "E\t1\t0\t1048576\t8388608",  "F\t1\t0\t9437184\t8388608",
      "G\t1\t0\t17825792\t8388608", "H\t1\t0\t27262976\t8388608",
      "I\t1\t0\t36700160\t8388608", "J\t1\t0\t46137344\t8388608"};
  EXPECT_EQ(extents, want);
}

}  // namespace
