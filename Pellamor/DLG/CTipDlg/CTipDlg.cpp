#include "Pellamor/DLG/CTipDlg/CTipDlg.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFileInfo>
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

#include "Pellamor/Settings.h"
#include "platform/codepage.h"
#include "platform/message.h"
#include "platform/program_folder.h"
#include "shared/DialogFrame.h"

namespace {

constexpr const char* kSection = "Tip";
constexpr const char16_t* kDefaultTitle = u"... 알고 계십니까?";          // string 111
constexpr const char16_t* kNoFile = u"오늘의 팁 파일(tips.txt)이 현재 디렉토리에 없습니다.";  // string 112
constexpr const char16_t* kReadFailure = u"오늘의 팁 파일(tips.txt)을 읽는데 문제가 있습니다";  // string 113
constexpr const char16_t* kBrokenTitle = u"파일이 없거나 문제가 있습니다.";
// Bytes kept of one line: enough for kMaxLineChars characters of UTF-8.
constexpr qint64 kMaxLineBytes = CTipDlg::kMaxLineChars * 4;

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

// The line's bytes as text: UTF-8 when they are, else the Korean code page. A line cut short may
// end inside a UTF-8 sequence; that tail is dropped first.
QString DecodeLine(QByteArray bytes, bool cut) {
  if (cut) {
    int i = static_cast<int>(bytes.size());
    int back = 0;
    while (i > 0 && back < 4 && (static_cast<unsigned char>(bytes[i - 1]) & 0xC0) == 0x80) {
      --i;
      ++back;
    }
    if (i > 0 && static_cast<unsigned char>(bytes[i - 1]) >= 0xC0) {
      const unsigned char lead = static_cast<unsigned char>(bytes[i - 1]);
      const int need = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
      if (back < need) bytes.truncate(i - 1);
    }
  }
  QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  QString text = utf8(bytes);
  if (utf8.hasError())
    text = QString::fromStdU16String(platform::AnsiToUtf16(std::string_view(bytes.constData(), bytes.size())));
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
  file_.setFileName(TipsFilePath());
  if (!file_.open(QIODevice::ReadOnly)) {
    title_ = Text(kBrokenTitle);
    tip_ = Text(kNoFile);
  } else {
    const QString stamp = QFileInfo(file_).lastModified().toString(Qt::ISODateWithMs);
    if (stamp != profile::GetProfileString(kSection, "TimeStamp")) {
      position = 0;
      profile::WriteProfileString(kSection, "TimeStamp", stamp);
    }
    if (position < 0 || position > file_.size()) position = 0;
    if (file_.seek(position)) {
      GetNextTipString();
    } else {
      platform::ShowMessage(kReadFailure);
    }
  }

  // Initialisation.
  startUp_->setChecked(showAtStartUp_);
  next_->setEnabled(file_.isOpen());
  help_->setEnabled(helpNumber_ != 0);
  Refresh();
}

CTipDlg::~CTipDlg() {
  if (file_.isOpen()) {
    profile::WriteProfileInt(kSection, "FilePos", static_cast<int>(file_.pos()));
    file_.close();
  }
}

CTipDlg::Line CTipDlg::ReadLine(QString* text) {
  if (file_.atEnd()) return Line::kEnd;
  QByteArray bytes;
  bool cut = false;
  char c = 0;
  while (file_.getChar(&c)) {
    if (c == '\n') break;
    if (bytes.size() < kMaxLineBytes)
      bytes.append(c);
    else
      cut = true;
  }
  if (!cut && bytes.endsWith('\r')) bytes.chop(1);
  if (bytes.isEmpty()) return Line::kSkip;
  const char first = bytes.front();
  if (first == ' ' || first == '\t' || first == ';' || first == '\r') return Line::kSkip;
  *text = DecodeLine(bytes, cut);
  return Line::kTip;
}

void CTipDlg::GetNextTipString() {
  if (!file_.isOpen()) return;
  QString line;
  bool wrapped = false;
  for (;;) {
    const Line got = ReadLine(&line);
    if (got == Line::kTip) break;
    if (got == Line::kSkip) continue;
    // The end: round once more from the start; a file with no tip at all stops here.
    if (wrapped || !file_.seek(0)) {
      if (wrapped) {
        ShowBroken(kReadFailure);
      } else {
        platform::ShowMessage(kReadFailure);
      }
      return;
    }
    wrapped = true;
  }
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
  file_.close();  // nothing more to read; FilePos stays as stored
  if (next_) next_->setEnabled(false);
}

void CTipDlg::OnNext() {
  if (!file_.isOpen()) return;
  GetNextTipString();
  help_->setEnabled(helpNumber_ != 0);
  next_->setEnabled(file_.isOpen());
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
