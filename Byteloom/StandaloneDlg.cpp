#include "Byteloom/StandaloneDlg.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>

#include <array>
#include <cstdint>

#include "Byteloom/AboutDlg.h"
#include "shared/ByteloomBase.h"
#include "shared/DialogHeaderCtrl.h"

CStandaloneDlg::CStandaloneDlg(const QString& programName, QWidget* parent)
    : QDialog(parent), programName_(programName) {
  setWindowIcon(CDialogHeaderCtrl::IconForId(128));
  about_ = new QAction(QString::fromUtf16(u"%1 정보(&A)...").arg(programName), this);
  about_->setShortcut(QKeySequence(Qt::Key_F1));
  about_->setShortcutContext(Qt::WindowShortcut);
  connect(about_, &QAction::triggered, this, &CStandaloneDlg::OpenAbout);
  addAction(about_);
}

void CStandaloneDlg::OpenAbout() {
  CAboutDlg about(programName_, this);
  about.exec();
}

void CStandaloneDlg::contextMenuEvent(QContextMenuEvent* event) {
  event->accept();
  if (menu_) menu_->close();
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->addAction(about_);
  menu_ = menu;
  menu->popup(event->globalPos());
}

void CStandaloneDlg::SetUpHexView(CByteloomBase& hex, int rows) {
  hex.SetMultiLine(true);
  hex.SetAddressDigits(4);
  hex.ShowAddressColumn(true);
  hex.ShowAsciiColumn(true);
  hex.SetBytesPerRow(16, true);
  const std::array<std::uint8_t, CByteloomBase::kBlockSize> zeros{};
  hex.SetData(zeros.data(), zeros.size());
  hex.setMinimumSize(hex.SizeForRows(16, rows));
}
