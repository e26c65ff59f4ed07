#include "corvane/ntfs_save.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "corvane/filesystem.h"
#include "corvane/ntfs_record.h"
#include "platform/endian.h"
#include "platform/lznt1.h"
#include "platform/message.h"

using platform::Le64;
using platform::MsgButtons;
using platform::MsgIcon;

std::u16string g_strNtfsSavePath;

namespace {

// Contiguous clusters are read together up to this many bytes; the cancel flag is checked
// before every read.
constexpr std::uint64_t kCopyBytes = 256u << 10;

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A name from disk that stays inside the save folder as one plain entry.
bool IsSafeName(const std::u16string& name) {
  if (name.empty() || name == u"." || name == u"..") return false;
  return name.find(u'/') == std::u16string::npos && name.find(u'\0') == std::u16string::npos;
}

std::u16string JoinPath(std::u16string folder, const std::u16string& name) {
  while (folder.size() > 1 && folder.back() == u'/') folder.pop_back();
  return folder + u"/" + name;
}

bool Cancelled(const NTFSVOLUMERECORD* state) { return state->saveCancel.load() != 0; }

class Writer {
 public:
  explicit Writer(std::FILE* f) : f_(f) {}
  bool Write(const std::uint8_t* p, std::uint64_t n) {
    return n == 0 || std::fwrite(p, 1, static_cast<std::size_t>(n), f_) == n;
  }
  bool Zeros(std::uint64_t n) {
    static const std::uint8_t zeros[4096] = {};
    while (n > 0) {
      const std::uint64_t k = std::min<std::uint64_t>(n, sizeof zeros);
      if (!Write(zeros, k)) return false;
      n -= k;
    }
    return true;
  }

 private:
  std::FILE* f_;
};

// Plain data: runs in order, sparse ones as zeros.
bool CopyPlain(NTFSVOLUMERECORD* state, const NtfsRunList& runs, std::uint64_t dataSize,
               std::uint64_t validSize, Writer& out) {
  const std::uint64_t cs = state->clusterSize;
  const std::uint64_t perRead = std::max<std::uint64_t>(1, kCopyBytes / cs);
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(perRead * cs));
  std::uint64_t done = 0;
  for (std::uint64_t vcn = 0; done < dataSize;) {
    if (done >= validSize) return out.Zeros(dataSize - done);
    std::uint64_t lcn = 0, left = 0;
    bool sparse = false;
    if (!MapVcn(runs, vcn, &lcn, &left, &sparse)) return false;
    const std::uint64_t want = (std::min(dataSize, validSize) - done + cs - 1) / cs;
    const std::uint64_t n = std::min({left, perRead, want});
    const std::uint64_t bytes = std::min(n * cs, std::min(dataSize, validSize) - done);
    if (sparse) {
      if (!out.Zeros(bytes)) return false;
    } else {
      if (Cancelled(state)) return false;
      if (!ReadClusters(state, lcn, static_cast<std::uint32_t>(n), buffer.data()) ||
          !out.Write(buffer.data(), bytes))
        return false;
    }
    done += bytes;
    vcn += n;
  }
  return true;
}

// Compressed data: each unit of 2^cu clusters is stored raw when fully allocated, as LZNT1 in
// its leading clusters when partly sparse, and not at all (zeros) when wholly sparse.
bool CopyCompressed(NTFSVOLUMERECORD* state, const NtfsRunList& runs, unsigned unitShift,
                    std::uint64_t dataSize, std::uint64_t validSize, Writer& out) {
  const std::uint64_t cs = state->clusterSize;
  const std::uint64_t unitClusters = std::uint64_t{1} << unitShift;
  const std::size_t unitBytes = static_cast<std::size_t>(unitClusters * cs);
  std::vector<std::uint8_t> stored(unitBytes);
  std::vector<std::uint8_t> plain(unitBytes);
  std::uint64_t done = 0;
  for (std::uint64_t unit = 0; done < dataSize; ++unit) {
    const std::uint64_t bytes = std::min<std::uint64_t>(unitBytes, dataSize - done);
    const std::uint64_t firstVcn = unit * unitClusters;
    // Clusters the unit actually stores, counted from its start.
    std::uint64_t allocated = 0;
    bool sawSparse = false;
    for (std::uint64_t vcn = firstVcn; vcn < firstVcn + unitClusters;) {
      std::uint64_t lcn = 0, left = 0;
      bool sparse = false;
      if (!MapVcn(runs, vcn, &lcn, &left, &sparse)) {
        // Past the data the run list may end; inside it, a hole in the list is corruption.
        if (vcn * cs < dataSize) return false;
        sawSparse = true;
        break;
      }
      const std::uint64_t n = std::min(left, firstVcn + unitClusters - vcn);
      if (sparse) sawSparse = true;
      else if (sawSparse) return false;  // stored clusters after a hole: not a compressed unit
      else allocated += n;
      vcn += n;
    }
    if (Cancelled(state)) return false;
    const std::uint8_t* data = nullptr;
    if (allocated == 0) {
      std::memset(plain.data(), 0, unitBytes);
      data = plain.data();
    } else if (!sawSparse) {
      if (!ReadRunClusters(state, runs, firstVcn, unitClusters, stored.data())) return false;
      data = stored.data();
    } else {
      if (!ReadRunClusters(state, runs, firstVcn, allocated, stored.data())) return false;
      std::memset(plain.data(), 0, unitBytes);
      std::size_t written = 0;
      const platform::Lznt1Result r = platform::Lznt1Decompress(
          stored.data(), static_cast<std::size_t>(allocated * cs), plain.data(), unitBytes, &written);
      if (r != platform::Lznt1Result::Ok) {
        FormatNtStatusText(kStatusBadCompressionBuffer);
        return false;
      }
      data = plain.data();
    }
    // Bytes past the initialized size read as zeros.
    const std::uint64_t valid = validSize > done ? std::min(bytes, validSize - done) : 0;
    if (!out.Write(data, valid) || !out.Zeros(bytes - valid)) return false;
    done += bytes;
  }
  return true;
}

