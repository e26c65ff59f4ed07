// list and save verbs of engine_probe for NTFS volumes.
#include <string>
#include <unordered_map>
#include <vector>

#include "corvane/ntfs_records.h"
#include "corvane/ntfs_save.h"
#include "platform/message.h"
#include "tests/tools/probe.h"

namespace {

constexpr std::int64_t kRootRecord = 5;

// Paths of every entry, built by walking parent record numbers up to the root. A parent the
// search did not list shows as "?N"; a loop stops the walk.
std::vector<std::string> BuildPaths() {
  std::unordered_map<std::int64_t, std::uint32_t> byRecord;
  for (std::uint32_t i = 0; i < g_dwNtfsEntryCount; ++i)
    byRecord.emplace(g_pNtfsEntries[i].recordNumber, i);
  std::vector<std::string> paths(g_dwNtfsEntryCount);
  for (std::uint32_t i = 0; i < g_dwNtfsEntryCount; ++i) {
    const NTFSFILEENTRY* e = &g_pNtfsEntries[i];
    std::string path = "/" + platform::ToUtf8(e->name);
    std::int64_t parent = e->parentRecordNumber;
    for (std::uint32_t depth = 0; parent != kRootRecord; ++depth) {
      auto it = byRecord.find(parent);
      if (it == byRecord.end() || depth > 1024) {
        path = "/?" + std::to_string(parent) + path;
        break;
      }
      const NTFSFILEENTRY& p = g_pNtfsEntries[it->second];
      path = "/" + platform::ToUtf8(p.name) + path;
      parent = p.parentRecordNumber;
    }
    paths[i] = path;
  }
  return paths;
}

bool Search(FILESYSTEMOBJ* fs, std::ostream& err) {
  if (!ReadRootDirectory(fs)) {
    err << "cannot search the volume\n";
    return false;
  }
  return true;
}

}  // namespace

int ProbeListNtfs(FILESYSTEMOBJ* fs, bool all, std::ostream& out, std::ostream& err) {
  if (!Search(fs, err)) return 1;
  const std::vector<std::string> paths = BuildPaths();
  for (std::uint32_t i = 0; i < g_dwNtfsEntryCount; ++i) {
    const NTFSFILEENTRY& e = g_pNtfsEntries[i];
    if (e.recordNumber == kRootRecord || (!all && !e.deleted)) continue;
    out << paths[i] << "\t" << e.deleted << "\t" << e.folder << "\t" << e.dataSize << "\t"
        << e.recordNumber << "\n";
  }
  return 0;
}

int ProbeSaveNtfs(FILESYSTEMOBJ* fs, const std::string& path, const std::string& dir,
                  std::ostream& out, std::ostream& err) {
  if (!Search(fs, err)) return 1;
  const std::vector<std::string> paths = BuildPaths();
  for (std::uint32_t i = 0; i < g_dwNtfsEntryCount; ++i) {
    if (paths[i] != path) continue;
    const NTFSFILEENTRY& e = g_pNtfsEntries[i];
    if (e.folder) {
      err << path << " is a folder\n";
      return 1;
    }
    if (!SaveNtfsFile(fs->ntfs, static_cast<std::uint32_t>(e.recordNumber), e.name,
                      platform::FromUtf8(dir), e.fileAttributes, &e)) {
      err << "save failed\n";
      return 1;
    }
    out << dir << "/" << platform::ToUtf8(e.name) << "\t" << e.dataSize << "\n";
    return 0;
  }
  err << "no entry " << path << "\n";
  return 1;
}
