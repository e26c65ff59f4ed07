// Large engine buffers (allocation tables, copy buffers): allocated without throwing, so a
// failure reaches the caller's "out of memory" path, and failable on purpose by the fault plan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace platform {

// A block of `bytes` bytes (zero-filled when asked), released with std::free; null on failure.
// A block of 1 MiB or more starts on a 2 MiB boundary and takes whole 2 MiB pages where the
// system offers them, so that filling it costs few page faults.
void* AllocateLarge(std::size_t bytes, bool zeroed = true);
// A zero-filled array of count elements of size bytes; null on failure or when the size overflows.
void* AllocateLargeArray(std::size_t count, std::size_t size);

// A zero-filled block of pages of its own, outside the heap, in whole 2 MiB pages where the
// system offers them: for a working block made and given back within one job, which as a heap
// block would move the allocator's thresholds for every later allocation. Null on failure.
struct PagesDeleter {
  std::size_t bytes = 0;
  void operator()(std::uint8_t* block) const;
};
using PageBlock = std::unique_ptr<std::uint8_t[], PagesDeleter>;
PageBlock MapPages(std::size_t bytes);

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
using LargeBuffer = std::unique_ptr<std::uint8_t[], FreeDeleter>;

inline LargeBuffer NewLargeBuffer(std::size_t bytes, bool zeroed = true) {
  return LargeBuffer(static_cast<std::uint8_t*>(AllocateLarge(bytes, zeroed)));
}

}  // namespace platform
