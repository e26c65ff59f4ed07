#include "Pellamor/SafeThread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QWidget>

#include <chrono>

#include "Pellamor/SeException.h"
#include "platform/message.h"

namespace {

std::mutex g_eventMutex;
std::condition_variable g_eventChanged;
thread_local CSafeThread* t_current = nullptr;

}  // namespace

void SafeEvent::Set() {
  {
    std::lock_guard<std::mutex> lock(g_eventMutex);
    signalled_ = true;
  }
  g_eventChanged.notify_all();
}

void SafeEvent::Reset() {
  std::lock_guard<std::mutex> lock(g_eventMutex);
  signalled_ = false;
}

bool SafeEvent::IsSet() const { return signalled_.load(); }

CSafeThread::CSafeThread(UserFunction fn, void* param, QWidget* owner)
    : owner_(owner), param_(param), fn_(fn) {}

CSafeThread* CSafeThread::Start(UserFunction fn, void* param, QWidget* owner) {
  if (!fn) return nullptr;
  auto* t = new CSafeThread(fn, param, owner);
  t->stop_.Reset();
  try {
    t->thread_ = std::thread([t] { t->Body(); });
  } catch (const std::system_error&) {
    t->finished_.Set();
    delete t;
    return nullptr;
  }
  return t;
}

CSafeThread* CSafeThread::GetCurrent() { return t_current; }

void CSafeThread::Body() {
  t_current = this;
  InstallSeTranslator();
  try {
    SeGuardedCall([this] { exitCode_ = fn_(param_); });
  } catch (const CSafeThreadAbortException&) {
    aborted_ = true;
    exitCode_ = 0;
  } catch (const CSeException& e) {
    // A fault inside the job: report it like any other error instead of ending the process.
    {
      std::lock_guard<std::mutex> lock(faultMutex_);
      faultText_ = e.Text();
    }
    exitCode_ = 0;
    e.ReportError(platform::MsgButtons::Ok, 0);
  }
  t_current = nullptr;
  finished_.Set();
}

std::u16string CSafeThread::FaultText() const {
  std::lock_guard<std::mutex> lock(faultMutex_);
  return faultText_;
}

void CSafeThread::WaitUntil(const SafeEvent& a, const SafeEvent* b, int timeoutMs, int* which) {
  std::unique_lock<std::mutex> lock(g_eventMutex);
  auto ready = [&] { return a.IsSet() || (b && b->IsSet()); };
  if (timeoutMs < 0) {
    g_eventChanged.wait(lock, ready);
  } else if (!g_eventChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
    *which = kWaitTimeout;
    return;
  }
  *which = a.IsSet() ? 0 : 1;
}

void CSafeThread::CheckAbort() {
  CSafeThread* self = t_current;
  if (self && self->stop_.IsSet()) throw CSafeThreadAbortException();
}

int CSafeThread::Wait(const SafeEvent& event, int timeoutMs) {
  CSafeThread* self = t_current;
  int which = kWaitTimeout;
  if (!self) {
    WaitUntil(event, nullptr, timeoutMs, &which);
    return which;
  }
  WaitUntil(event, &self->stop_, timeoutMs, &which);
  if (which == 1 || self->stop_.IsSet()) throw CSafeThreadAbortException();
  return which;
}

void CSafeThread::RequestStop() { stop_.Set(); }

void CSafeThread::Stop() {
  if (IsRunning()) stop_.Set();
  WaitForEnd();
}

void CSafeThread::WaitForEnd() {
  if (std::this_thread::get_id() == thread_.get_id()) return;  // a job cannot join itself
  // On the UI thread the wait keeps delivering queued calls even without an owner window: a job
  // that asks a question through the message sink would otherwise never get its answer.
  bool pump = QCoreApplication::instance() &&
              QThread::currentThread() == QCoreApplication::instance()->thread();
  while (IsRunning()) {
    int which = kWaitTimeout;
    WaitUntil(finished_, nullptr, pump ? 20 : kWaitInfinite, &which);
    if (which == 0) break;
    // Paint and deliver queued calls from the job (its messages may wait for an answer).
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  if (thread_.joinable()) thread_.join();
}

CSafeThread::~CSafeThread() { Stop(); }
