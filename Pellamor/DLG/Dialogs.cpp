// Every dialog joins here.
//
// A dialog lives in Pellamor/DLG/<ClassName>/ (its .h, .cpp and, when it has one, its .ui form;
// the build takes every source there) and has one class with a typed entry (Dialogs.h): its
// arguments and its result are types of its own, and the shell's code calls that entry. Its header
// band and button row come from shared/DialogFrame.h; it reaches the open volume only
// through the drive session (CDriveSession::Current()). It is registered below by its class name
// with RegisterTyped, with a comment giving its arguments and result, so that the command table's
// names (RunDialog("CDlgMbrFixBox", diskNumber)) reach the typed entry. Registration is this
// explicit list, called once at start-up: static initialisers in a static library may be dropped
// by the linker.
#include "Pellamor/DLG/Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>

#include <map>

#include "Pellamor/DLG/CClusterViewer/CClusterViewer.h"
#include "Pellamor/DLG/CAboutSheet/CAboutSheet.h"
#include "Pellamor/DLG/CAboutSheet/OpenHomepage.h"
#include "Pellamor/DLG/CDirectSaveDlg/CDirectSaveDlg.h"
#include "Pellamor/DLG/CDiskHexDlg/CDiskHexDlg.h"
#include "Pellamor/DLG/CDlgAttrChangeBox/CDlgAttrChangeBox.h"
#include "Pellamor/DLG/CDlgDiskUsageBox/CDlgDiskUsageBox.h"
#include "Pellamor/DLG/CDlgFileTypeBox/CDlgFileTypeBox.h"
#include "Pellamor/DLG/CDlgMbrFixBox/CDlgMbrFixBox.h"
#include "Pellamor/DLG/CDlgInstSwListBox/CDlgInstSwListBox.h"
#include "Pellamor/DLG/CDlgRecoveryMethod/CDlgRecoveryMethod.h"
#include "Pellamor/DLG/CDlgScanBox_FAT/CDlgScanBox_FAT.h"
#include "Pellamor/DLG/CDlgSysInfoBox/CDlgSysInfoBox.h"
#include "Pellamor/DLG/CDlgVirtualDesktopBox/CDlgVirtualDesktopBox.h"
#include "Pellamor/DLG/CDriveBoxMainDlg/CDriveBoxMainDlg.h"
#include "Pellamor/DLG/CLangBox/CLangBox.h"
#include "Pellamor/DLG/CNTFSUndeleteDlg/CNTFSUndeleteDlg.h"
#include "Pellamor/DLG/CPropertyEditDlg/CPropertyEditDlg.h"
#include "Pellamor/DLG/CSetupPreferenceDlg/CSetupPreferenceDlg.h"
#include "Pellamor/DLG/CTipDlg/CTipDlg.h"
#include "Pellamor/DLG/CUpdateDlg/CUpdateDlg.h"
#include "Pellamor/DLG/ListInfoBox/DlgListInfoBox.h"

