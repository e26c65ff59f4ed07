// Other programs' top-level windows: listed, hidden and shown again. The X11 implementation opens
// its own connection to a display; tests put a fake in its place.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace x11 {

using WindowId = std::uint64_t;

enum class WindowKind {
  Normal,
  Desktop,  // the desktop's own window
  Dock,     // a panel or task bar
};

struct TopWindow {
  WindowId id = 0;
  std::string title;  // UTF-8
  bool visible = false;
  WindowKind kind = WindowKind::Normal;
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // The top-level windows in the window manager's order (or the stacking order without one).
  // A window that closes while they are listed is left out.
  virtual std::vector<TopWindow> TopLevelWindows() = 0;
  // The window that has the focus; 0 for none.
  virtual WindowId ActiveWindow() = 0;
  // The primary pointer button is held down.
  virtual bool PrimaryButtonDown() = 0;
  virtual bool Exists(WindowId id) = 0;
  // Hiding leaves the window reachable from the task bar where a window manager runs.
  virtual void Hide(WindowId id) = 0;
  virtual void Show(WindowId id) = 0;
};

// A connection to the named display ("" for none: nothing opens); null when it does not open.
std::unique_ptr<WindowSystem> OpenWindowSystem(const std::string& displayName);

}  // namespace x11
