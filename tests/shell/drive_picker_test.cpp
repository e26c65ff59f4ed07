#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "Pellamor/App.h"
#include "Pellamor/DLG/CDlgDiskUsageBox/CDlgDiskUsageBox.h"
#include "Pellamor/DLG/CDlgFileTypeBox/CDlgFileTypeBox.h"
#include "Pellamor/DLG/CDlgMbrFixBox/CDlgMbrFixBox.h"
#include "Pellamor/DLG/CDriveBoxMainDlg/CDriveBoxMainDlg.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/LeftView.h"
#include "Pellamor/SafeThread.h"
#include "Pellamor/ScanOptions.h"
#include "controls/TabCtrlSSL.h"
#include "corvane/dll_processor.h"
#include "platform/drive_map.h"
#include "platform/message.h"
#include "shell_support.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Fixture;

QStringList RowTexts(const QTreeWidget& list, int row) {
  QStringList texts;
  for (int c = 0; c < list.columnCount(); ++c) texts << list.topLevelItem(row)->text(c);
  return texts;
}

QStringList HeaderTexts(const QTreeWidget& list) {
  QStringList texts;
  for (int c = 0; c < list.columnCount(); ++c) texts << list.headerItem()->text(c);
  return texts;
}

// A fixed size text, so the size columns can be checked without the utility module.
std::u16string FakeSizeText(double size, int base, int, int, int) {
  return QStringLiteral("%1/%2").arg(static_cast<qulonglong>(size)).arg(base).toStdU16String();
}

struct ScopedSizeText {
  ScopedSizeText() : saved(pfn_cvt_size_to_unit) { pfn_cvt_size_to_unit = &FakeSizeText; }
  ~ScopedSizeText() { pfn_cvt_size_to_unit = saved; }
  decltype(pfn_cvt_size_to_unit) saved;
};

void PressKey(QWidget* w, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
}

class DrivePickerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shell_test::App();
    dlg::RegisterAllDialogs();
    g_chCurrentDrive = 0;
  }
  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
};

