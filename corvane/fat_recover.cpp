#include "corvane/fat_recover.h"

#include <algorithm>

#include "corvane/fat_table.h"
#include "platform/large_buffer.h"
#include "platform/message.h"
#include "platform/output_file.h"

using platform::MsgButtons;
using platform::MsgIcon;

namespace {

// Contiguous clusters are read together, up to this many bytes per request.
constexpr std::size_t kMaxReadBytes = 1u << 20;

using platform::OutputFile;

OutputFile OpenOutput(const FatRecoverRequest& request, SaveControl* control) {
  std::u16string name = request.fileName;
  if (name.empty()) name = platform::FromUtf8("[" + std::to_string(request.firstCluster) + "]");
  OutputFile out = OutputFile::Create(request.saveFolder, name);
  if (!out.IsOpen()) {
    platform::ShowMessage(kMsgCannotOpenFile);
    save_control::Note(control, kMsgCannotOpenFile);
  }
  return out;
}

// The copy buffer of `bytes` bytes; null after the message.
platform::LargeBuffer NewCopyBuffer(std::size_t bytes, SaveControl* control) {
  platform::LargeBuffer buffer = platform::NewLargeBuffer(bytes, false);
  if (!buffer) {
    platform::ShowMessage(kMsgFatOutOfMemory, MsgButtons::Ok, MsgIcon::Error);
    save_control::Note(control, kNoteOutOfMemory);
  }
  return buffer;
}

// Writes `bytes` bytes read from count sectors at first; false on a read or write failure.
bool CopySectors(const FATVOLUMERECORD* rec, OutputFile& out, std::uint64_t first,
                 std::uint32_t count, std::uint64_t bytes, std::uint8_t* buffer,
                 SaveControl* control) {
  const std::size_t size = std::size_t{count} * rec->bytesPerSector;
  if (!ReadVolumeSectors(rec, buffer, first, count)) {
    save_control::Note(control, kNoteReadFailed);
    return false;
  }
  const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, size));
  if (out.Write(buffer, n)) return true;
  save_control::Note(control, kNoteWriteFailed);
  return false;
}

// Writes the clusters in order until `size` bytes are out; false on a failure or a stop.
bool WriteClusters(const FATVOLUMERECORD* rec, OutputFile& out,
                   const std::vector<std::uint32_t>& clusters, std::uint64_t size,
                   SaveControl* control) {
  const std::uint32_t clusterBytes = FatClusterBytes(rec);
  const std::uint32_t spc = FatSectorsPerCluster();
  const std::size_t runMax =
      std::min(clusters.size(), std::max<std::size_t>(1, kMaxReadBytes / clusterBytes));
  platform::LargeBuffer buffer = NewCopyBuffer(runMax * clusterBytes, control);
  if (!buffer) return false;
  std::uint64_t left = size;
  for (std::size_t k = 0; k < clusters.size() && left > 0;) {
    std::size_t run = 1;
    while (k + run < clusters.size() && run < runMax && clusters[k + run] == clusters[k] + run) ++run;
    const std::uint64_t sector = ClusterToSector(clusters[k], rec);
    if (sector == 0) return false;
    const std::uint64_t take = std::min<std::uint64_t>(left, std::uint64_t{clusterBytes} * run);
    if (!CopySectors(rec, out, sector, static_cast<std::uint32_t>(run * spc), take, buffer.get(),
                     control))
      return false;
    left -= take;
    k += run;
    if (save_control::StopAfterChunk(control, size - left, size)) return false;
  }
  return true;
}

int SaveSectors(FATVOLUMERECORD* rec, const FatRecoverRequest& request, SaveControl* control) {
  const std::uint32_t bps = rec->bytesPerSector;
  std::uint64_t count = request.sectorCount;
  if (count == 0) count = (std::uint64_t{request.size} + bps - 1) / bps;
  const std::uint64_t bytes = request.size ? request.size : count * bps;
  OutputFile out = OpenOutput(request, control);
  if (!out.IsOpen()) return 0;
  const std::uint32_t perRead =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(kMaxReadBytes / bps, std::max<std::uint64_t>(count, 1)));
  platform::LargeBuffer buffer = NewCopyBuffer(std::size_t{perRead} * bps, control);
  if (!buffer) return 0;
  const std::uint64_t total = std::min<std::uint64_t>(bytes, count * bps);
  std::uint64_t left = total;
  for (std::uint64_t s = request.firstSector; left > 0;) {
    const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::uint64_t>(perRead, (left + bps - 1) / bps));
    const std::uint64_t take = std::min<std::uint64_t>(left, std::uint64_t{n} * bps);
    if (!CopySectors(rec, out, s, n, take, buffer.get(), control)) return 0;
    left -= take;
    s += n;
    if (save_control::StopAfterChunk(control, total - left, total)) return 0;
  }
  // Sectors that do not cover the size leave the file short: not a success.
  return save_control::Finish(out, count * bps >= bytes, control, kNoteSectorsShort);
}

}  // namespace

