// Bootmend's main dialog: the hex view of one 512-byte block under the header band, an empty
// "파티션 테이블" group and "확인".
#pragma once

#include <QGroupBox>

#include "Byteloom/StandaloneDlg.h"

class CBootmendDlg : public CStandaloneDlg {
  Q_OBJECT

 public:
  explicit CBootmendDlg(QWidget* parent = nullptr);

  QGroupBox* PartitionGroup() const { return group_; }

 private:
  QGroupBox* group_ = nullptr;
};
