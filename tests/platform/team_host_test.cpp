#include "platform/team_host.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

// Every piece runs on the same thread, whoever hands it over; what it throws reaches its caller,
// and the host goes on serving the next one.
TEST(TeamHost, OneThreadServesEveryCallerAndPassesOnWhatWorkThrows) {
  std::thread::id first;
  platform::RunOnTeamHost([&] { first = std::this_thread::get_id(); });
  EXPECT_NE(first, std::this_thread::get_id());

  std::vector<std::thread::id> seen(4);
  std::vector<std::thread> callers;
  for (std::size_t i = 0; i < seen.size(); ++i)
    callers.emplace_back([&, i] { platform::RunOnTeamHost([&, i] { seen[i] = std::this_thread::get_id(); }); });
  for (auto& c : callers) c.join();
  for (const auto& id : seen) EXPECT_EQ(id, first);

  EXPECT_THROW(platform::RunOnTeamHost([] { throw std::runtime_error("from the host"); }), std::runtime_error);

  // A piece that hands over another runs it at once instead of waiting for itself.
  int depth = 0;
  platform::RunOnTeamHost([&] { platform::RunOnTeamHost([&] { depth = 2; }); });
  EXPECT_EQ(depth, 2);
}
