// engine_probe: drives the recovery engine from the command line.
//
//   engine_probe info [--drive X=PATH ...]
//     letter, source path, byte offset, byte length, probed file system, type code after opening
//     (or the failure text), then the 13 geometry words.
//   engine_probe list X: [--all] [--drive X=PATH ...]
//     path from the root ("/" separators), deleted 0/1, folder 0/1, size in bytes, first cluster
//     (FAT, exFAT) or record number (NTFS).
//   engine_probe props X: PATH [--drive X=PATH ...]
//     the property-check texts of a FAT12/16/32 entry (PATH as list prints it), in the order of
//     the dialog's controls.
//   engine_probe save X: PATH DIR [--method basic|linear|sector] [--drive X=PATH ...]
//     saves the entry at PATH (as list prints it) into DIR with the engine's save (the method
//     for FAT volumes); prints DIR/name and the size, or on stderr "save failed" and, when the
//     save gave a reason, ": " and its note.
//   engine_probe db FILE [--write OUT]
//     a queue database file: first its header (item count, type code, file-system name or "-",
//     location flag, drive letter, export time "YYYY-MM-DD hh:mm:ss.mmm", weekday number), then
//     one line per item in file order (name, size text, method text, cluster text, state text,
//     save folder, type name, tick, icon, size, done, delete mark, held, note, cluster as added,
//     entry reference, method code; backslash, tab and control characters escaped). A file cut
//     short prints the items before the cut and says so on stderr. --write OUT writes the items
//     read to OUT with the queue's own writer.
//   engine_probe queue X: FILE DIR [--drive X=PATH ...]
//     imports the queue database FILE for drive X with the import's checks, points every item at
//     DIR, runs the queue's save loop (a name already taken in DIR is answered with Cancel), then
//     prints one line per item in queue order: name, state text ("보류" when held), note.
//
// Lines are tab-separated UTF-8 without a header. Any error exits non-zero with a message on
// stderr.
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "corvane/filesystem.h"
#include "platform/drive_map.h"
#include "platform/fs_probe.h"
#include "platform/message.h"
#include "tests/tools/probe.h"
#include "tests/tools/probe_db.h"
#include "tests/tools/probe_disk.h"
#include "tests/tools/probe_queue.h"

namespace {

// Prints every message to stderr, answers with the first button, and keeps the last text.
class ProbeSink : public platform::MessageSink {
 public:
  platform::MsgAnswer Show(std::u16string_view text, platform::MsgButtons buttons,
                           platform::MsgIcon) override {
    last = std::u16string(text);
    if (echo) std::cerr << platform::ToUtf8(text) << "\n";
    return platform::FirstAnswerOf(buttons);
  }
  [[noreturn]] void Exit(int code) override { std::exit(code == 0 ? 1 : code); }
  std::u16string last;
  bool echo = true;
};

int Usage() {
  std::cerr << "usage: engine_probe info | list X: [--all] | save X: PATH DIR [--method M]"
               " | db FILE [--write OUT] | queue X: FILE DIR | disks | partitions | extents"
               " | props X: PATH   [--drive X=PATH ...]\n";
  return 2;
}

struct OpenedVolume {
  FILESYSTEMOBJ fs{};
  bool open = false;
  ~OpenedVolume() {
    if (open) FreeFileSystem(&fs);
    if (m_pFileSystem == &fs) m_pFileSystem = nullptr;
  }
};

std::string Geometry(const VOLUMEGEOMETRY& g) {
  const std::uint32_t words[13] = {g.reservedSectors, g.lastSector, g.fat1First, g.fat1Last,
                                   g.fat2First, g.fat2Last, g.rootFirst, g.rootLast,
                                   g.rootSectors, g.firstDataSector, g.lastSector2,
                                   g.firstCluster, g.lastCluster};
  std::string out;
  for (std::uint32_t w : words) out += "\t" + std::to_string(w);
  return out;
}

int Info(ProbeSink& sink) {
  sink.echo = false;
  for (const auto& d : platform::DriveMap::Instance().Drives()) {
    auto probe = platform::ProbeDrive(d.letter);
    OpenedVolume v;
    InitFileSystem(&v.fs, d.letter);
    m_pFileSystem = &v.fs;
    sink.last.clear();
    v.open = true;
    std::string result = OpenFileSystem(&v.fs) ? std::to_string(v.fs.typeCode)
                                                : platform::ToUtf8(sink.last);
    std::cout << d.letter << "\t" << d.path << "\t" << d.offset << "\t" << d.length << "\t"
              << (probe ? probe->fileSystem : "-") << "\t" << result << Geometry(v.fs.geometry)
              << "\n";
  }
  return 0;
}

bool ParseLetter(const std::string& arg, char* letter) {
  if (arg.size() != 2 || arg[1] != ':') return false;
  *letter = arg[0];
  return true;
}

int OpenForWork(OpenedVolume& v, char letter) {
  InitFileSystem(&v.fs, letter);
  m_pFileSystem = &v.fs;
  v.open = true;
  if (!OpenFileSystem(&v.fs)) {
    std::cerr << "cannot open " << letter << ":\n";
    return 1;
  }
  return 0;
}

}  // namespace

