// "데이터 속성정보 & 진단": the properties of one FAT12/16/32 entry and the figures telling
// whether its data can still be saved. The texts are made on a worker and handed over to the
// edits on the UI thread; closing the dialog, or the drive, stops and joins the worker first.
#pragma once

#include <QDialog>
#include <QPointer>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/DriveSession.h"

class CWorkerJob;
class QLineEdit;
class QPushButton;

class CPropertyEditDlg : public QDialog {
  Q_OBJECT

 public:
  // index: the entry's place in the engine's entry table; negative: nothing is filled.
  explicit CPropertyEditDlg(int index, QWidget* parent = nullptr);
  ~CPropertyEditDlg() override;

  int EntryIndex() const { return index_; }
  // The edit of a control id (1420, 1426, ...), null for another id.
  QLineEdit* Edit(int id) const;
  // The worker still makes the texts.
  bool Filling() const;
  // The texts arrived.
  bool Filled() const { return filled_; }

  // Runs on the worker right before the texts are made (tests slow the worker down with it).
  static void SetBeforeFillHook(std::function<void()> hook);

  struct Args {
    int index = -1;  // the entry's place in the engine's entry table
  };
  // Runs the dialog modally; its exec().
  static int Open(QWidget* parent, const Args& args);
  // Registry values: the entry index.
  static Args ArgsFrom(const dlg::DialogArgs& values);

 signals:
  void filled();

 public slots:
  void done(int result) override;

 private:
  void StartFill();
  void StopFill();

  int index_;
  std::map<int, QLineEdit*> edits_;
  std::unique_ptr<CWorkerJob> job_;
  QPointer<CDriveSession> session_;
  int readerId_ = 0;
  bool filled_ = false;
};
