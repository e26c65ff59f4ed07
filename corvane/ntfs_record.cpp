#include "corvane/ntfs_record.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "corvane/ntfs_records.h"
#include "platform/boot_sector.h"
#include "platform/volume_io.h"

using platform::Le16;
using platform::Le32;
using platform::Le64;

namespace {

// Extents of the $MFT followed through its attribute list; more is taken as corruption.
constexpr std::size_t kMaxMftExtents = 256;

bool AddOverflows(std::uint64_t a, std::uint64_t b) {
  return a > std::numeric_limits<std::uint64_t>::max() - b;
}

}  // namespace

// ---- Parsers --------------------------------------------------------------------------------

bool ApplyUpdateSequence(std::uint8_t* record, std::size_t size) {
  if (size < ntfs::kFixupStride || size % ntfs::kFixupStride != 0) return false;
  const std::size_t usaOffset = Le16(record + ntfs::rec::kUsaOffset);
  const std::size_t usaCount = Le16(record + ntfs::rec::kUsaCount);
  const std::size_t blocks = size / ntfs::kFixupStride;
  if (usaCount != blocks + 1) return false;
  // The array must sit in the first block, clear of the header words and of that block's last
  // word, which it replaces.
  if (usaOffset < 8 || (usaOffset & 1) != 0) return false;
  if (usaCount * 2 > ntfs::kFixupStride - 2 || usaOffset > ntfs::kFixupStride - 2 - usaCount * 2)
    return false;
  const std::uint8_t* usa = record + usaOffset;
  for (std::size_t i = 1; i < usaCount; ++i) {
    const std::uint8_t* end = record + i * ntfs::kFixupStride - 2;
    if (end[0] != usa[0] || end[1] != usa[1]) return false;
  }
  for (std::size_t i = 1; i < usaCount; ++i) {
    std::uint8_t* end = record + i * ntfs::kFixupStride - 2;
    end[0] = usa[2 * i];
    end[1] = usa[2 * i + 1];
  }
  return true;
}

bool CheckRecordHeader(const std::uint8_t* record, std::size_t size) {
  if (size < ntfs::rec::kHeaderBytes) return false;
  if (Le32(record) != ntfs::kRecordSignature) return false;
  const std::size_t first = Le16(record + ntfs::rec::kFirstAttribute);
  const std::size_t used = RecordUsedBytes(record, size);
  if (first < ntfs::rec::kHeaderBytes - 8 || (first & 7) != 0) return false;
  return first <= used && 4 <= used - first;
}

std::size_t RecordUsedBytes(const std::uint8_t* record, std::size_t size) {
  const std::uint32_t used = Le32(record + ntfs::rec::kBytesUsed);
  return std::min<std::size_t>(used, size);
}

std::uint32_t AttributeLength(const std::uint8_t* attribute) {
  return Le32(attribute + ntfs::attr::kLength);
}

bool CheckAttribute(const std::uint8_t* a, std::size_t length) {
  const std::size_t nameChars = a[ntfs::attr::kNameLength];
  if (nameChars != 0) {
    const std::size_t nameOffset = Le16(a + ntfs::attr::kNameOffset);
    if (nameOffset > length || nameChars * 2 > length - nameOffset) return false;
  }
  if (a[ntfs::attr::kNonResident] == 0) {
    const std::size_t valueOffset = Le16(a + ntfs::attr::kValueOffset);
    const std::size_t valueLength = Le32(a + ntfs::attr::kValueLength);
    return valueOffset <= length && valueLength <= length - valueOffset;
  }
  if (ntfs::attr::kNonResidentHeader > length) return false;
  const std::size_t runOffset = Le16(a + ntfs::attr::kRunOffset);
  return runOffset >= ntfs::attr::kNonResidentHeader && runOffset < length;
}

const std::uint8_t* FindAttribute(const std::uint8_t* record, std::size_t size, std::uint32_t type,
                                  std::uint32_t* length) {
  const std::uint8_t* found = nullptr;
  ForEachAttribute(record, size, [&](const std::uint8_t* a, std::uint32_t len) {
    if (Le32(a) != type || a[ntfs::attr::kNameLength] != 0) return true;
    found = a;
    if (length) *length = len;
    return false;
  });
  return found;
}

