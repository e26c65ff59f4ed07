// How many processors the system has and which of them this process may run on.
#pragma once

#include <cstdint>

namespace platform {

// Processors the system has online; 0 when it does not say.
std::uint32_t OnlineProcessorCount();

// Processors this process may run on (its affinity mask), so a process confined by taskset or a
// container counts only what it has; the online count when the mask cannot be read, never below 1.
int UsableProcessorCount();

// The affinity mask of this process as bits, processors 0 to 63; 0 when it cannot be read.
std::uint64_t ProcessorAffinityMask();

// The size of a memory page in bytes; 0 when the system does not say.
std::uint32_t MemoryPageSize();

}  // namespace platform
