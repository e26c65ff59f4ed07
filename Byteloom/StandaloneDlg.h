// What the two programs' main dialogs share: the program icon, the about box from the dialog's
// context menu and F1 (the window menu belongs to the window manager), and the suite's dialog frame
// with the hex view under the band, set up as the programs show it, and "확인" at the foot.
#pragma once

#include <QDialog>
#include <QMenu>
#include <QPointer>
#include <QString>

#include "shared/DialogFrame.h"

class CByteloomBase;
class CDialogHeaderCtrl;
class QAction;
class QPushButton;
class QVBoxLayout;

class CStandaloneDlg : public QDialog {
  Q_OBJECT

 public:
  // The program's name (the about box's), the window's title and the band's texts.
  CStandaloneDlg(const QString& programName, const QString& windowTitle, const QString& title,
                 const QString& description, QWidget* parent = nullptr);

  const QString& ProgramName() const { return programName_; }
  // "<name> 정보(&A)...": the context menu's item, also reached by F1.
  QAction* AboutAction() const { return about_; }
  // The context menu while it is open.
  QMenu* ContextMenu() const { return menu_; }
  // Opens the about box modally.
  void OpenAbout();

  CDialogHeaderCtrl* Header() const { return frame_.Header(); }
  CByteloomBase* HexView() const { return hex_; }
  QPushButton* OkButton() const { return ok_; }

 protected:
  // The column under the hex view, where a program adds its own controls before EndWithOk().
  QVBoxLayout* Column() const { return frame_.Column(); }
  void EndWithOk();

  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  QString programName_;
  QAction* about_ = nullptr;
  QPointer<QMenu> menu_;
  dlgframe::BandLayout frame_;
  CByteloomBase* hex_ = nullptr;
  QPushButton* ok_ = nullptr;
};
