#include "platform/fault_guard.h"

#include <gtest/gtest.h>

#include <csignal>
#include <stdexcept>
#include <thread>

namespace {

volatile int g_zero = 0;
volatile int* volatile g_null = nullptr;
volatile bool g_stopRecursion = false;

// Real faults; the sanitizers must let them happen, so the handler sees them.
__attribute__((noinline, no_sanitize("undefined"))) void StoreThroughNull() { *g_null = 1; }
__attribute__((noinline, no_sanitize("undefined"))) void DivideByZero() { g_zero = 7 / g_zero; }
__attribute__((noinline)) int Recurse(int depth) {
  volatile char frame[512];
  frame[0] = static_cast<char>(depth);
  if (g_stopRecursion) return frame[0];
  return Recurse(depth + 1) + frame[0];  // not a tail call
}

TEST(FaultGuard, FaultsEndTheCallWithTheirRecord) {
  ASSERT_TRUE(platform::PrepareFaultHandling());
  struct Row {
    const char* what;
    void (*fn)();
    std::uint32_t code;
    int signalNumber;
  };
  const Row rows[] = {
      {"null store", StoreThroughNull, 0xC0000005u, SIGSEGV},
      {"division by zero", DivideByZero, 0xC0000094u, SIGFPE},
      {"null store again", StoreThroughNull, 0xC0000005u, SIGSEGV},  // the handler stays usable
  };
  for (const Row& r : rows) {
    platform::FaultRecord record;
    EXPECT_FALSE(platform::RunGuarded([&] { r.fn(); }, &record)) << r.what;
    EXPECT_EQ(record.code, r.code) << r.what;
    EXPECT_EQ(record.signalNumber, r.signalNumber) << r.what;
    EXPECT_NE(record.address, 0u) << r.what;
  }
}

TEST(FaultGuard, ReturnsExceptionsAndNestedFaults) {
  ASSERT_TRUE(platform::PrepareFaultHandling());
  platform::FaultRecord record;
  bool ran = false;
  EXPECT_TRUE(platform::RunGuarded([&] { ran = true; }, &record));
  EXPECT_TRUE(ran);
  EXPECT_EQ(record.code, 0u);
  // The inner call takes its own fault; the outer one sees a normal return.
  platform::FaultRecord inner;
  bool innerFaulted = false;
  EXPECT_TRUE(platform::RunGuarded([&] { innerFaulted = !platform::RunGuarded(DivideByZero, &inner); }, &record));
  EXPECT_TRUE(innerFaulted);
  EXPECT_EQ(inner.code, 0xC0000094u);
  // Exceptions pass through, and a later fault is still caught by the right call.
  EXPECT_THROW(platform::RunGuarded([] { throw std::runtime_error("x"); }, &record), std::runtime_error);
  EXPECT_FALSE(platform::RunGuarded(StoreThroughNull, &record));
}

TEST(FaultGuard, AStackOverflowOnAWorkerIsCaughtOnItsOwnStack) {
  platform::FaultRecord record;
  bool finished = true;
  std::thread worker([&] {
    ASSERT_TRUE(platform::PrepareFaultHandling());
    finished = platform::RunGuarded([] { Recurse(0); }, &record);
    // The thread's stack is whole again.
    g_stopRecursion = true;
    EXPECT_TRUE(platform::RunGuarded([] { Recurse(0); }, nullptr));
    g_stopRecursion = false;
  });
  worker.join();
  EXPECT_FALSE(finished);
  EXPECT_EQ(record.code, 0xC00000FDu);
  EXPECT_EQ(record.signalNumber, SIGSEGV);
}

TEST(FaultGuardDeathTest, AFaultOutsideEveryGuardedCallEndsTheProcess) {
  ASSERT_TRUE(platform::PrepareFaultHandling());
  EXPECT_EXIT(StoreThroughNull(), ::testing::KilledBySignal(SIGSEGV), "");
}

}  // namespace
