#include "shared/DialogFrame.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "controls/ResizableDialog.h"
#include "shared/DialogHeaderCtrl.h"

namespace dlgframe {

CDialogHeaderCtrl* MakeHeader(QDialog* dialog, const QString& title, const QString& description, int iconId) {
  auto* header = new CDialogHeaderCtrl(dialog);
  header->setObjectName(QStringLiteral("header"));
  header->SetTitle(title);
  header->SetDescription(description);
  header->SetIconId(iconId);
  dialog->setWindowTitle(title);
  return header;
}

QPushButton* MakeButton(QWidget* parent, const ButtonSpec& spec) {
  auto* button = new QPushButton(QString::fromUtf16(spec.text), parent);
  button->setObjectName(QString::fromLatin1(spec.name));
  button->setAutoDefault(false);
  button->setDefault(spec.isDefault);
  auto* dialog = qobject_cast<QDialog*>(parent);
  if (!dialog) return button;
  if (spec.role == Role::Accept) QObject::connect(button, &QPushButton::clicked, dialog, &QDialog::accept);
  if (spec.role == Role::Reject) QObject::connect(button, &QPushButton::clicked, dialog, &QDialog::reject);
  return button;
}

void StackUnderBand(QDialog* dialog, CDialogHeaderCtrl* header, QLayout* body, int bodyStretch) {
  header->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  auto* column = new QVBoxLayout(dialog);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(header);
  column->addLayout(body, bodyStretch);
}

QHBoxLayout* ButtonRowLayout(QDialog* dialog, std::initializer_list<ButtonSpec> specs,
                             std::vector<QPushButton*>* made) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  for (const ButtonSpec& spec : specs) {
    QPushButton* button = MakeButton(dialog, spec);
    row->addWidget(button);
    if (made) made->push_back(button);
  }
  return row;
}

QPlainTextEdit* MakeInfoText(QWidget* parent, const char* name) {
  auto* box = new QPlainTextEdit(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setReadOnly(true);
  box->setLineWrapMode(QPlainTextEdit::NoWrap);
  return box;
}

void ShowInfoText(QPlainTextEdit* box, const QString& text) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  box->setPlainText(shown);
}

BandLayout::BandLayout(QDialog* dialog, const QString& title, const QString& description, int iconId,
                       const QMargins& margins)
    : dialog_(dialog), header_(MakeHeader(dialog, title, description, iconId)), column_(new QVBoxLayout) {
  column_->setContentsMargins(margins);
  StackUnderBand(dialog, header_, column_);
}

std::vector<QPushButton*> BandLayout::AddButtonRow(std::initializer_list<ButtonSpec> specs) {
  std::vector<QPushButton*> made;
  column_->addLayout(ButtonRowLayout(dialog_, specs, &made));
  return made;
}

QPushButton* BandLayout::AddOkRow() { return AddButtonRow({kOk}).front(); }

DialogTemplate::DialogTemplate(CResizableDialog* dialog) : dialog_(dialog), base_(BaseUnitsOf(dialog->font())) {}

DialogTemplate::DialogTemplate(CResizableDialog* dialog, int width, int bodyHeight, const QString& title,
                               const QString& description, int iconId)
    : DialogTemplate(dialog) {
  header_ = MakeHeader(dialog, title, description, iconId);
  Resize(X(width), header_->sizeHint().height() + Y(bodyHeight));
}

DialogTemplate DialogTemplate::WholeHeight(CResizableDialog* dialog, int width, int height, const QString& title,
                                           const QString& description, int iconId) {
  DialogTemplate frame(dialog);
  frame.header_ = MakeHeader(dialog, title, description, iconId);
  frame.Resize(frame.X(width), frame.Y(height));
  return frame;
}

DialogTemplate DialogTemplate::WithoutBand(CResizableDialog* dialog, int width, int height, const QString& title) {
  DialogTemplate frame(dialog);
  dialog->setWindowTitle(title);
  frame.Resize(frame.X(width), frame.Y(height));
  return frame;
}

void DialogTemplate::Resize(int width, int height) {
  width_ = width;
  height_ = height;
  dialog_->resize(width_, height_);
  if (!header_) return;
  header_->setGeometry(0, 0, width_, header_->sizeHint().height());
  dialog_->AddAnchor(header_, anchor::TopLeft, anchor::TopRight);
}

int DialogTemplate::BodyTop() const { return (header_ ? header_->height() : 0) + Y(kMargin); }

int DialogTemplate::ButtonTop() const { return height_ - Y(kMargin) - Y(kButtonHeight); }

QRect DialogTemplate::BodyRect() const {
  return QRect(X(kMargin), BodyTop(), width_ - 2 * X(kMargin), ButtonTop() - Y(kMargin) - BodyTop());
}

std::vector<QPushButton*> DialogTemplate::RightButtons(std::initializer_list<ButtonSpec> specs, int buttonWidth) {
  return Row(specs, buttonWidth, true);
}

std::vector<QPushButton*> DialogTemplate::LeftButtons(std::initializer_list<ButtonSpec> specs, int buttonWidth) {
  return Row(specs, buttonWidth, false);
}

std::vector<QPushButton*> DialogTemplate::Row(std::initializer_list<ButtonSpec> specs, int buttonWidth, bool right) {
  const int w = X(buttonWidth);
  const int h = Y(kButtonHeight);
  const int step = w + X(kButtonGap);
  const int count = static_cast<int>(specs.size());
  int left = right ? width_ - X(kMargin) - count * step + X(kButtonGap) : X(kMargin);
  std::vector<QPushButton*> made;
  for (const ButtonSpec& spec : specs) {
    QPushButton* button = MakeButton(dialog_, spec);
    button->setGeometry(left, ButtonTop(), w, h);
    dialog_->AddAnchor(button, right ? anchor::BottomRight : anchor::BottomLeft);
    made.push_back(button);
    left += step;
  }
  return made;
}

}  // namespace dlgframe
