#include "Byteloom/BootmendDlg.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "shared/ByteloomBase.h"
#include "shared/DialogHeaderCtrl.h"

CBootmendDlg::CBootmendDlg(QWidget* parent) : CStandaloneDlg(QStringLiteral("Bootmend"), parent) {
  setWindowTitle(QStringLiteral("Bootmend"));

  header_ = new CDialogHeaderCtrl(this);
  header_->SetTitle(QString::fromUtf16(u"MBR 편집 및 보정도구"));
  header_->SetDescription(QString::fromUtf16(u"디스크 마스터부트영역을 편집합니다."));
  header_->setFixedHeight(header_->sizeHint().height());

  hex_ = new CByteloomBase(this);
  SetUpHexView(*hex_, 16);

  group_ = new QGroupBox(QString::fromUtf16(u"파티션 테이블"), this);
  group_->setMinimumHeight(80);

  ok_ = new QPushButton(QString::fromUtf16(u"확인"), this);
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok_);

  auto* body = new QVBoxLayout;
  body->setContentsMargins(9, 9, 9, 9);
  body->addWidget(hex_, 1);
  body->addWidget(group_);
  body->addLayout(buttons);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(header_);
  column->addLayout(body, 1);
}
