#include "tests/tools/probe.h"

int ProbeListFat(FILESYSTEMOBJ*, bool, std::ostream&, std::ostream& err) {
  err << "list is not available for FAT volumes yet\n";
  return 2;
}

int ProbeListExfat(FILESYSTEMOBJ*, bool, std::ostream&, std::ostream& err) {
  err << "list is not available for exFAT volumes yet\n";
  return 2;
}

int ProbeSaveFat(FILESYSTEMOBJ*, const std::string&, const std::string&, const std::string&,
                 std::ostream&, std::ostream& err) {
  err << "save is not available for FAT volumes yet\n";
  return 2;
}
