#include "Pellamor/MainFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QUrl>

#include "Pellamor/App.h"
#include "Pellamor/CommandIds.h"
#include "Pellamor/DLG/CAboutSheet/OpenHomepage.h"
#include "Pellamor/DLG/CDriveBoxMainDlg/CDriveBoxMainDlg.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/MainMenus.h"
#include "Pellamor/Settings.h"
#include "controls/ScreenFit.h"
#include "platform/message.h"
#include "platform/program_folder.h"

CMainFrame* g_pMainFrame = nullptr;

namespace {

void Say(const char16_t* text, platform::MsgIcon icon = platform::MsgIcon::None) {
  platform::ShowMessage(text, platform::MsgButtons::Ok, icon);
}

CMainFrame::QueueWindowFactory& QueueFactory() {
  static CMainFrame::QueueWindowFactory factory;
  return factory;
}

}  // namespace

void CMainFrame::RegisterDialog(const QString& name, DialogRunner runner) {
  dlg::RegisterDialogRunner(name, [runner = std::move(runner)](QWidget* parent, const dlg::DialogArgs& args) {
    auto* frame = qobject_cast<CMainFrame*>(parent);
    if (!frame) frame = g_pMainFrame;
    return frame && runner ? runner(*frame, args.value(0).toInt()) : 0;
  });
}
bool CMainFrame::HasDialog(const QString& name) { return dlg::HasDialog(name); }
void CMainFrame::SetQueueWindowFactory(QueueWindowFactory factory) { QueueFactory() = std::move(factory); }

CMainFrame::CMainFrame() {
  g_pMainFrame = this;
  // The stored skin picks the current skin; it is never written back.
  int stored = profile::GetProfileInt("Options", "Skin", 1);
  skin_ = (stored >= 2 && stored <= 9) ? cmd::kSkinFirst + stored - 1 : cmd::kSkinFirst;

  setWindowTitle(QStringLiteral("Pellamor"));
  session_ = new CDriveSession(this);
  splitter_ = new QSplitter(Qt::Horizontal, this);
  left_ = new CLeftView(splitter_);
  right_ = new CRightView(splitter_);
  left_->SetRightView(right_);
  connect(right_, &CRightView::totalsChanged, this, [this](const QString& selection, const QString& all) {
    SetStatusPaneText(1, selection);
    SetStatusPaneText(2, all);
    // Buttons that depend on the selection follow it (the property check needs one row).
    UpdateAllCommands();
  });
  // The list learns the type before the tree selects its first node.
  right_->SetSession(session_);
  left_->SetSession(session_);
  splitter_->addWidget(left_);
  splitter_->addWidget(right_);
  splitter_->setStretchFactor(1, 1);
  splitter_->setSizes({200, 100});
  setCentralWidget(splitter_);

  BuildCommands();
  ApplySkin(skin_);
  if (CPellamorApp* app = TheApp()) ApplyLanguage(app->language.CurrentCommand());
  BuildMenus();
  BuildToolBar();
  BuildStatusBar();
  BuildAccelerators();

  // The window keeps this size where the primary screen has room for it (only less where it has
  // not) and opens at the screen's centre.
  resize(1024, 720);
  if (QScreen* screen = QGuiApplication::primaryScreen()) CentreWindowOnScreen(this, screen);
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (now && !qobject_cast<QMenuBar*>(now) && !qobject_cast<QMenu*>(now)) lastFocus_ = now;
    UpdateAllCommands();
  });
  UpdateAllCommands();
}

CMainFrame::~CMainFrame() {
  // Hiding the window moves the focus; the commands' updates must not run on a half-gone frame.
  disconnect(qApp, &QApplication::focusChanged, this, nullptr);
  OnCloseDrive();
  ReleaseOwnedWindow(ownedChild_);
  if (g_pMainFrame == this) g_pMainFrame = nullptr;
}

// ---- command table ----

void CMainFrame::On(int id, std::function<void()> run, std::function<CommandState()> update) {
  commands_[id] = {std::move(run), std::move(update)};
}

bool CMainFrame::RunCommand(int id) {
  auto it = commands_.find(id);
  if (it == commands_.end()) return false;
  if (it->second.update && !it->second.update().enabled) return false;
  it->second.run();
  UpdateAllCommands();
  return true;
}

CommandState CMainFrame::UpdateCommand(int id) {
  auto it = commands_.find(id);
  if (it == commands_.end()) return {false, CommandState::kNone, {}};
  return it->second.update ? it->second.update() : CommandState{};
}

std::vector<int> CMainFrame::CommandIds() const {
  std::vector<int> ids;
  for (const auto& [id, c] : commands_) ids.push_back(id);
  return ids;
}

