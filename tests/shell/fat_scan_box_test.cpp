#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTreeWidget>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Pellamor/App.h"
#include "Pellamor/AppRecords.h"
#include "Pellamor/CommandIds.h"
#include "Pellamor/DLG/CDlgScanBox_FAT/CDlgScanBox_FAT.h"
#include "Pellamor/DLG/CPropertyEditDlg/CPropertyEditDlg.h"
#include "Pellamor/DLG/CPropertyEditDlg/PropertyTexts.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/DriveSession.h"
#include "Pellamor/LeftView.h"
#include "Pellamor/MainFrame.h"
#include "Pellamor/RightView.h"
#include "corvane/filesystem.h"
#include "platform/message.h"
#include "shell_support.h"
#include "tests/modules/module_env.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Fixture;

class FakeQueue : public QWidget, public IQueueWindow {
 public:
  explicit FakeQueue(QWidget* parent) : QWidget(parent, Qt::Window) {}
  void AddItem(const std::u16string&, int, std::uint64_t, int, std::uint32_t, int, const std::u16string&,
               double) override {}
  void UpdateCounters() override {}
  bool IsRunning() const override { return running; }
  bool running = false;
};

// One line of `engine_probe list`.
struct Listed {
  std::string path;
  bool deleted;
  bool folder;
  std::uint64_t size;
  std::uint32_t cluster;
};

std::vector<Listed> ProbeList(const std::string& image) {
  const auto listing = testing_support::ProbeList(image);
  std::vector<Listed> out;
  if (listing.exitCode != 0) return out;
  for (const auto& e : listing.entries)
    out.push_back({e.path, e.deleted, e.folder, e.size, static_cast<std::uint32_t>(e.number)});
  return out;
}

std::vector<std::string> ProbeProps(const std::string& image, const std::string& path) {
  auto r = testing_support::Run(testing_support::BinDir() + "/engine_probe props E: '" + path + "' --drive E=" + image);
  if (r.exitCode != 0) return {};
  auto lines = testing_support::Lines(r.out);
  return lines.empty() ? std::vector<std::string>{} : testing_support::Fields(lines.front());
}

class FatScanBox : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { modules_ = new module_env::StartedModules; }
  static void TearDownTestSuite() {
    delete modules_;
    modules_ = nullptr;
  }
  void SetUp() override {
    shell_test::App();
    ASSERT_TRUE(modules_->ok());
    dlg::RegisterAllDialogs();
    CMainFrame::SetQueueWindowFactory([this](QWidget* parent) {
      queue_ = new FakeQueue(parent);
      return queue_;
    });
  }
  void TearDown() override {
    CPropertyEditDlg::SetBeforeFillHook({});
    frame_.reset();
    drives_.reset();
    CMainFrame::SetQueueWindowFactory({});
    EXPECT_EQ(m_pFileSystem, nullptr);
  }
  void Drives(const std::vector<std::string>& sources) {
    frame_.reset();
    drives_.reset();
    drives_ = std::make_unique<testing_support::ScopedDrives>(sources);
    frame_ = std::make_unique<CMainFrame>();
  }
  bool Open(char letter) {
    g_chCurrentDrive = letter;
    bool ok = frame_->OpenDrive();
    shell_test::WaitFor([&] { return !frame_->GetLeftView()->TreeBuilding(); });
    return ok;
  }
  CRightView& List() { return *frame_->GetRightView(); }
  int RowNamed(const QString& name) {
    for (int r = 0; r < List().RowCount(); ++r)
      if (List().Model()->QText(r, kTextName) == name) return r;
    return -1;
  }
  static QStringList Texts(const CPropertyEditDlg& d) {
    QStringList t;
    for (int id : kPropertyControls) t << d.Edit(id)->text();
    return t;
  }

  static inline module_env::StartedModules* modules_ = nullptr;
  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
  std::unique_ptr<testing_support::ScopedDrives> drives_;
  std::unique_ptr<CMainFrame> frame_;
  FakeQueue* queue_ = nullptr;
};

