#include "platform/partition_rows.h"

#include <cstdio>
#include <cstring>
#include <set>

#include "platform/endian.h"
#include "platform/fs_probe.h"

namespace platform {
namespace {

// Partition-type names: variant (0 the type's first name, 1..3 further names, 128 and 129 extra
// names of 0xFF, 255 the closing entry), type, name. Ordered by type, then variant.
struct TypeName {
  std::uint8_t variant;
  std::uint8_t type;
  const char16_t* name;
};

constexpr TypeName kPartitionTypeNames[] = {
    {0, 0x00, u"Unused"},
    {0, 0x01, u"DOS FAT-12"},
    {0, 0x02, u"XENIX root file system"},
    {0, 0x03, u"XENIX /usr file system"},
    {0, 0x04, u"DOS FAT-16 (up to 32M)"},
    {0, 0x05, u"DOS Extended"},
    {0, 0x06, u"DOS FAT-16 (up to 2G)"},
    {0, 0x07, u"Windows NT NTFS"},
    {1, 0x07, u"QNX"},
    {2, 0x07, u"OS/2 HPFS"},
    {3, 0x07, u"Advanced Unix"},
    {0, 0x08, u"OS/2 (v1.0-1.3 only)"},
    {1, 0x08, u"AIX bootable partition"},
    {2, 0x08, u"Commodore DOS"},
    {3, 0x08, u"DELL multi-drive part."},
    {0, 0x09, u"AIX data partition"},
    {1, 0x09, u"Coherent filesystem"},
    {0, 0x0A, u"OS/2 Boot Manager"},
    {1, 0x0A, u"OPUS"},
    {2, 0x0A, u"Coherent swap partition"},
    {0, 0x0B, u"Windows 95 FAT-32"},
    {0, 0x0C, u"Windows 95 FAT-32 (LBA)"},
    {0, 0x0E, u"LBA VFAT (BIGDOS/FAT16)"},
    {0, 0x0F, u"LBA VFAT (DOS Extended)"},
    {0, 0x10, u"OPUS"},
    {0, 0x11, u"Hidden DOS FAT-12"},
    {0, 0x12, u"Compaq Diagnostics"},
    {0, 0x13, u"Reliable Systems FTFS"},
    {0, 0x14, u"Hidden DOS FAT-16 (32M)"},
    {0, 0x16, u"Hidden DOS FAT-16 (<2G)"},
    {0, 0x17, u"Hidden Windows NT NTFS"},
    {0, 0x18, u"AST Windows swap file"},
    {0, 0x19, u"Willowtech Photon coS"},
    {0, 0x1B, u"Hidden Windows95 FAT-32"},
    {0, 0x1C, u"Hidden LBA FAT-32"},
    {0, 0x1E, u"Hidden LBA DOS FAT-16"},
    {0, 0x1F, u"Hidden LBA DOS Extended"},
    {0, 0x20, u"Willowsoft OFS1"},
    {0, 0x21, u"-- reserved --"},
    {0, 0x23, u"-- reserved --"},
    {0, 0x24, u"NEC MS-DOS 3.x"},
    {0, 0x26, u"-- reserved --"},
    {0, 0x31, u"-- reserved --"},
    {0, 0x33, u"-- reserved --"},
    {0, 0x34, u"-- reserved --"},
    {0, 0x36, u"-- reserved --"},
    {0, 0x38, u"Theos"},
    {0, 0x3C, u"PartitionMagic recovery"},
    {0, 0x40, u"VENIX 80286"},
    {0, 0x41, u"Personal RISC Boot"},
    {0, 0x42, u"Secure File System"},
    {0, 0x50, u"OnTrack Disk Mgr, R/O"},
    {0, 0x51, u"OnTrack Disk Mgr, R/W"},
    {1, 0x51, u"NOVEL"},
    {0, 0x52, u"CP/M"},
    {1, 0x52, u"Microport System V/386"},
    {0, 0x53, u"OnTrack Disk Mgr, W/O?"},
    {0, 0x54, u"OnTrack Disk Mgr (DDO)"},
    {0, 0x55, u"EZ-Drive"},
    {0, 0x56, u"GoldenBow VFeature"},
    {0, 0x61, u"SpeedStor"},
    {0, 0x63, u"Unix SysV/386, 386/ix"},
    {1, 0x63, u"Mach, MtXinu BSD 4.3"},
    {2, 0x63, u"GNU HURD"},
    {0, 0x64, u"Novell NetWare 286"},
    {0, 0x65, u"Novell NetWare (3.11)"},
    {0, 0x67, u"Novell"},
    {0, 0x68, u"Novell"},
    {0, 0x69, u"Novell"},
    {0, 0x70, u"DiskSecure Multi-Boot"},
    {0, 0x71, u"-- reserved --"},
    {0, 0x73, u"-- reserved --"},
    {0, 0x74, u"-- reserved --"},
    {0, 0x75, u"PC/IX"},
    {0, 0x76, u"-- reserved --"},
    {0, 0x80, u"Minix v1.1 - 1.4a"},
    {0, 0x81, u"Linux"},
    {1, 0x81, u"Minix v1.4b+"},
    {2, 0x81, u"Mitac Adv Disk Manager"},
    {0, 0x82, u"Solaris x86"},
    {1, 0x82, u"Linux Swap partition"},
    {2, 0x82, u"Prime"},
    {0, 0x83, u"Linux (ext2fs/xiafs)"},
    {0, 0x84, u"OS/2-renumbered FAT-16"},
    {0, 0x85, u"Linux Extended"},
    {0, 0x86, u"FAT16 volume/stripe set"},
    {0, 0x87, u"NTFS volume/stripe set"},
    {1, 0x87, u"HPFS F-T mirrored part"},
    {0, 0x93, u"Amoeba file system"},
    {0, 0x94, u"Amoeba bad block table"},
    {0, 0xA0, u"Phoenix Power Mgmnt"},
    {0, 0xA1, u"-- reserved --"},
    {0, 0xA3, u"-- reserved --"},
    {0, 0xA4, u"-- reserved --"},
    {0, 0xA5, u"FreeBSD, BSD/386"},
    {0, 0xA6, u"-- reserved --"},
    {0, 0xB1, u"-- reserved --"},
    {0, 0xB3, u"-- reserved --"},
    {0, 0xB4, u"-- reserved --"},
    {0, 0xB6, u"-- reserved --"},
    {0, 0xB7, u"BSDI secondarily swap"},
    {0, 0xB8, u"BSDI swap partition"},
    {0, 0xC1, u"DR DOS 6 secured FAT-12"},
    {0, 0xC4, u"DR DOS 6 secured FAT-16"},
    {0, 0xC6, u"DR DOS 6 secured Huge"},
    {1, 0xC6, u"Corrupted FAT16 (WinNT)"},
    {0, 0xC7, u"Syrinx Boot"},
    {1, 0xC7, u"Corrupted NTFS (WinNt)"},
    {0, 0xD8, u"CP/M-86"},
    {0, 0xDB, u"CP/M, Concurrent DOS"},
    {1, 0xDB, u"CTOS"},
    {0, 0xE1, u"SpeedStor ext FAT-12"},
    {0, 0xE3, u"DOS read-only"},
    {1, 0xE3, u"Storage Dimensions"},
    {0, 0xE4, u"SpeedStor ext FAT-16"},
    {0, 0xE5, u"-- reserved --"},
    {0, 0xE6, u"-- reserved --"},
    {0, 0xEB, u"BeOS"},
    {0, 0xF1, u"Storage Dimensions"},
    {0, 0xF2, u"DOS 3.3+ secondary"},
    {0, 0xF3, u"-- reserved --"},
    {0, 0xF4, u"SpeedStor"},
    {1, 0xF4, u"Storage Dimensions"},
    {0, 0xF6, u"-- reserved --"},
    {0, 0xFE, u"LANstep"},
    {1, 0xFE, u"IBM PS/2 IML"},
    {0, 0xFF, u"Xenix bad block table"},
    {128, 0xFF, u"Hidden (0xFF)"},
    {129, 0xFF, u"Advanced Boot Manager"},
    {255, 0xFF, u"Unknown (0x%02X)"},
};
static_assert(sizeof kPartitionTypeNames / sizeof kPartitionTypeNames[0] == 130);

std::u16string Ascii(const char* text) { return std::u16string(text, text + std::strlen(text)); }

std::u16string HexByte(std::uint8_t v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02X", v);
  return Ascii(buf);
}

bool ValidFlag(std::uint8_t flag) { return flag == 0x00 || flag == 0x80; }

class Walker {
 public:
  Walker(const DiskReader& read, const DiskShape& disk, PartitionRowScan& scan)
      : read_(read), disk_(disk), scan_(scan) {
    ss_ = disk.sectorSize ? disk.sectorSize : 512;
    sectors_ = disk.bytes / ss_;
  }

