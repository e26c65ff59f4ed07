#include "platform/drive_map.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/fs_probe.h"
#include "tests/support/test_support.h"

namespace {

using platform::DriveMap;
using testing_support::Fixture;

class DriveMapTest : public ::testing::Test {
 protected:
  void TearDown() override { DriveMap::Instance().Configure({}, nullptr, false); }
};

TEST_F(DriveMapTest, PartitionedImageGivesOneLetterPerPartition) {
  REQUIRE_FIXTURE("disk.img");
  auto problems = DriveMap::Instance().Configure({"D=" + Fixture("disk.img")}, nullptr, false);
  EXPECT_TRUE(problems.empty());
  auto drives = DriveMap::Instance().Drives();
  const std::uint64_t starts[] = {2048, 18432, 34816, 53248, 71680, 90112};
  ASSERT_EQ(drives.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(drives[i].letter, 'D' + i);
    EXPECT_EQ(drives[i].offset, starts[i] * 512);
    EXPECT_EQ(drives[i].length, 16384u * 512);
    // Every partition holds the FAT volume that was made at its offset.
    auto probe = platform::ProbeDrive(drives[i].letter);
    ASSERT_TRUE(probe) << drives[i].letter;
    EXPECT_EQ(probe->label, "PART" + std::to_string(i + 1));
  }
  ASSERT_EQ(DriveMap::Instance().Disks().size(), 1u);
  EXPECT_EQ(DriveMap::Instance().Disks()[0].path, Fixture("disk.img"));
}

TEST_F(DriveMapTest, EveryLogicalEntryOfAnExtendedRecordGetsALetter) {
  REQUIRE_FIXTURE("disk_ebr2.img");
  auto problems = DriveMap::Instance().Configure({"D=" + Fixture("disk_ebr2.img")}, nullptr, false);
  EXPECT_TRUE(problems.empty());
  auto drives = DriveMap::Instance().Drives();
  const std::uint64_t parts[][2] = {{2048, 8192},  {12288, 4096}, {16384, 2048},
                                    {20480, 8192}, {28672, 2048}, {32768, 8192}};
  ASSERT_EQ(drives.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(drives[i].letter, 'D' + i);
    EXPECT_EQ(drives[i].offset, parts[i][0] * 512);
    EXPECT_EQ(drives[i].length, parts[i][1] * 512);
    auto probe = platform::ProbeDrive(drives[i].letter);
    ASSERT_TRUE(probe) << drives[i].letter;
    EXPECT_EQ(probe->label, "PART" + std::to_string(i + 1));
  }
}

TEST_F(DriveMapTest, NamedLettersStayFreeForTheirSources) {
  REQUIRE_FIXTURE("disk.img");
  // E is named by a later source, so the partitions of D skip it.
  DriveMap::Instance().Configure({"D=" + Fixture("disk.img"), "E=" + Fixture("base_fat12.img")},
                                 nullptr, false);
  std::string letters;
  for (const auto& d : DriveMap::Instance().Drives()) letters += d.letter;
  EXPECT_EQ(letters, "DEFGHIJ");
  EXPECT_EQ(DriveMap::Instance().Find('E')->path, Fixture("base_fat12.img"));
}

TEST_F(DriveMapTest, EnvironmentListAndBadOptions) {
  std::string env = "e=" + Fixture("base_fat16.img") + ";;F=" + Fixture("base_ntfs.img");
  auto problems = DriveMap::Instance().Configure(
      {"1=/x", "G", "H=/no/such/file", "E=" + Fixture("base_fat12.img")}, env.c_str(), false);
  // Three bad options, and the environment's E clashes with the option's E.
  EXPECT_EQ(problems.size(), 4u);
  auto drives = DriveMap::Instance().Drives();
  ASSERT_EQ(drives.size(), 2u);
  EXPECT_EQ(drives[0].path, Fixture("base_fat12.img"));
  EXPECT_EQ(drives[1].letter, 'F');
}

TEST_F(DriveMapTest, LettersRecordTheirDiskAndOffset) {
  REQUIRE_FIXTURE("disk_ebr2.img");
  REQUIRE_FIXTURE("gpt.img");
  DriveMap::Instance().Configure({"C=" + Fixture("base_fat16.img"), "D=" + Fixture("disk_ebr2.img"),
                                  "T=" + Fixture("gpt.img")},
                                 nullptr, false);
  auto drives = DriveMap::Instance().Drives();
  ASSERT_EQ(drives.size(), 9u);
  // A lone volume lies on no disk.
  EXPECT_EQ(drives[0].disk, -1);
  const std::uint64_t starts[] = {2048, 12288, 16384, 20480, 28672, 32768};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(drives[1 + i].disk, 0) << drives[1 + i].letter;
    EXPECT_EQ(drives[1 + i].diskOffset, starts[i] * 512) << drives[1 + i].letter;
  }
  EXPECT_EQ(drives[7].letter, 'T');
  EXPECT_EQ(drives[7].disk, 1);
  EXPECT_EQ(drives[8].diskOffset, 6144u * 512);
  EXPECT_FALSE(DriveMap::Instance().BlockDevices());
}

