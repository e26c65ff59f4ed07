#include "Pellamor/DLG/CDriveBoxMainDlg/CDriveBoxMainDlg.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QProgressBar>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "Pellamor/App.h"
#include "Pellamor/AppRecords.h"
#include "Pellamor/DLG/CDlgDiskUsageBox/CDlgDiskUsageBox.h"
#include "Pellamor/DLG/CDlgFileTypeBox/CDlgFileTypeBox.h"
#include "Pellamor/DLG/CDlgScanBox_FAT/CDlgScanBox_FAT.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/DLG/ListInfoBox/DlgListInfoBox.h"
#include "Pellamor/LeftView.h"
#include "Pellamor/ScanOptions.h"
#include "Pellamor/WorkerJob.h"
#include "controls/TabCtrlSSL.h"
#include "disk/drive_info.h"
#include "platform/disk_info.h"
#include "platform/drive_map.h"
#include "platform/fs_probe.h"
#include "platform/message.h"
#include "platform/partition_rows.h"
#include "shared/DialogFrame.h"
#include "shared/DialogHeaderCtrl.h"

DRIVETABLEENTRY* g_pDriveTable = nullptr;
std::int32_t g_nDriveTableCount = 0;
std::int32_t g_bDrivesReady = 0;

namespace {

QString Q(const std::u16string& s) { return QString::fromStdU16String(s); }

// Digits with a comma every three places.
QString WithCommas(std::uint64_t value) {
  QString digits = QString::number(value);
  for (int i = digits.size() - 3; i > 0; i -= 3) digits.insert(i, QLatin1Char(','));
  return digits;
}

QString SizeText(std::uint64_t bytes, int base) {
  return Q(FormatSizeText(static_cast<double>(bytes), base, 1, 0, 0));
}

struct Column {
  const char16_t* text;
  Qt::Alignment align;
  int width;
};

void SetColumns(CDriveList* list, std::initializer_list<Column> columns) {
  QStringList labels;
  for (const Column& c : columns) labels << QString::fromUtf16(c.text);
  list->setColumnCount(labels.size());
  list->setHeaderLabels(labels);
  int i = 0;
  for (const Column& c : columns) {
    list->setColumnWidth(i, c.width);
    list->headerItem()->setTextAlignment(i, c.align | Qt::AlignVCenter);
    ++i;
  }
}

QTreeWidgetItem* AddRow(CDriveList* list, const QStringList& texts, int image) {
  auto* item = new QTreeWidgetItem(texts);
  for (int i = 0; i < texts.size() && i < list->columnCount(); ++i)
    item->setTextAlignment(i, Qt::Alignment(list->headerItem()->textAlignment(i)));
  item->setIcon(0, list->style()->standardIcon(image == 0 ? QStyle::SP_DriveFDIcon : QStyle::SP_DriveHDIcon));
  list->addTopLevelItem(item);
  return item;
}

// Widens the columns whose texts do not fit; none gets narrower than it was set up.
// The list paints its texts inset from the cell's edges, which the size hint does not count.
void FitColumns(CDriveList* list) {
  const int inset = 4 * list->fontMetrics().horizontalAdvance(QLatin1Char(' '));
  for (int i = 0; i < list->columnCount(); ++i) {
    const int set = list->columnWidth(i);
    list->resizeColumnToContents(i);
    const int wanted = list->columnWidth(i) + inset;
    list->setColumnWidth(i, std::max(set, wanted));
  }
}

// The list and the status text under it.
void BuildListPage(CTabPageSSL* page, CDriveList*& list, QLabel*& status) {
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 4, 4, 4);
  list = new CDriveList(page);
  status = new QLabel(page);
  status->setStyleSheet(QStringLiteral("color: black"));
  layout->addWidget(list, 1);
  layout->addWidget(status);
}

const char16_t* DriveTypeText(int type) {
  static const char16_t* const kTexts[] = {u"미정", u"마운트되지 않음", u"이동식/카드리더기",
                                           u"하드디스크/플래시드라이브", u"원격/네트웍드라이브", u"CD/DVD",
                                           u"램디스크"};
  return (type >= 0 && type <= 6) ? kTexts[type] : kTexts[0];
}

}  // namespace