  bool ReadSector(std::uint64_t lba, std::uint8_t* sector) {
    return lba <= sectors_ && read_(lba * ss_, sector, 512);
  }

  bool PastEnd(std::uint64_t first, std::uint64_t count) const {
    return first > sectors_ || count > sectors_ - first;
  }

  PartitionRow& AddRow(const MbrEntry& e, int level, std::uint64_t tableLba,
                       std::uint64_t first, bool link) {
    PartitionRow r;
    r.disk = disk_.number;
    r.level = level;
    r.link = link;
    r.bootFlag = e.status;
    r.type = e.type;
    r.name = PartitionTypeName(e.type);
    r.tableLba = tableLba;
    r.first = first;
    r.count = e.sectors;
    r.last = e.sectors ? first + e.sectors - 1 : first;
    r.bytes = r.count * ss_;
    r.startH = e.chsStart[0];
    r.startS = e.chsStart[1] & 0x3F;
    r.startC = ((e.chsStart[1] & 0xC0u) << 2) | e.chsStart[2];
    r.endH = e.chsEnd[0];
    r.endS = e.chsEnd[1] & 0x3F;
    r.endC = ((e.chsEnd[1] & 0xC0u) << 2) | e.chsEnd[2];
    // Cylinder 1023 means "past what CHS can say": work it out from the LBA with the entry's own
    // end geometry, or the disk's where the entry gives none.
    std::uint64_t spt = r.endS, heads = std::uint64_t{r.endH} + 1;
    if (r.endS == 0) {
      spt = disk_.sectorsPerTrack;
      heads = disk_.heads;
    }
    if (spt != 0 && heads != 0) {
      if (r.startC == 1023) r.startC = r.first / spt / heads;
      if (r.endC == 1023) r.endC = r.last / spt / heads;
    }
    r.pastEnd = PastEnd(first, e.sectors);
    scan_.rows.push_back(r);
    return scan_.rows.back();
  }