const std::uint8_t* ResidentValue(const std::uint8_t* attribute, std::uint32_t* length) {
  *length = Le32(attribute + ntfs::attr::kValueLength);
  return attribute + Le16(attribute + ntfs::attr::kValueOffset);
}

bool DecodeDataRun(const std::uint8_t* run, std::size_t available, DataRunHeader* out) {
  if (available < 1 || run[0] == 0) return false;
  const unsigned L = run[0] & 0x0F;
  const unsigned F = run[0] >> 4;
  if (L == 0 || L > 8 || F > 8) return false;
  if (L + F > available - 1) return false;
  std::uint64_t length = 0;
  for (unsigned i = L; i >= 1; --i) length = (length << 8) | run[i];
  if (length == 0) return false;
  std::int64_t offset = 0;
  if (F > 0) {
    std::uint64_t raw = 0;
    for (unsigned i = L + F; i > L; --i) raw = (raw << 8) | run[i];
    // Sign-extend from F bytes.
    if (F < 8 && (run[L + F] & 0x80) != 0) raw |= ~std::uint64_t{0} << (8 * F);
    offset = static_cast<std::int64_t>(raw);
  }
  out->length = length;
  out->offset = offset;
  out->sparse = F == 0;
  out->bytes = 1 + L + F;
  return true;
}

bool DecodeRunList(const std::uint8_t* a, std::size_t length, NtfsRunList* runs) {
  runs->clear();
  if (AttributeIsResident(a) || ntfs::attr::kNonResidentHeader > length) return false;
  std::size_t pos = Le16(a + ntfs::attr::kRunOffset);
  if (pos >= length) return false;
  std::uint64_t vcn = Le64(a + ntfs::attr::kStartVcn);
  std::int64_t lcn = 0;
  while (true) {
    if (pos >= length) return false;  // the list ran past its attribute without an end marker
    if (a[pos] == 0) return true;
    DataRunHeader h;
    if (!DecodeDataRun(a + pos, length - pos, &h)) return false;
    if (AddOverflows(vcn, h.length)) return false;
    NtfsRun run{vcn, h.length, 0, h.sparse};
    if (!h.sparse) {
      if ((h.offset > 0 && lcn > std::numeric_limits<std::int64_t>::max() - h.offset) ||
          lcn + h.offset < 0)
        return false;
      lcn += h.offset;
      run.lcn = static_cast<std::uint64_t>(lcn);
    }
    runs->push_back(run);
    vcn += h.length;
    pos += h.bytes;
  }
}

bool MapVcn(const NtfsRunList& runs, std::uint64_t vcn, std::uint64_t* lcn, std::uint64_t* left,
            bool* sparse) {
  // Runs are in VCN order: find the last run starting at or before the VCN.
  auto it = std::upper_bound(runs.begin(), runs.end(), vcn,
                             [](std::uint64_t v, const NtfsRun& r) { return v < r.vcn; });
  if (it == runs.begin()) return false;
  --it;
  if (vcn - it->vcn >= it->length) return false;
  const std::uint64_t into = vcn - it->vcn;
  *lcn = it->sparse ? 0 : it->lcn + into;
  *left = it->length - into;
  if (sparse) *sparse = it->sparse;
  return true;
}

int MapVcnToLcn(const std::uint8_t* attribute, std::uint64_t vcn, std::uint64_t* lcn,
                std::uint64_t* left) {
  if (AttributeIsResident(attribute)) return 0;
  const std::uint64_t start = Le64(attribute + ntfs::attr::kStartVcn);
  const std::uint64_t last = Le64(attribute + ntfs::attr::kLastVcn);
  if (vcn < start || vcn > last) return 0;
  NtfsRunList runs;
  if (!DecodeRunList(attribute, AttributeLength(attribute), &runs)) return 0;
  return MapVcn(runs, vcn, lcn, left) ? 1 : 0;
}

std::int64_t GetAttributeDataSize(const std::uint8_t* a) {
  if (AttributeIsResident(a)) return Le32(a + ntfs::attr::kValueLength);
  return static_cast<std::int64_t>(Le64(a + ntfs::attr::kDataSize));
}

