#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QNetworkProxy>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Pellamor/DLG/CUpdateDlg/CUpdateDlg.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/Settings.h"
#include "controls/TextProgressCtrl.h"
#include "shared/DialogHeaderCtrl.h"
#include "shell_support.h"
#include "tests/support/test_support.h"

namespace {

using shell_test::WaitFor;

// A local HTTP server: answers the probe with 200 and the version file with the given response.
class UpdateServer {
 public:
  // Raw bytes after the request; empty: accept and never answer.
  explicit UpdateServer(QByteArray versionResponse = {}, bool answerProbe = true)
      : versionResponse_(std::move(versionResponse)), answerProbe_(answerProbe) {
    server_.listen(QHostAddress::LocalHost);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        ++connections_;
        QObject::connect(socket, &QTcpSocket::disconnected, [this] { ++disconnects_; });
        QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] { OnData(socket); });
      }
    });
  }
  QString Address() const { return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()); }
  const std::vector<QByteArray>& Requests() const { return requests_; }
  int Connections() const { return connections_; }
  int Disconnects() const { return disconnects_; }

 private:
  void OnData(QTcpSocket* socket) {
    QByteArray& buffer = pending_[socket];
    buffer += socket->readAll();
    const int end = buffer.indexOf("\r\n\r\n");
    if (end < 0) return;
    const QByteArray request = buffer.left(end + 4);
    buffer.remove(0, end + 4);
    requests_.push_back(request);
    const bool probe = request.startsWith("GET /update/zorvel ");
    if (probe && !answerProbe_) return;
    if (!probe && versionResponse_.isEmpty()) return;
    socket->write(probe ? QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok")
                        : versionResponse_);
    socket->disconnectFromHost();
  }

  QTcpServer server_;
  QByteArray versionResponse_;
  bool answerProbe_;
  std::map<QTcpSocket*, QByteArray> pending_;
  std::vector<QByteArray> requests_;
  int connections_ = 0;
  int disconnects_ = 0;
};

QByteArray Answer(const QByteArray& status, const QByteArray& body) {
  return "HTTP/1.1 " + status + "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

QByteArray Ok(const QByteArray& body) { return Answer("200 OK", body); }

QByteArray Chunked(const QByteArray& body) {
  QByteArray out = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
  for (int at = 0; at < body.size(); at += 7) {
    const QByteArray piece = body.mid(at, 7);
    out += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
  }
  return out + "0\r\n\r\n";
}

QByteArray Version(const char* v) {
  const QList<QByteArray> f = QByteArray(v).split('.');
  return "[Version]\nMajor=" + f[0] + "\nMinor=" + f[1] + "\nPatchLevel=" + f[2] + "\nTestLevel=" + f[3] + "\n";
}

CUpdateDlg::RunningVersion Running(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
  CUpdateDlg::RunningVersion v;
  v.fields[0] = a;
  v.fields[1] = b;
  v.fields[2] = c;
  v.fields[3] = d;
  v.text = QStringLiteral("%1.%2.%3.%4").arg(a).arg(b).arg(c).arg(d);
  v.buildDate = QStringLiteral("2010-03-01");
  return v;
}

const char16_t kDone[] = u"작업을 마칩니다.";
const char16_t kEnd[] = u" 종료";
const char16_t kNoFile[] = u"업데이트 정보 파일이 없습니다";

class UpdateDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shell_test::App();
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);  // the local server only
    profile::SetProfileFile(QString::fromStdString(dir_.File("profile.ini")));
  }
  void TearDown() override { profile::SetProfileFile({}); }
  testing_support::TempDir dir_;
};

