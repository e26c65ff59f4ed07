// The drive picker: chooses the drive to open and stores its letter in g_chCurrentDrive.
// Arguments: the tab to show (0 disks, 1 partitions, 2 drives, 3 volumes, 4 image).
#pragma once

#include <QVariantList>

class QWidget;

class CDriveBoxMainDlg {
 public:
  // 1 when a drive was chosen, 0 otherwise.
  static int Run(QWidget* parent, const QVariantList& args);
};
