// Loads the module named on the command line from this program's folder, as the suite's programs
// do, and reports "loaded" when its start-up let it through.
#include <cstdio>
#include <string>

#include "platform/module_loader.h"
#include "platform/program_folder.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::string error;
  if (!platform::LoadModule(platform::ProgramFile(argv[1]), &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 3;
  }
  std::printf("loaded\n");
  return 0;
}
