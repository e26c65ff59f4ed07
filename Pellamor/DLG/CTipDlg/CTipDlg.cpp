#include "Pellamor/DLG/CTipDlg/CTipDlg.h"

#include <QCheckBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QVBoxLayout>

#include <string_view>
#include <vector>

#include "Pellamor/DLG/CTipDlg/TipsFile.h"
#include "Pellamor/Settings.h"
#include "platform/codepage.h"
#include "platform/file_ops.h"
#include "platform/message.h"
#include "platform/program_folder.h"
#include "shared/DialogFrame.h"

namespace {

constexpr const char* kSection = "Tip";
constexpr const char16_t* kDefaultTitle = u"... 알고 계십니까?";          // string 111
constexpr const char16_t* kNoFile = u"오늘의 팁 파일(tips.txt)이 현재 디렉토리에 없습니다.";  // string 112
constexpr const char16_t* kReadFailure = u"오늘의 팁 파일(tips.txt)을 읽는데 문제가 있습니다";  // string 113
constexpr const char16_t* kBrokenTitle = u"파일이 없거나 문제가 있습니다.";

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

// The line's bytes as text: UTF-8 when they are, else the Korean code page.
QString DecodeLine(std::string_view bytes) {
  QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (utf8.hasError()) text = QString::fromStdU16String(platform::AnsiToUtf16(bytes));
  return text.left(CTipDlg::kMaxLineChars);
}

// Picture 105: a light bulb.
QPixmap BulbPicture() {
  QPixmap pixmap(40, 48);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(120, 90, 0), 1.5));
  QRadialGradient glow(QPointF(17, 15), 18);
  glow.setColorAt(0, QColor(255, 255, 210));
  glow.setColorAt(1, QColor(250, 205, 40));
  p.setBrush(glow);
  QPainterPath bulb;
  bulb.addEllipse(QRectF(6, 3, 28, 28));
  p.drawPath(bulb);
  p.setBrush(QColor(170, 170, 170));
  p.setPen(QPen(QColor(90, 90, 90), 1));
  p.drawRect(QRectF(13, 31, 14, 10));
  p.drawLine(QPointF(13, 34.5), QPointF(27, 34.5));
  p.drawLine(QPointF(13, 38), QPointF(27, 38));
  p.setBrush(QColor(90, 90, 90));
  p.drawRoundedRect(QRectF(16, 41, 8, 4), 2, 2);
  return pixmap;
}

}  // namespace

QString CTipDlg::TipsFilePath() {
  return QString::fromStdString(platform::ProgramFolder()) + QStringLiteral("/help/tips.1042.txt");
}

