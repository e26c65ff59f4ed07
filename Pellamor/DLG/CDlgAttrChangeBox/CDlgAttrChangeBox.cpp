#include "Pellamor/DLG/CDlgAttrChangeBox/CDlgAttrChangeBox.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "Pellamor/DLG/DRSaveBox/QueueRun.h"
#include "Pellamor/DLG/Dialogs.h"
#include "platform/message.h"
#include "platform/output_file.h"
#include "shared/DialogFrame.h"
#include "shared/DialogHeaderCtrl.h"

namespace {

// Template size and spacing in dialog units.
constexpr int kWidth = 250;
constexpr int kBodyHeight = 84;
constexpr int kMargin = 7;
constexpr int kRowHeight = 12;
constexpr int kRowStep = 17;
constexpr int kLabelWidth = 50;
constexpr int kButtonWidth = 50;
constexpr int kButtonGap = 4;

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

platform::MsgAnswer Tell(const char16_t* text, platform::MsgButtons buttons = platform::MsgButtons::Ok,
                         platform::MsgIcon icon = platform::MsgIcon::Information) {
  return platform::ShowMessage(text, buttons, icon);
}

}  // namespace

CDlgAttrChangeBox::CDlgAttrChangeBox(QWidget* parent) : CResizableDialog(parent) {
  dlgframe::DialogTemplate frame(this, kWidth, kBodyHeight, Text(u"속성 변경도구"), Text(u"속성을 변경합니다."), 305);
  header_ = frame.Header();
  auto x = [&](int units) { return frame.X(units); };
  auto y = [&](int units) { return frame.Y(units); };
  const int w = frame.Width();
  const int headerHeight = header_->height();

  const int fieldLeft = x(kMargin + kLabelWidth);
  const int fieldWidth = w - x(kMargin) - fieldLeft;
  auto rowTop = [&](int i) { return headerHeight + y(kMargin + i * kRowStep); };
  auto label = [&](const char16_t* text, int i) {
    auto* l = new QLabel(Text(text), this);
    l->setGeometry(x(kMargin), rowTop(i), fieldLeft - x(kMargin) - x(2), y(kRowHeight));
  };
  label(u"현재 이름:", 0);
  sourceEdit_ = new QLineEdit(this);
  sourceEdit_->setObjectName(QStringLiteral("source"));
  sourceEdit_->setReadOnly(true);
  sourceEdit_->setGeometry(fieldLeft, rowTop(0), fieldWidth, y(kRowHeight));
  label(u"새 이름:", 1);
  targetEdit_ = new QLineEdit(this);
  targetEdit_->setObjectName(QStringLiteral("target"));
  targetEdit_->setGeometry(fieldLeft, rowTop(1), fieldWidth, y(kRowHeight));
  hint_ = new QLabel(this);
  hint_->setObjectName(QStringLiteral("hint"));
  hint_->setGeometry(x(kMargin), rowTop(2), w - 2 * x(kMargin), y(kRowHeight));

  default_ = frame.LeftButtons({{u"기본값", "default"}}, kButtonWidth)[0];
  const std::vector<QPushButton*> right = frame.RightButtons(
      {{u"변경", "change", dlgframe::Role::Accept, true}, {u"취소", "cancel", dlgframe::Role::Reject}}, kButtonWidth);
  change_ = right[0];
  cancel_ = right[1];
  // Part of the form, but asking again is the queue's business: shown, not offered.
  dontAsk_ = new QCheckBox(Text(u"다시 묻지 않기"), this);
  dontAsk_->setObjectName(QStringLiteral("dontAsk"));
  dontAsk_->setEnabled(false);
  const int checkLeft = default_->x() + default_->width() + x(kButtonGap * 2);
  dontAsk_->setGeometry(checkLeft, frame.ButtonTop(), change_->x() - x(kButtonGap) - checkLeft, default_->height());

  connect(default_, &QPushButton::clicked, this, [this] { targetEdit_->setText(sourceName_); });

  AddAnchor(sourceEdit_, anchor::TopLeft, anchor::TopRight);
  AddAnchor(targetEdit_, anchor::TopLeft, anchor::TopRight);
  AddAnchor(hint_, anchor::TopLeft, anchor::TopRight);
  AddAnchor(dontAsk_, anchor::BottomLeft, anchor::BottomRight);

  hint_->setText(Text(u"기존 파일을 덮어쓰지 않도록 파일명을 변경합니다."));
  targetEdit_->setFocus();
}

void CDlgAttrChangeBox::SetSourceName(const QString& name) {
  sourceName_ = name;
  sourceEdit_->setText(name);
  targetEdit_->setText(name);
  targetEdit_->selectAll();
}

QString CDlgAttrChangeBox::TrimBlanks(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text[begin] == u' ') ++begin;
  while (end > begin && text[end - 1] == u' ') --end;
  return text.mid(begin, end - begin);
}

void CDlgAttrChangeBox::accept() {
  const QString name = TrimBlanks(targetEdit_->text());
  if (name.isEmpty()) {
    Tell(u"기존파일에 덮어쓰거나 파일명 변경을 원치 않으면 취소를 선택하십시오.");
    return;
  }
  // The name is written as one entry of the save folder.
  if (!platform::IsPlainFileName(name.toStdU16String())) {
    Tell(u"사용할 수 없는 파일명입니다.\r\n\n'/' 문자나 NUL 문자가 들어 있거나 '.', '..'인 이름은 쓸 수 없습니다.",
         platform::MsgButtons::Ok, platform::MsgIcon::Warning);
    targetEdit_->setFocus();
    return;
  }
  // The same name by the rule the queue uses when it replaces a file of the save folder.
  using drsave::FolderIndex;
  if (FolderIndex::Fold(name.toStdU16String()) == FolderIndex::Fold(sourceName_.toStdU16String())) {
    if (Tell(u"기존 파일명과 동일합니다.\r\n\n정말 덮어쓰시겠습니까?", platform::MsgButtons::YesNo,
             platform::MsgIcon::Question) != platform::MsgAnswer::Yes) {
      Tell(u"원본과 다른 파일명으로 변경하십시오.");
      return;
    }
    targetName_ = name;
    done(kOverwrite);
    return;
  }
  targetName_ = name;
  done(kRenamed);
}

void CDlgAttrChangeBox::reject() {
  targetName_.clear();
  done(kCancelled);
}

CDlgAttrChangeBox::Result CDlgAttrChangeBox::Open(QWidget* parent, const Args& args) {
  CDlgAttrChangeBox dialog(parent);
  dialog.SetSourceName(args.sourceName);
  Result result;
  result.code = dialog.exec();
  result.targetName = dialog.TargetName();
  return result;
}

CDlgAttrChangeBox::Args CDlgAttrChangeBox::ArgsFrom(const dlg::DialogArgs& values) {
  for (const QVariant& a : values)
    if (a.metaType() != QMetaType::fromType<Result*>()) return {a.toString()};
  return {};
}

int RunnerCode(const CDlgAttrChangeBox::Result& result, const dlg::DialogArgs& values) {
  if (auto* out = dlg::FindArg<CDlgAttrChangeBox::Result>(values)) *out = result;
  return result.code;
}
