#include "platform/team_host.h"

#include <unistd.h>

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

namespace {

// Set on a thread while it runs a team's work: a team started from there gets threads of its own.
thread_local bool t_inTeam = false;

// Runs work(index) on the calling thread, keeping what it throws.
void RunMember(const std::function<void(int)>& work, int index, std::mutex& mutex,
               std::exception_ptr& error) {
  const bool outer = t_inTeam;
  t_inTeam = true;
  try {
    work(index);
  } catch (...) {
    std::lock_guard lock(mutex);
    if (!error) error = std::current_exception();
  }
  t_inTeam = outer;
}

// Threads made once, asleep until a call of Run names them; member i runs index i (1 and up), the
// caller of Run index 0. A member that has not started by the time the caller's own share has
// ended is left out of that call, so a member the system holds back never delays the end of work
// that others have done. One caller at a time (SharedTeam's turn).
class Team {
 public:
  void Run(int threads, const std::function<void(int)>& work) {
    std::exception_ptr error;
    {
      std::lock_guard lock(mutex_);
      while (made_ < threads - 1) {
        const int index = ++made_;
        std::thread([this, index] { Loop(index); }).detach();
      }
      work_ = &work;
      active_ = threads;
      open_ = true;
      started_ = finished_ = 0;
      error_ = nullptr;
      ++generation_;
    }
    wake_.notify_all();
    RunMember(work, 0, mutex_, error_);
    std::unique_lock lock(mutex_);
    open_ = false;
    done_.wait(lock, [this] { return finished_ == started_; });
    work_ = nullptr;
    error = error_;
    lock.unlock();
    if (error) std::rethrow_exception(error);
  }

 private:
  void Loop(int index) {
    std::uint64_t seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [&] { return generation_ != seen && index < active_; });
      seen = generation_;
      if (!open_) continue;  // too late for this call
      ++started_;
      const std::function<void(int)>* work = work_;
      lock.unlock();
      RunMember(*work, index, mutex_, error_);
      lock.lock();
      if (++finished_ == started_ && !open_) done_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  const std::function<void(int)>* work_ = nullptr;
  std::uint64_t generation_ = 0;
  int made_ = 0;
  int active_ = 0;
  bool open_ = false;  // members may still join the call
  int started_ = 0;
  int finished_ = 0;
  std::exception_ptr error_;
};

// A team made for one call and joined at its end.
void RunFreshTeam(int threads, const std::function<void(int)>& work) {
  std::mutex mutex;
  std::exception_ptr error;
  std::vector<std::thread> members;
  members.reserve(static_cast<std::size_t>(threads - 1));
  for (int i = 1; i < threads; ++i)
    members.emplace_back([&, i] { RunMember(work, i, mutex, error); });
  RunMember(work, 0, mutex, error);
  for (std::thread& t : members) t.join();
  if (error) std::rethrow_exception(error);
}

// The process's team and the turn that gives it to one caller at a time.
struct SharedTeam {
  const pid_t pid = getpid();
  Team team;
  std::mutex turn;
};

SharedTeam& Shared() {
  static std::mutex sharedMutex;
  static SharedTeam* shared = nullptr;
  std::lock_guard lock(sharedMutex);
  // A forked child has none of the parent's threads.
  if (!shared || shared->pid != getpid()) shared = new SharedTeam;  // lives as long as the process
  return *shared;
}

}  // namespace

void RunTeam(int threads, const std::function<void(int)>& work) {
  if (threads <= 1) {
    work(0);
    return;
  }
  RunFreshTeam(threads, work);
}

bool TryRunTeam(int threads, const std::function<void(int)>& work) {
  if (t_inTeam) return false;
  if (threads <= 1) {
    work(0);
    return true;
  }
  SharedTeam& shared = Shared();
  std::unique_lock turn(shared.turn, std::try_to_lock);
  if (!turn.owns_lock()) return false;
  shared.team.Run(threads, work);
  return true;
}

}  // namespace platform
