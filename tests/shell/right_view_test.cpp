#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLabel>

#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "Pellamor/App.h"
#include "Pellamor/AppRecords.h"
#include "Pellamor/CommandIds.h"
#include "Pellamor/DriveSession.h"
#include "Pellamor/FileListFill.h"
#include "Pellamor/LeftView.h"
#include "Pellamor/MainFrame.h"
#include "Pellamor/RightView.h"
#include "corvane/fat_records.h"
#include "corvane/filesystem.h"
#include "corvane/ntfs_records.h"
#include "platform/message.h"
#include "shell_support.h"
#include "tests/modules/module_env.h"
#include "tests/support/test_support.h"

namespace {

using shell_test::Child;
using shell_test::TopLevel;
using testing_support::Fixture;

// Records what the list hands to the queue window.
class FakeQueue : public QWidget, public IQueueWindow {
 public:
  struct Item {
    std::u16string name;
    int isFolder;
    std::uint64_t firstCluster;
    int method;
    std::uint32_t reference;
    int folderKind;
    std::u16string state;
    double size;
  };
  explicit FakeQueue(QWidget* parent) : QWidget(parent, Qt::Window) {}
  void AddItem(const std::u16string& name, int isFolder, std::uint64_t firstCluster, int methodCode,
               std::uint32_t entryReference, int folderKind, const std::u16string& stateText, double size) override {
    calls.push_back("add");
    items.push_back({name, isFolder, firstCluster, methodCode, entryReference, folderKind, stateText, size});
  }
  void UpdateCounters() override { calls.push_back("counters"); }
  bool IsRunning() const override { return running; }
  std::vector<Item> items;
  std::vector<std::string> calls;
  bool running = false;
};

// A FAT16 volume with folder BIG holding files whose sizes and first clusters are patched: two
// together more than 4 GiB, at clusters 1234 and 999; two of 1,234 and 999 bytes.
std::string MakeBigFolderImage(const testing_support::TempDir& dir) {
  const std::string img = dir.File("big.img");
  const std::string one = dir.File("one.bin");
  testing_support::WriteFile(one, "x");
  auto r = testing_support::Run("PATH=$PATH:/usr/sbin:/sbin; export MTOOLS_SKIP_CHECK=1; mkfs.fat -C -F 16 " +
                                img + " 16384 >/dev/null && mmd -i " + img + " ::/BIG && mcopy -i " + img + " " +
                                one + " ::/BIG/ALPHA.BIN && mcopy -i " + img + " " + one + " ::/BIG/OMEGA.BIN && mcopy -i " + img +
                                " " + one + " ::/BIG/SMALL1.BIN && mcopy -i " + img + " " + one + " ::/BIG/SMALL2.BIN");
  if (r.exitCode != 0) return {};
  std::string bytes = testing_support::ReadFile(img);
  auto patch = [&](const char* name83, std::uint32_t cluster, std::uint32_t size) {
    std::size_t at = bytes.find(std::string(name83, 11));
    if (at == std::string::npos) return false;
    bytes[at + 26] = char(cluster & 0xFF);
    bytes[at + 27] = char(cluster >> 8);
    for (int i = 0; i < 4; ++i) bytes[at + 28 + i] = char((size >> (8 * i)) & 0xFF);
    return true;
  };
  if (!patch("ALPHA   BIN", 1234, 0xFFFFFFF0u) || !patch("OMEGA   BIN", 999, 0xFFFFFFF0u) ||
      !patch("SMALL1  BIN", 3, 1234) || !patch("SMALL2  BIN", 4, 999))
    return {};
  testing_support::WriteFile(img, bytes);
  return img;
}

class RightView : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { modules_ = new module_env::StartedModules; }
  static void TearDownTestSuite() {
    delete modules_;
    modules_ = nullptr;
  }
  void SetUp() override {
    shell_test::App();
    ASSERT_TRUE(modules_->ok());
    SetNtfsRootScanner(&RunNtfsRootScan);
    CMainFrame::SetQueueWindowFactory([this](QWidget* parent) {
      auto* q = new FakeQueue(parent);
      queue_ = q;
      return q;
    });
  }
  void TearDown() override {
    frame_.reset();
    drives_.reset();
    CMainFrame::SetQueueWindowFactory({});
    SetNtfsRootScanner(nullptr);
    EXPECT_EQ(m_pFileSystem, nullptr);
  }
  void Drives(const std::vector<std::string>& sources) {
    frame_.reset();
    drives_.reset();
    drives_ = std::make_unique<testing_support::ScopedDrives>(sources);
    frame_ = std::make_unique<CMainFrame>();
    tester_ = std::make_unique<QAbstractItemModelTester>(List().Model(),
                                                         QAbstractItemModelTester::FailureReportingMode::Fatal);
  }
  bool Open(char letter) {
    g_chCurrentDrive = letter;
    bool ok = frame_->OpenDrive();
    shell_test::WaitFor([&] { return !frame_->GetLeftView()->TreeBuilding(); });
    return ok;
  }
  CRightView& List() { return *frame_->GetRightView(); }
  CLeftView& Tree() { return *frame_->GetLeftView(); }
  // A text field of every row, in display order.
  QStringList Column(int field) {
    QStringList texts;
    for (int v = 0; v < List().GetViewRowCount(); ++v) texts << List().Model()->QText(List().OwnerRow(v), field);
    return texts;
  }
  int RowNamed(const QString& name) {
    for (int r = 0; r < List().RowCount(); ++r)
      if (List().Model()->QText(r, kTextName) == name) return r;
    return -1;
  }
  QString Pane(int i) { return frame_->StatusPane(i)->text(); }

