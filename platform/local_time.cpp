#include "platform/local_time.h"

#include <ctime>

namespace platform {

bool ToLocalTime(std::int64_t unixSeconds, LocalTime* out) {
  const auto t = static_cast<std::time_t>(unixSeconds);
  std::tm local{};
  if (!localtime_r(&t, &local)) return false;
  out->year = local.tm_year + 1900LL;
  out->month = local.tm_mon + 1;
  out->day = local.tm_mday;
  out->dayOfWeek = local.tm_wday;
  out->hour = local.tm_hour;
  out->minute = local.tm_min;
  out->second = local.tm_sec;
  return true;
}

}  // namespace platform
