#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "Pellamor/DLG/CDlgMbrFixBox/CDlgMbrFixBox.h"
#include "Pellamor/DLG/CDlgMbrFixBox/MbrPartTypes.h"
#include "Pellamor/DLG/CDriveBoxMainDlg/CDriveBoxMainDlg.h"
#include "Pellamor/DLG/Dialogs.h"
#include "controls/JorunListCtrl.h"
#include "platform/fault_plan.h"
#include "platform/message.h"
#include "platform/volume_io.h"
#include "shared/ByteloomBase.h"
#include "shared/DialogHeaderCtrl.h"
#include "shell_support.h"
#include "tests/support/test_support.h"

namespace {

using platform::MsgAnswer;
using testing_support::Fixture;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

QString Q(const char16_t* text) { return QString::fromUtf16(text); }
std::u16string U(const char16_t* text) { return text; }

QByteArray FirstSector(const std::string& image) { return QByteArray::fromStdString(ReadFile(image).substr(0, 512)); }

bool StartsWith(const std::u16string& text, const std::u16string& head) { return text.rfind(head, 0) == 0; }

class MbrFixBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shell_test::App();
    platform::FaultPlan::Clear();
  }
  void TearDown() override { platform::FaultPlan::Clear(); }

  // The dialog for a disk, shown (which reads the disk).
  std::unique_ptr<CDlgMbrFixBox> Shown(int disk) {
    auto dialog = std::make_unique<CDlgMbrFixBox>();
    dialog->SetDriveNumber(disk);
    dialog->show();
    gui_test::Settle();
    return dialog;
  }
  static void ExpectLists(const CDlgMbrFixBox& d, int rows, int types, int active) {
    EXPECT_EQ(d.RowList()->count(), rows);
    EXPECT_EQ(d.TypeList()->count(), types);
    EXPECT_EQ(d.ActiveList()->count(), active);
  }

  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
};

TEST_F(MbrFixBoxTest, StartShowsTheDisksFirstSectorSilently) {
  REQUIRE_FIXTURE("disk.img");
  testing_support::ScopedDrives drives({"E=" + Fixture("disk.img")});
  const std::size_t handles = platform::OpenHandleCount();
  auto d = Shown(0);
  EXPECT_TRUE(sink_.Texts().empty());
  EXPECT_EQ(platform::OpenHandleCount(), handles);
  EXPECT_EQ(d->windowTitle(), Q(u"디스크 MBR 복원 도구"));
  EXPECT_EQ(d->Header()->Title(), Q(u"디스크 MBR 복원 도구"));
  EXPECT_EQ(d->Header()->Description(), Q(u"마스터 부트 레코드 및 파티션 정보를 수정하여 디스크를 복구 합니다."));
  EXPECT_FALSE(d->Header()->Icon().isNull());
  EXPECT_EQ(d->DiskLabel()->text(), Q(u"디스크 0 의 MBR 영역"));

  const QByteArray sector = FirstSector(Fixture("disk.img"));
  ASSERT_EQ(sector.size(), 512);
  EXPECT_EQ(static_cast<std::uint8_t>(sector[510]), 0x55);
  EXPECT_EQ(d->HexView()->Data(), sector);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(d->Sector().data()), 512), sector);
  EXPECT_EQ(d->HexView()->AddressDigits(), 4);
  EXPECT_TRUE(d->HexView()->IsAddressShown());
  EXPECT_TRUE(d->HexView()->IsAsciiShown());
  EXPECT_TRUE(d->HexView()->IsAutoFit());
  EXPECT_TRUE(d->HexView()->IsMultiLine());

  ExpectLists(*d, 4, 37, 2);
  EXPECT_EQ(d->RowList()->currentText(), Q(u"1번 파티션"));
  EXPECT_EQ(d->RowList()->itemText(3), Q(u"4번 파티션"));
  EXPECT_EQ(d->ActiveList()->itemText(0), Q(u"활성 (부팅)"));
  EXPECT_EQ(d->ActiveList()->itemText(1), Q(u"비활성"));
  for (int i = 0; i < 37; ++i) {
    EXPECT_EQ(d->TypeList()->itemText(i), QString::fromUtf16(g_PartTypeNames[static_cast<std::size_t>(i)].name));
    EXPECT_EQ(d->TypeList()->itemData(i).toInt(), g_PartTypeNames[static_cast<std::size_t>(i)].type);
  }
  EXPECT_EQ(d->TypeList()->itemText(0), Q(u" DOS FAT-12"));
  EXPECT_EQ(d->TypeList()->itemText(12), Q(u" AIX bootable"));
  EXPECT_EQ(d->TypeList()->itemText(13), Q(u" OS/2 Boot Manager"));
  EXPECT_EQ(d->TypeList()->itemText(36), Q(u" BBT"));

  EXPECT_FALSE(d->WriteFileCheck()->isVisible());
  EXPECT_FALSE(d->WriteFileCheck()->isEnabled());
  EXPECT_TRUE(d->ExportButton()->isEnabled());
  EXPECT_TRUE(d->SaveButton()->isEnabled());
  EXPECT_EQ(d->RereadButton()->text(), Q(u"다시읽기(&R)"));
  EXPECT_EQ(d->ImportButton()->text(), Q(u"가져오기(&I)"));
  EXPECT_EQ(d->ExportButton()->text(), Q(u"내보내기(&O)"));
  EXPECT_EQ(d->SaveButton()->text(), Q(u"저장(&S)"));
  EXPECT_EQ(d->CloseButton()->text(), Q(u"취소"));
  shell_test::SaveShot(*d, QStringLiteral("mbr_fix_box"));
}

