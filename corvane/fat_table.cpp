#include "corvane/fat_table.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "corvane/bootarea.h"
#include "corvane/fat_dir.h"
#include "platform/endian.h"
#include "platform/large_buffer.h"
#include "platform/message.h"

using platform::MsgButtons;
using platform::MsgIcon;

namespace {

constexpr std::uint32_t kFat32Bad = 0x0FFFFFF7;

void ShowError(const char16_t* text) { platform::ShowMessage(text, MsgButtons::Ok, MsgIcon::Error); }

std::uint32_t WidthOfType(std::uint32_t type) {
  switch (type) {
    case kFsFat12: return 12;
    case kFsFat16: return 16;
    case kFsFat32: return 32;
    default: return 0;
  }
}

// Reads FAT 1 in one request into a new block of *bytes bytes; null after a message.
std::uint8_t* ReadRawFat(const FATVOLUMERECORD* rec, std::size_t* bytes) {
  const VOLUMEGEOMETRY& g = rec->geometry;
  if (g.fat1Last < g.fat1First || rec->bytesPerSector == 0) return nullptr;
  const std::uint64_t sectors = std::uint64_t{g.fat1Last} - g.fat1First + 1;
  const std::uint64_t size = sectors * rec->bytesPerSector;
  if (sectors > UINT32_MAX || size > SIZE_MAX) {
    ShowError(kMsgFatOutOfMemory);
    return nullptr;
  }
  auto* raw = static_cast<std::uint8_t*>(platform::AllocateLarge(static_cast<std::size_t>(size), false));
  if (!raw) {
    ShowError(kMsgFatOutOfMemory);
    return nullptr;
  }
  if (!ReadVolumeSectors(rec, raw, g.fat1First, static_cast<std::uint32_t>(sectors))) {
    std::free(raw);
    ShowError(kMsgCannotReadSectorsDot);
    return nullptr;
  }
  *bytes = static_cast<std::size_t>(size);
  return raw;
}

template <typename T>
int LoadTable(FATVOLUMERECORD* rec, T** slot, void (*unpack)(const std::uint8_t*, std::size_t,
                                                              std::uint32_t, T*)) {
  FreeFatTables();
  if (!rec || rec->geometry.lastCluster < 2) return 0;
  std::size_t rawBytes = 0;
  std::uint8_t* raw = ReadRawFat(rec, &rawBytes);
  if (!raw) return 0;
  const std::uint32_t last = rec->geometry.lastCluster;
  auto* table = static_cast<T*>(platform::AllocateLarge((std::size_t{last} + 2) * sizeof(T)));
  if (!table) {
    std::free(raw);
    return 0;
  }
  unpack(raw, rawBytes, last, table);
  std::free(raw);
  *slot = table;
  g_dwFatTableEntries = last + 2;
  return 1;
}

// Replaces rec's directory buffer with a zeroed one of `bytes` bytes; false after a message.
bool NewDirectoryBuffer(FATVOLUMERECORD* rec, std::size_t bytes) {
  std::free(rec->dirBuffer);
  rec->dirBuffer = static_cast<std::uint8_t*>(std::calloc(bytes, 1));
  rec->dirBytes = 0;
  rec->dirSlots = 0;
  if (rec->dirBuffer) return true;
  ShowError(kMsgFatOutOfMemory);
  return false;
}

// The directory buffer holds `bytes` bytes of slots: scan them.
int ScanDirectoryBuffer(FATVOLUMERECORD* rec, std::size_t bytes) {
  rec->dirBytes = static_cast<std::uint32_t>(bytes);
  rec->dirSlots = static_cast<std::uint32_t>(bytes / 32);
  return ScanDirectoryEntries(rec, rec->dirSlots, rec->dirBuffer);
}

// Reads the clusters into one new directory buffer of rec and scans it.
int ReadAndScanClusters(FATVOLUMERECORD* rec, const std::vector<std::uint32_t>& clusters) {
  const std::uint32_t clusterBytes = FatClusterBytes(rec);
  if (clusterBytes == 0 || clusters.empty()) return 0;
  const std::size_t bytes = clusters.size() * std::size_t{clusterBytes};
  if (!NewDirectoryBuffer(rec, bytes)) return 0;
  const std::uint32_t spc = FatSectorsPerCluster();
  for (std::size_t k = 0; k < clusters.size(); ++k) {
    std::uint64_t sector = ClusterToSector(clusters[k], rec);
    if (sector == 0 ||
        !ReadVolumeSectors(rec, rec->dirBuffer + k * clusterBytes, sector, spc)) {
      ShowError(kMsgCannotReadSectors);
      return 0;
    }
  }
  return ScanDirectoryBuffer(rec, bytes);
}

std::uint32_t MaxDirectoryClusters(const FATVOLUMERECORD* rec) {
  const std::uint32_t clusterBytes = FatClusterBytes(rec);
  return clusterBytes ? std::max<std::uint32_t>(1, kMaxDirectoryBytes / clusterBytes) : 0;
}

// FAT12 and FAT16 count: clusters before the break; a first entry that is free gives -1.
int CountNarrowChain(FATVOLUMERECORD* rec, std::uint32_t cluster, std::uint32_t width) {
  FatChainView view = ChainViewOf(rec);
  if (!view.ok() || view.width != width) return -1;
  if (cluster > view.lastCluster) {
    platform::ShowMessage(kMsgClusterBeyondRange, MsgButtons::Ok, MsgIcon::Information);
    return -1;
  }
  std::uint32_t count = 0;
  switch (CollectChain(view, cluster, 0, &count)) {
    case ChainStop::Free: --count; break;  // the cluster with the free entry is not part of it
    case ChainStop::Loop:
    case ChainStop::NoTable: return -1;
    default: break;
  }
  return count > 0 ? static_cast<int>(count) : -1;
}

int ReadNarrowDirectory(FATVOLUMERECORD* rec, std::uint32_t first, std::uint32_t width) {
  if (!rec) return 0;
  int n = CountNarrowChain(rec, first, width);
  if (n <= 0) return 0;
  std::vector<std::uint32_t> clusters;
  std::uint32_t count = 0;
  const std::uint32_t limit = std::min<std::uint32_t>(static_cast<std::uint32_t>(n),
                                                      MaxDirectoryClusters(rec));
  CollectChain(ChainViewOf(rec), first, limit, &count, &clusters);
  return ReadAndScanClusters(rec, clusters);
}

}  // namespace

