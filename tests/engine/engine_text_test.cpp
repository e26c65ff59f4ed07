#include "corvane/engine_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "corvane/engine_hooks.h"
#include "corvane/fat_records.h"

namespace {

TEST(EngineText, SizeWithUnit) {
  const struct {
    std::int64_t size;
    const char16_t* text;
  } cases[] = {
      {0, u"0바이트"},
      {-5, u"-5바이트"},
      {1023, u"1023바이트"},
      {1024, u"1KB"},
      {1536, u"1.50KB"},
      {1048576, u"1MB"},
      {1572864 + 1, u"1.50MB"},
      {3221225472, u"3GB"},
      {1099511627776 - 1, u"1024.00GB"},
      {1099511627776, u"1TB"},
      {1099511627776 * 3 / 2, u"1.50TB"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatSizeWithUnit(c.size), c.text) << c.size;
}

// Installs one entry as the whole g_pFatDirEntries.
class OneEntry : public ::testing::Test {
 protected:
  FATDIRENTRY& Entry() {
    FreeFatDirEntries();
    g_pFatDirEntries = static_cast<FATDIRENTRY*>(std::calloc(1, sizeof(FATDIRENTRY)));
    g_dwFatDirEntryCount = 1;
    return g_pFatDirEntries[0];
  }
  void TearDown() override {
    FreeFatDirEntries();
    SetAsciiToUnicodeConverter(nullptr);
  }
};

TEST_F(OneEntry, FileTypeTexts) {
  const struct {
    int directory, label, hasExt;
    const char* name;
    const char* ext;
    const char16_t* text;
  } cases[] = {
      {1, 1, 0, "LABEL", "", u"볼륨 레이블"},
      {1, 0, 0, "RECYCLED", "", u"휴지통"},
      {1, 0, 0, "DOCS", "", u"파일 폴더"},
      {0, 0, 0, "README", "", u"파일"},
      {0, 0, 1, "A.EXE", "EXE", u"응용 프로그램"},
      {0, 0, 1, "A.C", "C", u"C 원본 파일"},
      {0, 0, 1, "A.PDB", "PDB", u"Intermediate 파일"},
      {0, 0, 1, "A.HWP", "HWP", u"아래아한글 문서"},
      {0, 0, 1, "A.exe", "exe", u"exe 파일"},  // compared as stored
      {0, 0, 1, "A.XYZ", "XYZ", u"XYZ 파일"},
  };
  for (const auto& c : cases) {
    FATDIRENTRY& e = Entry();
    e.directory = c.directory;
    e.volumeLabel = c.label;
    e.hasExtension = c.hasExt;
    std::strcpy(e.shortName, c.name);
    std::strcpy(e.extension, c.ext);
    EXPECT_EQ(GetFileTypeText(0), c.text) << c.name;
  }
  EXPECT_EQ(GetFileTypeText(1), u"");  // outside the array
}

TEST_F(OneEntry, UnknownExtensionGoesThroughTheBoundConverter) {
  FATDIRENTRY& e = Entry();
  e.hasExtension = 1;
  std::strcpy(e.extension, "QQ");
  SetAsciiToUnicodeConverter([](std::string_view) { return std::u16string(u"converted"); });
  EXPECT_EQ(GetFileTypeText(0), u"co 파일");  // cut to the extension's length
  SetAsciiToUnicodeConverter(nullptr);
  EXPECT_EQ(GetFileTypeText(0), u"QQ 파일");
}

TEST_F(OneEntry, DatesAndTwelveHourTimes) {
  const struct {
    int hour;
    const char16_t* time;
  } cases[] = {
      {0, u"오전 12:05:06"}, {1, u"오전 1:05:06"},  {11, u"오전 11:05:06"},
      {12, u"오후 12:05:06"}, {13, u"오후 1:05:06"}, {23, u"오후 11:05:06"},
  };
  for (const auto& c : cases) {
    FATDIRENTRY& e = Entry();
    e.modifyYear = 2024;
    e.modifyMonth = 3;
    e.modifyDay = 9;
    e.modifyHour = static_cast<std::uint16_t>(c.hour);
    e.modifyMinute = 5;
    e.modifySecond = 6;
    EXPECT_EQ(FormatFatDateTime(0), std::u16string(u"2024년 03월 09일 ") + c.time) << c.hour;
  }
  FATDIRENTRY& e = Entry();
  e.createYear = 2001;
  e.createMonth = 12;
  e.createDay = 31;
  e.createHour = 12;
  e.createMinute = 0;
  e.createSecond = 59;
  e.createHundredths = 7;
  EXPECT_EQ(FormatFatDateTimeMs(0), u"2001년 12월 31일 오후 12:00:59.07");
  EXPECT_EQ(FormatFatDate(0), u"0000년 00월 00일");  // a date word of zero
}

}  // namespace
