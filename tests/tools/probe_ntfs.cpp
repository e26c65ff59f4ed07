#include "tests/tools/probe.h"

int ProbeListNtfs(FILESYSTEMOBJ*, bool, std::ostream&, std::ostream& err) {
  err << "list is not available for NTFS volumes yet\n";
  return 2;
}

int ProbeSaveNtfs(FILESYSTEMOBJ*, const std::string&, const std::string&, std::ostream&,
                  std::ostream& err) {
  err << "save is not available for NTFS volumes yet\n";
  return 2;
}
