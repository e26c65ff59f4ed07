// The queue's small dialogs: recovery method, save folder and rename on conflict.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>

#include "Pellamor/DLG/CDirectSaveDlg/CDirectSaveDlg.h"
#include "Pellamor/DLG/CDlgAttrChangeBox/CDlgAttrChangeBox.h"
#include "Pellamor/DLG/CDlgRecoveryMethod/CDlgRecoveryMethod.h"
#include "Pellamor/DLG/DRSaveBox/QueueItem.h"
#include "Pellamor/DLG/DRSaveBox/QueueRun.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/SaveFolder.h"
#include "corvane/dll_processor.h"
#include "platform/message.h"
#include "shared/DialogHeaderCtrl.h"
#include "shell_support.h"

namespace {

using platform::MsgAnswer;

QString T(const char16_t* text) { return QString::fromUtf16(text); }

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

using shell_test::WhenModal;

// A message sink that records and answers, for each test.
class DialogTest : public ::testing::Test {
 protected:
  QApplication& app_ = shell_test::App();
  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
};

// ---- recovery method ----

class RecoveryMethodTest : public DialogTest {
 protected:
  void SetUp() override {
    dialog_.SetItem(T(u"사진.jpg"), 0, 100, 200, 0);
    dialog_.show();
  }
  // Types both numbers, picks a method and a unit, presses OK.
  void Submit(int method, const QString& cluster, const QString& size, int unit) {
    dialog_.MethodCombo()->setCurrentIndex(method);
    dialog_.SizeUnitCombo()->setCurrentIndex(unit);
    dialog_.ClusterEdit()->setText(cluster);
    dialog_.SizeEdit()->setText(size);
    QTest::mouseClick(dialog_.OkButton(), Qt::LeftButton);
  }
  CDlgRecoveryMethod dialog_;
};

TEST_F(RecoveryMethodTest, ShowsAndReturnsFull64BitNumbersScaledByTheUnit) {
  struct Case {
    int method;
    const char* cluster;
    const char* size;
    int unit;
    std::uint64_t wantCluster;
    std::uint64_t wantSize;
  };
  const Case cases[] = {
      {0, "4294967296", "5000000000", 0, 4294967296ull, 5000000000ull},  // past 32 bits
      {1, "18446744073709551615", "18446744073709551615", 0, kMax, kMax},
      {0, " 12 ", "0", 8, 12, 0},                                  // blanks around; 0 YB is 0
      {0, "7", "3", 1, 7, 3 * 1024ull},                            // KB
      {1, "7", "5", 3, 7, 5ull << 30},                             // GB
      {0, "7", "16777215", 4, 7, 16777215ull << 40},               // the largest count of TB
      {0, "7", "15", 6, 7, 15ull << 60},                           // EB
      {2, "4294967297", "5000000000", 0, 4294967297ull, 5000000000ull},  // sector count: no unit
  };
  for (const Case& c : cases) {
    CDlgRecoveryMethod d;
    d.SetItem(T(u"a"), 0, 0, 0, 0);
    d.show();
    d.MethodCombo()->setCurrentIndex(c.method);
    d.SizeUnitCombo()->setCurrentIndex(c.unit);
    d.ClusterEdit()->setText(QString::fromLatin1(c.cluster));
    d.SizeEdit()->setText(QString::fromLatin1(c.size));
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted) << c.cluster << " " << c.size;
    EXPECT_EQ(d.MethodCode(), c.method);
    EXPECT_EQ(d.FirstCluster(), c.wantCluster) << c.cluster;
    EXPECT_EQ(d.Size(), c.wantSize) << c.size << " unit " << c.unit;
  }
  EXPECT_TRUE(sink_.Texts().empty());

  // Values past 32 bits are shown whole.
  CDlgRecoveryMethod d;
  d.SetItem(T(u"큰 파일"), 1, (1ull << 40) + 5, kMax, 0);
  EXPECT_EQ(d.ClusterEdit()->text(), QStringLiteral("1099511627781"));
  EXPECT_EQ(d.SizeEdit()->text(), QStringLiteral("18446744073709551615"));
  EXPECT_EQ(d.NameEdit()->text(), T(u"큰 파일"));
  EXPECT_EQ(d.MethodCombo()->currentIndex(), 1);
}

