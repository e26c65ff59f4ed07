#include "corvane/ntfs_save.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "corvane/filesystem.h"
#include "corvane/ntfs_attrlist.h"
#include "corvane/ntfs_record.h"
#include "platform/endian.h"
#include "platform/large_buffer.h"
#include "platform/lznt1.h"
#include "platform/message.h"
#include "platform/output_file.h"

using platform::Le64;
using platform::MsgButtons;
using platform::MsgIcon;

std::u16string g_strNtfsSavePath;

namespace {

// Contiguous clusters are read together up to this many bytes; the cancel flag is checked
// before every read and the caller's hook after every chunk.
constexpr std::uint64_t kCopyBytes = 256u << 10;

using platform::OutputFile;

std::u16string JoinPath(std::u16string folder, const std::u16string& name) {
  while (folder.size() > 1 && folder.back() == u'/') folder.pop_back();
  return folder + u"/" + name;
}

// One copy in progress: where it reads, where it writes, who may stop it.
struct Copy {
  NTFSVOLUMERECORD* state;
  OutputFile& out;
  SaveControl* control;
  std::uint64_t total;  // bytes the copy aims at

  bool Cancelled() const {
    if (state->saveCancel.load() == 0) return false;
    if (control) {
      control->stopped = true;
      control->note = kNoteSaveStopped;
    }
    return true;
  }
  bool Write(const std::uint8_t* p, std::uint64_t n) {
    if (out.Write(p, static_cast<std::size_t>(n))) return true;
    save_control::Note(control, kNoteWriteFailed);
    return false;
  }
  bool Zeros(std::uint64_t n) {
    if (out.WriteZeros(n)) return true;
    save_control::Note(control, kNoteWriteFailed);
    return false;
  }
  bool Read(std::uint64_t lcn, std::uint64_t n, std::uint8_t* buffer) {
    if (ReadClusters(state, lcn, static_cast<std::uint32_t>(n), buffer)) return true;
    save_control::Note(control, kNoteReadFailed);
    return false;
  }
  bool ReadRun(const NtfsRunList& runs, std::uint64_t vcn, std::uint64_t n, std::uint8_t* buffer) {
    if (ReadRunClusters(state, runs, vcn, n, buffer)) return true;
    save_control::Note(control, kNoteReadFailed);
    return false;
  }
  // After a chunk: true when the caller's hook stops the copy.
  bool StopHere() { return save_control::StopAfterChunk(control, out.Written(), total); }
  platform::LargeBuffer Buffer(std::size_t bytes) {
    platform::LargeBuffer buffer = platform::NewLargeBuffer(bytes, false);
    if (!buffer) save_control::Note(control, kNoteOutOfMemory);
    return buffer;
  }
};

// Bytes the runs map without a gap from VCN 0, sparse runs included.
std::uint64_t CoveredBytes(const NtfsRunList& runs, std::uint64_t clusterSize) {
  std::uint64_t end = 0;
  for (const NtfsRun& run : runs) {
    if (run.vcn != end) break;
    end += run.length;
  }
  return end > UINT64_MAX / clusterSize ? UINT64_MAX : end * clusterSize;
}

// Plain data: runs in order, sparse ones as zeros.
bool CopyPlain(Copy& copy, const NtfsRunList& runs, std::uint64_t dataSize, std::uint64_t validSize) {
  const std::uint64_t cs = copy.state->clusterSize;
  const std::uint64_t perRead = std::max<std::uint64_t>(1, kCopyBytes / cs);
  std::uint64_t done = 0;
  platform::LargeBuffer buffer;
  for (std::uint64_t vcn = 0; done < dataSize;) {
    if (done >= validSize) {
      // Past the initialized size: zeros, in chunks so that the hook is still asked.
      const std::uint64_t bytes = std::min(dataSize - done, perRead * cs);
      if (!copy.Zeros(bytes)) return false;
      done += bytes;
      if (copy.StopHere()) return false;
      continue;
    }
    std::uint64_t lcn = 0, left = 0;
    bool sparse = false;
    if (!MapVcn(runs, vcn, &lcn, &left, &sparse)) return false;
    const std::uint64_t want = (std::min(dataSize, validSize) - done + cs - 1) / cs;
    const std::uint64_t n = std::min({left, perRead, want});
    const std::uint64_t bytes = std::min(n * cs, std::min(dataSize, validSize) - done);
    if (sparse) {
      if (!copy.Zeros(bytes)) return false;
    } else {
      if (copy.Cancelled()) return false;
      if (!buffer && !(buffer = copy.Buffer(static_cast<std::size_t>(perRead * cs)))) return false;
      if (!copy.Read(lcn, n, buffer.get()) || !copy.Write(buffer.get(), bytes)) return false;
    }
    done += bytes;
    vcn += n;
    if (copy.StopHere()) return false;
  }
  return true;
}

// Compressed data: each unit of 2^cu clusters is stored raw when fully allocated, as LZNT1 in
// its leading clusters when partly sparse, and not at all (zeros) when wholly sparse.
bool CopyCompressed(Copy& copy, const NtfsRunList& runs, unsigned unitShift,
                    std::uint64_t dataSize, std::uint64_t validSize) {
  const std::uint64_t cs = copy.state->clusterSize;
  const std::uint64_t unitClusters = std::uint64_t{1} << unitShift;
  const std::size_t unitBytes = static_cast<std::size_t>(unitClusters * cs);
  platform::LargeBuffer stored = copy.Buffer(unitBytes);
  platform::LargeBuffer plain = stored ? copy.Buffer(unitBytes) : nullptr;
  if (!plain) return false;
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
    if (copy.Cancelled()) return false;
    const std::uint8_t* data = nullptr;
    if (allocated == 0) {
      std::memset(plain.get(), 0, unitBytes);
      data = plain.get();
    } else if (!sawSparse) {
      if (!copy.ReadRun(runs, firstVcn, unitClusters, stored.get())) return false;
      data = stored.get();
    } else {
      if (!copy.ReadRun(runs, firstVcn, allocated, stored.get())) return false;
      std::memset(plain.get(), 0, unitBytes);
      std::size_t written = 0;
      const platform::Lznt1Result r = platform::Lznt1Decompress(
          stored.get(), static_cast<std::size_t>(allocated * cs), plain.get(), unitBytes, &written);
      if (r != platform::Lznt1Result::Ok) {
        FormatNtStatusText(kStatusBadCompressionBuffer);
        return false;
      }
      data = plain.get();
    }
    // Bytes past the initialized size read as zeros.
    const std::uint64_t valid = validSize > done ? std::min(bytes, validSize - done) : 0;
    if (!copy.Write(data, valid) || !copy.Zeros(bytes - valid)) return false;
    done += bytes;
    if (copy.StopHere()) return false;
  }
  return true;
}

