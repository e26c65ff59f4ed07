// The module table: one row per component of the suite, with its version record, and the loader
// that fills it at start-up.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/module_loader.h"

// A module's version record: a common header shared by every row, then the module's own block.
// Both halves use their first fifteen words only.
struct VERSIONRECORD {
  std::uint32_t common[1024];  // 0..4095
  std::uint32_t module[1024];  // 4096..8191
};
static_assert(sizeof(VERSIONRECORD) == 8192);

// Word indexes of a version half.
enum VersionWord : int {
  kVerA = 0, kVerB = 1, kVerC = 2, kVerD = 3,
  kBuildYear = 4, kBuildMonth = 5, kBuildDay = 6,
  kFirstYear = 7, kFirstMonth = 8, kFirstDay = 9,
  kAgentCode1 = 10, kBuildType = 11, kAgentCode2 = 12, kAgentCode3 = 13, kBuildNumber = 14,
};

enum ModuleKind : std::uint32_t {
  kKindListed = 1,  // listed only
  kKindLoaded = 2,  // a module file loaded at start-up
  kKindPseudo = 4,  // a row without a file
  kKindCore = 8,    // a core module, listed only
};

// The static data of one row.
struct ModuleRowInfo {
  const char* identifier;
  const char* description;
  std::uint32_t kind;
  std::array<std::uint32_t, 15> words;  // the module block's fifteen words
};

namespace module_versions {

inline constexpr std::array<std::uint32_t, 15> kCommonHeader = {1, 2, 0, 0, 2009, 11, 27, 2009, 11, 23,
                                                                 0, 0, 0, 0, 0};

constexpr std::array<std::uint32_t, 15> Block(std::uint32_t a, int by, int bm, int bd, int fy, int fm,
                                              int fd, bool framework) {
  std::array<std::uint32_t, 15> w{};
  w[kVerA] = a;
  w[kBuildYear] = static_cast<std::uint32_t>(by);
  w[kBuildMonth] = static_cast<std::uint32_t>(bm);
  w[kBuildDay] = static_cast<std::uint32_t>(bd);
  w[kFirstYear] = static_cast<std::uint32_t>(fy);
  w[kFirstMonth] = static_cast<std::uint32_t>(fm);
  w[kFirstDay] = static_cast<std::uint32_t>(fd);
  if (framework) {
    w[kAgentCode1] = 1; w[kBuildType] = 4; w[kAgentCode2] = 1; w[kAgentCode3] = 2; w[kBuildNumber] = 1;
  } else {
    w[kAgentCode1] = 2; w[kBuildType] = 8; w[kAgentCode2] = 1; w[kAgentCode3] = 2; w[kBuildNumber] = 11;
  }
  return w;
}

// Table order is the order of the rows.
inline constexpr ModuleRowInfo kRows[] = {
    {"UIFRM", "UI Framework", kKindPseudo, Block(5, 2010, 3, 1, 2001, 11, 1, true)},
    {"CORVANE", "Corvane", kKindPseudo, Block(6, 2010, 1, 23, 2000, 4, 6, false)},
    {"quorinc1.dll", "FAT12/16/32 core module", kKindCore, Block(6, 2009, 11, 27, 2001, 10, 20, false)},
    {"ntfsc1.dll", "NTFS core module", kKindCore, Block(6, 2009, 11, 27, 2002, 4, 1, false)},
    {"exfatc1.dll", "exFAT core module", kKindCore, Block(6, 2009, 11, 27, 2009, 5, 8, false)},
    {"cdfsc1.dll", "CDFS core module", kKindCore, Block(6, 2009, 11, 27, 2009, 11, 27, false)},
    {"udfc1.dll", "UDF core module", kKindCore, Block(6, 2009, 11, 27, 2009, 11, 27, false)},
    {"threnc1.dll", "ext2/ext3 core module", kKindCore, Block(6, 2010, 1, 22, 2010, 1, 22, false)},
    {"quorin.dll", "FAT12/16/32 inteface module", kKindLoaded, Block(6, 2009, 12, 18, 2001, 10, 20, false)},
    {"ntfs.dll", "NTFS inteface module", kKindLoaded, Block(6, 2009, 12, 18, 2002, 4, 1, false)},
    {"exfat.dll", "exFAT inteface module", kKindLoaded, Block(6, 2009, 12, 18, 2009, 5, 8, false)},
    {"cdfs.dll", "CDFS interface module", kKindLoaded, Block(6, 2010, 1, 23, 2009, 11, 27, false)},
    {"udf.dll", "UDF interface module", kKindLoaded, Block(6, 2010, 1, 23, 2009, 11, 27, false)},
    {"thren.dll", "ext2/ext3 interface module", kKindLoaded, Block(6, 2010, 1, 23, 2010, 1, 22, false)},
    {"util.dll", "Utility module", kKindLoaded, Block(6, 2009, 12, 4, 1999, 8, 7, false)},
    {"sys.dll", "System interface module", kKindLoaded, Block(6, 2009, 12, 4, 2009, 11, 18, false)},
    {"ver.dll", "Version module", kKindLoaded, Block(6, 2009, 11, 27, 2009, 11, 21, false)},
    {"disk.dll", "Disk module", kKindLoaded, Block(6, 2010, 1, 9, 2000, 10, 20, false)},
    {"os.dll", "Operating system module", kKindListed, Block(6, 2009, 11, 27, 2000, 10, 20, false)},
    {"fixup.dll", "Update fixup module", kKindListed, Block(6, 2009, 11, 27, 2009, 11, 27, false)},
    {"server.dll", "Update server interface module", kKindListed, Block(6, 2009, 11, 27, 2009, 11, 27, false)},
    {"update.dll", "Update core module", kKindListed, Block(6, 2009, 11, 27, 2009, 11, 27, false)},
    {"fs.dll", "Filesystem base module", kKindLoaded, Block(6, 2010, 1, 9, 2000, 4, 6, false)},
    {"win.dll", "Windows native module", kKindLoaded, Block(6, 2009, 12, 10, 2009, 4, 13, false)},
    {"DB_SAVEBOX", "SaveBox Database", kKindPseudo, Block(5, 2009, 12, 28, 2009, 7, 21, true)},
};
inline constexpr std::size_t kRowCount = sizeof(kRows) / sizeof(kRows[0]);
static_assert(kRowCount == 25);

// The static row of an identifier, null when the table has none.
inline const ModuleRowInfo* FindRow(std::string_view identifier) {
  for (const ModuleRowInfo& r : kRows)
    if (identifier == r.identifier) return &r;
  return nullptr;
}

// The version record that every deliverable carries for a row (all zero for an unknown one).
inline void FillVersionRecord(std::string_view identifier, VERSIONRECORD* out) {
  *out = VERSIONRECORD{};
  for (std::size_t i = 0; i < kCommonHeader.size(); ++i) out->common[i] = kCommonHeader[i];
  if (const ModuleRowInfo* r = FindRow(identifier))
    for (std::size_t i = 0; i < r->words.size(); ++i) out->module[i] = r->words[i];
}

}  // namespace module_versions

