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

// Threads made once, asleep until a piece names them; member i runs index i (1 and up). A member
// that has not started by the time the caller's own share has ended is left out of that piece,
// so a member the system holds back never delays the end of work that others have done.
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
      if (!open_) continue;  // too late for this piece
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
  bool open_ = false;  // members may still join the piece
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

class TeamHost {
 public:
  TeamHost() : pid_(getpid()) {
    std::thread loop([this] { Loop(); });
    thread_ = loop.get_id();
    loop.detach();
  }

  pid_t pid() const { return pid_; }
  bool OnHost() const { return std::this_thread::get_id() == thread_; }
  Team& team() { return team_; }

  void Call(const std::function<void()>& work) {
    std::lock_guard turn(turn_);
    Run(work);
  }

  // Runs the team from the calling thread only when no other caller has the host.
  bool TryTeam(int threads, const std::function<void(int)>& work) {
    std::unique_lock turn(turn_, std::try_to_lock);
    if (!turn.owns_lock()) return false;
    team_.Run(threads, work);
    return true;
  }

  // Runs work only when no other caller has the host; false, with work not run, otherwise.
  bool TryCall(const std::function<void()>& work) {
    std::unique_lock turn(turn_, std::try_to_lock);
    if (!turn.owns_lock()) return false;
    Run(work);
    return true;
  }

 private:
  // Hands work to the loop and waits for it; the caller holds turn_.
  void Run(const std::function<void()>& work) {
    std::exception_ptr error;
    {
      std::unique_lock lock(mutex_);
      work_ = &work;
      error_ = nullptr;
      done_ = false;
      cv_.notify_all();
      cv_.wait(lock, [this] { return done_; });
      error = error_;
    }
    if (error) std::rethrow_exception(error);
  }

  void Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
      cv_.wait(lock, [this] { return work_ != nullptr; });
      const std::function<void()>* work = work_;
      lock.unlock();
      std::exception_ptr error;
      try {
        (*work)();
      } catch (...) {
        error = std::current_exception();
      }
      lock.lock();
      work_ = nullptr;
      error_ = error;
      done_ = true;
      cv_.notify_all();
    }
  }

  const pid_t pid_;
  std::thread::id thread_;
  Team team_;  // used by whoever holds turn_ (the host thread on a caller's behalf)
  std::mutex turn_;  // one piece of work at a time
  std::mutex mutex_;
  std::condition_variable cv_;
  const std::function<void()>* work_ = nullptr;
  std::exception_ptr error_;
  bool done_ = false;
};

TeamHost* Host() {
  static std::mutex hostMutex;
  static TeamHost* host = nullptr;
  std::lock_guard lock(hostMutex);
  // A forked child has none of the parent's threads.
  if (!host || host->pid() != getpid()) host = new TeamHost;  // lives as long as the process
  return host;
}

}  // namespace

void RunOnTeamHost(const std::function<void()>& work) {
  TeamHost* h = Host();
  if (h->OnHost()) {
    work();
    return;
  }
  h->Call(work);
}

void RunTeam(int threads, const std::function<void(int)>& work) {
  if (threads <= 1) {
    work(0);
    return;
  }
  TeamHost* h = Host();
  if (h->OnHost() && !t_inTeam) h->team().Run(threads, work);
  else RunFreshTeam(threads, work);
}

bool TryRunTeam(int threads, const std::function<void(int)>& work) {
  if (t_inTeam) return false;
  if (threads <= 1) {
    work(0);
    return true;
  }
  TeamHost* h = Host();
  if (h->OnHost()) return false;
  return h->TryTeam(threads, work);
}

bool TryRunOnTeamHost(const std::function<void()>& work) {
  TeamHost* h = Host();
  if (h->OnHost()) {
    work();
    return true;
  }
  return h->TryCall(work);
}

}  // namespace platform
