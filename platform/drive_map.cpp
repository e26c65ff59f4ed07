#include "platform/drive_map.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/environment.h"
#include "platform/fs_probe.h"
#include "platform/partition_table.h"
#include "platform/volume_io.h"

namespace platform {
namespace {

std::string ReadSysText(const std::filesystem::path& p) {
  std::ifstream in(p);
  std::string s;
  std::getline(in, s);
  return s;
}

bool ParseOption(const std::string& text, char* letter, std::string* path) {
  if (text.size() < 3 || text[1] != '=') return false;
  char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  if (c < 'A' || c > 'Z') return false;
  *letter = c;
  *path = text.substr(2);
  return !path->empty();
}

}  // namespace

DriveMap& DriveMap::Instance() {
  static DriveMap map;
  return map;
}

void DriveMap::Clear() {
  std::lock_guard lock(mutex_);
  drives_.clear();
  disks_.clear();
  blockRoots_.reset();
  configured_ = true;
}

std::vector<std::string> DriveMap::Configure(const std::vector<std::string>& options,
                                             const char* env, bool blockDevices) {
  return Configure(options, env, blockDevices, BlockDeviceRoots{});
}

std::vector<std::string> DriveMap::Configure(const std::vector<std::string>& options,
                                             const char* env, bool blockDevices,
                                             const BlockDeviceRoots& roots) {
  std::lock_guard lock(mutex_);
  drives_.clear();
  disks_.clear();
  blockRoots_.reset();
  configured_ = true;
  std::vector<std::string> problems;
  auto add = [&](const std::string& text) {
    char letter = 0;
    std::string path, error;
    if (!ParseOption(text, &letter, &path)) {
      problems.push_back("bad drive option '" + text + "' (expected X=PATH)");
      return;
    }
    if (!AddSourceLocked(letter, path, &error)) problems.push_back(path + ": " + error);
  };
  std::vector<std::string> items(options);
  if (env) {
    std::string all(env);
    std::size_t start = 0;
    while (start <= all.size()) {
      std::size_t end = all.find(';', start);
      if (end == std::string::npos) end = all.size();
      std::string item = all.substr(start, end - start);
      if (!item.empty()) items.push_back(item);
      start = end + 1;
    }
  }
  // Letters that a source names stay free for it while partitions take the next free ones.
  reserved_.clear();
  for (const auto& item : items)
    if (item.size() >= 2 && item[1] == '=')
      reserved_ += static_cast<char>(std::toupper(static_cast<unsigned char>(item[0])));
  for (const auto& item : items) add(item);
  reserved_.clear();
  if (blockDevices) {
    blockRoots_ = roots;
    AddBlockDevicesLocked();
  }
  return problems;
}

void DriveMap::EnsureConfigured() {
  std::lock_guard lock(mutex_);
  if (configured_) return;
  DriveEnvironment env = ReadDriveEnvironment();
  Configure({}, env.DrivesText(), env.blockDevices);
}

bool DriveMap::LetterUsedLocked(char letter) const {
  return std::any_of(drives_.begin(), drives_.end(),
                     [&](const DriveEntry& d) { return d.letter == letter; });
}

char DriveMap::FreeLetterLocked(char from) const {
  for (char c = from; c <= 'Z'; ++c)
    if (!LetterUsedLocked(c) && (c == from || reserved_.find(c) == std::string::npos)) return c;
  return 0;
}

bool DriveMap::AddSource(char letter, const std::string& path, std::string* error) {
  std::lock_guard lock(mutex_);
  configured_ = true;
  return AddSourceLocked(letter, path, error);
}

bool DriveMap::AttachImage(const std::string& path, unsigned sectorSize, std::vector<char>* letters,
                           std::string* error) {
  std::lock_guard lock(mutex_);
  EnsureConfigured();
  letters->clear();
  if (sectorSize < 512 || sectorSize % 512 != 0) {
    *error = "sector size must be a multiple of 512";
    return false;
  }
  std::error_code ec;
  const auto canon = std::filesystem::weakly_canonical(path, ec);
  const std::string key = ec ? path : canon.string();
  auto same = [&](const std::string& other) {
    std::error_code e;
    return other == path || other == key || std::filesystem::equivalent(other, path, e);
  };
  for (const auto& d : drives_)
    if (same(d.path)) letters->push_back(d.letter);
  if (!letters->empty()) {
    std::sort(letters->begin(), letters->end());
    return true;
  }
  const char first = FreeLetterLocked('C');
  if (first == 0) {
    *error = "no free drive letter";
    return false;
  }
  const std::size_t before = drives_.size();
  if (!AddSourceLocked(first, path, error, sectorSize)) return false;
  for (std::size_t i = before; i < drives_.size(); ++i) letters->push_back(drives_[i].letter);
  return true;
}

bool DriveMap::AddSourceLocked(char letter, const std::string& path, std::string* error,
                               unsigned sectorSize) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (letter < 'A' || letter > 'Z') {
    *error = "drive letter must be A to Z";
    return false;
  }
  if (LetterUsedLocked(letter)) {
    *error = std::string("drive letter ") + letter + " is already assigned";
    return false;
  }
  int err = 0;
  Handle h = OpenRange(path, 0, 0, &err);
  if (h == kInvalidHandle) {
    *error = std::string("cannot open: ") + std::strerror(err);
    return false;
  }
  std::uint64_t length = HandleLength(h);
  std::uint8_t first[512] = {};
  bool readable = ReadAt(h, 0, first, sizeof first);
  if (readable && IsFileSystemBootSector(first, sizeof first)) {
    CloseHandle(h);
    drives_.push_back({letter, path, 0, length, false});
    return true;
  }
  PartitionScan scan;
  if (readable) {
    scan = ScanPartitionTable(
        [h](std::uint64_t off, void* buf, std::size_t len) { return ReadAt(h, off, buf, len); },
        length, sectorSize);
  }
  CloseHandle(h);
  if (!scan.hasTable || scan.partitions.empty()) {
    // Neither a known file system nor a usable partition table: still one volume, which the
    // engine will report as unrecognised or damaged.
    drives_.push_back({letter, path, 0, length, false});
    return true;
  }
  const int disk = static_cast<int>(disks_.size());
  disks_.push_back({disk, path, length, {}});
  char next = letter;
  for (const auto& p : scan.partitions) {
    next = FreeLetterLocked(next);
    if (next == 0) break;
    drives_.push_back({next, path, p.offset, p.length, false, disk, p.offset});
  }
  return true;
}

