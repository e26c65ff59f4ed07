// MBR repair ("MBR 복구"): the master boot record (sector 0) of one physical disk in the hex view,
// the partition-table choices, import and export of 512-byte sector images, and a save command
// that writes nothing (the suite never writes a disk).
#pragma once

#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>

#include "Pellamor/DLG/Dialogs.h"

class CByteloomBase;
class CDialogHeaderCtrl;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CDlgMbrFixBox : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kSectorSize = 512;

  struct Args {
    int disk = -1;  // the physical disk's number; -1 reads nothing
  };

  explicit CDlgMbrFixBox(QWidget* parent = nullptr);

  // Before the dialog is shown.
  void SetDriveNumber(int disk) { drive_ = disk; }
  int DriveNumber() const { return drive_; }

  // The sector as last read from the disk (zeros when no read succeeded), and whether one is held.
  const std::array<std::uint8_t, kSectorSize>& Sector() const { return mbr_; }
  bool HasSector() const { return haveSector_; }

  // Commands. Import and export take the chosen file; an empty path asks with a file dialog.
  void OnReread();
  void OnImport(const QString& chosen = QString());
  void OnExport(const QString& chosen = QString());
  void OnSave();
  void OnClose();

  CDialogHeaderCtrl* Header() const { return header_; }
  CByteloomBase* HexView() const { return hex_; }
  QLabel* DiskLabel() const { return diskLabel_; }
  QComboBox* RowList() const { return rowList_; }
  QComboBox* TypeList() const { return typeList_; }
  QComboBox* ActiveList() const { return activeList_; }
  QLineEdit* PathEdit() const { return pathEdit_; }
  QCheckBox* WriteFileCheck() const { return writeFile_; }
  QPushButton* RereadButton() const { return reread_; }
  QPushButton* ImportButton() const { return import_; }
  QPushButton* ExportButton() const { return export_; }
  QPushButton* SaveButton() const { return save_; }
  QPushButton* CloseButton() const { return close_; }

  // Runs the dialog modally for the disk; its result (0 when closed).
  static int Open(QWidget* parent, const Args& args);
  // Registry value: the disk number (int); none gives -1.
  static Args ArgsFrom(const dlg::DialogArgs& values);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void OnInitDialog();
  void ApplyHexSettings();
  // Reads sector 0 of the disk; `tell` reports a good re-read.
  void ReadMbr(bool tell);
  void FillLists();
  void ClearLists();
  void UpdateCommands();

  int drive_ = -1;
  std::array<std::uint8_t, kSectorSize> mbr_{};
  bool haveSector_ = false;
  bool initialised_ = false;

  CDialogHeaderCtrl* header_ = nullptr;
  CByteloomBase* hex_ = nullptr;
  QLabel* diskLabel_ = nullptr;
  QComboBox* rowList_ = nullptr;
  QComboBox* typeList_ = nullptr;
  QComboBox* activeList_ = nullptr;
  QLineEdit* pathEdit_ = nullptr;
  QCheckBox* writeFile_ = nullptr;
  QPushButton* reread_ = nullptr;
  QPushButton* import_ = nullptr;
  QPushButton* export_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* close_ = nullptr;
};
