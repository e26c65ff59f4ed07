#include <gtest/gtest.h>

#include <QDialog>
#include <QPushButton>
#include <QTimer>

#include <cstdint>
#include <memory>

#include "Pellamor/AppRecords.h"
#include "Pellamor/DLG/CDirectSaveDlg/CDirectSaveDlg.h"
#include "Pellamor/DLG/CDlgAttrChangeBox/CDlgAttrChangeBox.h"
#include "Pellamor/DLG/CDlgFileTypeBox/CDlgFileTypeBox.h"
#include "Pellamor/DLG/CDlgRecoveryMethod/CDlgRecoveryMethod.h"
#include "Pellamor/DLG/CDlgScanBox_FAT/CDlgScanBox_FAT.h"
#include "Pellamor/DLG/CDriveBoxMainDlg/CDriveBoxMainDlg.h"
#include "Pellamor/DLG/CPropertyEditDlg/CPropertyEditDlg.h"
#include "Pellamor/DLG/DRSaveBox/DRSaveBox.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/DLG/ListInfoBox/DlgListInfoBox.h"
#include "platform/message.h"
#include "shell_support.h"
#include "tests/support/test_support.h"

namespace {

// The drive picker lives in Pellamor/DLG/CDriveBoxMainDlg/: the start-up list registers it from
// there, so this proves that the build takes the sources of a dialog's own folder.
TEST(Dialogs, TheStartUpListRegistersTheDialogsOfTheirFolders) {
  shell_test::App();
  dlg::RegisterAllDialogs();
  dlg::RegisterAllDialogs();  // once only; a second call changes nothing
  ASSERT_TRUE(dlg::HasDialog("CDriveBoxMainDlg"));
  testing_support::ScopedDrives none({});
  platform::RecordingMessageSink sink;
  platform::ScopedMessageSink guard(&sink);
  EXPECT_EQ(dlg::RunDialog("CDriveBoxMainDlg", 2), 0);
  EXPECT_TRUE(sink.Saw(u"드라이브가 선택되지 않았습니다."));
}

// A dialog built by its factory gets the runner's arguments and gives its result back.
class CDlgSumTest : public QDialog {
 public:
  explicit CDlgSumTest(const dlg::DialogArgs& args) {
    int sum = 0;
    for (const QVariant& v : args) sum += v.toInt();
    QTimer::singleShot(0, this, [this, sum] { done(sum); });
  }
};

TEST(Dialogs, TheRunnerPassesArgumentsAndGivesTheResult) {
  shell_test::App();
  int built = 0;
  dlg::RegisterDialog("CDlgSumTest", [&](QWidget*, const dlg::DialogArgs& args) {
    ++built;
    return std::make_unique<CDlgSumTest>(args);
  });
  EXPECT_EQ(dlg::RunDialog("CDlgSumTest", 3, 4), 7);
  EXPECT_EQ(dlg::RunDialog("CDlgSumTest", 3u, std::int64_t{4}, "5", QStringLiteral("6")), 18);
  EXPECT_EQ(dlg::RunDialog("CDlgSumTest"), 0);
  EXPECT_EQ(built, 3);
  EXPECT_EQ(dlg::RunDialog("CDlgNotThere", 1), 0);
  EXPECT_FALSE(dlg::HasDialog("CDlgNotThere"));
  dlg::RegisterDialog("CDlgSumTest", {});
}

// A name reaches the typed entry: the values are decoded once into the dialog's arguments, and the
// answer comes back as 1 and through the Result* among them.
TEST(Dialogs, ANameReachesTheTypedEntryAndItsAnswer) {
  shell_test::App();
  dlg::RegisterAllDialogs();
  std::optional<CDirectSaveDlg::Args> seen;
  dlg::ScopedReplacement<CDirectSaveDlg> fake(
      [&](QWidget*, const CDirectSaveDlg::Args& args) -> std::optional<CDirectSaveDlg::Result> {
        seen = args;
        if (args.initialFolder == QStringLiteral("no")) return std::nullopt;
        return CDirectSaveDlg::Result{QStringLiteral("/chosen")};
      });
  CDirectSaveDlg::Result result;
  EXPECT_EQ(dlg::RunDialog("CDirectSaveDlg", CDirectSaveDlg::kItemMode, QStringLiteral("/start"), &result), 1);
  ASSERT_TRUE(seen);
  EXPECT_EQ(seen->mode, CDirectSaveDlg::kItemMode);
  EXPECT_EQ(seen->initialFolder, QStringLiteral("/start"));
  EXPECT_EQ(result.folder, QStringLiteral("/chosen"));

  CDirectSaveDlg::Result untouched{QStringLiteral("kept")};
  EXPECT_EQ(dlg::RunDialog("CDirectSaveDlg", CDirectSaveDlg::kItemMode, QStringLiteral("no"), &untouched), 0);
  EXPECT_EQ(untouched.folder, QStringLiteral("kept"));

  EXPECT_EQ(dlg::RunDialog("CDirectSaveDlg"), 1);  // no values: default-folder mode, no folder given
  EXPECT_EQ(seen->mode, CDirectSaveDlg::kDefaultFolderMode);
  EXPECT_FALSE(seen->initialFolder);
}

// Every converted dialog's name decodes its values into its typed arguments and hands the typed
// answer back: the code, and the Result* among the values.
TEST(Dialogs, EachNameDecodesItsArgumentsForTheTypedEntry) {
  shell_test::App();
  dlg::RegisterAllDialogs();
  {
    std::optional<CDlgRecoveryMethod::Args> seen;
    dlg::ScopedReplacement<CDlgRecoveryMethod> fake([&](QWidget*, const CDlgRecoveryMethod::Args& args) {
      seen = args;
      return std::optional<CDlgRecoveryMethod::Result>(CDlgRecoveryMethod::Result{args.name, 2, 9, 10});
    });
    CDlgRecoveryMethod::Result result;
    EXPECT_EQ(dlg::RunDialog("CDlgRecoveryMethod", QStringLiteral("a.txt"), 1, quint64(1) << 40, quint64(7), &result),
              1);
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->methodCode, 1);
    EXPECT_EQ(seen->firstCluster, std::uint64_t{1} << 40);
    EXPECT_EQ(seen->size, 7u);
    EXPECT_EQ(result.name, QStringLiteral("a.txt"));
    EXPECT_EQ(result.methodCode, 2);
  }
  {
    dlg::ScopedReplacement<CDlgAttrChangeBox> fake([](QWidget*, const CDlgAttrChangeBox::Args& args) {
      return CDlgAttrChangeBox::Result{args.sourceName + QStringLiteral(" (2)"), CDlgAttrChangeBox::kOverwrite};
    });
    CDlgAttrChangeBox::Result result;
    EXPECT_EQ(dlg::RunDialog("CDlgAttrChangeBox", QStringLiteral("b"), &result), CDlgAttrChangeBox::kOverwrite);
    EXPECT_EQ(result.targetName, QStringLiteral("b (2)"));
  }
  {
    char seen = 0;
    dlg::ScopedReplacement<CDlgScanBox_FAT> fake([&](QWidget*, const CDlgScanBox_FAT::Args& args) {
      seen = args.letter;
      return 5;
    });
    EXPECT_EQ(dlg::RunDialog("CDlgScanBox_FAT", 'E'), 5);
    EXPECT_EQ(seen, 'E');
    EXPECT_EQ(dlg::RunDialog("CDlgScanBox_FAT", QStringLiteral("F")), 5);
    EXPECT_EQ(seen, 'F');
  }
  {
    int seen = 0;
    dlg::ScopedReplacement<CDriveBoxMainDlg> fake([&](QWidget*, const CDriveBoxMainDlg::Args& args) {
      seen = args.page;
      return std::optional<CDriveBoxMainDlg::Result>(CDriveBoxMainDlg::Result{'H'});
    });
    CDriveBoxMainDlg::Result result;
    EXPECT_EQ(dlg::RunDialog("CDriveBoxMainDlg", 4, &result), 1);
    EXPECT_EQ(seen, 4);
    EXPECT_EQ(result.letter, 'H');
    EXPECT_EQ(dlg::RunDialog("CDriveBoxMainDlg"), 1);
    EXPECT_EQ(seen, 2);  // the drive page when none is given
  }
  {
    int seen = 0;
    dlg::ScopedReplacement<CPropertyEditDlg> fake([&](QWidget*, const CPropertyEditDlg::Args& args) {
      seen = args.index;
      return 1;
    });
    EXPECT_EQ(dlg::RunDialog("CPropertyEditDlg", 12), 1);
    EXPECT_EQ(seen, 12);
  }
}

