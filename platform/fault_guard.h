// Processor faults (access violations, divisions by zero, illegal instructions, bus errors)
// caught inside a guarded call.
//
// A C++ exception cannot portably be thrown from a signal handler. Instead every thread that runs
// guarded code gets its own alternate signal stack (so even a stack overflow can be handled), and
// RunGuarded records a sigjmp_buf for its call. The handler for SIGSEGV, SIGFPE, SIGILL and SIGBUS
// fills the fault record and siglongjmps back into RunGuarded's frame, which returns false; the
// caller decides what the fault becomes. A fault outside every guarded call gets the default
// action (the process ends with the signal). The frames between the call and the fault are
// abandoned without running their destructors: a reported fault means the job's state is lost.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

// What the handler knows about a fault.
struct FaultRecord {
  std::uint32_t code = 0;          // the fault's exception code (FaultCodeOfSignal)
  std::uintptr_t address = 0;      // address of the faulting instruction
  std::uintptr_t dataAddress = 0;  // address that the instruction touched, when known
  int signalNumber = 0;
  int signalCode = 0;
};

// The exception code that a signal and its si_code stand for: 0xC0000005 for an access
// violation, 0xC0000094 for an integer division by zero, and so on. A fault just below a thread's
// stack is reported as a stack overflow (0xC00000FD) by the handler.
std::uint32_t FaultCodeOfSignal(int signalNumber, int signalCode);

// Installs the process's fault handlers (once) and the calling thread's alternate signal stack.
// Every thread that runs guarded code calls it; the stack is freed when the thread ends. False
// when the thread has no alternate stack (a stack overflow then ends the process).
bool PrepareFaultHandling();

// Runs fn. True when it returned; false, with record filled, when a processor fault ended it.
// Exceptions thrown by fn pass through. Calls nest: a fault belongs to the innermost call.
bool RunGuarded(const std::function<void()>& fn, FaultRecord* record);

}  // namespace platform
