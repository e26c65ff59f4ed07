#include "Pellamor/WorkerJob.h"

#include <QCoreApplication>
#include <QWidget>

#include <mutex>

#include "Pellamor/SeException.h"

struct CWorkerJob::State {
  CWorkerJob::Job job;
  CWorkerJob::Done onFinished;
  QPointer<QObject> owner;
  bool hasOwner = false;
  bool pending = true;  // UI thread only
  CWorkerJob* handle = nullptr;
  std::weak_ptr<State> self;
  mutable std::mutex faultMutex;
  std::u16string faultText;  // set before the hand-over is posted
};

unsigned CWorkerJob::Run(void* param) {
  auto* state = static_cast<State*>(param);
  // The hand-over is posted when the job leaves, whether it returned, threw or a fault ended it;
  // a stop has voided the delivery already. The job runs in its own guarded region so that a
  // fault unwinds through this frame as an exception instead of jumping past it.
  struct Post {
    std::weak_ptr<State> weak;
    ~Post() {
      QCoreApplication* app = QCoreApplication::instance();
      if (!app) return;
      QMetaObject::invokeMethod(
          app,
          [weak = weak] {
            std::shared_ptr<State> s = weak.lock();
            if (!s || !s->pending || !s->handle) return;
            s->handle->Deliver();
          },
          Qt::QueuedConnection);
    }
  } post{state->self};
  try {
    SeGuardedCall(state->job);
  } catch (const CSeException& e) {
    {
      std::lock_guard<std::mutex> lock(state->faultMutex);
      state->faultText = e.Text();
    }
    throw;  // the thread reports it
  }
  return 0;
}

void CWorkerJob::Deliver() {
  std::shared_ptr<State> s = state_;  // onFinished may release this handle
  s->pending = false;
  if (s->hasOwner && !s->owner) return;
  emit finished();
  if (s->onFinished) s->onFinished();
}

std::unique_ptr<CWorkerJob> StartJob(QObject* owner, CWorkerJob::Job job, CWorkerJob::Done onFinished) {
  std::unique_ptr<CWorkerJob> handle(new CWorkerJob);
  auto state = std::make_shared<CWorkerJob::State>();
  state->job = std::move(job);
  state->onFinished = std::move(onFinished);
  state->owner = owner;
  state->hasOwner = owner != nullptr;
  state->handle = handle.get();
  state->self = state;
  handle->state_ = state;
  CSafeThread* thread = CSafeThread::Start(&CWorkerJob::Run, state.get(), qobject_cast<QWidget*>(owner));
  if (!thread) return nullptr;
  handle->thread_ = thread;
  return handle;
}

CWorkerJob::~CWorkerJob() { Stop(); }

void CWorkerJob::Stop() {
  if (state_) state_->pending = false;
  thread_.Reset();  // stops at the next abort point and joins
}

bool CWorkerJob::IsRunning() const { return thread_ && thread_->IsRunning(); }
bool CWorkerJob::IsPending() const { return state_ && state_->pending; }
std::u16string CWorkerJob::FaultText() const {
  if (!state_) return {};
  std::lock_guard<std::mutex> lock(state_->faultMutex);
  return state_->faultText;
}
