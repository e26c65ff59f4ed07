#include "platform/team_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
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

// A caller that only tries is turned away while another caller has the host, its work not run;
// once the host is free it runs there like any other piece, and from the host itself at once.
TEST(TeamHost, TryingWhileTheHostIsBusyLeavesTheWorkToTheCaller) {
  std::thread::id hostId;
  platform::RunOnTeamHost([&] { hostId = std::this_thread::get_id(); });

  std::promise<void> entered, release;
  std::shared_future<void> released = release.get_future().share();
  std::thread holder([&] {
    platform::RunOnTeamHost([&] {
      entered.set_value();
      released.wait();
    });
  });
  entered.get_future().wait();
  bool ran = false;
  EXPECT_FALSE(platform::TryRunOnTeamHost([&] { ran = true; }));
  EXPECT_FALSE(ran);
  release.set_value();
  holder.join();

  std::thread::id where;
  EXPECT_TRUE(platform::TryRunOnTeamHost([&] { where = std::this_thread::get_id(); }));
  EXPECT_EQ(where, hostId);
  bool inner = false;
  platform::RunOnTeamHost([&] { EXPECT_TRUE(platform::TryRunOnTeamHost([&] { inner = true; })); });
  EXPECT_TRUE(inner);
  EXPECT_THROW(platform::TryRunOnTeamHost([] { throw std::runtime_error("from the host"); }), std::runtime_error);
}
