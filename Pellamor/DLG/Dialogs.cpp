// Every dialog joins here.
//
// A dialog lives in Pellamor/DLG/<ClassName>/ (its .h, .cpp and, when it has one, its .ui form;
// the build takes every source there) and has one class with a typed entry (Dialogs.h): its
// arguments and its result are types of its own, and the shell's code calls that entry. Its header
// band and button row come from Pellamor/DLG/DialogFrame.h; it reaches the open volume only
// through the drive session (CDriveSession::Current()). It is registered below by its class name
// with RegisterTyped, with a comment giving its arguments and result, so that the command table's
// names (RunDialog("CDlgMbrFixBox", diskNumber)) reach the typed entry. Registration is this
// explicit list, called once at start-up: static initialisers in a static library may be dropped
// by the linker.
#include "Pellamor/DLG/Dialogs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QWidget>

#include <map>

#include "Pellamor/DLG/CDirectSaveDlg/CDirectSaveDlg.h"
#include "Pellamor/DLG/CDiskHexDlg/CDiskHexDlg.h"
#include "Pellamor/DLG/CDlgAttrChangeBox/CDlgAttrChangeBox.h"
#include "Pellamor/DLG/CDlgDiskUsageBox/CDlgDiskUsageBox.h"
#include "Pellamor/DLG/CDlgFileTypeBox/CDlgFileTypeBox.h"
#include "Pellamor/DLG/CDlgInstSwListBox/CDlgInstSwListBox.h"
#include "Pellamor/DLG/CDlgRecoveryMethod/CDlgRecoveryMethod.h"
#include "Pellamor/DLG/CDlgScanBox_FAT/CDlgScanBox_FAT.h"
#include "Pellamor/DLG/CDlgSysInfoBox/CDlgSysInfoBox.h"
#include "Pellamor/DLG/CDlgVirtualDesktopBox/CDlgVirtualDesktopBox.h"
#include "Pellamor/DLG/CDriveBoxMainDlg/CDriveBoxMainDlg.h"
#include "Pellamor/DLG/CNTFSUndeleteDlg/CNTFSUndeleteDlg.h"
#include "Pellamor/DLG/CPropertyEditDlg/CPropertyEditDlg.h"
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
  RegisterDialogRunner("CDriveBoxMainDlg", &CDriveBoxMainDlg::Run);
  // Modeless, one box per selected row of the list given as the argument; gives the box count.
  RegisterDialogRunner("CDlgListInfoBox", [](QWidget*, const DialogArgs& args) {
    auto* list = args.isEmpty() ? nullptr : qobject_cast<QAbstractItemView*>(args.front().value<QObject*>());
    return list ? static_cast<int>(ShowListRowInfo(list).size()) : 0;
  });
  // Method of one queue item, or the form of a hand-made one. Args: name (QString), method code
  // (0 basic, 1 linear, 2 sector), first cluster (quint64), size (quint64), and a
  // CDlgRecoveryMethod::Result* that OK fills (size in bytes, the unit applied). Gives 1 OK, 0
  // cancel. ApplyRecoveryMethod writes an answer into an item and refreshes its texts.
  RegisterDialogRunner("CDlgRecoveryMethod", &CDlgRecoveryMethod::Run);
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
  RegisterDialogRunner("CDlgAttrChangeBox", &CDlgAttrChangeBox::Run);
  // NTFS deleted-data search. Args: the FILESYSTEMOBJ* (as void*). Gives 1 when the search was set
  // up (its entries published, even when cancelled), else 0.
  RegisterDialogRunner("CNTFSUndeleteDlg", &CNTFSUndeleteDlg::Run);
  // File-type filter. Args: optionally the APPSETTINGS* whose extension list and set OK fills
  // (default: the application's); OK also sets g_nSelectedExtensions. Gives 1 OK, 0 cancel.
  RegisterDialogRunner("CDlgFileTypeBox", &CDlgFileTypeBox::Run);
  // Root entries of a FAT drive. Arg: the drive letter (none or 0: the current drive). Refused
  // (0) while the queue saves; the open drive is closed first.
  RegisterDialogRunner("CDlgScanBox_FAT", &CDlgScanBox_FAT::Run);
  // Property check of one FAT entry. Arg: the entry's index in the engine's table.
  RegisterDialogRunner("CPropertyEditDlg", &CPropertyEditDlg::Run);
  // Disk usage. Arg: the drive shown at once, a text whose first character is the letter or the
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
