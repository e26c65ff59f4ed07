// What the benchmarks share: timing and reports, their command line and the set-up of their
// volumes, running a program, making an NTFS volume through an ntfs-3g mount, and opening an
// image as drive E with its NTFS state ready.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "bench/bench_report.h"
#include "corvane/filesystem.h"
#include "corvane/ntfs_record.h"
#include "platform/drive_map.h"
#include "platform/message.h"
#include "platform/system_facts.h"

namespace bench {

// The system folders hold the mkfs tools; a user's PATH often lacks them.
inline constexpr const char* kToolPath = "PATH=\"$PATH:/usr/sbin:/sbin\"";

inline bool Have(const char* tool) {
  return std::system((std::string("export ") + kToolPath + "; command -v " + tool + " >/dev/null 2>&1").c_str()) ==
         0;
}

// The full path of a program found on PATH or in the system folders, or "" when there is none.
inline std::string ToolPath(const std::string& tool) {
  const char* path = std::getenv("PATH");
  std::string folders = std::string(path ? path : "") + ":/usr/sbin:/sbin:/usr/bin:/bin";
  for (std::size_t at = 0; at <= folders.size();) {
    const std::size_t end = std::min(folders.find(':', at), folders.size());
    const std::filesystem::path candidate = std::filesystem::path(folders.substr(at, end - at)) / tool;
    if (end > at && access(candidate.c_str(), X_OK) == 0) return candidate.string();
    at = end + 1;
  }
  return {};
}

// Runs `command` with bash (it must hold no single quote); its exit status.
inline int Shell(const std::string& command) {
  return std::system((std::string(kToolPath) + " bash -c '" + command + "'").c_str());
}

// Why an NTFS volume cannot be made here, or null when it can.
inline const char* MissingNtfsTools() {
  if (!Have("mkntfs")) return "mkntfs missing";
  if (!Have("ntfs-3g") || !Have("python3") || !std::filesystem::exists("/dev/fuse"))
    return "ntfs-3g, python3 or /dev/fuse missing";
  return nullptr;
}

// The folder a benchmark works in: the one given (made when missing, and kept), or else a new
// temporary one from `pattern` (ending in XXXXXX), removed with this object.
class WorkDir {
 public:
  WorkDir(const std::string& keep, const char* pattern) {
    if (!keep.empty()) {
      // Absolute, so that tools started in other folders (mcopy from its staging folder) find
      // what lies in it.
      std::error_code error;
      std::filesystem::create_directories(keep, error);
      if (!std::filesystem::is_directory(keep)) return;
      path_ = std::filesystem::absolute(keep, error).lexically_normal().string();
      while (path_.size() > 1 && path_.back() == '/') path_.pop_back();
      if (error) path_.clear();
      return;
    }
    std::string name = pattern;
    if (mkdtemp(name.data())) {
      path_ = name;
      temporary_ = true;
    }
  }
  ~WorkDir() {
    std::error_code error;
    if (temporary_) std::filesystem::remove_all(path_, error);
  }
  WorkDir(const WorkDir&) = delete;
  WorkDir& operator=(const WorkDir&) = delete;

