// Processor faults (access violations, divisions by zero, illegal instructions, bus errors)
// turned into ordinary C++ exceptions inside a guarded region.
//
// Design: a C++ exception cannot portably be thrown from a signal handler. Instead every thread
// that runs guarded code gets its own alternate signal stack (so even a stack overflow can be
// handled), and SeGuardedCall records a sigjmp_buf for the region. The handler for SIGSEGV, SIGFPE,
// SIGILL and SIGBUS fills the fault record and siglongjmps back into the region's frame; there,
// outside the handler, the fault is thrown as a CSeException. A fault outside every guarded region
// gets the default action (the process ends with the signal), as it would without the translator.
// The frames between the region and the fault are abandoned without running their destructors:
// a reported fault means the job's state is lost, and the caller treats it so.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/message.h"

// What the handler knows about a fault.
struct SeExceptionInfo {
  std::uint32_t code = 0;          // the fault's code (table in SeException.cpp)
  std::uintptr_t address = 0;      // address of the faulting instruction
  std::uintptr_t dataAddress = 0;  // address that the instruction touched, when known
  int signalNumber = 0;
  int signalCode = 0;
};

class CSeException {
 public:
  CSeException(std::uint32_t code, const SeExceptionInfo* info);
  virtual ~CSeException();

  std::uint32_t GetSeCode() const { return code_; }
  const SeExceptionInfo* GetSeInfo() const { return &info_; }

  // Copies the text with its terminator when it is shorter than capacity; otherwise an empty
  // string and false. helpContext, when given, becomes 0.
  bool GetErrorMessage(char16_t* buffer, unsigned capacity, unsigned* helpContext = nullptr) const;
  std::u16string Text() const;
  // Shows the text in a message box and returns the answer.
  platform::MsgAnswer ReportError(platform::MsgButtons buttons = platform::MsgButtons::Ok,
                                  unsigned helpId = 0) const;

 private:
  std::uint32_t code_;
  SeExceptionInfo info_;
};

// Name of a fault code, null for a code outside the table.
const char* SeCodeName(std::uint32_t code);
// "Exception %s (0x%.8x) at address 0x%.8x." or "Unknown exception.".
std::u16string FormatSeException(const CSeException& e);
// Throws a CSeException for the code and record.
[[noreturn]] void SeTranslator(std::uint32_t code, const SeExceptionInfo* info);
// The code that a signal and its si_code stand for.
std::uint32_t SeCodeOfSignal(int signalNumber, int signalCode);

// Installs the process's fault handlers (once) and the calling thread's alternate signal stack.
// Every thread that runs guarded code calls it; the stack is freed when the thread ends.
void InstallSeTranslator();

// Runs fn; a fault inside it is thrown as a CSeException from here.
void SeGuardedCall(const std::function<void()>& fn);