  static inline module_env::StartedModules* modules_ = nullptr;
  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
  std::unique_ptr<testing_support::ScopedDrives> drives_;
  std::unique_ptr<CMainFrame> frame_;
  std::unique_ptr<QAbstractItemModelTester> tester_;
  FakeQueue* queue_ = nullptr;
};

TEST_F(RightView, Fat16RootAndSubfolderRowsCarryTheModulesTexts) {
  REQUIRE_FIXTURE("shell_fat16.img");
  Drives({"E=" + Fixture("shell_fat16.img")});
  ASSERT_TRUE(Open('E'));
  QStringList headers;
  for (int c = 0; c < List().GetColumnCount(); ++c) headers << List().GetColumnHeading(c);
  EXPECT_EQ(headers, (QStringList{"이름", "상태", "수정한 날짜", "유형", "크기", "클러스터"}));

  QStringList names = Column(kTextName);
  for (const char* n : {"RECYCLED", "ALPHA", "Long folder name", "BETA", "Erased long folder"})
    EXPECT_TRUE(names.contains(n)) << n << " in " << names.join(", ").toStdString();
  // Every row's texts are the module's texts of the same entry, copied.
  ASSERT_EQ(List().RowCount(), static_cast<int>(g_dwFatDirEntryCount));
  for (int r = 0; r < List().RowCount(); ++r) {
    const FATDIRENTRY* e = &g_pFatDirEntries[r];
    EXPECT_EQ(List().Model()->QText(r, kTextName).toStdU16String(), pfn_disp_struct_name_quorin(e));
    EXPECT_EQ(List().Model()->QText(r, kTextStatus).toStdU16String(), pfn_disp_struct_status_quorin(e));
    EXPECT_EQ(List().Model()->QText(r, kTextCluster).toStdU16String(), pfn_disp_struct_cluster_quorin(e));
    EXPECT_EQ(List().Model()->QText(r, kTextFileType).toStdU16String(), pfn_disp_struct_fileformat_quorin(e));
    EXPECT_EQ(List().Model()->Keys(r).firstCluster, e->firstCluster);
    EXPECT_EQ(List().Model()->Keys(r).deleted, e->deleted);
  }
  EXPECT_EQ(Pane(2), QStringLiteral("전체: %1개 %2")
                         .arg(List().RowCount())
                         .arg(QString::fromStdU16String(FormatSizeText(List().Model()->TotalBytes(), 2, 1, 0, 0))));
  EXPECT_EQ(Pane(1), QStringLiteral("선택: 0개 0바이트"));
  List().SelectOwnerRows({0});
  shell_test::SaveShot(*frame_, "right_view_fat16");

  // A subfolder: the next directory read replaces the engine's table, the rows are the folder's.
  Tree().setCurrentItem(Child(TopLevel(Tree(), "E:\\"), "ALPHA"));
  names = Column(kTextName);
  EXPECT_TRUE(names.contains("INNER"));
  EXPECT_TRUE(names.contains(".."));
  EXPECT_FALSE(names.contains("BETA"));
  // Other categories of a FAT volume have no rows.
  Tree().setCurrentItem(TopLevel(Tree(), "파일포맷"));
  EXPECT_EQ(List().RowCount(), 0);
}

