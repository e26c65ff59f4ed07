#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

#include "controls/ResizableDialog.h"
#include "controls/TabCtrlSSL.h"
#include "controls/TabPageSSL.h"
#include "tests/support/gui_support.h"

namespace {

using gui_test::App;
using gui_test::Settle;
using gui_test::SaveShot;

// A page with two edits.
class EditPage : public CTabPageSSL {
 public:
  explicit EditPage(const QString& name) {
    setObjectName(name);
    resize(220, 80);  // the template size the anchors refer to
    first = new QLineEdit(name + " first", this);
    second = new QLineEdit(name + " second", this);
    first->setGeometry(10, 10, 200, 24);
    second->setGeometry(10, 44, 200, 24);
    AddAnchor(first, anchor::TopLeft, anchor::TopRight);
    AddAnchor(second, anchor::TopLeft, anchor::TopRight);
  }
  QLineEdit* first;
  QLineEdit* second;
};

// Records its hooks as "name(index,id)".
class LoggingTab : public CTabCtrlSSL {
 public:
  using CTabCtrlSSL::CTabCtrlSSL;
  ~LoggingTab() override { DestroyPages(); }
  QStringList log;
  bool acceptAdded = true;

 protected:
  bool OnPageAdded(int index, int id) override {
    log << QStringLiteral("added(%1,%2)").arg(index).arg(id);
    return acceptAdded;
  }
  void OnPageShown(int index, int id) override { log << QStringLiteral("shown(%1,%2)").arg(index).arg(id); }
  void OnPageHidden(int index, int id) override { log << QStringLiteral("hidden(%1,%2)").arg(index).arg(id); }
  void OnPageDestroying(int index, int id) override {
    log << QStringLiteral("destroying(%1,%2)").arg(index).arg(id);
    if (destroyingLog) *destroyingLog << log.last();
  }

 public:
  QStringList* destroyingLog = nullptr;
};

class TabTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    host.resize(420, 260);
    tab = new LoggingTab(&host);
    auto* layout = new QVBoxLayout(&host);
    layout->addWidget(tab);
  }
  void ShowActive() {
    host.show();
    host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    Settle();
  }
  QWidget* Focus() const { return QApplication::focusWidget(); }

  QApplication& app_ = App();
  QWidget host;
  LoggingTab* tab = nullptr;
  EditPage a{"a"}, b{"b"}, c{"c"};  // the test owns them: delete flag 0
};

TEST_F(TabTest, FirstPageIsShownAtOnceAndLaterOnesStartHidden) {
  EXPECT_EQ(tab->AddPage("A", 10, &a, 0), 0);
  EXPECT_EQ(tab->AddPage("B", 20, &b, 0), 1);
  EXPECT_EQ(tab->AddPage("C", 30, &c, 0), 2);
  EXPECT_EQ(tab->AddPage("none", 40, nullptr, 0), -1);
  EXPECT_EQ(tab->count(), 3);
  ShowActive();
  EXPECT_TRUE(a.isVisible());
  EXPECT_FALSE(b.isVisible());
  EXPECT_FALSE(c.isVisible());
  EXPECT_EQ(tab->PageId(1), 20);
  EXPECT_EQ(tab->Page(2), &c);
  // Adding shows the first page without a selection change.
  EXPECT_EQ(tab->log, QStringList({"added(0,10)", "added(1,20)", "added(2,30)"}));
  // The page fills the tab's display area and its anchored edits follow it.
  EXPECT_GT(a.width(), 300);
  EXPECT_EQ(a.first->geometry(), QRect(10, 10, a.width() - 20, 24));
  SaveShot(host, "tab_ctrl_first_page");
  tab->log.clear();
  tab->setCurrentIndex(2);
  EXPECT_FALSE(a.isVisible());
  EXPECT_TRUE(c.isVisible());
  EXPECT_EQ(tab->log, QStringList({"hidden(0,10)", "shown(2,30)"}));
}

TEST_F(TabTest, EachPageGetsBackItsFocus) {
  tab->AddPage("A", 10, &a, 0);
  tab->AddPage("B", 20, &b, 0);
  ShowActive();
  a.second->setFocus();
  ASSERT_EQ(Focus(), a.second);
  tab->setCurrentIndex(1);
  EXPECT_EQ(Focus(), b.first);  // never visited: its first control
  b.second->setFocus();
  tab->setCurrentIndex(0);
  EXPECT_EQ(Focus(), a.second);
  tab->setCurrentIndex(1);
  EXPECT_EQ(Focus(), b.second);
  EXPECT_EQ(tab->SavedFocus(0), a.second);

  // SelectFirstPage: back to tab 0 with its focus; nothing happens when it is selected already.
  tab->log.clear();
  EXPECT_EQ(tab->SelectFirstPage(), 1);
  EXPECT_EQ(tab->currentIndex(), 0);
  EXPECT_EQ(Focus(), a.second);
  EXPECT_EQ(tab->log, QStringList({"hidden(1,20)", "shown(0,10)"}));
  tab->log.clear();
  EXPECT_EQ(tab->SelectFirstPage(), 1);
  EXPECT_TRUE(tab->log.isEmpty());
}

