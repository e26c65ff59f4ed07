// Disk usage ("디스크 사용량"): the used, free and total space of one drive as numbers and as a
// pie. A worker lists the drives; choosing one measures it.
#pragma once

#include <QDialog>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

#include "Pellamor/DLG/Dialogs.h"

class CDialogHeaderCtrl;
class CPieProgress;
class CWorkerJob;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CDlgDiskUsageBox : public QDialog {
  Q_OBJECT

 public:
  struct Args {
    char letter = 0;  // the drive shown at once; 0 for none
  };

  // Total and free bytes of a drive's volume; false when it cannot be measured.
  using SpaceSource = std::function<bool(char letter, std::uint64_t* total, std::uint64_t* free)>;
  // The drive list's entries, "(C:) 로컬디스크/플래시드라이브"; called on the worker.
  using ListSource = std::function<QStringList()>;

  // Process-wide sources (empty restores the default: platform::VolumeSpace, the drive map).
  static void SetSpaceSource(SpaceSource source);
  static void SetListSource(ListSource source);
  // The entries of the drive map's roots whose type has a name.
  static QStringList DriveListTexts();
  // The name of a drive type; null for a type outside 0..6.
  static const char16_t* DriveTypeName(int type);

  explicit CDlgDiskUsageBox(QWidget* parent = nullptr, char letter = 0);
  ~CDlgDiskUsageBox() override;  // stops and joins the worker

  // Shows the drive's figures: 1 shown, 0 failed (the reason told, the figures emptied).
  int ShowDrive(char letter);

  char Letter() const { return letter_; }
  bool ListReady() const { return listReady_; }
  // Value fields: 1198 (the letter), 1201-1206 (used, free and total in bytes and in MB); null
  // for another id.
  QLabel* Field(int id) const;
  QLabel* Swatch(int id) const;  // 1190 used, 1191 free
  CPieProgress* Pie() const { return pie_; }
  QComboBox* DriveList() const { return drives_; }
  CDialogHeaderCtrl* Header() const { return header_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

  // Runs the box modally; the dialog's result (1 OK, 0 cancel).
  static int Open(QWidget* parent, const Args& args);
  // Registry values: the drive letter as a text (its first character) or a character code.
  static Args ArgsFrom(const dlg::DialogArgs& values);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void OnInitDialog();
  void OnListArrived(const QStringList& texts);
  void OnSelChange(int index);
  void ClearFigures();

  std::unique_ptr<CWorkerJob> job_;
  char letter_ = 0;
  char initialLetter_ = 0;
  bool initialised_ = false;
  bool listReady_ = false;

  CPieProgress* pie_ = nullptr;
  QComboBox* drives_ = nullptr;
  CDialogHeaderCtrl* header_ = nullptr;
  QLabel* letterField_ = nullptr;
  QLabel* values_[6] = {};  // 1201..1206
  QLabel* usedSwatch_ = nullptr;
  QLabel* freeSwatch_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};