TEST_F(RecoveryMethodTest, UnparsableOrOverflowingInputKeepsTheDialogOpen) {
  struct Case {
    int method;
    QString cluster;
    QString size;
    int unit;
    const char16_t* message;
  };
  const char16_t* badCluster =
      u"클러스터 값이 올바르지 않습니다.\r\n\n0부터 18446744073709551615까지의 10진수를 입력하십시오.";
  const char16_t* badSize =
      u"파일크기 값이 올바르지 않습니다.\r\n\n0부터 18446744073709551615까지의 10진수를 입력하십시오.";
  const char16_t* badSector =
      u"섹터 값이 올바르지 않습니다.\r\n\n0부터 18446744073709551615까지의 10진수를 입력하십시오.";
  const char16_t* tooLarge =
      u"파일크기 값이 너무 큽니다.\r\n\n단위를 적용한 크기는 18446744073709551615바이트를 넘을 수 없습니다.";
  const Case cases[] = {
      {0, "18446744073709551616", "1", 0, badCluster},  // one past 64 bits
      {0, "99999999999999999999", "1", 0, badCluster},
      {0, "", "1", 0, badCluster},
      {0, "-1", "1", 0, badCluster},
      {0, "+5", "1", 0, badCluster},
      {0, "1,234", "1", 0, badCluster},
      {0, "0x10", "1", 0, badCluster},
      {0, T(u"١٢"), "1", 0, badCluster},  // digits of another script
      {0, "1", "12a", 0, badSize},
      {0, "1", "1 2", 0, badSize},
      {2, "z", "1", 0, badSector},
      {0, "1", "16777216", 4, tooLarge},  // 2^24 TB = 2^64 bytes
      {0, "1", "16", 6, tooLarge},        // 16 EB = 2^64 bytes
      {1, "1", "1", 7, tooLarge},         // 1 ZB
      {0, "1", "1", 8, tooLarge},         // 1 YB
  };
  for (const Case& c : cases) {
    sink_.Clear();
    Submit(c.method, c.cluster, c.size, c.unit);
    EXPECT_TRUE(dialog_.isVisible()) << c.cluster.toStdString() << " " << c.size.toStdString();
    ASSERT_EQ(sink_.Texts().size(), 1u) << c.cluster.toStdString() << " " << c.size.toStdString();
    EXPECT_EQ(sink_.Texts()[0], c.message) << c.cluster.toStdString() << " " << c.size.toStdString();
    // Nothing was taken.
    EXPECT_EQ(dialog_.FirstCluster(), 100u);
    EXPECT_EQ(dialog_.Size(), 200u);
    EXPECT_EQ(dialog_.MethodCode(), 0);
  }
  // Mended input goes through.
  Submit(0, "1", "15", 6);
  EXPECT_FALSE(dialog_.isVisible());
  EXPECT_EQ(dialog_.Size(), 15ull << 60);
}

