// The FAT categories "삭제된 파일" and "삭제된 폴더": every deleted file and every deleted folder of
// the folders reachable from the root. The folders are walked on a worker registered with the
// drive session, behind a progress window that can be cancelled (what was found is kept).
#pragma once

#include <QDialog>
#include <QPointer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "Pellamor/WorkerJob.h"
#include "corvane/fat_records.h"

class CDriveSession;
class QLabel;
class QPushButton;
class QTimer;
struct FATVOLUMERECORD;

// Where a found entry lies.
struct FatEntryPlace {
  std::uint32_t folder;  // first cluster of its folder; kFatRootDirectoryKey for the root
  std::uint32_t index;   // its place in that folder's entry table
};

// Entries found, in walk order, each with its place.
struct FatFoundEntries {
  std::vector<FATDIRENTRY> entries;
  std::vector<FatEntryPlace> places;
  std::size_t size() const { return entries.size(); }
};

struct FatCategoryResult {
  FatFoundEntries files;    // deleted entries that are not folders
  FatFoundEntries folders;  // deleted folders
  std::uint32_t foldersRead = 0;
  std::uint32_t foldersUnreadable = 0;
  bool complete = false;  // every reachable folder was read (not cancelled)
};

// Counters a progress window reads while the walk runs, and the cancel request.
struct FatWalkProgress {
  std::atomic<std::uint32_t> folders{0};
  std::atomic<std::uint32_t> files{0};
  std::atomic<std::uint32_t> deletedFolders{0};
  std::atomic<bool> cancel{false};
};

// Folders deeper than this below the root are not entered.
inline constexpr int kMaxFatWalkDepth = 128;

// Walks the folders reachable from the root through live folders (a deleted FAT folder's chain
// is freed, so it is listed, not entered), reading each folder's cluster once, so a folder that
// names an earlier one cannot make a loop, and no deeper than kMaxFatWalkDepth. Volume labels
// and "." and ".." are never found. Returns early with complete false once progress.cancel is
// set; afterFolder, when given, runs after each folder read. Reads through the quiet directory
// read, so it touches none of the engine's current tables.
void WalkFatCategories(const FATVOLUMERECORD* rec, FatWalkProgress& progress, FatCategoryResult& result,
                       const std::function<void()>& afterFolder = {});

// The progress window of the walk: Cancel, Esc and the close box all ask to cancel.
class CFatCategoryWaitDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CFatCategoryWaitDlg(QWidget* owner);
  void SetCounts(std::uint32_t folders, std::uint32_t files, std::uint32_t deletedFolders);
  QString Text() const;
  QPushButton* CancelButton() const { return cancel_; }

 signals:
  void cancelRequested();

 protected:
  void reject() override;  // Esc and the close box
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* label_;
  QPushButton* cancel_;
};

// The walk of the open FAT drive and its result, kept until the drive closes.
class CFatCategories : public QObject {
  Q_OBJECT
 public:
  // The progress window opens over owner.
  CFatCategories(QWidget* owner, CDriveSession* session);
  ~CFatCategories() override;

  // Starts a walk unless one runs or a complete result is kept; false when none could start.
  bool Start();
  bool Running() const { return static_cast<bool>(job_); }
  // The last walk's result (cancelled walks keep what they found); null before any ended.
  const FatCategoryResult* Result() const { return result_.get(); }
  // Ends the walk as Cancel does: what was found so far is kept and announced.
  void Cancel();
  // Stops and joins the walk without announcing it, and forgets the result.
  void Reset();
  CFatCategoryWaitDlg* WaitDialog() const { return waitDlg_; }

  // Runs on the worker after each folder read (tests hold the walk there).
  using FolderHook = std::function<void(std::uint32_t foldersRead)>;
  static void SetFolderHook(FolderHook hook);

 signals:
  // On the UI thread, once per walk that was not stopped by Reset or by the drive closing.
  void finished();

 private:
  struct Walk;
  void Finish();
  void StopWalk();

  QPointer<QWidget> owner_;
  QPointer<CDriveSession> session_;
  std::shared_ptr<Walk> walk_;
  std::unique_ptr<CWorkerJob> job_;
  int reader_ = 0;
  std::unique_ptr<FatCategoryResult> result_;
  QPointer<CFatCategoryWaitDlg> waitDlg_;
  QTimer* timer_ = nullptr;
};
