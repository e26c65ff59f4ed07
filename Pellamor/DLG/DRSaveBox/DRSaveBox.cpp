#include "Pellamor/DLG/DRSaveBox/DRSaveBox.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMimeDatabase>
#include <QPushButton>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "Pellamor/AppRecords.h"
#include "Pellamor/DLG/DRSaveBox/QueueDb.h"
#include "Pellamor/DLG/CDirectSaveDlg/CDirectSaveDlg.h"
#include "Pellamor/DLG/CDlgAttrChangeBox/CDlgAttrChangeBox.h"
#include "Pellamor/DLG/CDlgRecoveryMethod/CDlgRecoveryMethod.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/DriveSession.h"
#include "Pellamor/SaveFolder.h"
#include "controls/GridListCtrlGroups.h"
#include "platform/message.h"
#include "shared/DialogFrame.h"
#include "shared/DialogHeaderCtrl.h"

namespace {

QString Q(std::u16string_view s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }
std::u16string U(const QString& s) { return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), s.size()); }

void Box(std::u16string_view text, platform::MsgIcon icon = platform::MsgIcon::None) {
  platform::ShowMessage(text, platform::MsgButtons::Ok, icon);
}

constexpr int kColumns = 8;
const char16_t* const kHeadings[kColumns] = {u"이름", u"종류", u"크기", u"복구방식", u"클러스터", u"진행상태", u"저장경로", u"결과"};
const Qt::Alignment kAlign[kColumns] = {Qt::AlignLeft, Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter,
                                        Qt::AlignRight, Qt::AlignHCenter, Qt::AlignLeft, Qt::AlignLeft};
const int kWidths[kColumns] = {170, 100, 70, 70, 70, 70, 200, 200};
constexpr int kSaveFolderColumn = 6;

}  // namespace

// ---- Model ----------------------------------------------------------------------------------

QueueTableModel::QueueTableModel(drsave::QueueStore& store, QObject* parent)
    : QAbstractTableModel(parent), store_(store) {}

int QueueTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(items_.size());
}
int QueueTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant QueueTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(kAlign[index.column()] | Qt::AlignVCenter);
  const drsave::QueueItem* item = &items_[static_cast<std::size_t>(index.row())];
  // The whole save folder (shown elided) and the whole note.
  if (role == Qt::ToolTipRole) {
    if (index.column() == kSaveFolderColumn && !item->saveFolder.empty()) return Q(item->saveFolder);
    if (index.column() == kColumns - 1 && !item->note.empty()) return Q(item->note);
    return {};
  }
  if (role != Qt::DisplayRole && role != Qt::DecorationRole) return {};
  if (role == Qt::DecorationRole) {
    if (index.column() != 0) return {};
    static QFileIconProvider icons;
    return item->IsFolder() ? icons.icon(QFileIconProvider::Folder) : icons.icon(QFileIconProvider::File);
  }
  switch (index.column()) {
    case 0: return Q(item->name);
    case 1: return Q(item->typeName);
    case 2: return Q(item->sizeText);
    case 3: return Q(item->methodText);
    case 4: return Q(item->clusterText);
    case 5: return Q(item->StateColumn());
    case 6: return Q(item->saveFolder);
    default: return Q(item->note);
  }
}

QVariant QueueTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kColumns)
    return Q(kHeadings[section]);
  return {};
}

void QueueTableModel::Sync() {
  // Read before the copy: a change that slips in between only makes the next call copy again.
  const std::uint64_t revision = store_.Revision();
  if (synced_ && revision == revision_) return;
  std::vector<drsave::QueueItem> items = store_.Snapshot();
  const auto sameId = [](const drsave::QueueItem& a, const drsave::QueueItem& b) { return a.id == b.id; };
  const bool appended =
      items.size() >= items_.size() && std::equal(items_.begin(), items_.end(), items.begin(), sameId);
  const int before = rowCount();
  if (appended && items.size() > items_.size()) {
    beginInsertRows({}, before, static_cast<int>(items.size()) - 1);
    items_ = std::move(items);
    endInsertRows();
  } else if (!appended) {
    beginResetModel();
    items_ = std::move(items);
    endResetModel();
  } else {
    items_ = std::move(items);
  }
  synced_ = true;
  revision_ = revision;
  if (!items_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, kColumns - 1));
}

