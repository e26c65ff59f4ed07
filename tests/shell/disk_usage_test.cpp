#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Pellamor/DLG/CDlgDiskUsageBox/CDlgDiskUsageBox.h"
#include "Pellamor/DLG/Dialogs.h"
#include "controls/PieProgress.h"
#include "platform/message.h"
#include "shared/DialogHeaderCtrl.h"
#include "shell_support.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Fixture;

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

const char16_t* kReason =
    u"다음의 이유로 디스크 사용량을 확인할 수 없습니다.\r\n\n"
    u"- 사용중인 운영체제에서 지원하지 않는 미디어/파일시스템 형식       \r\n"
    u"- 디스크가 드라이브에 들어 있지 않음 (CD/DVD 형식)\r\n"
    u"- 부트영역이 손상됨";

// Figures fed per letter; a letter without figures cannot be measured. Every call is counted.
struct FedSpace {
  struct Figures {
    std::uint64_t total;
    std::uint64_t free;
  };
  FedSpace() {
    CDlgDiskUsageBox::SetSpaceSource([this](char letter, std::uint64_t* total, std::uint64_t* free) {
      calls.push_back(letter);
      auto it = figures.find(letter);
      if (it == figures.end()) return false;
      *total = it->second.total;
      *free = it->second.free;
      return true;
    });
  }
  ~FedSpace() { CDlgDiskUsageBox::SetSpaceSource({}); }
  std::map<char, Figures> figures;
  std::vector<char> calls;
};

QString Field(const CDlgDiskUsageBox& box, int id) { return box.Field(id)->text(); }

class DiskUsageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shell_test::App();
    dlg::RegisterAllDialogs();
  }
  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
};

TEST_F(DiskUsageTest, TheBoxShowsItsFrameAndTheFixedTexts) {
  testing_support::ScopedDrives none({});
  CDlgDiskUsageBox box;
  box.show();
  EXPECT_EQ(box.Header()->Title(), QString::fromUtf16(u"디스크 사용량 관리 도구"));
  EXPECT_EQ(box.Header()->Description(), QString::fromUtf16(u"디스크 사용량, 여유공간을 파이그래프로 출력합니다.."));
  EXPECT_FALSE(box.Header()->Icon().isNull());
  EXPECT_EQ(box.windowTitle(), QString::fromUtf16(u"디스크 사용량 관리 도구"));
  EXPECT_EQ(box.OkButton()->text(), QString::fromUtf16(u"확인"));
  EXPECT_EQ(box.CancelButton()->text(), QString::fromUtf16(u"취소"));
  EXPECT_TRUE(box.OkButton()->isDefault());
  for (int id : {1198, 1201, 1202, 1203, 1204, 1205, 1206}) EXPECT_TRUE(Field(box, id).isEmpty()) << id;
  // The pie starts at 10 in 0..100; free space magenta, used blue, as the swatches beside the texts.
  EXPECT_EQ(box.Pie()->m_nPos, 10);
  EXPECT_EQ(box.Pie()->Percent(), 10);
  EXPECT_EQ(box.Pie()->m_crFirst, QColor(255, 0, 255));
  EXPECT_EQ(box.Pie()->m_crSecond, QColor(0, 0, 255));
  EXPECT_EQ(box.Swatch(1190)->palette().color(QPalette::Window), QColor(0, 0, 255));
  EXPECT_EQ(box.Swatch(1191)->palette().color(QPalette::Window), QColor(255, 0, 255));
  EXPECT_EQ(box.Swatch(1190)->text(), QString(9, QLatin1Char(' ')));
  EXPECT_TRUE(box.Swatch(1190)->autoFillBackground());
  EXPECT_TRUE(shell_test::WaitFor([&] { return box.ListReady(); }));
  EXPECT_EQ(box.DriveList()->count(), 0);
}

