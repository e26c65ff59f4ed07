#include "tests/fuzz/fuzz_targets.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "corvane/bootarea.h"
#include "corvane/fat_dir.h"
#include "corvane/ntfs_record.h"
#include "platform/boot_sector.h"
#include "platform/endian.h"

namespace fuzz {
namespace {

using platform::Le16;
using platform::Le32;
using platform::Le64;
using platform::PutLe16;
using platform::PutLe32;
using platform::PutLe64;

// ---- Fixture access -------------------------------------------------------------------------

// The fixture images, in name order so that every run sees the same seeds.
std::vector<std::string> Images(const std::string& dir) {
  std::vector<std::string> out;
  std::error_code ec;
  if (dir.empty() || !std::filesystem::is_directory(dir, ec)) return out;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec))
    if (e.is_regular_file() && e.path().extension() == ".img") out.push_back(e.path().string());
  std::sort(out.begin(), out.end());
  return out;
}

std::uint64_t FileLength(const std::string& path) {
  std::error_code ec;
  const auto n = std::filesystem::file_size(path, ec);
  return ec ? 0 : n;
}

bool HasSignature(const std::uint8_t* sector) { return sector[510] == 0x55 && sector[511] == 0xAA; }

// ---- Boot sectors ---------------------------------------------------------------------------

Bytes FatBoot(bool fat32) {
  Bytes s(512, 0);
  s[0] = 0xEB, s[1] = 0x3C, s[2] = 0x90;
  std::memcpy(&s[3], "MSWIN4.1", 8);
  PutLe16(&s[11], 512);
  s[13] = fat32 ? 1 : 4;
  PutLe16(&s[14], fat32 ? 32 : 1);
  s[16] = 2;
  PutLe16(&s[17], fat32 ? 0 : 512);
  PutLe16(&s[19], fat32 ? 0 : 16384);
  s[21] = 0xF8;
  PutLe16(&s[22], fat32 ? 0 : 16);
  PutLe32(&s[32], fat32 ? 66000 : 0);
  std::uint8_t* ext = &s[36];
  if (fat32) {
    PutLe32(&s[36], 512);
    PutLe32(&s[44], 2);
    PutLe16(&s[48], 1);
    PutLe16(&s[50], 6);
    ext = &s[64];
  }
  ext[2] = 0x29;
  PutLe32(ext + 3, 0x12345678);
  std::memcpy(ext + 7, "SEED       ", 11);
  std::memcpy(ext + 18, fat32 ? "FAT32   " : "FAT16   ", 8);
  s[510] = 0x55, s[511] = 0xAA;
  return s;
}

Bytes ExfatBoot() {
  Bytes s(512, 0);
  s[0] = 0xEB, s[1] = 0x76, s[2] = 0x90;
  std::memcpy(&s[3], "EXFAT   ", 8);
  PutLe64(&s[exfatboot::kVolumeLength], 65536);
  PutLe32(&s[exfatboot::kFatOffset], 2048);
  PutLe32(&s[exfatboot::kFatLength], 64);
  PutLe32(&s[exfatboot::kClusterHeapOffset], 4096);
  PutLe32(&s[exfatboot::kClusterCount], 7680);
  PutLe32(&s[exfatboot::kRootCluster], 4);
  s[exfatboot::kRevisionMajor] = 1;
  s[exfatboot::kBytesPerSectorShift] = 9;
  s[exfatboot::kSectorsPerClusterShift] = 3;
  s[exfatboot::kNumberOfFats] = 1;
  s[510] = 0x55, s[511] = 0xAA;
  return s;
}

Bytes NtfsBoot() {
  Bytes s(512, 0);
  s[0] = 0xEB, s[1] = 0x52, s[2] = 0x90;
  std::memcpy(&s[3], "NTFS    ", 8);
  PutLe16(&s[11], 512);
  s[13] = 8;
  s[21] = 0xF8;
  PutLe64(&s[40], 65535);
  PutLe64(&s[48], 4);
  PutLe64(&s[56], 2);
  s[64] = 0xF6;  // 2^10-byte records
  s[68] = 1;
  s[510] = 0x55, s[511] = 0xAA;
  return s;
}

std::vector<Bytes> BootSeeds(const std::string& dir) {
  std::vector<Bytes> out = {FatBoot(false), FatBoot(true), ExfatBoot(), NtfsBoot()};
  for (const std::string& image : Images(dir)) {
    Bytes sector;
    if (!ReadAt(image, 0, 512, &sector) || !HasSignature(sector.data())) continue;
    if (GuessFileSystemType(sector.data(), sector.size()) == kFsUnknown) continue;
    out.push_back(sector);
    if (out.size() >= 32) break;
  }
  return out;
}

