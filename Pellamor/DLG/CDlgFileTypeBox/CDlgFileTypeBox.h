// File-type filter ("파일 확장자 선택 도구"): a tree of file-format categories whose ticked
// extensions become the settings record's extension list and set, read by the NTFS search filter.
#pragma once

#include <QMetaType>
#include <QStringList>

#include "Pellamor/AppRecords.h"
#include "Pellamor/DLG/Dialogs.h"
#include "controls/ResizableDialog.h"

class CDialogHeaderCtrl;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class CDlgFileTypeBox : public CResizableDialog {
  Q_OBJECT

 public:
  // OK writes the choice into `settings` (not owned; null: nothing is written).
  explicit CDlgFileTypeBox(APPSETTINGS* settings, QWidget* parent = nullptr);

  QTreeWidget* Tree() const { return tree_; }
  CDialogHeaderCtrl* Header() const { return header_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

  // The ticked extensions without their dot, in tree order, under collapsed categories too.
  // A ticked category adds nothing.
  QStringList TickedExtensions() const;

  struct Args {
    APPSETTINGS* settings = nullptr;  // the record OK fills; null: the application's
  };
  // Runs the dialog modally; true on OK (false also when there is no record to fill).
  static bool Open(QWidget* parent, const Args& args);
  // Registry values: optionally the APPSETTINGS* to fill.
  static Args ArgsFrom(const dlg::DialogArgs& values);

 public slots:
  void accept() override;

 private:
  void FillTree();
  void OnCurrentChanged(QTreeWidgetItem* current);
  void OnClicked(QTreeWidgetItem* item);

  APPSETTINGS* settings_ = nullptr;
  CDialogHeaderCtrl* header_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  bool currentJustChanged_ = false;
  bool checkJustToggled_ = false;
};

Q_DECLARE_METATYPE(APPSETTINGS*)
