#include "tests/fuzz/fuzz_entries.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "corvane/bootarea.h"
#include "corvane/exfat_dir.h"
#include "corvane/fat_dir.h"
#include "corvane/ntfs_record.h"
#include "corvane/ntfs_records.h"
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

// Volume lengths the layouts are computed against: none, the buffer's, a small and a huge disk.
std::vector<std::uint64_t> VolumeLengths(std::size_t size) {
  return {0, size, 64ull << 20, 1ull << 40, UINT64_MAX};
}

void CheckGeometry(const BootLayout& l) {
  const VOLUMEGEOMETRY& g = l.geometry;
  FUZZ_CHECK(l.bytesPerSector >= 512 && l.bytesPerSector <= 4096);
  FUZZ_CHECK(g.firstCluster == 2 && g.lastCluster >= 2);
  FUZZ_CHECK(g.fat1First <= g.fat1Last);
  FUZZ_CHECK(g.firstDataSector <= g.lastSector);
}

}  // namespace

int FuzzBootSector(const std::uint8_t* data, std::size_t size) {
  (void)platform::ProbeBootSector(data, size);
  (void)platform::IsValidFatBpb(data, size);
  (void)GuessFileSystemType(data, size);
  if (size < 512) return 0;
  std::string why;
  for (bool fat32 : {false, true}) {
    BOOTRECORD br;
    CopyFatBootRecord(data, fat32, &br);
    (void)HasFat32Layout(br);
    for (std::uint64_t volume : VolumeLengths(size)) {
      BootLayout layout;
      if (ComputeFatLayout(br, volume, &layout, &why)) {
        CheckGeometry(layout);
        FUZZ_CHECK(std::uint64_t{layout.geometry.fat1Last} < volume / layout.bytesPerSector);
      }
    }
  }
  std::uint8_t exfat[512];
  CopyExfatBootRecord(data, exfat);
  for (std::uint64_t volume : VolumeLengths(size)) {
    BootLayout layout;
    if (ComputeExfatLayout(exfat, volume, &layout, &why)) CheckGeometry(layout);
  }
  NTFSBOOTRECORD ntfs;
  CopyNtfsBootRecord(data, &ntfs);
  (void)CheckNtfsBoot(ntfs, &why);
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
