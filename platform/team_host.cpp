#include "platform/team_host.h"

#include <unistd.h>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace platform {

namespace {

class TeamHost {
 public:
  TeamHost() : pid_(getpid()) {
    std::thread loop([this] { Loop(); });
    thread_ = loop.get_id();
    loop.detach();
  }

  pid_t pid() const { return pid_; }
  bool OnHost() const { return std::this_thread::get_id() == thread_; }

  void Call(const std::function<void()>& work) {
    std::lock_guard turn(turn_);
    Run(work);
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

bool TryRunOnTeamHost(const std::function<void()>& work) {
  TeamHost* h = Host();
  if (h->OnHost()) {
    work();
    return true;
  }
  return h->TryCall(work);
}

}  // namespace platform