TEST_F(RecoveryMethodTest, SectorMethodSwitchesLabelsAndUnitCombos) {
  const QStringList units = {T(u"바이트"), "KB", "MB", "GB", "TB", "PB", "EB", "ZB", "YB"};
  auto unitTexts = [&] {
    QStringList texts;
    for (int i = 0; i < dialog_.SizeUnitCombo()->count(); ++i) texts << dialog_.SizeUnitCombo()->itemText(i);
    return texts;
  };
  EXPECT_EQ(dialog_.windowTitle(), T(u"복구방식 설정"));
  EXPECT_EQ(dialog_.MethodCombo()->count(), 3);
  EXPECT_EQ(dialog_.MethodCombo()->itemText(2), T(u"섹터알고리즘"));
  EXPECT_EQ(dialog_.ClusterSizeCombo()->count(), 18);
  EXPECT_EQ(dialog_.ClusterSizeCombo()->itemText(17), T(u"32 MB"));
  EXPECT_EQ(unitTexts(), units);
  EXPECT_TRUE(dialog_.SizeUnitCombo()->isEnabled());
  shell_test::SaveShot(dialog_, "recovery_method_basic");

  dialog_.SizeUnitCombo()->setCurrentIndex(2);
  dialog_.MethodCombo()->setCurrentIndex(2);
  EXPECT_EQ(dialog_.ClusterLabel()->text(), T(u"섹터:"));
  EXPECT_EQ(dialog_.SizeLabel()->text(), T(u"섹터갯수:"));
  EXPECT_EQ(unitTexts(), QStringList{T(u"개")});
  EXPECT_FALSE(dialog_.SizeUnitCombo()->isEnabled());
  EXPECT_FALSE(dialog_.ClusterSizeCombo()->isEnabled());
  shell_test::SaveShot(dialog_, "recovery_method_sector");

  dialog_.MethodCombo()->setCurrentIndex(0);
  EXPECT_EQ(dialog_.ClusterLabel()->text(), T(u"클러스터:"));
  EXPECT_EQ(dialog_.SizeLabel()->text(), T(u"파일크기:"));
  EXPECT_EQ(unitTexts(), units);
  EXPECT_EQ(dialog_.SizeUnitCombo()->currentIndex(), 0);
  EXPECT_TRUE(dialog_.SizeUnitCombo()->isEnabled());
  EXPECT_TRUE(dialog_.ClusterSizeCombo()->isEnabled());

  // A sector item opens with the sector form.
  CDlgRecoveryMethod sector;
  sector.SetItem(T(u"x"), 2, 63, 8, 0);
  EXPECT_EQ(sector.ClusterLabel()->text(), T(u"섹터:"));
  EXPECT_EQ(sector.SizeUnitCombo()->currentText(), T(u"개"));
}

TEST_F(RecoveryMethodTest, CancelKeepsTheItem) {
  dialog_.ClusterEdit()->setText("5");
  dialog_.NameEdit()->setText("other");
  QTest::mouseClick(dialog_.CancelButton(), Qt::LeftButton);
  EXPECT_EQ(dialog_.result(), QDialog::Rejected);
  EXPECT_EQ(dialog_.Name(), T(u"사진.jpg"));
  EXPECT_EQ(dialog_.FirstCluster(), 100u);
}

// A fixed size text, so the refresh can be seen without the utility module.
std::u16string FakeSizeText(double size, int, int, int, int) {
  return u"size " + platform::FromUtf8(std::to_string(static_cast<std::uint64_t>(size)));
}

TEST_F(DialogTest, AcceptedMethodRefreshesTheItemsTexts) {
  auto* saved = pfn_cvt_size_to_unit;
  pfn_cvt_size_to_unit = &FakeSizeText;
  drsave::QueueItem item = drsave::MakeHandMadeItem(u"old.bin", drsave::kMethodBasic, 9, 10);
  item.sizeText = u"size 10";
  ApplyRecoveryMethod({T(u"새.bin"), 2, 1ull << 33, 4096}, item);
  EXPECT_EQ(item.name, u"새.bin");
  EXPECT_EQ(item.methodCode, drsave::kMethodSector);
  EXPECT_EQ(item.methodText, u"섹터");
  EXPECT_EQ(item.firstCluster, 1ull << 33);
  EXPECT_EQ(item.clusterText, u"8589934592");
  EXPECT_EQ(item.size, 4096u);
  EXPECT_EQ(item.sizeText, u"size 4096");
  EXPECT_EQ(item.addedCluster, 9u);  // where the item was added from is not the method's business

  drsave::QueueItem folder = item;
  folder.sizeText = std::u16string(drsave::kFolderSizeText);
  ApplyRecoveryMethod({T(u"dir"), 1, 3, 0}, folder);
  EXPECT_EQ(folder.sizeText, drsave::kFolderSizeText);
  EXPECT_EQ(folder.methodText, u"선형");
  EXPECT_EQ(folder.clusterText, u"3");
  pfn_cvt_size_to_unit = saved;
}