bool FatChainView::IsEnd(std::uint32_t v) const {
  switch (width) {
    case 12: return v >= 0xFF8 && v <= 0xFFF;
    case 16: return v >= 0xFFF8 && v <= 0xFFFF;
    case 32: return v >= 0x0FFFFFF8 && v <= 0x0FFFFFFF;
    default: return false;
  }
}

bool FatChainView::IsBad(std::uint32_t v) const {
  switch (width) {
    case 12: return v == 0xFF7;
    case 16: return v == 0xFFF7;
    case 32: return v == kFat32Bad;
    default: return false;
  }
}

FatChainView ChainViewOf(const FATVOLUMERECORD* rec) {
  FatChainView view;
  if (!rec) return view;
  const std::uint32_t width = WidthOfType(rec->typeCode);
  const std::uint32_t last = rec->geometry.lastCluster;
  if (width == 0 || last < 2 || g_dwFatTableEntries < std::uint64_t{last} + 1) return view;
  if (width == 12 && g_pFat12Table) view.t16 = g_pFat12Table;
  else if (width == 16 && g_pFat16Table) view.t16 = g_pFat16Table;
  else if (width == 32 && g_pFat32Table) view.t32 = g_pFat32Table;
  else return view;
  view.width = width;
  view.lastCluster = last;
  return view;
}

FatChainView Fat32ChainView() {
  FatChainView view;
  if (!g_pFat32Table || g_dwFatTableEntries < 3) return view;
  view.width = 32;
  view.t32 = g_pFat32Table;
  view.lastCluster = g_dwFatTableEntries - 2;
  return view;
}

namespace {

// Cuts a collected chain before its first repeated cluster; true when there was one.
bool TrimAtRepeat(std::vector<std::uint32_t>* out, std::size_t from) {
  const std::size_t n = out->size() - from;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> sorted(n);
  for (std::size_t k = 0; k < n; ++k) sorted[k] = {(*out)[from + k], static_cast<std::uint32_t>(k)};
  std::sort(sorted.begin(), sorted.end());
  std::size_t cut = n;
  for (std::size_t k = 1; k < n; ++k)
    if (sorted[k].first == sorted[k - 1].first) cut = std::min<std::size_t>(cut, sorted[k].second);
  if (cut == n) return false;
  out->resize(from + cut);
  return true;
}

}  // namespace

