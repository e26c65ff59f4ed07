#include "Pellamor/FatCategories.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <mutex>
#include <unordered_set>

#include "Pellamor/DriveSession.h"
#include "Pellamor/SafeThread.h"
#include "corvane/bootarea.h"
#include "corvane/fat_table.h"
#include "corvane/filesystem.h"
#include "shared/DialogFrame.h"

namespace {

// The window appears only for walks that take longer than this, so quick ones do not flash.
constexpr int kWaitDialogDelayMs = 400;
constexpr int kWaitDialogRefreshMs = 100;

bool IsDotEntry(const FATDIRENTRY& e) {
  return e.shortName[0] == '.' && (e.shortName[1] == 0 || (e.shortName[1] == '.' && e.shortName[2] == 0));
}

std::mutex& HookMutex() {
  static std::mutex m;
  return m;
}
CFatCategories::FolderHook& Hook() {
  static CFatCategories::FolderHook hook;
  return hook;
}

}  // namespace

void WalkFatCategories(const FATVOLUMERECORD* rec, FatWalkProgress& progress, FatCategoryResult& result,
                       const std::function<void()>& afterFolder) {
  result = {};
  struct Pending {
    std::uint32_t cluster;
    int depth;
  };
  std::unordered_set<std::uint32_t> read{kFatRootDirectoryKey};
  std::vector<Pending> stack{{kFatRootDirectoryKey, 0}};
  std::vector<FATDIRENTRY> entries;
  std::vector<Pending> below;
  while (!stack.empty()) {
    if (progress.cancel.load()) return;
    CSafeThread::CheckAbort();
    const Pending folder = stack.back();
    stack.pop_back();
    if (!ReadFatDirectoryEntries(rec, folder.cluster, &entries)) {
      ++result.foldersUnreadable;
    } else {
      ++result.foldersRead;
      below.clear();
      for (std::uint32_t i = 0; i < entries.size(); ++i) {
        const FATDIRENTRY& e = entries[i];
        if (e.volumeLabel || IsDotEntry(e)) continue;
        if (e.deleted) {
          FatFoundEntries& found = e.directory ? result.folders : result.files;
          found.entries.push_back(e);
          found.places.push_back({folder.cluster, i});
          continue;
        }
        // A live folder whose cluster was read already (the root's own cluster included) is not
        // entered again.
        const std::uint32_t key =
            rec->typeCode == kFsFat32 && g_pBootRecord && e.firstCluster == g_pBootRecord->rootCluster
                ? kFatRootDirectoryKey
                : e.firstCluster;
        if (e.directory && e.firstCluster >= 2 && folder.depth < kMaxFatWalkDepth && read.insert(key).second)
          below.push_back({e.firstCluster, folder.depth + 1});
      }
      // In reverse, so the first folder is read first.
      stack.insert(stack.end(), below.rbegin(), below.rend());
    }
    progress.folders = result.foldersRead;
    progress.files = static_cast<std::uint32_t>(result.files.size());
    progress.deletedFolders = static_cast<std::uint32_t>(result.folders.size());
    if (afterFolder) afterFolder();
  }
  result.complete = true;
}

// ---- progress window ----

CFatCategoryWaitDlg::CFatCategoryWaitDlg(QWidget* owner) : QDialog(owner) {
  setWindowTitle(QStringLiteral("Pellamor"));
  setWindowModality(Qt::WindowModal);
  auto* layout = new QVBoxLayout(this);
  label_ = new QLabel(this);
  label_->setMinimumWidth(360);
  layout->addWidget(label_);
  std::vector<QPushButton*> buttons;
  // Cancel, like Esc and the close box, goes through reject().
  layout->addLayout(dlgframe::ButtonRowLayout(this, {{u"취소", "cancel", dlgframe::Role::Reject, true}}, &buttons));
  cancel_ = buttons.front();
  SetCounts(0, 0, 0);
}