std::vector<Field> BootFields(const Bytes& in) {
  static const Field kFields[] = {
      {11, 2}, {13, 1}, {14, 2}, {16, 1}, {17, 2}, {19, 2}, {21, 1}, {22, 2}, {28, 4}, {32, 4},
      {36, 4}, {40, 8}, {44, 4}, {48, 8}, {50, 2}, {56, 8}, {64, 4}, {64, 8}, {68, 4}, {72, 8},
      {80, 4}, {84, 4}, {88, 4}, {92, 4}, {96, 4}, {105, 1}, {106, 2}, {108, 1}, {109, 1},
      {110, 1}, {510, 2}};
  std::vector<Field> out;
  for (const Field& f : kFields)
    if (f.offset + f.width <= in.size()) out.push_back(f);
  return out;
}

// ---- FAT directory slots --------------------------------------------------------------------

void PutShort(Bytes* dir, const char* name11, std::uint8_t attribute, std::uint32_t cluster,
              std::uint32_t size) {
  std::uint8_t s[32] = {};
  std::memcpy(s, name11, 11);
  s[11] = attribute;
  PutLe16(s + 14, 0x6000);  // 12:00
  PutLe16(s + 16, 0x5A21);  // 2025-01-01
  PutLe16(s + 20, static_cast<std::uint16_t>(cluster >> 16));
  PutLe16(s + 22, 0x6000);
  PutLe16(s + 24, 0x5A21);
  PutLe16(s + 26, static_cast<std::uint16_t>(cluster));
  PutLe32(s + 28, size);
  dir->insert(dir->end(), s, s + 32);
}

