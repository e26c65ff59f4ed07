#include "corvane/module_table.h"

#include <cstdio>
#include <stdexcept>

#include "corvane/dll_processor.h"
#include "platform/message.h"
#include "platform/program_folder.h"

std::vector<MODULEINFO> g_ModuleTable;

namespace {

std::u16string Ascii(const char* text) { return platform::FromUtf8(text); }

// Word index of a selector bit, -1 for any other selector.
int WordOfSelector(std::uint32_t selector) {
  switch (selector) {
    case 1: return kVerA;
    case 2: return kVerB;
    case 4: return kVerC;
    case 8: return kVerD;
    case 16: return kFirstYear;
    case 32: return kFirstMonth;
    case 64: return kFirstDay;
    case 128: return kBuildYear;
    case 256: return kBuildMonth;
    case 512: return kBuildDay;
    case 1024: return kAgentCode1;
    case 2048: return kBuildType;
    case 4096: return kAgentCode2;
    case 8192: return kAgentCode3;
    case 16384: return kBuildNumber;
    default: return -1;
  }
}

template <class... Args>
std::u16string Format(const char* format, Args... args) {
  char buf[256];
  int n = std::snprintf(buf, sizeof buf, format, args...);
  if (n < 0) return {};
  return Ascii(buf);
}

}  // namespace

int LoadModuleTable() {
  const std::u16string folder = platform::FromUtf8(platform::ProgramFolder());
  g_ModuleTable.clear();
  std::int32_t sequence = 0;
  for (const ModuleRowInfo& info : module_versions::kRows) {
    MODULEINFO row;
    row.folder = folder;
    row.fileName = Ascii(info.identifier);
    row.description = Ascii(info.description);
    row.fullPath = folder + u"/" + row.fileName;
    row.kind = info.kind;
    if (info.kind != kKindListed) row.sequence = sequence++;
    if (info.kind == kKindLoaded) {
      bool ignored = false;
      for (;;) {
        row.handle = platform::LoadModule(platform::ToUtf8(row.fullPath));
        if (row.handle) break;
        std::u16string text = u"DLL " + row.fileName + u" 라이브러리를 가져올 수 없습니다.";
        platform::MsgAnswer a = platform::ShowMessage(text, platform::MsgButtons::AbortRetryIgnore);
        if (a == platform::MsgAnswer::Retry) continue;
        if (a == platform::MsgAnswer::Ignore) {
          ignored = true;
          break;
        }
        platform::ExitProcess(1);  // Abort: a start-up that gives up is not a success
      }
      if (ignored) continue;
    }
    g_ModuleTable.push_back(std::move(row));
  }
  return 1;
}

int FindModuleRow(std::u16string_view identifier) {
  for (std::size_t i = 0; i < g_ModuleTable.size(); ++i)
    if (g_ModuleTable[i].fileName == identifier) return static_cast<int>(i);
  return -1;
}

MODULEINFO& ModuleRow(int place) {
  if (place < 0 || static_cast<std::size_t>(place) >= g_ModuleTable.size())
    throw std::invalid_argument("module table place out of range");
  return g_ModuleTable[static_cast<std::size_t>(place)];
}

int IsLoadableModule(int place) { return ModuleRow(place).kind == kKindLoaded ? 1 : 0; }

std::uint32_t GetModuleVersionField(std::uint32_t selector, int place) {
  int w = WordOfSelector(selector);
  return w < 0 ? 0 : ModuleRow(place).version.module[w];
}

std::uint32_t GetCommonVersionField(std::uint32_t selector, int place) {
  int w = WordOfSelector(selector);
  return w < 0 ? 0 : ModuleRow(place).version.common[w];
}

std::u16string FormatBuildTypeText(int place) {
  const VERSIONRECORD& v = ModuleRow(place).version;
  const std::uint32_t type = v.module[kBuildType];
  const std::uint32_t n = v.module[kBuildNumber];
  switch (type) {
    case 1: return Format("Preview %d", static_cast<int>(n));
    case 2: return Format("Alpha %d", static_cast<int>(n));
    case 4: return Format("Beta %d", static_cast<int>(n));
    case 8: return Format("RC %d", static_cast<int>(n));
    case 16: return Format("RTM %#010x", n);
    case 32: return Format("OFF %#010x", n);
    default: return {};
  }
}

std::u16string FormatModuleVersionText(int place, std::uint32_t mask) {
  const VERSIONRECORD& v = ModuleRow(place).version;
  const std::uint32_t* m = v.module;
  const std::uint32_t* c = v.common;
  auto i = [](std::uint32_t x) { return static_cast<int>(x); };
  std::u16string text;
  if (mask & 1) text += Format("%d.%d.%d.%d ", i(m[kVerA]), i(m[kVerB]), i(m[kVerC]), i(m[kVerD]));
  if (mask & 2) text += Format("%d ", i(m[kVerC]));
  if (mask & 8)
    text += Format("(%04d-%02d-%02d) ", i(m[kBuildYear]), i(m[kBuildMonth]), i(m[kBuildDay]));
  if (mask & 16) {
    // The agent's day count stands in the third place; without an agent it is 0.
    int days = pfn_cal_diff_countdown_day
                   ? pfn_cal_diff_countdown_day(i(c[kFirstYear]), i(c[kFirstMonth]), i(c[kFirstDay]),
                                                i(c[kBuildYear]), i(c[kBuildMonth]), i(c[kBuildDay]))
                   : 0;
    text += Format("%d.%d.%d.%d (%04d%02d%02d) ", i(c[kVerA]), i(c[kVerB]), days, i(c[kVerD]),
                   i(c[kBuildYear]), i(c[kBuildMonth]), i(c[kBuildDay]));
  }
  return text;
}
