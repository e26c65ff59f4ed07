// Verbs of engine_probe that each engine contributes.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "corvane/filesystem.h"
#include "corvane/save_control.h"

// Prints every entry of the open volume (see engine_probe.cpp for the line format). 0 on success.
int ProbeListFat(FILESYSTEMOBJ* fs, bool all, std::ostream& out, std::ostream& err);
int ProbeListExfat(FILESYSTEMOBJ* fs, bool all, std::ostream& out, std::ostream& err);
int ProbeListNtfs(FILESYSTEMOBJ* fs, bool all, std::ostream& out, std::ostream& err);

// Saves the entry at path into dir with the engine's save routine and prints the result.
int ProbeSaveFat(FILESYSTEMOBJ* fs, const std::string& path, const std::string& dir,
                 const std::string& method, std::ostream& out, std::ostream& err);
int ProbeSaveNtfs(FILESYSTEMOBJ* fs, const std::string& path, const std::string& dir,
                  std::ostream& out, std::ostream& err);
// Reports a failed save on err: "save failed", then ": " and the save's note when it gave one.
void ReportSaveFailure(const SaveControl& control, std::ostream& err);

// Prints the property-check texts of the FAT entry at path (as list prints it) on one line.
int ProbeProps(FILESYSTEMOBJ* fs, const std::string& path, std::ostream& out, std::ostream& err);

// The name of a FAT entry as list prints it: the long name when there is one, else the short one.
std::u16string FatEntryName(const FATDIRENTRY& e);

// A text as one field of a tab-separated line: UTF-8 with backslash, tab, CR, LF and other control
// characters escaped, so a field never breaks the line format.
std::string Field(std::u16string_view text);
