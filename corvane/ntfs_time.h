// NTFS times (100-ns ticks since 1601-01-01 UTC) to the suite's local calendar time, which is
// UTC + 9 hours with full calendar carry. Header-only, so the display module uses it without
// linking the engine.
#pragma once

#include <cstdint>

#include "corvane/ntfs_records.h"

namespace ntfstime {

inline constexpr std::uint64_t kTicksPerSecond = 10000000;
inline constexpr std::uint64_t kLocalOffsetTicks = 9ull * 3600 * kTicksPerSecond;

// False when the time lies past the last year a SYSTEMTIME holds.
inline bool ToLocalSystemTime(std::uint64_t fileTime, SYSTEMTIME* out) {
  if (fileTime >= (1ull << 63) - kLocalOffsetTicks) return false;
  const std::uint64_t t = fileTime + kLocalOffsetTicks;
  const std::uint64_t totalSeconds = t / kTicksPerSecond;
  const std::int64_t days = static_cast<std::int64_t>(totalSeconds / 86400);  // since 1601-01-01
  const std::uint64_t secs = totalSeconds % 86400;
  // Civil date from days since 1970-01-01 (Gregorian, proleptic); 1601-01-01 is day -134774.
  const std::int64_t z = days - 134774 + 719468;
  const std::int64_t era = z / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  if (year > 30827) return false;
  out->wYear = static_cast<std::uint16_t>(year);
  out->wMonth = static_cast<std::uint16_t>(month);
  out->wDay = static_cast<std::uint16_t>(day);
  out->wDayOfWeek = static_cast<std::uint16_t>((days + 1) % 7);  // 1601-01-01 was a Monday
  out->wHour = static_cast<std::uint16_t>(secs / 3600);
  out->wMinute = static_cast<std::uint16_t>(secs / 60 % 60);
  out->wSecond = static_cast<std::uint16_t>(secs % 60);
  out->wMilliseconds = static_cast<std::uint16_t>(t % kTicksPerSecond / 10000);
  return true;
}

}  // namespace ntfstime
