// Built without Xlib: no display ever opens.
#include "platform/x11/window_system.h"

namespace x11 {

std::unique_ptr<WindowSystem> OpenWindowSystem(const std::string&) { return nullptr; }

}  // namespace x11
