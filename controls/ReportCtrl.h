// Report control: a self-drawn multi-column list whose viewport paints its rows itself. Rows are
// stored, or, in callback mode, counted only and asked for cell by cell from the owner through one
// notification handler (a 128-row cache keeps repaints from asking again). Nothing is kept per row:
// the selection is a set of row ranges, so a control of 2^28 rows costs no more than one of ten.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QPointer>
#include <QRect>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

class CReportHeaderCtrl;
class CReportTipCtrl;
class CReportEditCtrl;
class QPainter;
class ReportColumnsModel;

// Control style bits (they share the word with the window style bits below).
inline constexpr std::uint32_t RVS_SINGLESELECT = 0x0001;
inline constexpr std::uint32_t RVS_SHOWSELALWAYS = 0x0002;
inline constexpr std::uint32_t RVS_SHOWCOLORALWAYS = 0x0004;
inline constexpr std::uint32_t RVS_SHOWCOLORALTERNATE = 0x0008;
inline constexpr std::uint32_t RVS_SHOWHGRID = 0x0010;
inline constexpr std::uint32_t RVS_SHOWVGRID = 0x0020;
inline constexpr std::uint32_t RVS_NOHEADER = 0x0040;
inline constexpr std::uint32_t RVS_NOSORT = 0x0080;
inline constexpr std::uint32_t RVS_ALLOWCOLUMNREMOVAL = 0x0100;
inline constexpr std::uint32_t RVS_SHOWEDITROW = 0x0200;
inline constexpr std::uint32_t RVS_SHOWHGRIDEX = 0x0400;
inline constexpr std::uint32_t RVS_OWNERDATA = 0x0800;
inline constexpr std::uint32_t RVS_FOCUSSUBITEMS = 0x1000;
inline constexpr std::uint32_t RVS_EXPANDSUBITEMS = 0x2000;
inline constexpr std::uint32_t RVS_TREEMASK = 0xC000;
inline constexpr std::uint32_t RVS_WS_BORDER = 0x00800000;    // sunken border
inline constexpr std::uint32_t RVS_WS_DISABLED = 0x08000000;  // a disabled widget

// Sub-item format bits.
inline constexpr std::uint32_t RVCF_ALIGNMASK = 0x0003;  // 0 left, 1 right, 2 centre, 3 no text
inline constexpr std::uint32_t RVCF_IMAGE = 0x0800;
inline constexpr std::uint32_t RVCF_TEXT = 0x4000;
inline constexpr std::uint32_t RVCF_EX_MASK = 0x00FF0000;  // the flat header's extended style byte
inline constexpr std::uint32_t RVCF_EX_TOOLTIP = 0x00080000;
inline constexpr std::uint32_t RVCF_EX_FIXEDWIDTH = 0x00040000;  // no automatic width
inline constexpr std::uint32_t RVCF_SUBITEM_IMAGE = 0x01000000;
inline constexpr std::uint32_t RVCF_SUBITEM_CHECK = 0x02000000;
inline constexpr std::uint32_t RVCF_SUBITEM_NOFOCUS = 0x04000000;

// Row state bits; 0x63 belongs to the control.
inline constexpr std::uint32_t RVIS_FOCUSED = 0x01;
inline constexpr std::uint32_t RVIS_SELECTED = 0x02;
inline constexpr std::uint32_t RVIS_BOLD = 0x04;
inline constexpr std::uint32_t RVIS_OWNERDRAW = 0x10;
inline constexpr std::uint32_t RVIS_TREECLOSED = 0x20;
inline constexpr std::uint32_t RVIS_TREEOPEN = 0x40;
inline constexpr std::uint32_t RVIS_IMAGEBLEND25 = 0x80;
inline constexpr std::uint32_t RVIS_IMAGEBLEND50 = 0x100;
inline constexpr std::uint32_t RVIS_CONTROLMASK = 0x63;

