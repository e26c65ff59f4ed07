#include "controls/GridListCtrlGroups.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>


#include <algorithm>
#include <numeric>

namespace {

// Width of the expand arrow at the left of a group row.
constexpr int kGroupArrowWidth = 20;

}  // namespace

CGridListCtrlGroups::CGridListCtrlGroups(QWidget* parent) : CGridListCtrlEx(parent) {}

int CGridListCtrlGroups::GetGroupId(int displayIndex) const {
  const auto& groups = GetOrderModel()->Groups();
  return displayIndex >= 0 && displayIndex < int(groups.size()) ? groups[displayIndex].id : -1;
}

int CGridListCtrlGroups::InsertGroupHeader(int index, int groupId, const QString& header, int state) {
  GridOrderModel* m = GetOrderModel();
  if (groupId < 0 || m->GroupIndexOfId(groupId) >= 0) return -1;
  std::vector<GridOrderModel::Group> groups = m->Groups();
  std::vector<int32_t> groupOf(size_t(GetItemCount()), -1);
  std::vector<int32_t> order;
  if (m->IsGrouped()) {
    for (int o = 0; o < GetItemCount(); ++o) groupOf[o] = m->GroupIdOfOwner(o);
    order = m->ListOrder();
  }
  index = std::clamp(index, 0, int(groups.size()));
  GridOrderModel::Group g;
  g.id = groupId;
  g.header = header;
  g.collapsed = state & kGroupCollapsed;
  // An empty group: its members start where the next group's do.
  g.begin = index < int(groups.size()) ? groups[index].begin : int32_t(order.size());
  groups.insert(groups.begin() + index, g);
  SavedSelection saved = SaveSelection();
  m->BeginChange();
  m->SetGroups(std::move(order), std::move(groupOf), std::move(groups));
  m->SetGroupColumn(-1);
  m->EndChange();
  RestoreSelection(saved);
  return index;
}

QString CGridListCtrlGroups::GetGroupHeader(int groupId) const {
  const int g = GetOrderModel()->GroupIndexOfId(groupId);
  return g >= 0 ? GetOrderModel()->Groups()[g].header : QString();
}

int CGridListCtrlGroups::GetRowGroupId(int row) const { return GetOrderModel()->GroupIdOfOwner(row); }

bool CGridListCtrlGroups::SetRowGroupId(int row, int groupId) {
  GridOrderModel* m = GetOrderModel();
  const int g = m->GroupIndexOfId(groupId);
  if (g < 0 || row < 0 || row >= GetItemCount()) return false;
  if (m->GroupIdOfOwner(row) == groupId) return true;
  SavedSelection saved = SaveSelection();
  m->BeginChange();
  m->MoveToGroup({int32_t(row)}, g);
  m->EndChange();
  RestoreSelection(saved);
  return true;
}

int CGridListCtrlGroups::GroupHitTest(const QPoint& point) const {
  if (!IsGroupStateEnabled()) return -1;
  const int row = ViewRowAt(point);
  const int g = GetOrderModel()->GroupIndexAt(row);
  return g >= 0 ? GetOrderModel()->Groups()[g].id : -1;
}

bool CGridListCtrlGroups::GroupByColumn(int column) {
  if (!GetColumnTrait(column)) return false;
  WaitCursor wait;
  SetSortArrow(-1, false);
  GridOrderModel* m = GetOrderModel();
  if (GetItemCount() == 0) {
    if (m->IsGrouped()) RemoveAllGroups();
    return false;
  }
  const SavedSelection saved = SaveSelection();
  m->BeginChange();
  m->GroupByTexts([&](int owner) { return CellTextOf(owner, column); });
  m->SetGroupColumn(column);
  m->EndChange();
  RestoreSelection(saved);
  return true;
}

bool CGridListCtrlGroups::DeleteGroup(int groupId) {
  GridOrderModel* m = GetOrderModel();
  const int g = m->GroupIndexOfId(groupId);
  if (g < 0 || IsOwnerData()) return false;
  // Delete the member rows from the last owner row down, then the group.
  std::vector<int> members;
  for (int o = 0; o < GetItemCount(); ++o)
    if (m->GroupIdOfOwner(o) == groupId) members.push_back(o);
  for (auto it = members.rbegin(); it != members.rend(); ++it) DeleteItem(*it);
  const int index = m->GroupIndexOfId(groupId);
  if (index >= 0) {
    std::vector<GridOrderModel::Group> groups = m->Groups();
    groups.erase(groups.begin() + index);
    std::vector<int32_t> groupOf(static_cast<size_t>(GetItemCount()));
    for (int o = 0; o < GetItemCount(); ++o) groupOf[o] = m->GroupIdOfOwner(o);
    SavedSelection saved = SaveSelection();
    m->BeginChange();
    m->SetGroups(m->ListOrder(), std::move(groupOf), std::move(groups));
    m->EndChange();
    RestoreSelection(saved);
  }
  return true;
}

