// The engine_probe verb that runs the recovery queue headless.
#pragma once

#include <ostream>
#include <string>

#include "corvane/filesystem.h"

// engine_probe queue X: FILE DIR: imports FILE for the open volume fs with the import's checks,
// points every item at DIR, runs the save loop (a taken name is answered with Cancel) and prints
// one line per item: name, state text ("보류" for a held item), note. 0 when the run took place.
int ProbeQueue(FILESYSTEMOBJ* fs, const std::string& file, const std::string& dir, std::ostream& out,
               std::ostream& err);
