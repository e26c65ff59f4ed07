#include <gtest/gtest.h>

#include <QDialog>
#include <QTimer>

#include <cstdint>
#include <memory>

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

}  // namespace
