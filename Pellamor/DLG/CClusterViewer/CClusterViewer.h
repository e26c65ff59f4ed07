// FAT cluster viewer ("클러스터 보기"): on the left every cluster number of the open FAT volume
// with its allocation-table value, on the right the chosen cluster as hex, as text or as
// directory entries. The volume is reached through the drive session only, read-only; the dialog
// closes when the drive does.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

#include "Pellamor/DLG/Dialogs.h"
#include "controls/ResizableDialog.h"
#include "corvane/fat_table.h"

class CDriveSession;
class CJorunListCtrl;
class CReportCtrl;
class QTabBar;
struct FATVOLUMERECORD;
struct NMREPORT;

class CClusterViewer : public CResizableDialog {
  Q_OBJECT

 public:
  static constexpr int kTabLeft = 1068;
  static constexpr int kTabRight = 1069;
  static constexpr int kRightList = 1064;
  static constexpr int kReport = 1066;
  // The style of the left list: child, visible, border, tab stop, callback mode, one row at a time.
  static constexpr std::uint32_t kReportStyle = 0x50810800u | 0x0001u;
  static constexpr int kShownBytes = 2048;
  enum Page : int { kHexPage = 0, kTextPage = 1, kDirectoryPage = 2 };

  struct Args {
    int row = -1;  // the row to open on; -1 (none remembered): cluster 0
  };

  explicit CClusterViewer(QWidget* parent = nullptr);
  CClusterViewer(QWidget* parent, const Args& args);
  ~CClusterViewer() override;

  // Runs the viewer modally over the session's open FAT volume; 0 when none is open, else the
  // dialog's result.
  static int Open(QWidget* parent, const Args& args);
  // Registry values: the remembered row (int; absent: -1).
  static Args ArgsFrom(const dlg::DialogArgs& values);

  // The row count of the left list: 0 to the last cluster number.
  int RowCount() const;
  std::uint32_t CurrentCluster() const { return cluster_; }
  int CurrentRow() const { return row_; }
  // The allocation-table text of a row.
  QString NextText(int row) const;
  // Makes a row current, as choosing it in the list does.
  void ChooseRow(int row);
  // The bytes shown on the right: empty when the cluster was not read.
  const std::vector<std::uint8_t>& Data() const { return data_; }

  QTabBar* LeftTabs() const { return leftTabs_; }
  QTabBar* RightTabs() const { return rightTabs_; }
  CReportCtrl* Report() const { return report_; }
  CJorunListCtrl* List() const { return list_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  qintptr OnNotify(NMREPORT& nm);
  void OnLeftTab(int index);
  void BuildPage();
  void ReadCurrent();
  void SetCaption();
  void Forget();

  CDriveSession* session_ = nullptr;
  char letter_ = 0;
  FATVOLUMERECORD* rec_ = nullptr;  // while the dialog runs only
  FatChainView view_;
  std::uint32_t cluster_ = 0;
  std::vector<std::uint8_t> data_;
  int row_ = -2;
  QTabBar* rightTabs_ = nullptr;
  QTabBar* leftTabs_ = nullptr;
  CJorunListCtrl* list_ = nullptr;
  CReportCtrl* report_ = nullptr;
};
