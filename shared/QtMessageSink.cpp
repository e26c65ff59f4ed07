#include "shared/QtMessageSink.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include <cstdio>
#include <cstdlib>

namespace {

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

MsgAnswer ShowOnUiThread(const QString& caption, const QString& text, MsgButtons buttons, MsgIcon icon) {
  QMessageBox::StandardButtons set;
  switch (buttons) {
    case MsgButtons::Ok: set = QMessageBox::Ok; break;
    case MsgButtons::OkCancel: set = QMessageBox::Ok | QMessageBox::Cancel; break;
    case MsgButtons::YesNo: set = QMessageBox::Yes | QMessageBox::No; break;
    case MsgButtons::YesNoCancel: set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case MsgButtons::AbortRetryIgnore: set = QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore; break;
    case MsgButtons::RetryCancel: set = QMessageBox::Retry | QMessageBox::Cancel; break;
    case MsgButtons::YesNoDefaultNo: set = QMessageBox::Yes | QMessageBox::No; break;
  }
  QMessageBox::Icon shown = QMessageBox::NoIcon;
  switch (icon) {
    case MsgIcon::None: shown = QMessageBox::NoIcon; break;
    case MsgIcon::Error: shown = QMessageBox::Critical; break;
    case MsgIcon::Warning: shown = QMessageBox::Warning; break;
    case MsgIcon::Information: shown = QMessageBox::Information; break;
    case MsgIcon::Question: shown = QMessageBox::Question; break;
  }
  QMessageBox box(shown, caption, text, set, QApplication::activeWindow());
  if (buttons == MsgButtons::YesNoDefaultNo) box.setDefaultButton(QMessageBox::No);
  switch (box.exec()) {
    case QMessageBox::Ok: return MsgAnswer::Ok;
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    case QMessageBox::Abort: return MsgAnswer::Abort;
    case QMessageBox::Retry: return MsgAnswer::Retry;
    case QMessageBox::Ignore: return MsgAnswer::Ignore;
    default: return MsgAnswer::Cancel;  // closed without a button
  }
}

}  // namespace

MsgAnswer QtMessageSink::Show(std::u16string_view text, MsgButtons buttons, MsgIcon icon) {
  QString qtext = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) {
    std::fprintf(stderr, "%s\n", qtext.toUtf8().constData());
    return platform::FirstAnswerOf(buttons);
  }
  if (QThread::currentThread() == app->thread()) return ShowOnUiThread(caption_, qtext, buttons, icon);
  MsgAnswer answer = platform::FirstAnswerOf(buttons);
  QMetaObject::invokeMethod(
      app, [&] { answer = ShowOnUiThread(caption_, qtext, buttons, icon); }, Qt::BlockingQueuedConnection);
  return answer;
}

void QtMessageSink::Exit(int code) {
  std::fflush(nullptr);
  // A process that ends here failed; it never reports success.
  std::_Exit(code != 0 ? code : 1);
}
