#include "Pellamor/DLG/CDirectSaveDlg/CDirectSaveDlg.h"

#include <QLineEdit>
#include <QPushButton>

#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/SaveFolder.h"
#include "controls/DialogUnits.h"
#include "controls/FolderDialog.h"
#include "corvane/dll_processor.h"
#include "platform/message.h"
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
  const DialogBaseUnits base = BaseUnitsOf(font());
  auto x = [&](int units) { return DialogUnitsToPixelsX(units, base); };
  auto y = [&](int units) { return DialogUnitsToPixelsY(units, base); };

  header_ = new CDialogHeaderCtrl(this);
  header_->setObjectName(QStringLiteral("header"));
  const int w = x(kWidth);
  const int headerHeight = header_->sizeHint().height();
  const int h = headerHeight + y(kBodyHeight);
  resize(w, h);
  header_->setGeometry(0, 0, w, headerHeight);

  const int rowTop = headerHeight + y(kMargin);
  browse_ = new QPushButton(this);
  browse_->setObjectName(QStringLiteral("browse"));
  browse_->setGeometry(w - x(kMargin + kBrowseWidth), rowTop, x(kBrowseWidth), y(kRowHeight));
  folderText_ = new QLineEdit(this);
  folderText_->setObjectName(QStringLiteral("folder"));
  folderText_->setReadOnly(true);
  folderText_->setGeometry(x(kMargin), rowTop, browse_->x() - x(kButtonGap) - x(kMargin), y(kRowHeight));

  const QSize button = DialogUnitsToPixels(QSize(kButtonWidth, kButtonHeight), base);
  const int buttonTop = h - y(kMargin) - button.height();
  auto makeButton = [&](const char16_t* text, const char* name, int left) {
    auto* b = new QPushButton(Text(text), this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setGeometry(left, buttonTop, button.width(), button.height());
    return b;
  };
  const int step = button.width() + x(kButtonGap);
  open_ = makeButton(u"열기", "open", x(kMargin));
  reset_ = makeButton(u"초기화", "reset", x(kMargin) + step);
  default_ = makeButton(u"기본값", "default", x(kMargin) + 2 * step);
  cancel_ = makeButton(u"취소", "cancel", w - x(kMargin) - button.width());
  ok_ = makeButton(u"확인", "ok", cancel_->x() - step);
  ok_->setDefault(true);

  connect(browse_, &QPushButton::clicked, this, &CDirectSaveDlg::OnBrowse);
  connect(open_, &QPushButton::clicked, this, &CDirectSaveDlg::OnOpen);
  connect(reset_, &QPushButton::clicked, this, &CDirectSaveDlg::OnReset);
  connect(default_, &QPushButton::clicked, this, &CDirectSaveDlg::OnDefault);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

  AddAnchor(header_, anchor::TopLeft, anchor::TopRight);
  AddAnchor(folderText_, anchor::TopLeft, anchor::TopRight);
  AddAnchor(browse_, anchor::TopRight);
  AddAnchor(open_, anchor::BottomLeft);
  AddAnchor(reset_, anchor::BottomLeft);
  AddAnchor(default_, anchor::BottomLeft);
  AddAnchor(ok_, anchor::BottomRight);
  AddAnchor(cancel_, anchor::BottomRight);
}

void CDirectSaveDlg::showEvent(QShowEvent* event) {
  if (!initialised_) {
    initialised_ = true;
    OnInitDialog();
  }
  CResizableDialog::showEvent(event);
}

void CDirectSaveDlg::OnInitDialog() {
  header_->SetTitle(Text(u"저장위치"));
  header_->SetDescription(Text(u"복구할 데이터의 저장위치를 설정합니다."));
  header_->SetIconId(242);
  setWindowTitle(header_->Title());
  browse_->setText(Text(u"찾아보기(&B)..."));
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

int CDirectSaveDlg::Run(QWidget* parent, const QVariantList& args) {
  CDirectSaveDlg dialog(parent);
  const int mode = args.isEmpty() ? kDefaultFolderMode : args[0].toInt();
  dialog.SetMode(mode == kItemMode ? kItemMode : kDefaultFolderMode);
  Result* out = dlg::FindArg<Result>(args.mid(1));
  bool folderGiven = false;
  for (int i = 1; i < args.size() && !folderGiven; ++i) {
    if (args[i].metaType() != QMetaType::fromType<Result*>()) {
      dialog.SetInitialFolder(args[i].toString());
      folderGiven = true;
    }
  }
  if (!folderGiven && dialog.Mode() == kDefaultFolderMode && g_bDefaultSaveFolderSet)
    dialog.SetInitialFolder(DefaultFolder());
  const int answer = dialog.exec() == QDialog::Accepted ? 1 : 0;
  if (answer && out) out->folder = dialog.InitialFolder();
  return answer;
}
