#include "platform/large_buffer.h"

#include <sys/mman.h>

#include <limits>

#include "platform/fault_plan.h"

namespace platform {

namespace {
constexpr std::size_t kLargePage = 2u << 20;
constexpr std::uintptr_t kPage = 4096;

// For a block of some megabytes, asks the system to back it with large pages where it offers
// them, so that filling it costs a fraction of the page faults. Advice only.
void AdviseLargePages(void* block, std::size_t bytes) {
  if (bytes < 2 * kLargePage) return;
  const auto start = (reinterpret_cast<std::uintptr_t>(block) + kPage - 1) & ~(kPage - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(kPage - 1);
  if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}
}  // namespace

void* AllocateLarge(std::size_t bytes, bool zeroed) {
  if (FaultPlan::AllocationFails()) return nullptr;
  if (bytes == 0) bytes = 1;
  void* block = zeroed ? std::calloc(bytes, 1) : std::malloc(bytes);
  if (block) AdviseLargePages(block, bytes);
  return block;
}

void* AllocateLargeArray(std::size_t count, std::size_t size) {
  if (size != 0 && count > std::numeric_limits<std::size_t>::max() / size) return nullptr;
  return AllocateLarge(count * size, true);
}

}  // namespace platform
