#include "Pellamor/DLG/CDlgDiskUsageBox/CDlgDiskUsageBox.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

#include "Pellamor/WorkerJob.h"
#include "controls/PieProgress.h"
#include "disk/drive_info.h"
#include "platform/message.h"
#include "platform/volume_space.h"
#include "shared/DialogFrame.h"
#include "shared/DialogHeaderCtrl.h"

namespace {

constexpr const char16_t* kReason =
    u"다음의 이유로 디스크 사용량을 확인할 수 없습니다.\r\n\n"
    u"- 사용중인 운영체제에서 지원하지 않는 미디어/파일시스템 형식       \r\n"
    u"- 디스크가 드라이브에 들어 있지 않음 (CD/DVD 형식)\r\n"
    u"- 부트영역이 손상됨";

const QColor kFreeColour(255, 0, 255);  // the pie's first colour
const QColor kUsedColour(0, 0, 255);    // the pie's second colour

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

CDlgDiskUsageBox::SpaceSource& Space() {
  static CDlgDiskUsageBox::SpaceSource source;
  return source;
}

CDlgDiskUsageBox::ListSource& List() {
  static CDlgDiskUsageBox::ListSource source;
  return source;
}

QString Bytes(std::uint64_t n) { return QString::number(static_cast<qulonglong>(n)) + Text(u" 바이트"); }
QString Megabytes(std::uint64_t n) { return QString::number(static_cast<qulonglong>(n >> 20)) + QStringLiteral(" MB"); }

QLabel* ValueLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

QLabel* MakeSwatch(QWidget* parent, const char* name, const QColor& colour) {
  auto* swatch = new QLabel(QString(9, QLatin1Char(' ')), parent);
  swatch->setObjectName(QString::fromLatin1(name));
  swatch->setAutoFillBackground(true);
  QPalette palette = swatch->palette();
  palette.setColor(QPalette::Window, colour);
  swatch->setPalette(palette);
  swatch->setFixedSize(swatch->sizeHint());
  return swatch;
}

}  // namespace

void CDlgDiskUsageBox::SetSpaceSource(SpaceSource source) { Space() = std::move(source); }
void CDlgDiskUsageBox::SetListSource(ListSource source) { List() = std::move(source); }

const char16_t* CDlgDiskUsageBox::DriveTypeName(int type) {
  static constexpr const char16_t* kNames[7] = {u"알수없음",     u"마운트되지 않음",
                                                u"이동식디스크", u"로컬디스크/플래시드라이브",
                                                u"원격/네트워크드라이브", u"CD/DVD", u"RAM 디스크"};
  return type >= 0 && type <= 6 ? kNames[type] : nullptr;
}

QStringList CDlgDiskUsageBox::DriveListTexts() {
  CDriveInfo info;
  info.EnumDrives();
  QStringList texts;
  for (const std::u16string& root : info.roots()) {
    const char16_t* name = DriveTypeName(info.GetDriveType(root));
    if (!name || root.size() < 2) continue;
    texts << QStringLiteral("(%1) %2").arg(QString::fromStdU16String(root.substr(0, 2)), Text(name));
  }
  return texts;
}

CDlgDiskUsageBox::CDlgDiskUsageBox(QWidget* parent, char letter) : QDialog(parent), initialLetter_(letter) {
  header_ = dlgframe::MakeHeader(this, Text(u"디스크 사용량 관리 도구"),
                                 Text(u"디스크 사용량, 여유공간을 파이그래프로 출력합니다.."), 256);

  drives_ = new QComboBox(this);
  drives_->setObjectName(QStringLiteral("drives"));
  drives_->setMinimumWidth(220);

  pie_ = new CPieProgress(this);
  pie_->setObjectName(QStringLiteral("pie"));
  pie_->setFixedSize(150, 110);

  auto* details = new QGridLayout;
  int row = 0;
  auto addLine = [&](const char16_t* label, QWidget* first, QWidget* second = nullptr, QWidget* swatch = nullptr) {
    if (swatch) details->addWidget(swatch, row, 0, Qt::AlignVCenter);
    details->addWidget(new QLabel(Text(label), this), row, 1);
    details->addWidget(first, row, 2);
    if (second) details->addWidget(second, row, 3);
    ++row;
  };
  const char* blankNames[3] = {"kind", "fileSystem", "label"};
  const char16_t* blankLabels[3] = {u"종류:", u"파일 시스템:", u"볼륨 레이블:"};
  for (int i = 0; i < 3; ++i) addLine(blankLabels[i], ValueLabel(this, blankNames[i]));
  const char* valueNames[6] = {"usedBytes", "freeBytes", "usedMb", "freeMb", "totalBytes", "totalMb"};
  for (int i = 0; i < 6; ++i) values_[i] = ValueLabel(this, valueNames[i]);
  usedSwatch_ = MakeSwatch(this, "usedSwatch", kUsedColour);
  freeSwatch_ = MakeSwatch(this, "freeSwatch", kFreeColour);
  addLine(u"사용 중인 공간:", values_[0], values_[2], usedSwatch_);
  addLine(u"사용 가능한 공간:", values_[1], values_[3], freeSwatch_);
  addLine(u"용량:", values_[4], values_[5]);
  details->setHorizontalSpacing(12);
  details->setColumnStretch(2, 1);
  details->setColumnStretch(3, 1);

  letterField_ = ValueLabel(this, "letter");
  auto* pieColumn = new QVBoxLayout;
  pieColumn->addWidget(pie_, 0, Qt::AlignHCenter);
  auto* driveLine = new QHBoxLayout;
  driveLine->addStretch();
  driveLine->addWidget(new QLabel(Text(u"드라이브"), this));
  driveLine->addWidget(letterField_);
  driveLine->addStretch();
  pieColumn->addLayout(driveLine);
  pieColumn->addStretch();

  auto* body = new QHBoxLayout;
  body->addLayout(pieColumn);
  body->addSpacing(8);
  body->addLayout(details, 1);

  std::vector<QPushButton*> buttons;
  QHBoxLayout* buttonRow = dlgframe::ButtonRowLayout(
      this, {{u"확인", "ok", dlgframe::Role::Accept, true}, {u"취소", "cancel", dlgframe::Role::Reject}}, &buttons);
  ok_ = buttons[0];
  cancel_ = buttons[1];

  auto* content = new QVBoxLayout;
  content->setContentsMargins(11, 8, 11, 11);
  content->addWidget(drives_);
  content->addLayout(body);
  content->addLayout(buttonRow);
  dlgframe::StackUnderBand(this, header_, content, 0);
  setMinimumWidth(520);

  connect(drives_, &QComboBox::currentIndexChanged, this, &CDlgDiskUsageBox::OnSelChange);
}