TEST_F(FatScanBox, ListsTheRootAsTheProbeDoesAfterClosingTheOpenDrive) {
  REQUIRE_FIXTURE("fat16.img");
  const std::string image = Fixture("fat16.img");
  std::vector<Listed> root;
  for (const Listed& l : ProbeList(image))
    if (l.path.find('/', 1) == std::string::npos) root.push_back(l);
  ASSERT_GT(root.size(), 10u);

  Drives({"E=" + image});
  ASSERT_TRUE(Open('E'));
  ASSERT_GT(List().RowCount(), 0);
  bool shown = false;
  shell_test::WhenModal<CDlgScanBox_FAT> act([&](CDlgScanBox_FAT* dialog) {
    CDlgScanBox_FAT& box = *dialog;
    shown = true;
    // The drive of tree, list and queue went before the box read the volume.
    EXPECT_FALSE(frame_->Session()->IsOpen());
    EXPECT_EQ(List().RowCount(), 0);
    EXPECT_EQ(List().QueueWindow(), nullptr);
    EXPECT_EQ(box.FileSystemType(), 2);
    QTreeWidget* list = box.List();
    ASSERT_EQ(list->topLevelItemCount(), static_cast<int>(root.size()));
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
      EXPECT_EQ("/" + list->topLevelItem(i)->text(0).toStdString(), root[i].path);
      EXPECT_EQ(list->topLevelItem(i)->text(1).toStdU16String(),
                FormatSizeText(static_cast<double>(root[i].size), 2, 0, 0, 0))
          << root[i].path;
    }
    for (int id = 1378; id <= 1381; ++id) EXPECT_TRUE(box.CountEdit(id)->text().isEmpty());
    shell_test::SaveShot(box, "fat_scan_box");
  }, shell_test::ThenClose::kReject);
  EXPECT_EQ(frame_->RunDialog("CDlgScanBox_FAT", 'E'), 0);
  EXPECT_TRUE(shown);
  // Everything the box read went with it.
  EXPECT_EQ(m_pFileSystem, nullptr);
  EXPECT_EQ(g_pFatDirEntries, nullptr);
  EXPECT_TRUE(sink_.Texts().empty());
}

// The box's volume is the drive session's: opening it stops the session's readers and closes the
// open drive first, and the session frees it when the box goes.
TEST_F(FatScanBox, OpensItsVolumeThroughTheSessionAfterStoppingItsReaders) {
  REQUIRE_FIXTURE("fat16.img");
  Drives({"E=" + Fixture("fat16.img")});
  ASSERT_TRUE(Open('E'));
  CDriveSession* session = frame_->Session();
  FILESYSTEMOBJ* drive = session->FileSystem();
  ASSERT_NE(drive, nullptr);
  int stops = 0;
  FILESYSTEMOBJ* atStop = nullptr;
  const int reader = session->AddReader([&] {
    ++stops;
    atStop = m_pFileSystem;
  });
  {
    CDlgScanBox_FAT box('E');
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(atStop, drive);  // stopped while the drive's volume was still there
    EXPECT_FALSE(session->IsOpen());
    ASSERT_NE(session->PrivateVolume(), nullptr);
    EXPECT_EQ(m_pFileSystem, session->PrivateVolume());
    EXPECT_EQ(box.FileSystemType(), 2);
    EXPECT_GT(box.List()->topLevelItemCount(), 10);
  }
  session->RemoveReader(reader);
  EXPECT_EQ(session->PrivateVolume(), nullptr);
  EXPECT_EQ(m_pFileSystem, nullptr);
  EXPECT_EQ(g_pFatDirEntries, nullptr);
  // The session opens a drive as before afterwards.
  EXPECT_TRUE(Open('E'));
  EXPECT_GT(List().RowCount(), 0);
}

