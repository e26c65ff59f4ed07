// Virtual desktop ("가상데스크탑"): four desktops made by hiding and showing other programs'
// top-level windows. Only where the windows can be reached (an X11 session); elsewhere its
// desktop buttons are disabled and it touches nothing.
#pragma once

#include <QDialog>
#include <QString>

#include <memory>
#include <set>
#include <vector>

#include "Pellamor/DLG/Dialogs.h"
#include "platform/x11/window_system.h"

class CDialogHeaderCtrl;
class CPushPinButton;
class QGroupBox;
class QPushButton;

class CDlgVirtualDesktopBox : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDesktops = 4;

  struct Args {};

  // True on Qt's xcb platform with a display that opens (asked once per process).
  static bool Available();
  // The X11 window system of DISPLAY on the xcb platform; null elsewhere.
  static std::unique_ptr<x11::WindowSystem> OpenWindowSystem();

  // Without a window system the desktop buttons are disabled.
  CDlgVirtualDesktopBox(QWidget* parent, std::unique_ptr<x11::WindowSystem> windows);
  ~CDlgVirtualDesktopBox() override;  // shows every remembered window

  // Switches to desktop n (0..3); nothing for the current one.
  void SwitchTo(int n);
  // Shows every remembered window that still exists.
  void ShowAllWindows();

  int CurrentDesktop() const { return current_; }
  const std::vector<x11::WindowId>& DesktopWindows(int n) const { return desktops_[n]; }
  QPushButton* DesktopButton(int n) const { return buttons_[n]; }
  QGroupBox* Group() const { return group_; }
  CPushPinButton* PinButton() const { return pin_; }
  QPushButton* CloseButton() const { return close_; }
  CDialogHeaderCtrl* Header() const { return header_; }

  static int Open(QWidget* parent, const Args& args);
  static Args ArgsFrom(const dlg::DialogArgs&) { return {}; }

 public slots:
  void done(int result) override;

 private:
  // The windows that belong to the current desktop now: visible, titled, not the desktop or a
  // panel, not the window being dragged, and none of this program's own.
  std::vector<x11::WindowId> CollectWindows();
  std::set<x11::WindowId> OwnWindows() const;
  void OnPin();

  int current_ = 0;
  std::vector<x11::WindowId> desktops_[kDesktops];
  std::unique_ptr<x11::WindowSystem> windows_;

  CDialogHeaderCtrl* header_ = nullptr;
  QGroupBox* group_ = nullptr;
  QPushButton* buttons_[kDesktops] = {};
  CPushPinButton* pin_ = nullptr;
  QPushButton* close_ = nullptr;
};
