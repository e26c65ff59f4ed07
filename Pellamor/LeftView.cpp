#include "Pellamor/LeftView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <new>
#include <unordered_map>
#include <unordered_set>

#include "corvane/exfat_records.h"
#include "corvane/fat_records.h"
#include "corvane/ntfs_records.h"
#include "corvane/ntfs_volume.h"
#include "platform/codepage.h"
#include "platform/message.h"

std::vector<CATEGORYENTRY> g_CategoryEntries;
std::vector<TREENODERECORD> g_TreeNodes;
char g_chCurrentDrive = 0;

void ReleaseShellRecords() {
  g_CategoryEntries.clear();
  g_CategoryEntries.shrink_to_fit();
  g_TreeNodes.clear();
  g_TreeNodes.shrink_to_fit();
}

namespace {

using platform::MsgButtons;
using platform::MsgIcon;

const char16_t* const kCategoryTexts[5] = {u"삭제된 파일", u"삭제된 폴더", u"파일포맷", u"찾기", u"손상된 파일"};
const int kCategoryImages[5] = {kImgCategory, kImgCategory, kImgFormat, kImgFormat, kImgDamaged};

// A label never carries a line break at its end (a converted short name may bring one).
QString Label(std::u16string_view text) {
  QString s = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
  while (s.endsWith(u'\n') || s.endsWith(u'\r')) s.chop(1);
  return s;
}

std::u16string ShortNameOf(const FATDIRENTRY& e) {
  std::size_t n = 0;
  while (n < sizeof e.shortName && e.shortName[n]) ++n;
  return platform::AnsiToUtf16(std::string_view(e.shortName, n));
}

}  // namespace

// ---- wait dialog ----

CLeftViewWaitDlg::CLeftViewWaitDlg(QWidget* owner) : QDialog(owner) {
  setModal(false);
  setWindowFlag(Qt::WindowCloseButtonHint, false);
  auto* layout = new QVBoxLayout(this);
  label_ = new QLabel(this);
  label_->setMinimumWidth(320);
  layout->addWidget(label_);
}

void CLeftViewWaitDlg::SetText(const QString& text) { label_->setText(text); }
QString CLeftViewWaitDlg::Text() const { return label_->text(); }

void CLeftViewWaitDlg::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Space:
      e->accept();  // the dialog goes only when the tree is built
      return;
    default:
      QDialog::keyPressEvent(e);
  }
}

// ---- the NTFS tree job ----

// Built off the UI thread: the folders in insertion order, each naming its parent node.
struct CLeftView::NtfsTreeJob {
  const NTFSFILEENTRY* entries = nullptr;
  std::uint32_t count = 0;
  std::vector<NtfsFolderNode> nodes;
  std::atomic<std::int64_t> current{-1};  // entry last placed, for the wait dialog
};

