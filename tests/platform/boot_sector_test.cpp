#include "platform/boot_sector.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "platform/endian.h"
#include "platform/fs_probe.h"

namespace {

using platform::BootFamily;
using platform::ParseBootSector;
using platform::PutLe16;
using platform::PutLe32;
using platform::PutLe64;

using Sector = std::array<std::uint8_t, 512>;

Sector Blank(const char* oem) {
  Sector s{};
  s[0] = 0xEB;
  s[1] = 0x3C;
  s[2] = 0x90;
  std::memcpy(&s[3], oem, 8);
  s[510] = 0x55;
  s[511] = 0xAA;
  return s;
}

// 32768 sectors of 512 bytes, 4 per cluster, two FATs of 32 sectors, 512 root entries.
Sector Fat16() {
  Sector s = Blank("MSWIN4.1");
  PutLe16(&s[11], 512);
  s[13] = 4;
  PutLe16(&s[14], 4);
  s[16] = 2;
  PutLe16(&s[17], 512);
  PutLe16(&s[19], 32768);
  s[21] = 0xF8;
  PutLe16(&s[22], 32);
  s[38] = 0x29;
  PutLe32(&s[39], 0x12345678);
  std::memcpy(&s[43], "HANDMADE   ", 11);
  return s;
}

// A floppy: 2880 sectors, 1 per cluster, 224 root entries.
Sector Fat12() {
  Sector s = Fat16();
  s[13] = 1;
  PutLe16(&s[14], 1);
  PutLe16(&s[17], 224);
  PutLe16(&s[19], 2880);
  PutLe16(&s[22], 9);
  return s;
}

// 1,000,000 sectors, 8 per cluster, two FATs of 1000 sectors, root at cluster 2.
Sector Fat32() {
  Sector s = Blank("MSWIN4.1");
  PutLe16(&s[11], 512);
  s[13] = 8;
  PutLe16(&s[14], 32);
  s[16] = 2;
  PutLe32(&s[32], 1000000);
  PutLe32(&s[36], 1000);
  PutLe32(&s[44], 2);
  s[66] = 0x29;
  PutLe32(&s[67], 0xCAFEF00D);
  std::memcpy(&s[71], "VOLUME 32  ", 11);
  return s;
}

// 65536 sectors; FAT at 2048 (256 sectors); heap at 4096 with 7680 clusters of 8 sectors.
Sector Exfat() {
  Sector s = Blank("EXFAT   ");
  PutLe64(&s[72], 65536);
  PutLe32(&s[80], 2048);
  PutLe32(&s[84], 256);
  PutLe32(&s[88], 4096);
  PutLe32(&s[92], 7680);
  PutLe32(&s[96], 4);
  PutLe32(&s[100], 0xABCD1234);
  s[108] = 9;
  s[109] = 3;
  s[110] = 1;
  return s;
}

// 65535 sectors of 512 bytes, 8 per cluster, $MFT at cluster 4, records of 2^10 bytes.
Sector Ntfs() {
  Sector s = Blank("NTFS    ");
  PutLe16(&s[0x0B], 512);
  s[0x0D] = 8;
  PutLe64(&s[0x28], 65535);
  PutLe64(&s[0x30], 4);
  PutLe64(&s[0x38], 4095);
  s[0x40] = 0xF6;
  s[0x44] = 1;
  PutLe64(&s[0x48], 0x1122334455667788ull);
  return s;
}

struct Patch {
  std::size_t offset;
  std::vector<std::uint8_t> bytes;
};

TEST(BootSector, DecodesEachFamily) {
  auto fat16 = ParseBootSector(Fat16().data(), 512);
  ASSERT_TRUE(fat16.ok) << fat16.refusal.Text();
  EXPECT_EQ(fat16.layout.family, BootFamily::kFat);
  EXPECT_EQ(fat16.layout.fat.fatBits, 16u);
  EXPECT_FALSE(fat16.layout.fat.fat32Layout);
  EXPECT_EQ(fat16.layout.clusterSize, 2048u);
  EXPECT_EQ(fat16.layout.fat.rootSectors, 32u);
  EXPECT_EQ(fat16.layout.fat.firstDataSector, 4u + 64 + 32);
  EXPECT_EQ(fat16.layout.fat.clusterCount, (32768u - 100) / 4);
  EXPECT_EQ(fat16.layout.serial, 0x12345678u);
  EXPECT_EQ(fat16.layout.label, "HANDMADE");

  auto fat12 = ParseBootSector(Fat12().data(), 512);
  ASSERT_TRUE(fat12.ok) << fat12.refusal.Text();
  EXPECT_EQ(fat12.layout.fat.fatBits, 12u);
  EXPECT_EQ(fat12.layout.fat.rootSectors, 14u);
  EXPECT_EQ(fat12.layout.fat.clusterCount, 2880u - 1 - 18 - 14);

  auto fat32 = ParseBootSector(Fat32().data(), 512);
  ASSERT_TRUE(fat32.ok) << fat32.refusal.Text();
  EXPECT_EQ(fat32.layout.fat.fatBits, 32u);
  EXPECT_TRUE(fat32.layout.fat.fat32Layout);
  EXPECT_EQ(fat32.layout.fat.rootSectors, 0u);
  EXPECT_EQ(fat32.layout.fat.rootCluster, 2u);
  EXPECT_EQ(fat32.layout.fat.clusterCount, (1000000u - 2032) / 8);
  EXPECT_EQ(fat32.layout.serial, 0xCAFEF00Du);
  EXPECT_EQ(fat32.layout.label, "VOLUME 32");

  auto exfat = ParseBootSector(Exfat().data(), 512);
  ASSERT_TRUE(exfat.ok) << exfat.refusal.Text();
  EXPECT_EQ(exfat.layout.family, BootFamily::kExfat);
  EXPECT_EQ(exfat.layout.bytesPerSector, 512u);
  EXPECT_EQ(exfat.layout.sectorsPerCluster, 8u);
  EXPECT_EQ(exfat.layout.clusterSize, 4096u);
  EXPECT_EQ(exfat.layout.exfat.clusterHeapOffset, 4096u);
  EXPECT_EQ(exfat.layout.exfat.clusterCount, 7680u);
  EXPECT_EQ(exfat.layout.exfat.rootCluster, 4u);
  EXPECT_EQ(exfat.layout.serial, 0xABCD1234u);

  auto ntfs = ParseBootSector(Ntfs().data(), 512);
  ASSERT_TRUE(ntfs.ok) << ntfs.refusal.Text();
  EXPECT_EQ(ntfs.layout.family, BootFamily::kNtfs);
  EXPECT_EQ(ntfs.layout.clusterSize, 4096u);
  EXPECT_EQ(ntfs.layout.ntfs.recordSize, 1024u);
  EXPECT_EQ(ntfs.layout.ntfs.mftLcn, 4u);
  EXPECT_EQ(ntfs.layout.ntfs.totalSectors, 65535u);
  EXPECT_EQ(ntfs.layout.serial, 0x55667788u);
}

// Cluster and record sizes in both forms of their bytes: a count, or a negative power of two.
TEST(BootSector, NtfsClusterAndRecordForms) {
  struct Case {
    std::uint16_t bytesPerSector;
    std::uint8_t spcByte, recordByte;
    std::uint32_t sectorsPerCluster, clusterSize, recordSize;
  } cases[] = {
      {512, 8, 0xF6, 8, 4096, 1024},           // the common volume
      {512, 1, 0x02, 1, 512, 1024},            // two clusters per record
      {4096, 1, 0x01, 1, 4096, 4096},          // one cluster per record
      {256, 2, 0x02, 2, 512, 1024},            // the smallest sector
      {512, 0x80, 0xF6, 128, 64 << 10, 1024},  // 0x80 is a count, not a power form
      {512, 0xF4, 0xF6, 4096, 2 << 20, 1024},  // 2^12 sectors: the largest cluster
      {4096, 0xF7, 0xF4, 512, 2 << 20, 4096},  // 2^9 sectors of 4096 bytes
      {512, 8, 0xF7, 8, 4096, 512},            // 2^9-byte records
      {512, 8, 0xF0, 8, 4096, 64 << 10},       // 2^16-byte records
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bytesPerSector << " " << int{c.spcByte} << " "
                                    << int{c.recordByte});
    Sector s = Ntfs();
    PutLe16(&s[0x0B], c.bytesPerSector);
    s[0x0D] = c.spcByte;
    s[0x40] = c.recordByte;
    PutLe64(&s[0x30], 0);
    auto r = ParseBootSector(s.data(), 512);
    ASSERT_TRUE(r.ok) << r.refusal.Text();
    EXPECT_EQ(r.layout.sectorsPerCluster, c.sectorsPerCluster);
    EXPECT_EQ(r.layout.clusterSize, c.clusterSize);
    EXPECT_EQ(r.layout.ntfs.recordSize, c.recordSize);
  }
}

