// The main frame's command table: one handler (and, where the item changes, one update) per
// command id, grouped by area. The menus, toolbar and accelerators that send these ids are
// tables in MainMenus.cpp.
#include <QApplication>
#include <QMenu>
#include <QToolBar>
#include <QStatusBar>

#include "Pellamor/App.h"
#include "Pellamor/CommandIds.h"
#include "Pellamor/DLG/CDlgVirtualDesktopBox/CDlgVirtualDesktopBox.h"
#include "Pellamor/DLG/CPropertyEditDlg/CPropertyEditDlg.h"
#include "Pellamor/MainFrame.h"
#include "Pellamor/MainMenus.h"
#include "platform/message.h"

namespace {

using S = CommandState;

void Say(const char16_t* text, platform::MsgIcon icon = platform::MsgIcon::None) {
  platform::ShowMessage(text, platform::MsgButtons::Ok, icon);
}

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

}  // namespace

void CMainFrame::BuildCommands() {
  BuildDriveCommands();
  BuildListCommands();
  BuildQueueCommands();
  BuildToolCommands();
  BuildViewCommands();
  BuildSettingsCommands();
  BuildHelpCommands();
  BuildFrameCommands();
}

// ---- drive ----

void CMainFrame::BuildDriveCommands() {
  On(cmd::kFileOpen, [this] { RunPicker(2); });
  On(cmd::kOpenVolume, [this] { RunPicker(3); });
  On(cmd::kOpenImage, [this] { RunPicker(4); });
  On(cmd::kOpenDisk, [this] { RunPicker(0); });
  On(cmd::kOpenPartition, [this] { RunPicker(1); });
  On(cmd::kCloseDrive, [this] { OnCloseDrive(); });
}

// ---- list ----

void CMainFrame::BuildListCommands() {
  On(cmd::kEditSelectAll, [this] { right_->SelectAllRows(); });
  On(cmd::kInvertSelection, [this] { right_->InvertSelection(); });
  On(cmd::kFind, [] { Say(u"이 버전에서는 이용할 수 없습니다."); });
  // The copy keys reach the list that has the focus (its own copy of the selected rows).
  On(
      cmd::kEditCopy, [this] { right_->OnEditCommand(cmd::kEditCopy); }, [this] { return S{ListHasFocus()}; });
}

// ---- queue and recovery ----

void CMainFrame::BuildQueueCommands() {
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
        if (!session_->IsOpen()) return;
        // The row menu's two queue items, under the toolbar button or at the cursor.
        if (QMenu* menu = right_->CreateRecoverMenu()) {
          menu->setAttribute(Qt::WA_DeleteOnClose);
          menu->popup(CommandMenuPoint());
        }
      },
      [this] {
        if (!ListHasFocus()) rememberedRow_ = -1;
        return S{ListHasFocus()};
      });
  // F9 and F8 (and the row menu's items): the selected rows go to the queue window.
  On(cmd::kAddQueueBasic, [this] { right_->AddSelectedToQueue(0); });
  On(cmd::kAddQueueLinear, [this] { right_->AddSelectedToQueue(1); });
  On(list_cmd::kAddQueueBasic, [this] { right_->AddSelectedToQueue(0); });
  On(list_cmd::kAddQueueLinear, [this] { right_->AddSelectedToQueue(1); });
  On(list_cmd::kRowInfo, [this] { right_->ShowRowInfo(); });
}

// ---- tools ----