  void Run() {
    std::uint8_t mbr[512];
    if (!ReadSector(0, mbr)) {
      scan_.notes.push_back("sector 0 cannot be read");
      return;
    }
    // A volume's boot sector also ends in 55 AA; its code is not a table.
    if (!HasBootSignature(mbr) || IsFileSystemBootSector(mbr, sizeof mbr)) return;
    std::vector<std::size_t> extended;
    bool protective = false;
    for (int i = 0; i < 4; ++i) {
      MbrEntry e = MbrEntryAt(mbr, i);
      if (!ValidFlag(e.status) || e.type == 0) continue;
      PartitionRow& r = AddRow(e, 0, 0, e.firstLba, false);
      protective = protective || e.type == 0xEE;
      if (IsExtendedType(e.type) && e.sectors != 0 && !r.pastEnd)
        extended.push_back(scan_.rows.size() - 1);
    }
    if (protective && Gpt()) return;
    for (std::size_t index : extended) {
      const PartitionRow ext = scan_.rows[index];
      Chain(ext.first, ext.count);
    }
  }

  // Walks the extended records from the one at extFirst; each record's entries get rows one
  // level deeper than the previous record's.
  void Chain(std::uint64_t extFirst, std::uint64_t extLength) {
    std::set<std::uint64_t> visited;
    std::uint64_t ebr = extFirst;
    for (int level = 1; level <= kMaxLogicalPartitions; ++level) {
      visited.insert(ebr);
      std::uint8_t sector[512];
      if (!ReadSector(ebr, sector) || !HasBootSignature(sector)) {
        scan_.notes.push_back("extended boot record at sector " + std::to_string(ebr) +
                              " is unreadable");
        return;
      }
      bool linked = false;
      std::uint64_t next = 0;
      for (int i = 0; i < 4; ++i) {
        MbrEntry e = MbrEntryAt(sector, i);
        if (!ValidFlag(e.status) || e.type == 0) continue;
        if (!IsExtendedType(e.type)) {
          AddRow(e, level, ebr, ebr + e.firstLba, false);
          continue;
        }
        std::uint64_t target = extFirst + e.firstLba;
        if (visited.count(target)) {
          scan_.notes.push_back("extended chain loops back to sector " + std::to_string(target));
          continue;  // a link back gets no row and is not followed
        }
        PartitionRow& r = AddRow(e, level, ebr, target, true);
        if (linked || e.sectors == 0) continue;
        linked = true;
        if (r.pastEnd || target - extFirst >= extLength) {
          scan_.notes.push_back("extended chain leaves the extended partition at sector " +
                                std::to_string(target));
          return;
        }
        next = target;
      }
      if (!linked) return;
      ebr = next;
    }
    scan_.notes.push_back("extended chain longer than " + std::to_string(kMaxLogicalPartitions));
  }

