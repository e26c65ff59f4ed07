#include "Byteloom/ProgramSkeleton.h"

#include <QApplication>
#include <QCoreApplication>

#include "platform/message.h"
#include "platform/program_folder.h"
#include "shared/CommandLineOptions.h"
#include "shared/DialogHeaderCtrl.h"
#include "shared/QtMessageSink.h"

namespace byteloom {

namespace {

constexpr int kMaxOptions = 4;

void Show(const QString& text) {
  platform::ShowMessage(text.toStdU16String(), platform::MsgButtons::Ok, platform::MsgIcon::None);
}

}  // namespace

HelperModules::~HelperModules() {
  platform::FreeModule(util);
  platform::FreeModule(ver);
}

QString MissingModuleText(const QString& programName) {
  return QString::fromUtf16(u"코르바네\n\n: 프로그램 구동에 필요한 파일이 없습니다.\n\n- %1 은(는) 코르바네의 일부 구성 요소를 필요로 합니다.")
      .arg(programName);
}

QString BadCommandLineText(const QString& programName) {
  return QString::fromUtf16(u"벨로닌SDK\n\n: 매개변수가 입력되지 않았습니다.\n\n- %1 은(는) 매개변수에 의한 명령형 실행 프로그램입니다.")
      .arg(programName);
}

void LoadHelperModules(HelperModules& modules, const QString& programName) {
  modules.ver = platform::LoadModule(platform::ProgramFile("ver.dll"));
  if (modules.ver) modules.util = platform::LoadModule(platform::ProgramFile("util.dll"));
  if (!modules.ver || !modules.util) {
    Show(MissingModuleText(programName));
    platform::ExitProcess(kMissingModule);
  }
  modules.getUnicodeOfAscii = platform::ModuleSymbol(modules.util, "get_unicode_of_ascii");
  modules.cvtSizeToUnit = platform::ModuleSymbol(modules.util, "cvt_size_to_unit");
  modules.addComma = platform::ModuleSymbol(modules.util, "add_comma");
  modules.compNum = platform::ModuleSymbol(modules.util, "comp_num");
  modules.readRuntimeModuleVersionAgent = platform::ModuleSymbol(modules.ver, "read_runtime_module_version_agent");
}

int RunProgram(const Program& program, const QStringList& arguments) {
  // The maker's name, as the main program's settings use it; nothing is stored.
  QCoreApplication::setOrganizationName(QStringLiteral("OrbaneLab"));
  QCoreApplication::setApplicationName(program.name);
  if (qobject_cast<QApplication*>(QCoreApplication::instance()))
    QApplication::setWindowIcon(CDialogHeaderCtrl::IconForId(128));

  HelperModules modules;
  LoadHelperModules(modules, program.name);

  CommandLineOptionMap options;
  const int count = ParseCommandLineOptions(options, arguments);
  bool ok = count >= 1 && count <= kMaxOptions;
  // A single option must be "-run" with a value; any value starts the dialog.
  if (ok && count == 1) ok = GetRunOption(options).has_value();
  if (!ok) {
    Show(BadCommandLineText(program.name));
    return kBadCommandLine;
  }

  std::unique_ptr<QDialog> dialog = program.makeDialog();
  if (!dialog) return 1;
  dialog->exec();
  return 0;
}

int ProgramMain(int argc, char** argv, const Program& program) {
  QApplication app(argc, argv);
  QtMessageSink sink(program.name);
  platform::SetMessageSink(&sink);
  const int status = RunProgram(program, QApplication::arguments());
  platform::SetMessageSink(nullptr);
  return status;
}

}  // namespace byteloom
