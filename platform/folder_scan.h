// Reading the entries of a folder.
#pragma once

#include <functional>
#include <string>

namespace platform {

struct FolderEntry {
  std::u16string name;    // decoded from the file system's UTF-8 bytes
  bool isFolder = false;  // a folder, or a link that leads to one
};

// Calls visit for every entry of folder ("." and ".." left out) until visit returns false. An
// empty folder text means the working folder. False, with errno telling why, when the folder
// cannot be read; true when the scan ran (whether or not visit stopped it).
bool ScanFolder(const std::u16string& folder, const std::function<bool(const FolderEntry&)>& visit);

}  // namespace platform
