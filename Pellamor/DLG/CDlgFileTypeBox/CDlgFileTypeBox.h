// File-type filter ("파일 확장자 선택 도구"): a tree of file-format categories whose ticked
// extensions become the settings record's extension list and set, read by the NTFS search filter.
#pragma once

#include <QMetaType>
#include <QStringList>
#include <QVariantList>

#include "Pellamor/AppRecords.h"
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

  // Registered runner. Argument: optionally the APPSETTINGS* to fill (default: the application's).
  // Result 1 OK, 0 cancelled.
  static int Run(QWidget* parent, const QVariantList& args);

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
