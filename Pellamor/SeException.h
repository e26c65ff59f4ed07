// Processor faults (access violations, divisions by zero, illegal instructions, bus errors)
// turned into ordinary C++ exceptions inside a guarded region.
//
// The platform layer catches the fault (platform/fault_guard.h: an alternate signal stack per
// thread and a jump back into the guarded call); here the fault becomes a CSeException, thrown
// from SeGuardedCall outside the signal handler. A fault outside every guarded region ends the
// process with the signal, as it would without the translator. The frames between the region and
// the fault are abandoned without running their destructors: a reported fault means the job's
// state is lost, and the caller treats it so.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/fault_guard.h"
#include "platform/message.h"

// What the handler knows about a fault: its code (table in SeException.cpp), the faulting
// instruction's address and the address it touched.
using SeExceptionInfo = platform::FaultRecord;

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
inline std::uint32_t SeCodeOfSignal(int signalNumber, int signalCode) {
  return platform::FaultCodeOfSignal(signalNumber, signalCode);
}

// Installs the process's fault handlers (once) and the calling thread's alternate signal stack.
// Every thread that runs guarded code calls it; the stack is freed when the thread ends.
void InstallSeTranslator();

// Runs fn; a fault inside it is thrown as a CSeException from here.
void SeGuardedCall(const std::function<void()>& fn);