// The long-name slots of name for the short name, last slot first, as on disk.
void PutLong(Bytes* dir, const std::u16string& name, const char* short11, bool erased) {
  const std::uint8_t sum = ShortNameChecksum(reinterpret_cast<const std::uint8_t*>(short11));
  const std::size_t slots = (name.size() + 12) / 13;
  static const int kPos[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
  for (std::size_t n = slots; n >= 1; --n) {
    std::uint8_t s[32] = {};
    s[0] = erased ? 0xE5 : static_cast<std::uint8_t>(n | (n == slots ? 0x40 : 0));
    s[11] = 0x0F;
    s[13] = sum;
    for (int k = 0; k < 13; ++k) {
      const std::size_t i = (n - 1) * 13 + k;
      const std::uint16_t c = i < name.size() ? name[i] : i == name.size() ? 0 : 0xFFFF;
      PutLe16(s + kPos[k], c);
    }
    dir->insert(dir->end(), s, s + 32);
  }
}

std::vector<Bytes> FatDirSeeds(const std::string& dir) {
  Bytes root;
  PutShort(&root, "SEEDDISK   ", 0x08, 0, 0);
  PutShort(&root, "SUBDIR     ", 0x10, 3, 0);
  PutLong(&root, u"A long file name.txt", "ALONGF~1TXT", false);
  PutShort(&root, "ALONGF~1TXT", 0x20, 5, 1234);
  PutLong(&root, u"deleted with a long name.bin", "\xE5" "ELETE~1BIN", true);
  PutShort(&root, "\xE5" "ELETE~1BIN", 0x20, 9, 70000);
  PutShort(&root, "\xE5" "HORT   TXT", 0x20, 12, 10);
  PutShort(&root, "README     ", 0x01, 13, 0);
  Bytes sub;
  PutShort(&sub, ".          ", 0x10, 3, 0);
  PutShort(&sub, "..         ", 0x10, 0, 0);
  PutLong(&sub, u"\u1100\uAC00 unicode name", "UNICOD~1   ", false);
  PutShort(&sub, "UNICOD~1   ", 0x20, 20, 5);
  sub.resize(512, 0);
  std::vector<Bytes> out = {root, sub};

  for (const std::string& image : Images(dir)) {
    Bytes sector;
    if (!ReadAt(image, 0, 512, &sector)) continue;
    BOOTRECORD br;
    CopyFatBootRecord(sector.data(), false, &br);
    if (HasFat32Layout(br)) CopyFatBootRecord(sector.data(), true, &br);
    BootLayout layout;
    std::string why;
    if (!ComputeFatLayout(br, FileLength(image), &layout, &why)) continue;
    const std::uint64_t bps = layout.bytesPerSector;
    std::uint64_t first = layout.geometry.rootFirst;
    std::uint64_t sectors = layout.geometry.rootSectors;
    if (layout.typeCode == kFsFat32) {
      first = layout.geometry.firstDataSector + std::uint64_t{br.rootCluster - 2} * br.sectorsPerCluster;
      sectors = br.sectorsPerCluster;
    }
    Bytes bytes;
    if (!ReadAt(image, first * bps, static_cast<std::size_t>(std::min<std::uint64_t>(sectors * bps, 16384)), &bytes))
      continue;
    if (bytes.empty() || bytes[0] == 0) continue;
    out.push_back(bytes);
    if (out.size() >= 16) break;
  }
  return out;
}

std::vector<Field> SlotFields(const Bytes& in, std::initializer_list<Field> perSlot) {
  std::vector<Field> out;
  for (std::size_t at = 0; at + 32 <= in.size() && out.size() < 4096; at += 32)
    for (const Field& f : perSlot) out.push_back({at + f.offset, f.width});
  return out;
}

std::vector<Field> FatDirFields(const Bytes& in) {
  return SlotFields(in, {{0, 1}, {11, 1}, {12, 1}, {13, 1}, {20, 2}, {26, 2}, {28, 4}});
}

// ---- exFAT entry sets -----------------------------------------------------------------------

std::uint16_t SetChecksum(const std::uint8_t* set, std::size_t bytes) {
  std::uint16_t sum = 0;
  for (std::size_t i = 0; i < bytes; ++i) {
    if (i == 2 || i == 3) continue;
    sum = static_cast<std::uint16_t>(((sum & 1) ? 0x8000 : 0) + (sum >> 1) + set[i]);
  }
  return sum;
}

void PutExfatSet(Bytes* dir, const std::u16string& name, std::uint16_t attributes,
                 std::uint32_t cluster, std::uint64_t size, bool deleted) {
  const std::size_t names = (name.size() + 14) / 15;
  Bytes set(32 * (2 + names), 0);
  set[0] = deleted ? 0x05 : 0x85;
  set[1] = static_cast<std::uint8_t>(1 + names);
  PutLe16(&set[4], attributes);
  PutLe32(&set[8], 0x5A216000);
  PutLe32(&set[12], 0x5A216000);
  PutLe32(&set[16], 0x5A216000);
  std::uint8_t* stream = &set[32];
  stream[0] = deleted ? 0x40 : 0xC0;
  stream[1] = 0x03;  // allocation possible, contiguous
  stream[3] = static_cast<std::uint8_t>(name.size());
  PutLe64(stream + 8, size);
  PutLe32(stream + 20, cluster);
  PutLe64(stream + 24, size);
  for (std::size_t n = 0; n < names; ++n) {
    std::uint8_t* e = &set[64 + 32 * n];
    e[0] = deleted ? 0x41 : 0xC1;
    for (std::size_t k = 0; k < 15 && n * 15 + k < name.size(); ++k) PutLe16(e + 2 + 2 * k, name[n * 15 + k]);
  }
  PutLe16(&set[2], SetChecksum(set.data(), set.size()));
  dir->insert(dir->end(), set.begin(), set.end());
}

std::vector<Bytes> ExfatSeeds(const std::string& dir) {
  Bytes root;
  std::uint8_t label[32] = {0x83, 4};
  PutLe16(label + 2, 'S'), PutLe16(label + 4, 'E'), PutLe16(label + 6, 'E'), PutLe16(label + 8, 'D');
  root.insert(root.end(), label, label + 32);
  std::uint8_t bitmap[32] = {0x81};
  PutLe32(bitmap + 20, 2), PutLe64(bitmap + 24, 960);
  root.insert(root.end(), bitmap, bitmap + 32);
  std::uint8_t upcase[32] = {0x82};
  PutLe32(upcase + 20, 3), PutLe64(upcase + 24, 5836);
  root.insert(root.end(), upcase, upcase + 32);
  PutExfatSet(&root, u"folder", 0x10, 5, 32768, false);
  PutExfatSet(&root, u"a file with a name longer than thirty characters.txt", 0x20, 6, 100000, false);
  PutExfatSet(&root, u"deleted.bin", 0x20, 9, 4096, true);
  std::vector<Bytes> out = {root};

  for (const std::string& image : Images(dir)) {
    Bytes sector;
    if (!ReadAt(image, 0, 512, &sector) || std::memcmp(&sector[3], "EXFAT   ", 8) != 0) continue;
    BootLayout layout;
    std::string why;
    if (!ComputeExfatLayout(sector.data(), FileLength(image), &layout, &why)) continue;
    const unsigned spcShift = sector[exfatboot::kSectorsPerClusterShift];
    const std::uint64_t root = Le32(&sector[exfatboot::kRootCluster]);
    const std::uint64_t at = (layout.geometry.firstDataSector + ((root - 2) << spcShift)) * layout.bytesPerSector;
    Bytes bytes;
    const std::uint64_t clusterBytes = std::uint64_t{layout.bytesPerSector} << spcShift;
    if (ReadAt(image, at, static_cast<std::size_t>(std::min<std::uint64_t>(clusterBytes, 16384)), &bytes))
      out.push_back(bytes);
    if (out.size() >= 8) break;
  }
  return out;
}

std::vector<Field> ExfatFields(const Bytes& in) {
  return SlotFields(in, {{0, 1}, {1, 1}, {2, 2}, {3, 1}, {4, 2}, {8, 8}, {20, 4}, {24, 8}});
}

// ---- MFT records and run lists --------------------------------------------------------------

// Writes the update sequence of a record of `size` bytes: the last word of every 512-byte block
// moves into the array and the block ends in the sequence number.
void ProtectRecord(Bytes* r) {
  const std::size_t usa = Le16(&(*r)[4]);
  const std::size_t count = Le16(&(*r)[6]);
  PutLe16(&(*r)[usa], 1);
  for (std::size_t i = 1; i < count && i * 512 <= r->size(); ++i) {
    std::uint8_t* end = &(*r)[i * 512 - 2];
    std::memcpy(&(*r)[usa + 2 * i], end, 2);
    PutLe16(end, 1);
  }
}

std::size_t PutResident(Bytes* r, std::size_t at, std::uint32_t type, const Bytes& value) {
  const std::size_t length = (0x18 + value.size() + 7) & ~std::size_t{7};
  std::uint8_t* a = &(*r)[at];
  PutLe32(a, type);
  PutLe32(a + 4, static_cast<std::uint32_t>(length));
  PutLe32(a + 0x10, static_cast<std::uint32_t>(value.size()));
  PutLe16(a + 0x14, 0x18);
  std::memcpy(a + 0x18, value.data(), value.size());
  return at + length;
}

std::size_t PutNonResident(Bytes* r, std::size_t at, std::uint32_t type, const Bytes& runs,
                           std::uint64_t lastVcn, std::uint64_t size) {
  const std::size_t length = (0x40 + runs.size() + 7) & ~std::size_t{7};
  std::uint8_t* a = &(*r)[at];
  PutLe32(a, type);
  PutLe32(a + 4, static_cast<std::uint32_t>(length));
  a[8] = 1;
  PutLe64(a + 0x18, lastVcn);
  PutLe16(a + 0x20, 0x40);
  PutLe64(a + 0x28, (lastVcn + 1) * 4096);
  PutLe64(a + 0x30, size);
  PutLe64(a + 0x38, size);
  std::memcpy(a + 0x40, runs.data(), runs.size());
  return at + length;
}

Bytes FileNameValue(const std::u16string& name, std::uint64_t parent) {
  Bytes v(0x42 + 2 * name.size(), 0);
  PutLe64(&v[0], parent | (std::uint64_t{5} << 48));
  for (int i = 0; i < 4; ++i) PutLe64(&v[8 + 8 * i], 0x01D9000000000000ull);
  v[0x40] = static_cast<std::uint8_t>(name.size());
  v[0x41] = 1;
  for (std::size_t i = 0; i < name.size(); ++i) PutLe16(&v[0x42 + 2 * i], name[i]);
  return v;
}

Bytes MakeRecord(std::uint16_t flags, bool residentData) {
  Bytes r(1024, 0);
  std::memcpy(&r[0], "FILE", 4);
  PutLe16(&r[4], 0x30);
  PutLe16(&r[6], 3);
  PutLe16(&r[0x10], 1);
  PutLe16(&r[0x12], 1);
  PutLe16(&r[0x14], 0x38);
  PutLe16(&r[0x16], flags);
  PutLe32(&r[0x1C], 1024);
  PutLe32(&r[0x2C], 40);
  Bytes si(0x48, 0);
  PutLe32(&si[0x20], 0x20);
  std::size_t at = PutResident(&r, 0x38, ntfs::kAttrStandardInformation, si);
  Bytes dos = FileNameValue(u"LONGNA~1.TXT", 5);
  dos[0x41] = 2;
  at = PutResident(&r, at, ntfs::kAttrFileName, dos);
  at = PutResident(&r, at, ntfs::kAttrFileName, FileNameValue(u"long name of a seed file.txt", 5));
  if (residentData)
    at = PutResident(&r, at, ntfs::kAttrData, Bytes(100, 'x'));
  else
    at = PutNonResident(&r, at, ntfs::kAttrData,
                        {0x21, 0x10, 0x00, 0x01, 0x11, 0x08, 0xF0, 0x01, 0x04, 0x00}, 0x1B, 100000);
  PutLe32(&r[at], ntfs::kAttrEnd);
  PutLe32(&r[0x18], static_cast<std::uint32_t>(at + 8));
  ProtectRecord(&r);
  return r;
}

// Records as they lie on the NTFS fixture images, before their fix-up.
std::vector<Bytes> FixtureRecords(const std::string& dir) {
  std::vector<Bytes> out;
  for (const std::string& image : Images(dir)) {
    Bytes sector;
    if (!ReadAt(image, 0, 512, &sector) || std::memcmp(&sector[3], "NTFS    ", 8) != 0) continue;
    const platform::BootSectorResult boot =
        platform::ParseBootSectorAs(platform::BootFamily::kNtfs, sector.data(), sector.size(), FileLength(image));
    if (!boot.ok) continue;
    const std::uint64_t cluster = boot.layout.clusterSize;
    const std::uint64_t recordBytes = boot.layout.ntfs.recordSize;
    const std::uint64_t mftCluster = boot.layout.ntfs.mftLcn;
    if (recordBytes > 4096 || mftCluster > FileLength(image) / cluster) continue;
    int taken = 0;
    for (std::uint64_t n = 0; n < 64 && taken < 24; ++n) {
      Bytes record;
      if (!ReadAt(image, mftCluster * cluster + n * recordBytes, recordBytes, &record)) break;
      if (std::memcmp(record.data(), "FILE", 4) != 0) continue;
      out.push_back(record);
      ++taken;
    }
    if (out.size() >= 96) break;
  }
  return out;
}

std::vector<Bytes> MftSeeds(const std::string& dir) {
  std::vector<Bytes> out = {MakeRecord(ntfs::kRecordInUse, false), MakeRecord(ntfs::kRecordInUse, true),
                            MakeRecord(ntfs::kRecordDirectory, false)};
  for (Bytes& r : FixtureRecords(dir)) out.push_back(std::move(r));
  return out;
}

std::vector<Field> MftFields(const Bytes& in) {
  std::vector<Field> out = {{4, 2}, {6, 2}, {0x14, 2}, {0x16, 2}, {0x18, 4}, {0x1C, 4}, {0x20, 8}, {0x28, 2}};
  if (in.size() < 0x30) return {};
  const std::size_t usa = Le16(&in[4]);
  for (std::size_t i = 0; i < 9 && usa + 2 * i + 2 <= in.size(); ++i) out.push_back({usa + 2 * i, 2});
  for (std::size_t i = 1; i <= 8 && i * 512 <= in.size(); ++i) out.push_back({i * 512 - 2, 2});
  // Every attribute header along the chain, however broken its lengths.
  std::size_t at = Le16(&in[0x14]);
  for (int n = 0; n < 32 && at + 0x40 <= in.size(); ++n) {
    for (const Field& f : {Field{0, 4}, {4, 4}, {8, 1}, {9, 1}, {10, 2}, {12, 2}, {16, 4}, {16, 8}, {20, 2},
                           {24, 8}, {32, 2}, {34, 2}, {40, 8}, {48, 8}, {56, 8}})
      out.push_back({at + f.offset, f.width});
    if (in[at + 8] == 0) {
      const std::size_t value = at + Le16(&in[at + 0x14]);
      if (Le32(&in[at]) == ntfs::kAttrFileName && value + 0x42 <= in.size()) {
        out.push_back({value, 8});
        out.push_back({value + 0x40, 1});
        out.push_back({value + 0x41, 1});
      }
    } else {
      std::size_t run = at + Le16(&in[at + 0x20]);
      for (int k = 0; k < 16 && run < in.size() && in[run] != 0; ++k) {
        out.push_back({run, 1});
        run += 1 + (in[run] & 0x0F) + (in[run] >> 4);
      }
    }
    const std::uint32_t length = Le32(&in[at + 4]);
    if (length < 0x18 || length > in.size() - at) break;
    at += length;
  }
  return out;
}

std::vector<Bytes> RunListSeeds(const std::string& dir) {
  auto make = [](std::uint64_t first, std::uint64_t last, Bytes runs) {
    Bytes b(16, 0);
    PutLe64(&b[0], first);
    PutLe64(&b[8], last);
    b.insert(b.end(), runs.begin(), runs.end());
    return b;
  };
  std::vector<Bytes> out = {
      make(0, 0x0F, {0x11, 0x10, 0x20, 0x00}),
      make(0, 0x2F, {0x21, 0x10, 0x00, 0x10, 0x01, 0x10, 0x11, 0x10, 0xF0, 0x00}),  // sparse, backwards
      make(0x100, 0x1FF, {0x32, 0x00, 0x01, 0x00, 0x00, 0x01, 0x00}),
      make(0, 0xFFFF, {0x88, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0x00}),
  };
  // Run lists of the non-resident attributes of the fixture records.
  for (Bytes& r : FixtureRecords(dir)) {
    if (!ApplyUpdateSequence(r.data(), r.size())) continue;
    ForEachAttribute(r.data(), r.size(), [&](const std::uint8_t* a, std::uint32_t length) {
      if (AttributeIsResident(a)) return true;
      const std::size_t runs = Le16(a + ntfs::attr::kRunOffset);
      if (runs < length) {
        Bytes b(a + ntfs::attr::kStartVcn, a + ntfs::attr::kStartVcn + 16);
        b.insert(b.end(), a + runs, a + length);
        out.push_back(b);
      }
      return out.size() < 64;
    });
    if (out.size() >= 64) break;
  }
  return out;
}

std::vector<Field> RunListFields(const Bytes& in) {
  std::vector<Field> out = {{0, 8}, {8, 8}};
  for (std::size_t at = 16; at < in.size() && in[at] != 0 && out.size() < 256;) {
    const unsigned l = in[at] & 0x0F, f = in[at] >> 4;
    out.push_back({at, 1});
    for (unsigned w : {8u, 4u, 2u, 1u}) {
      if (w <= l && at + 1 + w <= in.size()) {
        out.push_back({at + 1, w});
        break;
      }
    }
    for (unsigned w : {8u, 4u, 2u, 1u}) {
      if (w <= f && at + 1 + l + w <= in.size()) {
        out.push_back({at + 1 + l, w});
        break;
      }
    }
    at += 1 + l + f;
  }
  return out;
}

// ---- Attribute lists ------------------------------------------------------------------------

std::vector<Bytes> AttributeListSeeds(const std::string&) {
  auto entry = [](std::uint32_t type, std::uint64_t vcn, std::uint64_t record, std::uint8_t nameChars) {
    Bytes e(nameChars ? 0x20 + ((nameChars * 2 + 7) & ~7) : 0x20, 0);
    PutLe32(&e[0], type);
    PutLe16(&e[4], static_cast<std::uint16_t>(e.size()));
    e[6] = nameChars;
    e[7] = 0x1A;
    PutLe64(&e[8], vcn);
    PutLe64(&e[0x10], record | (std::uint64_t{1} << 48));
    for (std::uint8_t i = 0; i < nameChars; ++i) PutLe16(&e[0x1A + 2 * i], u'A' + i);
    return e;
  };
  auto join = [](std::initializer_list<Bytes> parts) {
    Bytes b;
    for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
    return b;
  };
  return {
      join({entry(0x10, 0, 40, 0), entry(0x30, 0, 41, 0), entry(0x80, 0, 40, 0), entry(0x80, 215, 42, 0)}),
      join({entry(0x10, 0, 40, 0), entry(0x80, 0, 40, 4), entry(0x80, 0, 40, 0), Bytes(32, 0)}),
      join({entry(0x30, 0, 43, 0), entry(0x30, 0, 44, 0), entry(0x30, 0, 45, 0)}),
  };
}

std::vector<Field> AttributeListFields(const Bytes& in) {
  std::vector<Field> out;
  for (std::size_t at = 0; in.size() - at >= 0x1A && out.size() < 256;) {
    for (auto [offset, width] : {std::pair<std::size_t, unsigned>{0, 4}, {4, 2}, {6, 1}, {7, 1}, {8, 8},
                                 {0x10, 8}, {0x18, 2}})
      out.push_back({at + offset, width});
    const std::size_t length = Le16(&in[at + 4]);
    if (length < 0x1A || length > in.size() - at) break;
    at += length;
  }
  return out;
}

// ---- LZNT1 ----------------------------------------------------------------------------------

std::vector<Bytes> Lznt1Seeds(const std::string& dir) {
  std::vector<Bytes> plains;
  std::string text;
  for (int i = 0; i < 60; ++i) text += "line " + std::to_string(i % 7) + ": the quick brown fox jumps.\n";
  plains.emplace_back(text.begin(), text.end());
  plains.emplace_back(5000, 0);
  Bytes ramp(9000);
  for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<std::uint8_t>(i * 7 / 3);
  plains.push_back(ramp);
  for (const std::string& image : Images(dir)) {
    Bytes head;
    if (plains.size() >= 8) break;
    if (ReadAt(image, 0, 12288, &head)) plains.push_back(head);
  }
  std::vector<Bytes> out;
  for (const Bytes& plain : plains) {
    Bytes in(2, 0);
    PutLe16(in.data(), static_cast<std::uint16_t>(std::min<std::size_t>(plain.size(), 0xFFFF)));
    const Bytes packed = Lznt1Compress(plain);
    in.insert(in.end(), packed.begin(), packed.end());
    out.push_back(in);
  }
  // A stored (uncompressed) chunk, then the end mark.
  Bytes stored = {0x00, 0x10, 0xFF, 0x3F};
  stored.resize(4 + 4096, 'a');
  stored.push_back(0), stored.push_back(0);
  out.push_back(stored);
  return out;
}

std::vector<Field> Lznt1Fields(const Bytes& in) {
  std::vector<Field> out = {{0, 2}};
  for (std::size_t at = 2; at + 2 <= in.size() && out.size() < 512;) {
    const std::uint16_t header = Le16(&in[at]);
    out.push_back({at, 2});
    if (header == 0) break;
    const std::size_t stored = (header & 0x0FFF) + 1u;
    if (header & 0x8000) {
      // Flag bytes and the back-reference tokens they announce.
      std::size_t p = at + 2;
      const std::size_t end = std::min(in.size(), at + 2 + stored);
      while (p < end && out.size() < 512) {
        const std::uint8_t flags = in[p];
        out.push_back({p++, 1});
        for (int bit = 0; bit < 8 && p < end; ++bit) {
          if (flags & (1u << bit)) {
            if (p + 2 <= end) out.push_back({p, 2});
            p += 2;
          } else {
            ++p;
          }
        }
      }
    }
    at += 2 + stored;
  }
  return out;
}

// ---- Partition tables -----------------------------------------------------------------------

struct VirtualDisk {
  Bytes bytes;
  explicit VirtualDisk(std::uint64_t length) : bytes(8, 0) { PutLe64(bytes.data(), length); }
  std::uint8_t* Sector(std::uint32_t number) {
    bytes.resize(bytes.size() + 4 + 512, 0);
    std::uint8_t* at = &bytes[bytes.size() - 516];
    PutLe32(at, number);
    return at + 4;
  }
};

void PutEntry(std::uint8_t* sector, int index, std::uint8_t type, std::uint32_t first, std::uint32_t count) {
  std::uint8_t* e = sector + 446 + 16 * index;
  e[4] = type;
  PutLe32(e + 8, first);
  PutLe32(e + 12, count);
  sector[510] = 0x55, sector[511] = 0xAA;
}

std::vector<Bytes> PartitionSeeds(const std::string& dir) {
  std::vector<Bytes> out;
  {
    // Two primaries and an extended chain of two records, the first holding two logicals.
    VirtualDisk d(64ull << 20);
    std::uint8_t* mbr = d.Sector(0);
    PutEntry(mbr, 0, 0x06, 2048, 8192);
    PutEntry(mbr, 1, 0x07, 10240, 8192);
    PutEntry(mbr, 2, 0x0F, 18432, 100000);
    std::uint8_t* ebr1 = d.Sector(18432);
    PutEntry(ebr1, 0, 0x83, 2048, 4096);
    PutEntry(ebr1, 1, 0x0B, 6144, 2048);
    PutEntry(ebr1, 2, 0x05, 10240, 20000);
    std::uint8_t* ebr2 = d.Sector(18432 + 10240);
    PutEntry(ebr2, 0, 0x83, 2048, 8192);
    out.push_back(d.bytes);
  }
  {
    // A chain whose second record links back to the first.
    VirtualDisk d(16ull << 20);
    std::uint8_t* mbr = d.Sector(0);
    PutEntry(mbr, 0, 0x05, 100, 20000);
    PutEntry(d.Sector(100), 0, 0x83, 10, 10);
    PutEntry(d.Sector(100), 1, 0x05, 50, 100);
    PutEntry(d.Sector(150), 0, 0x83, 10, 10);
    PutEntry(d.Sector(150), 1, 0x05, 0, 100);
    out.push_back(d.bytes);
  }
  {
    // A GPT behind its protective MBR, with two entries.
    VirtualDisk d(8ull << 20);
    PutEntry(d.Sector(0), 0, 0xEE, 1, 16383);
    std::uint8_t* h = d.Sector(1);
    std::memcpy(h, "EFI PART", 8);
    PutLe32(h + 8, 0x00010000);
    PutLe32(h + 12, 92);
    PutLe64(h + 24, 1);
    PutLe64(h + 32, 16383);
    PutLe64(h + 40, 34);
    PutLe64(h + 48, 16350);
    PutLe64(h + 72, 2);
    PutLe32(h + 80, 128);
    PutLe32(h + 84, 128);
    std::uint8_t* e = d.Sector(2);
    for (int i = 0; i < 2; ++i) {
      std::uint8_t* entry = e + 128 * i;
      entry[0] = 0xA2, entry[1] = 0xA0, entry[15] = 0xC7;
      entry[16] = static_cast<std::uint8_t>(i + 1);
      PutLe64(entry + 32, 2048 + 4096 * i);
      PutLe64(entry + 40, 2048 + 4096 * i + 4095);
    }
    out.push_back(d.bytes);
  }
  // The table sectors of the partitioned fixture images, at their own sector numbers.
  for (const std::string& image : Images(dir)) {
    Bytes mbr;
    if (!ReadAt(image, 0, 512, &mbr) || !HasSignature(mbr.data())) continue;
    if (mbr[0] == 0xEB || mbr[0] == 0xE9) continue;  // a boot sector, not a table
    const std::uint64_t length = FileLength(image);
    if (length > (256ull << 20)) continue;
    VirtualDisk d(length);
    std::ifstream f(image, std::ios::binary);
    Bytes chunk(1 << 20);
    int taken = 0;
    for (std::uint64_t base = 0; base < length && taken < 48; base += chunk.size()) {
      f.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
      const std::size_t got = static_cast<std::size_t>(f.gcount());
      for (std::size_t at = 0; at + 512 <= got && taken < 48; at += 512) {
        const std::uint8_t* s = &chunk[at];
        const std::uint64_t number = (base + at) / 512;
        const bool table = HasSignature(s) && s[0] != 0xEB && s[0] != 0xE9;
        const bool gpt = number >= 1 && number < 34 && std::any_of(s, s + 512, [](std::uint8_t b) { return b; });
        if (!table && !gpt) continue;
        std::memcpy(d.Sector(static_cast<std::uint32_t>(number)), s, 512);
        ++taken;
      }
      if (got < chunk.size()) break;
    }
    out.push_back(d.bytes);
    if (out.size() >= 12) break;
  }
  return out;
}

std::vector<Field> PartitionFields(const Bytes& in) {
  std::vector<Field> out = {{0, 8}};
  for (std::size_t rec = 8; rec + 4 + 512 <= in.size() && out.size() < 4096; rec += 516) {
    const std::size_t s = rec + 4;
    out.push_back({rec, 4});
    for (int i = 0; i < 4; ++i) {
      const std::size_t e = s + 446 + 16 * i;
      out.insert(out.end(), {{e, 1}, {e + 4, 1}, {e + 8, 4}, {e + 12, 4}});
    }
    out.insert(out.end(), {{s + 510, 2}, {s + 72, 8}, {s + 80, 4}, {s + 84, 4}});
    for (int j = 0; j < 4; ++j) out.insert(out.end(), {{s + 128 * j + 32, 8}, {s + 128 * j + 40, 8}});
  }
  return out;
}

}  // namespace

