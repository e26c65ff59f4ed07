// The skeleton of the stand-alone programs: the support modules, the command line and the main
// dialog run modally. Byteloom and Bootmend differ only in their name and their dialog.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/module_loader.h"

namespace byteloom {

struct Program {
  QString name;  // "Byteloom" or "Bootmend": message captions and texts
  std::function<std::unique_ptr<QDialog>()> makeDialog;
};

// The support modules, bound and never called; freed with the object.
struct HelperModules {
  platform::ModuleHandle util = nullptr;
  platform::ModuleHandle ver = nullptr;
  void* getUnicodeOfAscii = nullptr;
  void* cvtSizeToUnit = nullptr;
  void* addComma = nullptr;
  void* compNum = nullptr;
  void* readRuntimeModuleVersionAgent = nullptr;

  HelperModules() = default;
  HelperModules(const HelperModules&) = delete;
  HelperModules& operator=(const HelperModules&) = delete;
  ~HelperModules();
};

// Exit status of a wrong command line.
inline constexpr int kBadCommandLine = 2;
// Exit status of a missing support module.
inline constexpr int kMissingModule = 1;

// "코르바네 ... 일부 구성 요소를 필요로 합니다." for the program.
QString MissingModuleText(const QString& programName);
// "벨로닌SDK ... 명령형 실행 프로그램입니다." for the program.
QString BadCommandLineText(const QString& programName);

// Loads ver.dll, then util.dll, from the program's folder (util.dll's own start-up needs ver.dll)
// and binds the five functions. A missing module shows the program's text and ends the process
// with kMissingModule.
void LoadHelperModules(HelperModules& modules, const QString& programName);

// The program once QApplication has taken its own arguments: its exit status (0 when the dialog
// was closed, kBadCommandLine for a wrong command line).
int RunProgram(const Program& program, const QStringList& arguments);

// main(): the application, the message sink captioned with the program's name, RunProgram.
int ProgramMain(int argc, char** argv, const Program& program);

}  // namespace byteloom
