// The virtual desktop against a real X server: an Xvfb of the test's own, windows made with Xlib.
// Skipped where Xvfb is not installed.
#include <gtest/gtest.h>

#include <QPushButton>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Pellamor/DLG/CDlgVirtualDesktopBox/CDlgVirtualDesktopBox.h"
#include "platform/x11/window_system.h"
#include "shell_support.h"

// Last: Xlib's macros (None, KeyPress, ...) would clash with the toolkit's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

// An Xvfb of its own on a free display, ended with the object.
class ScopedXvfb {
 public:
  ScopedXvfb() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      // The server ends with this process, also when a test ends it early.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "640x480x24",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
      pid_ = 0;
      close(fds[0]);
      return;
    }
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) name_ = ":" + number;
  }
  ~ScopedXvfb() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  const std::string& Name() const { return name_; }

 private:
  pid_t pid_ = 0;
  std::string name_;
};

bool HaveXvfb() { return std::system("command -v Xvfb >/dev/null 2>&1") == 0; }

// The test's own requests about a destroyed window fail too; they are answered, not fatal.
int IgnoreError(Display*, XErrorEvent*) { return 0; }

int MapState(Display* display, Window w) {
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, w, &attributes)) return -1;
  return attributes.map_state;
}

TEST(VirtualDesktopX11, SwitchingMapsAndUnmapsRealWindowsAndSurvivesADestroyedOne) {
  if (!HaveXvfb()) GTEST_SKIP() << "Xvfb is not installed";
  shell_test::App();
  ScopedXvfb server;
  ASSERT_FALSE(server.Name().empty());
  Display* display = XOpenDisplay(server.Name().c_str());
  ASSERT_NE(display, nullptr);
  XSetErrorHandler(&IgnoreError);
  const Window root = DefaultRootWindow(display);
  std::vector<Window> made;
  for (const char* title : {"alpha", "beta", "gamma"}) {
    const Window w = XCreateSimpleWindow(display, root, 10, 10, 100, 80, 0, 0, 0);
    XStoreName(display, w, title);
    XMapWindow(display, w);
    made.push_back(w);
  }
  const Window untitled = XCreateSimpleWindow(display, root, 0, 0, 50, 50, 0, 0, 0);
  XMapWindow(display, untitled);
  XSync(display, False);

  std::unique_ptr<x11::WindowSystem> windows = x11::OpenWindowSystem(server.Name());
  ASSERT_NE(windows, nullptr);
  {
    // The listing names the windows with their titles.
    std::vector<std::string> titles;
    for (const x11::TopWindow& w : windows->TopLevelWindows())
      if (w.visible) titles.push_back(w.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"alpha", "beta", "gamma", ""}));
  }
  {
    CDlgVirtualDesktopBox box(nullptr, std::move(windows));
    box.show();
    box.SwitchTo(1);
    XSync(display, False);
    for (Window w : made) EXPECT_EQ(MapState(display, w), IsUnmapped);
    EXPECT_EQ(MapState(display, untitled), IsViewable);
    box.SwitchTo(0);
    XSync(display, False);
    for (Window w : made) EXPECT_EQ(MapState(display, w), IsViewable);

    // beta goes while hidden; showing desktop 1 again skips it, and a request for it anyway is an
    // X error that the process survives.
    box.SwitchTo(2);
    XDestroyWindow(display, made[1]);
    XSync(display, False);
    box.SwitchTo(0);
    XSync(display, False);
    EXPECT_EQ(MapState(display, made[0]), IsViewable);
    EXPECT_EQ(MapState(display, made[2]), IsViewable);
    EXPECT_EQ(MapState(display, made[1]), -1);
    box.SwitchTo(3);
    XSync(display, False);
    EXPECT_EQ(MapState(display, made[0]), IsUnmapped);
    box.CloseButton()->click();
    XSync(display, False);
    EXPECT_EQ(MapState(display, made[0]), IsViewable);
    EXPECT_EQ(MapState(display, made[2]), IsViewable);
  }
  std::unique_ptr<x11::WindowSystem> again = x11::OpenWindowSystem(server.Name());
  ASSERT_NE(again, nullptr);
  EXPECT_FALSE(again->Exists(made[1]));
  again->Hide(made[1]);
  again->Show(made[1]);
  EXPECT_TRUE(again->Exists(made[0]));
  EXPECT_EQ(again->ActiveWindow(), 0u);  // no window manager
  EXPECT_FALSE(again->PrimaryButtonDown());
  again.reset();
  XCloseDisplay(display);
  XSetErrorHandler(nullptr);
}

TEST(VirtualDesktopX11, NoDisplayOpensNothing) {
  EXPECT_EQ(x11::OpenWindowSystem(""), nullptr);
  EXPECT_EQ(x11::OpenWindowSystem(":9999"), nullptr);
}

}  // namespace
