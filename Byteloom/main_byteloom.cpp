// Byteloom: a hex view of one 512-byte block.
//
//   Byteloom -run gui
#include "Byteloom/Programs.h"

int main(int argc, char** argv) { return byteloom::ProgramMain(argc, argv, byteloom::ByteloomProgram()); }
