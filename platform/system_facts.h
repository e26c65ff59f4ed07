// What the kernel tells of the machine and of this process, beside the processor counts of
// platform/processors.h.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The kernel's texts about memory and processors.
enum class KernelText {
  kMemInfo,      // /proc/meminfo
  kSelfStatus,   // /proc/self/status
  kCpuInfo,      // /proc/cpuinfo
  kMmapMinAddr,  // /proc/sys/vm/mmap_min_addr
};

// The whole text; empty when it cannot be read.
std::string ReadKernelText(KernelText which);

// This process's id.
std::int64_t ProcessId();

}  // namespace platform
