#include "controls/GridTraits.h"

#include <QFontMetrics>

#include <limits>

#include "controls/GridListCtrlEx.h"

void CGridColumnTrait::OnColumnInserted(CGridListCtrlEx&, int) {}
void CGridColumnTrait::CustomDraw(CGridListCtrlEx&, GridDrawRecord&) {}
bool CGridColumnTrait::IsCellEditable(CGridListCtrlEx&, int, int, const QPoint&) { return true; }
QWidget* CGridColumnTrait::CreateEditor(CGridListCtrlEx&, int, int) { return nullptr; }
void CGridColumnTrait::OnEditEnd() {}
int CGridColumnTrait::CompareTexts(const QString&, const QString&, bool) { return 0; }

bool CGridColumnTraitText::GetTextColor(QColor& color) const {
  if (!textColor_.isValid()) return false;
  color = textColor_;
  return true;
}

bool CGridColumnTraitText::GetBackColor(QColor& color) const {
  if (!backColor_.isValid()) return false;
  color = backColor_;
  return true;
}

void CGridColumnTraitText::CustomDraw(CGridListCtrlEx& list, GridDrawRecord& record) {
  // The focus cell of a full-row selection draws unselected, with its focus rectangle.
  if (record.selected && record.focusCell) record.selected = false;
  GetTextColor(record.textColor);
  GetBackColor(record.backColor);
  list.QueryCellColors(record.row, record.column, record.textColor, record.backColor);
  QFont font = list.GetGridFont();
  if (list.QueryCellFont(record.row, record.column, font)) record.font = font;
}

qint64 CGridColumnTraitText::ParseNumber(const QString& text) {
  int i = 0;
  const int n = int(text.size());
  while (i < n && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n' || text[i] == u'\r' ||
                   text[i] == u'\v' || text[i] == u'\f'))
    ++i;
  bool negative = false;
  if (i < n && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  // Accumulate toward the sign's side so that the most negative value fits.
  constexpr qint64 kMax = std::numeric_limits<qint64>::max();
  constexpr qint64 kMin = std::numeric_limits<qint64>::min();
  qint64 value = 0;
  bool saturated = false;
  for (; i < n; ++i) {
    const char16_t c = text[i].unicode();
    if (c == u',') continue;
    if (c < u'0' || c > u'9') break;
    if (saturated) continue;
    const int d = c - u'0';
    if (!negative) {
      if (value > (kMax - d) / 10) value = kMax, saturated = true;
      else value = value * 10 + d;
    } else {
      if (value < (kMin + d) / 10) value = kMin, saturated = true;
      else value = value * 10 - d;
    }
  }
  return value;
}

int CGridColumnTraitText::CompareTexts(const QString& first, const QString& second, bool ascending) {
  int r;
  if (sortNumeric_) {
    const qint64 a = ParseNumber(first), b = ParseNumber(second);
    r = a < b ? -1 : (a > b ? 1 : 0);
  } else {
    r = QString::compare(first, second, Qt::CaseSensitive);
    r = r < 0 ? -1 : (r > 0 ? 1 : 0);
  }
  return ascending ? r : -r;
}

void CGridRowTrait::CustomDraw(CGridListCtrlEx&, GridDrawRecord&) {}

bool CGridRowTraitText::GetRowTextColor(int row, QColor& color) const {
  if (altTextColor_.isValid() && row % 2 == 1) {
    color = altTextColor_;
    return true;
  }
  if (!textColor_.isValid()) return false;
  color = textColor_;
  return true;
}

bool CGridRowTraitText::GetRowBackColor(int row, QColor& color) const {
  if (altBackColor_.isValid() && row % 2 == 1) {
    color = altBackColor_;
    return true;
  }
  if (!backColor_.isValid()) return false;
  color = backColor_;
  return true;
}

void CGridRowTraitText::CustomDraw(CGridListCtrlEx& list, GridDrawRecord& record) {
  // Alternation follows the rows as shown.
  GetRowTextColor(record.viewRow, record.textColor);
  GetRowBackColor(record.viewRow, record.backColor);
  list.QueryRowColors(record.row, record.textColor, record.backColor);
  QFont font = list.GetGridFont();
  if (list.QueryRowFont(record.row, font)) record.font = font;
}
