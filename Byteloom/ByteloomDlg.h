// Byteloom's main dialog: the hex view of one 512-byte block under the header band, with a sector
// field, "이동" and "저장" (not in this version), and a list and scroll bar left empty.
#pragma once

#include "Byteloom/StandaloneDlg.h"

class CByteloomBase;
class CDialogHeaderCtrl;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTreeView;

class CByteloomDlg : public CStandaloneDlg {
  Q_OBJECT

 public:
  explicit CByteloomDlg(QWidget* parent = nullptr);

  CDialogHeaderCtrl* Header() const { return header_; }
  CByteloomBase* HexView() const { return hex_; }
  QLineEdit* SectorEdit() const { return sector_; }
  QPushButton* MoveButton() const { return move_; }
  QPushButton* SaveButton() const { return save_; }
  QPushButton* OkButton() const { return ok_; }
  QTreeView* List() const { return list_; }
  QScrollBar* ScrollBar() const { return scroll_; }

 private:
  void NotInThisVersion();

  CDialogHeaderCtrl* header_ = nullptr;
  CByteloomBase* hex_ = nullptr;
  QLineEdit* sector_ = nullptr;
  QPushButton* move_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* ok_ = nullptr;
  QTreeView* list_ = nullptr;
  QScrollBar* scroll_ = nullptr;
};