bool WriteWhole(const std::u16string& path, const std::uint8_t* data, std::size_t size) {
  File f(std::fopen(platform::ToUtf8(path).c_str(), "wb"));
  if (!f) return false;
  if (size && std::fwrite(data, 1, size, f.get()) != size) return false;
  return std::fclose(f.release()) == 0;
}

const NTFSFILEENTRY* LookUpEntry(std::uint32_t recordNumber) {
  for (std::uint32_t i = 0; g_pNtfsEntries && i < g_dwNtfsEntryCount; ++i)
    if (g_pNtfsEntries[i].recordNumber == recordNumber) return &g_pNtfsEntries[i];
  return nullptr;
}

}  // namespace

std::u16string NtStatusName(std::uint32_t status) {
  switch (status) {
    case 0: return u"STATUS_SUCCESS";
    case 0xC000000D: return u"STATUS_INVALID_PARAMETER";
    case 0xC0000010: return u"STATUS_INVALID_DEVICE_REQUEST";
    case 0xC0000021: return u"STATUS_ALREADY_COMMITTED";
    case 0xC0000023: return u"STATUS_BUFFER_TOO_SMALL";
    default: {
      char text[32];
      std::snprintf(text, sizeof text, "NT Error Code: 0x%08x", status);
      return platform::FromUtf8(text);
    }
  }
}

void FormatNtStatusText(std::uint32_t status) {
  // A status code has no system text here: the C library knows only errno values.
  platform::ShowMessage(NtStatusName(status) + u"\r\n\n", MsgButtons::Ok, MsgIcon::None);
}

int DecryptEfsFile(const std::u16string&) {
  platform::ShowMessage(std::u16string(u"ADVAPI32.DLL.DLL 파일을 찾을 수 없습니다. \r\n") +
                            u"이 파일은 NTFS암호화파일을 복구하기 위해 필요합니다. \r\n\r\n" +
                            u"계속할 수 없습니다.",
                        MsgButtons::Ok, MsgIcon::Error);
  return 0;
}

int CopyAttributeToFile(NTFSVOLUMERECORD* state, const std::uint8_t* attribute,
                        std::uint32_t length, std::uint64_t dataSize) {
  state->saveCancel = 0;
  if (AttributeIsResident(attribute) || state->clusterSize == 0) return 0;
  NtfsRunList runs;
  if (!DecodeRunList(attribute, length, &runs)) return 0;
  const std::uint64_t validSize = std::min(dataSize, Le64(attribute + ntfs::attr::kInitializedSize));
  const std::uint16_t flags = platform::Le16(attribute + ntfs::attr::kFlags);
  const unsigned unitShift = attribute[ntfs::attr::kCompressionUnit];
  const bool compressed = (flags & ntfs::kAttrFlagCompressionMask) != 0 && unitShift != 0;
  // NTFS compresses only with clusters of 4 KiB or less, in units of 16 clusters.
  if (compressed && (unitShift > 8 || (std::uint64_t{state->clusterSize} << unitShift) > (1u << 20)))
    return 0;

  File f(std::fopen(platform::ToUtf8(g_strNtfsSavePath).c_str(), "wb"));
  if (!f) return 0;
  Writer out(f.get());
  const bool ok = compressed ? CopyCompressed(state, runs, unitShift, dataSize, validSize, out)
                             : CopyPlain(state, runs, dataSize, validSize, out);
  const bool closed = std::fclose(f.release()) == 0;
  return ok && closed ? 1 : 0;
}

int SaveNtfsFile(NTFSVOLUMERECORD* state, std::uint32_t recordNumber, std::u16string name,
                 std::u16string folder, std::uint32_t fileAttributes, const NTFSFILEENTRY* found) {
  if (!state || state->recordSize == 0 || !IsSafeName(name) || folder.empty()) return 0;
  const std::u16string path = JoinPath(folder, name);
  std::vector<std::uint8_t> record(state->recordSize);
  if (!ReadMftRecord(state, recordNumber, record.data())) return 0;
  NtfsFileInfo info;
  if (!ParseFileRecord(record.data(), record.size(), &info)) return 0;
  // The record may have been given to another file since the search saw it.
  if (!found) found = LookUpEntry(recordNumber);
  if (found && (!info.hasName || info.name != std::u16string(found->name) ||
                static_cast<std::int64_t>(info.parent) != found->parentRecordNumber))
    return 0;
  std::uint32_t length = 0;
  const std::uint8_t* data = FindAttribute(record.data(), record.size(), ntfs::kAttrData, &length);
  if (!data) return 0;
  const std::int64_t dataSize = GetAttributeDataSize(data);
  if (dataSize < 0) return 0;
  g_strNtfsSavePath = path;

  int result;
  if (AttributeIsResident(data)) {
    std::uint32_t valueLength = 0;
    const std::uint8_t* value = ResidentValue(data, &valueLength);
    result = WriteWhole(path, value, valueLength) ? 1 : 0;
  } else {
    result = CopyAttributeToFile(state, data, length, static_cast<std::uint64_t>(dataSize));
  }
  const bool encrypted = (fileAttributes & 0x4000) != 0 ||
                         (platform::Le16(data + ntfs::attr::kFlags) & ntfs::kAttrFlagEncrypted) != 0;
  if (result && encrypted) result = DecryptEfsFile(path);
  return result;
}