// A listing replaces the rows and drops the selection, and the totals are worked out and shown
// once, for the new rows; so are they when the rows are cleared.
TEST_F(RightView, EachListingShowsItsTotalsOnce) {
  REQUIRE_FIXTURE("shell_fat16.img");
  Drives({"E=" + Fixture("shell_fat16.img")});
  ASSERT_TRUE(Open('E'));
  List().SelectOwnerRows({0, 1});
  ASSERT_EQ(List().SelectedRowCount(), 2);
  QList<QStringList> shown;
  QObject::connect(&List(), &CRightView::totalsChanged,
                   [&](const QString& selection, const QString& all) { shown << QStringList{selection, all}; });
  Tree().setCurrentItem(Child(TopLevel(Tree(), "E:\\"), "ALPHA"));
  ASSERT_TRUE(Column(kTextName).contains("INNER"));
  EXPECT_EQ(List().SelectedRowCount(), 0);
  ASSERT_EQ(shown.size(), 1);
  EXPECT_EQ(shown[0][0], QStringLiteral("선택: 0개 0바이트"));
  EXPECT_EQ(shown[0][1], List().AllTotalText());
  EXPECT_EQ(Pane(1), shown[0][0]);
  EXPECT_EQ(Pane(2), shown[0][1]);

  shown.clear();
  List().SelectOwnerRows({0});
  ASSERT_EQ(shown.size(), 1);  // a selection change alone still shows its totals
  shown.clear();
  List().ClearRows();
  EXPECT_EQ(List().RowCount(), 0);
  ASSERT_EQ(shown.size(), 1);
  EXPECT_EQ(shown[0][0], QStringLiteral("선택: 0개 0바이트"));
}

