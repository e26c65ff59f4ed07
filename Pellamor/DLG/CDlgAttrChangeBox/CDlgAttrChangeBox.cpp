#include "Pellamor/DLG/CDlgAttrChangeBox/CDlgAttrChangeBox.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "Pellamor/DLG/DRSaveBox/QueueRun.h"
#include "Pellamor/DLG/Dialogs.h"
#include "controls/DialogUnits.h"
#include "platform/message.h"
#include "platform/output_file.h"
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
constexpr int kButtonHeight = 14;
constexpr int kButtonGap = 4;

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

platform::MsgAnswer Tell(const char16_t* text, platform::MsgButtons buttons = platform::MsgButtons::Ok,
                         platform::MsgIcon icon = platform::MsgIcon::Information) {
  return platform::ShowMessage(text, buttons, icon);
}

}  // namespace

CDlgAttrChangeBox::CDlgAttrChangeBox(QWidget* parent) : CResizableDialog(parent) {
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

  const QSize button = DialogUnitsToPixels(QSize(kButtonWidth, kButtonHeight), base);
  const int buttonTop = h - y(kMargin) - button.height();
  auto makeButton = [&](const char16_t* text, const char* name, int left) {
    auto* b = new QPushButton(Text(text), this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setGeometry(left, buttonTop, button.width(), button.height());
    return b;
  };
  default_ = makeButton(u"기본값", "default", x(kMargin));
  cancel_ = makeButton(u"취소", "cancel", w - x(kMargin) - button.width());
  change_ = makeButton(u"변경", "change", cancel_->x() - x(kButtonGap) - button.width());
  change_->setDefault(true);
  // Part of the form, but asking again is the queue's business: shown, not offered.
  dontAsk_ = new QCheckBox(Text(u"다시 묻지 않기"), this);
  dontAsk_->setObjectName(QStringLiteral("dontAsk"));
  dontAsk_->setEnabled(false);
  const int checkLeft = default_->x() + button.width() + x(kButtonGap * 2);
  dontAsk_->setGeometry(checkLeft, buttonTop, change_->x() - x(kButtonGap) - checkLeft, button.height());

  connect(change_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(default_, &QPushButton::clicked, this, [this] { targetEdit_->setText(sourceName_); });

  AddAnchor(header_, anchor::TopLeft, anchor::TopRight);
  AddAnchor(sourceEdit_, anchor::TopLeft, anchor::TopRight);
  AddAnchor(targetEdit_, anchor::TopLeft, anchor::TopRight);
  AddAnchor(hint_, anchor::TopLeft, anchor::TopRight);
  AddAnchor(default_, anchor::BottomLeft);
  AddAnchor(dontAsk_, anchor::BottomLeft, anchor::BottomRight);
  AddAnchor(change_, anchor::BottomRight);
  AddAnchor(cancel_, anchor::BottomRight);

  header_->SetTitle(Text(u"속성 변경도구"));
  header_->SetDescription(Text(u"속성을 변경합니다."));
  header_->SetIconId(305);
  setWindowTitle(header_->Title());
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

int CDlgAttrChangeBox::Run(QWidget* parent, const QVariantList& args) {
  CDlgAttrChangeBox dialog(parent);
  Result* out = dlg::FindArg<Result>(args);
  for (const QVariant& a : args) {
    if (a.metaType() != QMetaType::fromType<Result*>()) {
      dialog.SetSourceName(a.toString());
      break;
    }
  }
  const int answer = dialog.exec();
  if (out) out->targetName = dialog.TargetName();
  return answer;
}
