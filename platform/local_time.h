// Moments on the machine's local calendar: its time zone (TZ, else the system's), with its
// daylight rules and their history.
#pragma once

#include <cstdint>

namespace platform {

struct LocalTime {
  std::int64_t year = 0;  // 1601, 2024, ...
  int month = 0;          // 1 to 12
  int day = 0;            // 1 to 31
  int dayOfWeek = 0;      // 0 Sunday
  int hour = 0;
  int minute = 0;
  int second = 0;  // 60 in a leap second
};

// `unixSeconds` (UTC seconds since 1970-01-01) as local time; false when the C library cannot
// convert it.
bool ToLocalTime(std::int64_t unixSeconds, LocalTime* out);

}  // namespace platform
