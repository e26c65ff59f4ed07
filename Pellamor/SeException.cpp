#include "Pellamor/SeException.h"

#include <pthread.h>
#include <setjmp.h>
#include <signal.h>
#include <ucontext.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

struct SeCodeRow {
  std::uint32_t code;
  const char* name;
};

constexpr SeCodeRow kSeCodes[] = {
    {0x80000001u, "GUARD_PAGE"},
    {0x80000002u, "DATATYPE_MISALIGNMENT"},
    {0x80000003u, "BREAKPOINT"},
    {0x80000004u, "SINGLE_STEP"},
    {0xC0000005u, "ACCESS_VIOLATION"},
    {0xC0000006u, "IN_PAGE_ERROR"},
    {0xC0000008u, "INVALID_HANDLE"},
    {0xC000001Du, "ILLEGAL_INSTRUCTION"},
    {0xC0000025u, "NONCONTINUABLE_EXCEPTION"},
    {0xC0000026u, "INVALID_DISPOSITION"},
    {0xC000008Cu, "ARRAY_BOUNDS_EXCEEDED"},
    {0xC000008Du, "FLT_DENORMAL_OPERAND"},
    {0xC000008Eu, "FLT_DIVIDE_BY_ZERO"},
    {0xC000008Fu, "FLT_INEXACT_RESULT"},
    {0xC0000090u, "FLT_INVALID_OPERATION"},
    {0xC0000091u, "FLT_OVERFLOW"},
    {0xC0000092u, "FLT_STACK_CHECK"},
    {0xC0000093u, "FLT_UNDERFLOW"},
    {0xC0000094u, "INT_DIVIDE_BY_ZERO"},
    {0xC0000095u, "INT_OVERFLOW"},
    {0xC0000096u, "PRIV_INSTRUCTION"},
    {0xC00000FDu, "STACK_OVERFLOW"},
};
static_assert(sizeof(kSeCodes) / sizeof(kSeCodes[0]) == 22);

constexpr std::uint32_t kAccessViolation = 0xC0000005u;
constexpr std::uint32_t kStackOverflow = 0xC00000FDu;

// One guarded region of a thread; regions nest.
struct GuardFrame {
  sigjmp_buf jump;
  SeExceptionInfo info;
  GuardFrame* previous;
};

// Initial-exec TLS of the program itself: safe to read in a signal handler.
thread_local GuardFrame* t_guard = nullptr;
thread_local std::uintptr_t t_stackLow = 0;  // lowest usable address of this thread's stack

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
    // Not ours to handle (no guarded region, or a signal sent by a process): default action.
    signal(sig, SIG_DFL);
    raise(sig);
    return;
  }
  SeExceptionInfo& info = frame->info;
  info.signalNumber = sig;
  info.signalCode = si->si_code;
  info.dataAddress = reinterpret_cast<std::uintptr_t>(si->si_addr);
  info.code = SeCodeOfSignal(sig, si->si_code);
  if (sig == SIGSEGV && t_stackLow && info.dataAddress < t_stackLow &&
      info.dataAddress + kStackGuardBytes >= t_stackLow)
    info.code = kStackOverflow;
#if defined(__x86_64__)
  info.address = static_cast<std::uintptr_t>(static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
  info.address = static_cast<std::uintptr_t>(static_cast<ucontext_t*>(context)->uc_mcontext.pc);
#else
  (void)context;
  info.address = info.dataAddress;
#endif
  // A second fault while the region unwinds belongs to the enclosing region.
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

CSeException::CSeException(std::uint32_t code, const SeExceptionInfo* info) : code_(code) {
  if (info) info_ = *info;
  info_.code = code;
}

CSeException::~CSeException() = default;

const char* SeCodeName(std::uint32_t code) {
  for (const SeCodeRow& row : kSeCodes)
    if (row.code == code) return row.name;
  return nullptr;
}

std::uint32_t SeCodeOfSignal(int signalNumber, int signalCode) {
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

std::u16string FormatSeException(const CSeException& e) {
  const char* name = SeCodeName(e.GetSeCode());
  if (!name) return u"Unknown exception.";
  char text[160];
  std::snprintf(text, sizeof text, "Exception %s (0x%.8" PRIx32 ") at address 0x%.8" PRIxPTR ".", name,
                e.GetSeCode(), e.GetSeInfo()->address);
  return platform::FromUtf8(text);
}

std::u16string CSeException::Text() const { return FormatSeException(*this); }

bool CSeException::GetErrorMessage(char16_t* buffer, unsigned capacity, unsigned* helpContext) const {
  if (helpContext) *helpContext = 0;
  std::u16string text = Text();
  if (buffer && text.size() < capacity) {
    std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(char16_t));
    return true;
  }
  if (buffer && capacity > 0) buffer[0] = 0;
  return false;
}

platform::MsgAnswer CSeException::ReportError(platform::MsgButtons buttons, unsigned /*helpId*/) const {
  return platform::ShowMessage(Text(), buttons, platform::MsgIcon::Error);
}

void SeTranslator(std::uint32_t code, const SeExceptionInfo* info) { throw CSeException(code, info); }

void InstallSeTranslator() {
  static std::once_flag handlers;
  std::call_once(handlers, InstallHandlers);
  if (t_altStack.memory) return;
  void* memory = std::malloc(kAltStackBytes);
  if (!memory) return;
  stack_t ss{};
  ss.ss_sp = memory;
  ss.ss_size = kAltStackBytes;
  if (sigaltstack(&ss, nullptr) != 0) {
    std::free(memory);
    return;
  }
  t_altStack.memory = memory;
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) == 0) {
    void* low = nullptr;
    std::size_t size = 0;
    if (pthread_attr_getstack(&attr, &low, &size) == 0) t_stackLow = reinterpret_cast<std::uintptr_t>(low);
    pthread_attr_destroy(&attr);
  }
}

void SeGuardedCall(const std::function<void()>& fn) {
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
  if (!finished) SeTranslator(frame.info.code, &frame.info);
}