TEST_F(DrivePickerTest, TheDrivePageListsEveryDriveWithItsTableEntry) {
  REQUIRE_FIXTURE("base_fat16.img");
  REQUIRE_FIXTURE("base_ntfs.img");
  REQUIRE_FIXTURE("base_exfat.img");
  REQUIRE_FIXTURE("disk.img");
  testing_support::ScopedDrives drives({"E=" + Fixture("base_fat16.img"), "F=" + Fixture("base_ntfs.img"),
                                        "G=" + Fixture("base_exfat.img"), "H=" + Fixture("zero.img"),
                                        "I=" + Fixture("disk.img")});
  {
    CDriveBoxMainDlg picker(2);
    picker.show();
    ASSERT_EQ(picker.Tabs()->count(), 2);
    EXPECT_EQ(picker.Tabs()->tabText(0), QString::fromUtf16(u"드라이브"));
    EXPECT_EQ(picker.Tabs()->tabText(1), QString::fromUtf16(u"설정"));
    EXPECT_NE(picker.OptionPage(), nullptr);
    EXPECT_EQ(picker.windowTitle(), QString::fromUtf16(u"디스크 열기"));
    CDriveBoxVolDlg* page = picker.DrivePage();
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(shell_test::WaitFor([&] { return page->Ready(); }));
    const CDriveList& list = *page->List();
    EXPECT_EQ(HeaderTexts(list),
              (QStringList{QString::fromUtf16(u"볼륨명"), QString::fromUtf16(u"파일시스템"),
                           QString::fromUtf16(u"매체유형")}));

    std::vector<platform::DriveEntry> map = platform::DriveMap::Instance().Drives();
    ASSERT_EQ(list.topLevelItemCount(), static_cast<int>(map.size()));
    ASSERT_EQ(g_nDriveTableCount, static_cast<int>(map.size()));
    ASSERT_NE(g_pDriveTable, nullptr);
    EXPECT_EQ(g_bDrivesReady, 1);
    const QString fixed = QString::fromUtf16(u"하드디스크/플래시드라이브");
    struct Expect {
      char letter;
      const char* fs;
      int code;
    };
    // The six partitions of disk.img take I to N.
    const std::vector<Expect> expect = {{'E', "FAT", 2},   {'F', "NTFS", 4},  {'G', "exFAT", 0xFF},
                                        {'I', "FAT", 2},   {'J', "FAT", 2},   {'K', "FAT", 2},
                                        {'L', "FAT", 2},   {'M', "FAT", 2},   {'N', "FAT", 2}};
    for (const Expect& e : expect) {
      SCOPED_TRACE(e.letter);
      int row = -1;
      for (int i = 0; i < g_nDriveTableCount; ++i)
        if (g_pDriveTable[i].letter == static_cast<std::uint8_t>(e.letter)) row = i;
      ASSERT_GE(row, 0);
      EXPECT_EQ(g_pDriveTable[row].row, row);
      EXPECT_EQ(g_pDriveTable[row].fsCode, e.code);
      EXPECT_EQ(g_pDriveTable[row].driveType, 3);
      QStringList texts = RowTexts(list, row);
      EXPECT_TRUE(texts[0].startsWith(QStringLiteral("%1 ").arg(QLatin1Char(e.letter)) +
                                      QString::fromUtf16(u"드라이브")))
          << texts[0].toStdString();
      EXPECT_EQ(texts[1], QLatin1String(e.fs));
      EXPECT_EQ(texts[2], fixed);
    }
    // Labels follow the drive name.
    for (int i = 0; i < g_nDriveTableCount; ++i) {
      if (g_pDriveTable[i].letter == 'E') {
        EXPECT_EQ(list.topLevelItem(i)->text(0), QString::fromUtf16(u"E 드라이브 BASE16"));
      }
      if (g_pDriveTable[i].letter == 'I') {
        EXPECT_EQ(list.topLevelItem(i)->text(0), QString::fromUtf16(u"I 드라이브 PART1"));
      }
    }
    // The menu offers the root scan on FAT drives only; the usage box opens for the selected drive.
    for (const char letter : {'E', 'F'}) {
      int row = -1;
      for (int i = 0; i < g_nDriveTableCount; ++i)
        if (g_pDriveTable[i].letter == static_cast<std::uint8_t>(letter)) row = i;
      page->List()->setCurrentItem(page->List()->topLevelItem(row));
      QMenu menu;
      page->BuildMenu(menu);
      ASSERT_EQ(menu.actions().size(), 3);
      EXPECT_EQ(menu.actions()[0]->text(), QString::fromUtf16(u"열기..."));
      EXPECT_EQ(menu.actions()[1]->text(), QString::fromUtf16(u"디스크 검색..."));
      EXPECT_EQ(menu.actions()[1]->isEnabled(), letter == 'E') << letter;
      EXPECT_EQ(menu.actions()[2]->text(), QString::fromUtf16(u"디스크 사용량(&D)"));
      ASSERT_TRUE(menu.actions()[2]->isEnabled());
      std::vector<char> shown;
      dlg::ScopedReplacement<CDlgDiskUsageBox> usageBox([&](QWidget*, const CDlgDiskUsageBox::Args& args) {
        shown.push_back(args.letter);
        return 1;
      });
      menu.actions()[2]->trigger();
      EXPECT_EQ(shown, std::vector<char>{letter});
    }
    page->List()->clearSelection();
    shell_test::SaveShot(picker, QStringLiteral("drive_picker_drives"));
  }
  // The table lives with the page.
  EXPECT_EQ(g_pDriveTable, nullptr);
  EXPECT_EQ(g_nDriveTableCount, 0);
}

