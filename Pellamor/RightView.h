// The file list in the right pane: the entries of the folder or category chosen in the tree, as
// a grid list over a table of row records that copy what they show (the next directory read
// replaces the engine's tables, never the rows). Header clicks sort by typed keys; the
// selection's totals go to the status bar; selected rows go to the recovery queue window.
#pragma once

#include <QPointer>

#include <cstdint>
#include <functional>
#include <optional>

#include "Pellamor/FileListFill.h"
#include "Pellamor/FileListModel.h"
#include "Pellamor/QueueWindow.h"
#include "controls/GridListCtrlGroups.h"

class CDriveSession;
class CFatCategories;
class CFileIconView;
class QMenu;

// Commands of the row context menu.
namespace list_cmd {
inline constexpr int kAddQueueBasic = 1924;
inline constexpr int kAddQueueLinear = 1925;
inline constexpr int kRowInfo = 1928;
}  // namespace list_cmd

// What the tree asks the list to show: a folder by its key (FAT and exFAT: first cluster, -1 the
// root; NTFS: record number, 5 the root) or a category (-1 .. -5 in the tree's order).
struct ListHint {
  std::int64_t key = 0;
  bool category = false;
  bool operator==(const ListHint&) const = default;
};

// A selected row's entry: its place in the list and its keys.
struct ListRowEntry {
  int row = -1;  // owner row
  LISTROWKEYS keys;
  QString name;
};

class CRightView : public CGridListCtrlGroups {
  Q_OBJECT

 public:
  explicit CRightView(QWidget* parent = nullptr);
  ~CRightView() override;

  // The session whose drive the list shows: its type and columns follow the drive, and its rows
  // go when the drive starts closing.
  void SetSession(CDriveSession* session);

  // File-system type of the open volume (0 none) and the columns that go with it.
  void SetFileSystemType(int type) { fsType_ = type; }
  int FileSystemType() const { return fsType_; }
  void PrepareColumns();

  // Lists the folder or category; the list's update entry point.
  void OnUpdate(const ListHint& hint);
  ListHint LastHint() const { return lastHint_; }
  int UpdateCount() const { return updates_; }
  // Refills the rows from the current FAT or exFAT entry table; false with no such volume open.
  bool AddListItem_FAT();
  // Refills the rows from the NTFS entry table by key (-1 deleted files, -2 deleted entries of
  // the root, else the children of that record); false without the table.
  bool AddListItem_NTFS(std::int64_t key);
  // Opens the selected row with the highest index (a double click).
  void OnDblclk();
  // The FAT categories' walk of the open drive (null before a session is set).
  CFatCategories* FatCategories() const { return categories_; }

  // Drive closed: rows gone, type 0.
  void OnDriveClosed();
  void ClearRows();
  int RowCount() const { return model_->Count(); }
  CFileListModel* Model() const { return model_; }

  // The recovery queue window, owned by the list; null while no drive is open.
  QWidget* QueueWindow() const { return queueWindow_; }
  IQueueWindow* Queue() const;
  // Whether the queue's worker is saving.
  bool QueueRunning() const;
  void SetQueueWindow(QWidget* window);
  void DestroyQueueWindow();
  // Hands the selected rows to the queue window in ascending row order with method 0 (basic)
  // or 1 (linear), then its counters are updated once and it is shown. Nothing without a window.
  // Rows that hold nothing to recover (a FAT volume label, "." and "..") are left out.
  void AddSelectedToQueue(int method);
  bool Recoverable(int row) const;

  // The row context menu (null with no row selected); the caller owns it.
  QMenu* CreateRowMenu();
  // The recover command's menu: the row menu's two queue items, with their own texts (null with
  // no row selected); the caller owns it.
  QMenu* CreateRecoverMenu();
  // One selected row opens the row-information box; several say so.
  void ShowRowInfo();

  // The selected row's entry when exactly one row is selected; with several, the first.
  std::optional<ListRowEntry> SelectedEntry() const;

  // The list's keyboard focus (in every view style).
  bool HasListFocus() const;
  // Whether w is the list's own widget (the grid or its icon view).
  bool IsListWidget(const QWidget* w) const;
  // The frame's edit commands, routed here while the list has the focus: copy puts the selected
  // rows' text on the clipboard. False for a command the list does not handle.
  bool OnEditCommand(int id);

  void SelectAllRows();
  void InvertSelection();
  // The grid's check boxes; the rows keep their marks while they are hidden.
  void SetCheckBoxMode(bool on) { SetCheckBoxes(on); }
  bool CheckBoxMode() const { return HasCheckBoxes(); }
  // 59408 small icons, 59409 large icons, 59410 list, 59411 details. Details is the grid itself;
  // the others show the icon view over it, on the same rows, order and selection.
  void SetViewStyle(int command);
  int ViewStyle() const { return viewStyle_; }
  // The icon view of the icon and list styles (hidden in details).
  CFileIconView* IconView() const { return iconView_; }
  // Lays the icons out on their grid again (icon styles).
  void ArrangeIcons();
  int SelectedRowCount() const { return static_cast<int>(GetSelectedCount()); }

  // Status-bar texts: "선택: %u개 %s" and "전체: %u개 %s".
  QString SelectionTotalText() const;
  QString AllTotalText() const;
  void RefreshTotals();

 signals:
  // Pane 1 (selection) and pane 2 (all rows).
  void totalsChanged(const QString& selection, const QString& all);

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void OnGridContextMenu(const QPoint& globalPos) override;
  // A right click on a row (which the press selected first) opens the row menu too.
  void OnCellContextMenu(const QPoint& globalPos, int viewRow, int column) override;

 private:
  bool FatLike() const;
  // The file-system object's current-directory value of the root.
  std::int32_t RootDirectoryKey() const;
  void Refill(const std::function<void()>& fill);
  // "삭제된 파일" (-1) or "삭제된 폴더" (-2) of a FAT volume: the rows found so far; a walk starts
  // when none has completed.
  void ShowFatCategory(std::int64_t category);
  void FillFatCategory(std::int64_t category);

  QPointer<CDriveSession> session_;
  CFileListModel* model_;
  CFileTypeCache typeCache_;
  CNtfsChildIndex childIndex_;  // of the open drive's NTFS table
  int fsType_ = 0;
  ListHint lastHint_;
  int updates_ = 0;
  QWidget* queueWindow_ = nullptr;
  bool replacingRows_ = false;  // a reset's selection change waits for the one refresh after it
  int viewStyle_;
  CFileIconView* iconView_ = nullptr;
  CFatCategories* categories_ = nullptr;
};
