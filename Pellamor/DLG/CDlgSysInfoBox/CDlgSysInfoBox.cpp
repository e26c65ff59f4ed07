#include "Pellamor/DLG/CDlgSysInfoBox/CDlgSysInfoBox.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "Pellamor/DLG/DialogFrame.h"
#include "shared/DialogHeaderCtrl.h"

CDlgSysInfoBox::CDlgSysInfoBox(QWidget* parent) : CDlgSysInfoBox(parent, sysinfo::ReadSystemFacts()) {}

CDlgSysInfoBox::CDlgSysInfoBox(QWidget* parent, const sysinfo::SystemFacts& facts)
    : QDialog(parent), text_(sysinfo::SystemInfoText(facts)) {
  header_ = dlgframe::MakeHeader(this, QString::fromUtf16(u"시스템 정보"),
                                 QString::fromUtf16(u"하드웨어 시스템 정보를 출력합니다."), 0);
  edit_ = new QPlainTextEdit(this);
  edit_->setObjectName(QStringLiteral("text"));
  edit_->setReadOnly(true);
  edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
  // A carriage return and line feed end a line, as does a lone line feed.
  QString shown = text_;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  edit_->setPlainText(shown);
  edit_->setMinimumSize(400, 360);

  std::vector<QPushButton*> buttons;
  QHBoxLayout* buttonRow =
      dlgframe::ButtonRowLayout(this, {{u"확인", "ok", dlgframe::Role::Accept, true}}, &buttons);
  ok_ = buttons[0];

  auto* content = new QVBoxLayout;
  content->setContentsMargins(11, 8, 11, 11);
  content->addWidget(edit_, 1);
  content->addLayout(buttonRow);
  dlgframe::StackUnderBand(this, header_, content);
}

int CDlgSysInfoBox::Open(QWidget* parent, const Args&) {
  CDlgSysInfoBox dialog(parent);
  return dialog.exec() == QDialog::Accepted ? 1 : 0;
}
