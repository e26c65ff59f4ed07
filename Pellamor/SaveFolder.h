// The program-wide default save folder: set through the save-folder dialog, copied into every
// item the queue takes while set. Lives for the run; never stored. UI thread only.
#pragma once

#include <string>

// Empty at start.
extern std::u16string g_strDefaultSaveFolder;
// 1 while a default folder is set (never with an empty folder), 0 at start.
extern int g_bDefaultSaveFolderSet;
