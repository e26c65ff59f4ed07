// Byteloom's main dialog: the hex view of one 512-byte block under the header band, with a sector
// field, "이동" and "저장" (not in this version), and a list and scroll bar left empty.
#pragma once

#include "Byteloom/StandaloneDlg.h"

class QLineEdit;
class QScrollBar;
class QTreeView;

class CByteloomDlg : public CStandaloneDlg {
  Q_OBJECT

 public:
  explicit CByteloomDlg(QWidget* parent = nullptr);

  QLineEdit* SectorEdit() const { return sector_; }
  QPushButton* MoveButton() const { return move_; }
  QPushButton* SaveButton() const { return save_; }
  QTreeView* List() const { return list_; }
  QScrollBar* ScrollBar() const { return scroll_; }

 private:
  void NotInThisVersion();

  QLineEdit* sector_ = nullptr;
  QPushButton* move_ = nullptr;
  QPushButton* save_ = nullptr;
  QTreeView* list_ = nullptr;
  QScrollBar* scroll_ = nullptr;
};
