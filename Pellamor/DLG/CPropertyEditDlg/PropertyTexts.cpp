#include "Pellamor/DLG/CPropertyEditDlg/PropertyTexts.h"

#include <cstring>
#include <string>

#include "corvane/bootarea.h"
#include "corvane/dll_processor.h"
#include "corvane/engine_text.h"
#include "corvane/fat_records.h"
#include "corvane/fat_table.h"
#include "corvane/filesystem.h"
#include "platform/codepage.h"

namespace {

std::u16string Ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// The 8.3 name as util converts it; the platform's code page while the module is not bound.
std::u16string MsdosName(const FATDIRENTRY& e) {
  char name[sizeof e.shortName + 1] = {};
  std::memcpy(name, e.shortName, sizeof e.shortName);
  if (pfn_get_msdos_name) return pfn_get_msdos_name(name);
  return platform::AnsiToUtf16(std::string(name));
}

}  // namespace

std::uint32_t CountCleanChain(std::uint32_t first) {
  if (first == 0 || !m_pFileSystem) return 0;
  const FATVOLUMERECORD* rec = CurrentFatRecord(m_pFileSystem);
  if (!rec) return 0;
  const FatChainView view = ChainViewOf(rec);
  if (!view.ok()) return 0;
  std::uint32_t count = 0;
  return CollectChain(view, first, 0, &count) == ChainStop::End ? count : 0;
}

std::uint64_t AllocatedBytes(std::uint64_t size, std::uint64_t clusterBytes) {
  if (clusterBytes == 0) return size;
  return (size / clusterBytes + (size % clusterBytes != 0 ? 1 : 0)) * clusterBytes;
}

std::array<std::u16string, 12> MakeFatPropertyTexts(std::uint32_t index) {
  std::array<std::u16string, 12> t;
  if (!m_pFileSystem || !IsFatType(m_pFileSystem->typeCode) || !g_pFatDirEntries ||
      index >= g_dwFatDirEntryCount)
    return t;
  const FATDIRENTRY& e = g_pFatDirEntries[index];
  const std::uint64_t clusterBytes =
      g_pBootRecord ? std::uint64_t{g_pBootRecord->sectorsPerCluster} * g_pBootRecord->bytesPerSector : 0;
  std::u16string longName = e.hasLongName ? LongNameOf(e) : std::u16string();
  t[0] = longName.empty() ? MsdosName(e) : longName;
  t[1] = GetFileTypeText(index);
  t[2] = u"";
  t[3] = MsdosName(e);
  t[4] = FormatFatDateTimeMs(index);
  t[5] = FormatFatDateTime(index);  // modification
  t[6] = FormatFatDate(index);      // last access
  t[7] = Ascii(std::to_string(static_cast<std::int32_t>(e.firstCluster)));
  t[8] = Ascii(std::to_string(clusterBytes));
  t[9] = FormatSizeWithUnit(e.size) + u" (" + Ascii(std::to_string(e.size)) + u")";
  t[10] = Ascii(std::to_string(AllocatedBytes(e.size, clusterBytes)));
  t[11] = Ascii(std::to_string(CountCleanChain(e.firstCluster)));
  return t;
}