TEST_F(RightView, BigFolderTotalsSortingAndTheParentEntry) {
  testing_support::TempDir dir;
  const std::string img = MakeBigFolderImage(dir);
  if (img.empty()) GTEST_SKIP() << "mkfs.fat or mtools missing";
  Drives({"F=" + img});
  ASSERT_TRUE(Open('F'));
  Tree().setCurrentItem(Child(TopLevel(Tree(), "F:\\"), "BIG"));
  const int alpha = RowNamed("ALPHA.BIN");
  const int omega = RowNamed("OMEGA.BIN");
  ASSERT_GE(alpha, 0);
  ASSERT_GE(omega, 0);
  EXPECT_EQ(CGridColumnTraitText::ParseNumber(List().Model()->QText(alpha, kTextCluster)), 1234);
  EXPECT_EQ(CGridColumnTraitText::ParseNumber(List().Model()->QText(omega, kTextCluster)), 999);
  // More than 4 GiB in all: no wrap at 32 bits.
  const double total = 2.0 * 0xFFFFFFF0u + 1234 + 999;
  EXPECT_EQ(List().Model()->TotalBytes(), total);
  const QString totalText = QString::fromStdU16String(FormatSizeText(total, 2, 1, 0, 0));
  EXPECT_EQ(Pane(2), QStringLiteral("전체: %1개 %2").arg(List().RowCount()).arg(totalText));

  // Select all: one selection call, totals follow.
  List().SelectAllRows();
  EXPECT_EQ(List().SelectedRowCount(), List().RowCount());
  EXPECT_EQ(Pane(1), QStringLiteral("선택: %1개 %2").arg(List().RowCount()).arg(totalText));
  List().InvertSelection();
  EXPECT_EQ(List().SelectedRowCount(), 0);
  EXPECT_EQ(Pane(1), QStringLiteral("선택: 0개 0바이트"));

  // Clusters sort by number ("1,234" after "999"), sizes by bytes; rows keep their texts.
  std::map<QString, QString> clusterOf;
  for (int r = 0; r < List().RowCount(); ++r)
    clusterOf[List().Model()->QText(r, kTextName)] = List().Model()->QText(r, kTextCluster);
  struct Case {
    int column;
    bool ascending;
  };
  for (Case c : {Case{CFileListModel::kClusterColumn, true}, Case{CFileListModel::kClusterColumn, false},
                 Case{CFileListModel::kSizeColumn, true}, Case{0, true}, Case{3, false}}) {
    ASSERT_TRUE(List().SortColumn(c.column, c.ascending));
    const QStringList names = Column(kTextName);
    const QStringList clusters = Column(kTextCluster);
    for (int v = 0; v < names.size(); ++v) EXPECT_EQ(clusters[v], clusterOf[names[v]]);
    if (c.column == CFileListModel::kClusterColumn) {
      const int a = static_cast<int>(names.indexOf("OMEGA.BIN")), b = static_cast<int>(names.indexOf("ALPHA.BIN"));
      EXPECT_EQ(a < b, c.ascending) << clusters.join(" ").toStdString();
    }
    if (c.column == CFileListModel::kSizeColumn) {
      // "1,234" bytes after "999" bytes, both before 4 GiB.
      const QStringList sizes = Column(kTextByteSize);
      EXPECT_LT(names.indexOf("SMALL2.BIN"), names.indexOf("SMALL1.BIN")) << sizes.join(" | ").toStdString();
      EXPECT_LT(names.indexOf("SMALL1.BIN"), names.indexOf("ALPHA.BIN"));
      EXPECT_EQ(sizes[names.indexOf("SMALL1.BIN")].left(5), "1,234");
    }
  }

  // ".." of a folder under the root has cluster 0: it opens the root.
  const int dotdot = RowNamed("..");
  ASSERT_GE(dotdot, 0);
  EXPECT_EQ(List().Model()->Keys(dotdot).firstCluster, 0u);
  List().SelectOwnerRows({dotdot});
  List().OnDblclk();
  EXPECT_GE(RowNamed("BIG"), 0);
  EXPECT_LT(RowNamed("ALPHA.BIN"), 0);
  EXPECT_EQ(m_pFileSystem->currentDirectory, -1);
  EXPECT_TRUE(sink_.Texts().empty());
}

