#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTabBar>
#include <QTest>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Pellamor/CommandIds.h"
#include "Pellamor/DLG/CClusterViewer/CClusterViewer.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/DriveSession.h"
#include "Pellamor/FileListModel.h"
#include "Pellamor/LeftView.h"
#include "Pellamor/MainFrame.h"
#include "Pellamor/RightView.h"
#include "controls/JorunListCtrl.h"
#include "controls/ReportCtrl.h"
#include "corvane/filesystem.h"
#include "platform/fault_plan.h"
#include "platform/message.h"
#include "shell_support.h"
#include "tests/modules/module_env.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Fixture;

// What the test reads from the image itself: the boot parameters and FAT 1.
struct Image {
  std::string bytes;
  std::uint32_t bytesPerSector = 0, sectorsPerCluster = 0, reserved = 0, firstData = 0, lastCluster = 0, width = 0;

  explicit Image(const std::string& path) : bytes(testing_support::ReadFile(path)) {
    if (bytes.size() < 512) return;
    bytesPerSector = U16(11);
    sectorsPerCluster = U8(13);
    reserved = U16(14);
    const std::uint32_t fats = U8(16), rootEntries = U16(17);
    const std::uint32_t total = U16(19) ? U16(19) : U32(32);
    const std::uint32_t fatSize = U16(22) ? U16(22) : U32(36);
    firstData = reserved + fats * fatSize + (rootEntries * 32 + bytesPerSector - 1) / bytesPerSector;
    const std::uint32_t clusters = (total - firstData) / sectorsPerCluster;
    lastCluster = clusters + 1;
    width = clusters < 4085 ? 12 : clusters < 65525 ? 16 : 32;
  }
  std::uint32_t U8(std::size_t at) const { return std::uint8_t(bytes[at]); }
  std::uint32_t U16(std::size_t at) const { return U8(at) | U8(at + 1) << 8; }
  std::uint32_t U32(std::size_t at) const { return U16(at) | U16(at + 2) << 16; }
  std::uint32_t Entry(std::uint32_t c) const {
    const std::size_t fat = std::size_t{reserved} * bytesPerSector;
    if (width == 12) {
      const std::uint32_t v = U16(fat + c * 3 / 2);
      return c & 1 ? v >> 4 : v & 0xFFF;
    }
    if (width == 16) return U16(fat + 2 * c);
    return U32(fat + 4 * c) & 0x0FFFFFFF;
  }
  // The allocation text the viewer must show, by the table's own marks.
  QString NextText(std::uint32_t c) const {
    if (c < 2) return QStringLiteral(u"<예약>");
    const std::uint32_t v = Entry(c);
    const std::uint32_t top = width == 12 ? 0xFFF : width == 16 ? 0xFFFF : 0x0FFFFFFF;
    if (v == 0) return QStringLiteral(u"<미사용>");
    if (v >= top - 7) return QStringLiteral(u"<끝>");
    if (v == top - 8) return QStringLiteral(u"<불량>");
    return QString::number(v);
  }
  std::uint32_t ClusterBytes() const { return bytesPerSector * sectorsPerCluster; }
  std::size_t Offset(std::uint32_t c) const {
    return (std::size_t{firstData} + std::size_t{c - 2} * sectorsPerCluster) * bytesPerSector;
  }
};

class ClusterViewerTest : public ::testing::Test {
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
    // Another test of this program may have stood in for the viewer under its name.
    dlg::RegisterTyped<CClusterViewer>("CClusterViewer");
  }
  void TearDown() override {
    frame_.reset();
    drives_.reset();
    EXPECT_EQ(m_pFileSystem, nullptr);
  }
  void OpenImage(const std::string& name) {
    frame_.reset();
    drives_.reset();
    drives_ = std::make_unique<testing_support::ScopedDrives>(std::vector<std::string>{"E=" + Fixture(name)});
    frame_ = std::make_unique<CMainFrame>();
    g_chCurrentDrive = 'E';
    ASSERT_TRUE(frame_->OpenDrive());
    shell_test::WaitFor([&] { return !frame_->GetLeftView()->TreeBuilding(); });
    sink_.Clear();
  }
  // Runs command 32800 and `act` on the viewer it shows, then closes it.
  void WithViewer(const std::function<void(CClusterViewer&)>& act) {
    shell_test::WhenModal<CClusterViewer> when([&](CClusterViewer* v) { act(*v); }, shell_test::ThenClose::kReject);
    EXPECT_TRUE(frame_->RunCommand(cmd::kClusterViewer));
    EXPECT_TRUE(when.Acted()) << "the viewer did not show";
  }
  static std::uint32_t FirstCluster(const std::string& image, const std::string& path) {
    for (const auto& e : testing_support::ProbeList(Fixture(image), true).entries)
      if (e.path == path) return std::uint32_t(e.number);
    return 0;
  }
  static QStringList Row(const CJorunListCtrl& list, int row) {
    QStringList t;
    if (auto* item = list.topLevelItem(row))
      for (int c = 0; c < list.columnCount(); ++c) t << item->text(c);
    return t;
  }

  static inline module_env::StartedModules* modules_ = nullptr;
  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
  std::unique_ptr<testing_support::ScopedDrives> drives_;
  std::unique_ptr<CMainFrame> frame_;
};