TEST_F(DialogTest, RecoveryMethodRunnerFillsTheResult) {
  dlg::RegisterAllDialogs();
  {
    CDlgRecoveryMethod::Result result;
    WhenModal<CDlgRecoveryMethod> act([](CDlgRecoveryMethod* d) {
      EXPECT_EQ(d->NameEdit()->text(), T(u"보고서.hwp"));
      EXPECT_EQ(d->ClusterEdit()->text(), QStringLiteral("8589934593"));
      EXPECT_EQ(d->MethodCombo()->currentIndex(), 1);
      d->SizeEdit()->setText("3");
      d->SizeUnitCombo()->setCurrentIndex(2);
      QTest::mouseClick(d->OkButton(), Qt::LeftButton);
    });
    EXPECT_EQ(dlg::RunDialog("CDlgRecoveryMethod", T(u"보고서.hwp"), 1, quint64(8589934593ull), quint64(7), &result),
              1);
    EXPECT_EQ(result.name, T(u"보고서.hwp"));
    EXPECT_EQ(result.methodCode, 1);
    EXPECT_EQ(result.firstCluster, 8589934593ull);
    EXPECT_EQ(result.size, 3ull << 20);
  }
  {
    CDlgRecoveryMethod::Result untouched{T(u"keep"), 0, 1, 2};
    WhenModal<CDlgRecoveryMethod> act([](CDlgRecoveryMethod* d) { d->reject(); });
    EXPECT_EQ(dlg::RunDialog("CDlgRecoveryMethod", T(u"x"), 0, quint64(5), quint64(6), &untouched), 0);
    EXPECT_EQ(untouched.name, T(u"keep"));
  }
}

// ---- save folder ----

class DirectSaveTest : public DialogTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    ASSERT_TRUE(QDir(tmp_.path()).mkpath("저장 A"));
    ASSERT_TRUE(QDir(tmp_.path()).mkpath("저장 B"));
    folderA_ = QDir::cleanPath(tmp_.filePath("저장 A"));
    folderB_ = QDir::cleanPath(tmp_.filePath("저장 B"));
    g_strDefaultSaveFolder.clear();
    g_bDefaultSaveFolderSet = 0;
  }
  void TearDown() override {
    g_strDefaultSaveFolder.clear();
    g_bDefaultSaveFolderSet = 0;
  }
  void SetDefault(const QString& folder) {
    g_strDefaultSaveFolder = folder.toStdU16String();
    g_bDefaultSaveFolderSet = 1;
  }
  // Presses browse and picks the folder in the folder dialog.
  static void Browse(CDirectSaveDlg& d, const QString& folder) {
    WhenModal<QFileDialog> pick([folder](QFileDialog* picker) {
      const QFileInfo info(folder);
      picker->setDirectory(info.absolutePath());
      picker->selectFile(info.fileName());
      static_cast<QDialog*>(picker)->accept();  // the picker's own check runs
    });
    QTest::mouseClick(d.BrowseButton(), Qt::LeftButton);
  }
  QString DefaultFolder() const { return QString::fromStdU16String(g_strDefaultSaveFolder); }

  QTemporaryDir tmp_;
  QString folderA_;
  QString folderB_;
};

TEST_F(DirectSaveTest, DefaultFolderModeSetsTheProgramWideFolder) {
  CDirectSaveDlg d;
  d.SetMode(CDirectSaveDlg::kDefaultFolderMode);
  d.show();
  EXPECT_EQ(d.windowTitle(), T(u"저장위치"));
  EXPECT_EQ(d.Header()->Title(), T(u"저장위치"));
  EXPECT_EQ(d.Header()->Description(), T(u"복구할 데이터의 저장위치를 설정합니다."));
  EXPECT_EQ(d.BrowseButton()->text(), T(u"찾아보기(&B)..."));
  EXPECT_EQ(d.FolderText()->text(), T(u" 저장위치가 설정되어 있지 않습니다."));
  EXPECT_FALSE(d.OkButton()->isEnabled());
  EXPECT_FALSE(d.DefaultButton()->isEnabled());
  shell_test::SaveShot(d, "direct_save_unset");

  QTest::mouseClick(d.OpenButton(), Qt::LeftButton);
  EXPECT_EQ(sink_.Texts(), std::vector<std::u16string>{u"저장위치가 설정되어 있지 않습니다."});

  Browse(d, folderA_);
  EXPECT_EQ(d.ChosenFolder(), folderA_);
  EXPECT_EQ(d.FolderText()->text(), folderA_);
  EXPECT_TRUE(d.OkButton()->isEnabled());
  shell_test::SaveShot(d, "direct_save_chosen");
  QTest::mouseClick(d.OkButton(), Qt::LeftButton);
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(DefaultFolder(), folderA_);
  EXPECT_EQ(g_bDefaultSaveFolderSet, 1);
}

