#include "Pellamor/DLG/CDlgInstSwListBox/DpkgStatus.h"

namespace instsw {

std::optional<QStringList> InstalledPackages(const std::string& path) {
  const std::optional<std::vector<std::string>> found = ReadInstalledPackages(path);
  if (!found) return std::nullopt;
  QStringList names;
  names.reserve(static_cast<qsizetype>(found->size()));
  for (const std::string& name : *found) names << QString::fromStdString(name);
  return names;
}

}  // namespace instsw