bool CGridListCtrlGroups::IsGroupStateEnabled() const { return GetOrderModel()->IsGrouped(); }

void CGridListCtrlGroups::CheckEntireGroup(int groupId, bool check) {
  if (!HasCheckBoxes()) return;
  for (int o = 0; o < GetItemCount(); ++o)
    if (GetRowGroupId(o) == groupId && QueryOwnerDataCheck(o) != check) ToggleOwnerDataCheck(o);
}

bool CGridListCtrlGroups::HasGroupState(int groupId, int state) const {
  const int g = GetOrderModel()->GroupIndexOfId(groupId);
  if (g < 0) return false;
  const int current = kGroupCollapsible | (GetOrderModel()->Groups()[g].collapsed ? kGroupCollapsed : kGroupNormal);
  return (current & state) == state && (state != kGroupNormal || !(current & kGroupCollapsed));
}

bool CGridListCtrlGroups::SetGroupState(int groupId, int state) {
  if (!IsGroupStateEnabled()) return false;
  GridOrderModel* m = GetOrderModel();
  const int g = m->GroupIndexOfId(groupId);
  if (g < 0) return false;
  const bool collapse = state & kGroupCollapsed;
  const GridOrderModel::Group& group = m->Groups()[g];
  if (group.collapsed == collapse) return true;
  // The selection is kept per owner row: members of a collapsed group stay selected.
  return m->SetCollapsed(g, collapse);
}

void CGridListCtrlGroups::CollapseAllGroups() {
  if (!IsGroupStateEnabled()) return;
  WaitCursor wait;
  const SavedSelection saved = SaveSelection();
  GetOrderModel()->BeginChange();
  GetOrderModel()->SetAllCollapsed(true);
  GetOrderModel()->EndChange();
  RestoreSelection(saved);
}

void CGridListCtrlGroups::ExpandAllGroups() {
  if (!IsGroupStateEnabled()) return;
  WaitCursor wait;
  const SavedSelection saved = SaveSelection();
  GetOrderModel()->BeginChange();
  GetOrderModel()->SetAllCollapsed(false);
  GetOrderModel()->EndChange();
  RestoreSelection(saved);
}

void CGridListCtrlGroups::RemoveAllGroups() {
  if (!GetOrderModel()->IsGrouped()) return;
  const SavedSelection saved = SaveSelection();
  GetOrderModel()->BeginChange();
  GetOrderModel()->Ungroup();
  GetOrderModel()->EndChange();
  RestoreSelection(saved);
}

void CGridListCtrlGroups::DisableGroupingKeepingScroll() {
  const int scroll = verticalScrollBar()->value();
  RemoveAllGroups();
  verticalScrollBar()->setValue(scroll);
}

bool CGridListCtrlGroups::SortColumn(int column, bool ascending) {
  if (!IsGroupStateEnabled()) return CGridListCtrlEx::SortColumn(column, ascending);
  WaitCursor wait;
  // The groups follow the sorted column and are ordered by their header texts.
  if (!GroupByColumn(column)) return false;
  CGridColumnTrait* trait = GetColumnTrait(column);
  const auto& groups = GetOrderModel()->Groups();
  std::vector<int> order(groups.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return trait->CompareTexts(groups[a].header, groups[b].header, ascending) < 0;
  });
  const SavedSelection saved = SaveSelection();
  GetOrderModel()->BeginChange();
  GetOrderModel()->ReorderGroups(order);
  GetOrderModel()->EndChange();
  RestoreSelection(saved);
  return true;
}

bool CGridListCtrlGroups::MoveSelectedRowsToGroup(int groupId) {
  GridOrderModel* m = GetOrderModel();
  const int g = m->GroupIndexOfId(groupId);
  if (IsOwnerData() || g < 0) return false;
  const std::vector<int> rows = GetSelectedOwnerRows();
  SavedSelection saved = SaveSelection();
  m->BeginChange();
  m->MoveToGroup(std::vector<int32_t>(rows.begin(), rows.end()), g);
  m->EndChange();
  RestoreSelection(saved);
  return true;
}

