#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>

#include "platform/x11/window_system.h"

namespace x11 {
namespace {

// X errors raised while a trap stands are counted instead of ending the process (the default
// handler's way): a window may close between any two requests.
int g_trappedErrors = 0;

int CountError(Display*, XErrorEvent*) {
  ++g_trappedErrors;
  return 0;
}

class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display) : display_(display) {
    XSync(display_, False);  // errors of earlier requests are not ours
    errorsBefore_ = g_trappedErrors;
    previous_ = XSetErrorHandler(&CountError);
  }
  ~ErrorTrap() {
    XSync(display_, False);
    XSetErrorHandler(previous_);
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

  // An error came since the trap was set (after a round trip).
  bool Failed() {
    XSync(display_, False);
    return g_trappedErrors != errorsBefore_;
  }

 private:
  Display* display_;
  int errorsBefore_ = 0;
  int (*previous_)(Display*, XErrorEvent*) = nullptr;
};

struct Property {
  Atom type = None;
  int format = 0;
  std::vector<unsigned char> bytes;
  unsigned long items = 0;
  bool present = false;

  std::vector<unsigned long> Longs() const {
    std::vector<unsigned long> v;
    if (format != 32) return v;
    v.resize(items);
    std::memcpy(v.data(), bytes.data(), items * sizeof(unsigned long));
    return v;
  }
};

class X11WindowSystem : public WindowSystem {
 public:
  explicit X11WindowSystem(Display* display) : display_(display) {
    root_ = DefaultRootWindow(display_);
    screen_ = DefaultScreen(display_);
    clientList_ = Intern("_NET_CLIENT_LIST");
    activeWindow_ = Intern("_NET_ACTIVE_WINDOW");
    wmName_ = Intern("_NET_WM_NAME");
    utf8_ = Intern("UTF8_STRING");
    wmState_ = Intern("_NET_WM_STATE");
    stateHidden_ = Intern("_NET_WM_STATE_HIDDEN");
    windowType_ = Intern("_NET_WM_WINDOW_TYPE");
    typeDesktop_ = Intern("_NET_WM_WINDOW_TYPE_DESKTOP");
    typeDock_ = Intern("_NET_WM_WINDOW_TYPE_DOCK");
    wmCheck_ = Intern("_NET_SUPPORTING_WM_CHECK");
  }
  ~X11WindowSystem() override { XCloseDisplay(display_); }

  std::vector<TopWindow> TopLevelWindows() override {
    ErrorTrap trap(display_);
    std::vector<Window> candidates;
    const Property clients = Get(root_, clientList_, XA_WINDOW);
    if (clients.present) {
      for (unsigned long w : clients.Longs()) candidates.push_back(w);
    } else {
      // No window manager: the mapped children of the root, bottom to top.
      Window rootReturn = 0, parent = 0, *children = nullptr;
      unsigned int count = 0;
      if (XQueryTree(display_, root_, &rootReturn, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count; ++i) candidates.push_back(children[i]);
        if (children) XFree(children);
      }
    }
    std::vector<TopWindow> windows;
    for (Window w : candidates) {
      XWindowAttributes attributes;
      if (!XGetWindowAttributes(display_, w, &attributes)) continue;  // closed meanwhile
      if (!clients.present && (attributes.map_state == IsUnmapped || attributes.override_redirect)) continue;
      TopWindow top;
      top.id = w;
      top.title = Title(w);
      top.visible = attributes.map_state == IsViewable && !HasAtom(w, wmState_, XA_ATOM, stateHidden_);
      if (HasAtom(w, windowType_, XA_ATOM, typeDesktop_))
        top.kind = WindowKind::Desktop;
      else if (HasAtom(w, windowType_, XA_ATOM, typeDock_))
        top.kind = WindowKind::Dock;
      windows.push_back(std::move(top));
    }
    return windows;
  }