// ---- The rename question --------------------------------------------------------------------

// Asked on the worker: the window shows the rename dialog on the UI thread and the worker waits
// for its answer or for a stop, whichever comes first.
class CDRSaveBox::Question : public drsave::IRenameQuestion {
 public:
  explicit Question(CDRSaveBox* box) : box_(box) {}

  std::u16string AskNewName(const std::u16string& name) override {
    auto state = std::make_shared<State>();
    {
      std::lock_guard lock(mutex_);
      if (cancelled_) return {};
      pending_ = state;
    }
    QPointer<CDRSaveBox> box = box_;
    QMetaObject::invokeMethod(
        box_,
        [this, box, state, name] {
          if (!box || state->Done()) return;
          const std::u16string answer = Ask(box, name);
          state->Finish(answer);
        },
        Qt::QueuedConnection);
    std::u16string answer = state->Wait();
    std::lock_guard lock(mutex_);
    pending_.reset();
    return answer;
  }

  // Any thread: the waiting worker gets an empty answer at once; an open dialog is closed.
  void Cancel() override {
    std::shared_ptr<State> state;
    {
      std::lock_guard lock(mutex_);
      cancelled_ = true;
      state = pending_;
    }
    if (state) state->Finish({});
    if (QThread::currentThread() == box_->thread())
      for (QDialog* d : box_->findChildren<QDialog*>())
        if (d->isVisible()) d->reject();
  }

  void Reset() {
    std::lock_guard lock(mutex_);
    cancelled_ = false;
  }

 private:
  struct State {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    std::u16string answer;
    bool Done() {
      std::lock_guard lock(m);
      return done;
    }
    void Finish(const std::u16string& a) {
      {
        std::lock_guard lock(m);
        if (done) return;
        done = true;
        answer = a;
      }
      cv.notify_all();
    }
    std::u16string Wait() {
      std::unique_lock lock(m);
      cv.wait(lock, [this] { return done; });
      return answer;
    }
  };

  // The rename dialog: source name in, target name out (empty for Cancel).
  static std::u16string Ask(CDRSaveBox* box, const std::u16string& name) {
    const CDlgAttrChangeBox::Result result = dlg::Open<CDlgAttrChangeBox>(box, CDlgAttrChangeBox::Args{Q(name)});
    return result.code == CDlgAttrChangeBox::kCancelled ? std::u16string() : U(result.targetName);
  }

  CDRSaveBox* box_;
  std::mutex mutex_;
  bool cancelled_ = false;
  std::shared_ptr<State> pending_;
};

// ---- Window ---------------------------------------------------------------------------------

