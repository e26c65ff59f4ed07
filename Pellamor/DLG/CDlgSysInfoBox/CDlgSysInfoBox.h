// System information ("System Information"): memory and processor facts as one read-only text.
#pragma once

#include <QDialog>
#include <QString>

#include "Pellamor/DLG/CDlgSysInfoBox/SystemFacts.h"
#include "Pellamor/DLG/Dialogs.h"

class CDialogHeaderCtrl;
class QPlainTextEdit;
class QPushButton;

class CDlgSysInfoBox : public QDialog {
  Q_OBJECT

 public:
  struct Args {};

  // The facts shown; the machine's own by default.
  explicit CDlgSysInfoBox(QWidget* parent = nullptr);
  CDlgSysInfoBox(QWidget* parent, const sysinfo::SystemFacts& facts);

  // The text as built; the edit shows it with its line ends as line breaks.
  const QString& Text() const { return text_; }
  QPlainTextEdit* TextEdit() const { return edit_; }  // 1070
  CDialogHeaderCtrl* Header() const { return header_; }
  QPushButton* OkButton() const { return ok_; }

  static int Open(QWidget* parent, const Args& args);
  static Args ArgsFrom(const dlg::DialogArgs&) { return {}; }

 private:
  QString text_;
  CDialogHeaderCtrl* header_ = nullptr;
  QPlainTextEdit* edit_ = nullptr;
  QPushButton* ok_ = nullptr;
};