// Opens g_strNtfsSavePath through the one output routine (its last component is the name).
OutputFile OpenSavePath() {
  const std::u16string& path = g_strNtfsSavePath;
  const std::size_t slash = path.rfind(u'/');
  if (slash == std::u16string::npos) return OutputFile::Create(u".", path);
  return OutputFile::Create(std::u16string_view(path).substr(0, slash == 0 ? 1 : slash),
                            std::u16string_view(path).substr(slash + 1));
}

bool WriteResident(const std::u16string& folder, const std::u16string& name,
                   const std::uint8_t* data, std::size_t size, SaveControl* control) {
  OutputFile out = OutputFile::Create(folder, name);
  if (!out.IsOpen()) return false;
  if (!out.Write(data, size) || !out.Commit()) {
    save_control::Note(control, kNoteWriteFailed);
    return false;
  }
  return true;
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

namespace {

// Writes the first dataSize bytes of a non-resident stream to g_strNtfsSavePath, as
// CopyAttributeToFile says.
int CopyStream(NTFSVOLUMERECORD* state, const NtfsDataStream& stream, std::uint64_t dataSize,
               SaveControl* control) {
  if (stream.resident || state->clusterSize == 0) return 0;
  const NtfsRunList& runs = stream.runs;
  // A size beyond what the runs map is damage: the copy stops where the runs end.
  const std::uint64_t covered = CoveredBytes(runs, state->clusterSize);
  const bool damaged = dataSize > covered;
  const std::uint64_t size = std::min(dataSize, covered);
  const std::uint64_t validSize = std::min(size, stream.initializedSize);
  const unsigned unitShift = stream.unitShift;
  const bool compressed = (stream.flags & ntfs::kAttrFlagCompressionMask) != 0 && unitShift != 0;
  // NTFS compresses only with clusters of 4 KiB or less, in units of 16 clusters.
  if (compressed && (unitShift > 8 || (std::uint64_t{state->clusterSize} << unitShift) > (1u << 20)))
    return 0;

  OutputFile out = OpenSavePath();
  if (!out.IsOpen()) return 0;
  Copy copy{state, out, control, size};
  const bool ok = compressed ? CopyCompressed(copy, runs, unitShift, size, validSize)
                             : CopyPlain(copy, runs, size, validSize);
  // A failed or stopped copy leaves nothing behind (the output is discarded with `out`).
  if (!ok) return 0;
  if (damaged && control && !control->keepIncomplete) {
    save_control::Note(control, kNoteIncompleteNotReplaced);
    return 0;  // the output is discarded with `out`
  }
  if (!out.Commit()) {
    save_control::Note(control, kNoteWriteFailed);
    return 0;
  }
  if (damaged) {
    save_control::Note(control, kNoteDataBeyondRuns);
    return 0;
  }
  return 1;
}

}  // namespace

int CopyAttributeToFile(NTFSVOLUMERECORD* state, const std::uint8_t* attribute,
                        std::uint32_t length, std::uint64_t dataSize, SaveControl* control) {
  if (AttributeIsResident(attribute) || state->clusterSize == 0) return 0;
  NtfsDataStream stream;
  if (!DataStreamOfAttribute(attribute, length, &stream)) return 0;
  return CopyStream(state, stream, dataSize, control);
}

int SaveNtfsFile(NTFSVOLUMERECORD* state, std::uint32_t recordNumber, std::u16string name,
                 std::u16string folder, std::uint32_t fileAttributes, const NTFSFILEENTRY* found,
                 SaveControl* control) {
  if (!state || state->recordSize == 0 || !platform::IsPlainFileName(name) || folder.empty()) return 0;
  const std::u16string path = JoinPath(folder, name);
  std::vector<std::uint8_t> record(state->recordSize);
  if (!ReadMftRecord(state, recordNumber, record.data())) {
    save_control::Note(control, kNoteReadFailed);
    return 0;
  }
  NtfsFileInfo info;
  if (!ParseFileRecord(record.data(), record.size(), &info) || info.baseRecord != 0) return 0;
  // A file whose attributes do not fit its record is read through its attribute list.
  NtfsListResolution list;
  if (info.hasAttributeList)
    ResolveAttributeList(state, recordNumber, record.data(), record.size(), &info, &list, true);
  // The record may have been given to another file since the search saw it.
  if (!found) found = LookUpEntry(recordNumber);
  if (found && (!info.hasName || info.name != std::u16string(found->name) ||
                static_cast<std::int64_t>(info.parent) != found->parentRecordNumber))
    return 0;
  // A list cut short may have lost pieces of the data: no save rather than a short one.
  if (list.fault != AttributeListFault::kNone) {
    save_control::Note(control, AttributeListFaultNote(list.fault));
    return 0;
  }
  NtfsDataStream stream;
  if (list.data.present) {
    stream = std::move(list.data);
  } else {
    std::uint32_t length = 0;
    const std::uint8_t* data = FindAttribute(record.data(), record.size(), ntfs::kAttrData, &length);
    if (!data || !DataStreamOfAttribute(data, length, &stream)) return 0;
  }
  g_strNtfsSavePath = path;

  int result;
  if (stream.resident) {
    result = WriteResident(folder, name, stream.residentValue.data(), stream.residentValue.size(),
                           control) ? 1 : 0;
  } else {
    // The size as the record states it, however large: the copy bounds it by the runs.
    result = CopyStream(state, stream, static_cast<std::uint64_t>(stream.dataSize), control);
  }
  const bool encrypted = (fileAttributes & 0x4000) != 0 || (stream.flags & ntfs::kAttrFlagEncrypted) != 0;
  if (result && encrypted) result = DecryptEfsFile(path);
  return result;
}
