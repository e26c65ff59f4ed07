// Bootmend: an MBR view of one 512-byte block.
//
//   Bootmend -run gui
#include "Byteloom/Programs.h"

int main(int argc, char** argv) { return byteloom::ProgramMain(argc, argv, byteloom::BootmendProgram()); }
