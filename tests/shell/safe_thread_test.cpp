#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "Pellamor/SafeThread.h"
#include "shell_support.h"

namespace {

using Clock = std::chrono::steady_clock;

struct LoopJob {
  std::atomic<bool> started{false};
  std::atomic<long> rounds{0};
};

unsigned LoopUntilStopped(void* p) {
  auto* job = static_cast<LoopJob*>(p);
  job->started = true;
  for (;;) {
    CSafeThread::CheckAbort();
    ++job->rounds;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

unsigned ReturnSeven(void*) { return 7; }

TEST(SafeThread, NormalReturnGivesTheExitCodeAndReleaseOfAnEndedThreadSignalsNoStop) {
  dudizo::SmartPtr<CSafeThread> t(CSafeThread::Start(&ReturnSeven, nullptr));
  ASSERT_TRUE(t);
  ASSERT_TRUE(shell_test::WaitFor([&] { return !t->IsRunning(); }));
  EXPECT_EQ(t->ExitCode(), 7u);
  t->Stop();
  EXPECT_FALSE(t->StopRequested());
  EXPECT_FALSE(t->Aborted());
  t.Reset();
}

TEST(SafeThread, ReleasingTheLastReferenceStopsAndJoinsARunningJob) {
  LoopJob job;
  {
    dudizo::SmartPtr<CSafeThread> a(CSafeThread::Start(&LoopUntilStopped, &job));
    ASSERT_TRUE(a);
    dudizo::SmartPtr<CSafeThread> b = a;
    ASSERT_TRUE(shell_test::WaitFor([&] { return job.started.load(); }));
    a.Reset();  // b still holds it: the job keeps running
    long before = job.rounds;
    ASSERT_TRUE(shell_test::WaitFor([&] { return job.rounds > before + 3; }));
    EXPECT_TRUE(b->IsRunning());
  }
  // The last release joined the job: it no longer counts.
  long after = job.rounds;
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(job.rounds, after);
}

TEST(SafeThread, StopEndsTheJobAtItsNextAbortPoint) {
  LoopJob job;
  dudizo::SmartPtr<CSafeThread> t(CSafeThread::Start(&LoopUntilStopped, &job));
  ASSERT_TRUE(shell_test::WaitFor([&] { return job.started.load(); }));
  t->Stop();
  EXPECT_FALSE(t->IsRunning());
  EXPECT_TRUE(t->Aborted());
  EXPECT_EQ(t->ExitCode(), 0u);
}

TEST(SafeThread, AbortPointsOutsideAWorkerAndWithoutAStopReturnAtOnce) {
  EXPECT_EQ(CSafeThread::GetCurrent(), nullptr);
  EXPECT_NO_THROW(CSafeThread::CheckAbort());  // the UI thread is not a CSafeThread

  // Many abort points in a job that nobody stops: none of them waits (a paced abort point
  // would make this job last for minutes).
  static std::atomic<long> calls{0};
  calls = 0;
  auto start = Clock::now();
  dudizo::SmartPtr<CSafeThread> t(CSafeThread::Start(
      +[](void*) -> unsigned {
        for (int i = 0; i < 2000; ++i) {
          CSafeThread::CheckAbort();
          ++calls;
        }
        return CSafeThread::GetCurrent() ? 1u : 0u;
      },
      nullptr));
  ASSERT_TRUE(shell_test::WaitFor([&] { return !t->IsRunning(); }, 60000));
  EXPECT_EQ(calls, 2000);
  EXPECT_EQ(t->ExitCode(), 1u);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
}

struct WaitJob {
  SafeEvent event;
  std::atomic<bool> waiting{false};
  std::atomic<int> result{-1};
};

unsigned WaitForTheEvent(void* p) {
  auto* j = static_cast<WaitJob*>(p);
  j->waiting = true;
  j->result = CSafeThread::Wait(j->event, kWaitInfinite);
  return 5;
}

TEST(SafeThread, StopWhileWaitingOnAnotherEventEndsTheWait) {
  WaitJob job;
  dudizo::SmartPtr<CSafeThread> t(CSafeThread::Start(&WaitForTheEvent, &job));
  ASSERT_TRUE(shell_test::WaitFor([&] { return job.waiting.load(); }));
  t->Stop();
  EXPECT_TRUE(t->Aborted());
  EXPECT_EQ(job.result, -1);  // the wait never returned normally
  EXPECT_FALSE(job.event.IsSet());
}

TEST(SafeThread, WaitGivesTheEventOrTheTimeout) {
  SafeEvent e;
  EXPECT_EQ(CSafeThread::Wait(e, 10), kWaitTimeout);
  e.Set();
  EXPECT_EQ(CSafeThread::Wait(e, 10), kWaitObject0);
  e.Reset();

  WaitJob job;
  dudizo::SmartPtr<CSafeThread> t(CSafeThread::Start(&WaitForTheEvent, &job));
  ASSERT_TRUE(shell_test::WaitFor([&] { return job.waiting.load(); }));
  job.event.Set();
  ASSERT_TRUE(shell_test::WaitFor([&] { return !t->IsRunning(); }));
  EXPECT_EQ(job.result, kWaitObject0);
  EXPECT_EQ(t->ExitCode(), 5u);
  EXPECT_FALSE(t->Aborted());
}

TEST(SafeThread, StartWithoutAFunctionGivesNull) { EXPECT_EQ(CSafeThread::Start(nullptr, nullptr), nullptr); }

}  // namespace