namespace dlg {

namespace {

std::map<QString, DialogRunner>& Registry() {
  static std::map<QString, DialogRunner> dialogs;
  return dialogs;
}

}  // namespace

void RegisterAllDialogs() {
  static bool done = false;
  if (done) return;
  done = true;
  // The target picker. Args: the page (2 drives when none), and optionally a
  // CDriveBoxMainDlg::Result* that receives the chosen letter (also in g_chCurrentDrive). Gives 1
  // when a drive was chosen, else 0.
  RegisterTyped<CDriveBoxMainDlg>("CDriveBoxMainDlg");
  // Modeless, one box per selected row of the list given as the argument (QObject*); gives the
  // box count.
  RegisterTyped<CDlgListInfoBox>("CDlgListInfoBox");
  // Method of one queue item, or the form of a hand-made one. Args: name (QString), method code
  // (0 basic, 1 linear, 2 sector), first cluster (quint64), size (quint64), and a
  // CDlgRecoveryMethod::Result* that OK fills (size in bytes, the unit applied). Gives 1 OK, 0
  // cancel. ApplyRecoveryMethod writes an answer into an item and refreshes its texts.
  RegisterTyped<CDlgRecoveryMethod>("CDlgRecoveryMethod");
  // Save folder. Args: mode (1, or none: the program-wide default folder g_strDefaultSaveFolder /
  // g_bDefaultSaveFolderSet, set on OK, flag 0 for an emptied folder; 0: folder of the selected
  // queue items), the initial folder (QString; default mode starts from the default folder), and
  // a CDirectSaveDlg::Result* whose folder OK fills (may be empty). Gives 1 OK, 0 cancel.
  RegisterTyped<CDirectSaveDlg>("CDirectSaveDlg");
  // Rename on conflict; run on the UI thread. Args: the existing name (QString) and a
  // CDlgAttrChangeBox::Result* that receives the target name (blanks at the ends trimmed; never
  // empty, "/", NUL, "." or ".."). Gives 1 (kRenamed: a new name, differing beyond letter case),
  // 2 (kOverwrite: the user confirmed writing over the existing entry, as the target name) or 0
  // (kCancelled: target name empty).
  RegisterTyped<CDlgAttrChangeBox>("CDlgAttrChangeBox");
  // NTFS deleted-data search. Args: the FILESYSTEMOBJ* (as void*). Gives 1 when the search was set
  // up (its entries published, even when cancelled), else 0.
  RegisterTyped<CNTFSUndeleteDlg>("CNTFSUndeleteDlg");
  // File-type filter. Args: optionally the APPSETTINGS* whose extension list and set OK fills
  // (default: the application's); OK also sets g_nSelectedExtensions. Gives 1 OK, 0 cancel.
  RegisterTyped<CDlgFileTypeBox>("CDlgFileTypeBox");
  // Root entries of a FAT drive. Arg: the drive letter (none or 0: the current drive). Refused
  // (0) while the queue saves; the open drive is closed first.
  RegisterTyped<CDlgScanBox_FAT>("CDlgScanBox_FAT");
  // Property check of one FAT entry. Arg: the entry's index in the engine's table. Gives exec().
  RegisterTyped<CPropertyEditDlg>("CPropertyEditDlg");
  // FAT cluster viewer of the open drive. Arg: the remembered row (int; -1 or none: cluster 0).
  // Gives the dialog's result, 0 when no FAT drive is open.
  RegisterTyped<CClusterViewer>("CClusterViewer");
  // MBR repair. Arg: the physical disk's number (int; none: -1, which reads nothing). Gives 0.
  RegisterTyped<CDlgMbrFixBox>("CDlgMbrFixBox");
  // Interface language, on the application's language state. No args. Gives 1 OK, 0 cancel.
  RegisterTyped<CLangBox>("CLangBox");
  // Tip of the day from help/tips.1042.txt in the program folder. No args. Gives 1.
  RegisterTyped<CTipDlg>("CTipDlg");
  // About sheet with the module list. Arg: the page shown first (0 modules, 1 notices). Gives 1.
  RegisterTyped<CAboutSheet>("CAboutSheet");
  // Preferences with the pages "데이터복구" and "업데이트". No args. Gives 1 OK, 0 cancel.
  RegisterTyped<CSetupPreferenceDlg>("CSetupPreferenceDlg");
  // Update check against the profile's Options/UpdateServer (else the built-in server), for the
  // program's version. No args. Gives 1 when the check ended with an outcome, 0 when cancelled.
  RegisterTyped<CUpdateDlg>("CUpdateDlg");
  // The homepage command: a question and no dialog. No args. Gives 1 when the page was opened.
  RegisterDialogRunner("HomePage", [](QWidget*, const DialogArgs&) { return AskAndOpenHomepage() ? 1 : 0; });
  // letter's character code (none, an empty text or 0: no drive). Gives 1 OK, 0 cancel.
  RegisterTyped<CDlgDiskUsageBox>("CDlgDiskUsageBox");
  // Installed software (the dpkg status database). No args. Gives 1 OK, 0 closed.
  RegisterTyped<CDlgInstSwListBox>("CDlgInstSwListBox");
  // System information (memory and processor facts of the machine). No args. Gives 1 OK, 0 closed.
  RegisterTyped<CDlgSysInfoBox>("CDlgSysInfoBox");
  // Virtual desktops (X11 windows of DISPLAY; inert elsewhere). No args. Gives 1 when closed with
  // 닫기, 0 otherwise; every hidden window is shown again either way.
  RegisterTyped<CDlgVirtualDesktopBox>("CDlgVirtualDesktopBox");
  // Disk hex editor over a fixed sample block (no sector is read). No args. Gives 1 OK, 0 cancel.
  RegisterTyped<CDiskHexDlg>("CDiskHexDlg");
}

void RegisterDialog(const QString& name, DialogFactory factory) {
  RegisterDialogRunner(name, [factory = std::move(factory)](QWidget* parent, const DialogArgs& args) {
    std::unique_ptr<QDialog> dialog = factory ? factory(parent, args) : nullptr;
    return dialog ? dialog->exec() : 0;
  });
}

void RegisterDialogRunner(const QString& name, DialogRunner runner) { Registry()[name] = std::move(runner); }

bool HasDialog(const QString& name) { return Registry().count(name) != 0; }

int IntArg(const DialogArgs& values, int index, int fallback) {
  if (index < 0 || index >= values.size()) return fallback;
  bool ok = false;
  const int value = values[index].toInt(&ok);
  return ok ? value : fallback;
}

QString StringArg(const DialogArgs& values, int index) {
  if (index < 0 || index >= values.size() || values[index].typeId() != QMetaType::QString) return {};
  return values[index].toString();
}

char LetterArg(const DialogArgs& values, int index) {
  if (index < 0 || index >= values.size()) return 0;
  const QVariant& v = values[index];
  if (v.typeId() == QMetaType::QString) {
    const QString text = v.toString();
    return text.isEmpty() ? 0 : text.front().toLatin1();
  }
  const int code = v.toInt();
  return code > 0 && code < 128 ? static_cast<char>(code) : 0;
}

int RunDialogArgs(const QString& name, const DialogArgs& args, QWidget* parent) {
  auto it = Registry().find(name);
  if (it == Registry().end() || !it->second) return 0;
  DialogRunner runner = it->second;  // a dialog may register others while it runs
  if (!parent) parent = QApplication::activeWindow();
  return runner(parent, args);
}

}  // namespace dlg
