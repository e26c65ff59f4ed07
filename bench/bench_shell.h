// The start of a benchmark that drives the shell offscreen: the application, messages kept
// instead of shown, and the modules loaded, bound, checked and started; unloaded at the end.
#pragma once

#include <QApplication>

#include <memory>

#include "corvane/dll_processor.h"
#include "corvane/module_table.h"
#include "platform/message.h"

namespace bench {

class ShellBench {
 public:
  ShellBench(int& argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QApplication>(argc, argv);
    LoadModuleTable();
    BindAllModules();
    ok_ = CheckModuleExports() == 1;
    if (ok_) InitModules();
  }
  ~ShellBench() {
    if (ok_) UnloadModules();
  }
  ShellBench(const ShellBench&) = delete;
  ShellBench& operator=(const ShellBench&) = delete;

  // False when a module lacks an export: nothing can be measured.
  bool ok() const { return ok_; }

 private:
  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
  std::unique_ptr<QApplication> app_;
  bool ok_ = false;
};

}  // namespace bench