// With the focus left on "찾아보기" by the folder browser it opened, Enter presses "확인".
TEST_F(DirectSaveTest, EnterAfterBrowsingAcceptsTheDialog) {
  CDirectSaveDlg d;
  d.SetMode(CDirectSaveDlg::kDefaultFolderMode);
  d.show();
  d.activateWindow();
  d.BrowseButton()->setFocus();
  Browse(d, folderA_);
  ASSERT_EQ(d.ChosenFolder(), folderA_);
  ASSERT_TRUE(d.OkButton()->isEnabled());
  d.BrowseButton()->setFocus();
  int browsers = 0;
  WhenModal<QFileDialog> again([&](QFileDialog* picker) {
    ++browsers;
    picker->reject();
  });
  QTest::keyClick(d.BrowseButton(), Qt::Key_Return);
  EXPECT_EQ(browsers, 0);
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(DefaultFolder(), folderA_);
}

TEST_F(DirectSaveTest, ResetThenOkLeavesNoDefault) {
  SetDefault(folderA_);
  CDirectSaveDlg d;
  d.SetMode(CDirectSaveDlg::kDefaultFolderMode);
  d.SetInitialFolder(folderA_);
  d.show();
  EXPECT_EQ(d.FolderText()->text(), folderA_);
  EXPECT_TRUE(d.DefaultButton()->isEnabled());
  QTest::mouseClick(d.ResetButton(), Qt::LeftButton);
  EXPECT_EQ(d.FolderText()->text(), T(u" 저장위치가 설정되어 있지 않습니다."));
  EXPECT_TRUE(d.OkButton()->isEnabled());
  QTest::mouseClick(d.OkButton(), Qt::LeftButton);
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(g_bDefaultSaveFolderSet, 0);
  EXPECT_TRUE(g_strDefaultSaveFolder.empty());

  // With no default left, the next dialog offers none.
  CDirectSaveDlg next;
  next.show();
  EXPECT_FALSE(next.DefaultButton()->isEnabled());
}

TEST_F(DirectSaveTest, CancelAndPickingTheSameFolderChangeNothing) {
  SetDefault(folderA_);
  CDirectSaveDlg d;
  d.SetInitialFolder(folderA_);
  d.show();
  Browse(d, folderA_);
  EXPECT_FALSE(d.OkButton()->isEnabled());  // nothing changed
  Browse(d, folderB_);
  EXPECT_TRUE(d.OkButton()->isEnabled());
  QTest::mouseClick(d.CancelButton(), Qt::LeftButton);
  EXPECT_EQ(d.result(), QDialog::Rejected);
  EXPECT_EQ(DefaultFolder(), folderA_);
  EXPECT_EQ(g_bDefaultSaveFolderSet, 1);
}

int g_openCalls = 0;
std::u16string g_openedPath;
int FakeOpen(std::u16string path) {
  ++g_openCalls;
  g_openedPath = std::move(path);
  return 1;
}