// Each limit broken once, on an otherwise sound sector: the refusal names the value that broke it.
TEST(BootSector, EachLimitBrokenOnceIsRefusedByName) {
  struct Case {
    const char* what;
    Sector (*base)();
    std::vector<Patch> patches;
    std::uint64_t volumeBytes;
    BootFamily family;
    const char* field;
    std::uint64_t value;
  } cases[] = {
      // FAT
      {"no jump", Fat16, {{0, {0x00}}}, 0, BootFamily::kUnknown, "jump instruction", 0},
      {"FAT bps 0", Fat16, {{11, {0, 0}}}, 0, BootFamily::kFat, "bytes per sector", 0},
      {"FAT bps 3000", Fat16, {{11, {0xB8, 0x0B}}}, 0, BootFamily::kFat, "bytes per sector", 3000},
      {"FAT bps 256", Fat16, {{11, {0x00, 0x01}}}, 0, BootFamily::kFat, "bytes per sector", 256},
      {"FAT bps 8192", Fat16, {{11, {0x00, 0x20}}}, 0, BootFamily::kFat, "bytes per sector", 8192},
      {"FAT spc 0", Fat16, {{13, {0}}}, 0, BootFamily::kFat, "sectors per cluster", 0},
      {"FAT spc 3", Fat16, {{13, {3}}}, 0, BootFamily::kFat, "sectors per cluster", 3},
      {"FAT reserved 0", Fat16, {{14, {0, 0}}}, 0, BootFamily::kFat, "reserved sectors", 0},
      {"FAT no tables", Fat16, {{16, {0}}}, 0, BootFamily::kFat, "number of FATs", 0},
      {"FAT16 size 0", Fat16, {{22, {0, 0}}}, 0, BootFamily::kFat, "sectors per FAT", 0},
      {"FAT32 size 0", Fat32, {{36, {0, 0, 0, 0}}}, 0, BootFamily::kFat, "sectors per FAT", 0},
      {"FAT total 0", Fat16, {{19, {0, 0}}}, 0, BootFamily::kFat, "total sectors", 0},
      {"FAT data area past total", Fat16, {{19, {90, 0}}}, 0, BootFamily::kFat, "first data sector", 100},
      {"FAT32 data area past total", Fat32, {{32, {0xF0, 0x07, 0, 0}}}, 0, BootFamily::kFat,
       "first data sector", 2032},
      {"FAT no whole cluster", Fat16, {{19, {103, 0}}}, 0, BootFamily::kFat, "data clusters", 0},
      {"FAT tables past the real volume", Fat16, {}, 40 * 512, BootFamily::kFat,
       "end of the allocation tables", 68},
      // exFAT
      {"exFAT sector shift 8", Exfat, {{108, {8}}}, 0, BootFamily::kExfat, "bytes-per-sector shift", 8},
      {"exFAT sector shift 13", Exfat, {{108, {13}}}, 0, BootFamily::kExfat, "bytes-per-sector shift", 13},
      {"exFAT cluster above 32 MiB", Exfat, {{109, {17}}}, 0, BootFamily::kExfat,
       "sectors-per-cluster shift", 17},
      {"exFAT shift 255", Exfat, {{109, {255}}}, 0, BootFamily::kExfat, "sectors-per-cluster shift", 255},
      {"exFAT no tables", Exfat, {{110, {0}}}, 0, BootFamily::kExfat, "number of FATs", 0},
      {"exFAT three tables", Exfat, {{110, {3}}}, 0, BootFamily::kExfat, "number of FATs", 3},
      {"exFAT FAT offset 0", Exfat, {{80, {0, 0, 0, 0}}}, 0, BootFamily::kExfat, "FAT offset", 0},
      {"exFAT FAT length 0", Exfat, {{84, {0, 0, 0, 0}}}, 0, BootFamily::kExfat, "FAT length", 0},
      {"exFAT heap inside the table", Exfat, {{88, {0x34, 0x08, 0, 0}}}, 0, BootFamily::kExfat,
       "cluster heap offset", 2100},
      {"exFAT no clusters", Exfat, {{92, {0, 0, 0, 0}}}, 0, BootFamily::kExfat, "cluster count", 0},
      {"exFAT cluster count past the limit", Exfat, {{92, {0xF6, 0xFF, 0xFF, 0xFF}}}, 0,
       BootFamily::kExfat, "cluster count", 0xFFFFFFF6u},
      {"exFAT root 1", Exfat, {{96, {1, 0, 0, 0}}}, 0, BootFamily::kExfat, "root directory cluster", 1},
      {"exFAT root past the heap", Exfat, {{96, {0x02, 0x1E, 0, 0}}}, 0, BootFamily::kExfat,
       "root directory cluster", 7682},
      {"exFAT table too short", Exfat, {{84, {60, 0, 0, 0}}}, 0, BootFamily::kExfat,
       "allocation table entries", 7680},
      {"exFAT volume length 0", Exfat, {{72, {0, 0, 0, 0, 0, 0, 0, 0}}}, 0, BootFamily::kExfat,
       "volume length", 0},
      {"exFAT heap past the volume", Exfat, {{72, {0x60, 0xEA, 0, 0, 0, 0, 0, 0}}}, 0,
       BootFamily::kExfat, "end of the cluster heap", 65536},
      {"exFAT table past the real volume", Exfat, {}, 2000 * 512, BootFamily::kExfat,
       "end of the allocation table", 2304},
      // NTFS
      {"NTFS bps 0", Ntfs, {{0x0B, {0, 0}}}, 0, BootFamily::kNtfs, "bytes per sector", 0},
      {"NTFS bps 128", Ntfs, {{0x0B, {0x80, 0}}}, 0, BootFamily::kNtfs, "bytes per sector", 128},
      {"NTFS bps 768", Ntfs, {{0x0B, {0, 3}}}, 0, BootFamily::kNtfs, "bytes per sector", 768},
      {"NTFS bps 8192", Ntfs, {{0x0B, {0, 0x20}}}, 0, BootFamily::kNtfs, "bytes per sector", 8192},
      {"NTFS spc 0", Ntfs, {{0x0D, {0}}}, 0, BootFamily::kNtfs, "sectors per cluster", 0},
      {"NTFS spc 3", Ntfs, {{0x0D, {3}}}, 0, BootFamily::kNtfs, "sectors per cluster", 3},
      {"NTFS spc 0xE0: 2^32 sectors", Ntfs, {{0x0D, {0xE0}}}, 0, BootFamily::kNtfs,
       "sectors per cluster", 0xE0},
      {"NTFS spc 0x81: 2^127 sectors", Ntfs, {{0x0D, {0x81}}}, 0, BootFamily::kNtfs,
       "sectors per cluster", 0x81},
      {"NTFS spc 0xF3: 4 MiB clusters", Ntfs, {{0x0D, {0xF3}}}, 0, BootFamily::kNtfs,
       "sectors per cluster", 0xF3},
      {"NTFS 4 MiB clusters of 4096-byte sectors", Ntfs, {{0x0B, {0, 0x10}}, {0x0D, {0xF6}}}, 0,
       BootFamily::kNtfs, "sectors per cluster", 0xF6},
      {"NTFS total 0", Ntfs, {{0x28, {0, 0, 0, 0, 0, 0, 0, 0}}}, 0, BootFamily::kNtfs, "total sectors", 0},
      {"NTFS total past 2^64 bytes", Ntfs, {{0x28, {0, 0, 0, 0, 0, 0, 0, 0x80}}}, 0, BootFamily::kNtfs,
       "total sectors", 1ull << 63},
      {"NTFS record byte 0", Ntfs, {{0x40, {0}}}, 0, BootFamily::kNtfs, "clusters per MFT record", 0},
      {"NTFS three clusters per record", Ntfs, {{0x40, {3}}}, 0, BootFamily::kNtfs,
       "clusters per MFT record", 3},
      {"NTFS 128 KiB records", Ntfs, {{0x40, {0x20}}}, 0, BootFamily::kNtfs, "clusters per MFT record", 0x20},
      {"NTFS 2^8-byte records", Ntfs, {{0x40, {0xF8}}}, 0, BootFamily::kNtfs, "clusters per MFT record", 0xF8},
      {"NTFS 2^17-byte records", Ntfs, {{0x40, {0xEF}}}, 0, BootFamily::kNtfs, "clusters per MFT record", 0xEF},
      {"NTFS 2^128-byte records", Ntfs, {{0x40, {0x80}}}, 0, BootFamily::kNtfs, "clusters per MFT record", 0x80},
      {"NTFS $MFT past the volume", Ntfs, {{0x30, {0x00, 0x20, 0, 0, 0, 0, 0, 0}}}, 0, BootFamily::kNtfs,
       "MFT cluster", 8192},
      {"NTFS $MFT at 2^63", Ntfs, {{0x30, {0, 0, 0, 0, 0, 0, 0, 0x80}}}, 0, BootFamily::kNtfs,
       "MFT cluster", 1ull << 63},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Sector s = c.base();
    for (const auto& p : c.patches) std::memcpy(&s[p.offset], p.bytes.data(), p.bytes.size());
    auto r = ParseBootSector(s.data(), s.size(), c.volumeBytes);
    ASSERT_FALSE(r.ok);
    EXPECT_EQ(r.layout.family, c.family);
    EXPECT_EQ(r.refusal.field, c.field);
    EXPECT_EQ(r.refusal.value, c.value);
    EXPECT_FALSE(r.refusal.limit.empty());
    const std::string text = r.refusal.Text();
    EXPECT_NE(text.find(c.field), std::string::npos) << text;
    EXPECT_NE(text.find(std::to_string(c.value)), std::string::npos) << text;
  }
}