ChainStop CollectChain(const FatChainView& view, std::uint32_t first, std::uint32_t limit,
                       std::uint32_t* count, std::vector<std::uint32_t>* out) {
  *count = 0;
  if (!view.ok()) return ChainStop::NoTable;
  if (!view.InData(first)) return ChainStop::OutOfRange;
  const std::size_t outStart = out ? out->size() : 0;
  // A chain cannot hold more clusters than the volume has; a revisited cluster (found with
  // Brent's marks, no memory) ends it sooner.
  const std::uint32_t bound = view.lastCluster - 1;
  std::uint32_t mark = first;
  std::uint64_t power = 1, since = 0;
  std::uint32_t c = first;
  ChainStop stop;
  for (;;) {
    ++*count;
    if (out) out->push_back(c);
    if (limit != 0 && *count >= limit) {
      stop = ChainStop::Limit;
      break;
    }
    const std::uint32_t v = view.Entry(c);
    if (view.IsEnd(v)) return ChainStop::End;
    if (view.IsBad(v)) return ChainStop::Bad;
    if (v == 0) return ChainStop::Free;
    if (v == 1) return ChainStop::Reserved;
    if (v > view.lastCluster) return ChainStop::OutOfRange;
    if (*count >= bound || v == mark) {
      stop = ChainStop::Loop;
      break;
    }
    if (++since == power) {
      mark = v;
      power <<= 1;
      since = 0;
    }
    c = v;
  }
  // The marks may let a short loop run past its start, or the limit come first.
  if (out && TrimAtRepeat(out, outStart)) {
    *count = static_cast<std::uint32_t>(out->size() - outStart);
    return ChainStop::Loop;
  }
  return stop;
}

void UnpackFat12(const std::uint8_t* raw, std::size_t rawBytes, std::uint32_t last,
                 std::uint16_t* table) {
  for (std::uint32_t c = 2; c <= last; ++c) {
    const std::size_t b = std::size_t{c} + c / 2;
    if (2 > rawBytes || b > rawBytes - 2) break;
    const std::uint16_t v = platform::Le16(raw + b);
    table[c] = (c & 1) ? static_cast<std::uint16_t>(v >> 4) : static_cast<std::uint16_t>(v & 0xFFF);
  }
}

void UnpackFat16(const std::uint8_t* raw, std::size_t rawBytes, std::uint32_t last,
                 std::uint16_t* table) {
  for (std::uint32_t c = 0; c <= last; ++c) {
    const std::size_t b = std::size_t{c} * 2;
    if (2 > rawBytes || b > rawBytes - 2) break;
    table[c] = platform::Le16(raw + b);
  }
}

void UnpackFat32(const std::uint8_t* raw, std::size_t rawBytes, std::uint32_t last,
                 std::uint32_t* table) {
  for (std::uint32_t c = 0; c <= last; ++c) {
    const std::size_t b = std::size_t{c} * 4;
    if (4 > rawBytes || b > rawBytes - 4) break;
    const std::uint32_t v = platform::Le32(raw + b);
    table[c] = c < 2 ? v : (v & 0x0FFFFFFF);
  }
}

std::uint32_t FatSectorsPerCluster() { return g_pBootRecord ? g_pBootRecord->sectorsPerCluster : 0; }

std::uint32_t FatClusterBytes(const FATVOLUMERECORD* rec) {
  if (!rec) return 0;
  return FatSectorsPerCluster() * rec->bytesPerSector;
}

std::uint64_t ClusterToSector(std::uint32_t cluster, const FATVOLUMERECORD* rec) {
  if (cluster < 2) {
    ShowError(kMsgClusterAbnormal);
    return 0;
  }
  return std::uint64_t{cluster - 2} * FatSectorsPerCluster() + rec->geometry.firstDataSector;
}

bool ReadVolumeSectors(const FATVOLUMERECORD* rec, void* buffer, std::uint64_t first,
                       std::uint32_t count) {
  CReadWriteSectors reader;
  reader.SetTarget(buffer, rec->ntFlag, rec->typeCode, rec->driveNumber, rec->volumeHandle);
  reader.SetSectorSize(rec->bytesPerSector);
  if (reader.SectorSize() != rec->bytesPerSector) return false;
  return reader.ReadSectors(first, count) == 0;
}

int CheckClusterRange(std::int64_t cluster, const FATVOLUMERECORD* rec) {
  return rec && cluster >= 0 && cluster <= rec->geometry.lastCluster ? 1 : 0;
}

