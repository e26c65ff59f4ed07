#include "platform/large_buffer.h"

#include <sys/mman.h>

#include <cstring>
#include <limits>

#include "platform/fault_plan.h"

namespace platform {

namespace {
constexpr std::size_t kLargePage = 2u << 20;

// From this size on a block starts on a large-page boundary and fills whole large pages, which
// the system is asked to use where it offers them: filling such a block costs one page fault
// for each 2 MiB instead of one for each 4 KiB, and page faults are what filling fresh memory
// costs most (in a virtual machine a fault costs some microseconds).
constexpr std::size_t kPagedBlock = kLargePage / 2;

void* AllocatePaged(std::size_t bytes, bool zeroed) {
  if (bytes > std::numeric_limits<std::size_t>::max() - kLargePage) return nullptr;
  const std::size_t size = (bytes + kLargePage - 1) / kLargePage * kLargePage;
  void* block = nullptr;
  if (posix_memalign(&block, kLargePage, size) != 0) return nullptr;
  // Pages given back read as zeros when next touched: the block is zero-filled by the system as
  // it is filled, not by a pass over it here (and a block the allocator hands out again is
  // zero-filled all the same).
  if (zeroed && madvise(block, size, MADV_DONTNEED) != 0) std::memset(block, 0, size);
  madvise(block, size, MADV_HUGEPAGE);  // advice only
  return block;
}
}  // namespace

void PagesDeleter::operator()(std::uint8_t* block) const {
  if (block) munmap(block, bytes);
}

PageBlock MapPages(std::size_t bytes) {
  if (bytes == 0 || bytes > std::numeric_limits<std::size_t>::max() - 2 * kLargePage) return PageBlock(nullptr, {});
  const std::size_t size = (bytes + kLargePage - 1) / kLargePage * kLargePage;
  // Mapped with a large page's room to spare, then cut to a large-page boundary.
  void* mapped = mmap(nullptr, size + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return PageBlock(nullptr, {});
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (start + kLargePage - 1) & ~std::uintptr_t{kLargePage - 1};
  if (aligned > start) munmap(mapped, aligned - start);
  const std::size_t after = kLargePage - (aligned - start);
  if (after > 0) munmap(reinterpret_cast<void*>(aligned + size), after);
  auto* block = reinterpret_cast<std::uint8_t*>(aligned);
  madvise(block, size, MADV_HUGEPAGE);  // advice only
  return PageBlock(block, PagesDeleter{size});
}

void* AllocateLarge(std::size_t bytes, bool zeroed) {
  if (FaultPlan::AllocationFails()) return nullptr;
  if (bytes >= kPagedBlock) return AllocatePaged(bytes, zeroed);
  if (bytes == 0) bytes = 1;
  return zeroed ? std::calloc(bytes, 1) : std::malloc(bytes);
}

void* AllocateLargeArray(std::size_t count, std::size_t size) {
  if (size != 0 && count > std::numeric_limits<std::size_t>::max() / size) return nullptr;
  return AllocateLarge(count * size, true);
}

}  // namespace platform