// Item-information mask bits.
inline constexpr std::uint32_t RVIM_TEXT = 0x0001;
inline constexpr std::uint32_t RVIM_TEXTCOLOR = 0x0002;
inline constexpr std::uint32_t RVIM_IMAGE = 0x0004;
inline constexpr std::uint32_t RVIM_CHECK = 0x0008;
inline constexpr std::uint32_t RVIM_BKCOLOR = 0x0010;
inline constexpr std::uint32_t RVIM_PREVIEW = 0x0020;
inline constexpr std::uint32_t RVIM_STATE = 0x0040;
inline constexpr std::uint32_t RVIM_LPARAM = 0x0080;
inline constexpr std::uint32_t RVIM_INDENT = 0x0100;
inline constexpr std::uint32_t RVIM_OVERLAY = 0x0200;
inline constexpr std::uint32_t RVIM_CELL = RVIM_TEXT | RVIM_TEXTCOLOR | RVIM_IMAGE | RVIM_CHECK | RVIM_OVERLAY;
inline constexpr std::uint32_t RVIM_ALL = 0x03FF;

// Notification codes.
inline constexpr int RVN_ITEMDRAWPREVIEW = -2048;
inline constexpr int RVN_ITEMCLICK = -2049;
inline constexpr int RVN_ITEMDBCLICK = -2050;
inline constexpr int RVN_SELECTIONCHANGING = -2051;
inline constexpr int RVN_SELECTIONCHANGED = -2052;
inline constexpr int RVN_HEADERCLICK = -2053;
inline constexpr int RVN_LAYOUTCHANGED = -2054;
inline constexpr int RVN_ITEMDELETED = -2055;
inline constexpr int RVN_ITEMCALLBACK = -2056;
inline constexpr int RVN_BEGINITEMEDIT = -2057;
inline constexpr int RVN_ENDITEMEDIT = -2058;
inline constexpr int RVN_KEYDOWN = -2059;
inline constexpr int RVN_DIVIDERDBLCLICK = -2060;
inline constexpr int RVN_ITEMRCLICK = -2061;
inline constexpr int RVN_BUTTONCLICK = -2062;
inline constexpr int RVN_ITEMDRAW = -2063;
inline constexpr int RVN_ITEMEXPANDING = -2064;
inline constexpr int RVN_ITEMEXPANDED = -2065;
inline constexpr int RVN_HEADERRCLICK = -2066;

// Hit-test flags.
inline constexpr std::uint32_t RVHT_NOWHERE = 0x0001;
inline constexpr std::uint32_t RVHT_ONITEMIMAGE = 0x0002;
inline constexpr std::uint32_t RVHT_ONITEMCHECK = 0x0004;
inline constexpr std::uint32_t RVHT_ONITEMTEXT = 0x0008;
inline constexpr std::uint32_t RVHT_ONITEMPREVIEW = 0x0010;
inline constexpr std::uint32_t RVHT_ONITEMTREEBOX = 0x0020;
inline constexpr std::uint32_t RVHT_ONITEMEDIT = 0x0040;
inline constexpr std::uint32_t RVHT_ABOVE = 0x0100;
inline constexpr std::uint32_t RVHT_BELOW = 0x0200;
inline constexpr std::uint32_t RVHT_TORIGHT = 0x0400;
inline constexpr std::uint32_t RVHT_TOLEFT = 0x0800;

// One defined column.
struct RVSUBITEM {
  std::uint32_t nFormat = 0;
  int iWidth = -1;  // negative: the control's default width
  int iMinWidth = 0;
  int iMaxWidth = 0;  // 0 or less: none
  int iImage = 0;     // with RVCF_IMAGE only
  QString strText;
};

// One cell: image, overlay, check state (0-7), palette text colour, and a text or none.
struct RVCELL {
  int iImage = -1;
  int iOverlay = -1;
  int iCheck = -1;
  int iTextColor = -1;
  bool bHasText = false;
  QString strText;
  friend bool operator==(const RVCELL&, const RVCELL&) = default;
};

// One row.
struct RVITEMDATA {
  std::vector<RVCELL> cells;
  std::vector<bool> fetched;  // callback mode: which cells the owner has answered
  int iBkColor = -1;
  int nPreview = 0;
  int iIndent = -1;
  std::uint32_t nState = 0;
  std::uint32_t lParam = 0;
  void* pTreeNode = nullptr;
};

