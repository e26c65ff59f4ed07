// Timing, the process's resident size and the figure-beside-bound lines every benchmark prints;
// no Qt and no engine, so that any benchmark can use it.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/system_facts.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The best (smallest) of `runs` figures from f; -1 as soon as one is negative (it failed).
template <typename F>
double Best(int runs, F f) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const double t = f();
    if (t < 0) return -1;
    best = std::min(best, t);
  }
  return best;
}

// This process's resident size in bytes, as the kernel tells it (VmRSS); 0 when it does not.
inline std::uint64_t ResidentBytes() {
  const std::string status = platform::ReadKernelText(platform::KernelText::kSelfStatus);
  const std::size_t at = status.find("VmRSS:");
  return at == std::string::npos ? 0 : std::strtoull(status.c_str() + at + 6, nullptr, 10) * 1024;
}

namespace detail {

inline bool Line(const char* what, double value, const char* relation, double bound, const char* unit, int decimals,
                 bool ok) {
  std::printf("%-44s %10.*f %-7s bound %s%10.*f %-7s %s\n", what, decimals, value, unit, relation, decimals, bound,
              unit, ok ? "ok" : "MISS");
  std::fflush(stdout);
  return ok;
}

}  // namespace detail

// Prints a figure beside its bound, which it must not exceed; a negative figure (one that could
// not be taken) is a miss. True when the bound is met.
inline bool Report(const char* what, double value, double bound, const char* unit, int decimals = 3) {
  return detail::Line(what, value, "", bound, unit, decimals, value >= 0 && value <= bound);
}

// As Report, for a figure that must reach its bound (a rate).
inline bool ReportAtLeast(const char* what, double value, double bound, const char* unit, int decimals = 3) {
  return detail::Line(what, value, ">= ", bound, unit, decimals, value >= 0 && value >= bound);
}

}  // namespace bench
