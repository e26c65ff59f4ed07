// Bootmend's main dialog: the hex view of one 512-byte block under the header band, an empty
// "파티션 테이블" group and "확인".
#pragma once

#include "Byteloom/StandaloneDlg.h"

class CByteloomBase;
class CDialogHeaderCtrl;
class QGroupBox;
class QPushButton;

class CBootmendDlg : public CStandaloneDlg {
  Q_OBJECT

 public:
  explicit CBootmendDlg(QWidget* parent = nullptr);

  CDialogHeaderCtrl* Header() const { return header_; }
  CByteloomBase* HexView() const { return hex_; }
  QGroupBox* PartitionGroup() const { return group_; }
  QPushButton* OkButton() const { return ok_; }

 private:
  CDialogHeaderCtrl* header_ = nullptr;
  CByteloomBase* hex_ = nullptr;
  QGroupBox* group_ = nullptr;
  QPushButton* ok_ = nullptr;
};