// One box through a row of drives: each figure set replaces the last one completely.
TEST_F(DiskUsageTest, EachDriveShowsItsOwnFiguresAndPie) {
  FedSpace space;
  const std::uint64_t half = kMax / 2;
  space.figures = {{'C', {100, 25}},       {'D', {100, 50}},        {'E', {200ull << 20, 0}},
                   {'G', {kMax, half}},    {'H', {kMax, kMax}},     {'I', {0, 0}},
                   {'J', {3ull << 30, 1ull << 30}}};
  struct Step {
    char letter;
    int shown;
    int pie;  // -1: nothing drawn
    const char* used;
    const char* free;
    const char* total;
  };
  const Step steps[] = {
      {'C', 1, 25, "75", "25", "100"},
      {'D', 1, 50, "50", "50", "100"},
      {'E', 1, 0, "209715200", "0", "209715200"},  // full: 0 % free, not the previous pie
      {'J', 1, 33, "2147483648", "1073741824", "3221225472"},
      {'X', 0, -1, nullptr, nullptr, nullptr},  // a failure after a success: nothing of J stays
      {'G', 1, 49, "9223372036854775808", "9223372036854775807", "18446744073709551615"},
      {'H', 1, 100, "0", "18446744073709551615", "18446744073709551615"},
      {'I', 1, -1, "0", "0", "0"},  // no size: no pie
  };
  CDlgDiskUsageBox box;
  box.show();
  for (const Step& s : steps) {
    SCOPED_TRACE(s.letter);
    sink_.Clear();
    EXPECT_EQ(box.ShowDrive(s.letter), s.shown);
    EXPECT_EQ(box.Letter(), s.letter);
    EXPECT_EQ(Field(box, 1198), QString(QLatin1Char(s.letter)));
    EXPECT_EQ(box.windowTitle(), QString::fromUtf16(u"디스크 사용량 관리자 - (%1:)").arg(QLatin1Char(s.letter)));
    EXPECT_EQ(box.Pie()->Percent(), s.pie);
    if (!s.shown) {
      EXPECT_EQ(sink_.Texts(), std::vector<std::u16string>{kReason});
      for (int id = 1201; id <= 1206; ++id) EXPECT_TRUE(Field(box, id).isEmpty()) << id;
      continue;
    }
    EXPECT_TRUE(sink_.Texts().empty());
    auto bytes = [](const char* n) { return QString::fromLatin1(n) + QString::fromUtf16(u" 바이트"); };
    auto mb = [](const char* n) { return QString::number(QString::fromLatin1(n).toULongLong() >> 20) + " MB"; };
    EXPECT_EQ(Field(box, 1201), bytes(s.used));
    EXPECT_EQ(Field(box, 1202), bytes(s.free));
    EXPECT_EQ(Field(box, 1203), mb(s.used));
    EXPECT_EQ(Field(box, 1204), mb(s.free));
    EXPECT_EQ(Field(box, 1205), bytes(s.total));
    EXPECT_EQ(Field(box, 1206), mb(s.total));
    if (s.letter == 'J') {
      EXPECT_EQ(Field(box, 1203), QStringLiteral("2048 MB"));
      box.ShowDrive('C');
      gui_test::Settle();
      shell_test::SaveShot(box, QStringLiteral("disk_usage"));
      box.ShowDrive('J');
    }
  }
}

TEST_F(DiskUsageTest, TheListNamesEveryDriveAndTheFirstEntryCanBeChosen) {
  REQUIRE_FIXTURE("base_fat16.img");
  REQUIRE_FIXTURE("base_ntfs.img");
  testing_support::ScopedDrives drives({"F=" + Fixture("base_ntfs.img"), "E=" + Fixture("base_fat16.img")});
  FedSpace space;
  space.figures = {{'E', {1000, 100}}, {'F', {1000, 900}}};
  CDlgDiskUsageBox box;
  box.show();
  ASSERT_TRUE(shell_test::WaitFor([&] { return box.ListReady(); }));
  QComboBox* list = box.DriveList();
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->itemText(0), QString::fromUtf16(u"(E:) 로컬디스크/플래시드라이브"));
  EXPECT_EQ(list->itemText(1), QString::fromUtf16(u"(F:) 로컬디스크/플래시드라이브"));
  // No entry is current after the fill, so choosing the first one shows it.
  EXPECT_EQ(list->currentIndex(), -1);
  EXPECT_TRUE(space.calls.empty());
  list->setCurrentIndex(0);
  EXPECT_EQ(space.calls, std::vector<char>{'E'});
  EXPECT_EQ(box.Letter(), 'E');
  EXPECT_EQ(box.Pie()->Percent(), 10);
  list->setCurrentIndex(1);
  EXPECT_EQ(box.Letter(), 'F');
  EXPECT_EQ(box.Pie()->Percent(), 90);
}

