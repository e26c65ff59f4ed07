#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QPushButton>
#include <QUrl>

#include <vector>

#include "Pellamor/DLG/CAboutSheet/CAboutSheet.h"
#include "Pellamor/DLG/CAboutSheet/OpenHomepage.h"
#include "Pellamor/DLG/Dialogs.h"
#include "controls/GridListCtrlGroups.h"
#include "controls/TabCtrlSSL.h"
#include "corvane/dll_processor.h"
#include "corvane/module_table.h"
#include "platform/message.h"
#include "shell_support.h"
#include "tests/modules/module_env.h"

// Catches the addresses that the desktop would open.
class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  std::vector<QUrl> opened;

 public slots:
  void Open(const QUrl& url) { opened.push_back(url); }
};

namespace {

class AboutSheetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shell_test::App();
    folder_.CopyAllBut({});
    loader_ = std::make_unique<module_env::ScopedLoader>(folder_.path());
    LoadModuleTable();
    BindAllModules();
    ASSERT_EQ(CheckModuleExports(), 1);
    InitModules();
  }
  void TearDown() override { loader_.reset(); }

  module_env::ProgramFolder folder_;
  std::unique_ptr<module_env::ScopedLoader> loader_;
};

TEST_F(AboutSheetTest, TheModulePageListsEveryRowInTableOrder) {
  CAboutSheet sheet;
  CGridListCtrlGroups* list = sheet.ModulePage()->List();
  ASSERT_EQ(list->GetItemCount(), 25);
  for (int i = 0; i < 25; ++i) EXPECT_EQ(list->GetItemText(i, 0).toStdString(), module_versions::kRows[i].identifier);
  EXPECT_EQ(list->GetItemText(0, 0), "UIFRM");
  EXPECT_EQ(list->GetItemText(24, 0), "DB_SAVEBOX");

  struct Row {
    const char* name;
    const char* version;
    const char* date;
  };
  // A listed-only row shows its stored record; a loaded one what its module reports.
  const Row rows[] = {{"os.dll", "6.0", "2009-11-27"}, {"ntfs.dll", "6.0", "2009-12-18"},
                      {"UIFRM", "5.0", "2010-03-01"}, {"disk.dll", "6.0", "2010-01-09"}};
  for (const Row& r : rows) {
    const int place = FindModuleRow(QString::fromLatin1(r.name).toStdU16String());
    ASSERT_GE(place, 0) << r.name;
    EXPECT_EQ(list->GetItemText(place, 1), r.version) << r.name;
    EXPECT_EQ(list->GetItemText(place, 2), "0") << r.name;
    EXPECT_EQ(list->GetItemText(place, 3), "0") << r.name;
    EXPECT_EQ(list->GetItemText(place, 4), r.date) << r.name;
    EXPECT_EQ(list->GetItemText(place, 5), QString::fromStdU16String(FormatModuleVersionText(place, 16))) << r.name;
    EXPECT_FALSE(list->GetItemText(place, 5).isEmpty());
  }
  EXPECT_EQ(IsLoadableModule(FindModuleRow(u"os.dll")), 0);

  sheet.show();
  gui_test::Settle();
  shell_test::SaveShot(sheet, "about_modules");
  sheet.Tabs()->setCurrentIndex(1);
  gui_test::Settle();
  shell_test::SaveShot(sheet, "about_notices");
}

TEST_F(AboutSheetTest, OnlyOkStandsCentredAndTheSheetIsCentred) {
  QWidget owner;
  owner.setGeometry(100, 80, 1000, 700);
  owner.show();
  CAboutSheet sheet(&owner);
  sheet.show();
  gui_test::Settle();
  EXPECT_EQ(sheet.Tabs()->count(), 2);
  EXPECT_EQ(sheet.Tabs()->tabText(0), QString::fromUtf16(u"버전정보"));
  EXPECT_EQ(sheet.Tabs()->tabText(1), QString::fromUtf16(u"저작권"));
  std::vector<QPushButton*> shown;
  for (QPushButton* b : sheet.findChildren<QPushButton*>())
    if (b->isVisibleTo(&sheet)) shown.push_back(b);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], sheet.OkButton());
  EXPECT_NEAR(sheet.OkButton()->geometry().center().x(), sheet.width() / 2, 2);
  EXPECT_NEAR(sheet.frameGeometry().center().x(), owner.frameGeometry().center().x(), 2);
  EXPECT_NEAR(sheet.frameGeometry().center().y(), owner.frameGeometry().center().y(), 2);
}

TEST_F(AboutSheetTest, TheRegistryNameOpensTheGivenPage) {
  dlg::RegisterAllDialogs();
  int page = -1;
  shell_test::WhenModal<CAboutSheet> act([&](CAboutSheet* s) {
    page = s->Tabs()->currentIndex();
    s->OkButton()->click();
  });
  EXPECT_EQ(dlg::RunDialog("CAboutSheet", 1), 1);
  EXPECT_EQ(page, 1);
}

TEST(Homepage, NoOpensNothingAndYesOpensTheAddressOnce) {
  shell_test::App();
  dlg::RegisterAllDialogs();
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
  platform::RecordingMessageSink sink;
  platform::ScopedMessageSink guard(&sink);
  sink.QueueAnswer(platform::MsgAnswer::No);
  EXPECT_EQ(dlg::RunDialog("HomePage"), 0);
  EXPECT_TRUE(catcher.opened.empty());
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_EQ(sink.Messages()[0].text, u"펠라모르 홈페이지를 여시겠습니까?");
  EXPECT_EQ(sink.Messages()[0].buttons, platform::MsgButtons::YesNo);
  EXPECT_EQ(sink.Messages()[0].icon, platform::MsgIcon::Question);
  sink.QueueAnswer(platform::MsgAnswer::Yes);
  EXPECT_EQ(dlg::RunDialog("HomePage"), 1);
  ASSERT_EQ(catcher.opened.size(), 1u);
  EXPECT_EQ(catcher.opened[0], QUrl(QString::fromLatin1(kHomepageAddress)));

  // The record mode opens the record's address and clears the caller's flag.
  const QString record = QStringLiteral("https://www.pellamor.example/notice");
  bool done = true;
  EXPECT_TRUE(OpenHomepage(QString(), 1, &record, &done));
  EXPECT_FALSE(done);
  ASSERT_EQ(catcher.opened.size(), 2u);
  EXPECT_EQ(catcher.opened[1], QUrl(record));
  QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

TEST(ReleaseOwnedWindow, DeletesTheObjectAndClearsThePointer) {
  shell_test::App();
  QWidget* window = new QWidget;
  QPointer<QWidget> watch(window);
  ReleaseOwnedWindow(window);
  EXPECT_EQ(window, nullptr);
  EXPECT_TRUE(watch.isNull());
  ReleaseOwnedWindow(window);  // a null pointer is left alone
}

}  // namespace

#include "about_sheet_test.moc"
