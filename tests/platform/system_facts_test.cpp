#include "platform/system_facts.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace {

TEST(SystemFacts, TheKernelTextsAndTheProcessId) {
  EXPECT_NE(platform::ReadKernelText(platform::KernelText::kMemInfo).find("MemTotal:"), std::string::npos);
  EXPECT_NE(platform::ReadKernelText(platform::KernelText::kCpuInfo).find("processor"), std::string::npos);
  const std::string self = platform::ReadKernelText(platform::KernelText::kSelfStatus);
  EXPECT_NE(self.find("\nPid:\t" + std::to_string(getpid()) + "\n"), std::string::npos);
  const std::string minAddr = platform::ReadKernelText(platform::KernelText::kMmapMinAddr);
  ASSERT_FALSE(minAddr.empty());
  EXPECT_EQ(minAddr.find_first_not_of("0123456789\n"), std::string::npos) << minAddr;
  EXPECT_EQ(platform::ProcessId(), getpid());
}

}  // namespace