TEST_F(DrivePickerTest, OpeningStoresTheLetterOnceAndEscOrAnEmptyEnterOpenNothing) {
  REQUIRE_FIXTURE("base_fat16.img");
  REQUIRE_FIXTURE("base_ntfs.img");
  testing_support::ScopedDrives drives({"E=" + Fixture("base_fat16.img"), "F=" + Fixture("base_ntfs.img")});

  // Enter with no row selected opens nothing and leaves the picker open; Esc then ends it with 0.
  {
    CDriveBoxMainDlg picker(2);
    picker.show();
    ASSERT_TRUE(shell_test::WaitFor([&] { return picker.DrivePage()->Ready(); }));
    g_chCurrentDrive = 'Z';
    PressKey(&picker, Qt::Key_Return);
    EXPECT_TRUE(picker.isVisible());
    EXPECT_EQ(g_chCurrentDrive, 'Z');
    PressKey(&picker, Qt::Key_Escape);
    EXPECT_FALSE(picker.isVisible());
    EXPECT_EQ(picker.result(), 0);
    EXPECT_EQ(g_chCurrentDrive, 'Z');
  }
  // Enter opens the one selected row.
  {
    CDriveBoxMainDlg picker(2);
    picker.show();
    ASSERT_TRUE(shell_test::WaitFor([&] { return picker.DrivePage()->Ready(); }));
    CDriveList* list = picker.DrivePage()->List();
    list->setCurrentItem(list->topLevelItem(1));
    // Not while the options page is shown: Enter there has no action.
    picker.Tabs()->setCurrentIndex(1);
    PressKey(&picker, Qt::Key_Return);
    EXPECT_TRUE(picker.isVisible());
    EXPECT_EQ(g_chCurrentDrive, 'Z');
    picker.Tabs()->setCurrentIndex(0);
    PressKey(list, Qt::Key_Return);
    EXPECT_EQ(picker.result(), 1);
    EXPECT_EQ(g_chCurrentDrive, 'F');
  }
  // Double-click opens once, through the runner: the result is 1 and the letter is the row's.
  {
    g_chCurrentDrive = 0;
    int finished = 0;
    QTimer::singleShot(0, [&] {
      auto* picker = qobject_cast<CDriveBoxMainDlg*>(QApplication::activeModalWidget());
      if (!picker) return;
      QObject::connect(picker, &QDialog::finished, [&] { ++finished; });
      shell_test::WaitFor([&] { return picker->DrivePage()->Ready(); });
      CDriveList* list = picker->DrivePage()->List();
      list->setCurrentItem(list->topLevelItem(0));
      emit list->itemDoubleClicked(list->topLevelItem(0), 0);
      emit list->itemDoubleClicked(list->topLevelItem(0), 0);
    });
    CDriveBoxMainDlg::Result chosen;
    EXPECT_EQ(dlg::RunDialog("CDriveBoxMainDlg", 2, &chosen), 1);
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(g_chCurrentDrive, 'E');
    EXPECT_EQ(chosen.letter, 'E');  // the typed answer names the same drive
  }
  // The close box opens nothing.
  {
    g_chCurrentDrive = 0;
    QTimer::singleShot(0, [] {
      if (QWidget* w = QApplication::activeModalWidget()) w->close();
    });
    EXPECT_EQ(dlg::RunDialog("CDriveBoxMainDlg", 2), 0);
    EXPECT_EQ(g_chCurrentDrive, 0);
  }
}

