#include "corvane/fat_dir.h"

#include <cstdlib>
#include <cstring>

#include "corvane/engine_hooks.h"
#include "platform/endian.h"
#include "platform/message.h"

namespace {

constexpr std::size_t kSlot = 32;
constexpr std::uint8_t kLongNameAttr = 0x0F;
constexpr std::uint8_t kErased = 0xE5;
// 255 characters need 20 long-name slots of 13.
constexpr std::size_t kMaxLongSlots = 20;
constexpr std::size_t kMaxLongName = 255;

bool IsLongSlot(const std::uint8_t* s) { return s[11] == kLongNameAttr; }

// The 13 characters of one long-name slot, in order.
void AppendLongChars(const std::uint8_t* s, char16_t* name, std::size_t* len, bool* ended) {
  static constexpr std::size_t kOffsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
  for (std::size_t off : kOffsets) {
    if (*ended) return;
    const char16_t ch = platform::Le16(s + off);
    if (ch == 0) {
      *ended = true;
      return;
    }
    if (*len >= kMaxLongName) {
      *ended = true;
      return;
    }
    name[(*len)++] = ch;
  }
}

void DecodeDate(std::uint16_t date, std::uint16_t* y, std::uint16_t* m, std::uint16_t* d) {
  *y = date == 0 ? 0 : static_cast<std::uint16_t>((date >> 9) + 1980);
  *m = (date >> 5) & 0x0F;
  *d = date & 0x1F;
}

void DecodeTime(std::uint16_t time, std::uint16_t* h, std::uint16_t* m, std::uint16_t* s) {
  *h = time >> 11;
  *m = (time >> 5) & 0x3F;
  *s = static_cast<std::uint16_t>((time & 0x1F) * 2);
}

void DecodeShortEntry(const std::uint8_t* s, std::uint32_t lastCluster, FATDIRENTRY* e) {
  const std::uint8_t attr = s[11];
  e->attribute = attr;
  e->reserved = s[12];
  e->size = platform::Le32(s + 28);
  e->firstCluster = (std::uint32_t{platform::Le16(s + 20)} << 16) | platform::Le16(s + 26);
  e->valid = e->firstCluster <= lastCluster ? 1 : 0;
  e->directory = (attr & 0x18) ? 1 : 0;
  e->volumeLabel = (attr & 0x08) ? 1 : 0;

  DecodeDate(platform::Le16(s + 16), &e->createYear, &e->createMonth, &e->createDay);
  DecodeTime(platform::Le16(s + 14), &e->createHour, &e->createMinute, &e->createSecond);
  // Hundredths run to 199: whole seconds move into the second.
  const std::uint8_t hundredths = s[13];
  e->createSecond = static_cast<std::uint16_t>(e->createSecond + hundredths / 100);
  e->createHundredths = static_cast<std::uint8_t>(hundredths % 100);
  DecodeDate(platform::Le16(s + 18), &e->accessYear, &e->accessMonth, &e->accessDay);
  DecodeDate(platform::Le16(s + 24), &e->modifyYear, &e->modifyMonth, &e->modifyDay);
  DecodeTime(platform::Le16(s + 22), &e->modifyHour, &e->modifyMinute, &e->modifySecond);

  // Short name: base without trailing blanks, then '.' and the non-blank extension bytes.
  std::size_t len = 8;
  while (len > 0 && s[len - 1] == ' ') --len;
  std::memcpy(e->shortName, s, len);
  if (len > 0) {
    if (s[0] == kErased) e->shortName[0] = '#';
    else if (s[0] == 0x05) e->shortName[0] = static_cast<char>(kErased);  // a real 0xE5 lead byte
  }
  if (s[8] != ' ') {
    e->hasExtension = 1;
    e->shortName[len] = '.';
    e->shortName[len + 1] = static_cast<char>(s[8]);
    e->extension[0] = static_cast<char>(s[8]);
    if (s[9] != ' ') {
      e->shortName[len + 2] = static_cast<char>(s[9]);
      e->extension[1] = static_cast<char>(s[9]);
    }
    if (s[10] != ' ') {
      e->shortName[len + 3] = static_cast<char>(s[10]);
      e->extension[2] = static_cast<char>(s[10]);
    }
  }
}

// Slots [from, to) are the long name of the short entry at `to`, in directory order (the last
// of them sits next to the short entry).
void TakeLongName(const std::uint8_t* bytes, std::size_t from, std::size_t to, bool live,
                  FATDIRENTRY* e) {
  const std::uint8_t* near = bytes + (to - 1) * kSlot;
  e->hasLongName = 1;
  e->longNameLive = live ? 1 : 0;
  e->firstSlot = static_cast<std::uint32_t>(from + 1);
  e->lfnOrdinal = near[0];
  e->lfnAttribute = near[11];
  e->lfnType = near[12];
  e->lfnChecksum = near[13];
  e->lfnCluster = platform::Le16(near + 26);
  char16_t name[kMaxLongName + 1] = {};
  std::size_t len = 0;
  bool ended = false;
  for (std::size_t k = to; k > from && !ended; --k) AppendLongChars(bytes + (k - 1) * kSlot, name, &len, &ended);
  SetLongName(e, name, len);
}

// Length of the live long-name sequence starting at slot i that belongs to the short entry right
// after it, or 0 when the slots do not form one (bad ordinals or checksums, no short entry).
std::size_t LiveLongRun(const std::uint8_t* bytes, std::size_t i, std::size_t walk) {
  const std::uint8_t* first = bytes + i * kSlot;
  if (!(first[0] & 0x40)) return 0;
  const std::size_t n = first[0] & 0x3F;
  if (n < 1 || n > kMaxLongSlots || n > walk - i - 1) return 0;
  const std::uint8_t sum = first[13];
  for (std::size_t k = 1; k < n; ++k) {
    const std::uint8_t* s = bytes + (i + k) * kSlot;
    if (!IsLongSlot(s) || s[0] != n - k || s[13] != sum) return 0;
  }
  const std::uint8_t* shortEntry = bytes + (i + n) * kSlot;
  if (IsLongSlot(shortEntry)) return 0;
  // An erased short entry lost its first byte, so its checksum cannot be compared.
  if (shortEntry[0] != kErased && ShortNameChecksum(shortEntry) != sum) return 0;
  return n;
}

}  // namespace