std::uint8_t DriveFsCode(const std::string& fileSystem) {
  QString name = QString::fromStdString(fileSystem);
  if (name.compare(QLatin1String("FAT32"), Qt::CaseInsensitive) == 0) return 3;
  if (name.compare(QLatin1String("FAT"), Qt::CaseInsensitive) == 0) return 2;
  if (name.compare(QLatin1String("NTFS"), Qt::CaseInsensitive) == 0) return 4;
  return 0xFF;
}

// ---------------------------------------------------------------------------------------------

CDriveList::CDriveList(QWidget* parent) : CJorunListCtrl(parent) {
  setRootIsDecorated(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setContextMenuPolicy(Qt::CustomContextMenu);
  setUniformRowHeights(true);
  header()->setStretchLastSection(false);
  SetHighlightType(HIGHLIGHT_ROW);
  SetShowSelectionAlways(true);
}

int CDriveList::SingleSelectedRow() const {
  int found = -1;
  int selected = 0;
  for (int i = topLevelItemCount() - 1; i >= 0; --i) {
    if (!topLevelItem(i)->isSelected()) continue;
    ++selected;
    if (found < 0) found = i;
  }
  return selected == 1 ? found : -1;
}

// ---------------------------------------------------------------------------------------------

CDriveBoxWaitDlg::CDriveBoxWaitDlg(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  setAttribute(Qt::WA_StyledBackground);
  setStyleSheet(QStringLiteral("CDriveBoxWaitDlg { background: white; border: 1px solid gray; }"));
  auto* layout = new QVBoxLayout(this);
  bar_ = new QProgressBar(this);
  bar_->setRange(0, 0);  // marquee
  bar_->setTextVisible(false);
  drive_ = new QLabel(this);
  layout->addWidget(bar_);
  layout->addWidget(drive_);
  layout->addWidget(new QLabel(QString::fromUtf16(u"드라이브 읽는 중..."), this));
  layout->addWidget(new QLabel(QString::fromUtf16(u"처리 중입니다. 잠시만 기다려 주십시오..."), this));
  adjustSize();
  if (parent) move((parent->width() - width()) / 2, (parent->height() - height()) / 2);
  raise();
}

void CDriveBoxWaitDlg::SetDriveText(const QString& text) { drive_->setText(text); }

// ---------------------------------------------------------------------------------------------

void CDriveBoxListPage::ShowRowInfo() {
  dlg::Open<CDlgListInfoBox>(this, CDlgListInfoBox::Args{list_});
}

void CDriveBoxListPage::BuildMenu(QMenu& menu) {
  connect(menu.addAction(QString::fromUtf16(u"항목정보 보기(&L)...")), &QAction::triggered, this,
          &CDriveBoxListPage::ShowRowInfo);
}

void CDriveBoxListPage::ShowMenu(const QPoint& pos) {
  if (list_->selectedItems().isEmpty()) return;
  QMenu menu(this);
  BuildMenu(menu);
  menu.exec(list_->viewport()->mapToGlobal(pos));
}

// ---------------------------------------------------------------------------------------------

namespace {
CDriveBoxVolDlg::GatherHook& VolGatherHook() {
  static CDriveBoxVolDlg::GatherHook hook;
  return hook;
}
}  // namespace

void CDriveBoxVolDlg::SetGatherHook(GatherHook hook) { VolGatherHook() = std::move(hook); }

CDriveBoxVolDlg::CDriveBoxVolDlg(QWidget* parent) : CDriveBoxListPage(parent) {
  std::free(g_pDriveTable);
  g_pDriveTable = nullptr;
  g_nDriveTableCount = 0;
  BuildListPage(this, list_, status_);
  SetColumns(list_, {{u"볼륨명", Qt::AlignLeft, 120}, {u"파일시스템", Qt::AlignLeft, 80},
                     {u"매체유형", Qt::AlignLeft, 180}});
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { emit openRequested(); });
  connect(list_, &QWidget::customContextMenuRequested, this, &CDriveBoxListPage::ShowMenu);

  wait_ = new CDriveBoxWaitDlg(this);
  wait_->show();
  g_bDrivesReady = 0;
  // The worker reads the drives and touches no widget; the rows come back in one call.
  auto rows = std::make_shared<std::vector<Row>>();
  job_ = StartJob(
      this,
      [rows, hook = VolGatherHook()] {
        CDriveInfo info;
        info.EnumDrives();
        for (const std::u16string& root : info.roots()) {
          if (hook) hook(root);
          Row row;
          row.root = root;
          row.type = info.GetDriveType(root);
          row.floppy = info.IsFloppy(root);
          if (row.type != kDriveRemovable) {
            row.examined = true;
            char letter = static_cast<char>(root[0]);
            if (auto probe = platform::ProbeDrive(letter)) {
              row.readable = true;
              row.fileSystem = probe->fileSystem;
              row.label = QString::fromStdString(probe->label).trimmed().toStdU16String();
            }
          }
          rows->push_back(std::move(row));
        }
      },
      [this, rows] { Fill(*rows); });
  if (!job_) {
    delete wait_;
    platform::ShowMessage(u"실행 안정성을 위해 드라이브탭을 차단합니다\r\n\n원인: 초기화되지 않은 포인터",
                          platform::MsgButtons::Ok, platform::MsgIcon::Error);
  }
}

