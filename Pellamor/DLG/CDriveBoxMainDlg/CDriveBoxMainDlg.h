// The target picker: one target page (disks, partitions, drives, volume extents) in a tab control
// under a header. The drive page's open action stores the chosen letter in g_chCurrentDrive and
// ends the picker with 1; Esc and the close box end it with 0.
// Arguments: the page to show (0 disks, 1 partitions, 2 drives, 3 volume extents, 4 image,
// 5 scan options).
#pragma once

#include <QLabel>
#include <QPointer>
#include <QMetaType>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Pellamor/DLG/Dialogs.h"
#include "controls/JorunListCtrl.h"
#include "controls/ResizableDialog.h"
#include "controls/TabPageSSL.h"

class CDialogHeaderCtrl;
class CTabCtrlSSL;
class CWorkerJob;
class QMenu;
class QProgressBar;
class QWidget;

// One record per logical drive root, in the order of the drive enumeration.
#pragma pack(push, 1)
struct DRIVETABLEENTRY {
  std::uint8_t row;        // index of the row in the drive list
  std::uint8_t letter;     // drive letter
  std::uint8_t fsCode;     // 2 FAT, 3 FAT32, 4 NTFS, 0xFF another or unreadable, 0 not examined
  std::uint8_t driveType;  // 0..6
};
#pragma pack(pop)
static_assert(sizeof(DRIVETABLEENTRY) == 4, "a drive table entry is 4 bytes");

// The drive page's table: it lives exactly as long as the drive page.
extern DRIVETABLEENTRY* g_pDriveTable;
extern std::int32_t g_nDriveTableCount;
extern std::int32_t g_bDrivesReady;

// File-system code of a drive table entry from the file-system name.
std::uint8_t DriveFsCode(const std::string& fileSystem);

// The owner-drawn list of the picker's pages.
class CDriveList : public CJorunListCtrl {
  Q_OBJECT

 public:
  explicit CDriveList(QWidget* parent = nullptr);
  // Index of the one selected row; -1 when none or more than one is selected.
  int SingleSelectedRow() const;
};

// Please-wait box shown over the drive page while its rows are gathered.
class CDriveBoxWaitDlg : public QWidget {
  Q_OBJECT

 public:
  explicit CDriveBoxWaitDlg(QWidget* parent);
  void SetDriveText(const QString& text);

 private:
  QLabel* drive_ = nullptr;
  QProgressBar* bar_ = nullptr;
};

// A page of one list and a status line, whose rows may be gathered on a worker. The worker
// touches only state it shares with the hand-over, never the page; the job joins it when the
// page goes, and a page whose destructor frees what the worker reads resets the job first.
class CDriveBoxListPage : public CTabPageSSL {
 public:
  using CTabPageSSL::CTabPageSSL;
  CDriveList* List() const { return list_; }
  QLabel* Status() const { return status_; }
  // The rows have been handed over.
  bool Ready() const { return ready_; }
  // Fills the list's context menu for the selected rows; here, the rows' information.
  virtual void BuildMenu(QMenu& menu);
  // The context menu at pos of the list's viewport, when a row is selected.
  void ShowMenu(const QPoint& pos);
  // The selected rows in the information box.
  void ShowRowInfo();

 protected:
  CDriveList* list_ = nullptr;
  QLabel* status_ = nullptr;
  std::unique_ptr<CWorkerJob> job_;
  bool ready_ = false;
};

// The logical drives: the rows are gathered on a worker and handed over in one call.
class CDriveBoxVolDlg : public CDriveBoxListPage {
  Q_OBJECT

 public:
  explicit CDriveBoxVolDlg(QWidget* parent = nullptr);
  ~CDriveBoxVolDlg() override;  // joins the worker, frees the drive table

  // Stores the selected row's letter in g_chCurrentDrive; false (after saying why) when there is
  // not exactly one selected row with a letter.
  bool TakeSelectedLetter();
  // Fills the list's context menu for the selected row: open, the FAT root scan (FAT drives only)
  // and the disk usage (greyed).
  void BuildMenu(QMenu& menu) override;

  // Tests: called on the worker before each drive is examined (a slow gather).
  using GatherHook = std::function<void(const std::u16string& root)>;
  static void SetGatherHook(GatherHook hook);

 signals:
  void openRequested();

 private:
  struct Row {
    std::u16string root;
    int type = 0;
    bool floppy = false;
    bool examined = false;
    bool readable = false;
    std::u16string label;
    std::string fileSystem;
  };
  void Fill(const std::vector<Row>& rows);

  QPointer<CDriveBoxWaitDlg> wait_;
};

// The physical disks.
class CDriveBoxDiskDlg : public CDriveBoxListPage {
  Q_OBJECT

 public:
  explicit CDriveBoxDiskDlg(QWidget* parent = nullptr);

