#include "corvane/dll_processor.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "corvane/engine_text.h"
#include "corvane/module_table.h"
#include "platform/message.h"
#include "platform/module_startup.h"

#define PELLAMOR_DEFINE_BOUND(id, name) decltype(&::name) pfn_##name = nullptr;
PELLAMOR_MODULE_EXPORTS(PELLAMOR_DEFINE_BOUND)
#undef PELLAMOR_DEFINE_BOUND

namespace {

#define PELLAMOR_IMPORT(id, name) platform::Import(id, #name, &pfn_##name),
const platform::ModuleImport kImports[] = {PELLAMOR_MODULE_EXPORTS(PELLAMOR_IMPORT)};
#undef PELLAMOR_IMPORT

#define PELLAMOR_IS_BOUND(id, name) && pfn_##name != nullptr
bool AllBound() { return true PELLAMOR_MODULE_EXPORTS(PELLAMOR_IS_BOUND); }
#undef PELLAMOR_IS_BOUND

#define PELLAMOR_CLEAR(id, name) pfn_##name = nullptr;
void ClearAll() { PELLAMOR_MODULE_EXPORTS(PELLAMOR_CLEAR) }
#undef PELLAMOR_CLEAR

bool IsVersionExport(const char* name) {
  return std::string(name).rfind("read_runtime_module_version_", 0) == 0;
}

// The engine's texts convert OEM bytes through util once it is bound.
std::u16string UtilConverter(std::string_view bytes) {
  if (!pfn_get_unicode_of_ascii) return {};
  std::u16string text = pfn_get_unicode_of_ascii(std::string(bytes).c_str(), 4096);
  if (!text.empty() && text.back() == u'\n') text.pop_back();
  return text;
}

}  // namespace

void BindAllModules() {
  for (MODULEINFO& row : g_ModuleTable) {
    if (row.kind != kKindLoaded) continue;
    if (!row.handle) throw std::invalid_argument("loadable module row without a module handle");
    const std::string id = platform::ToUtf8(row.fileName);
    for (const platform::ModuleImport& imp : kImports) {
      if (id != imp.library) continue;
      void* address = platform::ModuleSymbol(row.handle, imp.symbol);
      imp.store(imp.slot, address);
      if (IsVersionExport(imp.symbol))
        row.versionFunction = reinterpret_cast<std::int64_t (*)(int)>(address);
    }
  }
}

int CheckModuleExports() {
  if (AllBound()) return 1;
  platform::ShowMessage(u"프로그램이 구동하는데 필요한 함수가 없습니다. 더 최신버전의 Corvane 가 필요합니다.");
  ShowFatalErrorAndExit(__TIMESTAMP__, __FILE__, kCodeMissingExport, 1, 1);
  return 0;
}

int InitModules() {
  for (MODULEINFO& row : g_ModuleTable) {
    module_versions::FillVersionRecord(platform::ToUtf8(row.fileName), &row.version);
    if (pfn_load_module_version) pfn_load_module_version(&row.version);
  }
  SetAsciiToUnicodeConverter(pfn_get_unicode_of_ascii ? &UtilConverter : nullptr);
  return 1;
}

void UnloadModules() {
  for (std::size_t i = 0; i < g_ModuleTable.size(); ++i) {
    try {
      MODULEINFO& row = ModuleRow(static_cast<int>(i));
      if (row.kind == kKindLoaded && row.handle) platform::FreeModule(row.handle);
      row.handle = nullptr;
    } catch (const std::invalid_argument&) {
      ShowFatalErrorAndExit(__TIMESTAMP__, __FILE__, kCodeModuleUnload, 1, 0);
    }
  }
  g_ModuleTable.clear();
  SetAsciiToUnicodeConverter(nullptr);
  ClearAll();  // the modules are gone: no pointer may lead into them
}

void ShowFatalErrorAndExit(const char* stamp, const char* path, std::uint32_t code, int number,
                           int exit) {
  (void)path;  // kept by callers for the report; the box shows the code and the time stamp
  char head[64];
  std::snprintf(head, sizeof head, "%X (#%d) ", code, number);
  std::u16string text = u"코드번호: " + platform::FromUtf8(head) + u"\r\n\n" +
                        platform::FromUtf8(stamp ? stamp : "") +
                        u"\r\n\n코드번호에 관한 자세한 내용은 매뉴얼을 참조하십시오.\r\n\n";
  if (exit == 1) text += u"(확인을 누르면 프로그램을 종료합니다.)\r\n\n";
  platform::ShowMessage(text);
  if (exit == 1) platform::ExitProcess(1);
}