// Enter presses a dialog's default button wherever the focus is: no push button of the shell's
// dialogs is auto-default, so a browse button with the focus is never pressed again by Enter.
TEST(Dialogs, NoPushButtonOfTheShellIsAutoDefault) {
  shell_test::App();
  testing_support::ScopedDrives none({});
  platform::RecordingMessageSink sink;
  platform::ScopedMessageSink guard(&sink);
  APPSETTINGS settings;
  std::vector<std::unique_ptr<QDialog>> dialogs;
  dialogs.push_back(std::make_unique<CDirectSaveDlg>());
  dialogs.push_back(std::make_unique<CDlgAttrChangeBox>());
  dialogs.push_back(std::make_unique<CDlgFileTypeBox>(&settings));
  dialogs.push_back(std::make_unique<CDlgRecoveryMethod>());
  dialogs.push_back(std::make_unique<CDlgScanBox_FAT>('Z'));
  dialogs.push_back(std::make_unique<CDriveBoxMainDlg>(4));  // the image page, with its browse button
  dialogs.push_back(std::make_unique<CPropertyEditDlg>(-1));
  dialogs.push_back(std::make_unique<CDlgListInfoBox>());
  dialogs.push_back(std::make_unique<CDRSaveBox>(nullptr, nullptr));
  int browseButtons = 0;
  for (const auto& d : dialogs) {
    SCOPED_TRACE(d->metaObject()->className());
    d->show();
    const QList<QPushButton*> buttons = d->findChildren<QPushButton*>();
    EXPECT_FALSE(buttons.isEmpty());
    for (QPushButton* b : buttons) {
      SCOPED_TRACE(b->text().toStdString());
      EXPECT_FALSE(b->autoDefault());
      if (b->text().startsWith(QString::fromUtf16(u"찾아보기"))) {
        ++browseButtons;
        EXPECT_FALSE(b->isDefault());
      }
    }
    d->hide();
  }
  EXPECT_EQ(browseButtons, 2);  // the save folder's and the picker's image page
}

TEST(Dialogs, ArgumentDecoders) {
  const dlg::DialogArgs values{QStringLiteral("F"), int('G'), 0, QString(), 7};
  EXPECT_EQ(dlg::LetterArg(values, 0), 'F');
  EXPECT_EQ(dlg::LetterArg(values, 1), 'G');
  EXPECT_EQ(dlg::LetterArg(values, 2), 0);
  EXPECT_EQ(dlg::LetterArg(values, 3), 0);
  EXPECT_EQ(dlg::LetterArg(values, 9), 0);
  EXPECT_EQ(dlg::IntArg(values, 4), 7);
  EXPECT_EQ(dlg::IntArg(values, 9, -1), -1);
  EXPECT_EQ(dlg::IntArg(values, 0, -1), -1);  // a text that is no number
  EXPECT_EQ(dlg::StringArg(values, 0), QStringLiteral("F"));
  EXPECT_TRUE(dlg::StringArg(values, 1).isEmpty());
}

}  // namespace
