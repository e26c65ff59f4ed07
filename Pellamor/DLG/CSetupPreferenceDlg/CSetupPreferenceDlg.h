// Preferences ("환경설정"): a tree of option pages beside the selected page.
#pragma once

#include <QDialog>
#include <QString>

#include <vector>

#include "Pellamor/DLG/Dialogs.h"

class CDialogHeaderCtrl;
class CPrefsStatic;
class QFrame;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

class CSetupPreferenceDlg : public QDialog {
  Q_OBJECT

 public:
  struct Args {};

  // What the container sends every page on "확인", "취소" and "적용(&A)".
  static constexpr int kPageMessage = 0x0400 + 300;

  explicit CSetupPreferenceDlg(QWidget* parent = nullptr);

  // Adds a page (taken over) with its caption; the first page added is shown first.
  void AddPage(QWidget* page, const QString& caption);

  // Runs the dialog with its two pages, "데이터복구" and "업데이트"; true when closed with OK.
  static bool Open(QWidget* parent, const Args& args);
  static Args ArgsFrom(const dlg::DialogArgs& values);

  int CurrentPage() const { return current_; }
  QWidget* Page(int index) const;
  int PageCount() const { return static_cast<int>(pages_.size()); }
  void ShowPage(int index);

  CDialogHeaderCtrl* Header() const { return header_; }
  QTreeWidget* Tree() const { return tree_; }
  CPrefsStatic* Caption() const { return caption_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  QPushButton* ApplyButton() const { return apply_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct PageInfo {
    QWidget* page;
    QString caption;
    QTreeWidgetItem* item;
  };
  void SendToPages(int wParam);

  std::vector<PageInfo> pages_;
  int current_ = -1;
  CDialogHeaderCtrl* header_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  QFrame* frame_ = nullptr;
  CPrefsStatic* caption_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* apply_ = nullptr;
};
