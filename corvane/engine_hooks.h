// What the facade needs of the FAT, exFAT and NTFS engines.
#pragma once

#include <cstdint>

#include "corvane/filesystem.h"

// FAT allocation tables, chains and directories.
int LoadFat12Table(FATVOLUMERECORD* rec);
int LoadFat16Table(FATVOLUMERECORD* rec);
int LoadFat32Table(FATVOLUMERECORD* rec);
int ReadFatRootDirectory(FATVOLUMERECORD* rec);
int ReadFat12Directory(FATVOLUMERECORD* rec, std::uint32_t firstCluster);
int ReadFat16Directory(FATVOLUMERECORD* rec, std::uint32_t firstCluster);
int ReadFat32Directory(FATVOLUMERECORD* rec, std::uint32_t firstCluster);
int CheckClusterRange(std::int64_t cluster, const FATVOLUMERECORD* rec);
std::uint8_t* ReadCluster(FATVOLUMERECORD* rec, std::uint32_t cluster);
int CountFat12Chain(FATVOLUMERECORD* rec, std::uint32_t cluster, int start);
int CountFat16Chain(FATVOLUMERECORD* rec, std::uint32_t cluster, int start);
int CountFat32Chain(std::uint32_t cluster, int start);
std::int64_t GetFat12FileSize(FATVOLUMERECORD* rec, std::uint32_t firstCluster);
std::int64_t GetFat16FileSize(FATVOLUMERECORD* rec, std::uint32_t firstCluster);
std::int64_t GetFat32FileSize(std::uint32_t firstCluster, std::int64_t fileSize);
void FreeFatTables();
void FreeFatDirEntries();

// exFAT directory reader.
int ReadExfatRootDirectory(FATVOLUMERECORD* rec);
void FreeExfatEntries();

// NTFS search.
NTFSVOLUMERECORD* AllocNtfsRecord();
void FreeNtfsRecord(NTFSVOLUMERECORD* rec);
// Runs the deleted-file search on the calling thread; 1 when the entries are loaded.
int SearchNtfsVolume(FILESYSTEMOBJ* fs);
void FreeNtfsEntries();