std::int64_t GetAttributeAllocatedSize(const std::uint8_t* a) {
  if (AttributeIsResident(a)) return Le32(a + ntfs::attr::kValueLength);
  return static_cast<std::int64_t>(Le64(a + ntfs::attr::kAllocatedSize));
}

std::int64_t GetAttributeFirstCluster(const std::uint8_t* a) {
  if (AttributeIsResident(a)) return 1;
  NtfsRunList runs;
  std::uint64_t lcn = 0, left = 0;
  if (!DecodeRunList(a, AttributeLength(a), &runs) || !MapVcn(runs, 0, &lcn, &left)) return 0;
  return static_cast<std::int64_t>(lcn);
}

namespace {

// True when a $FILE_NAME value of `valueLength` bytes holds its whole name and the name is not
// empty.
bool FileNameFits(const std::uint8_t* value, std::uint32_t valueLength) {
  if (valueLength < ntfs::fname::kName) return false;
  const std::size_t chars = value[ntfs::fname::kNameLength];
  return chars != 0 && chars * 2 <= valueLength - ntfs::fname::kName;
}

}  // namespace

bool FileNameOfValue(const std::uint8_t* value, std::uint32_t valueLength, std::u16string* name) {
  if (!FileNameFits(value, valueLength)) return false;
  const std::size_t chars = value[ntfs::fname::kNameLength];
  const std::size_t kept = std::min(chars, kNtfsNameMaxChars);
  name->resize(kept);
  for (std::size_t i = 0; i < kept; ++i)
    (*name)[i] = static_cast<char16_t>(Le16(value + ntfs::fname::kName + 2 * i));
  return true;
}

bool SelectFileName(const std::uint8_t* record, std::size_t size, std::u16string* name,
                    std::uint8_t* nameSpace, const std::uint8_t** value) {
  // The values are chosen first and only the chosen name is decoded, into the caller's string.
  const std::uint8_t* longValue = nullptr;
  const std::uint8_t* dosValue = nullptr;
  std::uint32_t longLength = 0, dosLength = 0;
  ForEachAttribute(record, size, [&](const std::uint8_t* a, std::uint32_t) {
    if (Le32(a) != ntfs::kAttrFileName || !AttributeIsResident(a)) return true;
    std::uint32_t len = 0;
    const std::uint8_t* v = ResidentValue(a, &len);
    if (!FileNameFits(v, len)) return true;
    const std::uint8_t ns = v[ntfs::fname::kNamespace];
    if (ns > ntfs::kNameWin32AndDos) return true;
    if (ns == ntfs::kNameDos) {
      if (!dosValue) {
        dosValue = v;
        dosLength = len;
      }
      return true;
    }
    longValue = v;
    longLength = len;
    return false;
  });
  const std::uint8_t* chosen = longValue ? longValue : dosValue;
  if (!chosen) return false;
  FileNameOfValue(chosen, longValue ? longLength : dosLength, name);
  *nameSpace = chosen[ntfs::fname::kNamespace];
  *value = chosen;
  return true;
}

bool ParseFileRecord(const std::uint8_t* record, std::size_t size, NtfsFileInfo* info) {
  *info = NtfsFileInfo{};
  if (!CheckRecordHeader(record, size)) return false;
  info->flags = Le16(record + ntfs::rec::kFlags);
  info->inUse = (info->flags & ntfs::kRecordInUse) != 0;
  info->directory = (info->flags & ntfs::kRecordDirectory) != 0;
  info->baseRecord = Le64(record + ntfs::rec::kBaseRecord) & ntfs::kRecordNumberMask;

  const std::uint8_t* nameValue = nullptr;
  if (SelectFileName(record, size, &info->name, &info->nameSpace, &nameValue)) {
    info->hasName = true;
    info->parent = Le64(nameValue + ntfs::fname::kParent) & ntfs::kRecordNumberMask;
    info->creationTime = Le64(nameValue + ntfs::fname::kCreation);
    info->modificationTime = Le64(nameValue + ntfs::fname::kModification);
    info->accessTime = Le64(nameValue + ntfs::fname::kAccess);
  }

  std::uint32_t len = 0;
  if (const std::uint8_t* si = FindAttribute(record, size, ntfs::kAttrStandardInformation, &len)) {
    std::uint32_t valueLength = 0;
    const std::uint8_t* v = AttributeIsResident(si) ? ResidentValue(si, &valueLength) : nullptr;
    if (v && valueLength >= 0x24) {
      info->hasStandardInformation = true;
      info->fileAttributes = Le32(v + 0x20);
    }
  }

  if (const std::uint8_t* data = FindAttribute(record, size, ntfs::kAttrData, &len)) {
    info->hasData = true;
    info->dataResident = AttributeIsResident(data);
    info->dataFlags = Le16(data + ntfs::attr::kFlags);
    info->firstCluster = GetAttributeFirstCluster(data);
    info->lastVcn = info->dataResident ? 0 : static_cast<std::int64_t>(Le64(data + ntfs::attr::kLastVcn));
    info->dataSize = GetAttributeDataSize(data);
    info->allocatedSize = GetAttributeAllocatedSize(data);
  }
  info->hasAttributeList = FindAttribute(record, size, ntfs::kAttrAttributeList) != nullptr;
  return true;
}

