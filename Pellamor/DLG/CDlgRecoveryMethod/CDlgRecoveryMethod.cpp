#include "Pellamor/DLG/CDlgRecoveryMethod/CDlgRecoveryMethod.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

#include "Pellamor/AppRecords.h"
#include "Pellamor/DLG/DRSaveBox/QueueItem.h"
#include "platform/message.h"
#include "shared/DialogFrame.h"

namespace {

// Template size and spacing in dialog units.
constexpr int kWidth = 230;
constexpr int kHeight = 104;
constexpr int kRowHeight = 12;
constexpr int kRowStep = 18;
constexpr int kLabelWidth = 44;
constexpr int kComboWidth = 62;
constexpr int kButtonWidth = 50;
constexpr int kMargin = dlgframe::DialogTemplate::kMargin;

constexpr int kMethodSector = 2;

const char16_t* const kMethods[] = {u"기본알고리즘", u"선형알고리즘", u"섹터알고리즘"};
const char16_t* const kSizeUnits[] = {u"바이트", u"KB", u"MB", u"GB", u"TB", u"PB", u"EB", u"ZB", u"YB"};
const char16_t* const kClusterSizes[] = {u"자동",   u"512 바이트", u"1 KB",  u"2 KB",   u"4 KB",   u"8 KB",
                                         u"16 KB",  u"32 KB",      u"64 KB", u"128 KB", u"256 KB", u"512 KB",
                                         u"1 MB",   u"2 MB",       u"4 MB",  u"8 MB",   u"16 MB",  u"32 MB"};

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

// The label's text without its colon, for messages about its field.
QString FieldName(const QLabel* label) {
  QString name = label->text();
  if (name.endsWith(u':')) name.chop(1);
  return name;
}

void Refuse(QLineEdit* edit, const QString& text) {
  platform::ShowMessage(text.toStdU16String(), platform::MsgButtons::Ok, platform::MsgIcon::Warning);
  edit->setFocus();
  edit->selectAll();
}

}  // namespace

CDlgRecoveryMethod::CDlgRecoveryMethod(QWidget* parent) : CResizableDialog(parent) {
  auto frame = dlgframe::DialogTemplate::WithoutBand(this, kWidth, kHeight, Text(u"복구방식 설정"));
  auto x = [&](int units) { return frame.X(units); };
  auto y = [&](int units) { return frame.Y(units); };
  const int w = frame.Width();

  const int fieldLeft = x(kMargin + kLabelWidth);
  const int comboLeft = w - x(kMargin + kComboWidth);
  auto row = [&](int i) { return y(kMargin + i * kRowStep); };
  auto label = [&](const char16_t* text, int i) {
    auto* l = new QLabel(Text(text), this);
    l->setGeometry(x(kMargin), row(i), fieldLeft - x(kMargin) - x(2), y(kRowHeight));
    return l;
  };

  // A field across the row, growing with the dialog.
  auto wide = [&](auto* field, const char* name, int i) {
    field->setObjectName(QString::fromLatin1(name));
    field->setGeometry(fieldLeft, row(i), w - x(kMargin) - fieldLeft, y(kRowHeight));
    AddAnchor(field, anchor::TopLeft, anchor::TopRight);
    return field;
  };
  // An edit and, at the right, its unit combo (disabled in the template).
  auto withUnit = [&](QLineEdit*& edit, const char* editName, QComboBox*& combo, const char* comboName, int i) {
    edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(editName));
    edit->setGeometry(fieldLeft, row(i), comboLeft - x(4) - fieldLeft, y(kRowHeight));
    combo = new QComboBox(this);
    combo->setObjectName(QString::fromLatin1(comboName));
    combo->setGeometry(comboLeft, row(i), x(kComboWidth), y(kRowHeight));
    combo->setEnabled(false);
    AddAnchor(edit, anchor::TopLeft, anchor::TopRight);
    AddAnchor(combo, anchor::TopRight);
  };

  label(u"이름:", 0);
  nameEdit_ = wide(new QLineEdit(this), "name", 0);
  label(u"복구방식:", 1);
  methodCombo_ = wide(new QComboBox(this), "method", 1);
  for (const char16_t* m : kMethods) methodCombo_->addItem(Text(m));
  clusterLabel_ = label(u"클러스터:", 2);
  withUnit(clusterEdit_, "cluster", clusterSizeCombo_, "clusterSize", 2);
  for (const char16_t* s : kClusterSizes) clusterSizeCombo_->addItem(Text(s));
  sizeLabel_ = label(u"파일크기:", 3);
  withUnit(sizeEdit_, "size", sizeUnitCombo_, "sizeUnit", 3);

  const std::vector<QPushButton*> buttons = frame.RightButtons({dlgframe::kOk, dlgframe::kCancel}, kButtonWidth);
  ok_ = buttons[0];
  cancel_ = buttons[1];

  SetItem({}, 0, 0, 0, 0);
  connect(methodCombo_, &QComboBox::currentIndexChanged, this, &CDlgRecoveryMethod::OnMethodChange);
}

