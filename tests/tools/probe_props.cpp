// props verb of engine_probe: the property-check texts of one FAT entry, in control order.
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "Pellamor/DLG/CPropertyEditDlg/PropertyTexts.h"
#include "corvane/fat_records.h"
#include "corvane/filesystem.h"
#include "platform/codepage.h"
#include "platform/message.h"
#include "tests/tools/probe.h"

namespace {

// Index of the entry named `name` in the loaded directory, -1 when none.
long long FindEntry(const std::string& name) {
  for (std::uint32_t i = 0; i < g_dwFatDirEntryCount; ++i) {
    const FATDIRENTRY& e = g_pFatDirEntries[i];
    if (!e.volumeLabel && platform::ToUtf8(FatEntryName(e)) == name) return i;
  }
  return -1;
}

}  // namespace

// PATH as the list verb prints it ("/SUB/INNER.TXT"); the texts tab-separated on one line.
int ProbeProps(FILESYSTEMOBJ* fs, const std::string& path, std::ostream& out, std::ostream& err) {
  if (!IsFatType(fs->typeCode)) {
    err << "props needs a FAT12/16/32 volume\n";
    return 1;
  }
  if (!ReadRootDirectory(fs)) {
    err << "cannot read the root directory\n";
    return 1;
  }
  std::vector<std::string> parts;
  for (std::size_t at = 0; at <= path.size();) {
    std::size_t next = path.find('/', at);
    if (next == std::string::npos) next = path.size();
    if (next > at) parts.push_back(path.substr(at, next - at));
    at = next + 1;
  }
  if (parts.empty()) {
    err << "no entry named\n";
    return 1;
  }
  long long index = -1;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    index = FindEntry(parts[k]);
    if (index < 0) {
      err << parts[k] << " not found\n";
      return 1;
    }
    if (k + 1 < parts.size()) {
      const FATDIRENTRY& e = g_pFatDirEntries[index];
      if (!e.directory || e.firstCluster < 2 || !ReadDirectory(e.firstCluster)) {
        err << parts[k] << " cannot be opened\n";
        return 1;
      }
    }
  }
  const auto texts = MakeFatPropertyTexts(static_cast<std::uint32_t>(index));
  for (std::size_t i = 0; i < texts.size(); ++i) out << (i ? "\t" : "") << platform::ToUtf8(texts[i]);
  out << "\n";
  return 0;
}
