#include "corvane/sectors.h"

#include <gtest/gtest.h>

#include <vector>

#include "corvane/filesystem.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Fixture;

// The pattern image holds 70000 sectors of 512 bytes; each is its own number repeated.
class SectorReader : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing_support::FixtureExists("pattern.img")) GTEST_SKIP() << "pattern.img missing";
    handle_ = platform::OpenRange(Fixture("pattern.img"), 0, 0);
    ASSERT_NE(handle_, platform::kInvalidHandle);
  }
  void TearDown() override { platform::CloseHandle(handle_); }

  // Reads count sectors from first; checks every byte when the read succeeds.
  int ReadAndCheck(std::uint32_t first, std::uint32_t count, std::uint32_t sectorSize = 512) {
    std::vector<std::uint32_t> buf(std::size_t{count} * sectorSize / 4 + 1, 0xDEADBEEF);
    CReadWriteSectors reader;
    reader.SetTarget(buf.data(), 1, kFsFat16, 5, handle_);
    reader.SetSectorSize(sectorSize);
    int rc = reader.ReadSectors(first, count);
    if (rc == 0) {
      const std::size_t words = std::size_t{count} * sectorSize / 4;
      for (std::size_t i = 0; i < words; i += 97) {
        std::uint32_t byteOffset = static_cast<std::uint32_t>(i * 4);
        EXPECT_EQ(buf[i], first * (sectorSize / 512) + byteOffset / 512) << "word " << i;
        if (buf[i] != first * (sectorSize / 512) + byteOffset / 512) break;
      }
      EXPECT_EQ(buf[words], 0xDEADBEEF) << "wrote past the requested sectors";
    }
    return rc;
  }

  platform::Handle handle_ = platform::kInvalidHandle;
};

TEST_F(SectorReader, EveryCountReadsExactlyThoseSectors) {
  for (std::uint32_t count : {1u, 65535u, 65536u, 70000u}) {
    SCOPED_TRACE(count);
    EXPECT_EQ(ReadAndCheck(0, count), 0);
  }
  EXPECT_EQ(ReadAndCheck(69999, 1), 0);
}

TEST_F(SectorReader, ReadPastTheEndFails) {
  EXPECT_EQ(ReadAndCheck(69999, 2), -1);
  EXPECT_EQ(ReadAndCheck(70000, 1), -1);
  EXPECT_EQ(ReadAndCheck(0, 70001), -1);
}

TEST_F(SectorReader, UsesTheVolumesSectorSize) {
  // 4096-byte sectors: sector 10 starts at byte 40960, which is 512-byte sector 80.
  EXPECT_EQ(ReadAndCheck(10, 3, 4096), 0);
  EXPECT_EQ(ReadAndCheck(8749, 1, 4096), 0);
  EXPECT_EQ(ReadAndCheck(8750, 1, 4096), -1);
}

TEST_F(SectorReader, WithoutBufferOrHandleNothingIsRead) {
  CReadWriteSectors reader;
  EXPECT_EQ(reader.ReadSectors(0, 1), -1);
  std::uint8_t buf[512];
  reader.SetTarget(buf, 1, kFsFat16, 5, platform::kInvalidHandle);
  EXPECT_EQ(reader.ReadSectors(0, 1), -1);
}

TEST(OpenVolumeHandle, LettersOutsideAToZAreRefusedBeforeAnyOpen) {
  for (char letter : {'[', 'a', '@', 'z'}) {
    FILESYSTEMOBJ fs{};
    InitFileSystem(&fs, letter);
    fs.typeCode = 77;
    const std::size_t before = platform::OpenHandleCount();
    EXPECT_EQ(OpenVolumeHandle(&fs), 0) << letter;
    EXPECT_EQ(fs.typeCode, 77u) << "the platform was asked about " << letter;
    EXPECT_EQ(fs.volumeHandle, platform::kInvalidHandle);
    EXPECT_EQ(platform::OpenHandleCount(), before);
  }
}

TEST(OpenVolumeHandle, OpensReadOnlyAndReplacesAHeldHandle) {
  REQUIRE_FIXTURE("base_fat16.img");
  testing_support::ScopedDrives drives({"E=" + Fixture("base_fat16.img")});
  FILESYSTEMOBJ fs{};
  InitFileSystem(&fs, 'E');
  const std::size_t before = platform::OpenHandleCount();
  ASSERT_EQ(OpenVolumeHandle(&fs), 1);
  EXPECT_EQ(fs.typeCode, kFsFat16);  // the family the probe named
  EXPECT_EQ(fs.driveNumber, 5u);
  EXPECT_EQ(fs.ntFlag, 1);
  ASSERT_EQ(OpenVolumeHandle(&fs), 1);
  EXPECT_EQ(platform::OpenHandleCount(), before + 1);
  FreeFileSystem(&fs);
  EXPECT_EQ(platform::OpenHandleCount(), before);
}

}  // namespace