TEST_F(MbrFixBoxTest, ImportTakesOnlyA512ByteImageEndingIn55AA) {
  REQUIRE_FIXTURE("disk.img");
  testing_support::ScopedDrives drives({"E=" + Fixture("disk.img")});
  TempDir dir;
  std::string good(512, '\x11');
  good[510] = '\x55';
  good[511] = '\xAA';
  std::string badEnd = good;
  badEnd[511] = '\x00';
  WriteFile(dir.File("511.img"), good.substr(0, 511));
  WriteFile(dir.File("513.img"), good + "x");
  WriteFile(dir.File("5500.img"), badEnd);
  WriteFile(dir.File("good.img"), good);
  std::filesystem::create_directory(dir.File("folder.img"));
  ASSERT_EQ(mkfifo(dir.File("fifo.img").c_str(), 0600), 0);

  const std::u16string sizeText =
      u"파일의 크기가 512바이트가 아닙니다.\r\n\n올바른 디스크 이미지는 데이터의 안전을 위해 가져올 수 없습니다.";
  const std::u16string structureText =
      u"올바른 구조가 아닙니다. 잘못된 디스크 이미지는 데이터의 안전을 위해 가져올 수 없습니다.";
  const std::u16string openText = u"가져오기 실패\r\n\n파일을 열 수 없습니다.";
  struct Case {
    const char* file;
    std::u16string text;  // empty: accepted
    int number;
  };
  const std::vector<Case> cases = {
      {"511.img", sizeText, 1},       {"513.img", sizeText, 1}, {"5500.img", structureText, 2},
      {"folder.img", openText, 3},    {"fifo.img", openText, 3}, {"missing.img", openText, 3},
      {"good.img", u"", 0},
  };
  auto d = Shown(0);
  const QByteArray sector = FirstSector(Fixture("disk.img"));
  for (const Case& c : cases) {
    sink_.Clear();
    const QString path = QString::fromStdString(dir.File(c.file));
    d->OnImport(path);
    const auto texts = sink_.Texts();
    if (c.text.empty()) {
      EXPECT_TRUE(texts.empty()) << c.file;
      EXPECT_EQ(d->HexView()->Data(), QByteArray::fromStdString(good));
      EXPECT_EQ(d->PathEdit()->text(), path);
    } else {
      ASSERT_EQ(texts.size(), 2u) << c.file;
      EXPECT_EQ(texts[0], c.text) << c.file;
      const std::u16string box = u"코드번호: 464C0411 (#" + std::u16string(1, u'0' + c.number) + u") ";
      EXPECT_TRUE(StartsWith(texts[1], box)) << c.file;
      EXPECT_EQ(d->HexView()->Data(), sector) << c.file;
      EXPECT_TRUE(d->PathEdit()->text().isEmpty()) << c.file;
    }
    // The buffer keeps the disk's sector whatever was imported.
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(d->Sector().data()), 512), sector) << c.file;
    EXPECT_TRUE(d->isVisible());
  }
  shell_test::SaveShot(*d, QStringLiteral("mbr_fix_box_imported"));

  // After the import, export writes the disk's sector; a name without extension gets ".img".
  sink_.Clear();
  d->OnExport(QString::fromStdString(dir.File("export")));
  EXPECT_TRUE(sink_.Texts().empty());
  EXPECT_EQ(QByteArray::fromStdString(ReadFile(dir.File("export.img"))), sector);
  d->OnExport(QString::fromStdString(dir.File("again.bin")));
  EXPECT_EQ(QByteArray::fromStdString(ReadFile(dir.File("again.bin"))), sector);
}

