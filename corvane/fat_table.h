// FAT allocation tables, cluster chains, cluster reads and directory reads.
//
// The table of the open volume is loaded once into g_pFat12Table, g_pFat16Table or
// g_pFat32Table (one element per cluster, 0 .. last cluster, plus one spare). Every chain walk
// is iterative and bounded by the volume's cluster count, so a looped or corrupt chain ends.
#pragma once

#include <cstdint>
#include <vector>

#include "corvane/engine_hooks.h"
#include "corvane/fat_records.h"
#include "corvane/filesystem.h"

inline constexpr char16_t kMsgFatOutOfMemory[] = u"메모리가 부족합니다.";
inline constexpr char16_t kMsgCannotReadSectors[] = u"섹터를 읽을 수 없습니다";
inline constexpr char16_t kMsgCannotReadSectorsDot[] = u"섹터를 읽을 수 없습니다.";
inline constexpr char16_t kMsgClusterAbnormal[] = u"클러스터가 정상이 아니므로 계속할 수 없습니다.";
inline constexpr char16_t kMsgClusterBeyondRange[] =
    u"클러스터의 실제범위를 벗어나기 때문에 계속할 수 없습니다. 비정상 클러스터가 발견되었습니다.";
inline constexpr char16_t kMsgFatTableAbnormal[] = u"파일 할당 테이블이 정상이 아니거나 잘못된 값입니다.";
inline constexpr char16_t kMsgFatTableAbnormal2[] =
    u"파일 할당 테이블이 정상이 아니거나 잘못된 값입니다. (2)";

// FAT directories hold at most 65536 slots; a longer chain is cut there.
inline constexpr std::uint32_t kMaxDirectoryBytes = 65536u * 32u;

// Why a chain walk stopped.
enum class ChainStop {
  End,         // an end-of-chain mark
  Free,        // a link to 0 (a freed chain)
  Reserved,    // a link to 1
  Bad,         // the bad-cluster mark
  OutOfRange,  // a link, or the first cluster, outside 2 .. last cluster
  Loop,        // more links than the volume has clusters
  Limit,       // the caller's limit was reached first
  NoTable,     // no table of the volume's width is loaded
};

// Read-only view of the loaded table of one width.
struct FatChainView {
  std::uint32_t width = 0;  // 12, 16 or 32; 0 when no table is loaded
  const std::uint16_t* t16 = nullptr;
  const std::uint32_t* t32 = nullptr;
  std::uint32_t lastCluster = 0;

  bool ok() const { return width != 0; }
  // Entry of cluster c; the caller keeps c within 0 .. lastCluster.
  std::uint32_t Entry(std::uint32_t c) const { return width == 32 ? t32[c] : t16[c]; }
  bool IsEnd(std::uint32_t v) const;
  bool IsBad(std::uint32_t v) const;
  bool InData(std::uint32_t c) const { return c >= 2 && c <= lastCluster; }
};

// The view of the table of rec's width (FAT12, FAT16 or FAT32).
FatChainView ChainViewOf(const FATVOLUMERECORD* rec);
FatChainView Fat32ChainView();

// Follows the chain from first, counting its clusters into *count and appending them to out
// (when given), at most limit of them (0: no limit beyond the cluster count). The cluster whose
// link breaks the chain is counted; a free first entry counts too, so callers decide.
ChainStop CollectChain(const FatChainView& view, std::uint32_t first, std::uint32_t limit,
                       std::uint32_t* count, std::vector<std::uint32_t>* out = nullptr);

// Unpacks a raw copy of FAT 1 into a table of lastCluster + 2 elements. Entries the raw bytes
// do not hold stay 0.
void UnpackFat12(const std::uint8_t* raw, std::size_t rawBytes, std::uint32_t lastCluster,
                 std::uint16_t* table);
void UnpackFat16(const std::uint8_t* raw, std::size_t rawBytes, std::uint32_t lastCluster,
                 std::uint16_t* table);
void UnpackFat32(const std::uint8_t* raw, std::size_t rawBytes, std::uint32_t lastCluster,
                 std::uint32_t* table);

// Bytes of one cluster (sectors per cluster x bytes per sector), 0 when unknown.
std::uint32_t FatClusterBytes(const FATVOLUMERECORD* rec);
std::uint32_t FatSectorsPerCluster();
// First sector of the cluster; cluster < 2 shows kMsgClusterAbnormal and gives 0.
std::uint64_t ClusterToSector(std::uint32_t cluster, const FATVOLUMERECORD* rec);
// Reads count sectors from first into buffer, from rec's volume. A reader of its own per call
// keeps the save worker and the user-interface thread apart.
bool ReadVolumeSectors(const FATVOLUMERECORD* rec, void* buffer, std::uint64_t first,
                       std::uint32_t count);

int CheckFat32Table(const FATVOLUMERECORD* rec);
int ReadClusterRun(FATVOLUMERECORD* rec, std::uint32_t firstCluster);

// First-cluster key of the root directory for ReadFatDirectoryEntries.
inline constexpr std::uint32_t kFatRootDirectoryKey = 0xFFFFFFFFu;
// Reads the entries of one directory (its first cluster, or kFatRootDirectoryKey) as the
// engine's own directory read lists them (same clusters, same order), but without a message and
// without touching the loaded directory, its buffer or the entry table: a worker may read folders
// so while the user-interface thread lists others. False where the engine's read would fail.
bool ReadFatDirectoryEntries(const FATVOLUMERECORD* rec, std::uint32_t firstCluster,
                             std::vector<FATDIRENTRY>* out);