CDriveBoxVolDlg::~CDriveBoxVolDlg() {
  job_.reset();  // stops and joins the worker
  std::free(g_pDriveTable);
  g_pDriveTable = nullptr;
  g_nDriveTableCount = 0;
}

void CDriveBoxVolDlg::Fill(const std::vector<Row>& rows) {
  delete wait_;
  std::free(g_pDriveTable);
  g_pDriveTable = nullptr;
  g_nDriveTableCount = static_cast<std::int32_t>(rows.size());
  if (!rows.empty()) {
    g_pDriveTable = static_cast<DRIVETABLEENTRY*>(std::calloc(rows.size(), sizeof(DRIVETABLEENTRY)));
    if (!g_pDriveTable) {
      g_nDriveTableCount = 0;
      platform::ShowMessage(u"메모리를 할당하지 못했습니다. (오류번호: 600001)", platform::MsgButtons::Ok,
                            platform::MsgIcon::Error);
      ready_ = true;
      return;
    }
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    QString drive = QStringLiteral("%1 ").arg(QChar(r.root[0]).toUpper()) + QString::fromUtf16(u"드라이브");
    QString first;
    if (r.type == kDriveRemovable)
      first = drive + (r.floppy ? QString::fromUtf16(u" 3.5 플로피") : QString::fromUtf16(u" 이동식 디스크"));
    else if (!r.label.empty())
      first = drive + QLatin1Char(' ') + Q(r.label);
    else
      first = drive;
    DRIVETABLEENTRY& e = g_pDriveTable[i];
    e.row = static_cast<std::uint8_t>(i);
    e.letter = static_cast<std::uint8_t>(r.root[0]);
    e.driveType = static_cast<std::uint8_t>(r.type);
    e.fsCode = !r.examined ? 0 : (r.readable ? DriveFsCode(r.fileSystem) : 0xFF);
    AddRow(list_, {first, QString::fromStdString(r.fileSystem), QString::fromUtf16(DriveTypeText(r.type))},
           r.type == kDriveRemovable ? 0 : 1);
  }
  FitColumns(list_);
  g_bDrivesReady = 1;
  ready_ = true;
}

