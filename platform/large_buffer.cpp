#include "platform/large_buffer.h"

#include "platform/fault_plan.h"

namespace platform {

void* AllocateLarge(std::size_t bytes, bool zeroed) {
  if (FaultPlan::AllocationFails()) return nullptr;
  if (bytes == 0) bytes = 1;
  return zeroed ? std::calloc(bytes, 1) : std::malloc(bytes);
}

}  // namespace platform