CTipDlg::CTipDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Text(u"오늘의 팁"));

  frame_ = new QWidget(this);
  frame_->setObjectName(QStringLiteral("frame1059"));
  picture_ = new QLabel(frame_);
  picture_->setObjectName(QStringLiteral("picture105"));
  picture_->setPixmap(BulbPicture());
  picture_->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  picture_->setFixedWidth(56);
  titleLabel_ = new QLabel(Text(u"제목"), frame_);
  titleLabel_->setObjectName(QStringLiteral("title1064"));
  QFont bold = titleLabel_->font();
  bold.setWeight(QFont::Bold);
  titleLabel_->setFont(bold);
  titleLabel_->setWordWrap(true);
  categoryLabel_ = new QLabel(Text(u"분류: FAQ"), frame_);
  categoryLabel_->setObjectName(QStringLiteral("category1062"));
  categoryLabel_->hide();
  tipEdit_ = new QPlainTextEdit(frame_);
  tipEdit_->setObjectName(QStringLiteral("tip1063"));
  tipEdit_->setReadOnly(true);
  tipEdit_->setFrameShape(QFrame::NoFrame);
  QPalette white = tipEdit_->palette();
  white.setColor(QPalette::Base, Qt::white);
  tipEdit_->setPalette(white);

  auto* texts = new QVBoxLayout;
  texts->addWidget(titleLabel_);
  texts->addWidget(categoryLabel_);
  texts->addWidget(tipEdit_, 1);
  auto* inFrame = new QHBoxLayout(frame_);
  inFrame->setContentsMargins(0, 10, 10, 10);
  inFrame->setSpacing(12);
  inFrame->addWidget(picture_);
  inFrame->addLayout(texts, 1);

  startUp_ = new QCheckBox(Text(u"시작시 보이기(&S)"), this);
  startUp_->setObjectName(QStringLiteral("startup1061"));
  help_ = dlgframe::MakeButton(this, {u"도움말(&H)", "help1060"});
  next_ = dlgframe::MakeButton(this, {u"다음(&N)", "next"});
  close_ = dlgframe::MakeButton(this, {u"닫기(&C)", "close", dlgframe::Role::Accept, true});
  auto* row = new QHBoxLayout;
  row->addWidget(startUp_);
  row->addStretch();
  row->addWidget(help_);
  row->addWidget(next_);
  row->addWidget(close_);

  auto* top = new QVBoxLayout(this);
  top->addWidget(frame_, 1);
  top->addLayout(row);
  resize(460, 260);

  connect(next_, &QPushButton::clicked, this, &CTipDlg::OnNext);
  connect(help_, &QPushButton::clicked, this, [] {});  // no help file yet

  // Construction: the profile, the file, its time stamp and the first tip.
  showAtStartUp_ = profile::GetProfileInt(kSection, "StartUp", 0) == 0;
  qint64 position = profile::GetProfileInt(kSection, "FilePos", 0);
  // Read whole through the bounded read: a FIFO, a device or a folder is refused at once, as is
  // a file larger than any tips file.
  std::vector<std::uint8_t> bytes;
  const platform::FileReadResult read =
      platform::ReadWholeFile(TipsFilePath().toStdString(), &bytes, tips::kMaxFileBytes);
  if (read.refusal == platform::FileRefusal::kCannotOpen || read.refusal == platform::FileRefusal::kNotRegularFile) {
    title_ = Text(kBrokenTitle);
    tip_ = Text(kNoFile);
  } else if (!read) {
    ShowBroken(kReadFailure);
  } else {
    text_.assign(bytes.begin(), bytes.end());
    open_ = true;
    const QString stamp = QDateTime::fromMSecsSinceEpoch(read.modifiedMsecs).toString(Qt::ISODateWithMs);
    if (stamp != profile::GetProfileString(kSection, "TimeStamp")) {
      position = 0;
      profile::WriteProfileString(kSection, "TimeStamp", stamp);
    }
    if (position < 0 || static_cast<std::uint64_t>(position) > text_.size()) position = 0;
    pos_ = static_cast<std::size_t>(position);
    GetNextTipString();
  }

  // Initialisation.
  startUp_->setChecked(showAtStartUp_);
  next_->setEnabled(open_);
  help_->setEnabled(helpNumber_ != 0);
  Refresh();
}

CTipDlg::~CTipDlg() {
  if (open_) profile::WriteProfileInt(kSection, "FilePos", static_cast<int>(pos_));
}

void CTipDlg::GetNextTipString() {
  if (!open_) return;
  std::string_view bytes;
  // At the end it goes round once more from the start; a file with no tip at all stops here.
  if (!tips::NextTipLine(text_, &pos_, &bytes)) {
    ShowBroken(kReadFailure);
    return;
  }
  const QString line = DecodeLine(bytes);
  title_ = Text(kDefaultTitle);
  category_.clear();
  helpNumber_ = 0;
  const QStringList fields = line.split(QLatin1Char('\t'));
  tip_ = fields.value(0);
  if (fields.size() > 1) title_ = fields[1];
  if (fields.size() > 2) category_ = fields[2];
  if (fields.size() > 3) helpNumber_ = fields[3].trimmed().toInt();
}

void CTipDlg::ShowBroken(const char16_t* body) {
  title_ = Text(kBrokenTitle);
  tip_ = Text(body);
  category_.clear();
  helpNumber_ = 0;
  open_ = false;  // nothing more to read; FilePos stays as stored
  text_.clear();
  if (next_) next_->setEnabled(false);
}

void CTipDlg::OnNext() {
  if (!open_) return;
  GetNextTipString();
  help_->setEnabled(helpNumber_ != 0);
  next_->setEnabled(open_);
  Refresh();
}

void CTipDlg::Refresh() {
  titleLabel_->setText(title_);
  categoryLabel_->setText(category_);
  tipEdit_->setPlainText(tip_);
}

void CTipDlg::accept() {
  if (!closed_) {
    closed_ = true;
    profile::WriteProfileInt(kSection, "StartUp", startUp_->isChecked() ? 0 : 1);
  }
  QDialog::accept();
}

void CTipDlg::reject() { accept(); }

void CTipDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    OnNext();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CTipDlg::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter p(this);
  const QRect area = frame_->geometry();
  p.fillRect(area, Qt::white);
  p.fillRect(QRect(area.left(), area.top(), picture_->width(), area.height()), palette().color(QPalette::Mid));
}

bool CTipDlg::Open(QWidget* parent, const Args&) {
  CTipDlg dialog(parent);
  return dialog.exec() == QDialog::Accepted;
}

CTipDlg::Args CTipDlg::ArgsFrom(const dlg::DialogArgs&) { return {}; }