TEST_F(DriveMapTest, TakeDriveOptionsLeavesTheRest) {
  std::vector<std::string> args = {"--open", "F:", "--drive", "F=/a.img", "--drive=G=/b.img", "x"};
  auto drives = DriveMap::TakeDriveOptions(args);
  EXPECT_EQ(drives, (std::vector<std::string>{"F=/a.img", "G=/b.img"}));
  EXPECT_EQ(args, (std::vector<std::string>{"--open", "F:", "x"}));
}

// An image attached for the session takes the first free letters, reads its table in the chosen
// sector size and is reused when attached again.
TEST_F(DriveMapTest, AttachImageUsesFreeLettersTheSectorSizeAndReusesAPath) {
  REQUIRE_FIXTURE("base_fat16.img");
  REQUIRE_FIXTURE("disk.img");
  // A disk of 4096-byte sectors: one FAT16 partition at sector 2.
  std::ifstream in(Fixture("base_fat16.img"), std::ios::binary);
  std::vector<char> volume((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(volume.size() % 4096, 0u);
  std::vector<char> disk(8192 + volume.size(), 0);
  std::copy(volume.begin(), volume.end(), disk.begin() + 8192);
  unsigned char* entry = reinterpret_cast<unsigned char*>(disk.data()) + 446;
  entry[4] = 0x06;
  const std::uint32_t start = 2, count = static_cast<std::uint32_t>(volume.size() / 4096);
  for (int i = 0; i < 4; ++i) {
    entry[8 + i] = static_cast<unsigned char>(start >> (8 * i));
    entry[12 + i] = static_cast<unsigned char>(count >> (8 * i));
  }
  disk[510] = 0x55;
  disk[511] = static_cast<char>(0xAA);
  char dirTemplate[] = "/tmp/drive_map_attach_XXXXXX";
  ASSERT_NE(mkdtemp(dirTemplate), nullptr);
  const std::string big = std::string(dirTemplate) + "/big.img";
  std::ofstream(big, std::ios::binary).write(disk.data(), static_cast<std::streamsize>(disk.size()));

  DriveMap::Instance().Configure({"D=" + Fixture("disk.img")}, nullptr, false);  // D to I
  std::vector<char> letters;
  std::string error;
  ASSERT_TRUE(DriveMap::Instance().AttachImage(big, 4096, &letters, &error)) << error;
  ASSERT_EQ(letters, std::vector<char>{'C'});
  auto c = DriveMap::Instance().Find('C');
  ASSERT_TRUE(c);
  EXPECT_EQ(c->offset, 8192u);
  EXPECT_EQ(c->length, volume.size());
  EXPECT_TRUE(platform::ProbeDrive('C'));

  ASSERT_TRUE(DriveMap::Instance().AttachImage(Fixture("base_fat16.img"), 512, &letters, &error));
  EXPECT_EQ(letters, std::vector<char>{'J'});
  EXPECT_EQ(DriveMap::Instance().Find('J')->offset, 0u);

  // Attaching a mapped path again, by any spelling, maps nothing new.
  const std::size_t before = DriveMap::Instance().Drives().size();
  ASSERT_TRUE(DriveMap::Instance().AttachImage(Fixture("disk.img"), 512, &letters, &error));
  EXPECT_EQ(letters, (std::vector<char>{'D', 'E', 'F', 'G', 'H', 'I'}));
  const std::string other = std::string(dirTemplate) + "/../" +
                            std::filesystem::path(dirTemplate).filename().string() + "/big.img";
  ASSERT_TRUE(DriveMap::Instance().AttachImage(other, 4096, &letters, &error));
  EXPECT_EQ(letters, std::vector<char>{'C'});
  EXPECT_EQ(DriveMap::Instance().Drives().size(), before);

  EXPECT_FALSE(DriveMap::Instance().AttachImage(std::string(dirTemplate) + "/none.img", 512, &letters, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(DriveMap::Instance().AttachImage(big, 1000, &letters, &error));
  std::filesystem::remove_all(dirTemplate);
}

}  // namespace