QList<QAction*> CMainFrame::MenuActions(int id) const {
  QList<QAction*> list;
  auto [a, b] = menuActions_.equal_range(id);
  for (auto it = a; it != b; ++it) list << it->second;
  return list;
}

void CMainFrame::UpdateAllCommands() {
  auto apply = [this](const std::multimap<int, QAction*>& actions, bool texts) {
    for (const auto& [id, action] : actions) {
      CommandState s = UpdateCommand(id);
      // A radio mark is drawn for items of an exclusive group: one group per menu.
      if (texts && s.mark == CommandState::kRadio && !action->actionGroup())
        if (auto* menu = qobject_cast<QMenu*>(action->parent())) {
          QActionGroup*& group = radioGroups_[menu];
          if (!group) {
            group = new QActionGroup(menu);
            group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
          }
          group->addAction(action);
        }
      action->setEnabled(s.enabled);
      action->setCheckable(s.mark != CommandState::kNone);
      action->setChecked(s.mark != CommandState::kNone);
      if (texts && !s.text.isEmpty()) action->setText(s.text);
    }
  };
  apply(menuActions_, true);
  apply(toolActions_, false);
}

bool CMainFrame::ListHasFocus() const {
  if (!right_) return false;
  // Working the menu bar with the keyboard moves the focus to it (and an open menu may hold it):
  // the widget that had the focus before still counts, as the commands of its menus are its own.
  QWidget* focus = QApplication::focusWidget();
  if (focus && (qobject_cast<QMenuBar*>(focus) || qobject_cast<QMenu*>(focus))) return right_->IsListWidget(lastFocus_);
  return right_->HasListFocus();
}

QPoint CMainFrame::CommandMenuPoint() const {
  if (runningToolAction_ && toolBar_)
    if (QWidget* button = toolBar_->widgetForAction(runningToolAction_))
      return button->mapToGlobal(QPoint(0, button->height()));
  return QCursor::pos();
}

int CMainFrame::RunDialog(const QString& name, int argument) {
  return dlg::RunDialogArgs(name, {argument}, this);
}

void CMainFrame::RunPicker(int tab) {
  const std::optional<CDriveBoxMainDlg::Result> choice = dlg::Open<CDriveBoxMainDlg>(this, CDriveBoxMainDlg::Args{tab});
  if (!choice) return;
  g_chCurrentDrive = choice->letter;
  OpenDrive();
}

void CMainFrame::ApplySkin(int command) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  skin_ = command;
  QApplication::restoreOverrideCursor();
}

void CMainFrame::ApplyLanguage(int command) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  if (CPellamorApp* app = TheApp()) app->language.SetLanguageMode(command);
  QApplication::restoreOverrideCursor();
}

void CMainFrame::OnHelp() {
  QString file = QStringLiteral("%1/%2").arg(QString::fromStdString(platform::ProgramFolder()),
                                              QStringLiteral("PELLAMOR_V5.chm"));
  if (!QFileInfo::exists(file) || !QDesktopServices::openUrl(QUrl::fromLocalFile(file)))
    Say(u"도움말 파일을 찾을 수 없거나 실행되지 않았습니다.");
}

// ---- menus, toolbar, status bar, accelerators ----

QAction* CMainFrame::AddTriggered(QAction* action, int id) {
  action->setData(id);
  connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
  return action;
}

QAction* CMainFrame::AddItem(QMenu* menu, int id, const QString& text) {
  QAction* action = AddTriggered(menu->addAction(text), id);
  menuActions_.emplace(id, action);
  return action;
}

void CMainFrame::BuildMenus() {
  using main_menus::Row;
  std::vector<QMenu*> open;  // the menu being filled and the menus around it
  for (const main_menus::MenuRow& row : main_menus::MenuBar()) {
    switch (row.kind) {
      case Row::kMenu: {
        QMenu* m = menuBar()->addMenu(QString::fromUtf8(row.text));
        connect(m, &QMenu::aboutToShow, this, &CMainFrame::UpdateAllCommands);
        menus_ << m;
        open.push_back(m);
        break;
      }
      case Row::kSubMenu: {
        if (open.empty()) break;
        QMenu* m = open.back()->addMenu(QString::fromUtf8(row.text));
        connect(m, &QMenu::aboutToShow, this, &CMainFrame::UpdateAllCommands);
        open.push_back(m);
        break;
      }
      case Row::kEnd:
        if (!open.empty()) open.pop_back();
        break;
      case Row::kItem:
        if (!open.empty()) AddItem(open.back(), row.id, QString::fromUtf8(row.text));
        break;
      case Row::kSeparator:
        if (!open.empty()) open.back()->addSeparator();
        break;
    }
  }
}

