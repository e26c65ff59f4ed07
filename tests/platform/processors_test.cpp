#include "platform/processors.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>

namespace {

TEST(Processors, UsableCountFollowsTheAffinityMask) {
  const int usable = platform::UsableProcessorCount();
  EXPECT_GE(usable, 1);
  EXPECT_LE(static_cast<std::uint32_t>(usable), platform::OnlineProcessorCount());
  const std::uint64_t mask = platform::ProcessorAffinityMask();
  if (platform::OnlineProcessorCount() <= 64) {
    EXPECT_EQ(std::popcount(mask), usable);
  }
  EXPECT_GT(platform::MemoryPageSize(), 0u);
}

TEST(Processors, AProcessConfinedToOneProcessorCountsOne) {
  // In a child, so the test process keeps its own mask.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(std::countr_zero(platform::ProcessorAffinityMask()), &one);
    if (sched_setaffinity(0, sizeof one, &one) != 0) _exit(2);
    _exit(platform::UsableProcessorCount() == 1 && std::popcount(platform::ProcessorAffinityMask()) == 1 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
