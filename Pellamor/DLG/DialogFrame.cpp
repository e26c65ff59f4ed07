#include "Pellamor/DLG/DialogFrame.h"

#include <QDialog>
#include <QHBoxLayout>
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

DialogTemplate::DialogTemplate(CResizableDialog* dialog, int width, int bodyHeight, const QString& title,
                               const QString& description, int iconId)
    : dialog_(dialog), base_(BaseUnitsOf(dialog->font())) {
  header_ = MakeHeader(dialog, title, description, iconId);
  width_ = X(width);
  const int bandHeight = header_->sizeHint().height();
  height_ = bandHeight + Y(bodyHeight);
  dialog->resize(width_, height_);
  header_->setGeometry(0, 0, width_, bandHeight);
  dialog->AddAnchor(header_, anchor::TopLeft, anchor::TopRight);
}

int DialogTemplate::BodyTop() const { return header_->height() + Y(kMargin); }

int DialogTemplate::ButtonTop() const { return height_ - Y(kMargin) - Y(kButtonHeight); }

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
