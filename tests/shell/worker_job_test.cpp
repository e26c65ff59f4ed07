#include <gtest/gtest.h>

#include <QObject>
#include <QThread>

#include <atomic>
#include <memory>
#include <thread>

#include "Pellamor/WorkerJob.h"
#include "shell_support.h"

namespace {

TEST(WorkerJob, TheHandOverRunsOnTheUiThreadAfterTheJob) {
  shell_test::App();
  QObject owner;
  auto value = std::make_shared<int>(0);
  std::thread::id jobThread;
  bool onUiThread = false;
  int seen = -1;
  bool signalled = false;
  std::unique_ptr<CWorkerJob> job = StartJob(
      &owner,
      [value, &jobThread] {
        jobThread = std::this_thread::get_id();
        *value = 42;
      },
      [&, value] {
        onUiThread = QThread::currentThread() == qApp->thread();
        seen = *value;
      });
  ASSERT_TRUE(job);
  QObject::connect(job.get(), &CWorkerJob::finished, [&] { signalled = true; });
  EXPECT_TRUE(job->IsPending());
  ASSERT_TRUE(shell_test::WaitFor([&] { return seen != -1; }));
  EXPECT_TRUE(onUiThread);
  EXPECT_NE(jobThread, std::this_thread::get_id());
  EXPECT_EQ(seen, 42);
  EXPECT_TRUE(signalled);
  EXPECT_FALSE(job->IsPending());
}

// A job whose handle was replaced, or whose owner went, hands nothing over.
TEST(WorkerJob, AReplacedJobOrAGoneOwnerHandsNothingOver) {
  shell_test::App();
  QObject owner;
  int first = 0, second = 0;
  std::atomic<bool> firstDone{false};
  std::unique_ptr<CWorkerJob> job = StartJob(&owner, [&] { firstDone = true; }, [&] { ++first; });
  ASSERT_TRUE(job);
  while (!firstDone) std::this_thread::yield();  // its hand-over is on the way
  job = StartJob(&owner, [] {}, [&] { ++second; });
  ASSERT_TRUE(shell_test::WaitFor([&] { return second == 1; }));
  shell_test::WaitFor([] { return false; }, 100);
  EXPECT_EQ(first, 0);

  auto gone = std::make_unique<QObject>();
  std::atomic<bool> ran{false};
  int delivered = 0;
  std::unique_ptr<CWorkerJob> orphan = StartJob(gone.get(), [&] { ran = true; }, [&] { ++delivered; });
  ASSERT_TRUE(orphan);
  while (!ran) std::this_thread::yield();
  gone.reset();
  shell_test::WaitFor([] { return false; }, 100);
  EXPECT_EQ(delivered, 0);
}

// Releasing the handle of a running job stops it at its next abort point and joins it: its
// captured state may go right after.
TEST(WorkerJob, ReleasingARunningJobStopsAndJoinsIt) {
  shell_test::App();
  auto rounds = std::make_shared<std::atomic<long>>(0);
  std::atomic<bool> started{false};
  bool delivered = false;
  std::unique_ptr<CWorkerJob> job = StartJob(
      nullptr,
      [rounds, &started] {
        started = true;
        for (;;) {
          CSafeThread::CheckAbort();
          ++*rounds;
          std::this_thread::yield();
        }
      },
      [&] { delivered = true; });
  ASSERT_TRUE(job);
  while (!started) std::this_thread::yield();
  EXPECT_TRUE(job->IsRunning());
  job.reset();
  long after = *rounds;
  shell_test::WaitFor([] { return false; }, 50);
  EXPECT_EQ(*rounds, after);
  EXPECT_FALSE(delivered);
  EXPECT_EQ(rounds.use_count(), 1);  // the job's captured state went with the handle
}

}  // namespace
