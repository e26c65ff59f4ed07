// Column and row traits of the grid list: how a column's cells look, sort and edit, and how whole
// rows are coloured. The list owns every trait.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

#include <optional>

class CGridListCtrlEx;
class QWidget;

// One cell being drawn. Each cell starts from the defaults; the row trait, the column trait and
// the list's Query* hooks may set colours and a font.
struct GridDrawRecord {
  int row = -1;        // owner row
  int viewRow = -1;    // row in display order
  int column = -1;
  bool selected = false;
  bool focusCell = false;  // the list's focus cell (row and focus column)
  QColor textColor;        // invalid: the palette's
  QColor backColor;        // invalid: none
  std::optional<QFont> font;
  bool skipDefault = false;  // a trait drew the cell itself
};

class CGridColumnTrait {
 public:
  virtual ~CGridColumnTrait() = default;
  virtual void OnColumnInserted(CGridListCtrlEx& list, int column);
  virtual void CustomDraw(CGridListCtrlEx& list, GridDrawRecord& record);
  virtual bool IsCellEditable(CGridListCtrlEx& list, int row, int column, const QPoint& point);
  virtual QWidget* CreateEditor(CGridListCtrlEx& list, int row, int column);
  virtual void OnEditEnd();
  // <0, 0, >0 as first sorts before, with or after second in the given direction.
  virtual int CompareTexts(const QString& first, const QString& second, bool ascending);

  struct ColumnState {
    bool visible = true;
    int savedWidth = 0;
    int savedPosition = -1;
    bool alwaysHidden = false;
    bool alwaysVisible = false;
    bool sortable = true;
    bool editable = true;
    bool editFocusOnly = true;
    bool resizable = true;
  };
  ColumnState& GetColumnState() { return state_; }
  const ColumnState& GetColumnState() const { return state_; }

 private:
  ColumnState state_;
};

// The trait every column gets unless another is given: fixed colours and text or numeric order.
class CGridColumnTraitText : public CGridColumnTrait {
 public:
  void CustomDraw(CGridListCtrlEx& list, GridDrawRecord& record) override;
  int CompareTexts(const QString& first, const QString& second, bool ascending) override;

  bool GetTextColor(QColor& color) const;
  bool GetBackColor(QColor& color) const;
  void SetTextColor(const QColor& color) { textColor_ = color; }
  void SetBackColor(const QColor& color) { backColor_ = color; }
  void SetSortNumeric(bool numeric) { sortNumeric_ = numeric; }
  bool IsSortNumeric() const { return sortNumeric_; }

  // Leading blanks, optional sign, digits with any commas skipped, up to the first other
  // character; saturates at the 64-bit limits. No digits: 0.
  static qint64 ParseNumber(const QString& text);

 private:
  QColor textColor_;
  QColor backColor_;
  bool sortNumeric_ = false;
};

class CGridRowTrait {
 public:
  virtual ~CGridRowTrait() = default;
  virtual void CustomDraw(CGridListCtrlEx& list, GridDrawRecord& record);
};

// The list's default row trait: plain and alternate (odd rows) colours.
class CGridRowTraitText : public CGridRowTrait {
 public:
  void CustomDraw(CGridListCtrlEx& list, GridDrawRecord& record) override;
  bool GetRowTextColor(int row, QColor& color) const;
  bool GetRowBackColor(int row, QColor& color) const;
  void SetRowColor(const QColor& text, const QColor& back) { textColor_ = text, backColor_ = back; }
  void SetAltRowColors(const QColor& text, const QColor& back) { altTextColor_ = text, altBackColor_ = back; }

 private:
  QColor textColor_, backColor_, altTextColor_, altBackColor_;
};

// Persistence and column-menu hooks; this one does nothing.
class CGridColumnManager {
 public:
  virtual ~CGridColumnManager() = default;
  virtual bool HasColumnEditor(CGridListCtrlEx&, int, QString&) { return false; }
  virtual void OpenColumnEditor(CGridListCtrlEx&, int) {}
  virtual bool HasColumnPicker(CGridListCtrlEx&, QString&) { return false; }
  virtual void OpenColumnPicker(CGridListCtrlEx&) {}
  virtual bool HasColumnReset(CGridListCtrlEx&, QString&) { return false; }
  virtual void ResetColumns(CGridListCtrlEx&) {}
  virtual QString GetColumnProfile(CGridListCtrlEx&, QStringList& profiles) {
    profiles.clear();
    return {};
  }
  virtual void SelectColumnProfile(CGridListCtrlEx&, const QString&) {}
  virtual void OnOwnerAttached(CGridListCtrlEx&) {}
  virtual void OnOwnerFocusLost(CGridListCtrlEx&) {}
  virtual void OnColumnStateChanged(CGridListCtrlEx&) {}
  virtual void OnColumnVisibilityChanged(CGridListCtrlEx&) {}
};