TEST_F(ClusterViewerTest, ListsEveryClusterWithItsTableTextAsTheImageHoldsIt) {
  for (const char* name : {"fat12.img", "fat16.img", "fat32.img", "fat32_badmark.img"}) {
    SCOPED_TRACE(name);
    REQUIRE_FIXTURE(name);
    const Image image(Fixture(name));
    ASSERT_GT(image.lastCluster, 1000u);
    OpenImage(name);
    WithViewer([&](CClusterViewer& v) {
      CReportCtrl& report = *v.Report();
      EXPECT_EQ(report.GetItemCount(), int(image.lastCluster) + 1);
      EXPECT_EQ(v.focusWidget(), &report);
      EXPECT_EQ(v.windowTitle(), QStringLiteral(u"(E:) 드라이브 - 클러스터 0"));
      std::vector<std::uint32_t> clusters = {0, 1, 1000, image.lastCluster - 1, image.lastCluster};
      for (std::uint32_t c = 2; c < 80; ++c) clusters.push_back(c);
      QStringList seen;
      for (std::uint32_t c : clusters) {
        EXPECT_EQ(report.GetItemText(int(c), 0), QString::number(c));
        EXPECT_EQ(report.GetItemText(int(c), 1), image.NextText(c)) << "cluster " << c;
        seen << report.GetItemText(int(c), 1);
      }
      EXPECT_TRUE(seen.contains(QStringLiteral(u"<끝>")));
      EXPECT_TRUE(seen.contains(QStringLiteral(u"<미사용>")));
      EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](const QString& t) {
        bool number = false;
        t.toUInt(&number);
        return number;
      })) << "no link to a next cluster";
      EXPECT_EQ(seen.contains(QStringLiteral(u"<불량>")), std::string(name) == "fat32_badmark.img");
      if (std::string(name) == "fat32_badmark.img") {
        EXPECT_EQ(report.GetItemText(1000, 1), QStringLiteral(u"<불량>"));
      }

      // Rows 0 and 1 read nothing and say nothing; the last row shows its cluster.
      for (int row : {0, 1}) {
        v.ChooseRow(row);
        EXPECT_EQ(v.CurrentCluster(), std::uint32_t(row));
        EXPECT_EQ(v.List()->topLevelItemCount(), 0);
      }
      QTest::keyClick(&report, Qt::Key_End);
      EXPECT_EQ(v.CurrentRow(), int(image.lastCluster));
      EXPECT_EQ(v.windowTitle(), QStringLiteral(u"(E:) 드라이브 - 클러스터 %1").arg(image.lastCluster));
      EXPECT_EQ(v.List()->topLevelItemCount(), int(std::min<std::uint32_t>(image.ClusterBytes(), 2048) / 16));
      EXPECT_TRUE(sink_.Texts().empty());
    });
  }
}

TEST_F(ClusterViewerTest, AFilesFirstClusterShowsAsTheImageBytesInHexAndText) {
  struct Case {
    const char* image;
    int rows;
  } cases[] = {{"fat12.img", 32}, {"fat16.img", 128}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.image);
    REQUIRE_FIXTURE(c.image);
    const Image image(Fixture(c.image));
    const std::uint32_t first = FirstCluster(c.image, "/MULTI.BIN");
    ASSERT_GE(first, 2u);
    OpenImage(c.image);
    WithViewer([&](CClusterViewer& v) {
      v.ChooseRow(int(first));
      EXPECT_TRUE(v.Report()->IsItemSelected(int(first)));
      const CJorunListCtrl& list = *v.List();
      ASSERT_EQ(list.topLevelItemCount(), c.rows);
      EXPECT_EQ(list.headerItem()->text(1), QStringLiteral(u"16진수 데이터"));
      for (int r = 0; r < c.rows; ++r) {
        QString hex, text;
        for (int i = 0; i < 16; ++i) {
          const auto b = std::uint8_t(image.bytes[image.Offset(first) + std::size_t(r) * 16 + std::size_t(i)]);
          hex += QString::asprintf("%02X ", b);
          text += b >= 0x20 && b <= 0x7E ? QChar(char16_t(b)) : QChar(u'.');
        }
        ASSERT_EQ(Row(list, r), (QStringList{QString::asprintf("%04X", unsigned(r * 16)), hex, text})) << r;
      }
      // The text page: the same bytes, a row for each line.
      v.RightTabs()->setCurrentIndex(CClusterViewer::kTextPage);
      const std::string shown = image.bytes.substr(image.Offset(first), std::min<std::size_t>(image.ClusterBytes(), 2048));
      QStringList lines = QString::fromLatin1(shown).split(QLatin1Char('\n'));
      if (lines.back().isEmpty()) lines.removeLast();
      ASSERT_GT(lines.size(), 1);
      ASSERT_EQ(list.topLevelItemCount(), lines.size());
      for (int r = 0; r < lines.size(); ++r) EXPECT_EQ(list.topLevelItem(r)->text(0), lines[r]);
      EXPECT_TRUE(sink_.Texts().empty());
    });
  }
}