std::vector<NtfsFolderNode> OrderNtfsFolders(const NTFSFILEENTRY* entries, std::uint32_t count,
                                             std::atomic<std::int64_t>* current) {
  constexpr std::int64_t kRootRecord = 5;
  std::vector<NtfsFolderNode> nodes;
  if (!entries) return nodes;
  auto nameOf = [entries](std::uint32_t i) {
    const char16_t* name = entries[i].name;
    std::size_t n = 0;
    while (n < kNtfsNameCapacity && name[n]) ++n;
    return std::u16string_view(name, n);
  };
  // The folders, in table order, found in one pass over the table: every later step reads only
  // them (the entries are large, and the files far outnumber the folders).
  std::vector<std::uint32_t> folders;
  for (std::uint32_t i = 0; i < count; ++i) {
    if ((i & 0xFFF) == 0) CSafeThread::CheckAbort();
    if (entries[i].folder) folders.push_back(i);
  }
  // Parent-to-children index, built once.
  std::unordered_map<std::int64_t, std::vector<std::uint32_t>> children;
  for (std::uint32_t i : folders) {
    const NTFSFILEENTRY& e = entries[i];
    if (e.parentRecordNumber != e.recordNumber) children[e.parentRecordNumber].push_back(i);
  }
  for (auto& [parent, list] : children) {
    std::sort(list.begin(), list.end(), [&](std::uint32_t a, std::uint32_t b) {
      std::u16string_view na = nameOf(a), nb = nameOf(b);
      return na != nb ? na < nb : a < b;
    });
  }
  // Depth first from the root; a record reached once is never entered again, so parent records
  // that were reused for other folders cannot make a loop.
  std::unordered_set<std::int64_t> visited{kRootRecord};
  struct Pending {
    std::int64_t record;
    int node;  // node of the record, or kNtfsUnderDrive for the root
  };
  std::vector<Pending> stack{{kRootRecord, kNtfsUnderDrive}};
  std::vector<Pending> next;
  auto walk = [&] {
    while (!stack.empty()) {
      Pending p = stack.back();
      stack.pop_back();
      auto it = children.find(p.record);
      if (it == children.end()) continue;
      next.clear();
      for (std::uint32_t idx : it->second) {
        const NTFSFILEENTRY& e = entries[idx];
        if (!visited.insert(e.recordNumber).second) continue;
        int parent = p.node;
        if (p.record == kRootRecord) parent = e.deleted ? kNtfsUnderDeleted : kNtfsUnderDrive;
        nodes.push_back({idx, parent});
        if (current) *current = idx;
        next.push_back({e.recordNumber, static_cast<int>(nodes.size() - 1)});
        if ((nodes.size() & 0x3FF) == 0) CSafeThread::CheckAbort();
      }
      // Reverse, so the first child is expanded first.
      stack.insert(stack.end(), next.rbegin(), next.rend());
    }
  };
  walk();
  // Deleted folders whose parent folder is absent (a search of deleted data only lists no live
  // parents) go under "삭제된 폴더" with their subtrees, by name.
  std::unordered_set<std::int64_t> present;
  for (std::uint32_t i : folders) present.insert(entries[i].recordNumber);
  std::vector<std::uint32_t> orphans;
  for (std::uint32_t i : folders) {
    const NTFSFILEENTRY& e = entries[i];
    if (e.deleted && e.parentRecordNumber != e.recordNumber && !present.count(e.parentRecordNumber) &&
        !visited.count(e.recordNumber))
      orphans.push_back(i);
  }
  std::sort(orphans.begin(), orphans.end(), [&](std::uint32_t a, std::uint32_t b) {
    std::u16string_view na = nameOf(a), nb = nameOf(b);
    return na != nb ? na < nb : a < b;
  });
  for (std::uint32_t idx : orphans) {
    const NTFSFILEENTRY& e = entries[idx];
    if (!visited.insert(e.recordNumber).second) continue;
    nodes.push_back({idx, kNtfsUnderDeleted});
    if (current) *current = idx;
    stack.push_back({e.recordNumber, static_cast<int>(nodes.size() - 1)});
    walk();
  }
  return nodes;
}

// ---- the view ----

