// Small text helpers of the display modules.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "platform/message.h"

namespace display_text {

// printf into UTF-16; the formats used here only produce ASCII.
template <class... Args>
std::u16string Format(const char* format, Args... args) {
  char buf[128];
  int n = std::snprintf(buf, sizeof buf, format, args...);
  if (n < 0 || static_cast<std::size_t>(n) >= sizeof buf) return {};
  return platform::FromUtf8(buf);
}

// The UTF-16 text of a fixed field up to its first zero, never past the field.
template <std::size_t N>
std::u16string FieldText(const char16_t (&field)[N]) {
  std::size_t n = 0;
  while (n < N && field[n] != 0) ++n;
  return std::u16string(field, n);
}

// The bytes of a fixed field up to its first zero, never past the field.
template <std::size_t N>
std::string FieldBytes(const char (&field)[N]) {
  std::size_t n = 0;
  while (n < N && field[n] != 0) ++n;
  return std::string(field, n);
}

inline const char16_t* const kDayNames[] = {u"SUN", u"MON", u"TUE", u"WED", u"THU", u"FRI", u"SAT"};
inline std::u16string DayName(unsigned day) { return day <= 6 ? kDayNames[day] : u"X"; }

}  // namespace display_text
