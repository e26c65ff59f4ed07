// A tab widget that holds one CTabPageSSL per tab, each with an id of its caller's choosing, and
// gives every page back the focus it had when the page was left.
//
// Pages added with delete flag 1 belong to the tab control: it deletes them when it is destroyed.
// Pages added with delete flag 0 stay their owner's: the tab control only takes them out of itself
// (they end parentless and hidden), so an owner may hold them as members or delete them at any time.
#pragma once

#include <QPointer>
#include <QString>
#include <QTabWidget>

#include <vector>

class CTabPageSSL;

class CTabCtrlSSL : public QTabWidget {
  Q_OBJECT

 public:
  explicit CTabCtrlSSL(QWidget* parent = nullptr);
  ~CTabCtrlSSL() override;

  // Adds a tab at the end; the index, or -1 for a null page. The first page is shown at once.
  int AddPage(const QString& label, int pageId, CTabPageSSL* page, int deleteFlag = 0);
  // Selects tab 0 and gives its page its saved focus: 0 when there is no tab, else 1.
  int SelectFirstPage();

  // The id given for the tab's page; -1 outside the tabs.
  int PageId(int index) const;
  CTabPageSSL* Page(int index) const;
  // The control that gets the focus when the page is shown again.
  QWidget* SavedFocus(int index) const;

  // Ends every page: calls OnPageDestroying from the last tab to the first, deletes the pages of
  // delete flag 1 and hands the others back to their owners. The destructor runs it; a derived
  // class whose OnPageDestroying must run calls it from its own destructor.
  void DestroyPages();

 protected:
  // Hooks with the tab index and the page id.
  virtual bool OnPageAdded(int index, int pageId);
  virtual void OnPageShown(int index, int pageId);
  virtual void OnPageHidden(int index, int pageId);
  virtual void OnPageDestroying(int index, int pageId);

  void tabRemoved(int index) override;

 private:
  struct PageRecord {
    // Watched as a widget: a page in the middle of its destruction is no longer a CTabPageSSL.
    QPointer<QWidget> page;
    CTabPageSSL* typed = nullptr;  // valid while page is
    int id = 0;
    int deleteFlag = 0;
    QPointer<QWidget> focus;
  };

  PageRecord* RecordOf(const QWidget* page);
  const PageRecord* RecordAt(int index) const;
  void OnCurrentChanged(int index);
  void OnFocusChanged(QWidget* old, QWidget* now);

  std::vector<PageRecord> pages_;
  QPointer<QWidget> current_;
  bool destroying_ = false;
};
