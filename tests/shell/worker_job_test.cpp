#include <gtest/gtest.h>

#include <QObject>
#include <QThread>

#include <atomic>
#include <memory>
#include <thread>

#include "Pellamor/WorkerJob.h"
#include "platform/message.h"
#include "shell_support.h"

namespace {

volatile int g_zero = 0;
volatile int* volatile g_null = nullptr;

// Real faults; the sanitizers must let them happen, so the handler sees them.
__attribute__((noinline, no_sanitize("undefined"))) void DivideByZero() { g_zero = 7 / g_zero; }
__attribute__((noinline, no_sanitize("undefined"))) void StoreThroughNull() { *g_null = 1; }

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

// A fault that ends the job still hands over, and the fault's text is there when it does:
// waits that end on the hand-over would never end otherwise.
TEST(WorkerJob, AFaultingJobStillHandsOverWithItsFaultText) {
  shell_test::App();
  platform::RecordingMessageSink sink;
  platform::ScopedMessageSink guard(&sink);
  struct Case {
    void (*fault)();
    const char* name;
  };
  const Case cases[] = {{&DivideByZero, "INT_DIVIDE_BY_ZERO"}, {&StoreThroughNull, "ACCESS_VIOLATION"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QObject owner;
    bool delivered = false;
    bool signalled = false;
    std::u16string textAtHandOver;
    std::unique_ptr<CWorkerJob> job;
    job = StartJob(&owner, [fault = c.fault] { fault(); }, [&] {
      delivered = true;
      textAtHandOver = job->FaultText();
    });
    ASSERT_TRUE(job);
    QObject::connect(job.get(), &CWorkerJob::finished, [&] { signalled = true; });
    ASSERT_TRUE(shell_test::WaitFor([&] { return delivered; }));
    EXPECT_TRUE(signalled);
    EXPECT_FALSE(job->IsPending());
    std::string text = platform::ToUtf8(textAtHandOver);
    EXPECT_NE(text.find(c.name), std::string::npos) << text;
    ASSERT_TRUE(shell_test::WaitFor([&] { return !job->IsRunning(); }));
    EXPECT_EQ(job->FaultText(), textAtHandOver);
  }
  // The thread reports each fault once.
  ASSERT_EQ(sink.Texts().size(), 2u);
  EXPECT_NE(platform::ToUtf8(sink.Texts()[0]).find("INT_DIVIDE_BY_ZERO"), std::string::npos);
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
