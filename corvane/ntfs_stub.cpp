// Placeholder NTFS engine until the record access and search code lands.
#include <cstdlib>
#include <new>

#include "corvane/engine_hooks.h"
#include "corvane/ntfs_volume.h"

NTFSVOLUMERECORD* AllocNtfsRecord() {
  void* block = std::calloc(1, sizeof(NTFSVOLUMERECORD));
  return block ? new (block) NTFSVOLUMERECORD{} : nullptr;
}
void FreeNtfsRecord(NTFSVOLUMERECORD* rec) {
  if (!rec) return;
  std::free(rec->record0);
  rec->~NTFSVOLUMERECORD();
  std::free(rec);
}
int SearchNtfsVolume(FILESYSTEMOBJ*) { return 0; }
void FreeNtfsEntries() {
  std::free(g_pNtfsEntries);
  g_pNtfsEntries = nullptr;
  g_dwNtfsEntryCount = 0;
}
