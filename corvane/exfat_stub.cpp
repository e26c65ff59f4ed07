// Placeholder exFAT reader until the directory code lands.
#include <cstdlib>

#include "corvane/engine_hooks.h"

int ReadExfatRootDirectory(FATVOLUMERECORD*) { return 0; }
void FreeExfatEntries() {
  std::free(g_pExfatEntries);
  g_pExfatEntries = nullptr;
  g_dwExfatEntryCount = 0;
}