TEST_F(DirectSaveTest, ItemModeTakesTheDefaultOrAFolderWithoutTouchingTheDefault) {
  SetDefault(folderA_);
  CDirectSaveDlg d;
  d.SetMode(CDirectSaveDlg::kItemMode);
  d.show();
  EXPECT_EQ(d.FolderText()->text(), T(u" 저장위치를 변경합니다."));
  EXPECT_FALSE(d.OkButton()->isEnabled());
  shell_test::SaveShot(d, "direct_save_items");

  QTest::mouseClick(d.DefaultButton(), Qt::LeftButton);
  EXPECT_EQ(d.ChosenFolder(), folderA_);
  EXPECT_EQ(d.FolderText()->text(), folderA_);
  EXPECT_TRUE(d.OkButton()->isEnabled());
  QTest::mouseClick(d.DefaultButton(), Qt::LeftButton);
  EXPECT_EQ(sink_.Texts(), std::vector<std::u16string>{u"설정된 저장위치는 기본값과 동일합니다."});

  // "열기" hands the chosen folder to the system module.
  auto* savedOpen = pfn_open_process;
  pfn_open_process = &FakeOpen;
  g_openCalls = 0;
  QTest::mouseClick(d.OpenButton(), Qt::LeftButton);
  pfn_open_process = savedOpen;
  EXPECT_EQ(g_openCalls, 1);
  EXPECT_EQ(g_openedPath, folderA_.toStdU16String());

  Browse(d, folderB_);
  QTest::mouseClick(d.OkButton(), Qt::LeftButton);
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(d.InitialFolder(), folderB_);
  EXPECT_EQ(DefaultFolder(), folderA_);
  EXPECT_EQ(g_bDefaultSaveFolderSet, 1);
}

TEST_F(DirectSaveTest, RunnerAsTheFrameAndTheQueueCallIt) {
  dlg::RegisterAllDialogs();
  SetDefault(folderA_);
  // The frame's command: default-folder mode, starting from the default folder.
  {
    const QString b = folderB_;
    WhenModal<CDirectSaveDlg> act([b](CDirectSaveDlg* d) {
      EXPECT_EQ(d->Mode(), CDirectSaveDlg::kDefaultFolderMode);
      EXPECT_EQ(d->FolderText()->text(), QString::fromStdU16String(g_strDefaultSaveFolder));
      Browse(*d, b);
      QTest::mouseClick(d->OkButton(), Qt::LeftButton);
    });
    EXPECT_EQ(dlg::RunDialog("CDirectSaveDlg", 1), 1);
    EXPECT_EQ(DefaultFolder(), folderB_);
  }
  // The queue's command: item mode, the folder handed back.
  {
    CDirectSaveDlg::Result result;
    WhenModal<CDirectSaveDlg> act([](CDirectSaveDlg* d) {
      EXPECT_EQ(d->Mode(), CDirectSaveDlg::kItemMode);
      QTest::mouseClick(d->DefaultButton(), Qt::LeftButton);
      QTest::mouseClick(d->OkButton(), Qt::LeftButton);
    });
    EXPECT_EQ(dlg::RunDialog("CDirectSaveDlg", 0, QString(), &result), 1);
    EXPECT_EQ(result.folder, folderB_);
  }
  {
    CDirectSaveDlg::Result cancelled{QStringLiteral("kept")};
    WhenModal<CDirectSaveDlg> act([](CDirectSaveDlg* d) { QTest::mouseClick(d->CancelButton(), Qt::LeftButton); });
    EXPECT_EQ(dlg::RunDialog("CDirectSaveDlg", 0, QString(), &cancelled), 0);
    EXPECT_EQ(cancelled.folder, QStringLiteral("kept"));
  }
}

// ---- rename on conflict ----

class AttrChangeTest : public DialogTest {
 protected:
  void SetUp() override {
    dialog_.SetSourceName(QStringLiteral("report 2024.txt"));
    dialog_.show();
  }
  void Type(const QString& name) {
    dialog_.TargetEdit()->setText(name);
    QTest::mouseClick(dialog_.ChangeButton(), Qt::LeftButton);
  }
  CDlgAttrChangeBox dialog_;
};

