// The scan module: scans the master file table of one NTFS drive on a team of threads, pass after
// pass until told to stop, and turns every user file into a row of texts. It reads the volume
// through the engine's NTFS record access and formats through the NTFS display module.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <vector>

#include "corvane/engine_hooks.h"
#include "corvane/ntfs_attrlist.h"
#include "corvane/ntfs_record.h"
#include "corvane/ntfs_records.h"
#include "corvane/ntfs_search.h"
#include "corvane/ntfs_walk.h"
#include "fs/fs_exports.h"
#include "ntfs/ntfs_exports.h"
#include "platform/drive_map.h"
#include "platform/fs_probe.h"
#include "platform/message.h"
#include "platform/processors.h"
#include "platform/volume_io.h"
#include "sys/sys_exports.h"
#include "util/util_exports.h"
#include "ver/version_forwarder.h"

namespace {

ModuleVersion g_version("fs.dll");
decltype(&::get_unicode_of_ascii) g_getUnicodeOfAscii = nullptr;
decltype(&::add_comma) g_addComma = nullptr;
decltype(&::get_system_errmsg) g_getSystemErrmsg = nullptr;
decltype(&::disp_struct_size_ntfs) g_dispSize = nullptr;
decltype(&::disp_struct_createdt_ntfs) g_dispCreated = nullptr;
decltype(&::disp_struct_accessdt_ntfs) g_dispAccessed = nullptr;
decltype(&::disp_struct_modifydt_ntfs) g_dispModified = nullptr;

class CfsApp {
 public:
  CfsApp() { InitInstance(); }
  int InitInstance() {
    g_version.Start(
        {"util.dll", "ver.dll", "sys.dll", "ntfs.dll"},
        {platform::Import("util.dll", "get_unicode_of_ascii", &g_getUnicodeOfAscii),
         platform::Import("util.dll", "add_comma", &g_addComma),
         platform::Import("sys.dll", "get_system_errmsg", &g_getSystemErrmsg),
         platform::Import("ntfs.dll", "disp_struct_size_ntfs", &g_dispSize),
         platform::Import("ntfs.dll", "disp_struct_createdt_ntfs", &g_dispCreated),
         platform::Import("ntfs.dll", "disp_struct_accessdt_ntfs", &g_dispAccessed),
         platform::Import("ntfs.dll", "disp_struct_modifydt_ntfs", &g_dispModified)},
        1);
    return 1;
  }
} theApp;

std::atomic<char16_t> g_wTargetDrive{0};
std::atomic<int> g_dwStopScan{0};

std::mutex g_sinkMutex;
SCANSINK g_sink;  // guarded by g_sinkMutex; copied when a scan starts

struct Volume {
  NTFSVOLUMERECORD* state = AllocNtfsRecord();
  ~Volume() { FreeNtfsRecord(state); }
};

// The name of the context, never past its field.
std::u16string NameOf(const NTFSFILEENTRY& e) {
  std::size_t n = 0;
  while (n < kNtfsNameCapacity && e.name[n] != 0) ++n;
  return std::u16string(e.name, n);
}

bool Stopping() { return g_dwStopScan.load(std::memory_order_relaxed) != 0; }

// Runs one pass over every record; false when it was stopped or failed before the end.
bool ScanPass(NTFSVOLUMERECORD* state, const SCANSINK& sink, std::vector<SCANFILEENTRY>* rows) {
  const std::uint64_t count = MftRecordCount(state);
  if (state->recordSize == 0 || count == 0) return !Stopping();
  ReadVolumeVersion(state);

  const int threads = platform::UsableProcessorCount();
  // Each thread fills its own context and rows: parallel records never share a record.
  std::vector<std::vector<SCANFILEENTRY>> found(static_cast<std::size_t>(threads));
  std::vector<NTFSFILEENTRY> contexts(static_cast<std::size_t>(threads));
  std::atomic<std::uint64_t> rowCount{0};

  MftWalkOptions walk;
  walk.threads = threads;
  walk.stop = [] { return Stopping(); };
  MftWalkCalls calls;
  calls.visit = [&](int t, std::uint64_t, std::uint64_t r, const std::uint8_t* record) {
    if (Stopping()) return false;
    NTFSFILEENTRY& context = contexts[static_cast<std::size_t>(t)];
    NtfsFileInfo info;
    if (!ParseFileRecord(record, state->recordSize, &info) || info.baseRecord != 0) return true;
    if (info.hasAttributeList)
      ResolveAttributeList(state, r, record, state->recordSize, &info, nullptr, false);
    if (!BuildNtfsEntry(info, r, state->sectorsPerCluster, &context)) return true;
    // Records 0-31 are the volume's own files; folders are not rows either.
    if (r < 32 || context.folder == 1) return true;
    SCANFILEENTRY row;
    row.name = NameOf(context);
    row.folder = context.folder;
    row.recordNumber = static_cast<std::int32_t>(r);
    row.system = 0;
    row.sizeText = g_dispSize(&context);
    row.created = g_dispCreated(&context);
    row.accessed = g_dispAccessed(&context);
    row.modified = g_dispModified(&context);
    found[static_cast<std::size_t>(t)].push_back(std::move(row));
    rowCount.fetch_add(1, std::memory_order_relaxed);
    return true;
  };
  calls.settle = [&](std::uint64_t, std::uint64_t base, std::uint64_t n, bool) {
    if (sink.progress) {
      const std::uint64_t last = base + n - 1;
      char text[64];
      std::snprintf(text, sizeof text, "(%llu/%llu) ", static_cast<unsigned long long>(last),
                    static_cast<unsigned long long>(count - 1));
      sink.progress(sink.context, platform::FromUtf8(text) + u"파일 분석..");
      std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(rowCount.load()));
      sink.progress(sink.context, g_addComma(platform::FromUtf8(text)) + u"개 찾음");
    }
    return !Stopping();
  };
  // A walk that ended early (a stop, a buffer that could not be had) is no complete pass.
  if (!WalkMft(state, count, walk, calls) || Stopping()) return false;
  rows->clear();
  for (auto& part : found)
    for (auto& row : part) rows->push_back(std::move(row));
  std::sort(rows->begin(), rows->end(),
            [](const SCANFILEENTRY& a, const SCANFILEENTRY& b) { return a.recordNumber < b.recordNumber; });
  return true;
}

}  // namespace

