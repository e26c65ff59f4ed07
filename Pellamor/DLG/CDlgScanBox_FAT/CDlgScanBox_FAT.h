// "디스크 검색": lists the root entries of a FAT12/16/32 drive with their sizes. The box reads
// the drive with a volume object of its own that the drive session opens for it, so the open
// drive (tree, list and queue) is closed first, and everything the box read is freed when it
// closes.
#pragma once

#include <QDialog>
#include <QPointer>

#include "Pellamor/DLG/Dialogs.h"

class CDriveSession;
class QLineEdit;
class QPushButton;
class QTreeWidget;
struct FILESYSTEMOBJ;

class CDlgScanBox_FAT : public QDialog {
  Q_OBJECT

 public:
  // Opens `letter` through the drive session and lists its root; the list stays empty when that
  // fails, when there is no session or the volume is not FAT12/16/32.
  explicit CDlgScanBox_FAT(char letter, QWidget* parent = nullptr);
  ~CDlgScanBox_FAT() override;

  // File-system type code found; 0 when the volume could not be opened and read.
  int FileSystemType() const { return typeCode_; }
  QTreeWidget* List() const { return list_; }
  QLineEdit* CountEdit(int id) const;  // 1378 .. 1381
  QPushButton* CancelButton() const { return cancel_; }

  struct Args {
    char letter = 0;  // 0: the current drive
  };
  // Refuses while the recovery queue saves; else closes the open drive through the main frame
  // and runs the box. Result: exec(), 0 when refused.
  static int Open(QWidget* parent, const Args& args);
  // Registry values: the drive letter (as a number or a text).
  static Args ArgsFrom(const dlg::DialogArgs& values);

 private:
  void Scan(char letter);
  void Release();

  QPointer<CDriveSession> session_;
  FILESYSTEMOBJ* fs_ = nullptr;  // the session's private volume while the box lives
  int typeCode_ = 0;
  QTreeWidget* list_ = nullptr;
  QLineEdit* counts_[4] = {};
  QPushButton* cancel_ = nullptr;
};
