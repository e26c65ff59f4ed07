// The FAT directory scanner: raw 32-byte slots to FATDIRENTRY records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "corvane/fat_records.h"
#include "corvane/filesystem.h"

inline constexpr char16_t kMsgScanAbnormal[] = u"비정상으로 처리되어 계속 할 수 없습니다";

// Parses the slots of one directory into records, in directory order (no reorder). The walk
// ends at the first free slot (first byte 0) or at the end of the bytes. Result: the number of
// slots walked.
std::size_t ParseFatDirectory(const std::uint8_t* bytes, std::size_t size, std::uint32_t lastCluster,
                              std::vector<FATDIRENTRY>* out);

// Volume labels first, then folders, then everything else, each group in directory order.
void ReorderFatEntries(std::vector<FATDIRENTRY>* entries);

// Long-name checksum of an 11-byte short name.
std::uint8_t ShortNameChecksum(const std::uint8_t* name11);

// Builds g_pFatDirEntries from slotCount slots of buffer; 1 when an array was built.
int ScanDirectoryEntries(FATVOLUMERECORD* rec, std::uint32_t slotCount, const std::uint8_t* buffer);
