#include "platform/fault_guard.h"

#include <pthread.h>
#include <setjmp.h>
#include <signal.h>
#include <ucontext.h>

#include <cstdlib>
#include <mutex>

namespace platform {
namespace {

constexpr std::uint32_t kAccessViolation = 0xC0000005u;
constexpr std::uint32_t kStackOverflow = 0xC00000FDu;

// One guarded call of a thread; calls nest.
struct GuardFrame {
  sigjmp_buf jump;
  FaultRecord record;
  GuardFrame* previous;
};

// Initial-exec TLS: read by the signal handler, which must not allocate. The library is loaded
// with the program, so its TLS is in the static block.
#define PLATFORM_SIGNAL_SAFE_TLS thread_local __attribute__((tls_model("initial-exec")))

PLATFORM_SIGNAL_SAFE_TLS GuardFrame* t_guard = nullptr;
PLATFORM_SIGNAL_SAFE_TLS std::uintptr_t t_stackLow = 0;  // lowest usable address of this thread's stack

constexpr std::size_t kAltStackBytes = 64 * 1024;
constexpr std::size_t kStackGuardBytes = 64 * 1024;

// The alternate signal stack of one thread, released when the thread ends.
struct AltStack {
  void* memory = nullptr;
  ~AltStack() {
    if (!memory) return;
    stack_t off{};
    off.ss_flags = SS_DISABLE;
    sigaltstack(&off, nullptr);
    std::free(memory);
  }
};
thread_local AltStack t_altStack;

void OnFault(int sig, siginfo_t* si, void* context) {
  GuardFrame* frame = t_guard;
  if (!frame || si->si_code <= 0) {
    // Not ours to handle (no guarded call, or a signal sent by a process): default action.
    signal(sig, SIG_DFL);
    raise(sig);
    return;
  }
  FaultRecord& record = frame->record;
  record.signalNumber = sig;
  record.signalCode = si->si_code;
  record.dataAddress = reinterpret_cast<std::uintptr_t>(si->si_addr);
  record.code = FaultCodeOfSignal(sig, si->si_code);
  if (sig == SIGSEGV && t_stackLow && record.dataAddress < t_stackLow &&
      record.dataAddress + kStackGuardBytes >= t_stackLow)
    record.code = kStackOverflow;
#if defined(__x86_64__)
  record.address = static_cast<std::uintptr_t>(static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
  record.address = static_cast<std::uintptr_t>(static_cast<ucontext_t*>(context)->uc_mcontext.pc);
#else
  (void)context;
  record.address = record.dataAddress;
#endif
  // A second fault while the call unwinds belongs to the enclosing call.
  t_guard = frame->previous;
  siglongjmp(frame->jump, 1);
}

void InstallHandlers() {
  struct sigaction sa {};
  sa.sa_sigaction = OnFault;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGSEGV, SIGFPE, SIGILL, SIGBUS}) sigaction(sig, &sa, nullptr);
}

// Out of line, so the only automatic objects between sigsetjmp and a jump back are plain ones.
__attribute__((noinline)) bool RunFrame(GuardFrame* frame, const std::function<void()>* fn) {
  if (sigsetjmp(frame->jump, 1) != 0) return false;
  t_guard = frame;
  (*fn)();
  return true;
}

}  // namespace

std::uint32_t FaultCodeOfSignal(int signalNumber, int signalCode) {
  switch (signalNumber) {
    case SIGFPE:
      switch (signalCode) {
        case FPE_INTDIV: return 0xC0000094u;
        case FPE_INTOVF: return 0xC0000095u;
        case FPE_FLTDIV: return 0xC000008Eu;
        case FPE_FLTOVF: return 0xC0000091u;
        case FPE_FLTUND: return 0xC0000093u;
        case FPE_FLTRES: return 0xC000008Fu;
        case FPE_FLTINV: return 0xC0000090u;
        case FPE_FLTSUB: return 0xC000008Cu;
        default: return 0xC0000090u;
      }
    case SIGILL:
      return (signalCode == ILL_PRVOPC || signalCode == ILL_PRVREG) ? 0xC0000096u : 0xC000001Du;
    case SIGBUS:
      return signalCode == BUS_ADRALN ? 0x80000002u : 0xC0000006u;
    case SIGSEGV:
    default:
      return kAccessViolation;
  }
}

bool PrepareFaultHandling() {
  static std::once_flag handlers;
  std::call_once(handlers, InstallHandlers);
  if (t_altStack.memory) return true;
  void* memory = std::malloc(kAltStackBytes);
  if (!memory) return false;
  stack_t ss{};
  ss.ss_sp = memory;
  ss.ss_size = kAltStackBytes;
  if (sigaltstack(&ss, nullptr) != 0) {
    std::free(memory);
    return false;
  }
  t_altStack.memory = memory;
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) == 0) {
    void* low = nullptr;
    std::size_t size = 0;
    if (pthread_attr_getstack(&attr, &low, &size) == 0) t_stackLow = reinterpret_cast<std::uintptr_t>(low);
    pthread_attr_destroy(&attr);
  }
  return true;
}

bool RunGuarded(const std::function<void()>& fn, FaultRecord* record) {
  GuardFrame frame{};
  frame.previous = t_guard;
  bool finished = false;
  try {
    finished = RunFrame(&frame, &fn);
  } catch (...) {
    t_guard = frame.previous;
    throw;
  }
  t_guard = frame.previous;
  if (!finished && record) *record = frame.record;
  return finished;
}

}  // namespace platform
