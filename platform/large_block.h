// Large zero-filled blocks for arrays that are written once, front to back.
#pragma once

#include <cstddef>

namespace platform {

// calloc(count, size), and for a block of some megabytes a request that the system back it
// with large pages where it offers them, so that filling it costs a fraction of the page
// faults. Released with free(); null when the block cannot be had.
void* AllocZeroedLarge(std::size_t count, std::size_t size);

}  // namespace platform