TEST_F(RightView, NtfsDeletedFilesCategoryHoldsDeletedFilesOfEveryFolder) {
  REQUIRE_FIXTURE("ntfs_512.img");
  if (testing_support::FixtureExists("ntfs_512.img.nofuse")) GTEST_SKIP() << "no deleted files in the fixture";
  Drives({"N=" + Fixture("ntfs_512.img")});
  ASSERT_TRUE(Open('N'));
  if (!g_pNtfsEntries) GTEST_SKIP() << "the NTFS search is not available";
  EXPECT_EQ(List().LastHint(), (ListHint{-1, true}));
  const QStringList names = Column(kTextName);
  for (const char* n : {"deleted.bin", "delres.txt", "child.bin"}) EXPECT_TRUE(names.contains(n)) << n;
  EXPECT_FALSE(names.contains("gone"));
  EXPECT_FALSE(names.contains("small.txt"));
  shell_test::SaveShot(*frame_, "right_view_ntfs_deleted_files");
  for (int r = 0; r < List().RowCount(); ++r) {
    EXPECT_EQ(List().Model()->Keys(r).deleted, 1);
    EXPECT_NE(List().Model()->Keys(r).folder, 1);
    const NTFSFILEENTRY* e = &g_pNtfsEntries[List().Model()->Keys(r).entryIndex];
    EXPECT_EQ(List().Model()->Keys(r).recordNumber, e->recordNumber);
    EXPECT_EQ(List().Model()->QText(r, kTextFileType).toStdU16String(), pfn_disp_struct_fileformat_ntfs(e));
    EXPECT_EQ(List().Model()->Keys(r).imageIndex, pfn_disp_struct_image_ntfs(e, 1));
    // Texts made when first read are the module's texts of the entry.
    EXPECT_EQ(List().Model()->Text(r, kTextFirstSector), pfn_disp_struct_1stsector_ntfs(e));
    EXPECT_EQ(List().Model()->Text(r, kTextRunCount), pfn_disp_struct_runcount_ntfs(e));
    EXPECT_EQ(List().Model()->Text(r, kTextParentRecord), pfn_disp_struct_parentmft_ntfs(e));
    EXPECT_EQ(List().Model()->Text(r, kTextRecordNumber), pfn_disp_struct_mftid_ntfs(e));
    EXPECT_EQ(List().Model()->Text(r, kTextByteSize), pfn_disp_struct_bytesize_ntfs(e));
    EXPECT_EQ(List().Model()->Text(r, kTextDataSize), pfn_disp_struct_datasize_ntfs(e));
    EXPECT_EQ(List().Model()->Text(r, kTextCreated), pfn_disp_struct_createdt_ntfs(e));
    EXPECT_EQ(List().Model()->Text(r, kTextAccessed), pfn_disp_struct_accessdt_ntfs(e));
    EXPECT_EQ(List().Model()->Text(r, kTextModified), pfn_disp_struct_modifydt_ntfs(e));
    EXPECT_EQ(List().Model()->data(List().Model()->index(r, 2), Qt::DisplayRole).toString().toStdU16String(),
              pfn_disp_struct_modifydt_ntfs(e));
    EXPECT_EQ(List().Model()->Text(r, kTextSize), pfn_disp_struct_size_ntfs(e));
    EXPECT_EQ(List().Model()->Text(r, kTextCluster), pfn_disp_struct_cluster_ntfs(e));
    EXPECT_EQ(List().Model()->Text(r, kTextStatus), pfn_disp_struct_status_ntfs(e));
  }
  // Deleted entries of the root, folders included.
  Tree().setCurrentItem(TopLevel(Tree(), "삭제된 폴더"));
  EXPECT_TRUE(Column(kTextName).contains("gone"));
  EXPECT_FALSE(Column(kTextName).contains("child.bin"));
  // The root's children, and a double click on a folder opens it.
  Tree().setCurrentItem(TopLevel(Tree(), "(N:)"));
  EXPECT_TRUE(Column(kTextName).contains("small.txt"));
  const int docs = RowNamed("docs");
  ASSERT_GE(docs, 0);
  List().SelectOwnerRows({docs});
  List().OnDblclk();
  EXPECT_TRUE(Column(kTextName).contains("sub"));
  EXPECT_FALSE(Column(kTextName).contains("small.txt"));
  Tree().setCurrentItem(TopLevel(Tree(), "찾기"));
  EXPECT_EQ(List().RowCount(), 0);
}

// A folder's rows found through the child index are the rows the scan of the table finds, in the
// same order, for every parent of the table (the root is its own parent).
TEST_F(RightView, NtfsFolderRowsThroughTheChildIndexAreTheScansRows) {
  REQUIRE_FIXTURE("ntfs_512.img");
  Drives({"N=" + Fixture("ntfs_512.img")});
  ASSERT_TRUE(Open('N'));
  if (!g_pNtfsEntries) GTEST_SKIP() << "the NTFS search is not available";
  std::set<std::int64_t> keys = {5, 123456789};
  for (std::uint32_t i = 0; i < g_dwNtfsEntryCount; ++i) keys.insert(g_pNtfsEntries[i].parentRecordNumber);
  CNtfsChildIndex index;
  CFileTypeCache cache;
  for (std::int64_t key : keys) {
    CFileListModel scanned, indexed;
    scanned.BeginFill();
    const int scannedCount = AppendNtfsRows(scanned, g_pNtfsEntries, g_dwNtfsEntryCount, key, cache);
    scanned.EndFill();
    indexed.BeginFill();
    const int indexedCount = AppendNtfsRows(indexed, g_pNtfsEntries, g_dwNtfsEntryCount, key, cache, &index);
    indexed.EndFill();
    ASSERT_EQ(indexedCount, scannedCount) << key;
    ASSERT_EQ(indexed.Count(), scanned.Count()) << key;
    for (int r = 0; r < scanned.Count(); ++r) {
      EXPECT_EQ(indexed.Keys(r).entryIndex, scanned.Keys(r).entryIndex) << key;
      EXPECT_EQ(indexed.QText(r, kTextName), scanned.QText(r, kTextName)) << key;
    }
  }
  EXPECT_FALSE(index.Children(g_pNtfsEntries, g_dwNtfsEntryCount, 5).empty());
}