// The import reads through the platform layer: a device is refused at once, a huge file by its
// size before a byte is read, and an injected read fault is "cannot open"; the next import works.
TEST_F(MbrFixBoxTest, ImportRefusesDevicesHugeFilesAndAnInjectedReadFault) {
  REQUIRE_FIXTURE("disk.img");
  testing_support::ScopedDrives drives({"E=" + Fixture("disk.img")});
  TempDir dir;
  // The disk's own record with other boot code: a good image the view tells from the disk's.
  std::string good = FirstSector(Fixture("disk.img")).toStdString();
  good[0] = static_cast<char>(good[0] ^ 0xFF);
  WriteFile(dir.File("good.img"), good);
  WriteFile(dir.File("huge.img"), good);
  ASSERT_EQ(truncate(dir.File("huge.img").c_str(), 4ll << 30), 0);  // 4 GiB, sparse
  std::filesystem::create_symlink("/dev/zero", dir.File("zero.img"));
  const std::u16string openText = u"가져오기 실패\r\n\n파일을 열 수 없습니다.";
  const std::u16string sizeText =
      u"파일의 크기가 512바이트가 아닙니다.\r\n\n올바른 디스크 이미지는 데이터의 안전을 위해 가져올 수 없습니다.";
  struct Case {
    const char* file;
    bool fault;
    std::u16string text;
    int number;
  };
  const Case cases[] = {
      {"zero.img", false, openText, 3},
      {"huge.img", false, sizeText, 1},
      {"good.img", true, openText, 3},
  };
  auto d = Shown(0);
  const QByteArray sector = FirstSector(Fixture("disk.img"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    sink_.Clear();
    platform::ScopedFaultPlan faults;
    if (c.fault) platform::FaultPlan::FailNextFileRead();
    d->OnImport(QString::fromStdString(dir.File(c.file)));
    const auto texts = sink_.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], c.text);
    EXPECT_TRUE(StartsWith(texts[1], u"코드번호: 464C0411 (#" + std::u16string(1, u'0' + c.number) + u") "));
    EXPECT_EQ(d->HexView()->Data(), sector);
    EXPECT_TRUE(d->PathEdit()->text().isEmpty());
  }
  sink_.Clear();
  d->OnImport(QString::fromStdString(dir.File("good.img")));
  EXPECT_TRUE(sink_.Texts().empty());
  EXPECT_EQ(d->HexView()->Data(), QByteArray::fromStdString(good));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

TEST_F(MbrFixBoxTest, AFailedExportLeavesNoFile) {
  REQUIRE_FIXTURE("disk.img");
  testing_support::ScopedDrives drives({"E=" + Fixture("disk.img")});
  TempDir dir;
  auto d = Shown(0);
  struct Case {
    const char* what;
    std::string path;
    bool failWrite;
  };
  for (const Case& c : {Case{"folder missing", dir.File("none/out.img"), false},
                        Case{"write fails", dir.File("out.img"), true}}) {
    sink_.Clear();
    if (c.failWrite) platform::FaultPlan::FailNextOutputWrite();
    d->OnExport(QString::fromStdString(c.path));
    const auto texts = sink_.Texts();
    ASSERT_EQ(texts.size(), 2u) << c.what;
    EXPECT_EQ(texts[0], U(u"내보내기 실패\r\n\n파일을 저장할 수 없습니다.")) << c.what;
    EXPECT_TRUE(StartsWith(texts[1], u"코드번호: 998EDC98 (#1) ")) << c.what;
    EXPECT_TRUE(QDir(QString::fromStdString(dir.path())).entryList(QDir::Files | QDir::Hidden).isEmpty()) << c.what;
  }
}

