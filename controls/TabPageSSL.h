// Base of the pages that a CTabCtrlSSL shows: a resizable dialog without size grip or minimum size,
// built without a parent and placed into the tab control by AddPage. Enter and Esc go on to the
// dialog that holds the tab control, so a page never closes itself.
#pragma once

#include "controls/ResizableDialog.h"

class CTabPageSSL : public CResizableDialog {
  Q_OBJECT

 public:
  explicit CTabPageSSL(QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};