  // Fills the list's context menu for the selected row: its information and the MBR repair of
  // its disk (greyed while no repair dialog is registered).
  void BuildMenu(QMenu& menu) override;

 private:
  std::vector<int> diskNumbers_;  // per row
};

// The partition tables of the disks.
class CDriveBoxPartDlg : public CDriveBoxListPage {
  Q_OBJECT

 public:
  explicit CDriveBoxPartDlg(QWidget* parent = nullptr);
};

// Where each drive letter lies on its disk.
class CDriveBoxExtDlg : public CDriveBoxListPage {
  Q_OBJECT

 public:
  explicit CDriveBoxExtDlg(QWidget* parent = nullptr);
};

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// A disk-image file attached read only to the drive map for the session.
class CDriveBoxImageDlg : public CTabPageSSL {
  Q_OBJECT

 public:
  explicit CDriveBoxImageDlg(QWidget* parent = nullptr);
  QLineEdit* PathEdit() const { return path_; }
  QComboBox* SectorSize() const { return sectorSize_; }
  QLabel* Status() const { return status_; }
  // Attaches the path in the edit. One volume: its letter goes to g_chCurrentDrive and true is
  // returned; a partitioned image lists its letters in the status line and returns false.
  bool Attach();

 private:
  void Browse();
  QLineEdit* path_ = nullptr;
  QComboBox* sectorSize_ = nullptr;
  QLabel* status_ = nullptr;
};

class QCheckBox;

// The scan options: every control writes its global at once.
class CDriveBoxOptionDlg : public CTabPageSSL {
  Q_OBJECT

 public:
  explicit CDriveBoxOptionDlg(QWidget* parent = nullptr);
  QCheckBox* DeletedOnly() const { return deletedOnly_; }
  QCheckBox* UseExtensions() const { return useExtensions_; }
  QCheckBox* Explore() const { return explore_; }
  QPushButton* FileTypes() const { return fileTypes_; }
  QLabel* SelectedCount() const { return count_; }
  QComboBox* Decompression() const { return decompression_; }
  QComboBox* Threads() const { return threads_; }
  QRadioButton* BinaryUnits() const { return binary_; }
  QRadioButton* DecimalUnits() const { return decimal_; }

 private:
  void UpdateEnabled();
  void ShowCount();
  QCheckBox* deletedOnly_ = nullptr;
  QCheckBox* useExtensions_ = nullptr;
  QCheckBox* explore_ = nullptr;
  QPushButton* fileTypes_ = nullptr;
  QLabel* count_ = nullptr;
  QComboBox* decompression_ = nullptr;
  QComboBox* threads_ = nullptr;
  QRadioButton* binary_ = nullptr;
  QRadioButton* decimal_ = nullptr;
};

class CDriveBoxMainDlg : public CResizableDialog {
  Q_OBJECT

 public:
  explicit CDriveBoxMainDlg(int startPage = 2, QWidget* parent = nullptr);
  ~CDriveBoxMainDlg() override;

  CTabCtrlSSL* Tabs() const { return tab_; }
  CDialogHeaderCtrl* Header() const { return header_; }
  // The target page (null for a page this picker does not build).
  CDriveBoxVolDlg* DrivePage() const { return vol_; }
  CDriveBoxDiskDlg* DiskPage() const { return disk_; }
  CDriveBoxPartDlg* PartitionPage() const { return part_; }
  CDriveBoxExtDlg* ExtentPage() const { return ext_; }
  CDriveBoxImageDlg* ImagePage() const { return image_; }
  CDriveBoxOptionDlg* OptionPage() const { return option_; }

  struct Args {
    int page = 2;  // 0 disks, 1 partitions, 2 drives, 3 volume extents, 4 image, 5 scan options
  };
  // The choice: the drive letter, also left in g_chCurrentDrive.
  struct Result {
    char letter = 0;
  };
  // Runs the picker modally; the chosen drive, nothing when none was chosen.
  static std::optional<Result> Open(QWidget* parent, const Args& args);
  // Registry values: the page (2 when absent), and optionally a Result* that a choice fills.
  static Args ArgsFrom(const dlg::DialogArgs& values);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void OpenSelected();
  void OpenImage();

  int startPage_ = 2;
  CDialogHeaderCtrl* header_ = nullptr;
  CTabCtrlSSL* tab_ = nullptr;
  CDriveBoxVolDlg* vol_ = nullptr;
  CDriveBoxDiskDlg* disk_ = nullptr;
  CDriveBoxPartDlg* part_ = nullptr;
  CDriveBoxExtDlg* ext_ = nullptr;
  CDriveBoxImageDlg* image_ = nullptr;
  CDriveBoxOptionDlg* option_ = nullptr;
  bool opened_ = false;
};
Q_DECLARE_METATYPE(CDriveBoxMainDlg::Result*)
