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

// Bytes the runs map without a gap from VCN 0, sparse runs included. *pastLastVcn when the runs
// map more clusters than the pieces' VCN ranges hold: a piece whose runs go on past its last VCN
// overlaps the next piece or ends past the stream's last VCN, and every cluster after the longer
// run would be read from the wrong place.
std::uint64_t CoveredBytes(const NtfsRunList& runs, std::uint64_t lastVcn, std::uint64_t clusterSize,
                           bool* pastLastVcn) {
  *pastLastVcn = false;
  std::uint64_t next = 0;     // the VCN after the run ahead
  std::uint64_t covered = 0;  // clusters from VCN 0 up to the first gap
  bool gap = false;
  for (const NtfsRun& run : runs) {
    if (run.vcn < next) {
      *pastLastVcn = true;
      return 0;
    }
    gap = gap || run.vcn != next;
    next = run.vcn + run.length;  // the decoder refused a run whose end overflows
    if (!gap) covered = next;
  }
  if (next > lastVcn + 1 && !runs.empty()) {
    *pastLastVcn = true;
    return 0;
  }
  return covered > UINT64_MAX / clusterSize ? UINT64_MAX : covered * clusterSize;
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
    if (!MapVcn(runs, vcn, &lcn, &left, &sparse)) {
      save_control::Note(copy.control, kNoteBadRunList);
      return false;
    }
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
        if (vcn * cs < dataSize) {
          save_control::Note(copy.control, kNoteBadRunList);
          return false;
        }
        sawSparse = true;
        break;
      }
      const std::uint64_t n = std::min(left, firstVcn + unitClusters - vcn);
      if (sparse) sawSparse = true;
      else if (sawSparse) {
        // Stored clusters after a hole: not a compressed unit.
        save_control::Note(copy.control, kNoteBadCompressedUnit);
        return false;
      }
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
        save_control::Note(copy.control, kNoteBadCompressedUnit);
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

// Starts folder/name through the one output routine; a file that cannot be made says so.
OutputFile OpenOutput(std::u16string_view folder, std::u16string_view name, SaveControl* control) {
  OutputFile out = OutputFile::Create(folder, name);
  if (!out.IsOpen()) save_control::Note(control, kNoteCannotCreate);
  return out;
}

// Opens g_strNtfsSavePath (its last component is the name).
OutputFile OpenSavePath(SaveControl* control) {
  const std::u16string& path = g_strNtfsSavePath;
  const std::size_t slash = path.rfind(u'/');
  if (slash == std::u16string::npos) return OpenOutput(u".", path, control);
  return OpenOutput(std::u16string_view(path).substr(0, slash == 0 ? 1 : slash),
                    std::u16string_view(path).substr(slash + 1), control);
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

// What the copy of a non-resident stream writes, settled before any output is made.
struct StreamPlan {
  std::uint64_t size = 0;       // the data size, bounded by what the runs map
  std::uint64_t validSize = 0;  // bytes before the initialized size; zeros after it
  bool damaged = false;         // the data size lies beyond what the runs map
  bool compressed = false;
  unsigned unitShift = 0;
};

// False, with a note, for a stream whose runs or compression unit cannot be copied.
bool PlanStream(const NTFSVOLUMERECORD* state, const NtfsDataStream& stream, std::uint64_t dataSize,
                SaveControl* control, StreamPlan* plan) {
  if (stream.resident || state->clusterSize == 0) return false;
  bool pastLastVcn = false;
  const std::uint64_t covered = CoveredBytes(stream.runs, stream.lastVcn, state->clusterSize, &pastLastVcn);
  if (pastLastVcn) {
    save_control::Note(control, kNoteRunsPastLastVcn);
    return false;
  }
  // A size beyond what the runs map is damage: the copy stops where the runs end.
  plan->damaged = dataSize > covered;
  plan->size = std::min(dataSize, covered);
  plan->validSize = std::min(plan->size, stream.initializedSize);
  plan->unitShift = stream.unitShift;
  plan->compressed = (stream.flags & ntfs::kAttrFlagCompressionMask) != 0 && plan->unitShift != 0;
  // NTFS compresses only with clusters of 4 KiB or less, in units of 16 clusters.
  if (plan->compressed &&
      (plan->unitShift > 8 || (std::uint64_t{state->clusterSize} << plan->unitShift) > (1u << 20))) {
    save_control::Note(control, kNoteBadCompressedUnit);
    return false;
  }
  return true;
}

// Writes the planned bytes of a non-resident stream to `out`; false on a fault or a stop.
bool CopyStream(NTFSVOLUMERECORD* state, const NtfsDataStream& stream, const StreamPlan& plan,
                OutputFile& out, SaveControl* control) {
  Copy copy{state, out, control, plan.size};
  return plan.compressed ? CopyCompressed(copy, stream.runs, plan.unitShift, plan.size, plan.validSize)
                         : CopyPlain(copy, stream.runs, plan.size, plan.validSize);
}

}  // namespace

