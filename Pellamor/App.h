// The application object: what exists before the first window, the start-up order (modules,
// profile, main window) and the end.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Pellamor/AppRecords.h"
#include "Pellamor/FormatMessage.h"

class CMainFrame;

class CPellamorApp {
 public:
  CPellamorApp();
  ~CPellamorApp();
  CPellamorApp(const CPellamorApp&) = delete;
  CPellamorApp& operator=(const CPellamorApp&) = delete;

  // Loads and checks the modules, loads the profile state and shows the main window. False
  // when start-up cannot go on.
  bool InitInstance();
  // Closes the drive and the window, then unloads the modules.
  void ExitInstance();
  // Opens a drive of the drive map once the window is up ("--open X:").
  bool OpenDriveAtStart(char letter);
  // The about command.
  void OnAppAbout();

  CMainFrame* MainFrame() const { return frame_.get(); }

  PRODUCTINFO productInfo;
  LanguageState language;
  APPSETTINGS settings;
  RECOVERYSIZESETTING recoverySize;
  CFormatMessage formatMessage;
  int ntfsSearchThreads = 1;
  int ntfsSearchThreadsCopy = 1;
  std::u16string appName;

 private:
  std::unique_ptr<CMainFrame> frame_;
  bool modulesLoaded_ = false;
};

// The one application object (null before it is built and after it is gone).
CPellamorApp* TheApp();

// The NTFS first scan: the engine's search on a worker behind a plain progress window.
int RunNtfsRootScan(struct FILESYSTEMOBJ* fs);