// ---- Readers --------------------------------------------------------------------------------

bool ReadVolumeSectors(const NTFSVOLUMERECORD* state, std::uint64_t firstSector,
                       std::uint32_t count, void* buffer) {
  const std::uint64_t bps = state->bytesPerSector;
  if (bps == 0 || firstSector > std::numeric_limits<std::uint64_t>::max() / bps) return false;
  const std::uint64_t bytes = std::uint64_t{count} * bps;
  if (bytes > std::numeric_limits<std::size_t>::max()) return false;
  return platform::ReadAt(state->volumeHandle, firstSector * bps, buffer,
                          static_cast<std::size_t>(bytes));
}

bool ReadClusters(const NTFSVOLUMERECORD* state, std::uint64_t firstLcn, std::uint32_t count,
                  void* buffer) {
  const std::uint64_t spc = state->sectorsPerCluster;
  if (spc == 0 || state->bytesPerSector == 0 ||
      firstLcn > std::numeric_limits<std::uint64_t>::max() / spc / state->bytesPerSector)
    return false;
  if (std::uint64_t{count} * spc > std::numeric_limits<std::uint32_t>::max()) return false;
  return ReadVolumeSectors(state, firstLcn * spc, static_cast<std::uint32_t>(count * spc), buffer);
}

bool ReadRunClusters(const NTFSVOLUMERECORD* state, const NtfsRunList& runs,
                     std::uint64_t firstVcn, std::uint64_t count, std::uint8_t* buffer) {
  const std::uint64_t cs = state->clusterSize;
  std::uint64_t vcn = firstVcn;
  while (count > 0) {
    std::uint64_t lcn = 0, left = 0;
    bool sparse = false;
    if (!MapVcn(runs, vcn, &lcn, &left, &sparse)) return false;
    // Bounded so that a single read stays a sensible size.
    const std::uint64_t n = std::min<std::uint64_t>({left, count, (64u << 20) / cs});
    if (sparse) {
      std::memset(buffer, 0, static_cast<std::size_t>(n * cs));
    } else if (!ReadClusters(state, lcn, static_cast<std::uint32_t>(n), buffer)) {
      return false;
    }
    vcn += n;
    count -= n;
    buffer += n * cs;
  }
  return true;
}

bool ReadAttributeClusters(const NTFSVOLUMERECORD* state, const std::uint8_t* attribute,
                           std::uint64_t firstVcn, std::uint64_t count, std::uint8_t* buffer) {
  NtfsRunList runs;
  if (!DecodeRunList(attribute, AttributeLength(attribute), &runs)) return false;
  return ReadRunClusters(state, runs, firstVcn, count, buffer);
}

bool ReadAttributeValue(const NTFSVOLUMERECORD* state, const std::uint8_t* attribute,
                        std::vector<std::uint8_t>* value, std::uint64_t maxBytes) {
  const std::int64_t size = GetAttributeDataSize(attribute);
  if (size < 0 || static_cast<std::uint64_t>(size) > maxBytes) return false;
  if (AttributeIsResident(attribute)) {
    std::uint32_t len = 0;
    const std::uint8_t* v = ResidentValue(attribute, &len);
    value->assign(v, v + len);
    return true;
  }
  const std::uint64_t cs = state->clusterSize;
  const std::uint64_t clusters = (static_cast<std::uint64_t>(size) + cs - 1) / cs;
  value->assign(static_cast<std::size_t>(clusters * cs), 0);
  if (clusters > 0 && !ReadAttributeClusters(state, attribute, 0, clusters, value->data()))
    return false;
  value->resize(static_cast<std::size_t>(size));
  return true;
}