bool CGridListCtrlGroups::OnRowDropSelf(const QMimeData* data, Qt::DropAction action, const QPoint& point) {
  if (!IsGroupStateEnabled()) return CGridListCtrlEx::MoveSelectedRows(ViewRowAt(point));
  (void)data;
  (void)action;
  if (IsOwnerData()) return false;
  GridOrderModel* m = GetOrderModel();
  const int row = ViewRowAt(point);
  const int hitOwner = OwnerRow(row);
  const int g = m->GroupIndexOf(row);
  if (g < 0) return false;
  const int groupId = m->Groups()[g].id;
  if (MoveSelectedRowsToGroup(groupId) && hitOwner >= 0) {
    const int v = ViewRow(hitOwner);
    if (v >= 0) {
      scrollTo(m->index(v, 0));
      SetFocusRow(v);
    }
  }
  return true;
}

QMenu* CGridListCtrlGroups::CreateHeaderMenu(int column) {
  QMenu* menu = new QMenu(this);
  if (column >= 0) {
    QAction* a = menu->addAction(QStringLiteral("Group by: ") + GetColumnHeading(column));
    a->setData(3);
    connect(a, &QAction::triggered, this, [this, column] { GroupByColumn(column); });
  }
  if (IsGroupStateEnabled()) {
    QAction* a = menu->addAction(QStringLiteral("Disable grouping"));
    a->setData(4);
    connect(a, &QAction::triggered, this, [this] { DisableGroupingKeepingScroll(); });
  }
  AppendColumnItems(menu, column, {1, 2, 5, 6, GetColumnCount() + 7});
  return menu;
}

QMenu* CGridListCtrlGroups::CreateGridMenu() {
  QMenu* menu = new QMenu(this);
  if (!IsGroupStateEnabled()) return menu;
  QAction* a = menu->addAction(QStringLiteral("Expand all groups"));
  a->setData(1);
  connect(a, &QAction::triggered, this, [this] { ExpandAllGroups(); });
  a = menu->addAction(QStringLiteral("Collapse all groups"));
  a->setData(2);
  connect(a, &QAction::triggered, this, [this] { CollapseAllGroups(); });
  a = menu->addAction(QStringLiteral("Disable grouping"));
  a->setData(3);
  connect(a, &QAction::triggered, this, [this] { RemoveAllGroups(); });
  return menu;
}

QMenu* CGridListCtrlGroups::CreateGroupMenu(int groupId) {
  QMenu* menu = new QMenu(this);
  if (!HasCheckBoxes()) return menu;
  const QString header = GetGroupHeader(groupId);
  QAction* a = menu->addAction(QStringLiteral("Check group: ") + header);
  a->setData(3);
  connect(a, &QAction::triggered, this, [this, groupId] { CheckEntireGroup(groupId, true); });
  a = menu->addAction(QStringLiteral("Uncheck group: ") + header);
  a->setData(4);
  connect(a, &QAction::triggered, this, [this, groupId] { CheckEntireGroup(groupId, false); });
  return menu;
}

void CGridListCtrlGroups::OnGridContextMenu(const QPoint& globalPos) { PopUpMenu(CreateGridMenu(), globalPos); }

void CGridListCtrlGroups::OnGroupContextMenu(const QPoint& globalPos, int groupId) {
  PopUpMenu(CreateGroupMenu(groupId), globalPos);
}

void CGridListCtrlGroups::contextMenuEvent(QContextMenuEvent* event) {
  if (event->reason() != QContextMenuEvent::Keyboard && IsGroupStateEnabled()) {
    const int group = GroupHitTest(event->pos());
    if (group >= 0) {
      setFocus();
      OnGroupContextMenu(event->globalPos(), group);
      return;
    }
  }
  CGridListCtrlEx::contextMenuEvent(event);
}

void CGridListCtrlGroups::mouseDoubleClickEvent(QMouseEvent* event) {
  CGridListCtrlEx::mouseDoubleClickEvent(event);
  const int group = GroupHitTest(event->position().toPoint());
  if (group >= 0) SetGroupState(group, HasGroupState(group, kGroupCollapsed) ? kGroupNormal : kGroupCollapsed);
}

void CGridListCtrlGroups::mousePressEvent(QMouseEvent* event) {
  // The arrow of a group row collapses or expands it.
  const QPoint pos = event->position().toPoint();
  const int group = event->button() == Qt::LeftButton ? GroupHitTest(pos) : -1;
  if (group >= 0 && pos.x() < kGroupArrowWidth) {
    setFocus();
    SetGroupState(group, HasGroupState(group, kGroupCollapsed) ? kGroupNormal : kGroupCollapsed);
    event->accept();
    return;
  }
  CGridListCtrlEx::mousePressEvent(event);
}
