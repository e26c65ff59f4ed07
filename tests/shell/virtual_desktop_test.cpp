#include <gtest/gtest.h>

#include <QAction>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <QWindow>


#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Pellamor/CommandIds.h"
#include "Pellamor/DLG/CDlgVirtualDesktopBox/CDlgVirtualDesktopBox.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/MainFrame.h"
#include "controls/PushPinButton.h"
#include "platform/message.h"
#include "shared/DialogHeaderCtrl.h"
#include "shell_support.h"

namespace {

using x11::WindowId;
using x11::WindowKind;

// Windows of a pretend desktop, shared by the fake and the test, so they outlive the dialog.
struct World {
  struct Window {
    std::string title;
    bool visible = true;
    WindowKind kind = WindowKind::Normal;
    bool exists = true;
  };
  std::map<WindowId, Window> windows;
  std::vector<WindowId> order;
  WindowId active = 0;
  bool buttonDown = false;
  std::vector<std::string> calls;  // "hide 3", "show 4"

  void Add(WindowId id, std::string title, bool visible = true, WindowKind kind = WindowKind::Normal) {
    windows[id] = {std::move(title), visible, kind, true};
    order.push_back(id);
  }
  std::vector<WindowId> Visible() const {
    std::vector<WindowId> v;
    for (WindowId id : order)
      if (windows.at(id).exists && windows.at(id).visible) v.push_back(id);
    return v;
  }
};

class FakeWindows : public x11::WindowSystem {
 public:
  explicit FakeWindows(std::shared_ptr<World> world) : world_(std::move(world)) {}
  std::vector<x11::TopWindow> TopLevelWindows() override {
    std::vector<x11::TopWindow> list;
    for (WindowId id : world_->order) {
      const World::Window& w = world_->windows[id];
      if (w.exists) list.push_back({id, w.title, w.visible, w.kind});
    }
    return list;
  }
  WindowId ActiveWindow() override { return world_->active; }
  bool PrimaryButtonDown() override { return world_->buttonDown; }
  bool Exists(WindowId id) override { return world_->windows.count(id) && world_->windows[id].exists; }
  void Hide(WindowId id) override {
    world_->calls.push_back("hide " + std::to_string(id));
    world_->windows[id].visible = false;
  }
  void Show(WindowId id) override {
    world_->calls.push_back("show " + std::to_string(id));
    world_->windows[id].visible = true;
  }

 private:
  std::shared_ptr<World> world_;
};

using Ids = std::vector<WindowId>;

class VirtualDesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shell_test::App();
    world_->Add(101, "Editor");
    world_->Add(102, "Terminal");
    world_->Add(103, "Browser");
    world_->Add(110, "");                                // untitled
    world_->Add(111, "Minimised", false);                // not visible
    world_->Add(112, "Desktop");                         // the desktop's stand-in title
    world_->Add(113, "Program Manager");
    world_->Add(114, "desktop", true, WindowKind::Desktop);
    world_->Add(115, "panel", true, WindowKind::Dock);
  }
  std::unique_ptr<CDlgVirtualDesktopBox> MakeBox() {
    auto box = std::make_unique<CDlgVirtualDesktopBox>(nullptr, std::make_unique<FakeWindows>(world_));
    box->show();
    return box;
  }
  std::shared_ptr<World> world_ = std::make_shared<World>();
  };

TEST_F(VirtualDesktopTest, TheBoxShowsItsTextsAndTheCurrentDesktopsButtonIsOff) {
  auto box = MakeBox();
  EXPECT_EQ(box->Header()->Title(), QString::fromUtf16(u"가상데스크탑"));
  EXPECT_EQ(box->Header()->Description(), QString::fromUtf16(u"바탕화면을 4개로 확장하여 사용합니다."));
  EXPECT_FALSE(box->Header()->Icon().isNull());
  EXPECT_EQ(box->windowTitle(), QString::fromUtf16(u"가상데스크탑"));
  EXPECT_EQ(box->Group()->title(), QString::fromUtf16(u"가상데스크탑 전환"));
  EXPECT_EQ(box->CloseButton()->text(), QString::fromUtf16(u"닫기"));
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(box->DesktopButton(n)->text(), QString::number(n + 1));
    EXPECT_EQ(box->DesktopButton(n)->isEnabled(), n != 0) << n;
  }
  gui_test::Settle();
  shell_test::SaveShot(*box, QStringLiteral("virtual_desktop"));
}

