// The installed packages of a dpkg status database, without Qt (the fuzz entries link it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace instsw {

// The status database of the machine.
inline constexpr const char* kDpkgStatusFile = "/var/lib/dpkg/status";
// Longest line kept; a longer one is skipped to its end.
inline constexpr std::size_t kMaxLine = 64 * 1024;
// Largest status file read. Real ones are several MiB (some 3 KiB a package), so 64 MiB is far
// above any machine's, and it ends a file that never stops growing.
inline constexpr std::uint64_t kMaxStatusFile = 64u << 20;

// Takes a status file line by line (each without its '\n').
class StatusStanzas {
 public:
  void Line(std::string_view line);
  // Ends the last stanza: every stanza whose Status field's third word is "installed", by its
  // Package name ("name:arch" when the name is installed for more than one architecture), in file
  // order.
  std::vector<std::string> Finish();

 private:
  void EndStanza();

  std::string package_;
  std::string arch_;
  bool installed_ = false;
  std::vector<std::pair<std::string, std::string>> found_;
  std::unordered_map<std::string, int> perName_;
};

// The installed packages of the status file at `path`; nothing when it cannot be read (missing,
// no regular file, more than kMaxStatusFile bytes, a failed read).
std::optional<std::vector<std::string>> ReadInstalledPackages(const std::string& path);

}  // namespace instsw
