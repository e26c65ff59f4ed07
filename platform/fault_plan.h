// Faults that tests inject into the platform layer: a volume read that fails at a given byte, an
// output write that fails, a large allocation that fails, folder scans and file reads that fail. Nothing arms them outside tests.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

class FaultPlan {
 public:
  // Every volume read whose bytes include `offset` (counted from the start of the handle's
  // range) fails until the plan is cleared: a bad spot on the disk.
  static void FailReadAt(std::uint64_t offset);
  // The next output write that would carry a file past `bytes` bytes fails, once.
  static void FailOutputWriteAfter(std::uint64_t bytes);
  static void FailNextOutputWrite() { FailOutputWriteAfter(0); }
  // The next large allocation fails, once.
  static void FailNextLargeAllocation();
  // Every folder scan fails (EIO) until the plan is cleared.
  static void FailFolderScans();
  // The next file read (platform::ReadWholeFile or ReadFileLines) fails, once.
  static void FailNextFileRead();
  static void Clear();

  // Reads refused by the plan since it was last cleared.
  static std::uint64_t FailedReads();

  // Asked by the layer itself.
  static bool ReadFails(std::uint64_t offset, std::size_t length);
  static bool OutputWriteFails(std::uint64_t writtenBefore, std::size_t length);
  static bool AllocationFails();
  static bool FolderScanFails();
  static bool FileReadFails();
};

// Clears the plan when it goes out of scope.
class ScopedFaultPlan {
 public:
  ScopedFaultPlan() { FaultPlan::Clear(); }
  ~ScopedFaultPlan() { FaultPlan::Clear(); }
  ScopedFaultPlan(const ScopedFaultPlan&) = delete;
  ScopedFaultPlan& operator=(const ScopedFaultPlan&) = delete;
};

}  // namespace platform
