#include <gtest/gtest.h>

#include <QDialog>
#include <QTimer>

#include <cstdint>
#include <memory>

#include "Pellamor/DLG/CDirectSaveDlg/CDirectSaveDlg.h"
#include "Pellamor/DLG/Dialogs.h"
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
