// The installed packages of a dpkg status database, the stand-in for the system's uninstall key.
#pragma once

#include <QStringList>

#include <optional>
#include <string>

namespace instsw {

// The status database of the machine.
inline constexpr const char* kDpkgStatusFile = "/var/lib/dpkg/status";
// Longest line kept; a longer one is skipped to its end.
inline constexpr std::size_t kMaxLine = 64 * 1024;

// Every stanza whose Status field's third word is "installed", by its Package name ("name:arch"
// when the name is installed for more than one architecture), in file order. Nothing when the
// file cannot be opened or read.
std::optional<QStringList> InstalledPackages(const std::string& path);

}  // namespace instsw
