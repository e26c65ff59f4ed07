#include "Pellamor/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QUrl>

#include "Pellamor/App.h"
#include "Pellamor/CommandIds.h"
#include "Pellamor/Settings.h"
#include "platform/drive_map.h"
#include "platform/message.h"
#include "platform/program_folder.h"

CMainFrame* g_pMainFrame = nullptr;

namespace {

std::map<QString, CMainFrame::DialogRunner>& Dialogs() {
  static std::map<QString, CMainFrame::DialogRunner> dialogs;
  return dialogs;
}
CMainFrame::QueueWindowFactory& QueueFactory() {
  static CMainFrame::QueueWindowFactory factory;
  return factory;
}

void Say(const char16_t* text, platform::MsgIcon icon = platform::MsgIcon::None) {
  platform::ShowMessage(text, platform::MsgButtons::Ok, icon);
}

const char* const kSkinTexts[9] = {"Office 2007 &Blue", "Office 2007 &Aqua", "Office 2007 B&lack",
                                   "Office 2007 &Silver", "Windows &2000", "Office &XP",
                                   "&Windows XP", "Office 200&3", "Visual Studio.NET 200&5"};

// Labels of the language items in each UI language, in the order of kLangCommands.
constexpr int kLangCommands[6] = {cmd::kLangAuto, cmd::kLangKorean, cmd::kLangEnglish, cmd::kLangJapanese,
                                  cmd::kLangChineseSimplified, cmd::kLangChineseTraditional};
struct LangLabels {
  int langId;
  const char* texts[6];
};
const LangLabels kLangLabels[] = {
    {1042, {"자동감지 (&A)...", "한글 (&K)", "영어 (&E)", "일어 (&J)", "중국어 (간체) (&C)", "중국어 (번체) (&T)"}},
    {1033, {"&Automatic detection...", "&Korean", "&English", "&Japanese", "&Chinese (Simplified)",
            "Chinese (&Traditional)"}},
    {1041, {"自動検出 (&A)", "韓国語 (&K)", "英語 (&E)", "日本語 (&J)", "中国語（簡体字）(&C)", "中国語（繁体字）(&T)"}},
    {2052, {"自动检测 (&A)", "韩文 (&K)", "英文 (&E)", "日语 (&J)", "中文（简体）(&C)", "中文（繁体）(&T)"}},
    {1028, {"自動檢測 (&A)", "韓文 (&K)", "英文 (&E)", "日語 (&J)", "中文（簡體）(&C)", "中文（繁體）(&T)"}},
};

// The stand-in drive picker: a list of the drive map's letters.
int PickDriveFromMap(CMainFrame& frame, int /*tab*/) {
  QStringList letters;
  for (const platform::DriveEntry& d : platform::DriveMap::Instance().Drives())
    letters << QStringLiteral("%1:  %2").arg(QChar::fromLatin1(d.letter)).arg(QString::fromStdString(d.path));
  if (letters.isEmpty()) {
    Say(u"드라이브가 선택되지 않았습니다.");
    return 0;
  }
  bool ok = false;
  QString choice = QInputDialog::getItem(&frame, QStringLiteral("Pellamor"), QStringLiteral("드라이브"), letters, 0,
                                         false, &ok);
  if (!ok || choice.isEmpty()) return 0;
  g_chCurrentDrive = choice.at(0).toLatin1();
  return 1;
}

}  // namespace

void CMainFrame::RegisterDialog(const QString& name, DialogRunner runner) { Dialogs()[name] = std::move(runner); }
bool CMainFrame::HasDialog(const QString& name) { return Dialogs().count(name) != 0; }
void CMainFrame::SetQueueWindowFactory(QueueWindowFactory factory) { QueueFactory() = std::move(factory); }

