#include "Pellamor/RightView.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QScopedValueRollback>

#include "Pellamor/AppRecords.h"
#include "Pellamor/CommandIds.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/DLG/ListInfoBox/DlgListInfoBox.h"
#include "Pellamor/DriveSession.h"
#include "Pellamor/FatCategories.h"
#include "Pellamor/FileIconView.h"
#include "corvane/exfat_records.h"
#include "corvane/fat_records.h"
#include "corvane/filesystem.h"
#include "corvane/ntfs_records.h"
#include "platform/message.h"

namespace {

struct ColumnSpec {
  const char16_t* heading;
  int width;
  Qt::Alignment alignment;
};
const ColumnSpec kColumns[CFileListModel::kColumnCount] = {
    {u"이름", 250, Qt::AlignLeft},        {u"상태", 100, Qt::AlignLeft}, {u"수정한 날짜", 150, Qt::AlignLeft},
    {u"유형", 150, Qt::AlignLeft},        {u"크기", 75, Qt::AlignRight}, {u"클러스터", 70, Qt::AlignRight},
};

constexpr std::int64_t kNtfsRoot = 5;

QString SizeText(double bytes) { return QString::fromStdU16String(FormatSizeText(bytes, 2, 1, 0, 0)); }

}  // namespace

CRightView::CRightView(QWidget* parent)
    : CGridListCtrlGroups(parent), model_(new CFileListModel(this)), viewStyle_(cmd::kViewDetails) {
  SetOwnerModel(model_);
  SetCellMarginFactor(1.2);
  SetExplorerTheme();
  PrepareColumns();
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    if (!replacingRows_) RefreshTotals();
  });
  iconView_ = new CFileIconView(this);
  iconView_->hide();
  connect(iconView_, &CFileIconView::rowDoubleClicked, this, &CRightView::OnDblclk);
  connect(iconView_, &CFileIconView::rowMenuRequested, this, &CRightView::OnGridContextMenu);
}

CRightView::~CRightView() { DestroyQueueWindow(); }

void CRightView::PrepareColumns() {
  ClearRows();
  while (GetColumnCount() > 0) DeleteColumn(GetColumnCount() - 1);
  for (int c = 0; c < CFileListModel::kColumnCount; ++c) {
    InsertColumn(c, QString::fromUtf16(kColumns[c].heading), kColumns[c].alignment, kColumns[c].width);
    if (CGridColumnTrait* trait = GetColumnTrait(c)) trait->GetColumnState().editable = false;
  }
}

void CRightView::SetSession(CDriveSession* session) {
  if (session_) disconnect(session_, nullptr, this, nullptr);
  delete categories_;
  categories_ = nullptr;
  session_ = session;
  if (!session) return;
  categories_ = new CFatCategories(this, session);
  connect(categories_, &CFatCategories::finished, this, [this] {
    // Shown when the list still shows the category.
    if (lastHint_.category && IsFatType(static_cast<std::uint32_t>(fsType_)) &&
        (lastHint_.key == kNtfsDeletedFiles || lastHint_.key == kNtfsDeletedTopLevel))
      FillFatCategory(lastHint_.key);
  });
  connect(session, &CDriveSession::opened, this, [this](std::uint32_t type) {
    SetFileSystemType(static_cast<int>(type));
    PrepareColumns();
  });
  // The rows go before any reader stops or the engine frees its tables.
  connect(session, &CDriveSession::closing, this, &CRightView::ClearRows);
  connect(session, &CDriveSession::closed, this, &CRightView::OnDriveClosed);
}

std::int32_t CRightView::RootDirectoryKey() const {
  return fsType_ == static_cast<int>(kFsFat32) ? 2 : fsType_ == static_cast<int>(kFsExfat) ? 0 : -1;
}

bool CRightView::FatLike() const { return IsFatType(static_cast<std::uint32_t>(fsType_)) || fsType_ == kFsExfat; }

void CRightView::Refill(const std::function<void()>& fill) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  {
    // The reset clears the selection; the totals are shown once the new rows are in.
    const QScopedValueRollback<bool> quiet(replacingRows_, true);
    model_->BeginFill();
    fill();
    model_->EndFill();
  }
  QApplication::restoreOverrideCursor();
  RefreshTotals();
}