void CFatCategoryWaitDlg::SetCounts(std::uint32_t folders, std::uint32_t files, std::uint32_t deletedFolders) {
  label_->setText(QStringLiteral("삭제된 파일과 폴더를 찾는 중입니다. 잠시만 기다려 주십시오.\n"
                                 "읽은 폴더: %1개, 삭제된 파일: %2개, 삭제된 폴더: %3개")
                      .arg(folders)
                      .arg(files)
                      .arg(deletedFolders));
}

QString CFatCategoryWaitDlg::Text() const { return label_->text(); }

void CFatCategoryWaitDlg::reject() { emit cancelRequested(); }

void CFatCategoryWaitDlg::closeEvent(QCloseEvent* event) {
  event->ignore();  // the window goes when the walk has ended
  emit cancelRequested();
}

// ---- the walk of the open drive ----

struct CFatCategories::Walk {
  const FATVOLUMERECORD* rec = nullptr;
  FatWalkProgress progress;
  FatCategoryResult result;
};

void CFatCategories::SetFolderHook(FolderHook hook) {
  std::lock_guard<std::mutex> lock(HookMutex());
  Hook() = std::move(hook);
}

CFatCategories::CFatCategories(QWidget* owner, CDriveSession* session)
    : QObject(owner), owner_(owner), session_(session) {}

CFatCategories::~CFatCategories() { Reset(); }

bool CFatCategories::Start() {
  if (job_ || (result_ && result_->complete)) return false;
  FILESYSTEMOBJ* fs = session_ ? session_->FileSystem() : nullptr;
  if (!fs || !IsFatType(fs->typeCode) || !CurrentFatRecord(fs)) return false;
  walk_ = std::make_shared<Walk>();
  walk_->rec = CurrentFatRecord(fs);
  FolderHook hook;
  {
    std::lock_guard<std::mutex> lock(HookMutex());
    hook = Hook();
  }
  std::shared_ptr<Walk> walk = walk_;
  job_ = StartJob(
      this,
      [walk, hook] {
        WalkFatCategories(walk->rec, walk->progress, walk->result, [&] {
          if (hook) hook(walk->progress.folders.load());
        });
      },
      [this] { Finish(); });
  if (!job_) {
    walk_.reset();
    return false;
  }
  // The walk reads the volume: closing the drive stops it first.
  if (session_) reader_ = session_->AddReader([this] { StopWalk(); }, [this] { return Running(); });

  waitDlg_ = new CFatCategoryWaitDlg(owner_ ? owner_->window() : nullptr);
  connect(waitDlg_, &CFatCategoryWaitDlg::cancelRequested, this, &CFatCategories::Cancel);
  timer_ = new QTimer(this);
  const qint64 due = QDateTime::currentMSecsSinceEpoch() + kWaitDialogDelayMs;
  connect(timer_, &QTimer::timeout, this, [this, due] {
    if (!walk_ || !waitDlg_) return;
    waitDlg_->SetCounts(walk_->progress.folders.load(), walk_->progress.files.load(),
                        walk_->progress.deletedFolders.load());
    if (!waitDlg_->isVisible() && QDateTime::currentMSecsSinceEpoch() >= due) waitDlg_->show();
  });
  timer_->start(kWaitDialogRefreshMs);
  return true;
}

void CFatCategories::Cancel() {
  if (walk_) walk_->progress.cancel = true;
  if (waitDlg_) waitDlg_->CancelButton()->setEnabled(false);
}

void CFatCategories::Finish() {
  std::unique_ptr<CWorkerJob> job = std::move(job_);  // ended already: joins at once
  std::shared_ptr<Walk> walk = std::move(walk_);
  StopWalk();
  if (!walk) return;
  result_ = std::make_unique<FatCategoryResult>(std::move(walk->result));
  emit finished();
}

void CFatCategories::StopWalk() {
  job_.reset();  // stops at the next folder and joins; no hand-over
  walk_.reset();
  if (reader_ && session_) session_->RemoveReader(reader_);
  reader_ = 0;
  if (timer_) {
    timer_->stop();
    timer_->deleteLater();
    timer_ = nullptr;
  }
  if (waitDlg_) {
    waitDlg_->hide();
    delete waitDlg_.data();
  }
}

void CFatCategories::Reset() {
  StopWalk();
  result_.reset();
}
