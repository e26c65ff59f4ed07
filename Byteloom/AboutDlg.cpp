#include "Byteloom/AboutDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "shared/DialogFrame.h"
#include "shared/DialogHeaderCtrl.h"

CAboutDlg::CAboutDlg(const QString& programName, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromUtf16(u"%1 정보").arg(programName));
  const QIcon icon = CDialogHeaderCtrl::IconForId(128);
  setWindowIcon(icon);

  icon_ = new QLabel(this);
  icon_->setPixmap(icon.pixmap(CDialogHeaderCtrl::kIconSize, CDialogHeaderCtrl::kIconSize));
  version_ = new QLabel(QString::fromUtf16(u"%1, 버전 1.0").arg(programName), this);
  ok_ = dlgframe::MakeButton(this, dlgframe::kOk);

  auto* row = new QHBoxLayout(this);
  row->addWidget(icon_, 0, Qt::AlignTop);
  row->addSpacing(12);
  row->addWidget(version_, 1, Qt::AlignVCenter);
  row->addSpacing(12);
  row->addWidget(ok_, 0, Qt::AlignTop);
  setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
}
