#include "Byteloom/ByteloomDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>
#include <QVBoxLayout>

#include "platform/message.h"
#include "shared/ByteloomBase.h"
#include "shared/DialogHeaderCtrl.h"

CByteloomDlg::CByteloomDlg(QWidget* parent) : CStandaloneDlg(QStringLiteral("Byteloom"), parent) {
  setWindowTitle(QStringLiteral("Disk Byteloomor"));

  header_ = new CDialogHeaderCtrl(this);
  header_->SetTitle(QString::fromUtf16(u"16진수 편집도구"));
  header_->SetDescription(QString::fromUtf16(u"디스크 또는 파일을 16진수 형태로 편집합니다."));
  header_->setFixedHeight(header_->sizeHint().height());

  hex_ = new CByteloomBase(this);
  SetUpHexView(*hex_, 16);

  auto* sectorLabel = new QLabel(QString::fromUtf16(u"섹터:"), this);
  sector_ = new QLineEdit(this);
  sector_->setValidator(new QIntValidator(0, 2147483647, sector_));
  sector_->setMaximumWidth(120);
  sectorLabel->setBuddy(sector_);
  move_ = new QPushButton(QString::fromUtf16(u"이동"), this);
  save_ = new QPushButton(QString::fromUtf16(u"저장"), this);
  for (QPushButton* b : {move_, save_}) {
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, &CByteloomDlg::NotInThisVersion);
  }

  list_ = new QTreeView(this);
  list_->setRootIsDecorated(false);
  list_->setFixedHeight(110);
  scroll_ = new QScrollBar(Qt::Horizontal, this);
  scroll_->setRange(0, 0);

  ok_ = new QPushButton(QString::fromUtf16(u"확인"), this);
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

  auto* tools = new QHBoxLayout;
  tools->addWidget(sectorLabel);
  tools->addWidget(sector_);
  tools->addWidget(move_);
  tools->addWidget(save_);
  tools->addStretch(1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok_);

  auto* body = new QVBoxLayout;
  body->setContentsMargins(9, 9, 9, 9);
  body->addWidget(hex_, 1);
  body->addLayout(tools);
  body->addWidget(list_);
  body->addWidget(scroll_);
  body->addLayout(buttons);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(header_);
  column->addLayout(body, 1);
}

void CByteloomDlg::NotInThisVersion() {
  platform::ShowMessage(u"이 버전에서는 이용할 수 없습니다.", platform::MsgButtons::Ok, platform::MsgIcon::Warning);
}