  WindowId ActiveWindow() override {
    ErrorTrap trap(display_);
    const std::vector<unsigned long> active = Get(root_, activeWindow_, XA_WINDOW).Longs();
    return active.empty() ? 0 : active.front();
  }

  bool PrimaryButtonDown() override {
    ErrorTrap trap(display_);
    Window rootReturn = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(display_, root_, &rootReturn, &child, &rootX, &rootY, &x, &y, &mask)) return false;
    return (mask & Button1Mask) != 0;
  }

  bool Exists(WindowId id) override {
    ErrorTrap trap(display_);
    XWindowAttributes attributes;
    return XGetWindowAttributes(display_, static_cast<Window>(id), &attributes) != 0 && !trap.Failed();
  }

  void Hide(WindowId id) override {
    const bool manager = ManagerRuns();
    ErrorTrap trap(display_);
    // Iconified, a window stays in the task bar, so one left hidden by a crash can be reached.
    if (manager)
      XIconifyWindow(display_, static_cast<Window>(id), screen_);
    else
      XUnmapWindow(display_, static_cast<Window>(id));
  }

  void Show(WindowId id) override {
    ErrorTrap trap(display_);
    XMapWindow(display_, static_cast<Window>(id));
  }

 private:
  Atom Intern(const char* name) { return XInternAtom(display_, name, False); }

  Property Get(Window w, Atom property, Atom type) {
    Property p;
    unsigned char* data = nullptr;
    unsigned long after = 0;
    if (XGetWindowProperty(display_, w, property, 0, 1 << 16, False, type, &p.type, &p.format, &p.items, &after,
                           &data) != Success)
      return p;
    if (p.type != None && data) {
      const std::size_t unit = p.format == 32 ? sizeof(unsigned long) : p.format == 16 ? sizeof(short) : 1;
      p.bytes.assign(data, data + p.items * unit);
      p.present = true;
    }
    if (data) XFree(data);
    return p;
  }

  bool HasAtom(Window w, Atom property, Atom type, Atom wanted) {
    for (unsigned long a : Get(w, property, type).Longs())
      if (a == wanted) return true;
    return false;
  }

  std::string Title(Window w) {
    const Property utf8 = Get(w, wmName_, utf8_);
    if (utf8.present && utf8.format == 8 && !utf8.bytes.empty())
      return std::string(utf8.bytes.begin(), utf8.bytes.end());
    const Property name = Get(w, XA_WM_NAME, AnyPropertyType);
    if (!name.present || name.format != 8) return {};
    if (name.type == utf8_) return std::string(name.bytes.begin(), name.bytes.end());
    // STRING is Latin-1; for compound text its ASCII part is what can be read without a locale.
    std::string out;
    for (unsigned char c : name.bytes) {
      if (c < 0x80) {
        out += static_cast<char>(c);
      } else if (name.type == XA_STRING) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
      }
    }
    return out;
  }

  // A window manager that follows the desktop conventions names its check window on the root.
  bool ManagerRuns() {
    ErrorTrap trap(display_);
    const std::vector<unsigned long> check = Get(root_, wmCheck_, XA_WINDOW).Longs();
    if (check.empty()) return false;
    XWindowAttributes attributes;
    return XGetWindowAttributes(display_, static_cast<Window>(check.front()), &attributes) != 0 && !trap.Failed();
  }

  Display* display_;
  Window root_ = 0;
  int screen_ = 0;
  Atom clientList_, activeWindow_, wmName_, utf8_, wmState_, stateHidden_, windowType_, typeDesktop_, typeDock_,
      wmCheck_;
};

}  // namespace

std::unique_ptr<WindowSystem> OpenWindowSystem(const std::string& displayName) {
  if (displayName.empty()) return nullptr;
  Display* display = XOpenDisplay(displayName.c_str());
  if (!display) return nullptr;
  return std::make_unique<X11WindowSystem>(display);
}

}  // namespace x11
