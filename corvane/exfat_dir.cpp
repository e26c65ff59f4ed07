#include "corvane/exfat_dir.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_set>

#include "corvane/bootarea.h"
#include "corvane/engine_hooks.h"
#include "corvane/fat_table.h"
#include "platform/boot_sector.h"
#include "platform/endian.h"
#include "platform/message.h"

using platform::MsgButtons;
using platform::MsgIcon;

namespace {

constexpr std::size_t kEntry = 32;
constexpr std::size_t kMaxName = sizeof(EXFATFILEENTRY::name) / sizeof(char16_t) - 1;

bool IsFile(std::uint8_t t) { return t == 0x85 || t == 0x05; }
bool IsStream(std::uint8_t t) { return t == 0xC0 || t == 0x40; }
bool IsName(std::uint8_t t) { return t == 0xC1 || t == 0x41; }

// Geometry of the boot copy, checked before anything is read with it.
struct ExfatLayout {
  std::uint32_t bytesPerSector = 0;
  std::uint32_t sectorsPerCluster = 0;
  std::uint64_t fatOffset = 0;
  std::uint64_t fatLength = 0;
  std::uint64_t heapOffset = 0;
  std::uint32_t clusterCount = 0;  // clusters 2 .. clusterCount + 1 lie inside the volume
  std::uint32_t rootCluster = 0;
};

// The boot copy through the one boot-sector parser; its record must read with the same sector
// size. The clusters are bounded by the record's geometry, which holds what the opened volume
// really holds; a root directory past that bound is refused.
bool LayoutOf(const std::uint8_t* boot, const FATVOLUMERECORD* rec, ExfatLayout* out) {
  const platform::BootSectorResult parsed =
      platform::ParseBootSectorAs(platform::BootFamily::kExfat, boot, platform::kBootSectorBytes);
  if (!parsed.ok || parsed.layout.bytesPerSector != rec->bytesPerSector) return false;
  const platform::ExfatBootLayout& e = parsed.layout.exfat;
  if (rec->geometry.lastCluster < 2) return false;
  const std::uint32_t count = std::min(e.clusterCount, rec->geometry.lastCluster - 1);
  if (e.rootCluster > count + 1) return false;
  out->bytesPerSector = parsed.layout.bytesPerSector;
  out->sectorsPerCluster = parsed.layout.sectorsPerCluster;
  out->fatOffset = e.fatOffset;
  out->fatLength = e.fatLength;
  out->heapOffset = e.clusterHeapOffset;
  out->clusterCount = count;
  out->rootCluster = e.rootCluster;
  return true;
}

// Allocation-table lookups, one sector read at a time.
class ExfatTableReader {
 public:
  ExfatTableReader(FATVOLUMERECORD* rec, const ExfatLayout& layout)
      : rec_(rec), layout_(layout), sector_(layout.bytesPerSector) {}

  // Next cluster of c; false when the table cannot be read.
  bool Next(std::uint32_t c, std::uint32_t* next) {
    const std::uint64_t byte = std::uint64_t{c} * 4;
    const std::uint64_t s = layout_.fatOffset + byte / layout_.bytesPerSector;
    if (s != loaded_) {
      if (!ReadVolumeSectors(rec_, sector_.data(), s, 1)) return false;
      loaded_ = s;
    }
    *next = platform::Le32(sector_.data() + byte % layout_.bytesPerSector);
    return true;
  }

 private:
  FATVOLUMERECORD* rec_;
  ExfatLayout layout_;
  std::vector<std::uint8_t> sector_;
  std::uint64_t loaded_ = UINT64_MAX;
};

bool HoldsEndEntry(const std::uint8_t* cluster, std::size_t bytes) {
  for (std::size_t at = 0; at + kEntry <= bytes; at += kEntry)
    if (cluster[at] == 0) return true;
  return false;
}

void FillRecord(const std::uint8_t* set, unsigned secondary, EXFATFILEENTRY* e) {
  const std::uint8_t* file = set;
  const std::uint8_t* stream = set + kEntry;
  e->deleted = file[0] == 0x05 ? 1 : 0;
  e->setChecksum = platform::Le16(file + 2);
  e->attributes = platform::Le16(file + 4);
  e->folder = (e->attributes & 0x10) ? 1 : 0;
  e->createTimestamp = platform::Le32(file + 8);
  e->modifiedTimestamp = platform::Le32(file + 12);
  e->accessedTimestamp = platform::Le32(file + 16);
  e->create10ms = file[20];
  e->secondaryFlags = stream[1];
  e->validDataLength = platform::Le64(stream + 8);
  e->firstCluster = platform::Le32(stream + 20);
  e->dataLength = platform::Le64(stream + 24);
  std::vector<char16_t> units;
  std::size_t len = 0;
  for (unsigned k = 2; k <= secondary; ++k) {
    const std::uint8_t* name = set + k * kEntry;
    if (!IsName(name[0])) break;
    for (std::size_t c = 0; c < 15 && len < kMaxName; ++c) {
      const char16_t ch = platform::Le16(name + 2 + 2 * c);
      if (ch == 0) break;
      units.push_back(ch);
      ++len;
    }
  }
  // An empty vector may hold no storage at all: copy from an empty text then.
  SetExfatName(e, units.empty() ? u"" : units.data(), units.size());
}

}  // namespace

