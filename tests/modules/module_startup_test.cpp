#include <gtest/gtest.h>

#include "tests/modules/module_env.h"

namespace {

using module_env::ProgramFolder;

const char kMissingFile[] = "프로그램 구동에 필요한 파일이 없습니다. 프로그램을 다시 설치해 주십시오.";

struct Started {
  int status;
  std::string output;
};

// Starts the module through a helper program in the folder: the module binds its neighbours
// from the folder of the program that loads it.
Started Start(ProgramFolder& folder, const std::string& module) {
  folder.Copy("module_start_probe");
  auto r = testing_support::Run("cd " + folder.path() + " && ./module_start_probe " + module, true);
  return {r.exitCode, r.out};
}

TEST(ModuleStartUp, MissingNeighbourEndsTheProcessWithTheMessage) {
  struct Case {
    const char* module;
    std::vector<std::string> present;
  } cases[] = {
      {"ntfs.dll", {"ver.dll"}},               // util missing
      {"quorin.dll", {"ver.dll"}},
      {"exfat.dll", {"ver.dll"}},
      {"cdfs.dll", {"util.dll"}},              // ver missing
      {"udf.dll", {}},
      {"thren.dll", {}},
      {"win.dll", {}},
      {"util.dll", {}},
      {"sys.dll", {}},
      {"disk.dll", {}},
      {"fs.dll", {"util.dll", "ver.dll", "ntfs.dll"}},  // sys missing
  };
  for (const Case& c : cases) {
    ProgramFolder folder;
    folder.Copy(c.module);
    for (const auto& p : c.present) folder.Copy(p);
    Started s = Start(folder, c.module);
    EXPECT_NE(s.status, 0) << c.module;
    EXPECT_NE(s.output.find(kMissingFile), std::string::npos) << c.module << ": " << s.output;
    EXPECT_EQ(s.output.find("loaded"), std::string::npos) << c.module;
  }
}

TEST(ModuleStartUp, ModulesStartWithTheirNeighbours) {
  // ver present, util absent: the modules that need only ver do not notice.
  for (const char* module : {"win.dll", "sys.dll", "disk.dll", "cdfs.dll", "util.dll"}) {
    ProgramFolder folder;
    folder.Copy(module);
    folder.Copy("ver.dll");
    Started s = Start(folder, module);
    EXPECT_EQ(s.status, 0) << module << ": " << s.output;
    EXPECT_NE(s.output.find("loaded"), std::string::npos) << module;
  }
  ProgramFolder all;
  all.CopyAllBut({});
  for (const std::string& module : module_env::kAllModules) {
    Started s = Start(all, module);
    EXPECT_EQ(s.status, 0) << module << ": " << s.output;
  }
}

TEST(ModuleStartUp, NeighbourLackingAnExportEndsTheProcess) {
  // A util.dll without util's exports (here: ver.dll under util's name).
  ProgramFolder folder;
  folder.Copy("ntfs.dll");
  folder.Copy("ver.dll");
  folder.Copy("ver.dll", "util.dll");
  Started s = Start(folder, "ntfs.dll");
  EXPECT_NE(s.status, 0);
  EXPECT_NE(s.output.find(kMissingFile), std::string::npos) << s.output;
}

}  // namespace