bool CDriveBoxVolDlg::TakeSelectedLetter() {
  const int row = list_->SingleSelectedRow();
  if (row < 0) {
    platform::ShowMessage(u"하나만 선택되어야 합니다.", platform::MsgButtons::Ok, platform::MsgIcon::None);
    return false;
  }
  // The table and the rows are built together; a row without an entry has no letter.
  char letter = (g_pDriveTable && row < g_nDriveTableCount) ? static_cast<char>(g_pDriveTable[row].letter) : 0;
  if (!((letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z'))) {
    platform::ShowMessage(u"드라이브를 먼저 선택하여 주십시오.", platform::MsgButtons::Ok, platform::MsgIcon::None);
    return false;
  }
  g_chCurrentDrive = letter;
  return true;
}

void CDriveBoxVolDlg::BuildMenu(QMenu& menu) {
  connect(menu.addAction(QString::fromUtf16(u"열기...")), &QAction::triggered, this,
          [this] { emit openRequested(); });
  const int row = list_->SingleSelectedRow();
  const bool fat = row >= 0 && g_pDriveTable && row < g_nDriveTableCount &&
                   (g_pDriveTable[row].fsCode == 2 || g_pDriveTable[row].fsCode == 3);
  QAction* scan = menu.addAction(QString::fromUtf16(u"디스크 검색..."));
  scan->setEnabled(fat);
  if (fat) {
    const char letter = static_cast<char>(g_pDriveTable[row].letter);
    connect(scan, &QAction::triggered, this,
            [this, letter] { dlg::Open<CDlgScanBox_FAT>(this, CDlgScanBox_FAT::Args{letter}); });
  }
  // The usage box, showing the selected row's drive at once.
  QAction* usage = menu.addAction(QString::fromUtf16(u"디스크 사용량(&D)"));
  const char usageLetter =
      row >= 0 && g_pDriveTable && row < g_nDriveTableCount ? static_cast<char>(g_pDriveTable[row].letter) : 0;
  connect(usage, &QAction::triggered, this,
          [this, usageLetter] { dlg::Open<CDlgDiskUsageBox>(this, CDlgDiskUsageBox::Args{usageLetter}); });
}

// ---------------------------------------------------------------------------------------------

CDriveBoxDiskDlg::CDriveBoxDiskDlg(QWidget* parent) : CDriveBoxListPage(parent) {
  BuildListPage(this, list_, status_);
  SetColumns(list_, {{u"디스크", Qt::AlignLeft, 80},
                     {u"제조사", Qt::AlignLeft, 70},
                     {u"모델명", Qt::AlignLeft, 130},
                     {u"펌웨어 버전", Qt::AlignLeft, 80},
                     {u"일렬번호", Qt::AlignLeft, 130},
                     {u"실린더", Qt::AlignHCenter, 80},
                     {u"헤드", Qt::AlignHCenter, 40},
                     {u"섹터", Qt::AlignHCenter, 40},
                     {u"용량(10진수)", Qt::AlignHCenter, 90},
                     {u"용량(2진수)", Qt::AlignHCenter, 80},
                     {u"바이트 용량", Qt::AlignRight, 110},
                     {u"섹터크기", Qt::AlignHCenter, 80}});
  connect(list_, &QWidget::customContextMenuRequested, this, &CDriveBoxListPage::ShowMenu);
  connect(list_, &QTreeWidget::itemDoubleClicked, this,
          &CDriveBoxListPage::ShowRowInfo);
  auto disks = std::make_shared<std::vector<platform::DiskFacts>>();
  job_ = StartJob(this, [disks] { *disks = platform::ListDisks(); },
                  [this, disks] {
                    QStringList problems;
                    for (const platform::DiskFacts& d : *disks) {
                      diskNumbers_.push_back(d.number);
                      AddRow(list_,
                             {QString::fromUtf16(u"디스크 %1").arg(d.number), Q(d.identity.maker),
                              Q(d.identity.model), Q(d.identity.firmware), Q(d.identity.serial),
                              WithCommas(d.cylinders), QString::number(d.heads),
                              QString::number(d.sectorsPerTrack), SizeText(d.bytes, 10), SizeText(d.bytes, 2),
                              WithCommas(d.bytes), QString::number(d.sectorSize)},
                             1);
                      if (d.openError)
                        problems << QString::fromUtf16(u"디스크 %1: ").arg(d.number) +
                                        Q(platform::DiskOpenErrorText(d.openError));
                    }
                    FitColumns(list_);
                    status_->setText(problems.join(QLatin1Char(' ')));
                    ready_ = true;
                  });
}

void CDriveBoxDiskDlg::BuildMenu(QMenu& menu) {
  CDriveBoxListPage::BuildMenu(menu);
  menu.addSeparator();
  QAction* fix = menu.addAction(QString::fromUtf16(u"MBR 복구하기(&M)..."));
  const int row = list_->SingleSelectedRow();
  const bool known = row >= 0 && row < static_cast<int>(diskNumbers_.size());
  fix->setEnabled(known && dlg::HasDialog(QStringLiteral("CDlgMbrFixBox")));
  if (known) {
    // The repair gets the row's disk number, not its place in the list.
    const int disk = diskNumbers_[static_cast<std::size_t>(row)];
    connect(fix, &QAction::triggered, this, [this, disk] { dlg::RunDialogArgs("CDlgMbrFixBox", {disk}, this); });
  }
}

// ---------------------------------------------------------------------------------------------

CDriveBoxPartDlg::CDriveBoxPartDlg(QWidget* parent) : CDriveBoxListPage(parent) {
  BuildListPage(this, list_, status_);
  SetColumns(list_, {{u"디스크", Qt::AlignHCenter, 80},    {u"상태", Qt::AlignHCenter, 40},
                     {u"형식", Qt::AlignHCenter, 70},      {u"파티션 유형", Qt::AlignLeft, 160},
                     {u"ID", Qt::AlignLeft, 40},           {u"용량(10진수)", Qt::AlignRight, 90},
                     {u"용량(2진수)", Qt::AlignRight, 80}, {u"바이트 용량", Qt::AlignRight, 110},
                     {u"시작 C", Qt::AlignRight, 50},      {u"H", Qt::AlignRight, 30},
                     {u"S", Qt::AlignRight, 30},           {u"끝 C", Qt::AlignRight, 50},
                     {u"H", Qt::AlignRight, 30},           {u"S", Qt::AlignRight, 30},
                     {u"LBA 시작", Qt::AlignRight, 90},    {u"LBA 끝", Qt::AlignRight, 90},
                     {u"LBA 섹터수", Qt::AlignRight, 90},  {u"숨김", Qt::AlignRight, 40}});
  connect(list_, &QWidget::customContextMenuRequested, this, &CDriveBoxListPage::ShowMenu);
  connect(list_, &QTreeWidget::itemDoubleClicked, this,
          &CDriveBoxListPage::ShowRowInfo);
  struct Result {
    std::vector<platform::PartitionRow> rows;
    QStringList problems;
  };
  auto result = std::make_shared<Result>();
  job_ = StartJob(
      this,
      [result] {
        // Every disk is read; one that cannot be read leaves its reason and the walk goes on.
        for (const platform::DiskFacts& d : platform::ListDisks()) {
          int error = 0;
          platform::PartitionRowScan scan = platform::ReadPartitionRows(d, &error);
          if (error)
            result->problems << QString::fromUtf16(u"디스크 %1: ").arg(d.number) +
                                    Q(platform::DiskOpenErrorText(error));
          for (platform::PartitionRow& r : scan.rows) result->rows.push_back(std::move(r));
        }
      },
      [this, result] {
        for (const platform::PartitionRow& r : result->rows) {
          AddRow(list_,
                 {QString::fromUtf16(u"디스크 %1").arg(r.disk), Q(platform::RowStatusText(r)),
                  Q(platform::RowFormText(r)), Q(platform::RowIndentedName(r)), Q(platform::RowTypeText(r)),
                  SizeText(r.bytes, 10), SizeText(r.bytes, 2), WithCommas(r.bytes), WithCommas(r.startC),
                  WithCommas(r.startH), WithCommas(r.startS), WithCommas(r.endC), WithCommas(r.endH),
                  WithCommas(r.endS), WithCommas(r.first), WithCommas(r.last), WithCommas(r.count), QString()},
                 !r.gpt && platform::IsExtendedRowType(r.type) ? 6 : 1);
        }
        FitColumns(list_);
        status_->setText(result->problems.join(QLatin1Char(' ')));
        ready_ = true;
      });
}

// ---------------------------------------------------------------------------------------------

CDriveBoxExtDlg::CDriveBoxExtDlg(QWidget* parent) : CDriveBoxListPage(parent) {
  BuildListPage(this, list_, status_);
  SetColumns(list_, {{u"드라이브", Qt::AlignHCenter, 65},
                     {u"범위", Qt::AlignLeft, 40},
                     {u"디스크", Qt::AlignHCenter, 55},
                     {u"바이트오프셋", Qt::AlignRight, 100},
                     {u"바이트길이", Qt::AlignRight, 100},
                     {u"용량(10진수)", Qt::AlignHCenter, 100},
                     {u"용량(2진수)", Qt::AlignHCenter, 100}});
  // Extents come from the drive map's records: nothing is read from a disk.
  for (const platform::VolumeExtent& e : platform::ListVolumeExtents()) {
    AddRow(list_,
           {QStringLiteral("%1:\\").arg(QChar::fromLatin1(e.letter)), QString::number(e.ordinal),
            QString::number(e.disk), WithCommas(e.offset), WithCommas(e.length), SizeText(e.length, 10),
            SizeText(e.length, 2)},
           1);
  }
  FitColumns(list_);
}

// ---------------------------------------------------------------------------------------------

CDriveBoxImageDlg::CDriveBoxImageDlg(QWidget* parent) : CTabPageSSL(parent) {
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(QString::fromUtf16(u"디스크 이미지 파일:"), this), 0, 0);
  path_ = new QLineEdit(this);
  layout->addWidget(path_, 0, 1);
  QPushButton* browse = dlgframe::MakeButton(this, {u"찾아보기(&B)...", "browse"});
  layout->addWidget(browse, 0, 2);
  connect(browse, &QPushButton::clicked, this, &CDriveBoxImageDlg::Browse);
  auto* group = new QGroupBox(QString::fromUtf16(u"섹터당 바이트"), this);
  auto* sizes = new QGridLayout(group);
  auto* standard = new QRadioButton(QString::fromUtf16(u"기본"), group);
  standard->setChecked(true);
  sizes->addWidget(standard, 0, 0);
  sectorSize_ = new QComboBox(group);
  for (const char* text : {"512 B", "1024 B", "2048 B", "4096 B"}) sectorSize_->addItem(QString::fromLatin1(text));
  sectorSize_->setCurrentIndex(0);
  sizes->addWidget(sectorSize_, 0, 1);
  // A custom size is not offered.
  auto* custom = new QRadioButton(QString::fromUtf16(u"사용자 정의"), group);
  custom->setEnabled(false);
  sizes->addWidget(custom, 1, 0);
  auto* customSize = new QLineEdit(group);
  customSize->setEnabled(false);
  sizes->addWidget(customSize, 1, 1);
  layout->addWidget(group, 1, 0, 1, 3);
  layout->setRowStretch(2, 1);
  status_ = new QLabel(this);
  layout->addWidget(status_, 3, 0, 1, 3);
}

void CDriveBoxImageDlg::Browse() {
  const QString filter = QString::fromUtf16(
      u"모든 파일(*.*) (*);;모든 디스크 이미지(*.qor,*.vmdk) (*.qor *.vmdk);;"
      u"펠라모르 디스크 이미지(*.qor) (*.qor);;VMWare 디스크 이미지(*.vmdk) (*.vmdk)");
  QFileDialog dialog(this, QString(), path_->text(), filter);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(QStringLiteral("qor"));
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
    path_->setText(dialog.selectedFiles().front());
}

bool CDriveBoxImageDlg::Attach() {
  const std::string path = path_->text().toStdString();
  if (path.empty()) return false;
  const unsigned sectorSize = 512u << std::max(0, sectorSize_->currentIndex());
  std::vector<char> letters;
  std::string error;
  if (!platform::DriveMap::Instance().AttachImage(path, sectorSize, &letters, &error)) {
    status_->setText(QString::fromStdString(error));
    return false;
  }
  std::optional<platform::DriveEntry> entry;
  if (letters.size() == 1) entry = platform::DriveMap::Instance().Find(letters.front());
  if (entry && entry->disk < 0) {
    g_chCurrentDrive = letters.front();
    return true;
  }
  QStringList names;
  for (char c : letters) names << QStringLiteral("%1:").arg(QLatin1Char(c));
  status_->setText(names.join(QLatin1Char(' ')));
  return false;
}

// ---------------------------------------------------------------------------------------------

CDriveBoxOptionDlg::CDriveBoxOptionDlg(QWidget* parent) : CTabPageSSL(parent) {
  auto* layout = new QGridLayout(this);
  deletedOnly_ = new QCheckBox(QString::fromUtf16(u"삭제된 데이터만 검색"), this);
  deletedOnly_->setChecked(g_bDeletedOnly == 1);
  layout->addWidget(deletedOnly_, 0, 0, 1, 3);
  useExtensions_ = new QCheckBox(QString::fromUtf16(u"확장자 검색 사용"), this);
  useExtensions_->setChecked(g_bUseExtensionFilter == 1);
  layout->addWidget(useExtensions_, 1, 0);
  fileTypes_ = dlgframe::MakeButton(this, {u"파일포맷", "fileTypes"});
  layout->addWidget(fileTypes_, 1, 1);
  count_ = new QLabel(this);
  layout->addWidget(count_, 1, 2);
  explore_ = new QCheckBox(QString::fromUtf16(u"탐색하기"), this);
  layout->addWidget(explore_, 2, 0, 1, 3);

  decompression_ = new QComboBox(this);
  for (const char16_t* text : {u"없음", u"Windows기본값", u"Lempel-Ziv", u"Standard", u"Maximum", u"Hiber"})
    decompression_->addItem(QString::fromUtf16(text));
  // The stored choice is shown; an index outside the list is the default.
  decompression_->setCurrentIndex(g_nDecompressionFormat >= 0 && g_nDecompressionFormat < 6 ? g_nDecompressionFormat
                                                                                             : 2);
  layout->addWidget(decompression_, 3, 0, 1, 3);
  threads_ = new QComboBox(this);
  for (int n = 1; n <= g_nMaxScanThreads; ++n) threads_->addItem(QString::number(n));
  threads_->setCurrentIndex(std::clamp(g_nScanThreads, 1, std::max(1, g_nMaxScanThreads)) - 1);
  layout->addWidget(threads_, 4, 0, 1, 3);

  binary_ = new QRadioButton(QString::fromUtf16(u"IEC-60027 (2진수)"), this);
  decimal_ = new QRadioButton(QString::fromUtf16(u"SI (10진수)"), this);
  binary_->setChecked(true);
  layout->addWidget(binary_, 5, 0);
  layout->addWidget(decimal_, 5, 1);
  layout->setRowStretch(6, 1);

  connect(deletedOnly_, &QCheckBox::clicked, this, [](bool on) { g_bDeletedOnly = on ? 1 : 0; });
  connect(useExtensions_, &QCheckBox::clicked, this, [this](bool on) {
    g_bUseExtensionFilter = on ? 1 : 0;
    UpdateEnabled();
  });
  connect(explore_, &QCheckBox::clicked, this, [this] { UpdateEnabled(); });
  connect(fileTypes_, &QPushButton::clicked, this, [this] {
    if (dlg::Open<CDlgFileTypeBox>(this, CDlgFileTypeBox::Args{})) ShowCount();
  });
  connect(decompression_, &QComboBox::currentIndexChanged, this, [](int index) {
    if (index >= 0) g_nDecompressionFormat = index;
  });
  connect(threads_, &QComboBox::currentIndexChanged, this, [](int index) {
    if (index < 0) return;
    g_nScanThreads = index + 1;
    // The count reaches the search through its options; the app's record follows it.
    if (CPellamorApp* app = TheApp()) app->ntfsSearchThreads = g_nScanThreads;
  });
  // Only the binary units are offered: the decimal choice goes straight back.
  connect(decimal_, &QRadioButton::clicked, this, [this] { binary_->setChecked(true); });
  ShowCount();
  UpdateEnabled();
}

void CDriveBoxOptionDlg::ShowCount() {
  count_->setText(QString::fromUtf16(u"선택: %1개").arg(g_nSelectedExtensions));
}

void CDriveBoxOptionDlg::UpdateEnabled() {
  const bool free = !explore_->isChecked();
  const bool filter = useExtensions_->isChecked();
  deletedOnly_->setEnabled(free);
  useExtensions_->setEnabled(free);
  fileTypes_->setEnabled(free && filter);
  count_->setEnabled(free && filter);
}

// ---------------------------------------------------------------------------------------------

CDriveBoxMainDlg::CDriveBoxMainDlg(int startPage, QWidget* parent) : CResizableDialog(parent), startPage_(startPage) {
  const QString title = QString::fromUtf16(u"디스크 열기");
  setWindowTitle(title);
  auto* layout = new QVBoxLayout(this);
  header_ = dlgframe::MakeHeader(this, title, QString::fromUtf16(u"복구할 대상을 선택합니다."), 256);
  layout->addWidget(header_);
  tab_ = new CTabCtrlSSL(this);
  layout->addWidget(tab_, 1);

  // The file-system choices carry no behaviour.
  auto* group = new QGroupBox(QString::fromUtf16(u"파일시스템"), this);
  auto* radios = new QHBoxLayout(group);
  for (const char* name : {"exFAT", "NTFS", "FAT32", "FAT16", "FAT12", "UDF", "HPFS", "CDFS", "EXT2"}) {
    auto* radio = new QRadioButton(QString::fromLatin1(name), group);
    const QString n = QString::fromLatin1(name);
    radio->setEnabled(n != QLatin1String("UDF") && n != QLatin1String("HPFS") && n != QLatin1String("CDFS"));
    radios->addWidget(radio);
  }
  layout->addWidget(group);

  // The start page's target page as the first tab (none for an index outside 0..4), then always
  // the options page.
  switch (startPage_) {
    case 0:
      disk_ = new CDriveBoxDiskDlg;
      tab_->AddPage(QString::fromUtf16(u"디스크"), 0, disk_, 1);
      break;
    case 1:
      part_ = new CDriveBoxPartDlg;
      tab_->AddPage(QString::fromUtf16(u"파티션"), 1, part_, 1);
      break;
    case 2:
      vol_ = new CDriveBoxVolDlg;
      tab_->AddPage(QString::fromUtf16(u"드라이브"), 2, vol_, 1);
      connect(vol_, &CDriveBoxVolDlg::openRequested, this, &CDriveBoxMainDlg::OpenSelected);
      break;
    case 3:
      ext_ = new CDriveBoxExtDlg;
      tab_->AddPage(QString::fromUtf16(u"볼륨"), 3, ext_, 1);
      break;
    case 4: {
      image_ = new CDriveBoxImageDlg;
      tab_->AddPage(QString::fromUtf16(u"이미지"), 4, image_, 1);
      QPushButton* open = dlgframe::MakeButton(this, {u"열기(&O)", "open"});
      layout->addWidget(open, 0, Qt::AlignRight);
      connect(open, &QPushButton::clicked, this, &CDriveBoxMainDlg::OpenImage);
      break;
    }
    default:
      break;
  }
  option_ = new CDriveBoxOptionDlg;
  tab_->AddPage(QString::fromUtf16(u"설정"), 5, option_, 1);
  tab_->SelectFirstPage();
  resize(720, 460);
}

CDriveBoxMainDlg::~CDriveBoxMainDlg() {
  tab_->DestroyPages();  // the pages join their workers before the picker goes
}

void CDriveBoxMainDlg::OpenSelected() {
  if (opened_ || !vol_ || !vol_->Ready()) return;
  if (!vol_->TakeSelectedLetter()) return;
  opened_ = true;
  done(1);
}

void CDriveBoxMainDlg::OpenImage() {
  if (opened_ || !image_ || !image_->Attach()) return;
  opened_ = true;
  done(1);
}

void CDriveBoxMainDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    // Enter runs the shown page's action: on the drive page, the one selected row; on the image
    // page, attaching; elsewhere nothing.
    QWidget* shown = tab_->currentWidget();
    if (vol_ && shown == vol_) OpenSelected();
    if (image_ && shown == image_) OpenImage();
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_Escape) {
    done(0);
    event->accept();
    return;
  }
  CResizableDialog::keyPressEvent(event);
}

std::optional<CDriveBoxMainDlg::Result> CDriveBoxMainDlg::Open(QWidget* parent, const Args& args) {
  if (args.page == 2) {
    platform::DriveMap::Instance().EnsureConfigured();
    if (platform::DriveMap::Instance().Drives().empty()) {
      platform::ShowMessage(u"드라이브가 선택되지 않았습니다.", platform::MsgButtons::Ok, platform::MsgIcon::None);
      return std::nullopt;
    }
  }
  CDriveBoxMainDlg picker(args.page, parent);
  if (picker.exec() != 1) return std::nullopt;
  return Result{g_chCurrentDrive};
}

CDriveBoxMainDlg::Args CDriveBoxMainDlg::ArgsFrom(const dlg::DialogArgs& values) {
  return {dlg::IntArg(values, 0, 2)};
}