TEST_F(MbrFixBoxTest, SaveWritesNothing) {
  REQUIRE_FIXTURE("disk.img");
  // A copy of the image, so its time stamp is ours to watch.
  TempDir dir;
  std::filesystem::copy_file(Fixture("disk.img"), dir.File("disk.img"));
  testing_support::ScopedDrives drives({"E=" + dir.File("disk.img")});
  struct stat before {};
  ASSERT_EQ(stat(dir.File("disk.img").c_str(), &before), 0);
  const std::string bytes = ReadFile(dir.File("disk.img"));

  auto d = Shown(0);
  d->HexView()->setFocus();
  QTest::keyClicks(d->HexView(), "ABCD");
  const QByteArray edited = d->HexView()->Data();
  EXPECT_EQ(edited.left(2), QByteArray("\xAB\xCD", 2));

  sink_.Clear();
  sink_.QueueAnswer(MsgAnswer::No);
  d->OnSave();
  EXPECT_EQ(sink_.Texts(),
            (std::vector<std::u16string>{u"수정한 내용을 [디스크 0] 의 MBR(마스터 부트 레코드)에 저장합니다.", u"취소되었습니다."}));
  ASSERT_EQ(sink_.Messages().at(0).buttons, platform::MsgButtons::YesNoDefaultNo);

  sink_.Clear();
  sink_.QueueAnswer(MsgAnswer::Yes);
  d->OnSave();
  EXPECT_EQ(sink_.Texts(),
            (std::vector<std::u16string>{u"수정한 내용을 [디스크 0] 의 MBR(마스터 부트 레코드)에 저장합니다.",
                                         u"섹터에 기록하지 못했습니다."}));
  EXPECT_EQ(d->HexView()->Data(), edited);
  struct stat after {};
  ASSERT_EQ(stat(dir.File("disk.img").c_str(), &after), 0);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(ReadFile(dir.File("disk.img")), bytes);
}

TEST_F(MbrFixBoxTest, ReReadsRefillTheListsAndCloseTheHandle) {
  REQUIRE_FIXTURE("disk.img");
  testing_support::ScopedDrives drives({"E=" + Fixture("disk.img")});
  const std::size_t handles = platform::OpenHandleCount();
  auto d = Shown(0);
  for (int i = 0; i < 3; ++i) {
    sink_.Clear();
    d->RereadButton()->click();
    EXPECT_EQ(sink_.Texts(), std::vector<std::u16string>{u"디스크에서 마스터 부트 레코드의 최신 정보를 가져왔습니다."});
    EXPECT_EQ(sink_.Messages().at(0).icon, platform::MsgIcon::Information);
    ExpectLists(*d, 4, 37, 2);
    EXPECT_EQ(platform::OpenHandleCount(), handles);
    EXPECT_TRUE(d->PathEdit()->text().isEmpty());
  }
}