TEST_F(ClusterViewerTest, TheDirectoryPageListsAFolderClusterAsTheFileListDoes) {
  REQUIRE_FIXTURE("fat16.img");
  const std::uint32_t sub = FirstCluster("fat16.img", "/SUB");
  ASSERT_GE(sub, 2u);
  OpenImage("fat16.img");
  // The file list's texts of the folder's entries.
  ASSERT_TRUE(ReadDirectory(sub));
  CRightView& files = *frame_->GetRightView();
  ASSERT_TRUE(files.AddListItem_FAT());
  std::map<QString, QStringList> expected;
  for (int r = 0; r < files.RowCount(); ++r) {
    const CFileListModel& m = *files.Model();
    expected[m.QText(r, kTextName)] = {m.QText(r, kTextName),     m.QText(r, kTextCluster),  m.QText(r, kTextSize),
                                       m.QText(r, kTextCreated),  m.QText(r, kTextAccessed), m.QText(r, kTextModified),
                                       m.QText(r, kTextAttributes)};
  }
  for (const char* name : {"DEEP", "INNER.TXT", "#2.BIN"}) ASSERT_TRUE(expected.count(QString::fromLatin1(name))) << name;

  WithViewer([&](CClusterViewer& v) {
    v.RightTabs()->setCurrentIndex(CClusterViewer::kDirectoryPage);
    v.ChooseRow(int(sub));
    const CJorunListCtrl& list = *v.List();
    EXPECT_EQ(list.columnCount(), 7);
    EXPECT_EQ(list.headerItem()->text(6), QStringLiteral(u"속성"));
    QStringList names;
    for (int r = 0; r < list.topLevelItemCount(); ++r) {
      const QStringList row = Row(list, r);
      names << row.front();
      if (expected.count(row.front())) { EXPECT_EQ(row, expected[row.front()]); }
    }
    // Directory order, "." and ".." first.
    ASSERT_GE(names.size(), 5);
    EXPECT_EQ(names.mid(0, 2), (QStringList{QStringLiteral("."), QStringLiteral("..")}));
    for (const char* name : {"DEEP", "INNER.TXT", "#2.BIN"}) EXPECT_TRUE(names.contains(QString::fromLatin1(name))) << name;
    EXPECT_TRUE(sink_.Texts().empty());
    gui_test::SaveShot(v, QStringLiteral("cluster_viewer_directory"));
    v.RightTabs()->setCurrentIndex(CClusterViewer::kHexPage);
    QApplication::processEvents();
    gui_test::SaveShot(v, QStringLiteral("cluster_viewer_hex"));
  });
}

TEST_F(ClusterViewerTest, AFailedReadLeavesTheRightViewEmptyWithoutAMessage) {
  REQUIRE_FIXTURE("fat16.img");
  const Image image(Fixture("fat16.img"));
  const std::uint32_t first = FirstCluster("fat16.img", "/MULTI.BIN");
  ASSERT_GE(first, 2u);
  OpenImage("fat16.img");
  platform::ScopedFaultPlan plan;
  platform::FaultPlan::FailReadAt(image.Offset(first) + 100);
  WithViewer([&](CClusterViewer& v) {
    v.ChooseRow(int(first));
    EXPECT_TRUE(v.Data().empty());
    EXPECT_EQ(v.List()->topLevelItemCount(), 0);
    v.ChooseRow(int(first) + 1);  // its neighbour reads
    EXPECT_EQ(v.List()->topLevelItemCount(), 128);
    EXPECT_GE(platform::FaultPlan::FailedReads(), 1u);
    EXPECT_TRUE(sink_.Texts().empty());
  });
}

TEST_F(ClusterViewerTest, ClosingTheDriveClosesTheViewer) {
  REQUIRE_FIXTURE("fat12.img");
  OpenImage("fat12.img");
  bool closed = false;
  WithViewer([&](CClusterViewer& v) {
    QObject::connect(&v, &QDialog::finished, [&] { closed = true; });
    frame_->Session()->Close();
    EXPECT_TRUE(closed);
    EXPECT_EQ(v.Report()->GetItemCount(), 0);
  });
  EXPECT_TRUE(closed);
}

TEST_F(ClusterViewerTest, TheRememberedRowOpensTheViewerThere) {
  REQUIRE_FIXTURE("fat12.img");
  OpenImage("fat12.img");
  const CClusterViewer::Args args = CClusterViewer::ArgsFrom({5});
  EXPECT_EQ(args.row, 5);
  EXPECT_EQ(CClusterViewer::ArgsFrom({}).row, -1);
  CClusterViewer viewer(nullptr, args);
  EXPECT_EQ(viewer.CurrentRow(), 5);
  EXPECT_TRUE(viewer.Report()->IsItemSelected(5));
  EXPECT_EQ(viewer.windowTitle(), QStringLiteral(u"(E:) 드라이브 - 클러스터 5"));
  viewer.LeftTabs()->setCurrentIndex(1);
  EXPECT_EQ(viewer.windowTitle(), QStringLiteral(u"클러스터 보기"));
}

}  // namespace