TEST_F(RightView, AddToQueueHandsSelectedRowsInOrderThenCountsOnceAndShows) {
  REQUIRE_FIXTURE("shell_fat16.img");
  Drives({"E=" + Fixture("shell_fat16.img")});
  ASSERT_TRUE(Open('E'));
  ASSERT_NE(queue_, nullptr);
  EXPECT_EQ(List().Queue(), queue_);
  EXPECT_FALSE(queue_->isVisible());
  const int live = RowNamed("ALPHA"), gone = RowNamed("Erased long folder");
  ASSERT_GE(live, 0);
  ASSERT_GE(gone, 0);
  // The view order differs from the owner order: items still come by ascending owner row.
  List().SortColumn(0, false);
  List().SelectOwnerRows({gone, live});
  frame_->show();
  ASSERT_TRUE(frame_->RunCommand(cmd::kAddQueueLinear));
  ASSERT_EQ(queue_->items.size(), 2u);
  EXPECT_EQ(queue_->calls, (std::vector<std::string>{"add", "add", "counters"}));
  const int first = std::min(live, gone);
  EXPECT_EQ(QString::fromStdU16String(queue_->items[0].name), List().Model()->QText(first, kTextName));
  for (const FakeQueue::Item& item : queue_->items) {
    const int r = item.name == u"ALPHA" ? live : gone;
    EXPECT_EQ(item.firstCluster, List().Model()->Keys(r).firstCluster);
    EXPECT_EQ(item.reference, r == gone ? 1u : 0u);  // deleted rows carry 1
    EXPECT_EQ(item.method, 1);
    EXPECT_EQ(item.isFolder, 1);
    EXPECT_EQ(item.folderKind, 0);
    EXPECT_TRUE(item.state.empty());
  }
  EXPECT_TRUE(queue_->isVisible());
  ASSERT_TRUE(frame_->RunCommand(cmd::kAddQueueBasic));
  ASSERT_EQ(queue_->items.size(), 4u);
  EXPECT_EQ(queue_->items[3].method, 0);
  ASSERT_TRUE(frame_->RunCommand(list_cmd::kAddQueueLinear));
  EXPECT_EQ(queue_->items.size(), 6u);
  // The selected entry and the queue's state for other windows.
  ASSERT_TRUE(List().SelectedEntry().has_value());
  EXPECT_EQ(List().SelectedEntry()->row, first);
  EXPECT_FALSE(List().QueueRunning());
  queue_->running = true;
  EXPECT_TRUE(List().QueueRunning());
  queue_->running = false;
  // Closing the drive destroys the window.
  QPointer<QWidget> window = queue_;
  frame_->OnCloseDrive();
  EXPECT_TRUE(window.isNull());
  EXPECT_EQ(List().Queue(), nullptr);
}

TEST_F(RightView, NtfsRowsQueueByRecordNumberAndAttributes) {
  REQUIRE_FIXTURE("ntfs_512.img");
  Drives({"N=" + Fixture("ntfs_512.img")});
  ASSERT_TRUE(Open('N'));
  if (!g_pNtfsEntries) GTEST_SKIP() << "the NTFS search is not available";
  Tree().setCurrentItem(TopLevel(Tree(), "(N:)"));
  ASSERT_GT(List().RowCount(), 1);
  List().SelectAllRows();
  ASSERT_TRUE(frame_->RunCommand(cmd::kAddQueueBasic));
  ASSERT_EQ(static_cast<int>(queue_->items.size()), List().RowCount());
  for (int r = 0; r < List().RowCount(); ++r) {
    const FakeQueue::Item& item = queue_->items[static_cast<std::size_t>(r)];
    const NTFSFILEENTRY& e = g_pNtfsEntries[List().Model()->Keys(r).entryIndex];
    EXPECT_EQ(item.firstCluster, static_cast<std::uint64_t>(e.recordNumber));
    EXPECT_EQ(item.reference, e.fileAttributes);
    EXPECT_EQ(item.size, List().Model()->Keys(r).byteSize);
  }
}