std::uint8_t* ReadCluster(FATVOLUMERECORD* rec, std::uint32_t cluster) {
  if (!CheckClusterRange(cluster, rec)) return nullptr;
  const std::uint64_t sector = ClusterToSector(cluster, rec);
  if (sector == 0) return nullptr;
  const std::uint32_t bytes = FatClusterBytes(rec);
  auto* buffer = bytes ? static_cast<std::uint8_t*>(std::calloc(bytes, 1)) : nullptr;
  if (!buffer) {
    ShowError(kMsgFatOutOfMemory);
    return nullptr;
  }
  if (!ReadVolumeSectors(rec, buffer, sector, FatSectorsPerCluster())) {
    std::free(buffer);
    ShowError(kMsgCannotReadSectors);
    return nullptr;
  }
  return buffer;
}

int LoadFat12Table(FATVOLUMERECORD* rec) { return LoadTable<std::uint16_t>(rec, &g_pFat12Table, UnpackFat12); }
int LoadFat16Table(FATVOLUMERECORD* rec) { return LoadTable<std::uint16_t>(rec, &g_pFat16Table, UnpackFat16); }

int LoadFat32Table(FATVOLUMERECORD* rec) {
  if (!LoadTable<std::uint32_t>(rec, &g_pFat32Table, UnpackFat32)) return 0;
  if (!CheckFat32Table(rec)) {
    FreeFatTables();
    return 0;
  }
  return 1;
}

// Bad-cluster marks are ordinary: the chain walks stop at them, so they do not block the load.
int CheckFat32Table(const FATVOLUMERECORD* rec) {
  return rec && g_pFat32Table && g_dwFatTableEntries >= std::uint64_t{rec->geometry.lastCluster} + 1;
}

void FreeFatTables() {
  std::free(g_pFat12Table);
  std::free(g_pFat16Table);
  std::free(g_pFat32Table);
  g_pFat12Table = nullptr;
  g_pFat16Table = nullptr;
  g_pFat32Table = nullptr;
  g_dwFatTableEntries = 0;
}

int CountFat12Chain(FATVOLUMERECORD* rec, std::uint32_t cluster, int) {
  return CountNarrowChain(rec, cluster, 12);
}

int CountFat16Chain(FATVOLUMERECORD* rec, std::uint32_t cluster, int) {
  return CountNarrowChain(rec, cluster, 16);
}

// FAT32: only a chain that reaches its end mark counts.
int CountFat32Chain(std::uint32_t cluster, int) {
  std::uint32_t count = 0;
  if (CollectChain(Fat32ChainView(), cluster, 0, &count) != ChainStop::End) return -1;
  return static_cast<int>(count);
}

std::int64_t GetFat12FileSize(FATVOLUMERECORD* rec, std::uint32_t firstCluster) {
  const int n = CountFat12Chain(rec, firstCluster, -2);
  if (n > 0) return std::int64_t{n} * FatClusterBytes(rec);
  ShowError(kMsgFatTableAbnormal);
  return -2;
}

std::int64_t GetFat16FileSize(FATVOLUMERECORD* rec, std::uint32_t firstCluster) {
  const int n = CountFat16Chain(rec, firstCluster, -2);
  if (n > 0) return std::int64_t{n} * FatClusterBytes(rec);
  ShowError(kMsgFatTableAbnormal);
  return -2;
}

std::int64_t GetFat32FileSize(std::uint32_t firstCluster, std::int64_t fileSize) {
  const std::int64_t clusterBytes =
      g_pBootRecord ? std::int64_t{g_pBootRecord->sectorsPerCluster} * g_pBootRecord->bytesPerSector : 0;
  const std::int64_t n = clusterBytes > 0 ? fileSize / clusterBytes : -1;
  if (firstCluster != 0 && n == 0) return CountFat32Chain(firstCluster, -2);
  if (n > 0) return n;
  ShowError(kMsgFatTableAbnormal2);
  return -2;
}

int ReadFatRootDirectory(FATVOLUMERECORD* rec) {
  if (!rec || rec->geometry.rootSectors == 0 || rec->bytesPerSector == 0) return 0;
  const std::size_t bytes = std::size_t{rec->bytesPerSector} * rec->geometry.rootSectors;
  if (!NewDirectoryBuffer(rec, bytes)) return 0;
  if (!ReadVolumeSectors(rec, rec->dirBuffer, rec->geometry.rootFirst, rec->geometry.rootSectors)) {
    ShowError(kMsgCannotReadSectors);
    return 0;
  }
  return ScanDirectoryBuffer(rec, bytes);
}

