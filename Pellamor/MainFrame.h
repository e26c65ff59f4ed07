// The main window: menu bar, toolbar, status bar and the splitter with the folder tree and the
// file list. The menus, toolbar and accelerators are tables of command ids (MainMenus.cpp);
// every item runs its id through one command table whose handlers are grouped by area
// (MainCommands.cpp), so any command can also be run by its id. The open drive is the frame's
// drive session; the views watch it.
#pragma once

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>
#include <vector>

#include "Pellamor/DriveSession.h"
#include "Pellamor/LeftView.h"
#include "Pellamor/RightView.h"

class QLabel;
class QSplitter;
class QToolBar;
class QMenu;

// What the update of a command says about its items.
struct CommandState {
  enum Mark { kNone, kCheck, kRadio };
  CommandState(bool e = true, Mark m = kNone, QString t = {}) : enabled(e), mark(m), text(std::move(t)) {}
  bool enabled;
  Mark mark;
  QString text;  // empty: the item keeps its text
};

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  // A dialog of another part of the program, run modally: returns its result (1 for OK).
  using DialogRunner = std::function<int(CMainFrame& frame, int argument)>;
  // Joins a dialog to the program's registry (Pellamor/DLG/Dialogs.h) by name, as a runner that
  // receives the frame and one number; a command whose dialog has not joined does nothing.
  static void RegisterDialog(const QString& name, DialogRunner runner);
  static bool HasDialog(const QString& name);
  // Builds the recovery queue window (an IQueueWindow) of each newly opened drive, hidden; the
  // list owns it until the drive closes. Null: none.
  using QueueWindowFactory = ::QueueWindowFactory;
  static void SetQueueWindowFactory(QueueWindowFactory factory);

  CMainFrame();
  ~CMainFrame() override;

  CDriveSession* Session() const { return session_; }
  CLeftView* GetLeftView() const { return left_; }
  CRightView* GetRightView() const { return right_; }

  // Runs a command as its menu item would: false when the command has no handler or its update
  // disables it.
  bool RunCommand(int id);
  bool HasCommand(int id) const { return commands_.count(id) != 0; }
  CommandState UpdateCommand(int id);
  // Refreshes every item and button from the command updates.
  void UpdateAllCommands();
  std::vector<int> CommandIds() const;

  // Closes any open drive, then opens g_chCurrentDrive. False when it could not be opened.
  bool OpenDrive();
  void OnCloseDrive();

  // The owned modeless child window; the frame deletes it.
  void SetOwnedChild(QWidget* child);
  QWidget* OwnedChild() const { return ownedChild_; }
  // The child window's message: 1 or 2 destroy the child and give 0; other values 0; -1 with no child.
  int OnOwnedChildMessage(int wParam);

  QLabel* StatusPane(int index) const;
  void SetStatusPaneText(int index, const QString& text);
  QToolBar* ToolBar() const { return toolBar_; }
  QList<QMenu*> Menus() const { return menus_; }
  // The menu items of a command (several for none).
  QList<QAction*> MenuActions(int id) const;
  int CurrentSkin() const { return skin_; }
  // Runs a registered dialog; 0 when none has that name.
  int RunDialog(const QString& name, int argument = 0);
  int RememberedRow() const { return rememberedRow_; }

 private:
  struct Command {
    std::function<void()> run;
    std::function<CommandState()> update;
  };

  void BuildCommands();
  // The handlers, by area.
  void BuildDriveCommands();
  void BuildListCommands();
  void BuildQueueCommands();
  void BuildToolCommands();
  void BuildViewCommands();
  void BuildSettingsCommands();
  void BuildHelpCommands();
  void BuildFrameCommands();
  void BuildMenus();
  void BuildToolBar();
  void BuildStatusBar();
  void BuildAccelerators();
  QAction* AddItem(QMenu* menu, int id, const QString& text);
  QAction* AddTriggered(QAction* action, int id);
  void On(int id, std::function<void()> run, std::function<CommandState()> update = {});
  void RunPicker(int tab);
  void ApplySkin(int command);
  void ApplyLanguage(int command);
  void OnHelp();
  bool ListHasFocus() const;
  // Where a command's menu opens: under the toolbar button that runs it, else at the cursor.
  QPoint CommandMenuPoint() const;

  CDriveSession* session_ = nullptr;
  CLeftView* left_ = nullptr;
  CRightView* right_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  std::vector<QLabel*> panes_;
  QList<QMenu*> menus_;
  std::map<int, Command> commands_;
  std::multimap<int, QAction*> menuActions_;
  std::multimap<int, QAction*> toolActions_;
  QAction* runningToolAction_ = nullptr;  // the toolbar button whose command runs now
  QPointer<QWidget> lastFocus_;           // the last focus outside the menu bar and menus
  std::map<QMenu*, class QActionGroup*> radioGroups_;  // the radio items of each menu
  QWidget* ownedChild_ = nullptr;
  int rememberedRow_ = -1;
  int skin_;
};

extern CMainFrame* g_pMainFrame;
