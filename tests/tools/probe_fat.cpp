// list and save verbs of engine_probe for FAT12/16/32 and exFAT volumes.
#include <cstring>
#include <functional>
#include <set>
#include <vector>

#include "corvane/bootarea.h"
#include "corvane/exfat_records.h"
#include "corvane/fat_records.h"
#include "platform/codepage.h"
#include "platform/message.h"
#include "tests/tools/probe.h"

std::u16string FatEntryName(const FATDIRENTRY& e) {
  if (e.hasLongName) {
    std::u16string name = LongNameOf(e);
    if (!name.empty()) return name;
  }
  return platform::AnsiToUtf16(std::string(e.shortName, strnlen(e.shortName, sizeof e.shortName)));
}

namespace {

bool IsDotEntry(const FATDIRENTRY& e) {
  return std::strcmp(e.shortName, ".") == 0 || std::strcmp(e.shortName, "..") == 0;
}

// Visits every entry below the loaded directory; visit returns false to stop.
using FatVisit = std::function<bool(const std::string& path, const FATDIRENTRY& e)>;

bool WalkFat(const std::string& prefix, bool all, std::set<std::uint32_t>* seen, const FatVisit& visit) {
  std::vector<FATDIRENTRY> entries(g_pFatDirEntries, g_pFatDirEntries + g_dwFatDirEntryCount);
  for (const FATDIRENTRY& e : entries) {
    if (e.volumeLabel || IsDotEntry(e) || (!all && e.deleted)) continue;
    const std::string path = prefix + "/" + platform::ToUtf8(FatEntryName(e));
    if (!visit(path, e)) return false;
    // A folder the engine cannot open (a deleted one, say) is listed but not walked.
    if (e.directory && e.firstCluster >= 2 && seen->insert(e.firstCluster).second &&
        ReadDirectory(e.firstCluster)) {
      if (!WalkFat(path, all, seen, visit)) return false;
    }
  }
  return true;
}

bool WalkFatVolume(FILESYSTEMOBJ* fs, bool all, std::ostream& err, const FatVisit& visit) {
  if (!ReadRootDirectory(fs)) {
    err << "cannot read the root directory\n";
    return false;
  }
  std::set<std::uint32_t> seen;
  WalkFat("", all, &seen, visit);
  return true;
}

}  // namespace

// FAT and exFAT lists hold every entry, deleted ones included; --all changes only NTFS lists.
int ProbeListFat(FILESYSTEMOBJ* fs, bool, std::ostream& out, std::ostream& err) {
  const bool ok = WalkFatVolume(fs, true, err, [&](const std::string& path, const FATDIRENTRY& e) {
    out << path << "\t" << e.deleted << "\t" << e.directory << "\t" << e.size << "\t"
        << e.firstCluster << "\n";
    return true;
  });
  return ok ? 0 : 1;
}

int ProbeListExfat(FILESYSTEMOBJ* fs, bool, std::ostream& out, std::ostream& err) {
  if (!ReadRootDirectory(fs)) {
    err << "cannot read the root directory\n";
    return 1;
  }
  for (std::uint32_t i = 0; i < g_dwExfatEntryCount; ++i) {
    const EXFATFILEENTRY& e = g_pExfatEntries[i];
    out << "/" << platform::ToUtf8(ExfatNameOf(e)) << "\t" << e.deleted << "\t" << e.folder << "\t"
        << e.dataLength << "\t" << e.firstCluster << "\n";
  }
  return 0;
}

int ProbeSaveFat(FILESYSTEMOBJ* fs, const std::string& path, const std::string& dir,
                 const std::string& method, std::ostream& out, std::ostream& err) {
  int code;
  if (method == "basic") code = kFatRecoverBasic;
  else if (method == "linear") code = kFatRecoverLinear;
  else if (method == "sector") code = kFatRecoverSector;
  else {
    err << "unknown method " << method << "\n";
    return 2;
  }
  FATDIRENTRY found{};
  bool have = false;
  if (!WalkFatVolume(fs, true, err, [&](const std::string& p, const FATDIRENTRY& e) {
        if (p != path) return true;
        found = e;
        have = true;
        return false;
      }))
    return 1;
  if (!have) {
    err << "no entry " << path << "\n";
    return 1;
  }
  if (found.directory) {
    err << path << " is a folder\n";
    return 1;
  }
  std::uint64_t firstSector = 0;
  if (code == kFatRecoverSector) {
    const FATVOLUMERECORD* rec = CurrentFatRecord(fs);
    if (found.firstCluster >= 2 && rec && g_pBootRecord)
      firstSector = std::uint64_t{found.firstCluster - 2} * g_pBootRecord->sectorsPerCluster +
                    rec->geometry.firstDataSector;
  }
  const std::u16string name = FatEntryName(found);
  SaveControl control;
  if (!RecoverFatFile(found.firstCluster, name, platform::FromUtf8(dir), found.size, code,
                      found.deleted, firstSector, 0, &control)) {
    ReportSaveFailure(control, err);
    return 1;
  }
  out << dir << "/" << platform::ToUtf8(name) << "\t" << found.size << "\n";
  return 0;
}
