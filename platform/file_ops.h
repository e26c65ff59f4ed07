// Small questions and reads about the files and folders the shell saves into or loads.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The path names a folder (or a link that leads to one).
bool IsFolder(std::u16string_view path);

// The folder holds an entry of that plain name, of any kind (a dangling link included).
bool EntryExists(std::u16string_view folder, std::u16string_view name);

// The whole file at `path` (UTF-8) into *out; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>* out);

}  // namespace platform