bool CRightView::AddListItem_FAT() {
  if (!m_pFileSystem || !FatLike()) return false;
  if (fsType_ == kFsExfat)
    Refill([this] { AppendExfatRows(*model_, g_pExfatEntries, g_pExfatEntries ? g_dwExfatEntryCount : 0, typeCache_); });
  else
    Refill([this] { AppendFatRows(*model_, g_pFatDirEntries, g_pFatDirEntries ? g_dwFatDirEntryCount : 0, typeCache_); });
  return true;
}

bool CRightView::AddListItem_NTFS(std::int64_t key) {
  if (!m_pFileSystem || fsType_ != static_cast<int>(kFsNtfs)) return false;
  if (!g_pNtfsEntries) {
    Refill([] {});
    return false;
  }
  Refill([this, key] {
    AppendNtfsRows(*model_, g_pNtfsEntries, g_dwNtfsEntryCount, key, typeCache_, &childIndex_);
  });
  return true;
}

void CRightView::OnUpdate(const ListHint& hint) {
  lastHint_ = hint;
  ++updates_;
  FILESYSTEMOBJ* fs = m_pFileSystem;
  if (!fs || fsType_ == 0) return;
  if (fsType_ == static_cast<int>(kFsNtfs)) {
    if (hint.category && hint.key != kNtfsDeletedFiles && hint.key != kNtfsDeletedTopLevel) {
      Refill([] {});  // the other categories have no rows
      return;
    }
    AddListItem_NTFS(hint.key);
    return;
  }
  if (!FatLike()) return;
  if (hint.category) {
    if (IsFatType(static_cast<std::uint32_t>(fsType_)) &&
        (hint.key == kNtfsDeletedFiles || hint.key == kNtfsDeletedTopLevel))
      ShowFatCategory(hint.key);
    else
      Refill([] {});  // the other categories have no rows
    return;
  }
  const bool root = hint.key == -1;
  if (!root) {
    if (hint.key < 0 || hint.key > 0xFFFFFFFFll) return;
    if (fsType_ != static_cast<int>(kFsExfat) && !IsClusterInRange(hint.key)) return;
  }
  if (!ReadDirectory(root ? 0xFFFFFFFFu : static_cast<std::uint32_t>(hint.key))) return;
  fs->currentDirectory = root ? RootDirectoryKey() : static_cast<std::int32_t>(hint.key);
  AddListItem_FAT();
}

void CRightView::ShowFatCategory(std::int64_t category) {
  FillFatCategory(category);
  const FatCategoryResult* found = categories_ ? categories_->Result() : nullptr;
  if (categories_ && !categories_->Running() && !(found && found->complete)) categories_->Start();
}

void CRightView::FillFatCategory(std::int64_t category) {
  const FatCategoryResult* found = categories_ ? categories_->Result() : nullptr;
  Refill([this, found, category] {
    if (!found) return;
    const FatFoundEntries& list = category == kNtfsDeletedFiles ? found->files : found->folders;
    const int first = model_->Count();
    AppendFatRows(*model_, list.entries.data(), static_cast<std::uint32_t>(list.size()), typeCache_);
    // Each row keeps the folder it lies in.
    for (std::size_t i = 0; i < list.size(); ++i)
      model_->SetEntryFolder(first + static_cast<int>(i), list.places[i].folder, list.places[i].index);
  });
}

void CRightView::mouseDoubleClickEvent(QMouseEvent* event) {
  CGridListCtrlGroups::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) OnDblclk();
}

