// list and save verbs of engine_probe for NTFS volumes.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "corvane/engine_hooks.h"
#include "corvane/ntfs_attrlist.h"
#include "corvane/ntfs_record.h"
#include "corvane/ntfs_records.h"
#include "corvane/ntfs_search.h"
#include "corvane/ntfs_save.h"
#include "platform/message.h"
#include "tests/tools/probe.h"

namespace {

constexpr std::int64_t kRootRecord = 5;
// A parent chain longer than this is shown cut, with the parent it stopped at.
constexpr std::uint32_t kMaxDepth = 1024;

// Paths of the entries, built by walking parent record numbers up to the root: "/" and the
// names of the ancestors and of the entry. A parent the search does not list shows as "?N"; a
// chain deeper than kMaxDepth (a loop) is cut there the same way. The prefix of each folder is
// built once and kept by its record number. With `readParents`, parents that the search left
// out (a deleted-only search leaves out the live folders) are read from the table on demand and
// taken as the full search would take them.
class PathBuilder {
 public:
  PathBuilder(NTFSVOLUMERECORD* state, bool readParents) : state_(state), readParents_(readParents) {}

  std::string PathOf(const NTFSFILEENTRY& e) {
    std::string path;
    AppendPath(e, &path);
    return path;
  }

  // Appends the entry's path to *text. Entries come in record order, so one folder's files
  // mostly follow each other: the prefix of the last parent is kept at hand.
  void AppendPath(const NTFSFILEENTRY& e, std::string* text) {
    const std::int64_t parent = e.parentRecordNumber;
    if (parent != kRootRecord) {
      if (!lastParentKnown_ || parent != lastParent_) {
        auto known = prefixes_.find(parent);
        lastPrefix_ = known != prefixes_.end() && known->second.depth <= kMaxDepth + 1 ? known->second.text
                                                                                       : PrefixOf(parent);
        lastParent_ = parent;
        lastParentKnown_ = true;
      }
      *text += lastPrefix_;
    }
    *text += '/';
    platform::AppendUtf8(e.name, text);
  }

 private:
  struct Node {
    bool listed;
    std::string name;
    std::int64_t parent;
  };
  struct Prefix {
    std::string text;
    std::uint32_t depth;  // ancestors named in it
  };

  // The first entry of the record, or null: the search gives its entries in record order.
  static const NTFSFILEENTRY* Listed(std::int64_t record) {
    const NTFSFILEENTRY* const begin = g_pNtfsEntries;
    const NTFSFILEENTRY* const end = begin + g_dwNtfsEntryCount;
    const NTFSFILEENTRY* e = std::lower_bound(begin, end, record, [](const NTFSFILEENTRY& a, std::int64_t r) {
      return a.recordNumber < r;
    });
    return e != end && e->recordNumber == record ? e : nullptr;
  }

  const Node* Find(std::int64_t record) {
    auto it = nodes_.find(record);
    if (it != nodes_.end()) return it->second.listed ? &it->second : nullptr;
    Node node{false, {}, 0};
    // A listed entry becomes a node the first time it is someone's parent.
    if (const NTFSFILEENTRY* entry = Listed(record)) {
      const NTFSFILEENTRY& e = *entry;
      node = Node{true, platform::ToUtf8(e.name), e.parentRecordNumber};
    } else if (readParents_ && record >= 0 && state_ && state_->recordSize) {
      std::vector<std::uint8_t> buffer(state_->recordSize);
      NtfsFileInfo info;
      const std::uint64_t r = static_cast<std::uint64_t>(record);
      const bool parsed = ReadMftRecord(state_, r, buffer.data()) &&
                          ParseFileRecord(buffer.data(), buffer.size(), &info) && info.baseRecord == 0;
      if (parsed && info.hasAttributeList)
        ResolveAttributeList(state_, r, buffer.data(), buffer.size(), &info, nullptr, false);
      if (parsed &&
          BuildNtfsEntry(info, static_cast<std::uint64_t>(record), state_->sectorsPerCluster, &scratch_))
        node = Node{true, platform::ToUtf8(scratch_.name), scratch_.parentRecordNumber};
    }
    auto placed = nodes_.emplace(record, std::move(node)).first;
    return placed->second.listed ? &placed->second : nullptr;
  }

  // What is put before the name of an entry whose parent is `parent`.
  std::string PrefixOf(std::int64_t parent) {
    std::vector<std::pair<std::int64_t, const Node*>> chain;
    std::string text;
    std::uint32_t baseDepth = 0;
    bool cut = false;
    for (std::int64_t p = parent;; ) {
      const std::uint32_t depth = static_cast<std::uint32_t>(chain.size());
      if (p == kRootRecord) break;
      auto known = prefixes_.find(p);
      if (known != prefixes_.end() && depth + known->second.depth <= kMaxDepth + 1) {
        text = known->second.text;
        baseDepth = known->second.depth;
        break;
      }
      const Node* node = Find(p);
      if (!node || depth > kMaxDepth) {
        text = "/?" + std::to_string(p);
        cut = node != nullptr;
        break;
      }
      chain.emplace_back(p, node);
      p = node->parent;
    }
    // A chain cut by its depth depends on where it was entered: it is not kept.
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      text += "/" + it->second->name;
      ++baseDepth;
      if (!cut) prefixes_[it->first] = Prefix{text, baseDepth};
    }
    return text;
  }