TEST_F(VirtualDesktopTest, SwitchingHidesTheVisibleWindowsAndShowsTheChosenDesktops) {
  auto box = MakeBox();
  box->DesktopButton(1)->click();
  EXPECT_EQ(box->CurrentDesktop(), 1);
  EXPECT_EQ(box->DesktopWindows(0), (Ids{101, 102, 103}));
  EXPECT_EQ(world_->Visible(), (Ids{110, 112, 113, 114, 115}));
  EXPECT_TRUE(box->DesktopButton(0)->isEnabled());
  EXPECT_FALSE(box->DesktopButton(1)->isEnabled());
  // A window opened on desktop 2 goes with it; desktop 1 comes back.
  world_->Add(104, "Notes");
  box->DesktopButton(0)->click();
  EXPECT_EQ(box->CurrentDesktop(), 0);
  EXPECT_EQ(box->DesktopWindows(1), (Ids{104}));
  EXPECT_EQ(world_->Visible(), (Ids{101, 102, 103, 110, 112, 113, 114, 115}));
  EXPECT_EQ(world_->calls, (std::vector<std::string>{"hide 101", "hide 102", "hide 103", "hide 104", "show 101", "show 102",
                                                     "show 103"}));
  box->DesktopButton(1)->click();
  EXPECT_EQ(world_->Visible(), (Ids{110, 112, 113, 114, 115, 104}));
}

TEST_F(VirtualDesktopTest, TheCurrentDesktopsButtonChangesNothing) {
  auto box = MakeBox();
  box->SwitchTo(0);
  box->DesktopButton(0)->click();
  EXPECT_TRUE(world_->calls.empty());
  EXPECT_EQ(box->DesktopWindows(0), Ids{});
  box->SwitchTo(2);
  world_->calls.clear();
  box->SwitchTo(2);
  EXPECT_TRUE(world_->calls.empty());
  EXPECT_EQ(box->CurrentDesktop(), 2);
}

TEST_F(VirtualDesktopTest, AWindowClosedMeanwhileIsSkipped) {
  auto box = MakeBox();
  box->SwitchTo(3);
  world_->windows[102].exists = false;
  world_->calls.clear();
  box->SwitchTo(0);
  EXPECT_EQ(world_->calls, (std::vector<std::string>{"show 101", "show 103"}));
  // Closed while collected and hidden on the next switch: skipped the same way.
  world_->windows[102].exists = true;
  world_->windows[102].visible = true;
  world_->calls.clear();
  box->SwitchTo(1);
  world_->windows[103].exists = false;
  box->SwitchTo(0);
  EXPECT_EQ(world_->calls, (std::vector<std::string>{"hide 101", "hide 102", "hide 103", "show 101", "show 102"}));
}

TEST_F(VirtualDesktopTest, TheWindowBeingDraggedStays) {
  world_->active = 102;
  world_->buttonDown = true;
  auto box = MakeBox();
  box->SwitchTo(1);
  EXPECT_EQ(box->DesktopWindows(0), (Ids{101, 103}));
  EXPECT_TRUE(world_->windows[102].visible);
  // Active without the button down is an ordinary window.
  world_->buttonDown = false;
  box->SwitchTo(2);
  EXPECT_EQ(box->DesktopWindows(1), (Ids{102}));
}

