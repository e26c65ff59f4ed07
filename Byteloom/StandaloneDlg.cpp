#include "Byteloom/StandaloneDlg.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QVBoxLayout>

#include <array>
#include <cstdint>

#include "Byteloom/AboutDlg.h"
#include "shared/ByteloomBase.h"
#include "shared/DialogHeaderCtrl.h"

namespace {

// The programs' margins around the column under the band.
constexpr QMargins kColumnMargins{9, 9, 9, 9};

}  // namespace

CStandaloneDlg::CStandaloneDlg(const QString& programName, const QString& windowTitle, const QString& title,
                               const QString& description, QWidget* parent)
    : QDialog(parent), programName_(programName), frame_(this, title, description, 0, kColumnMargins) {
  setWindowTitle(windowTitle);
  setWindowIcon(CDialogHeaderCtrl::IconForId(128));
  about_ = new QAction(QString::fromUtf16(u"%1 정보(&A)...").arg(programName), this);
  about_->setShortcut(QKeySequence(Qt::Key_F1));
  about_->setShortcutContext(Qt::WindowShortcut);
  connect(about_, &QAction::triggered, this, &CStandaloneDlg::OpenAbout);
  addAction(about_);

  // 4 address digits, address and character columns, 16 bytes per row with auto-fit, multi-line,
  // 512 zero bytes; sized for 16 rows of 16 bytes.
  hex_ = new CByteloomBase(this);
  hex_->SetMultiLine(true);
  hex_->SetAddressDigits(4);
  hex_->ShowAddressColumn(true);
  hex_->ShowAsciiColumn(true);
  hex_->SetBytesPerRow(16, true);
  const std::array<std::uint8_t, CByteloomBase::kBlockSize> zeros{};
  hex_->SetData(zeros.data(), zeros.size());
  hex_->setMinimumSize(hex_->SizeForRows(16, 16));
  Column()->addWidget(hex_, 1);
}

void CStandaloneDlg::EndWithOk() { ok_ = frame_.AddOkRow(); }

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
