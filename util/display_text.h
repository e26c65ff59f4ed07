// Small text helpers of the display modules.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/message.h"
#include "platform/module_startup.h"
#include "util/util_exports.h"

namespace display_text {

// printf into UTF-16; the formats used here only produce ASCII.
template <class... Args>
std::u16string Format(const char* format, Args... args) {
  char buf[128];
  int n = std::snprintf(buf, sizeof buf, format, args...);
  if (n < 0 || static_cast<std::size_t>(n) >= sizeof buf) return {};
  return platform::FromUtf8(buf);
}

// The UTF-16 text of a field of `count` units at byte `offset` of a packed record, up to its first
// zero: read unit by unit, as the field need not be aligned.
inline std::u16string PackedText(const void* record, std::size_t offset, std::size_t count) {
  const auto* p = static_cast<const unsigned char*>(record) + offset;
  std::u16string text;
  for (std::size_t i = 0; i < count; ++i) {
    char16_t c;
    std::memcpy(&c, p + 2 * i, sizeof c);
    if (c == 0) break;
    text += c;
  }
  return text;
}

// The bytes of a fixed field up to its first zero, never past the field.
template <std::size_t N>
std::string FieldBytes(const char (&field)[N]) {
  std::size_t n = 0;
  while (n < N && field[n] != 0) ++n;
  return std::string(field, n);
}

// util's size and number texts, bound by each display module at its start-up.
struct UtilTexts {
  decltype(&::cvt_size_to_unit) cvtSizeToUnit = nullptr;
  decltype(&::add_comma) addComma = nullptr;

  std::vector<platform::ModuleImport> Imports() {
    return {platform::Import("util.dll", "cvt_size_to_unit", &cvtSizeToUnit),
            platform::Import("util.dll", "add_comma", &addComma)};
  }
};

inline const char16_t* const kDayNames[] = {u"SUN", u"MON", u"TUE", u"WED", u"THU", u"FRI", u"SAT"};
inline std::u16string DayName(unsigned day) { return day <= 6 ? kDayNames[day] : u"X"; }

}  // namespace display_text