CDlgDiskUsageBox::~CDlgDiskUsageBox() { job_.reset(); }

QLabel* CDlgDiskUsageBox::Field(int id) const {
  if (id == 1198) return letterField_;
  if (id >= 1201 && id <= 1206) return values_[id - 1201];
  return nullptr;
}

QLabel* CDlgDiskUsageBox::Swatch(int id) const {
  return id == 1190 ? usedSwatch_ : id == 1191 ? freeSwatch_ : nullptr;
}

void CDlgDiskUsageBox::showEvent(QShowEvent* event) {
  if (!initialised_) {
    initialised_ = true;
    OnInitDialog();
  }
  QDialog::showEvent(event);
}

void CDlgDiskUsageBox::OnInitDialog() {
  letterField_->clear();
  for (QLabel* value : values_) value->clear();
  pie_->m_nLower = 0;
  pie_->m_nUpper = 100;
  pie_->m_nPos = 10;
  pie_->m_crFirst = kFreeColour;
  pie_->m_crSecond = kUsedColour;
  pie_->update();

  // The worker only gathers texts; the combo is filled here on the UI thread.
  auto texts = std::make_shared<QStringList>();
  ListSource source = List() ? List() : ListSource(&CDlgDiskUsageBox::DriveListTexts);
  job_ = StartJob(
      this, [texts, source] { *texts = source(); }, [this, texts] { OnListArrived(*texts); });
  if (initialLetter_) ShowDrive(initialLetter_);
}

void CDlgDiskUsageBox::OnListArrived(const QStringList& texts) {
  QStringList sorted = texts;
  std::sort(sorted.begin(), sorted.end());
  const QSignalBlocker blocker(drives_);
  drives_->clear();
  drives_->addItems(sorted);
  // The shown drive's entry becomes current without a second measurement; with none shown, no
  // entry is current, so that choosing the first one shows it.
  int current = -1;
  for (int i = 0; letter_ && i < sorted.size(); ++i)
    if (sorted[i].size() > 1 && sorted[i][1].toUpper() == QChar::fromLatin1(letter_).toUpper()) current = i;
  drives_->setCurrentIndex(current);
  listReady_ = true;
}

void CDlgDiskUsageBox::OnSelChange(int index) {
  const QString text = drives_->itemText(index);
  if (index < 0 || text.size() < 2) return;
  ShowDrive(text[1].toLatin1());
}

void CDlgDiskUsageBox::ClearFigures() {
  for (QLabel* value : values_) value->clear();
  pie_->m_nPos = -1;  // outside the range: nothing is drawn
  pie_->update();
}

int CDlgDiskUsageBox::ShowDrive(char letter) {
  letter_ = letter;
  letterField_->setText(QString(QLatin1Char(letter)));
  setWindowTitle(Text(u"디스크 사용량 관리자 - (%1:)").arg(QLatin1Char(letter)));

  std::uint64_t total = 0;
  std::uint64_t free = 0;
  const SpaceSource& source = Space();
  const bool measured = source ? source(letter, &total, &free) : platform::VolumeSpace(letter, &total, &free);
  if (!measured) {
    // No other drive's figures may stand beside this letter.
    ClearFigures();
    platform::ShowMessage(kReason, platform::MsgButtons::Ok, platform::MsgIcon::Warning);
    return 0;
  }
  free = std::min(free, total);
  const std::uint64_t used = total - free;
  values_[0]->setText(Bytes(used));
  values_[2]->setText(Megabytes(used));
  values_[1]->setText(Bytes(free));
  values_[3]->setText(Megabytes(free));
  values_[4]->setText(Bytes(total));
  values_[5]->setText(Megabytes(total));
  // 128-bit, so that totals near 2^64 do not overflow; a full drive shows 0 %, an empty total
  // no pie.
  pie_->m_nPos = total == 0 ? -1 : static_cast<int>(static_cast<unsigned __int128>(free) * 100 / total);
  pie_->update();
  return 1;
}

int CDlgDiskUsageBox::Open(QWidget* parent, const Args& args) {
  CDlgDiskUsageBox dialog(parent, args.letter);
  return dialog.exec() == QDialog::Accepted ? 1 : 0;
}

CDlgDiskUsageBox::Args CDlgDiskUsageBox::ArgsFrom(const dlg::DialogArgs& values) {
  return Args{dlg::LetterArg(values, 0)};
}