void DriveMap::AddBlockDevicesLocked() {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path root(blockRoots_->sysfs);
  if (!fs::exists(root, ec)) return;
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(root, ec)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  for (const auto& name : names) {
    if (name.rfind("loop", 0) == 0 || name.rfind("ram", 0) == 0 || name.rfind("zram", 0) == 0)
      continue;
    fs::path dir = root / name;
    std::string dev = (fs::path(blockRoots_->dev) / name).string();
    std::uint64_t sectors = std::strtoull(ReadSysText(dir / "size").c_str(), nullptr, 10);
    if (sectors == 0) continue;
    if (fs::exists(dir / "partition", ec)) {
      char letter = FreeLetterLocked('C');
      if (letter == 0) continue;
      fs::path disk = fs::canonical(dir, ec).parent_path();
      bool removable = ReadSysText(disk / "removable") == "1";
      // The holding disk is the partition's parent folder; sysfs counts the start in 512-byte
      // units whatever the disk's sector size.
      int number = -1;
      for (const PhysicalDisk& d : disks_) {
        std::error_code dec;
        if (!d.sysfsDir.empty() && fs::equivalent(d.sysfsDir, disk, dec)) number = d.number;
      }
      std::uint64_t start = std::strtoull(ReadSysText(dir / "start").c_str(), nullptr, 10);
      drives_.push_back({letter, dev, 0, sectors * 512, removable, number,
                         number >= 0 ? start * 512 : 0});
    } else {
      disks_.push_back({static_cast<int>(disks_.size()), dev, sectors * 512, dir.string()});
    }
  }
}

std::optional<DriveEntry> DriveMap::Find(char letter) {
  std::lock_guard lock(mutex_);
  EnsureConfigured();
  for (const auto& d : drives_)
    if (d.letter == letter) return d;
  return std::nullopt;
}

std::vector<DriveEntry> DriveMap::Drives() {
  std::lock_guard lock(mutex_);
  EnsureConfigured();
  auto out = drives_;
  std::sort(out.begin(), out.end(),
            [](const DriveEntry& a, const DriveEntry& b) { return a.letter < b.letter; });
  return out;
}

std::vector<PhysicalDisk> DriveMap::Disks() {
  std::lock_guard lock(mutex_);
  EnsureConfigured();
  return disks_;
}

std::optional<BlockDeviceRoots> DriveMap::BlockDevices() {
  std::lock_guard lock(mutex_);
  EnsureConfigured();
  return blockRoots_;
}

std::vector<std::string> DriveMap::TakeDriveOptions(std::vector<std::string>& args) {
  std::vector<std::string> out;
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--drive" && i + 1 < args.size()) {
      out.push_back(args[++i]);
    } else if (args[i].rfind("--drive=", 0) == 0) {
      out.push_back(args[i].substr(8));
    } else {
      rest.push_back(args[i]);
    }
  }
  args = rest;
  return out;
}

}  // namespace platform