extern "C" {

char16_t set_disk_target(char16_t letter) {
  g_wTargetDrive.store(letter);
  return letter;
}

void set_scan_sink(const SCANSINK* sink) {
  std::lock_guard lock(g_sinkMutex);
  g_sink = sink ? *sink : SCANSINK{};
}

void sig_stop_scan() { g_dwStopScan.store(1); }

int scan_dir() {
  g_dwStopScan.store(0);
  SCANSINK sink;
  {
    std::lock_guard lock(g_sinkMutex);
    sink = g_sink;
  }
  char16_t letter = g_wTargetDrive.load();
  if (letter >= u'a' && letter <= u'z') letter = static_cast<char16_t>(letter - u'a' + u'A');
  const char drive = (letter >= u'A' && letter <= u'Z') ? static_cast<char>(letter) : 0;

  platform::DriveMap::Instance().EnsureConfigured();
  // 1. Boot area and file system: only an NTFS volume has a master file table to scan.
  auto probe = drive ? platform::ProbeDrive(drive) : std::nullopt;
  if (!probe) {
    platform::ShowMessage(u"부트영역을 읽을 수 없습니다.");
    return 0;
  }
  // 2. The volume, read-only.
  Volume volume;
  if (!volume.state) {
    platform::ShowMessage(u"드라이브를 열지 못했습니다. 다시 시도해 보세요.");
    return 0;
  }
  volume.state->volumeHandle = platform::OpenVolume(drive);
  if (!platform::IsValidHandle(volume.state->volumeHandle)) {
    volume.state->volumeHandle = platform::kInvalidHandle;
    platform::ShowMessage(u"드라이브에 액세스할 수 없습니다.");
    return 0;
  }
  volume.state->ownsVolumeHandle = true;
  // 3-4. Boot sector into the NTFS state, record size and record 0.
  if (probe->fileSystem != "NTFS" ||
      !platform::ReadAt(volume.state->volumeHandle, 0, volume.state->bootSector,
                        sizeof volume.state->bootSector) ||
      !AllocMftRecordBuffer(volume.state)) {
    platform::ShowMessage(u"드라이브를 열지 못했습니다. 다시 시도해 보세요.");
    return 0;
  }
  // 5. Pass after pass; each complete pass replaces the rows of the one before.
  std::vector<SCANFILEENTRY> rows;
  while (!Stopping()) {
    if (ScanPass(volume.state, sink, &rows) && sink.passDone) sink.passDone(sink.context, rows);
  }
  return 1;
}

std::int64_t read_runtime_module_version_fs(int a) { return g_version.Forward(a); }

}
