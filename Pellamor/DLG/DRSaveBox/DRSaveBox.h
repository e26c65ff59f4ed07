// The recovery queue window ("임시보관함"): the queued items in an owner-data grid list, the run
// that saves them on a worker thread, and the commands that edit the queue.
#pragma once

#include <QAbstractTableModel>
#include <QPointer>

#include <cstdint>
#include <memory>
#include <vector>

#include "Pellamor/DLG/DRSaveBox/QueueRun.h"
#include "Pellamor/QueueWindow.h"
#include "Pellamor/SafeThread.h"
#include "controls/ResizableDialog.h"

class CDialogHeaderCtrl;
class CDriveSession;
class CGridListCtrlGroups;
class QLabel;
class QPushButton;
class QTimer;
namespace drsave {
struct DbDrive;
}

// The grid's rows: a copy of the store's items, taken on Sync() when the store has changed.
class QueueTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit QueueTableModel(drsave::QueueStore& store, QObject* parent = nullptr);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // Brings the rows in line with the store: appended rows as an insert, anything else as a reset.
  void Sync();

 private:
  drsave::QueueStore& store_;
  std::vector<drsave::QueueItem> items_;  // the rows shown
  std::uint64_t revision_ = 0;            // the store's revision items_ was copied at
  bool synced_ = false;
};

class CDRSaveBox : public CResizableDialog, public IQueueWindow {
  Q_OBJECT
 public:
  // session: the drive the queue belongs to (CDriveSession::Current() when null).
  explicit CDRSaveBox(QWidget* parent = nullptr, CDriveSession* session = nullptr);
  ~CDRSaveBox() override;

  void AddItem(const std::u16string& name, int isFolder, std::uint64_t firstCluster, int methodCode,
               std::uint32_t entryReference, int folderKind, const std::u16string& stateText,
               double size) override;
  void UpdateCounters() override;
  bool IsRunning() const override { return running_; }

  // Commands (the buttons and menus reach these).
  void OnStartRecovery();
  void OnPauseResume();
  void OnHide();
  void OnResetList();
  // Import and export through the .db codec; an empty path asks with a file dialog.
  void OnImport(const QString& path = {});
  void OnExport(const QString& path = {});
  void OnDeleteItems();
  void OnDeleteDone();
  void OnHoldItems();
  void OnReleaseItems();
  // The folder of every selected item not started yet; an empty folder asks with the dialog.
  void OnChangeSaveFolder(const QString& folder = {});
  void OnOpenSaveFolder();
  void OnChangeMethod();
  void OnAddVirtualFile();

  // Stops a run and waits for its worker (drive closing, window going).
  void StopWorker();
  bool IsPaused() const { return paused_; }

  drsave::QueueStore& Store() { return store_; }
  CGridListCtrlGroups* List() const { return list_; }
  QueueTableModel* Model() const { return model_; }
  QString CounterText() const;
  QPushButton* PauseButton() const { return pause_; }

 signals:
  void runFinished();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  class Question;
  static unsigned RecoveryThreadProc(void* param);
  void OnRunEnded();
  void ScheduleRefresh();
  std::vector<std::size_t> SelectedRows() const;
  // False (after the box) while a run goes: the edits that change which items exist wait for it.
  bool RefuseWhileRunning();
  bool HasDrive() const;
  CDriveSession* Session() const;
  // The drive the queue files record; *open says whether the session has it open.
  drsave::DbDrive SessionDrive(bool* open) const;
  void ShowListMenu();
  void ShowCustomMenu();
  void ShowItemMenu(const QPoint& globalPos);

  drsave::QueueStore store_;
  std::unique_ptr<Question> question_;
  std::unique_ptr<drsave::QueueRunner> runner_;
  dudizo::SmartPtr<CSafeThread> worker_;
  QPointer<CDriveSession> session_;
  int readerId_ = 0;
  bool running_ = false;  // UI thread only
  int run_ = 0;           // changes when a run starts or ends: a late end report is ignored
  int workerRun_ = 0;     // the run the worker serves; set before it starts
  bool paused_ = false;

  CDialogHeaderCtrl* header_ = nullptr;
  QLabel* counter_ = nullptr;
  CGridListCtrlGroups* list_ = nullptr;
  QueueTableModel* model_ = nullptr;
  QPushButton* pause_ = nullptr;
  QTimer* refresh_ = nullptr;
};

// Builds the window for a newly opened drive (hidden).
QWidget* MakeQueueWindow(QWidget* parent);