namespace {

// Records of the $MFT as far as its runs map them and the volume holds them; computed whenever
// the runs change, since it walks every run and asks the handle for its length.
std::uint64_t BoundedMftRecordCount(const NTFSVOLUMERECORD* state) {
  const std::uint64_t cs = state->clusterSize;
  if (state->recordSize == 0 || cs == 0) return 0;
  // The claimed size is believed only as far as the runs map clusters and the volume holds
  // them: a size of 2^40 over a few runs must not become billions of records to walk.
  const std::uint64_t volume = platform::HandleLength(state->volumeHandle);
  const std::uint64_t volumeClusters =
      volume ? volume / cs : std::numeric_limits<std::uint64_t>::max();
  std::uint64_t mapped = 0;
  for (const NtfsRun& run : state->mftRuns) {
    const std::uint64_t n = std::min(run.length, volumeClusters);
    mapped = AddOverflows(mapped, n) ? std::numeric_limits<std::uint64_t>::max() : mapped + n;
  }
  std::uint64_t bytes = std::min(state->mftDataSize,
                                 mapped > std::numeric_limits<std::uint64_t>::max() / cs
                                     ? std::numeric_limits<std::uint64_t>::max()
                                     : mapped * cs);
  if (volume) bytes = std::min(bytes, volume);
  return bytes / state->recordSize;
}

// Appends the runs of the $MFT's $DATA extents that record 0's attribute list names, in order,
// until one does not fit; false then.
bool FollowMftAttributeList(NTFSVOLUMERECORD* state, const std::uint8_t* listAttr) {
  std::vector<std::uint8_t> list;
  if (!ReadAttributeValue(state, listAttr, &list, 1u << 20)) return false;
  std::vector<std::uint8_t> extent(state->recordSize);
  std::size_t followed = 0;
  for (std::size_t pos = 0; pos <= list.size() && 0x1A <= list.size() - pos;) {
    const std::uint8_t* e = list.data() + pos;
    const std::uint16_t entryLength = Le16(e + 4);
    if (entryLength < 0x1A || entryLength > list.size() - pos) return false;
    const std::uint64_t ref = Le64(e + 0x10) & ntfs::kRecordNumberMask;
    if (Le32(e) == ntfs::kAttrData && e[6] == 0 && ref != 0) {
      if (++followed > kMaxMftExtents) return false;
      if (!ReadMftRecord(state, ref, extent.data())) return false;
      std::uint32_t len = 0;
      const std::uint8_t* data = FindAttribute(extent.data(), extent.size(), ntfs::kAttrData, &len);
      NtfsRunList more;
      if (!data || AttributeIsResident(data) || !DecodeRunList(data, len, &more)) return false;
      const std::uint64_t end = state->mftRuns.empty()
                                    ? 0
                                    : state->mftRuns.back().vcn + state->mftRuns.back().length;
      if (!more.empty() && more.front().vcn != end) return false;
      state->mftRuns.insert(state->mftRuns.end(), more.begin(), more.end());
      state->mftRecordCount = BoundedMftRecordCount(state);
    }
    pos += entryLength;
  }
  return true;
}

}  // namespace

