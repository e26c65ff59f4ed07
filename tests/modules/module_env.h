// A program folder in a temporary directory holding copies of the real modules.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "corvane/dll_processor.h"
#include "corvane/module_table.h"
#include "platform/message.h"
#include "platform/program_folder.h"
#include "tests/support/test_support.h"

namespace module_env {

inline const std::vector<std::string> kAllModules = {
    "quorin.dll", "ntfs.dll", "exfat.dll", "cdfs.dll", "udf.dll", "thren.dll",
    "util.dll",   "sys.dll",  "ver.dll",   "disk.dll", "fs.dll",  "win.dll"};

// Copies files of the build folder into a fresh folder, optionally under another name.
class ProgramFolder {
 public:
  void Copy(const std::string& name, const std::string& as = {}) {
    std::filesystem::copy_file(testing_support::BinDir() + "/" + name, dir_.File(as.empty() ? name : as),
                               std::filesystem::copy_options::overwrite_existing);
  }
  void CopyAllBut(const std::vector<std::string>& left_out) {
    for (const std::string& m : kAllModules)
      if (std::find(left_out.begin(), left_out.end(), m) == left_out.end()) Copy(m);
  }
  const std::string& path() const { return dir_.path(); }

 private:
  testing_support::TempDir dir_;
};

// Points the loader at a folder and undoes the whole start-up afterwards.
class ScopedLoader {
 public:
  explicit ScopedLoader(const std::string& folder) : guard_(&sink_) {
    platform::SetProgramFolderOverride(folder);
  }
  ~ScopedLoader() {
    UnloadModules();
    platform::SetProgramFolderOverride("");
  }
  platform::RecordingMessageSink& sink() { return sink_; }

 private:
  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_;
};

// The full start-up from the build folder, for the tests that call the modules.
class StartedModules {
 public:
  StartedModules() : loader_(testing_support::BinDir()) {
    LoadModuleTable();
    BindAllModules();
    ok_ = CheckModuleExports() == 1;
    InitModules();
  }
  bool ok() const { return ok_; }

 private:
  ScopedLoader loader_;
  bool ok_ = false;
};

// A test suite that shares one full start-up among its tests.
class StartedSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { started_ = new StartedModules; }
  static void TearDownTestSuite() {
    delete started_;
    started_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(started_->ok()); }

 private:
  static inline StartedModules* started_ = nullptr;
};

}  // namespace module_env