TEST_F(MbrFixBoxTest, AnUnreadableDiskLeavesNoDataAndNothingToExport) {
  REQUIRE_FIXTURE("disk.img");
  testing_support::ScopedDrives drives({"E=" + Fixture("disk.img")});
  const std::size_t handles = platform::OpenHandleCount();
  for (int disk : {9, -1}) {
    sink_.Clear();
    auto d = Shown(disk);
    EXPECT_EQ(sink_.Texts(), std::vector<std::u16string>{u"MBR 정보를 읽을 수 없습니다. (MBR-FIX-R-1)"}) << disk;
    EXPECT_EQ(d->DiskLabel()->text(), Q(u"디스크 %1 의 MBR 영역").arg(disk));
    EXPECT_FALSE(d->HexView()->HasData());
    EXPECT_FALSE(d->HasSector());
    EXPECT_FALSE(d->ExportButton()->isEnabled());
    EXPECT_FALSE(d->SaveButton()->isEnabled());
    ExpectLists(*d, 0, 0, 0);
    EXPECT_EQ(platform::OpenHandleCount(), handles);
    if (disk == 9) shell_test::SaveShot(*d, QStringLiteral("mbr_fix_box_unreadable"));
  }

  // A re-read that fails after a good start: no data, nothing to export, then a good one again.
  auto d = Shown(0);
  ASSERT_TRUE(d->HexView()->HasData());
  sink_.Clear();
  platform::FaultPlan::FailReadAt(0);
  d->OnReread();
  EXPECT_EQ(sink_.Texts(), std::vector<std::u16string>{u"MBR 정보를 읽을 수 없습니다. (MBR-FIX-R-1)"});
  EXPECT_FALSE(d->HexView()->HasData());
  EXPECT_FALSE(d->ExportButton()->isEnabled());
  EXPECT_FALSE(d->SaveButton()->isEnabled());
  EXPECT_EQ(d->Sector(), (std::array<std::uint8_t, 512>{}));
  TempDir dir;
  d->OnExport(QString::fromStdString(dir.File("out.img")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.img")));
  EXPECT_EQ(platform::OpenHandleCount(), handles + 0);
  platform::FaultPlan::Clear();
  d->OnReread();
  EXPECT_EQ(d->HexView()->Data(), FirstSector(Fixture("disk.img")));
  EXPECT_TRUE(d->ExportButton()->isEnabled());
}

TEST_F(MbrFixBoxTest, CloseAsksFirst) {
  REQUIRE_FIXTURE("disk.img");
  testing_support::ScopedDrives drives({"E=" + Fixture("disk.img")});
  auto d = Shown(0);
  sink_.Clear();
  sink_.QueueAnswer(MsgAnswer::No);
  d->CloseButton()->click();
  EXPECT_EQ(sink_.Texts(), std::vector<std::u16string>{u"복원 도구를 종료합니다."});
  EXPECT_TRUE(d->isVisible());
  sink_.QueueAnswer(MsgAnswer::Yes);
  d->CloseButton()->click();
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(d->result(), QDialog::Rejected);
}

TEST_F(MbrFixBoxTest, TheRegistryGivesTheDiskNumber) {
  EXPECT_EQ(CDlgMbrFixBox::ArgsFrom({}).disk, -1);
  EXPECT_EQ(CDlgMbrFixBox::ArgsFrom({3}).disk, 3);
  EXPECT_EQ(CDlgMbrFixBox::ArgsFrom({QStringLiteral("x")}).disk, -1);
}

TEST_F(MbrFixBoxTest, TheDiskPageOpensItForTheRowsDisk) {
  REQUIRE_FIXTURE("disk.img");
  REQUIRE_FIXTURE("gpt.img");
  testing_support::ScopedDrives drives({"E=" + Fixture("disk.img"), "P=" + Fixture("gpt.img")});
  dlg::RegisterAllDialogs();
  CDriveBoxMainDlg picker(0);
  picker.show();
  CDriveBoxDiskDlg* page = picker.DiskPage();
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(shell_test::WaitFor([&] { return page->Ready(); }));
  page->List()->setCurrentItem(page->List()->topLevelItem(1));
  QMenu menu;
  page->BuildMenu(menu);
  QAction* fix = nullptr;
  for (QAction* a : menu.actions())
    if (a->text() == Q(u"MBR 복구하기(&M)...")) fix = a;
  ASSERT_NE(fix, nullptr);
  ASSERT_TRUE(fix->isEnabled());
  int disk = -2;
  QByteArray shown;
  QString label;
  {
    shell_test::WhenModal<CDlgMbrFixBox> look(
        [&](CDlgMbrFixBox* d) {
          disk = d->DriveNumber();
          shown = d->HexView()->Data();
          label = d->DiskLabel()->text();
        },
        shell_test::ThenClose::kReject);
    fix->trigger();
    EXPECT_TRUE(look.Acted());
  }
  EXPECT_EQ(disk, 1);
  EXPECT_EQ(label, Q(u"디스크 1 의 MBR 영역"));
  EXPECT_EQ(shown, FirstSector(Fixture("gpt.img")));
}

}  // namespace