// One row of the module table.
struct MODULEINFO {
  std::uint8_t flag = 0;
  VERSIONRECORD version{};
  std::int64_t (*versionFunction)(int) = nullptr;
  std::int32_t reserved = 0;
  std::int32_t sequence = 0;  // counts rows of kinds 2, 4 and 8 from 0; 0 for kind 1
  std::u16string description;
  std::u16string folder;
  std::u16string fileName;  // the row's identifier
  std::u16string fullPath;
  platform::ModuleHandle handle = nullptr;
  std::uint32_t kind = 0;
};

// The rows, in table order. Filled at start-up, emptied at exit.
extern std::vector<MODULEINFO> g_ModuleTable;

// Builds the table and loads its kind-2 rows; a row that fails to load asks Abort, Retry or Ignore
// (Abort ends the process, Ignore leaves the row out). Result 1.
int LoadModuleTable();

// Place of the row with this identifier, -1 when it is not in the table (ignored at load).
int FindModuleRow(std::u16string_view identifier);

// Row access by place; an invalid place throws std::invalid_argument.
MODULEINFO& ModuleRow(int place);
int IsLoadableModule(int place);

// A word of the row's module block or common header, by its selector bit (0 for any other).
std::uint32_t GetModuleVersionField(std::uint32_t selector, int place);
std::uint32_t GetCommonVersionField(std::uint32_t selector, int place);

// "Preview %d", "Alpha %d", "Beta %d", "RC %d", "RTM %#010x", "OFF %#010x" or empty.
std::u16string FormatBuildTypeText(int place);

// The parts chosen by mask: 1 version, 2 third number, 8 build date, 16 common version with the
// agent's day count and the common build date.
std::u16string FormatModuleVersionText(int place, std::uint32_t mask);