bool AllocMftRecordBuffer(NTFSVOLUMERECORD* state) {
  // Every boot value is checked by the one parser before a size is computed from it.
  const platform::BootSectorResult boot = platform::ParseBootSectorAs(
      platform::BootFamily::kNtfs, state->bootSector, sizeof state->bootSector);
  if (!boot.ok) return false;
  const std::uint32_t bps = boot.layout.bytesPerSector;
  const std::uint32_t spc = boot.layout.sectorsPerCluster;
  const std::uint64_t clusterSize = boot.layout.clusterSize;
  const std::uint64_t recordSize = boot.layout.ntfs.recordSize;
  const std::uint64_t mftLcn = boot.layout.ntfs.mftLcn;

  state->bytesPerSector = bps;
  state->sectorsPerCluster = spc;
  state->clusterSize = static_cast<std::uint32_t>(clusterSize);
  state->recordSize = static_cast<std::uint32_t>(recordSize);
  state->mftRuns.clear();
  state->mftDataSize = 0;
  state->mftRecordCount = 0;

  std::free(state->record0);
  state->record0 = static_cast<std::uint8_t*>(std::calloc(1, recordSize));
  if (!state->record0) return false;
  if (mftLcn > std::numeric_limits<std::uint64_t>::max() / clusterSize ||
      !platform::ReadAt(state->volumeHandle, mftLcn * clusterSize, state->record0, recordSize) ||
      !ApplyUpdateSequence(state->record0, recordSize) ||
      !CheckRecordHeader(state->record0, recordSize)) {
    std::memset(state->record0, 0, recordSize);
    return false;
  }
  std::uint32_t len = 0;
  const std::uint8_t* data = FindAttribute(state->record0, recordSize, ntfs::kAttrData, &len);
  if (!data || AttributeIsResident(data) || Le64(data + ntfs::attr::kStartVcn) != 0 ||
      !DecodeRunList(data, len, &state->mftRuns) || state->mftRuns.empty())
    return false;
  state->mftDataSize = Le64(data + ntfs::attr::kDataSize);
  state->mftRecordCount = BoundedMftRecordCount(state);
  // An $MFT too large for one record continues in extents that its attribute list names. A
  // damaged list keeps the extents mapped before the damage: the records past them read as
  // failed, and the rest of the $MFT is still searched.
  if (const std::uint8_t* list = FindAttribute(state->record0, recordSize, ntfs::kAttrAttributeList))
    FollowMftAttributeList(state, list);
  return true;
}

std::uint64_t MftRecordCount(const NTFSVOLUMERECORD* state) { return state->mftRecordCount; }

bool ReadMftBytes(const NTFSVOLUMERECORD* state, std::uint64_t offset, std::size_t length,
                  std::uint8_t* buffer) {
  const std::uint64_t cs = state->clusterSize;
  if (cs == 0) return false;
  while (length > 0) {
    const std::uint64_t vcn = offset / cs;
    const std::uint64_t within = offset % cs;
    std::uint64_t lcn = 0, left = 0;
    bool sparse = false;
    if (!MapVcn(state->mftRuns, vcn, &lcn, &left, &sparse) || sparse) return false;
    // A corrupt run length must not wrap the byte count (to 0 it would never advance).
    const std::uint64_t avail =
        std::min(left, std::numeric_limits<std::uint64_t>::max() / cs) * cs - within;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(avail, length));
    if (lcn > (std::numeric_limits<std::uint64_t>::max() - within) / cs) return false;
    if (!platform::ReadAt(state->volumeHandle, lcn * cs + within, buffer, n)) return false;
    offset += n;
    buffer += n;
    length -= n;
  }
  return true;
}

bool ReadMftDataClusters(const NTFSVOLUMERECORD* state, std::uint64_t firstVcn,
                         std::uint64_t count, std::uint8_t* buffer) {
  return ReadRunClusters(state, state->mftRuns, firstVcn, count, buffer);
}

bool ReadMftRecord(const NTFSVOLUMERECORD* state, std::uint64_t r, std::uint8_t* buffer) {
  const std::size_t size = state->recordSize;
  if (size == 0) return false;
  const bool ok = r < state->mftRecordCount &&
                  ReadMftBytes(state, r * size, size, buffer) && ApplyUpdateSequence(buffer, size);
  if (!ok) std::memset(buffer, 0, size);
  return ok;
}

bool OpenNtfsState(NTFSVOLUMERECORD* state, char driveLetter) {
  if (!platform::IsValidHandle(state->volumeHandle)) {
    state->volumeHandle = platform::OpenVolume(driveLetter);
    if (!platform::IsValidHandle(state->volumeHandle)) {
      state->volumeHandle = platform::kInvalidHandle;
      return false;
    }
    state->ownsVolumeHandle = true;
  }
  if (!platform::ReadAt(state->volumeHandle, 0, state->bootSector, sizeof state->bootSector))
    return false;
  return AllocMftRecordBuffer(state);
}
