#include "Pellamor/DLG/CDirectSaveDlg/CDirectSaveDlg.h"

#include <QLineEdit>
#include <QPushButton>

#include "Pellamor/SaveFolder.h"
#include "controls/DialogUnits.h"
#include "controls/FolderDialog.h"
#include "corvane/dll_processor.h"
#include "platform/message.h"
#include "shared/DialogFrame.h"
#include "shared/DialogHeaderCtrl.h"

namespace {

// Template size and spacing in dialog units.
constexpr int kWidth = 260;
constexpr int kBodyHeight = 52;
constexpr int kMargin = 7;
constexpr int kRowHeight = 14;
constexpr int kBrowseWidth = 58;
constexpr int kButtonWidth = 44;
constexpr int kButtonHeight = 14;
constexpr int kButtonGap = 4;

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

QString DefaultFolder() { return QString::fromStdU16String(g_strDefaultSaveFolder); }
bool DefaultFolderSet() { return g_bDefaultSaveFolderSet != 0 && !g_strDefaultSaveFolder.empty(); }

void Tell(const char16_t* text) {
  platform::ShowMessage(text, platform::MsgButtons::Ok, platform::MsgIcon::Information);
}

}  // namespace

CDirectSaveDlg::CDirectSaveDlg(QWidget* parent) : CResizableDialog(parent) {
  dlgframe::DialogTemplate frame(this, kWidth, kBodyHeight, Text(u"저장위치"),
                                 Text(u"복구할 데이터의 저장위치를 설정합니다."), 242);
  header_ = frame.Header();
  const int w = frame.Width();
  const int rowTop = frame.BodyTop();
  browse_ = dlgframe::MakeButton(this, {u"찾아보기(&B)...", "browse"});
  browse_->setGeometry(w - frame.X(kMargin + kBrowseWidth), rowTop, frame.X(kBrowseWidth), frame.Y(kRowHeight));
  folderText_ = new QLineEdit(this);
  folderText_->setObjectName(QStringLiteral("folder"));
  folderText_->setReadOnly(true);
  folderText_->setGeometry(frame.X(kMargin), rowTop, browse_->x() - frame.X(kButtonGap) - frame.X(kMargin),
                           frame.Y(kRowHeight));
  AddAnchor(folderText_, anchor::TopLeft, anchor::TopRight);
  AddAnchor(browse_, anchor::TopRight);

  const std::vector<QPushButton*> left =
      frame.LeftButtons({{u"열기", "open"}, {u"초기화", "reset"}, {u"기본값", "default"}});
  open_ = left[0];
  reset_ = left[1];
  default_ = left[2];
  const std::vector<QPushButton*> right = frame.RightButtons(
      {{u"확인", "ok", dlgframe::Role::Accept, true}, {u"취소", "cancel", dlgframe::Role::Reject}});
  ok_ = right[0];
  cancel_ = right[1];

  connect(browse_, &QPushButton::clicked, this, &CDirectSaveDlg::OnBrowse);
  connect(open_, &QPushButton::clicked, this, &CDirectSaveDlg::OnOpen);
  connect(reset_, &QPushButton::clicked, this, &CDirectSaveDlg::OnReset);
  connect(default_, &QPushButton::clicked, this, &CDirectSaveDlg::OnDefault);
}

void CDirectSaveDlg::showEvent(QShowEvent* event) {
  if (!initialised_) {
    initialised_ = true;
    OnInitDialog();
  }
  CResizableDialog::showEvent(event);
}

void CDirectSaveDlg::OnInitDialog() {
  chosenFolder_ = initialFolder_;
  ShowFolder();
  ok_->setEnabled(false);
  default_->setEnabled(DefaultFolderSet());
}

void CDirectSaveDlg::ShowFolder() {
  if (!chosenFolder_.isEmpty()) {
    folderText_->setText(chosenFolder_);
  } else if (mode_ == kDefaultFolderMode) {
    folderText_->setText(Text(u" 저장위치가 설정되어 있지 않습니다."));
  } else {
    folderText_->setText(Text(u" 저장위치를 변경합니다."));
  }
  folderText_->setCursorPosition(0);
}

void CDirectSaveDlg::OnBrowse() {
  CFolderDialog picker(chosenFolder_, this);
  if (picker.DoModal() != CFolderDialog::kOk) return;
  chosenFolder_ = picker.GetFolderPath();
  folderText_->setText(chosenFolder_);
  folderText_->setCursorPosition(0);
  ok_->setEnabled(chosenFolder_ != initialFolder_);
}

void CDirectSaveDlg::OnReset() {
  chosenFolder_.clear();
  folderText_->setText(Text(u" 저장위치가 설정되어 있지 않습니다."));
  ok_->setEnabled(true);
}

void CDirectSaveDlg::OnOpen() {
  if (chosenFolder_.isEmpty()) {
    Tell(u"저장위치가 설정되어 있지 않습니다.");
    return;
  }
  if (pfn_open_process) pfn_open_process(chosenFolder_.toStdU16String());
}

void CDirectSaveDlg::OnDefault() {
  if (!DefaultFolderSet()) return;
  if (chosenFolder_ == DefaultFolder()) {
    Tell(u"설정된 저장위치는 기본값과 동일합니다.");
    return;
  }
  chosenFolder_ = DefaultFolder();
  folderText_->setText(chosenFolder_);
  folderText_->setCursorPosition(0);
  ok_->setEnabled(true);
}

void CDirectSaveDlg::accept() {
  if (mode_ == kDefaultFolderMode) {
    // An emptied folder is no default: new queue items then take none.
    g_strDefaultSaveFolder = chosenFolder_.toStdU16String();
    g_bDefaultSaveFolderSet = chosenFolder_.isEmpty() ? 0 : 1;
  } else {
    initialFolder_ = chosenFolder_;
  }
  CResizableDialog::accept();
}

std::optional<CDirectSaveDlg::Result> CDirectSaveDlg::Open(QWidget* parent, const Args& args) {
  CDirectSaveDlg dialog(parent);
  dialog.SetMode(args.mode == kItemMode ? kItemMode : kDefaultFolderMode);
  if (args.initialFolder)
    dialog.SetInitialFolder(*args.initialFolder);
  else if (dialog.Mode() == kDefaultFolderMode && g_bDefaultSaveFolderSet)
    dialog.SetInitialFolder(DefaultFolder());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return Result{dialog.ChosenFolder()};
}

CDirectSaveDlg::Args CDirectSaveDlg::ArgsFrom(const dlg::DialogArgs& values) {
  Args args;
  args.mode = dlg::IntArg(values, 0, kDefaultFolderMode);
  for (int i = 1; i < values.size(); ++i) {
    if (values[i].metaType() == QMetaType::fromType<Result*>()) continue;
    args.initialFolder = values[i].toString();
    break;
  }
  return args;
}
