#include "Pellamor/DLG/CSetupPreferenceDlg/COptionDRDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QValidator>
#include <QVBoxLayout>

#include "Pellamor/App.h"
#include "Pellamor/AppRecords.h"
#include "Pellamor/Settings.h"
#include "corvane/dll_processor.h"
#include "platform/message.h"

namespace {

constexpr const char* kSection = "Options";

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

const char16_t* const kBase2Units[9] = {
    u"B (바이트)",
    u"KiB (키비바이트)   = 1024^1 B = 2^10 B",
    u"MiB (메비바이트)   = 1024^2 B = 2^20 B",
    u"GiB (기비바이트)   = 1024^3 B = 2^30 B",
    u"TiB (테비바이트)   = 1024^4 B = 2^40 B",
    u"PiB (페비바이트)   = 1024^5 B = 2^50 B",
    u"EiB (엑스비바이트)   = 1024^6 B = 2^60 B",
    u"ZiB (제비바이트)   = 1024^7 B = 2^70 B",
    u"YiB (요비바이트)   = 1024^8 B = 2^80 B",
};
const char16_t* const kBase10Units[9] = {
    u"B (바이트)",
    u"KB (킬로바이트) = 1000^1 B = 10^3 B",
    u"MB (메가바이트) = 1000^2 B = 10^6 B",
    u"GB (기가바이트) = 1000^3 B = 10^9 B",
    u"TB (테라바이트) = 1000^4 B = 10^12 B",
    u"PB (페타바이트) = 1000^5 B = 10^15 B",
    u"EB (엑사바이트) = 1000^6 B = 10^18 B",
    u"ZB (제타바이트) = 1000^7 B = 10^21 B",
    u"YB (요타바이트) = 1000^8 B = 10^24 B",
};

// Digits only, up to the largest amount.
class AmountValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    if (input.isEmpty()) return Acceptable;
    for (QChar c : input)
      if (c < QLatin1Char('0') || c > QLatin1Char('9')) return Invalid;
    bool ok = false;
    const unsigned long long v = input.toULongLong(&ok);
    return ok && v <= COptionDRDlg::kMaxAmount ? Acceptable : Invalid;
  }
};

RECOVERYSIZESETTING& SessionRecord() {
  if (CPellamorApp* app = TheApp()) return app->recoverySize;
  static RECOVERYSIZESETTING record;  // no application (a tool or a test without one)
  return record;
}

void Tell(const char16_t* text, platform::MsgIcon icon) {
  platform::ShowMessage(text, platform::MsgButtons::Ok, icon);
}

}  // namespace

uint128 RecoverySizeBytes(unsigned long long amount, int type, int notation) {
  const uint128 base = notation == 10 ? 1000 : 1024;
  uint128 bytes = amount;
  for (int i = 0; i < type; ++i) bytes *= base;  // at most 2^32 x 2^80: no overflow
  return bytes;
}

QString DecimalText(uint128 value) {
  if (value == 0) return QStringLiteral("0");
  QString digits;
  while (value != 0) {
    digits.prepend(QChar(u'0' + static_cast<char16_t>(value % 10)));
    value /= 10;
  }
  return digits;
}

COptionDRDlg::COptionDRDlg(QWidget* parent, RECOVERYSIZESETTING* session)
    : QWidget(parent), session_(session ? session : &SessionRecord()) {
  auto* sizeGroup = new QGroupBox(Text(u"파일 크기 지정"), this);
  amountEdit_ = new QLineEdit(sizeGroup);
  amountEdit_->setObjectName(QStringLiteral("amount1266"));
  amountEdit_->setValidator(new AmountValidator(amountEdit_));
  amountEdit_->setAlignment(Qt::AlignRight);
  unitList_ = new QComboBox(sizeGroup);
  unitList_->setObjectName(QStringLiteral("unit1265"));
  base2_ = new QRadioButton(sizeGroup);
  base2_->setObjectName(QStringLiteral("base2_1267"));
  base10_ = new QRadioButton(sizeGroup);
  base10_->setObjectName(QStringLiteral("base10_1268"));
  apply_ = new QPushButton(Text(u"적용(&S)"), sizeGroup);
  apply_->setObjectName(QStringLiteral("apply1264"));
  apply_->setAutoDefault(false);
  byteText_ = new QLabel(sizeGroup);
  byteText_->setObjectName(QStringLiteral("bytes1270"));
  byteText_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  sizeText_ = new QLabel(sizeGroup);
  sizeText_->setObjectName(QStringLiteral("size1269"));
  sizeText_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  unitText_ = new QLabel(sizeGroup);
  unitText_->setObjectName(QStringLiteral("unitText1271"));

  auto* sizeGrid = new QGridLayout(sizeGroup);
  sizeGrid->addWidget(amountEdit_, 0, 0);
  sizeGrid->addWidget(unitList_, 0, 1, 1, 3);
  sizeGrid->addWidget(base2_, 1, 0, 1, 2);
  sizeGrid->addWidget(base10_, 1, 2, 1, 2);
  sizeGrid->addWidget(byteText_, 2, 0, 1, 2);
  sizeGrid->addWidget(new QLabel(QStringLiteral("B ="), sizeGroup), 2, 2);
  auto* sizeRow = new QHBoxLayout;
  sizeRow->addWidget(sizeText_);
  sizeRow->addWidget(unitText_);
  sizeRow->addStretch();
  sizeGrid->addLayout(sizeRow, 2, 3);
  sizeGrid->addWidget(apply_, 3, 3, Qt::AlignRight);
  sizeGrid->setColumnStretch(3, 1);

  // Not in use: shown disabled, without handlers.
  auto* extGroup = new QGroupBox(Text(u"확장자 지정"), this);
  extGroup->setEnabled(false);
  auto* extEdit = new QLineEdit(extGroup);
  extEdit->setObjectName(QStringLiteral("ext1210"));
  auto* extList = new QListWidget(extGroup);
  extList->setObjectName(QStringLiteral("ext1211"));
  auto* add = new QPushButton(Text(u"추가"), extGroup);
  add->setObjectName(QStringLiteral("add1212"));
  auto* remove = new QPushButton(Text(u"삭제"), extGroup);
  remove->setObjectName(QStringLiteral("remove1214"));
  auto* extGrid = new QGridLayout(extGroup);
  extGrid->addWidget(extEdit, 0, 0);
  extGrid->addWidget(add, 0, 1);
  extGrid->addWidget(extList, 1, 0, 2, 1);
  extGrid->addWidget(remove, 1, 1, Qt::AlignTop);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(sizeGroup);
  layout->addWidget(extGroup, 1);

  OnInitDialog();
  connect(unitList_, qOverload<int>(&QComboBox::activated), this, [this] { OnUnitChange(); });
  connect(amountEdit_, &QLineEdit::textEdited, this, [this] { OnAmountChange(); });
  connect(base2_, &QRadioButton::clicked, this, [this] { OnNotation(2); });
  connect(base10_, &QRadioButton::clicked, this, [this] { OnNotation(10); });
  connect(apply_, &QPushButton::clicked, this, &COptionDRDlg::OnApply);
}

