#include "Pellamor/App.h"

#include <QApplication>
#include <QLocale>
#include <QThread>

#include <atomic>
#include <exception>
#include <memory>

#include "Pellamor/DLG/CNTFSUndeleteDlg/CNTFSUndeleteDlg.h"
#include "Pellamor/DLG/DRSaveBox/DRSaveBox.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/LeftView.h"
#include "Pellamor/MainFrame.h"
#include "Pellamor/WorkerJob.h"
#include "Pellamor/SeException.h"
#include "corvane/dll_processor.h"
#include "corvane/engine_hooks.h"
#include "corvane/filesystem.h"
#include "corvane/module_table.h"
#include "platform/message.h"
#include "platform/processors.h"

namespace {
CPellamorApp* g_app = nullptr;
}

CPellamorApp* TheApp() { return g_app; }

CPellamorApp::CPellamorApp() : appName(u"Pellamor") {
  g_app = this;
  InstallSeTranslator();
  // The NTFS search's team size: the processors this process may run on.
  ntfsSearchThreads = ntfsSearchThreadsCopy = platform::UsableProcessorCount();
}

CPellamorApp::~CPellamorApp() {
  ExitInstance();
  if (g_app == this) g_app = nullptr;
}

bool CPellamorApp::InitInstance() {
  // Each step ends the process itself when a module is missing or lacks an export.
  try {
    LoadModuleTable();
    modulesLoaded_ = true;
    BindAllModules();
    CheckModuleExports();
    InitModules();
  } catch (const std::exception& e) {
    platform::ShowMessage(platform::FromUtf8(e.what()), platform::MsgButtons::Ok, platform::MsgIcon::Error);
    return false;
  }
  if (!g_ModuleTable.empty()) {
    const VERSIONRECORD& v = g_ModuleTable.front().version;
    productInfo.SetProgramVersion(static_cast<int>(v.module[kVerA]), static_cast<int>(v.module[kVerB]),
                                  static_cast<int>(v.module[kVerC]), static_cast<int>(v.module[kVerD]));
  }
  language.defaultLangId = LangIdOfLocale(QLocale::system());
  language.Load();
  dlg::RegisterAllDialogs();
  SetNtfsRootScanner(&CNTFSUndeleteDlg::Scan);
  CMainFrame::SetQueueWindowFactory(&MakeQueueWindow);
  frame_ = std::make_unique<CMainFrame>();
  frame_->show();
  return true;
}

void CPellamorApp::ExitInstance() {
  frame_.reset();  // closes the drive: its workers stop before the engine state goes
  SetNtfsRootScanner(nullptr);
  CMainFrame::SetQueueWindowFactory({});
  if (modulesLoaded_) {
    UnloadModules();
    modulesLoaded_ = false;
  }
}

bool CPellamorApp::OpenDriveAtStart(char letter) {
  if (!frame_) return false;
  g_chCurrentDrive = letter;
  return frame_->OpenDrive();
}

void CPellamorApp::OnAppAbout() {
  if (frame_) frame_->RunDialog("CAboutSheet", 0);
}

int RunNtfsRootScan(FILESYSTEMOBJ* fs) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() != app->thread()) return SearchNtfsVolume(fs);

  // Neither keys nor the close button dismiss it: while it stands, no command may run against
  // the volume that the worker reads. It goes when the job's hand-over arrives.
  CLeftViewWaitDlg progress(QApplication::activeWindow());
  progress.SetText(QStringLiteral("목록 구성 중입니다. 잠시만 기다려 주십시오."));
  progress.setWindowTitle(QStringLiteral("Pellamor"));
  progress.setWindowModality(Qt::ApplicationModal);

  auto result = std::make_shared<std::atomic<int>>(0);
  std::unique_ptr<CWorkerJob> job =
      StartJob(&progress, [fs, result] { *result = SearchNtfsVolume(fs); }, [&progress] { progress.done(1); });
  if (!job) return SearchNtfsVolume(fs);
  progress.exec();
  job.reset();  // ended: joins at once
  return result->load();
}
