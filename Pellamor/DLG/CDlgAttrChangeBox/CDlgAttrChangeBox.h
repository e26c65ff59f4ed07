// Rename on conflict ("속성 변경도구"): the save folder already holds an entry of the item's name;
// the user gives another name, confirms overwriting, or cancels. The caller sets the source name
// before exec() and reads TargetName after it (empty when cancelled).
#pragma once

#include <QMetaType>
#include <QString>

#include "Pellamor/DLG/Dialogs.h"
#include "controls/ResizableDialog.h"

class CDialogHeaderCtrl;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CDlgAttrChangeBox : public CResizableDialog {
  Q_OBJECT

 public:
  // exec() results.
  static constexpr int kCancelled = 0;
  static constexpr int kRenamed = 1;    // TargetName differs from the source name, letter case aside
  static constexpr int kOverwrite = 2;  // the user confirmed writing over the existing entry

  struct Args {
    QString sourceName;
  };
  // The answer: the exec() result and the target name (empty when cancelled).
  struct Result {
    QString targetName;
    int code = kCancelled;
  };

  explicit CDlgAttrChangeBox(QWidget* parent = nullptr);

  void SetSourceName(const QString& name);
  QString SourceName() const { return sourceName_; }
  QString TargetName() const { return targetName_; }

  // The typed name without blanks (0x20) at either end; blanks inside stay.
  static QString TrimBlanks(const QString& text);

  CDialogHeaderCtrl* Header() const { return header_; }
  QLineEdit* SourceEdit() const { return sourceEdit_; }
  QLineEdit* TargetEdit() const { return targetEdit_; }
  QLabel* Hint() const { return hint_; }
  QPushButton* ChangeButton() const { return change_; }
  QPushButton* CancelButton() const { return cancel_; }
  QPushButton* DefaultButton() const { return default_; }
  QCheckBox* DontAskCheck() const { return dontAsk_; }

  // Runs the dialog modally for the source name.
  static Result Open(QWidget* parent, const Args& args);
  // Registry values: the source name, and optionally a Result* that receives the answer.
  static Args ArgsFrom(const dlg::DialogArgs& values);

 public slots:
  void accept() override;
  void reject() override;

 private:
  QString sourceName_;
  QString targetName_;

  CDialogHeaderCtrl* header_ = nullptr;
  QLineEdit* sourceEdit_ = nullptr;
  QLineEdit* targetEdit_ = nullptr;
  QLabel* hint_ = nullptr;
  QPushButton* change_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* default_ = nullptr;
  QCheckBox* dontAsk_ = nullptr;
};

Q_DECLARE_METATYPE(CDlgAttrChangeBox::Result*)

// The registry's result: the answer's code; a Result* among the values receives the answer.
int RunnerCode(const CDlgAttrChangeBox::Result& result, const dlg::DialogArgs& values);
