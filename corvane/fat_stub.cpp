// Placeholder FAT engine until the allocation-table and directory code lands.
#include <cstdlib>

#include "corvane/engine_hooks.h"

int LoadFat12Table(FATVOLUMERECORD*) { return 0; }
int LoadFat16Table(FATVOLUMERECORD*) { return 0; }
int LoadFat32Table(FATVOLUMERECORD*) { return 0; }
int ReadFatRootDirectory(FATVOLUMERECORD*) { return 0; }
int ReadFat12Directory(FATVOLUMERECORD*, std::uint32_t) { return 0; }
int ReadFat16Directory(FATVOLUMERECORD*, std::uint32_t) { return 0; }
int ReadFat32Directory(FATVOLUMERECORD*, std::uint32_t) { return 0; }
int CheckClusterRange(std::int64_t cluster, const FATVOLUMERECORD* rec) {
  return cluster >= 0 && cluster <= rec->geometry.lastCluster;
}
std::uint8_t* ReadCluster(FATVOLUMERECORD*, std::uint32_t) { return nullptr; }
int CountFat12Chain(FATVOLUMERECORD*, std::uint32_t, int) { return -1; }
int CountFat16Chain(FATVOLUMERECORD*, std::uint32_t, int) { return -1; }
int CountFat32Chain(std::uint32_t, int) { return -1; }
std::int64_t GetFat12FileSize(FATVOLUMERECORD*, std::uint32_t) { return -2; }
std::int64_t GetFat16FileSize(FATVOLUMERECORD*, std::uint32_t) { return -2; }
std::int64_t GetFat32FileSize(std::uint32_t, std::int64_t) { return -2; }
void FreeFatTables() {
  std::free(g_pFat12Table);
  std::free(g_pFat16Table);
  std::free(g_pFat32Table);
  g_pFat12Table = nullptr;
  g_pFat16Table = nullptr;
  g_pFat32Table = nullptr;
  g_dwFatTableEntries = 0;
}
void FreeFatDirEntries() {
  std::free(g_pFatDirEntries);
  g_pFatDirEntries = nullptr;
  g_dwFatDirEntryCount = 0;
}