std::string FatOutputPath(const std::u16string& folder, const std::u16string& fileName,
                          std::uint32_t firstCluster) {
  if (fileName.empty())
    return platform::OutputPath(folder, platform::FromUtf8("[" + std::to_string(firstCluster) + "]"));
  return platform::OutputPath(folder, fileName);
}

bool PlanFatClusters(const FATVOLUMERECORD* rec, const FatRecoverRequest& request,
                     std::vector<std::uint32_t>* clusters, bool* complete, SaveControl* control) {
  *complete = false;
  const FatChainView view = ChainViewOf(rec);
  const std::uint32_t clusterBytes = FatClusterBytes(rec);
  if (!view.ok() || clusterBytes == 0) return false;
  const std::uint32_t first = request.firstCluster;
  if (!view.InData(first)) {
    if (first < 2) platform::ShowMessage(kMsgClusterAbnormal, MsgButtons::Ok, MsgIcon::Error);
    save_control::Note(control, kNoteClusterOutside);
    return false;
  }
  const std::uint64_t needed = (std::uint64_t{request.size} + clusterBytes - 1) / clusterBytes;
  if (needed > view.lastCluster - 1) {  // more than the volume holds
    save_control::Note(control, kNoteLargerThanVolume);
    return false;
  }
  const auto limit = static_cast<std::uint32_t>(needed);

  // Deleting a file frees its chain: a deleted file's first cluster that is in use again holds
  // another file's data, whichever way the clusters are taken.
  if (request.deleted && view.Entry(first) != 0) {
    platform::ShowMessage(kMsgDataOverwritten);
    save_control::Note(control, kMsgDataOverwritten);
    return false;
  }
  // A live file's chain is still in the table: the linear method follows it like the basic one.
  // Only an entry whose chain is gone (its first cluster free) leaves the contiguous guess.
  if (request.method == kFatRecoverLinear && view.Entry(first) == 0) {
    for (std::uint32_t c = first; c <= view.lastCluster && clusters->size() < limit; ++c) {
      // A live file's clusters were never freed; a deleted file's data lies in free clusters.
      if (request.deleted && c != first && view.Entry(c) != 0) continue;
      clusters->push_back(c);
    }
  } else {
    std::uint32_t count = 0;
    CollectChain(view, first, limit, &count, clusters);
  }
  *complete = clusters->size() == limit;
  return true;
}

int RecoverFatFileRequest(FATVOLUMERECORD* rec, const FatRecoverRequest& request,
                          SaveControl* control) {
  if (request.saveFolder.empty()) {
    platform::ShowMessage(kMsgNoSaveFolder);
    return 0;
  }
  if (!rec || rec->bytesPerSector == 0) return 0;
  if (request.method == kFatRecoverSector) return SaveSectors(rec, request, control);
  if (request.size == 0) {
    // An empty file has no cluster (its first cluster is usually 0).
    OutputFile out = OpenOutput(request, control);
    return out.IsOpen() ? save_control::Finish(out, true, control) : 0;
  }
  std::vector<std::uint32_t> clusters;
  bool complete = false;
  if (!PlanFatClusters(rec, request, &clusters, &complete, control)) return 0;
  OutputFile out = OpenOutput(request, control);
  if (!out.IsOpen()) return 0;
  // A failed or stopped copy discards the output; a chain that ends short keeps what it held.
  if (!WriteClusters(rec, out, clusters, request.size, control)) return 0;
  // Deleting a file frees its chain: the basic method then finds its first cluster alone.
  const bool deletedChain = request.deleted && request.method != kFatRecoverLinear && clusters.size() == 1;
  return save_control::Finish(out, complete, control, deletedChain ? kNoteDeletedChainShort : kNoteChainShort);
}

namespace {
int RecoverBasic(FATVOLUMERECORD* rec, std::uint32_t cluster, const std::u16string& fileName,
                 const std::u16string& saveFolder, std::uint32_t bytes) {
  FatRecoverRequest request;
  request.firstCluster = cluster;
  request.fileName = fileName;
  request.saveFolder = saveFolder;
  request.size = bytes;
  return RecoverFatFileRequest(rec, request);
}
}  // namespace

int RecoverFat12File(FATVOLUMERECORD* rec, std::uint32_t cluster, const std::u16string& fileName,
                     const std::u16string& saveFolder, std::uint32_t bytes) {
  return RecoverBasic(rec, cluster, fileName, saveFolder, bytes);
}

int RecoverFat16File(FATVOLUMERECORD* rec, std::uint32_t cluster, const std::u16string& fileName,
                     const std::u16string& saveFolder, std::uint32_t bytes) {
  return RecoverBasic(rec, cluster, fileName, saveFolder, bytes);
}

int RecoverFat32File(FATVOLUMERECORD* rec, std::uint32_t cluster, const std::u16string& fileName,
                     const std::u16string& saveFolder, std::uint32_t bytes) {
  return RecoverBasic(rec, cluster, fileName, saveFolder, bytes);
}