  bool ok() const { return !path_.empty(); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool temporary_ = false;
};

// A path as one word of a Shell command.
inline std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// Gives a volume made as `part` its final name `img` once it is whole; a half-made one is
// removed, so that the next run makes it again instead of reading it.
inline bool KeepWhole(bool whole, const std::string& part, const std::string& img) {
  const bool kept = whole && Shell("mv -f " + Quoted(part) + " " + Quoted(img)) == 0;
  std::error_code error;
  if (!kept) std::filesystem::remove(part, error);
  return kept && std::filesystem::exists(img);
}

// Makes DIR/bench.img, an NTFS volume of `megabytes`, and fills it through a mount at DIR/mnt by
// the Python script `fill`, which gets the mount point and `count` as its arguments.
inline bool MakeNtfsVolume(const std::string& dir, unsigned megabytes, unsigned count, const std::string& fill) {
  const std::string img = dir + "/bench.img";
  const std::string part = img + ".part";
  const std::string mnt = dir + "/mnt";
  std::filesystem::create_directories(mnt);
  bool whole = Shell("rm -f " + Quoted(part) + " && truncate -s " + std::to_string(megabytes) + "M " +
                     Quoted(part) + " && mkntfs -F -Q " + Quoted(part) + " >/dev/null 2>&1") == 0 &&
               Shell("ntfs-3g " + Quoted(part) + " " + Quoted(mnt) + " 2>/dev/null") == 0;
  if (whole) {
    whole = Shell("python3 - " + Quoted(mnt) + " " + std::to_string(count) + " <<\"PY\"\n" + fill + "PY") == 0;
    whole = Shell("umount " + Quoted(mnt)) == 0 && whole;
  }
  return KeepWhole(whole, part, img);
}

// The records of the search benchmarks' volume when no size is asked for; a kept folder made
// with it serves every one of them.
constexpr unsigned kSearchVolumeRecords = 100000;

// Makes DIR/bench.img for the search benchmarks: `records` small files in folders of 1000, one
// MFT record each, the last tenth of them deleted at the end (or every one, `allDeleted`).
inline bool MakeSearchVolume(const std::string& dir, unsigned records, bool allDeleted = false) {
  std::filesystem::create_directories(dir);
  return MakeNtfsVolume(dir, 64 + records / 512, records,  // room for 1 KiB records and their folders
                        std::string("import os, sys\n"
                                    "root, n = sys.argv[1], int(sys.argv[2])\n"
                                    "for i in range(n):\n"
                                    "    d = os.path.join(root, \"d%03d\" % (i // 1000))\n"
                                    "    if i % 1000 == 0: os.mkdir(d)\n"
                                    "    open(os.path.join(d, \"f%06d.txt\" % i), \"w\").write(\"x\" * (i % 700))\n") +
                            (allDeleted ? "for i in range(n):\n" : "for i in range(n - n // 10, n):\n") +
                            "    os.remove(os.path.join(root, \"d%03d\" % (i // 1000), \"f%06d.txt\" % i))\n");
}

// The command line of a benchmark over volumes it makes: `--keep DIR` (the folder they are made
// in and kept for the next run) and one count option (--records, --files, --small) with its
// default.
struct BenchArgs {
  unsigned count = 0;
  std::string keep;
};

inline BenchArgs ParseBenchArgs(int argc, char** argv, const std::string& countOption, unsigned count) {
  BenchArgs args{count, {}};
  for (int i = 1; i + 1 < argc; ++i) {
    if (argv[i] == countOption) args.count = static_cast<unsigned>(std::stoul(argv[++i]));
    else if (std::string(argv[i]) == "--keep") args.keep = argv[++i];
  }
  return args;
}

// One volume of a benchmark: its file name in the working folder and what makes it there.
// A volume made through a FUSE mount may fail for want of one: the benchmark is then skipped.
struct BenchVolume {
  std::string name;
  std::function<bool(const std::string& dir)> make;
  bool skipWhenUnmade = true;
};

// The set-up every volume benchmark starts with: the tools checked (`missing` says which one
// is missing, or is null), the working folder made (--keep's, else a temporary one from
// `pattern`, ending in XXXXXX) and each volume that is not there yet made. Ready() is -1 when the
// benchmark goes on; else the exit status it ends with, having said why.
class BenchSetUp {
 public:
  BenchSetUp(const BenchArgs& args, const char* missing, const char* pattern, const std::vector<BenchVolume>& volumes) {
    if (missing) {
      std::printf("skipped: %s\n", missing);
      status_ = 0;
      return;
    }
    work_ = std::make_unique<WorkDir>(args.keep, pattern);
    if (!work_->ok()) {
      std::printf("cannot make the working folder\n");
      status_ = 1;
      return;
    }
    for (const BenchVolume& v : volumes) {
      const std::filesystem::path img = std::filesystem::path(work_->path()) / v.name;
      if (std::filesystem::exists(img) || v.make(img.parent_path().string())) continue;
      std::printf(v.skipWhenUnmade ? "skipped: %s could not be made (no FUSE mount?)\n" : "%s could not be made\n",
                  img.string().c_str());
      status_ = v.skipWhenUnmade ? 0 : 1;
      return;
    }
    std::fflush(stdout);
  }

  int Ready() const { return status_; }
  const std::string& dir() const { return work_->path(); }
  std::string Path(const std::string& name) const { return dir() + "/" + name; }

 private:
  std::unique_ptr<WorkDir> work_;
  int status_ = -1;
};

// Runs a program with its output thrown away: its time, its peak resident bytes in *peak and its
// processor time (user and system, in seconds) in *cpu. -1 when it cannot run or fails.
inline double TimeProgram(std::vector<std::string> args, std::uint64_t* peak = nullptr, double* cpu = nullptr) {
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
  if (cpu)
    *cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return seconds;
}

// A competing load: `processes` children that only burn CPU, started by the constructor and ended
// (killed and reaped) by the destructor; a child also ends when this process does.
class BusyLoad {
 public:
  explicit BusyLoad(int processes) {
    const auto parent = static_cast<pid_t>(platform::ProcessId());
    for (int i = 0; i < processes; ++i) {
      const pid_t pid = fork();
      if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(0);
        for (;;) __asm__ __volatile__("");  // burns its core until killed
      }
      if (pid > 0) children_.push_back(pid);
    }
  }
  ~BusyLoad() {
    for (pid_t pid : children_) kill(pid, SIGKILL);
    for (pid_t pid : children_) waitpid(pid, nullptr, 0);
  }
  BusyLoad(const BusyLoad&) = delete;
  BusyLoad& operator=(const BusyLoad&) = delete;

  int size() const { return static_cast<int>(children_.size()); }

 private:
  std::vector<pid_t> children_;
};

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
