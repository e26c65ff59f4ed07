// The file list in the right pane: the entries of the folder or category chosen in the tree.
#pragma once

#include <QPointer>
#include <QTreeWidget>

#include <cstdint>

class CDriveSession;

// What the tree asks the list to show: a folder by its key (FAT and exFAT: first cluster, -1 the
// root; NTFS: record number, 5 the root) or a category (-1 .. -5 in the tree's order).
struct ListHint {
  std::int64_t key = 0;
  bool category = false;
  bool operator==(const ListHint&) const = default;
};

class CRightView : public QTreeWidget {
  Q_OBJECT

 public:
  explicit CRightView(QWidget* parent = nullptr);
  ~CRightView() override;

  // The session whose drive the list shows: its type and columns follow the drive.
  void SetSession(CDriveSession* session);

  // File-system type of the open volume (0 none) and the columns that go with it.
  void SetFileSystemType(int type) { fsType_ = type; }
  int FileSystemType() const { return fsType_; }
  void PrepareColumns();

  // Lists the folder or category; the list's update entry point.
  void OnUpdate(const ListHint& hint);
  ListHint LastHint() const { return lastHint_; }
  int UpdateCount() const { return updates_; }

  // Drive closed: rows gone, type 0.
  void OnDriveClosed();
  void ClearRows();
  int RowCount() const { return topLevelItemCount(); }

  // The recovery queue window, owned by the list; null while no drive is open.
  QWidget* QueueWindow() const { return queueWindow_; }
  void SetQueueWindow(QWidget* window);
  void DestroyQueueWindow();

  void SelectAllRows();
  void InvertSelection();
  void SetCheckBoxMode(bool on);
  bool CheckBoxMode() const { return checkBoxes_; }
  // 59408 small icons, 59409 large icons, 59410 list, 59411 details.
  void SetViewStyle(int command);
  int ViewStyle() const { return viewStyle_; }
  void ArrangeIcons() {}
  int SelectedRowCount() const { return static_cast<int>(selectedItems().size()); }

 signals:
  void hintChanged(ListHint hint);

 private:
  QPointer<CDriveSession> session_;
  int fsType_ = 0;
  ListHint lastHint_;
  int updates_ = 0;
  QWidget* queueWindow_ = nullptr;
  bool checkBoxes_ = false;
  int viewStyle_;
};
