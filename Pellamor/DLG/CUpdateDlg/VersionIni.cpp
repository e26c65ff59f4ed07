#include "Pellamor/DLG/CUpdateDlg/VersionIni.h"

#include <optional>

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// The text's lines, each without its line feed.
template <class F>
void ForEachLine(std::string_view text, F&& f) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (!f(text.substr(0, end))) return;
    if (end == std::string_view::npos) return;
    text.remove_prefix(end + 1);
  }
}

}  // namespace

std::string GetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view fallback) {
  bool inSection = false;
  std::optional<std::string> found;
  ForEachLine(text, [&](std::string_view raw) {
    const std::string_view line = Trim(raw);
    if (!line.empty() && line.front() == '[') {
      if (inSection) return false;  // the next section: the key is not there
      inSection = line.size() == section.size() + 2 && line.back() == ']' && line.substr(1, section.size()) == section;
      return true;
    }
    if (!inSection) return true;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos || Trim(line.substr(0, eq)) != key) return true;
    found = std::string(Trim(line.substr(eq + 1)).substr(0, kMaxIniValue));
    return false;
  });
  return found ? *found : std::string(fallback);
}

std::uint32_t IniNumber(std::string_view value) {
  if (value.empty() || value.size() > 10) return 0;
  std::uint64_t n = 0;
  for (char c : value) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return n <= 0xFFFFFFFFull ? static_cast<std::uint32_t>(n) : 0;
}
