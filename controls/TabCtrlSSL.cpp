#include "controls/TabCtrlSSL.h"

#include <QApplication>

#include <algorithm>

#include "controls/TabPageSSL.h"

namespace {

// The first control of the page that takes the focus by Tab, or null.
QWidget* FirstFocusable(QWidget* page) {
  for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
    if (page->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled()) return w;
  }
  return nullptr;
}

}  // namespace

CTabCtrlSSL::CTabCtrlSSL(QWidget* parent) : QTabWidget(parent) {
  connect(this, &QTabWidget::currentChanged, this, &CTabCtrlSSL::OnCurrentChanged);
  connect(qApp, &QApplication::focusChanged, this, &CTabCtrlSSL::OnFocusChanged);
}

CTabCtrlSSL::~CTabCtrlSSL() {
  // The base class still emits while it takes its children down; this part is gone by then.
  disconnect(this, &QTabWidget::currentChanged, this, &CTabCtrlSSL::OnCurrentChanged);
  if (qApp) disconnect(qApp, &QApplication::focusChanged, this, &CTabCtrlSSL::OnFocusChanged);
  DestroyPages();
}

int CTabCtrlSSL::AddPage(const QString& label, int pageId, CTabPageSSL* page, int deleteFlag) {
  if (!page || indexOf(page) >= 0) return -1;
  pages_.push_back(PageRecord{page, page, pageId, deleteFlag, nullptr});
  // The first page is shown by being added, not by a selection change.
  if (count() == 0) current_ = page;
  const int index = addTab(page, label);
  PageRecord* record = RecordOf(page);
  if (index < 0) {
    if (record) pages_.erase(pages_.begin() + (record - pages_.data()));
    if (current_ == page) current_ = nullptr;
    return -1;
  }
  const bool added = OnPageAdded(index, pageId);
  record = RecordOf(page);
  if (record) record->focus = added ? FirstFocusable(page) : QApplication::focusWidget();
  return index;
}

int CTabCtrlSSL::SelectFirstPage() {
  if (count() == 0) return 0;
  if (currentIndex() != 0) setCurrentIndex(0);
  return 1;
}

int CTabCtrlSSL::PageId(int index) const {
  const PageRecord* record = RecordAt(index);
  return record ? record->id : -1;
}

CTabPageSSL* CTabCtrlSSL::Page(int index) const {
  const PageRecord* record = RecordAt(index);
  return record && record->page ? record->typed : nullptr;
}

QWidget* CTabCtrlSSL::SavedFocus(int index) const {
  const PageRecord* record = RecordAt(index);
  return record ? record->focus.data() : nullptr;
}

CTabCtrlSSL::PageRecord* CTabCtrlSSL::RecordOf(const QWidget* page) {
  if (!page) return nullptr;
  for (PageRecord& record : pages_)
    if (record.page == page) return &record;
  return nullptr;
}

const CTabCtrlSSL::PageRecord* CTabCtrlSSL::RecordAt(int index) const {
  QWidget* page = widget(index);
  return const_cast<CTabCtrlSSL*>(this)->RecordOf(page);
}

void CTabCtrlSSL::OnCurrentChanged(int index) {
  if (destroying_) return;
  CTabPageSSL* next = Page(index);
  QWidget* previous = current_;
  current_ = next;
  if (previous == next) return;
  if (previous) {
    const int previousIndex = indexOf(previous);
    if (const PageRecord* record = RecordOf(previous); record && previousIndex >= 0)
      OnPageHidden(previousIndex, record->id);
  }
  if (!next) return;
  const PageRecord* record = RecordOf(next);
  if (record->focus && next->isAncestorOf(record->focus)) record->focus->setFocus(Qt::TabFocusReason);
  OnPageShown(index, record->id);
}

void CTabCtrlSSL::OnFocusChanged(QWidget*, QWidget* now) {
  if (!now || destroying_) return;
  for (PageRecord& record : pages_)
    if (record.page && record.page->isAncestorOf(now)) record.focus = now;
}

void CTabCtrlSSL::tabRemoved(int index) {
  QTabWidget::tabRemoved(index);
  if (destroying_) return;
  // A page deleted or taken out by its owner leaves its record behind.
  pages_.erase(std::remove_if(pages_.begin(), pages_.end(),
                              [this](const PageRecord& r) { return !r.page || indexOf(r.page) < 0; }),
               pages_.end());
}

void CTabCtrlSSL::DestroyPages() {
  if (destroying_) return;
  destroying_ = true;
  for (int i = count() - 1; i >= 0; --i) {
    QWidget* w = widget(i);
    const PageRecord* record = RecordOf(w);
    if (!record) continue;  // a widget added by other means stays the tab widget's child
    OnPageDestroying(i, record->id);
    record = RecordOf(w);
    if (!record || !record->page) continue;
    QPointer<QWidget> page = record->page;
    CTabPageSSL* typed = record->typed;
    const int deleteFlag = record->deleteFlag;
    removeTab(i);
    if (!page) continue;
    if (deleteFlag == 1) {
      delete typed;
    } else {
      page->hide();
      page->setParent(nullptr);
    }
  }
  pages_.clear();
  current_ = nullptr;
  destroying_ = false;
}

bool CTabCtrlSSL::OnPageAdded(int, int) { return true; }
void CTabCtrlSSL::OnPageShown(int, int) {}
void CTabCtrlSSL::OnPageHidden(int, int) {}
void CTabCtrlSSL::OnPageDestroying(int, int) {}