CDRSaveBox::CDRSaveBox(QWidget* parent, CDriveSession* session)
    : CResizableDialog(parent), question_(std::make_unique<Question>(this)), session_(session) {
  header_ = dlgframe::MakeHeader(
      this, QString::fromUtf16(u"임시보관함"),
      QString::fromUtf16(u"임시보관함에 있는 목록입니다. 프로그램이 종료되기전까지만 메모리에 임시보관됩니다."), 0);

  list_ = new CGridListCtrlGroups(this);
  model_ = new QueueTableModel(store_, this);
  list_->SetOwnerModel(model_);
  list_->SetCellMarginFactor(1.2);
  for (int c = 0; c < kColumns; ++c) list_->InsertColumn(c, Q(kHeadings[c]), kAlign[c], kWidths[c]);
  // A long save folder keeps its start and its last folder.
  list_->SetColumnElideMode(kSaveFolderColumn, Qt::ElideMiddle);
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(list_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { ShowItemMenu(list_->viewport()->mapToGlobal(p)); });

  // Wide enough for every column of the list (and its frame and scroll bar) at the first show,
  // where the screen has room for it; on a smaller screen the window fits it and the columns scroll.
  int columns = 0;
  for (int c = 0; c < kColumns; ++c) columns += list_->columnWidth(c);
  const int listWidth =
      columns + 2 * list_->frameWidth() + list_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list_) + 2;
  const int w = std::max(531, listWidth + 16);
  const int h = 395;
  resize(w, h);
  SetFitToScreen(true);
  header_->setGeometry(0, 0, w, 56);

  auto* group = new QGroupBox(QString::fromUtf16(u"전체:"), this);
  group->setGeometry(8, 60, w - 16, 40);
  counter_ = new QLabel(group);
  counter_->setGeometry(60, 14, w - 16 - 75, 20);

  list_->setGeometry(8, 106, w - 16, 236);

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setGeometry(8, 348, w - 16, 4);

  auto button = [this](const char16_t* text, const char* name, int x) {
    QPushButton* b = dlgframe::MakeButton(this, {text, name});
    b->setGeometry(x, 358, 84, 26);
    return b;
  };
  QPushButton* listMenu = button(u"목록관리", "listMenu", 8);
  QPushButton* custom = button(u"사용자정의", "custom", 96);
  QPushButton* start = button(u"복구시작(&S)", "start", w - 268);
  pause_ = button(u"일시정지(&P)", "pause", w - 180);
  QPushButton* hide = button(u"숨김(&C)", "hide", w - 92);
  connect(listMenu, &QPushButton::clicked, this, &CDRSaveBox::ShowListMenu);
  connect(custom, &QPushButton::clicked, this, &CDRSaveBox::ShowCustomMenu);
  connect(start, &QPushButton::clicked, this, &CDRSaveBox::OnStartRecovery);
  connect(pause_, &QPushButton::clicked, this, &CDRSaveBox::OnPauseResume);
  connect(hide, &QPushButton::clicked, this, &CDRSaveBox::OnHide);

  AddAnchor(header_, anchor::TopLeft, anchor::TopRight);
  AddAnchor(group, anchor::TopLeft, anchor::TopRight);
  AddAnchor(list_, anchor::TopLeft, anchor::BottomRight);
  AddAnchor(line, anchor::BottomLeft, anchor::BottomRight);
  AddAnchor(listMenu, anchor::BottomLeft);
  AddAnchor(custom, anchor::BottomLeft);
  AddAnchor(start, anchor::BottomRight);
  AddAnchor(pause_, anchor::BottomRight);
  AddAnchor(hide, anchor::BottomRight);

  // Outcomes of the worker arrive item by item; the list repaints at most every 200 ms.
  refresh_ = new QTimer(this);
  refresh_->setSingleShot(true);
  refresh_->setInterval(200);
  connect(refresh_, &QTimer::timeout, this, &CDRSaveBox::UpdateCounters);
  UpdateCounters();
}

CDRSaveBox::~CDRSaveBox() { StopWorker(); }

CDriveSession* CDRSaveBox::Session() const { return session_ ? session_.data() : CDriveSession::Current(); }

bool CDRSaveBox::HasDrive() const {
  CDriveSession* s = Session();
  return s && s->IsOpen();
}

void CDRSaveBox::keyPressEvent(QKeyEvent* event) {
  // Neither Enter nor Esc closes the window.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  CResizableDialog::keyPressEvent(event);
}

void CDRSaveBox::AddItem(const std::u16string& name, int isFolder, std::uint64_t firstCluster, int methodCode,
                         std::uint32_t entryReference, int, const std::u16string& stateText, double size) {
  if (isFolder && (name == u"." || name == u"..")) return;
  drsave::QueueItem item;
  item.name = name;
  item.sizeText = isFolder ? std::u16string(drsave::kFolderSizeText) : FormatSizeText(size, 2, 0, 0, 0);
  item.methodCode = static_cast<std::uint32_t>(methodCode);
  item.methodText = std::u16string(drsave::MethodText(item.methodCode));
  item.clusterText = drsave::ClusterText(firstCluster);
  static QMimeDatabase mime;
  item.typeName = isFolder ? u"파일 폴더"
                           : U(mime.mimeTypeForFile(Q(name), QMimeDatabase::MatchExtension).comment());
  if (item.typeName.empty()) item.typeName = u"파일";
  item.stateText = stateText;
  item.firstCluster = item.addedCluster = firstCluster;
  item.size = size > 0 ? static_cast<std::uint64_t>(size) : 0;
  item.entryReference = entryReference;
  if (g_bDefaultSaveFolderSet) item.saveFolder = g_strDefaultSaveFolder;
  store_.Add(std::move(item));
}