TEST_F(RightView, ClosingTheDriveClearsTheRowsBeforeReadersStop) {
  REQUIRE_FIXTURE("shell_fat16.img");
  Drives({"E=" + Fixture("shell_fat16.img")});
  ASSERT_TRUE(Open('E'));
  ASSERT_GT(List().RowCount(), 0);
  int rowsWhenStopped = -1;
  bool engineStillThere = false;
  const int reader = frame_->Session()->AddReader([&] {
    rowsWhenStopped = List().RowCount();
    engineStillThere = m_pFileSystem != nullptr;
  });
  frame_->OnCloseDrive();
  frame_->Session()->RemoveReader(reader);
  EXPECT_EQ(rowsWhenStopped, 0);
  EXPECT_TRUE(engineStillThere);
  EXPECT_EQ(List().RowCount(), 0);
  EXPECT_EQ(List().FileSystemType(), 0);
}

// Without an open drive, updates and double clicks do nothing; the right-click menu needs a row.
TEST_F(RightView, NothingHappensWithoutADriveOrASelection) {
  Drives({});
  List().OnUpdate({-1, false});
  List().OnDblclk();
  EXPECT_EQ(List().RowCount(), 0);
  EXPECT_EQ(List().CreateRowMenu(), nullptr);
  frame_->RunCommand(cmd::kAddQueueBasic);  // no queue window: nothing
  EXPECT_TRUE(sink_.Texts().empty());
}

}  // namespace

