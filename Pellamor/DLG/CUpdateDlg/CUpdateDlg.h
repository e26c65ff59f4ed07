// The update check: asks the update server whether a newer version is published and shows the
// outcome. The requests run on the UI thread's event loop; nothing is installed.
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Pellamor/DLG/CUpdateDlg/VersionIni.h"
#include "Pellamor/DLG/Dialogs.h"

class CDialogHeaderCtrl;
class CTextProgressCtrl;
class QLabel;
class QNetworkAccessManager;
class QNetworkReply;
class QPushButton;

class CUpdateDlg : public QDialog {
  Q_OBJECT

 public:
  // The version that runs, compared with the published one.
  struct RunningVersion {
    std::uint32_t fields[4] = {0, 0, 0, 0};  // major, minor, patch level, test level
    QString text;                            // its version text
    QString buildDate;                       // "%04d-%02d-%02d"
  };
  struct Args {
    QString server;  // empty: the profile's Options/UpdateServer, else the built-in one
    std::optional<RunningVersion> running;  // none: the program's
  };

  static constexpr const char* kDefaultServer = "https://update.pellamor.example";
  static constexpr qint64 kMaxVersionFileBytes = 64 * 1024;
  static constexpr int kTransferTimeoutMs = 15000;

  CUpdateDlg(const Args& args, QWidget* parent = nullptr);
  ~CUpdateDlg() override;

  // Runs the check in a modal dialog; true when it ended with an outcome (not cancelled).
  static bool Open(QWidget* parent, const Args& args);
  static Args ArgsFrom(const dlg::DialogArgs& values);

  // The program's running version: its product identity and module row 0's build date.
  static RunningVersion ProgramVersion();
  // The server the check asks: the profile's, else the built-in one.
  static QString ConfiguredServer();

  // Starts the check (the dialog does so when first shown).
  void Start();
  bool Finished() const { return finished_; }

  QLabel* StatusText() const { return status_; }
  QLabel* DetailText() const { return detail_; }
  QPushButton* CancelButton() const { return cancel_; }
  CTextProgressCtrl* Progress() const { return progress_; }
  CDialogHeaderCtrl* Header() const { return header_; }

 public slots:
  void reject() override;  // the button, Esc and the close box: stop any request, then close

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void SetOutput(const QString& detail, const QString& status, const QString& button);
  void OnProbeFinished();
  void FetchVersionFile();
  void OnVersionData();
  void OnVersionFinished();
  void ShowNoFile();
  void ShowOutcome(const QByteArray& body);
  void Abort();

  Args args_;
  RunningVersion running_;
  QString server_;
  QNetworkAccessManager* network_ = nullptr;
  QPointer<QNetworkReply> reply_;
  QByteArray body_;
  bool started_ = false;
  bool finished_ = false;

  CDialogHeaderCtrl* header_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* detail_ = nullptr;
  QLabel* spare_ = nullptr;
  CTextProgressCtrl* progress_ = nullptr;
  QPushButton* cancel_ = nullptr;
};
