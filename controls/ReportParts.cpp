#include "controls/ReportParts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

#include "controls/ReportCtrl.h"

// ---- columns model ----

int ReportColumnsModel::rowCount(const QModelIndex&) const { return 0; }
int ReportColumnsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(columns_.size());
}
QVariant ReportColumnsModel::data(const QModelIndex&, int) const { return {}; }

QVariant ReportColumnsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || std::size_t(section) >= columns_.size()) return {};
  const Column& c = columns_[std::size_t(section)];
  switch (role) {
    case Qt::DisplayRole:
      return c.text;
    case Qt::TextAlignmentRole: {
      const std::uint32_t a = c.format & 3;
      return int((a == 1 ? Qt::AlignRight : a == 2 ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    case Qt::UserRole:
      return c.subItem;
    default:
      return {};
  }
}

void ReportColumnsModel::Insert(int item, const Column& column) {
  item = std::clamp(item, 0, int(columns_.size()));
  beginInsertColumns({}, item, item);
  columns_.insert(columns_.begin() + item, column);
  endInsertColumns();
}

void ReportColumnsModel::Remove(int item) {
  if (item < 0 || std::size_t(item) >= columns_.size()) return;
  beginRemoveColumns({}, item, item);
  columns_.erase(columns_.begin() + item);
  endRemoveColumns();
}

// ---- header ----

CReportHeaderCtrl::CReportHeaderCtrl(CReportCtrl* report) : CFlatHeaderCtrl(Qt::Horizontal, report), report_(report) {
  setObjectName(QStringLiteral("ReportHeader"));
  setStretchLastSection(false);
  setMinimumSectionSize(0);
}

void CReportHeaderCtrl::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton && report_) {
    const int item = logicalIndexAt(event->position().toPoint());
    if (report_->OnHeaderRightClick(item) != 0) return;
  }
  CFlatHeaderCtrl::mousePressEvent(event);
}

// ---- edit box ----

CReportEditCtrl::CReportEditCtrl(CReportCtrl* report, int row, int subItem, bool withButton)
    : QLineEdit(report->viewport()), row_(row), subItem_(subItem), withButton_(withButton), report_(report) {
  setObjectName(QStringLiteral("ReportEdit"));
  setFrame(false);
  if (withButton_) {
    button_ = new QPushButton(QStringLiteral("..."), report->viewport());
    button_->setObjectName(QStringLiteral("ReportEditButton"));
    button_->setAutoDefault(false);
    button_->setFocusPolicy(Qt::StrongFocus);
  }
}

CReportEditCtrl::~CReportEditCtrl() { delete button_; }

void CReportEditCtrl::Place(const QRect& rect) {
  QRect r = rect;
  if (button_) {
    if (r.width() > r.height() + 10) r.setWidth(r.width() - r.height());
    button_->setFont(font());
    button_->setGeometry(r.right() + 1, r.top(), r.height(), r.height());
    button_->show();
  }
  setGeometry(r);
}

void CReportEditCtrl::ApplyFirstInput(int firstInput) {
  switch (firstInput) {
    case 1:
    case 13:
      end(false);
      break;
    case 8:
      end(false);
      backspace();
      break;
    case 9:
      selectAll();
      break;
    default:
      // Any typed character, blanks and punctuation included, replaces the text.
      selectAll();
      if (firstInput > 0) insert(QString(QChar(char16_t(firstInput))));
      break;
  }
}

bool CReportEditCtrl::event(QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(event);
    if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
      keyPressEvent(k);
      return true;
    }
  }
  if (event->type() == QEvent::ShortcutOverride) {
    auto* k = static_cast<QKeyEvent*>(event);
    if (k->key() == Qt::Key_Escape || k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
      event->accept();
      return true;
    }
  }
  return QLineEdit::event(event);
}

void CReportEditCtrl::keyPressEvent(QKeyEvent* event) {
  int code = 0;
  switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      code = 9;
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      code = 13;
      break;
    case Qt::Key_Escape:
      code = 27;
      break;
    default:
      if (event->modifiers() & Qt::AltModifier) {
        event->accept();  // system characters are swallowed
        return;
      }
      QLineEdit::keyPressEvent(event);
      return;
  }
  event->accept();
  lastKey_ = code;
  report_->setFocus(Qt::OtherFocusReason);
  if (!ended_ && hasFocus()) End();  // focus could not move: end anyway
}

void CReportEditCtrl::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (ended_) return;
  if (button_ && QApplication::focusWidget() == button_) {
    NMRVITEMEDIT record;
    record.strText = text();
    record.bButton = true;
    record.rect = geometry();
    if (report_->OnEditButton(record)) setText(record.strText);
    setFocus(Qt::OtherFocusReason);
    return;
  }
  End();
}

void CReportEditCtrl::End() {
  if (ended_) return;
  ended_ = true;
  report_->OnEditEnded(row_, subItem_, lastKey_, text());
}

// ---- tip ----

CReportTipCtrl::CReportTipCtrl(CReportCtrl* report)
    : QWidget(report, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                          Qt::WindowDoesNotAcceptFocus | Qt::WindowStaysOnTopHint),
      report_(report) {
  setObjectName(QStringLiteral("QOR_ReportTipCtrl"));
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  const QString platform = QGuiApplication::platformName();
  layered_ = platform != QLatin1String("minimal");
  fade_.setInterval(20);
  connect(&fade_, &QTimer::timeout, this, [this] {
    opacity_ = std::min(255, opacity_ + 10);
    if (opacity_ > 254) fade_.stop();
    setWindowOpacity(opacity_ / 255.0);
  });
}

void CReportTipCtrl::Show(const QString& text, const QFont& font, const QRect& textRect) {
  if (textRect.isEmpty() || !QApplication::activeWindow()) return;
  if (textRect == rect_ && isVisible() && text == text_) return;
  rect_ = textRect;
  text_ = text;
  font_ = font;
  const QFontMetrics fm(font);
  const int extent = fm.horizontalAdvance(text);
  if (extent <= textRect.width()) {
    Hide();
    return;
  }
  const int margin = CReportCtrl::kMargin;
  const int height = std::max(textRect.height(), fm.height() + 2);
  setGeometry(textRect.left() - margin + 1, textRect.top() + (textRect.height() - height) / 2, extent + 2 * margin,
              height);
  if (layered_ && opacity_ < 255) {
    setWindowOpacity(opacity_ / 255.0);
    fade_.start();
  }
  show();
  update();
}

void CReportTipCtrl::Hide() {
  rect_ = {};
  if (isVisible()) hide();
}

void CReportTipCtrl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::ToolTipBase));
  p.setPen(palette().color(QPalette::ToolTipText));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  p.setFont(font_);
  p.drawText(QRect(CReportCtrl::kMargin - 1, 1, width(), height() - 2), Qt::AlignLeft | Qt::AlignVCenter, text_);
}