std::size_t ParseExfatDirectory(const std::uint8_t* bytes, std::size_t size,
                                std::vector<EXFATFILEENTRY>* out) {
  const std::size_t total = size / kEntry;
  std::size_t walked = 0;
  while (walked < total && bytes[walked * kEntry] != 0) ++walked;
  for (std::size_t i = 0; i < walked; ++i) {
    const std::uint8_t* file = bytes + i * kEntry;
    if (!IsFile(file[0])) continue;
    const unsigned secondary = file[1];
    // Vendor entries may follow the File Name entries; the name stops at the first of them.
    if (secondary < 2) continue;
    if (secondary > walked - i - 1) continue;  // the set runs past what was read
    if (!IsStream(file[kEntry]) || !IsName(file[2 * kEntry])) continue;
    EXFATFILEENTRY e{};
    FillRecord(file, secondary, &e);
    out->push_back(e);
  }
  return walked;
}

bool ReadExfatRootBytes(FATVOLUMERECORD* rec, std::vector<std::uint8_t>* bytes,
                        std::vector<std::uint32_t>* clusters) {
  ExfatLayout layout;
  if (!rec || !g_pExfatBootRecord || !LayoutOf(g_pExfatBootRecord, rec, &layout)) {
    platform::ShowMessage(kMsgBootValuesAbnormal);
    return false;
  }
  const std::size_t clusterBytes = std::size_t{layout.bytesPerSector} * layout.sectorsPerCluster;
  const std::uint64_t maxClusters =
      std::min<std::uint64_t>(layout.clusterCount, std::max<std::uint64_t>(1, kMaxExfatDirectoryBytes / clusterBytes));
  ExfatTableReader table(rec, layout);
  std::uint32_t c = layout.rootCluster;
  std::unordered_set<std::uint32_t> visited{c};
  while (clusters->size() < maxClusters) {
    const std::size_t at = bytes->size();
    bytes->resize(at + clusterBytes);
    const std::uint64_t sector = std::uint64_t{c - 2} * layout.sectorsPerCluster + layout.heapOffset;
    if (!ReadVolumeSectors(rec, bytes->data() + at, sector, layout.sectorsPerCluster)) {
      bytes->resize(at);
      if (clusters->empty()) {
        platform::ShowMessage(kMsgCannotReadSectorsDot, MsgButtons::Ok, MsgIcon::Error);
        return false;
      }
      break;  // keep the clusters already read
    }
    clusters->push_back(c);
    // Nothing after the end entry is read, so later clusters are not needed.
    if (HoldsEndEntry(bytes->data() + at, clusterBytes)) break;
    std::uint32_t next = 0;
    // The end mark, a broken link, a link back into the directory or an unreadable table all
    // end the directory here.
    if (!table.Next(c, &next) || next < 2 || next - 2 >= layout.clusterCount) break;
    if (!visited.insert(next).second) break;
    c = next;
  }
  return true;
}

int ReadExfatRootDirectory(FATVOLUMERECORD* rec) {
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint32_t> clusters;
  if (!ReadExfatRootBytes(rec, &bytes, &clusters)) return 0;
  std::vector<EXFATFILEENTRY> entries;
  if (ParseExfatDirectory(bytes.data(), bytes.size(), &entries) == 0) return 0;
  const std::size_t slots = entries.empty() ? 1 : entries.size();
  auto* array = static_cast<EXFATFILEENTRY*>(std::calloc(slots, sizeof(EXFATFILEENTRY)));
  if (!array) {
    platform::ShowMessage(kMsgExfatNoArray);
    return 0;
  }
  if (!entries.empty()) std::memcpy(array, entries.data(), entries.size() * sizeof(EXFATFILEENTRY));
  FreeExfatEntries();
  g_pExfatEntries = array;
  g_dwExfatEntryCount = static_cast<std::uint32_t>(entries.size());
  g_dwLFNDirEntry = g_dwExfatEntryCount;
  return 1;
}

void FreeExfatEntries() {
  std::free(g_pExfatEntries);
  g_pExfatEntries = nullptr;
  g_dwExfatEntryCount = 0;
}
