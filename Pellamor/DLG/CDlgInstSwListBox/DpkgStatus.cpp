#include "Pellamor/DLG/CDlgInstSwListBox/DpkgStatus.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace instsw {
namespace {

constexpr std::size_t kChunk = 64 * 1024;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// "want flag status": the package is on the disk when the third word is "installed".
bool IsInstalled(std::string_view status) {
  int word = 0;
  std::size_t i = 0;
  while (i < status.size()) {
    while (i < status.size() && (status[i] == ' ' || status[i] == '\t')) ++i;
    if (i == status.size()) break;
    std::size_t end = i;
    while (end < status.size() && status[end] != ' ' && status[end] != '\t') ++end;
    if (++word == 3) return status.substr(i, end - i) == "installed";
    i = end;
  }
  return false;
}

class StanzaReader {
 public:
  void Line(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (Trim(line).empty()) {
      EndStanza();
      return;
    }
    if (line.front() == ' ' || line.front() == '\t') return;  // continuation of a field we do not read
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return;
    const std::string_view name = line.substr(0, colon);
    const std::string_view value = Trim(line.substr(colon + 1));
    if (SameName(name, "Package")) package_.assign(value);
    else if (SameName(name, "Architecture")) arch_.assign(value);
    else if (SameName(name, "Status")) installed_ = IsInstalled(value);
  }

  void EndStanza() {
    if (installed_ && !package_.empty()) {
      found_.emplace_back(package_, arch_);
      ++perName_[package_];
    }
    package_.clear();
    arch_.clear();
    installed_ = false;
  }

  QStringList Names() const {
    QStringList names;
    names.reserve(static_cast<qsizetype>(found_.size()));
    for (const auto& [package, arch] : found_) {
      const bool several = perName_.at(package) > 1 && !arch.empty();
      names << QString::fromStdString(several ? package + ":" + arch : package);
    }
    return names;
  }

 private:
  std::string package_;
  std::string arch_;
  bool installed_ = false;
  std::vector<std::pair<std::string, std::string>> found_;
  std::unordered_map<std::string, int> perName_;
};

}  // namespace

std::optional<QStringList> InstalledPackages(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  StanzaReader reader;
  std::vector<char> chunk(kChunk);
  std::string line;  // never more than kMaxLine bytes
  bool skipping = false;
  bool failed = false;
  for (;;) {
    const ssize_t n = ::read(fd, chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      failed = true;
      break;
    }
    if (n == 0) break;
    std::string_view rest(chunk.data(), static_cast<std::size_t>(n));
    while (!rest.empty()) {
      const std::size_t newline = rest.find('\n');
      const std::string_view piece = rest.substr(0, newline);
      if (!skipping) {
        if (line.size() + piece.size() > kMaxLine) {
          skipping = true;  // too long: dropped up to its end
          line.clear();
        } else {
          line.append(piece);
        }
      }
      if (newline == std::string_view::npos) break;
      if (!skipping) reader.Line(line);
      line.clear();
      skipping = false;
      rest.remove_prefix(newline + 1);
    }
  }
  ::close(fd);
  if (failed) return std::nullopt;
  if (!skipping && !line.empty()) reader.Line(line);  // no final newline
  reader.EndStanza();
  return reader.Names();
}

}  // namespace instsw