void CMainFrame::BuildToolCommands() {
  On(
      cmd::kPropertyCheck,
      [this] {
        const FsCapabilities* caps = session_->Capabilities();
        if (!caps || !caps->propertyCheck) {
          Say(u"FAT12/16/32 파일시스템이 아닙니다.");
          return;
        }
        // The entry behind the list's one selected row.
        const std::optional<ListRowEntry> entry = right_->SelectedEntry();
        if (!entry || right_->SelectedRowCount() != 1) return;
        // A category row's entry lies in its own folder's table: that folder is read first.
        if (entry->keys.otherFolder && !ReadDirectory(entry->keys.folderCluster)) return;
        dlg::Open<CPropertyEditDlg>(this, CPropertyEditDlg::Args{static_cast<int>(entry->keys.entryIndex)});
      },
      [this] {
        if (!ListHasFocus()) rememberedRow_ = -1;
        return S{ListHasFocus() && right_->SelectedRowCount() == 1};
      });
  On(cmd::kClusterViewer, [this] {
    if (!session_->IsOpen()) {
      Say(u"드라이브가 선택되지 않았습니다.");
      return;
    }
    if (!session_->Capabilities() || !session_->Capabilities()->clusterViewer) {
      Say(u"FAT12/16/32 파일시스템이 아닙니다.");
      return;
    }
    RunDialog("CClusterViewer", rememberedRow_);
  });
  On(cmd::kDiskHex, [this] { RunDialog("CDiskHexDlg"); });
  On(cmd::kDiskUsage, [this] { RunDialog("CDlgDiskUsageBox"); });
  // Other programs' windows can be switched in an X11 session only.
  On(
      cmd::kVirtualDesktop, [this] { RunDialog("CDlgVirtualDesktopBox"); },
      [] { return S{CDlgVirtualDesktopBox::Available()}; });
  On(cmd::kSysInfo, [this] { RunDialog("CDlgSysInfoBox"); });
  On(cmd::kInstalledSoftware, [this] { RunDialog("CDlgInstSwListBox"); });
  On(cmd::kHomePage, [this] { RunDialog("HomePage"); });
}

// ---- view ----

void CMainFrame::BuildViewCommands() {
  On(
      cmd::kCheckBoxes,
      [this] { right_->SetCheckBoxMode(!right_->CheckBoxMode()); },
      [this] { return S{true, right_->CheckBoxMode() ? S::kCheck : S::kNone, {}}; });
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
  for (int id = cmd::kSkinFirst; id <= cmd::kSkinLast; ++id) {
    On(
        id, [this, id] { ApplySkin(id); },
        [this, id] {
          return S{true, skin_ == id ? S::kRadio : S::kNone,
                   QString::fromUtf8(main_menus::kSkinTexts[id - cmd::kSkinFirst])};
        });
  }
  On(
      cmd::kViewToolbar, [this] { toolBar_->setVisible(!toolBar_->isVisible()); },
      [this] { return S{true, toolBar_ && !toolBar_->isHidden() ? S::kCheck : S::kNone, {}}; });
  On(
      cmd::kViewStatusBar, [this] { statusBar()->setVisible(!statusBar()->isVisible()); },
      [this] { return S{true, !statusBar()->isHidden() ? S::kCheck : S::kNone, {}}; });
  for (int id : {cmd::kFolderPane, cmd::kNoEffect1, cmd::kNoEffect2}) On(id, [] {});
}

// ---- settings ----

void CMainFrame::BuildSettingsCommands() {
  On(cmd::kDirectSave, [this] { RunDialog("CDirectSaveDlg", 1); });
  On(cmd::kPreferences, [this] { RunDialog("CSetupPreferenceDlg"); });
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
}

// ---- help ----

void CMainFrame::BuildHelpCommands() {
  On(cmd::kCheckUpdate, [this] { RunDialog("CUpdateDlg"); });
  On(cmd::kHelp, [this] { OnHelp(); });
  On(cmd::kTipOfDay, [this] { RunDialog("CTipDlg"); });
  On(cmd::kAppAbout, [] {
    if (CPellamorApp* app = TheApp()) app->OnAppAbout();
  });
  On(cmd::kAutoUpdate, [] { Say(u"이 버전에서는 이용할 수 없습니다.", platform::MsgIcon::Information); });
}

// ---- the frame itself ----

void CMainFrame::BuildFrameCommands() {
  On(cmd::kAppExit, [this] { close(); });
  On(cmd::kFileNew, [] {});
  On(cmd::kFilePrintSetup, [] {});
}
