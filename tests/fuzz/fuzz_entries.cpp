#include "tests/fuzz/fuzz_entries.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "corvane/bootarea.h"
#include "corvane/engine_hooks.h"
#include "corvane/exfat_dir.h"
#include "corvane/fat_dir.h"
#include "corvane/ntfs_attrlist.h"
#include "corvane/ntfs_record.h"
#include "corvane/ntfs_records.h"
#include "platform/boot_sector.h"
#include "platform/endian.h"
#include "platform/fs_probe.h"
#include "platform/lznt1.h"
#include "platform/partition_table.h"

namespace fuzz {

void Fail(const char* what) {
  std::fprintf(stderr, "fuzz: broken promise: %s\n", what);
  std::abort();
}

namespace {

using platform::BootFamily;
using platform::BootSectorLayout;
using platform::BootSectorResult;

bool PowerOfTwo(std::uint64_t v) { return v != 0 && (v & (v - 1)) == 0; }

// Volume lengths the layouts are computed against: none, the buffer's, a small and a huge disk,
// and around what the boot sector itself claims (whole, one sector short, half), so that a
// volume shorter than its boot sector says is tried as often as a whole one.
std::vector<std::uint64_t> VolumeLengths(const std::uint8_t* s, std::size_t size) {
  std::vector<std::uint64_t> out = {0, size, 64ull << 20, 1ull << 40, UINT64_MAX};
  const std::uint64_t bps = platform::Le16(s + 11);
  const unsigned exfatShift = s[108];
  std::uint64_t claimed[] = {platform::Le64(s + 40) * bps,  // NTFS
                             platform::Le32(s + 32) * bps,  // FAT, 32-bit total
                             platform::Le16(s + 19) * bps,  // FAT, 16-bit total
                             exfatShift < 13 ? platform::Le64(s + 72) << exfatShift : 0};
  for (std::uint64_t c : claimed) {
    if (c == 0) continue;
    out.push_back(c);
    out.push_back(c / 2);
    if (c > 512) out.push_back(c - 512);
  }
  return out;
}

// What the parser promises of a layout it accepts: every value later code divides by, shifts
// by, sizes with or counts with is inside its limit, and the areas lie inside the volume.
void CheckAcceptedLayout(const BootSectorLayout& l, std::uint64_t volumeBytes) {
  namespace lim = platform::bootlimit;
  FUZZ_CHECK(l.family != BootFamily::kUnknown);
  FUZZ_CHECK(PowerOfTwo(l.bytesPerSector) && PowerOfTwo(l.sectorsPerCluster));
  FUZZ_CHECK(std::uint64_t{l.clusterSize} == std::uint64_t{l.bytesPerSector} * l.sectorsPerCluster);
  const std::uint64_t B = l.bytesPerSector, S = l.sectorsPerCluster;
  const std::uint64_t volumeSectors = volumeBytes ? volumeBytes / B : UINT64_MAX;
  if (l.family == BootFamily::kFat) {
    const platform::FatBootLayout& f = l.fat;
    FUZZ_CHECK(B >= lim::kFatMinSectorBytes && B <= lim::kFatMaxSectorBytes && S <= 128);
    FUZZ_CHECK(f.reservedSectors >= 1 && f.numberOfFats >= 1 && f.sectorsPerFat >= 1);
    FUZZ_CHECK(f.fatBits == 12 || f.fatBits == 16 || f.fatBits == 32);
    FUZZ_CHECK(!f.fat32Layout || f.fatBits == 32);
    const std::uint64_t tablesEnd = f.reservedSectors + std::uint64_t{f.numberOfFats} * f.sectorsPerFat;
    FUZZ_CHECK(std::uint64_t{f.rootSectors} * B >= std::uint64_t{f.rootEntries} * 32);
    FUZZ_CHECK(f.firstDataSector == tablesEnd + f.rootSectors);
    FUZZ_CHECK(f.firstDataSector < f.totalSectors);
    FUZZ_CHECK(f.clusterCount >= 1 && f.clusterCount <= (f.totalSectors - f.firstDataSector) / S);
    // The table holds an entry for every cluster and the two reserved ones; no cluster number
    // reaches the bad-cluster mark of its width.
    const std::uint64_t fatBits = std::uint64_t{f.sectorsPerFat} * B * 8;
    FUZZ_CHECK(std::uint64_t{f.clusterCount} + 2 <= fatBits / f.fatBits);
    const std::uint64_t maxCount = f.fatBits == 12 ? 0xFF5 : f.fatBits == 16 ? lim::kFat16MaxClusters
                                                                             : lim::kFat32MaxClusters;
    FUZZ_CHECK(f.clusterCount <= maxCount);
    if (volumeBytes != 0) FUZZ_CHECK(tablesEnd <= volumeSectors);
  } else if (l.family == BootFamily::kExfat) {
    const platform::ExfatBootLayout& e = l.exfat;
    FUZZ_CHECK(e.sectorShift >= lim::kExfatMinSectorShift && e.sectorShift <= lim::kExfatMaxSectorShift);
    FUZZ_CHECK(e.sectorShift + e.clusterShift <= lim::kExfatMaxClusterShift);
    FUZZ_CHECK(B == 1u << e.sectorShift && S == 1u << e.clusterShift);
    FUZZ_CHECK(e.numberOfFats == 1 || e.numberOfFats == 2);
    FUZZ_CHECK(e.fatOffset >= 1 && e.fatLength >= 1);
    FUZZ_CHECK(e.clusterHeapOffset >= e.fatOffset + std::uint64_t{e.numberOfFats} * e.fatLength);
    FUZZ_CHECK(e.clusterCount >= 1 && e.clusterCount <= lim::kExfatMaxClusters);
    FUZZ_CHECK(e.rootCluster >= 2 && e.rootCluster - 2 < e.clusterCount);
    FUZZ_CHECK((std::uint64_t{e.fatLength} << e.sectorShift) / 4 >= std::uint64_t{e.clusterCount} + 2);
    FUZZ_CHECK(e.clusterHeapOffset + (std::uint64_t{e.clusterCount} << e.clusterShift) <= e.volumeLength);
    if (volumeBytes != 0) FUZZ_CHECK(std::uint64_t{e.fatOffset} + e.fatLength <= volumeSectors);
  } else {
    const platform::NtfsBootLayout& n = l.ntfs;
    FUZZ_CHECK(B >= lim::kNtfsMinSectorBytes && B <= lim::kNtfsMaxSectorBytes);
    FUZZ_CHECK(l.clusterSize <= lim::kNtfsMaxClusterBytes);
    FUZZ_CHECK(n.totalSectors >= 1 && n.totalSectors <= UINT64_MAX / B);
    FUZZ_CHECK(PowerOfTwo(n.recordSize) && n.recordSize >= lim::kNtfsMinRecordBytes &&
               n.recordSize <= lim::kNtfsMaxRecordBytes);
    FUZZ_CHECK(n.mftLcn <= (n.totalSectors - 1) / S);
  }
}

// The geometry the engine computes with: areas in order, every cluster up to the last one inside
// the sectors the volume holds, the 32-bit sector numbers never below each other.
void CheckGeometry(const BootLayout& out, const BootSectorLayout& l, std::uint64_t volumeBytes) {
  const VOLUMEGEOMETRY& g = out.geometry;
  const std::uint64_t B = out.bytesPerSector, S = l.sectorsPerCluster;
  FUZZ_CHECK(B == l.bytesPerSector && S >= 1);
  FUZZ_CHECK(g.firstCluster == 2 && g.lastCluster >= 2);
  FUZZ_CHECK(g.fat1First >= 1 && g.fat1First <= g.fat1Last && g.fat1Last < g.firstDataSector);
  if (g.fat2First != 0)
    FUZZ_CHECK(g.fat1Last < g.fat2First && g.fat2First <= g.fat2Last && g.fat2Last < g.firstDataSector);
  if (g.rootSectors != 0)
    FUZZ_CHECK(g.rootFirst <= g.rootLast && g.rootLast < g.firstDataSector &&
               g.rootLast - g.rootFirst + 1 == g.rootSectors);
  FUZZ_CHECK(g.firstDataSector <= g.lastSector && g.lastSector == g.lastSector2);
  const std::uint64_t boot = l.family == BootFamily::kFat ? l.fat.totalSectors : l.exfat.volumeLength;
  const std::uint64_t sectors = volumeBytes ? std::min(boot, volumeBytes / B) : boot;
  FUZZ_CHECK(g.lastSector == std::min<std::uint64_t>(sectors - 1, UINT32_MAX));
  const std::uint64_t count = l.family == BootFamily::kFat ? l.fat.clusterCount : l.exfat.clusterCount;
  FUZZ_CHECK(g.lastCluster - 1 <= count);
  // The end of the last cluster lies inside the volume; a volume cut short loses its last clusters.
  const std::uint64_t lastClusterEnd = g.firstDataSector + (std::uint64_t{g.lastCluster} - 1) * S;
  FUZZ_CHECK(lastClusterEnd <= sectors);
  FUZZ_CHECK(g.lastCluster - 1 == count || lastClusterEnd + S > sectors);
  if (volumeBytes != 0) FUZZ_CHECK(std::uint64_t{g.fat1Last} < volumeBytes / B);
  if (l.family == BootFamily::kFat)
    FUZZ_CHECK(out.typeCode == (l.fat.fatBits == 12 ? kFsFat12 : l.fat.fatBits == 16 ? kFsFat16 : kFsFat32));
  else
    FUZZ_CHECK(out.typeCode == kFsExfat);
}

bool SameGeometry(const VOLUMEGEOMETRY& a, const VOLUMEGEOMETRY& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// The NTFS state's record-buffer sizing, with no volume behind it: the sizes come from the
// parser before the first read, which then fails.
void CheckNtfsStateSizing(const std::uint8_t* data, const BootSectorResult& parsed) {
  NTFSVOLUMERECORD* state = AllocNtfsRecord();
  FUZZ_CHECK(state != nullptr);
  std::memcpy(state->bootSector, data, sizeof state->bootSector);
  FUZZ_CHECK(!AllocMftRecordBuffer(state));
  if (parsed.ok) {
    FUZZ_CHECK(state->bytesPerSector == parsed.layout.bytesPerSector);
    FUZZ_CHECK(state->sectorsPerCluster == parsed.layout.sectorsPerCluster);
    FUZZ_CHECK(state->clusterSize == parsed.layout.clusterSize);
    FUZZ_CHECK(state->recordSize == parsed.layout.ntfs.recordSize);
    FUZZ_CHECK(state->record0 != nullptr);
    // The record buffer is zeroed after the failed read: touch every byte of it.
    volatile std::uint8_t sink = 0;
    for (std::uint32_t i = 0; i < state->recordSize; ++i) sink = sink | state->record0[i];
    FUZZ_CHECK(sink == 0);
  } else {
    FUZZ_CHECK(state->recordSize == 0 && state->clusterSize == 0 && state->record0 == nullptr);
  }
  FUZZ_CHECK(MftRecordCount(state) == 0);
  FreeNtfsRecord(state);
}

}  // namespace

int FuzzBootSector(const std::uint8_t* data, std::size_t size) {
  (void)platform::IsValidFatBpb(data, size);
  (void)platform::IsFileSystemBootSector(data, size);
  (void)GuessFileSystemType(data, size);
  const BootSectorResult recognised = platform::ParseBootSector(data, size);
  FUZZ_CHECK(platform::ProbeBootSector(data, size).has_value() == recognised.ok);
  if (size < platform::kBootSectorBytes) {
    FUZZ_CHECK(!recognised.ok);
    return 0;
  }
  if (recognised.ok) CheckAcceptedLayout(recognised.layout, 0);
  else FUZZ_CHECK(!recognised.refusal.field.empty() && !recognised.refusal.Text().empty());

  const std::vector<std::uint64_t> volumes = VolumeLengths(data, size);
  // Each family, whatever the signature says, against every volume length.
  for (BootFamily family : {BootFamily::kFat, BootFamily::kExfat, BootFamily::kNtfs}) {
    for (std::uint64_t volume : volumes) {
      const BootSectorResult r = platform::ParseBootSectorAs(family, data, size, volume);
      FUZZ_CHECK(r.layout.family == family);
      if (r.ok) CheckAcceptedLayout(r.layout, volume);
      if (family == BootFamily::kNtfs) continue;
      BootLayout layout;
      std::string why;
      const bool accepted = LayoutFromBootSector(family, data, volume, &layout, &why);
      // The engine refuses what the parser refuses, and a volume that holds none of the data area.
      FUZZ_CHECK(!accepted || r.ok);
      if (!accepted) {
        FUZZ_CHECK(!why.empty());
        if (r.ok) {
          const std::uint64_t first =
              family == BootFamily::kFat ? r.layout.fat.firstDataSector : r.layout.exfat.clusterHeapOffset;
          FUZZ_CHECK(volume != 0 && first + r.layout.sectorsPerCluster > volume / r.layout.bytesPerSector);
        }
        continue;
      }
      CheckGeometry(layout, r.layout, volume);
      // The packed copies the engine keeps give the same layout as the sector itself.
      BootLayout again;
      if (family == BootFamily::kFat) {
        BOOTRECORD br;
        CopyFatBootRecord(data, r.layout.fat.fat32Layout, &br);
        FUZZ_CHECK(HasFat32Layout(br) == r.layout.fat.fat32Layout);
        FUZZ_CHECK(ComputeFatLayout(br, volume, &again, &why));
      } else {
        std::uint8_t exfat[512];
        CopyExfatBootRecord(data, exfat);
        FUZZ_CHECK(ComputeExfatLayout(exfat, volume, &again, &why));
      }
      FUZZ_CHECK(SameGeometry(again.geometry, layout.geometry) && again.typeCode == layout.typeCode);
    }
  }
  NTFSBOOTRECORD ntfs;
  CopyNtfsBootRecord(data, &ntfs);
  std::string why;
  const BootSectorResult asNtfs = platform::ParseBootSectorAs(BootFamily::kNtfs, data, size);
  FUZZ_CHECK(CheckNtfsBoot(ntfs, &why) == asNtfs.ok);
  CheckNtfsStateSizing(data, asNtfs);
  return 0;
}

int FuzzFatDirectory(const std::uint8_t* data, std::size_t size) {
  for (std::uint32_t lastCluster : {0u, 0xFF5u, 0xFFF5u, 0x0FFFFFF5u, 0xFFFFFFFFu}) {
    std::vector<FATDIRENTRY> entries;
    const std::size_t walked = ParseFatDirectory(data, size, lastCluster, &entries);
    FUZZ_CHECK(walked <= size / 32);
    FUZZ_CHECK(entries.size() <= walked);
    for (const FATDIRENTRY& e : entries) {
      FUZZ_CHECK(e.firstSlot >= 1 && e.firstSlot <= e.lastSlot && e.lastSlot <= walked);
      FUZZ_CHECK(std::memchr(e.shortName, 0, sizeof e.shortName) != nullptr);
      FUZZ_CHECK(std::memchr(e.extension, 0, sizeof e.extension) != nullptr);
    }
    const std::size_t count = entries.size();
    ReorderFatEntries(&entries);
    FUZZ_CHECK(entries.size() == count);
  }
  return 0;
}

int FuzzExfatEntrySet(const std::uint8_t* data, std::size_t size) {
  std::vector<EXFATFILEENTRY> entries;
  const std::size_t walked = ParseExfatDirectory(data, size, &entries);
  FUZZ_CHECK(walked <= size / 32);
  FUZZ_CHECK(entries.size() <= walked);
  return 0;
}

namespace {

// Everything the engine asks of one attribute that the walk accepted.
void VisitAttribute(const std::uint8_t* a, std::uint32_t length) {
  FUZZ_CHECK(AttributeLength(a) == length);
  if (AttributeIsResident(a)) {
    std::uint32_t valueLength = 0;
    const std::uint8_t* value = ResidentValue(a, &valueLength);
    if (value != nullptr) {
      FUZZ_CHECK(value >= a && value <= a + length && valueLength <= length - (value - a));
      volatile std::uint8_t sink = 0;
      for (std::uint32_t i = 0; i < valueLength; ++i) sink = sink ^ value[i];
    }
    return;
  }
  NtfsRunList runs;
  if (DecodeRunList(a, length, &runs)) {
    for (const NtfsRun& r : runs) FUZZ_CHECK(r.length != 0);
    for (std::size_t i = 1; i < runs.size(); ++i)
      FUZZ_CHECK(runs[i].vcn == runs[i - 1].vcn + runs[i - 1].length);
  }
  (void)GetAttributeDataSize(a);
  (void)GetAttributeAllocatedSize(a);
  (void)GetAttributeFirstCluster(a);
  for (std::uint64_t vcn : {std::uint64_t{0}, std::uint64_t{1}, platform::Le64(a + ntfs::attr::kLastVcn),
                            std::uint64_t{1} << 40, UINT64_MAX}) {
    std::uint64_t lcn = 0, left = 0;
    (void)MapVcnToLcn(a, vcn, &lcn, &left);
  }
}

}  // namespace

int FuzzMftRecord(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<std::uint8_t[]> record(new std::uint8_t[size]);
  if (size) std::memcpy(record.get(), data, size);
  (void)ApplyUpdateSequence(record.get(), size);
  if (CheckRecordHeader(record.get(), size))
    FUZZ_CHECK(RecordUsedBytes(record.get(), size) <= size);
  NtfsFileInfo info;
  if (ParseFileRecord(record.get(), size, &info)) FUZZ_CHECK(info.name.size() <= kNtfsNameMaxChars);
  (void)ForEachAttribute(record.get(), size, [&](const std::uint8_t* a, std::uint32_t length) {
    FUZZ_CHECK(a >= record.get() && length <= size - (a - record.get()));
    VisitAttribute(a, length);
    return true;
  });
  for (std::uint32_t type : {ntfs::kAttrStandardInformation, ntfs::kAttrAttributeList, ntfs::kAttrFileName,
                             ntfs::kAttrVolumeInformation, ntfs::kAttrData, ntfs::kAttrBitmap}) {
    std::uint32_t length = 0;
    if (const std::uint8_t* a = FindAttribute(record.get(), size, type, &length))
      FUZZ_CHECK(a >= record.get() && length <= size - (a - record.get()));
  }
  std::u16string name;
  std::uint8_t nameSpace = 0;
  const std::uint8_t* value = nullptr;
  if (SelectFileName(record.get(), size, &name, &nameSpace, &value))
    FUZZ_CHECK(name.size() <= kNtfsNameMaxChars);
  return 0;
}

int FuzzAttributeList(const std::uint8_t* data, std::size_t size) {
  // A block of exactly the value's length, so that a read past it is caught.
  std::unique_ptr<std::uint8_t[]> value(new std::uint8_t[size ? size : 1]);
  if (size) std::memcpy(value.get(), data, size);
  std::vector<AttributeListEntry> entries;
  const AttributeListFault fault = ParseAttributeList(value.get(), size, &entries);
  // Every entry kept took at least a header of the value, and none lists a list.
  FUZZ_CHECK(entries.size() <= size / ntfs::alist::kHeader);
  for (const AttributeListEntry& e : entries) {
    FUZZ_CHECK(e.type != ntfs::kAttrAttributeList);
    FUZZ_CHECK(e.record <= ntfs::kRecordNumberMask);
  }
  FUZZ_CHECK(AttributeListFaultNote(fault) != nullptr);
  FUZZ_CHECK((fault == AttributeListFault::kNone) == (AttributeListFaultNote(fault)[0] == 0));
  return 0;
}

int FuzzRunList(const std::uint8_t* data, std::size_t size) {
  if (size < 16) return 0;
  const std::uint8_t* runs = data + 16;
  const std::size_t runBytes = size - 16;
  // The runs alone, over a buffer that ends where they end.
  for (std::size_t at = 0; at < runBytes;) {
    DataRunHeader h;
    if (!DecodeDataRun(runs + at, runBytes - at, &h)) break;
    FUZZ_CHECK(h.bytes >= 1 && h.bytes <= runBytes - at && h.length != 0);
    at += h.bytes;
  }
  // The same runs inside a non-resident attribute whose header holds the two VCNs.
  const std::size_t length = (ntfs::attr::kNonResidentHeader + runBytes + 7) & ~std::size_t{7};
  if (length > 0xFFFF0) return 0;
  std::unique_ptr<std::uint8_t[]> a(new std::uint8_t[length]());
  platform::PutLe32(a.get() + ntfs::attr::kType, ntfs::kAttrData);
  platform::PutLe32(a.get() + ntfs::attr::kLength, static_cast<std::uint32_t>(length));
  a[ntfs::attr::kNonResident] = 1;
  std::memcpy(a.get() + ntfs::attr::kStartVcn, data, 16);
  platform::PutLe16(a.get() + ntfs::attr::kRunOffset, ntfs::attr::kNonResidentHeader);
  std::memcpy(a.get() + ntfs::attr::kNonResidentHeader, runs, runBytes);
  if (CheckAttribute(a.get(), length)) VisitAttribute(a.get(), static_cast<std::uint32_t>(length));
  NtfsRunList list;
  if (DecodeRunList(a.get(), length, &list)) {
    for (std::uint64_t vcn : {std::uint64_t{0}, platform::Le64(data), platform::Le64(data + 8)}) {
      std::uint64_t lcn = 0, left = 0;
      bool sparse = false;
      if (MapVcn(list, vcn, &lcn, &left, &sparse)) FUZZ_CHECK(left != 0);
    }
  }
  return 0;
}

int FuzzLznt1(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t cap = platform::Le16(data);
  std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[cap]);
  std::size_t written = 0;
  if (platform::Lznt1Decompress(data + 2, size - 2, out.get(), cap, &written) == platform::Lznt1Result::Ok)
    FUZZ_CHECK(written <= cap);
  return 0;
}

int FuzzPartitionTable(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  const std::uint64_t disk = platform::Le64(data);
  struct Sector {
    std::uint64_t number;
    const std::uint8_t* bytes;
    std::size_t length;  // the last record may be short: the rest reads as zeros
  };
  std::vector<Sector> sectors;
  for (std::size_t at = 8; at + 4 < size && sectors.size() < 256; at += 4 + 512)
    sectors.push_back({platform::Le32(data + at), data + at + 4, std::min<std::size_t>(512, size - at - 4)});
  std::size_t reads = 0;
  auto read = [&](std::uint64_t off, void* buffer, std::size_t len) {
    FUZZ_CHECK(++reads <= 100000);
    FUZZ_CHECK(buffer != nullptr && len != 0);
    if (off > disk || len > disk - off) return false;
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::memset(out, 0, len);
    for (const Sector& s : sectors) {
      const std::uint64_t first = s.number * 512;
      const std::uint64_t from = std::max(first, off), to = std::min(first + s.length, off + len);
      if (from < to) std::memcpy(out + (from - off), s.bytes + (from - first), to - from);
    }
    return true;
  };
  const platform::PartitionScan scan = platform::ScanPartitionTable(read, disk);
  FUZZ_CHECK(scan.hasTable || scan.partitions.empty());
  for (const platform::PartitionRange& p : scan.partitions)
    FUZZ_CHECK(p.length != 0 && p.offset <= disk && p.length <= disk - p.offset);
  return 0;
}

}  // namespace fuzz
