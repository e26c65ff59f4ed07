#include "corvane/fat_recover.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "corvane/fat_table.h"
#include "platform/message.h"

using platform::MsgButtons;
using platform::MsgIcon;

namespace {

// Contiguous clusters are read together, up to this many bytes per request.
constexpr std::size_t kMaxReadBytes = 1u << 20;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool IsSafeName(const std::u16string& name) {
  if (name == u"." || name == u"..") return false;
  return name.find(u'/') == std::u16string::npos && name.find(u'\0') == std::u16string::npos;
}

File OpenOutput(const FatRecoverRequest& request) {
  const std::string path = FatOutputPath(request.saveFolder, request.fileName, request.firstCluster);
  std::FILE* f = path.empty() ? nullptr : std::fopen(path.c_str(), "wb");
  if (!f) platform::ShowMessage(kMsgCannotOpenFile);
  return File(f);
}

// Writes `bytes` bytes read from count sectors at first; false on a read or write failure.
bool CopySectors(const FATVOLUMERECORD* rec, std::FILE* out, std::uint64_t first,
                 std::uint32_t count, std::uint64_t bytes, std::vector<std::uint8_t>& buffer) {
  const std::size_t size = std::size_t{count} * rec->bytesPerSector;
  buffer.resize(size);
  if (!ReadVolumeSectors(rec, buffer.data(), first, count)) return false;
  const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, size));
  return std::fwrite(buffer.data(), 1, n, out) == n;
}

// Writes the clusters in order until `size` bytes are out.
bool WriteClusters(const FATVOLUMERECORD* rec, std::FILE* out,
                   const std::vector<std::uint32_t>& clusters, std::uint64_t size) {
  const std::uint32_t clusterBytes = FatClusterBytes(rec);
  const std::uint32_t spc = FatSectorsPerCluster();
  const std::size_t runMax = std::max<std::size_t>(1, kMaxReadBytes / clusterBytes);
  std::vector<std::uint8_t> buffer;
  std::uint64_t left = size;
  for (std::size_t k = 0; k < clusters.size() && left > 0;) {
    std::size_t run = 1;
    while (k + run < clusters.size() && run < runMax && clusters[k + run] == clusters[k] + run) ++run;
    const std::uint64_t sector = ClusterToSector(clusters[k], rec);
    if (sector == 0) return false;
    const std::uint64_t take = std::min<std::uint64_t>(left, std::uint64_t{clusterBytes} * run);
    if (!CopySectors(rec, out, sector, static_cast<std::uint32_t>(run * spc), take, buffer)) return false;
    left -= take;
    k += run;
  }
  return true;
}

int SaveSectors(FATVOLUMERECORD* rec, const FatRecoverRequest& request) {
  const std::uint32_t bps = rec->bytesPerSector;
  std::uint64_t count = request.sectorCount;
  if (count == 0) count = (std::uint64_t{request.size} + bps - 1) / bps;
  const std::uint64_t bytes = request.size ? request.size : count * bps;
  File out = OpenOutput(request);
  if (!out) return 0;
  std::vector<std::uint8_t> buffer;
  const std::uint32_t perRead = static_cast<std::uint32_t>(kMaxReadBytes / bps);
  std::uint64_t left = std::min<std::uint64_t>(bytes, count * bps);
  for (std::uint64_t s = request.firstSector; left > 0;) {
    const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::uint64_t>(perRead, (left + bps - 1) / bps));
    const std::uint64_t take = std::min<std::uint64_t>(left, std::uint64_t{n} * bps);
    if (!CopySectors(rec, out.get(), s, n, take, buffer)) return 0;
    left -= take;
    s += n;
  }
  // Sectors that do not cover the size leave the file short: not a success.
  return count * bps >= bytes ? 1 : 0;
}

}  // namespace

std::string FatOutputPath(const std::u16string& folder, const std::u16string& fileName,
                          std::uint32_t firstCluster) {
  std::u16string name = fileName;
  if (name.empty()) {
    const std::string unnamed = "[" + std::to_string(firstCluster) + "]";
    name.assign(unnamed.begin(), unnamed.end());
  }
  if (!IsSafeName(name) || folder.find(u'\0') != std::u16string::npos) return {};
  std::string path = platform::ToUtf8(folder);
  if (path.empty()) return {};
  if (path.back() != '/') path += '/';
  return path + platform::ToUtf8(name);
}

bool PlanFatClusters(const FATVOLUMERECORD* rec, const FatRecoverRequest& request,
                     std::vector<std::uint32_t>* clusters, bool* complete) {
  *complete = false;
  const FatChainView view = ChainViewOf(rec);
  const std::uint32_t clusterBytes = FatClusterBytes(rec);
  if (!view.ok() || clusterBytes == 0) return false;
  const std::uint32_t first = request.firstCluster;
  if (!view.InData(first)) {
    if (first < 2) platform::ShowMessage(kMsgClusterAbnormal, MsgButtons::Ok, MsgIcon::Error);
    return false;
  }
  const std::uint64_t needed = (std::uint64_t{request.size} + clusterBytes - 1) / clusterBytes;
  if (needed > view.lastCluster - 1) return false;  // more than the volume holds
  const auto limit = static_cast<std::uint32_t>(needed);

  // Deleting a file frees its chain: a deleted file's first cluster that is in use again holds
  // another file's data, whichever way the clusters are taken.
  if (request.deleted && view.Entry(first) != 0) {
    platform::ShowMessage(kMsgDataOverwritten);
    return false;
  }
  if (request.method == kFatRecoverLinear) {
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

int RecoverFatFileRequest(FATVOLUMERECORD* rec, const FatRecoverRequest& request) {
  if (request.saveFolder.empty()) {
    platform::ShowMessage(kMsgNoSaveFolder);
    return 0;
  }
  if (!rec || rec->bytesPerSector == 0) return 0;
  if (request.method == kFatRecoverSector) return SaveSectors(rec, request);
  if (request.size == 0) {
    // An empty file has no cluster (its first cluster is usually 0).
    return OpenOutput(request) ? 1 : 0;
  }
  std::vector<std::uint32_t> clusters;
  bool complete = false;
  if (!PlanFatClusters(rec, request, &clusters, &complete)) return 0;
  File out = OpenOutput(request);
  if (!out) return 0;
  if (!WriteClusters(rec, out.get(), clusters, request.size)) return 0;
  if (std::fflush(out.get()) != 0) return 0;
  return complete ? 1 : 0;
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