QString CDRSaveBox::CounterText() const { return counter_->text(); }

void CDRSaveBox::UpdateCounters() {
  model_->Sync();
  const QLocale c = QLocale::c();
  counter_->setText(QString::fromUtf16(u"%1 / %2개")
                        .arg(c.toString(static_cast<qulonglong>(store_.DoneCount())),
                             c.toString(static_cast<qulonglong>(store_.Size()))));
  update();
}

void CDRSaveBox::ScheduleRefresh() {
  if (!refresh_->isActive()) refresh_->start();
}

std::vector<std::size_t> CDRSaveBox::SelectedRows() const {
  std::vector<std::size_t> rows;
  for (int r : list_->GetSelectedOwnerRows()) rows.push_back(static_cast<std::size_t>(r));
  return rows;
}

bool CDRSaveBox::RefuseWhileRunning() {
  if (!running_) return false;
  Box(drsave::kMsgRunning, platform::MsgIcon::Information);
  return true;
}

// ---- Run ------------------------------------------------------------------------------------

void CDRSaveBox::OnStartRecovery() {
  if (RefuseWhileRunning()) return;
  if (!HasDrive()) {
    Box(drsave::kMsgDriveIsClosed);
    return;
  }
  if (store_.Size() == 0) {
    Box(drsave::kMsgQueueEmpty);
    return;
  }
  worker_ = nullptr;  // the finished worker of an earlier run
  question_->Reset();
  runner_ = std::make_unique<drsave::QueueRunner>(store_, question_.get());
  runner_->onItemDone = [this](std::uint64_t) {
    QMetaObject::invokeMethod(this, &CDRSaveBox::ScheduleRefresh, Qt::QueuedConnection);
  };
  running_ = true;
  workerRun_ = ++run_;
  paused_ = false;
  pause_->setText(QString::fromUtf16(u"일시정지(&P)"));
  // Closing the drive stops and joins the run before the engine frees anything.
  if (CDriveSession* s = Session())
    readerId_ = s->AddReader([this] { StopWorker(); }, [this] { return running_; });
  worker_ = CSafeThread::Start(&CDRSaveBox::RecoveryThreadProc, this, this);
  if (!worker_.get()) OnRunEnded();
}

unsigned CDRSaveBox::RecoveryThreadProc(void* param) {
  auto* box = static_cast<CDRSaveBox*>(param);
  CDriveSession* s = box->Session();
  const int run = box->workerRun_;
  box->runner_->Run(s ? s->FileSystem() : nullptr);
  // Dropped when the window is gone; ignored when a stop already ended this run.
  QMetaObject::invokeMethod(box, [box, run] { if (run == box->run_) box->OnRunEnded(); }, Qt::QueuedConnection);
  return 0;
}

void CDRSaveBox::OnRunEnded() {
  if (!running_) return;
  running_ = false;
  ++run_;
  paused_ = false;
  pause_->setText(QString::fromUtf16(u"일시정지(&P)"));
  if (readerId_ != 0) {
    if (CDriveSession* s = Session()) s->RemoveReader(readerId_);
    readerId_ = 0;
  }
  UpdateCounters();
  emit runFinished();
}

void CDRSaveBox::StopWorker() {
  if (runner_) runner_->Stop();
  if (CSafeThread* t = worker_.get()) t->Stop();
  worker_ = nullptr;
  OnRunEnded();
}

void CDRSaveBox::OnPauseResume() {
  if (!running_ || !runner_) return;
  if (!paused_) {
    runner_->Pause();
    paused_ = true;
    pause_->setText(QString::fromUtf16(u"계속(&P)"));
  } else {
    runner_->Resume();
    paused_ = false;
    pause_->setText(QString::fromUtf16(u"일시정지(&P)"));
  }
}

void CDRSaveBox::OnHide() { hide(); }

// ---- Queue edits ----------------------------------------------------------------------------