// The last value inside each limit is still accepted, so the limits are where they are meant to be.
TEST(BootSector, ValuesAtTheirLimitsAreAccepted) {
  struct Case {
    const char* what;
    Sector (*base)();
    std::vector<Patch> patches;
    std::uint64_t volumeBytes;
  } cases[] = {
      {"FAT bps 4096", Fat16, {{11, {0x00, 0x10}}}, 0},
      {"FAT spc 128", Fat16, {{13, {128}}}, 0},
      {"FAT one table", Fat16, {{16, {1}}}, 0},
      {"FAT one whole cluster", Fat16, {{19, {104, 0}}}, 0},
      {"FAT tables end at the real end", Fat16, {}, 68 * 512},
      {"exFAT sector shift 12, cluster shift 13", Exfat, {{108, {12}}, {109, {13}}, {92, {1, 0, 0, 0}},
                                                         {96, {2, 0, 0, 0}}}, 0},
      {"exFAT two tables", Exfat, {{110, {2}}, {88, {0x00, 0x0A, 0, 0}}, {92, {0x00, 0x1C, 0, 0}}}, 0},
      {"exFAT root at the last cluster", Exfat, {{96, {0x01, 0x1E, 0, 0}}}, 0},
      {"exFAT table just long enough", Exfat, {{84, {61, 0, 0, 0}}}, 0},
      {"exFAT heap ends at the volume's end", Exfat, {}, 0},
      {"NTFS $MFT at the last cluster", Ntfs, {{0x30, {0xFF, 0x1F, 0, 0, 0, 0, 0, 0}}}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Sector s = c.base();
    for (const auto& p : c.patches) std::memcpy(&s[p.offset], p.bytes.data(), p.bytes.size());
    auto r = ParseBootSector(s.data(), s.size(), c.volumeBytes);
    EXPECT_TRUE(r.ok) << r.refusal.Text();
  }
}

// The cluster count stops where the table's own marks begin: cluster numbers of a 16-bit table
// end at 0xFFF6 and of a FAT32 table at 0x0FFFFFF6, however large the data area and the table.
TEST(BootSector, ClusterCountStopsBelowTheTableMarks) {
  struct Case {
    const char* what;
    Sector (*base)();
    std::vector<Patch> patches;
    unsigned fatBits;
    std::uint32_t clusterCount;
  } cases[] = {
      // 1,000,000 sectors of one sector each and 256-sector tables (65536 entries).
      {"FAT16 layout, table and area larger than 16 bits name", Fat16,
       {{13, {1}}, {19, {0, 0}}, {32, {0x40, 0x42, 0x0F, 0}}, {22, {0, 1}}}, 16, 0xFFF5},
      {"FAT16 layout, table just large enough", Fat16,
       {{13, {1}}, {19, {0, 0}}, {32, {0x40, 0x42, 0x0F, 0}}, {22, {0xFF, 0}}}, 16, 255 * 256 - 2},
      // 2^32 - 1 sectors of one sector each and a table of 2^22 sectors (2^29 entries).
      {"FAT32 layout past 28 bits", Fat32,
       {{13, {1}}, {32, {0xFF, 0xFF, 0xFF, 0xFF}}, {36, {0, 0, 0x40, 0}}}, 32, 0x0FFFFFF5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Sector s = c.base();
    for (const auto& p : c.patches) std::memcpy(&s[p.offset], p.bytes.data(), p.bytes.size());
    auto r = ParseBootSector(s.data(), s.size());
    ASSERT_TRUE(r.ok) << r.refusal.Text();
    EXPECT_EQ(r.layout.fat.fatBits, c.fatBits);
    EXPECT_EQ(r.layout.fat.clusterCount, c.clusterCount);
  }
}

TEST(BootSector, FamilyFromTheSignatureOrFromTheCaller) {
  // A short buffer is refused before any byte is read.
  EXPECT_EQ(ParseBootSector(Fat16().data(), 511).refusal.field, "boot sector bytes");
  EXPECT_FALSE(ParseBootSector(nullptr, 512).ok);
  // An all-zero sector names no family.
  Sector zero{};
  auto r = ParseBootSector(zero.data(), 512);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.layout.family, BootFamily::kUnknown);
  // A FAT parameter block without its jump is still read when the family is known.
  Sector noJump = Fat16();
  noJump[0] = 0;
  EXPECT_TRUE(platform::ParseBootSectorAs(BootFamily::kFat, noJump.data(), 512).ok);
  // exFAT without its name, read as exFAT.
  Sector unnamed = Exfat();
  std::memset(&unnamed[3], 0, 8);
  EXPECT_TRUE(platform::ParseBootSectorAs(BootFamily::kExfat, unnamed.data(), 512).ok);
  // An NTFS sector read as FAT has no FAT parameter block.
  EXPECT_FALSE(platform::ParseBootSectorAs(BootFamily::kFat, Ntfs().data(), 512).ok);
}

// The drive map's question: one volume, or a partition table?
TEST(BootSector, DamagedNtfsAndExfatStayBootSectorsForTheDriveMap) {
  Sector ntfs = Ntfs();
  ntfs[0x0D] = 0xE0;
  EXPECT_FALSE(platform::ProbeBootSector(ntfs.data(), 512));
  EXPECT_TRUE(platform::IsFileSystemBootSector(ntfs.data(), 512));
  Sector exfat = Exfat();
  exfat[108] = 0;
  EXPECT_FALSE(platform::ProbeBootSector(exfat.data(), 512));
  EXPECT_TRUE(platform::IsFileSystemBootSector(exfat.data(), 512));
  // A FAT sector is told from a partition table by its parameter block alone.
  Sector fat = Fat16();
  EXPECT_TRUE(platform::IsFileSystemBootSector(fat.data(), 512));
  fat[13] = 0;
  EXPECT_FALSE(platform::IsFileSystemBootSector(fat.data(), 512));
  // A master boot record: code that starts with a jump, one partition entry, no parameter block.
  Sector mbr{};
  mbr[0] = 0xEB;
  mbr[1] = 0x63;
  mbr[446 + 4] = 0x07;
  PutLe32(&mbr[446 + 8], 2048);
  PutLe32(&mbr[446 + 12], 100000);
  mbr[510] = 0x55;
  mbr[511] = 0xAA;
  EXPECT_FALSE(platform::IsFileSystemBootSector(mbr.data(), 512));
}

}  // namespace
