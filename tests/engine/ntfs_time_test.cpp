// NTFS times shown in the machine's time zone, with its daylight rules.
#include "corvane/ntfs_time.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>

#include "corvane/ntfs_search.h"
#include "tests/support/time_zone.h"

namespace {

// FILETIME of a UTC date and time.
std::uint64_t FileTime(int y, int m, int d, int hh, int mm, int ss = 0) {
  std::tm t{};
  t.tm_year = y - 1900;
  t.tm_mon = m - 1;
  t.tm_mday = d;
  t.tm_hour = hh;
  t.tm_min = mm;
  t.tm_sec = ss;
  return static_cast<std::uint64_t>(timegm(&t) + 11644473600LL) * 10000000ull;
}

struct Local {
  int y, m, d, hh, mm, ss, weekday;
};

struct Case {
  const char* zone;
  int y, m, d, hh, mm, ss;  // UTC
  Local local;
};

TEST(NtfsTime, TheMachinesZoneWithItsDaylightRules) {
  const Case cases[] = {
      // Seoul time: UTC + 9 hours, the day carried.
      {"Asia/Seoul", 2023, 12, 31, 20, 30, 0, {2024, 1, 1, 5, 30, 0, 1}},
      {"Asia/Seoul", 2024, 2, 28, 16, 0, 0, {2024, 2, 29, 1, 0, 0, 4}},
      {"Asia/Seoul", 2100, 2, 28, 23, 0, 0, {2100, 3, 1, 8, 0, 0, 1}},
      // UTC: the stored moment as it is.
      {"UTC", 2023, 12, 31, 20, 30, 15, {2023, 12, 31, 20, 30, 15, 0}},
      {"UTC", 1601, 1, 1, 0, 0, 0, {1601, 1, 1, 0, 0, 0, 1}},
      // New York: standard time (UTC - 5) until 2024-03-10 07:00 UTC, then daylight time (UTC - 4)
      // until 2024-11-03 06:00 UTC.
      {"America/New_York", 2024, 3, 10, 6, 59, 59, {2024, 3, 10, 1, 59, 59, 0}},
      {"America/New_York", 2024, 3, 10, 7, 0, 0, {2024, 3, 10, 3, 0, 0, 0}},
      {"America/New_York", 2024, 7, 4, 16, 0, 0, {2024, 7, 4, 12, 0, 0, 4}},
      {"America/New_York", 2024, 11, 3, 5, 30, 0, {2024, 11, 3, 1, 30, 0, 0}},  // first 01:30 (EDT)
      {"America/New_York", 2024, 11, 3, 6, 30, 0, {2024, 11, 3, 1, 30, 0, 0}},  // second 01:30 (EST)
      {"America/New_York", 2024, 1, 1, 3, 0, 0, {2023, 12, 31, 22, 0, 0, 0}},   // the year carried back
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.zone << " " << c.y << "-" << c.m << "-" << c.d << " " << c.hh << ":"
                                    << c.mm);
    const testing_support::ScopedTimeZone zone(c.zone);
    SYSTEMTIME st{};
    ASSERT_TRUE(FileTimeToLocalSystemTime(FileTime(c.y, c.m, c.d, c.hh, c.mm, c.ss) + 1234567, &st));
    EXPECT_EQ(st.wYear, c.local.y);
    EXPECT_EQ(st.wMonth, c.local.m);
    EXPECT_EQ(st.wDay, c.local.d);
    EXPECT_EQ(st.wHour, c.local.hh);
    EXPECT_EQ(st.wMinute, c.local.mm);
    EXPECT_EQ(st.wSecond, c.local.ss);
    EXPECT_EQ(st.wDayOfWeek, c.local.weekday);
    EXPECT_EQ(st.wMilliseconds, 123);  // the ticks below the second are kept
  }
}

// One moment shows the same wall-clock time as a FAT time stored in the same zone would: the
// offset is the zone's at that moment, not a fixed one.
TEST(NtfsTime, TheSameMomentInEveryZoneDiffersByTheZonesOffset) {
  const std::uint64_t t = FileTime(2024, 7, 1, 12, 0);
  struct Zone {
    const char* name;
    int hour;
  };
  for (const Zone& z : {Zone{"Asia/Seoul", 21}, Zone{"UTC", 12}, Zone{"America/New_York", 8}}) {
    const testing_support::ScopedTimeZone zone(z.name);
    SYSTEMTIME st{};
    ASSERT_TRUE(ntfstime::ToLocalSystemTime(t, &st));
    EXPECT_EQ(st.wHour, z.hour) << z.name;
  }
}

TEST(NtfsTime, TimesPastWhatASystemTimeHoldsAreRefused) {
  const testing_support::ScopedTimeZone zone("UTC");
  SYSTEMTIME st{};
  EXPECT_FALSE(ntfstime::ToLocalSystemTime(~0ull, &st));
  EXPECT_FALSE(ntfstime::ToLocalSystemTime(1ull << 63, &st));
  EXPECT_FALSE(ntfstime::ToLocalSystemTime((1ull << 63) - 1, &st));  // in the year 30828
  ASSERT_TRUE(ntfstime::ToLocalSystemTime(FileTime(30827, 12, 31, 23, 59), &st));
  EXPECT_EQ(st.wYear, 30827);
}

}  // namespace
