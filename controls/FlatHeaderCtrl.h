// Flat header: items drawn flat in the button colours, per-item width limits and tooltips, fitting
// of the following columns to the width, a sort arrow, and its own item drag with a floating image
// of the item and a red drop marker.
#pragma once

#include <QColor>
#include <QCursor>
#include <QHeaderView>
#include <QList>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

// Extra data of one header item.
struct HDITEMEX {
  int nStyle = 0;
  int iMinWidth = 0;
  int iMaxWidth = 0;  // 0 or less: no limit
  QString strToolTip;
};

// HDITEMEX::nStyle bits.
inline constexpr int HDF_EX_AUTOWIDTH = 0x0001;    // SetItemEx sizes the item to its content
inline constexpr int HDF_EX_INCLUDESORT = 0x0002;  // that size leaves room for the sort arrow
inline constexpr int HDF_EX_FIXEDWIDTH = 0x0004;   // the user cannot resize the item
inline constexpr int HDF_EX_TOOLTIP = 0x0008;      // owner's bit
inline constexpr int HDF_EX_PERSISTENT = 0x0010;   // the item may not be dragged off the header

class CFHDragWnd;
class CFHDropWnd;

class CFlatHeaderCtrl : public QHeaderView {
  Q_OBJECT

 public:
  // Drop states while an item is dragged.
  enum DropState : int { DropElsewhere = -1, DropOnItem = 0, DropOnTarget = 1, DropRefused = 2 };
  static constexpr int kUnlimitedWidth = 16384;

  explicit CFlatHeaderCtrl(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);
  ~CFlatHeaderCtrl() override;

  void setModel(QAbstractItemModel* model) override;

  bool GetItemEx(int item, HDITEMEX& extra) const;
  bool SetItemEx(int item, const HDITEMEX& extra);
  // Width the item's content needs: margins, image, sort arrow (when asked for) and the whole text.
  int MeasureItem(int item, bool includeSort) const;

  void SetSortColumn(int column, bool ascending);
  int GetSortColumn() const { return m_iSortColumn; }
  bool GetSortAscending() const { return m_bSortAscending; }

  // Fit mode: after a column is resized, the columns after it fill the rest of the width.
  void SetFitMode(bool on);
  bool GetFitMode() const { return m_bResizeFit; }
  // Resizes the columns after item's display position (all of them for -1 or the last item) so that
  // all columns fill the width; the rounding remainder goes out pixel by pixel within the limits.
  void ResizeColumnsToFit(int item = -1);
  // The width that fitting fills: the header's own.
  int FitWidth() const { return width(); }

  void SetDragOffTarget(QWidget* target) { m_pDragOffTarget = target; }
  void SetDragOffCursor(const QCursor& cursor) { m_dragOffCursor = cursor; }
  void SetDropMarkerColor(const QColor& colour) { m_crDropMarker = colour; }
  QColor GetDropMarkerColor() const { return m_crDropMarker; }
  void SetItemMargin(int margin) { m_iMargin = margin; update(); }
  int GetItemMargin() const { return m_iMargin; }

  // Hooks of a drag. begin(item) returning true refuses the drag; end(item, drop position, drop state)
  // returning true keeps the order. Subclasses may override OnBeginDrag / OnEndDrag instead.
  void SetBeginDragHook(std::function<bool(int)> hook) { m_beginDrag = std::move(hook); }
  void SetEndDragHook(std::function<bool(int, int, int)> hook) { m_endDrag = std::move(hook); }

  // Places the drop marker before display position pos (count() = after the last); outside that
  // range the marker goes. The position.
  int SetHotDivider(int pos);
  int SetHotDivider(const QPoint& point);
  // Ends a drag or a resize without changing the order.
  void CancelDrag();

  // State of a drag, for owners and tests.
  bool IsDragging() const { return m_bDragging; }
  int DropPosition() const { return m_iDropPos; }
  int DropStateNow() const { return m_iDropState; }
  QWidget* DropMarker() const;
  QWidget* DragImage() const;
  // The logical item whose divider lies under x (header coordinates), or -1.
  int DividerAt(int x) const;

  virtual void DrawHeaderItem(QPainter* painter, const QRect& rect, int item, bool isSortColumn, bool ascending) const;

 signals:
  void dragStarted(int item);
  void dragFinished(int item, int dropPosition, int dropState);

 protected:
  virtual bool OnBeginDrag(int item);
  virtual bool OnEndDrag(int item, int dropPosition, int dropState);

  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  QSize sectionSizeFromContents(int logicalIndex) const override;

 private:
  friend class CFHDragWnd;
  void OnColumnsInserted(const QModelIndex& parent, int first, int last);
  void OnColumnsAboutToBeRemoved(const QModelIndex& parent, int first, int last);
  void SyncExtras() const;
  bool IsFixed(int item) const;
  // Fixed items and sections that the header's resize mode sizes cannot be resized by the mouse.
  bool UserResizable(int item) const;
  int MinWidth(int item) const;
  int MaxWidth(int item) const;  // kUnlimitedWidth for none
  int Pos(const QPoint& p) const { return orientation() == Qt::Horizontal ? p.x() : p.y(); }
  QRect ItemRect(int item) const;
  void UpdateCursor(const QPoint& pos);
  void DragMove(const QPoint& pos, const QPoint& globalPos);
  void EndDrag(bool drop);
  void EndResize();
  int ResizeLimitLow() const;
  int ResizeLimitHigh() const;

  mutable std::vector<HDITEMEX> m_extras;
  QList<QMetaObject::Connection> m_modelConnections;
  int m_iMargin = 6;
  QSize m_sortArrow{8, 8};
  QPointer<QWidget> m_pDragOffTarget;
  QCursor m_dragOffCursor{Qt::ForbiddenCursor};
  QColor m_crDropMarker{255, 0, 0};
  bool m_bResizeFit = false;
  bool m_bFitting = false;
  int m_iSortColumn = -1;
  bool m_bSortAscending = false;
  std::function<bool(int)> m_beginDrag;
  std::function<bool(int, int, int)> m_endDrag;

  // Mouse state.
  int m_iHotItem = -1;  // pressed, resized or dragged item
  bool m_bPressed = false;
  bool m_bResizing = false;
  bool m_bDragging = false;
  bool m_bDragRefused = false;  // begin hook said no: the button is held until it comes up
  QPoint m_pressPos;
  int m_iPressSize = 0;
  int m_iDropPos = -1;
  int m_iDropState = DropElsewhere;
  CFHDragWnd* m_pDragWnd = nullptr;
  CFHDropWnd* m_pDropWnd = nullptr;
};
