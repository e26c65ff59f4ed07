#include "platform/system_facts.h"

#include <unistd.h>

#include <vector>

#include "platform/file_ops.h"

namespace platform {
namespace {

// Far above what the kernel writes: /proc/cpuinfo of a machine of hundreds of processors is
// well under 1 MiB.
constexpr std::uint64_t kMaxKernelText = 4u << 20;

const char* PathOf(KernelText which) {
  switch (which) {
    case KernelText::kMemInfo: return "/proc/meminfo";
    case KernelText::kSelfStatus: return "/proc/self/status";
    case KernelText::kCpuInfo: return "/proc/cpuinfo";
    case KernelText::kMmapMinAddr: return "/proc/sys/vm/mmap_min_addr";
  }
  return "";
}

}  // namespace

std::string ReadKernelText(KernelText which) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(PathOf(which), &bytes, kMaxKernelText)) return {};
  return std::string(bytes.begin(), bytes.end());
}

std::int64_t ProcessId() { return static_cast<std::int64_t>(::getpid()); }

}  // namespace platform