void ReportSaveFailure(const SaveControl& control, std::ostream& err) {
  err << "save failed";
  if (!control.note.empty()) err << ": " << Field(control.note);
  err << "\n";
}

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  auto drives = platform::DriveMap::TakeDriveOptions(args);
  const char* devices = std::getenv("PELLAMOR_BLOCK_DEVICES");
  bool useDevices = drives.empty() && !(devices && std::string(devices) == "0");
  for (const auto& problem :
       platform::DriveMap::Instance().Configure(drives, std::getenv("PELLAMOR_DRIVES"), useDevices))
    std::cerr << problem << "\n";

  ProbeSink sink;
  platform::SetMessageSink(&sink);
  if (args.empty()) return Usage();
  const std::string verb = args[0];
  if (verb == "info") return Info(sink);
  if (verb == "disks") return ProbeDisks(std::cout, std::cerr);
  if (verb == "partitions") return ProbePartitions(std::cout, std::cerr);
  if (verb == "extents") return ProbeExtents(std::cout, std::cerr);
  if (verb == "db") return ProbeDb(std::vector<std::string>(args.begin() + 1, args.end()), std::cout, std::cerr);

  char letter = 0;
  if (args.size() < 2 || !ParseLetter(args[1], &letter)) return Usage();
  OpenedVolume v;
  if (int rc = OpenForWork(v, letter)) return rc;
  const std::uint32_t type = v.fs.typeCode;

  if (verb == "list") {
    bool all = args.size() > 2 && args[2] == "--all";
    if (IsFatType(type)) return ProbeListFat(&v.fs, all, std::cout, std::cerr);
    if (type == kFsExfat) return ProbeListExfat(&v.fs, all, std::cout, std::cerr);
    if (type == kFsNtfs) return ProbeListNtfs(&v.fs, all, std::cout, std::cerr);
  } else if (verb == "props") {
    if (args.size() < 3) return Usage();
    return ProbeProps(&v.fs, args[2], std::cout, std::cerr);
  } else if (verb == "save") {
    if (args.size() < 4) return Usage();
    std::string method = "basic";
    for (std::size_t i = 4; i + 1 < args.size(); ++i)
      if (args[i] == "--method") method = args[i + 1];
    if (IsFatType(type)) return ProbeSaveFat(&v.fs, args[2], args[3], method, std::cout, std::cerr);
    if (type == kFsNtfs) return ProbeSaveNtfs(&v.fs, args[2], args[3], std::cout, std::cerr);
  } else if (verb == "queue") {
    if (args.size() != 4) return Usage();
    return ProbeQueue(&v.fs, args[2], args[3], std::cout, std::cerr);
  } else {
    return Usage();
  }
  std::cerr << verb << " is not supported on " << platform::ToUtf8(GetFileSystemName(&v.fs)) << "\n";
  return 1;
}