int CopyAttributeToFile(NTFSVOLUMERECORD* state, const std::uint8_t* attribute,
                        std::uint32_t length, std::uint64_t dataSize, SaveControl* control) {
  if (AttributeIsResident(attribute) || state->clusterSize == 0) return 0;
  NtfsDataStream stream;
  if (!DataStreamOfAttribute(attribute, length, &stream)) {
    save_control::Note(control, kNoteBadRunList);
    return 0;
  }
  StreamPlan plan;
  if (!PlanStream(state, stream, dataSize, control, &plan)) return 0;
  OutputFile out = OpenSavePath(control);
  if (!out.IsOpen()) return 0;
  // A failed or stopped copy leaves nothing behind (the output is discarded with `out`).
  if (!CopyStream(state, stream, plan, out, control)) return 0;
  return save_control::Finish(out, !plan.damaged, control, kNoteDataBeyondRuns);
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
  if (!ParseFileRecord(record.data(), record.size(), &info) || info.baseRecord != 0) {
    save_control::Note(control, kNoteRecordChanged);
    return 0;
  }
  // A file whose attributes do not fit its record is read through its attribute list.
  NtfsListResolution list;
  if (info.hasAttributeList)
    ResolveAttributeList(state, recordNumber, record.data(), record.size(), &info, &list, true);
  // The record may have been given to another file since the search saw it.
  if (!found) found = LookUpEntry(recordNumber);
  if (found && (!info.hasName || info.name != std::u16string(found->name) ||
                static_cast<std::int64_t>(info.parent) != found->parentRecordNumber)) {
    save_control::Note(control, kNoteRecordChanged);
    return 0;
  }
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
    // Folder-like metadata files ($Secure, $Extend/$Quota, $ObjId, $Reparse) keep their contents
    // in indexes and named streams: the file has no unnamed stream to copy.
    if (!data) {
      save_control::Note(control, kNoteNoUnnamedData);
      return 0;
    }
    if (!DataStreamOfAttribute(data, length, &stream)) {
      save_control::Note(control, kNoteBadRunList);
      return 0;
    }
  }
  g_strNtfsSavePath = path;

  // The size as the record states it, however large: the plan bounds it by the runs.
  StreamPlan plan;
  if (!stream.resident &&
      !PlanStream(state, stream, static_cast<std::uint64_t>(stream.dataSize), control, &plan))
    return 0;
  OutputFile out = OpenOutput(folder, name, control);
  if (!out.IsOpen()) return 0;
  bool copied;
  if (stream.resident) {
    copied = out.Write(stream.residentValue.data(), stream.residentValue.size());
    if (!copied) save_control::Note(control, kNoteWriteFailed);
  } else {
    copied = CopyStream(state, stream, plan, out, control);
  }
  if (!copied) return 0;  // the output is discarded with `out`
  // The copied bytes are ciphertext: decryption must turn them into the file before they take
  // its name, and a file that stays encrypted leaves nothing.
  const bool encrypted = (fileAttributes & 0x4000) != 0 || (stream.flags & ntfs::kAttrFlagEncrypted) != 0;
  if (encrypted && !DecryptEfsFile(path)) {
    save_control::Note(control, kNoteEncryptedFile);
    return 0;
  }
  return save_control::Finish(out, !plan.damaged, control, kNoteDataBeyondRuns);
}