// Every way the box ends shows all four desktops' windows again.
TEST_F(VirtualDesktopTest, EveryWayOfEndingShowsAllWindows) {
  enum class End { kCloseButton, kEsc, kCloseBox, kDestroyed };
  for (End end : {End::kCloseButton, End::kEsc, End::kCloseBox, End::kDestroyed}) {
    SCOPED_TRACE(static_cast<int>(end));
    world_ = std::make_shared<World>();
    world_->Add(101, "one");
    auto box = MakeBox();
    box->SwitchTo(1);
    world_->Add(102, "two");
    box->SwitchTo(2);
    world_->Add(103, "three");
    box->SwitchTo(3);
    world_->Add(104, "four");
    EXPECT_EQ(world_->Visible(), (Ids{104}));
    switch (end) {
      case End::kCloseButton:
        box->CloseButton()->click();
        EXPECT_EQ(box->result(), QDialog::Accepted);
        break;
      case End::kEsc: {
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(box.get(), &esc);
        break;
      }
      case End::kCloseBox:
        box->close();
        break;
      case End::kDestroyed:
        box.reset();
        break;
    }
    EXPECT_EQ(world_->Visible(), (Ids{101, 102, 103, 104}));
    if (box) { EXPECT_FALSE(box->isVisible()); }
  }
}

TEST_F(VirtualDesktopTest, OurOwnWindowsAreNeverHidden) {
  QWidget mainWindow;
  mainWindow.setWindowTitle(QStringLiteral("Pellamor"));
  mainWindow.show();
  auto box = MakeBox();
  const WindowId main = mainWindow.winId();
  const WindowId self = box->winId();
  ASSERT_NE(main, 0u);
  ASSERT_NE(self, 0u);
  world_->Add(main, "Pellamor");
  world_->Add(self, "가상데스크탑");
  box->SwitchTo(1);
  EXPECT_EQ(box->DesktopWindows(0), (Ids{101, 102, 103}));
  EXPECT_TRUE(world_->windows[main].visible);
  EXPECT_TRUE(world_->windows[self].visible);
  box->SwitchTo(0);
  for (const std::string& call : world_->calls) {
    EXPECT_NE(call, "hide " + std::to_string(main));
    EXPECT_NE(call, "hide " + std::to_string(self));
  }
}

TEST_F(VirtualDesktopTest, ThePinKeepsTheBoxOnTopAndOpen) {
  auto box = MakeBox();
  ASSERT_NE(box->windowHandle(), nullptr);
  QTest::mouseClick(box->PinButton(), Qt::LeftButton);
  EXPECT_TRUE(box->PinButton()->IsPinned());
  EXPECT_TRUE(box->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(box->isVisible());
  QTest::mouseClick(box->PinButton(), Qt::LeftButton);
  EXPECT_FALSE(box->PinButton()->IsPinned());
  EXPECT_FALSE(box->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(box->isVisible());
}

// Offscreen (as on Wayland) no window can be reached: the command is greyed and a box built
// anyway switches nothing.
TEST_F(VirtualDesktopTest, WithoutAnX11SessionTheCommandIsGreyedAndTheBoxInert) {
  ASSERT_NE(QGuiApplication::platformName(), QLatin1String("xcb"));
  EXPECT_FALSE(CDlgVirtualDesktopBox::Available());
  EXPECT_EQ(CDlgVirtualDesktopBox::OpenWindowSystem(), nullptr);
  platform::RecordingMessageSink sink;
  platform::ScopedMessageSink guard(&sink);
  {
    CMainFrame frame;
    EXPECT_FALSE(frame.UpdateCommand(cmd::kVirtualDesktop).enabled);
    EXPECT_FALSE(frame.RunCommand(cmd::kVirtualDesktop));
  }
  CDlgVirtualDesktopBox box(nullptr, nullptr);
  box.show();
  for (int n = 0; n < 4; ++n) EXPECT_FALSE(box.DesktopButton(n)->isEnabled()) << n;
  box.SwitchTo(1);
  EXPECT_EQ(box.CurrentDesktop(), 0);
  box.CloseButton()->click();
  EXPECT_FALSE(box.isVisible());
}

}  // namespace
