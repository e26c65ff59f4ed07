#include "Pellamor/DLG/CUpdateDlg/CUpdateDlg.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QShowEvent>
#include <QUrl>
#include <QVBoxLayout>

#include <cstdio>

#include "Pellamor/App.h"
#include "Pellamor/Settings.h"
#include "controls/TextProgressCtrl.h"
#include "corvane/module_table.h"
#include "shared/DialogFrame.h"
#include "shared/DialogHeaderCtrl.h"

namespace {

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

QString VersionText(const std::uint32_t v[4]) {
  char text[64];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", v[0], v[1], v[2], v[3]);
  return QString::fromLatin1(text);
}

// The wait that states 1 and 2 announce.
QString WaitText(std::uint32_t day, std::uint32_t hour, std::uint32_t minute) {
  if (day) return Text(u"%1 일").arg(day);
  if (hour) return Text(u"%1 시간").arg(hour);
  if (minute) return Text(u"%1 분").arg(minute);
  return Text(u"잠시 ");
}

}  // namespace

CUpdateDlg::RunningVersion CUpdateDlg::ProgramVersion() {
  RunningVersion v;
  if (CPellamorApp* app = TheApp()) {
    const PRODUCTINFO& p = app->productInfo;
    v.fields[0] = static_cast<std::uint32_t>(p.major);
    v.fields[1] = static_cast<std::uint32_t>(p.minor);
    v.fields[2] = static_cast<std::uint32_t>(p.build);
    v.fields[3] = static_cast<std::uint32_t>(p.revision);
    v.text = QString::fromStdU16String(p.GetVersionText());
  } else {
    v.text = QStringLiteral("0.0.0.0");
  }
  int year = 0, month = 0, day = 0;
  if (!g_ModuleTable.empty()) {
    const auto& w = g_ModuleTable.front().version.module;
    year = static_cast<int>(w[kBuildYear]);
    month = static_cast<int>(w[kBuildMonth]);
    day = static_cast<int>(w[kBuildDay]);
  }
  char date[32];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", year, month, day);
  v.buildDate = QString::fromLatin1(date);
  return v;
}

QString CUpdateDlg::ConfiguredServer() {
  const QString server = profile::GetProfileString("Options", "UpdateServer").trimmed();
  return server.isEmpty() ? QString::fromLatin1(kDefaultServer) : server;
}

CUpdateDlg::CUpdateDlg(const Args& args, QWidget* parent) : QDialog(parent), args_(args) {
  running_ = args.running ? *args.running : ProgramVersion();
  server_ = args.server.isEmpty() ? ConfiguredServer() : args.server;
  while (server_.endsWith(QLatin1Char('/'))) server_.chop(1);

  header_ = dlgframe::MakeHeader(this, Text(u"업데이트 확인"), Text(u"새 버전이 있는지 확인합니다."), 279);
  header_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  setWindowTitle(Text(u"업데이트"));

  auto* group = new QGroupBox(this);
  group->setObjectName(QStringLiteral("group1186"));
  status_ = new QLabel(group);
  status_->setObjectName(QStringLiteral("status1419"));
  QFont bold = status_->font();
  bold.setWeight(QFont::Bold);
  status_->setFont(bold);
  detail_ = new QLabel(group);
  detail_->setObjectName(QStringLiteral("detail1414"));
  detail_->setWordWrap(true);
  detail_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  detail_->setMinimumHeight(70);
  progress_ = new CTextProgressCtrl(group);
  progress_->setObjectName(QStringLiteral("progress1401"));
  progress_->hide();  // nothing shows it
  spare_ = new QLabel(group);
  spare_->setObjectName(QStringLiteral("spare1034"));
  auto* inGroup = new QVBoxLayout(group);
  inGroup->addWidget(status_);
  inGroup->addWidget(detail_, 1);
  inGroup->addWidget(progress_);
  inGroup->addWidget(spare_);

  std::vector<QPushButton*> buttons;
  QHBoxLayout* row =
      dlgframe::ButtonRowLayout(this, {{u"취 소", "cancel", dlgframe::Role::Reject, true}}, &buttons);
  cancel_ = buttons[0];

  auto* body = new QVBoxLayout;
  body->setContentsMargins(11, 11, 11, 11);
  body->addWidget(group, 1);
  body->addLayout(row);
  dlgframe::StackUnderBand(this, header_, body);
  resize(460, 280);

  status_->setText(Text(u"네트워크가 가능한지 점검하고 있습니다."));
  detail_->setText(
      Text(u"네트워크 속도 또는 상황에 따라 점검하는데 소요되는 시간이 약간 지체될 수 있습니다.  네트워크가 가능하지 "
           u"않거나 인터넷에 연결되어 있지 않으면 '취소'를 누르십시오."));
  network_ = new QNetworkAccessManager(this);
}

CUpdateDlg::~CUpdateDlg() { Abort(); }

void CUpdateDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Start();
}

void CUpdateDlg::SetOutput(const QString& detail, const QString& status, const QString& button) {
  detail_->setText(detail);
  status_->setText(status);
  cancel_->setText(button);
}

void CUpdateDlg::Start() {
  if (started_) return;
  started_ = true;
  QNetworkRequest probe(QUrl(server_ + QStringLiteral("/update/zorvel")));
  probe.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Zorvel"));
  probe.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  probe.setTransferTimeout(kTransferTimeoutMs);
  reply_ = network_->get(probe);
  connect(reply_, &QNetworkReply::finished, this, &CUpdateDlg::OnProbeFinished);
}

