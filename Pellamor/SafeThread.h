// A worker thread that its owner can ask to stop.
//
// The job cooperates: it calls CSafeThread::CheckAbort (or waits through CSafeThread::Wait) now
// and then, and a stop request turns the next such call into a CSafeThreadAbortException that
// unwinds the job and ends the thread quietly. Owners hold the thread through
// dudizo::SmartPtr<CSafeThread>; dropping the last reference stops the thread and joins it before
// the object goes, so whatever the job reads can be freed right after.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class QWidget;

// Thrown at an abort point once a stop was asked; caught by the thread body.
class CSafeThreadAbortException {};

// A manual-reset event. All events share one condition variable, so a thread can wait for any
// of several of them without polling.
class SafeEvent {
 public:
  void Set();
  void Reset();
  bool IsSet() const;

 private:
  friend class CSafeThread;
  std::atomic<bool> signalled_{false};
};

inline constexpr int kWaitObject0 = 0;
inline constexpr int kWaitTimeout = 258;
inline constexpr int kWaitInfinite = -1;

class CSafeThread {
 public:
  using UserFunction = unsigned (*)(void* param);

  // Starts fn(param) on a new thread; null when the thread cannot be created.
  static CSafeThread* Start(UserFunction fn, void* param, QWidget* owner = nullptr);
  // The calling thread's object, null outside a CSafeThread.
  static CSafeThread* GetCurrent();
  // Abort point: throws CSafeThreadAbortException when a stop was asked; returns at once
  // otherwise, and always outside a CSafeThread.
  static void CheckAbort();
  // Waits for the event (timeout in ms, kWaitInfinite for none). Inside a CSafeThread a stop
  // request ends the wait with CSafeThreadAbortException. kWaitObject0 or kWaitTimeout.
  static int Wait(const SafeEvent& event, int timeoutMs);

  virtual ~CSafeThread();  // Stop()
  CSafeThread(const CSafeThread&) = delete;
  CSafeThread& operator=(const CSafeThread&) = delete;

  // Signals the stop event when the job still runs, then waits for its end.
  void Stop();
  // Signals the stop event without waiting.
  void RequestStop();
  // Waits for the end. With an owner window on the UI thread it keeps painting meanwhile; input
  // is held back until the job ended, so no command runs against state that is being torn down.
  void WaitForEnd();

  bool IsRunning() const { return !finished_.IsSet(); }
  bool StopRequested() const { return stop_.IsSet(); }
  bool Aborted() const { return aborted_; }
  unsigned ExitCode() const { return exitCode_; }
  // Text of a processor fault that ended the job, empty when none did.
  std::u16string FaultText() const;

 private:
  CSafeThread(UserFunction fn, void* param, QWidget* owner);
  static void WaitUntil(const SafeEvent& a, const SafeEvent* b, int timeoutMs, int* which);
  void Body();

  QWidget* owner_;
  SafeEvent stop_;
  void* param_;
  UserFunction fn_;
  SafeEvent finished_;
  std::thread thread_;
  std::atomic<unsigned> exitCode_{0};
  std::atomic<bool> aborted_{false};
  mutable std::mutex faultMutex_;
  std::u16string faultText_;

  friend class SafeEvent;
};

namespace dudizo {

// Reference-counted holder of a CSafeThread; the last release stops, joins and deletes it.
template <class T>
class SmartPtr {
 public:
  class RefCounter {
   public:
    explicit RefCounter(T* p) : count_(1), ptr_(p) {}
    virtual void AddRef() { ++count_; }
    virtual void Release() {
      if (--count_ <= 0) Destroy();
    }
    virtual T* Get() { return ptr_; }
    virtual void Destroy() { delete this; }
    virtual ~RefCounter() { delete ptr_; }

   private:
    std::atomic<int> count_;
    T* ptr_;
  };

  SmartPtr() = default;
  SmartPtr(T* p) { Reset(p); }  // NOLINT: implicit like the raw pointer it wraps
  SmartPtr(const SmartPtr& o) : counter_(o.counter_) {
    if (counter_) counter_->AddRef();
  }
  SmartPtr& operator=(const SmartPtr& o) {
    if (o.counter_) o.counter_->AddRef();
    RefCounter* old = counter_;
    counter_ = o.counter_;
    if (old) old->Release();
    return *this;
  }
  SmartPtr& operator=(T* p) {
    Reset(p);
    return *this;
  }
  virtual ~SmartPtr() {
    if (counter_) counter_->Release();
  }

  void Reset(T* p = nullptr) {
    RefCounter* old = counter_;
    counter_ = p ? new RefCounter(p) : nullptr;
    if (old) old->Release();
  }
  T* get() const { return counter_ ? counter_->Get() : nullptr; }
  T* operator->() const { return get(); }
  explicit operator bool() const { return get() != nullptr; }

 private:
  RefCounter* counter_ = nullptr;
};

}  // namespace dudizo
