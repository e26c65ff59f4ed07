// The folder of the running program, where its modules live.
#pragma once

#include <string>

namespace platform {

// Full path of the program's executable (from /proc/self/exe).
std::string ProgramPath();

// Folder of the executable, without a trailing "/". Tests may override it.
std::string ProgramFolder();
void SetProgramFolderOverride(const std::string& folder);  // empty removes the override

// Joins the program folder and a file name.
std::string ProgramFile(const std::string& name);

}  // namespace platform