bool ReadAt(const std::string& path, std::uint64_t offset, std::size_t length, Bytes* out) {
  std::ifstream f(path, std::ios::binary);
  if (!f.seekg(static_cast<std::streamoff>(offset))) return false;
  out->assign(length, 0);
  f.read(reinterpret_cast<char*>(out->data()), static_cast<std::streamsize>(length));
  return f.gcount() == static_cast<std::streamsize>(length);
}

Bytes Lznt1Compress(const Bytes& plain) {
  Bytes out;
  for (std::size_t chunk = 0; chunk < plain.size(); chunk += 4096) {
    const std::uint8_t* in = plain.data() + chunk;
    const std::size_t n = std::min<std::size_t>(4096, plain.size() - chunk);
    Bytes body;
    std::size_t op = 0;
    while (op < n) {
      const std::size_t flagsAt = body.size();
      body.push_back(0);
      for (int bit = 0; bit < 8 && op < n; ++bit) {
        unsigned offsetBits = 4;
        if (op > 0)
          for (std::size_t p = op - 1; p >= 0x10; p >>= 1) ++offsetBits;
        const unsigned lengthBits = 16 - offsetBits;
        const std::size_t maxBack = std::min<std::size_t>(op, std::size_t{1} << offsetBits);
        const std::size_t maxLength = std::min<std::size_t>(n - op, ((std::size_t{1} << lengthBits) - 1) + 3);
        std::size_t best = 0, bestBack = 0;
        for (std::size_t back = 1; back <= std::min<std::size_t>(maxBack, 512); ++back) {
          std::size_t len = 0;
          while (len < maxLength && in[op + len] == in[op + len - back]) ++len;
          if (len > best) best = len, bestBack = back;
        }
        if (best >= 3) {
          const std::uint16_t token =
              static_cast<std::uint16_t>(((bestBack - 1) << lengthBits) | (best - 3));
          body[flagsAt] |= static_cast<std::uint8_t>(1u << bit);
          body.push_back(static_cast<std::uint8_t>(token));
          body.push_back(static_cast<std::uint8_t>(token >> 8));
          op += best;
        } else {
          body.push_back(in[op++]);
        }
      }
    }
    // A chunk that does not shrink is stored as it is.
    const bool stored = body.size() >= n;
    const std::size_t bytes = stored ? n : body.size();
    const std::uint16_t header = static_cast<std::uint16_t>((stored ? 0x3000 : 0xB000) | (bytes - 1));
    out.push_back(static_cast<std::uint8_t>(header));
    out.push_back(static_cast<std::uint8_t>(header >> 8));
    if (stored)
      out.insert(out.end(), in, in + n);
    else
      out.insert(out.end(), body.begin(), body.end());
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

const std::vector<Target>& Targets() {
  static const std::vector<Target> kTargets = {
      {"boot_sector", FuzzBootSector, 4096, BootFields, BootSeeds, false},
      {"fat_directory", FuzzFatDirectory, 65536, FatDirFields, FatDirSeeds, false},
      {"exfat_entry_set", FuzzExfatEntrySet, 65536, ExfatFields, ExfatSeeds, false},
      {"mft_record", FuzzMftRecord, 4096, MftFields, MftSeeds, false},
      {"run_list", FuzzRunList, 4096, RunListFields, RunListSeeds, false},
      {"attribute_list", FuzzAttributeList, 8192, AttributeListFields, AttributeListSeeds, false},
      {"lznt1", FuzzLznt1, 65536, Lznt1Fields, Lznt1Seeds, false},
      {"partition_table", FuzzPartitionTable, 8 + 64 * 516, PartitionFields, PartitionSeeds, false},
      {"queue_db", FuzzQueueDb, 20504 + 16384, QueueDbFields, QueueDbSeeds, false},
      {"dpkg_status", FuzzDpkgStatus, 5 + 3 * 65536, DpkgStatusFields, DpkgStatusSeeds, false},
      {"version_ini", FuzzVersionIni, 80000, VersionIniFields, VersionIniSeeds, false},
      {"tips_file", FuzzTipsFile, 4 + 40000, TipsFileFields, TipsFileSeeds, false},
      {"mbr_import", FuzzMbrImport, 1024, MbrImportFields, MbrImportSeeds, false},
      {"planted_lznt1", FuzzPlantedLznt1, 65536, Lznt1Fields, Lznt1Seeds, true},
  };
  return kTargets;
}

}  // namespace fuzz
