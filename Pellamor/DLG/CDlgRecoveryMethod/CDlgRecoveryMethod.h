// Recovery method of one queue item ("복구방식 설정"): name, method, first cluster (or sector) and
// size (or sector count). Also the form of a hand-made queue item. The caller sets the item
// before exec() and reads the getters after an accepted end.
#pragma once

#include <QMetaType>
#include <QString>

#include <cstdint>
#include <optional>

#include "Pellamor/DLG/Dialogs.h"
#include "controls/ResizableDialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace drsave {
struct CListCtrl_DataBase_SaveBox;
}

class CDlgRecoveryMethod : public CResizableDialog {
  Q_OBJECT

 public:
  // What an accepted dialog hands back; the runner fills it when given one.
  struct Result {
    QString name;
    int methodCode = 0;
    std::uint64_t firstCluster = 0;
    std::uint64_t size = 0;  // in bytes (sectors for the sector method)
  };

  explicit CDlgRecoveryMethod(QWidget* parent = nullptr);

  // Inputs; shown at once. methodCode 0 basic, 1 linear, 2 sector.
  void SetItem(const QString& name, int methodCode, std::uint64_t firstCluster, std::uint64_t size,
               int clusterSizeIndex);

  QString Name() const { return name_; }
  int MethodCode() const { return methodCode_; }
  std::uint64_t FirstCluster() const { return firstCluster_; }
  std::uint64_t Size() const { return size_; }
  Result GetResult() const { return {name_, methodCode_, firstCluster_, size_}; }

  QLineEdit* NameEdit() const { return nameEdit_; }
  QComboBox* MethodCombo() const { return methodCombo_; }
  QLineEdit* ClusterEdit() const { return clusterEdit_; }
  QLineEdit* SizeEdit() const { return sizeEdit_; }
  QComboBox* SizeUnitCombo() const { return sizeUnitCombo_; }
  QComboBox* ClusterSizeCombo() const { return clusterSizeCombo_; }
  QLabel* ClusterLabel() const { return clusterLabel_; }
  QLabel* SizeLabel() const { return sizeLabel_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

  // A full unsigned 64-bit decimal, blanks around it allowed; nothing for anything else.
  static std::optional<std::uint64_t> ParseDecimal(const QString& text);
  // value x 1024^unit; nothing when that passes 64 bits.
  static std::optional<std::uint64_t> ScaleByUnit(std::uint64_t value, int unit);

  // The item shown first (a hand-made item: all empty).
  struct Args {
    QString name;
    int methodCode = 0;
    std::uint64_t firstCluster = 0;
    std::uint64_t size = 0;
  };
  // Runs the dialog modally; the answer when accepted.
  static std::optional<Result> Open(QWidget* parent, const Args& args);
  // Registry values: name, method code, first cluster, size, and optionally a Result* that an
  // accepted dialog fills.
  static Args ArgsFrom(const dlg::DialogArgs& values);

 public slots:
  void accept() override;

 private:
  void FillSizeUnits();
  void OnMethodChange(int index);

  QString name_;
  int methodCode_ = 0;
  std::uint64_t firstCluster_ = 0;
  std::uint64_t size_ = 0;

  QLineEdit* nameEdit_ = nullptr;
  QComboBox* methodCombo_ = nullptr;
  QLabel* clusterLabel_ = nullptr;
  QLineEdit* clusterEdit_ = nullptr;
  QComboBox* clusterSizeCombo_ = nullptr;
  QLabel* sizeLabel_ = nullptr;
  QLineEdit* sizeEdit_ = nullptr;
  QComboBox* sizeUnitCombo_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

Q_DECLARE_METATYPE(CDlgRecoveryMethod::Result*)

// Writes an accepted answer into a queue item and refreshes the texts drawn from it: method,
// cluster and (unless the item is a folder) size.
void ApplyRecoveryMethod(const CDlgRecoveryMethod::Result& result, drsave::CListCtrl_DataBase_SaveBox& item);
