#include "controls/TabPageSSL.h"

#include <QKeyEvent>

CTabPageSSL::CTabPageSSL(QWidget* parent) : CResizableDialog(parent, false) {}

void CTabPageSSL::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Enter:
    case Qt::Key_Return:
      if (!isWindow()) {
        event->ignore();  // the holding dialog answers them
        return;
      }
      break;
    default:
      break;
  }
  CResizableDialog::keyPressEvent(event);
}
