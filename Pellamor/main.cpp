// Pellamor: recovers files from FAT, exFAT and NTFS volumes.
//
//   Pellamor [--drive X=PATH]... [--open X:]
//
// --drive maps a drive letter to an image file or a block device; --open opens that drive once
// the main window is shown.
#include <QApplication>
#include <QLocale>
#include <QTimer>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "Pellamor/App.h"
#include "Pellamor/QtTranslation.h"
#include "shared/QtMessageSink.h"
#include "platform/drive_map.h"
#include "platform/environment.h"

namespace {

// "X:" or "X" gives the letter; anything else 0.
char DriveLetterOf(const std::string& text) {
  if (text.empty() || text.size() > 2 || !std::isalpha(static_cast<unsigned char>(text[0]))) return 0;
  if (text.size() == 2 && text[1] != ':') return 0;
  return static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  // The interface is Korean: type names from the MIME database follow the default locale.
  QLocale::setDefault(QLocale(QLocale::Korean, QLocale::SouthKorea));
  // Qt's own dialogs and buttons speak the interface's language too.
  InstallQtTranslation(QLocale());
  QtMessageSink sink;
  platform::SetMessageSink(&sink);

  std::vector<std::string> args(argv + 1, argv + argc);
  std::vector<std::string> drives = platform::DriveMap::TakeDriveOptions(args);
  char openLetter = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string value;
    if (args[i] == "--open" && i + 1 < args.size()) {
      value = args[++i];
    } else if (args[i].rfind("--open=", 0) == 0) {
      value = args[i].substr(7);
    } else {
      std::fprintf(stderr, "Pellamor: unknown argument %s\n", args[i].c_str());
      continue;
    }
    openLetter = DriveLetterOf(value);
    if (!openLetter) std::fprintf(stderr, "Pellamor: --open needs a drive letter such as F:, not %s\n", value.c_str());
  }
  const platform::DriveEnvironment env = platform::ReadDriveEnvironment();
  for (const std::string& problem :
       platform::DriveMap::Instance().Configure(drives, env.DrivesText(), env.blockDevices))
    std::fprintf(stderr, "Pellamor: %s\n", problem.c_str());

  int status = 0;
  {
    CPellamorApp app;
    if (!app.InitInstance()) return 1;
    if (openLetter) QTimer::singleShot(0, [&app, openLetter] { app.OpenDriveAtStart(openLetter); });
    status = QApplication::exec();
    app.ExitInstance();
  }
  platform::SetMessageSink(nullptr);
  return status;
}
