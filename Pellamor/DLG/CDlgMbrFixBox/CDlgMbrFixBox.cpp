#include "Pellamor/DLG/CDlgMbrFixBox/CDlgMbrFixBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "Pellamor/DLG/CDlgMbrFixBox/MbrImage.h"
#include "Pellamor/DLG/CDlgMbrFixBox/MbrPartTypes.h"
#include "corvane/dll_processor.h"
#include "corvane/sectors.h"
#include "platform/message.h"
#include "platform/output_file.h"
#include "platform/volume_io.h"
#include "shared/ByteloomBase.h"
#include "shared/DialogFrame.h"
#include "shared/DialogHeaderCtrl.h"

namespace {

constexpr std::uint32_t kCodeImport = 0x464C0411;
constexpr std::uint32_t kCodeExport = 0x998EDC98;
constexpr const char* kReportStamp = __TIMESTAMP__;
constexpr const char* kReportPath = ".\\DLG\\MbrFixBox\\DlgMbrFixBox";
constexpr int kHeaderIcon = 256;

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

void Tell(const QString& text, platform::MsgIcon icon = platform::MsgIcon::Warning) {
  platform::ShowMessage(text.toStdU16String(), platform::MsgButtons::Ok, icon);
}

bool Ask(const QString& text) {
  // No is the default button: Enter neither saves nor closes.
  return platform::ShowMessage(text.toStdU16String(), platform::MsgButtons::YesNoDefaultNo,
                               platform::MsgIcon::Question) == platform::MsgAnswer::Yes;
}

const QString kImageFilter = QString::fromUtf16(u"디스크 이미지(*.img);;모든 파일(*.*)");

const char16_t* RefusalText(mbrfix::ImageVerdict verdict) {
  switch (verdict) {
    case mbrfix::ImageVerdict::kWrongSize:
      return u"파일의 크기가 512바이트가 아닙니다.\r\n\n올바른 디스크 이미지는 데이터의 안전을 위해 가져올 수 없습니다.";
    case mbrfix::ImageVerdict::kNoSignature:
      return u"올바른 구조가 아닙니다. 잘못된 디스크 이미지는 데이터의 안전을 위해 가져올 수 없습니다.";
    default:
      return u"가져오기 실패\r\n\n파일을 열 수 없습니다.";
  }
}

}  // namespace