void CDRSaveBox::OnResetList() {
  if (RefuseWhileRunning()) return;
  if (store_.Size() == 0) {
    Box(u"임시보관함이 비어있습니다.");
    return;
  }
  if (platform::ShowMessage(u"임시보관함에 있는 모든 항목을 비우고 초기화합니다.", platform::MsgButtons::OkCancel,
                            platform::MsgIcon::Question) != platform::MsgAnswer::Ok)
    return;
  store_.Clear();
  UpdateCounters();
}

void CDRSaveBox::OnDeleteItems() {
  if (RefuseWhileRunning()) return;
  if (store_.Size() == 0) {
    Box(drsave::kMsgQueueEmpty);
    return;
  }
  store_.UpdateRows(SelectedRows(), [](drsave::QueueItem& i) { i.deleteMark = 1; });
  store_.RemoveIf([](const drsave::QueueItem& i) { return i.deleteMark != 0; });
  UpdateCounters();
}

void CDRSaveBox::OnDeleteDone() {
  if (RefuseWhileRunning()) return;
  store_.RemoveIf([](const drsave::QueueItem& i) { return i.done != 0; });
  UpdateCounters();
}

void CDRSaveBox::OnHoldItems() {
  // Items already done or saving keep their outcome: the flag only steers what the run reaches.
  store_.UpdateRows(SelectedRows(), [](drsave::QueueItem& i) { i.held = 1; });
  UpdateCounters();
}

void CDRSaveBox::OnReleaseItems() {
  store_.UpdateRows(SelectedRows(), [](drsave::QueueItem& i) { i.held = 0; });
  UpdateCounters();
}

void CDRSaveBox::OnChangeSaveFolder(const QString& chosen) {
  if (store_.Size() == 0) {
    Box(drsave::kMsgQueueEmpty);
    return;
  }
  QString folder = chosen;
  if (folder.isEmpty()) {
    // The save-folder dialog in its per-item mode, starting empty; its folder on OK.
    const std::optional<CDirectSaveDlg::Result> result =
        dlg::Open<CDirectSaveDlg>(this, CDirectSaveDlg::Args{CDirectSaveDlg::kItemMode, QString()});
    if (!result) return;
    folder = result->folder;
  }
  if (folder.isEmpty()) return;
  const std::u16string f = U(folder);
  store_.UpdateRows(SelectedRows(), [&](drsave::QueueItem& i) { i.saveFolder = f; });
  UpdateCounters();
}

void CDRSaveBox::OnOpenSaveFolder() {
  const auto rows = SelectedRows();
  if (store_.Size() == 0) {
    Box(drsave::kMsgQueueEmpty);
    return;
  }
  if (rows.size() > 1) {
    Box(u"항목이 2개 이상 선택되었습니다.");
    return;
  }
  if (rows.empty()) return;
  const auto item = store_.At(rows[0]);
  if (!item || item->saveFolder.empty()) {
    Box(drsave::kNoteNoSaveFolder);
    return;
  }
  QDesktopServices::openUrl(QUrl::fromLocalFile(Q(item->saveFolder)));
}

void CDRSaveBox::OnChangeMethod() {
  const auto rows = SelectedRows();
  if (rows.size() > 1) {
    Box(u"항목이 2개 이상 선택되었습니다.");
    return;
  }
  if (rows.empty()) return;
  auto item = store_.At(rows[0]);
  if (!item) return;
  const std::optional<CDlgRecoveryMethod::Result> result = dlg::Open<CDlgRecoveryMethod>(
      this, CDlgRecoveryMethod::Args{Q(item->name), static_cast<int>(item->methodCode), item->firstCluster, item->size});
  if (!result) return;
  store_.Update(item->id, [&](drsave::QueueItem& i) { ApplyRecoveryMethod(*result, i); });
  UpdateCounters();
}

void CDRSaveBox::OnAddVirtualFile() {
  if (RefuseWhileRunning()) return;
  if (const std::optional<CDlgRecoveryMethod::Result> result =
          dlg::Open<CDlgRecoveryMethod>(this, CDlgRecoveryMethod::Args{}))
    store_.Add(drsave::MakeHandMadeItem(result->name.toStdU16String(), static_cast<std::uint32_t>(result->methodCode),
                                        result->firstCluster, result->size));
  UpdateCounters();
}

