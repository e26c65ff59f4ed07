#include "platform/large_block.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace platform {

namespace {
constexpr std::size_t kLargePage = 2u << 20;
constexpr std::uintptr_t kPage = 4096;
}  // namespace

void* AllocZeroedLarge(std::size_t count, std::size_t size) {
  void* block = std::calloc(count, size);
  if (!block || count * size < 2 * kLargePage) return block;
  // Advice only: the block is usable whether or not the system takes it.
  const auto start = (reinterpret_cast<std::uintptr_t>(block) + kPage - 1) & ~(kPage - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(block) + count * size) & ~(kPage - 1);
  if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
  return block;
}

}  // namespace platform
