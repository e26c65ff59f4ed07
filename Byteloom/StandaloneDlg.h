// What the two programs' main dialogs share: the program icon, the about box from the dialog's
// context menu and F1 (the window menu belongs to the window manager), and the hex view set up as
// the programs show it.
#pragma once

#include <QDialog>
#include <QMenu>
#include <QPointer>
#include <QString>

class CByteloomBase;
class QAction;


class CStandaloneDlg : public QDialog {
  Q_OBJECT

 public:
  CStandaloneDlg(const QString& programName, QWidget* parent = nullptr);

  const QString& ProgramName() const { return programName_; }
  // "<name> 정보(&A)...": the context menu's item, also reached by F1.
  QAction* AboutAction() const { return about_; }
  // The context menu while it is open.
  QMenu* ContextMenu() const { return menu_; }
  // Opens the about box modally.
  void OpenAbout();

  // 4 address digits, address and character columns, 16 bytes per row with auto-fit, multi-line,
  // 512 zero bytes; sized for 16 bytes per row.
  static void SetUpHexView(CByteloomBase& hex, int rows);

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  QString programName_;
  QAction* about_ = nullptr;
  QPointer<QMenu> menu_;
};