void CRightView::OnDblclk() {
  FILESYSTEMOBJ* fs = m_pFileSystem;
  if (!fs || GetSelectedCount() == 0) return;
  const std::vector<int> rows = GetSelectedOwnerRows();
  const int row = rows.back();
  const LISTROWKEYS keys = model_->Keys(row);
  if (fsType_ == static_cast<int>(kFsNtfs)) {
    if (keys.folder == 1 && AddListItem_NTFS(keys.recordNumber)) {
      fs->previousDirectory = fs->currentDirectory;
      fs->currentDirectory = static_cast<std::int32_t>(keys.recordNumber);
    }
  } else if (IsFatType(static_cast<std::uint32_t>(fsType_))) {
    if (keys.folder == 1 && keys.deleted == 1) {
      if (fs->previousDirectory != 0)
        platform::ShowMessage(model_->QText(row, kTextName).toStdU16String() + u" 디렉토리를 열 수 없습니다.");
    } else if (keys.folder == 1 && keys.volumeLabel == 0) {
      const auto cluster = static_cast<std::uint32_t>(keys.firstCluster);
      if (cluster == 0) {
        if (!ReadDirectory(0xFFFFFFFFu)) {
          platform::ShowMessage(u"루트 디렉토리를 읽을 수 없습니다. (ERR: R-DBCLK-1)", platform::MsgButtons::Ok,
                                platform::MsgIcon::Error);
          RefreshTotals();
          return;
        }
      } else if (!ReadDirectory(cluster)) {
        RefreshTotals();
        return;
      }
      AddListItem_FAT();
      fs->previousDirectory = fs->currentDirectory;
      fs->currentDirectory = cluster == 0 ? RootDirectoryKey() : static_cast<std::int32_t>(cluster);
    }
  }
  RefreshTotals();
}

void CRightView::OnDriveClosed() {
  ClearRows();
  if (categories_) categories_->Reset();
  fsType_ = 0;
  lastHint_ = {};
  typeCache_.Clear();
  childIndex_.Clear();
}

void CRightView::ClearRows() {
  if (model_->Count() == 0) return;
  {
    const QScopedValueRollback<bool> quiet(replacingRows_, true);
    model_->Clear();  // the reset clears the selection
  }
  RefreshTotals();
}

IQueueWindow* CRightView::Queue() const { return dynamic_cast<IQueueWindow*>(queueWindow_); }

bool CRightView::QueueRunning() const {
  IQueueWindow* q = Queue();
  return q && q->IsRunning();
}

void CRightView::SetQueueWindow(QWidget* window) {
  DestroyQueueWindow();
  queueWindow_ = window;
}

void CRightView::DestroyQueueWindow() {
  delete queueWindow_;
  queueWindow_ = nullptr;
}

void CRightView::AddSelectedToQueue(int method) {
  IQueueWindow* queue = Queue();
  if (!queue) return;
  const bool ntfs = fsType_ == static_cast<int>(kFsNtfs);
  for (int row : GetSelectedOwnerRows()) {
    if (!Recoverable(row)) continue;
    const LISTROWKEYS& k = model_->Keys(row);
    std::u16string_view name = model_->Text(row, kTextName);
    // FAT and exFAT: the first cluster and whether the entry is deleted; NTFS: the record
    // number and the file attributes.
    const std::uint64_t first = ntfs ? static_cast<std::uint64_t>(k.recordNumber) : k.firstCluster;
    const std::uint32_t reference = ntfs ? k.fileAttributes : (k.deleted == 1 ? 1u : 0u);
    queue->AddItem(std::u16string(name), k.folder, first, method, reference, 0, std::u16string(), k.byteSize);
  }
  queue->UpdateCounters();
  queueWindow_->show();
}

bool CRightView::Recoverable(int row) const {
  // A volume label holds no data, and "." and ".." are the folder itself and its parent.
  if (IsFatType(static_cast<std::uint32_t>(fsType_)) && model_->Keys(row).volumeLabel) return false;
  const std::u16string_view name = model_->Text(row, kTextName);
  return !(model_->Keys(row).folder && (name == u"." || name == u".."));
}

std::optional<ListRowEntry> CRightView::SelectedEntry() const {
  const std::vector<int> rows = GetSelectedOwnerRows();
  if (rows.empty()) return std::nullopt;
  return ListRowEntry{rows.front(), model_->Keys(rows.front()), model_->QText(rows.front(), kTextName)};
}

