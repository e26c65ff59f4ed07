#include "tests/support/test_support.h"

#include <stdio.h>
#include <sys/wait.h>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/drive_map.h"

namespace testing_support {

std::string Fixture(const std::string& name) {
  const char* dir = std::getenv("PELLAMOR_FIXTURES");
  return std::string(dir ? dir : PELLAMOR_FIXTURE_DIR) + "/" + name;
}

bool FixtureExists(const std::string& name) { return std::filesystem::exists(Fixture(name)); }

std::string BinDir() { return PELLAMOR_BIN_DIR; }

CommandResult Run(const std::string& command, bool mergeErr) {
  CommandResult r;
  std::string full = command + (mergeErr ? " 2>&1" : "");
  FILE* p = popen(full.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int status = pclose(p);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) out.push_back(line);
  return out;
}

std::vector<std::string> Fields(const std::string& line, char sep) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : line) {
    if (c == sep) {
      out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  out.push_back(cur);
  return out;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

TempDir::TempDir() {
  std::string templ = (std::filesystem::temp_directory_path() / "pellamor-test-XXXXXX").string();
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back(0);
  char* made = mkdtemp(buf.data());
  path_ = made ? made : "";
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

ScopedDrives::ScopedDrives(const std::vector<std::string>& sources) {
  platform::DriveMap::Instance().Configure(sources, nullptr, false);
}

ScopedDrives::~ScopedDrives() { platform::DriveMap::Instance().Configure({}, nullptr, false); }

OpenedVolume::OpenedVolume(char letter) : guard_(&sink_) {
  InitFileSystem(&fs_, letter);
  m_pFileSystem = &fs_;
  ok_ = OpenFileSystem(&fs_) == 1;
}

OpenedVolume::~OpenedVolume() {
  FreeFileSystem(&fs_);
  if (m_pFileSystem == &fs_) m_pFileSystem = nullptr;
}

namespace {

bool ParseNumber(const std::string& text, std::uint64_t& value) {
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, value);
  return !text.empty() && ec == std::errc() && p == end;
}

bool ParseFlag(const std::string& text, bool& value) {
  if (text != "0" && text != "1") return false;
  value = text == "1";
  return true;
}

}  // namespace

ProbeListing ProbeList(const std::string& image, bool all) {
  ProbeListing listing;
  const CommandResult r =
      Run(BinDir() + "/engine_probe list E:" + (all ? " --all" : "") + " --drive E=" + image);
  listing.exitCode = r.exitCode;
  listing.out = r.out;
  for (const std::string& line : Lines(r.out)) {
    const std::vector<std::string> f = Fields(line);
    ProbeEntry e;
    if (f.size() == 5 && ParseFlag(f[1], e.deleted) && ParseFlag(f[2], e.folder) && ParseNumber(f[3], e.size) &&
        ParseNumber(f[4], e.number)) {
      e.path = f[0];
      e.line = line;
      listing.entries.push_back(std::move(e));
    } else {
      listing.malformed.push_back(line);
    }
  }
  return listing;
}

CommandResult ProbeSave(const std::string& image, const std::string& path, const std::string& dir) {
  auto quote = [](const std::string& s) { return "'" + s + "'"; };
  return Run(BinDir() + "/engine_probe save E: " + quote(path) + " " + quote(dir) + " --drive E=" + quote(image),
             true);
}

}  // namespace testing_support