TEST_F(FatScanBox, RefusedWhileTheQueueSaves) {
  REQUIRE_FIXTURE("fat16.img");
  Drives({"E=" + Fixture("fat16.img")});
  ASSERT_TRUE(Open('E'));
  ASSERT_NE(queue_, nullptr);
  queue_->running = true;
  const int rows = List().RowCount();
  EXPECT_EQ(frame_->RunDialog("CDlgScanBox_FAT", 'E'), 0);
  EXPECT_TRUE(sink_.Saw(u"복구가 진행 중에 있습니다."));
  EXPECT_TRUE(frame_->Session()->IsOpen());
  EXPECT_EQ(List().RowCount(), rows);
  EXPECT_EQ(List().QueueWindow(), queue_);
  queue_->running = false;
}

TEST_F(FatScanBox, OtherVolumesAndMissingDrivesListNothing) {
  struct Case {
    const char* image;  // null: no drive at that letter
  };
  for (const Case& c : {Case{"ntfs_512.img"}, Case{"exfat.img"}, Case{nullptr}}) {
    if (c.image && !testing_support::FixtureExists(c.image)) continue;
    SCOPED_TRACE(c.image ? c.image : "none");
    std::vector<std::string> sources;
    if (c.image) sources.push_back(std::string("E=") + Fixture(c.image));
    Drives(sources);
    {
      CDlgScanBox_FAT box('E');
      EXPECT_EQ(box.FileSystemType(), 0);
      EXPECT_EQ(box.List()->topLevelItemCount(), 0);
    }
    EXPECT_EQ(m_pFileSystem, nullptr);
    sink_.Clear();
  }
}

TEST(FatPropertyFigures, AllocatedSizeRoundsUpToWholeClustersIn64Bits) {
  struct Case {
    std::uint64_t size, cluster, expected;
  } cases[] = {
      {0, 2048, 0},
      {1, 2048, 2048},
      {2048, 2048, 2048},
      {2049, 2048, 4096},
      {0xFFFFFFFFull, 2048, 0x100000000ull},
      {0xFFFFFFFFull, 32768, 0x100000000ull},
      {0xFFFFFFF0ull, 512, 0x100000000ull},
  };
  for (const Case& c : cases) EXPECT_EQ(AllocatedBytes(c.size, c.cluster), c.expected) << c.size << " / " << c.cluster;
}