  NTFSVOLUMERECORD* state_;
  bool readParents_;
  std::unordered_map<std::int64_t, Node> nodes_;
  std::unordered_map<std::int64_t, Prefix> prefixes_;
  NTFSFILEENTRY scratch_{};
  bool lastParentKnown_ = false;
  std::int64_t lastParent_ = 0;
  std::string lastPrefix_;
};

// Every listed entry's path.
std::vector<std::string> BuildPaths(NTFSVOLUMERECORD* state, bool readParents) {
  PathBuilder builder(state, readParents);
  std::vector<std::string> paths(g_dwNtfsEntryCount);
  for (std::uint32_t i = 0; i < g_dwNtfsEntryCount; ++i) paths[i] = builder.PathOf(g_pNtfsEntries[i]);
  return paths;
}

bool Search(FILESYSTEMOBJ* fs, std::ostream& err) {
  if (!ReadRootDirectory(fs)) {
    err << "cannot search the volume\n";
    return false;
  }
  return true;
}

// The deleted entries only, as the scan dialog searches by default.
bool SearchDeleted(FILESYSTEMOBJ* fs, std::ostream& err) {
  if (!fs->ntfs || !OpenNtfsState(fs->ntfs, fs->driveLetter)) {
    platform::ShowMessage(u"드라이브를 열지 못했습니다. 다시 시도해 보세요.");
    err << "cannot search the volume\n";
    return false;
  }
  if (!SearchDeletedMftRecords(fs->ntfs, 1, 0, nullptr)) {
    err << "cannot search the volume\n";
    return false;
  }
  fs->currentDirectory = kRootRecord;
  return true;
}

}  // namespace

int ProbeListNtfs(FILESYSTEMOBJ* fs, bool all, std::ostream& out, std::ostream& err) {
  if (!(all ? Search(fs, err) : SearchDeleted(fs, err))) return 1;
  PathBuilder builder(fs->ntfs, !all);
  // The lines go out in pieces of about this size, written from one buffer.
  constexpr std::size_t kPiece = 64 * 1024;
  std::string text;
  text.reserve(kPiece + 4096);
  // Entries lie 2 KiB apart, too far for the processor to fetch the next ones by itself.
  constexpr std::uint32_t kAhead = 8;
  for (std::uint32_t i = 0; i < g_dwNtfsEntryCount; ++i) {
    if (i + kAhead < g_dwNtfsEntryCount) {
      __builtin_prefetch(&g_pNtfsEntries[i + kAhead].name);
      __builtin_prefetch(&g_pNtfsEntries[i + kAhead].dataSize);
    }
    const NTFSFILEENTRY& e = g_pNtfsEntries[i];
    if (e.recordNumber == kRootRecord || (!all && !e.deleted)) continue;
    builder.AppendPath(e, &text);
    for (long long field : {static_cast<long long>(e.deleted), static_cast<long long>(e.folder),
                            static_cast<long long>(e.dataSize), static_cast<long long>(e.recordNumber)}) {
      char digits[24];
      const auto printed = std::to_chars(digits, digits + sizeof digits, field);
      text += '\t';
      text.append(digits, printed.ptr);
    }
    text += '\n';
    if (text.size() >= kPiece) {
      out.write(text.data(), static_cast<std::streamsize>(text.size()));
      text.clear();
    }
  }
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  return 0;
}

int ProbeSaveNtfs(FILESYSTEMOBJ* fs, const std::string& path, const std::string& dir,
                  std::ostream& out, std::ostream& err) {
  if (!Search(fs, err)) return 1;
  const std::vector<std::string> paths = BuildPaths(fs->ntfs, false);
  for (std::uint32_t i = 0; i < g_dwNtfsEntryCount; ++i) {
    if (paths[i] != path) continue;
    const NTFSFILEENTRY& e = g_pNtfsEntries[i];
    if (e.folder) {
      err << path << " is a folder\n";
      return 1;
    }
    SaveControl control;
    if (!SaveNtfsFile(fs->ntfs, static_cast<std::uint32_t>(e.recordNumber), e.name,
                      platform::FromUtf8(dir), e.fileAttributes, &e, &control)) {
      ReportSaveFailure(control, err);
      return 1;
    }
    out << dir << "/" << platform::ToUtf8(e.name) << "\t" << e.dataSize << "\n";
    return 0;
  }
  err << "no entry " << path << "\n";
  return 1;
}
