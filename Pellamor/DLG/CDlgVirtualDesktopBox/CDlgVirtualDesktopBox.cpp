#include "Pellamor/DLG/CDlgVirtualDesktopBox/CDlgVirtualDesktopBox.h"

#include <QApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

#include "controls/PushPinButton.h"
#include "platform/environment.h"
#include "shared/DialogFrame.h"
#include "shared/DialogHeaderCtrl.h"

namespace {

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

bool OnXcb() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

// Titles that stand for the desktop itself on the other platform.
bool IsDesktopTitle(const QString& title) {
  const QString first = title.left(99);
  return first == QLatin1String("Desktop") || first == QLatin1String("Program Manager");
}

}  // namespace

std::unique_ptr<x11::WindowSystem> CDlgVirtualDesktopBox::OpenWindowSystem() {
  if (!OnXcb()) return nullptr;
  return x11::OpenWindowSystem(platform::EnvironmentValue("DISPLAY").value_or(std::string()));
}

bool CDlgVirtualDesktopBox::Available() {
  static const bool available = OpenWindowSystem() != nullptr;
  return available;
}

CDlgVirtualDesktopBox::CDlgVirtualDesktopBox(QWidget* parent, std::unique_ptr<x11::WindowSystem> windows)
    : QDialog(parent), windows_(std::move(windows)) {
  header_ = dlgframe::MakeHeader(this, Text(u"가상데스크탑"), Text(u"바탕화면을 4개로 확장하여 사용합니다."), 242);

  group_ = new QGroupBox(Text(u"가상데스크탑 전환"), this);
  group_->setObjectName(QStringLiteral("desktops"));
  auto* row = new QHBoxLayout(group_);
  const char* names[kDesktops] = {"desktop1", "desktop2", "desktop3", "desktop4"};
  const char16_t* labels[kDesktops] = {u"1", u"2", u"3", u"4"};
  for (int n = 0; n < kDesktops; ++n) {
    buttons_[n] = dlgframe::MakeButton(this, {labels[n], names[n]});
    buttons_[n]->setParent(group_);
    buttons_[n]->setMinimumHeight(36);
    row->addWidget(buttons_[n]);
    connect(buttons_[n], &QPushButton::clicked, this, [this, n] { SwitchTo(n); });
    // Without the windows there is nothing to switch.
    buttons_[n]->setEnabled(windows_ != nullptr && n != current_);
  }

  pin_ = new CPushPinButton(this);
  pin_->setObjectName(QStringLiteral("pin"));
  connect(pin_, &CPushPinButton::clicked, this, &CDlgVirtualDesktopBox::OnPin);

  std::vector<QPushButton*> made;
  QHBoxLayout* buttonRow =
      dlgframe::ButtonRowLayout(this, {{u"닫기", "close", dlgframe::Role::Accept, true}}, &made);
  close_ = made[0];
  buttonRow->insertWidget(0, pin_, 0, Qt::AlignVCenter);

  auto* content = new QVBoxLayout;
  content->setContentsMargins(11, 8, 11, 11);
  content->addWidget(group_);
  content->addLayout(buttonRow);
  dlgframe::StackUnderBand(this, header_, content, 0);
  setMinimumWidth(360);

  // Quitting brings every window back too; no hot key is taken from the desktop.
  if (windows_ && QCoreApplication::instance())
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
            &CDlgVirtualDesktopBox::ShowAllWindows);
}

CDlgVirtualDesktopBox::~CDlgVirtualDesktopBox() { ShowAllWindows(); }

void CDlgVirtualDesktopBox::done(int result) {
  // 닫기, Esc and the close box all end here.
  ShowAllWindows();
  QDialog::done(result);
}

std::set<x11::WindowId> CDlgVirtualDesktopBox::OwnWindows() const {
  // Every top-level window of this program: hiding the main window would take its modal dialog
  // with it. Widgets without a native window yet cannot be among the listed windows.
  std::set<x11::WindowId> own;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (const WId id = w->internalWinId()) own.insert(static_cast<x11::WindowId>(id));
  if (const WId id = internalWinId()) own.insert(static_cast<x11::WindowId>(id));
  return own;
}

std::vector<x11::WindowId> CDlgVirtualDesktopBox::CollectWindows() {
  std::vector<x11::WindowId> found;
  if (!windows_) return found;
  const std::set<x11::WindowId> own = OwnWindows();
  const x11::WindowId active = windows_->ActiveWindow();
  const bool dragging = active != 0 && windows_->PrimaryButtonDown();
  for (const x11::TopWindow& w : windows_->TopLevelWindows()) {
    if (!w.visible || w.title.empty()) continue;
    if (w.kind != x11::WindowKind::Normal) continue;
    if (dragging && w.id == active) continue;
    if (IsDesktopTitle(QString::fromStdString(w.title))) continue;
    if (own.count(w.id)) continue;
    found.push_back(w.id);
  }
  return found;
}

void CDlgVirtualDesktopBox::SwitchTo(int n) {
  if (!windows_ || n < 0 || n >= kDesktops || n == current_) return;
  desktops_[current_] = CollectWindows();
  const std::set<x11::WindowId> own = OwnWindows();
  for (x11::WindowId id : desktops_[current_])
    if (!own.count(id) && windows_->Exists(id)) windows_->Hide(id);
  // A window closed meanwhile is skipped.
  for (x11::WindowId id : desktops_[n])
    if (!own.count(id) && windows_->Exists(id)) windows_->Show(id);
  buttons_[current_]->setEnabled(true);
  current_ = n;
  buttons_[current_]->setEnabled(false);
}

void CDlgVirtualDesktopBox::ShowAllWindows() {
  if (!windows_) return;
  for (std::vector<x11::WindowId>& set : desktops_) {
    for (x11::WindowId id : set)
      if (windows_->Exists(id)) windows_->Show(id);
    // Every window is back on the present desktop.
    set.clear();
  }
}

void CDlgVirtualDesktopBox::OnPin() {
  // Through the window itself: setWindowFlags on a shown dialog would hide it and end its loop.
  if (QWindow* window = windowHandle()) window->setFlag(Qt::WindowStaysOnTopHint, pin_->IsPinned());
}

int CDlgVirtualDesktopBox::Open(QWidget* parent, const Args&) {
  CDlgVirtualDesktopBox dialog(parent, OpenWindowSystem());
  return dialog.exec() == QDialog::Accepted ? 1 : 0;
}