// Removable media are named by their size, not by their place in the list, and not examined.
// Closing the picker while its drives are still being gathered stops the worker and waits for
// it: the worker has left the gather when the picker is gone, nothing was handed over, and no
// drive table is left behind.
TEST_F(DrivePickerTest, ClosingDuringASlowGatherJoinsTheWorker) {
  REQUIRE_FIXTURE("base_fat16.img");
  testing_support::ScopedDrives drives({"E=" + Fixture("base_fat16.img"), "F=" + Fixture("base_fat16.img")});
  std::atomic<int> entered{0};
  std::atomic<bool> inside{false};
  std::atomic<bool> stopSeen{false};
  CDriveBoxVolDlg::SetGatherHook([&](const std::u16string&) {
    inside = true;
    ++entered;
    // A slow drive: it takes until the worker is asked to stop (5 s at most).
    for (int i = 0; i < 500; ++i) {
      CSafeThread* self = CSafeThread::GetCurrent();
      if (self && self->StopRequested()) {
        stopSeen = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    inside = false;
  });
  struct Unhook {
    ~Unhook() { CDriveBoxVolDlg::SetGatherHook({}); }
  } unhook;
  {
    CDriveBoxMainDlg picker(2);
    picker.show();
    ASSERT_TRUE(shell_test::WaitFor([&] { return entered.load() > 0; }));
    EXPECT_FALSE(picker.DrivePage()->Ready());
    picker.close();
    EXPECT_FALSE(picker.isVisible());
    EXPECT_EQ(picker.result(), 0);
  }
  EXPECT_FALSE(inside.load());
  EXPECT_TRUE(stopSeen.load());
  EXPECT_EQ(g_pDriveTable, nullptr);
  EXPECT_EQ(g_nDriveTableCount, 0);
  QApplication::processEvents();  // a hand-over still queued would reach a page that is gone
}

TEST_F(DrivePickerTest, RemovableDrivesAreFloppiesBySizeNotByPosition) {
  QTemporaryDir tmp;
  ASSERT_TRUE(tmp.isValid());
  QDir root(tmp.path());
  // A made-up block device tree: sda a 32 MiB removable disk, sdb a 1.44 MB one, one partition each.
  struct Dev {
    const char* disk;
    int sectors;
  };
  for (const Dev& d : {Dev{"sda", 65536}, Dev{"sdb", 2880}}) {
    const QString disk = QLatin1String(d.disk);
    const QString part = disk + QLatin1Char('1');
    ASSERT_TRUE(root.mkpath("devices/" + disk + "/" + part));
    ASSERT_TRUE(root.mkpath("class"));
    ASSERT_TRUE(root.mkpath("dev"));
    auto write = [&](const QString& path, const QString& text) {
      QFile f(root.filePath(path));
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(text.toUtf8());
    };
    write("devices/" + disk + "/removable", "1\n");
    write("devices/" + disk + "/size", QString::number(d.sectors + 2048) + "\n");
    write("devices/" + disk + "/" + part + "/partition", "1\n");
    write("devices/" + disk + "/" + part + "/size", QString::number(d.sectors) + "\n");
    write("devices/" + disk + "/" + part + "/start", "2048\n");
    ASSERT_TRUE(QFile::link(root.filePath("devices/" + disk), root.filePath("class/" + disk)));
    ASSERT_TRUE(QFile::link(root.filePath("devices/" + disk + "/" + part), root.filePath("class/" + part)));
    write("dev/" + part, QString());
  }
  platform::BlockDeviceRoots roots;
  roots.sysfs = root.filePath("class").toStdString();
  roots.dev = root.filePath("dev").toStdString();
  testing_support::ScopedDrives none({});
  platform::DriveMap::Instance().Configure({}, nullptr, true, roots);
  ASSERT_EQ(platform::DriveMap::Instance().Drives().size(), 2u);

  CDriveBoxMainDlg picker(2);
  picker.show();
  ASSERT_TRUE(shell_test::WaitFor([&] { return picker.DrivePage()->Ready(); }));
  const CDriveList& list = *picker.DrivePage()->List();
  ASSERT_EQ(list.topLevelItemCount(), 2);
  EXPECT_EQ(RowTexts(list, 0), (QStringList{QString::fromUtf16(u"C 드라이브 이동식 디스크"), QString(),
                                            QString::fromUtf16(u"이동식/카드리더기")}));
  EXPECT_EQ(RowTexts(list, 1), (QStringList{QString::fromUtf16(u"D 드라이브 3.5 플로피"), QString(),
                                            QString::fromUtf16(u"이동식/카드리더기")}));
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(g_pDriveTable[i].fsCode, 0);
    EXPECT_EQ(g_pDriveTable[i].driveType, 2);
  }
}

TEST_F(DrivePickerTest, TheExtentPageShowsWhereEachLetterLiesAndNoDriveTable) {
  REQUIRE_FIXTURE("base_fat16.img");
  REQUIRE_FIXTURE("disk.img");
  testing_support::ScopedDrives drives({"D=" + Fixture("base_fat16.img"), "E=" + Fixture("disk.img")});
  CDriveBoxMainDlg picker(3);
  picker.show();
  EXPECT_EQ(picker.DrivePage(), nullptr);
  EXPECT_EQ(g_pDriveTable, nullptr);
  ASSERT_NE(picker.ExtentPage(), nullptr);
  EXPECT_EQ(picker.Tabs()->tabText(0), QString::fromUtf16(u"볼륨"));
  // D is on no disk: no row. The six partitions of disk.img, each one extent on disk 0.
  const CDriveList& list = *picker.ExtentPage()->List();
  ASSERT_EQ(list.topLevelItemCount(), 6);
  EXPECT_EQ(RowTexts(list, 0).mid(0, 5),
            (QStringList{"E:\\", "1", "0", "1,048,576", "8,388,608"}));
  EXPECT_EQ(RowTexts(list, 5).mid(0, 5),
            (QStringList{"J:\\", "1", "0", "46,137,344", "8,388,608"}));
  shell_test::SaveShot(picker, QStringLiteral("drive_picker_extents"));
}

TEST_F(DrivePickerTest, TheDiskAndPartitionPagesListTheImages) {
  REQUIRE_FIXTURE("disk.img");
  REQUIRE_FIXTURE("gpt.img");
  testing_support::ScopedDrives drives({"E=" + Fixture("disk.img"), "P=" + Fixture("gpt.img")});
  ScopedSizeText sizes;
  {
    CDriveBoxMainDlg picker(0);
    picker.show();
    CDriveBoxDiskDlg* page = picker.DiskPage();
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(shell_test::WaitFor([&] { return page->Ready(); }));
    const CDriveList& list = *page->List();
    EXPECT_EQ(list.columnCount(), 12);
    ASSERT_EQ(list.topLevelItemCount(), 2);
    QStringList first = RowTexts(list, 0);
    EXPECT_EQ(first[0], QString::fromUtf16(u"디스크 0"));
    EXPECT_EQ(first[1], QString::fromUtf16(u"기본"));
    EXPECT_EQ(first[10], QStringLiteral("67,108,864"));
    EXPECT_EQ(first[11], QStringLiteral("512"));
    EXPECT_EQ(first[8], QStringLiteral("67108864/10"));
    EXPECT_EQ(first[9], QStringLiteral("67108864/2"));
    EXPECT_EQ(RowTexts(list, 1)[10], QStringLiteral("8,388,608"));
    // The MBR repair dialog is registered from the start; it gets the row's disk.
    page->List()->setCurrentItem(page->List()->topLevelItem(1));
    auto fixItem = [&](QMenu& menu) -> QAction* {
      page->BuildMenu(menu);
      for (QAction* a : menu.actions())
        if (a->text() == QString::fromUtf16(u"MBR 복구하기(&M)...")) return a;
      return nullptr;
    };
    int fixDisk = -2;
    dlg::ScopedReplacement<CDlgMbrFixBox> standIn([&](QWidget*, const CDlgMbrFixBox::Args& args) {
      fixDisk = args.disk;
      return 1;
    });
    {
      QMenu menu;
      QAction* fix = fixItem(menu);
      ASSERT_NE(fix, nullptr);
      ASSERT_TRUE(fix->isEnabled());
      fix->trigger();
      EXPECT_EQ(fixDisk, 1);
    }
    page->List()->clearSelection();
    shell_test::SaveShot(picker, QStringLiteral("drive_picker_disks"));
  }
  {
    CDriveBoxMainDlg picker(1);
    picker.show();
    CDriveBoxPartDlg* page = picker.PartitionPage();
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(shell_test::WaitFor([&] { return page->Ready(); }));
    const CDriveList& list = *page->List();
    EXPECT_EQ(list.columnCount(), 18);
    // As the engine's probe lists them: disk, level, type, first, last, count, name. MBR entries,
    // then per extended record its logical partition and its link; gpt.img: the protective entry,
    // then both GPT entries.
    const QString gptType = QStringLiteral("EBD0A0A2-B9E5-4433-87C0-68B6B7D0D599");
    const QStringList expected = {
        "0 0 0x06 2048 18431 16384 DOS FAT-16 (up to 2G)",   "0 0 0x06 18432 34815 16384 DOS FAT-16 (up to 2G)",
        "0 0 0x06 34816 51199 16384 DOS FAT-16 (up to 2G)",  "0 0 0x05 51200 131071 79872 DOS Extended",
        "0 1 0x06 53248 69631 16384 DOS FAT-16 (up to 2G)",  "0 1 0x05 69632 88063 18432 DOS Extended",
        "0 2 0x06 71680 88063 16384 DOS FAT-16 (up to 2G)",  "0 2 0x05 88064 106495 18432 DOS Extended",
        "0 3 0x06 90112 106495 16384 DOS FAT-16 (up to 2G)", "1 0 0xEE 1 16383 16383 Unknown (0xEE)",
        "1 1 GPT 2048 6143 4096 " + gptType,                 "1 1 GPT 6144 14335 8192 " + gptType};
    QStringList rows;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
      QStringList t = RowTexts(list, i);
      const QString name = t[3];
      int level = 0;
      while (level < name.size() && name[level] == QLatin1Char(' ')) ++level;
      auto plain = [](QString v) { return v.remove(QLatin1Char(',')); };
      rows << QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                  .arg(t[0].mid(t[0].lastIndexOf(QLatin1Char(' ')) + 1))
                  .arg(level)
                  .arg(t[4], plain(t[14]), plain(t[15]), plain(t[16]), name.mid(level));
    }
    EXPECT_EQ(rows, expected);
    // Capacity is the sector count times the sector size; the form and status columns.
    ASSERT_EQ(list.topLevelItemCount(), expected.size());
    QStringList first = RowTexts(list, 0);
    EXPECT_EQ(first[7], QStringLiteral("8,388,608"));
    EXPECT_EQ(first[5], QStringLiteral("8388608/10"));
    EXPECT_EQ(first[6], QStringLiteral("8388608/2"));
    EXPECT_EQ(first[2], QString::fromUtf16(u"기본/논리"));
    EXPECT_EQ(RowTexts(list, 3)[2], QString::fromUtf16(u"확장"));
    EXPECT_EQ(RowTexts(list, 9)[7], QStringLiteral("8,388,096"));
    EXPECT_TRUE(page->Status()->text().isEmpty());
    shell_test::SaveShot(picker, QStringLiteral("drive_picker_partitions"));
  }
}

