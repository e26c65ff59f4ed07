#include "platform/team_host.h"

#include <gtest/gtest.h>

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <string>
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

namespace {

// The state letter of one thread of this process ('R' running, 'S' asleep), from /proc.
char ThreadState(pid_t tid) {
  std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t close = text.rfind(')');
  return close == std::string::npos || close + 2 >= text.size() ? '?' : text[close + 2];
}

}  // namespace

// A team runs every index once, index 0 on its caller (here index 0 waits for the others, so
// that none is left out). On the host the other members are the same threads from one piece to
// the next, and between pieces they sleep instead of spinning. From elsewhere, and from inside a
// member, a team gets threads of its own; what a member throws reaches the caller.
TEST(TeamHost, TeamsRunEveryIndexOnceAndTheHostsTeamSleepsBetweenPieces) {
  constexpr int kThreads = 6;
  std::vector<std::set<pid_t>> members(3);
  for (std::size_t round = 0; round < members.size(); ++round) {
    platform::RunOnTeamHost([&] {
      std::mutex mutex;
      std::condition_variable arrived;
      std::vector<int> runs(kThreads, 0);
      int present = 0;
      const pid_t host = static_cast<pid_t>(syscall(SYS_gettid));
      platform::RunTeam(kThreads, [&](int t) {
        std::unique_lock lock(mutex);
        ++runs[static_cast<std::size_t>(t)];
        const pid_t self = static_cast<pid_t>(syscall(SYS_gettid));
        if (t == 0) EXPECT_EQ(self, host);
        else members[round].insert(self);
        ++present;
        arrived.notify_all();
        if (t == 0) arrived.wait(lock, [&] { return present == kThreads; });
      });
      EXPECT_EQ(runs, std::vector<int>(kThreads, 1));
    });
  }
  ASSERT_EQ(members[0].size(), static_cast<std::size_t>(kThreads - 1));
  EXPECT_EQ(members[1], members[0]);
  EXPECT_EQ(members[2], members[0]);
  // Asleep once their piece is over (a member may still be on its way to its wait).
  for (pid_t tid : members[0]) {
    char state = ThreadState(tid);
    for (int i = 0; i < 1000 && state != 'S'; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      state = ThreadState(tid);
    }
    EXPECT_EQ(state, 'S') << "member " << tid;
  }

  // From a thread of the caller's, and nested inside a member.
  std::atomic<int> outer{0}, inner{0};
  platform::RunTeam(3, [&](int) {
    ++outer;
    platform::RunTeam(2, [&](int) { ++inner; });
  });
  EXPECT_EQ(outer.load(), 3);
  EXPECT_EQ(inner.load(), 6);
  platform::RunOnTeamHost([&] {
    std::atomic<bool> thrown{false};
    EXPECT_THROW(platform::RunTeam(4, [&](int t) {
                   if (t != 2) {
                     while (t == 0 && !thrown.load()) std::this_thread::yield();
                     return;
                   }
                   thrown = true;
                   throw std::runtime_error("from a member");
                 }),
                 std::runtime_error);
    // The team serves the next piece after one that threw; a member late to a piece whose
    // caller is done is left out of it, never run after the caller has returned.
    for (int i = 0; i < 100; ++i) {
      std::atomic<int> ran{0};
      platform::RunTeam(4, [&](int) { ++ran; });
      const int seen = ran.load();
      EXPECT_GE(seen, 1);
      EXPECT_LE(seen, 4);
      std::this_thread::yield();
      EXPECT_EQ(ran.load(), seen);
    }
  });
}

// Trying for the host's team runs index 0 on the caller itself and the others on the team's
// threads, the same from one piece to the next; while another caller has the host, or from
// inside a team, the work is left to the caller.
TEST(TeamHost, TryingForTheTeamRunsIndexZeroOnTheCaller) {
  constexpr int kThreads = 4;
  std::mutex mutex;
  auto piece = [&](std::vector<std::thread::id>& ids) {
    std::atomic<int> arrived{0};
    return platform::TryRunTeam(kThreads, [&](int t) {
      {
        std::lock_guard lock(mutex);
        ids[static_cast<std::size_t>(t)] = std::this_thread::get_id();
      }
      ++arrived;
      // Index 0 waits for the others, so that none is left out.
      while (t == 0 && arrived.load() < kThreads) std::this_thread::yield();
    });
  };
  std::vector<std::thread::id> first(kThreads), second(kThreads);
  ASSERT_TRUE(piece(first));
  ASSERT_TRUE(piece(second));
  EXPECT_EQ(first[0], std::this_thread::get_id());
  EXPECT_EQ(std::set<std::thread::id>(first.begin(), first.end()).size(), std::size_t{kThreads});
  EXPECT_EQ(std::set<std::thread::id>(first.begin() + 1, first.end()),
            std::set<std::thread::id>(second.begin() + 1, second.end()));

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
  EXPECT_FALSE(platform::TryRunTeam(kThreads, [&](int) { ran = true; }));
  EXPECT_FALSE(ran);
  release.set_value();
  holder.join();

  bool nestedTried = true;
  ASSERT_TRUE(platform::TryRunTeam(2, [&](int t) {
    if (t == 0) nestedTried = platform::TryRunTeam(2, [](int) {});
  }));
  EXPECT_FALSE(nestedTried);
  EXPECT_THROW(platform::TryRunTeam(2, [](int t) {
                 if (t == 0) throw std::runtime_error("from the caller");
               }),
               std::runtime_error);
}