void CRightView::SelectAllRows() {
  setFocus();
  const int n = GetViewRowCount();
  if (n == 0) return;
  GridOrderModel* m = GetOrderModel();
  selectionModel()->select(QItemSelection(m->index(0, 0), m->index(n - 1, m->columnCount() - 1)),
                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void CRightView::InvertSelection() {
  setFocus();
  const int n = GetViewRowCount();
  if (n == 0) return;
  GridOrderModel* m = GetOrderModel();
  selectionModel()->select(QItemSelection(m->index(0, 0), m->index(n - 1, m->columnCount() - 1)),
                           QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
}

void CRightView::SetViewStyle(int command) {
  if (command < cmd::kViewSmallIcon || command > cmd::kViewDetails) return;
  viewStyle_ = command;
  const bool focused = HasListFocus();
  if (command == cmd::kViewDetails) {
    setFocusProxy(nullptr);
    iconView_->hide();
    iconView_->Attach(false);
    if (focused) setFocus();
    return;
  }
  iconView_->Attach(true);
  iconView_->SetStyle(command);
  iconView_->setGeometry(rect());
  iconView_->show();
  iconView_->raise();
  // The list's focus is the icon view's while it shows.
  setFocusProxy(iconView_);
  if (focused) iconView_->setFocus();
  if (const QModelIndex current = currentIndex(); current.isValid()) iconView_->scrollTo(current);
}

void CRightView::ArrangeIcons() {
  if (iconView_->isVisible()) iconView_->Arrange();
}

void CRightView::resizeEvent(QResizeEvent* event) {
  CGridListCtrlGroups::resizeEvent(event);
  iconView_->setGeometry(rect());
}

QString CRightView::AllTotalText() const {
  if (!m_pFileSystem) return {};
  return QStringLiteral("전체: %1개 %2").arg(model_->Count()).arg(SizeText(model_->TotalBytes()));
}

QString CRightView::SelectionTotalText() const {
  if (!m_pFileSystem) return {};
  const std::vector<int> rows = GetSelectedOwnerRows();
  if (rows.empty()) return QStringLiteral("선택: 0개 0바이트");
  double sum = 0;
  for (int r : rows) sum += model_->Keys(r).byteSize;
  return QStringLiteral("선택: %1개 %2").arg(rows.size()).arg(SizeText(sum));
}

void CRightView::RefreshTotals() {
  emit totalsChanged(SelectionTotalText(), AllTotalText());
  viewport()->update();
}

QMenu* CRightView::CreateRowMenu() {
  if (GetSelectedCount() == 0) return nullptr;
  auto* menu = new QMenu(this);
  connect(menu->addAction(QStringLiteral("임시보관함에 추가 (기본복구)...\tF9")), &QAction::triggered, this,
          [this] { AddSelectedToQueue(0); });
  connect(menu->addAction(QStringLiteral("임시보관함에 추가 (선형복구)...\tF8")), &QAction::triggered, this,
          [this] { AddSelectedToQueue(1); });
  menu->addSeparator();
  connect(menu->addAction(QStringLiteral("항목정보 보기(&L)...")), &QAction::triggered, this,
          [this] { ShowRowInfo(); });
  menu->addSeparator();
  menu->addAction(QStringLiteral("미리보기(&P)"))->setEnabled(false);
  menu->addAction(QStringLiteral("실제 데이터영역 보기(&D)"))->setEnabled(false);
  return menu;
}

QMenu* CRightView::CreateRecoverMenu() {
  if (GetSelectedCount() == 0) return nullptr;
  auto* menu = new QMenu(this);
  connect(menu->addAction(QStringLiteral("임시보관함에 추가 (기본)...\tF9")), &QAction::triggered, this,
          [this] { AddSelectedToQueue(0); });
  connect(menu->addAction(QStringLiteral("임시보관함에 추가 (선형)...\tF8")), &QAction::triggered, this,
          [this] { AddSelectedToQueue(1); });
  return menu;
}

void CRightView::OnGridContextMenu(const QPoint& globalPos) {
  if (!m_pFileSystem) return;
  RefreshTotals();
  if (QMenu* menu = CreateRowMenu()) {
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
  }
}

void CRightView::OnCellContextMenu(const QPoint& globalPos, int, int) { OnGridContextMenu(globalPos); }

bool CRightView::HasListFocus() const { return hasFocus(); }

bool CRightView::IsListWidget(const QWidget* w) const {
  return w && (w == this || w == static_cast<const QWidget*>(iconView_));
}

bool CRightView::OnEditCommand(int id) {
  if (id != cmd::kEditCopy) return false;
  CopyToClipboard();
  return true;
}

void CRightView::ShowRowInfo() {
  const qint64 n = GetSelectedCount();
  if (n > 1) {
    platform::ShowMessage(u"항목이 2개 이상 선택되었습니다.");
    return;
  }
  if (n == 1) dlg::Open<CDlgListInfoBox>(window(), CDlgListInfoBox::Args{this});
}
