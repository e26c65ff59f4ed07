// The data-recovery options page: the recovery file size as an amount of a unit, in base-2 or
// base-10 notation. Stored only through "적용(&S)" answered Yes; No keeps it for this run.
#pragma once

#include <QString>
#include <QWidget>

struct RECOVERYSIZESETTING;
class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

using uint128 = unsigned __int128;

// amount x base^type, exactly (base 1000 for notation 10, else 1024).
uint128 RecoverySizeBytes(unsigned long long amount, int type, int notation);
// The decimal digits of a 128-bit count.
QString DecimalText(uint128 value);

class COptionDRDlg : public QWidget {
  Q_OBJECT

 public:
  static constexpr unsigned long long kMaxAmount = 4294967295ull;

  // The values come from the session record when it is held, else from the profile. A null
  // record: the application's.
  explicit COptionDRDlg(QWidget* parent = nullptr, RECOVERYSIZESETTING* session = nullptr);

  unsigned long long Amount() const { return amount_; }
  int Type() const { return type_; }
  int Notation() const { return notation_; }
  uint128 Bytes() const { return bytes_; }

  QLineEdit* AmountEdit() const { return amountEdit_; }
  QComboBox* UnitList() const { return unitList_; }
  QRadioButton* Base2Radio() const { return base2_; }
  QRadioButton* Base10Radio() const { return base10_; }
  QPushButton* ApplyButton() const { return apply_; }
  QLabel* ByteText() const { return byteText_; }
  QLabel* SizeText() const { return sizeText_; }
  QLabel* UnitText() const { return unitText_; }

  // "적용(&S)".
  void OnApply();

 private:
  void OnInitDialog();
  void FillUnits();
  void OnUnitChange();
  void OnAmountChange();
  void OnNotation(int notation);
  void Recompute();

  RECOVERYSIZESETTING* session_;
  unsigned long long amount_ = 1;
  int type_ = 2;
  int notation_ = 2;
  uint128 bytes_ = 0;

  QLineEdit* amountEdit_ = nullptr;
  QComboBox* unitList_ = nullptr;
  QRadioButton* base2_ = nullptr;
  QRadioButton* base10_ = nullptr;
  QPushButton* apply_ = nullptr;
  QLabel* byteText_ = nullptr;
  QLabel* sizeText_ = nullptr;
  QLabel* unitText_ = nullptr;
};