TEST_F(AttrChangeTest, FormShowsTheSourceName) {
  EXPECT_EQ(dialog_.windowTitle(), T(u"속성 변경도구"));
  EXPECT_EQ(dialog_.Header()->Title(), T(u"속성 변경도구"));
  EXPECT_EQ(dialog_.Header()->Description(), T(u"속성을 변경합니다."));
  EXPECT_EQ(dialog_.Hint()->text(), T(u"기존 파일을 덮어쓰지 않도록 파일명을 변경합니다."));
  EXPECT_EQ(dialog_.SourceEdit()->text(), QStringLiteral("report 2024.txt"));
  EXPECT_TRUE(dialog_.SourceEdit()->isReadOnly());
  EXPECT_EQ(dialog_.TargetEdit()->text(), QStringLiteral("report 2024.txt"));
  EXPECT_EQ(dialog_.ChangeButton()->text(), T(u"변경"));
  EXPECT_EQ(dialog_.DontAskCheck()->text(), T(u"다시 묻지 않기"));
  shell_test::SaveShot(dialog_, "attr_change");

  dialog_.TargetEdit()->setText("other");
  QTest::mouseClick(dialog_.DefaultButton(), Qt::LeftButton);
  EXPECT_EQ(dialog_.TargetEdit()->text(), QStringLiteral("report 2024.txt"));
  EXPECT_TRUE(dialog_.isVisible());
}

TEST_F(AttrChangeTest, TrimsTheEndsOnlyAndKeepsInnerBlanks) {
  Type(QStringLiteral("  new  report 2024.txt   "));
  EXPECT_EQ(dialog_.result(), CDlgAttrChangeBox::kRenamed);
  EXPECT_FALSE(dialog_.isVisible());
  EXPECT_EQ(dialog_.TargetName(), QStringLiteral("new  report 2024.txt"));
  EXPECT_TRUE(sink_.Texts().empty());
}

TEST_F(AttrChangeTest, RefusesEmptyAndUnwritableNames) {
  const std::u16string empty = u"기존파일에 덮어쓰거나 파일명 변경을 원치 않으면 취소를 선택하십시오.";
  const std::u16string unusable =
      u"사용할 수 없는 파일명입니다.\r\n\n'/' 문자나 NUL 문자가 들어 있거나 '.', '..'인 이름은 쓸 수 없습니다.";
  const struct {
    QString typed;
    std::u16string message;
  } cases[] = {
      {QString(), empty},
      {QStringLiteral("    "), empty},
      {QStringLiteral("a/b.txt"), unusable},
      {QStringLiteral("/"), unusable},
      {QStringLiteral("../x"), unusable},
      {QStringLiteral("."), unusable},
      {QStringLiteral(".."), unusable},
      {QStringLiteral("  ..  "), unusable},
      {QString("a") + QChar(u'\0') + QString("b"), unusable},
  };
  for (const auto& c : cases) {
    sink_.Clear();
    Type(c.typed);
    EXPECT_TRUE(dialog_.isVisible()) << c.typed.toStdString();
    EXPECT_EQ(sink_.Texts(), std::vector<std::u16string>{c.message}) << c.typed.toStdString();
    EXPECT_TRUE(dialog_.TargetName().isEmpty());
  }
  // Names that only look odd are fine.
  Type(QStringLiteral("...x"));
  EXPECT_EQ(dialog_.result(), CDlgAttrChangeBox::kRenamed);
  EXPECT_EQ(dialog_.TargetName(), QStringLiteral("...x"));
}

TEST_F(AttrChangeTest, TheSourceNameInAnyLetterCaseAsksBeforeOverwriting) {
  sink_.QueueAnswer(MsgAnswer::No);
  Type(QStringLiteral(" REPORT 2024.TXT"));
  EXPECT_TRUE(dialog_.isVisible());
  const auto messages = sink_.Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].text, u"기존 파일명과 동일합니다.\r\n\n정말 덮어쓰시겠습니까?");
  EXPECT_EQ(messages[0].buttons, platform::MsgButtons::YesNo);
  EXPECT_EQ(messages[0].icon, platform::MsgIcon::Question);
  EXPECT_EQ(messages[1].text, u"원본과 다른 파일명으로 변경하십시오.");
  EXPECT_TRUE(dialog_.TargetName().isEmpty());

  sink_.QueueAnswer(MsgAnswer::Yes);
  Type(QStringLiteral("REPORT 2024.TXT"));
  EXPECT_FALSE(dialog_.isVisible());
  EXPECT_EQ(dialog_.result(), CDlgAttrChangeBox::kOverwrite);
  EXPECT_EQ(dialog_.TargetName(), QStringLiteral("REPORT 2024.TXT"));
}

