#include "controls/ResizableDialog.h"

#include <QEvent>
#include <QResizeEvent>
#include <QShowEvent>
#include <QSizeGrip>

#include <algorithm>

#include "controls/ScreenFit.h"

CResizableDialog::CResizableDialog(QWidget* parent) : CResizableDialog(parent, true) {}

CResizableDialog::CResizableDialog(QWidget* parent, bool withGrip) : QDialog(parent) {
  if (withGrip) {
    grip_ = new QSizeGrip(this);
    grip_->setObjectName(QStringLiteral("sizeGrip"));
    grip_->resize(grip_->sizeHint());
    grip_->hide();
  }
}

CResizableDialog::~CResizableDialog() {
  if (saveRestore_ && writer_) writer_(section_, QStringLiteral("WindowPlacement"), PlacementText());
  ClearAnchors();
}

void CResizableDialog::AddAnchor(QWidget* child, Anchor topLeft, Anchor bottomRight) {
  if (!child || child->parentWidget() != this) return;
  if (bottomRight == anchor::None) bottomRight = topLeft;
  const QRect client = GetTotalClientRect();
  const QRect r = child->geometry();
  LayoutInfo info;
  info.child = child;
  info.className = QString::fromLatin1(child->metaObject()->className());
  info.topLeft = topLeft;
  info.bottomRight = bottomRight;
  info.topLeftMargin = QPoint(r.left() - (client.left() + topLeft.x * client.width() / 100),
                              r.top() - (client.top() + topLeft.y * client.height() / 100));
  info.bottomRightMargin =
      QPoint(r.left() + r.width() - (client.left() + bottomRight.x * client.width() / 100),
             r.top() + r.height() - (client.top() + bottomRight.y * client.height() / 100));
  auto same = std::find_if(layout_.begin(), layout_.end(), [child](const LayoutInfo& i) { return i.child == child; });
  if (same != layout_.end())
    *same = info;
  else
    layout_.push_back(info);
}

QRect CResizableDialog::AnchoredRect(const LayoutInfo& info, const QRect& client) {
  const int w = client.width();
  const int h = client.height();
  const int left = client.left() + info.topLeft.x * w / 100 + info.topLeftMargin.x();
  const int top = client.top() + info.topLeft.y * h / 100 + info.topLeftMargin.y();
  const int right = client.left() + info.bottomRight.x * w / 100 + info.bottomRightMargin.x();
  const int bottom = client.top() + info.bottomRight.y * h / 100 + info.bottomRightMargin.y();
  return QRect(left, top, right - left, bottom - top);
}

void CResizableDialog::ArrangeLayout() {
  const QRect client = GetTotalClientRect();
  // A minimised or collapsed client has nothing to lay out; the margins would turn inside out.
  if (client.isEmpty()) return;
  for (const LayoutInfo& info : layout_) {
    if (!info.child) continue;
    const QRect r = AnchoredRect(info, client);
    if (r != info.child->geometry()) info.child->setGeometry(r);
  }
}

void CResizableDialog::ClearAnchors() { layout_.clear(); }

QRect CResizableDialog::GetTotalClientRect() const { return rect(); }

void CResizableDialog::PlaceGrip() {
  if (!grip_) return;
  const QSize size = grip_->sizeHint();
  grip_->setGeometry(width() - size.width(), height() - size.height(), size.width(), size.height());
  grip_->lower();
  // From the window state itself: a grip on a top-level dialog that is not maximised.
  const bool show = isWindow() && !(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
  grip_->setVisible(show);
}

void CResizableDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (isMinimized()) return;
  PlaceGrip();
  ArrangeLayout();
}

void CResizableDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!minimumTaken_ && isWindow() && !event->spontaneous()) {
    minimumTaken_ = true;
    if (fitToScreen_) FitWindowToScreen(this);
    setMinimumSize(size());
  }
  PlaceGrip();
}

void CResizableDialog::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange || event->type() == QEvent::ParentChange) PlaceGrip();
}

void CResizableDialog::EnableSaveRestore(const QString& section, PlacementWriter writer, bool rectOnly) {
  saveRestore_ = true;
  section_ = section;
  writer_ = std::move(writer);
  rectOnly_ = rectOnly;
}

QString CResizableDialog::PlacementText() const {
  QRect r;
  int showCommand = 1;
  if (rectOnly_) {
    r = frameGeometry();
  } else {
    r = normalGeometry().isValid() ? normalGeometry() : geometry();
    if (windowState() & Qt::WindowMinimized)
      showCommand = 2;
    else if (windowState() & Qt::WindowMaximized)
      showCommand = 3;
  }
  return QStringLiteral("%1,%2,%3,%4,%5,%6")
      .arg(r.left())
      .arg(r.top())
      .arg(r.left() + r.width())
      .arg(r.top() + r.height())
      .arg(showCommand)
      .arg(0);
}