void CUpdateDlg::OnProbeFinished() {
  QNetworkReply* reply = reply_;
  reply_ = nullptr;
  if (!reply) return;
  reply->deleteLater();
  // Any HTTP answer means the server is reachable; only a network or TLS error is not.
  if (!reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
    finished_ = true;
    SetOutput(Text(u"네트워크가 가능하지 않습니다. 인터넷에 연결되어 있는지 네트워크 상황을 점검한 뒤 다시 시도하여 "
                   u"주십시오."),
              Text(u"작업을 계속할 수 없습니다."), Text(u"종 료"));
    return;
  }
  FetchVersionFile();
}

void CUpdateDlg::FetchVersionFile() {
  SetOutput(Text(u"업데이트서버에 연결하고 새 버전이 있는지 확인하고 있으므로 잠시만 기다려 주십시오. 나중에 다시 "
                 u"시도하려면 '취소'를 누르십시오."),
            Text(u"새 버전이 있는지 확인하고 있습니다."), cancel_->text());
  QNetworkRequest request(QUrl(server_ + QStringLiteral("/update/pellamor/version.ini")));
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
  request.setTransferTimeout(kTransferTimeoutMs);
  body_.clear();
  reply_ = network_->get(request);
  connect(reply_, &QNetworkReply::readyRead, this, &CUpdateDlg::OnVersionData);
  connect(reply_, &QNetworkReply::finished, this, &CUpdateDlg::OnVersionFinished);
}

void CUpdateDlg::OnVersionData() {
  if (!reply_) return;
  body_ += reply_->read(kMaxVersionFileBytes + 1 - body_.size());
  if (body_.size() > kMaxVersionFileBytes) {
    // Far larger than any version file: not one.
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    disconnect(reply, nullptr, this, nullptr);
    reply->abort();
    reply->deleteLater();
    ShowNoFile();
  }
}

void CUpdateDlg::OnVersionFinished() {
  QNetworkReply* reply = reply_;
  if (!reply) return;
  OnVersionData();
  if (!reply_) return;  // too large: already answered
  reply_ = nullptr;
  reply->deleteLater();
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (reply->error() != QNetworkReply::NoError || status != 200) {
    ShowNoFile();
    return;
  }
  ShowOutcome(body_);
}

void CUpdateDlg::ShowNoFile() {
  finished_ = true;
  SetOutput(Text(u"업데이트 정보 파일이 없습니다"), Text(u"작업을 마칩니다."), Text(u" 종료"));
}

void CUpdateDlg::ShowOutcome(const QByteArray& body) {
  finished_ = true;
  const std::string_view text(body.constData(), static_cast<std::size_t>(body.size()));
  auto number = [&](const char* section, const char* key) { return IniNumber(GetIniValue(text, section, key)); };
  const std::uint32_t published[4] = {number("Version", "Major"), number("Version", "Minor"),
                                      number("Version", "PatchLevel"), number("Version", "TestLevel")};
  const QString running = QStringLiteral("%1 (%2)").arg(running_.text, running_.buildDate);
  const QString done = Text(u"작업을 마칩니다.");
  const QString end = Text(u" 종료");
  switch (number("ServerCheck", "Purpose")) {
    case 0: {
      bool older = false;
      for (int i = 0; i < 4; ++i) {
        if (running_.fields[i] == published[i]) continue;
        older = running_.fields[i] < published[i];
        break;
      }
      if (older)
        SetOutput(Text(u"최신버전: %1\r\n\n* 현재 사용중인 버전: %2").arg(VersionText(published), running),
                  Text(u"새 버전이 있습니다!"), Text(u"확인"));
      else
        SetOutput(Text(u"서버: %1\r\n\n* 현재 사용중인 버전: %2").arg(VersionText(published), running),
                  Text(u"사용하고 있는 버전이 가장 최신 버전입니다."), Text(u"확인"));
      break;
    }
    case 1:
      SetOutput(Text(u"업데이트 서버에 새 버전을 업로드하고 있습니다. %1 뒤에 다시 시도하여 주십시오.")
                    .arg(WaitText(number("ServerCheck", "Day"), number("ServerCheck", "Hour"),
                                  number("ServerCheck", "Min"))),
                done, end);
      break;
    case 2:
      SetOutput(Text(u"업데이트 서버 점검 중입니다. %1 뒤에 다시 시도하여 주십시오.")
                    .arg(WaitText(number("ServerCheck", "Day"), number("ServerCheck", "Hour"),
                                  number("ServerCheck", "Min"))),
                done, end);
      break;
    case 3:
      SetOutput(Text(u"업데이트 서버가 변경되었습니다. 홈페이지 공지사항을 참고하십시오."), done, end);
      break;
    default:
      SetOutput(Text(u"업데이트 할 수 없습니다. 홈페이지 공지사항을 참고하십시오."), done, end);
      break;
  }
}

void CUpdateDlg::Abort() {
  QNetworkReply* reply = reply_;
  reply_ = nullptr;
  if (!reply) return;
  disconnect(reply, nullptr, this, nullptr);  // nothing arrives after this
  reply->abort();
  reply->deleteLater();
}

void CUpdateDlg::reject() {
  Abort();
  QDialog::reject();
}

bool CUpdateDlg::Open(QWidget* parent, const Args& args) {
  CUpdateDlg dialog(args, parent);
  dialog.exec();
  return dialog.Finished();
}

CUpdateDlg::Args CUpdateDlg::ArgsFrom(const dlg::DialogArgs&) { return {}; }
