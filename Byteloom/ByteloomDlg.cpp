#include "Byteloom/ByteloomDlg.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>
#include <QVBoxLayout>

#include "platform/message.h"

CByteloomDlg::CByteloomDlg(QWidget* parent)
    : CStandaloneDlg(QStringLiteral("Byteloom"), QStringLiteral("Disk Byteloomor"), QString::fromUtf16(u"16진수 편집도구"),
                     QString::fromUtf16(u"디스크 또는 파일을 16진수 형태로 편집합니다."), parent) {
  auto* sectorLabel = new QLabel(QString::fromUtf16(u"섹터:"), this);
  sector_ = new QLineEdit(this);
  sector_->setValidator(new QIntValidator(0, 2147483647, sector_));
  sector_->setMaximumWidth(120);
  sectorLabel->setBuddy(sector_);
  move_ = dlgframe::MakeButton(this, {u"이동", "move"});
  save_ = dlgframe::MakeButton(this, {u"저장", "save"});
  for (QPushButton* b : {move_, save_}) connect(b, &QPushButton::clicked, this, &CByteloomDlg::NotInThisVersion);

  list_ = new QTreeView(this);
  list_->setRootIsDecorated(false);
  list_->setFixedHeight(110);
  scroll_ = new QScrollBar(Qt::Horizontal, this);
  scroll_->setRange(0, 0);

  auto* tools = new QHBoxLayout;
  tools->addWidget(sectorLabel);
  tools->addWidget(sector_);
  tools->addWidget(move_);
  tools->addWidget(save_);
  tools->addStretch(1);
  Column()->addLayout(tools);
  Column()->addWidget(list_);
  Column()->addWidget(scroll_);
  EndWithOk();
}

void CByteloomDlg::NotInThisVersion() {
  platform::ShowMessage(u"이 버전에서는 이용할 수 없습니다.", platform::MsgButtons::Ok, platform::MsgIcon::Warning);
}
