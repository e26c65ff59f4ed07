#include "Pellamor/DLG/CDiskHexDlg/CDiskHexDlg.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <array>
#include <cstdint>

#include "shared/ByteloomBase.h"
#include "shared/DialogFrame.h"
#include "shared/DialogHeaderCtrl.h"

namespace {

// Template size in dialog units.
constexpr int kWidth = 420;
constexpr int kBodyHeight = 230;
constexpr int kMargin = dlgframe::DialogTemplate::kMargin;
constexpr int kScrollHeight = 10;
constexpr int kEditWidth = 80;
constexpr int kGap = 4;

}  // namespace

CDiskHexDlg::CDiskHexDlg(QWidget* parent) : CResizableDialog(parent) {
  dlgframe::DialogTemplate frame(this, kWidth, kBodyHeight, QString::fromUtf16(u"디스크 헥스 에디터"),
                                 QString::fromUtf16(u"디스크의 섹터를 16진수 형태로 편집합니다."), 256);
  header_ = frame.Header();
  const int w = frame.Width();
  const int buttonTop = frame.ButtonTop();
  const int scrollTop = buttonTop - frame.Y(kGap) - frame.Y(kScrollHeight);

  hex_ = new CByteloomBase(this);
  hex_->setObjectName(QStringLiteral("hex"));
  hex_->setGeometry(frame.X(kMargin), frame.BodyTop(), w - 2 * frame.X(kMargin),
                    scrollTop - frame.Y(kGap) - frame.BodyTop());
  scroll_ = new QScrollBar(Qt::Horizontal, this);
  scroll_->setObjectName(QStringLiteral("scroll"));
  scroll_->setGeometry(frame.X(kMargin), scrollTop, w - 2 * frame.X(kMargin), frame.Y(kScrollHeight));
  AddAnchor(hex_, anchor::TopLeft, anchor::BottomRight);
  AddAnchor(scroll_, anchor::BottomLeft, anchor::BottomRight);

  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("edit"));
  edit_->setReadOnly(true);
  edit_->setGeometry(frame.X(kMargin), buttonTop, frame.X(kEditWidth),
                     frame.Y(dlgframe::DialogTemplate::kButtonHeight));
  AddAnchor(edit_, anchor::BottomLeft);
  go_ = dlgframe::MakeButton(this, {u"Go", "go"});
  save_ = dlgframe::MakeButton(this, {u"Save", "save"});
  const int buttonWidth = frame.X(dlgframe::DialogTemplate::kButtonWidth);
  const int buttonHeight = frame.Y(dlgframe::DialogTemplate::kButtonHeight);
  go_->setGeometry(edit_->geometry().right() + 1 + frame.X(kGap), buttonTop, buttonWidth, buttonHeight);
  save_->setGeometry(go_->geometry().right() + 1 + frame.X(kGap), buttonTop, buttonWidth, buttonHeight);
  AddAnchor(go_, anchor::BottomLeft);
  AddAnchor(save_, anchor::BottomLeft);
  // There is no sector to go to or to save.
  go_->setEnabled(false);
  save_->setEnabled(false);

  const std::vector<QPushButton*> right = frame.RightButtons(
      {{u"확인", "ok", dlgframe::Role::Accept, true}, {u"취소", "cancel", dlgframe::Role::Reject}});
  ok_ = right[0];
  cancel_ = right[1];

  // The sample block: byte i holds i mod 256.
  std::array<std::uint8_t, CByteloomBase::kBlockSize> block{};
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i % 256);
  hex_->SetMultiLine(true);
  hex_->SetAddressDigits(4);
  hex_->ShowAddressColumn(true);
  hex_->ShowAsciiColumn(true);
  hex_->SetBytesPerRow(16, true);
  hex_->SetData(block.data(), block.size());
}

int CDiskHexDlg::Open(QWidget* parent, const Args&) {
  CDiskHexDlg dialog(parent);
  return dialog.exec() == QDialog::Accepted ? 1 : 0;
}
