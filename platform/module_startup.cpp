#include "platform/module_startup.h"

#include <string>
#include <vector>

#include "platform/message.h"
#include "platform/module_loader.h"
#include "platform/program_folder.h"

namespace platform {
namespace {

[[noreturn]] void MissingFile(int exitCode) {
  ShowMessage(u"프로그램 구동에 필요한 파일이 없습니다. 프로그램을 다시 설치해 주십시오.");
  ExitProcess(exitCode == 0 ? 1 : exitCode);
}

}  // namespace

void StartModule(std::initializer_list<const char*> libraries, const std::vector<ModuleImport>& imports,
                 int exitCode) {
  struct Loaded {
    std::string name;
    ModuleHandle handle;
  };
  std::vector<Loaded> loaded;
  const std::string folder = ProgramFolder();
  for (const char* name : libraries) {
    ModuleHandle h = LoadModule(folder + "/" + name);
    if (!h) MissingFile(exitCode);
    loaded.push_back({name, h});
  }
  for (const ModuleImport& imp : imports) {
    void* address = nullptr;
    for (const Loaded& l : loaded)
      if (l.name == imp.library) address = ModuleSymbol(l.handle, imp.symbol);
    if (!address) MissingFile(exitCode);
    imp.store(imp.slot, address);
  }
}

}  // namespace platform