// Opens the drive, selects the row and runs the frame's property check; the texts once filled.
TEST_F(FatScanBox, PropertyTextsOverFat12Fat16AndFat32) {
  struct Image {
    const char* name;
    std::uint64_t cluster;
  };
  struct Entry {
    const char* path;       // as the list verb prints it
    const char* rowName;    // the list row
    const char* chainText;  // 1432
  };
  const Image images[] = {{"fat12.img", 512}, {"fat16.img", 2048}, {"fat32.img", 512}};
  const Entry entries[] = {
      {"/ZERO.BIN", "ZERO.BIN", "0"},     // no cluster
      {"/SMALL.TXT", "SMALL.TXT", "1"},   // one cluster
      {"/MULTI.BIN", "MULTI.BIN", "6"},   // five clusters and a half
      {"/FRAG.BIN", "FRAG.BIN", "3"},     // split by a freed gap
      {"/#EL1.TXT", nullptr, "0"},        // deleted: its chain was freed
  };
  for (const Image& img : images) {
    if (!testing_support::FixtureExists(img.name)) continue;
    SCOPED_TRACE(img.name);
    const std::string image = Fixture(img.name);
    std::map<std::string, Listed> listed;
    for (const Listed& l : ProbeList(image)) listed[l.path] = l;
    Drives({"E=" + image});
    ASSERT_TRUE(Open('E'));
    frame_->show();
    frame_->activateWindow();
    shell_test::WaitFor([&] { return frame_->isActiveWindow(); }, 5000);
    for (const Entry& e : entries) {
      SCOPED_TRACE(e.path);
      ASSERT_TRUE(listed.count(e.path));
      const Listed& l = listed[e.path];
      // The deleted row's name is the module's; find it by its cluster and size.
      int row = -1;
      if (e.rowName) {
        row = RowNamed(e.rowName);
      } else {
        for (int r = 0; r < List().RowCount(); ++r)
          if (List().Model()->Keys(r).deleted && List().Model()->Keys(r).firstCluster == l.cluster &&
              List().Model()->Keys(r).byteSize == static_cast<double>(l.size))
            row = r;
      }
      ASSERT_GE(row, 0);
      if (!frame_->isActiveWindow()) frame_->activateWindow();
      List().SelectOwnerRows({row});
      List().setFocus();
      ASSERT_TRUE(shell_test::WaitFor([&] { return List().hasFocus(); }, 5000));

      QStringList texts;
      shell_test::WhenModal<CPropertyEditDlg> act([&](CPropertyEditDlg* dialog) {
        CPropertyEditDlg& d = *dialog;
        EXPECT_EQ(d.EntryIndex(), static_cast<int>(List().Model()->Keys(row).entryIndex));
        ASSERT_TRUE(shell_test::WaitFor([&] { return d.Filled(); }));
        texts = Texts(d);
        if (std::string(e.path) == "/MULTI.BIN") shell_test::SaveShot(d, QString::fromStdString(std::string("fat_property_") + img.name));
      }, shell_test::ThenClose::kReject);
      // The frame's command hands over the entry behind the one selected row.
      ASSERT_TRUE(frame_->RunCommand(cmd::kPropertyCheck));
      ASSERT_EQ(texts.size(), 12);
      EXPECT_EQ(texts[7], QString::number(l.cluster));
      EXPECT_EQ(texts[8], QString::number(img.cluster));
      EXPECT_TRUE(texts[9].endsWith(QStringLiteral(" (%1)").arg(l.size))) << texts[9].toStdString();
      const std::uint64_t whole = (l.size + img.cluster - 1) / img.cluster * img.cluster;
      EXPECT_EQ(texts[10], QString::number(whole));
      EXPECT_EQ(texts[11], QString::fromLatin1(e.chainText));
      EXPECT_TRUE(texts[2].isEmpty());
      EXPECT_FALSE(texts[0].isEmpty());
      EXPECT_FALSE(texts[4].isEmpty());
      // The probe's routine gives the same texts.
      const std::vector<std::string> probe = ProbeProps(image, e.path);
      ASSERT_EQ(probe.size(), 12u);
      for (int i = 0; i < 12; ++i) EXPECT_EQ(texts[i].toStdString(), probe[i]) << kPropertyControls[i];
    }
    EXPECT_TRUE(sink_.Texts().empty());
  }
}

TEST_F(FatScanBox, ClosingTheBoxOrTheDriveMidCountJoinsTheWorker) {
  REQUIRE_FIXTURE("fat16.img");
  Drives({"E=" + Fixture("fat16.img")});
  ASSERT_TRUE(Open('E'));
  const int row = RowNamed("MULTI.BIN");
  ASSERT_GE(row, 0);
  const int index = static_cast<int>(List().Model()->Keys(row).entryIndex);

  std::atomic<bool> started{false}, ended{false};
  CPropertyEditDlg::SetBeforeFillHook([&] {
    started = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ended = true;
  });

  // The box closes while the worker counts: the close waits for it, nothing is handed over.
  bool endedAtClose = false;
  {
    CPropertyEditDlg dialog(index);
    dialog.show();
    ASSERT_TRUE(shell_test::WaitFor([&] { return started.load(); }));
    dialog.reject();
    endedAtClose = ended;
    QApplication::processEvents();
    EXPECT_FALSE(dialog.Filled());
    EXPECT_TRUE(dialog.Edit(1432)->text().isEmpty());
  }
  EXPECT_TRUE(endedAtClose);

  // The drive closes while the worker counts: the session joins it before freeing the tables.
  started = false;
  ended = false;
  auto* dialog = new CPropertyEditDlg(index);
  dialog->show();
  ASSERT_TRUE(shell_test::WaitFor([&] { return started.load(); }));
  frame_->OnCloseDrive();
  EXPECT_TRUE(ended.load());
  QApplication::processEvents();
  EXPECT_FALSE(dialog->Filled());
  delete dialog;
}

}  // namespace
