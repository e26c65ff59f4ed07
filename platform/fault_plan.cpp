#include "platform/fault_plan.h"

#include <atomic>

namespace platform {
namespace {

// Each fault is armed by its flag; the value beside it is read only while the flag is set.
std::atomic<bool> g_readArmed{false};
std::atomic<std::uint64_t> g_readOffset{0};
std::atomic<std::uint64_t> g_failedReads{0};
std::atomic<bool> g_writeArmed{false};
std::atomic<std::uint64_t> g_writeAfter{0};
std::atomic<bool> g_allocArmed{false};
std::atomic<bool> g_scanArmed{false};
std::atomic<bool> g_fileReadArmed{false};

bool TakeOnce(std::atomic<bool>& armed) {
  if (!armed.load(std::memory_order_relaxed)) return false;
  bool expected = true;
  return armed.compare_exchange_strong(expected, false);
}

}  // namespace

void FaultPlan::FailReadAt(std::uint64_t offset) {
  g_readOffset = offset;
  g_readArmed = true;
}

void FaultPlan::FailOutputWriteAfter(std::uint64_t bytes) {
  g_writeAfter = bytes;
  g_writeArmed = true;
}

void FaultPlan::FailNextLargeAllocation() { g_allocArmed = true; }

void FaultPlan::FailFolderScans() { g_scanArmed = true; }

void FaultPlan::FailNextFileRead() { g_fileReadArmed = true; }

void FaultPlan::Clear() {
  g_readArmed = false;
  g_writeArmed = false;
  g_allocArmed = false;
  g_scanArmed = false;
  g_fileReadArmed = false;
  g_failedReads = 0;
}

std::uint64_t FaultPlan::FailedReads() { return g_failedReads.load(); }

bool FaultPlan::ReadFails(std::uint64_t offset, std::size_t length) {
  if (!g_readArmed.load(std::memory_order_relaxed)) return false;
  const std::uint64_t bad = g_readOffset.load();
  if (bad < offset || bad - offset >= length) return false;
  ++g_failedReads;
  return true;
}

bool FaultPlan::OutputWriteFails(std::uint64_t writtenBefore, std::size_t length) {
  if (!g_writeArmed.load(std::memory_order_relaxed)) return false;
  const std::uint64_t after = g_writeAfter.load();
  if (writtenBefore + length <= after) return false;
  bool expected = true;
  return g_writeArmed.compare_exchange_strong(expected, false);
}

bool FaultPlan::AllocationFails() { return TakeOnce(g_allocArmed); }

bool FaultPlan::FolderScanFails() { return g_scanArmed.load(std::memory_order_relaxed); }

bool FaultPlan::FileReadFails() { return TakeOnce(g_fileReadArmed); }

}  // namespace platform
