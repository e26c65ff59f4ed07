// The folder tree in the left pane. It watches the drive session: a tree is built when a drive
// opens and emptied when it closes; the NTFS tree builder registers with the session as a
// reader of the volume while it runs.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QTreeWidget>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Pellamor/DriveSession.h"
#include "Pellamor/RightView.h"
#include "Pellamor/WorkerJob.h"
#include "corvane/filesystem.h"
#include "corvane/ntfs_records.h"

class QLabel;
class QTimer;

// One tree entry of a FAT or exFAT tree: entry 0 the drive, entry 1 shared by the category nodes,
// entries 2 onward the folders in the engine's entry order.
struct CATEGORYENTRY {
  std::int32_t deleted = 0;
  std::int32_t longName = 0;     // FAT: the entry uses its long name
  std::int32_t longNameLive = 0; // FAT: its long-name slots are not erased
  std::int32_t folder = 0;
  std::int32_t volumeLabel = 0;
  std::int32_t keyLow = 0;       // first cluster; the drive holds -1/-1, the categories -5/-1
  std::int32_t keyHigh = 0;
  std::u16string wideName;       // long or wide name
  std::u16string shortName;      // the 8.3 name
};

// Node record of a FAT or exFAT tree item: record 0 the drive, 1 the categories, 2+ the folders.
struct TREENODERECORD {
  std::int32_t entryIndex = 0;
  std::int32_t key = 0;
  std::int32_t reserved[2] = {0, 0};
};
static_assert(sizeof(TREENODERECORD) == 16);

// The tree's records of the current build; freed with the volume's state.
extern std::vector<CATEGORYENTRY> g_CategoryEntries;
extern std::vector<TREENODERECORD> g_TreeNodes;
void ReleaseShellRecords();

// One folder node of an NTFS tree, in insertion order: the entry it shows and the node it goes
// under (an earlier node's index, kNtfsUnderDrive or kNtfsUnderDeleted).
struct NtfsFolderNode {
  std::uint32_t entry;
  int parent;
};
inline constexpr int kNtfsUnderDrive = -1;
inline constexpr int kNtfsUnderDeleted = -2;
// The folders under the root (record 5) in tree order, children by name; deleted top-level
// folders go under "삭제된 폴더". Each record is placed once, so reused parent records cannot
// loop. Abort points let the tree builder be stopped; current, when given, follows the entry
// last placed.
std::vector<NtfsFolderNode> OrderNtfsFolders(const NTFSFILEENTRY* entries, std::uint32_t count,
                                             std::atomic<std::int64_t>* current = nullptr);

// The drive letter chosen for opening (the picker stores it).
extern char g_chCurrentDrive;

// Images of the tree's image list, by the index the tree uses.
enum TreeImage : int {
  kImgFolder = 0, kImgFolderOpen = 1, kImgDrive = 3, kImgFileSystem = 6, kImgCategory = 7,
  kImgRecycled = 10, kImgDamaged = 12, kImgFormat = 13,
};

// Item data roles of the tree.
inline constexpr int kRoleNode = Qt::UserRole;          // FAT/exFAT node record, NTFS item data
inline constexpr int kRoleHasNode = Qt::UserRole + 1;   // true when kRoleNode is set
inline constexpr int kRoleCategory = Qt::UserRole + 2;  // category number (-1 .. -5) of a category node
inline constexpr int kRoleImage = Qt::UserRole + 3;     // image index

// Small modeless window shown while the NTFS tree is built; keys cannot close it.
class CLeftViewWaitDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CLeftViewWaitDlg(QWidget* owner);
  void SetText(const QString& text);
  QString Text() const;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void reject() override {}

 private:
  QLabel* label_;
};

class CLeftView : public QTreeWidget {
  Q_OBJECT

 public:
  explicit CLeftView(QWidget* parent = nullptr);
  ~CLeftView() override;

  void SetRightView(CRightView* view) { right_ = view; }
  // The session whose drive the tree shows.
  void SetSession(CDriveSession* session);

  FILESYSTEMOBJ* FileSystem() const { return session_ ? session_->FileSystem() : nullptr; }
  bool TreeBuilding() const { return static_cast<bool>(treeBuilder_); }
  CLeftViewWaitDlg* WaitDialog() const { return waitDlg_; }

 private:
  struct NtfsTreeJob;

  void OnOpened(std::uint32_t type);
  void OnClosed();
  void BuildFatTree();
  void BuildExfatTree();
  // Shared steps of the FAT and exFAT trees.
  bool PrepareTreeRecords(std::uint32_t folders);
  QTreeWidgetItem* AddDriveNode();
  void AddFolderNode(QTreeWidgetItem* parent, std::size_t next, std::uint32_t firstCluster, int image,
                     int selectedImage);
  void FinishFlatTree(QTreeWidgetItem* driveNode, QTreeWidgetItem* deletedNode);
  void StartNtfsTree();
  void FinishNtfsTree(NtfsTreeJob& job);
  void StopTreeBuilder();
  QTreeWidgetItem* AddItem(QTreeWidgetItem* parent, const QString& text, int image, int selectedImage);
  void AddCategoryNodes(bool withDeletedFiles, bool ntfs);
  QTreeWidgetItem* CategoryNode(int number) const;
  void ShowNothingToList();
  void OnSelchanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);

  QPointer<CRightView> right_;  // a sibling in the splitter: it may go first
  QPointer<CDriveSession> session_;
  std::unique_ptr<CWorkerJob> treeBuilder_;
  int treeReader_ = 0;  // the builder's registration with the session
  QPointer<CLeftViewWaitDlg> waitDlg_;
  QTimer* waitTimer_ = nullptr;
  std::vector<QIcon> images_;
};
