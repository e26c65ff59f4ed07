#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <functional>
#include <utility>
#include <vector>

#include "controls/FolderDialog.h"
#include "tests/support/gui_support.h"
#include "tests/support/test_support.h"

namespace {

using gui_test::App;
using gui_test::SaveShot;

QFileDialog* OpenBrowser() { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); }

QLineEdit* NameEdit(QFileDialog* browser) { return browser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")); }

// Runs DoModal; the user's part runs once the browser is up. A browser the user's part left open
// is cancelled, so a failing case ends; any other modal window that opens on top of the browser is
// counted and closed.
int RunWith(CFolderDialog& dialog, const std::function<void(QFileDialog*)>& user, int* otherModals = nullptr) {
  QPointer<QFileDialog> browser;
  QTimer guard;
  guard.setInterval(0);
  QObject::connect(&guard, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (browser && modal && modal != browser) {
      if (otherModals) ++*otherModals;
      modal->close();
    }
  });
  QTimer::singleShot(0, [&] {
    browser = OpenBrowser();
    guard.start();
    if (browser) user(browser);
    QTimer::singleShot(0, [left = browser] {
      if (left && left->isVisible()) left->reject();
    });
  });
  return dialog.DoModal();
}

class FolderDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    QDir(root()).mkpath("target");
    QDir(root()).mkpath("other");
  }
  QString root() const { return QString::fromStdString(dir_.path()); }
  testing_support::TempDir dir_;
};

TEST_F(FolderDialogTest, OkReturnsTheInitialFolderItSelected) {
  const QString target = root() + "/target";
  CFolderDialog dialog(target);
  QString title;
  QString typed;
  const int result = RunWith(dialog, [&](QFileDialog* browser) {
    title = browser->windowTitle();
    typed = NameEdit(browser)->text();
    SaveShot(*browser, "folder_dialog");
    QTest::keyClick(NameEdit(browser), Qt::Key_Return);
  });
  EXPECT_EQ(result, CFolderDialog::kOk);
  EXPECT_EQ(dialog.GetFolderPath(), target);
  EXPECT_EQ(title, QString::fromUtf16(u"복구할 데이터가 저장될 폴더를 선택하십시오:"));
  EXPECT_EQ(typed, "target");
  EXPECT_EQ(dialog.Browser(), nullptr);
}

TEST_F(FolderDialogTest, CancelReturnsTwoAndKeepsThePath) {
  CFolderDialog dialog(root() + "/target");
  ASSERT_EQ(RunWith(dialog, [](QFileDialog* browser) { QTest::keyClick(NameEdit(browser), Qt::Key_Return); }),
            CFolderDialog::kOk);
  const QString before = dialog.GetFolderPath();
  EXPECT_EQ(RunWith(dialog, [](QFileDialog* browser) { QTest::keyClick(NameEdit(browser), Qt::Key_Escape); }),
            CFolderDialog::kCancel);
  EXPECT_EQ(dialog.GetFolderPath(), before);
}

TEST_F(FolderDialogTest, TypedMissingFolderKeepsTheBrowserOpen) {
  CFolderDialog dialog(root() + "/target");
  bool stillOpen = false;
  int otherModals = 0;
  const int result = RunWith(dialog, [&](QFileDialog* browser) {
    // The user types into the name field, which has the focus.
    browser->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(browser));
    QLineEdit* edit = NameEdit(browser);
    edit->setFocus();
    edit->setText(root() + "/missing");
    QTest::keyClick(edit, Qt::Key_Return);
    stillOpen = QApplication::activeModalWidget() == browser && browser->isVisible();
    edit->setText(root() + "/other");
    QTest::keyClick(edit, Qt::Key_Return);
  }, &otherModals);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(otherModals, 0);  // a beep, no message box
  EXPECT_EQ(result, CFolderDialog::kOk);
  EXPECT_EQ(dialog.GetFolderPath(), root() + "/other");
}

TEST_F(FolderDialogTest, MissingInitialFolderOpensWithoutSelection) {
  CFolderDialog dialog(root() + "/gone");
  QString typed = "?";
  EXPECT_EQ(RunWith(dialog, [&](QFileDialog* browser) { typed = NameEdit(browser)->text(); }),
            CFolderDialog::kCancel);
  EXPECT_TRUE(typed.isEmpty());
  EXPECT_TRUE(dialog.GetFolderPath().isEmpty());
}

// Without a folder to start from, the browser opens in the home folder (not the working folder),
// its detail columns wide enough for their headings and texts.
TEST_F(FolderDialogTest, NoInitialFolderOpensInTheHomeFolderWithReadableColumns) {
  const QByteArray home = qgetenv("HOME");
  qputenv("HOME", root().toUtf8());
  CFolderDialog dialog;
  QString opened;
  bool listed = false;
  std::vector<std::pair<int, int>> widths;  // section size, what its texts need
  RunWith(dialog, [&](QFileDialog* browser) {
    opened = browser->directory().absolutePath();
    auto* view = browser->findChild<QTreeView*>(QStringLiteral("treeView"));
    auto* model = browser->findChild<QFileSystemModel*>();
    ASSERT_NE(view, nullptr);
    ASSERT_NE(model, nullptr);
    listed = QTest::qWaitFor([&] { return model->rowCount(view->rootIndex()) >= 2; });
    gui_test::Settle();
    QHeaderView* header = view->header();
    const QAbstractItemView* cells = view;
    for (int c = 0; c < header->count(); ++c)
      if (!header->isSectionHidden(c))
        widths.emplace_back(header->sectionSize(c), std::max(header->sectionSizeHint(c), cells->sizeHintForColumn(c)));
    SaveShot(*browser, "folder_dialog_home");
  });
  qputenv("HOME", home);
  EXPECT_EQ(opened, QDir(root()).absolutePath());
  EXPECT_TRUE(listed);
  ASSERT_EQ(widths.size(), 4u);
  for (std::size_t c = 0; c < widths.size(); ++c) EXPECT_GE(widths[c].first, widths[c].second) << "column " << c;
}

}  // namespace
