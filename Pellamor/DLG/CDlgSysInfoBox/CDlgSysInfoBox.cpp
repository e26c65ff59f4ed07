#include "Pellamor/DLG/CDlgSysInfoBox/CDlgSysInfoBox.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "shared/DialogFrame.h"

CDlgSysInfoBox::CDlgSysInfoBox(QWidget* parent) : CDlgSysInfoBox(parent, sysinfo::ReadSystemFacts()) {}

CDlgSysInfoBox::CDlgSysInfoBox(QWidget* parent, const sysinfo::SystemFacts& facts)
    : QDialog(parent), text_(sysinfo::SystemInfoText(facts)) {
  dlgframe::BandLayout frame(this, QString::fromUtf16(u"시스템 정보"),
                             QString::fromUtf16(u"하드웨어 시스템 정보를 출력합니다."), 0);
  header_ = frame.Header();
  edit_ = dlgframe::MakeInfoText(this, "text");
  dlgframe::ShowInfoText(edit_, text_);
  edit_->setMinimumSize(400, 360);

  frame.Column()->addWidget(edit_, 1);
  ok_ = frame.AddOkRow();
}

int CDlgSysInfoBox::Open(QWidget* parent, const Args&) {
  CDlgSysInfoBox dialog(parent);
  return dialog.exec() == QDialog::Accepted ? 1 : 0;
}
