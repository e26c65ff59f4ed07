// Verbs of engine_probe that each engine contributes.
#pragma once

#include <ostream>
#include <string>

#include "corvane/filesystem.h"

// Prints every entry of the open volume (see engine_probe.cpp for the line format). 0 on success.
int ProbeListFat(FILESYSTEMOBJ* fs, bool all, std::ostream& out, std::ostream& err);
int ProbeListExfat(FILESYSTEMOBJ* fs, bool all, std::ostream& out, std::ostream& err);
int ProbeListNtfs(FILESYSTEMOBJ* fs, bool all, std::ostream& out, std::ostream& err);

// Saves the entry at path into dir with the engine's save routine and prints the result.
int ProbeSaveFat(FILESYSTEMOBJ* fs, const std::string& path, const std::string& dir,
                 const std::string& method, std::ostream& out, std::ostream& err);
int ProbeSaveNtfs(FILESYSTEMOBJ* fs, const std::string& path, const std::string& dir,
                  std::ostream& out, std::ostream& err);