// A disk that cannot be opened keeps its row and its reason; the walk goes on with the next disk.
TEST_F(DrivePickerTest, TheWalkGoesOnPastAnUnreadableDisk) {
  REQUIRE_FIXTURE("disk.img");
  REQUIRE_FIXTURE("gpt.img");
  QTemporaryDir tmp;
  ASSERT_TRUE(tmp.isValid());
  QDir root(tmp.path());
  ASSERT_TRUE(root.mkpath("class/sda"));
  ASSERT_TRUE(root.mkpath("class/sdb"));
  ASSERT_TRUE(root.mkpath("dev"));
  for (const char* name : {"class/sda/size", "class/sdb/size"}) {
    QFile f(root.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("16384\n");
  }
  // sda has no device node; sdb is a copy of the GPT image.
  ASSERT_TRUE(QFile::copy(QString::fromStdString(Fixture("gpt.img")), root.filePath("dev/sdb")));
  platform::BlockDeviceRoots roots;
  roots.sysfs = root.filePath("class").toStdString();
  roots.dev = root.filePath("dev").toStdString();
  testing_support::ScopedDrives none({});
  platform::DriveMap::Instance().Configure({"E=" + Fixture("disk.img")}, nullptr, true, roots);
  ASSERT_EQ(platform::DriveMap::Instance().Disks().size(), 3u);
  {
    CDriveBoxMainDlg picker(0);
    ASSERT_TRUE(shell_test::WaitFor([&] { return picker.DiskPage()->Ready(); }));
    const CDriveList& list = *picker.DiskPage()->List();
    ASSERT_EQ(list.topLevelItemCount(), 3);
    EXPECT_EQ(list.topLevelItem(1)->text(0), QString::fromUtf16(u"디스크 1"));
    EXPECT_EQ(list.topLevelItem(2)->text(0), QString::fromUtf16(u"디스크 2"));
    EXPECT_TRUE(picker.DiskPage()->Status()->text().startsWith(QString::fromUtf16(u"디스크 1: ")))
        << picker.DiskPage()->Status()->text().toStdString();
  }
  {
    CDriveBoxMainDlg picker(1);
    ASSERT_TRUE(shell_test::WaitFor([&] { return picker.PartitionPage()->Ready(); }));
    const CDriveList& list = *picker.PartitionPage()->List();
    QStringList disks;
    for (int i = 0; i < list.topLevelItemCount(); ++i) disks << list.topLevelItem(i)->text(0);
    EXPECT_EQ(disks.count(QString::fromUtf16(u"디스크 0")), 9);
    EXPECT_EQ(disks.count(QString::fromUtf16(u"디스크 1")), 0);
    EXPECT_EQ(disks.count(QString::fromUtf16(u"디스크 2")), 3);
    EXPECT_TRUE(picker.PartitionPage()->Status()->text().startsWith(QString::fromUtf16(u"디스크 1: ")))
        << picker.PartitionPage()->Status()->text().toStdString();
  }
}

}  // namespace