// The item-information record of every read and write, the callback and the comparison.
struct RVITEM {
  std::uint32_t nMask = 0;
  int iItem = -2;
  int iSubItem = -1;
  QString strText;  // RVIM_TEXT
  int iTextColor = -1;
  int iImage = -1;
  int iCheck = -1;
  int iBkColor = -1;
  int nPreview = 0;
  int iIndent = -1;
  std::uint32_t nState = 0;
  std::uint32_t lParam = 0;
  int iOverlay = 0;
};

// Result of HitTest.
struct RVHITTESTINFO {
  QPoint point;
  std::uint32_t nFlags = 0;
  void* pTreeNode = nullptr;
  int iItem = -2;
  int iSubItem = -1;
  int iRow = -1;     // display position of the row
  int iColumn = -1;  // header position of the column
  QRect rcPreview;
};

// Every notification begins with this header; `code` tells the record that follows.
struct NMREPORT {
  class CReportCtrl* control = nullptr;
  int id = 0;
  int code = 0;
};

// Mouse, key, selection, expansion and deletion.
struct NMRVITEM : NMREPORT {
  std::uint32_t nKeys = 0;  // key code, or mouse-key flags
  QPoint point;
  std::uint32_t nFlags = 0;
  void* pTreeNode = nullptr;
  int iItem = -2;
  int iSubItem = -1;
  std::uint32_t nState = 0;  // the new state for the selection codes
  std::uint32_t lParam = 0;
};

// Header click, divider double click, header right click.
struct NMRVHEADER : NMREPORT {
  int iSubItem = -1;
};

struct NMRVPREVIEW : NMREPORT {
  int iItem = -2;
  std::uint32_t nState = 0;
  QPainter* painter = nullptr;
  QRect rect;
  std::uint32_t lParam = 0;
};

// RVN_ITEMCALLBACK: the owner fills `item` (row, sub-item and wanted mask given).
struct NMRVITEMCALLBACK : NMREPORT {
  RVITEM item;
};

// RVN_ITEMDRAW: non-zero answer when the owner drew the cell itself.
struct NMRVDRAWSUBITEM : NMREPORT {
  RVITEM* item = nullptr;
  QPainter* painter = nullptr;
  QRect rect;
};

// Begin edit, end edit, the edit's button.
struct NMRVITEMEDIT : NMREPORT {
  int iItem = -2;
  int iSubItem = -1;
  bool bButton = false;  // the owner asks for a "..." button while answering the begin edit
  QRect rect;
  int nKey = 0;  // first input, or the key that ended the edit
  QString strText;
  std::uint32_t lParam = 0;
  QWidget* editor = nullptr;  // the owner's own editing window, answering the begin edit
};

// A set of rows kept as sorted disjoint ranges.
class ReportRowRanges {
 public:
  bool Contains(int row) const;
  void Add(int first, int last);
  void Remove(int first, int last);
  void Clear() { ranges_.clear(); }
  void TrimFrom(int row) { Remove(row, INT32_MAX); }
  bool Empty() const { return ranges_.empty(); }
  std::int64_t Count() const;
  // (first, last) pairs in ascending order.
  std::vector<std::pair<int, int>> Ranges() const;

 private:
  std::map<int, int> ranges_;  // first -> last, inclusive
};

class CReportCtrl : public QAbstractScrollArea {
  Q_OBJECT

 public:
  using NotifyHandler = std::function<qintptr(NMREPORT&)>;
  static constexpr int kCacheSlots = 128;
  static constexpr int kDefaultColumnWidth = 200;
  static constexpr int kMargin = 6;

  explicit CReportCtrl(QWidget* parent = nullptr, std::uint32_t style = 0, int id = 0);
  ~CReportCtrl() override;

  // The owner's one handler of every notification; none by default.
  void SetNotifyHandler(NotifyHandler handler) { notify_ = std::move(handler); }
  int GetDlgCtrlID() const { return id_; }

  std::uint32_t GetStyle() const { return style_; }
  void ModifyStyle(std::uint32_t remove, std::uint32_t add);

