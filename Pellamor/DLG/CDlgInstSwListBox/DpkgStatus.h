// The installed packages of a dpkg status database, the stand-in for the system's uninstall key.
#pragma once

#include <QStringList>

#include <optional>
#include <string>

#include "Pellamor/DLG/CDlgInstSwListBox/DpkgStanzas.h"

namespace instsw {

// The packages of ReadInstalledPackages as the list shows them. Nothing when the file cannot be
// read.
std::optional<QStringList> InstalledPackages(const std::string& path);

}  // namespace instsw
