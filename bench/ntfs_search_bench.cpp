// Times the NTFS search over a volume of at least 100,000 MFT records.
//
//   ntfs_search_bench [--records N] [--keep DIR]
//
// The volume is made at run time with mkntfs and filled through an ntfs-3g mount (files in
// folders of 1000, the last tenth deleted), in a temporary folder. Without the tools or a FUSE
// mount the benchmark says so and exits 0.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "corvane/filesystem.h"
#include "corvane/ntfs_record.h"
#include "corvane/ntfs_search.h"
#include "platform/drive_map.h"
#include "platform/message.h"

namespace {

bool Have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

int Shell(const std::string& command) { return std::system(("bash -c '" + command + "'").c_str()); }

bool BuildVolume(const std::string& dir, unsigned records) {
  const std::string img = dir + "/bench.img";
  const std::string mnt = dir + "/mnt";
  std::filesystem::create_directories(mnt);
  const unsigned megabytes = 64 + records / 512;  // room for 1 KiB records and their folders
  if (Shell("truncate -s " + std::to_string(megabytes) + "M " + img + " && PATH=$PATH:/usr/sbin:/sbin mkntfs -F -Q " +
            img + " >/dev/null 2>&1") != 0)
    return false;
  if (Shell("ntfs-3g " + img + " " + mnt + " 2>/dev/null") != 0) return false;
  // One small file per record; the last tenth is deleted at the end.
  const std::string fill =
      "python3 - " + mnt + " " + std::to_string(records) +
      " <<\"PY\"\n"
      "import os, sys\n"
      "root, n = sys.argv[1], int(sys.argv[2])\n"
      "for i in range(n):\n"
      "    d = os.path.join(root, \"d%03d\" % (i // 1000))\n"
      "    if i % 1000 == 0: os.mkdir(d)\n"
      "    open(os.path.join(d, \"f%06d.txt\" % i), \"w\").write(\"x\" * (i % 700))\n"
      "for i in range(n - n // 10, n):\n"
      "    os.remove(os.path.join(root, \"d%03d\" % (i // 1000), \"f%06d.txt\" % i))\n"
      "PY";
  const int rc = Shell(fill);
  Shell("umount " + mnt);
  return rc == 0;
}

double TimeSearch(NTFSVOLUMERECORD* state, bool deletedOnly, std::uint32_t* found) {
  NtfsSearchOptions options;
  options.deletedOnly = deletedOnly;
  const auto start = std::chrono::steady_clock::now();
  NtfsSearchResult r = SearchMft(state, options, nullptr);
  const auto end = std::chrono::steady_clock::now();
  *found = r.count;
  FreeNtfsEntryArray(r.entries, r.count);
  return std::chrono::duration<double>(end - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  unsigned records = 100000;
  std::string keep;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::string(argv[i]) == "--records") records = static_cast<unsigned>(std::stoul(argv[i + 1]));
    if (std::string(argv[i]) == "--keep") keep = argv[i + 1];
  }
  if (!Have("mkntfs") && !Have("/usr/sbin/mkntfs")) {
    std::cout << "skipped: mkntfs missing\n";
    return 0;
  }
  if (!Have("ntfs-3g") || !Have("python3") || !std::filesystem::exists("/dev/fuse")) {
    std::cout << "skipped: ntfs-3g, python3 or /dev/fuse missing\n";
    return 0;
  }
  std::string dir = keep;
  if (dir.empty()) {
    char pattern[] = "/tmp/ntfsbenchXXXXXX";
    if (!mkdtemp(pattern)) return 1;
    dir = pattern;
  }
  const std::string img = dir + "/bench.img";
  const auto built = std::chrono::steady_clock::now();
  if (!std::filesystem::exists(img) && !BuildVolume(dir, records)) {
    std::cout << "skipped: the volume could not be made (no FUSE mount?)\n";
    if (keep.empty()) std::filesystem::remove_all(dir);
    return 0;
  }
  std::cout << "volume ready in "
            << std::chrono::duration<double>(std::chrono::steady_clock::now() - built).count()
            << " s\n";

  platform::RecordingMessageSink sink;
  platform::ScopedMessageSink guard(&sink);
  platform::DriveMap::Instance().Configure({"E=" + img}, nullptr, false);
  FILESYSTEMOBJ fs{};
  InitFileSystem(&fs, 'E');
  m_pFileSystem = &fs;
  int rc = 1;
  if (OpenFileSystem(&fs) && fs.ntfs && OpenNtfsState(fs.ntfs, 'E')) {
    const std::uint64_t count = MftRecordCount(fs.ntfs);
    std::uint32_t found = 0;
    for (bool deletedOnly : {false, true}) {
      double best = 1e30;
      for (int run = 0; run < 3; ++run) best = std::min(best, TimeSearch(fs.ntfs, deletedOnly, &found));
      std::printf("%-13s records %llu  entries %u  best of 3: %.3f s  %.0f records/s\n",
                  deletedOnly ? "deleted only" : "all records", static_cast<unsigned long long>(count),
                  found, best, count / best);
    }
    rc = 0;
  } else {
    std::cerr << "cannot open the benchmark volume\n";
  }
  FreeFileSystem(&fs);
  m_pFileSystem = nullptr;
  if (keep.empty()) std::filesystem::remove_all(dir);
  return rc;
}
