// NTFS times (100-ns ticks since 1601-01-01 UTC) to the machine's local calendar time: the C
// library's time zone (TZ, else the system's), with its daylight rules and its history. Header-
// only, so the display module uses it without linking the engine.
#pragma once

#include <cstdint>
#include <ctime>

#include "corvane/ntfs_records.h"

namespace ntfstime {

inline constexpr std::uint64_t kTicksPerSecond = 10000000;
// 1970-01-01 00:00 UTC in seconds since 1601-01-01.
inline constexpr std::int64_t kUnixEpochSeconds = 11644473600LL;

// False when the time is no valid file time (2^63 ticks or more) or lies past the last year a
// SYSTEMTIME holds.
inline bool ToLocalSystemTime(std::uint64_t fileTime, SYSTEMTIME* out) {
  if (fileTime >= (1ull << 63)) return false;
  const auto seconds = static_cast<std::int64_t>(fileTime / kTicksPerSecond);
  const auto unixSeconds = static_cast<std::time_t>(seconds - kUnixEpochSeconds);
  std::tm local{};
  if (!localtime_r(&unixSeconds, &local)) return false;
  const long long year = local.tm_year + 1900LL;
  if (year < 1 || year > 30827) return false;
  out->wYear = static_cast<std::uint16_t>(year);
  out->wMonth = static_cast<std::uint16_t>(local.tm_mon + 1);
  out->wDay = static_cast<std::uint16_t>(local.tm_mday);
  out->wDayOfWeek = static_cast<std::uint16_t>(local.tm_wday);  // 0 Sunday
  out->wHour = static_cast<std::uint16_t>(local.tm_hour);
  out->wMinute = static_cast<std::uint16_t>(local.tm_min);
  // A leap second (60) shows as the last second of its minute.
  out->wSecond = static_cast<std::uint16_t>(local.tm_sec > 59 ? 59 : local.tm_sec);
  out->wMilliseconds = static_cast<std::uint16_t>(fileTime % kTicksPerSecond / 10000);
  return true;
}

}  // namespace ntfstime
