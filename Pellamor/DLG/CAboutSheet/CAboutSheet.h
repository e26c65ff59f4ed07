// The about sheet: the module list ("버전정보") and the notices ("저작권"), with only OK.
#pragma once

#include <QDialog>

#include "Pellamor/DLG/Dialogs.h"
#include "controls/TabPageSSL.h"

class CGridListCtrlGroups;
class CTabCtrlSSL;
class QPushButton;

// Every row of the module table with the version data that its module reports.
class CDlgAboutModuleInfo : public CTabPageSSL {
  Q_OBJECT

 public:
  explicit CDlgAboutModuleInfo(QWidget* parent = nullptr);
  CGridListCtrlGroups* List() const { return list_; }

 private:
  void OnInitDialog();
  CGridListCtrlGroups* list_ = nullptr;
};

// The legal notices of the suite and of what it ships with.
class CDlgAboutCopyright : public CTabPageSSL {
  Q_OBJECT

 public:
  explicit CDlgAboutCopyright(QWidget* parent = nullptr);
};

class CAboutSheet : public QDialog {
  Q_OBJECT

 public:
  struct Args {
    int page = 0;  // the page shown first
  };

  explicit CAboutSheet(QWidget* parent = nullptr, int page = 0);

  // Runs the sheet modally; true when closed with OK.
  static bool Open(QWidget* parent, const Args& args);
  // Registry values: the page (0 when absent).
  static Args ArgsFrom(const dlg::DialogArgs& values);

  CTabCtrlSSL* Tabs() const { return tabs_; }
  CDlgAboutModuleInfo* ModulePage() const { return modules_; }
  CDlgAboutCopyright* NoticesPage() const { return notices_; }
  QPushButton* OkButton() const { return ok_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  CTabCtrlSSL* tabs_ = nullptr;
  CDlgAboutModuleInfo* modules_ = nullptr;
  CDlgAboutCopyright* notices_ = nullptr;
  QPushButton* ok_ = nullptr;
  bool centred_ = false;
};
