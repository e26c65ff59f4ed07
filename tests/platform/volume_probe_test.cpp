#include <gtest/gtest.h>

#include <cstring>

#include "platform/codepage.h"
#include "platform/fs_probe.h"
#include "platform/message.h"
#include "platform/volume_io.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Fixture;

TEST(FsProbe, FamilyOfRealVolumes) {
  struct Case {
    const char* image;
    const char* family;  // empty: not recognised
    std::uint32_t bytesPerSector;
  } cases[] = {
      {"base_fat12.img", "FAT", 512},    {"base_fat16.img", "FAT", 512},
      {"base_fat32.img", "FAT32", 512},  {"base_fat32_4k.img", "FAT32", 4096},
      {"base_exfat.img", "exFAT", 512},  {"base_ntfs.img", "NTFS", 512},
      {"zero.img", "", 0},               {"bad_spc0.img", "", 0},
      {"bad_bps0.img", "", 0},           {"bad_nfats0.img", "", 0},
      {"disk.img", "", 0},
  };
  for (const auto& c : cases) {
    if (!testing_support::FixtureExists(c.image)) continue;
    platform::Handle h = platform::OpenRange(Fixture(c.image), 0, 0);
    ASSERT_NE(h, platform::kInvalidHandle) << c.image;
    auto probe = platform::ProbeVolume(h);
    platform::CloseHandle(h);
    if (*c.family == 0) {
      EXPECT_FALSE(probe) << c.image;
    } else {
      ASSERT_TRUE(probe) << c.image;
      EXPECT_EQ(probe->fileSystem, c.family) << c.image;
      EXPECT_EQ(probe->bytesPerSector, c.bytesPerSector) << c.image;
    }
  }
}

TEST(FsProbe, LabelAndSerialOfFat) {
  REQUIRE_FIXTURE("base_fat16.img");
  platform::Handle h = platform::OpenRange(Fixture("base_fat16.img"), 0, 0);
  auto probe = platform::ProbeVolume(h);
  platform::CloseHandle(h);
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->label, "BASE16");
  EXPECT_NE(probe->serial, 0u);
}

TEST(VolumeIo, ReadsAreBoundedToTheRange) {
  REQUIRE_FIXTURE("pattern.img");
  const std::size_t before = platform::OpenHandleCount();
  // Sectors 100 .. 199 of the pattern file as a range of its own.
  platform::Handle h = platform::OpenRange(Fixture("pattern.img"), 100 * 512, 100 * 512);
  ASSERT_NE(h, platform::kInvalidHandle);
  std::uint32_t word = 0;
  ASSERT_TRUE(platform::ReadAt(h, 0, &word, 4));
  EXPECT_EQ(word, 100u);
  std::vector<std::uint8_t> buf(512);
  EXPECT_TRUE(platform::ReadAt(h, 99 * 512, buf.data(), 512));
  EXPECT_FALSE(platform::ReadAt(h, 99 * 512 + 1, buf.data(), 512));  // one byte past the range
  EXPECT_FALSE(platform::ReadAt(h, UINT64_MAX - 10, buf.data(), 512));
  EXPECT_FALSE(platform::ReadAt(h + 1000, 0, buf.data(), 1));
  platform::CloseHandle(h);
  EXPECT_EQ(platform::OpenHandleCount(), before);
  EXPECT_FALSE(platform::ReadAt(h, 0, buf.data(), 1));
}

TEST(VolumeIo, RangesOutsideTheFileAreRefused) {
  REQUIRE_FIXTURE("zero.img");
  int error = 0;
  EXPECT_EQ(platform::OpenRange(Fixture("zero.img"), 1 << 20, 1, &error), platform::kInvalidHandle);
  EXPECT_NE(error, 0);
  EXPECT_EQ(platform::OpenRange("/no/such/image", 0, 0, &error), platform::kInvalidHandle);
}

TEST(TextConversion, Utf8AndCodePage) {
  const std::u16string korean = u"삭제된 파일";
  EXPECT_EQ(platform::FromUtf8(platform::ToUtf8(korean)), korean);
  EXPECT_EQ(platform::ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(platform::FromUtf8("\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(platform::FromUtf8("a\xC3"), u"a\uFFFD");  // cut-off sequence
  EXPECT_EQ(platform::ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");  // lone surrogate
  std::string appended = "x/";
  platform::AppendUtf8(u"\uD55C\xDC00\U0001F600", &appended);  // after what is there
  EXPECT_EQ(appended, "x/\xED\x95\x9C\xEF\xBF\xBD\xF0\x9F\x98\x80");
  // "한글" in code page 949.
  EXPECT_EQ(platform::AnsiToUtf16("\xC7\xD1\xB1\xDB"), u"한글");
  EXPECT_EQ(platform::Utf16ToAnsi(u"한글A"), "\xC7\xD1\xB1\xDB" "A");
  EXPECT_EQ(platform::AnsiToUtf16("AB\xFF"), u"AB\uFFFD");
}

}  // namespace
