// Loading of the suite's modules: ELF shared objects named by their identifier ("util.dll").
#pragma once

#include <string>

namespace platform {

using ModuleHandle = void*;

// Loads a module by full path, resolving all its symbols now and keeping them local to it.
// Null on failure, with the loader's reason in *error.
ModuleHandle LoadModule(const std::string& path, std::string* error = nullptr);

// Address of an exported name, null when the module lacks it.
void* ModuleSymbol(ModuleHandle module, const char* name);

// Drops one reference to a loaded module. Null is ignored.
void FreeModule(ModuleHandle module);

}  // namespace platform