CLeftView::CLeftView(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setRootIsDecorated(true);
  setItemsExpandable(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  // The tree's image list, by the indexes the tree uses.
  QStyle* s = style();
  images_.assign(15, s->standardIcon(QStyle::SP_DirClosedIcon));
  images_[kImgFolderOpen] = s->standardIcon(QStyle::SP_DirOpenIcon);
  images_[2] = s->standardIcon(QStyle::SP_FileIcon);
  images_[kImgDrive] = s->standardIcon(QStyle::SP_DriveHDIcon);
  images_[4] = s->standardIcon(QStyle::SP_DriveFDIcon);
  images_[5] = s->standardIcon(QStyle::SP_DriveCDIcon);
  images_[kImgFileSystem] = s->standardIcon(QStyle::SP_ComputerIcon);
  images_[kImgCategory] = s->standardIcon(QStyle::SP_TrashIcon);
  images_[8] = s->standardIcon(QStyle::SP_DriveNetIcon);
  images_[9] = s->standardIcon(QStyle::SP_DesktopIcon);
  images_[kImgRecycled] = s->standardIcon(QStyle::SP_TrashIcon);
  images_[11] = s->standardIcon(QStyle::SP_FileLinkIcon);
  images_[kImgDamaged] = s->standardIcon(QStyle::SP_MessageBoxWarning);
  images_[kImgFormat] = s->standardIcon(QStyle::SP_FileDialogContentsView);
  images_[14] = s->standardIcon(QStyle::SP_FileDialogDetailedView);
  connect(this, &QTreeWidget::currentItemChanged, this, &CLeftView::OnSelchanged);
  SetShellRecordReleaser(&ReleaseShellRecords);
}

CLeftView::~CLeftView() {
  StopTreeBuilder();
  SetShellRecordReleaser(nullptr);
}

void CLeftView::SetSession(CDriveSession* session) {
  if (session_) disconnect(session_, nullptr, this, nullptr);
  session_ = session;
  if (!session) return;
  connect(session, &CDriveSession::opened, this, &CLeftView::OnOpened);
  connect(session, &CDriveSession::closed, this, &CLeftView::OnClosed);
}

QTreeWidgetItem* CLeftView::AddItem(QTreeWidgetItem* parent, const QString& text, int image, int selectedImage) {
  auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
  item->setText(0, text);
  if (image >= 0 && image < static_cast<int>(images_.size())) {
    QIcon icon = images_[static_cast<std::size_t>(image)];
    if (selectedImage != image && selectedImage >= 0 && selectedImage < static_cast<int>(images_.size()))
      icon.addPixmap(images_[static_cast<std::size_t>(selectedImage)].pixmap(16), QIcon::Selected);
    item->setIcon(0, icon);
  }
  item->setData(0, kRoleImage, image);
  return item;
}

void CLeftView::AddCategoryNodes(bool withDeletedFiles, bool ntfs) {
  for (int i = 0; i < 5; ++i) {
    if (i == 0 && !withDeletedFiles) continue;
    QTreeWidgetItem* item = AddItem(nullptr, Label(kCategoryTexts[i]), kCategoryImages[i], kCategoryImages[i]);
    item->setData(0, kRoleCategory, -(i + 1));
    item->setData(0, kRoleNode, ntfs ? -(i + 1) : 1);
    item->setData(0, kRoleHasNode, true);
  }
}

QTreeWidgetItem* CLeftView::CategoryNode(int number) const {
  for (int i = 0; i < topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = topLevelItem(i);
    if (item->data(0, kRoleCategory).toInt() == number) return item;
  }
  return nullptr;
}

void CLeftView::ShowNothingToList() {
  clear();
  AddItem(nullptr, QStringLiteral("표시할 항목이 없습니다."), -1, -1);
}

void CLeftView::OnOpened(std::uint32_t type) {
  StopTreeBuilder();
  switch (type) {
    case kFsNtfs: StartNtfsTree(); break;
    case kFsExfat: BuildExfatTree(); break;
    default: BuildFatTree(); break;
  }
}

void CLeftView::StopTreeBuilder() {
  treeBuilder_.reset();  // stops and joins the builder; its hand-over no longer applies
  if (treeReader_ && session_) session_->RemoveReader(treeReader_);
  treeReader_ = 0;
  if (waitTimer_) {
    waitTimer_->stop();
    waitTimer_->deleteLater();
    waitTimer_ = nullptr;
  }
  if (waitDlg_) {
    waitDlg_->hide();
    delete waitDlg_.data();
  }
}

void CLeftView::OnClosed() {
  StopTreeBuilder();  // the session stopped it already; this only tidies up
  ReleaseShellRecords();
  blockSignals(true);
  clear();
  blockSignals(false);
}

bool CLeftView::PrepareTreeRecords(std::uint32_t folders) {
  try {
    g_CategoryEntries.assign(folders + 2, CATEGORYENTRY{});
    g_TreeNodes.assign(folders + 2, TREENODERECORD{});
  } catch (const std::bad_alloc&) {
    ReleaseShellRecords();
    platform::ShowMessage(u"메모리를 할당받지 못하였습니다.");
    return false;
  }
  // Entry 0 is the drive (its record keys cluster 2), entry 1 is shared by the categories.
  g_CategoryEntries[0].keyLow = -1;
  g_CategoryEntries[0].keyHigh = -1;
  g_TreeNodes[0] = {0, 2, {0, 0}};
  g_CategoryEntries[1].keyLow = -5;
  g_CategoryEntries[1].keyHigh = -1;
  g_TreeNodes[1] = {1, 0, {0, 0}};
  return true;
}

QTreeWidgetItem* CLeftView::AddDriveNode() {
  char drive[4] = {FileSystem()->driveLetter, ':', '\\', 0};
  QTreeWidgetItem* driveNode = AddItem(nullptr, QString::fromLatin1(drive), kImgDrive, kImgDrive);
  driveNode->setData(0, kRoleNode, 0);
  driveNode->setData(0, kRoleHasNode, true);
  return driveNode;
}

void CLeftView::AddFolderNode(QTreeWidgetItem* parent, std::size_t next, std::uint32_t firstCluster, int image,
                              int selectedImage) {
  const CATEGORYENTRY& c = g_CategoryEntries[next];
  g_TreeNodes[next] = {static_cast<std::int32_t>(next), static_cast<std::int32_t>(firstCluster), {0, 0}};
  QTreeWidgetItem* item = AddItem(parent, Label(c.longName ? c.wideName : c.shortName), image, selectedImage);
  item->setData(0, kRoleNode, static_cast<int>(next));
  item->setData(0, kRoleHasNode, true);
}

void CLeftView::FinishFlatTree(QTreeWidgetItem* driveNode, QTreeWidgetItem* deletedNode) {
  driveNode->setExpanded(true);
  if (deletedNode) deletedNode->setExpanded(true);
  setCurrentItem(driveNode);
  FileSystem()->previousDirectory = 2;
}

void CLeftView::BuildFatTree() {
  const std::uint32_t count = g_pFatDirEntries ? g_dwFatDirEntryCount : 0;
  if (count == 0) {
    // An empty root still says so, rather than leaving the pane blank.
    ShowNothingToList();
    return;
  }
  std::uint32_t folders = 0;
  for (std::uint32_t i = 0; i < count; ++i)
    if (g_pFatDirEntries[i].directory) ++folders;
  if (!PrepareTreeRecords(folders)) return;
  clear();
  QTreeWidgetItem* driveNode = AddDriveNode();
  AddCategoryNodes(true, false);
  QTreeWidgetItem* deletedNode = CategoryNode(-2);

  std::size_t next = 2;
  for (std::uint32_t i = 0; i < count && next < g_CategoryEntries.size(); ++i) {
    const FATDIRENTRY& e = g_pFatDirEntries[i];
    if (!e.directory || e.volumeLabel) continue;
    CATEGORYENTRY& c = g_CategoryEntries[next];
    c.deleted = e.deleted;
    std::u16string longName = e.hasLongName ? LongNameOf(e) : std::u16string();
    c.longName = longName.empty() ? 0 : 1;
    c.longNameLive = e.longNameLive;
    c.folder = 1;
    c.volumeLabel = e.volumeLabel;
    c.keyLow = static_cast<std::int32_t>(e.firstCluster);
    c.keyHigh = 0;
    c.shortName = ShortNameOf(e);
    if (c.longName) c.wideName = std::move(longName);
    bool recycled = std::string_view(e.shortName, strnlen(e.shortName, sizeof e.shortName)) == "RECYCLED";
    AddFolderNode(e.deleted ? deletedNode : driveNode, next, e.firstCluster, recycled ? kImgRecycled : kImgFolder,
                  recycled ? kImgRecycled : kImgFolderOpen);
    ++next;
  }
  FinishFlatTree(driveNode, deletedNode);
}

void CLeftView::BuildExfatTree() {
  const std::uint32_t count = g_pExfatEntries ? g_dwExfatEntryCount : 0;
  if (count == 0) {
    ShowNothingToList();
    return;
  }
  std::uint32_t folders = 0;
  for (std::uint32_t i = 0; i < count; ++i)
    if (g_pExfatEntries[i].folder) ++folders;
  if (!PrepareTreeRecords(folders)) return;
  clear();
  AddItem(nullptr, QStringLiteral("파일시스템: exFAT"), kImgFileSystem, kImgFileSystem);
  QTreeWidgetItem* driveNode = AddDriveNode();
  AddCategoryNodes(false, false);
  QTreeWidgetItem* deletedNode = CategoryNode(-2);

  std::size_t next = 2;
  for (std::uint32_t i = 0; i < count && next < g_CategoryEntries.size(); ++i) {
    const EXFATFILEENTRY& e = g_pExfatEntries[i];
    if (!e.folder) continue;
    CATEGORYENTRY& c = g_CategoryEntries[next];
    c.deleted = e.deleted;
    c.longName = 1;
    c.folder = 1;
    c.volumeLabel = static_cast<std::int32_t>(e.reserved);
    c.keyLow = static_cast<std::int32_t>(e.firstCluster);
    c.keyHigh = 0;
    c.wideName = ExfatNameOf(e);
    AddFolderNode(e.deleted ? deletedNode : driveNode, next, e.firstCluster, kImgFolder, kImgFolderOpen);
    ++next;
  }
  FinishFlatTree(driveNode, deletedNode);
}

void CLeftView::StartNtfsTree() {
  clear();
  waitDlg_ = new CLeftViewWaitDlg(parentWidget() ? parentWidget() : this);
  waitDlg_->SetText(QStringLiteral("목록 구성 중입니다. 잠시만 기다려 주십시오."));
  waitDlg_->show();
  if (QWidget* owner = waitDlg_->parentWidget()) {
    QRect r = owner->geometry();
    waitDlg_->move(owner->mapToGlobal(r.center() - owner->geometry().topLeft()) - waitDlg_->rect().center());
  }

  auto job = std::make_shared<NtfsTreeJob>();
  job->entries = g_pNtfsEntries;
  job->count = g_pNtfsEntries ? g_dwNtfsEntryCount : 0;
  // The wait dialog's line follows the job through an atomic, read by a timer.
  waitTimer_ = new QTimer(this);
  connect(waitTimer_, &QTimer::timeout, this, [this, job] {
    std::int64_t i = job->current.load();
    if (waitDlg_ && i >= 0 && static_cast<std::uint64_t>(i) < job->count)
      waitDlg_->SetText(Label(job->entries[i].name));
  });
  waitTimer_->start(100);

  // The folders are ordered on the worker; the items are inserted on the UI thread.
  treeBuilder_ = StartJob(
      this, [job] { job->nodes = OrderNtfsFolders(job->entries, job->count, &job->current); },
      [this, job] { FinishNtfsTree(*job); });
  if (!treeBuilder_) {
    StopTreeBuilder();
    platform::ShowMessage(u"트리를 구성할 수 없습니다.");
    return;
  }
  // The builder reads the volume's entries: closing the drive stops it first.
  if (session_) treeReader_ = session_->AddReader([this] { StopTreeBuilder(); }, [this] { return TreeBuilding(); });
}

void CLeftView::FinishNtfsTree(NtfsTreeJob& done) {
  FILESYSTEMOBJ* fs = FileSystem();
  if (!fs) return;
  // The job's state lives as long as the builder's handle: keep it past the handle's release.
  NtfsTreeJob* job = &done;
  std::unique_ptr<CWorkerJob> builder = std::move(treeBuilder_);  // already ended: joins at once
  if (treeReader_ && session_) session_->RemoveReader(treeReader_);
  treeReader_ = 0;

  QString fsName = QString::fromStdU16String(GetFileSystemName(fs));
  int major = fs->ntfs ? fs->ntfs->volumeMajor : 0;
  int minor = fs->ntfs ? fs->ntfs->volumeMinor : 0;
  AddItem(nullptr, QStringLiteral("파일시스템: %1 v%2.%3").arg(fsName).arg(major).arg(minor), kImgFileSystem,
          kImgFileSystem);
  AddCategoryNodes(true, true);
  QTreeWidgetItem* driveNode =
      AddItem(nullptr, QStringLiteral("(%1:)").arg(QChar::fromLatin1(fs->driveLetter)), kImgDrive, kImgDrive);
  driveNode->setData(0, kRoleNode, 5);
  driveNode->setData(0, kRoleHasNode, true);
  QTreeWidgetItem* deletedNode = CategoryNode(-2);

  std::vector<QTreeWidgetItem*> items;
  items.reserve(job->nodes.size());
  for (const NtfsFolderNode& n : job->nodes) {
    QTreeWidgetItem* parent = n.parent == kNtfsUnderDrive     ? driveNode
                              : n.parent == kNtfsUnderDeleted ? deletedNode
                                                              : items[static_cast<std::size_t>(n.parent)];
    QTreeWidgetItem* item = AddItem(parent, Label(job->entries[n.entry].name), kImgFolder, kImgFolder);
    item->setData(0, kRoleNode, static_cast<qlonglong>(n.entry));
    item->setData(0, kRoleHasNode, true);
    items.push_back(item);
  }
  driveNode->setExpanded(true);
  if (deletedNode) deletedNode->setExpanded(true);
  if (waitTimer_) {
    waitTimer_->stop();
    waitTimer_->deleteLater();
    waitTimer_ = nullptr;
  }
  if (waitDlg_) waitDlg_->SetText(QStringLiteral("목록 구성 중입니다. 잠시만 기다려 주십시오."));
  if (QTreeWidgetItem* files = CategoryNode(-1)) setCurrentItem(files);
  if (waitDlg_) delete waitDlg_.data();
}

void CLeftView::OnSelchanged(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
  FILESYSTEMOBJ* fs = FileSystem();
  if (!fs) {
    if (right_) right_->ClearRows();
    viewport()->update();
    return;
  }
  if (!current || !right_) return;
  const bool hasNode = current->data(0, kRoleHasNode).toBool();
  const bool hadNode = previous && previous->data(0, kRoleHasNode).toBool();
  const QVariant category = current->data(0, kRoleCategory);

  if (fs->typeCode == kFsNtfs) {
    if (!hasNode) return;
    std::int64_t value = current->data(0, kRoleNode).toLongLong();
    ListHint hint;
    if (category.isValid()) {
      hint = {value, true};
    } else if (value == 5) {
      hint = {5, false};
    } else if (g_pNtfsEntries && value >= 0 && static_cast<std::uint64_t>(value) < g_dwNtfsEntryCount) {
      hint = {g_pNtfsEntries[value].recordNumber, false};
    } else {
      return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    right_->OnUpdate(hint);
    QApplication::restoreOverrideCursor();
    return;
  }

  if (g_CategoryEntries.empty() || (!hasNode && !hadNode) || !hasNode) return;
  int node = current->data(0, kRoleNode).toInt();
  if (node < 0 || static_cast<std::size_t>(node) >= g_TreeNodes.size()) return;
  int entryIndex = g_TreeNodes[static_cast<std::size_t>(node)].entryIndex;
  if (entryIndex < 0 || static_cast<std::size_t>(entryIndex) >= g_CategoryEntries.size()) return;
  const CATEGORYENTRY& entry = g_CategoryEntries[static_cast<std::size_t>(entryIndex)];

  ListHint hint;
  if (category.isValid()) {
    // The category nodes share one entry; each lists its own category.
    hint = {category.toInt(), true};
  } else {
    const bool isDrive = entry.keyLow == -1 && entry.keyHigh == -1;
    const std::u16string& name = entry.longName ? entry.wideName : entry.shortName;
    std::u16string text = Label(name).toStdU16String() + u" 디렉토리를 열 수 없습니다.";
    // Where folders open by their cluster, the cluster must lie on the volume.
    const FsCapabilities* caps = CapabilitiesOf(fs->typeCode);
    if (caps && caps->foldersOpen) {
      if ((!isDrive && !IsClusterInRange(static_cast<std::uint32_t>(entry.keyLow))) || entry.deleted) {
        if (hadNode) platform::ShowMessage(text);
        return;
      }
    } else if (entry.deleted) {
      platform::ShowMessage(text, MsgButtons::Ok, MsgIcon::Error);
      return;
    }
    hint = {isDrive ? -1 : static_cast<std::int64_t>(static_cast<std::uint32_t>(entry.keyLow)), false};
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  right_->OnUpdate(hint);
  QApplication::restoreOverrideCursor();
}
