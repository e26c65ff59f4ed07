// The utility module: text routines shared by the program and the display and scan modules.
// Stateless; every export may be called from any thread.
#include <cstdio>
#include <string>

#include "platform/codepage.h"
#include "platform/message.h"
#include "util/util_exports.h"
#include "ver/version_forwarder.h"

namespace {

ModuleVersion g_version("util.dll");

// Created at load, after the version record it binds the agent into.
class CutilApp {
 public:
  CutilApp() { InitInstance(); }
  int InitInstance() {
    g_version.StartWithAgentOnly(-1);
    return 1;
  }
} theApp;

std::u16string PrintNoDecimals(double value) {
  char buf[512];  // "%.0f" of the largest double has 309 digits
  int n = std::snprintf(buf, sizeof buf, "%.0f", value);
  if (n < 0 || static_cast<std::size_t>(n) >= sizeof buf) return {};
  return platform::FromUtf8(buf);
}

}  // namespace

extern "C" {

std::u16string add_comma(std::u16string digits) {
  if (digits.empty()) return u"0";
  std::u16string sign;
  if (digits.size() > 1 && digits.front() == u'-') {
    sign = u"-";
    digits.erase(0, 1);
  }
  std::u16string out;
  out.reserve(sign.size() + digits.size() + digits.size() / 3);
  out += sign;
  const std::size_t n = digits.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += u',';
    out += digits[i];
  }
  return out;
}

std::u16string cvt_size_to_unit(double size, int base, int two_decimals, int no_unit, int unit_only) {
  static const char16_t* const kUnits[] = {u"KB", u"MB", u"GB", u"TB", u"PB", u"EB", u"ZB", u"YB"};
  const double step = base == 10 ? 1000.0 : 1024.0;
  if (size < step) {
    if (unit_only == 1) return u"B";
    std::u16string number = add_comma(PrintNoDecimals(size));
    return no_unit == 1 ? number : number + u"B";
  }
  std::size_t k = 0;  // kUnits[k] is unit k + 1
  double scaled = size / step;
  while (k + 1 < std::size(kUnits) && scaled >= step) {
    scaled /= step;
    ++k;
  }
  if (unit_only == 1) return kUnits[k];
  std::u16string number;
  if (two_decimals == 1) {
    char buf[512];
    int n = std::snprintf(buf, sizeof buf, "%.2f", scaled);
    if (n > 0 && static_cast<std::size_t>(n) < sizeof buf) number = platform::FromUtf8(buf);
  } else {
    number = PrintNoDecimals(scaled);
  }
  return no_unit == 1 ? number : number + kUnits[k];
}

std::u16string get_unicode_of_ascii(const char* text, unsigned) {
  if (!text) return {};
  return platform::AnsiToUtf16(text) + u"\n";
}

std::u16string get_msdos_name(const char* text) {
  if (!text) return {};
  return platform::AnsiToUtf16(text);
}

int comp_num(unsigned a, unsigned b) { return a < b ? -1 : (a > b ? 1 : 0); }

int cvt_chs_to_lba() { return 0; }

std::int64_t read_runtime_module_version_util(int a) { return g_version.Forward(a); }

}