CMainFrame::CMainFrame() {
  g_pMainFrame = this;
  // The stored skin picks the current skin; it is never written back.
  int stored = profile::GetProfileInt("Options", "Skin", 1);
  skin_ = (stored >= 2 && stored <= 9) ? cmd::kSkinFirst + stored - 1 : cmd::kSkinFirst;
  if (!HasDialog("CDriveBoxMainDlg")) RegisterDialog("CDriveBoxMainDlg", &PickDriveFromMap);

  setWindowTitle(QStringLiteral("Pellamor"));
  splitter_ = new QSplitter(Qt::Horizontal, this);
  left_ = new CLeftView(splitter_);
  right_ = new CRightView(splitter_);
  left_->SetRightView(right_);
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

  // The window keeps its size; it only moves to the centre of the primary screen.
  resize(1024, 720);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    QRect frame = frameGeometry();
    move(area.x() + (area.width() - frame.width()) / 2, area.y() + (area.height() - frame.height()) / 2);
  }
  connect(qApp, &QApplication::focusChanged, this, [this] { UpdateAllCommands(); });
  UpdateAllCommands();
}

CMainFrame::~CMainFrame() {
  // Hiding the window moves the focus; the commands' updates must not run on a half-gone frame.
  disconnect(qApp, &QApplication::focusChanged, this, nullptr);
  OnCloseDrive();
  delete ownedChild_;
  ownedChild_ = nullptr;
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
      action->setEnabled(s.enabled);
      action->setCheckable(s.mark != CommandState::kNone);
      action->setChecked(s.mark != CommandState::kNone);
      if (texts && !s.text.isEmpty()) action->setText(s.text);
    }
  };
  apply(menuActions_, true);
  apply(toolActions_, false);
}

bool CMainFrame::ListHasFocus() const { return right_ && right_->hasFocus(); }

int CMainFrame::RunDialog(const QString& name, int argument) {
  auto it = Dialogs().find(name);
  if (it == Dialogs().end() || !it->second) return 0;
  DialogRunner runner = it->second;  // a dialog may register others while it runs
  return runner(*this, argument);
}

void CMainFrame::RunPicker(int tab) {
  if (RunDialog("CDriveBoxMainDlg", tab) == 1) OpenDrive();
}

