#include "Pellamor/SeException.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

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

void InstallSeTranslator() { platform::PrepareFaultHandling(); }

void SeGuardedCall(const std::function<void()>& fn) {
  SeExceptionInfo info;
  if (!platform::RunGuarded(fn, &info)) SeTranslator(info.code, &info);
}
