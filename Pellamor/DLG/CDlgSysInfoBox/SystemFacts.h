// Memory and processor facts of the machine, as the system-information box prints them. Reading
// (the /proc texts and the system's values) is apart from building the facts and from the text.
#pragma once

#include <QString>

#include <cstdint>
#include <string>

namespace sysinfo {

// The last address of the user address space with 4-level page tables.
inline constexpr std::uint64_t kLastUserAddress = 0x7FFFFFFFEFFFull;
// The value the other platform gives for x86-64 processors.
inline constexpr std::uint32_t kProcessorTypeX8664 = 8664;

struct SystemFacts {
  std::uint32_t memoryLoad = 0;  // percent of physical memory in use
  std::uint64_t totalPhys = 0;
  std::uint64_t availPhys = 0;
  std::uint64_t totalPageFile = 0;
  std::uint64_t availPageFile = 0;
  std::uint64_t totalVirtual = 0;
  std::uint64_t availVirtual = 0;
  std::uint64_t availExtendedVirtual = 0;
  std::uint32_t processors = 0;
  std::uint32_t processorType = 0;
  std::uint32_t level = 0;     // CPU family
  std::uint32_t revision = 0;  // model << 8 | stepping
  std::uint64_t activeMask = 0;
  std::uint32_t pageSize = 0;
  std::uint64_t minAddress = 0;
  std::uint64_t maxAddress = 0;
};

// What the facts are built from.
struct SystemTexts {
  std::string meminfo;      // /proc/meminfo
  std::string selfStatus;   // /proc/self/status
  std::string cpuinfo;      // /proc/cpuinfo
  std::string mmapMinAddr;  // /proc/sys/vm/mmap_min_addr
  std::uint32_t processors = 0;
  std::uint32_t processorType = 0;
  std::uint64_t activeMask = 0;  // CPUs 0-63
  std::uint32_t pageSize = 0;
};

SystemFacts FactsFrom(const SystemTexts& texts);
// The machine's own texts and values, through platform/.
SystemTexts ReadSystemTexts();
inline SystemFacts ReadSystemFacts() { return FactsFrom(ReadSystemTexts()); }

// The box's text, sizes through FormatSizeText.
QString SystemInfoText(const SystemFacts& facts);

}  // namespace sysinfo
