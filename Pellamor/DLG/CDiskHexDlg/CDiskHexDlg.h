// Disk hex editor ("디스크 헥스에디터"): the hex edit control over a fixed sample block of 512
// bytes. No sector is read; "Go" and "Save" stay disabled.
#pragma once

#include "Pellamor/DLG/Dialogs.h"
#include "controls/ResizableDialog.h"

class CByteloomBase;
class CDialogHeaderCtrl;
class QLineEdit;
class QPushButton;
class QScrollBar;

class CDiskHexDlg : public CResizableDialog {
  Q_OBJECT

 public:
  struct Args {};

  explicit CDiskHexDlg(QWidget* parent = nullptr);

  CByteloomBase* HexView() const { return hex_; }  // 1053
  QScrollBar* ScrollBar() const { return scroll_; }  // 1054
  QLineEdit* Edit() const { return edit_; }         // 1070
  QPushButton* GoButton() const { return go_; }     // 1295
  QPushButton* SaveButton() const { return save_; }  // 1296
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  CDialogHeaderCtrl* Header() const { return header_; }

  static int Open(QWidget* parent, const Args& args);
  static Args ArgsFrom(const dlg::DialogArgs&) { return {}; }

 private:
  CDialogHeaderCtrl* header_ = nullptr;
  CByteloomBase* hex_ = nullptr;
  QScrollBar* scroll_ = nullptr;
  QLineEdit* edit_ = nullptr;
  QPushButton* go_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};