// The image page attaches a file for the session: a volume opens at once, a partitioned image
// lists its letters, and a path already in the map is reused rather than mapped twice.
TEST_F(DrivePickerTest, TheImagePageAttachesAnImageAndReusesAMappedPath) {
  REQUIRE_FIXTURE("base_fat16.img");
  REQUIRE_FIXTURE("disk.img");
  testing_support::ScopedDrives drives({"D=" + Fixture("base_ntfs.img")});

  {
    CDriveBoxMainDlg picker(4);
    picker.show();
    ASSERT_NE(picker.ImagePage(), nullptr);
    EXPECT_EQ(picker.DrivePage(), nullptr);
    EXPECT_EQ(picker.Tabs()->tabText(0), QString::fromUtf16(u"이미지"));
    EXPECT_EQ(picker.ImagePage()->SectorSize()->currentText(), QStringLiteral("512 B"));
    // Enter with no path opens nothing.
    PressKey(&picker, Qt::Key_Return);
    EXPECT_TRUE(picker.isVisible());
    picker.ImagePage()->PathEdit()->setText(QString::fromStdString(Fixture("disk.img")));
    PressKey(&picker, Qt::Key_Return);
    EXPECT_TRUE(picker.isVisible());
    EXPECT_EQ(g_chCurrentDrive, 0);
    EXPECT_EQ(picker.ImagePage()->Status()->text(), QStringLiteral("C: E: F: G: H: I:"));
    shell_test::SaveShot(picker, QStringLiteral("drive_picker_image"));
  }
  std::vector<char> letters;
  for (const auto& d : platform::DriveMap::Instance().Drives())
    if (d.path == Fixture("disk.img")) letters.push_back(d.letter);
  EXPECT_EQ(letters.size(), 6u);

  // A single volume opens through the runner with its letter.
  g_chCurrentDrive = 0;
  QTimer::singleShot(0, [] {
    auto* picker = qobject_cast<CDriveBoxMainDlg*>(QApplication::activeModalWidget());
    if (!picker) return;
    picker->ImagePage()->PathEdit()->setText(QString::fromStdString(Fixture("base_fat16.img")));
    PressKey(picker, Qt::Key_Return);
  });
  EXPECT_EQ(dlg::RunDialog("CDriveBoxMainDlg", 4), 1);
  EXPECT_EQ(g_chCurrentDrive, 'J');

  // Attaching the same image again maps nothing new.
  const std::size_t before = platform::DriveMap::Instance().Drives().size();
  CDriveBoxMainDlg again(4);
  again.ImagePage()->PathEdit()->setText(QString::fromStdString(Fixture("base_fat16.img")));
  g_chCurrentDrive = 0;
  PressKey(&again, Qt::Key_Return);
  EXPECT_EQ(again.result(), 1);
  EXPECT_EQ(g_chCurrentDrive, 'J');
  EXPECT_EQ(platform::DriveMap::Instance().Drives().size(), before);
}