void CMainFrame::BuildToolBar() {
  toolBar_ = addToolBar(QStringLiteral("Pellamor"));
  toolBar_->setObjectName(QStringLiteral("toolbar116"));
  toolBar_->setMovable(true);
  toolBar_->setIconSize(QSize(20, 20));
  toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  for (const main_menus::ToolRow& slot : main_menus::ToolBar()) {
    if (!slot.id) {
      toolBar_->addSeparator();
      continue;
    }
    QAction* a = toolBar_->addAction(style()->standardIcon(slot.icon), QString::fromUtf8(slot.text));
    a->setData(slot.id);
    connect(a, &QAction::triggered, this, [this, a, id = slot.id] {
      const QScopedValueRollback<QAction*> from(runningToolAction_, a);
      RunCommand(id);
    });
    if (slot.prompt) {
      QStringList parts = QString::fromUtf8(slot.prompt).split(u'\n');
      a->setStatusTip(parts.value(0));
      a->setToolTip(parts.value(1));
    }
    toolActions_.emplace(slot.id, a);
  }
  for (QAction* a : MenuActions(cmd::kCloseDrive)) a->setStatusTip(QStringLiteral("현재 열린 디스크를 닫습니다"));
  for (QAction* a : MenuActions(cmd::kFileOpen)) a->setStatusTip(QStringLiteral("복구할 디스크를 선택합니다."));
}

void CMainFrame::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  const int widths[3] = {360, 200, 350};
  for (int w : widths) {
    auto* pane = new QLabel(bar);
    pane->setFixedWidth(w);
    bar->addWidget(pane);
    panes_.push_back(pane);
  }
  for (const char* text : {"CAP", "NUM", "SCRL"}) {
    auto* pane = new QLabel(QString::fromLatin1(text), bar);
    bar->addPermanentWidget(pane);
    panes_.push_back(pane);
  }
}

QLabel* CMainFrame::StatusPane(int index) const {
  return index >= 0 && static_cast<std::size_t>(index) < panes_.size() ? panes_[static_cast<std::size_t>(index)]
                                                                        : nullptr;
}

void CMainFrame::SetStatusPaneText(int index, const QString& text) {
  if (QLabel* pane = StatusPane(index)) pane->setText(text);
}

void CMainFrame::BuildAccelerators() {
  for (const main_menus::KeyRow& k : main_menus::Accelerators()) {
    auto* a = AddTriggered(new QAction(this), k.id);
    a->setShortcut(QKeySequence(QString::fromLatin1(k.keys)));
    a->setShortcutContext(Qt::WindowShortcut);
    addAction(a);
  }
}

// ---- drive session ----

bool CMainFrame::OpenDrive() {
  OnCloseDrive();
  if (QueueFactory()) right_->SetQueueWindow(QueueFactory()(right_->parentWidget()));
  if (QWidget* queue = right_->QueueWindow()) queue->hide();
  setWindowTitle(QStringLiteral("Pellamor"));
  setWindowTitle(QStringLiteral("(%1:) 드라이브 - ").arg(QChar::fromLatin1(g_chCurrentDrive)) + windowTitle());
  QApplication::setOverrideCursor(Qt::WaitCursor);
  bool opened = session_->Open(g_chCurrentDrive);
  QApplication::restoreOverrideCursor();
  if (!opened) {
    // No drive is open: nothing may claim one.
    right_->DestroyQueueWindow();
    setWindowTitle(QStringLiteral("Pellamor"));
  }
  UpdateAllCommands();
  return opened;
}

void CMainFrame::OnCloseDrive() {
  if (!session_ || !session_->IsOpen()) return;
  right_->setEnabled(false);
  left_->setEnabled(false);
  // Every worker that reads the volume stops before the engine frees its state; the views
  // empty themselves when the session says it closed.
  session_->Close();
  right_->DestroyQueueWindow();
  SetStatusPaneText(0, {});
  SetStatusPaneText(1, {});
  SetStatusPaneText(2, {});
  right_->setEnabled(true);
  left_->setEnabled(true);
  left_->viewport()->update();
  setWindowTitle(QStringLiteral("Pellamor"));
}

void CMainFrame::SetOwnedChild(QWidget* child) {
  if (ownedChild_ != child) ReleaseOwnedWindow(ownedChild_);
  ownedChild_ = child;
}

int CMainFrame::OnOwnedChildMessage(int wParam) {
  if (!ownedChild_) return -1;
  if (wParam == 1 || wParam == 2) ReleaseOwnedWindow(ownedChild_);
  return 0;
}