namespace {

// The index keeps table order within a parent and follows a table that was replaced.
// Deferred texts come from each row's own bytes, once, and stay where they are while others are
// made; rows without bytes, and fills that ask too late, keep their texts as given.
TEST(FileListModel, DeferredTextsAreMadeWhenFirstReadFromTheRowsOwnBytes) {
  static int made = 0;
  made = 0;
  const LISTDEFERREDTEXTS deferred{1u << kTextCreated | 1u << kTextModified, 2,
                                   [](const std::uint8_t* block, int field) {
                                     ++made;
                                     return std::u16string(field == kTextCreated ? u"c" : u"m") +
                                            static_cast<char16_t>(u'0' + block[0]) +
                                            static_cast<char16_t>(u'0' + block[1]);
                                   }};
  std::array<std::u16string, kListTextCount> texts;
  texts[kTextName] = u"name";
  texts[kTextCreated] = u"given";
  texts[kTextAccessed] = u"accessed";
  CFileListModel model;
  model.BeginFill();
  EXPECT_TRUE(model.DeferTexts(deferred));
  EXPECT_TRUE(model.DeferTexts(deferred));  // asked again the same way
  model.Reserve(3);
  const std::uint8_t first[2] = {1, 2}, third[2] = {7, 8};
  model.Append(texts, {}, first);
  model.Append(texts, {}, nullptr);  // no bytes: its texts as given
  model.Append(texts, {}, third);
  model.EndFill();
  ASSERT_EQ(model.Count(), 3);
  EXPECT_EQ(made, 0);
  const std::u16string_view created = model.Text(0, kTextCreated);
  EXPECT_EQ(created, u"c12");
  EXPECT_EQ(model.Text(2, kTextModified), u"m78");
  EXPECT_EQ(model.Text(2, kTextCreated), u"c78");
  EXPECT_EQ(model.Text(0, kTextCreated), u"c12");
  EXPECT_EQ(made, 3);
  EXPECT_EQ(created, u"c12");  // still valid after other texts were made
  EXPECT_EQ(model.Text(1, kTextCreated), u"given");
  EXPECT_EQ(model.Text(1, kTextModified), u"");
  for (int r : {0, 2}) {
    EXPECT_EQ(model.Text(r, kTextName), u"name");
    EXPECT_EQ(model.Text(r, kTextAccessed), u"accessed");
  }
  // A new fill forgets them; deferring after its first row is refused.
  model.BeginFill();
  model.Append(texts, {}, first);
  EXPECT_FALSE(model.DeferTexts(deferred));
  model.Append(texts, {}, third);
  model.EndFill();
  EXPECT_EQ(model.Text(1, kTextCreated), u"given");
  EXPECT_EQ(made, 3);
}

TEST(NtfsChildIndex, KeepsTableOrderAndFollowsANewTable) {
  auto table = [](std::vector<std::int64_t> parents) {
    std::vector<NTFSFILEENTRY> entries(parents.size());
    for (std::size_t i = 0; i < parents.size(); ++i) {
      entries[i].recordNumber = static_cast<std::int64_t>(100 + i);
      entries[i].parentRecordNumber = parents[i];
    }
    return entries;
  };
  auto children = [](CNtfsChildIndex& index, const std::vector<NTFSFILEENTRY>& entries, std::int64_t parent) {
    std::span<const std::uint32_t> c =
        index.Children(entries.data(), static_cast<std::uint32_t>(entries.size()), parent);
    return std::vector<std::uint32_t>(c.begin(), c.end());
  };
  CNtfsChildIndex index;
  const std::vector<NTFSFILEENTRY> first = table({7, 5, 7, 5, 9, 5, -3});
  EXPECT_EQ(children(index, first, 5), (std::vector<std::uint32_t>{1, 3, 5}));
  EXPECT_EQ(children(index, first, 7), (std::vector<std::uint32_t>{0, 2}));
  EXPECT_EQ(children(index, first, 9), (std::vector<std::uint32_t>{4}));
  EXPECT_EQ(children(index, first, -3), (std::vector<std::uint32_t>{6}));
  EXPECT_TRUE(children(index, first, 8).empty());
  EXPECT_TRUE(children(index, first, 10).empty());
  const std::vector<NTFSFILEENTRY> second = table({9, 9, 5});
  EXPECT_EQ(children(index, second, 9), (std::vector<std::uint32_t>{0, 1}));
  EXPECT_EQ(children(index, second, 5), (std::vector<std::uint32_t>{2}));
  index.Clear();
  EXPECT_TRUE(index.Children(nullptr, 0, 5).empty());
  EXPECT_EQ(children(index, first, 5), (std::vector<std::uint32_t>{1, 3, 5}));
}

// The type cache serves only names whose type follows from their extension alone.
TEST(FileTypeCache, NamesThatOtherPatternsClaimAreNeverCached) {
  shell_test::App();
  CFileTypeCache cache;
  struct Case {
    const char16_t* name;
    bool cached;
  };
  const Case cases[] = {
      {u"photo.jpg", true},        {u"Photo.JPG", true},      {u"noextension", true},
      {u"archive.tar.gz", false},  {u"CMakeLists.txt", false}, {u"Makefile", false},
      {u"a/b.txt", false},
      // Each kind of element a pattern begins or ends with: a literal, a class, a wildcard.
      {u"README.md", false},       {u"readme.md", false},     {u"core", false},
      {u"page.5", false},          {u"page.x", true},         {u"notes~", false},
      {u"file,v", false},          {u"123.vdr", false},       {u"12a.vdr", true},
      {u"cat.txt", true},          {u"f000123.txt", true},    {u"x.anim7", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(cache.Slot(c.name, false) != nullptr, c.cached) << QString::fromUtf16(c.name).toStdString();
  // Extensions differing in case are apart (some patterns tell them apart), and so are folders.
  EXPECT_NE(cache.Slot(u"a.C", false), cache.Slot(u"a.c", false));
  EXPECT_NE(cache.Slot(u"a.txt", true), cache.Slot(u"a.txt", false));
  EXPECT_EQ(cache.Slot(u"a.txt", false), cache.Slot(u"b.txt", false));
}

}  // namespace