CDlgMbrFixBox::CDlgMbrFixBox(QWidget* parent) : QDialog(parent) {
  header_ = dlgframe::MakeHeader(this, Text(u"디스크 MBR 복원 도구"),
                                 Text(u"마스터 부트 레코드 및 파티션 정보를 수정하여 디스크를 복구 합니다."), kHeaderIcon);
  header_->setFixedHeight(header_->sizeHint().height());

  diskLabel_ = new QLabel(Text(u"디스크 0번의 MBR 섹터"), this);
  diskLabel_->setObjectName(QStringLiteral("disk"));
  hex_ = new CByteloomBase(this);
  hex_->setObjectName(QStringLiteral("hex"));
  ApplyHexSettings();
  // As wide as 16 bytes a row: the auto-fit keeps the sector's rows of 16.
  const QSize hexSize = hex_->SizeForRows(16, 16);
  hex_->setFixedWidth(hexSize.width());
  hex_->setMinimumHeight(hexSize.height());

  // The partition table: the three lists and the nine edits, which nothing fills.
  auto* table = new QGroupBox(Text(u"파티션 테이블"), this);
  rowList_ = new QComboBox(table);
  rowList_->setObjectName(QStringLiteral("row"));
  activeList_ = new QComboBox(table);
  activeList_->setObjectName(QStringLiteral("active"));
  typeList_ = new QComboBox(table);
  typeList_->setObjectName(QStringLiteral("type"));
  // Wide enough for their longest entries before they are filled.
  rowList_->setMinimumContentsLength(8);
  activeList_->setMinimumContentsLength(8);
  typeList_->setMinimumContentsLength(26);
  auto* grid = new QGridLayout(table);
  grid->addWidget(rowList_, 0, 0, 1, 2);
  grid->addWidget(new QLabel(Text(u"활성"), table), 0, 2);
  grid->addWidget(activeList_, 0, 3);
  grid->addWidget(new QLabel(Text(u"형식"), table), 1, 0);
  grid->addWidget(typeList_, 1, 1, 1, 3);
  grid->addWidget(new QLabel(Text(u"실린더"), table), 2, 1, Qt::AlignHCenter);
  grid->addWidget(new QLabel(Text(u"헤드"), table), 2, 2, Qt::AlignHCenter);
  grid->addWidget(new QLabel(Text(u"섹터"), table), 2, 3, Qt::AlignHCenter);
  grid->addWidget(new QLabel(Text(u"시작"), table), 3, 0);
  grid->addWidget(new QLabel(Text(u"끝"), table), 4, 0);
  for (int r = 3; r <= 4; ++r)
    for (int c = 1; c <= 3; ++c) grid->addWidget(new QLineEdit(table), r, c);
  grid->addWidget(new QLabel(Text(u"시작"), table), 5, 0);
  grid->addWidget(new QLineEdit(table), 5, 1);
  grid->addWidget(new QLabel(Text(u"섹터수"), table), 5, 2);
  grid->addWidget(new QLineEdit(table), 5, 3);
  grid->setRowStretch(6, 1);

  auto* image = new QGroupBox(Text(u"섹터 덤프 이미지 파일"), this);
  pathEdit_ = new QLineEdit(image);
  pathEdit_->setObjectName(QStringLiteral("path"));
  pathEdit_->setReadOnly(true);
  writeFile_ = new QCheckBox(
      Text(u"불러온 파일의 내용을 수정합니다. (옵션이 켜져 있으면 파일의 내용을 섹터에 기록합니다)"), image);
  writeFile_->setObjectName(QStringLiteral("writeFile"));
  writeFile_->setEnabled(false);
  writeFile_->hide();
  auto* imageColumn = new QVBoxLayout(image);
  imageColumn->addWidget(pathEdit_);
  imageColumn->addWidget(writeFile_);

  reread_ = dlgframe::MakeButton(this, {u"다시읽기(&R)", "reread"});
  import_ = dlgframe::MakeButton(this, {u"가져오기(&I)", "import"});
  export_ = dlgframe::MakeButton(this, {u"내보내기(&O)", "export"});
  std::vector<QPushButton*> right;
  QHBoxLayout* buttons = dlgframe::ButtonRowLayout(this, {{u"저장(&S)", "save"}, {u"취소", "close"}}, &right);
  save_ = right[0];
  close_ = right[1];
  buttons->insertWidget(0, reread_);
  buttons->insertWidget(1, import_);
  buttons->insertWidget(2, export_);

  connect(reread_, &QPushButton::clicked, this, &CDlgMbrFixBox::OnReread);
  connect(import_, &QPushButton::clicked, this, [this] { OnImport(); });
  connect(export_, &QPushButton::clicked, this, [this] { OnExport(); });
  connect(save_, &QPushButton::clicked, this, &CDlgMbrFixBox::OnSave);
  connect(close_, &QPushButton::clicked, this, &CDlgMbrFixBox::OnClose);

  auto* left = new QVBoxLayout;
  left->addWidget(diskLabel_);
  left->addWidget(hex_, 1);
  auto* side = new QVBoxLayout;
  side->addWidget(table, 1);
  side->addWidget(image);
  auto* middle = new QHBoxLayout;
  middle->addLayout(left, 1);
  middle->addLayout(side);
  auto* body = new QVBoxLayout;
  body->setContentsMargins(9, 9, 9, 9);
  body->addLayout(middle, 1);
  body->addLayout(buttons);
  dlgframe::StackUnderBand(this, header_, body);

  UpdateCommands();
}

void CDlgMbrFixBox::showEvent(QShowEvent* event) {
  if (!initialised_) {
    initialised_ = true;
    OnInitDialog();
  }
  QDialog::showEvent(event);
}

void CDlgMbrFixBox::OnInitDialog() {
  ApplyHexSettings();
  ReadMbr(false);
}

void CDlgMbrFixBox::ApplyHexSettings() {
  hex_->SetMultiLine(true);
  hex_->SetAddressDigits(4);
  hex_->ShowAddressColumn(true);
  hex_->ShowAsciiColumn(true);
  hex_->SetBytesPerRow(16, true);
}

