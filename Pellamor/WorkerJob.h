// A job run on a CSafeThread whose end is handed to the UI thread.
//
//   job_ = StartJob(this, [state] { state->result = Work(); }, [this, state] { Show(*state); });
//
// The handle owns the job's captured state. onFinished runs on the UI thread by a queued call,
// and only while the owner lives and the handle neither was stopped nor went (a newer job that
// replaced it in the same member makes the old delivery void). Releasing the handle stops the
// job at its next abort point and joins it, so whatever it reads may be freed right after.
// Waiting for a job is waiting for its finished signal (or doing the work in onFinished).
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

#include "Pellamor/SafeThread.h"

class CWorkerJob : public QObject {
  Q_OBJECT

 public:
  using Job = std::function<void()>;
  using Done = std::function<void()>;

  ~CWorkerJob() override;  // Stop()

  // Asks the job to stop, waits for its end and voids the hand-over. Harmless when it ended.
  void Stop();
  // The worker still runs the job.
  bool IsRunning() const;
  // Started, and neither handed over nor stopped yet.
  bool IsPending() const;
  // Text of a processor fault that ended the job, empty when none did.
  std::u16string FaultText() const;

 signals:
  // On the UI thread, right before onFinished.
  void finished();

 private:
  friend std::unique_ptr<CWorkerJob> StartJob(QObject* owner, CWorkerJob::Job job, CWorkerJob::Done onFinished);
  struct State;
  CWorkerJob() = default;
  static unsigned Run(void* param);
  void Deliver();

  std::shared_ptr<State> state_;
  dudizo::SmartPtr<CSafeThread> thread_;
};

// Starts job() on a worker; null when no thread could be started (nothing runs then).
std::unique_ptr<CWorkerJob> StartJob(QObject* owner, CWorkerJob::Job job, CWorkerJob::Done onFinished);