void COptionDRDlg::OnInitDialog() {
  base2_->setText(Text(u"2진수 표기법 (IEC-60027)"));
  base10_->setText(Text(u"10진수 표기법 (SI)"));
  if (session_->held) {
    amount_ = session_->amount;
    type_ = session_->type;
    notation_ = session_->notation == 10 ? 10 : 2;
  } else {
    bool ok = false;
    const qulonglong stored =
        profile::GetProfileString(kSection, "RecoveryFileSizeUnit", QStringLiteral("1")).trimmed().toULongLong(&ok);
    amount_ = ok && stored <= kMaxAmount ? stored : 0;
    type_ = profile::GetProfileInt(kSection, "RecoveryFileSizeType", 2);
    notation_ = profile::GetProfileInt(kSection, "RecoveryFileSizeNotation", 2) == 10 ? 10 : 2;
  }
  if (type_ < 0 || type_ > 8) {
    amount_ = 1;
    type_ = 2;
  }
  (notation_ == 10 ? base10_ : base2_)->setChecked(true);
  FillUnits();
  amountEdit_->setText(QString::number(amount_));
  unitList_->setCurrentIndex(type_);
  Recompute();
}

void COptionDRDlg::FillUnits() {
  const int row = unitList_->currentIndex();
  unitList_->clear();
  for (const char16_t* unit : notation_ == 10 ? kBase10Units : kBase2Units) unitList_->addItem(Text(unit));
  if (row >= 0) unitList_->setCurrentIndex(row);
}

void COptionDRDlg::Recompute() {
  bytes_ = RecoverySizeBytes(amount_, type_, notation_);
  const std::u16string digits = DecimalText(bytes_).toStdU16String();
  byteText_->setText(QString::fromStdU16String(pfn_add_comma ? pfn_add_comma(digits) : digits));
  const double size = static_cast<double>(bytes_);
  sizeText_->setText(QString::fromStdU16String(FormatSizeText(size, notation_, 1, 1, 0)));
  unitText_->setText(QString::fromStdU16String(FormatSizeText(size, notation_, 1, 1, 1)));
}

void COptionDRDlg::OnUnitChange() {
  type_ = unitList_->currentIndex() < 0 ? 0 : unitList_->currentIndex();
  Recompute();
}

void COptionDRDlg::OnAmountChange() {
  bool ok = false;
  const qulonglong v = amountEdit_->text().toULongLong(&ok);
  amount_ = ok && v <= kMaxAmount ? v : 0;
  Recompute();
}

void COptionDRDlg::OnNotation(int notation) {
  base2_->setChecked(notation == 2);
  base10_->setChecked(notation == 10);
  if (notation == notation_) return;
  notation_ = notation;
  FillUnits();
  Recompute();
}

void COptionDRDlg::OnApply() {
  const platform::MsgAnswer answer = platform::ShowMessage(
      u"변경된 내용을 저장하시겠습니까?\r\n\n\n변경된 내용을 저장하지 않고 프로그램 종료전까지만 적용하시려면\r\n[아니오]를 "
      u"선택하십시오.",
      platform::MsgButtons::YesNoDefaultNo, platform::MsgIcon::Question);
  session_->held = true;
  session_->amount = amount_;
  session_->type = type_;
  session_->notation = notation_;
  if (answer == platform::MsgAnswer::Yes) {
    // The byte count and the amount are decimal texts: a profile integer is 32 bits wide.
    const bool stored = profile::WriteProfileString(kSection, "RecoveryFileSizeUnit", QString::number(amount_)) &&
                        profile::WriteProfileInt(kSection, "RecoveryFileSizeType", type_) &&
                        profile::WriteProfileString(kSection, "RecoveryFileSizeByte", DecimalText(bytes_)) &&
                        profile::WriteProfileInt(kSection, "RecoveryFileSizeNotation", notation_);
    if (stored) {
      Tell(u"설정된 내용이 저장되었습니다.", platform::MsgIcon::None);
      return;
    }
    // Not stored: what holds is the value for this run, and the box says so.
  }
  Tell(u"설정되었습니다.\r\n\n변경된 내용은 프로그램이 종료되기 전까지만 유효합니다.", platform::MsgIcon::Information);
}
