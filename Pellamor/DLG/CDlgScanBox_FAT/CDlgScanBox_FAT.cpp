#include "Pellamor/DLG/CDlgScanBox_FAT/CDlgScanBox_FAT.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstring>

#include "Pellamor/AppRecords.h"
#include "Pellamor/DriveSession.h"
#include "Pellamor/LeftView.h"
#include "Pellamor/MainFrame.h"
#include "Pellamor/RightView.h"
#include "corvane/dll_processor.h"
#include "corvane/fat_records.h"
#include "corvane/filesystem.h"
#include "platform/codepage.h"
#include "platform/message.h"
#include "shared/DialogFrame.h"

namespace {

QString EntryName(const FATDIRENTRY& e) {
  if (e.hasLongName) {
    std::u16string name = LongNameOf(e);
    if (!name.empty()) return QString::fromStdU16String(name);
  }
  char name[sizeof e.shortName + 1] = {};
  std::memcpy(name, e.shortName, sizeof e.shortName);
  return QString::fromStdU16String(pfn_get_msdos_name ? pfn_get_msdos_name(name)
                                                      : platform::AnsiToUtf16(std::string(name)));
}

}  // namespace

CDlgScanBox_FAT::CDlgScanBox_FAT(char letter, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("디스크 검색"));
  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("list1388"));
  list_->setRootIsDecorated(false);
  list_->setHeaderLabels({QStringLiteral("파일명"), QStringLiteral("크기")});
  list_->setMinimumSize(420, 260);
  auto* form = new QFormLayout;
  const char* labels[4] = {"삭제된 파일:", "삭제된 폴더:", "정상 파일:", "정상 폴더:"};
  for (int i = 0; i < 4; ++i) {
    counts_[i] = new QLineEdit(this);
    counts_[i]->setReadOnly(true);
    counts_[i]->setObjectName(QStringLiteral("edit%1").arg(1378 + i));
    form->addRow(QString::fromUtf8(labels[i]), counts_[i]);
  }
  std::vector<QPushButton*> made;
  QHBoxLayout* buttons = dlgframe::ButtonRowLayout(this, {{u"취소(&C)", "cancel", dlgframe::Role::Reject}}, &made);
  cancel_ = made[0];
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addLayout(form);
  layout->addLayout(buttons);
  Scan(letter);
}

CDlgScanBox_FAT::~CDlgScanBox_FAT() { Release(); }

QLineEdit* CDlgScanBox_FAT::CountEdit(int id) const {
  return id >= 1378 && id <= 1381 ? counts_[id - 1378] : nullptr;
}

void CDlgScanBox_FAT::Scan(char letter) {
  // The engine reads through the current-volume pointer: the session closes the open drive and
  // opens the box's own volume object.
  session_ = CDriveSession::Current();
  if (!session_) return;
  fs_ = session_->OpenPrivateVolume(letter);
  if (!fs_) return;
  // Only a FAT12/16/32 root is read: the rows are FAT entries.
  if (!IsFatType(fs_->typeCode)) return;
  if (!ReadRootDirectory(fs_) || !g_pFatDirEntries) return;
  typeCode_ = static_cast<int>(fs_->typeCode);
  for (std::uint32_t i = 0; i < g_dwFatDirEntryCount; ++i) {
    const FATDIRENTRY& e = g_pFatDirEntries[i];
    if (e.volumeLabel) continue;  // the volume's name, not an entry of it
    auto* row = new QTreeWidgetItem(list_);
    row->setText(0, EntryName(e));
    row->setText(1, QString::fromStdU16String(FormatSizeText(static_cast<double>(e.size), 2, 0, 0, 0)));
  }
  list_->resizeColumnToContents(0);
}

void CDlgScanBox_FAT::Release() {
  if (fs_ && session_ && session_->PrivateVolume() == fs_) session_->ClosePrivateVolume();
  fs_ = nullptr;
}

CDlgScanBox_FAT::Args CDlgScanBox_FAT::ArgsFrom(const dlg::DialogArgs& values) {
  return {dlg::LetterArg(values, 0)};
}

int CDlgScanBox_FAT::Open(QWidget* parent, const Args& args) {
  const char letter = args.letter ? args.letter : g_chCurrentDrive;
  if (g_pMainFrame) {
    // The box frees the volume of the tree, the list and the queue: never while the queue saves.
    if (g_pMainFrame->GetRightView() && g_pMainFrame->GetRightView()->QueueRunning()) {
      platform::ShowMessage(u"복구가 진행 중에 있습니다.", platform::MsgButtons::Ok, platform::MsgIcon::None);
      return 0;
    }
    g_pMainFrame->OnCloseDrive();
  } else if (CDriveSession* session = CDriveSession::Current()) {
    session->Close();
  }
  if (m_pFileSystem) return 0;  // a drive is still open
  CDlgScanBox_FAT box(letter, parent);
  return box.exec();
}
