// Texts of the property check of one FAT directory entry, without widgets: the dialog makes them
// on a worker and engine_probe prints them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// The edit controls in the order their texts are made.
inline constexpr std::array<int, 12> kPropertyControls = {1420, 1426, 1422, 1076, 1074, 1075,
                                                          1077, 1072, 1073, 1424, 1429, 1432};

// Texts of entry `index` of the current FAT12/16/32 entry table, in kPropertyControls order.
// Reads the engine's current volume and its loaded table; nothing is written or shown. Empty
// when no FAT volume is open or the index lies outside the table.
std::array<std::u16string, 12> MakeFatPropertyTexts(std::uint32_t index);

// Clusters of the chain from first to its end mark; 0 when first is 0 or the chain does not end
// cleanly (freed, bad, out of range, looped) or no table is loaded.
std::uint32_t CountCleanChain(std::uint32_t first);

// size raised to the next whole number of clusters.
std::uint64_t AllocatedBytes(std::uint64_t size, std::uint64_t clusterBytes);