// The queue replaces the old file exactly when the answer folds to the old name, so the dialog
// asks about overwriting by that same rule, including letters whose folding rules differ.
TEST_F(AttrChangeTest, AsksAboutOverwritingExactlyWhenTheQueueWouldReplace) {
  const struct {
    const char16_t* source;
    const char16_t* typed;
    bool replaces;
  } cases[] = {
      {u"\u0130.txt", u"i.txt", true},          // dotted capital I folds to i
      {u"\u212A.txt", u"k.txt", true},          // Kelvin sign folds to k
      {u"\u03C2.txt", u"\u03C3.txt", false},    // final sigma is its own letter
      {u"\u00DF.txt", u"ss.txt", false},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(drsave::FolderIndex::Fold(c.source) == drsave::FolderIndex::Fold(c.typed), c.replaces)
        << platform::ToUtf8(c.typed);
    CDlgAttrChangeBox dialog;
    dialog.SetSourceName(T(c.source));
    dialog.show();
    sink_.Clear();
    sink_.QueueAnswer(MsgAnswer::Yes);
    dialog.TargetEdit()->setText(T(c.typed));
    QTest::mouseClick(dialog.ChangeButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible()) << platform::ToUtf8(c.typed);
    EXPECT_EQ(dialog.result(), c.replaces ? CDlgAttrChangeBox::kOverwrite : CDlgAttrChangeBox::kRenamed)
        << platform::ToUtf8(c.typed);
    EXPECT_EQ(sink_.Texts().size(), c.replaces ? 1u : 0u) << platform::ToUtf8(c.typed);
    EXPECT_EQ(dialog.TargetName(), T(c.typed));
  }
}

TEST_F(AttrChangeTest, CancelAndEscapeLeaveNoName) {
  QTest::mouseClick(dialog_.CancelButton(), Qt::LeftButton);
  EXPECT_EQ(dialog_.result(), CDlgAttrChangeBox::kCancelled);
  EXPECT_TRUE(dialog_.TargetName().isEmpty());
  dialog_.show();
  QTest::keyClick(&dialog_, Qt::Key_Escape);
  EXPECT_FALSE(dialog_.isVisible());
  EXPECT_EQ(dialog_.result(), CDlgAttrChangeBox::kCancelled);
  EXPECT_TRUE(dialog_.TargetName().isEmpty());
}

TEST_F(DialogTest, RenameRunnerGivesTheAnswerAndTheName) {
  dlg::RegisterAllDialogs();
  struct Case {
    std::function<void(CDlgAttrChangeBox*)> act;
    int code;
    QString name;
  };
  const Case cases[] = {
      {[](CDlgAttrChangeBox* d) {
         d->TargetEdit()->setText(T(u" 사진 (2).jpg "));
         QTest::keyClick(d->TargetEdit(), Qt::Key_Return);
       },
       CDlgAttrChangeBox::kRenamed, T(u"사진 (2).jpg")},
      {[](CDlgAttrChangeBox* d) {
         d->TargetEdit()->setText(T(u"사진.JPG"));
         QTest::mouseClick(d->ChangeButton(), Qt::LeftButton);
       },
       CDlgAttrChangeBox::kOverwrite, T(u"사진.JPG")},
      {[](CDlgAttrChangeBox* d) { QTest::mouseClick(d->CancelButton(), Qt::LeftButton); },
       CDlgAttrChangeBox::kCancelled, QString()},
  };
  for (const Case& c : cases) {
    sink_.QueueAnswer(MsgAnswer::Yes);
    CDlgAttrChangeBox::Result result{QStringLiteral("stale")};
    WhenModal<CDlgAttrChangeBox> answer([act = c.act](CDlgAttrChangeBox* d) {
      EXPECT_EQ(d->SourceEdit()->text(), T(u"사진.jpg"));
      act(d);
    });
    EXPECT_EQ(dlg::RunDialog("CDlgAttrChangeBox", T(u"사진.jpg"), &result), c.code);
    EXPECT_EQ(result.targetName, c.name);
  }
}

}  // namespace