// The options page shows the scan globals and writes each one as its control changes.
TEST_F(DrivePickerTest, TheOptionPageWritesTheScanOptions) {
  struct Saved {
    int deleted = g_bDeletedOnly, filter = g_bUseExtensionFilter, count = g_nSelectedExtensions,
        format = g_nDecompressionFormat, max = g_nMaxScanThreads, threads = g_nScanThreads;
    ~Saved() {
      g_bDeletedOnly = deleted;
      g_bUseExtensionFilter = filter;
      g_nSelectedExtensions = count;
      g_nDecompressionFormat = format;
      g_nMaxScanThreads = max;
      g_nScanThreads = threads;
    }
  } saved;
  g_bDeletedOnly = 1;
  g_bUseExtensionFilter = 0;
  g_nSelectedExtensions = 0;
  g_nDecompressionFormat = 4;
  g_nMaxScanThreads = 8;
  g_nScanThreads = 8;
  static int fileTypeRuns = 0;
  fileTypeRuns = 0;
  dlg::ScopedReplacement<CDlgFileTypeBox> fileTypes([](QWidget*, const CDlgFileTypeBox::Args&) {
    ++fileTypeRuns;
    g_nSelectedExtensions = 3;
    return true;
  });

  CPellamorApp app;
  // An index outside the target pages gives the options page alone.
  CDriveBoxMainDlg picker(5);
  picker.show();
  CDriveBoxOptionDlg* page = picker.OptionPage();
  ASSERT_NE(page, nullptr);
  ASSERT_EQ(picker.Tabs()->count(), 1);
  EXPECT_EQ(picker.Tabs()->tabText(0), QString::fromUtf16(u"설정"));
  EXPECT_TRUE(page->DeletedOnly()->isChecked());
  EXPECT_FALSE(page->UseExtensions()->isChecked());
  EXPECT_FALSE(page->FileTypes()->isEnabled());
  EXPECT_EQ(page->SelectedCount()->text(), QString::fromUtf16(u"선택: 0개"));
  EXPECT_EQ(page->Decompression()->currentText(), QStringLiteral("Maximum"));
  ASSERT_EQ(page->Threads()->count(), 8);
  EXPECT_EQ(page->Threads()->currentText(), QStringLiteral("8"));

  page->DeletedOnly()->click();
  EXPECT_EQ(g_bDeletedOnly, 0);
  page->UseExtensions()->click();
  EXPECT_EQ(g_bUseExtensionFilter, 1);
  ASSERT_TRUE(page->FileTypes()->isEnabled());
  page->FileTypes()->click();
  EXPECT_EQ(fileTypeRuns, 1);
  EXPECT_EQ(page->SelectedCount()->text(), QString::fromUtf16(u"선택: 3개"));
  page->Threads()->setCurrentIndex(2);
  EXPECT_EQ(g_nScanThreads, 3);
  EXPECT_EQ(app.ntfsSearchThreads, 3);
  EXPECT_TRUE(picker.isVisible());
  page->Decompression()->setCurrentIndex(1);
  EXPECT_EQ(g_nDecompressionFormat, 1);
  // Exploring locks the search choices; the decimal units go straight back to binary.
  page->Explore()->click();
  EXPECT_FALSE(page->DeletedOnly()->isEnabled());
  EXPECT_FALSE(page->FileTypes()->isEnabled());
  page->Explore()->click();
  EXPECT_TRUE(page->FileTypes()->isEnabled());
  page->DecimalUnits()->click();
  EXPECT_TRUE(page->BinaryUnits()->isChecked());
  shell_test::SaveShot(picker, QStringLiteral("drive_picker_options"));
}