  // Columns.
  int DefineSubItem(int index, const RVSUBITEM& subItem);
  bool GetSubItem(int index, RVSUBITEM& subItem) const;
  int GetSubItemCount() const { return int(subItems_.size()); }
  int ShowSubItem(int subItem, int position = -1);
  int HideSubItem(int subItem);
  bool IsSubItemShown(int subItem) const;
  // Throws std::invalid_argument for a sub-item outside the defined range.
  void SetSubItemWidth(int subItem, int width);
  int GetSubItemWidth(int subItem) const;
  // Shown sub-items in display order.
  const std::vector<int>& ShownSubItems() const { return shown_; }
  int GetTotalWidth() const;

  // Rows.
  void SetItemCount(int count);
  int GetItemCount() const;
  bool GetItem(RVITEM& item);
  bool SetItem(const RVITEM& item);
  bool SetItemText(int row, int subItem, const QString& text);
  QString GetItemText(int row, int subItem);
  bool DeleteItem(int row);
  bool DeleteAllItems();
  int Expand(int row, int action);
  const std::vector<QColor>& Palette() const { return palette_; }

  // Focus, anchor and selection.
  int GetFocusedItem() const { return focus_; }
  int GetFocusedSubItem() const { return focusCell_; }
  int GetAnchor() const { return anchor_; }
  bool IsItemSelected(int row) const { return selection_.Contains(row); }
  std::int64_t GetSelectedCount() const { return selection_.Count(); }
  std::vector<std::pair<int, int>> GetSelectedRanges() const { return selection_.Ranges(); }
  void EnsureVisible(int row, int subItem = -1);
  bool SortAllItems(int subItem, bool ascending);
  RVHITTESTINFO HitTest(const QPoint& point);

  // Layout and scrolling.
  int GetRowHeight() const { return rowHeight_; }
  int GetTopRow() const;
  // Rows that fit the rows area whole (at least one).
  int VisibleRowCount() const;
  int GetScrollPosX() const;
  // The rectangle of a row (display position) or of row -1 in the input strip, viewport pixels.
  QRect RowRect(int row) const;
  // The cell's rectangle, or an empty one when the column is not shown.
  QRect CellRect(int row, int subItem) const;
  // The rectangle of the cell's text part.
  QRect CellTextRect(int row, int subItem);

  QString GetEmptyListText() const { return emptyText_; }
  void SetEmptyListText(const QString& text);
  QFont GetBoldFont() const { return boldFont_; }
  QColor GetSysColor(int index) const { return sysColors_[std::size_t(index)]; }

  CReportHeaderCtrl* Header() const { return header_; }
  CReportTipCtrl* Tip() const { return tip_; }
  QWidget* EditWindow() const { return edit_; }
  bool HasFocusFlag() const { return focusFlag_; }

  // Virtual operations of the control, in the order the subclasses know them.
  virtual QString GetItemsText(int row, QChar separator);
  virtual int DrawSubItem(QPainter& p, QRect rect, RVITEM& item, std::uint32_t format);
  virtual void DrawBackground(QPainter& p, const QRect& rect, const QColor& colour);
  virtual int CompareItems(int row1, int row2, int subItem);
  virtual int CompareItemInfo(const RVITEM& a, const RVITEM& b);
  virtual bool BeginEdit(int row, int subItem, int firstInput);
  virtual void EndEdit(bool store = true, const NMRVITEMEDIT* record = nullptr);
  virtual qintptr Notify(NMREPORT& record);
  virtual void GetSysColors();
  virtual int GetWheelScrollLines() const;
  virtual RVITEMDATA* GetCachedItem(int row);
  virtual void CacheItem(int row, const RVITEMDATA& item);
  virtual void UncacheItem(int row);
  virtual RVITEMDATA* GetItemStruct(int row, int subItem, std::uint32_t mask = RVIM_ALL);
  virtual bool SetItemStruct(int row, const RVITEMDATA& item);
  virtual bool FetchItem(RVITEMDATA& data, int row, int subItem, std::uint32_t mask);
  virtual void SelectItems(int first, int last, bool select = true, bool keepOthers = false, bool toggle = false,
                           bool notify = true);
  virtual void DrawItems(QPainter& p, const QRect& area);
  virtual void DrawItem(QPainter& p, const QRect& rect, int row, bool odd);
  virtual int DrawTreeButton(QPainter& p, const QRect& rect, bool expanded);
  virtual int DrawImage(QPainter& p, const QRect& rect, const RVITEM& item, std::uint32_t format);
  virtual int DrawCheck(QPainter& p, const QRect& rect, const RVITEM& item, std::uint32_t format);
  virtual int DrawSubItemText(QPainter& p, const QRect& rect, const RVITEM& item, std::uint32_t format);
  virtual void SortItems(int subItem, int low, int high, bool ascending);

