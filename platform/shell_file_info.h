// Desktop shell services: opening a file or folder with the program the desktop associates with it.
#pragma once

#include <string>

namespace platform {

// Hands an existing file or folder to the desktop's opener (xdg-open) without waiting for it.
// False when the path does not exist or no opener is installed.
bool OpenWithShell(const std::string& path);

}  // namespace platform