void CDlgMbrFixBox::ReadMbr(bool tell) {
  diskLabel_->setText(Text(u"디스크 %1 의 MBR 영역").arg(drive_));
  mbr_.fill(0);
  haveSector_ = false;
  ClearLists();

  // The reader shows the access denial itself; its handle is closed after every read.
  CReadWriteSectors reader;
  bool ok = drive_ >= 0 && drive_ <= 0xFFFF &&
            reader.OpenPhysicalDrive(static_cast<std::uint16_t>(drive_), mbr_.data()) == 0;
  if (ok) ok = reader.ReadSectors(0, 1) == 0;
  if (reader.m_hPhysical != platform::kInvalidHandle) {
    platform::CloseHandle(reader.m_hPhysical);
    reader.m_hPhysical = platform::kInvalidHandle;
  }
  if (!ok) {
    // No sector is held: the view has no data and nothing can be exported as the disk's record.
    mbr_.fill(0);
    hex_->SetData(nullptr, 0);
    UpdateCommands();
    Tell(Text(u"MBR 정보를 읽을 수 없습니다. (MBR-FIX-R-1)"));
    return;
  }
  haveSector_ = true;
  hex_->SetData(mbr_.data(), mbr_.size());
  FillLists();
  UpdateCommands();
  if (tell) Tell(Text(u"디스크에서 마스터 부트 레코드의 최신 정보를 가져왔습니다."), platform::MsgIcon::Information);
}

void CDlgMbrFixBox::ClearLists() {
  typeList_->clear();
  rowList_->clear();
  activeList_->clear();
}

void CDlgMbrFixBox::FillLists() {
  ClearLists();
  for (const MbrPartTypeName& entry : g_PartTypeNames) typeList_->addItem(QString::fromUtf16(entry.name), entry.type);
  for (int row = 1; row <= 4; ++row) rowList_->addItem(Text(u"%1번 파티션").arg(row));
  rowList_->setCurrentIndex(0);
  activeList_->addItem(Text(u"활성 (부팅)"));
  activeList_->addItem(Text(u"비활성"));
}

void CDlgMbrFixBox::UpdateCommands() {
  export_->setEnabled(haveSector_);
  save_->setEnabled(haveSector_);
}

void CDlgMbrFixBox::OnReread() {
  pathEdit_->clear();
  ReadMbr(true);
}

void CDlgMbrFixBox::OnImport(const QString& chosen) {
  QString path = chosen;
  if (path.isEmpty()) path = QFileDialog::getOpenFileName(this, QString(), QString(), kImageFilter);
  if (path.isEmpty()) return;

  // A FIFO, a device or a folder is "cannot open" (a FIFO is opened without waiting for a writer).
  std::array<std::uint8_t, kSectorSize> bytes{};
  const mbrfix::ImageVerdict verdict = mbrfix::ReadImage(QFile::encodeName(path).toStdString(), &bytes);
  if (verdict != mbrfix::ImageVerdict::kAccepted) {
    Tell(Text(RefusalText(verdict)));
    ShowFatalErrorAndExit(kReportStamp, kReportPath, kCodeImport, static_cast<int>(verdict), 0);
    return;
  }
  // The view shows the file; the buffer keeps the disk's sector.
  ApplyHexSettings();
  hex_->SetData(bytes.data(), kSectorSize);
  pathEdit_->setText(path);
  pathEdit_->setCursorPosition(0);
}

void CDlgMbrFixBox::OnExport(const QString& chosen) {
  if (!haveSector_) return;
  QString path = chosen;
  if (path.isEmpty()) path = QFileDialog::getSaveFileName(this, QString(), QString(), kImageFilter);
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".img");

  const QFileInfo info(path);
  platform::OutputFile file =
      platform::OutputFile::Create(info.absolutePath().toStdU16String(), info.fileName().toStdU16String());
  const bool ok = file.IsOpen() && file.Write(mbr_.data(), mbr_.size()) && file.Commit();
  if (!ok) {
    file.Discard();
    Tell(Text(u"내보내기 실패\r\n\n파일을 저장할 수 없습니다."));
    ShowFatalErrorAndExit(kReportStamp, kReportPath, kCodeExport, 1, 0);
  }
}

void CDlgMbrFixBox::OnSave() {
  if (!haveSector_) return;
  if (!Ask(Text(u"수정한 내용을 [디스크 %1] 의 MBR(마스터 부트 레코드)에 저장합니다.").arg(drive_))) {
    Tell(Text(u"취소되었습니다."), platform::MsgIcon::Information);
    return;
  }
  // The suite never writes a disk: nothing was written, and the edited bytes stay in the view.
  Tell(Text(u"섹터에 기록하지 못했습니다."));
}

void CDlgMbrFixBox::OnClose() {
  if (Ask(Text(u"복원 도구를 종료합니다."))) reject();
}

int CDlgMbrFixBox::Open(QWidget* parent, const Args& args) {
  CDlgMbrFixBox dialog(parent);
  dialog.SetDriveNumber(args.disk);
  return dialog.exec();
}

CDlgMbrFixBox::Args CDlgMbrFixBox::ArgsFrom(const dlg::DialogArgs& values) { return Args{dlg::IntArg(values, 0, -1)}; }