drsave::DbDrive CDRSaveBox::SessionDrive(bool* open) const {
  CDriveSession* s = Session();
  *open = s && s->IsOpen();
  return drsave::DbDrive{static_cast<char16_t>(*open ? s->DriveLetter() : 0), s ? s->TypeCode() : 0};
}

void CDRSaveBox::OnImport(const QString& chosen) {
  if (RefuseWhileRunning()) return;
  bool open = false;
  const drsave::DbDrive drive = SessionDrive(&open);
  if (!drsave::ConfirmImportStart(open ? &drive : nullptr, store_.Size())) return;
  QString path = chosen;
  if (path.isEmpty())
    path = QFileDialog::getOpenFileName(this, QString(), QString(),
                                        QString::fromUtf16(u"임시보관함 데이터베이스(*.db);;모든 파일(*.*)"));
  if (path.isEmpty()) return;
  drsave::ImportResult r = drsave::ImportQueueDb(path.toStdString(), drive, store_.Size());
  if (r.accepted) {
    if (r.clearQueue) store_.Clear();
    store_.AddAll(std::move(r.items));
  }
  UpdateCounters();
}

void CDRSaveBox::OnExport(const QString& chosen) {
  bool open = false;
  const drsave::DbDrive drive = SessionDrive(&open);
  if (!drsave::ConfirmExportStart(open ? &drive : nullptr, store_.Size())) return;
  QString path = chosen;
  if (path.isEmpty())
    path = QFileDialog::getSaveFileName(this, QString(), QString(),
                                        QString::fromUtf16(u"임시보관함 데이터베이스(*.db);;모든 파일(*.*)"));
  if (path.isEmpty()) return;
  if (!path.contains('.')) path += ".db";
  drsave::ExportQueueDb(path.toStdString(), store_.Snapshot(), drive, drsave::CurrentLocalTime());
}

// ---- Menus ----------------------------------------------------------------------------------

void CDRSaveBox::ShowListMenu() {
  QMenu menu(this);
  menu.addAction(QString::fromUtf16(u"목록초기화"), this, &CDRSaveBox::OnResetList);
  menu.addSeparator();
  menu.addAction(QString::fromUtf16(u"가져오기"), this, [this] { OnImport(); });
  menu.addAction(QString::fromUtf16(u"내보내기"), this, [this] { OnExport(); });
  menu.exec(QCursor::pos());
}

void CDRSaveBox::ShowCustomMenu() {
  if (!HasDrive()) {
    Box(drsave::kMsgDriveIsClosed);
    return;
  }
  QMenu menu(this);
  menu.addAction(QString::fromUtf16(u"가상파일 추가"), this, &CDRSaveBox::OnAddVirtualFile);
  menu.exec(QCursor::pos());
}

void CDRSaveBox::ShowItemMenu(const QPoint& globalPos) {
  if (!HasDrive()) {
    Box(drsave::kMsgDriveClosed);
    return;
  }
  const bool any = !SelectedRows().empty();
  QMenu menu(this);
  auto add = [&](const char16_t* text, auto slot) { menu.addAction(QString::fromUtf16(text), this, slot)->setEnabled(any); };
  add(u"삭제", &CDRSaveBox::OnDeleteItems);
  menu.addSeparator();
  add(u"저장위치 변경", [this] { OnChangeSaveFolder(); });
  add(u"저장위치 열기", &CDRSaveBox::OnOpenSaveFolder);
  menu.addSeparator();
  add(u"복구방식 변경", &CDRSaveBox::OnChangeMethod);
  menu.addSeparator();
  add(u"보류", &CDRSaveBox::OnHoldItems);
  add(u"보류해제", &CDRSaveBox::OnReleaseItems);
  menu.addSeparator();
  add(u"완료목록삭제", &CDRSaveBox::OnDeleteDone);
  menu.exec(globalPos);
}

QWidget* MakeQueueWindow(QWidget* parent) {
  auto* box = new CDRSaveBox(parent);
  box->hide();
  return box;
}
