#include "platform/module_loader.h"

#include <dlfcn.h>

namespace platform {

ModuleHandle LoadModule(const std::string& path, std::string* error) {
  ModuleHandle h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h && error) {
    const char* why = dlerror();
    *error = why ? why : "load failed";
  }
  return h;
}

void* ModuleSymbol(ModuleHandle module, const char* name) {
  if (!module || !name) return nullptr;
  return dlsym(module, name);
}

void FreeModule(ModuleHandle module) {
  if (module) dlclose(module);
}

}  // namespace platform
