#include "platform/large_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

bool AllZero(const std::uint8_t* p, std::size_t n) {
  return std::all_of(p, p + n, [](std::uint8_t b) { return b == 0; });
}

constexpr std::uintptr_t kLargePage = 2u << 20;

}  // namespace

// A zero-filled block is zero-filled whatever memory the allocator hands out again: blocks of
// every size class, each written all over and given back before the next is asked for. Blocks of
// 1 MiB and more start on a 2 MiB boundary; every block grows and shrinks with realloc and is
// freed with free.
TEST(LargeBuffer, ZeroFilledBlocksAreZeroEvenWhenTheMemoryWasUsedBefore) {
  // Largest first: once a large block is given back, the allocator serves the smaller ones from
  // memory it keeps.
  const std::size_t sizes[] = {22u << 20, (3u << 20) + 5, 1u << 20, (1u << 20) - 1, 4096, 1};
  for (std::size_t bytes : sizes) {
    SCOPED_TRACE(bytes);
    for (int round = 0; round < 3; ++round) {
      auto* block = static_cast<std::uint8_t*>(platform::AllocateLarge(bytes, true));
      ASSERT_NE(block, nullptr);
      EXPECT_TRUE(AllZero(block, bytes));
      if (bytes >= (1u << 20)) {
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % kLargePage, 0u);
      }
      std::memset(block, 0xA5, bytes);
      std::free(block);
    }
    auto* grown = static_cast<std::uint8_t*>(platform::AllocateLarge(bytes, false));
    ASSERT_NE(grown, nullptr);
    std::memset(grown, 0x5A, bytes);
    grown = static_cast<std::uint8_t*>(std::realloc(grown, bytes * 2));
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(grown[bytes - 1], 0x5A);
    grown = static_cast<std::uint8_t*>(std::realloc(grown, bytes / 2 + 1));
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(grown[bytes / 2], 0x5A);
    std::free(grown);
  }
  EXPECT_EQ(platform::AllocateLargeArray(SIZE_MAX / 2, 4), nullptr);
}

// Pages of their own: zero-filled, on a 2 MiB boundary, writable to the last byte; none for a
// size of 0.
TEST(LargeBuffer, MappedPagesAreZeroAndAligned) {
  for (std::size_t bytes : {std::size_t{1}, std::size_t{5u << 20}}) {
    platform::PageBlock block = platform::MapPages(bytes);
    ASSERT_TRUE(block);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block.get()) % kLargePage, 0u);
    EXPECT_TRUE(AllZero(block.get(), bytes));
    block[bytes - 1] = 1;
  }
  EXPECT_FALSE(platform::MapPages(0));
}
