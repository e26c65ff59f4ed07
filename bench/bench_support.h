// What the benchmarks share: timing, running a program, making an NTFS volume through an
// ntfs-3g mount, and opening an image as drive E with its NTFS state ready.
#pragma once

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "corvane/filesystem.h"
#include "corvane/ntfs_record.h"
#include "platform/drive_map.h"
#include "platform/message.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

inline bool Have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

inline int Shell(const std::string& command) { return std::system(("bash -c '" + command + "'").c_str()); }

// Makes DIR/bench.img, an NTFS volume of `megabytes`, and fills it through a mount at DIR/mnt by
// the Python script `fill`, which gets the mount point and `count` as its arguments.
inline bool MakeNtfsVolume(const std::string& dir, unsigned megabytes, unsigned count, const std::string& fill) {
  const std::string img = dir + "/bench.img";
  const std::string mnt = dir + "/mnt";
  std::filesystem::create_directories(mnt);
  if (Shell("truncate -s " + std::to_string(megabytes) + "M " + img + " && PATH=$PATH:/usr/sbin:/sbin mkntfs -F -Q " +
            img + " >/dev/null 2>&1") != 0)
    return false;
  if (Shell("ntfs-3g " + img + " " + mnt + " 2>/dev/null") != 0) return false;
  const int rc = Shell("python3 - " + mnt + " " + std::to_string(count) + " <<\"PY\"\n" + fill + "PY");
  Shell("umount " + mnt);
  return rc == 0;
}

// Runs a program with its output thrown away: its time, and its peak resident bytes in *peak.
// -1 when it cannot run or fails.
inline double TimeProgram(std::vector<std::string> args, std::uint64_t* peak = nullptr) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const auto start = Clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return -1;
  const double seconds = Seconds(start);
  if (peak) *peak = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
  return seconds;
}

// An image mapped as drive E and opened, its NTFS state ready for the search; messages are
// kept, not shown.
class OpenedNtfsImage {
 public:
  explicit OpenedNtfsImage(const std::string& img) {
    platform::DriveMap::Instance().Configure({"E=" + img}, nullptr, false);
    InitFileSystem(&fs_, 'E');
    m_pFileSystem = &fs_;
    ok_ = OpenFileSystem(&fs_) && fs_.ntfs && OpenNtfsState(fs_.ntfs, 'E');
  }
  ~OpenedNtfsImage() {
    FreeFileSystem(&fs_);
    m_pFileSystem = nullptr;
  }
  OpenedNtfsImage(const OpenedNtfsImage&) = delete;
  OpenedNtfsImage& operator=(const OpenedNtfsImage&) = delete;

  bool ok() const { return ok_; }
  FILESYSTEMOBJ* fs() { return &fs_; }
  NTFSVOLUMERECORD* state() { return fs_.ntfs; }

 private:
  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
  FILESYSTEMOBJ fs_{};
  bool ok_ = false;
};

}  // namespace bench
