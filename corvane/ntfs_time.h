// NTFS times (100-ns ticks since 1601-01-01 UTC) to the machine's local calendar time (see
// platform/local_time.h). Header-only, so the display module uses it without linking the engine.
#pragma once

#include <cstdint>

#include "corvane/ntfs_records.h"
#include "platform/local_time.h"

namespace ntfstime {

inline constexpr std::uint64_t kTicksPerSecond = 10000000;
// 1970-01-01 00:00 UTC in seconds since 1601-01-01.
inline constexpr std::int64_t kUnixEpochSeconds = 11644473600LL;

// False when the time is no valid file time (2^63 ticks or more) or lies past the last year a
// SYSTEMTIME holds.
inline bool ToLocalSystemTime(std::uint64_t fileTime, SYSTEMTIME* out) {
  if (fileTime >= (1ull << 63)) return false;
  const auto seconds = static_cast<std::int64_t>(fileTime / kTicksPerSecond);
  platform::LocalTime local;
  if (!platform::ToLocalTime(seconds - kUnixEpochSeconds, &local)) return false;
  if (local.year < 1 || local.year > 30827) return false;
  out->wYear = static_cast<std::uint16_t>(local.year);
  out->wMonth = static_cast<std::uint16_t>(local.month);
  out->wDay = static_cast<std::uint16_t>(local.day);
  out->wDayOfWeek = static_cast<std::uint16_t>(local.dayOfWeek);  // 0 Sunday
  out->wHour = static_cast<std::uint16_t>(local.hour);
  out->wMinute = static_cast<std::uint16_t>(local.minute);
  // A leap second (60) shows as the last second of its minute.
  out->wSecond = static_cast<std::uint16_t>(local.second > 59 ? 59 : local.second);
  out->wMilliseconds = static_cast<std::uint16_t>(fileTime % kTicksPerSecond / 10000);
  return true;
}

}  // namespace ntfstime
