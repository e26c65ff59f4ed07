// The exFAT root directory reader: file entry sets to EXFATFILEENTRY records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "corvane/exfat_records.h"
#include "corvane/filesystem.h"

inline constexpr char16_t kMsgExfatNoArray[] = u"메모리를 할당받을 수 없습니다.";

// exFAT directories hold at most 256 MiB of entries.
inline constexpr std::uint64_t kMaxExfatDirectoryBytes = 256ull << 20;

// Parses the entries of a directory into records in directory order. The walk ends at the
// first entry of type 0 or at the end of the bytes; a set whose entries run past that end is
// dropped. Result: the number of entries walked.
std::size_t ParseExfatDirectory(const std::uint8_t* bytes, std::size_t size,
                                std::vector<EXFATFILEENTRY>* out);

// Clusters of the root directory, read along the allocation table from the boot copy's root
// cluster: the cluster numbers and their bytes. False when the boot values are unusable or the
// first cluster cannot be read.
bool ReadExfatRootBytes(FATVOLUMERECORD* rec, std::vector<std::uint8_t>* bytes,
                        std::vector<std::uint32_t>* clusters);
