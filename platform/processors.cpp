#include "platform/processors.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>

namespace platform {

std::uint32_t OnlineProcessorCount() {
  const long n = sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<std::uint32_t>(n) : 0;
}

int UsableProcessorCount() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof(set), &set) == 0) {
    const int n = CPU_COUNT(&set);
    if (n > 0) return n;
  }
  return std::max<int>(1, static_cast<int>(OnlineProcessorCount()));
}

std::uint64_t ProcessorAffinityMask() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof(set), &set) != 0) return 0;
  std::uint64_t mask = 0;
  for (int cpu = 0; cpu < 64; ++cpu)
    if (CPU_ISSET(cpu, &set)) mask |= std::uint64_t{1} << cpu;
  return mask;
}

std::uint32_t MemoryPageSize() {
  const long page = sysconf(_SC_PAGESIZE);
  return page > 0 ? static_cast<std::uint32_t>(page) : 0;
}

}  // namespace platform