  // The GPT behind a protective entry; false when there is no GPT header.
  bool Gpt() {
    const std::uint32_t other = ss_ == 512 ? 4096 : 512;
    for (std::uint32_t size : {ss_, other}) {
      std::uint8_t header[512];
      if (disk_.bytes / size < 2 || !read_(size, header, sizeof header)) continue;
      if (!HasGptSignature(header)) continue;
      GptEntries(header, size);
      return true;
    }
    return false;
  }

  void GptEntries(const std::uint8_t* header, std::uint32_t size) {
    const std::uint64_t sectors = disk_.bytes / size;
    const GptArray array = LocateGptArray(header, disk_.bytes, size);
    if (!array.problem.empty()) {
      scan_.notes.push_back(array.problem);
      return;
    }
    std::vector<std::uint8_t> entries(array.bytes);
    if (array.count != 0 && !read_(array.lba * size, entries.data(), entries.size())) {
      scan_.notes.push_back("GPT entry array cannot be read");
      return;
    }
    static const std::uint8_t kZero[16] = {};
    for (std::uint32_t i = 0; i < array.count; ++i) {
      // Entry: type GUID (0), unique GUID (16), first LBA (32), last LBA (40), attributes (48),
      // name in UTF-16LE (56, 72 bytes).
      const std::uint8_t* e = entries.data() + std::size_t{i} * array.entrySize;
      if (std::memcmp(e, kZero, 16) == 0) continue;
      PartitionRow r;
      r.disk = disk_.number;
      r.level = 1;
      r.gpt = true;
      r.tableLba = array.lba;
      r.first = Le64(e + 32);
      std::uint64_t last = Le64(e + 40);
      r.last = last < r.first ? r.first : last;
      r.count = last < r.first ? 0 : last - r.first + 1;
      r.bytes = r.count * size;
      r.pastEnd = last < r.first || r.first >= sectors || last >= sectors;
      for (int k = 0; k < 36; ++k) {
        char16_t c = static_cast<char16_t>(e[56 + 2 * k] | (e[57 + 2 * k] << 8));
        if (c == 0) break;
        r.name += c;
      }
      if (r.name.empty()) r.name = GuidText(e);
      scan_.rows.push_back(r);
    }
  }

  static std::u16string GuidText(const std::uint8_t* g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", Le32(g),
                  Le16(g + 4), Le16(g + 6), g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
    return Ascii(buf);
  }

 private:
  const DiskReader& read_;
  const DiskShape& disk_;
  PartitionRowScan& scan_;
  std::uint32_t ss_ = 512;
  std::uint64_t sectors_ = 0;
};

}  // namespace

std::u16string PartitionTypeName(std::uint8_t type) {
  for (const TypeName& t : kPartitionTypeNames)
    if (t.type == type && t.variant != 255) return t.name;
  return u"Unknown (0x" + HexByte(type) + u")";
}

bool IsExtendedRowType(std::uint8_t type) {
  return type == 0x05 || type == 0x0F || type == 0x1F || type == 0x85 || type == 0xFF;
}

PartitionRowScan ListPartitionRows(const DiskReader& read, const DiskShape& disk) {
  PartitionRowScan scan;
  Walker(read, disk, scan).Run();
  return scan;
}

std::u16string RowStatusText(const PartitionRow& row) {
  if (row.pastEnd) return u"범위 초과";
  return row.bootFlag != 0 ? u"부팅" : u"";
}

std::u16string RowFormText(const PartitionRow& row) {
  return !row.gpt && IsExtendedRowType(row.type) ? u"확장" : u"기본/논리";
}

std::u16string RowTypeText(const PartitionRow& row) {
  return row.gpt ? u"GPT" : u"0x" + HexByte(row.type);
}

std::u16string RowIndentedName(const PartitionRow& row) {
  return std::u16string(static_cast<std::size_t>(row.level), u' ') + row.name;
}

}  // namespace platform
