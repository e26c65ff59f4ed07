#include "Pellamor/RightView.h"

#include "Pellamor/CommandIds.h"
#include "Pellamor/DriveSession.h"

CRightView::CRightView(QWidget* parent) : QTreeWidget(parent), viewStyle_(cmd::kViewDetails) {
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setHeaderLabels({QStringLiteral("이름")});
}

CRightView::~CRightView() { DestroyQueueWindow(); }

void CRightView::PrepareColumns() { setHeaderLabels({QStringLiteral("이름")}); }

void CRightView::OnUpdate(const ListHint& hint) {
  lastHint_ = hint;
  ++updates_;
  emit hintChanged(hint);
}

void CRightView::SetSession(CDriveSession* session) {
  if (session_) disconnect(session_, nullptr, this, nullptr);
  session_ = session;
  if (!session) return;
  connect(session, &CDriveSession::opened, this, [this](std::uint32_t type) {
    SetFileSystemType(static_cast<int>(type));
    PrepareColumns();
  });
  connect(session, &CDriveSession::closed, this, &CRightView::OnDriveClosed);
}

void CRightView::OnDriveClosed() {
  ClearRows();
  fsType_ = 0;
  lastHint_ = {};
}

void CRightView::ClearRows() { clear(); }

void CRightView::SetQueueWindow(QWidget* window) {
  DestroyQueueWindow();
  queueWindow_ = window;
}

void CRightView::DestroyQueueWindow() {
  delete queueWindow_;
  queueWindow_ = nullptr;
}

void CRightView::SelectAllRows() {
  setFocus();
  for (int i = 0; i < topLevelItemCount(); ++i) topLevelItem(i)->setSelected(true);
}

void CRightView::InvertSelection() {
  setFocus();
  for (int i = 0; i < topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = topLevelItem(i);
    bool was = item->isSelected();
    item->setSelected(!was);
    if (!was) setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
  }
}

void CRightView::SetCheckBoxMode(bool on) {
  checkBoxes_ = on;
  for (int i = 0; i < topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = topLevelItem(i);
    if (on)
      item->setCheckState(0, item->data(0, Qt::CheckStateRole).isValid() ? item->checkState(0) : Qt::Unchecked);
    else
      item->setData(0, Qt::CheckStateRole, QVariant());
  }
  setSelectionBehavior(QAbstractItemView::SelectRows);
}

void CRightView::SetViewStyle(int command) {
  if (command >= cmd::kViewSmallIcon && command <= cmd::kViewDetails) viewStyle_ = command;
}