TEST_F(DiskUsageTest, TheRunnersLetterIsShownAtOnceAndItsEntryBecomesCurrent) {
  REQUIRE_FIXTURE("base_fat16.img");
  REQUIRE_FIXTURE("base_ntfs.img");
  testing_support::ScopedDrives drives({"E=" + Fixture("base_fat16.img"), "F=" + Fixture("base_ntfs.img")});
  EXPECT_EQ(CDlgDiskUsageBox::ArgsFrom({}).letter, 0);
  EXPECT_EQ(CDlgDiskUsageBox::ArgsFrom({QString()}).letter, 0);
  EXPECT_EQ(CDlgDiskUsageBox::ArgsFrom({0}).letter, 0);
  const QVariantList givens[] = {{QStringLiteral("F")}, {QStringLiteral("F:\\")}, {static_cast<int>('F')}};
  for (const QVariantList& given : givens) {
    SCOPED_TRACE(given.front().toString().toStdString());
    FedSpace space;
    space.figures = {{'F', {400, 100}}};
    bool acted = false;
    shell_test::WhenModal<CDlgDiskUsageBox> act(
        [&](CDlgDiskUsageBox* box) {
          acted = true;
          // Shown before the list arrives (the list can still be on its way here).
          EXPECT_EQ(box->Letter(), 'F');
          EXPECT_EQ(box->Field(1198)->text(), QStringLiteral("F"));
          EXPECT_EQ(box->Pie()->Percent(), 25);
          ASSERT_TRUE(shell_test::WaitFor([&] { return box->ListReady(); }));
          EXPECT_EQ(box->DriveList()->currentText(), QString::fromUtf16(u"(F:) 로컬디스크/플래시드라이브"));
          EXPECT_EQ(space.calls, std::vector<char>{'F'});  // measured once
          box->accept();
        });
    EXPECT_EQ(dlg::RunDialogArgs("CDlgDiskUsageBox", given), 1);
    EXPECT_TRUE(acted);
  }
  // None given: nothing is measured and no entry is current.
  FedSpace space;
  shell_test::WhenModal<CDlgDiskUsageBox> act(
      [&](CDlgDiskUsageBox* box) {
        ASSERT_TRUE(shell_test::WaitFor([&] { return box->ListReady(); }));
        EXPECT_EQ(box->DriveList()->currentIndex(), -1);
        EXPECT_EQ(box->Letter(), 0);
      },
      shell_test::ThenClose::kReject);
  EXPECT_EQ(dlg::RunDialog("CDlgDiskUsageBox", 0), 0);
  EXPECT_TRUE(act.Acted());
  EXPECT_TRUE(space.calls.empty());
}

TEST_F(DiskUsageTest, ClosingWhileTheWorkerListsWaitsForItAndDropsItsList) {
  std::atomic<bool> listing{false};
  std::atomic<bool> done{false};
  CDlgDiskUsageBox::SetListSource([&] {
    listing = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    done = true;
    return QStringList{QStringLiteral("(E:) x")};
  });
  {
    auto* box = new CDlgDiskUsageBox;
    box->show();
    ASSERT_TRUE(shell_test::WaitFor([&] { return listing.load(); }));
    box->reject();
    delete box;
    EXPECT_TRUE(done);  // joined before the box went
  }
  gui_test::Settle();  // a late delivery would reach a freed box here
  CDlgDiskUsageBox::SetListSource({});
}

// Where the root file system comes from a block device this test can read, a letter mapped to that
// device shows the figures of its mount point.
TEST_F(DiskUsageTest, AMountedDeviceShowsTheFiguresOfItsMountPoint) {
  std::ifstream mounts("/proc/self/mounts");
  std::string line, device;
  while (std::getline(mounts, line)) {
    std::istringstream fields(line);
    std::string source, target;
    if (fields >> source >> target && target == "/") device = source;
  }
  if (device.rfind("/dev/", 0) != 0) GTEST_SKIP() << "/ is not mounted from a device node: " << device;
  const int fd = ::open(device.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) GTEST_SKIP() << "cannot read " << device;
  ::close(fd);
  testing_support::ScopedDrives drives({"R=" + device});
  struct statvfs sv {};
  ASSERT_EQ(statvfs("/", &sv), 0);
  CDlgDiskUsageBox box;
  box.show();
  ASSERT_EQ(box.ShowDrive('R'), 1) << device;
  const std::uint64_t total = std::uint64_t(sv.f_blocks) * sv.f_frsize;
  EXPECT_EQ(Field(box, 1205), QString::number(total) + QString::fromUtf16(u" 바이트"));
  // Free space moves while other programs write: within 1 % of what statvfs said.
  const double free = Field(box, 1202).section(' ', 0, 0).toDouble();
  EXPECT_NEAR(free, double(sv.f_bfree) * sv.f_frsize, double(total) / 100);
}

}  // namespace
