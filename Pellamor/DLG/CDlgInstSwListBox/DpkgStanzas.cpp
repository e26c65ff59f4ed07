#include "Pellamor/DLG/CDlgInstSwListBox/DpkgStanzas.h"

#include "platform/file_ops.h"

namespace instsw {
namespace {

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

}  // namespace

void StatusStanzas::Line(std::string_view line) {
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

void StatusStanzas::EndStanza() {
  if (installed_ && !package_.empty()) {
    found_.emplace_back(package_, arch_);
    ++perName_[package_];
  }
  package_.clear();
  arch_.clear();
  installed_ = false;
}

std::vector<std::string> StatusStanzas::Finish() {
  EndStanza();
  std::vector<std::string> names;
  names.reserve(found_.size());
  for (const auto& [package, arch] : found_) {
    const bool several = perName_.at(package) > 1 && !arch.empty();
    names.push_back(several ? package + ":" + arch : package);
  }
  return names;
}

std::optional<std::vector<std::string>> ReadInstalledPackages(const std::string& path) {
  StatusStanzas stanzas;
  if (!platform::ReadFileLines(path, kMaxStatusFile, kMaxLine, [&](std::string_view line) { stanzas.Line(line); }))
    return std::nullopt;
  return stanzas.Finish();
}

}  // namespace instsw
