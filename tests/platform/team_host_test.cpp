#include "platform/team_host.h"

#include <gtest/gtest.h>

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <future>
#include <iterator>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

// The state letter of one thread of this process ('R' running, 'S' asleep), from /proc.
char ThreadState(pid_t tid) {
  std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t close = text.rfind(')');
  return close == std::string::npos || close + 2 >= text.size() ? '?' : text[close + 2];
}

pid_t ThreadId() { return static_cast<pid_t>(syscall(SYS_gettid)); }

}  // namespace

// The process's team runs every index once, index 0 on its caller (here index 0 waits for the
// others, so that none is left out). The other members are the same threads from one team to the
// next, whichever thread asks, and between teams they sleep instead of spinning.
TEST(TeamHost, TheProcesssTeamRunsEveryIndexOnceAndSleepsBetweenTeams) {
  constexpr int kThreads = 6;
  std::vector<std::set<pid_t>> members(3);
  for (std::size_t round = 0; round < members.size(); ++round) {
    // Each round from a thread of its own, gone before the next.
    std::thread([&] {
      std::mutex mutex;
      std::condition_variable arrived;
      std::vector<int> runs(kThreads, 0);
      int present = 0;
      const pid_t caller = ThreadId();
      ASSERT_TRUE(platform::TryRunTeam(kThreads, [&](int t) {
        std::unique_lock lock(mutex);
        ++runs[static_cast<std::size_t>(t)];
        const pid_t self = ThreadId();
        if (t == 0) EXPECT_EQ(self, caller);
        else members[round].insert(self);
        ++present;
        arrived.notify_all();
        if (t == 0) arrived.wait(lock, [&] { return present == kThreads; });
      }));
      EXPECT_EQ(runs, std::vector<int>(kThreads, 1));
    }).join();
  }
  ASSERT_EQ(members[0].size(), static_cast<std::size_t>(kThreads - 1));
  EXPECT_EQ(members[1], members[0]);
  EXPECT_EQ(members[2], members[0]);
  // Asleep once their team is over (a member may still be on its way to its wait).
  for (pid_t tid : members[0]) {
    char state = ThreadState(tid);
    for (int i = 0; i < 1000 && state != 'S'; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      state = ThreadState(tid);
    }
    EXPECT_EQ(state, 'S') << "member " << tid;
  }

  // What a member throws reaches the caller, and the team serves the next call after it; a
  // member late to a call whose caller is done is left out of it, never run after the caller
  // has returned.
  std::atomic<bool> thrown{false};
  EXPECT_THROW(platform::TryRunTeam(4, [&](int t) {
                 if (t != 2) {
                   while (t == 0 && !thrown.load()) std::this_thread::yield();
                   return;
                 }
                 thrown = true;
                 throw std::runtime_error("from a member");
               }),
               std::runtime_error);
  for (int i = 0; i < 100; ++i) {
    std::atomic<int> ran{0};
    ASSERT_TRUE(platform::TryRunTeam(4, [&](int) { ++ran; }));
    const int seen = ran.load();
    EXPECT_GE(seen, 1);
    EXPECT_LE(seen, 4);
    std::this_thread::yield();
    EXPECT_EQ(ran.load(), seen);
  }
}

// A team of its own runs every index once on threads made for it, index 0 on the caller, also
// nested inside a member; what a member throws reaches the caller.
TEST(TeamHost, ATeamOfItsOwnRunsEveryIndexOnce) {
  std::atomic<int> outer{0}, inner{0};
  std::mutex mutex;
  std::set<pid_t> ids;
  const pid_t caller = ThreadId();
  platform::RunTeam(3, [&](int t) {
    ++outer;
    {
      std::lock_guard lock(mutex);
      ids.insert(ThreadId());
    }
    if (t == 0) {
      EXPECT_EQ(ThreadId(), caller);
    }
    platform::RunTeam(2, [&](int) { ++inner; });
  });
  EXPECT_EQ(outer.load(), 3);
  EXPECT_EQ(inner.load(), 6);
  EXPECT_EQ(ids.size(), 3u);
  EXPECT_THROW(platform::RunTeam(4, [](int t) {
                 if (t == 3) throw std::runtime_error("from a member");
               }),
               std::runtime_error);
}

// Trying for the team runs index 0 on the caller itself and the others on the team's threads,
// the same from one call to the next; while another caller has the team, or from inside a team,
// the work is left to the caller.
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
    EXPECT_TRUE(platform::TryRunTeam(2, [&](int t) {
      if (t != 0) return;
      entered.set_value();
      released.wait();
    }));
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
  bool inOwnTried = true;
  platform::RunTeam(2, [&](int t) {
    if (t == 0) inOwnTried = platform::TryRunTeam(2, [](int) {});
  });
  EXPECT_FALSE(inOwnTried);
  EXPECT_THROW(platform::TryRunTeam(2, [](int t) {
                 if (t == 0) throw std::runtime_error("from the caller");
               }),
               std::runtime_error);
}