TEST_F(TabTest, RefusedPageKeepsTheFocusOfTheMomentAndEmptyTabSelectsNothing) {
  EXPECT_EQ(tab->SelectFirstPage(), 0);
  auto* outside = new QLineEdit(&host);
  host.layout()->addWidget(outside);
  ShowActive();
  outside->setFocus();
  tab->acceptAdded = false;
  tab->AddPage("A", 10, &a, 0);
  EXPECT_EQ(tab->SavedFocus(0), outside);
}

TEST_F(TabTest, EscapeOnAPageReachesTheHoldingDialog) {
  App();
  QDialog dialog;
  auto* t = new CTabCtrlSSL(&dialog);
  t->setGeometry(0, 0, 300, 200);
  EditPage page("p");
  t->AddPage("P", 1, &page, 0);
  dialog.show();
  dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  page.first->setFocus();
  QTest::keyClick(page.first, Qt::Key_Escape);
  EXPECT_TRUE(page.isVisibleTo(&dialog));
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

// Who ends the pages, for each delete flag and each order of destruction.
TEST(TabDestructionTest, PagesEndOnceWhateverTheDeleteFlag) {
  App();
  {  // Delete flag 1: the tab control deletes the pages, last tab first.
    QStringList order;
    auto* t = new LoggingTab;
    t->destroyingLog = &order;
    QPointer<EditPage> p1 = new EditPage("1");
    QPointer<EditPage> p2 = new EditPage("2");
    t->AddPage("1", 1, p1, 1);
    t->AddPage("2", 2, p2, 1);
    t->show();
    Settle();
    delete t;
    EXPECT_TRUE(p1.isNull());
    EXPECT_TRUE(p2.isNull());
    EXPECT_EQ(order, QStringList({"destroying(1,2)", "destroying(0,1)"}));
  }
  {  // Delete flag 0: the pages outlive the tab control, parentless and hidden, for their owner.
    auto p1 = std::make_unique<EditPage>("1");
    auto p2 = std::make_unique<EditPage>("2");
    auto* t = new LoggingTab;
    t->AddPage("1", 1, p1.get(), 0);
    t->AddPage("2", 2, p2.get(), 0);
    t->show();
    Settle();
    delete t;
    EXPECT_EQ(p1->parent(), nullptr);
    EXPECT_EQ(p2->parent(), nullptr);
    EXPECT_FALSE(p1->isVisible());
  }
  {  // Delete flag 0: the owner deletes a page while the tab control lives.
    auto* t = new LoggingTab;
    auto* p1 = new EditPage("1");
    EditPage p2("2");
    t->AddPage("1", 1, p1, 0);
    t->AddPage("2", 2, &p2, 0);
    t->show();
    Settle();
    delete p1;
    EXPECT_EQ(t->count(), 1);
    EXPECT_EQ(t->PageId(0), 2);
    t->setCurrentIndex(0);
    p2.first->setFocus();
    delete t;
    EXPECT_EQ(p2.parent(), nullptr);
  }
  {  // A mixed set.
    auto* t = new LoggingTab;
    QPointer<EditPage> owned = new EditPage("owned");
    auto kept = std::make_unique<EditPage>("kept");
    t->AddPage("owned", 1, owned, 1);
    t->AddPage("kept", 2, kept.get(), 0);
    delete t;
    EXPECT_TRUE(owned.isNull());
    EXPECT_EQ(kept->parent(), nullptr);
  }
}

// The picker's arrangement: pages as members declared before the tab control.
struct PickerWithChildTab : CResizableDialog {
  EditPage disk{"disk"}, options{"options"};
  CTabCtrlSSL* tab = new CTabCtrlSSL(this);
  PickerWithChildTab() {
    tab->AddPage("disk", 0, &disk, 0);
    tab->AddPage("options", 1, &options, 0);
  }
};

struct PickerWithMemberTab : CResizableDialog {
  EditPage disk{"disk"}, options{"options"};
  CTabCtrlSSL tab{this};
  PickerWithMemberTab() {
    tab.AddPage("disk", 0, &disk, 0);
    tab.AddPage("options", 1, &options, 0);
  }
};

TEST(TabDestructionTest, MemberPagesOfTheHoldingDialog) {
  App();
  {
    PickerWithChildTab picker;
    picker.show();
    Settle();
    picker.tab->setCurrentIndex(1);
    Settle();
  }
  {
    PickerWithMemberTab picker;
    picker.show();
    Settle();
    picker.tab.setCurrentIndex(1);
    Settle();
  }
  {
    auto* picker = new PickerWithChildTab;
    picker->show();
    Settle();
    picker->deleteLater();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  SUCCEED();  // the sanitizer build reports any double delete or use after free
}

}  // namespace