void CDlgRecoveryMethod::SetItem(const QString& name, int methodCode, std::uint64_t firstCluster,
                                 std::uint64_t size, int clusterSizeIndex) {
  name_ = name;
  methodCode_ = methodCode;
  firstCluster_ = firstCluster;
  size_ = size;

  nameEdit_->setText(name);
  // The whole value: clusters, record numbers and sizes pass 32 bits.
  clusterEdit_->setText(QString::number(firstCluster));
  sizeEdit_->setText(QString::number(size));
  clusterSizeCombo_->setCurrentIndex(clusterSizeIndex >= 0 && clusterSizeIndex < clusterSizeCombo_->count()
                                         ? clusterSizeIndex
                                         : 0);
  const QSignalBlocker quiet(methodCombo_);
  methodCombo_->setCurrentIndex(methodCode >= 0 && methodCode < methodCombo_->count() ? methodCode : -1);
  // Labels and unit combos follow the item's method from the start.
  OnMethodChange(methodCombo_->currentIndex());
}

void CDlgRecoveryMethod::FillSizeUnits() {
  sizeUnitCombo_->clear();
  for (const char16_t* u : kSizeUnits) sizeUnitCombo_->addItem(Text(u));
  sizeUnitCombo_->setCurrentIndex(0);
}

void CDlgRecoveryMethod::OnMethodChange(int index) {
  if (index == kMethodSector) {
    clusterLabel_->setText(Text(u"섹터:"));
    sizeLabel_->setText(Text(u"섹터갯수:"));
    sizeUnitCombo_->clear();
    sizeUnitCombo_->addItem(Text(u"개"));
    sizeUnitCombo_->setCurrentIndex(0);
    sizeUnitCombo_->setEnabled(false);
    clusterSizeCombo_->setEnabled(false);
    return;
  }
  clusterLabel_->setText(Text(u"클러스터:"));
  sizeLabel_->setText(Text(u"파일크기:"));
  FillSizeUnits();
  const bool known = index >= 0;
  sizeUnitCombo_->setEnabled(known);
  clusterSizeCombo_->setEnabled(known);
}

std::optional<std::uint64_t> CDlgRecoveryMethod::ParseDecimal(const QString& text) {
  const QString digits = text.trimmed();
  if (digits.isEmpty()) return std::nullopt;
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t value = 0;
  for (const QChar c : digits) {
    if (c < u'0' || c > u'9') return std::nullopt;
    const std::uint64_t digit = c.unicode() - u'0';
    if (value > (kMax - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

std::optional<std::uint64_t> CDlgRecoveryMethod::ScaleByUnit(std::uint64_t value, int unit) {
  for (int k = 0; k < unit; ++k) {
    if (value > std::numeric_limits<std::uint64_t>::max() / 1024) return std::nullopt;
    value *= 1024;
  }
  return value;
}

void CDlgRecoveryMethod::accept() {
  const std::optional<std::uint64_t> cluster = ParseDecimal(clusterEdit_->text());
  if (!cluster) {
    Refuse(clusterEdit_, Text(u"%1 값이 올바르지 않습니다.\r\n\n0부터 18446744073709551615까지의 10진수를 입력하십시오.")
                             .arg(FieldName(clusterLabel_)));
    return;
  }
  std::optional<std::uint64_t> size = ParseDecimal(sizeEdit_->text());
  if (!size) {
    Refuse(sizeEdit_, Text(u"%1 값이 올바르지 않습니다.\r\n\n0부터 18446744073709551615까지의 10진수를 입력하십시오.")
                          .arg(FieldName(sizeLabel_)));
    return;
  }
  const int method = methodCombo_->currentIndex();
  if (method != kMethodSector) {
    size = ScaleByUnit(*size, std::max(0, sizeUnitCombo_->currentIndex()));
    if (!size) {
      Refuse(sizeEdit_, Text(u"%1 값이 너무 큽니다.\r\n\n단위를 적용한 크기는 18446744073709551615바이트를 넘을 수 없습니다.")
                            .arg(FieldName(sizeLabel_)));
      return;
    }
  }
  name_ = nameEdit_->text();
  firstCluster_ = *cluster;
  size_ = *size;
  if (method >= 0) methodCode_ = method;  // an unknown code that was not changed stays
  // The size is now in bytes: the unit goes back to its first row.
  sizeUnitCombo_->setCurrentIndex(0);
  sizeEdit_->setText(QString::number(size_));
  CResizableDialog::accept();
}

std::optional<CDlgRecoveryMethod::Result> CDlgRecoveryMethod::Open(QWidget* parent, const Args& args) {
  CDlgRecoveryMethod dialog(parent);
  dialog.SetItem(args.name, args.methodCode, args.firstCluster, args.size, 0);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.GetResult();
}

CDlgRecoveryMethod::Args CDlgRecoveryMethod::ArgsFrom(const dlg::DialogArgs& values) {
  auto arg = [&](int i) { return i < values.size() ? values[i] : QVariant(); };
  return {arg(0).toString(), arg(1).toInt(), arg(2).toULongLong(), arg(3).toULongLong()};
}

void ApplyRecoveryMethod(const CDlgRecoveryMethod::Result& result, drsave::CListCtrl_DataBase_SaveBox& item) {
  item.name = result.name.toStdU16String();
  item.methodCode = static_cast<std::uint32_t>(result.methodCode);
  item.firstCluster = result.firstCluster;
  item.size = result.size;
  item.methodText = std::u16string(drsave::MethodText(item.methodCode));
  item.clusterText = drsave::ClusterText(item.firstCluster);
  if (!item.IsFolder()) item.sizeText = FormatSizeText(static_cast<double>(item.size), 2, 0, 0, 0);
}