TEST_F(UpdateDialogTest, EveryAnswerOfTheServerEndsWithItsTexts) {
  struct Row {
    const char* name;
    QByteArray response;
    CUpdateDlg::RunningVersion running;
    const char16_t* detail;
    const char16_t* status;
    const char16_t* button;
  };
  const QByteArray big = Version("9.0.0.0") + QByteArray(100 * 1024, ';');
  const Row rows[] = {
      {"newer", Ok(Version("5.0.3.0")), Running(5, 0, 2, 9),
       u"최신버전: 5.0.3.0\r\n\n* 현재 사용중인 버전: 5.0.2.9 (2010-03-01)", u"새 버전이 있습니다!", u"확인"},
      {"older with a higher test level", Ok(Version("5.0.2.9")), Running(5, 1, 0, 0),
       u"서버: 5.0.2.9\r\n\n* 현재 사용중인 버전: 5.1.0.0 (2010-03-01)", u"사용하고 있는 버전이 가장 최신 버전입니다.",
       u"확인"},
      {"equal", Ok(Version("5.0.2.9")), Running(5, 0, 2, 9),
       u"서버: 5.0.2.9\r\n\n* 현재 사용중인 버전: 5.0.2.9 (2010-03-01)", u"사용하고 있는 버전이 가장 최신 버전입니다.",
       u"확인"},
      {"purpose 7", Ok(Version("6.0.0.0") + "[ServerCheck]\nPurpose=7\n"), Running(5, 0, 0, 0),
       u"업데이트 할 수 없습니다. 홈페이지 공지사항을 참고하십시오.", kDone, kEnd},
      {"no version section", Ok("[ServerCheck]\nPurpose=0\n"), Running(5, 0, 0, 0),
       u"서버: 0.0.0.0\r\n\n* 현재 사용중인 버전: 5.0.0.0 (2010-03-01)", u"사용하고 있는 버전이 가장 최신 버전입니다.",
       u"확인"},
      {"uploading, days", Ok("[ServerCheck]\nPurpose=1\nDay=2\nHour=3\nMin=4\n"), Running(5, 0, 0, 0),
       u"업데이트 서버에 새 버전을 업로드하고 있습니다. 2 일 뒤에 다시 시도하여 주십시오.", kDone, kEnd},
      {"uploading, hours", Ok("[ServerCheck]\nPurpose=1\nDay=0\nHour=3\nMin=4\n"), Running(5, 0, 0, 0),
       u"업데이트 서버에 새 버전을 업로드하고 있습니다. 3 시간 뒤에 다시 시도하여 주십시오.", kDone, kEnd},
      {"uploading, all zero", Ok("[ServerCheck]\nPurpose=1\n"), Running(5, 0, 0, 0),
       u"업데이트 서버에 새 버전을 업로드하고 있습니다. 잠시  뒤에 다시 시도하여 주십시오.", kDone, kEnd},
      {"maintenance, minutes", Ok("[ServerCheck]\nPurpose=2\nMin=40\n"), Running(5, 0, 0, 0),
       u"업데이트 서버 점검 중입니다. 40 분 뒤에 다시 시도하여 주십시오.", kDone, kEnd},
      {"maintenance, hours", Ok("[ServerCheck]\nPurpose=2\nHour=1\nMin=40\n"), Running(5, 0, 0, 0),
       u"업데이트 서버 점검 중입니다. 1 시간 뒤에 다시 시도하여 주십시오.", kDone, kEnd},
      {"maintenance, all zero", Ok("[ServerCheck]\nPurpose=2\nDay=0\nHour=0\nMin=0\n"), Running(5, 0, 0, 0),
       u"업데이트 서버 점검 중입니다. 잠시  뒤에 다시 시도하여 주십시오.", kDone, kEnd},
      {"moved", Ok("[ServerCheck]\nPurpose=3\n"), Running(5, 0, 0, 0),
       u"업데이트 서버가 변경되었습니다. 홈페이지 공지사항을 참고하십시오.", kDone, kEnd},
      {"404", Answer("404 Not Found", "not found"), Running(5, 0, 0, 0), kNoFile, kDone, kEnd},
      {"500 with a version", Answer("500 Oops", Version("9.0.0.0")), Running(5, 0, 0, 0), kNoFile, kDone, kEnd},
      {"chunked", Chunked(Version("5.0.3.0")), Running(5, 0, 2, 9),
       u"최신버전: 5.0.3.0\r\n\n* 현재 사용중인 버전: 5.0.2.9 (2010-03-01)", u"새 버전이 있습니다!", u"확인"},
      {"100 KiB", Ok(big), Running(5, 0, 0, 0), kNoFile, kDone, kEnd},
      {"100 KiB chunked", Chunked(big), Running(5, 0, 0, 0), kNoFile, kDone, kEnd},
      {"an older section first", Ok("[VersionOld]\nMajor=9\nMinor=9\n" + Version("5.0.3.0")), Running(5, 0, 2, 9),
       u"최신버전: 5.0.3.0\r\n\n* 현재 사용중인 버전: 5.0.2.9 (2010-03-01)", u"새 버전이 있습니다!", u"확인"},
      {"a key only in a later section", Ok("[Version]\nMajor=5\nMinor=0\n[Extra]\nPatchLevel=9\n"), Running(5, 0, 1, 0),
       u"서버: 5.0.0.0\r\n\n* 현재 사용중인 버전: 5.0.1.0 (2010-03-01)", u"사용하고 있는 버전이 가장 최신 버전입니다.",
       u"확인"},
      {"CRLF lines", Ok("[Version]\r\nMajor = 5\r\nMinor=0\r\nPatchLevel=3\r\nTestLevel=0\r\n"), Running(5, 0, 2, 9),
       u"최신버전: 5.0.3.0\r\n\n* 현재 사용중인 버전: 5.0.2.9 (2010-03-01)", u"새 버전이 있습니다!", u"확인"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    UpdateServer server(r.response);
    CUpdateDlg dialog({server.Address(), r.running});
    dialog.show();
    ASSERT_TRUE(WaitFor([&] { return dialog.Finished(); }));
    EXPECT_EQ(dialog.DetailText()->text(), QString::fromUtf16(r.detail));
    EXPECT_EQ(dialog.StatusText()->text(), QString::fromUtf16(r.status));
    EXPECT_EQ(dialog.CancelButton()->text(), QString::fromUtf16(r.button));
    EXPECT_TRUE(dialog.Progress()->isHidden());
    if (std::string(r.name) == "newer") {
      // The probe names its agent; the version file comes next from the same server.
      ASSERT_EQ(server.Requests().size(), 2u);
      EXPECT_TRUE(server.Requests()[0].startsWith("GET /update/zorvel HTTP/1.1\r\n"));
      EXPECT_TRUE(server.Requests()[0].contains("\r\nUser-Agent: Zorvel\r\n"));
      EXPECT_TRUE(server.Requests()[1].startsWith("GET /update/pellamor/version.ini HTTP/1.1\r\n"));
      gui_test::Settle();
      shell_test::SaveShot(dialog, "update_newer");
    }
  }
}

TEST_F(UpdateDialogTest, AClosedPortIsTheProbeFailure) {
  quint16 port = 0;
  {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    port = closed.serverPort();
  }
  CUpdateDlg dialog({QStringLiteral("http://127.0.0.1:%1").arg(port), Running(5, 0, 0, 0)});
  EXPECT_EQ(dialog.StatusText()->text(), QString::fromUtf16(u"네트워크가 가능한지 점검하고 있습니다."));
  EXPECT_EQ(dialog.Header()->Title(), QString::fromUtf16(u"업데이트 확인"));
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf16(u"업데이트"));
  EXPECT_EQ(dialog.CancelButton()->text(), QString::fromUtf16(u"취 소"));
  dialog.show();
  ASSERT_TRUE(WaitFor([&] { return dialog.Finished(); }));
  EXPECT_EQ(dialog.StatusText()->text(), QString::fromUtf16(u"작업을 계속할 수 없습니다."));
  EXPECT_EQ(dialog.DetailText()->text(),
            QString::fromUtf16(
                u"네트워크가 가능하지 않습니다. 인터넷에 연결되어 있는지 네트워크 상황을 점검한 뒤 다시 시도하여 주십시오."));
  EXPECT_EQ(dialog.CancelButton()->text(), QString::fromUtf16(u"종 료"));
  gui_test::Settle();
  shell_test::SaveShot(dialog, "update_no_network");
}

