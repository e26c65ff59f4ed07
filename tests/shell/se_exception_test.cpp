#include <gtest/gtest.h>

#include <csignal>
#include <regex>
#include <thread>

#include "Pellamor/SafeThread.h"
#include "Pellamor/SeException.h"
#include "platform/message.h"
#include "shell_support.h"

namespace {

std::string Utf8(const std::u16string& s) { return platform::ToUtf8(s); }

TEST(SeException, EveryCodeOfTheTableHasItsName) {
  struct Row {
    std::uint32_t code;
    const char* name;
  };
  const Row rows[] = {
      {0x80000001, "GUARD_PAGE"}, {0x80000002, "DATATYPE_MISALIGNMENT"}, {0x80000003, "BREAKPOINT"},
      {0x80000004, "SINGLE_STEP"}, {0xC0000005, "ACCESS_VIOLATION"}, {0xC0000006, "IN_PAGE_ERROR"},
      {0xC0000008, "INVALID_HANDLE"}, {0xC000001D, "ILLEGAL_INSTRUCTION"},
      {0xC0000025, "NONCONTINUABLE_EXCEPTION"}, {0xC0000026, "INVALID_DISPOSITION"},
      {0xC000008C, "ARRAY_BOUNDS_EXCEEDED"}, {0xC000008D, "FLT_DENORMAL_OPERAND"},
      {0xC000008E, "FLT_DIVIDE_BY_ZERO"}, {0xC000008F, "FLT_INEXACT_RESULT"},
      {0xC0000090, "FLT_INVALID_OPERATION"}, {0xC0000091, "FLT_OVERFLOW"}, {0xC0000092, "FLT_STACK_CHECK"},
      {0xC0000093, "FLT_UNDERFLOW"}, {0xC0000094, "INT_DIVIDE_BY_ZERO"}, {0xC0000095, "INT_OVERFLOW"},
      {0xC0000096, "PRIV_INSTRUCTION"}, {0xC00000FD, "STACK_OVERFLOW"},
  };
  for (const Row& r : rows) {
    ASSERT_NE(SeCodeName(r.code), nullptr) << std::hex << r.code;
    EXPECT_STREQ(SeCodeName(r.code), r.name);
    SeExceptionInfo info;
    info.address = 0x1234;
    CSeException e(r.code, &info);
    char expected[128];
    std::snprintf(expected, sizeof expected, "Exception %s (0x%08x) at address 0x00001234.", r.name, r.code);
    EXPECT_EQ(Utf8(e.Text()), expected);
  }
  EXPECT_EQ(SeCodeName(0xC0000001), nullptr);
  EXPECT_EQ(Utf8(CSeException(0xC0000001, nullptr).Text()), "Unknown exception.");
}

TEST(SeException, SignalsMapToTheirCodes) {
  struct Row {
    int sig, code;
    std::uint32_t expected;
  };
  const Row rows[] = {
      {SIGFPE, FPE_INTDIV, 0xC0000094}, {SIGFPE, FPE_INTOVF, 0xC0000095}, {SIGFPE, FPE_FLTDIV, 0xC000008E},
      {SIGFPE, FPE_FLTOVF, 0xC0000091}, {SIGFPE, FPE_FLTUND, 0xC0000093}, {SIGFPE, FPE_FLTRES, 0xC000008F},
      {SIGFPE, FPE_FLTINV, 0xC0000090}, {SIGFPE, FPE_FLTSUB, 0xC000008C}, {SIGSEGV, SEGV_MAPERR, 0xC0000005},
      {SIGSEGV, SEGV_ACCERR, 0xC0000005}, {SIGILL, ILL_ILLOPC, 0xC000001D}, {SIGILL, ILL_PRVOPC, 0xC0000096},
      {SIGBUS, BUS_ADRALN, 0x80000002}, {SIGBUS, BUS_ADRERR, 0xC0000006},
  };
  for (const Row& r : rows) EXPECT_EQ(SeCodeOfSignal(r.sig, r.code), r.expected) << r.sig << "/" << r.code;
}

TEST(SeException, ErrorMessageNeedsRoomForTheTerminator) {
  CSeException e(0xC0000005, nullptr);
  std::u16string text = e.Text();
  std::u16string buffer(text.size() + 8, u'x');
  unsigned help = 99;
  EXPECT_FALSE(e.GetErrorMessage(buffer.data(), static_cast<unsigned>(text.size()), &help));
  EXPECT_EQ(buffer[0], u'\0');
  EXPECT_EQ(help, 0u);
  EXPECT_TRUE(e.GetErrorMessage(buffer.data(), static_cast<unsigned>(text.size() + 1)));
  EXPECT_EQ(std::u16string(buffer.c_str()), text);
}

volatile int g_zero = 0;
volatile int* volatile g_null = nullptr;

// Real faults; the sanitizers must let them happen, so the handler sees them.
__attribute__((noinline, no_sanitize("undefined"))) void StoreThroughNull() { *g_null = 1; }
__attribute__((noinline, no_sanitize("undefined"))) void DivideByZero() { g_zero = 7 / g_zero; }

TEST(SeException, AFaultInAGuardedRegionBecomesAnExceptionAndTheProgramGoesOn) {
  InstallSeTranslator();
  for (int round = 0; round < 2; ++round) {  // the handler stays usable after a fault
    try {
      SeGuardedCall([] { StoreThroughNull(); });
      FAIL() << "no fault";
    } catch (const CSeException& e) {
      EXPECT_EQ(e.GetSeCode(), 0xC0000005u);
      EXPECT_EQ(e.GetSeInfo()->dataAddress, 0u);
    }
  }
  // Nested regions: the inner one catches its own fault, the outer one sees a normal return.
  bool innerCaught = false;
  EXPECT_NO_THROW(SeGuardedCall([&] {
    try {
      SeGuardedCall([] { DivideByZero(); });
    } catch (const CSeException& e) {
      innerCaught = e.GetSeCode() == 0xC0000094u;
    }
  }));
  EXPECT_TRUE(innerCaught);
  // Ordinary exceptions pass through unchanged.
  EXPECT_THROW(SeGuardedCall([] { throw std::runtime_error("x"); }), std::runtime_error);
}

TEST(SeException, ADivisionByZeroOnAWorkerIsReportedWithItsCode) {
  platform::RecordingMessageSink sink;
  platform::ScopedMessageSink guard(&sink);
  dudizo::SmartPtr<CSafeThread> t(CSafeThread::Start(
      +[](void*) -> unsigned {
        DivideByZero();
        return 3;
      },
      nullptr));
  ASSERT_TRUE(t);
  ASSERT_TRUE(shell_test::WaitFor([&] { return !t->IsRunning(); }));
  std::string text = Utf8(t->FaultText());
  EXPECT_TRUE(std::regex_match(text, std::regex(R"(Exception INT_DIVIDE_BY_ZERO \(0xc0000094\) at address 0x[0-9a-f]{8,}\.)")))
      << text;
  ASSERT_EQ(sink.Texts().size(), 1u);
  EXPECT_EQ(Utf8(sink.Texts()[0]), text);
  EXPECT_EQ(t->ExitCode(), 0u);
}

}  // namespace
