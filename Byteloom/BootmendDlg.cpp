#include "Byteloom/BootmendDlg.h"

#include <QVBoxLayout>

CBootmendDlg::CBootmendDlg(QWidget* parent)
    : CStandaloneDlg(QStringLiteral("Bootmend"), QStringLiteral("Bootmend"), QString::fromUtf16(u"MBR 편집 및 보정도구"),
                     QString::fromUtf16(u"디스크 마스터부트영역을 편집합니다."), parent) {
  group_ = new QGroupBox(QString::fromUtf16(u"파티션 테이블"), this);
  group_->setMinimumHeight(80);
  Column()->addWidget(group_);
  EndWithOk();
}