TEST_F(UpdateDialogTest, CancelOnASilentServerClosesAtOnceAndNothingArrivesLater) {
  for (bool silentProbe : {true, false}) {
    SCOPED_TRACE(silentProbe);
    UpdateServer server({}, !silentProbe);
    CUpdateDlg dialog({server.Address(), Running(5, 0, 0, 0)});
    dialog.show();
    ASSERT_TRUE(WaitFor([&] { return server.Requests().size() == (silentProbe ? 1u : 2u); }));
    const QString status = dialog.StatusText()->text();
    const QString detail = dialog.DetailText()->text();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    // The request is dropped: the server sees its connection close.
    ASSERT_TRUE(WaitFor([&] { return server.Disconnects() == server.Connections(); }));
    QElapsedTimer t;
    t.start();
    WaitFor([&] { return t.elapsed() > 200; });
    EXPECT_FALSE(dialog.Finished());
    EXPECT_EQ(dialog.StatusText()->text(), status);
    EXPECT_EQ(dialog.DetailText()->text(), detail);
  }
}

TEST_F(UpdateDialogTest, TheRegistryNameAsksTheProfilesServer) {
  UpdateServer server(Ok(Version("0.0.0.1")));
  profile::WriteProfileString("Options", "UpdateServer", server.Address());
  EXPECT_EQ(CUpdateDlg::ConfiguredServer(), server.Address());
  dlg::RegisterAllDialogs();
  shell_test::WhenModal<CUpdateDlg> act([](CUpdateDlg* d) {
    ASSERT_TRUE(WaitFor([d] { return d->Finished(); }));
    d->CancelButton()->click();
  });
  EXPECT_EQ(dlg::RunDialog("CUpdateDlg"), 1);
  EXPECT_TRUE(act.Acted());
  EXPECT_EQ(server.Requests().size(), 2u);
  profile::WriteProfileString("Options", "UpdateServer", QString());
  EXPECT_EQ(CUpdateDlg::ConfiguredServer(), QString::fromLatin1(CUpdateDlg::kDefaultServer));
}