  // From the children: the edit box ended, its button was pressed, the header was right-clicked.
  void OnEditEnded(int row, int subItem, int key, const QString& text);
  bool OnEditButton(NMRVITEMEDIT& record);
  qintptr OnHeaderRightClick(int headerItem);
  int SubItemOfHeaderItem(int headerItem) const;
  int HeaderItemOfSubItem(int subItem) const;

 protected:
  bool viewportEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  friend class CReportEditCtrl;
  void ApplyFont();
  void Layout();
  void UpdateScrollBars();
  void RebuildShown();
  void OnScrolled();
  int RowsTop() const;  // first pixel row of the rows (below the input strip)
  bool IsCallback() const { return style_ & RVS_OWNERDATA; }
  bool HasRow(int row) const;  // a real row, or the input row with its style
  int LastVisibleRow() const;
  std::uint32_t RowState(int row) const;
  bool ReadCell(int row, int subItem, RVITEM& item);
  QColor PaletteColor(int index, const QColor& fallback) const;
  void MoveFocusTo(int row, Qt::KeyboardModifiers mods, bool ctrlMovesAnchor);
  void SetFocusedRow(int row);
  void InvalidateRow(int row);
  qintptr SendItem(int code, int row, int subItem, std::uint32_t keys, const QPoint& point, std::uint32_t flags,
                   std::uint32_t state = 0);
  qintptr SendHeader(int code, int subItem);
  bool SetRowSelected(int row, bool selected, bool notify);
  void ScrollRows(int delta);
  void ScrollTo(int top);
  void UpdateTip(const QPoint& pos);
  void OnHeaderClicked(int headerItem);
  void OnHeaderResized(int headerItem, int oldSize, int newSize);
  void OnHeaderDividerDoubleClicked(int headerItem);
  void OnHeaderDragFinished(int headerItem, int dropPosition, int dropState);
  int CellWidth(int row, int subItem);

  int id_ = 0;
  std::uint32_t style_ = 0;
  bool doubleBuffer_ = true;  // Qt always buffers; kept as the setting it was
  bool redrawAtOnce_ = true;
  bool previewEnabled_ = true;
  bool hScrollAllowed_ = true;
  QFont font_;
  QFont boldFont_;
  QSize imageSize_{0, 0};
  QSize checkSize_{8, 8};
  std::array<QColor, 12> sysColors_;
  std::vector<QColor> palette_;
  QString emptyText_;
  QString headerTipFormat_ = QStringLiteral(u"정렬: %1");
  int defaultWidth_ = kDefaultColumnWidth;
  int rowHeight_ = 10;
  std::uint32_t notifyMask_ = 0xFFFFFFFFu;
  NotifyHandler notify_;

  std::vector<RVSUBITEM> subItems_;
  std::vector<RVITEMDATA> rows_;    // stored rows (none are ever added: the owner has no operation for it)
  std::vector<int> order_;          // stored rows in display order
  RVITEMDATA template_;             // row -1
  struct CacheSlot {
    int row = -2;
    RVITEMDATA item;
  };
  std::array<CacheSlot, kCacheSlots> cache_;
  CacheSlot cacheTemplate_;  // row -1 in callback mode; row -1 there means valid
  int count_ = 0;            // callback mode

  std::vector<int> shown_;  // sub-items in display order
  ReportRowRanges selection_;
  int focus_ = -2;
  int focusCell_ = -1;
  int anchor_ = 0;
  bool focusFlag_ = false;
  int sortSubItem_ = -1;
  bool sortAscending_ = true;
  int wheelRemainder_ = 0;
  bool ctrlUp_ = true;

  CReportHeaderCtrl* header_ = nullptr;
  ReportColumnsModel* columns_ = nullptr;
  CReportTipCtrl* tip_ = nullptr;
  QPointer<QWidget> edit_;
  int editRow_ = -2;
  int editSubItem_ = -1;
  bool settingWidth_ = false;
};
