// Flat report list that paints its rows itself, so that a highlighted row spans the label, all
// columns or the whole row up to the window's right edge.
#pragma once

#include <QTreeWidget>

class CJorunListCtrl : public QTreeWidget {
  Q_OBJECT

 public:
  enum HighlightMode : int { HIGHLIGHT_NORMAL = 0, HIGHLIGHT_ALLCOLUMNS = 1, HIGHLIGHT_ROW = 2 };
  // Item data role (column 0) that marks a row as a drop target.
  static constexpr int DropHighlightRole = Qt::UserRole + 0x4A0;

  explicit CJorunListCtrl(QWidget* parent = nullptr);

  void SetHighlightType(int mode);
  int GetHighlightType() const { return m_nHighlight; }
  // Selected rows stay highlighted while the list has no focus.
  void SetShowSelectionAlways(bool on);
  bool GetShowSelectionAlways() const { return m_bShowSelAlways; }
  void SetItemDropHighlighted(int row, bool on);
  bool IsItemDropHighlighted(int row) const;

  // Whether the row is drawn in the highlight colours now.
  bool IsRowHighlighted(int row) const;
  // The area a highlighted row fills, in viewport coordinates.
  QRect HighlightRect(int row) const;

 protected:
  void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  struct RowRects {
    QRect bounds;  // all columns
    QRect icon;
    QRect label;   // first column less its icon
  };
  RowRects Rects(const QModelIndex& index) const;
  int Offset() const { return 2 * fontMetrics().horizontalAdvance(QLatin1Char(' ')); }

  int m_nHighlight = HIGHLIGHT_NORMAL;
  bool m_bShowSelAlways = false;
};