TEST(GetIniValue, FindsTheKeyOfTheExactSection) {
  const std::string ini =
      "; comment\n"
      "[VersionOld]\nMajor=1\n"
      "[Version]\r\n  Major =  5 \r\nMinor=\nLong=" + std::string(300, 'v') + "\nNoEquals\n"
      "[ Other ]\nPatch=3\n"
      "[Version2]\nMinor=8\n";
  struct Row {
    const char* section;
    const char* key;
    std::string value;
  };
  const Row rows[] = {
      {"Version", "Major", "5"},        {"VersionOld", "Major", "1"},  {"Version", "Minor", ""},
      {"Version", "Long", std::string(200, 'v')},
      {"Version", "NoEquals", "dflt"},  {"Version", "Patch", "dflt"},  // a key only in a later section
      {"Other", "Patch", "dflt"},       {"Version2", "Minor", "8"},    {"Missing", "Major", "dflt"},
      {"Version", "major", "dflt"},
  };
  for (const Row& r : rows) EXPECT_EQ(GetIniValue(ini, r.section, r.key, "dflt"), r.value) << r.section << r.key;
  EXPECT_EQ(GetIniValue("", "Version", "Major"), "");
  EXPECT_EQ(GetIniValue("[Version]", "Version", "Major", "x"), "x");
}

TEST(IniNumber, OnlyUnsigned32BitDecimals) {
  struct Row {
    const char* text;
    std::uint32_t value;
  };
  const Row rows[] = {{"0", 0},          {"7", 7},   {"4294967295", 4294967295u}, {"4294967296", 0},
                      {"99999999999", 0}, {"-1", 0}, {"1a", 0}, {"", 0}, {"+5", 0}, {"0012", 12}};
  for (const Row& r : rows) EXPECT_EQ(IniNumber(r.text), r.value) << r.text;
}

}  // namespace
