// Start-up shared by every module: bind the neighbouring modules it calls, from the program's
// folder, when the module is loaded.
//
// A module lists its neighbours and the exports it takes from them, and calls StartModule from a
// load-time constructor. A neighbour that does not load, or an export it lacks, ends the process
// after the missing-file message: a module that went on with a null entry would crash on its first
// call instead.
#pragma once

#include <initializer_list>
#include <vector>

namespace platform {

struct ModuleImport {
  const char* library;  // file name in the program folder, "util.dll"
  const char* symbol;
  void* slot;           // address of the function pointer to fill
  void (*store)(void* slot, void* address);
};

// One import into a typed function pointer.
template <class Fn>
ModuleImport Import(const char* library, const char* symbol, Fn** slot) {
  return {library, symbol, slot,
          [](void* s, void* address) { *static_cast<Fn**>(s) = reinterpret_cast<Fn*>(address); }};
}

// Loads each library from the program folder (they stay loaded for the life of the process) and
// binds each import. On any failure shows the missing-file message and ends the process with
// exitCode (0 becomes 1: an end on failure never reports success).
void StartModule(std::initializer_list<const char*> libraries, const std::vector<ModuleImport>& imports,
                 int exitCode);

}  // namespace platform
