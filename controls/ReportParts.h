// The report control's children: its header over a columns-only model, the in-place edit box
// with its optional "..." button, and the tip that shows a cut cell text whole.
#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <vector>

#include "controls/FlatHeaderCtrl.h"

class CReportCtrl;
class QPushButton;

// The header's items: one column per shown sub-item (the item's data is its sub-item number).
class ReportColumnsModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  struct Column {
    int subItem = -1;
    std::uint32_t format = 0;
    QString text;
  };
  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void Insert(int item, const Column& column);
  void Remove(int item);
  const std::vector<Column>& Columns() const { return columns_; }
  std::vector<Column>& Columns() { return columns_; }

 private:
  std::vector<Column> columns_;
};

class CReportHeaderCtrl : public CFlatHeaderCtrl {
  Q_OBJECT

 public:
  explicit CReportHeaderCtrl(CReportCtrl* report);

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  CReportCtrl* report_;
};

class CReportEditCtrl : public QLineEdit {
  Q_OBJECT

 public:
  CReportEditCtrl(CReportCtrl* report, int row, int subItem, bool withButton);
  ~CReportEditCtrl() override;

  // Places the box (and its button) over the rectangle, viewport pixels.
  void Place(const QRect& rect);
  // Applies the first input: 1 (mouse) or 13 caret at the end, 8 one Backspace, 9 all selected,
  // any other character typed over the whole text.
  void ApplyFirstInput(int firstInput);
  int Row() const { return row_; }
  int SubItem() const { return subItem_; }
  int LastKey() const { return lastKey_; }
  QPushButton* Button() const { return button_; }
  // Marks the edit as over, so that losing the focus sends nothing more.
  void SetEnded() { ended_ = true; }
  bool Ended() const { return ended_; }

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void End();

  bool ended_ = false;
  int row_;
  int subItem_;
  bool withButton_;
  QPushButton* button_ = nullptr;
  int lastKey_ = 13;
  CReportCtrl* report_;
};

// A frameless tool window over a cut cell text, transparent for input, faded in once.
class CReportTipCtrl : public QWidget {
  Q_OBJECT

 public:
  explicit CReportTipCtrl(CReportCtrl* report);

  // Shows the whole text over the text rectangle (global pixels) when it does not fit there;
  // hides the tip when it does.
  void Show(const QString& text, const QFont& font, const QRect& textRect);
  void Hide();
  QString Text() const { return text_; }
  QRect Covered() const { return rect_; }
  int Opacity() const { return opacity_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  CReportCtrl* report_;
  bool layered_ = true;
  int opacity_ = 0;
  QRect rect_;
  QString text_;
  QFont font_;
  QTimer fade_;
};
