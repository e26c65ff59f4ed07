// Row information box: every column of one list row as "caption: value" lines in a resizable,
// read-only box. ShowListRowInfo opens one modeless box per selected row of any item view; a box
// frees itself when it is closed.
#pragma once

#include <QList>
#include <QModelIndex>
#include <QString>

#include "Pellamor/DLG/Dialogs.h"
#include "controls/ResizableDialog.h"

class CDialogHeaderCtrl;
class QAbstractItemView;
class QPlainTextEdit;
class QPushButton;

class CDlgListInfoBox : public CResizableDialog {
  Q_OBJECT

 public:
  explicit CDlgListInfoBox(QWidget* parent = nullptr);

  // The text as built ("\r\n" line ends); the edit shows it.
  void SetText(const QString& text);
  QString Text() const { return text_; }

  QPlainTextEdit* Edit() const { return edit_; }
  CDialogHeaderCtrl* Header() const { return header_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

  struct Args {
    QAbstractItemView* list = nullptr;
  };
  // Opens one modeless box per selected row of the list (ShowListRowInfo); gives the box count.
  static int Open(QWidget* parent, const Args& args);
  // Registry values: the list, as a QObject*.
  static Args ArgsFrom(const dlg::DialogArgs& values);

 private:
  QString text_;
  QPlainTextEdit* edit_ = nullptr;
  CDialogHeaderCtrl* header_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

// The text of one row: "\r\n<caption>: <cell>\r\n" for every column of the model, in column order,
// hidden columns included.
QString ListRowInfoText(const QModelIndex& row);

// One box per selected row, in the order the view shows them, each a modeless child of the view's
// window, shown and deleted when closed. Returns the boxes.
QList<CDlgListInfoBox*> ShowListRowInfo(QAbstractItemView* list);
QList<CDlgListInfoBox*> ShowListRowInfoEx(QAbstractItemView* list);
