#include <gtest/gtest.h>

#include "Pellamor/CommandIds.h"
#include "Pellamor/DLG/CDiskHexDlg/CDiskHexDlg.h"
#include "Pellamor/DLG/CDlgDiskUsageBox/CDlgDiskUsageBox.h"
#include "Pellamor/DLG/CDlgInstSwListBox/CDlgInstSwListBox.h"
#include "Pellamor/DLG/CDlgSysInfoBox/CDlgSysInfoBox.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/MainFrame.h"
#include "Pellamor/Settings.h"
#include "platform/message.h"
#include "shell_support.h"
#include "tests/support/test_support.h"

namespace {

// The frame's tool commands reach the tool dialogs' entries (the ones without a menu item too).
TEST(ToolCommands, EachCommandOpensItsDialog) {
  shell_test::App();
  testing_support::TempDir dir;
  profile::SetProfileFile(QString::fromStdString(dir.File("profile.ini")));
  platform::RecordingMessageSink sink;
  platform::ScopedMessageSink guard(&sink);
  dlg::RegisterAllDialogs();
  std::vector<int> opened;
  dlg::ScopedReplacement<CDiskHexDlg> hex([&](QWidget*, const CDiskHexDlg::Args&) {
    opened.push_back(cmd::kDiskHex);
    return 1;
  });
  dlg::ScopedReplacement<CDlgDiskUsageBox> usage([&](QWidget*, const CDlgDiskUsageBox::Args& args) {
    EXPECT_EQ(args.letter, 0);  // the menu shows no drive at first
    opened.push_back(cmd::kDiskUsage);
    return 1;
  });
  dlg::ScopedReplacement<CDlgSysInfoBox> info([&](QWidget*, const CDlgSysInfoBox::Args&) {
    opened.push_back(cmd::kSysInfo);
    return 1;
  });
  dlg::ScopedReplacement<CDlgInstSwListBox> software([&](QWidget*, const CDlgInstSwListBox::Args&) {
    opened.push_back(cmd::kInstalledSoftware);
    return 1;
  });
  {
    CMainFrame frame;
    for (int id : {cmd::kDiskHex, cmd::kDiskUsage, cmd::kSysInfo, cmd::kInstalledSoftware}) {
      EXPECT_TRUE(frame.UpdateCommand(id).enabled) << id;
      EXPECT_TRUE(frame.RunCommand(id)) << id;
    }
  }
  EXPECT_EQ(opened, (std::vector<int>{cmd::kDiskHex, cmd::kDiskUsage, cmd::kSysInfo, cmd::kInstalledSoftware}));
  EXPECT_TRUE(sink.Texts().empty());
  profile::SetProfileFile({});
}

}  // namespace