int ReadFat12Directory(FATVOLUMERECORD* rec, std::uint32_t firstCluster) {
  return ReadNarrowDirectory(rec, firstCluster, 12);
}

int ReadFat16Directory(FATVOLUMERECORD* rec, std::uint32_t firstCluster) {
  return ReadNarrowDirectory(rec, firstCluster, 16);
}

int ReadFat32Directory(FATVOLUMERECORD* rec, std::uint32_t firstCluster) {
  if (!rec || !CheckClusterRange(firstCluster, rec)) return 0;
  if (CountFat32Chain(firstCluster, -2) <= 0) return 0;
  return ReadClusterRun(rec, firstCluster);
}

int ReadClusterRun(FATVOLUMERECORD* rec, std::uint32_t firstCluster) {
  std::vector<std::uint32_t> clusters;
  std::uint32_t count = 0;
  const ChainStop stop = CollectChain(ChainViewOf(rec), firstCluster, MaxDirectoryClusters(rec),
                                      &count, &clusters);
  if (stop != ChainStop::End && stop != ChainStop::Limit) {
    platform::ShowMessage(u"클러스터 범위 초과");
    return 0;
  }
  return ReadAndScanClusters(rec, clusters);
}

namespace {

// The clusters that the engine's read of the directory at first takes: FAT12/16 up to the break
// of the chain (a cluster whose link is free left out), FAT32 only a chain that reaches its end
// mark; at most a directory's worth either way.
bool DirectoryClusters(const FATVOLUMERECORD* rec, std::uint32_t first, std::vector<std::uint32_t>* out) {
  const FatChainView view = ChainViewOf(rec);
  const std::uint32_t limit = MaxDirectoryClusters(rec);
  if (!view.ok() || limit == 0 || !view.InData(first)) return false;
  std::uint32_t count = 0;
  const ChainStop stop = CollectChain(view, first, 0, &count);
  if (view.width == 32) {
    if (stop != ChainStop::End || count == 0) return false;
  } else {
    if (stop == ChainStop::Loop || stop == ChainStop::NoTable) return false;
    if (stop == ChainStop::Free) --count;
    if (count == 0) return false;
  }
  std::uint32_t taken = 0;
  const ChainStop run = CollectChain(view, first, std::min(count, limit), &taken, out);
  if (view.width == 32 && run != ChainStop::End && run != ChainStop::Limit) return false;
  return !out->empty();
}

}  // namespace

bool ReadFatDirectoryEntries(const FATVOLUMERECORD* rec, std::uint32_t firstCluster,
                             std::vector<FATDIRENTRY>* out) {
  out->clear();
  if (!rec || rec->bytesPerSector == 0) return false;
  std::vector<std::uint8_t> bytes;
  const bool fixedRoot = firstCluster == kFatRootDirectoryKey && rec->typeCode != kFsFat32;
  if (fixedRoot) {
    if (rec->geometry.rootSectors == 0) return false;
    bytes.resize(std::size_t{rec->bytesPerSector} * rec->geometry.rootSectors);
    if (!ReadVolumeSectors(rec, bytes.data(), rec->geometry.rootFirst, rec->geometry.rootSectors)) return false;
  } else {
    std::uint32_t first = firstCluster;
    if (first == kFatRootDirectoryKey) first = g_pBootRecord ? g_pBootRecord->rootCluster : 2;
    std::vector<std::uint32_t> clusters;
    if (!DirectoryClusters(rec, first, &clusters)) return false;
    const std::uint32_t clusterBytes = FatClusterBytes(rec);
    const std::uint32_t spc = FatSectorsPerCluster();
    bytes.resize(clusters.size() * std::size_t{clusterBytes});
    for (std::size_t k = 0; k < clusters.size(); ++k) {
      const std::uint64_t sector = std::uint64_t{clusters[k] - 2} * spc + rec->geometry.firstDataSector;
      if (!ReadVolumeSectors(rec, bytes.data() + k * clusterBytes, sector, spc)) return false;
    }
  }
  if (ParseFatDirectory(bytes.data(), bytes.size(), rec->geometry.lastCluster, out) < 1 || out->empty()) {
    out->clear();
    return false;
  }
  ReorderFatEntries(out);
  return true;
}
