// Helpers shared by the test programs: fixture paths, commands, drive maps and opened volumes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "corvane/filesystem.h"
#include "platform/message.h"

namespace testing_support {

// Path of a fixture file made by tests/fixtures/make_images.sh.
std::string Fixture(const std::string& name);
bool FixtureExists(const std::string& name);
std::string BinDir();

struct CommandResult {
  int exitCode = -1;
  std::string out;
};
// Runs a shell command, capturing stdout (stderr too when mergeErr).
CommandResult Run(const std::string& command, bool mergeErr = false);

std::vector<std::string> Lines(const std::string& text);

// One line of `engine_probe list`: path, deleted and folder flags, size, and the first cluster or
// record number.
struct ProbeEntry {
  std::string path;
  bool deleted = false;
  bool folder = false;
  std::uint64_t size = 0;
  std::uint64_t number = 0;
  std::string line;  // as printed
};
struct ProbeListing {
  int exitCode = -1;
  std::string out;
  std::vector<ProbeEntry> entries;
  std::vector<std::string> malformed;  // lines that are not five well-formed fields
};
// `engine_probe list E:` of the image as drive E:; with `all` also the entries not deleted.
ProbeListing ProbeList(const std::string& image, bool all = false);
// `engine_probe save E: PATH DIR` of the image as drive E:, its stderr after its stdout.
CommandResult ProbeSave(const std::string& image, const std::string& path, const std::string& dir);
std::vector<std::string> Fields(const std::string& line, char sep = '\t');
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// A fresh temporary folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Replaces the drive map with the given "X=PATH" sources for the lifetime of the object.
class ScopedDrives {
 public:
  explicit ScopedDrives(const std::vector<std::string>& sources);
  ~ScopedDrives();
};

// Opens drive letter of the current drive map as m_pFileSystem, with a recording message sink.
class OpenedVolume {
 public:
  explicit OpenedVolume(char letter);
  ~OpenedVolume();
  bool ok() const { return ok_; }
  FILESYSTEMOBJ* fs() { return &fs_; }
  platform::RecordingMessageSink& sink() { return sink_; }

 private:
  FILESYSTEMOBJ fs_{};
  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_;
  bool ok_ = false;
};

// Skips the running test when a fixture is missing (a tool the script needs was absent).
#define REQUIRE_FIXTURE(name)                                                         \
  do {                                                                                \
    if (!testing_support::FixtureExists(name)) GTEST_SKIP() << "fixture " << name << " missing"; \
  } while (0)

}  // namespace testing_support
