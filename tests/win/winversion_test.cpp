#include "win/winversion.h"

#include <gtest/gtest.h>

#include "platform/message.h"
#include "platform/os_version.h"

namespace {

TEST(WinVersion, CodesAndNamesOfTheWindowsFamilies) {
  struct Case {
    WINVERSIONINFO v;
    int code;
    const char* name;
  } cases[] = {
      {{0, 3, 10, 0, 0, "", ""}, 0, "Windows 3.1 (WIN32s)"},
      {{1, 4, 0, 950, 0, "", ""}, 2, "Windows 95 (4.0.950)"},
      {{1, 4, 0, 1111, 0, "", ""}, 4, "Windows 95 OSR2 (4.0.1111)"},
      {{1, 4, 10, 2222, 0, "A ", ""}, 5, "Windows 98 Second Edition A (4.10.2222)"},
      {{1, 4, 90, 3000, 0, "", ""}, 7, "Windows Millenium (4.90.3000)"},
      {{1, 5, 0, 0, 0, "", ""}, 30, "Windows 95 (5.0.0)"},
      {{2, 3, 10, 511, 0, "", ""}, 10, "Windows NT (3.10.511) "},
      {{2, 3, 51, 1057, 0, "", ""}, 11, "Windows NT (3.51.1057) "},
      {{2, 4, 0, 1381, 6, "", ""}, 12, "Windows NT  SP6 (4.0.1381) "},
      {{2, 5, 0, 2195, 0, "", ""}, 15, "Windows 2000 (5.0.2195) "},
      {{2, 5, 1, 2600, 3, "", ""}, 16, "Windows XP  SP3 (5.1.2600) "},
      {{2, 6, 0, 6000, 0, "", ""}, 10, "Windows Vista or Server 2008 (6.0.6000) "},
      {{2, 6, 1, 7601, 0, "", ""}, 10, "Windows 7 or Server 2008 R2 (6.1.7601) "},
      {{2, 10, 0, 19045, 0, "", ""}, 10, "Windows NT (10.0.19045) "},
      {{3, 1, 0, 0, 0, "", ""}, 30, "Unknown OS"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CWinVersionCheck::VersionCodeOf(true, c.v), c.code) << c.name;
    EXPECT_EQ(CWinVersionCheck::VersionStringOf(true, c.v), c.name);
  }
  WINVERSIONINFO any{};
  EXPECT_EQ(CWinVersionCheck::VersionCodeOf(false, any), 30);
  EXPECT_EQ(CWinVersionCheck::PlatformIdOf(false, any), 30);
  EXPECT_EQ(CWinVersionCheck::VersionStringOf(false, any), "Unknown OS");
}

TEST(WinVersion, ThisSystemIsOfTheNtFamilyAndNamesItsKernel) {
  CWinVersionCheck check;
  EXPECT_EQ(check.GetPlatformId(), 2);
  auto os = platform::QueryOsVersion();
  ASSERT_TRUE(os.ok);
  std::string text = platform::ToUtf8(check.GetVersionString());
  EXPECT_NE(text.find(os.release), std::string::npos) << text;
  EXPECT_EQ(check.GetVersionCode(), os.major == 3 ? (os.minor >= 51 ? 11 : 10)
                                    : os.major == 4 ? 12
                                    : os.major == 5 ? (os.minor == 0 ? 15 : 16)
                                                    : 10);
}

}  // namespace
