#include "Pellamor/DLG/CDlgSysInfoBox/SystemFacts.h"

#include <charconv>
#include <optional>
#include <string_view>

#include "Pellamor/AppRecords.h"
#include "platform/processors.h"
#include "platform/system_facts.h"

namespace sysinfo {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

std::optional<std::uint64_t> Number(std::string_view s) {
  s = Trim(s);
  std::uint64_t v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end == s.data()) return std::nullopt;
  return v;
}

// The value of "Name:" in a "Name: value" text (of the first block that has it).
std::optional<std::string_view> Field(std::string_view text, std::string_view name) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos && Trim(line.substr(0, colon)) == name) return line.substr(colon + 1);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return std::nullopt;
}

// "MemTotal:  16316412 kB" in bytes.
std::optional<std::uint64_t> Kilobytes(std::string_view text, std::string_view name) {
  const auto value = Field(text, name);
  if (!value) return std::nullopt;
  const std::string_view v = Trim(*value);
  const auto n = Number(v.substr(0, v.find(' ')));
  if (!n) return std::nullopt;
  return *n * 1024;
}

QString Size(std::uint64_t bytes) {
  return QString::fromStdU16String(FormatSizeText(static_cast<double>(bytes), 2, 1, 0, 0));
}

QString Hex(std::uint64_t v) { return QString::number(static_cast<qulonglong>(v), 16).toUpper(); }

}  // namespace

SystemFacts FactsFrom(const SystemTexts& texts) {
  SystemFacts f;
  f.totalPhys = Kilobytes(texts.meminfo, "MemTotal").value_or(0);
  // Kernels before 3.14 have no MemAvailable; their free memory stands in.
  f.availPhys = Kilobytes(texts.meminfo, "MemAvailable").value_or(Kilobytes(texts.meminfo, "MemFree").value_or(0));
  if (f.availPhys > f.totalPhys) f.availPhys = f.totalPhys;
  f.memoryLoad = f.totalPhys ? static_cast<std::uint32_t>((f.totalPhys - f.availPhys) * 100 / f.totalPhys) : 0;
  f.totalPageFile = Kilobytes(texts.meminfo, "SwapTotal").value_or(0);
  f.availPageFile = Kilobytes(texts.meminfo, "SwapFree").value_or(0);
  f.totalVirtual = kLastUserAddress + 1;
  const std::uint64_t mapped = Kilobytes(texts.selfStatus, "VmSize").value_or(0);
  f.availVirtual = mapped < f.totalVirtual ? f.totalVirtual - mapped : 0;
  f.availExtendedVirtual = 0;  // as the other platform always gives

  f.processors = texts.processors;
  f.processorType = texts.processorType;
  const auto family = Field(texts.cpuinfo, "cpu family");
  const auto model = Field(texts.cpuinfo, "model");
  const auto stepping = Field(texts.cpuinfo, "stepping");
  f.level = static_cast<std::uint32_t>(family ? Number(*family).value_or(0) : 0);
  const std::uint64_t m = model ? Number(*model).value_or(0) : 0;
  const std::uint64_t s = stepping ? Number(*stepping).value_or(0) : 0;
  f.revision = static_cast<std::uint32_t>((m & 0xFF) << 8 | (s & 0xFF));
  f.activeMask = texts.activeMask;
  f.pageSize = texts.pageSize;
  f.minAddress = Number(texts.mmapMinAddr).value_or(0);
  f.maxAddress = kLastUserAddress;
  return f;
}

SystemTexts ReadSystemTexts() {
  SystemTexts t;
  t.meminfo = platform::ReadKernelText(platform::KernelText::kMemInfo);
  t.selfStatus = platform::ReadKernelText(platform::KernelText::kSelfStatus);
  t.cpuinfo = platform::ReadKernelText(platform::KernelText::kCpuInfo);
  t.mmapMinAddr = platform::ReadKernelText(platform::KernelText::kMmapMinAddr);
  t.processors = platform::OnlineProcessorCount();
#if defined(__x86_64__)
  t.processorType = kProcessorTypeX8664;
#endif
  t.activeMask = platform::ProcessorAffinityMask();
  t.pageSize = platform::MemoryPageSize();
  return t;
}

QString SystemInfoText(const SystemFacts& f) {
  QString text = QString::fromUtf16(u"하드웨어 정보: \r\n\n\n");
  text += QString::fromUtf16(u"   메모리 사용공간 (백분율): %1 %\r\n\n").arg(f.memoryLoad, 3);
  const struct {
    const char16_t* format;
    std::uint64_t bytes;
  } sizes[] = {
      {u"   물리메모리 크기: %1\r\n\n", f.totalPhys},
      {u"   물리메모리 여유공간: %1\r\n\n", f.availPhys},
      {u"   페이징 파일 크기: %1\r\n\n", f.totalPageFile},
      {u"   페이징 파일 여유공간: %1\r\n\n", f.availPageFile},
      {u"   가상메모리 크기: %1\r\n\n", f.totalVirtual},
      {u"   가상메모리 여유공간: %1\r\n\n", f.availVirtual},
      {u"   확장메모리 여유공간: %1\r\n\n\n\n", f.availExtendedVirtual},
  };
  for (const auto& s : sizes) text += QString::fromUtf16(s.format).arg(Size(s.bytes));
  text += QString::fromUtf16(u"   프로세스 갯수: %1\r\n\n").arg(f.processors);
  text += QString::fromUtf16(u"   프로세스 타입: %1\r\n\n").arg(f.processorType);
  text += QString::fromUtf16(u"   프로세스 레벨: %1\r\n\n").arg(f.level);
  text += QString::fromUtf16(u"   프로세스 리비전: %1\r\n\n").arg(f.revision);
  text += QString::fromUtf16(u"   활성 프로세스 마스크: %1\r\n\n").arg(static_cast<qulonglong>(f.activeMask));
  text += QString::fromUtf16(u"   페이지 크기: %1 Bytes\r\n\n").arg(f.pageSize);
  text += QString::fromUtf16(u"   응용프로그램의 주소범위: 0x%1 ~ 0x%2\r\n\n").arg(Hex(f.minAddress), Hex(f.maxAddress));
  return text;
}

}  // namespace sysinfo