void CMainFrame::BuildCommands() {
  using S = CommandState;
  On(cmd::kFileOpen, [this] { RunPicker(2); });
  On(cmd::kOpenVolume, [this] { RunPicker(3); });
  On(cmd::kOpenImage, [this] { RunPicker(4); });
  On(cmd::kOpenDisk, [this] { RunPicker(0); });
  On(cmd::kOpenPartition, [this] { RunPicker(1); });
  On(cmd::kCloseDrive, [this] { OnCloseDrive(); });
  On(
      cmd::kQueueWindow,
      [this] {
        QWidget* queue = right_->QueueWindow();
        if (!queue) {
          Say(u"디스크가 닫혀 있습니다. 임시보관함은 디스크가 열린 상태에서 사용이 가능합니다.");
          return;
        }
        queue->setVisible(!queue->isVisible());
      },
      [this] {
        S s;
        if (QWidget* queue = right_->QueueWindow()) {
          s.mark = queue->isVisible() ? S::kCheck : S::kNone;
          s.text = queue->isVisible() ? QStringLiteral("임시보관함 숨기기(&S)...\tCtrl+S")
                                      : QStringLiteral("임시보관함 보이기(&S)...\tCtrl+S");
        }
        return s;
      });
  On(
      cmd::kRecoverSelected,
      [this] {
        if (right_->SelectedRowCount() == 0) {
          Say(u"복구할 항목이 선택되지 않았습니다.");
          return;
        }
        if (left_->FileSystem()) RunDialog("RecoveryMenu");
      },
      [this] {
        if (!ListHasFocus()) rememberedRow_ = -1;
        return S{ListHasFocus()};
      });
  On(cmd::kAddQueueBasic, [this] { RunDialog("AddToQueue", 0); });
  On(cmd::kAddQueueLinear, [this] { RunDialog("AddToQueue", 1); });
  On(cmd::kDirectSave, [this] { RunDialog("CDirectSaveDlg", 1); });
  On(
      cmd::kPropertyCheck,
      [this] {
        if (!IsFatType(GetFileSystemType())) {
          Say(u"FAT12/16/32 파일시스템이 아닙니다.");
          return;
        }
        RunDialog("CPropertyEditDlg", rememberedRow_);
      },
      [this] {
        if (!ListHasFocus()) rememberedRow_ = -1;
        return S{ListHasFocus() && right_->SelectedRowCount() == 1};
      });
  On(cmd::kClusterViewer, [this] {
    if (!left_->FileSystem()) {
      Say(u"드라이브가 선택되지 않았습니다.");
      return;
    }
    if (!IsFatType(GetFileSystemType())) {
      Say(u"FAT12/16/32 파일시스템이 아닙니다.");
      return;
    }
    RunDialog("CClusterViewer", rememberedRow_);
  });
  On(cmd::kDiskHex, [this] { RunDialog("CDiskHexDlg"); });
  On(cmd::kDiskUsage, [this] { RunDialog("CDlgDiskUsageBox"); });
  On(cmd::kVirtualDesktop, [this] { RunDialog("CDlgVirtualDesktopBox"); });
  On(cmd::kSysInfo, [this] { RunDialog("CDlgSysInfoBox"); });
  On(cmd::kInstalledSoftware, [this] { RunDialog("CDlgInstSwListBox"); });
  On(cmd::kHomePage, [this] { RunDialog("HomePage"); });
  On(cmd::kEditSelectAll, [this] { right_->SelectAllRows(); });
  On(cmd::kInvertSelection, [this] { right_->InvertSelection(); });
  On(
      cmd::kCheckBoxes,
      [this] {
        checkBoxMode_ = !checkBoxMode_;
        right_->SetCheckBoxMode(checkBoxMode_);
      },
      [this] { return S{true, checkBoxMode_ ? S::kCheck : S::kNone, {}}; });
  for (int id = cmd::kViewSmallIcon; id <= cmd::kViewDetails; ++id) {
    On(
        id,
        [this, id] {
          QApplication::setOverrideCursor(Qt::WaitCursor);
          right_->SetViewStyle(id);
          QApplication::restoreOverrideCursor();
        },
        [this, id] { return S{right_ != nullptr, right_ && right_->ViewStyle() == id ? S::kRadio : S::kNone, {}}; });
  }
  On(
      cmd::kViewLineUp, [this] { right_->ArrangeIcons(); },
      [this] {
        return S{right_ && (right_->ViewStyle() == cmd::kViewSmallIcon || right_->ViewStyle() == cmd::kViewLargeIcon)};
      });
  On(cmd::kPreferences, [this] { RunDialog("CSetupPreferenceDlg"); });
  for (int id = cmd::kSkinFirst; id <= cmd::kSkinLast; ++id) {
    On(
        id, [this, id] { ApplySkin(id); },
        [this, id] {
          return S{true, skin_ == id ? S::kRadio : S::kNone, QString::fromUtf8(kSkinTexts[id - cmd::kSkinFirst])};
        });
  }
  for (std::size_t i = 0; i < 6; ++i) {
    int id = kLangCommands[i];
    On(
        id, [this, id] { ApplyLanguage(id); },
        [id, i] {
          S s{true, g_nCurrentLangCommand == id ? S::kRadio : S::kNone, {}};
          for (const LangLabels& l : kLangLabels)
            if (l.langId == g_wLangId) s.text = QString::fromUtf8(l.texts[i]);
          return s;
        });
  }
  On(cmd::kLangBox, [this] { RunDialog("CLangBox"); });
  On(cmd::kCheckUpdate, [this] { RunDialog("CUpdateDlg"); });
  On(cmd::kHelp, [this] { OnHelp(); });
  On(cmd::kTipOfDay, [this] { RunDialog("CTipDlg"); });
  On(cmd::kAppAbout, [] {
    if (CPellamorApp* app = TheApp()) app->OnAppAbout();
  });
  On(cmd::kFind, [] { Say(u"이 버전에서는 이용할 수 없습니다."); });
  On(cmd::kAutoUpdate, [] { Say(u"이 버전에서는 이용할 수 없습니다.", platform::MsgIcon::Information); });
  for (int id : {cmd::kFolderPane, cmd::kNoEffect1, cmd::kNoEffect2}) On(id, [] {});
  On(cmd::kAppExit, [this] { close(); });
  On(cmd::kFileNew, [] {});
  On(cmd::kFilePrintSetup, [] {});
  On(
      cmd::kViewToolbar, [this] { toolBar_->setVisible(!toolBar_->isVisible()); },
      [this] { return S{true, toolBar_ && !toolBar_->isHidden() ? S::kCheck : S::kNone, {}}; });
  On(
      cmd::kViewStatusBar, [this] { statusBar()->setVisible(!statusBar()->isVisible()); },
      [this] { return S{true, !statusBar()->isHidden() ? S::kCheck : S::kNone, {}}; });
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

QAction* CMainFrame::AddItem(QMenu* menu, int id, const QString& text) {
  QAction* action = menu->addAction(text);
  action->setData(id);
  connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
  menuActions_.emplace(id, action);
  return action;
}

void CMainFrame::BuildMenus() {
  QMenuBar* bar = menuBar();
  auto top = [&](const char* text) {
    QMenu* m = bar->addMenu(QString::fromUtf8(text));
    connect(m, &QMenu::aboutToShow, this, &CMainFrame::UpdateAllCommands);
    menus_ << m;
    return m;
  };
  auto sub = [&](QMenu* parent, const char* text) {
    QMenu* m = parent->addMenu(QString::fromUtf8(text));
    connect(m, &QMenu::aboutToShow, this, &CMainFrame::UpdateAllCommands);
    return m;
  };
  auto item = [&](QMenu* m, int id, const char* text) { return AddItem(m, id, QString::fromUtf8(text)); };

  QMenu* file = top("파일(&F)");
  QMenu* open = sub(file, "열기(&O)");
  item(open, cmd::kFileOpen, "드라이브(&D)...\tCtrl+D");
  item(open, cmd::kOpenVolume, "볼륨(&V)... ");
  open->addSeparator();
  item(open, cmd::kOpenImage, "이미지(&I)");
  open->addSeparator();
  item(open, cmd::kOpenDisk, "디스크(&H)...");
  item(open, cmd::kOpenPartition, "파티션(&P)...");
  file->addSeparator();
  QMenu* save = sub(file, "저장(&S)");
  item(save, cmd::kQueueWindow, "임시보관함(&S)...\tCtrl+S");
  save->addSeparator();
  QMenu* add = sub(save, "추가(&A)");
  item(add, cmd::kRecoverSelected, "기본복구방식(&1)\tF9");
  item(add, cmd::kAddQueueLinear, "선형복구방식(&2)\tF8");
  item(add, cmd::kAddQueueSector, "섹터복구방식(&3)");
  QMenu* addAll = sub(save, "모두 추가");
  item(addAll, cmd::kSaveAllDeleted, "삭제한 데이터 일괄저장(&B)");
  item(addAll, cmd::kSaveByExtension, "확장자별 저장(&E)");
  item(addAll, cmd::kSaveByDate, "날짜별 저장(&D)");
  item(addAll, cmd::kSaveByTime, "시간별 저장(&T)");
  item(addAll, cmd::kSaveByOther, "기타 조건별 저장(&C)");
  item(file, cmd::kCloseDrive, "닫기(&C)");
  file->addSeparator();
  QMenu* tools = sub(file, "도구(&T)");
  item(tools, cmd::kPropertyCheck, "FAT 복구가능여부 진단(&C)\tCtrl+T");
  item(tools, cmd::kClusterViewer, "FAT 클러스터 뷰어(&V)\tCtrl+G");
  tools->addSeparator();
  item(tools, cmd::kDiskHex, "디스크 헥스에디터(&H)");
  item(tools, cmd::kMbrRepair, "MBR 복구(&M)");
  tools->addSeparator();
  item(tools, cmd::kBootRepair, "부트섹터 복구");
  item(tools, cmd::kPartitionManager, "파티션 관리(&P)");
  tools->addSeparator();
  item(tools, cmd::kDiskUsage, "디스크 사용량(&D)");
  item(tools, cmd::kVirtualDesktop, "바탕화면 전환(&V)");
  item(tools, cmd::kScreenKeyboard, "화상 키보드(&K)\tCtrl+K");
  file->addSeparator();
  item(file, cmd::kAppExit, "종료(&X)");

  QMenu* edit = top("편집(&E)");
  item(edit, cmd::kEditSelectAll, "전체 선택(&A)\tCtrl+A");
  item(edit, cmd::kInvertSelection, "선택 반전(&R)");
  edit->addSeparator();
  item(edit, cmd::kSelectDeletedFiles, "지워진 파일 선택(&F)");
  item(edit, cmd::kSelectDeletedFolders, "지워진 폴더 선택(&D)");
  edit->addSeparator();
  item(edit, cmd::kFind, "찾기(&F)");

  QMenu* view = top("보기(&V)");
  item(view, cmd::kViewToolbar, "도구 모음(&T)");
  item(view, cmd::kViewStatusBar, "상태 표시줄(&S)");
  view->addSeparator();
  item(view, cmd::kFolderPane, "폴더창");
  item(view, cmd::kCheckBoxes, "체크박스(&U)");
  item(view, cmd::kFullScreen, "전체화면(&F)");
  view->addSeparator();
  item(view, cmd::kViewLargeIcon, "큰 아이콘(&S)");
  item(view, cmd::kViewSmallIcon, "아이콘(&N)");
  item(view, cmd::kViewList, "간단히(&L)");
  item(view, cmd::kViewDetails, "자세히(&D)");
  view->addSeparator();
  item(view, cmd::kViewLineUp, "아이콘 줄 맞춤(&L)");
  view->addSeparator();
  QMenu* skins = sub(view, "스킨(&K)");
  for (int id = cmd::kSkinFirst; id <= cmd::kSkinLast; ++id) item(skins, id, kSkinTexts[id - cmd::kSkinFirst]);

  QMenu* options = top("설정(&O)");
  item(options, cmd::kPreferences, "환경설정(&P)\tCtrl+W");
  QMenu* quick = sub(options, "빠른설정");
  item(quick, cmd::kDirectSave, "저장위치 설정(&L)");
  item(quick, cmd::kUpdateSettings, "업데이트 설정(&U)");
  options->addSeparator();
  QMenu* lang = sub(options, "언어 설정(&L)");
  item(lang, cmd::kLangAuto, "자동감지(&A)");
  lang->addSeparator();
  item(lang, cmd::kLangKorean, "한글");
  item(lang, cmd::kLangEnglish, "English");
  item(lang, cmd::kLangJapanese, "日本語");
  item(lang, cmd::kLangChineseSimplified, "中文??");
  item(lang, cmd::kLangChineseTraditional, "中文繁體");
  item(options, cmd::kLangBox, "언어 고급 설정(&A)");

  QMenu* help = top("도움말(&H)");
  item(help, cmd::kHelp, "도움말 항목(&H) \tF1");
  item(help, cmd::kTipOfDay, "오늘의 팁(&T)\tAlt+F1");
  help->addSeparator();
  item(help, cmd::kCheckUpdate, "업데이트 확인(&C)");
  item(help, cmd::kAutoUpdate, "자동 업데이트(&U)");
  help->addSeparator();
  item(help, cmd::kAppAbout, "Pellamor 정보(&A)");
}

void CMainFrame::BuildToolBar() {
  toolBar_ = addToolBar(QStringLiteral("Pellamor"));
  toolBar_->setObjectName(QStringLiteral("toolbar116"));
  toolBar_->setMovable(true);
  toolBar_->setIconSize(QSize(20, 20));
  toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  QStyle* s = style();
  struct Slot {
    int id;  // 0: separator
    const char* text;
    QStyle::StandardPixmap icon;
    const char* prompt;
  };
  const Slot buttons[14] = {
      {cmd::kFileOpen, "드라이브열기", QStyle::SP_DriveHDIcon, "복구할 디스크를 선택합니다.\n디스크 열기"},
      {0, nullptr, QStyle::SP_CustomBase, nullptr},
      {cmd::kDirectSave, "저장설정", QStyle::SP_DirIcon, nullptr},
      {cmd::kQueueWindow, "임시보관함", QStyle::SP_FileDialogListView, nullptr},
      {0, nullptr, QStyle::SP_CustomBase, nullptr},
      {cmd::kRecoverSelected, "저장", QStyle::SP_DialogSaveButton, nullptr},
      {0, nullptr, QStyle::SP_CustomBase, nullptr},
      {cmd::kFullScreenButton, "찾기", QStyle::SP_FileDialogContentsView, nullptr},
      {cmd::kPropertyCheck, "복구율진단", QStyle::SP_FileDialogInfoView, nullptr},
      {0, nullptr, QStyle::SP_CustomBase, nullptr},
      {cmd::kPreferences, "환경설정", QStyle::SP_FileDialogDetailedView, nullptr},
      {0, nullptr, QStyle::SP_CustomBase, nullptr},
      {cmd::kFolderPane, "폴더창", QStyle::SP_DirOpenIcon, nullptr},
      {cmd::kFullScreen, "전체화면", QStyle::SP_TitleBarMaxButton, nullptr},
  };
  for (const Slot& slot : buttons) {
    if (!slot.id) {
      toolBar_->addSeparator();
      continue;
    }
    QAction* a = toolBar_->addAction(s->standardIcon(slot.icon), QString::fromUtf8(slot.text));
    a->setData(slot.id);
    if (slot.prompt) {
      QStringList parts = QString::fromUtf8(slot.prompt).split(u'\n');
      a->setStatusTip(parts.value(0));
      a->setToolTip(parts.value(1));
    }
    int id = slot.id;
    connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
    toolActions_.emplace(id, a);
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
  struct Key {
    const char* keys;
    int id;
  };
  const Key keys[] = {
      {"F1", cmd::kHelp},          {"Ctrl+S", cmd::kQueueWindow},      {"Alt+F1", cmd::kTipOfDay},
      {"Ctrl+C", cmd::kEditCopy},  {"Ctrl+Ins", cmd::kEditCopy},       {"Shift+Del", cmd::kEditCut},
      {"Ctrl+X", cmd::kEditCut},   {"Ctrl+V", cmd::kEditPaste},        {"Shift+Ins", cmd::kEditPaste},
      {"Ctrl+A", cmd::kEditSelectAll}, {"Alt+Backspace", cmd::kEditUndo}, {"Ctrl+Z", cmd::kEditUndo},
      {"Ctrl+N", cmd::kFileNew},   {"Ctrl+D", cmd::kFileOpen},         {"Ctrl+P", cmd::kFilePrint},
      {"Ctrl+T", cmd::kPropertyCheck}, {"F9", cmd::kAddQueueBasic},    {"F8", cmd::kAddQueueLinear},
      {"Ctrl+W", cmd::kPreferences}, {"F4", cmd::kF4},                 {"F6", cmd::kClusterViewer},
  };
  for (const Key& k : keys) {
    auto* a = new QAction(this);
    a->setShortcut(QKeySequence(QString::fromLatin1(k.keys)));
    a->setShortcutContext(Qt::WindowShortcut);
    a->setData(k.id);
    int id = k.id;
    connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
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
  bool opened = left_->OpenDriveAndBuildTree();
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
  if (!left_ || !left_->FileSystem()) return;
  // Every worker that reads the volume stops before the engine frees its state.
  right_->StopVolumeWorkers();
  right_->setEnabled(false);
  left_->setEnabled(false);
  left_->CloseVolume();
  right_->OnDriveClosed();
  right_->DestroyQueueWindow();
  SetStatusPaneText(0, {});
  SetStatusPaneText(1, {});
  right_->setEnabled(true);
  left_->setEnabled(true);
  left_->viewport()->update();
  setWindowTitle(QStringLiteral("Pellamor"));
}

void CMainFrame::SetOwnedChild(QWidget* child) {
  if (ownedChild_ && ownedChild_ != child) delete ownedChild_;
  ownedChild_ = child;
}

int CMainFrame::OnOwnedChildMessage(int wParam) {
  if (!ownedChild_) return -1;
  if (wParam == 1 || wParam == 2) {
    delete ownedChild_;
    ownedChild_ = nullptr;
  }
  return 0;
}