std::uint8_t ShortNameChecksum(const std::uint8_t* name11) {
  std::uint8_t sum = 0;
  for (int k = 0; k < 11; ++k) sum = static_cast<std::uint8_t>(((sum & 1) << 7) + (sum >> 1) + name11[k]);
  return sum;
}

std::size_t ParseFatDirectory(const std::uint8_t* bytes, std::size_t size, std::uint32_t lastCluster,
                              std::vector<FATDIRENTRY>* out) {
  const std::size_t slots = size / kSlot;
  std::size_t walk = 0;
  while (walk < slots && bytes[walk * kSlot] != 0) ++walk;

  // Erased long-name slots waiting for their short entry: [erasedFrom, i).
  std::size_t erasedFrom = SIZE_MAX;
  std::size_t i = 0;
  while (i < walk) {
    const std::uint8_t* s = bytes + i * kSlot;
    if (IsLongSlot(s)) {
      if (s[0] == kErased) {
        if (erasedFrom == SIZE_MAX) erasedFrom = i;
        ++i;
        continue;
      }
      erasedFrom = SIZE_MAX;
      const std::size_t n = LiveLongRun(bytes, i, walk);
      if (n == 0) {
        ++i;  // an orphan slot: no record of its own
        continue;
      }
      FATDIRENTRY e{};
      TakeLongName(bytes, i, i + n, true, &e);
      e.lastSlot = static_cast<std::uint32_t>(i + n + 1);
      const std::uint8_t* shortEntry = bytes + (i + n) * kSlot;
      e.deleted = shortEntry[0] == kErased ? 1 : 0;
      DecodeShortEntry(shortEntry, lastCluster, &e);
      out->push_back(e);
      i += n + 1;
      continue;
    }
    FATDIRENTRY e{};
    e.firstSlot = e.lastSlot = static_cast<std::uint32_t>(i + 1);
    e.deleted = s[0] == kErased ? 1 : 0;
    const std::uint8_t sum = erasedFrom != SIZE_MAX ? bytes[(i - 1) * kSlot + 13] : 0;
    // A live short entry can be checked against the erased name; an erased one cannot.
    if (erasedFrom != SIZE_MAX && (s[0] == kErased || ShortNameChecksum(s) == sum)) {
      // Of the erased run keep the slots next to this entry that share its checksum.
      std::size_t from = i;
      while (from > erasedFrom && i - from < kMaxLongSlots && bytes[(from - 1) * kSlot + 13] == sum) --from;
      TakeLongName(bytes, from, i, false, &e);
    }
    erasedFrom = SIZE_MAX;
    DecodeShortEntry(s, lastCluster, &e);
    out->push_back(e);
    ++i;
  }
  return walk;
}

void ReorderFatEntries(std::vector<FATDIRENTRY>* entries) {
  std::vector<FATDIRENTRY> sorted;
  sorted.reserve(entries->size());
  for (const auto& e : *entries)
    if (e.directory && e.volumeLabel) sorted.push_back(e);
  for (const auto& e : *entries)
    if (e.directory && !e.volumeLabel) sorted.push_back(e);
  for (const auto& e : *entries)
    if (!e.directory) sorted.push_back(e);
  entries->swap(sorted);
}

int ScanDirectoryEntries(FATVOLUMERECORD* rec, std::uint32_t slotCount, const std::uint8_t* buffer) {
  if (!rec || !buffer) return 0;
  std::vector<FATDIRENTRY> entries;
  const std::size_t walked =
      ParseFatDirectory(buffer, std::size_t{slotCount} * kSlot, rec->geometry.lastCluster, &entries);
  if (walked < 1) return 0;
  if (entries.empty()) {
    platform::ShowMessage(kMsgScanAbnormal, platform::MsgButtons::Ok, platform::MsgIcon::Error);
    return 0;
  }
  ReorderFatEntries(&entries);
  auto* array = static_cast<FATDIRENTRY*>(std::calloc(entries.size(), sizeof(FATDIRENTRY)));
  if (!array) return 0;
  std::memcpy(array, entries.data(), entries.size() * sizeof(FATDIRENTRY));
  FreeFatDirEntries();
  g_pFatDirEntries = array;
  g_dwFatDirEntryCount = static_cast<std::uint32_t>(entries.size());
  g_dwLFNDirEntry = g_dwFatDirEntryCount;
  return 1;
}

void FreeFatDirEntries() {
  std::free(g_pFatDirEntries);
  g_pFatDirEntries = nullptr;
  g_dwFatDirEntryCount = 0;
}
